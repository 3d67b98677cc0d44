// The method sets at open: the default set made current, the user-added K-value methods
// set up, and the flash work space partitioned for the largest set in use.
//
// DBSTUP, DBSSTR, PARTTN and DBSFLG keep the names of the open sequence they belong to; they
// live with the method sets because each of them switches sets.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "methods/methods.hpp"
#include "methods/slots.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace methods {
namespace {

using problem::COHDR;
using problem::DBSLOT;
using problem::FlashPartition;
using problem::FWPART;
using problem::kFlashIntegerArrays;
using problem::kFlashRealArea;
using problem::kFlashRealArrays;
using problem::MDLBAS;
using problem::THMISC;
namespace cohdr = problem::cohdr;

using services::NOCORE;

constexpr std::int32_t kInUse = 2;
constexpr std::int32_t kDefaultSetWord = 6;  // of integer sector 2 of the TH settings
constexpr std::int32_t kWaterFreeHeader = 1;  // set header word 5: no free-water component
constexpr std::int32_t kThreePhaseMinimum = 2;
constexpr std::int32_t kThreePhaseLiquids = 3;
constexpr std::size_t kWorkSpaceSwitch = 116;  // GDPOPT word of diagnostic switch 16

// Codes of a method slot; IMISS counts as none.
std::int32_t slotCode(std::size_t slot) {
  const std::int32_t code = MSPTRS.classes(slot).code;
  return code == services::IMISS ? 0 : code;
}

// Arrays of the partition by their size rule.
constexpr std::array<std::size_t, 8> kByLiquidComponents{3, 5, 6, 9, 10, 13, 18, 26};
constexpr std::array<std::size_t, 12> kByVapourComponents{4, 7, 8, 20, 21, 22,
                                                         24, 35, 43, 44, 49, 50};
constexpr std::array<std::size_t, 3> kBySquaredVapour{25, 29, 30};
constexpr std::array<std::size_t, 4> kVleByLiquid{11, 12, 46, 52};
constexpr std::array<std::size_t, 5> kVleByVapour{14, 15, 16, 17, 45};
constexpr std::array<std::size_t, 2> kLleByLiquid{19, 51};
constexpr std::array<std::size_t, 2> kSeventhByVapour{47, 48};
constexpr std::array<std::size_t, 4> kThreePhaseByLiquid{53, 54, 55, 56};

// The views: arrays that share the space of another.
struct View {
  std::size_t array;
  std::size_t over;
  bool liquid;  // length K29, else K28
};
constexpr std::array<View, 10> kViews{{{23, 22, true},
                                       {33, 22, true},
                                       {34, 35, true},
                                       {36, 13, true},
                                       {37, 13, false},
                                       {38, 13, true},
                                       {39, 13, false},
                                       {40, 13, true},
                                       {41, 13, false},
                                       {42, 13, false}}};

void grow(std::int32_t& size, std::int64_t value) {
  const auto v = static_cast<std::int32_t>(std::min<std::int64_t>(value, INT32_MAX));
  size = std::max(size, v);
}

std::string i10(std::int32_t value) {
  std::string text = std::to_string(value);
  return text.size() >= 10 ? text : std::string(10 - text.size(), ' ') + text;
}

}  // namespace

std::int32_t DBSFLG(std::int32_t v) {
  streamFlashControl.setupFlag = v;
  return 0;
}

std::int32_t DBSTUP(std::int32_t /*opt*/, std::int32_t /*oldw*/) {
  LDSTAT.address = 0;
  LDSTAT.length = 0;
  const std::int32_t settings = THMISC.integerSector2;
  THCTL.defaultSet = settings == NOCORE ? 0 : storage::CORSTO[settings + kDefaultSetWord];
  THCTL.currentSet = problem::kNoCurrentSet;
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  // A problem without a default set has none to make current.
  if (THCTL.defaultSet > 0) FLMSET(d3, d4, d5, ndig, THCTL.defaultSet);
  DBSFLG(0);
  DBSSTR();
  return 0;
}

std::int32_t DBSSTR() {
  for (std::int32_t k = 1; k <= THCTL.setCount; ++k) {
    if (DBSLOT(k) != kInUse) continue;
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    FLMSET(d3, d4, d5, ndig, k);
    const std::int32_t code = slotCode(1);
    if (code < kFirstUserMethod || code > kLastUserMethod) continue;

    // 1. The user routine answers the set-up query once; its return flag is kept.
    const std::int32_t flag = userKValueSetUp(code);
    // 2-3. No free water for a set without one; the set's option word.
    if (THCTL.noFreeWater == kWaterFreeHeader) THCTL.idecnt = 0;
    const std::int32_t option = (THCTL.idecnt > 0 ? 100000 : 0) + 100 * flag + 2;
    storage::CORSTO[MSPTRS.integerSectors(4) + 1] = option;
    // 4. The set's block written back under its index entry.
    services::FixedText<12> name;
    storage::DiskPointer pointer{};
    std::array<std::int32_t, 1> data{};
    std::int32_t status = 0;
    storage::FBINUM(1, problem::THIDX.index, k, name, pointer, data, status);
    if (status != 0) storage::SBDPCL(pointer);
    std::int32_t moved = 0;
    FCREAD(static_cast<std::int32_t>(SetBlockMode::Write), THCTL.blockLength, THCTL.blockArea,
           pointer, moved);
    storage::FBINUM(2, problem::THIDX.index, k, name, pointer, data, status);
  }
  return 0;
}

