// Lengths of the sectors of the loaded unit block that the readers address by header word
// (see unit_access.hpp): the element count of the integer or real sector whose offset stands
// in header word W, so that a stored count never walks a reader past its sector.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "api/access/unit_access.hpp"
#include "services/markers.hpp"
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

// Items of the loaded block (by sector number) as the unit work area describes them; empty
// when not loaded.
std::span<std::int32_t> loadedIntegers(std::int32_t item);
storage::RealView loadedReals(std::int32_t item);

// One sector of the loaded block, by header word or by item, with its length.
class LoadedSector {
 public:
  LoadedSector() = default;
  static LoadedSector atWord(storage::SectorKind kind, std::int32_t w) {
    LoadedSector s;
    s.word_ = w;
    s.length_ = w == 0 ? 0 : headerSectorLength(kind, w);
    return s;
  }
  static LoadedSector integerItem(std::int32_t item) {
    LoadedSector s;
    s.integers_ = loadedIntegers(item);
    s.length_ = static_cast<std::int32_t>(s.integers_.size());
    s.byItem_ = true;
    return s;
  }
  static LoadedSector realItem(std::int32_t item) {
    LoadedSector s;
    s.reals_ = loadedReals(item);
    s.length_ = static_cast<std::int32_t>(s.reals_.size());
    s.byItem_ = true;
    return s;
  }

  std::int32_t length() const { return length_; }
  // Element E; IMISS or RMISS outside the sector.
  std::int32_t integer(std::int32_t e) const {
    if (e < 1 || e > length_) return services::IMISS;
    return byItem_ ? integers_[static_cast<std::size_t>(e - 1)] : headerInteger(word_, e);
  }
  double real(std::int32_t e) const {
    if (e < 1 || e > length_) return services::RMISS;
    return byItem_ ? reals_[static_cast<std::size_t>(e - 1)] : headerReal(word_, e);
  }

 private:
  std::int32_t word_ = 0;
  std::int32_t length_ = 0;
  bool byItem_ = false;
  std::span<std::int32_t> integers_;
  storage::RealView reals_;
};

}  // namespace api_access
