// EOSMR2, the mixing rule with a quadratic part and an asymmetric cube-root part, and its
// pair kernels EOSPRM and EOSAMX.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "services/services.hpp"
#include "thermo/pure/cubic_eos.hpp"
#include "thermo/pure/eos_mixing.hpp"

namespace pure {
namespace {

using eos_internal::AttractionSums;
using eos_internal::Jet;
using eos_internal::MixtureOutputs;

// The exponent of G_ij is clamped to this magnitude.
constexpr double kExponentLimit = 30.0;
// Cube-root derivative terms of smaller arguments are skipped.
constexpr double kVanishingTerm = 1e-25;

enum Option : std::int32_t {
  kValues = 1,
  kSumValue = 2,
  kFirst = 3,
  kSumFirst = 4,
  kSecond = 5,
  kSumSecond = 6,
};

// tau_ij and G_ij of the ordered pair (1-based i != j) as Jets up to LEVEL.
void pairJets(std::int32_t i, std::int32_t j, std::span<const double> k1,
              std::span<const double> k1T, std::span<const double> k1TT, std::span<const double> k2,
              std::span<const double> k2T, std::span<const double> k2TT, std::span<const double> c1,
              std::span<const double> c2, std::int32_t level, Jet& tau, Jet& g) {
  std::int32_t k = 0;
  double unused = 0.0;
  EOSPRM(i, j, k1, k2, c1, c2, k1T, k1TT, k2T, k2TT, kValues, k, tau.v, g.v, unused);
  tau.d = tau.dd = g.d = g.dd = 0.0;
  if (level >= 2) EOSPRM(i, j, k1, k2, c1, c2, k1T, k1TT, k2T, k2TT, kFirst, k, tau.d, g.d, unused);
  if (level >= 3) {
    EOSPRM(i, j, k1, k2, c1, c2, k1T, k1TT, k2T, k2TT, kSecond, k, tau.dd, g.dd, unused);
  }
}

// The real cube root carrying the sign, its derivatives skipped for a vanishing argument.
Jet signedCubeRoot(Jet u) {
  const double r = std::cbrt(u.v);
  if (std::fabs(u.v) <= kVanishingTerm) return Jet{r, 0.0, 0.0};
  const double f1 = 1.0 / (3.0 * r * r);
  const double f2 = -2.0 * f1 / (3.0 * u.v);
  return eos_internal::chain(u, r, f1, f2);
}

// Scratch rows w_ij = cbrt(sqrt(a_j) tau_ij G_ij) and G_ij of one component i.
struct CubeRootRows {
  std::vector<Jet> w;
  std::vector<Jet> g;
};

}  // namespace

void EOSPRM(std::int32_t i, std::int32_t j, std::span<const double> k1, std::span<const double> k2,
            std::span<const double> cGreater, std::span<const double> cLess,
            std::span<const double> k1T, std::span<const double> k1TT, std::span<const double> k2T,
            std::span<const double> k2TT, std::int32_t option, std::int32_t& k, double& e1,
            double& e2, double& e3) {
  if (i == j) {
    switch (option) {
      case kValues:
        k = 0;
        e1 = 0.0;
        e2 = 1.0;
        break;
      case kSumValue:
        e3 = 2.0;
        break;
      case kFirst:
        k = 0;
        e1 = 0.0;
        e2 = 0.0;
        break;
      case kSumFirst:
        e3 = 2.0;
        e2 = 0.0;
        break;
      case kSecond:
        k = 0;
        e1 = 0.0;
        e2 = 0.0;
        break;
      case kSumSecond:
        e3 = 2.0;
        e2 = 0.0;
        e1 = 0.0;
        break;
      default:
        break;
    }
    return;
  }
  const std::size_t p = eos_internal::pairIndex(i, j);
  k = static_cast<std::int32_t>(p + 1);
  // tau = K1 - K2 for i < j (exponent c_less), K2 - K1 for i > j (exponent c_greater).
  const double sign = i < j ? 1.0 : -1.0;
  const auto gOf = [&](double alpha, double tau) {
    return std::exp(std::clamp(-alpha * tau, -kExponentLimit, kExponentLimit));
  };
  switch (option) {
    case kValues: {
      const double alpha = i < j ? cLess[p] : cGreater[p];
      const double tau = sign * (k1[p] - k2[p]);
      e1 = tau;
      e2 = gOf(alpha, tau);
      break;
    }
    case kSumValue:
      e3 = 2.0 - (k1[p] + k2[p]);
      break;
    case kFirst: {
      const double alpha = i < j ? cLess[p] : cGreater[p];
      const double g = gOf(alpha, sign * (k1[p] - k2[p]));
      const double tauT = sign * (k1T[p] - k2T[p]);
      e1 = tauT;
      e2 = -alpha * g * tauT;
      break;
    }
    case kSumFirst:
      e3 = 2.0 - (k1[p] + k2[p]);
      e2 = -(k1T[p] + k2T[p]);
      break;
    case kSecond: {
      const double alpha = i < j ? cLess[p] : cGreater[p];
      const double g = gOf(alpha, sign * (k1[p] - k2[p]));
      const double tauT = sign * (k1T[p] - k2T[p]);
      const double tauTT = sign * (k1TT[p] - k2TT[p]);
      e1 = tauTT;
      e2 = alpha * alpha * g * tauT * tauT - alpha * g * tauTT;
      break;
    }
    case kSumSecond:
      e3 = 2.0 - (k1[p] + k2[p]);
      e2 = -(k1T[p] + k2T[p]);
      e1 = -(k1TT[p] + k2TT[p]);
      break;
    default:
      break;
  }
}

void EOSAMX(std::int32_t i, std::span<const double> sqrta, std::span<const double> x2T,
            std::span<const double> x2TT, std::span<const double> k1, std::span<const double> k1T,
            std::span<const double> k1TT, std::span<const double> k2, std::span<const double> k2T,
            std::span<const double> k2TT, std::span<const double> cGreater,
            std::span<const double> cLess, std::int32_t option, std::int32_t nc,
            std::span<const double> x, double& s1, double& s2) {
  if (option < 1 || option > 3) return;
  s1 = 0.0;
  s2 = 0.0;
  const std::int32_t level = option;  // option 2 needs first, option 3 second derivatives
  for (std::int32_t j = 1; j <= nc; ++j) {
    const auto jj = static_cast<std::size_t>(j - 1);
    if (j == i) {
      if (option == 1) s2 += x[jj];
      continue;
    }
    Jet tau;
    Jet g;
    pairJets(i, j, k1, k1T, k1TT, k2, k2T, k2TT, cGreater, cLess, level, tau, g);
    Jet root{sqrta[jj], 0.0, 0.0};
    if (level >= 2) root.d = x2T[jj] / (2.0 * root.v);
    if (level >= 3) root.dd = (0.5 * x2TT[jj] - root.d * root.d) / root.v;
    const Jet w = signedCubeRoot(g * tau * root);
    if (option == 1) {
      s1 += x[jj] * w.v;
      s2 += x[jj] * g.v;
    } else if (option == 2) {
      s1 += x[jj] * w.d;
      s2 += x[jj] * g.d;
    } else {
      s1 += x[jj] * w.dd;
      s2 += x[jj] * g.dd;
    }
  }
}

namespace {

// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
CubeRootRows cubeRootRows;
const bool kCubeRootRowsReset = services::registerKeptValues([] { cubeRootRows = {}; });

}  // namespace

void EOSMR2(std::span<const double> sqrta, std::span<const double> aT, std::span<const double> aTT,
            std::span<const double> b, std::span<const double> k1, std::span<const double> k1T,
            std::span<const double> k1TT, std::span<const double> k2, std::span<const double> k2T,
            std::span<const double> k2TT, std::span<const double> c1, std::span<const double> c2,
            std::int32_t level, std::int32_t nc, std::span<const double> x, double /*t*/,
            double& am, double& amT, double& amTT, std::span<double> abar, std::span<double> abarT,
            std::span<double> abb, double& bm, double& bmT, double& bmTT, std::span<double> bbar,
            std::span<double> bbarT, std::span<double> bbb) {
  if (level < 1 || nc < 1) return;
  level = std::min<std::int32_t>(level, 4);
  const auto n = static_cast<std::size_t>(nc);
  MixtureOutputs out{am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb};
  constexpr const char* kName = "EOSMR2";
  eos_internal::checkMixtureArrays(kName, level, n, sqrta, aT, aTT, b, x, out);
  const std::size_t pairs = n * (n - 1) / 2;
  for (const auto& [array, what] :
       {std::pair{k1, "K1"}, std::pair{k2, "K2"}, std::pair{c1, "C1"}, std::pair{c2, "C2"}}) {
    eos_internal::requireLength(array, pairs, kName, what);
  }
  if (level >= 2) {
    eos_internal::requireLength(k1T, pairs, kName, "DK1/DT");
    eos_internal::requireLength(k2T, pairs, kName, "DK2/DT");
  }
  if (level >= 3) {
    eos_internal::requireLength(k1TT, pairs, kName, "D2K1/DT2");
    eos_internal::requireLength(k2TT, pairs, kName, "D2K2/DT2");
  }
  const bool hessian = level == 4;
  AttractionSums& sums = eos_internal::attractionSums(n, hessian);
  for (std::size_t i = 0; i < n; ++i) {
    sums.roots[i] = eos_internal::rootAttraction(i, sqrta, aT, aTT, level);
  }

  // 1. The quadratic part with K_ij = (2 - k1 - k2)/2 from the pair sums of EOSPRM.
  const std::int32_t sumOption = level >= 3 ? kSumSecond : (level == 2 ? kSumFirst : kSumValue);
  for (std::int32_t j = 2; j <= nc; ++j) {
    for (std::int32_t i = 1; i < j; ++i) {
      std::int32_t k = 0;
      Jet f;
      EOSPRM(i, j, k1, k2, c1, c2, k1T, k1TT, k2T, k2TT, sumOption, k, f.dd, f.d, f.v);
      if (level < 3) f.dd = 0.0;
      if (level < 2) f.d = 0.0;
      sums.pairs[eos_internal::pairIndex(i, j)] = 0.5 * f;
    }
  }
  eos_internal::addQuadratic(sums, x, hessian);

  // 2. The cube-root part sum_i X_i x_i N_i^3/D_i, N_i = sum_j x_j w_ij, D_i = sum_j x_j G_ij.
  CubeRootRows& rows = cubeRootRows;
  rows.w.assign(n, Jet{});
  rows.g.assign(n, Jet{});
  for (std::size_t i = 0; i < n; ++i) {
    const auto ii = static_cast<std::int32_t>(i + 1);
    Jet sumN;
    Jet sumD;
    EOSAMX(ii, sqrta, aT, aTT, k1, k1T, k1TT, k2, k2T, k2TT, c1, c2, 1, nc, x, sumN.v, sumD.v);
    if (level >= 2)
      EOSAMX(ii, sqrta, aT, aTT, k1, k1T, k1TT, k2, k2T, k2TT, c1, c2, 2, nc, x, sumN.d, sumD.d);
    if (level >= 3)
      EOSAMX(ii, sqrta, aT, aTT, k1, k1T, k1TT, k2, k2T, k2TT, c1, c2, 3, nc, x, sumN.dd, sumD.dd);
    for (std::size_t j = 0; j < n; ++j) {
      if (j == i) {
        rows.w[j] = Jet{};
        rows.g[j] = Jet{1.0, 0.0, 0.0};
        continue;
      }
      Jet tau;
      Jet g;
      pairJets(ii, static_cast<std::int32_t>(j + 1), k1, k1T, k1TT, k2, k2T, k2TT, c1, c2, level,
               tau, g);
      rows.w[j] = signedCubeRoot(g * tau * sums.roots[j]);
      rows.g[j] = g;
    }
    const Jet xi = sums.roots[i] * x[i];  // s_i
    const Jet cubeOverD = sumN * sumN * sumN / sumD;
    const Jet p = 3.0 * sumN * sumN / sumD;
    const Jet q = cubeOverD / sumD;
    sums.value = sums.value + xi * cubeOverD;
    sums.gradient[i] = sums.gradient[i] + sums.roots[i] * cubeOverD;
    for (std::size_t m = 0; m < n; ++m) {
      sums.gradient[m] = sums.gradient[m] + xi * (p * rows.w[m] - q * rows.g[m]);
    }
    if (hessian) {
      // d2(x_i N^3/D)/dx_m dx_l times X_i.
      const double xr = sums.roots[i].v;
      const double nv = sumN.v;
      const double dv = sumD.v;
      for (std::size_t l = 0; l < n; ++l) {
        const double edge = xr * (p.v * rows.w[l].v - q.v * rows.g[l].v);
        sums.h(i, l) += edge;
        sums.h(l, i) += edge;
        for (std::size_t m = 0; m < n; ++m) {
          const double wm = rows.w[m].v, wl = rows.w[l].v;
          const double gm = rows.g[m].v, gl = rows.g[l].v;
          sums.h(m, l) +=
              xi.v * (6.0 * nv * wm * wl / dv - 3.0 * nv * nv * (wm * gl + wl * gm) / (dv * dv) +
                      2.0 * nv * nv * nv * gm * gl / (dv * dv * dv));
        }
      }
    }
  }
  eos_internal::finishMixture(level, x, b, sums, out);
}

}  // namespace pure
