// Reid vapour pressure by flash (SPERV1, SPERV2) and its hot-volume pressure search.
#include "streamprops/reid_flash.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

#include "flash/flash.hpp"
#include "methods/methods.hpp"
#include "problem/component_data.hpp"
#include "problem/method_set_control.hpp"
#include "problem/streams.hpp"
#include "services/kept_values.hpp"
#include "services/markers.hpp"
#include "services/numeric.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/basis_vectors.hpp"
#include "streamprops/true_vapour_pressure.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"

namespace streamprops {
namespace {

namespace sr = problem::srmain;

// Units: kPa to psi, on the TVP of SPERV1's entry and everywhere else.
constexpr double kPsiExact = 0.14503729343414307;
constexpr double kPsi = 0.1450373;
constexpr double kAtmospherePsi = 14.6959;
constexpr double kAtmosphere = 101.325;  // kPa

constexpr double kPreset = 0.96;          // RVP preset: 0.96 TVP
constexpr double kLowTvp = 4.0;           // psi: below it the low-pressure formula
constexpr double kWhole = 0.9999995;      // all water, all liquid, all vapour
constexpr double kAbsent = 5.0e-7;        // a smaller phase fraction does not count
constexpr double kHundredF = 310.928;     // K, the TVP of the prepared sample
constexpr double kHotTemperature = 310.92777777777775;  // K, 100 F
constexpr double kChilledProcess = 275.3722222222222;   // K, 36 F
constexpr double kChilledTest = 273.7055555555556;      // K, 33 F

constexpr double kAirChamber = 4.0;  // liquid volumes
constexpr double kHotVolume = 5.0;   // liquid volumes
// Molar volumes of air, m3/kmol: of method 3; at 33 F and 1 atm (saturation); at 100 F and
// 1 atm ("D323", "D4953"); of the evacuated chamber of "D5191".
constexpr double kProcessAirVolume = 24.13464;
constexpr double kSaturationAirVolume = 22.45958;
constexpr double kChamberAirVolume = 25.51395;
constexpr double kEvacuatedVolume = 37495.14;
// "D323" with a water component: 3.999 volumes of air and 0.001 of water (molar volume of
// liquid water, m3/kmol).
constexpr double kD323Air = 3.999;
constexpr double kD323Water = 0.001;
constexpr double kWaterVolume = 0.01817295;
constexpr std::int32_t kSaturationPasses = 3;

// The flashes.
constexpr double kFlashTolerance = 1.0e-5;
constexpr double kTemperatureStep = 30.0;  // K, the largest step of T handed to the flash
// Header words of the compressibility factors.
constexpr std::int32_t kVapourZ = 3;
constexpr std::int32_t kLiquidZ = 4;
// The pressure search.
constexpr double kStartFraction = 0.95;
constexpr double kHighestStart = 69000.0;  // kPa
constexpr double kRestartHigh = 6900.0;    // kPa
constexpr double kStepUp = 1.1, kStepDown = 0.9, kStepLinear = 0.1, kStepFar = 1.9;
constexpr double kDistinct = 5.0e-8;
constexpr double kLargestStep = 0.49;
constexpr float kConverged = 0.005f;
constexpr double kAccepted = 0.01;
constexpr double kBracketedError = 0.00999;
constexpr double kSmallStep = 1.0e-4;  // psi
constexpr std::int32_t kSmallStepLimit = 5;
constexpr std::int32_t kIterationLimit = 20;
// The air of a composition without an air component, added as a pressure.
constexpr double kAirZ = 0.94;
constexpr double kAirZCubic = 0.957;  // K-value methods 101 and 116
constexpr double kGasConstant = 8.314471;  // kJ/(kmol K): kPa m3/(kmol K)
// "D5191": the report value from the total pressure.
constexpr double kD5191Slope = 0.965;
constexpr double kD5191Offset = 0.548;

// Component codes of air and water.
constexpr std::int32_t kAirCode = 16020010;
constexpr std::int32_t kAirCodeOther = 16020160;
constexpr std::int32_t kWaterCode = 16020200;

constexpr std::size_t kDebugWord = 126;  // GDPOPT: special-property debug level
constexpr std::size_t kPrintWord = 102;  // GDPOPT: the flash's print level

// Kept so that a warm call allocates nothing; every problem open frees it.
struct Scratch {
  std::vector<double> feed, x, y, k, xstor, ystor, dxnew, dxold, dynew, dyold, kstor, tvpY, tvpK,
      tc;
  std::vector<std::int32_t> present;
  void size(std::size_t n) {
    for (auto* v : {&feed, &x, &y, &k, &xstor, &ystor, &dxnew, &dxold, &dynew, &dyold, &kstor,
                    &tvpY, &tvpK, &tc}) {
      if (v->size() < n) v->resize(n);
    }
    if (present.size() < n) present.resize(n);
  }
};
Scratch scratch;
const bool kReset = services::registerKeptValues([] { scratch = Scratch{}; });

std::int32_t debugLevel() { return services::GDPOPT.words(kDebugWord); }

template <typename... A>
void trace(const char* format, A... args) {
  std::array<char, 160> line{};
  const int n = std::snprintf(line.data(), line.size(), format, args...);
  if (n > 0) {
    services::RPLINE(std::string_view(line.data(), std::min<std::size_t>(static_cast<std::size_t>(n),
                                                                          line.size() - 1)));
  }
}

// The component code at position I (1-based).
std::int32_t componentCode(std::int32_t i) {
  return storage::CORSTO[problem::COPTRS.integerSector(1) + i];
}
// The first component whose code is CODE, 0 for none.
std::int32_t componentWithCode(std::int32_t n, std::int32_t code) {
  for (std::int32_t i = 1; i <= n; ++i) {
    if (componentCode(i) == code) return i;
  }
  return 0;
}
std::int32_t airComponent(std::int32_t n) {
  const std::int32_t air = componentWithCode(n, kAirCode);
  return air > 0 ? air : componentWithCode(n, kAirCodeOther);
}

// Message N with the stream's label in the first long text.
void labelMessage(std::int32_t n, std::int32_t isrnum, bool secondInteger) {
  std::array<char, 75> label{};
  SPSTRN(label, 11, isrnum, " ", " ");
  services::MSGPAR.longTexts(1).assign(std::string_view(label.data(), label.size()));
  if (secondInteger) services::MSGPAR.integers(2) = 1;
  services::MSGOUT(n);
}

// One call's sample: the temporary stream with its flash, the saved method set and
// streams, and the values that the steps share.
class Sample {
 public:
  Sample(const char* routine, std::int32_t isrnum, std::int32_t nc, std::int32_t& ier,
         double& rvp)
      : routine_(routine), isrnum_(isrnum), n_(static_cast<std::size_t>(std::max(nc, 0))),
        nc_(nc), ier_(ier), rvp_(rvp) {}

