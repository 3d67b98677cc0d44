// Generalized liquid-density correlations and the mixture sums behind them: APICNV, POLY2D,
// COSTALD (COSTLD), the Rackett equation (RACKET) and the petroleum density (APIDEN).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/pure/correlations.hpp"
#include "thermo/pure/eos_internal.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace pure {
namespace {

using problem::ComponentReal;
constexpr double kR = services::kGasConstant;

// The standard state of method 301: 60 F and one atmosphere.
constexpr double kStandardTemperature = 288.7056;
constexpr double kStandardPressure = 101.325;

// The generalized density table of method 301, c(i, j) at [4 i + j]: powers j of the reduced
// temperature, i of the reduced pressure.
constexpr std::array<double, 16> kPetroleumTable{
    1.49592,   -1.41987,   1.77625,   -1.30284,   -0.0344404,  0.233379,   -0.480569,   0.341342,
    0.0042176, -0.0281059, 0.0567429, -0.0368455, -0.00018657, 0.00122713, -0.00238691, 0.00142466};

// COSTALD reduced-temperature limits.
constexpr double kLowestTr = 0.25;
constexpr double kHighestTr = 0.99;

// The Rackett temperature term above this reduced temperature stops growing.
constexpr double kRackettTr = 0.95;
constexpr double kRackettTau = 0.05;

std::size_t count(std::int32_t n) { return static_cast<std::size_t>(n > 0 ? n : 0); }

// The per-component term of an averaging option.
double term(MixtureBasis basis, std::int32_t k) {
  switch (basis) {
    case MixtureBasis::MolecularWeight:
      return componentConstant(ComponentReal::MolecularWeight, k);
    case MixtureBasis::StandardVolume:
      return componentConstant(ComponentReal::MolecularWeight, k) /
             componentConstant(ComponentReal::StandardLiquidDensity, k);
    case MixtureBasis::CriticalTemperature:
      return componentConstant(ComponentReal::CriticalTemperature, k);
    case MixtureBasis::CriticalPressure:
      return componentConstant(ComponentReal::CriticalPressure, k);
    case MixtureBasis::CriticalCompressibility:
      return componentConstant(ComponentReal::CriticalCompressibility, k);
    case MixtureBasis::AcentricFactor:
      return componentConstant(ComponentReal::AcentricFactor, k);
    case MixtureBasis::BoilingPoint:
      return componentConstant(ComponentReal::NormalBoilingPoint, k);
    default:
      return 0.0;
  }
}

}  // namespace

void APICNV(std::int32_t iopt, std::int32_t ifirst, std::int32_t ilast, std::int32_t iw,
            std::span<const double> x, double& vdry, double& vwet, double& sdry, double& swet) {
  const auto basis = static_cast<MixtureBasis>(iopt);
  const bool water = iw >= ifirst && iw <= ilast && iw >= 1;
  if (ilast >= ifirst && ifirst >= 1) {
    eos_internal::requireLength(x, static_cast<std::size_t>(ilast), "APICNV", "X");
  }
  const auto xk = [&](std::int32_t k) { return x[static_cast<std::size_t>(k - 1)]; };
  switch (basis) {
    case MixtureBasis::Amounts: {
      swet = 0.0;
      for (std::int32_t k = ifirst; k <= ilast; ++k) swet += xk(k);
      sdry = water ? std::max(swet - xk(iw), 0.0) : swet;
      vdry = vwet = 1.0;
      return;
    }
    case MixtureBasis::SpecificGravity:
    case MixtureBasis::StandardDensity:
    case MixtureBasis::ApiGravity: {
      const auto mass = [&](std::int32_t k) {
        return std::max(xk(k) * componentConstant(ComponentReal::MolecularWeight, k), 0.0);
      };
      const auto gravity = [&](std::int32_t k) {
        return componentConstant(ComponentReal::StandardLiquidDensity, k);
      };
      double m = 0.0;
      double v = 0.0;
      for (std::int32_t k = ifirst; k <= ilast; ++k) {
        m += mass(k);
        v += mass(k) / gravity(k);
      }
      vwet = v > 0.0 ? m / v : 0.0;
      if (water) {
        const double mw = mass(iw);
        const double rest = v - mw / gravity(iw);
        vdry = rest > 0.0 ? (m - mw) / rest : 0.0;
      } else {
        vdry = vwet;
      }
      if (basis == MixtureBasis::StandardDensity) {
        vdry *= kWaterStandardDensity;
        vwet *= kWaterStandardDensity;
      }
      if (basis == MixtureBasis::ApiGravity) {
        if (vdry > 0.0) vdry = 141.5 / vdry - 131.5;
        if (vwet > 0.0) vwet = 141.5 / vwet - 131.5;
      }
      sdry = swet = 1.0;
      return;
    }
    case MixtureBasis::MolecularWeight:
    case MixtureBasis::StandardVolume:
    case MixtureBasis::CriticalTemperature:
    case MixtureBasis::CriticalPressure:
    case MixtureBasis::CriticalCompressibility:
    case MixtureBasis::AcentricFactor:
    case MixtureBasis::BoilingPoint: {
      swet = 0.0;
      vwet = 0.0;
      for (std::int32_t k = ifirst; k <= ilast; ++k) {
        const double amount = std::max(xk(k), 0.0);
        swet += amount;
        vwet += amount * term(basis, k);
      }
      if (water) {
        sdry = std::max(swet - xk(iw), 0.0);
        vdry = std::max(vwet - xk(iw) * term(basis, iw), 0.0);
      } else {
        sdry = swet;
        vdry = vwet;
      }
      if (basis == MixtureBasis::StandardVolume) {
        vdry /= kWaterStandardDensity;
        vwet /= kWaterStandardDensity;
      }
      if (sdry > 0.0) vdry /= sdry;
      if (swet > 0.0) vwet /= swet;
      return;
    }
    default:
      vdry = vwet = sdry = swet = 0.0;
      return;
  }
}

