// Liquid viscosity of hydrocarbon and petroleum liquids from generalized correlations:
// TRLSTV (pseudo-critical correlation with the Kouzel pressure correction) with its mixture
// form TRLIQV, and PETVIS (kinematic viscosities at 100 F and 210 F from the
// characterisation factor or the Twu n-alkane reference, the Walther line to the
// temperature) with its mixture form TRPETM.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/phase/transport.hpp"
#include "thermo/phase/transport_internal.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace phase {
namespace {

using services::kGasConstant;
using transport::ComponentReal;
using transport::constant;
using transport::single;

constexpr double kAtm = 101.325;              // kPa
constexpr double kPsiaPerAtm = 14.696;        // of the vapour-pressure estimate
constexpr double kPsiaPerAtmInput = 14.6959;  // of the pressure conversion of TRLSTV
constexpr double kWaterDensity60F = 999.014;  // kg/m3
constexpr double kRankine = 1.8;
constexpr double kNoCorrection = 10000.0;  // cP: no pressure correction above it
constexpr double kExponentCap = 30.0;
constexpr double kMinBoilingRankine = 201.0;
// ln of 559.67 R (100 F) and the difference to ln 669.67 R (210 F).
constexpr double kLn100F = 6.327347325;
constexpr double kLn210FLess100F = 0.179437729;
constexpr double kStandardTemperature = 288.706;  // 60 F, K

// The Riedel factor alpha = 0.9076 (1 + Tbr ln(Pc/1 atm)/(1 - Tbr)).
double riedel(double tbr, double pc) {
  return 0.9076 * (1.0 + tbr * std::log(pc / kAtm) / (1.0 - tbr));
}

// The Kouzel factor of the pressure above the estimated vapour pressure (Lee-Kesler form
// through the Riedel factor), applied when the pressure exceeds it.
double kouzel(double mu, double tr, double pcPsia, double pPsia, double alpha, bool atEqual) {
  const double phi = 36.0 / tr - 35.0 - std::pow(tr, 6) + 42.0 * std::log(tr);
  const double l = std::log10(tr);
  const double s =
      std::min(0.118 * phi - 7.0 * l + (0.0364 * phi - l) * (alpha - 7.0), kExponentCap);
  const double pv = pcPsia / std::pow(10.0, s);
  const double dp = pPsia - pv;
  if (dp > 0.0 || (atEqual && dp == 0.0)) {
    mu *= std::pow(10.0, dp * (0.0239 + 0.01638 * std::pow(mu, single(0.278))) / 1000.0);
  }
  return mu;
}

// g(t) = (1 - omega f1(t)) f2(t) of the low-temperature branch.
double saturatedVolume(double t, double omega) {
  const double f1 = 0.29607 - (0.04842 * t + 0.09045) * t;
  const double f2 = ((((1.11422 * t - 2.02512) * t + 1.51941) * t - 0.33953) * t) + 0.33593;
  return (1.0 - omega * f1) * f2;
}

// One of the curve pairs ln(nu100), ln(nu210) of the characterisation-factor method.
struct Curve {
  double a, b, c, d, e, f;  // a/Tb + b + c ln Tb + d Tb + e Tb^3 + f Tb^6
  double at(double tb) const {
    return a / tb + b + c * std::log(tb) + d * tb + e * tb * tb * tb + f * std::pow(tb, 6);
  }
};
// K = 11: ln nu100 = 600.044 - 28308.8/Tb ..., written in the form above.
constexpr Curve kK11At100{-28308.8, 600.044, -95.2342, 0.0959137, -1.00534e-8, 1.62141e-18};
constexpr Curve kK11At210{16873.7, -400.015, 63.489, -0.0616262, 6.36527e-9, 1.19435e-19};
constexpr Curve kK10At100{7831.91, -234.362, 38.3044, -0.04301, 5.55144e-9, 8.41988e-19};
constexpr Curve kK10At210{11124.9, -258.131, 40.4918, -0.0356499, 2.81192e-9, 4.68001e-19};
constexpr Curve kK12At100{22615.7, -509.138, 80.4388, -0.0763095, 8.19108e-9, 2.44956e-19};
constexpr Curve kK12At210{11787.9, -243.268, 37.3558, -0.0283454, 1.62873e-9, 4.06341e-19};

// The Walther Z of a kinematic viscosity (cSt).
double waltherZ(double nu) {
  const double e = std::max(-1.47 - 1.84 * nu - 0.51 * nu * nu, -kExponentCap);
  const double z = nu + 0.7 + std::exp(e);
  return z <= 1.0 ? 1.0001 : z;
}

}  // namespace

