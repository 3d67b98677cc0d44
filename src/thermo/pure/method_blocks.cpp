// The loaders of the method parameter blocks: MDLODC and MDLODE for the K-value and activity
// classes, LDWORK for the liquid density. One block is held in the shared block area at a
// time (LDSTAT); a load reads from disk only when another block is wanted.
#include <cstdint>

#include "methods/methods.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/cubic_terms.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace pure {
namespace {

using methods::LDSTAT;
using services::NODISK;
using storage::SBCUR;
using storage::SectorKind;

// Parts of the activity variant code of MDLODE.
constexpr std::int32_t kHenryVariant = 10000;
constexpr std::int32_t kSecondLiquidVariant = 1000;
constexpr std::int32_t kVapourTermsVariant = 110;
constexpr std::int32_t kFirstClassVariant = 1;
constexpr std::int32_t kIdealVapourCode = 107;
constexpr std::int32_t kFirstSecondLiquid = 418;
constexpr std::int32_t kLastSecondLiquid = 420;
constexpr std::int32_t kHenryClass = 18;
constexpr std::int32_t kEnthalpyClass = 6;
constexpr std::int32_t kVapourFugacityClass = 17;
constexpr std::int32_t kLiquidLiquidClass = 2;

const methods::MethodClass& methodClass(std::int32_t k) {
  return methods::MSPTRS.classes(static_cast<std::size_t>(k));
}

// The start and length of sector S of KIND of the current sub-block; 0 and 0 when absent.
void sectorOf(SectorKind kind, std::int32_t s, std::int32_t& start, std::int32_t* length) {
  const bool present = SBCUR.count(kind) >= s;
  start = present ? SBCUR.pointer(kind, s) : 0;
  if (length != nullptr) *length = present ? SBCUR.length(kind, s) : 0;
}

void clearSectors() {
  LDSTAT.integerSector1 = LDSTAT.integerSector2 = 0;
  LDSTAT.realSector1 = LDSTAT.realSector2 = 0;
  LDSTAT.integerLength1 = LDSTAT.realLength1 = 0;
  LDSTAT.integerLength2 = LDSTAT.realLength2 = 0;
}

// Reads the block at ADDRESS of LENGTH words into the block area (grown when it does not
// fit) and describes its sectors. The terms kept for the block held before are forgotten.
void readBlock(std::int32_t address, std::int32_t length) {
  const std::int32_t reals = (length + 1) / 2;
  if (LDSTAT.blockArea == services::NOCORE || LDSTAT.blockAreaReals < reals) {
    LDSTAT.blockArea = storage::ICMGTR(reals, 0);
    LDSTAT.blockAreaReals = reals;
  }
  forgetHeldCubicTerms();
  LDSTAT.address = address;
  LDSTAT.length = length;
  storage::SBWRD(storage::IPDTOI(LDSTAT.blockArea), length, address);
  sectorOf(SectorKind::Integer, 1, LDSTAT.integerSector1, &LDSTAT.integerLength1);
  sectorOf(SectorKind::Integer, 2, LDSTAT.integerSector2, &LDSTAT.integerLength2);
  sectorOf(SectorKind::Real, 1, LDSTAT.realSector1, &LDSTAT.realLength1);
  sectorOf(SectorKind::Real, 2, LDSTAT.realSector2, &LDSTAT.realLength2);
}

}  // namespace

void setMethodScratch(std::int32_t integerWords, std::int32_t realWords) {
  methods::PMCTL2.integerScratchSize = integerWords;
  methods::PMCTL2.realScratchSize = realWords;
  const std::int32_t reals =
      (integerWords > 0 ? integerWords : 0) / 2 + 1 + (realWords > 0 ? realWords : 0);
  if (LDSTAT.workArea == services::NOCORE || LDSTAT.workAreaReals < reals) {
    LDSTAT.workArea = storage::ICMGTR(reals, 0);
    LDSTAT.workAreaReals = reals;
  }
  LDSTAT.integerScratch = storage::IPDTOI(LDSTAT.workArea);
  LDSTAT.realScratch = (LDSTAT.integerScratch + (integerWords > 0 ? integerWords : 0) + 1) / 2;
}

void loadMethodBlock(std::int32_t address, std::int32_t length) {
  // A real address is at least 1,000,001: file code times a million plus the record.
  if (address != LDSTAT.address && address != NODISK && address > 0) readBlock(address, length);
}

void MDLODC(std::int32_t k) {
  const methods::MethodClass& c = methodClass(k);
  if (!methods::MTISB(c.code)) {
    setMethodScratch(c.integerWork, c.realWork);
    loadMethodBlock(c.blockAddress, c.blockLength);
  } else {
    setMethodScratch(1, 1);
  }
}

void MDLODE(std::int32_t k) {
  const methods::MethodClass& c = methodClass(k);
  setMethodScratch(c.integerWork, c.realWork);
  loadMethodBlock(c.blockAddress, c.blockLength);
  // The activity slot: method word, variant code and class.
  std::int32_t variant = methodClass(kHenryClass).code > 0 ? kHenryVariant : 0;
  const std::int32_t liquid = methodClass(kEnthalpyClass).code;
  if (liquid >= kFirstSecondLiquid && liquid <= kLastSecondLiquid) variant += kSecondLiquidVariant;
  if (k != kLiquidLiquidClass) {
    if (methodClass(kVapourFugacityClass).code != kIdealVapourCode) variant += kVapourTermsVariant;
    if (methods::MSPTRS.firstClassFlag == 1) variant += kFirstClassVariant;
  }
  methods::KMCTL.liquidFugacity.code = c.code;
  methods::KMCTL.liquidFugacity.option = variant;
  methods::KMCTL.liquidFugacity.slot = k;
}

void LDWORK() {
  // 1. The work lengths of the liquid-density class and the scratch bases.
  const methods::MethodClass& c = methodClass(kLiquidDensityClass);
  setMethodScratch(c.integerWork, c.realWork);
  // 2-3. The block of the liquid-density entry.
  const std::int32_t address = methods::PMCTL1.liquidDensity.blockAddress;
  if (address == LDSTAT.address) {
    if (address == NODISK) clearSectors();
    return;
  }
  if (address == NODISK) {
    LDSTAT.address = 0;
    LDSTAT.length = 0;
    clearSectors();
    return;
  }
  readBlock(address, methods::PMCTL1.liquidDensity.blockLength);
}

}  // namespace pure
