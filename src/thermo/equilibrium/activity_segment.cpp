// GAM409 and K409KR: the activity models 409 and 514, a lattice model on segment volume
// fractions. Component i has r_i = p_i V_i/0.02 segments (V_i = 1/rho_i from the liquid
// density correlation 1231), N = sum x_i r_i, phi_i = x_i r_i/N; per pair i < j
//   a_ij = A_ij + B_ij/T + C_ij ln T,  chi_ij = 2 a_ij + (2/15)(1/r_i - 1/r_j)^2,
//   F1 = sum chi_ij phi_i phi_j,  F3 = sum a_ij phi_i phi_j (phi_j/r_i + phi_i/r_j),
//   F2 = sum (-1.611 a_ij^2) phi_i^2 phi_j^2,
//   ln gamma_i = ln(r_i/N) + 1 + r_i [-sum_k phi_k/r_k + dF1/dphi_i - F1 + dF3/dphi_i - 2 F3
//                + dF2/dphi_i - 3 F2].
// The temperature and composition derivatives are the exact derivatives of these values,
// formed by carrying one derivative alongside every value (forward differentiation), so
// they stay right whatever the algebra of the model.
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "services/scratch_vectors.hpp"
#include "services/services.hpp"
#include "thermo/equilibrium/activity_dispatcher.hpp"
#include "thermo/pure/pure.hpp"

namespace equilibrium {
namespace {

constexpr std::int32_t kLiquidDensityType = 1231;
constexpr double kReferenceSegmentVolume = 0.02;  // m3/kmol
constexpr double kPairVolumeCoefficient = 0.1333333333333332;
constexpr double kFourthOrderCoefficient = 3.2220000000000004 * 0.5;

// A value with its derivative along one direction.
struct Dual {
  double v = 0.0;
  double d = 0.0;
};
Dual operator+(Dual a, Dual b) { return {a.v + b.v, a.d + b.d}; }
Dual operator-(Dual a, Dual b) { return {a.v - b.v, a.d - b.d}; }
Dual operator*(Dual a, Dual b) { return {a.v * b.v, a.d * b.v + a.v * b.d}; }
Dual operator/(Dual a, Dual b) { return {a.v / b.v, (a.d * b.v - a.v * b.d) / (b.v * b.v)}; }
Dual operator*(double s, Dual a) { return {s * a.v, s * a.d}; }
Dual logOf(Dual a) { return {std::log(a.v), a.d / a.v}; }

// Scratch kept between calls so that a warm call allocates nothing; every problem open
// starts it again.
struct SegmentScratch {
  std::vector<Dual> x, r, phi, a, lng;
  std::vector<double> rho, drho;
};
SegmentScratch segmentScratch;
const bool kScratchReset = services::registerKeptValues([] { segmentScratch = {}; });

// ln gamma of every component, with the derivatives along the direction the duals carry
// (x, T, r and the pair values a_ij at column-major (j, i), i < j, all given).
void lnGamma(std::size_t n, std::span<const Dual> x, std::span<const Dual> r,
             std::span<const Dual> a, std::span<Dual> phi, std::span<Dual> lng) {
  Dual total{};
  for (std::size_t i = 0; i < n; ++i) total = total + x[i] * r[i];
  Dual sumPhiR{};
  for (std::size_t i = 0; i < n; ++i) {
    phi[i] = x[i] * r[i] / total;
    sumPhiR = sumPhiR + phi[i] / r[i];
  }
  const auto pair = [&](std::size_t i, std::size_t j) {
    return i < j ? a[j * n + i] : a[i * n + j];
  };
  const auto chi = [&](std::size_t i, std::size_t j) {
    const Dual s = Dual{1.0, 0.0} / r[i] - Dual{1.0, 0.0} / r[j];
    return 2.0 * pair(i, j) + kPairVolumeCoefficient * (s * s);
  };
  Dual f1{}, f2{}, f3{};
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      const Dual aij = pair(i, j);
      f1 = f1 + chi(i, j) * phi[i] * phi[j];
      f3 = f3 + aij * phi[i] * phi[j] * (phi[j] / r[i] + phi[i] / r[j]);
      f2 = f2 + (-kFourthOrderCoefficient) * (aij * aij) * phi[i] * phi[i] * phi[j] * phi[j];
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    Dual d1{}, d2{}, d3{};
    for (std::size_t j = 0; j < n; ++j) {
      if (j == i) continue;
      const Dual aij = pair(i, j);
      d1 = d1 + chi(i, j) * phi[j];
      d3 = d3 + aij * (phi[j] * phi[j] / r[i] + 2.0 * (phi[i] * phi[j] / r[j]));
      d2 = d2 + 2.0 * ((-kFourthOrderCoefficient) * (aij * aij) * phi[i] * phi[j] * phi[j]);
    }
    const Dual bracket = Dual{} - sumPhiR + d1 - f1 + d3 - 2.0 * f3 + d2 - 3.0 * f2;
    lng[i] = logOf(r[i] / total) + Dual{1.0, 0.0} + r[i] * bracket;
  }
}

}  // namespace

