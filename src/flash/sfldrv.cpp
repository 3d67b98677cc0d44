// SFLDRV: the stream flash driver. One stream of the open problem is flashed in place, in its
// own method set, by a flash kind that is turned into the specification code, tolerances and
// start values of the general flash.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/flashed_totals.hpp"
#include "flash/general_flash.hpp"
#include "flash/stream_flash.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/kept_values.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/phase/density_drivers.hpp"
#include "thermo/phase/flash_bounds.hpp"

namespace flash {
namespace {

namespace h = totals;
using services::FLTOL;
using services::RMISS;
using storage::CORSTO;
using storage::RealView;

// Header words of the stream besides those of the totals.
constexpr std::int32_t kVapourCompressibility = 3;
constexpr std::int32_t kLiquidCompressibility = 4;
constexpr std::int32_t kMethodSetWord = 20;  // i(20)
constexpr std::int32_t kStateWord = 8;       // i(8)
// i(8) of a flashed stream, and the digit added when the liquid split in two.
constexpr std::int32_t kFlashedState = 10002000;
constexpr std::int32_t kSplitDigit = 1000000;

// Component vectors of the main record.
constexpr std::size_t kFeedVector = 0;
constexpr std::size_t kVapourVector = 1;
constexpr std::size_t kLiquidVector = 2;
constexpr std::size_t kSolidVector = 3;

// Secondary record of the liquid-liquid split and its paging modes.
constexpr std::int32_t kSplitRecord = 3;
constexpr std::int32_t kBuild = 0;
constexpr std::int32_t kLoad = 1;
constexpr std::int32_t kWriteBack = 2;

// SRSET modes: 1 locked at level 1 and marked changed; 0 made current only.
constexpr std::int32_t kLocked = 1;
constexpr std::int32_t kPlain = 0;

// FLTOL words.
constexpr std::size_t kGeneralTolerance = 3;  // 1e-05
constexpr std::size_t kWaterOnly = 10;        // 0.999999

// FLSTAT words.
constexpr std::size_t kRunning = 1;
constexpr std::size_t kNoFreeWater = 3;
constexpr std::size_t kTemperatureIndex = 9;
constexpr std::size_t kDriceFlag = 11;
constexpr std::size_t kEstimateState = 13;
constexpr std::size_t kEstimatePointer = 14;

// Diagnostic switches.
constexpr int kDebugSwitch = 2;
constexpr int kVlleDumpSwitch = 22;
constexpr int kEstimateResetSwitch = 34;

// The TIMST2 slot of the driver.
constexpr std::size_t kTimingSlotSFLDRV = 18;

// The flash K-value array of the flash work space.
constexpr std::size_t kKValueArray = 5;

constexpr double kNoFlow = 1e-30;
constexpr double kPartlySolid = 1e-6;
constexpr double kFractionTolerance = 0.01;
constexpr double kWaterDewStart = 400.0;  // K, the start of a water dew point below freezing
constexpr double kFreezing = 273.0;       // K
constexpr std::int32_t kNoLookup = 50;    // the specification number that needs no record

// Specification codes of the general flash.
constexpr std::int32_t kCodeNone = 0;
constexpr std::int32_t kCodeFraction = 11;
constexpr std::int32_t kCodeSpecification = 12;
constexpr std::int32_t kCodeSpecificationValue = 13;
constexpr std::int32_t kCodeAdiabatic = 111;
constexpr std::int32_t kCodeIsentropic = 122;
constexpr std::int32_t kCodeEnthalpy = 123;
constexpr std::int32_t kCodeDew = 104;
constexpr std::int32_t kCodeWaterDew = 105;
constexpr std::int32_t kCodeHydrocarbonDew = 106;
constexpr std::int32_t kCodeBubble = 103;

// Words of a specification record as the driver reads them (SPCUR).
constexpr std::int32_t kToleranceType = 7;  // integer header word
constexpr std::int32_t kSpecValue = 1;      // real words
constexpr std::int32_t kOwnTolerance = 4;
constexpr std::int32_t kOperandType = 1;    // operand words
constexpr std::int32_t kOperandPhase = 10;
constexpr std::int32_t kOperandOptions = 11;
constexpr std::int32_t kOperandCode = 13;
constexpr std::int32_t kStreamProperty = 1;
constexpr std::int32_t kHierarchyProperty = 2;
constexpr std::int32_t kValueOperand = 12;   // word 10 of an operand that is a plain value
constexpr std::int32_t kVapourFractionCode = 219;
constexpr std::int32_t kLiquidFractionCode = 225;

constexpr std::int32_t code(StreamFlashStatus s) { return static_cast<std::int32_t>(s); }

std::int32_t& switchWord(int k) { return services::GDPOPT.words(100 + k); }

bool defined(std::int32_t methodCode) {
  return methodCode != 0 && methodCode != services::IMISS;
}

// Whether a K-value method code needs the wide component count (activity models and the
// external methods).
bool wide(std::int32_t methodCode) {
  return methods::MTISB(methodCode) || services::LMCODA(methodCode) == 1;
}

// A header word, 0.0 when missing.
double present(const problem::MainRecord& r, std::int32_t k) {
  const double v = r.real(k);
  return v < RMISS ? 0.0 : v;
}

// The vectors handed to the general flash; grown once to the problem's component count and
// kept, so that a warm call allocates nothing.
struct Scratch {
  std::vector<double> z, x, y, k;
  std::vector<double> work[7];  // A0-A6
  std::vector<std::int32_t> present;
  void fit(std::size_t n) {
    if (z.size() >= n) return;
    for (auto* v : {&z, &x, &y, &k}) v->assign(n, 0.0);
    for (auto& v : work) v.assign(n, 0.0);
    present.assign(n, 1);
  }
};
Scratch scratch;
const bool kScratchReset = services::registerKeptValues([] { scratch = Scratch{}; });

// The component vector V (0-based: feed, vapour, liquid, solid) of the working stream.
RealView streamVector(std::size_t v, std::int32_t n) {
  return CORSTO.reals(problem::SRPSET.set2.realSectors.at(v) + 1, n);
}

// The flags of the solids scan.
struct Solids {
  bool partly = false;   // a component is partly in the solid
  bool present = false;  // there is solid to keep aside
  bool all = true;       // the whole feed is solid
};

Solids scanSolids(const problem::MainRecord& r, std::int32_t ncs) {
  using problem::COHDR;
  namespace c = problem::cohdr;
  Solids f;
  const RealView z = streamVector(kFeedVector, ncs);
  const RealView s = streamVector(kSolidVector, ncs);
  const double solid = present(r, h::kSolidFraction);
  const auto zOf = [&](std::int32_t i) { return z[static_cast<std::size_t>(i - 1)]; };
  const auto sOf = [&](std::int32_t i) {
    const double v = s[static_cast<std::size_t>(i - 1)];
    return v < RMISS ? 0.0 : v;
  };
  const auto inVector = [ncs](std::int32_t i) { return i >= 1 && i <= ncs; };
  const std::int32_t fluidFirst = COHDR(c::kFirstOfRange + 1), fluidLast = COHDR(c::kLastOfRange + 1);
  const std::int32_t mixedFirst = COHDR(c::kFirstOfRange + 2), mixedLast = COHDR(c::kLastOfRange + 3);
  const std::int32_t partFirst = COHDR(c::kFirstOfRange + 3);
  const std::int32_t solidFirst = COHDR(c::kFirstOfRange + 4), solidLast = COHDR(c::kLastOfRange + 5);
  for (std::int32_t i = mixedFirst; i <= solidLast; ++i) {
    if (!inVector(i)) continue;
    const double zi = zOf(i), ti = solid * sOf(i);
    if (i >= partFirst && i <= mixedLast && zi > 0.0 && std::abs(ti) > 0.0 &&
        std::abs(zi - ti) / zi > kPartlySolid) {
      f.partly = true;
    }
    if (sOf(i) > 0.0 || (i >= solidFirst && zi > 0.0)) f.present = true;
    if (i <= mixedLast && zi > 0.0 && (zi - ti) / zi > kPartlySolid) f.all = false;
  }
  if (COHDR(c::kMolarSolids) == 0 && COHDR(c::kMassSolids) == 0) f.all = false;
  for (std::int32_t i = fluidFirst; i <= fluidLast && f.all; ++i) {
    if (inVector(i) && zOf(i) > 0.0) f.all = false;
  }
  return f;
}

// What the kind table and the specification record make of the call.
struct Settings {
  std::int32_t kind = 0;
  std::int32_t ispec = 0;
  std::int32_t ispcod = kCodeNone;
  double spvalu = 0.0;
  double sptol = 0.0;
  double gtol = 0.0;
  double ftotlq = 0.0;
};

// Reads the current specification: its tolerance type and the tolerance it names.
std::int32_t toleranceType() { return CORSTO[problem::SPCUR.integerSectors[0] + kToleranceType]; }
double ownTolerance() { return CORSTO.real(problem::SPCUR.realSector + kOwnTolerance); }
double namedTolerance() {
  const std::int32_t type = toleranceType();
  if (type >= 1 && type <= 4) return problem::SPCUR.globalTolerances.at(static_cast<std::size_t>(type - 1));
  return ownTolerance();
}
std::int32_t operandWord(std::int32_t operand, std::int32_t k) {
  return CORSTO[problem::SPCUR.integerSectors.at(static_cast<std::size_t>(operand)) + k];
}

// Kind 12: the specification record NSPEC decides the code, and may turn the flash into a
// fraction flash.
void specificationKind(problem::MainRecord& r, std::int32_t nspec, Settings& s) {
  if (nspec == kNoLookup) {
    s.ispcod = kCodeNone;
    return;
  }
  problem::VSSET(nspec, kPlain);
  s.sptol = namedTolerance();
  if (s.sptol == 0.0) s.sptol = kFractionTolerance;
  s.spvalu = CORSTO.real(problem::SPCUR.realSector + kSpecValue);
  if (operandWord(1, kOperandPhase) == kValueOperand) {
    s.ispcod = kCodeSpecificationValue;
    return;
  }
  s.ispcod = kCodeSpecification;
  const std::int32_t options = operandWord(1, kOperandOptions);
  const std::int32_t property = operandWord(1, kOperandCode);
  const std::int32_t second = operandWord(2, kOperandType);
  const bool alone = second <= 0 || (second == kHierarchyProperty &&
                                     operandWord(2, kOperandOptions) == options &&
                                     operandWord(2, kOperandCode) == property);
  const bool fraction = operandWord(1, kOperandType) == kStreamProperty && alone &&
                        (options / 100) % 10 == 2 && (options / 10) % 10 == 1;
  if (!fraction) return;
  if (property == kVapourFractionCode) {
    s.kind = static_cast<std::int32_t>(FlashType::VapourFraction);
    r.setReal(h::kVapourFraction, s.spvalu);
    s.ftotlq = 1.0 - s.spvalu;
  } else if (property == kLiquidFractionCode) {
    if (problem::THCTL.idecnt > 0 && options / 10000 == 2) {
      s.kind = static_cast<std::int32_t>(FlashType::HydrocarbonLiquid);
      r.setReal(h::kLiquidFraction, s.spvalu);
    } else {
      s.kind = static_cast<std::int32_t>(FlashType::LiquidFraction);
      s.ftotlq = s.spvalu;
      r.setReal(h::kVapourFraction, 1.0 - s.spvalu);
    }
  } else {
    return;
  }
  s.ispcod = kCodeFraction;
  if (toleranceType() == 4) s.sptol = s.gtol;
}

// The kind table: the code and the settings of each kind. False for a kind outside 1-12.
bool kindSettings(problem::MainRecord& r, std::int32_t nspec, std::int32_t itpfix, bool solids,
                  Settings& s) {
  const double specv = s.spvalu;
  switch (static_cast<FlashType>(s.kind)) {
    case FlashType::Isothermal:
      s.ispcod = kCodeNone;
      s.spvalu = 0.0;
      break;
    case FlashType::Adiabatic:
      s.ispcod = kCodeAdiabatic;
      s.spvalu = solids ? present(r, h::kEnthalpy) * r.real(h::kRate) + specv +
                              present(r, h::kSecondSolidEnthalpy) * present(r, h::kSecondSolidRate)
                        : present(r, h::kEnthalpy) + specv / r.real(h::kRate);
      break;
    case FlashType::Isentropic:
      s.ispcod = kCodeIsentropic;
      s.spvalu = present(r, h::kEntropy) + specv / r.real(h::kRate);
      break;
    case FlashType::Enthalpy:
      s.ispcod = kCodeEnthalpy;
      break;
    case FlashType::LiquidFraction:
      s.ispcod = kCodeFraction;
      r.setReal(h::kVapourFraction, 1.0 - specv);
      s.ftotlq = specv;
      s.sptol = kFractionTolerance;
      break;
    case FlashType::HydrocarbonLiquid:
      s.ispcod = kCodeFraction;
      r.setReal(h::kLiquidFraction, specv);
      s.sptol = kFractionTolerance;
      break;
    case FlashType::VapourFraction:
      s.ispcod = kCodeFraction;
      r.setReal(h::kVapourFraction, specv);
      s.ftotlq = 1.0 - specv;
      s.sptol = kFractionTolerance;
      break;
    case FlashType::Dew:
      s.ispcod = kCodeDew;
      break;
    case FlashType::WaterDew:
      s.ispcod = kCodeWaterDew;
      s.gtol = FLTOL(kGeneralTolerance) / 5.0;
      if (itpfix == 1 && r.real(h::kTemperature) < kFreezing) {
        r.setReal(h::kTemperature, kWaterDewStart);
      }
      break;
    case FlashType::HydrocarbonDew:
      s.ispcod = kCodeHydrocarbonDew;
      s.ftotlq = 0.0;
      break;
    case FlashType::Bubble:
      s.ispcod = kCodeBubble;
      break;
    case FlashType::Specification:
      specificationKind(r, nspec, s);
      break;
    default:
      return false;
  }
  // A fraction flash tied to a specification record takes that record's tolerance.
  const bool fractionKind = s.kind >= static_cast<std::int32_t>(FlashType::LiquidFraction) &&
                            s.kind <= static_cast<std::int32_t>(FlashType::VapourFraction);
  if (fractionKind && nspec > 0) {
    if (problem::SPCUR.item != nspec) problem::VSSET(nspec, kPlain);
    s.ispec = 0;
    s.sptol = toleranceType() == 4 ? s.gtol : ownTolerance();
  }
  return true;
}

// The result of a failed flash: the whole feed as vapour at the last T and P, with no phase
// enthalpies.
void failedResult(problem::MainRecord& r, std::int32_t nc) {
  r.integer(kStateWord) = 0;
  for (const std::int32_t k : {h::kWaterFraction, h::kWaterEnthalpy, h::kVapourEnthalpy,
                               h::kLiquidFraction, h::kLiquidEnthalpy}) {
    r.setReal(k, 0.0);
  }
  r.setReal(h::kVapourFraction, 1.0);
  const RealView z = streamVector(kFeedVector, nc), y = streamVector(kVapourVector, nc);
  for (std::size_t i = 0; i < static_cast<std::size_t>(nc); ++i) y.set(i, z[i]);
}

// The liquid-liquid record written back, and the split digit of the state word.
void keepSplit(problem::MainRecord& r) {
  std::int32_t istat = 0;
  problem::SRPAGE(kWriteBack, kSplitRecord, 1, istat);
  if (MPFRC1() > 0.0) r.integer(kStateWord) += kSplitDigit;
}

// The dump of a vapour-liquid-liquid result on the report unit.
void vlleDump(const problem::MainRecord& r, std::int32_t nc) {
  const std::int32_t out = services::IOUNIT.report;
  const double t = r.real(h::kTemperature);
  const RealView z = streamVector(kFeedVector, nc), y = streamVector(kVapourVector, nc),
                 x = streamVector(kLiquidVector, nc);
  if (MPFRC1() < 0.0) {
    writef(out, " VLLE DUMP ");
    writef(out, " LIQUID PHASE DID NOT SPLIT ");
    writef(out, "T = %12.4f K %12.4f C", t, t - 273.15);
    writef(out, "MOLE FRACS ...   FEED          VAPOR         LIQUID");
    for (std::size_t i = 0; i < static_cast<std::size_t>(nc); ++i) {
      writef(out, "%5zu          %12.6e  %12.6e  %12.6e", i + 1, z[i], y[i], x[i]);
    }
    return;
  }
  const double l1 = (1.0 - r.real(h::kVapourFraction)) * MPFRC1();
  const double l2 = 1.0 - r.real(h::kVapourFraction) - l1;
  writef(out, "--- VLLE DUMP ---");
  writef(out, "FRAC L1 = %12.6e FRAC L2 = %12.6e TEMP = %12.4f K %12.4f C", l1, l2, t, t - 273.15);
  phase::WKOFFS();
  const auto liquid = [](std::size_t k, std::size_t i) {
    return CORSTO.real(phase::WKOFFW.vectors[k][0] + static_cast<std::int32_t>(i) + 1);
  };
  writef(out, "      MOLE FRACTION                 VLE KVALUES   DIST'N COEFFS");
  for (std::size_t i = 0; i < static_cast<std::size_t>(nc); ++i) {
    const double x1 = liquid(0, i), x2 = liquid(1, i);
    const double k1 = y[i] / (x1 > 0.0 ? x1 : 1e-30);
    const double d = x2 / (x1 > 0.0 ? x1 : 1e-30);
    writef(out, "%5zu %12.6e %12.6e %12.6e %12.6e FEED %12.6e VAPOR %12.6e LIQUID %12.6e", i + 1,
           x1, x2, k1, d, z[i], y[i], x[i]);
  }
  writef(out, " END OF VLLE DUMP ");
}

}  // namespace

void SFLDRV(std::int32_t istrm, std::int32_t itpfix, std::int32_t kind, std::int32_t nspec,
            double specv, std::int32_t iflopt, std::int32_t ipass, double t, double p,
            std::int32_t& istat) {
  using problem::COHDR;
  namespace c = problem::cohdr;
  // 1. Entry.
  const services::RoutineTimer timer(kTimingSlotSFLDRV);
  if (switchWord(kEstimateResetSwitch) > 0) {
    FLSTAT.words(kEstimateState) = 0;
    FLSTAT.words(kEstimatePointer) = 0;
  }
  istat = code(StreamFlashStatus::Flashed);
  FLSTAT.words(kTemperatureIndex) = 0;
  FLSTAT.words(kDriceFlag) = 0;
  Settings s;
  s.kind = kind;
  s.ispec = nspec;
  s.spvalu = specv < RMISS ? 0.0 : specv;

  // 2. The stream, at the caller's T and P when given.
  problem::SRSET(istrm, kLocked);
  problem::MainRecord r(problem::SRPSET.set2);
  if (p > 0.0) r.setReal(h::kPressure, p);
  if (t > 0.0) r.setReal(h::kTemperature, t);

  // 3. Its method set.
  methods::FLMSET(FLSTAT.words(5), FLSTAT.words(6), FLSTAT.words(7), FLSTAT.words(8),
                  r.integer(kMethodSetWord));
  if (FLSTAT.words(kNoFreeWater) == 1) problem::THCTL.idecnt = 0;

  // 4-5. Solids, and the component count of the flash.
  const std::int32_t ncs = std::max(COHDR(c::kStreamComponents), 0);
  const Solids solids = scanSolids(r, ncs);
  const std::int32_t vle = methods::MSPTRS.classes(1).code;
  const std::int32_t lle = methods::MSPTRS.classes(2).code;
  std::int32_t nc = wide(vle) || wide(lle) ? COHDR(c::kLiquidComponents) : COHDR(c::kVapourComponents);
  if (solids.partly) {
    nc = COHDR(c::kLiquidComponents);
    if (!wide(vle) && !wide(lle) && (vle < 125 || vle > 128)) {
      services::MSGOUT(kMessageSolidInLiquid);
      istat = code(StreamFlashStatus::SolidsRefused);
      problem::SLTRST();
      FLSTAT.words(kEstimateState) = FLSTAT.words(kEstimatePointer) = FLSTAT.words(kRunning) = 0;
      return;
    }
  }
  nc = std::clamp(nc, 0, ncs);
  const std::int32_t ncomp = std::clamp(COHDR(c::kVapourComponents), 0, ncs);

  // 6. The liquid-liquid record.
  const bool splitCode = defined(lle);
  if (splitCode) {
    std::int32_t paged = 0;
    problem::SRPAGE(kLoad, kSplitRecord, 1, paged);
    if (paged == 1) problem::SRPAGE(kBuild, kSplitRecord, 1, paged);
    phase::WKOFFS();
  }

  std::int32_t save1 = 0, save2 = 0;
  [&] {
    // 7-9. Flow, the fixed-variable word and the components present.
    r.integer(kStateWord) = 0;
    const double rate = r.real(h::kRate);
    const bool solidFlow = r.real(h::kSecondSolidRate) >= kNoFlow &&
                           (kind == 1 || kind == 2 || kind == 4 || kind == 12);
    if (!(rate >= kNoFlow) && !solidFlow) {
      istat = code(StreamFlashStatus::NoFlow);
      return;
    }
    if (itpfix < 0 || itpfix > 2) {
      istat = code(StreamFlashStatus::BadFixedWord);
      return;
    }
    const RealView z = streamVector(kFeedVector, ncs), y = streamVector(kVapourVector, ncs),
                   x = streamVector(kLiquidVector, ncs);
    bool any = false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(ncs); ++i) {
      if (z[i] <= 0.0) {
        x.set(i, 0.0);
        y.set(i, 0.0);
      } else {
        any = true;
      }
    }
    FLSTAT.words(kRunning) = 1;
    if (!any && rate >= kNoFlow) {
      istat = code(StreamFlashStatus::NoFlow);
      return;
    }

    // 10. A feed of water alone starts with empty phases.
    const std::int32_t water = problem::THCTL.idecnt;
    if (water > 0 && water <= ncs && z[static_cast<std::size_t>(water - 1)] > FLTOL(kWaterOnly)) {
      for (std::size_t i = 0; i < static_cast<std::size_t>(nc); ++i) {
        x.set(i, 0.0);
        y.set(i, 0.0);
      }
    }

    // 11. Start values of a missing temperature or pressure.
    if (r.real(h::kTemperature) < RMISS || r.real(h::kPressure) < RMISS) {
      double ts = r.real(h::kTemperature), ps = r.real(h::kPressure);
      scratch.fit(static_cast<std::size_t>(ncs));
      z.copyTo(std::span<double>(scratch.z).first(static_cast<std::size_t>(ncs)));
      phase::FLCORR(ts, ps, scratch.z, nc);
      r.setReal(h::kTemperature, ts);
      r.setReal(h::kPressure, ps);
    }

    // 12-14. The kind's code and settings.
    s.gtol = FLTOL(kGeneralTolerance);
    if (!kindSettings(r, nspec, itpfix, solids.present, s)) {
      istat = code(StreamFlashStatus::BadKind);
      return;
    }

    // 15. Defaults of missing header words.
    const auto fill = [&r](std::int32_t k, double v) {
      if (r.real(k) < RMISS) r.setReal(k, v);
    };
    fill(kVapourCompressibility, 1.0);
    fill(h::kVapourZ, 1.0);
    fill(kLiquidCompressibility, 0.0);
    fill(h::kLiquidZ, 0.0);
    fill(h::kEnthalpy, 0.0);
    if (water <= 0) {
      fill(h::kWaterFraction, 0.0);
      fill(h::kWaterEnthalpy, 0.0);
      fill(h::kWaterHeatCapacity, 0.0);
    }

    // 16. A K-value method served outside the library has no flash here: the stream is left
    // as a failed flash leaves it, never marked flashed.
    if (services::LMCODA(vle) == 1 && !solids.all) {
      istat = code(StreamFlashStatus::Failed);
      failedResult(r, nc);
      if (splitCode) keepSplit(r);
      return;
    }

    // 17. The flash.
    const auto n = static_cast<std::size_t>(ncs);
    scratch.fit(std::max<std::size_t>(n, 1));
    std::fill_n(scratch.present.begin(), n, 1);
    std::fill_n(scratch.work[2].begin(), n, 0.0);
    std::fill_n(scratch.work[4].begin(), n, 0.0);
    problem::THCTL.xwd = 0.0;
    problem::THCTL.ywd = 0.0;
    problem::THCTL.partialPressure = r.real(h::kPressure);
    if (solids.present) {
      problem::SRSAVE(istrm, save1);
      problem::SRSAVE(istrm, save2);
      problem::SRSET(istrm, kLocked);
    }
    std::int32_t jerr = 0;
    problem::MainRecord w(problem::SRPSET.set2);
    if (solids.all) {
      w.setReal(h::kVapourFraction, 0.0);
      w.setReal(h::kLiquidFraction, 0.0);
      w.setReal(h::kWaterFraction, 0.0);
      HTOTFL(istat);
    } else {
      if (save1 > 0) {
        problem::SRSCAL();
        FLSTAT.words(kTemperatureIndex) = problem::SRPSET.set2.realSector1 + h::kTemperature;
      }
      const RealView zf = streamVector(kFeedVector, ncs), yf = streamVector(kVapourVector, ncs),
                     xf = streamVector(kLiquidVector, ncs);
      const std::span<double> zs = std::span<double>(scratch.z).first(n);
      const std::span<double> xs = std::span<double>(scratch.x).first(n);
      const std::span<double> ys = std::span<double>(scratch.y).first(n);
      zf.copyTo(zs);
      xf.copyTo(xs);
      yf.copyTo(ys);
      for (std::size_t i = 0; i < n; ++i) {
        if (xs[i] < RMISS) xs[i] = 0.0;
        if (ys[i] < RMISS) ys[i] = 0.0;
      }
      const std::int32_t kArray = problem::FWPART.realOffset(kKValueArray);
      const bool kKept = kArray != services::NOCORE && problem::FWPART.realSize(kKValueArray) >= nc;
      if (kKept && nc > 0) {
        CORSTO.reals(kArray + 1, nc).copyTo(std::span<double>(scratch.k).first(static_cast<std::size_t>(nc)));
      }
      GeneralFlash g;
      g.KFTYPE = s.kind;
      g.IOUT1 = services::IOUNIT.report;
      g.IOUT2 = services::IOUNIT.output;
      g.NC = nc;
      g.NCOMP = ncomp;
      g.KOPT2 = (iflopt / 10) % 10;
      g.IDEBUG = switchWord(kDebugSwitch);
      g.IEOS = FLSTAT.words(6);
      g.IOPT7 = FLSTAT.words(7);
      g.KXFLAG = FLSTAT.words(5);
      g.ISNO = istrm;
      g.ISAVE1 = save1;
      g.ISAVE2 = save2;
      g.MSGOFF = services::IOUNIT.input;
      g.ITPFIX = itpfix;
      g.IPRES = std::span<std::int32_t>(scratch.present).first(n);
      g.ISPEC = s.ispec;
      g.ISPCOD = s.ispcod;
      g.KOPT1 = iflopt % 10;
      g.IPASS = ipass;
      g.Z = zs;
      g.X = xs;
      g.Y = ys;
      g.XK = std::span<double>(scratch.k).first(n);
      g.XSTOR = std::span<double>(scratch.work[0]).first(n);
      g.YSTOR = std::span<double>(scratch.work[1]).first(n);
      g.DXNEW = std::span<double>(scratch.work[2]).first(n);
      g.DXOLD = std::span<double>(scratch.work[3]).first(n);
      g.DYNEW = std::span<double>(scratch.work[4]).first(n);
      g.DYOLD = std::span<double>(scratch.work[5]).first(n);
      g.XKSTOR = std::span<double>(scratch.work[6]).first(n);
      g.T = w.real(h::kTemperature);
      g.P = w.real(h::kPressure);
      g.GFLSH = 0.0;
      g.GTOL = s.gtol;
      g.FTOTLQ = s.ftotlq;
      g.FLIQHC = present(w, h::kLiquidFraction);
      g.FWATER = present(w, h::kWaterFraction);
      g.FVAPOR = present(w, h::kVapourFraction);
      g.SPVALU = s.spvalu;
      g.SPTOL = s.sptol;
      g.ISOLID = solids.partly ? 1 : 0;
      g.TSTART = t;
      g.PSTART = p;
      FLASHG(g);
      jerr = g.JERR;
      // The general flash leaves its state in the stream; its phases are set once more here
      // from its arguments, with the K-values in the flash work array.
      problem::MainRecord f(problem::SRPSET.set2);
      f.setReal(h::kTemperature, g.T);
      f.setReal(h::kPressure, g.P);
      f.setReal(h::kVapourFraction, g.FVAPOR);
      f.setReal(h::kLiquidFraction, g.FLIQHC);
      f.setReal(h::kWaterFraction, g.FWATER);
      const auto m = static_cast<std::size_t>(nc);
      streamVector(kVapourVector, nc).assign(ys.first(m));
      streamVector(kLiquidVector, nc).assign(xs.first(m));
      if (kKept && nc > 0) CORSTO.reals(kArray + 1, nc).assign(g.XK.first(m));

      // Water alone that came out as liquid is free water.
      if (water > 0 && water <= ncs) {
        std::int32_t count = 0;
        for (std::size_t i = 0; i < n; ++i) count += zs[i] > 0.0 ? 1 : 0;
        if (count == 1 && zs[static_cast<std::size_t>(water - 1)] > 0.0 &&
            f.real(h::kLiquidFraction) > 0.0 && f.real(h::kWaterFraction) <= 0.0) {
          f.setReal(h::kWaterFraction, f.real(h::kLiquidFraction));
          f.setReal(h::kLiquidFraction, 0.0);
        }
      }
      if (save1 > 0) {
        const double tf = CORSTO.real(FLSTAT.words(kTemperatureIndex));
        FLSTAT.words(kTemperatureIndex) = 0;
        const double pf = f.real(h::kPressure);
        problem::SRRSTR(istrm, save2, save1);
        problem::SRCOPY(save2, istrm);
        problem::MainRecord full(problem::SRPSET.set2);
        full.setReal(h::kTemperature, tf);
        full.setReal(h::kPressure, pf);
      }
    }

    // 18. The result.
    problem::MainRecord f(problem::SRPSET.set2);
    if (jerr == 1) {
      istat = code(StreamFlashStatus::Failed);
      failedResult(f, nc);
    } else {
      f.integer(kStateWord) = kFlashedState;
      f.setReal(h::kEnthalpy, present(f, h::kLiquidFraction) * present(f, h::kLiquidEnthalpy) +
                                  present(f, h::kVapourFraction) * present(f, h::kVapourEnthalpy) +
                                  present(f, h::kWaterFraction) * present(f, h::kWaterEnthalpy) +
                                  present(f, h::kSolidFraction) * present(f, h::kSolidEnthalpy));
    }
    if (splitCode) keepSplit(f);
    methods::FLCTL2.words(5) = 0.0;
    if (splitCode && switchWord(kVlleDumpSwitch) > 0) vlleDump(f, nc);
  }();

  // 19. The save streams go; the stream stays current.
  if (save1 > 0) problem::SRKILL(save1);
  if (save2 > 0) problem::SRKILL(save2);
  problem::SRSET(istrm, kPlain);

  // 20. Exit.
  problem::SLTRST();
  FLSTAT.words(kEstimateState) = 0;
  FLSTAT.words(kEstimatePointer) = 0;
  FLSTAT.words(kRunning) = 0;
}

}  // namespace flash