  // Steps 5 to 8 of the common entry; false when the exit is reached (RVP set).
  bool enter(std::int32_t metuse, std::span<const double> x);
  // The exit of every path after the sample exists.
  void leave();

  // The flash at T and P of the sample's feed, the water words and the vapour-pressure
  // cache reset first; true when it solved. CLEAR starts from no phases.
  bool flashAt(double t, double p, bool clear);
  // The sample's feed normalised and written to its overall vector.
  void normalise();
  // The feed replaced by the hydrocarbon liquid of the last flash (normalised), the phases
  // cleared.
  void takeLiquid();
  void setRate(double rate) { record().setReal(sr::kRate, rate); }
  // The TVP at 100 F of the feed; t and the preset RVP follow it. False on a failed one.
  bool newTvp(std::int32_t metuse);
  // The low-pressure formula below 4 psi; true when it gave the RVP.
  bool lowPressure();
  // SPERV3: the hot-volume pressure search. Steps come from XEXTRP, kept inside the
  // tightest bracket of the hot volume the flashes have shown; it ends converged within
  // 0.5 % of VTOT, or on a bracket narrower than 1e-4 psi (VERR then 0.00999), else with
  // status 8 or 9 and the preset RVP.
  //   vapflg  in  1 when the chilled flash of method 3 had vapour
  //   iair    in  the air component, 0 none (the air is then added as a pressure)
  //   rair    in  kmol of air for the air chamber
  //   vtot    in  the hot volume, m3 (five chilled liquid volumes)
  //   trate   in  total kmol of the sample
  void search(std::int32_t vapflg, std::int32_t iair, double rair, double vtot, double trate);

  std::span<double> feed() { return {scratch.feed.data(), n_}; }
  double vapourFraction() const { return a_.FVAPOR; }
  double liquidFraction() const { return a_.FLIQHC; }
  // Volumes of the last flash (SRPHTO): total, vapour, liquid, all wet.
  void volumes(double& vtot, double& vv, double& vl) const {
    double vtot1 = 0.0, vv1 = 0.0, vl1 = 0.0;
    std::int32_t ierr = 0;
    SRPHTO(vtot1, vtot, vv1, vv, vl1, vl, ierr);
  }

