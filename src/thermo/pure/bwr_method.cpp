// Method 110: compressibility, fugacity coefficients and departure functions of the
// eleven-parameter Benedict-Webb-Rubin-Starling equation (DN110, WRAPA3).
//
// With F = K2 rho + K3 rho^2/2 + K6 rho^5/5 + Kc I(rho), I = (2 - (2 + gamma rho^2)
// exp(-gamma rho^2))/(2 gamma), the residual Helmholtz energy per mole (psia ft3/lbmol):
//   (H - H_ideal)/(R T) = Z - 1 + F/(R T) - (dF/dT)/R
//   (S - S_ideal(T, P0))/R = -(dF/dT)/R + ln Z - ln(P/P0)
//   ln(phi_i) = (F + rho dF/drho + sum_q (dF/dq) n dq/dn_i)/(R T) - ln Z
// the last sum running over the mixture parameters q of Starling's rules.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "services/services.hpp"
#include "thermo/pure/bwr_eos.hpp"
#include "thermo/pure/corresponding_states.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure {
namespace {

using P = StarlingParameter;

constexpr const char* kName = "DN110";
// The reference pressure of the entropy departure, psia (101.325 kPa).
constexpr double kReferencePsia = 101.325 * kPsiaPerKpa;
// Limit of ln(phi).
constexpr double kLnPhiLimit = 60.0;
// Relative steps of the difference quotients of the derivatives.
constexpr double kRelativeStep = 1e-4;

// The work arrays of the mixing rules, kept between calls (the library is single-threaded)
// so that a warm call allocates nothing.
struct Work {
  std::vector<double> pval, psqr, pcbr, f;
  std::vector<double> plus, minus;  // ln(phi) at the shifted states
};
// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
Work bwrWork;
const bool kBwrWorkReset = services::registerKeptValues([] { bwrWork = {}; });

Work& work(std::size_t n) {
  Work& w = bwrWork;
  const std::size_t nparam = static_cast<std::size_t>(kStarlingParameters) * n;
  if (w.pval.size() < nparam) {
    w.pval.resize(nparam);
    w.psqr.resize(nparam);
    w.pcbr.resize(nparam);
  }
  if (w.f.size() < n * n) w.f.resize(n * n);
  if (w.plus.size() < n) {
    w.plus.resize(n);
    w.minus.resize(n);
  }
  return w;
}

std::size_t at(P q, std::size_t i, std::size_t n) { return static_cast<std::size_t>(q) * n + i; }

// One solved state in field units.
struct Solved {
  BwrIsotherm k;
  double t = 0.0;    // R
  double p = 0.0;    // psia
  double rho = 0.0;  // lbmol/ft3
  double z = 0.0;
  std::int32_t status = 0;
};

Solved solve(const BwrMixture& m, double tK, double pK, std::int32_t phase) {
  Solved s;
  s.t = tK * kRankinePerKelvin;
  s.p = pK * kPsiaPerKpa;
  s.k = bwrIsotherm(m, s.t, kBwrGasConstant);
  BWRDEN(phase, s.p, s.t, m, kBwrGasConstant, s.rho, s.status);
  s.z = s.p / (s.rho * kBwrGasConstant * s.t);
  return s;
}

// I(rho) of the exponential term and its derivative in gamma.
double integralOf(double gamma, double rho) {
  const double u = gamma * rho * rho;
  return (2.0 - (2.0 + u) * std::exp(-u)) / (2.0 * gamma);
}
double integralGamma(double gamma, double rho) {
  const double u = gamma * rho * rho;
  const double e = std::exp(-u);
  return (u * (1.0 + u) * e - 2.0 + (2.0 + u) * e) / (2.0 * gamma * gamma);
}

// F and dF/dT at the state.
void helmholtz(const BwrMixture& m, const Solved& s, double& f, double& fT) {
  const double t = s.t;
  const double r = s.rho;
  const double r2 = r * r;
  const double r5 = r2 * r2 * r;
  const double i = integralOf(m.gamma, r);
  f = s.k.k2 * r + s.k.k3 * r2 / 2.0 + s.k.k6 * r5 / 5.0 + s.k.kc * i;
  const double t2 = t * t;
  const double k2T = m.B0 * kBwrGasConstant + 2.0 * m.C0 / (t2 * t) - 3.0 * m.D0 / (t2 * t2) +
                     4.0 * m.E0 / (t2 * t2 * t);
  const double k3T = m.b * kBwrGasConstant + m.d / t2;
  const double k6T = -m.alpha * m.d / t2;
  const double kcT = -2.0 * m.c / (t2 * t);
  fT = k2T * r + k3T * r2 / 2.0 + k6T * r5 / 5.0 + kcT * i;
}

double enthalpyDeparture(const BwrMixture& m, const Solved& s) {
  double f = 0.0;
  double fT = 0.0;
  helmholtz(m, s, f, fT);
  return s.z - 1.0 + f / s.k.rt - fT / kBwrGasConstant;
}

double entropyDeparture(const BwrMixture& m, const Solved& s) {
  double f = 0.0;
  double fT = 0.0;
  helmholtz(m, s, f, fT);
  return -fT / kBwrGasConstant + std::log(s.z) - std::log(s.p / kReferencePsia);
}

// ln(phi_i) of the active components at the state.
void fugacities(const BwrMixture& m, const Solved& s, std::span<const double> y,
                std::span<const std::int32_t> active, std::size_t n, const Work& w,
                std::span<double> lnphi) {
  const double t = s.t;
  const double r = s.rho;
  const double r2 = r * r;
  const double r5 = r2 * r2 * r;
  const double g = m.gamma;
  const double e = std::exp(-g * r2);
  const double i = integralOf(g, r);
  const double base = 2.0 * s.k.k2 * r + 1.5 * s.k.k3 * r2 + 1.2 * s.k.k6 * r5 +
                      s.k.kc * (i + r2 * (1.0 + g * r2) * e);
  const double lnz = std::log(s.z);

  // Sums of the rules: cube-root and square-root averages.
  const auto averageOf = [&](P q, std::span<const double> roots) {
    double sum = 0.0;
    for (std::size_t j = 0; j < n; ++j) sum += y[j] * roots[at(q, j, n)];
    return sum;
  };
  const double sb = averageOf(P::b, w.pcbr);
  const double sa = averageOf(P::a, w.pcbr);
  const double sAlpha = averageOf(P::alpha, w.pcbr);
  const double sc = averageOf(P::c, w.pcbr);
  const double sd = averageOf(P::d, w.pcbr);
  const double sGamma = averageOf(P::gamma, w.psqr);

  for (std::size_t k = 0; k < n; ++k) {
    if (active[k] == 0) continue;
    // n dq/dn_k of every mixture parameter.
    const auto quadratic = [&](P q, int power, double mixture) {
      double sum = 0.0;
      for (std::size_t j = 0; j < n; ++j) {
        sum += y[j] * w.psqr[at(q, k, n)] * w.psqr[at(q, j, n)] * std::pow(w.f[j * n + k], power);
      }
      return 2.0 * (sum - mixture);
    };
    const auto cubeRoot = [&](P q, double sum) {
      return 3.0 * sum * sum * (w.pcbr[at(q, k, n)] - sum);
    };
    const double dB0 = w.pval[at(P::B0, k, n)] - m.B0;
    const double dA0 = quadratic(P::A0, 1, m.A0);
    const double dC0 = quadratic(P::C0, 3, m.C0);
    const double dD0 = quadratic(P::D0, 4, m.D0);
    const double dE0 = quadratic(P::E0, 5, m.E0);
    const double db = cubeRoot(P::b, sb);
    const double da = cubeRoot(P::a, sa);
    const double dAlpha = cubeRoot(P::alpha, sAlpha);
    const double dc = cubeRoot(P::c, sc);
    const double dd = cubeRoot(P::d, sd);
    const double dGamma = 2.0 * sGamma * (w.psqr[at(P::gamma, k, n)] - sGamma);

    const double t2 = t * t;
    const double dK2 = dB0 * s.k.rt - dA0 - dC0 / t2 + dD0 / (t2 * t) - dE0 / (t2 * t2);
    const double dK3 = db * s.k.rt - da - dd / t;
    const double dK6 = dAlpha * (m.a + m.d / t) + m.alpha * (da + dd / t);
    const double dKc = dc / t2;
    const double mu = base + dK2 * r + dK3 * r2 / 2.0 + dK6 * r5 / 5.0 + dKc * i +
                      s.k.kc * integralGamma(g, r) * dGamma;
    lnphi[k] = std::clamp(mu / s.k.rt - lnz, -kLnPhiLimit, kLnPhiLimit);
  }
}

}  // namespace