void K409KR(std::int32_t nder, std::int32_t n, double t, std::span<const double> x,
            std::span<double> lngam, std::span<double> dlngdt, std::span<double> dlngdx,
            double& gert, double& hert2, std::span<const double> p, std::span<double> a,
            std::span<double> b, std::span<const double> c, std::span<double> w1,
            std::span<double> w2, std::span<double> w3, std::span<double> w4) {
  const auto nn = static_cast<std::size_t>(n > 0 ? n : 0);
  SegmentScratch& s = segmentScratch;
  // 1-2. Liquid densities and segment numbers.
  const std::span<double> rho = services::sized(s.rho, nn), drho = services::sized(s.drho, nn);
  pure::XPCALC(kLiquidDensityType, methods::MTSETN(kLiquidDensityType), n, 0, 1, 0, t, 0.0, rho,
               drho);
  const std::span<Dual> r = services::sized(s.r, nn), xs = services::sized(s.x, nn),
                        phi = services::sized(s.phi, nn);
  const std::span<Dual> pairs = services::sized(s.a, nn * nn), lng = services::sized(s.lng, nn);
  for (std::size_t i = 0; i < nn; ++i) {
    const double v = 1.0 / rho[i];
    const double dv = -v * v * drho[i];
    r[i] = {p[i] * v / kReferenceSegmentVolume, p[i] * dv / kReferenceSegmentVolume};
    w1[i] = r[i].v;
    w2[i] = r[i].d;
  }
  // 4. The pair values of this temperature into the lower triangles.
  for (std::size_t j = 0; j < nn; ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      const std::size_t ij = j * nn + i, ji = i * nn + j;
      const double v = a[ij] + b[ij] / t + c[ij] * std::log(t);
      const double dv = c[ij] / t - b[ij] / (t * t);
      a[ji] = v;
      b[ji] = dv;
      pairs[ij] = {v, dv};
    }
  }
  // 5-7. Values and temperature derivatives: every dual carries d/dT.
  for (std::size_t i = 0; i < nn; ++i) xs[i] = {x[i], 0.0};
  lnGamma(nn, xs, r, pairs, phi, lng);
  gert = 0.0;
  hert2 = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    lngam[i] = lng[i].v;
    dlngdt[i] = lng[i].d;
    w3[i] = phi[i].v;
    w4[i] = phi[i].d;
    gert += x[i] * lngam[i];
    hert2 -= x[i] * dlngdt[i];
  }
  // 8. Composition derivatives (mole fractions independent): one pass per x_j.
  if (static_cast<std::size_t>(nder) != nn || nn == 0) {
    if (!dlngdx.empty()) dlngdx[0] = 0.0;
    return;
  }
  for (std::size_t i = 0; i < nn; ++i) r[i].d = 0.0;
  for (std::size_t q = 0; q < nn * nn; ++q) pairs[q].d = 0.0;
  for (std::size_t j = 0; j < nn; ++j) {
    for (std::size_t i = 0; i < nn; ++i) xs[i] = {x[i], i == j ? 1.0 : 0.0};
    lnGamma(nn, xs, r, pairs, phi, lng);
    for (std::size_t i = 0; i < nn; ++i) dlngdx[j * nn + i] = lng[i].d;
  }
}

void GAM409(ActivityModelCall& c) {
  const std::int32_t n = c.ncl;
  const auto nn = static_cast<std::size_t>(n > 0 ? n : 0);
  const std::size_t n2 = nn * nn;
  requireActivityArray("GAM409", c.param.size(), 3 * n2 + nn, 5);
  requireActivityArray("GAM409", c.work.size(), 4 * nn, 16);
  const std::int32_t nder = (c.request / 100) % 10 != 0 ? n : 1;
  if (nder == n) requireActivityArray("GAM409", c.dlngdx.size(), n2, 25);
  c.status = 0;
  K409KR(nder, n, c.t, c.x, c.lngam, c.dlngdt, c.dlngdx, c.gert, c.hert2,
         c.param.subspan(3 * n2, nn), c.param.first(n2), c.param.subspan(n2, n2),
         c.param.subspan(2 * n2, n2), c.work.first(nn), c.work.subspan(nn, nn),
         c.work.subspan(2 * nn, nn), c.work.subspan(3 * nn, nn));
}

}  // namespace equilibrium
