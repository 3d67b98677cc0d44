// The transport terms of the corresponding-states model: the methane viscosity and
// conductivity, the mixture viscosity with its hard-sphere correction (TRCSVI, TRCSDG,
// TRCSHS) and the mixture conductivity with its internal part (TRCSTC, TRCSKR).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "services/services.hpp"
#include "thermo/phase/cs_transport_model.hpp"

namespace phase::cs {

// Neufeld, Janzen and Aziz (1972) Omega(2,2)* with methane's C7 and eps/k = 148.6 K.
const std::array<double, 8> kCollision{1.16145, 0.14874, 0.52487, 0.7732,
                                       2.16178, 2.43787, 7.67035, 148.6};
// Ely and Hanley (1981): eta1 = b1 + b2 (b3 - ln(T/b4))^2, and j1..j7, rho_c (g/cm3).
const std::array<double, 4> kViscosityFirst{1.6969859271, -0.13337234608, 1.4, 168.0};
const std::array<double, 8> kViscosityExcess{-10.239160427, 174.22822961,  17.460545674,
                                             -2847.6328289, 0.13368502192, 142.07239767,
                                             5002.066972,   0.1628};
// Ely and Hanley (1983): the same forms for the translational conductivity.
const std::array<double, 4> kConductivityFirst{-0.25276292, 0.33432859, 1.12, 168.0};
const std::array<double, 8> kConductivityExcess{-7.1459133124, 81.320940624,  12.421571211,
                                                -950.9830826,  0.49351814597, 41.451388244,
                                                590.88703746,  0.1628};

namespace {

// Chapman-Enskog dilute viscosity of a hard sphere, uP: 26.693 sqrt(M T)/sigma^2 with
// M in g/mol, T in K and sigma in Angstrom (S. Chapman and T. G. Cowling, The Mathematical
// Theory of Non-uniform Gases, 3rd ed., 1970).
constexpr double kDiluteHardSphere = 26.693;
// Molecular diameter from the volume factor: sigma^3 = Vc/1.8418334 Angstrom^3 with
// Vc = 97.751 h cm3/mol, the methane critical volume 1000/rho_c0 times h.
constexpr double kMethaneCriticalVolume = 97.751;
constexpr double kVolumePerDiameterCubed = 1.8418334;
// Avogadro's number per (mol/L to molecules per Angstrom^3).
constexpr double kNumberDensityPerMolar = 6.023E-4;
// Eucken-type internal conductivity: 1.32 (Cp - 5R/2) eta/M (Ely and Hanley, 1983) with
// eta in uP, Cp in cal/(mol K), M in g/mol, giving mW/(m K); 5R/2 = 4.968 cal/(mol K).
constexpr double kEucken = 0.552288;
constexpr double kTranslationalCp = 4.968;
// 15 R/(4 M0), the dilute conductivity of methane per dilute viscosity (mW/(m K) per uP).
constexpr double kDiluteConductivity = 0.19434504;

constexpr double kPiOver6 = 0.523598776;
constexpr double kTwoPiOver3 = 2.094395104;
constexpr double kTwentyFivePiOver6 = 13.0899694;
// A missing mole fraction counts as this in the hard-sphere mixture.
constexpr double kTraceFraction = 1.0E-8;

// Excess term exp(j1 + j2/T) (exp(rho^0.1 (j3 + j4/T^1.5) + th rho^0.5 (j5 + j6/T + j7/T^2))
// - 1), th = rho/rho_c - 1.
double excess(const std::array<double, 8>& j, double t, double rhom) {
  const double th = rhom / j[7] - 1.0;
  const double inner = std::pow(rhom, 0.1) * (j[2] + j[3] / std::pow(t, 1.5)) +
                       th * std::sqrt(rhom) * (j[4] + j[5] / t + j[6] / (t * t));
  return std::exp(j[0] + j[1] / t) * (std::exp(inner) - 1.0);
}

double firstDensityTerm(const std::array<double, 4>& b, double t) {
  const double d = b[2] - std::log(t / b[3]);
  return b[0] + b[1] * d * d;
}

// Work arrays of the hard-sphere correction, grown to the largest mixture seen.
struct HardSphereArrays {
  std::vector<double> x, sigma, mw, b, chi, q, hmat, y, z;
  void fit(std::size_t n) {
    for (auto* v : {&x, &sigma, &mw, &y, &z}) {
      if (v->size() < n) v->resize(n);
    }
    for (auto* v : {&b, &chi, &q, &hmat}) {
      if (v->size() < n * n) v->resize(n * n);
    }
  }
  HardSphereWork work() { return {b, chi, q, hmat, y, z}; }
};
HardSphereArrays hsArrays;
const bool kHsArraysReset = services::registerKeptValues([] { hsArrays = {}; });

// The single equivalent sphere's work: one of each.
struct OneSphere {
  std::array<double, 1> x{1.0}, sigma{1.0}, mw{1.0}, b{}, chi{}, q{}, hmat{}, y{}, z{};
  HardSphereWork work() { return {b, chi, q, hmat, y, z}; }
};

}  // namespace

double collisionIntegral(double tstar) {
  const auto& c = kCollision;
  return c[0] / std::pow(tstar, c[1]) + c[2] * std::exp(-c[3] * tstar) +
         c[4] * std::exp(-c[5] * tstar);
}

double referenceViscosity(double t, double rhom, double excessFactor) {
  const double eta0 = kCollision[6] * std::sqrt(t) / collisionIntegral(t / kCollision[7]);
  return eta0 + firstDensityTerm(kViscosityFirst, t) * rhom +
         excessFactor * excess(kViscosityExcess, t, rhom);
}

double referenceConductivity(double t, double rhom) {
  const double lambda0 =
      kDiluteConductivity * kCollision[6] * std::sqrt(t) / collisionIntegral(t / kCollision[7]);
  return lambda0 + firstDensityTerm(kConductivityFirst, t) * rhom +
         excess(kConductivityExcess, t, rhom);
}

double TRCSVI(const Mixture& m, const Components& c, double t, const Equivalent& e) {
  // s = sqrt((1 - 1.5 min(u, 0)) Zc/Zc0) corrects the excess term.
  const double s = std::sqrt((1.0 - 1.5 * std::min(e.u, 0.0)) * e.zcMean / kZc0);
  // F_eta = (M_eta fx/M0)^1/2 / hx^2/3.
  const double scale = std::sqrt(e.mViscosity * e.fx / kM0) / std::pow(e.hx, 2.0 / 3.0);
  return referenceViscosity(e.t0, e.rhoMass, s) * scale + TRCSDG(m, c, t, e);
}

double TRCSDG(const Mixture& m, const Components& c, double t, const Equivalent& e) {
  const std::size_t n = m.x.size();
  if (n <= 1) return 0.0;
  hsArrays.fit(n);
  auto& a = hsArrays;
  // Diameters and number density; lengths in units of the last diameter, masses in units
  // of the last molar mass.
  const double sigmaN = std::cbrt(kMethaneCriticalVolume * m.h[n - 1] / kVolumePerDiameterCubed);
  const double mN = c.mw[n - 1];
  for (std::size_t i = 0; i < n; ++i) {
    a.x[i] = m.x[i] > 0.0 ? m.x[i] : kTraceFraction;
    a.sigma[i] = std::cbrt(kMethaneCriticalVolume * m.h[i] / kVolumePerDiameterCubed) / sigmaN;
    a.mw[i] = c.mw[i] / mN;
  }
  const double ndens = e.rho * kNumberDensityPerMolar * sigmaN * sigmaN * sigmaN;
  // The one-fluid sphere: sigma_x^3 = sum sum x_i x_j sigma_ij^3,
  // M_x = 2 (sum sum x_i x_j mu_ij^1/2 sigma_ij^4)^2 / sigma_x^8.
  double s3 = 0.0, sm = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      const double sij = 0.5 * (a.sigma[i] + a.sigma[j]);
      const double mu = a.mw[i] * a.mw[j] / (a.mw[i] + a.mw[j]);
      const double xx = a.x[i] * a.x[j];
      s3 += xx * sij * sij * sij;
      sm += xx * std::sqrt(mu) * sij * sij * sij * sij;
    }
  }
  const double sigmaX = std::cbrt(s3);
  const double mX = 2.0 * sm * sm / std::pow(sigmaX, 8.0);
  // Mixture against equivalent sphere, each in uP (the equivalent sphere in real units).
  const auto count = static_cast<std::int32_t>(n);
  const double mixture = TRCSHS(count, std::span<const double>(a.x.data(), n),
                                std::span<const double>(a.sigma.data(), n),
                                std::span<const double>(a.mw.data(), n), ndens, a.work());
  OneSphere one;
  const double sphere = TRCSHS(1, one.x, one.sigma, one.mw, ndens * s3, one.work());
  const double sigmaXReal = sigmaX * sigmaN;
  return mixture * kDiluteHardSphere * std::sqrt(mN * t) / (sigmaN * sigmaN) -
         sphere * kDiluteHardSphere * std::sqrt(mX * mN * t) / (sigmaXReal * sigmaXReal);
}