  double tvp_ = 0.0;  // kPa
  double t_ = 0.0;    // psi
  double verr_ = 0.0;

 private:
  problem::MainRecord record() const { return problem::MainRecord(problem::SRPSET.set2); }
  void clearPhases();

  const char* routine_;
  std::int32_t isrnum_;
  std::size_t n_;
  std::int32_t nc_;
  std::int32_t& ier_;
  double& rvp_;
  std::int32_t savedSet_ = 0, saved1_ = 0, saved2_ = 0, sample_ = 0;
  flash::IsothermalFlash a_;
};

bool Sample::enter(std::int32_t metuse, std::span<const double> x) {
  savedSet_ = problem::THCTL.currentSet;
  std::int32_t w1 = 0, w2 = 0, w3 = 0, w4 = 0;
  SPFLST(w1, w2, w3, w4, metuse);
  if (services::LMCODA(methods::KMCTL.kvalue.code) == 1) {
    rvp_ = services::DMISS;
    std::int32_t d1 = 0, d2 = 0, d3 = 0, d4 = 0;
    SPFLST(d1, d2, d3, d4, savedSet_);
    return false;
  }
  // The flash needs the critical temperatures; without them in core there is no RVP (the
  // method set is put back by leave).
  if (!problem::COPTRS.inCore(problem::ComponentReal::CriticalTemperature)) {
    rvp_ = services::DMISS;
    return false;
  }
  saved2_ = problem::SRPSET.set2.stream;
  saved1_ = problem::SRPSET.set1.stream;
  std::int32_t istat = 0;
  problem::SRCREA(3, " ", sample_, istat);
  problem::SRSET(sample_, 1);

  scratch.size(n_);
  const std::int32_t w = problem::THCTL.idecnt;
  if (w > 0 && static_cast<std::size_t>(w) <= n_ && x[static_cast<std::size_t>(w - 1)] > kWhole) {
    rvp_ = 0.0;
    return false;
  }
  std::copy(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n_), scratch.feed.begin());
  std::fill_n(scratch.present.begin(), n_, 1);
  setRate(1.0);
  clearPhases();