double POLY2D(double x, double y, std::span<const double> coef, std::int32_t ni, std::int32_t nj) {
  const std::size_t rows = count(ni);
  const std::size_t cols = count(nj);
  eos_internal::requireLength(coef, rows * cols, "POLY2D", "COEF");
  double out = 0.0;
  double yi = 1.0;
  for (std::size_t i = 0; i < rows; ++i) {
    double xj = 1.0;
    for (std::size_t j = 0; j < cols; ++j) {
      out += coef[cols * i + j] * xj * yi;
      xj *= x;
    }
    yi *= y;
  }
  return out;
}

void COSTLD(double t, double p, std::int32_t nc, std::span<const double> y,
            std::span<const double> omega, std::span<const double> vstar,
            std::span<const double> pc, std::span<const double> tc, double& z,
            std::span<const double> omegaSrk, std::int32_t& istat) {
  const std::size_t n = count(nc);
  for (std::span<const double> a : {y, omega, vstar, pc, tc, omegaSrk}) {
    eos_internal::requireLength(a, n, "COSTLD", "COMPONENTS");
  }
  // 1. Mixture sums.
  double wSrk = 0.0, wm = 0.0, v1 = 0.0, v23 = 0.0, v13 = 0.0, pk = 0.0, tk = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    wSrk += y[i] * omegaSrk[i];
    wm += y[i] * omega[i];
    v1 += y[i] * vstar[i];
    v23 += y[i] * std::pow(vstar[i], 2.0 / 3.0);
    v13 += y[i] * std::cbrt(vstar[i]);
    pk += y[i] * pc[i];
    tk += y[i] * tc[i];
  }
  const double vm = 0.25 * (v1 + 3.0 * v23 * v13);
  double tcm = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      tcm += y[i] * y[j] * std::sqrt(vstar[i] * tc[i] * vstar[j] * tc[j]);
    }
  }
  tcm /= vm;
  const double pcm = pk + pk * (5.808 + 4.93 * wm) * (tcm / tk - 1.0);

  // 2. The reduced temperature within the correlation's range.
  double tr = t / tcm;
  istat = 0;
  if (tr < kLowestTr) {
    istat = 1;
    tr = kLowestTr;
  } else if (tr >= 1.0) {
    istat = 1;
    tr = kHighestTr;
  }

  // 3. The saturated volume.
  const double tau = 1.0 - tr;
  const double s = std::cbrt(tau);
  const double v0 = 1.0 - 1.52816 * s + 1.43907 * s * s - 0.81446 * tau + 0.190454 * tau * s;
  const double vd =
      (-0.296123 + 0.386914 * tr - 0.0427258 * tr * tr - 0.0480645 * tr * tr * tr) / (tr - 1.00001);
  const double vs = vm * v0 * (1.0 - wSrk * vd);

  // 4-5. The compressed-liquid correction from the saturation pressure.
  const double e = std::exp(4.79594 + 0.250047 * wSrk + 1.14188 * wSrk * wSrk);
  const double c = 0.0861488 + 0.0344483 * wSrk;
  const double b = pcm * (-1.0 - 9.070217 * s + 62.45326 * s * s - 135.1102 * tau + e * tau * s);
  const double l = std::log10(tr);
  const double alpha = 35.0 - 36.0 / tr - 96.736 * l + std::pow(tr, 6);
  const double beta = l + 0.03721754 * alpha;
  const double psat =
      pcm * std::pow(10.0, 5.8031817 * l + 0.07608141 * alpha + wm * 4.86601 * beta);

  // 6. The volume and Z.
  const double ratio = (b + p) / (b + psat);
  const double v = ratio > 0.0 ? vs * (1.0 - c * std::log(ratio)) : vs;
  z = p * v / (kR * t);
}

