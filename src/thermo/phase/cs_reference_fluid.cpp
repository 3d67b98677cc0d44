// The reference fluid of the corresponding-states transport model: the methane equation of
// state (TRCSRF) and the methane density at a temperature and pressure (TRCSS1).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "services/services.hpp"
#include "thermo/phase/cs_transport_model.hpp"

namespace phase::cs {

// McCarty (1974), Cryogenics 14, 276: N1..N32 in atm, L/mol, K.
const std::array<double, 32> kEquationOfState{
    -0.01184347314485,  0.7540377272657,    -12.25769717554,    626.0681393432,
    -34906.54409121,    0.0005301046385532, -0.2875764479978,   50.11947936427,
    -28215.62800903,    -2.064957753744E-5, 0.01285951844828,   -1.106266656726,
    0.0003060813353408, -0.003174982181302, 5.191608004779,     -0.0003074944210271,
    1.071143181503E-5,  -0.009290851745353, 0.0001610140169312, 34698.30970789,
    -1370878.559048,    179.0105676252,     1615880.743238,     0.6265306650288,
    18.20173769533,     0.001449888505811,  -31.59999123798,    -5.290335668451E-6,
    0.001694350244152,  8.612049038886E-9,  -2.598235689063E-6, 3.153374374912E-5};

namespace {

// The temperature sums of the equation: a[k] multiplies rho^(k+1) in the polynomial part
// (k = 1..8, rho^2..rho^9), e[k] multiplies rho^(2k+1) exp(-gamma rho^2) (k = 1..6).
struct ReferenceSums {
  double t = -1.0;
  std::array<double, 10> a{};
  std::array<double, 7> e{};
};
ReferenceSums sums;
const bool kSumsReset = services::registerKeptValues([] { sums = {}; });

void computeSums(double t) {
  const auto& n = kEquationOfState;
  const auto c = [&](int k) { return n[static_cast<std::size_t>(k - 1)]; };
  const double t2 = t * t, t3 = t2 * t, t4 = t3 * t;
  sums.t = t;
  sums.a[1] = c(1) * t + c(2) * std::sqrt(t) + c(3) + c(4) / t + c(5) / t2;  // rho^2
  sums.a[2] = c(6) * t + c(7) + c(8) / t + c(9) / t2;                        // rho^3
  sums.a[3] = c(10) * t + c(11) + c(12) / t;                                 // rho^4
  sums.a[4] = c(13);                                                         // rho^5
  sums.a[5] = c(14) / t + c(15) / t2;                                        // rho^6
  sums.a[6] = c(16) / t;                                                     // rho^7
  sums.a[7] = c(17) / t + c(18) / t2;                                        // rho^8
  sums.a[8] = c(19) / t2;                                                    // rho^9
  sums.e[1] = c(20) / t2 + c(21) / t3;                                       // rho^3
  sums.e[2] = c(22) / t2 + c(23) / t4;                                       // rho^5
  sums.e[3] = c(24) / t2 + c(25) / t3;                                       // rho^7
  sums.e[4] = c(26) / t2 + c(27) / t4;                                       // rho^9
  sums.e[5] = c(28) / t2 + c(29) / t3;                                       // rho^11
  sums.e[6] = c(30) / t2 + c(31) / t3 + c(32) / t4;                          // rho^13
}

// Tolerances and limits of the density search.
constexpr int kNewtonSteps = 20;
constexpr int kAttempts = 3;
constexpr double kFlatSlope = 0.01;  // atm L/mol: no Newton step on a slope this small
constexpr double kTolerance = 1.0E-8;

enum class Side { None, Vapour, Liquid };

// Newton from RHO with the bounds LO, HI narrowed on the way; true when converged.
bool newton(double t0, double p0, double& rho, double& lo, double& hi) {
  for (int step = 1; step <= kNewtonSteps; ++step) {
    double p = 0.0, dp = 0.0;
    TRCSRF(t0, rho, p, dp);
    if (dp <= kFlatSlope) continue;  // the remaining steps repeat this evaluation
    const double dpres = p0 - p;
    if (dpres < 0.0) {
      hi = rho;
    } else if (dpres > 0.0) {
      lo = rho;
    } else {
      return true;
    }
    const double next = rho + dpres / dp;
    if (next < 0.0 || next > kRhoMax) return false;
    const double drho = next - rho;
    rho = next;
    if (step >= 2 &&
        (std::abs(dpres / p0) <= kTolerance || (rho > 0.0 && std::abs(drho / rho) <= kTolerance))) {
      return true;
    }
  }
  return false;
}

// Bisection between LO and HI; true when converged. The bracket closes within some 60
// halvings; the step limit only guards against a bracket that never closes.
constexpr int kBisectionSteps = 400;
bool bisect(double t0, double p0, Side side, double& rho, double lo, double hi) {
  for (int step = 1; step <= kBisectionSteps; ++step) {
    rho = 0.5 * (lo + hi);
    double p = 0.0, dp = 0.0;
    TRCSRF(t0, rho, p, dp);
    if (dp >= 0.0) {
      if (p < p0) {
        lo = rho;
      } else if (p > p0) {
        hi = rho;
      } else {
        return true;
      }
    } else if (side == Side::Liquid) {
      lo = rho;  // inside the unstable loop: move away from it
    } else {
      hi = rho;
    }
    if (std::abs((p - p0) / p0) <= kTolerance) return true;
    if (std::abs(dp) <= kTolerance && std::abs(p - p0) > kTolerance) return false;
    if (hi <= 0.0 || std::abs(lo / hi - 1.0) <= kTolerance) return false;
  }
  return false;
}

}  // namespace

void resetReferenceSums() { sums.t = -1.0; }

void TRCSRF(double t, double rho, double& p, double& dpdrho) {
  if (sums.t < 0.0 || services::RELCM2(t, sums.t) != 0) computeSums(t);
  // Polynomial part: rho R T + sum a_k rho^(k+1), k = 1..8.
  double poly = 0.0, dpoly = 0.0, pk = rho;  // pk = rho^k
  for (std::size_t k = 1; k <= 8; ++k) {
    poly += sums.a[k] * pk * rho;
    dpoly += static_cast<double>(k + 1) * sums.a[k] * pk;
    pk *= rho;
  }
  // Exponential part: [sum e_k rho^(2k+1)] exp(-gamma rho^2), k = 1..6.
  const double rho2 = rho * rho;
  const double ex = std::exp(-kGamma * rho2);
  double s = 0.0, ds = 0.0, q = rho;  // q = rho^(2k-1)
  for (std::size_t k = 1; k <= 6; ++k) {
    ds += static_cast<double>(2 * k + 1) * sums.e[k] * q * rho;  // (2k+1) e_k rho^(2k)
    q *= rho2;
    s += sums.e[k] * q;
  }
  p = rho * kGasConstant * t + poly + s * ex;
  dpdrho = kGasConstant * t + dpoly + (ds - 2.0 * kGamma * rho * s) * ex;
}

bool TRCSS1(double t0, double p0, double rhos, double& rho0) {
  double start = rhos;
  for (int attempt = 1;; ++attempt) {
    // 1. Newton within the bounds of the whole equation.
    double lo = 0.0, hi = kRhoMax;
    double rho = start;
    if (newton(t0, p0, rho, lo, hi)) {
      rho0 = rho;
      return true;
    }
    if (attempt >= kAttempts) return false;
    // 2. Below the critical temperature the bracket keeps to the side of the start.
    Side side = Side::None;
    if (t0 <= kTc0) {
      if (start < kRhoC0) {
        side = Side::Vapour;
        if (lo >= kRhoC0) lo = 0.0;
        if (hi >= kRhoC0) hi = kRhoC0;
      } else {
        side = Side::Liquid;
        if (lo <= kRhoC0) lo = kRhoC0;
        if (hi <= kRhoC0) hi = kRhoMax;
      }
    }
    // 3. Bisection.
    if (bisect(t0, p0, side, rho, lo, hi)) {
      rho0 = rho;
      return true;
    }
    // 4. Next attempt from the other side.
    start = side == Side::Liquid ? 0.01 : 3.0 * kRhoC0;
  }
}

}  // namespace phase::cs