  // The flash at fixed T and P: its arguments that stay for the call.
  const storage::RealView tc = storage::CORSTO.reals(
      problem::COPTRS.realSector(problem::ComponentReal::CriticalTemperature) + 1, nc_);
  for (std::size_t i = 0; i < n_; ++i) scratch.tc[i] = tc[i];
  a_.IOUT = services::DBUNIT.reportFile;
  a_.NC = a_.NCOMP = nc_;
  a_.IDEBUG = services::GDPOPT.words(kPrintWord);
  a_.IPRES = std::span<std::int32_t>(scratch.present.data(), n_);
  const auto view = [this](std::vector<double>& v) { return std::span<double>(v.data(), n_); };
  a_.Z = view(scratch.feed);
  a_.X = view(scratch.x);
  a_.Y = view(scratch.y);
  a_.XK = view(scratch.k);
  a_.XSTOR = view(scratch.xstor);
  a_.YSTOR = view(scratch.ystor);
  a_.DXNEW = view(scratch.dxnew);
  a_.DXOLD = view(scratch.dxold);
  a_.DYNEW = view(scratch.dynew);
  a_.DYOLD = view(scratch.dyold);
  a_.XKSTOR = view(scratch.kstor);
  a_.TCRIT = std::span<const double>(scratch.tc.data(), n_);
  normalise();
  return true;
}

void Sample::leave() {
  if (sample_ > 0) {
    problem::SRKILL(sample_);
    problem::SRPSET.set2.stream = 0;
    if (saved2_ > 0) problem::SRSET(saved2_, 0);
    if (saved1_ > 0) problem::SRSETT(saved1_);
  }
  std::int32_t d1 = 0, d2 = 0, d3 = 0, d4 = 0;
  SPFLST(d1, d2, d3, d4, savedSet_);
  if (debugLevel() > 0) {
    trace(" LEAVING %s - IER=%d  RVP(PSI)= %g VERR= %g", routine_, ier_, rvp_, verr_);
  }
}

void Sample::clearPhases() {
  problem::MainRecord m = record();
  for (const std::int32_t k : {sr::kWaterFraction, sr::kVapourFraction, sr::kLiquidFraction}) {
    m.setReal(k, 0.0);
  }
  m.setReal(kVapourZ, 1.0);
  m.setReal(kLiquidZ, 0.0);
  for (std::size_t i = 0; i < n_; ++i) {
    scratch.x[i] = scratch.y[i] = 0.0;
    scratch.k[i] = 1.0;
    m.setVector(sr::kVapour, static_cast<std::int32_t>(i + 1), 0.0);
    m.setVector(sr::kLiquid, static_cast<std::int32_t>(i + 1), 0.0);
  }
  a_.FTOTLQ = a_.FLIQHC = a_.FWATER = a_.FVAPOR = 0.0;
}

void Sample::normalise() {
  services::NORMLZ(nc_, feed());
  problem::MainRecord m = record();
  for (std::size_t i = 0; i < n_; ++i) {
    m.setVector(sr::kOverall, static_cast<std::int32_t>(i + 1), scratch.feed[i]);
  }
}

void Sample::takeLiquid() {
  std::copy_n(scratch.x.begin(), n_, scratch.feed.begin());
  normalise();
  clearPhases();
}

bool Sample::flashAt(double t, double p, bool clear) {
  if (clear) {
    clearPhases();
    problem::THCTL.xwd = 0.0;
    problem::THCTL.ywd = 0.0;
  }
  problem::MainRecord m = record();
  m.setReal(sr::kTemperature, t);
  m.setReal(sr::kPressure, p);
  equilibrium::restartVapourPressureCache();
  // A fresh start (no estimate, K-values from the K-value routine), nothing iterated.
  a_.INITFL = 0;
  a_.KXFLAG = 0;
  a_.ITPFIX = 0;
  a_.IFFAIL = flash::kFlashSolved;
  a_.KCDRV = 0;
  a_.IFIXLW = 0;
  a_.KXOPT = 1;
  a_.KXNEW = 1;
  a_.KTRIV = 0;
  a_.TRATE = m.real(sr::kRate);
  a_.T = t;
  a_.P = p;
  a_.GTOL = kFlashTolerance;
  a_.DVSTEP = {kTemperatureStep, 0.0};
  const std::int32_t w = problem::THCTL.idecnt;
  a_.ZWFEED = w > 0 && static_cast<std::size_t>(w) <= n_ ? scratch.feed[static_cast<std::size_t>(w - 1)] : 0.0;
  a_.ZV = m.real(kVapourZ);
  a_.ZL = m.real(kLiquidZ);
  a_.KLLE = 0;
  flash::FLASTP(a_);
  if (a_.IFFAIL != flash::kFlashSolved && a_.IFFAIL != flash::kFlashPureComponent) return false;
  // The split into the sample's record.
  m.setReal(sr::kTemperature, a_.T);
  m.setReal(sr::kPressure, a_.P);
  m.setReal(kVapourZ, a_.ZV);
  m.setReal(kLiquidZ, a_.ZL);
  m.setReal(sr::kWaterFraction, a_.FWATER);
  m.setReal(sr::kVapourFraction, a_.FVAPOR);
  m.setReal(sr::kLiquidFraction, a_.FLIQHC);
  for (std::size_t i = 0; i < n_; ++i) {
    m.setVector(sr::kVapour, static_cast<std::int32_t>(i + 1), scratch.y[i]);
    m.setVector(sr::kLiquid, static_cast<std::int32_t>(i + 1), scratch.x[i]);
  }
  return true;
}

bool Sample::newTvp(std::int32_t metuse) {
  std::int32_t status = 0;
  SPETVP(isrnum_, metuse, nc_, kHundredF, feed(), std::span<double>(scratch.tvpY.data(), n_),
         std::span<double>(scratch.tvpK.data(), n_), status, tvp_);
  ier_ = status;
  t_ = tvp_ * kPsi;
  rvp_ = kPreset * t_;
  if (debugLevel() > 0) {
    trace(" %s..   NEW TVP(KPA)= %g  TVP(PSIA)= %g  IER=%d", routine_, tvp_, t_, ier_);
  }
  return status <= 0;
}

bool Sample::lowPressure() {
  if (!(t_ < kLowTvp)) return false;
  rvp_ = (1.0 - (8.0 - t_) / 100.0) * t_;
  return true;
}

void Sample::search(std::int32_t vapflg, std::int32_t iair, double rair, double vtot,
                    double trate) {
  const std::int32_t level = debugLevel();
  if (level > 0) trace(" ENTERED SPERV3.....HOT VOLUME SPEC = VTOT=%g", vtot);
  double p = iair > 0 ? tvp_ : kStartFraction * tvp_;
  p = std::min(p, kHighestStart);
  record().setReal(sr::kTemperature, kHotTemperature);
  std::int32_t iter = 1, smallSteps = 0, bounded = 0;
  bool extrapolating = false;
  std::array<double, 3> gs{}, ps{};
  double p1 = p, previous = p;
  // The wet liquid volume of the latest flash with liquid, for the air's space below.
  double hotLiquid = vtot / kHotVolume;
  bool onBracket = false;
  // The tightest pair of pressures around the hot volume that the flashes have shown: the
  // highest with too much volume and the lowest with too little. The volume falls as the
  // pressure rises, so the root lies between them while low < high.
  double low = 0.0, high = 0.0, highLiquid = 0.0;
  bool seenLow = false, seenHigh = false;
  enum class Outcome { Converged, StepTooSmall, NotConverged } outcome = Outcome::Converged;
  for (;;) {
    if (level > 1) trace(" SPERV3.. ITER%d PNEW=%g", iter, p);
    p = flash::VARLIM(2, kHotTemperature, p, previous, bounded);
    previous = p;
    if (!flashAt(kHotTemperature, p, false)) {
      ier_ = static_cast<std::int32_t>(ReidStatus::HotFlashFailed);
      labelMessage(kReidFlashFailed, isrnum_, false);
      return;
    }
    double volc = 0.0, vv = 0.0, vl = 0.0;
    volumes(volc, vv, vl);
    if (vl > 0.0) hotLiquid = vl;
    const double vdif = volc - vtot;
    verr_ = vtot != 0.0 ? vdif / vtot : services::DMISS;
    if (level > 0) trace(" SPERV3.. ITER%d    P=%g VOLC=%g VDIF=%g", iter, p, volc, vdif);
    if (std::abs(static_cast<float>(verr_)) <= kConverged) break;
    if (vdif < 0.0) {
      if (!seenHigh || p < high) {
        high = p;
        highLiquid = vl;
      }
      seenHigh = true;
    } else {
      if (!seenLow || p > low) low = p;
      seenLow = true;
    }
    if (vapflg == 1 && vdif > 0.0 && !(vapourFraction() > 0.0)) {
      ier_ = static_cast<std::int32_t>(ReidStatus::VapourLost);
      return;
    }
    if (iter == 1) {
      gs.fill(vdif);
      ps.fill(p);
      p1 = p;
      iter = 2;
      if (p >= kHighestStart) {
        p = vdif > 0.0 ? tvp_ : kRestartHigh;
      } else {
        p = vdif > 0.0 ? kStepUp * p : kStepDown * p;
      }
      continue;
    }
    if (iter > kIterationLimit) {
      outcome = Outcome::NotConverged;
      break;
    }
    if (!extrapolating) {
      if (iter <= 3) {
        gs[static_cast<std::size_t>(iter - 1)] = vdif;
        ps[static_cast<std::size_t>(iter - 1)] = p;
      } else {
        gs = {gs[1], gs[2], vdif};
        ps = {ps[1], ps[2], p};
      }
      const double tolerance = kDistinct * std::abs(gs[0]);
      extrapolating = std::abs(gs[1] - gs[0]) > tolerance ||
                      (iter >= 3 && std::abs(gs[2] - gs[0]) > tolerance);
      if (!extrapolating) {
        if (vdif > 0.0) {
          p = iter <= 2 ? p + kStepLinear * p1 : kStepFar * p;
        } else {
          p = iter <= 2 ? p - kStepLinear * p1 : kStepLinear * p;
        }
        ++iter;
        continue;
      }
    }
    double dx = 0.0;
    services::XEXTRP(iter, vdif, p, gs, ps, kLargestStep * p, dx);
    const bool anyNegative = std::any_of(gs.begin(), gs.end(), [](double v) { return v < 0.0; });
    const bool anyOther = std::any_of(gs.begin(), gs.end(), [](double v) { return !(v < 0.0); });
    const bool bracket = anyNegative && anyOther;
    if (level > 1) {
      trace(" SPERV3.. AFTER XEXTRP");
      trace("         VS %g %g %g", ps[0], ps[1], ps[2]);
      trace("         GS %g %g %g", gs[0], gs[1], gs[2]);
      trace("         DELXPR= %g  DVSI= %g", dx, dx * kPsi);
    }
    if (bracket) smallSteps = 0;
    // The three points that XEXTRP keeps may all lie on one side of a root the search has
    // already bracketed: its small step across a nearby root drops the point beyond it.
    // Where the volume jumps, as at a three-phase line, the search then follows secants of
    // one side far away and runs out of iterations. Steps stay inside the bracket the
    // flashes have shown (its middle when the step would leave it), and a bracket narrower
    // than the smallest step is converged as a bracketing history is.
    const bool kept = seenLow && seenHigh && low < high;
    if (kept && (high - low) * kPsi < kSmallStep) {
      verr_ = kBracketedError;
      onBracket = true;
      break;
    }
    if (kept && !(p + dx > low && p + dx < high)) dx = 0.5 * (low + high) - p;
    if (std::abs(dx) * kPsi < kSmallStep) {
      if (bracket) {
        verr_ = kBracketedError;
        onBracket = true;
        break;
      }
      ++smallSteps;
      if (level > 0) trace(" SPERV3... NSSTEP=%d", smallSteps);
      if (smallSteps > kSmallStepLimit) {
        outcome = Outcome::StepTooSmall;
        break;
      }
    }
    ++iter;
    p += dx;
  }

  // The result: the hot pressure with the air, less the atmosphere.
  if (std::abs(verr_) <= kAccepted) {
    if (iair == 0) {
      const std::int32_t code = methods::KMCTL.kvalue.code;
      const double zair = code == 101 || code == 116 ? kAirZCubic : kAirZ;
      const double vf = vapourFraction();
      const double zv = record().real(kVapourZ);
      // The air's pressure per mole, RT over its space: from the vapour of a flash that met
      // the hot volume; otherwise (no vapour, or the search closed on a bracket whose flashes
      // lie on either side of it, as a pure liquid's do) from the hot volume less the liquid.
      // The latter replaces 7510/VTOT, the field-unit form (psia ft3/lbmol) of
      // 1.25 R T / VTOT, which in kPa and m3/kmol overstated the air 2.3 times.
      // On a bracket the liquid at the root is that of its side with too little volume,
      // whose flash left (nearly) all of it liquid; the other side's flash may have boiled
      // off a part that the root keeps, as at a three-phase line.
      if (onBracket && seenHigh && highLiquid > 0.0) hotLiquid = highLiquid;
      const double space = vtot - hotLiquid;
      double a = 0.0;
      if (vf > 0.0 && trate * zv != 0.0 && !onBracket) {
        a = p / (vf * trate * zv);
      } else if (space > 0.0) {
        a = kGasConstant * kHotTemperature / space;
      } else {
        a = kGasConstant * kHotTemperature / ((1.0 - 1.0 / kHotVolume) * vtot);
      }
      problem::THCTL.partialPressure = p;
      const double ppair = zair * rair * a;
      if (level > 1) {
        trace(" SPERV3... NO AIR --   PPHC=%g  PPAIR=%g", p, ppair);
        trace("                  --  VFRAC=%g   ZAIR=%g", vf, zair);
      }
      p += ppair;
      if (level > 1) trace("                  -- FPRESS=%g", p);
    }
    rvp_ = p * kPsi - kAtmospherePsi;
  }
  if (outcome != Outcome::Converged) {
    labelMessage(kReidNotConverged, isrnum_, true);
    ier_ = static_cast<std::int32_t>(outcome == Outcome::StepTooSmall ? ReidStatus::StepTooSmall
                                                                      : ReidStatus::NotConverged);
    if (level > 0) {
      trace(" .. WARNING ..  STREAM %d  RVP CALCULATION DID NOT CONVERGE", isrnum_);
      if (outcome == Outcome::StepTooSmall) {
        trace("               PRESSURE STEP IS LESS THAN 0.0001 PSI");
      } else {
        trace("               AFTER %d ITERATIONS", kIterationLimit);
      }
      trace("               ABS. RELATIVE ERROR =%g", std::abs(verr_));
    }
  }
  if (level > 1) trace(" LEAVING SPERV3 - IER=%d", ier_);
}

// Steps 1 to 4 of the common entry: true when the flashes are to run.
bool commonEntry(const char* routine, std::int32_t isrnum, std::span<const double> x,
                 std::size_t n, double tvp, double psi, std::int32_t ier, double& rvp, double& t) {
  const std::int32_t level = debugLevel();
  if (level > 1) trace(" ENTERED %s - STREAM%d", routine, isrnum);
  if (level > 2) {
    trace(" COMP    MOLE FRN");
    for (std::size_t i = 0; i < n; ++i) {
      if (x[i] > 0.0) trace(" %zu, %g  /*", i + 1, x[i]);
    }
  }
  rvp = 0.0;
  if (!std::any_of(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n),
                   [](double v) { return v > 0.0; })) {
    return false;
  }
  if (!(tvp > 0.0)) {
    rvp = services::DMISS;
    return false;
  }
  t = tvp * psi;
  if (level > 0) trace(" %s.. INPUT TVP(KPA)= %g  TVP(PSIA)= %g  IER=%d", routine, tvp, t, ier);
  rvp = kPreset * t;
  return ier <= 0;
}

}  // namespace