double TRCSHS(std::int32_t n, std::span<const double> x, std::span<const double> sigma,
              std::span<const double> mw, double ndens, const HardSphereWork& w) {
  const auto nn = static_cast<std::size_t>(n);
  const auto ij = [nn](std::size_t i, std::size_t j) { return i * nn + j; };
  // Packing fractions and contact values:
  //   g_ij = ((1 - xi3)^2 + 3 xi2 (1 - xi3) d_ij + 2 xi2^2 d_ij^2)/(1 - xi3)^3.
  double xi2 = 0.0, xi3 = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    xi2 += x[i] * sigma[i] * sigma[i];
    xi3 += x[i] * sigma[i] * sigma[i] * sigma[i];
  }
  xi2 *= kPiOver6 * ndens;
  xi3 *= kPiOver6 * ndens;
  const double v = 1.0 - xi3;
  for (std::size_t i = 0; i < nn; ++i) {
    for (std::size_t j = 0; j < nn; ++j) {
      const double d = sigma[i] * sigma[j] / (sigma[i] + sigma[j]);
      const double g = (v * v + 3.0 * xi2 * v * d + 2.0 * xi2 * xi2 * d * d) / (v * v * v);
      const double sij = 0.5 * (sigma[i] + sigma[j]);
      const double b = kTwoPiOver3 * ndens * sij * sij * sij;
      w.b[ij(i, j)] = b;
      w.chi[ij(i, j)] = b * g;
      w.q[ij(i, j)] = std::sqrt(2.0 * mw[i] * mw[j] / (mw[i] + mw[j])) * b / (sij * sij);
    }
  }
  // Y_i = x_i (1 + 0.8 sum_j x_j chi_ij M_j/(M_i + M_j)); K = sum sum x_i x_j q_ij chi_ij.
  double k = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    double s = 0.0;
    for (std::size_t j = 0; j < nn; ++j) {
      s += x[j] * w.chi[ij(i, j)] * mw[j] / (mw[i] + mw[j]);
      k += x[i] * x[j] * w.q[ij(i, j)] * w.chi[ij(i, j)];
    }
    w.y[i] = x[i] * (1.0 + 0.8 * s);
  }
  // H_ij = 2 x_i sum_k A_ik (delta_ij (1 + 5 M_i/(3 M_k)) - 2 delta_jk M_i/(3 M_k)),
  // A_ik = chi_ik x_k (M_k/(M_i + M_k))^2 / q_ik.
  for (std::size_t i = 0; i < nn; ++i) {
    double diag = 0.0;
    for (std::size_t kk = 0; kk < nn; ++kk) {
      const double r = mw[kk] / (mw[i] + mw[kk]);
      const double aik = w.chi[ij(i, kk)] * x[kk] * r * r / w.q[ij(i, kk)];
      diag += aik * (1.0 + 5.0 * mw[i] / (3.0 * mw[kk]));
      w.hmat[ij(i, kk)] = -2.0 * aik * 2.0 * mw[i] / (3.0 * mw[kk]) * x[i];
    }
    w.hmat[ij(i, i)] += 2.0 * x[i] * diag;
  }
  // H z = Y by Gauss-Jordan elimination without pivoting.
  for (std::size_t i = 0; i < nn; ++i) w.z[i] = w.y[i];
  for (std::size_t p = 0; p < nn; ++p) {
    const double piv = w.hmat[ij(p, p)];
    for (std::size_t col = p; col < nn; ++col) w.hmat[ij(p, col)] /= piv;
    w.z[p] /= piv;
    for (std::size_t r = 0; r < nn; ++r) {
      if (r == p) continue;
      const double f = w.hmat[ij(r, p)];
      if (f == 0.0) continue;
      for (std::size_t col = p; col < nn; ++col) w.hmat[ij(r, col)] -= f * w.hmat[ij(p, col)];
      w.z[r] -= f * w.z[p];
    }
  }
  double sum = 0.0;
  for (std::size_t i = 0; i < nn; ++i) sum += w.y[i] * w.z[i];
  return sum + 8.0 * k / kTwentyFivePiOver6;
}

