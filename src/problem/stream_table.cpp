// The stream table's integers and the length of the main stream record.
#include "problem/stream_table.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include "storage/storage.hpp"

namespace problem {

std::int32_t streamMainRecordLength(std::int32_t ncstrm) {
  // Disk pointers of the 31 secondary records; 46 integers; 95 reals, then the four
  // component vectors, each of sizing value 1 = NCSTRM reals.
  static constexpr std::array<std::int32_t, 1> kPointerLengths{kSecondaryRecordTypes};
  static constexpr std::array<std::int32_t, 1> kPointerSizes{9};
  static constexpr std::array<std::int32_t, 1> kIntegerLengths{kMainIntegers};
  constexpr std::int32_t kVector = -1;  // a sector of sizing value 1 elements
  static constexpr std::array<std::int32_t, 1 + kMainComponentVectors> kRealLengths{
      kMainReals, kVector, kVector, kVector, kVector};
  const std::array<std::int32_t, 1> sizing{ncstrm};
  storage::SubBlockSpec spec;
  spec[storage::SectorKind::Pointer] = {kPointerLengths, kPointerSizes};
  spec[storage::SectorKind::Integer] = {kIntegerLengths, {}};
  spec[storage::SectorKind::Real] = {kRealLengths, {}};
  spec.sizing = sizing;
  std::int32_t ierr = 0;
  storage::SBMLTF(0, ierr, spec);
  const std::int32_t length = storage::SBCUR.header(storage::sbhead::kTotalLength);
  return length + length % 2;
}

void newStreamTable(std::span<std::int32_t> srtabi, std::int32_t ncstrm) {
  std::fill(srtabi.begin(), srtabi.end(), 0);
  if (srtabi.size() >= srtabi::kMainLength) {
    srtabi[srtabi::kMainLength - 1] = streamMainRecordLength(ncstrm);
  }
}

}  // namespace problem
