// The equivalent substance of the corresponding-states transport model: the shape factors
// of the components and their one-fluid mixing (TRCSSH), and the one-fluid molar masses
// and the temperature derivative of the mixture factor (TRCSS2).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "thermo/phase/cs_transport_model.hpp"

namespace phase::cs {
namespace {

constexpr int kPasses = 15;
constexpr double kFactorTolerance = 1.0E-5;
// Reduced temperatures and volumes are held to this range in the shape factors.
constexpr double kLowReduced = 0.5;
constexpr double kHighReduced = 2.0;

// theta and phi of a component at (T+, V+): the temperature and volume shape factors.
double theta(double omega, double tp, double vp) {
  return 1.0 + (omega - kOmega0) * (kA1 + kB1 * std::log(tp) + (kC1 + kD1 / tp) * (vp - 0.5));
}
double phi(double omega, double zc, double tp, double vp) {
  return (1.0 + (omega - kOmega0) * (kA2 * (vp + kB2) + kC2 * (vp + kD2) * std::log(tp))) * kZc0 /
         zc;
}

// Pair values of one-fluid mixing.
double pairH(double hi, double hj) {
  const double r = 0.5 * (std::cbrt(hi) + std::cbrt(hj));
  return r * r * r;
}

// fx and hx of the components in the mixture:
//   hx = sum sum x_i x_j h_ij,  fx = sum sum x_i x_j f_ij h_ij / hx.
void mix(const Mixture& m, double& fx, double& hx) {
  double sh = 0.0, sfh = 0.0;
  const std::size_t n = m.x.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (m.skip[i] != 0) continue;
    for (std::size_t j = 0; j < n; ++j) {
      if (m.skip[j] != 0) continue;
      const double xx = m.x[i] * m.x[j];
      const double hij = pairH(m.h[i], m.h[j]);
      sh += xx * hij;
      sfh += xx * std::sqrt(m.f[i] * m.f[j]) * hij;
    }
  }
  hx = sh;
  fx = sfh / sh;
}

}  // namespace

bool TRCSSH(const Mixture& m, const Components& c, double t, double p, double vstart,
            Equivalent& e) {
  const std::size_t n = m.x.size();
  // 1. Flags and the first factors: critical ratios, for a vapour start with the shape
  // factors at T+ = T/Tc and V+ = 0.5.
  for (std::size_t i = 0; i < n; ++i) {
    m.skip[i] = m.x[i] <= 0.0 ? 1 : 0;
    m.f[i] = c.tc[i] / kTc0;
    m.h[i] = kRhoC0 / c.rhoc[i];
    if (vstart < 1.0) {
      const double tp = t / c.tc[i];
      m.f[i] *= theta(c.omega[i], tp, vstart);
      m.h[i] *= phi(c.omega[i], c.zc[i], tp, vstart);
    }
  }
  const bool liquid = vstart >= 1.0;
  // 2. Passes of mixing, methane density and new shape factors.
  double fxOld = 0.0, hxOld = 0.0;
  for (int pass = 1; pass <= kPasses; ++pass) {
    mix(m, e.fx, e.hx);
    e.t0 = t / e.fx;
    const double p0 = p * e.hx / e.fx;
    // The methane search starts on the side of the phase: a liquid from three times the
    // critical density, a vapour from the ideal gas.
    const double rhos = liquid ? 3.0 * kRhoC0 : p0 / (kGasConstant * e.t0);
    if (!TRCSS1(e.t0, p0, rhos, e.rho0)) return false;
    for (std::size_t i = 0; i < n; ++i) {
      if (m.skip[i] != 0) continue;
      const double tp = std::clamp(e.t0 * m.f[i] / c.tc[i], kLowReduced, kHighReduced);
      const double vp = std::clamp(m.h[i] * c.rhoc[i] / e.rho0, kLowReduced, kHighReduced);
      m.f[i] = c.tc[i] / kTc0 * theta(c.omega[i], tp, vp);
      m.h[i] = kRhoC0 / c.rhoc[i] * phi(c.omega[i], c.zc[i], tp, vp);
    }
    if (pass > 1 && std::abs(e.fx / fxOld - 1.0) <= kFactorTolerance &&
        std::abs(e.hx / hxOld - 1.0) <= kFactorTolerance) {
      // 3. The mixture density and the mixture factors.
      e.rho = e.rho0 / e.hx;
      e.rhoMass = e.rho0 * kM0 / 1000.0;
      TRCSS2(m, c, t, e);
      return true;
    }
    fxOld = e.fx;
    hxOld = e.hx;
  }
  return false;
}