double TRCSKR(const Equivalent& e) {
  // F_lambda = (fx M0/M_lambda)^1/2 / hx^2/3; X = ((1 - min(u, 0)) Zc0/Zc)^1.5.
  const double scale = std::sqrt(e.fx * kM0 / e.mConductivity) / std::pow(e.hx, 2.0 / 3.0);
  const double x = std::pow((1.0 - std::min(e.u, 0.0)) * kZc0 / e.zcMean, 1.5);
  return referenceConductivity(e.t0, e.rhoMass) * scale * x;
}

double TRCSTC(const Mixture& m, const Components& c, double t, const Equivalent& e) {
  const std::size_t n = m.x.size();
  // Internal part of each component from its dilute viscosity by corresponding states:
  //   eta_i/M_i = C7 sqrt(T/(M0 M_i)) / (Omega(T/(f_i C8)) h_i^2/3),
  //   lambda_i = 0.552288 (Cp_i - 4.968) eta_i/M_i.
  // The values go into a work array of the hard-sphere correction, unused here.
  hsArrays.fit(n);
  std::vector<double>& internal = hsArrays.y;
  for (std::size_t i = 0; i < n; ++i) {
    internal[i] = 0.0;
    if (m.skip[i] != 0) continue;
    double cp = 0.0;
    for (std::size_t k = block::kHeatCapacityTerms; k-- > 0;) cp = cp * t + c.cp[k][i];
    const double etaPerMass =
        kCollision[6] * std::sqrt(t / (kM0 * c.mw[i])) /
        (collisionIntegral(t / (m.f[i] * kCollision[7])) * std::pow(m.h[i], 2.0 / 3.0));
    internal[i] = kEucken * (cp - kTranslationalCp) * etaPerMass;
  }
  // lambda = lambda_ref + sum sum x_i x_j 2 lambda_i lambda_j/(lambda_i + lambda_j); a pair
  // of vanishing internal parts adds nothing.
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (m.skip[i] != 0) continue;
    for (std::size_t j = 0; j < n; ++j) {
      if (m.skip[j] != 0) continue;
      const double den = internal[i] + internal[j];
      if (den == 0.0) continue;
      sum += m.x[i] * m.x[j] * 2.0 * internal[i] * internal[j] / den;
    }
  }
  return TRCSKR(e) + sum;
}

}  // namespace phase::cs