void SPERV1(std::int32_t isrnum, std::int32_t metuse, std::int32_t nc, std::span<const double> x,
            double tvp, std::int32_t& ier, double& rvp) {
  const auto n = static_cast<std::size_t>(std::max(nc, 0));
  double t = 0.0;
  if (!commonEntry("SPERV1", isrnum, x, n, tvp, kPsiExact, ier, rvp, t)) return;
  Sample s("SPERV1", isrnum, nc, ier, rvp);
  s.tvp_ = tvp;
  s.t_ = t;
  const std::int32_t level = debugLevel();
  const auto run = [&] {
    if (!s.enter(metuse, x)) return;
    // 1. and 2. The water removed; the TVP of what is left.
    const std::int32_t w = problem::THCTL.idecnt;
    if (w > 0) {
      const auto wi = static_cast<std::size_t>(w - 1);
      s.feed()[wi] = 0.0;
      s.normalise();
      if (level > 1) trace(" SPERV1.. REMOVED WATER -- FEED(%d)=%g", w, x[wi]);
      if (x[wi] > 0.0 && !s.newTvp(metuse)) return;
    }
    // 3. A low pressure needs no flash.
    if (s.lowPressure()) return;
    // 4. to 6. The liquid chilled to 36 F.
    const bool solved = s.flashAt(kChilledProcess, kAtmosphere, true);
    if (level > 1) {
      trace(" SPERV1.. FLASH AT 36 DEG F - VFRAC=%g  IFFAIL=%d", s.vapourFraction(), solved ? 0 : 1);
    }
    if (!solved) {
      ier = static_cast<std::int32_t>(ReidStatus::ChilledFlashFailed);
      labelMessage(kReidFlashFailed, isrnum, false);
      return;
    }
    if (s.vapourFraction() > kWhole) {
      rvp = kPreset * s.t_;
      return;
    }
    // 7. The air of the chamber.
    const std::int32_t vapflg = s.vapourFraction() > kAbsent ? 1 : 0;
    const std::int32_t iair = airComponent(nc);
    double vtot2 = 0.0, vv2 = 0.0, vl2 = 0.0;
    s.volumes(vtot2, vv2, vl2);
    const double rair = vl2 * kAirChamber / kProcessAirVolume;
    const double vtot = kHotVolume * vl2;
    double trate = 1.0;
    if (level > 1) trace(" SPERV1.. IAIR=%d RAIR=%g TRATE= %g", iair, rair, trate);
    if (iair > 0) {
      s.feed()[static_cast<std::size_t>(iair - 1)] += rair;
      s.normalise();
      trate = 1.0 + rair;
      s.setRate(trate);
      if (level > 1) trace(" SPERV1.. ADD AIR - RAIR=%g TRATE= %g", rair, trate);
    }
    // 8. The hot-volume pressure.
    s.search(vapflg, iair, rair, vtot, trate);
  };
  run();
  s.leave();
}

