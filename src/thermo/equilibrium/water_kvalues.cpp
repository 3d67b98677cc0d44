// KCWATR: the water K-value from the vapour pressure of water and its solubility in the
// hydrocarbon liquid, with the solubility correlations WSOLTX and WSOLHC and the two empty
// alternatives WSOLZ1 and WSOLZ2.
#include "thermo/equilibrium/water_kvalues.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/water.hpp"

namespace equilibrium {

namespace {

// Kw and Kfw of water alone above its critical temperature.
constexpr double kSupercriticalK = 1.1;
// Below this liquid non-water fraction the rigorous route keeps s = 1.
constexpr double kNonWaterFloor = 1.0e-10;
// WSOLTX: s = exp(6.23685 - a), a = 7218.58364 / TR at most 20.
constexpr double kTemperatureIntercept = 6.23685;
constexpr double kTemperatureSlope = 7218.58364;
constexpr double kTemperatureExponentLimit = 20.0;
constexpr double kRankinePerKelvin = 1.8;
// WSOLHC: below the ice point s = 1e-6; ln s limited to [-80, 80].
constexpr double kIcePoint = 273.15;
constexpr double kBelowIceSolubility = 1.0e-6;
constexpr double kHydrocarbonLogLimit = 80.0;

std::size_t at(std::int32_t i) { return static_cast<std::size_t>(i - 1); }

// The four component terms of WSOLHC copied out of the component sectors; grown once.
struct ComponentTerms {
  std::array<std::vector<double>, 4> values;
};
ComponentTerms componentTerms;
const bool kComponentTermsReset = services::registerKeptValues([] { componentTerms = {}; });

// The component terms A, B, C, D of components 1..N; false when a sector is not in core.
bool gatherTerms(std::int32_t n) {
  constexpr std::array<std::int32_t, 4> kSectors{kSolubilityWeightSector, kSolubilityBSector,
                                                 kSolubilityCSector, kSolubilityDSector};
  for (std::size_t r = 0; r < kSectors.size(); ++r) {
    const std::int32_t start = problem::COPTRS.realSector(kSectors[r]);
    if (start == services::NOCORE) return false;
    std::vector<double>& v = componentTerms.values[r];
    if (v.size() < static_cast<std::size_t>(n)) v.resize(static_cast<std::size_t>(n));
    for (std::int32_t i = 1; i <= n; ++i) v[at(i)] = storage::CORSTO.real(start + i);
  }
  return true;
}

std::span<const double> terms(std::size_t r, std::int32_t n) {
  return std::span<const double>(componentTerms.values[r]).first(static_cast<std::size_t>(n));
}

// Step 4 of KCWATR: the solubility s and ds/dT by the route and the water-handling option.
void solubility(std::int32_t ncomp, std::span<const double> x, std::int32_t u,
                std::int32_t simplified, std::int32_t alternative, double t, double p,
                std::int32_t noSolubility, double& s, double& dsdt) {
  const problem::MethodSetControl& w = problem::THCTL;
  if (simplified == 0) {
    if (ncomp != 1 && noSolubility == 0) WSOLTX(t, s, dsdt);
    return;
  }
  if (w.liquidNonWaterFraction < kNonWaterFloor) return;
  if (alternative > 0) {
    WSOLZ1();
    return;
  }
  std::int32_t flag = 0;
  if (w.waterOption < kWaterFromTemperature) {
    flag = 1;
    if (gatherTerms(ncomp)) {
      WSOLHC(ncomp, problem::THCTL.idecnt, t, x, terms(0, ncomp), terms(1, ncomp), terms(2, ncomp),
             terms(3, ncomp), s, dsdt, flag);
    }
    if (flag == 1) WSOLTX(t, s, dsdt);
  } else if (w.waterOption == kWaterFromTemperature) {
    WSOLTX(t, s, dsdt);
  } else if (w.waterOption >= kNoSolubilityCorrelation) {
    WSOLZ2(ncomp, problem::THCTL.idecnt, u, x, t, p, s, dsdt, flag);
    if (flag == 1) WSOLTX(t, s, dsdt);
  }
}

}  // namespace

void KCWATR(std::int32_t ncomp, std::span<const double> x, double& kw, std::int32_t u,
            double& dkwdt, double& dkwdp, double& dpwdt, std::int32_t simplified,
            std::int32_t alternative, double t, double p, std::int32_t unit, std::int32_t debug,
            double& pw, std::int32_t noSolubility) {
  problem::MethodSetControl& w = problem::THCTL;
  // 1. No vapour pressure yet; s = 1 unless a correlation sets it.
  pw = 0.0;
  dpwdt = 0.0;
  double s = 1.0;
  double dsdt = 0.0;

  // 2. Water alone above its critical temperature.
  const bool supercritical = t > kWaterCriticalTemperature && ncomp == 1;
  if (supercritical) {
    kw = kSupercriticalK;
    w.ywd = 1.0;
    dkwdt = 0.0;
    dkwdp = 0.0;
  } else if (w.waterOption != kNoWaterVapourPressure) {
    // 3. The vapour pressure of water over the liquid.
    pure::WPROP(static_cast<std::int32_t>(pure::WaterProperty::VapourPressure),
                w.waterPropertyMethod, t, p, pw, dpwdt,
                static_cast<std::int32_t>(pure::WaterPhase::Liquid), w.waterPropertyCorrection,
                debug, unit, w.partialPressure);
  }

  // 4. The solubility of water in the hydrocarbon liquid.
  solubility(ncomp, x, u, simplified, alternative, t, p, noSolubility, s, dsdt);
  w.xwd = s;
  if (supercritical) return;

  // 5. Kfw = Pw/P, Kw = Kfw/s and the derivatives.
  w.ywd = pw / p;
  kw = w.ywd / s;
  dkwdt = services::RELCMP(pw, 0.0) != 0 ? kw * (dpwdt / pw - dsdt / s) : 0.0;
  dkwdp = -kw / p;
}

void WSOLTX(double t, double& s, double& dsdt) {
  // s = exp(6.23685 - a), a = 7218.58364 / TR, TR = 1.8 T in degrees Rankine.
  const double a = kTemperatureSlope / (kRankinePerKelvin * t);
  const bool limited = a > kTemperatureExponentLimit;
  s = std::exp(kTemperatureIntercept - (limited ? kTemperatureExponentLimit : a));
  dsdt = limited ? 0.0 : a * s / t;
  if (s > 1.0) {
    s = 1.0;
    dsdt = 0.0;
  }
}

void WSOLHC(std::int32_t ncomp, std::int32_t water, double t, std::span<const double> x,
            std::span<const double> a, std::span<const double> b, std::span<const double> c,
            std::span<const double> d, double& s, double& dsdt, std::int32_t& flag) {
  // 1. Below the ice point a fixed trace.
  flag = 0;
  dsdt = 0.0;
  if (t < kIcePoint) {
    s = kBelowIceSolubility;
    return;
  }

  // 2. The weighted sums over the components other than water.
  double v = 0.0;
  double bs = 0.0;
  double cv = 0.0;
  double dv = 0.0;
  for (std::int32_t i = 1; i <= ncomp; ++i) {
    if (i == water) continue;
    const std::size_t k = at(i);
    v += x[k] * a[k];
    bs += x[k] * b[k];
    cv += x[k] * a[k] * c[k];
    dv += x[k] * a[k] * d[k];
  }

  // 3. A liquid without volume weight (or a degenerate B average) cannot be evaluated.
  if (services::RELCMP(v, 0.0) <= 0 || bs + 1.0 == 0.0) {
    flag = 1;
    return;
  }

  // 4. The liquid's character H = h + 0.5, h = max(0, 1 - (Dv/V + (Cv/V - 0.5)/(Bs + 1))).
  const double h = std::max(0.0, 1.0 - (dv / v + (cv / v - 0.5) / (bs + 1.0)));
  const double hh = h + 0.5;
  const double l = std::log(hh);
  const double lnT = std::log(t);

  // 5. ln s.
  const double lnS = -15.943 / hh - 4729.06 / t + 1758.12 / (hh * t) - 7.43125 * hh +
                     366.133 * hh / t - 8.84834 * l + 1.25069 * lnT + 0.859272 * l * lnT +
                     2328.54 * l / t + 2.04263 * lnT / hh + 1.01762 * hh * lnT;
  const bool limited = std::abs(lnS) > kHydrocarbonLogLimit;
  s = std::exp(std::clamp(lnS, -kHydrocarbonLogLimit, kHydrocarbonLogLimit));

  // 6. ds/dT at fixed H.
  if (!limited) {
    dsdt = s * ((4729.06 - 1758.12 / hh - 366.133 * hh - 2328.54 * l) / (t * t) +
                (1.25069 + 0.859272 * l + 2.04263 / hh + 1.01762 * hh) / t);
  }

  // 7. At most 1.
  if (services::RELCMP(s, 1.0) >= 0) {
    s = 1.0;
    dsdt = 0.0;
  }
}

void WSOLZ1() {}

void WSOLZ2(std::int32_t /*ncomp*/, std::int32_t /*water*/, std::int32_t /*u*/,
            std::span<const double> /*x*/, double /*t*/, double /*p*/, double& /*s*/,
            double& /*dsdt*/, std::int32_t& /*flag*/) {}

}  // namespace equilibrium