std::size_t bwrBlockWords(std::int32_t nc) {
  const auto n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  return eos_internal::pairCount(nc) + 2 * static_cast<std::size_t>(kStarlingParameters) * n;
}

void DN110(std::span<const double> x, std::int32_t nc, std::int32_t request, std::int32_t phase,
           std::int32_t derivative, std::span<const std::int32_t> active, double t, double p,
           double& z, double& departure, double& departureT, double& departureP,
           std::span<double> lnphi, std::span<double> lnphiT, std::span<double> lnphiP,
           std::span<const double> block, std::int32_t& status) {
  const std::size_t n = nc > 0 ? static_cast<std::size_t>(nc) : 0;
  const std::size_t np = eos_internal::pairCount(nc);
  const auto req = static_cast<DensityRequest>(request);
  const bool derivatives = derivative == 1;
  eos_internal::requireLength(x, n, kName, "X");
  eos_internal::requireLength(block, bwrBlockWords(nc), kName, "BLOCK");
  if (req == DensityRequest::Fugacity) {
    eos_internal::requireLength(active, n, kName, "ACTIVE");
    eos_internal::requireLength(std::span<const double>(lnphi), n, kName, "LNPHI");
    if (derivatives) {
      eos_internal::requireLength(std::span<const double>(lnphiT), n, kName, "LNPHIT");
      eos_internal::requireLength(std::span<const double>(lnphiP), n, kName, "LNPHIP");
    }
  }
  if (req == DensityRequest::Entropy) eos_internal::requireLength(active, n, kName, "ACTIVE");

  // 1-2. The per-component arrays of the rules (values, square and cube roots, pair
  // factors 1 - k_ij), and the mixture parameters.
  Work& w = work(n);
  for (std::size_t q = 0; q < static_cast<std::size_t>(kStarlingParameters) * n; ++q) {
    const double v = block[np + q];
    w.pval[q] = v;
    w.psqr[q] = std::sqrt(std::max(v, 0.0));
    w.pcbr[q] = std::cbrt(v);
  }
  for (std::size_t i = 0; i < n; ++i) {
    w.f[i * n + i] = 1.0;
    for (std::size_t j = 0; j < i; ++j) {
      const double fij = 1.0 - block[eos_internal::pairIndex(static_cast<std::int32_t>(i + 1),
                                                             static_cast<std::int32_t>(j + 1))];
      w.f[j * n + i] = fij;
      w.f[i * n + j] = fij;
    }
  }
  BwrMixture m;
  BWRMIX(x, nc, w.pval, w.psqr, w.pcbr, w.f, m);

  // 3-4. The density root of the phase and Z.
  const Solved s = solve(m, t, p, phase);
  z = s.z;
  status = s.status;
  if (req == DensityRequest::Compressibility && !derivatives) return;

  // 5. The requested departure, with its derivatives by central differences.
  const double dt = kRelativeStep * t;
  const double dp = kRelativeStep * p;
  switch (req) {
    case DensityRequest::Fugacity: {
      fugacities(m, s, x, active, n, w, lnphi);
      if (!derivatives) return;
      const auto difference = [&](double t1, double p1, double t2, double p2, double h,
                                  std::span<double> out) {
        fugacities(m, solve(m, t1, p1, phase), x, active, n, w, w.plus);
        fugacities(m, solve(m, t2, p2, phase), x, active, n, w, w.minus);
        for (std::size_t i = 0; i < n; ++i) {
          if (active[i] != 0) out[i] = (w.plus[i] - w.minus[i]) / (2.0 * h);
        }
      };
      difference(t + dt, p, t - dt, p, dt, lnphiT);
      difference(t, p + dp, t, p - dp, dp, lnphiP);
      return;
    }
    case DensityRequest::Enthalpy:
    case DensityRequest::Entropy: {
      const bool enthalpy = req == DensityRequest::Enthalpy;
      double mixing = 0.0;
      if (!enthalpy) {
        for (std::size_t i = 0; i < n; ++i) {
          if (active[i] != 0 && x[i] > 0.0) mixing += x[i] * std::log(x[i]);
        }
      }
      const auto value = [&](const Solved& state) {
        return enthalpy ? enthalpyDeparture(m, state) : entropyDeparture(m, state) - mixing;
      };
      departure = value(s);
      if (!derivatives) return;
      departureT =
          (value(solve(m, t + dt, p, phase)) - value(solve(m, t - dt, p, phase))) / (2.0 * dt);
      departureP =
          (value(solve(m, t, p + dp, phase)) - value(solve(m, t, p - dp, phase))) / (2.0 * dp);
      return;
    }
    default:
      return;
  }
}

namespace {

// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
std::vector<std::int32_t> wrapa3Active;
const bool kWrapa3ActiveReset = services::registerKeptValues([] { wrapa3Active = {}; });

}  // namespace

void WRAPA3(double t, double p, std::span<const double> x, std::span<const double> block,
            std::int32_t nc, double& z, std::int32_t phase, std::int32_t derivative,
            std::span<double> lnphi, std::span<double> lnphiT, std::span<double> lnphiP) {
  // Every component active: at most one flag per component of the largest problem seen.
  std::vector<std::int32_t>& active = wrapa3Active;
  const std::size_t n = nc > 0 ? static_cast<std::size_t>(nc) : 0;
  if (active.size() < n) active.assign(n, 1);
  double departure = 0.0;
  double departureT = 0.0;
  double departureP = 0.0;
  std::int32_t status = 0;
  DN110(x, nc, static_cast<std::int32_t>(DensityRequest::Fugacity), phase, derivative,
        std::span<const std::int32_t>(active).first(n), t, p, z, departure, departureT, departureP,
        lnphi, lnphiT, lnphiP, block, status);
}

}  // namespace pure