double TRLSTV(double m, double tc, double pc, double t, double omega, double tb, double rho,
              double p, double alpha) {
  // 1. Reduced values.
  const double sg = rho / kWaterDensity60F;
  const double pcAtm = pc / kAtm;
  const double pPsia = p * kPsiaPerAtmInput / kAtm;
  const double xi =
      std::pow(tc, single(0.16667)) / (std::sqrt(m) * std::pow(pcAtm, single(0.66667)));
  const double tr = std::min(t / tc, 1.0);
  double mu = 0.0;  // cP
  if (tr > 0.98) {
    // 2. Near the critical point.
    mu = (-1.665 * tr * tr + 3.26335 * tr - 1.59755) / xi;
  } else if (tr > 0.76) {
    // 3. Letsou-Stiel.
    mu = ((0.015174 - 0.02135 * tr + 0.0075 * tr * tr) +
          omega * (0.042552 - 0.07674 * tr + 0.034 * tr * tr)) /
         xi;
  } else if (t > tb) {
    // 4. ln(mu) linear in 1/T between the boiling point and 0.76 Tc.
    const double muB = 0.275 * std::sqrt(sg);
    const double mu76 = (0.00328 + 0.003868 * omega) / xi;
    const double t76 = 0.76 * tc;
    const double b = std::log(muB / mu76) * t76 * tb / (t76 - tb);
    mu = muB * std::exp(b / t - b / tb);
  } else {
    // 5. Below the boiling point.
    const double x = 288.706 / tc;
    const double r =
        x > 0.8 ? 0.5828 : sg * saturatedVolume(x, omega) / saturatedVolume(tb / tc, omega);
    const double e = std::min(tb * (tc - t) / (t * (tc - tb)), 40.0);
    mu = 0.1236 * std::sqrt(r) * std::exp(e / 1.25);
  }
  // 6. Pressure correction.
  if (mu <= kNoCorrection) mu = kouzel(mu, tr, pcAtm * kPsiaPerAtm, pPsia, alpha, false);
  return mu / 1000.0;
}

double TRLIQV(double t, double p, std::span<const double> x, std::int32_t& /*ierr*/) {
  const std::int32_t n = transport::vapourCount();
  double s = 0.0, m = 0.0, vc = 0.0, zc = 0.0, tc = 0.0, tbr = 0.0, omega = 0.0, rho = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    const double xi = x[static_cast<std::size_t>(i - 1)];
    const double tci = constant(ComponentReal::CriticalTemperature, i);
    s += xi;
    m += xi * constant(ComponentReal::MolecularWeight, i);
    vc += xi * constant(ComponentReal::CriticalVolume, i);
    zc += xi * constant(ComponentReal::CriticalCompressibility, i);
    tc += xi * tci;
    tbr += xi * constant(ComponentReal::NormalBoilingPoint, i) / tci;
    omega += xi * constant(ComponentReal::AcentricFactor, i);
    rho += xi * constant(ComponentReal::StandardLiquidDensity, i) * kWaterDensity60F;
  }
  double pc = 0.0, tb = 0.0;
  if (s <= 0.0) {
    rho = 1000.0;
    m = 30.0;
    omega = 0.5;
    pc = 2000.0;
    tc = 500.0;
    tbr = 0.7;
    tb = 400.0;
  } else {
    tb = tc * tbr;
    pc = vc <= 0.0 ? 1.0 : tc * kGasConstant * zc / vc;
  }
  return TRLSTV(m, tc, pc, t, omega, tb, rho, p, riedel(tbr, pc));
}

