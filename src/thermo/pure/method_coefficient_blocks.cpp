// MDLOD1 to MDLOD9: the coefficient-block loaders of the phase property methods. One
// routine, loadEntry, serves the nine property entries.
#include "thermo/pure/method_coefficient_blocks.hpp"

#include <cstdint>

#include "methods/methods.hpp"
#include "services/markers.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace pure {
namespace {

using methods::LDSTAT;
using services::NODISK;

// What a loader does with an entry that has no block.
enum class WithoutBlock { Unchanged, Cleared };

// The block results of LDSTAT: nothing held.
void clearBlockResults() {
  LDSTAT.address = 0;
  LDSTAT.length = 0;
  LDSTAT.integerSector1 = LDSTAT.integerSector2 = 0;
  LDSTAT.realSector1 = LDSTAT.realSector2 = 0;
  LDSTAT.integerLength1 = LDSTAT.realLength1 = 0;
  LDSTAT.integerLength2 = LDSTAT.realLength2 = 0;
}

// One loader call for the block (ADDRESS, LENGTH) of an entry whose work lengths stand
// under property index K.
std::int32_t loadEntry(std::int32_t k, std::int32_t address, std::int32_t length,
                       WithoutBlock without) {
  const methods::MethodClass& c = methods::MSPTRS.classes(static_cast<std::size_t>(k));
  pure::setMethodScratch(c.integerWork, c.realWork);
  // A real address is at least 1,000,001: file code times a million plus the record.
  const bool namesBlock = address != NODISK && address > 0;
  if (namesBlock) {
    pure::loadMethodBlock(address, length);
  } else if (without == WithoutBlock::Cleared) {
    clearBlockResults();
  }
  return 0;
}

std::int32_t loadEntry(std::int32_t k, const methods::MethodEntry& entry, WithoutBlock without) {
  return loadEntry(k, entry.blockAddress, entry.blockLength, without);
}

}  // namespace

std::int32_t MDLOD1() {
  return loadEntry(kVapourEnthalpyIndex, methods::PMCTL3.vapourEnthalpy, WithoutBlock::Unchanged);
}

std::int32_t MDLOD2() {
  return loadEntry(kLiquidEnthalpyIndex, methods::PMCTL2.liquidEnthalpy, WithoutBlock::Unchanged);
}

std::int32_t MDLOD3() {
  return loadEntry(kLiquidEnthalpyIndex, methods::PMCTL2.secondLiquidAddress,
                   methods::PMCTL2.secondLiquidLength, WithoutBlock::Unchanged);
}

std::int32_t MDLOD4() {
  return loadEntry(kVapourEntropyIndex, methods::PMCTL1.vapourEntropy, WithoutBlock::Unchanged);
}

std::int32_t MDLOD5() {
  return loadEntry(kLiquidEntropyIndex, methods::PMCTL1.liquidEntropy, WithoutBlock::Unchanged);
}

std::int32_t MDLOD6() {
  return loadEntry(kVapourDensityIndex, methods::PMCTL1.vapourDensity, WithoutBlock::Cleared);
}

std::int32_t MDLOD7() {
  return loadEntry(kVapourFugacityIndex, methods::THDXCH.vapourFugacity, WithoutBlock::Unchanged);
}

std::int32_t MDLOD8() {
  return loadEntry(kSurfaceTensionIndex, methods::PMCTL4.surfaceTension, WithoutBlock::Cleared);
}

std::int32_t MDLOD9() {
  return loadEntry(kVapourViscosityIndex, methods::PMCTL4.vapourViscosity, WithoutBlock::Cleared);
}

}  // namespace pure
