// The disk pointer: nine words that name a sub-block on disk.
#pragma once

#include <array>
#include <cstdint>

#include "services/markers.hpp"

namespace storage {

using DiskPointer = std::array<std::int32_t, 9>;

// Word numbers of a disk pointer (1-based, as the blocks store them); use dp(ptr, k).
namespace dpword {
inline constexpr std::int32_t kSecondary = 1;    // 0; a primary entry's secondary sector
inline constexpr std::int32_t kBlockType = 2;    // header word 1
inline constexpr std::int32_t kId2 = 3;          // header word 2
inline constexpr std::int32_t kTotalLength = 4;  // header word 3, "TOT LEN"
inline constexpr std::int32_t kUsedLength = 5;   // header word 4, "PRT LEN"
inline constexpr std::int32_t kHeaderLength = 6; // header word 5, "HDR LEN"
inline constexpr std::int32_t kId6 = 7;          // header word 6
inline constexpr std::int32_t kAddress = 8;      // disk address; NODISK when never written
inline constexpr std::int32_t kLast = 9;         // 0
}  // namespace dpword

// Word k (1-9) of a disk pointer.
inline std::int32_t& dp(DiskPointer& pointer, std::int32_t k) {
  return pointer[static_cast<std::size_t>(k - 1)];
}
inline std::int32_t dp(const DiskPointer& pointer, std::int32_t k) {
  return pointer[static_cast<std::size_t>(k - 1)];
}

// An empty disk pointer: all words 0 but the address, NODISK.
inline DiskPointer emptyDiskPointer() {
  DiskPointer pointer{};
  dp(pointer, dpword::kAddress) = services::NODISK;
  return pointer;
}

}  // namespace storage