std::int32_t PARTTN(std::int32_t& rtot, std::int32_t& itot, std::int32_t opt) {
  FlashPartition& w = FWPART;
  // 1. Nothing sized yet.
  w.realSize.fill(0);
  w.integerSize.fill(0);
  for (std::size_t k = 7; k <= 12; ++k) w.setupWords(k) = 0;
  THCTL.currentSet = 0;
  std::int64_t m = 0;

  // 2. The sizes every set in use needs.
  for (std::int32_t k = 1; k <= THCTL.setCount; ++k) {
    if (DBSLOT(k) != kInUse) continue;
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    FLMSET(d3, d4, d5, ndig, k);
    const std::int64_t k4 = COHDR(cohdr::kStreamComponents);
    const std::int64_t k28 = COHDR(cohdr::kVapourComponents);
    const std::int64_t k29 = COHDR(cohdr::kLiquidComponents);
    grow(w.integerSize(1), k4);
    grow(w.integerSize(2), k4);
    grow(w.realSize(2), 7 * k29);
    const std::int32_t vle = slotCode(1);
    const std::int32_t lle = slotCode(2);
    services::FixedText<12> name;
    MSETNM(name, k);
    const bool threePhase = name.trimmed() != "NOPOLYSYH" &&
                            (name.trimmed() == "POLYSYH" || MTISC(vle) || MTISC(lle));
    if (threePhase) {
      m = std::max<std::int64_t>(m, kThreePhaseMinimum);
      if (lle != 0) m = kThreePhaseLiquids;
      grow(w.realSize(1), (10 * m + 18) * k29 + 14 * m + 15);
      grow(w.realSize(2), 7 * k29 + 6 +
                              2 * (m * (m + 1) * k29 * k29 + (14 * k29 + 32 * m + 41) * k29 +
                                   k29 * (k29 + 1) / 2 + 35 * m));
      for (std::size_t a : kThreePhaseByLiquid) grow(w.realSize(a), k29);
    }
    for (std::size_t a : kByLiquidComponents) grow(w.realSize(a), k29);
    for (std::size_t a : kByVapourComponents) grow(w.realSize(a), k28);
    for (std::size_t a : kBySquaredVapour) grow(w.realSize(a), k28 * k28);
    grow(w.realSize(27), k29 * k29);
    if (vle > 0) {
      for (std::size_t a : kVleByLiquid) grow(w.realSize(a), k29);
      for (std::size_t a : kVleByVapour) grow(w.realSize(a), k28);
      grow(w.realSize(28), k29 * k29);
    }
    if (lle != 0) {
      for (std::size_t a : kLleByLiquid) grow(w.realSize(a), k29);
    }
    const std::int32_t seventh = slotCode(7);
    if (seventh == 1 || seventh == 5 || services::LMCODA(seventh) != 0) {
      for (std::size_t a : kSeventhByVapour) grow(w.realSize(a), k28);
    }
  }

  // 3-4. The offsets: an unused array lies at the base with one element.
  const std::int32_t realBase = opt == 1 ? 0 : MDLBAS.realBase(kFlashRealArea);
  const std::int32_t integerBase = opt == 1 ? 0 : MDLBAS.integerBase;
  const auto place = [](auto& sizes, auto& offsets, std::int32_t count, std::int32_t base) {
    std::int64_t running = base;
    for (std::size_t a = 1; a <= static_cast<std::size_t>(count); ++a) {
      if (sizes(a) == 0) {
        offsets(a) = base;
        sizes(a) = 1;
      } else {
        offsets(a) = static_cast<std::int32_t>(running);
        running += sizes(a);
      }
    }
    return running;
  };
  const std::int64_t realEnd = place(w.realSize, w.realOffset, kFlashRealArrays, realBase);
  const std::int64_t integerEnd =
      place(w.integerSize, w.integerOffset, kFlashIntegerArrays, integerBase);
  rtot = static_cast<std::int32_t>(opt == 1 ? realEnd : realEnd - realBase + 1);
  itot = static_cast<std::int32_t>(opt == 1 ? integerEnd : integerEnd - integerBase + 1);

  // 5. The totals on the report, when asked for.
  if (services::GDPOPT.words(kWorkSpaceSwitch) != 0) {
    platform::writeLine(
        services::IOUNIT.report,
        "**** PARTTN **** TOTAL  REAL   FLASH WORK SPACE (LPRFLW) IS" + i10(rtot) + " WORDS");
    platform::writeLine(
        services::IOUNIT.report,
        "**** PARTTN **** TOTAL INTEGER FLASH WORK SPACE (LPRFLW) IS" + i10(itot) + " WORDS");
  }
  // The arrays must lie inside the areas got for them.
  if (opt != 1 && (rtot > MDLBAS.realSize(kFlashRealArea) || itot > MDLBAS.integerSize)) {
    services::ERRITM("REAL", rtot);
    services::ERRITM("AVAIL", MDLBAS.realSize(kFlashRealArea));
    services::ERRITM("INTEGER", itot);
    services::ERRITM("AVAIL", MDLBAS.integerSize);
    services::ABTRPT("DB", "PARTTN", "PAOPEN", "FLASH WORK SPACE TOO SMALL");
  }

  // 6. The views; no set current. The caches of the kernels were reset when the open began
  // (resetKeptValues).
  const std::int32_t k28 = COHDR(cohdr::kVapourComponents);
  const std::int32_t k29 = COHDR(cohdr::kLiquidComponents);
  for (const View& v : kViews) {
    w.realOffset(v.array) = w.realOffset(v.over);
    w.realSize(v.array) = v.liquid ? k29 : k28;
  }
  THCTL.currentSet = 0;
  return 0;
}

}  // namespace methods
