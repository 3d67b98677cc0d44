// The acentric-factor estimate of K-value method 120 for components without library data:
// the reduced vapour pressure from a boiling-point chart correlation in field units, the
// fugacity coefficient of the saturated vapour, and the inverse of the simple-fluid liquid
// fugacity correlation.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "thermo/equilibrium/correlation_kvalues.hpp"
#include "thermo/pure/cubic_eos.hpp"

namespace equilibrium {
namespace {

constexpr double kGasConstant = 8.314471;
// Field units: degrees Rankine per kelvin, psia per kPa, psia of one atmosphere.
constexpr double kRankine = 1.8;
constexpr double kPsiaPerKpa = 0.145037681;
constexpr double kAtmospherePsia = 14.696;
constexpr double kLog10Atmosphere = 1.167317;  // log10(14.696)
// Liquid density from kg/m3 to lb/ft3.
constexpr double kPoundsPerKilogram = 2.205;
constexpr double kCubicFeetPerCubicMetre = 35.32;

// The temperature at which the vapour pressure is taken, as a reduced temperature.
constexpr double kCappedReducedTemperature = 0.9;
// The boiling-point correction: at most five passes, stop within 0.05 degR; no correction
// at or below 659.7 degR (200 degF), a partial one up to 859.7 degR (400 degF).
constexpr std::int32_t kBoilingPointPasses = 5;
constexpr double kBoilingPointTolerance = 0.05;
constexpr double kNoCorrectionBelow = 659.7;
constexpr double kFullCorrectionFrom = 859.7;
constexpr double kLowestBoilingPoint = 1.8;
constexpr double kLowestLogPressure = -10.0;
// Limits of the reduced vapour pressure.
constexpr double kRatioExponentLimit = 30.0;
constexpr double kRatioLimit = 1.0e30;
constexpr double kLowestReducedPressure = 1.0e-10;
// Below this reduced pressure the saturated vapour is ideal.
constexpr double kIdealVapour = 2.65e-6;
// The Redlich-Kwong A and B of the saturated vapour, and the bounds of its series.
constexpr double kOmegaB = 0.08664035;
constexpr double kOmegaAOverB = 4.933962448;
constexpr double kSeriesLimit = 0.02;
constexpr double kSecondOrderFrom = 0.002;
constexpr double kLog10E = 0.434294;
constexpr double kSecondOrderFactor = 0.21747;
constexpr double kLn10 = 2.302585;
// The blend towards the estimate from the critical constants above Tr = 0.9: sin^2 of
// 5 pi (Tr - 0.9), which reaches 1 at Tr = 1.
constexpr double kBlendFrequency = 15.70796;

// log10 of the vapour pressure (psia) at TP (degR) of a fluid boiling at TB (degR) at one
// atmosphere.
double logVapourPressure(double tp, double tb) {
  const double x = (tb / tp - 0.0002867 * tb) / (748.1 - 0.2145 * tb);
  double lambda = 0.0;
  if (x > 0.002831) {
    lambda = 6.7848153 - x / 0.00027;
  } else {
    lambda =
        5.32159 +
        x * (-4615.5 + x * (2617454.0 + x * (-1601348000.0 +
                                             x * (432642100000.0 + x * (-52576460000000.0 +
                                                                        x * 2274413000000000.0)))));
  }
  return std::max(lambda, kLowestLogPressure);
}

// The estimate from the critical constants: 3/7 log10(Pc/1 atm)/(Tc/Tb - 1) - 1.
double criticalEstimate(double tb, double tc, double pc) {
  return 0.4285714 * std::log10(pc / kAtmospherePsia) / (tc / tb - 1.0) - 1.0;
}

// log10 of the fugacity coefficient of the saturated vapour at the reduced pressure PIS and
// reduced temperature TR: a virial series while the reduced attraction is small, else the
// vapour root of the Redlich-Kwong equation at T and P (only A and B enter it). False when
// the equation gives no usable root (non-finite constants).
bool logSaturatedFugacity(double pis, double tr, double t, double p, double& zv, double& value) {
  value = 0.0;
  if (pis < kIdealVapour) return true;
  const double bb = kOmegaB * pis / tr;
  const double aa = kOmegaAOverB * bb / std::pow(tr, 1.5);
  if (aa < kSeriesLimit) {
    value = kLog10E * (bb - aa);
    if (aa > kSecondOrderFrom) value += kSecondOrderFactor * aa * (3.0 * bb - aa);
    return true;
  }
  const double rt = kGasConstant * t;
  const double a = aa * rt * rt / p;
  const double b = bb * rt / p;
  std::array<double, 1> abar{a}, bbar{b}, lnphi{0.0};
  double z = 0.0, zT = 0.0, zP = 0.0, hr = 0.0, sr = 0.0, cpr = 0.0, cvr = 0.0, cpcv = 0.0;
  std::int32_t status = pure::kTrueRoot;
  pure::EOSZRT(a, 0.0, 0.0, abar, {}, {}, b, 0.0, 0.0, bbar, {}, {}, pure::kVapourPhase, 1, 1, p,
               pure::kReferencePressure, 0.0, -1.0, t, z, zT, zP, lnphi, {}, {}, {}, hr, sr, cpr,
               cvr, cpcv, {}, {}, methods::PMCTL2.ISEUDI, status);
  if (status == pure::kNoRoot) return false;
  zv = z;
  value = lnphi[0] / kLn10;
  return true;
}

}  // namespace

double estimateAcentricFactor(double t, double p, double tb, double tc, double pc, double mw,
                              double vl, double& zv) {
  // Field units.
  const double tR = kRankine * t;
  const double tbR = kRankine * tb;
  const double tcR = kRankine * tc;
  const double pcPsia = kPsiaPerKpa * pc;
  const double pPsia = kPsiaPerKpa * p;
  const double tr = tR / tcR;
  const double density = mw / vl * kPoundsPerKilogram / kCubicFeetPerCubicMetre;  // lb/ft3

  // At and above the critical temperature: the estimate from the critical constants.
  const double fromCritical = criticalEstimate(tbR, tcR, pcPsia);
  if (tr >= 1.0) return fromCritical;

  // The vapour pressure at T' = min(T, 0.9 Tc), the boiling point corrected by the
  // characterization factor Kw = Tb^(1/3)/SG for the pressure it boils at.
  const bool capped = tr >= kCappedReducedTemperature;
  const double tp = capped ? kCappedReducedTemperature * tcR : tR;
  const double trp = capped ? kCappedReducedTemperature : tr;
  double tbp = tbR;
  double lambda = 0.0;
  for (std::int32_t pass = 1; pass <= kBoilingPointPasses; ++pass) {
    lambda = logVapourPressure(tp, tbp);
    if (tbR <= kNoCorrectionBelow) break;
    const double kw = 62.34409 * std::cbrt(tbR) / density;
    double shift = 2.5 * (kw - 12.0) * (lambda - kLog10Atmosphere);
    if (tbR < kFullCorrectionFrom && lambda > kLog10Atmosphere) {
      shift *= (tbR - kNoCorrectionBelow) / 200.0;
    }
    const double next = std::max(tbR - shift, kLowestBoilingPoint);
    if (std::fabs(next - tbp) < kBoilingPointTolerance) break;
    tbp = next;
  }

  // The reduced vapour pressure Psat/Pc, through Psat/P as the correlation forms it.
  const double exponent = lambda - std::log10(pPsia);
  const double ratio = exponent > kRatioExponentLimit ? kRatioLimit : std::pow(10.0, exponent);
  const double pis = std::max(ratio * pPsia / pcPsia, kLowestReducedPressure);

  // At saturation nu = phiS: log10 phiS = nu0 + omega nu1 of the simple-fluid correlation.
  double logPhiS = 0.0;
  // Without a vapour root the estimate from the critical constants stands, as above Tc.
  if (!logSaturatedFugacity(pis, trp, t, p, zv, logPhiS)) return fromCritical;
  const double nu0 = 2.05135 - 2.10899 / trp - 0.19396 * trp * trp + 0.02282 * trp * trp * trp +
                     (0.08852 - 0.00872 * trp * trp) * pis +
                     (-0.00353 + 0.00203 * trp) * pis * pis - std::log10(pis);
  const double nu1 =
      8.65808 * trp - 4.22393 - 1.2206 / trp - 3.15224 * trp * trp * trp - 0.025 * pis;
  double omega = (logPhiS - nu0) / nu1;

  // Between Tr = 0.9 and 1, towards the estimate from the critical constants.
  if (tr > kCappedReducedTemperature) {
    const double s = std::sin(kBlendFrequency * (tr - kCappedReducedTemperature));
    omega += (fromCritical - omega) * s * s;
  }
  return omega;
}

}  // namespace equilibrium