void RACKET(std::int32_t nc, std::span<const double> pc, std::span<const double> tc, double t,
            std::span<const double> zra, std::span<const double> vc, std::span<const double> y,
            double& v, double /*p*/) {
  const std::size_t n = count(nc);
  for (std::span<const double> a : {pc, tc, zra, vc, y}) {
    eos_internal::requireLength(a, n, "RACKET", "COMPONENTS");
  }
  double yvc = 0.0, ytp = 0.0, yz = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    yvc += y[i] * vc[i];
    ytp += y[i] * tc[i] / pc[i];
    yz += y[i] * zra[i];
  }
  // 1-2. Volume fractions and the Chueh-Prausnitz pseudo-critical temperature.
  double tcm = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      const double ci = std::cbrt(vc[i]);
      const double cj = std::cbrt(vc[j]);
      const double q = std::sqrt(ci * cj) / (0.5 * (ci + cj));
      const double kij = 1.0 - q * q * q;
      tcm += (y[i] * vc[i] / yvc) * (y[j] * vc[j] / yvc) * (1.0 - kij) * std::sqrt(tc[i] * tc[j]);
    }
  }
  // 3-4. The volume.
  const double tr = t / tcm;
  const double tau = tr > kRackettTr ? kRackettTau : 1.0 - tr;
  v = kR * ytp * std::pow(yz, 1.0 + std::pow(tau, 2.0 / 7.0));
}

void APIDEN(double t, double p, std::span<const double> y, std::int32_t nc, double& rho,
            double& amount, std::int32_t iw, std::int32_t& istat) {
  // 1. Dry mixture constants.
  double tcm = 0.0, pcm = 0.0, vstd = 0.0, wet = 0.0, s = 0.0, sw = 0.0;
  APICNV(static_cast<std::int32_t>(MixtureBasis::CriticalTemperature), 1, nc, iw, y, tcm, wet, s,
         sw);
  APICNV(static_cast<std::int32_t>(MixtureBasis::CriticalPressure), 1, nc, iw, y, pcm, wet, s, sw);
  APICNV(static_cast<std::int32_t>(MixtureBasis::StandardVolume), 1, nc, iw, y, vstd, wet, amount,
         sw);
  // 2. Reduced states, the temperatures capped at 1.
  const double x0 = tcm == 0.0 ? 1.0 : std::min(kStandardTemperature / tcm, 1.0);
  const double x = tcm == 0.0 ? 1.0 : std::min(t / tcm, 1.0);
  const double y0 = pcm == 0.0 ? 1.0 : kStandardPressure / pcm;
  const double yy = pcm == 0.0 ? 1.0 : p / pcm;
  // 3-4. The density relative to the standard state.
  istat = 0;
  if (!(vstd > 0.0)) {
    rho = services::DMISS;
    istat = 1;
    return;
  }
  rho = POLY2D(x, yy, kPetroleumTable, 4, 4) / (POLY2D(x0, y0, kPetroleumTable, 4, 4) * vstd);
}

}  // namespace pure
