// The set block of the current method set, as the switch and the descriptor decoding read it
// through MSPTRS. Private to the method-set layer.
//
// A set block is one sub-block with 17 integer sectors and 5 disk-pointer sectors of 9-word
// pointers. Integer sector 1 is the set header (24 words); sectors 3 to 17 hold one word per
// method slot (19 slots): 3 the method code (IMISS: no method), 4 the option word, 5 and 6
// the real and integer scratch sizes of the method, 9 the number of the slot's
// parameter-block pointer in disk-pointer sector 3. Disk-pointer sector 1 holds 5 pointers
// (1 the inspection-property store, 2 the user special-property store), sectors 2 to 5 hold
// 19 each; pointer 1 of sector 5 names the set's own component block.
#pragma once

#include <cstdint>

#include "methods/methods.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"

namespace methods::setblock {

inline constexpr std::int32_t kSlots = 19;
inline constexpr std::int32_t kIntegerSectors = 17;
inline constexpr std::int32_t kPointerSectors = 5;
inline constexpr std::int32_t kHeaderWords = 24;
inline constexpr std::int32_t kPointerWords = 9;
inline constexpr std::int32_t kStorePointers = 5;

// Integer sectors.
inline constexpr std::int32_t kHeaderSector = 1;
inline constexpr std::int32_t kCodeSector = 3;
inline constexpr std::int32_t kOptionSector = 4;
inline constexpr std::int32_t kRealScratchSector = 5;
inline constexpr std::int32_t kIntegerScratchSector = 6;
inline constexpr std::int32_t kBlockNumberSector = 9;

// Disk-pointer sectors.
inline constexpr std::int32_t kParameterBlocks = 3;
inline constexpr std::int32_t kComponentBlock = 5;

// Words of the set header.
inline constexpr std::int32_t kFreeWaterComponent = 1;       // the free-water component index
inline constexpr std::int32_t kWaterOption = 2;              // the water-handling option
inline constexpr std::int32_t kWaterPropertyMethod = 3;      // first water-property option
inline constexpr std::int32_t kWaterPropertyCorrection = 4;  // second water-property option
inline constexpr std::int32_t kNoFreeWater = 5;         // 1: the set has no free-water component
inline constexpr std::int32_t kPureLiquidFugacity = 8;  // 1: pure-liquid fugacity from 1231

// Method slots that the switch and the decoding name.
enum class Slot : std::int32_t {
  KValue = 1,
  LiquidLiquid = 2,
  LiquidEnthalpy = 6,
  VapourEnthalpy = 7,
  LiquidDensity = 8,
  VapourDensity = 9,
  LiquidEntropy = 10,
  VapourEntropy = 11,
  LiquidViscosity = 12,
  VapourViscosity = 13,
  LiquidConductivity = 14,
  VapourConductivity = 15,
  SurfaceTension = 16,
  VapourFugacity = 17,
  Henry = 18,
};

// Word K of integer sector S of the current set block.
inline std::int32_t integerWord(std::int32_t s, std::int32_t k) {
  return storage::CORSTO[MSPTRS.integerSectors(static_cast<std::size_t>(s)) + k];
}

// Word W (1-9) of pointer J of disk-pointer sector S of the current set block.
inline std::int32_t pointerWord(std::int32_t s, std::int32_t j, std::int32_t w) {
  return storage::CORSTO[MSPTRS.pointerSectors(static_cast<std::size_t>(s)) +
                         kPointerWords * (j - 1) + w];
}

inline std::int32_t headerWord(std::int32_t k) { return integerWord(kHeaderSector, k); }

inline std::int32_t slotCode(Slot slot) {
  return integerWord(kCodeSector, static_cast<std::int32_t>(slot));
}

inline std::int32_t slotOptionWord(Slot slot) {
  return integerWord(kOptionSector, static_cast<std::int32_t>(slot));
}

// Digit PLACE (0 the units, 1 the tens ...) of a decimal option word.
inline std::int32_t decimalDigit(std::int32_t word, int place) {
  for (int k = 0; k < place; ++k) word /= 10;
  return word % 10;
}

// The parameter block of a slot: pointer b of disk-pointer sector 3, b being the slot's
// block number. A block number outside 1 to 19 names no block.
struct ParameterBlock {
  std::int32_t address = services::NODISK;
  std::int32_t length = 0;
};

inline ParameterBlock slotBlock(Slot slot) {
  const std::int32_t b = integerWord(kBlockNumberSector, static_cast<std::int32_t>(slot));
  if (b < 1 || b > kSlots) return {};
  return {pointerWord(kParameterBlocks, b, storage::dpword::kAddress),
          pointerWord(kParameterBlocks, b, storage::dpword::kTotalLength)};
}

}  // namespace methods::setblock