void TRCSS2(const Mixture& m, const Components& c, double t, Equivalent& e) {
  const std::size_t n = m.x.size();
  // 1. One-fluid molar masses, mu_ij = M_i M_j/(M_i + M_j):
  //   M_eta    = 2 (sum sum x_i x_j (f_ij mu_ij)^1/2 h_ij^4/3)^2 / (fx hx^8/3)
  //   M_lambda = 2 fx hx^8/3 / (sum sum x_i x_j (f_ij/mu_ij)^1/2 h_ij^4/3)^2
  // 2. Zc = sum x_i Zc_i.
  double seta = 0.0, slambda = 0.0, zc = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (m.skip[i] != 0) continue;
    zc += m.x[i] * c.zc[i];
    for (std::size_t j = 0; j < n; ++j) {
      if (m.skip[j] != 0) continue;
      const double xx = m.x[i] * m.x[j];
      const double h43 = std::pow(pairH(m.h[i], m.h[j]), 4.0 / 3.0);
      const double fij = std::sqrt(m.f[i] * m.f[j]);
      const double mu = c.mw[i] * c.mw[j] / (c.mw[i] + c.mw[j]);
      seta += xx * std::sqrt(fij * mu) * h43;
      slambda += xx * std::sqrt(fij / mu) * h43;
    }
  }
  const double hx83 = std::pow(e.hx, 8.0 / 3.0);
  e.mViscosity = 2.0 * seta * seta / (e.fx * hx83);
  e.mConductivity = 2.0 * e.fx * hx83 / (slambda * slambda);
  e.zcMean = zc;

  // 3. Logarithmic derivatives of the shape factors, accumulated into a 3 x 4 matrix.
  std::array<std::array<double, 4>, 3> mat{};
  for (std::size_t i = 0; i < n; ++i) {
    if (m.skip[i] != 0) continue;
    const double tp = std::min(t * m.f[i] / (e.fx * c.tc[i]), kHighReduced);
    const double vp = std::clamp(m.h[i] * c.rhoc[i] / (e.hx * e.rho), kLowReduced, kHighReduced);
    const double dw = c.omega[i] - kOmega0;
    const double thetai = m.f[i] * kTc0 / c.tc[i];
    const double phii = m.h[i] * c.rhoc[i] / kRhoC0;
    // alpha, beta: d ln(theta)/d ln(T+), d ln(theta)/d ln(V+); zeta, psi: those of phi.
    double alpha = dw / thetai * (kB1 - kD1 * (vp - 0.5) / tp);
    double beta = dw / thetai * (kC1 + kD1 / tp) * vp;
    const double pz = dw * kZc0 / (c.zc[i] * phii);
    double psi = pz * (kA2 + kC2 * std::log(tp)) * vp;
    double zeta = pz * kC2 * (vp + kD2);
    if (tp >= kHighReduced) alpha = zeta = 0.0;
    if (vp <= kLowReduced || vp >= kHighReduced) beta = psi = 0.0;
    const double d = (1.0 - psi) * (1.0 - alpha) - zeta * beta;
    // Row sums over j of the mixing terms.
    const double hi13 = std::cbrt(m.h[i]);
    double a = 0.0, b = 0.0, cc = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
      if (m.skip[j] != 0) continue;
      const double hij = pairH(m.h[i], m.h[j]);
      const double fij = std::sqrt(m.f[i] * m.f[j]);
      const double h23 = hi13 * std::pow(hij, 2.0 / 3.0);
      a += m.x[j] * h23;
      b += m.x[j] * fij * h23;
      cc += m.x[j] * fij * hij;
    }
    const std::array<double, 3> rows{m.x[i] * a / (e.hx * d), m.x[i] * b / (e.fx * e.hx * d),
                                     m.x[i] * cc / (e.fx * e.hx * d)};
    const std::array<double, 4> cols{1.0 - alpha, beta, 1.0 - psi, zeta};
    for (std::size_t r = 0; r < 3; ++r) {
      for (std::size_t k = 0; k < 4; ++k) mat[r][k] += rows[r] * cols[k];
    }
  }
  // 4. u = 1 - m11/(m11 (m24 + m33) - m14 (m21 + m32)).
  const double m11 = mat[0][0], m14 = mat[0][3], m21 = mat[1][0], m24 = mat[1][3];
  const double m32 = mat[2][1], m33 = mat[2][2];
  e.u = 1.0 - m11 / (m11 * (m24 + m33) - m14 * (m21 + m32));
}

}  // namespace phase::cs
