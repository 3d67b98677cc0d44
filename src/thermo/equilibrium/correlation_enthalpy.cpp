// The correlation enthalpy terms: per-component enthalpies of the correlation enthalpy
// method (HCORCS), petroleum fractions (HCORID) with their heat of vaporisation (HCORSW) and
// tabulated vapour heat capacity (HCORTB).
#include "thermo/equilibrium/correlation_enthalpy.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "services/services.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/pure/correlation_residual.hpp"

namespace equilibrium {
namespace {

constexpr double kR = services::kGasConstant;
// R in cal/(mol K), the atmosphere in kPa, kJ per kcal.
constexpr double kGasConstantCal = 1.98721;
constexpr double kAtmosphere = 101.325;
constexpr double kKilojoulesPerKilocalorie = 4.1868;
// Degrees Fahrenheit: t = 1.8 T - 459.67; the liquid enthalpy is counted from 32 °F.
constexpr double kFahrenheitScale = 1.8;
constexpr double kFahrenheitOffset = 459.67;
constexpr double kFreezingFahrenheit = 32.0;

// The vapour heat-capacity table of petroleum fractions: Watson K, then a, b, c of
// Cp = a + b t + c t^2 (t in °F, Btu/(lb °F)).
struct TableRow {
  double k, a, b, c;
};
constexpr std::array<TableRow, 8> kVapourTable{{{10.0, 0.22, 0.00056333, -1.667e-07},
                                                {10.5, 0.244, 0.00057417, -1.431e-07},
                                                {11.0, 0.258, 0.00063167, -1.583e-07},
                                                {11.5, 0.279, 0.00066667, -1.694e-07},
                                                {11.8, 0.298, 0.00064886, -1.53e-07},
                                                {12.0, 0.322, 0.000635, -1.556e-07},
                                                {12.5, 0.356, 0.00062, -1.583e-07},
                                                {13.0, 0.364, 0.00062917, -1.653e-07}}};

// The Watson-Nelson liquid heat capacity: b = kB0 - kB1 SG, a = kA0 - kA1 SG,
// f = (kF0 K + kF1) M.
constexpr double kB0 = 0.0004075;
constexpr double kB1 = 0.000153;
constexpr double kA0 = 0.6811;
constexpr double kA1 = 0.308;
constexpr double kF0 = 0.055;
constexpr double kF1 = 0.35;

// The columns of the block data after K0 (1-based blocks of N values).
constexpr std::size_t kSolubilityColumn = 1;
constexpr std::size_t kVolumeColumn = 2;
constexpr std::size_t kWatsonColumn = 3;
constexpr std::size_t kGravityColumn = 4;
constexpr std::size_t kBoilingColumn = 5;
constexpr std::size_t kDataColumns = 5;
// The family's leading columns: Tc, Pc, acentric factor.
constexpr std::size_t kCriticalTColumn = 1;
constexpr std::size_t kCriticalPColumn = 2;
constexpr std::size_t kAcentricColumn = 3;
constexpr std::size_t kFamilyColumns = 3;
// Work blocks of the liquid: ln nu (and ln gamma), d ln nu/dT, d2 ln nu/dT2, d ln gamma/dT.
constexpr std::size_t kWorkBlocks = 4;
// The option of GAMREG without the Flory-Huggins term.
constexpr std::int32_t kRegularSolution = 6;

constexpr std::int32_t kVapour = 1;

double fahrenheit(double t) { return kFahrenheitScale * t - kFahrenheitOffset; }

std::span<const double> column(std::span<const double> a, std::size_t n, std::size_t k) {
  return a.subspan((k - 1) * n, n);
}

void require(std::size_t have, std::size_t need, const char* what) {
  if (have >= need) return;
  services::ERRITM("NEED", static_cast<std::int32_t>(need));
  services::ERRITM("HAVE", static_cast<std::int32_t>(have));
  std::string message = "CORRELATION ENTHALPY BLOCK TOO SHORT: ";
  message += what;
  services::ABTRPT("KC", "HCORCS", "HCORCS", message);
}

}  // namespace

std::int32_t HCORSW(double& dhv, std::int32_t method, double tc, double tb, double pc) {
  // 1. The method and the boiling point.
  if (method < static_cast<std::int32_t>(VaporisationEstimate::Kistiakowsky) ||
      method > static_cast<std::int32_t>(VaporisationEstimate::Vetere)) {
    return kVaporisationMethod;
  }
  if (!(tb > 0.0)) return kVaporisationConstants;
  const double r = kGasConstantCal;

  // 2. Kistiakowsky's rule needs no critical constants.
  const auto estimate = static_cast<VaporisationEstimate>(method);
  if (estimate == VaporisationEstimate::Kistiakowsky) {
    dhv = tb * (8.75 + r * std::log(tb));
    return 0;
  }

  // 3. The others: ratio of a numerator to a denominator that must be positive.
  if (!(pc > 0.0) || !(tc > 0.0)) return kVaporisationConstants;
  const double tbr = tb / tc;
  const double lnPi = std::log(pc / kAtmosphere);
  double numerator = 0.0;
  double denominator = 0.0;
  switch (estimate) {
    case VaporisationEstimate::Giacalone:
      denominator = 1.0 - tbr;
      numerator = r * tb * lnPi;
      break;
    case VaporisationEstimate::Riedel:
      denominator = 0.93 - tbr;
      numerator = 1.093 * r * tb * (lnPi - 1.0);
      break;
    case VaporisationEstimate::Chen:
      denominator = 1.07 - tbr;
      numerator = r * tb * (3.978 * tbr - 3.938 + 1.555 * lnPi);
      break;
    case VaporisationEstimate::Vetere:
      denominator = 0.37691 - 0.37306 * tbr + 0.14878 / (pc / kAtmosphere * tbr * tbr);
      numerator = r * tb * (0.4343 * lnPi - 0.68859 + 0.89584 * tbr);
      break;
    case VaporisationEstimate::Kistiakowsky:
      break;
  }
  if (!(denominator > 0.0)) return kVaporisationDenominator;
  dhv = numerator / denominator;
  return 0;
}

std::int32_t HCORTB(double mw, double& dh, double& cp, double tb, double t, double k) {
  // 1. Temperatures in °F.
  const double tf = fahrenheit(t);
  const double tbf = fahrenheit(tb);

  // 2. The interval: the first grid point above K closes it; the end intervals beyond.
  std::size_t hi = kVapourTable.size() - 1;
  for (std::size_t j = 1; j < kVapourTable.size(); ++j) {
    if (k < kVapourTable[j].k) {
      hi = j;
      break;
    }
  }
  const TableRow& lo = kVapourTable[hi - 1];
  const TableRow& up = kVapourTable[hi];
  const double w = (k - lo.k) / (up.k - lo.k);

  // 3. Cp and its integral from tb to t at both ends.
  const auto heatCapacity = [&](const TableRow& e) { return e.a + tf * (e.b + tf * e.c); };
  const auto change = [&](const TableRow& e) {
    return (tf - tbf) *
           (e.a + e.b * (tf + tbf) / 2.0 + e.c * (tf * tf + tf * tbf + tbf * tbf) / 3.0);
  };

  // 4. Interpolated in K, per mole; the enthalpy per kelvin scale.
  const double cpLo = heatCapacity(lo);
  const double dhLo = change(lo);
  cp = mw * (cpLo + w * (heatCapacity(up) - cpLo));
  dh = mw * (dhLo + w * (change(up) - dhLo)) / kFahrenheitScale;
  return 0;
}

std::int32_t HCORID(double mw, double& cp, double& h, std::int32_t phase, double sg, double tb,
                    double t, double k) {
  // 1. The Watson-Nelson coefficients.
  const double b = kB0 - kB1 * sg;
  const double a = kA0 - kA1 * sg;
  const double f = (kF0 * k + kF1) * mw;

  // 2-3. The liquid at T (vapour: at Tb), from 32 °F.
  const bool vapour = phase == kVapour;
  const double tf = fahrenheit(vapour ? tb : t);
  cp = (2.0 * b * tf + a) * f;
  h = ((tf + kFreezingFahrenheit) * b + a) * (tf - kFreezingFahrenheit) * f / kFahrenheitScale;

  // 4. The vapour: vaporised at Tb and heated to T.
  std::int32_t status = 0;
  if (vapour) {
    double dhv = 0.0;
    HCORSW(dhv, static_cast<std::int32_t>(VaporisationEstimate::Kistiakowsky), services::DMISS, tb,
           services::DMISS);
    h += dhv;
    double dh = 0.0;
    status = HCORTB(mw, dh, cp, tb, t, k);
    h += dh;
  }

  // 5. kJ.
  h *= kKilojoulesPerKilocalorie;
  cp *= kKilojoulesPerKilocalorie;
  return status;
}

void HCORCS(std::span<const double> mw, double& r, std::span<double> cp,
            std::span<const double> cpIdeal, std::span<double> h, std::span<const double> hIdeal,
            std::int32_t& status, std::int32_t phase, std::span<const std::int32_t> kinds,
            std::span<double> work, std::int32_t n, double p, double& d, double t,
            std::span<const double> x, std::span<const std::int32_t> classes,
            std::span<const double> reals, std::int32_t k0, std::int32_t code,
            std::span<double> pressureSlopes) {
  const auto count = static_cast<std::size_t>(n > 0 ? n : 0);
  const auto leading = static_cast<std::size_t>(k0 > 0 ? k0 : 0);
  for (const auto& [have, what] : {std::pair{mw.size(), "MW"},
                                   {cp.size(), "CP"},
                                   {cpIdeal.size(), "CPIDEAL"},
                                   {h.size(), "H"},
                                   {hIdeal.size(), "HIDEAL"},
                                   {kinds.size(), "KINDS"},
                                   {x.size(), "X"}}) {
    require(have, count, what);
  }
  require(leading, kFamilyColumns * count, "K0");
  require(reals.size(), leading + kDataColumns * count, "REALS");
  const std::span<const double> family = reals.first(leading);
  const std::span<const double> data = reals.subspan(leading);

  // 1. Clear the work array and the vapour results.
  std::fill(work.begin(), work.end(), 0.0);
  r = 0.0;
  d = 0.0;

  // 2. Petroleum fractions by their correlation, the others from the ideal gas.
  for (std::size_t i = 0; i < count; ++i) {
    if (kinds[i] <= 0) {
      status =
          HCORID(mw[i], cp[i], h[i], phase, column(data, count, kGravityColumn)[i],
                 column(data, count, kBoilingColumn)[i], t, column(data, count, kWatsonColumn)[i]);
    } else {
      h[i] = hIdeal[i];
      cp[i] = cpIdeal[i];
    }
  }

  // 3. The vapour: the correlation-family residual.
  if (phase == kVapour) {
    double omega = 0.0;
    double pr = 0.0;
    double tr = 0.0;
    pure::MTHDSP(pure::kResidualVapour, n, code, family, x, t, p, omega, pr, tr, r, d, status);
    return;
  }

  // 4. The liquid: the temperature terms of nu and gamma.
  if (work.size() < kWorkBlocks * count) {
    status = kCorrelationEnthalpyShortWork;
    return;
  }
  require(classes.size(), count, "CLASSES");
  require(pressureSlopes.size(), count, "PRESSURE SLOPES");
  const auto block = [&](std::size_t k) { return work.subspan(k * count, count); };
  FUGLS0(status, n, p, t, block(0), block(1), block(2), pressureSlopes,
         column(family, count, kAcentricColumn), column(family, count, kCriticalPColumn),
         column(family, count, kCriticalTColumn), classes, 0);
  std::array<double, 1> noMatrix{};
  GAMREG(status, 1, n, t, x, block(0), block(3), noMatrix, column(data, count, kSolubilityColumn),
         kRegularSolution, column(data, count, kVolumeColumn));
  const std::span<const double> nuT = block(1);
  const std::span<const double> nuTT = block(2);
  const std::span<const double> gammaT = block(3);
  for (std::size_t i = 0; i < count; ++i) {
    if (kinds[i] <= 0) continue;
    h[i] -= kR * t * t * (nuT[i] + gammaT[i]);
    cp[i] -= kR * t * (t * nuTT[i] + 2.0 * nuT[i]);
  }
}

}  // namespace equilibrium
