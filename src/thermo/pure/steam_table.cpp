// The steam-table route of the water properties: the 1969 fundamental equation of the
// Helmholtz function of water and its derivatives, a virial estimate of the vapour volume,
// and the corrected vapour pressure.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "thermo/pure/water.hpp"

namespace pure {
namespace {

// Coefficients A(i, j), i = 1..10 (rows), j = 1..7 (columns), of
// J. H. Keenan, F. G. Keyes, P. G. Hill and J. G. Moore, Steam Tables, Wiley (1969),
// appendix; units of the original: rho in g/cm3, tau = 1000/T with T in K. Entries the
// equation does not use are 0. A(9, 3) is -137.46618, the value of the majority of the
// published transcriptions.
constexpr std::array<std::array<double, 7>, 10> kA{{
    {29.492937, -5.1985860, 6.8335354, -0.1564104, -6.3972405, -3.9661401, -0.69048554},
    {-132.13917, 7.7779182, -26.149751, -0.72546108, 26.409282, 15.453061, 2.7407416},
    {274.64632, -33.301902, 65.326396, -9.2734289, -47.740374, -29.142470, -5.1028070},
    {-360.93828, -16.254622, -26.181978, 4.3125840, 56.323130, 29.568796, 3.9636085},
    {342.18431, -177.31074, 0.0, 0.0, 0.0, 0.0, 0.0},
    {-244.50042, 127.48742, 0.0, 0.0, 0.0, 0.0, 0.0},
    {155.18535, 137.46153, 0.0, 0.0, 0.0, 0.0, 0.0},
    {5.9728487, 155.97836, 0.0, 0.0, 0.0, 0.0, 0.0},
    {-410.30848, 337.31180, -137.46618, 6.7874983, 136.87317, 79.847970, 13.041253},
    {-416.05860, -209.88866, -733.96848, 10.401717, 645.81880, 399.17570, 71.531353},
}};

// The ideal-gas part psi0(T) = sum over i = 1..6 of C_i / tau^(i-1) + C7 ln T + C8 ln T / tau.
constexpr std::array<double, 8> kPsi0{1857.065, 3229.12, -419.465, 36.6649,
                                      -20.5516, 4.85233, 46.0,     -1011.249};

constexpr double kR = 0.46151;  // J/(g K)
constexpr double kE = 4.8;
constexpr double kTauC = 1.544912;  // tau_c = tau_a of the first column
constexpr double kTauA = 2.5;       // tau_a of columns 2 to 7
constexpr double kRhoA1 = 0.634;    // rho_a of the first column
constexpr double kRhoA = 1.0;       // of columns 2 to 7
constexpr double kTauGuard = 2.50001;
constexpr double kRhoGuard = 1.00001;
constexpr double kStep = 1.0e-6;

// MPa to psia; J/g to BTU/lb; J/(g K) to BTU/(lb R).
constexpr double kPsiaPerMPa = 145.0372564;
constexpr double kBtuPerLbPerJPerG = 0.429922;
constexpr double kEntropyFactor = 0.2388458;

// The vapour virial estimate and the corrected vapour pressure.
constexpr double kFt3PerLbPerCm3PerG = 0.016018461;

// The Helmholtz function of water (J/g) at T (K) and RHO (g/cm3), in the precision of REAL.
template <typename Real>
Real helmholtz(Real t, Real rho) {
  Real tau = Real{1000} / t;
  if (tau == kTauA) tau = kTauGuard;
  if (rho == kRhoA) rho = kRhoGuard;

  // Q = (tau - tau_c) sum_j (tau - tau_aj)^(j-2) [sum_{i<=8} A_ij (rho - rho_aj)^(i-1)
  //     + exp(-E rho) sum_{i=9,10} A_ij rho^(i-9)]; in column 1 tau_a1 = tau_c, so that
  // (tau - tau_c) (tau - tau_a1)^-1 is 1.
  const Real decay = std::exp(-kE * rho);
  Real q = 0;
  Real tauPower = 1;  // (tau - tau_a)^(j-2) for j >= 2
  for (int j = 0; j < 7; ++j) {
    const Real rhoA = j == 0 ? kRhoA1 : kRhoA;
    Real inner = 0;
    for (int i = 7; i >= 0; --i)
      inner = inner * (rho - rhoA) + kA[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    inner +=
        decay * (kA[8][static_cast<std::size_t>(j)] + kA[9][static_cast<std::size_t>(j)] * rho);
    if (j == 0) {
      q += inner;
    } else {
      q += (tau - kTauC) * tauPower * inner;
      tauPower *= tau - kTauA;
    }
  }

  Real psi0 = 0;
  for (int i = 5; i >= 0; --i) psi0 = psi0 / tau + kPsi0[static_cast<std::size_t>(i)];
  const Real lnT = std::log(t);
  psi0 += kPsi0[6] * lnT + kPsi0[7] * lnT / tau;
  return psi0 + kR * t * (std::log(rho) + rho * q);
}

}  // namespace

double WPCOR4(double t, double rho) { return helmholtz(t, rho); }

// The differences are formed in extended precision: the sum of the fundamental equation
// cancels several digits, and the quotients over a relative step of 1e-6 would otherwise
// carry that rounding into the pressure (about 5e-4 psia), too coarse for the density search
// that matches it to 1e-9.
void WPCOR2(double t, double rho, double& out, std::int32_t kind) {
  using Extended = long double;
  const Extended te = t;
  const Extended rhoE = rho;
  const Extended step = kStep;
  const double tauShift = 1000.0 / t * (1.0 + kStep);
  const double tShift = 1000.0 / tauShift;
  const Extended psi = helmholtz(te, rhoE);
  if (kind == static_cast<std::int32_t>(SteamQuantity::Entropy)) {
    // s = -dpsi/dT.
    out = static_cast<double>(-(helmholtz(Extended{tShift}, rhoE) - psi) * kEntropyFactor /
                              (Extended{tShift} - te));
    return;
  }
  // p = rho^2 dpsi/drho, MPa.
  const Extended p = (helmholtz(te, rhoE * (1 + step)) - psi) * rhoE / step;
  if (kind == static_cast<std::int32_t>(SteamQuantity::Pressure)) {
    out = static_cast<double>(kPsiaPerMPa * p);
    return;
  }
  // h = p/rho + d(tau psi)/dtau.
  out = static_cast<double>(
      (p / rhoE + ((1 + step) * helmholtz(Extended{tShift}, rhoE) - psi) / step) *
      kBtuPerLbPerJPerG);
}

void WPCOR1(double t, double patm, double& v) {
  const double tau = 1.0 / t;
  const double b0 = 1.89 - 2641.62 * tau * std::exp(186211.262 * tau * tau);
  const double x = b0 * tau * patm;
  const double g1 = 82.546 * tau - 162460.0 * tau * tau;
  const double g2 = 0.21828 - 126970.0 * tau * tau;
  const double g3 = 0.0003635 - 6.768e-5 * 0.001 * std::pow(1.0e6 * tau * tau, 12);
  const double x3 = x <= 1.0e-20 ? 0.0 : x * x * x;
  const double x12 = x3 <= 1.0e-15 ? 0.0 : x3 * x3 * x3 * x3;
  v = (4.55504 * t / patm + b0 * (1.0 + g1 * x + g2 * x3 - g3 * x12)) * kFt3PerLbPerCm3PerG;
}

void WPCOR3(double t, double p, double& out) {
  // Three cubics in ln(psia), valid at 0, 80 and 240 F, interpolated in 1/T.
  constexpr std::array<std::array<double, 4>, 3> kCubics{{
      {6.6977, -0.71414, -0.079906, 0.00830939},
      {9.6637, -0.70826, -0.080418, 0.007807},
      {14.1924, -0.99853, -0.032457, 0.004437},
  }};
  constexpr std::array<double, 3> kInverseRankine{0.002175474, 0.001852984, 0.001429245};
  const double psia = 14.6959 * p / 101.325;
  const double tr = 1.8 * t;
  const double tf = tr - 459.67;
  const double l = std::log(psia);
  std::array<double, 3> z{};
  for (std::size_t k = 0; k < 3; ++k) {
    const auto& q = kCubics[k];
    z[k] = q[0] + l * (q[1] + l * (q[2] + l * q[3]));
  }
  double zz = z[1];
  const double x = 1.0 / tr;
  if (tf < 80.0) {
    zz =
        z[0] + (z[1] - z[0]) * (x - kInverseRankine[0]) / (kInverseRankine[1] - kInverseRankine[0]);
  } else if (tf > 80.0) {
    zz =
        z[1] + (z[2] - z[1]) * (x - kInverseRankine[1]) / (kInverseRankine[2] - kInverseRankine[1]);
  }
  zz = std::clamp(zz, -70.0, 70.0);
  out = std::exp(zz) * p / 47471.6;
}

}  // namespace pure
