// The virial equation of vapour method 210: Pitzer-Curl second virial coefficients with the
// O'Connell-Prausnitz polar and association terms (VRBIJC), the mixture coefficient
// (VRBMIX), the fugacity coefficients (VRLNPH) and the driver (VRFUGC).
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/pure/eos_internal.hpp"
#include "thermo/pure/vapour_methods.hpp"

namespace pure {
namespace {

constexpr double kR = services::kGasConstant;
// 10^5 mu^2 Pc/Tc^2 with Pc in kPa converted to atmospheres.
constexpr double kDipoleFactor = 986.9232667160128;
constexpr double kPolarTr = 0.95;
constexpr double kPolarDipole = 4.0;

std::size_t count(std::int32_t nc) { return static_cast<std::size_t>(nc > 0 ? nc : 0); }
std::size_t lowerPair(std::size_t i, std::size_t j) { return i * (i + 1) / 2 + j; }  // j <= i

double at(std::span<const double> packed, std::size_t i, std::size_t j) {
  return i >= j ? packed[lowerPair(i, j)] : packed[lowerPair(j, i)];
}

void requirePairs(std::string_view routine, std::size_t ns,
                  std::initializer_list<std::span<const double>> arrays) {
  for (std::span<const double> a : arrays) eos_internal::requireLength(a, ns, routine, "PAIRS");
}

}  // namespace

void VRBIJC(std::span<const double> mu, std::span<const double> eta, std::int32_t nc,
            std::span<const double> omega, std::span<const double> pc, std::span<const double> tc,
            double t, std::span<const double> vc, std::span<double> b, std::span<double> bT,
            std::span<double> bTT) {
  const std::size_t n = count(nc);
  for (std::span<const double> a : {mu, eta, omega, pc, tc, vc}) {
    eos_internal::requireLength(a, n, "VRBIJC", "COMPONENTS");
  }
  requirePairs("VRBIJC", n * (n + 1) / 2, {b, bT, bTT});
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      // 1. Cross parameters.
      double tcij = tc[i], pcij = pc[i], wij = omega[i], eij = eta[i];
      if (i != j) {
        tcij = std::sqrt(tc[i] * tc[j]);
        const double s = std::cbrt(vc[i]) + std::cbrt(vc[j]);
        pcij = 4.0 * tcij * (pc[i] * vc[i] / tc[i] + pc[j] * vc[j] / tc[j]) / (s * s * s);
        wij = 0.5 * (omega[i] + omega[j]);
        eij = 0.5 * (eta[i] + eta[j]);
      }
      // 2-3. Pitzer-Curl functions.
      const double tr = t / tcij;
      const double r1 = 1.0 / tr;
      const double r2 = r1 * r1, r3 = r2 * r1, r4 = r3 * r1, r5 = r4 * r1;
      double f = 0.1445 - 0.33 * r1 - 0.1385 * r2 - 0.0121 * r3;
      double f1 = 0.33 * r2 + 0.277 * r3 + 0.0363 * r4;
      double f2 = -0.66 * r3 - 0.831 * r4 - 0.1452 * r5;
      const double r8 = r4 * r4, r9 = r8 * r1, r10 = r9 * r1;
      f += wij * (0.073 + 0.46 * r1 - 0.5 * r2 - 0.097 * r3 - 0.0073 * r8);
      f1 += wij * (-0.46 * r2 + 1.0 * r3 + 0.291 * r4 + 0.0584 * r9);
      f2 += wij * (0.92 * r3 - 3.0 * r4 - 1.164 * r5 - 0.5256 * r10);
      // 4. Polar and association terms.
      const double mur = kDipoleFactor * mu[i] * mu[j] * pcij / (tcij * tcij);
      if (mu[j] > 0.0 && tr <= kPolarTr && mu[i] > 0.0 && mur >= kPolarDipole) {
        const double l = std::log(mur);
        const double poly = 5.76977 - 6.181427 * l + 2.28327 * l * l - 0.2649074 * l * l * l;
        f += -5.23722 + 5.665807 * l - 2.133816 * l * l + 0.2525373 * l * l * l + poly * r1;
        f1 += -poly * r2;
        f2 += 2.0 * poly * r3;
        const double fa = eij * std::exp(6.6 * (0.7 - tr));
        f -= fa;
        f1 -= -6.6 * fa;
        f2 -= 6.6 * 6.6 * fa;
      }
      // 6. B and its temperature derivatives.
      const std::size_t k = lowerPair(i, j);
      b[k] = kR * tcij * f / pcij;
      bT[k] = kR * f1 / pcij;
      bTT[k] = kR * f2 / (pcij * tcij);
    }
  }
}

void VRBMIX(std::span<const double> b, std::span<const double> bT, std::span<const double> bTT,
            std::int32_t nc, std::span<const double> y, double& bm, double& bmT, double& bmTT) {
  const std::size_t n = count(nc);
  requirePairs("VRBMIX", n * (n + 1) / 2, {b, bT, bTT});
  eos_internal::requireLength(y, n, "VRBMIX", "Y");
  bm = bmT = bmTT = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      const double w = (i == j ? 1.0 : 2.0) * y[i] * y[j];
      const std::size_t k = lowerPair(i, j);
      bm += w * b[k];
      bmT += w * bT[k];
      bmTT += w * bTT[k];
    }
  }
}

void VRLNPH(std::span<const double> b, double bm, std::span<const double> bT, double bmT,
            std::int32_t nc, double p, double t, std::span<const double> y, std::span<double> lnphi,
            std::span<double> lnphiT, double& zT, double& z) {
  const std::size_t n = count(nc);
  requirePairs("VRLNPH", n * (n + 1) / 2, {b, bT});
  eos_internal::requireLength(y, n, "VRLNPH", "Y");
  eos_internal::requireLength(std::span<const double>(lnphi), n, "VRLNPH", "LNPHI");
  eos_internal::requireLength(std::span<const double>(lnphiT), n, "VRLNPH", "LNPHIT");
  const double q = p / (kR * t);
  for (std::size_t i = 0; i < n; ++i) {
    double s = 0.0;
    double d = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
      s += y[j] * at(b, i, j);
      d += y[j] * at(bT, i, j);
    }
    lnphi[i] = (2.0 * s - bm) * q;
    lnphiT[i] = (2.0 * d - bmT) * q - lnphi[i] / t;
  }
  zT = q * (bmT - bm / t);
  z = 1.0 + bm * q;
}

void VRFUGC(std::span<const double> mu, std::span<const double> eta, std::span<const double> tc,
            std::span<const double> pc, std::span<const double> vc, std::span<const double> omega,
            std::span<const double> y, std::int32_t nc, double p, double t, std::span<double> lnphi,
            std::span<double> lnphiT, double& z, double& zT, std::span<double> b,
            std::span<double> bT, std::span<double> bTT) {
  VRBIJC(mu, eta, nc, omega, pc, tc, t, vc, b, bT, bTT);
  double bm = 0.0, bmT = 0.0, bmTT = 0.0;
  VRBMIX(b, bT, bTT, nc, y, bm, bmT, bmTT);
  VRLNPH(b, bm, bT, bmT, nc, p, t, y, lnphi, lnphiT, zT, z);
}

}  // namespace pure
