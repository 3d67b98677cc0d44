// Lengths of the sectors of the loaded unit block that the readers address by header word
// (see unit_access.hpp): the element count of the integer or real sector whose offset stands
// in header word W, so that a stored count never walks a reader past its sector.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "storage/storage.hpp"

namespace api_access {

// The number of elements of the sector of KIND whose offset stands in header word W of the
// loaded block; 0 when no sector of that kind starts there or nothing is loaded. Asks the
// current sub-block, so it holds right after PAULOD, before anything else is made current.
std::int32_t headerSectorLength(storage::SectorKind kind, std::int32_t w);

// The lengths of up to N header-word sectors, taken together right after PAULOD.
struct HeaderSectorLengths {
  static constexpr std::size_t kMost = 16;
  struct Entry {
    std::int32_t word = 0;
    storage::SectorKind kind = storage::SectorKind::Integer;
    std::int32_t length = 0;
  };
  std::array<Entry, kMost> entries{};
  std::size_t size = 0;

  void take(storage::SectorKind kind, std::int32_t w);
  // The length recorded for W and KIND; 0 when not taken.
  std::int32_t operator()(storage::SectorKind kind, std::int32_t w) const;
};

}  // namespace api_access
