// FUGLS0: the generalized fugacity coefficient of each pure liquid, log10 nu = F(Tr, Pr),
// with the coefficient sets of the correlation K-values (Grayson-Streed, Chao-Seader and
// four further sets) and the acentric-factor term.
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"

namespace equilibrium {

StoredModelSwitches storedModelSwitches;

void ZERCO2() { storedModelSwitches = {}; }

namespace {

const bool kStoredModelSwitchesReset = services::registerKeptValues(&ZERCO2);

constexpr double kLn10 = 2.302585092994046;

// The coefficient table: ten coefficients A0..A9 per set, sets 0 to 9 in row order.
// clang-format off
constexpr std::array<double, 100> kCoefficients{
    // 0: Grayson-Streed, simple fluid.
    2.05135, -2.10899, 0, -0.19396, 0.02282, 0.08852, 0, -0.00872, -0.00353, 0.00203,
    // 1: Grayson-Streed, hydrogen.
    1.50709, 2.74283, -0.0211, 0.00011, 0, 0.008585, 0, 0, 0, 0,
    // 2: Grayson-Streed, methane.
    1.36822, -1.54831, 0, 0.02889, -0.01076, 0.10486, -0.02529, 0, 0, 0,
    // 3: Chao-Seader, simple fluid.
    5.75748, -3.01761, -4.985, 2.02299, 0, 0.08427, 0.26667, -0.31138, -0.02655, 0.02883,
    // 4: Chao-Seader, hydrogen.
    1.96718, 1.02972, -0.054009, 0.0005288, 0, 0.008585, 0, 0, 0, 0,
    // 5: Chao-Seader, methane.
    2.4384, -2.2455, -0.34084, 0.00212, -0.00223, 0.10486, -0.03691, 0, 0, 0,
    // 6 to 9.
    2.7365534, -1.981831, -0.51487289, 0.042470988, -0.002814385, -0.029474696,
        0.021495843, 0, 0, 0,
    -30.060874, 6.1409853, 45.263229, -27.303012, 5.9152545, 0.36838431, -0.67916811,
        0.15546365, 0, 0.089562849,
    3.058121, -2.6491906, 0.37457945, -1.4647096, 0.45734766, -0.95721679, 1.4272648,
        -0.50242238, 0.33859029, -0.26678483,
    3.204044, -3.533847, 3.159748, -4.633924, 1.572562, 0.07940235, -0.008722639, 0,
        -0.003530441, -0.002030497};
// clang-format on
constexpr std::int32_t kTableStartDivisor = 10;
constexpr std::int32_t kLastStart = 91;  // the last table element a set of ten may start at
constexpr std::int32_t kNoAcentricTermDigit = 1;
constexpr std::int32_t kPressureDerivativeSwitch = 2;
constexpr double kReducedVolumeFormTr = 2.5;

// F and its partial derivatives.
struct Terms {
  double f = 0.0;
  double dtr = 0.0;
  double dtr2 = 0.0;
  double dpi = 0.0;
};

// F = A0 + A1/Tr + A2 Tr + A3 Tr^2 + A4 Tr^3 + (A5 + A6 Tr + A7 Tr^2) pi
//     + (A8 + A9 Tr) pi^2 - log10 pi.
Terms polynomialTerms(std::span<const double, 10> a, double tr, double pi) {
  Terms r;
  r.f = a[0] + a[1] / tr + tr * (a[2] + tr * (a[3] + tr * a[4])) +
        (a[5] + tr * (a[6] + tr * a[7])) * pi + (a[8] + a[9] * tr) * pi * pi - std::log10(pi);
  r.dtr = -a[1] / (tr * tr) + a[2] + tr * (2.0 * a[3] + 3.0 * a[4] * tr) +
          (a[6] + 2.0 * a[7] * tr) * pi + a[9] * pi * pi;
  r.dtr2 = 2.0 * a[1] / (tr * tr * tr) + 2.0 * a[3] + 6.0 * a[4] * tr + 2.0 * a[7] * pi;
  r.dpi = a[5] + tr * (a[6] + tr * a[7]) + 2.0 * (a[8] + a[9] * tr) * pi - 1.0 / (pi * kLn10);
  return r;
}

// The value of method 120 above Tr = 2.5 (reduced-volume form).
double reducedVolumeValue(double tr, double pi) {
  const double v = 1.3036545 * tr - 0.323327;
  const double g = 1.5558658 * pi / (1.0 + 0.655553 / v);
  return 0.2597648 + 0.02310105 * pi + 0.001545 * pi * pi + 1.02972 / v - 0.054009 * v +
         0.0005288 * v * v - 0.008585 * g - std::log10(g);
}

// The acentric-factor term G(Tr, pi) with its derivatives; above Tr = 1 its value is
// continued with the slope at Tr = 1 held (0 under switch A 2) and no curvature.
Terms acentricTerms(double tr, double pi, bool pressureDerivatives) {
  Terms g;
  g.dpi = -0.025;
  if (tr < 1.0) {
    g.f = -4.23893 + 8.65808 * tr - 1.2206 / tr - 3.15224 * tr * tr * tr - 0.025 * (pi - 0.6);
    g.dtr = 8.65808 + 1.2206 / (tr * tr) - 9.45672 * tr * tr;
    g.dtr2 = 2.0 * (-1.2206 / (tr * tr * tr) - 9.45672 * tr);
  } else {
    g.f = 0.04631 - 0.025 * (pi - 0.6);
    g.dtr = pressureDerivatives ? 0.0 : 0.42196;
    g.dtr2 = 0.0;
  }
  return g;
}

}  // namespace

void FUGLS0(std::int32_t& istat, std::int32_t n, double p, double t, std::span<double> lnnu,
            std::span<double> dlnnudt, std::span<double> d2lnnudt2, std::span<double> dlnnudp,
            std::span<const double> omega, std::span<const double> pc, std::span<const double> tc,
            std::span<const std::int32_t> classes, std::int32_t method120) {
  istat = 0;
  const bool pressureDerivatives = storedModelSwitches.a == kPressureDerivativeSwitch;
  for (std::int32_t i = 1; i <= n; ++i) {
    const auto j = static_cast<std::size_t>(i - 1);
    const std::int32_t c = classes[j];
    // 1. No coefficient set: nu = 1.
    if (c < 0) {
      lnnu[j] = dlnnudt[j] = d2lnnudt2[j] = 0.0;
      if (pressureDerivatives) dlnnudp[j] = 0.0;
      continue;
    }
    const std::int32_t start = c / kTableStartDivisor;
    if (start < 1 || start > kLastStart) {
      services::ERRITM("COMP", i);
      services::ERRITM("CLASS", c);
      services::ABTRPT("KC", "FUGLS0", "FUGLS0", "FUGACITY CLASS OUTSIDE THE TABLE");
    }
    const auto a = std::span<const double>(kCoefficients)
                       .subspan(static_cast<std::size_t>(start - 1))
                       .first<10>();
    const bool acentric = c % 10 != kNoAcentricTermDigit;

    // 2. The polynomial in Tr and pi.
    const double tr = t / tc[j];
    const double pi = p / pc[j];
    Terms f = polynomialTerms(a, tr, pi);
    // 3. Method 120 far above the critical temperature: the value only.
    if (method120 == 1 && acentric && tr > kReducedVolumeFormTr) f.f = reducedVolumeValue(tr, pi);
    // 4. The acentric-factor term.
    if (acentric) {
      const Terms g = acentricTerms(tr, pi, pressureDerivatives);
      f.f += omega[j] * g.f;
      f.dtr += omega[j] * g.dtr;
      f.dtr2 += omega[j] * g.dtr2;
      f.dpi += omega[j] * g.dpi;
    }
    // 5. Natural logarithms per K and per kPa.
    lnnu[j] = kLn10 * f.f;
    dlnnudt[j] = kLn10 * f.dtr / tc[j];
    d2lnnudt2[j] = kLn10 * f.dtr2 / (tc[j] * tc[j]);
    if (pressureDerivatives) dlnnudp[j] = kLn10 * f.dpi / pc[j];
  }
}

}  // namespace equilibrium
