// Method descriptor decoding: the flat per-property method entries that the property
// routines read, built from the set block of the method set just loaded.
//
// An entry holds the method code of a slot, the units digit of its option word and the disk
// address and length of its parameter block, which the parameter-block loaders bring into
// core on demand. The K-value entry takes its block words and option digit from every
// method-set switch; the liquid-fugacity entry serves the activity-coefficient route.
#include <cstdint>

#include "methods/methods.hpp"
#include "methods/set_block.hpp"

namespace methods {
namespace {

using services::NODISK;
using setblock::Slot;
namespace sb = setblock;

// Liquid-enthalpy and liquid-density codes of the second liquid model: the entry then holds
// code 1 without a block.
constexpr std::int32_t kFirstSecondLiquidCode = 417;
constexpr std::int32_t kLastSecondLiquidCode = 420;
constexpr std::int32_t kPlainEntryCode = 1;
// Liquid-enthalpy codes that add the thousands digit of the liquid-fugacity option.
constexpr std::int32_t kFirstEnthalpyOptionCode = 418;
// The slot-17 code whose vapour-phase terms the liquid fugacity leaves out.
constexpr std::int32_t kIdealVapourCode = 107;

// Parts of the liquid-fugacity composite option.
constexpr std::int32_t kHenryOption = 10000;
constexpr std::int32_t kEnthalpyOption = 1000;
constexpr std::int32_t kVapourTermsOption = 110;
constexpr std::int32_t kPureLiquidOption = 1;

constexpr std::int32_t kKValueSlotWord = 1;

bool isSecondLiquidModel(std::int32_t code) {
  return code >= kFirstSecondLiquidCode && code <= kLastSecondLiquidCode;
}

// The code, option digit and parameter block of SLOT into ENTRY; its slot word is kept.
void copySlot(Slot slot, MethodEntry& entry) {
  const sb::ParameterBlock block = sb::slotBlock(slot);
  entry.code = sb::slotCode(slot);
  entry.option = sb::decimalDigit(sb::slotOptionWord(slot), 0);
  entry.blockAddress = block.address;
  entry.blockLength = block.length;
}

// The entry of a slot whose codes 417 to 420 name the second liquid model: code 1 without a
// block; otherwise the slot itself.
void copyLiquidSlot(Slot slot, MethodEntry& entry) {
  copySlot(slot, entry);
  if (isSecondLiquidModel(entry.code)) {
    entry.code = kPlainEntryCode;
    entry.blockAddress = NODISK;
    entry.blockLength = 0;
  }
}

// The liquid-fugacity entry and the Henry's-law flag for the K-value code.
void decodeLiquidFugacity(std::int32_t kvalueCode) {
  KValueMethods& k = KMCTL;
  MethodEntry& entry = k.liquidFugacity;
  if (!MTISB(kvalueCode)) {
    entry.code = 0;
    entry.option = 0;
    entry.slot = 0;
    entry.blockAddress = NODISK;
    entry.blockLength = 0;
    k.henryFlag = 0;
    return;
  }
  // option = 10000 (Henry's law) + 1000 (liquid enthalpy 418-420) + 110 (vapour-phase
  // terms unless slot 17 holds 107) + 1 (pure-liquid fugacity from header word 8).
  entry.code = kvalueCode;
  const bool henry = sb::slotCode(Slot::Henry) > 0;
  k.henryFlag = henry ? 1 : 0;
  std::int32_t option = henry ? kHenryOption : 0;
  const std::int32_t enthalpy = sb::slotCode(Slot::LiquidEnthalpy);
  if (enthalpy >= kFirstEnthalpyOptionCode && enthalpy <= kLastSecondLiquidCode) {
    option += kEnthalpyOption;
  }
  if (sb::slotCode(Slot::VapourFugacity) != kIdealVapourCode) option += kVapourTermsOption;
  if (sb::headerWord(sb::kPureLiquidFugacity) == 1) option += kPureLiquidOption;
  entry.option = option;
  entry.slot = kKValueSlotWord;
  const sb::ParameterBlock block = sb::slotBlock(Slot::KValue);
  entry.blockAddress = block.address;
  entry.blockLength = block.length;
}

// The per-class table of MSPTRS that the parameter-block loaders read: each slot's code,
// option word, scratch sizes (integer sectors 5 and 6: real, then integer) and parameter
// block; and the set header's pure-liquid flag.
void describeClasses() {
  MethodSetPointers& pointers = MSPTRS;
  for (std::int32_t s = 1; s <= sb::kSlots; ++s) {
    const auto slot = static_cast<Slot>(s);
    MethodClass& c = pointers.classes(static_cast<std::size_t>(s));
    const sb::ParameterBlock block = sb::slotBlock(slot);
    c.code = sb::slotCode(slot);
    c.optionWord = sb::slotOptionWord(slot);
    c.realWork = sb::integerWord(sb::kRealScratchSector, s);
    c.integerWork = sb::integerWord(sb::kIntegerScratchSector, s);
    c.blockAddress = block.address;
    c.blockLength = block.length;
  }
  pointers.firstClassFlag = sb::headerWord(sb::kPureLiquidFugacity);
}

}  // namespace

void FCOPTS() {
  // 0. The per-class table of the parameter-block loaders.
  describeClasses();

  // 1. The K-value entry: its code and slot; its block and option digit come from FLMSET.
  KValueMethods& k = KMCTL;
  k.kvalue.slot = kKValueSlotWord;
  k.levelWord = 1;
  k.kvalue.code = sb::slotCode(Slot::KValue);

  // 2. The liquid fugacity of the activity-coefficient route.
  decodeLiquidFugacity(k.kvalue.code);

  // 3. Vapour enthalpy.
  copySlot(Slot::VapourEnthalpy, PMCTL3.vapourEnthalpy);

  // 4. Liquid enthalpy, and the second liquid model when slot 6 names one.
  PropertyMethods2& p2 = PMCTL2;
  copyLiquidSlot(Slot::LiquidEnthalpy, p2.liquidEnthalpy);
  const std::int32_t enthalpy = sb::slotCode(Slot::LiquidEnthalpy);
  if (isSecondLiquidModel(enthalpy)) {
    const sb::ParameterBlock block = sb::slotBlock(Slot::LiquidEnthalpy);
    p2.secondLiquidCode = enthalpy;
    p2.secondLiquidAddress = block.address;
    p2.secondLiquidLength = block.length;
  } else {
    p2.secondLiquidCode = 0;
    p2.secondLiquidAddress = NODISK;
    p2.secondLiquidLength = 0;
  }

  // 5. Entropies and vapour density.
  PropertyMethods1& p1 = PMCTL1;
  copySlot(Slot::VapourEntropy, p1.vapourEntropy);
  copySlot(Slot::LiquidEntropy, p1.liquidEntropy);
  copySlot(Slot::VapourDensity, p1.vapourDensity);

  // 6. Liquid density.
  copyLiquidSlot(Slot::LiquidDensity, p1.liquidDensity);

  // 7. The vapour-phase fugacity of the activity-coefficient route.
  copySlot(Slot::VapourFugacity, THDXCH.vapourFugacity);

  // 8. Transport properties.
  PropertyMethods4& p4 = PMCTL4;
  copySlot(Slot::VapourViscosity, p4.vapourViscosity);
  copySlot(Slot::LiquidViscosity, p4.liquidViscosity);
  copySlot(Slot::VapourConductivity, p4.vapourConductivity);
  copySlot(Slot::LiquidConductivity, p4.liquidConductivity);
  copySlot(Slot::SurfaceTension, p4.surfaceTension);
}

}  // namespace methods