void SPERV2(std::int32_t m, std::int32_t isrnum, std::int32_t metuse, std::int32_t nc,
            std::span<const double> x, double tvp, std::int32_t& ier, double& rvp) {
  const auto n = static_cast<std::size_t>(std::max(nc, 0));
  const char* test = m == 5 ? "D4953" : m == 6 ? "D5191" : "D323";
  double t = 0.0;
  if (!commonEntry("SPERV2", isrnum, x, n, tvp, kPsi, ier, rvp, t)) return;
  Sample s("SPERV2", isrnum, nc, ier, rvp);
  s.tvp_ = tvp;
  s.t_ = t;
  const std::int32_t level = debugLevel();
  if (level > 1) trace(" SPERV2 - RVP(%s)", test);
  const auto failed = [&](ReidStatus status) {
    ier = static_cast<std::int32_t>(status);
    labelMessage(kReidFlashFailed, isrnum, false);
  };
  const auto run = [&] {
    if (!s.enter(metuse, x)) return;
    // 1. to 3. The sample at 33 F.
    bool solved = s.flashAt(kChilledTest, kAtmosphere, true);
    double lf = s.liquidFraction();
    if (level > 1) trace(" SPERV2.. FLASH AT 33 DEG F - LFRAC=%g  IFFAIL=%d", lf, solved ? 0 : 1);
    if (!solved) return failed(ReidStatus::ChilledFlashFailed);
    if (lf < kAbsent) return;
    // 4. The air and water components.
    std::int32_t iwtr = 0;
    if (m == 4) {
      iwtr = problem::THCTL.idecnt > 0 ? problem::THCTL.idecnt : componentWithCode(nc, kWaterCode);
    }
    const std::int32_t iair = airComponent(nc);
    double vtot2 = 0.0, vv2 = 0.0, vl2 = 0.0;
    s.volumes(vtot2, vv2, vl2);
    double vl = vl2;
    // 5. Vapour and free water removed; the TVP of the liquid left.
    if (lf < kWhole) {
      s.takeLiquid();
      vl = vl2 / lf;
      if (level > 1) trace(" SPERV2.. REMOVED VAPOR AND/OR WATER -- LFRAC=%g", lf);
      if (!s.newTvp(metuse)) return;
    }
    // 6. A low pressure needs no more flashes.
    if (s.lowPressure()) return;
    // 7. Saturated with air at 33 F.
    if (iair > 0) {
      const auto a = static_cast<std::size_t>(iair - 1);
      double vs = 0.0;
      for (std::int32_t pass = 1; pass <= kSaturationPasses; ++pass) {
        const double ra = vl / 3.0;
        if (level > 1) trace(" SPERV2.. SATURATE WITH AIR - PASS%d VVAPOR= %g VVWET= %g", pass, ra, vs);
        if (ra > vs) {
          s.feed()[a] += (ra - vs) / kSaturationAirVolume;
        } else if (ra < vs) {
          const double keep = ra / vs;
          const double vf = s.vapourFraction();
          for (std::size_t i = 0; i < n; ++i) {
            s.feed()[i] = scratch.x[i] * lf + scratch.y[i] * vf * keep;
          }
        } else {
          break;
        }
        s.normalise();
        s.setRate(1.0);
        solved = s.flashAt(kChilledTest, kAtmosphere, true);
        lf = s.liquidFraction();
        if (level > 1) trace(" SPERV2.. AIR SATURATION FLASH - LFRAC=%g  IFFAIL=%d", lf, solved ? 0 : 1);
        if (!solved) return failed(ReidStatus::SaturationFlashFailed);
        if (lf < kAbsent) {
          rvp = kPreset * s.t_;
          return;
        }
        double vtot = 0.0;
        s.volumes(vtot, vs, vl);
      }
      s.takeLiquid();
      vl = vl / lf;
    }
    // 8. and 9. The hot volume; the air and water of the chamber.
    const double vtot = kHotVolume * vl;
    double rwtr = 0.0, rair = 0.0;
    if (m == 4 && iwtr > 0) {
      rwtr = vl * kD323Water / kWaterVolume;
      rair = vl * kD323Air / kChamberAirVolume;
    } else if (m == 6) {
      rair = vl * kAirChamber / kEvacuatedVolume;
    } else {
      rair = vl * kAirChamber / kChamberAirVolume;
    }
    if (level > 1) trace(" SPERV2.. IAIR=%d RAIR=%g IWTR=%d RWTR=%g", iair, rair, iwtr, rwtr);
    double trate = 1.0;
    if (iair > 0) {
      s.feed()[static_cast<std::size_t>(iair - 1)] += rair;
      trate += rair;
    }
    if (iwtr > 0) {
      s.feed()[static_cast<std::size_t>(iwtr - 1)] += rwtr;
      trate += rwtr;
    }
    if (iair > 0 || iwtr > 0) {
      s.normalise();
      s.setRate(trate);
      if (level > 1) trace(" SPERV2.. ADDED - TRATE= %g", trate);
    }
    // 10. and 11. The hot-volume pressure; "D5191" reports its own correlation.
    s.search(0, iair, rair, vtot, trate);
    if (m == 6 && ier == 0) {
      rvp += kAtmospherePsi;
      if (level > 0) trace(" SPERV2 -     UNCORRECTED RVP(PSIA= %g", rvp);
      rvp = kD5191Slope * rvp - kD5191Offset;
    }
  };
  run();
  s.leave();
}

}  // namespace streamprops
