// Hayden-O'Connell second virial coefficients (HOCBIJ) and the dimerization equilibria of
// their chemical theory (HOCBCH).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "thermo/pure/eos_internal.hpp"
#include "thermo/pure/hard_chain_internal.hpp"
#include "thermo/pure/vapour_methods.hpp"

namespace pure {
namespace {

using eos_internal::Jet;
using hard_chain::pairAt;

constexpr double kPolarDipole = 1.45;     // pure-component polar correction from here
constexpr double kPairPolarDipole = 2.0;  // polar partner of a polar-nonpolar pair
constexpr double kCovolume = 0.00126184;  // b0 = 0.00126184 sigma^3, m3/kmol
constexpr double kExponentLimit = 80.0;
constexpr double kExponentialLimit = 1e10;
constexpr double kChemicalExponent = 1500.0;

// HOCBCH. The substitution runs until the fractions settle to 1e-12 of y (at most 1000
// passes): the driver differentiates the true species over 0.1 K, which a looser settling
// turns into noise in the heat capacity.
constexpr double kStartConstant = 0.5;
constexpr int kPasses = 1000;
constexpr double kDamping = 0.8;
constexpr double kTolerance = 1e-12;
constexpr double kTinyFraction = 5e-8;
constexpr std::int32_t kRestart = 10;

// The parameters of a component or pair at any temperature.
struct Parameters {
  bool valid = false;
  double omega = 0.0;  // nonpolar acentric factor
  double sigma3 = 0.0;
  double eps = 0.0;  // epsilon/k, K
  double muStar = 0.0;
  double eta = 0.0;
};

double muStarPrime(double muStar) {
  if (muStar < 0.04) return muStar;
  if (muStar < 0.25) return 0.0;
  return muStar - 0.25;
}

// exp(x) with the exponent limited to +-80 and the value to 1e10; a limited value is a
// constant in T.
Jet limitedExp(Jet x) {
  if (x.v > kExponentLimit)
    return eos_internal::constant(std::min(std::exp(kExponentLimit), kExponentialLimit));
  if (x.v < -kExponentLimit) return eos_internal::constant(std::exp(-kExponentLimit));
  const Jet e = eos_internal::exp(x);
  return e.v > kExponentialLimit ? eos_internal::constant(kExponentialLimit) : e;
}

// The free and bound parts of B at T.
void coefficient(const Parameters& q, double t, Jet& bf, Jet& bb) {
  const double b0 = kCovolume * q.sigma3;
  const double dh = 1.99 + 0.2 * q.muStar * q.muStar;
  const double a = -0.3 - 0.05 * q.muStar;
  const double mp = muStarPrime(q.muStar);
  const Jet tt{t, 1.0, 0.0};
  const Jet tStar = tt / q.eps;
  const Jet inv = 1.0 / tStar - 1.6 * q.omega;  // 1/T*'
  const Jet inv2 = inv * inv;
  const Jet inv3 = inv2 * inv;
  // Free part, nonpolar and polar.
  bf = b0 * (0.94 - 1.47 * inv - 0.85 * inv2 + 1.015 * inv3);
  if (mp > 0.0) bf = bf + b0 * mp * (3.0 * inv - 0.75 - 2.1 * inv2 - 2.1 * inv3);
  // Metastable and bound part.
  Jet exponent = dh / tStar;
  if (exponent.v > kExponentLimit) exponent = eos_internal::constant(kExponentLimit);
  bb = b0 * a * eos_internal::exp(exponent);
  // Chemical part.
  if (q.eta != 0.0 && q.eta >= 0.0) {
    const double c = q.eta >= kStrongAssociation ? 42800.0 / (q.eps + 22400.0) - 4.27
                                                 : 650.0 / (q.eps + 300.0) - 4.27;
    const Jet first = limitedExp(eos_internal::constant(q.eta * c));
    const Jet second = limitedExp(q.eta * (c + kChemicalExponent / tt));
    bb = bb + b0 * (first - second);
  }
}

}  // namespace

void HOCBIJ(std::int32_t nc, double t, const HocComponents& data, std::span<const double> eta,
            std::span<double> bf, std::span<double> bfT, std::span<double> bfTT,
            std::span<double> bb, std::span<double> bbT, std::span<double> bbTT,
            std::int32_t& associating) {
  constexpr const char* kName = "HOCBIJ";
  const std::size_t n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  const std::size_t ns = hard_chain::pairsWithDiagonal(nc);
  for (std::span<const double> a : {data.tc, data.pc, data.rd, data.mu}) {
    eos_internal::requireLength(a, n, kName, "COMPONENTS");
  }
  for (std::span<const double> a : {eta, std::span<const double>(bf), std::span<const double>(bfT),
                                    std::span<const double>(bfTT), std::span<const double>(bb),
                                    std::span<const double>(bbT), std::span<const double>(bbTT)}) {
    eos_internal::requireLength(a, ns, kName, "PAIRS");
  }
  associating = 0;
  for (std::size_t k = 0; k < ns; ++k) {
    if (eta[k] >= kStrongAssociation) associating = 1;
  }

  // 1. Pure components (kept on the stack by pairs of components below).
  const auto pure = [&](std::size_t i) {
    Parameters q;
    const double rd = data.rd[i];
    q.omega = 0.006 * rd + 0.02087 * rd * rd - 0.00136 * rd * rd * rd;
    q.eta = eta[pairAt(i, i)];
    const double s = 2.44 - q.omega;
    q.sigma3 = s * s * s * 101.325 * data.tc[i] / data.pc[i];
    if (q.sigma3 < 0.0) return q;
    q.eps = data.tc[i] * (0.748 + 0.91 * q.omega - 0.4 * q.eta / (2.0 + 20.0 * q.omega));
    if (q.eps < 0.0) return q;
    const double mu = data.mu[i];
    if (mu >= kPolarDipole) {
      const double c1 = 16.0 + 400.0 * q.omega;
      const double xi =
          1.7491e7 * mu * mu * mu * mu /
          (q.sigma3 * q.sigma3 * q.eps * data.tc[i] * (2.882 - 1.882 * q.omega / (0.03 + q.omega)));
      q.sigma3 *= 1.0 + 3.0 * xi / (c1 - 6.0);
      const double k = c1 / (c1 - 6.0);
      q.eps *= 1.0 - k * xi + 0.5 * k * (k + 1.0) * xi * xi;
    }
    q.muStar = 7243.8 * mu * mu / (q.eps * q.sigma3);
    q.valid = true;
    return q;
  };

  for (std::size_t j = 0; j < n; ++j) {
    const Parameters qj = pure(j);
    for (std::size_t i = 0; i <= j; ++i) {
      const Parameters qi = i == j ? qj : pure(i);
      Parameters q = qj;
      // 2. Pair parameters.
      if (i != j && qi.valid && qj.valid) {
        q.omega = 0.5 * (qi.omega + qj.omega);
        q.sigma3 = std::sqrt(qi.sigma3 * qj.sigma3);
        q.eps = 0.7 * std::sqrt(qi.eps * qj.eps) + 0.6 / (1.0 / qi.eps + 1.0 / qj.eps);
        q.eta = eta[pairAt(i, j)];
        const double mi = data.mu[i];
        const double mj = data.mu[j];
        const bool iPolar = mi >= kPairPolarDipole && mj == 0.0;
        const bool jPolar = mj >= kPairPolarDipole && mi == 0.0;
        if (iPolar || jPolar) {
          const Parameters& np = iPolar ? qj : qi;
          const double mp = iPolar ? mi : mj;
          const double xi = mp * mp * std::cbrt(np.eps * np.eps * np.sigma3) / (q.eps * q.sigma3);
          const double c1 = 16.0 + 400.0 * q.omega;
          q.sigma3 *= 1.0 - 3.0 * xi / (c1 - 6.0);
          q.eps *= 1.0 + xi * c1 / (c1 - 6.0);
        }
        q.muStar = 7243.8 * mi * mj / (q.eps * q.sigma3);
      }
      const std::size_t k = pairAt(i, j);
      if (!qi.valid || !qj.valid) {
        bf[k] = bfT[k] = bfTT[k] = bb[k] = bbT[k] = bbTT[k] = 0.0;
        continue;
      }
      // 3-4. The coefficient and its temperature derivatives.
      Jet f, b;
      coefficient(q, t, f, b);
      bf[k] = f.v;
      bfT[k] = f.d;
      bfTT[k] = f.dd;
      bb[k] = b.v;
      bbT[k] = b.d;
      bbTT[k] = b.dd;
    }
  }
}

void HOCBCH(std::int32_t nc, double c, std::span<const double> y, std::span<const double> bf,
            std::span<const double> bb, std::int32_t restart, std::span<const double> lnphi,
            std::span<double> z, std::span<double> previous, double& s, std::span<double> k,
            std::int32_t& error) {
  const std::size_t n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  const std::size_t ns = hard_chain::pairsWithDiagonal(nc);
  eos_internal::requireLength(y, n, "HOCBCH", "Y");
  eos_internal::requireLength(bf, ns, "HOCBCH", "BF");
  eos_internal::requireLength(bb, ns, "HOCBCH", "BB");
  eos_internal::requireLength(std::span<const double>(z), n, "HOCBCH", "Z");
  eos_internal::requireLength(std::span<const double>(previous), n, "HOCBCH", "PREVIOUS");
  eos_internal::requireLength(std::span<const double>(k), ns, "HOCBCH", "K");
  if (restart == kRestart) eos_internal::requireLength(lnphi, n, "HOCBCH", "LNPHI");
  error = 0;
  // 1. Dimerization constants.
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t i = 0; i <= j; ++i) {
      const std::size_t p = pairAt(i, j);
      const double e = i == j ? bf[p] * c : ((bf[pairAt(i, i)] + bf[pairAt(j, j)]) - bf[p]) * c;
      const double f =
          e > kExponentLimit ? kExponentialLimit : std::min(std::exp(e), kExponentialLimit);
      k[p] = (i == j ? -1.0 : -2.0) * c * bb[p] * f;
      if (k[p] < 0.0) {
        error = 1;
        return;
      }
    }
  }
  // 2. Start values.
  for (std::size_t i = 0; i < n; ++i) z[i] = y[i];
  if (restart == kRestart) {
    for (std::size_t i = 0; i < n; ++i) z[i] = y[i] * std::exp(lnphi[i] - c * bf[pairAt(i, i)]);
  } else {
    for (std::size_t i = 0; i < n; ++i) {
      const double kii = k[pairAt(i, i)];
      if (kii > kStartConstant) {
        z[i] = std::min(z[i], (std::sqrt(1.0 + 8.0 * kii * y[i]) - 1.0) / (4.0 * kii));
      }
    }
    for (std::size_t j = 0; j < n; ++j) {
      for (std::size_t i = 0; i < j; ++i) {
        const double kij = k[pairAt(i, j)];
        if (kij <= kStartConstant) continue;
        const std::size_t sm = y[i] < y[j] ? i : j;  // the second on equal y
        const std::size_t lg = sm == i ? j : i;
        const double zs = y[sm] / (1.0 + kij * y[lg]);
        const double zl = y[lg] / (1.0 + kij * zs);
        z[sm] = std::min(z[sm], zs);
        z[lg] = std::min(z[lg], zl);
      }
    }
  }
  // W_i = 2 K_ii z_i + sum_{j != i} K_ij z_j and S = 1 + sum z_k W_k/2.
  const auto w = [&](std::span<const double> zz, std::size_t i) {
    double sum = 0.0;
    for (std::size_t j = 0; j < n; ++j) sum += (i == j ? 2.0 : 1.0) * k[pairAt(i, j)] * zz[j];
    return sum;
  };
  const auto total = [&](std::span<const double> zz) {
    double sum = 1.0;
    for (std::size_t i = 0; i < n; ++i) sum += 0.5 * zz[i] * w(zz, i);
    return sum;
  };
  // 3. Damped substitution: both arrays take the damped value (equal in the first pass),
  // then every update takes W and the complete sum S of the damped values.
  for (std::size_t i = 0; i < n; ++i) previous[i] = z[i];
  for (int pass = 1; pass <= kPasses; ++pass) {
    for (std::size_t i = 0; i < n; ++i) {
      const double damped = kDamping * z[i] + (1.0 - kDamping) * previous[i];
      z[i] = damped;
      previous[i] = damped;
    }
    s = total(previous);
    for (std::size_t i = 0; i < n; ++i) z[i] = s * y[i] / (1.0 + w(previous, i));
    bool converged = true;
    for (std::size_t i = 0; i < n; ++i) {
      if (y[i] > kTinyFraction && std::fabs(z[i] - previous[i]) / y[i] > kTolerance) {
        converged = false;
      }
    }
    if (converged) break;
  }
  s = total(z);
}

}  // namespace pure
