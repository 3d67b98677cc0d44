// KCPAIR: the K-values of one phase pair by the K-value method of the current set.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/scratch_vectors.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/correlation_kvalues.hpp"
#include "thermo/equilibrium/henry_kvalues.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/equilibrium/kvalue_pair_internal.hpp"
#include "thermo/equilibrium/kvalues.hpp"
#include "thermo/equilibrium/liquid_fugacity.hpp"
#include "thermo/equilibrium/slots.hpp"
#include "thermo/equilibrium/sour_water_kvalues.hpp"
#include "thermo/equilibrium/vapour_fugacity.hpp"
#include "thermo/equilibrium/water_kvalues.hpp"
#include "thermo/equilibrium/weak_electrolytes.hpp"
#include "thermo/pure/pure.hpp"

namespace equilibrium {

KValueState kvalueState;
namespace {
const bool kKValueStateReset = services::registerKeptValues([] { kvalueState = {}; });
}  // namespace

namespace kvalue_internal {

double workValue(std::int32_t array, std::size_t i) {
  return storage::CORSTO.real(problem::FWPART.realOffset(static_cast<std::size_t>(array)) +
                              static_cast<std::int32_t>(i) + 1);
}

void setWorkValue(std::int32_t array, std::size_t i, double v) {
  storage::CORSTO.setReal(problem::FWPART.realOffset(static_cast<std::size_t>(array)) +
                              static_cast<std::int32_t>(i) + 1,
                          v);
}

void requireWork(std::int32_t array, std::size_t need, std::string_view routine) {
  const std::int32_t size = problem::FWPART.realSize(static_cast<std::size_t>(array));
  if (static_cast<std::size_t>(size > 0 ? size : 0) >= need) return;
  services::ERRITM("ARRAY", array);
  services::ERRITM("SIZE", size);
  services::ERRITM("NEEDED", static_cast<std::int32_t>(need));
  services::ABTRPT("KC", routine, routine, "FLASH WORK ARRAY TOO SHORT");
}

}  // namespace kvalue_internal

namespace {

using kvalue_internal::requireWork;
using kvalue_internal::setWorkValue;
using kvalue_internal::workValue;
using storage::CORSTO;

constexpr std::string_view kName = "KCPAIR";
constexpr std::int32_t kNoComputation = 504;
constexpr std::int32_t kRaoultHenry = 1;
constexpr std::int32_t kChart = 105;
constexpr std::int32_t kCorrelation120 = 120;
constexpr std::int32_t kSourWater503 = 503;
constexpr std::int32_t kSourWater510 = 510;
constexpr std::int32_t kElectrolyte511 = 511;
constexpr std::int32_t kCornerStates204 = 204;
constexpr std::int32_t kCubeRootAssociating = 122;
constexpr std::int32_t kVapourFugacityClass = 17;
// Debug levels: of the water-property routine (free water) and of the water K-value.
constexpr int kWaterDebugSwitch = 2;
constexpr int kKernelDebugSwitch = 3;
constexpr double kPresent = 1e-12;
constexpr double kSourTrace = 1e-9;
constexpr double kMaxFreeWaterExponent = 80.0;
// The per-component K-value derivative start values.
constexpr double kStartDkDt = 0.1;
// The per-component K-value correlation: its correlation type and the word of the set
// header that switches it on.
constexpr std::int32_t kComponentKType = 1902;
constexpr std::int32_t kComponentKSwitchWord = 20;

bool isCorrelation(std::int32_t c) {
  return c == 103 || c == 104 || c == 118 || c == 119 || c == kCorrelation120;
}
bool isUser(std::int32_t c) {
  return c >= methods::kFirstUserMethod && c <= methods::kLastUserMethod;
}

std::size_t count(std::int32_t v) { return static_cast<std::size_t>(v > 0 ? v : 0); }

// Where a route sends the call next.
enum class Next { Clamp, Water, Tail, Return };

// The scratch of the routine, kept between calls so that a warm call allocates nothing;
// every problem open starts it again.
struct PairScratch {
  std::vector<double> lnphiV, lnphiL, dkdt, dkdp, base, perturbed, z, psat;
  std::vector<double> tc, pc, omega;
  // 1 for a component whose K-value the per-component correlation gave.
  std::vector<unsigned char> correlated;
};
PairScratch pairScratch;
const bool kPairScratchReset = services::registerKeptValues([] { pairScratch = {}; });

// The state of one KCPAIR call.
struct Pair {
  std::size_t nck = 0, ncomp = 0;
  std::span<const double> y, x;
  std::span<double> k, dkdt, dkdp;
  double t = 0.0, p = 0.0;
  double fy = 0.0, fx = 0.0;
  std::int32_t code = 0, option = 0, w = 0;
  KOption d{};
  KDerivatives der{};
  std::int32_t o3 = 0, o4 = 0;
  bool fugacityForm = false;
  bool sour = false;
  bool fugacitiesOnly = false;  // digit 5 stopped the call before any K-value was formed
  std::span<std::int32_t> iflag;
};

double& pressureCell() { return problem::THCTL.partialPressure; }

// Raoult's law K = Psat/P with dK/dT = (dPsat/dT)/P for components 1..N.
void raoult(Pair& s, std::size_t n) {
  TPCACH(s.der.u, s.t, s.p);
  for (std::size_t i = 0; i < n; ++i) {
    s.k[i] = workValue(kVapourPressureArray, i) / s.p;
    if (s.der.u > 0) s.dkdt[i] = workValue(kVapourPressureSlopeArray, i) / s.p;
  }
}

// The Wilson estimate from the critical constants of COPTRS.
void wilson(Pair& s) {
  PairScratch& w = pairScratch;
  const auto column = [&](std::vector<double>& v, problem::ComponentReal sector) {
    const std::span<double> out = services::sized(v, s.nck);
    for (std::size_t i = 0; i < s.nck; ++i) {
      out[i] = pure::componentConstant(sector, static_cast<std::int32_t>(i + 1));
    }
    return std::span<const double>(out);
  };
  KCWEST(static_cast<std::int32_t>(s.nck), s.der.u, s.t, s.p, s.k, s.dkdt,
         column(w.tc, problem::ComponentReal::CriticalTemperature),
         column(w.pc, problem::ComponentReal::CriticalPressure),
         column(w.omega, problem::ComponentReal::AcentricFactor));
  kvalueState.wilsonUsed = true;
}

bool criticalDataComplete(std::size_t n) {
  using problem::ComponentReal;
  for (std::size_t i = 1; i <= n; ++i) {
    for (ComponentReal r : {ComponentReal::CriticalTemperature, ComponentReal::CriticalPressure,
                            ComponentReal::AcentricFactor}) {
      if (pure::componentConstant(r, static_cast<std::int32_t>(i)) < services::RMISS) return false;
    }
  }
  return true;
}

// The user-added method through its slot; returns its answer flag.
std::int32_t user(Pair& s, double& zl, double& zv) {
  pure::MDLODC(1);
  pressureCell() = s.p * s.fy;
  UserKValueRequest r;
  r.code = s.code;
  r.rigorous = s.d.rigorous;
  r.ncomp = static_cast<std::int32_t>(s.ncomp);
  r.y = s.y;
  r.x = s.x;
  r.t = s.t;
  r.p = s.p;
  r.derivatives = s.der.u;
  r.composition = s.der.c;
  const std::int32_t answered = callUserKValues(r, s.k, s.dkdt, zl, zv);
  if (answered != 0) {
    for (std::size_t i = s.nck; i < s.ncomp; ++i) s.k[i] = s.dkdt[i] = 0.0;
  }
  return answered;
}

// The composition derivatives of ln K from the correlation route: 29 = 28, 30 = -25.
void correlationMatrices(const Pair& s) {
  const std::size_t n = s.nck;
  for (std::size_t kk = 0; kk < n; ++kk) {
    for (std::size_t i = 0; i < n; ++i) {
      setWorkValue(kLnKxArray, kk * n + i, workValue(kLnGammaXArray, kk * n + i));
      setWorkValue(kLnKyArray, kk * n + i, -workValue(kVapourLnPhiNArray, kk * n + i));
    }
    setWorkValue(kLnKxDiagonalArray, kk, workValue(kLnKxArray, kk * n + kk));
    setWorkValue(kLnKyDiagonalArray, kk, workValue(kLnKyArray, kk * n + kk));
  }
}

// 3. The simplified route.
Next simplified(Pair& s, double& zl, double& zv) {
  const bool estimates = s.code == kCorrelation120 || s.option == 2 || s.option == 3;
  if (!estimates) {
    raoult(s, s.nck);
    for (std::size_t i = 0; i < s.nck; ++i) s.dkdp[i] = -s.k[i] / s.p;
    return Next::Return;
  }
  if (isCorrelation(s.code)) {
    pure::MDLODC(1);
    KCCORR(static_cast<std::int32_t>(s.nck), s.t, s.p, s.p, s.k, s.dkdt, s.dkdp, s.der.u,
           s.d.rigorous, s.x, s.y, zv, s.code, problem::THCTL.waterComponent, s.w);
    return Next::Clamp;
  }
  if (s.code == kChart) {
    pure::MDLODC(1);
    KCCHRT(static_cast<std::int32_t>(s.nck), s.t, s.p, s.k, s.dkdt, s.der.u);
    return Next::Clamp;
  }
  if (isUser(s.code) && user(s, zl, zv) != 0) return Next::Clamp;
  if (isUser(s.code) && !criticalDataComplete(s.nck)) {
    raoult(s, s.nck);
    for (std::size_t i = 0; i < s.nck; ++i) s.dkdp[i] = -s.k[i] / s.p;
    return Next::Return;
  }
  wilson(s);
  return Next::Clamp;
}

// The integer word I(k) of the block's data after the NCK per-component words.
std::int32_t blockWord(const Pair& s, std::int32_t k) {
  const std::int32_t at = static_cast<std::int32_t>(s.nck) + k;
  if (at > methods::LDSTAT.integerLength1) return 0;
  return CORSTO[methods::LDSTAT.integerSector1 + at];
}
double fractionOf(const Pair& s, std::int32_t comp) {
  return comp >= 1 && static_cast<std::size_t>(comp) <= s.ncomp
             ? s.x[static_cast<std::size_t>(comp - 1)]
             : 0.0;
}

// 6.2. Whether the sour-water model answers without fugacities.
bool sourPreCheck(const Pair& s) {
  const auto nck = static_cast<std::int32_t>(s.nck);
  if (s.code == kSourWater510) {
    if (blockWord(s, 1) != nck || blockWord(s, 2) <= 0 || fractionOf(s, blockWord(s, 2)) <= 0.5) {
      return false;
    }
    return fractionOf(s, blockWord(s, 3)) > kSourTrace &&
           (fractionOf(s, blockWord(s, 4)) > kSourTrace ||
            fractionOf(s, blockWord(s, 5)) > kSourTrace);
  }
  if (s.code == kSourWater503) {
    if (blockWord(s, 11) != nck || blockWord(s, 4) <= 0 || fractionOf(s, blockWord(s, 4)) <= 0.7) {
      return false;
    }
    return fractionOf(s, blockWord(s, 1)) > kSourTrace ||
           fractionOf(s, blockWord(s, 2)) > kSourTrace ||
           fractionOf(s, blockWord(s, 3)) > kSourTrace;
  }
  if (s.code == kElectrolyte511) return blockWord(s, 1) == static_cast<std::int32_t>(s.nck);
  return false;
}

using FugacityRoutine = void (*)(std::int32_t, std::span<const double>, std::span<double>, double,
                                 double, double&, std::int32_t, std::int32_t,
                                 std::span<const std::int32_t>, std::int32_t, std::int32_t&,
                                 std::int32_t&);

// 6.5. n dln(phi_i)/dn_k by differences: h moles of k added to one mole (h = 0.01 z_k, at
// least 1e-8), the phase evaluated again at level 1 so that the derivative arrays of the
// base point stay as they are.
void numericalPass(FugacityRoutine routine, std::size_t n, std::span<const double> z,
                   std::span<const double> lnphi, double t, double p, std::int32_t fugacity,
                   std::span<const std::int32_t> iflag, std::int32_t matrix) {
  PairScratch& w = pairScratch;
  const std::span<double> zz = services::sized(w.z, n);
  const std::span<double> out = services::sized(w.perturbed, n);
  const std::span<double> base = services::sized(w.base, n);
  std::copy_n(lnphi.begin(), n, base.begin());
  requireWork(matrix, n * n, kName);
  for (std::size_t kk = 0; kk < n; ++kk) {
    std::copy_n(z.begin(), n, zz.begin());
    const double h = std::max(0.01 * z[kk], 1e-8);
    for (double& v : zz) v /= 1.0 + h;
    zz[kk] = (z[kk] + h) / (1.0 + h);
    double zdummy = 0.0;
    std::int32_t status = 0, numerical = 1;
    routine(static_cast<std::int32_t>(n), zz, out, t, p, zdummy, 0, 0, iflag, fugacity, status,
            numerical);
    for (std::size_t i = 0; i < n; ++i) setWorkValue(matrix, kk * n + i, (out[i] - base[i]) / h);
  }
}

// 6. The fugacity route; returns whether the pre-check of the sour-water model held.
Next fugacityRoute(Pair& s, double& zv, double& zl, std::int32_t& ifugst, bool& preCheck) {
  PairScratch& w = pairScratch;
  const std::int32_t level = s.der.level();
  if (!services::LMCODA(s.code)) pure::MDLODC(1);
  const std::int32_t form = s.fugacityForm ? 1 : 0;
  const bool waterOut = s.w > 0 && problem::THCTL.waterOption != kFreeWaterBesideEquilibrium;
  const auto dropWaterFlag = [&] {
    if (waterOut && static_cast<std::size_t>(s.w) <= s.iflag.size()) {
      s.iflag[static_cast<std::size_t>(s.w - 1)] = 0;
    }
  };
  preCheck = services::LMCODB(s.code) && sourPreCheck(s);
  if (preCheck) return Next::Water;

  // 3. The vapour.
  const std::span<double> lnphiV = services::sized(w.lnphiV, s.ncomp);
  const std::span<double> lnphiL = services::sized(w.lnphiL, s.ncomp);
  if (s.sour || (s.d.liquidLiquid == 0 && s.o4 == 0)) {
    pressureCell() = s.p * s.fy;
    dropWaterFlag();
    if (s.fy > 0.0) {
      std::int32_t numerical = 0;
      FVCALC(static_cast<std::int32_t>(s.nck), s.y, lnphiV, s.t, pressureCell(), zv, level, 0,
             s.iflag, form, ifugst, numerical);
      for (std::size_t i = 0; i < s.nck; ++i) {
        setWorkValue(kVapourLnPhiArray, i, lnphiV[i]);
        setWorkValue(kVapourLnPhiCopyArray, i, lnphiV[i]);
      }
      if (s.der.c == 1 && (numerical == 1 || s.code == kCornerStates204)) {
        numericalPass(FVCALC, s.nck, s.y, lnphiV, s.t, pressureCell(), form, s.iflag,
                      kVapourLnPhiNArray);
      }
    }
  }
  // 4. The liquid.
  if (s.o3 == 0) {
    pressureCell() = s.p * s.fx;
    dropWaterFlag();
    if (s.fx > 0.0) {
      std::int32_t numerical = 0;
      FLCALC(static_cast<std::int32_t>(s.ncomp), s.x, lnphiL, s.t, s.p, zl, level, 0, s.iflag, form,
             ifugst, numerical);
      for (std::size_t i = 0; i < s.ncomp; ++i) setWorkValue(kLiquidLnPhiArray, i, lnphiL[i]);
      if (s.der.c == 1 && (numerical == 1 || s.code == kCornerStates204)) {
        numericalPass(FLCALC, s.ncomp, s.x, lnphiL, s.t, s.p, form, s.iflag, kLiquidLnPhiNArray);
      }
    }
  }
  // The values the K-values are formed from: this call's, or the previous call's for a
  // phase the call option word skipped.
  for (std::size_t i = 0; i < s.nck; ++i) lnphiV[i] = workValue(kVapourLnPhiArray, i);
  for (std::size_t i = 0; i < s.ncomp; ++i) lnphiL[i] = workValue(kLiquidLnPhiArray, i);

  // 6. Only the fugacity coefficients were wanted.
  if (!s.sour && s.d.fugacityOnly == 1) {
    s.fugacitiesOnly = true;
    return Next::Return;
  }

  // 7. ln K = ln phiL - ln phiV, limited to +-70.
  kvalueState.rigorousEvaluated = 1;
  for (std::size_t i = 0; i < s.nck; ++i) {
    const double d = std::clamp(lnphiL[i] - lnphiV[i], -kMaxLnK, kMaxLnK);
    s.k[i] = std::exp(d);
  }
  // 8. Components beyond NCK: K = 0 when present, else a neutral liquid term.
  const double lnP = std::log(s.p);
  for (std::size_t i = s.nck; i < s.ncomp; ++i) {
    if (i < s.iflag.size() && s.iflag[i] > 0) {
      s.k[i] = 0.0;
    } else {
      setWorkValue(kLiquidLnPhiArray, i, s.fugacityForm ? lnP : 0.0);
    }
  }
  // 9. dK/dT.
  if (s.der.u > 0) {
    for (std::size_t i = 0; i < s.nck; ++i) {
      s.dkdt[i] = (workValue(kLiquidLnPhiTArray, i) - workValue(kVapourLnPhiTArray, i)) * s.k[i];
    }
    for (std::size_t i = s.nck; i < s.ncomp; ++i) {
      if (i < s.iflag.size() && s.iflag[i] > 0) s.dkdt[i] = 0.0;
    }
  }
  // 10. The composition derivatives of ln K: the liquid matrix by its own leading dimension
  //     (NCOMP; the activity matrix 28 by NCK), the vapour matrix by NCK.
  if (s.der.c == 1) {
    const std::size_t n = s.nck;
    const bool activity = s.option == kActivityOptionDigit;
    const bool idealVapour = methods::MSPTRS.classes(kVapourFugacityClass).code == kIdealVapourCode;
    for (std::size_t kk = 0; kk < n; ++kk) {
      for (std::size_t i = 0; i < n; ++i) {
        const double lx = activity ? workValue(kLnGammaXArray, kk * n + i)
                                   : workValue(kLiquidLnPhiNArray, kk * s.ncomp + i);
        const double ly = idealVapour ? 0.0 : -workValue(kVapourLnPhiNArray, kk * n + i);
        setWorkValue(kLnKxArray, kk * n + i, lx);
        setWorkValue(kLnKyArray, kk * n + i, ly);
      }
      setWorkValue(kLnKxDiagonalArray, kk, workValue(kLnKxArray, kk * n + kk));
      setWorkValue(kLnKyDiagonalArray, kk, workValue(kLnKyArray, kk * n + kk));
    }
  }
  return Next::Water;
}

// 7. Sour-water, back-substitution and Henry's law.
void sourAndHenry(Pair& s, bool preCheck) {
  if (s.code == kSourWater503 || s.code == kSourWater510) {
    methods::LoadedBlock& b = methods::LDSTAT;
    const auto n = static_cast<std::int32_t>(s.nck);
    const std::int32_t realShift = 7 * n + 8 * ((n * (n - 1)) / 2) + 2;
    b.integerSector1 += n;
    b.realSector1 += realShift;
    KCSOUR(static_cast<std::int32_t>(s.ncomp), s.t, s.p, 0.0, s.x, s.y, s.k, s.code, s.dkdt,
           s.der.u == 1 ? 1 : 0);
    b.integerSector1 -= n;
    b.realSector1 -= realShift;
  }
  if (s.code == kElectrolyte511) {
    // The amines and the water component of the electrolyte part.
    const std::int32_t amines = blockWord(s, 2);
    const std::int32_t water = amines >= 0 ? blockWord(s, amines + 4) : 0;
    if (amines > 0 && water > 0) {
      methods::LoadedBlock& b = methods::LDSTAT;
      const auto n = static_cast<std::int32_t>(s.nck);
      const std::int32_t realShift = 7 * n + 8 * ((n * (n - 1)) / 2) + 2;
      b.integerSector1 += n;
      b.realSector1 += realShift;
      double heat = 0.0;
      AQELDR(static_cast<std::int32_t>(s.ncomp), s.t, s.p, s.x, s.y, s.k, s.dkdt, s.der.u,
             s.der.u == 1 ? 2 : 1, heat);
      b.integerSector1 -= n;
      b.realSector1 -= realShift;
    }
  }
  if (s.sour && !preCheck) {
    for (std::size_t i = 0; i < s.nck; ++i) {
      const double v = workValue(kVapourLnPhiArray, i);
      if (s.k[i] <= 0.0 || v <= services::RMISS) continue;
      setWorkValue(kLiquidLnPhiArray, i, std::log(s.k[i]) + v);
      if (s.der.u > 0) {
        setWorkValue(kLiquidLnPhiTArray, i, s.dkdt[i] / s.k[i] + workValue(kVapourLnPhiTArray, i));
      }
    }
  }
  if (methods::KMCTL.henryFlag != 0) {
    KCHENR(static_cast<std::int32_t>(s.nck), static_cast<std::int32_t>(s.ncomp), s.t, s.p, s.x, s.k,
           s.dkdt, s.der.u, 1, s.fugacityForm ? 1 : 0);
  }
}

// 8. The water K-value.
void waterKValue(Pair& s) {
  if (s.w <= 0 || static_cast<std::size_t>(s.w) > s.ncomp) return;
  const auto wi = static_cast<std::size_t>(s.w - 1);
  problem::MethodSetControl& wh = problem::THCTL;
  const std::int32_t unit = services::IOUNIT.report;
  if (wh.waterOption == kFreeWaterBesideEquilibrium && s.d.rigorous > 0) {
    // Free water beside the equilibrium water: the rigorous K(w) stays; YWD = Pw/P/phi,
    // XWD = YWD/K(w).
    double pw = 0.0, dpwdt = 0.0;
    pure::WPROP(static_cast<std::int32_t>(pure::WaterProperty::VapourPressure),
                wh.waterPropertyMethod, s.t, s.p, pw, dpwdt,
                static_cast<std::int32_t>(pure::WaterPhase::Liquid), wh.waterPropertyCorrection,
                services::GDPOPT.diagnosticSwitch(kWaterDebugSwitch), unit, pressureCell());
    const double v =
        std::clamp(workValue(kVapourLnPhiArray, wi), -kMaxFreeWaterExponent, kMaxFreeWaterExponent);
    wh.ywd = (pw / s.p) / std::exp(v);
    wh.xwd = s.k[wi] != 0.0 ? wh.ywd / s.k[wi] : 0.0;
    wh.waterVapourPressure = pw;
    wh.waterVapourPressureSlope = dpwdt;
    s.dkdp[wi] = (workValue(kLiquidLnPhiPArray, wi) - workValue(kVapourLnPhiPArray, wi)) * s.k[wi];
  } else {
    double kw = 0.0, dkwdt = 0.0, dkwdp = 0.0, dpwdt = 0.0, pw = 0.0;
    KCWATR(static_cast<std::int32_t>(s.ncomp), s.x, kw, s.der.u, dkwdt, dkwdp, dpwdt, s.d.rigorous,
           0, s.t, s.p, unit, services::GDPOPT.diagnosticSwitch(kKernelDebugSwitch), pw,
           s.d.unnormalised);
    s.k[wi] = kw;
    s.dkdp[wi] = dkwdp;
    if (s.der.u > 0) s.dkdt[wi] = dkwdt;
    wh.waterVapourPressure = pw;
    wh.waterVapourPressureSlope = dpwdt;
  }
  s.k[wi] = std::clamp(s.k[wi], kMinK, kMaxK);
}

// 9.1. The per-component K-value correlation (set header word 20 positive): a component
// whose correlation value v is positive gets K = F2 v/P, dK/dT = F2 (dv/dT)/P, F2 the second
// real of its correlation record, and no composition dependence (its column of the ln K
// matrices and its diagonal elements 0). A component without one keeps its K-value.
// CORRELATED marks the components served (their dK/dP is -K/P whatever the route).
void componentCorrelation(Pair& s, std::span<unsigned char> correlated) {
  std::fill(correlated.begin(), correlated.end(), 0);
  const std::int32_t header = methods::MSPTRS.integerSectors(1);
  if (header <= 0 || CORSTO[header + kComponentKSwitchWord] <= 0) return;
  const std::int32_t set = methods::MTSETN(kComponentKType);
  const std::size_t n = s.nck;
  for (std::size_t k = 0; k < s.ncomp; ++k) {
    double value[1] = {0.0}, slope[1] = {0.0};
    pure::XPCALC(kComponentKType, set, 1, static_cast<std::int32_t>(k + 1), 1,
                 static_cast<std::int32_t>(pure::Extrapolation::TypeDefault), s.t, s.p, value,
                 slope);
    if (value[0] <= 0.0) continue;
    const double f2 = pure::XPCAUX;
    correlated[k] = 1;
    s.k[k] = f2 * value[0] / s.p;
    s.dkdt[k] = f2 * slope[0] / s.p;
    if (k < n && s.der.c == 1) {
      for (std::size_t i = 0; i < n; ++i) {
        setWorkValue(kLnKxArray, k * n + i, 0.0);
        setWorkValue(kLnKyArray, k * n + i, 0.0);
      }
      setWorkValue(kLnKxDiagonalArray, k, 0.0);
      setWorkValue(kLnKyDiagonalArray, k, 0.0);
    }
  }
}

// 9.2. The pressure derivatives. A K-value of the per-component correlation, F2 v(T)/P, has
// dK/dP = -K/P on every route.
void pressureDerivatives(Pair& s, std::span<const unsigned char> correlated) {
  for (std::size_t i = 0; i < s.ncomp; ++i) {
    if (correlated[i] != 0) s.dkdp[i] = -s.k[i] / s.p;
  }
  if (isCorrelation(s.code)) return;
  const bool activity = methods::MTISB(s.code);
  const bool eos = methods::MTISA(s.code);
  for (std::size_t i = 0; i < s.ncomp; ++i) {
    if (correlated[i] != 0) continue;
    if (!activity && static_cast<std::int32_t>(i + 1) == s.w) continue;
    if (eos && !kvalueState.wilsonUsed && s.der.u != 0 && i < s.nck) {
      s.dkdp[i] = (workValue(kLiquidLnPhiPArray, i) - workValue(kVapourLnPhiPArray, i)) * s.k[i];
    } else {
      s.dkdp[i] = -s.k[i] / s.p;
    }
  }
}

}  // namespace

void KCPAIR(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
            std::span<const double> x, std::span<double> k, double t, double p, double& zv,
            double& zl, std::int32_t kccall, std::int32_t kcdrv, std::int32_t kcopt,
            std::int32_t& ierr, double fy, double fx, std::span<std::int32_t> iflag,
            std::int32_t /*reserved*/, std::int32_t& ifugst) {
  // 1. Entry.
  ierr = 0;
  pressureCell() = p;
  Pair s;
  s.ncomp = count(ncomp);
  s.nck = std::min(count(nck), s.ncomp);
  for (std::int32_t a : {kDkDtArray, kDkDpArray, kVapourLnPhiArray, kLiquidLnPhiArray,
                         kVapourLnPhiCopyArray, kLiquidLnPhiTArray, kVapourLnPhiTArray}) {
    requireWork(a, s.ncomp, kName);
  }
  s.y = y.first(s.ncomp);
  s.x = x.first(s.ncomp);
  s.k = k.first(s.ncomp);
  s.dkdt = services::sized(pairScratch.dkdt, s.ncomp);
  s.dkdp = services::sized(pairScratch.dkdp, s.ncomp);
  s.t = t;
  s.p = p;
  s.fy = fy;
  s.fx = fx;
  s.iflag = iflag.first(std::min(iflag.size(), s.ncomp));
  s.code = methods::KMCTL.kvalue.code;
  s.option = methods::KMCTL.kvalue.option;
  s.w = problem::THCTL.idecnt;
  kvalueState.wilsonUsed = false;
  for (std::size_t i = 0; i < s.ncomp; ++i) {
    const bool formed = i < s.nck;
    s.k[i] = formed ? 1.0 : 0.0;
    s.dkdt[i] = formed ? kStartDkDt : 0.0;
    s.dkdp[i] = formed ? -1.0 / p : 0.0;
  }

  Next next = Next::Tail;
  bool preCheck = false;
  if (s.code != kNoComputation) {
    problem::THCTL.liquidNonWaterFraction = fx;
    s.d = decodeKOption(kcopt);
    s.der = decodeKDerivatives(kcdrv);
    s.o3 = optionDigit(kccall, 3);
    s.o4 = optionDigit(kccall, 4);
    if (s.der.c == 1) {
      const std::size_t n2 = s.nck * s.nck;
      for (std::int32_t a : {kVapourLnPhiNArray, kLiquidLnPhiNArray, kLnKxArray, kLnKyArray}) {
        requireWork(a, n2, kName);
        for (std::size_t q = 0; q < n2; ++q) setWorkValue(a, q, 0.0);
      }
      if (methods::MTISB(s.code)) {
        requireWork(kLnGammaXArray, n2, kName);
        for (std::size_t q = 0; q < n2; ++q) setWorkValue(kLnGammaXArray, q, 0.0);
      }
      for (std::int32_t a : {kLnKxDiagonalArray, kLnKyDiagonalArray}) {
        requireWork(a, s.nck, kName);
        for (std::size_t q = 0; q < s.nck; ++q) setWorkValue(a, q, 0.0);
      }
    }
    s.sour = services::LMCODB(s.code) && s.d.rigorous == 1 &&
             services::SUMPOS(static_cast<std::int32_t>(s.nck), s.y) > kPresent;
    s.fugacityForm = s.option == kActivityOptionDigit && services::LMCODA(s.code) == 0;

    // 2. The route.
    const std::int32_t rigorousFlag = optionDigit(methods::MSPTRS.classes(1).optionWord, 3);
    if (rigorousFlag != 1 && s.d.rigorous == 0) {
      next = simplified(s, zl, zv);
    } else if (s.option == 3) {
      next = fugacityRoute(s, zv, zl, ifugst, preCheck);
      if (next == Next::Water) sourAndHenry(s, preCheck);
    } else if (s.code == kRaoultHenry) {
      raoult(s, s.nck);
      if (methods::KMCTL.henryFlag != 0) {
        KCHENR(static_cast<std::int32_t>(s.nck), static_cast<std::int32_t>(s.ncomp), t, p, s.x, s.k,
               s.dkdt, s.der.u, 0, s.fugacityForm ? 1 : 0);
      }
      next = Next::Tail;
    } else if (s.code == kChart) {
      pure::MDLODC(1);
      KCCHRT(static_cast<std::int32_t>(s.ncomp), t, p, s.k, s.dkdt, s.der.u);
      next = Next::Clamp;
    } else if (isCorrelation(s.code)) {
      pure::MDLODC(1);
      pressureCell() = p * fy;
      if (pressureCell() > kPresent && fx > 0.0) {
        KCCORR(static_cast<std::int32_t>(s.ncomp), t, pressureCell(), p, s.k, s.dkdt, s.dkdp,
               s.der.level(), s.d.rigorous, s.x, s.y, zv, s.code, problem::THCTL.waterComponent,
               s.w);
        if (s.der.c == 1) correlationMatrices(s);
      }
      next = Next::Clamp;
    } else if (isUser(s.code)) {
      user(s, zl, zv);
      next = Next::Tail;
    } else {
      next = fugacityRoute(s, zv, zl, ifugst, preCheck);
      if (next == Next::Water) sourAndHenry(s, preCheck);
    }
  }

  // 4. The clamp of the simplified and correlation routes.
  if (next == Next::Clamp) {
    for (std::size_t i = 0; i < s.nck; ++i) s.k[i] = std::clamp(s.k[i], kMinK, kMaxK);
    next = Next::Water;
  }
  if (next == Next::Water) {
    waterKValue(s);
    next = Next::Tail;
  }
  if (next == Next::Tail) {
    std::vector<unsigned char>& marks = pairScratch.correlated;
    if (marks.size() < s.ncomp) marks.resize(s.ncomp);
    const std::span<unsigned char> correlated(marks.data(), s.ncomp);
    componentCorrelation(s, correlated);
    pressureDerivatives(s, correlated);
  }

  // Digit 8: ln K in place of K, once every step has formed its K-value.
  if (!s.fugacitiesOnly && decodeKOption(kcopt).lnK == 1) toLnK(s.k);

  // 10. Exit: the water flag, the derivative arrays.
  if (s.w > 0 && static_cast<std::size_t>(s.w) <= s.iflag.size()) {
    s.iflag[static_cast<std::size_t>(s.w - 1)] = 1;
  }
  for (std::size_t i = 0; i < s.ncomp; ++i) {
    setWorkValue(kDkDtArray, i, s.dkdt[i]);
    setWorkValue(kDkDpArray, i, s.dkdp[i]);
  }
  ierr = 0;
}

}  // namespace equilibrium