ReferenceViscosities petroleumReferenceViscosities(std::int32_t mode, double tbRankine, double sg) {
  const double tb = std::max(tbRankine, kMinBoilingRankine);
  const double api = 141.5 / sg - 131.5;
  if (mode == static_cast<std::int32_t>(PetroleumCurves::CharacterisationFactor)) {
    const double c = std::cbrt(tb);
    const double k = c / sg;
    const bool lower = k < 11.0;
    const Curve& other100 = lower ? kK10At100 : kK12At100;
    const Curve& other210 = lower ? kK10At210 : kK12At210;
    const double api11 = 1556.5 / c - 131.5;
    const double apiK = (lower ? 1415.0 : 1698.0) / c - 131.5;
    const double r = (api - api11) / (apiK - api11);
    const double v11At100 = kK11At100.at(tb);
    const double v11At210 = kK11At210.at(tb);
    const double ln100 = std::min(v11At100 + r * (other100.at(tb) - v11At100), kExponentCap);
    const double ln210 = std::min(v11At210 + r * (other210.at(tb) - v11At210), kExponentCap);
    return {std::exp(ln100), std::exp(ln210)};
  }
  // The n-alkane reference and the specific-gravity difference (Twu).
  const double alpha0 = 0.466728 + ((2.84376e-11 * tb - 7.79681e-8) * tb - 1.91017e-4) * tb -
                        95.9468 / std::pow(tb / 100.0, 13);
  const double sg0 =
      0.843593 - 0.128624 * alpha0 - 3.36159 * std::pow(alpha0, 3) - 13749.5 * std::pow(alpha0, 12);
  const double dsg = sg - sg0;
  const double nu0At210 = std::exp(4.73227 - 27.0975 * alpha0 + 49.4491 * alpha0 * alpha0 -
                                   50.4706 * std::pow(alpha0, 4)) -
                          1.5;
  const double nu0At100 = std::exp(0.801621 + 1.37179 * std::log(nu0At210));
  const double x = std::fabs(1.99873 - 56.7394 / std::sqrt(tb));
  const double c = -21.1141 / std::sqrt(tb);
  const double f210 = 2.0 * (x + c * dsg) * dsg;
  const double f100 = 2.0 * (1.33932 * x + c * dsg) * dsg;
  const double q = 450.0 / tb;
  const auto shifted = [&](double nu0, double f) {
    const double u = std::max(nu0 + q, 1e-4);
    const double ratio = (1.0 + f) / (1.0 - f);
    const double l = std::min(std::log(u) * ratio * ratio, kExponentCap);
    return std::exp(l) - q;
  };
  return {shifted(nu0At100, f100), shifted(nu0At210, f210)};
}

double waltherViscosity(double nu100, double nu210, double tRankine) {
  const double ll100 = std::log(std::log(waltherZ(nu100)));
  const double ll210 = std::log(std::log(waltherZ(nu210)));
  const double b = (ll210 - ll100) / kLn210FLess100F;
  const double a = ll100 - kLn100F * b;
  const double y = std::min(a + b * std::log(tRankine), 3.0);
  const double z = std::exp(std::exp(y)) - 0.7;
  const double e = std::clamp(-0.7487 - 3.295 * z + 0.6119 * z * z - 0.3193 * z * z * z,
                              -kExponentCap, kExponentCap);
  return z - std::exp(e);
}

double PETVIS(std::int32_t mode, double tb, double sg, double t, double tc, double p, double pc,
              double alpha, double rho) {
  const double tR = kRankine * t;
  const double tcR = kRankine * tc;
  const double pPsia = p * kPsiaPerAtm / kAtm;
  const double pcPsia = pc * kPsiaPerAtm / kAtm;
  // 1.-3. Kinematic viscosity at T (cSt).
  const ReferenceViscosities ref = petroleumReferenceViscosities(mode, kRankine * tb, sg);
  const double nu = waltherViscosity(ref.at100F, ref.at210F, tR);
  // 4. Dynamic viscosity, cP.
  double mu = nu * rho / 1000.0;
  // 5. Pressure correction.
  if (mu < kNoCorrection) mu = kouzel(mu, std::min(tR / tcR, 0.99), pcPsia, pPsia, alpha, true);
  return mu / 1000.0;
}

double TRPETM(double t, double p, std::span<const double> x, std::int32_t option,
              std::int32_t& ierr) {
  const std::int32_t n = transport::vapourCount();
  double m = 0.0, v = 0.0, vc = 0.0, zc = 0.0, tc = 0.0, tbr = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    const double xi = x[static_cast<std::size_t>(i - 1)];
    const double mi = constant(ComponentReal::MolecularWeight, i);
    const double tci = constant(ComponentReal::CriticalTemperature, i);
    m += xi * mi;
    v += xi * mi / constant(ComponentReal::StandardLiquidDensity, i);
    vc += xi * constant(ComponentReal::CriticalVolume, i);
    zc += xi * constant(ComponentReal::CriticalCompressibility, i);
    tc += xi * tci;
    tbr += xi * constant(ComponentReal::NormalBoilingPoint, i) / tci;
  }
  // A composition without volume has no petroleum viscosity.
  if (!(v > 0.0) || !(m > 0.0) || !(tc > 0.0)) {
    ierr = kTransportFailed;
    return 0.0;
  }
  const double sg = m / v;
  const double pc = vc <= 0.0 ? 1.0 : tc * kGasConstant * zc / vc;
  const double alpha = riedel(tbr, pc);
  const double tb = tc * tbr;
  double molar = 0.0, amount = 0.0;
  std::int32_t status = 0;
  pure::APIDEN(kStandardTemperature, kAtm, x.first(static_cast<std::size_t>(n)), n, molar, amount,
               0, status);
  if (!(molar > 0.0)) {
    ierr = kTransportFailed;
    return 0.0;
  }
  return PETVIS(6 - option, tb, sg, t, tc, p, pc, alpha, molar * m);
}

}  // namespace phase
