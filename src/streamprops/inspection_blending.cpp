// Blend transforms, the kinematic-viscosity blend and the boiling-point, cetane and
// flash-point correlations of the inspection properties.
#include "streamprops/inspection_blending.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "services/markers.hpp"
#include "services/services.hpp"
#include "thermo/phase/slots.hpp"

namespace streamprops {
namespace {

constexpr double kIndexCap = 35.0;  // 10^35 at most
constexpr double kRankinePerKelvin = 1.8;
constexpr double kRankineOffset = 459.67;
// The exponential index form T(R) = 600 (AVG / 10000)^R1: exp(6.39693) = 600 and
// 9.21034 = ln 10000.
constexpr double kLn600 = 6.39693;
constexpr double kLn10000 = 9.21034;
constexpr std::int32_t kCloudPoint = 2;
constexpr std::int32_t kSmokePoint = 7;

double exponentialIndexToKelvin(double avg, double r1) {
  return (std::pow(avg, r1) * std::exp(kLn600 - kLn10000 * r1) - 460.0 + kRankineOffset) /
         kRankinePerKelvin;
}
double kelvinToExponentialIndex(double value, double r1) {
  return std::pow((kRankinePerKelvin * value - kRankineOffset + 460.0) /
                      std::exp(kLn600 - kLn10000 * r1),
                  1.0 / r1);
}

// The viscosity blend index of method 373 as a polynomial in L = ln nu.
double viscosityIndex(double l) {
  return (((0.0184378 * l - 0.458592) * l + 4.35618) * l - 22.1322) * l + 72.0509;
}

// Whether every component present in X has the constants BASIS weighs it by: a molecular
// weight (weight and volume bases) and a gravity (volume basis), both positive.
bool hasBasisConstants(std::span<const double> x, std::int32_t basis, const BlendConstants& c) {
  if (basis == kMoleBasis) return true;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (!(x[i] > 0.0)) continue;
    if (i >= c.molecularWeight.size() || !(c.molecularWeight[i] > 0.0)) return false;
    if (basis != kWeightBasis && (i >= c.gravity.size() || !(c.gravity[i] > 0.0))) return false;
  }
  return true;
}

}  // namespace

double blendAverage(std::span<const double> x, std::span<const double> v, std::int32_t basis,
                    const BlendConstants& c) {
  const std::size_t n = std::min(x.size(), v.size());
  if (basis == kMoleBasis) {
    double avg = 0.0;
    for (std::size_t i = 0; i < n; ++i) avg += x[i] * v[i];
    return avg;
  }
  // Without the constants of its basis a blend has no value (never a mole average).
  if (!hasBasisConstants(x.first(n), basis, c)) return services::DMISS;
  double sum = 0.0, total = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!(x[i] > 0.0)) continue;
    double w = x[i] * c.molecularWeight[i];
    if (basis != kWeightBasis) w /= c.gravity[i];
    sum += w * v[i];
    total += w;
  }
  return services::RELCMP(total, 0.0) == 0 ? 0.0 : sum / total;
}

void SPBIX4(std::int32_t opt, double& avg, double& value, double r1, double r2) {
  if (opt == 1 && avg <= services::RMISS) {
    value = services::DMISS;
  } else if (opt == 1) {
    value = avg <= 0.0 ? 0.0 : std::pow(10.0, std::min((std::log10(avg) - r2) * r1, kIndexCap));
  } else if (opt == 2) {
    // A zero exponent has no inverse.
    if (r1 == 0.0) {
      avg = services::DMISS;
      return;
    }
    avg = value <= 0.0 ? 0.0 : std::pow(10.0, std::min(std::log10(value) / r1 + r2, kIndexCap));
  }
}

void SPBIX6(std::int32_t opt, double& avg, double& value, double r1, double r2,
            std::int32_t iprop) {
  if (iprop != kCloudPoint) return SPBIX4(opt, avg, value, r1, r2);
  if (opt == 1 && avg <= services::RMISS) {
    value = services::DMISS;
  } else if (opt == 1) {
    value = avg <= 0.0 ? 0.0 : exponentialIndexToKelvin(avg, r1);
  } else if (opt == 2) {
    if (r1 == 0.0) {
      avg = services::DMISS;
      return;
    }
    avg = value <= 0.0 ? 0.0 : kelvinToExponentialIndex(value, r1);
  }
}

void SPBIX3(std::int32_t opt, double& avg, double& value, std::int32_t method, double r1,
            double r2) {
  switch (static_cast<BlendMethod>(method)) {
    case BlendMethod::PowerIndex:
      return SPBIX4(opt, avg, value, r1, r2);
    case BlendMethod::CloudIndex:
    case BlendMethod::Correlation:  // the same exponential form, F converted to K
      return SPBIX6(opt, avg, value, r1, r2, kCloudPoint);
    default:
      if (opt == 1) value = 0.0;
      if (opt == 2) avg = 0.0;
  }
}

void SPBIX5(std::int32_t opt, double& avg, double& value, std::int32_t method, double r1,
            double r2) {
  switch (static_cast<BlendMethod>(method)) {
    case BlendMethod::PowerIndex:
      return SPBIX4(opt, avg, value, r1, r2);
    case BlendMethod::CloudIndex:
      return SPBIX6(opt, avg, value, r1, r2, kSmokePoint);
    case BlendMethod::Reciprocal:
      if (opt == 1) value = avg <= services::RMISS ? services::DMISS : avg <= 0.0 ? 0.0 : 1.0 / avg;
      if (opt == 2) avg = value <= 0.0 ? 0.0 : 1.0 / value;
      return;
    default:
      if (opt == 1) value = 0.0;
      if (opt == 2) avg = 0.0;
  }
}

double SPVIS1(double a, double b, double t, std::int32_t method) {
  if (method != 374 && method != 373 && method != 371) return 0.0;
  if ((a == 0.0 && b == 0.0) || a <= services::RMISS || b <= services::RMISS) return 0.0;
  // ASTM D341: Z = nu + 0.7 + exp(-1.47 - 1.84 nu - 0.51 nu^2), ln ln Z = A + B ln T; the
  // inverse nu = (Z - 0.7) - exp(-0.7487 - 3.295 (Z - 0.7) + 0.6119 (Z - 0.7)^2
  //   - 0.3193 (Z - 0.7)^3).
  const double u = std::min(a + b * std::log(t), 4.45);
  const double z = std::exp(std::exp(u)) - 0.7;
  double c = z >= 1e10 ? -30.0 : ((-0.3193 * z + 0.6119) * z - 3.295) * z - 0.7487;
  c = std::clamp(c, -30.0, 50.0);
  return z - std::exp(c);
}

void SPVIS2(std::int32_t opt, double& index, double& nu, std::int32_t method, double r1,
            double r2) {
  if (method != static_cast<std::int32_t>(BlendMethod::Correlation)) {
    return SPBIX4(opt == 2 ? 2 : 1, index, nu, r1, r2);
  }
  if (opt == 2) {
    if (nu == 0.0) {
      index = 0.0;
      return;
    }
    const double l = std::log(nu);
    if (nu > 0.2 && nu < 10000.0) {
      index = viscosityIndex(l);
    } else if (nu >= 10000.0) {
      index = 29.552456 - 1.8928559 * l;
    } else {
      index = 63.01676 - 36.021172 * l;
    }
    return;
  }
  // Option 1: nu of the index.
  const double v = index;
  if (v == 0.0) {
    nu = 0.0;
    return;
  }
  double l;
  if (v <= 12.11861) {
    l = (v - 29.552456) / -1.8928559;
  } else if (v >= 120.9906) {
    l = (v - 63.01676) / -36.021172;
  } else {
    l = ((((((2.03345e-11 * v - 1.05476e-8) * v + 2.29871e-6) * v - 0.000274444) * v +
           0.0194131) * v - 0.82115) * v) + 16.6988;
    // Refined on the relative residual: two scaling steps, then the steps of the
    // safeguarded search over the stored residuals.
    std::array<double, 3> fs{}, xs{};
    for (std::int32_t it = 1; it <= 99; ++it) {
      const double residual = (v - viscosityIndex(l)) / v;
      if (std::abs(residual) < 1e-5) break;
      double dx = 0.0;
      services::XEXTRP(it, residual, l, fs, xs, 1.0, dx);
      if (it <= 2) {
        l *= residual > 0.0 ? 0.95 : 1.05;
      } else {
        l += dx;
      }
    }
  }
  nu = std::exp(l);
}

void SPKVIS(std::int32_t method, std::int32_t basis, double t, std::span<const double> x,
            std::span<const double> a, std::span<const double> b, double r1, double r2,
            const BlendConstants& c, double& value) {
  value = 0.0;
  if (method == static_cast<std::int32_t>(BlendMethod::UserIndex)) return;
  const std::size_t n = std::min({x.size(), a.size(), b.size()});
  if (!hasBasisConstants(x.first(n), basis, c)) {
    value = services::DMISS;
    return;
  }
  auto weight = [&](std::size_t i) {
    if (basis == kMoleBasis) return x[i];
    if (basis == kWeightBasis) return x[i] * c.molecularWeight[i];
    return x[i] * c.molecularWeight[i] / c.gravity[i];
  };
  double s = 0.0;
  for (std::size_t i = 0; i < n; ++i) s += weight(i);
  if (!(method == 373 || method == 371) || !(s > 0.0)) return;
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!(x[i] > 1e-30)) continue;
    if (a[i] <= services::RMISS && b[i] <= services::RMISS) continue;
    if (a[i] == 0.0 && b[i] == 0.0) continue;
    double nu = SPVIS1(a[i], b[i], t, method);
    double index = 0.0;
    SPVIS2(2, index, nu, method, r1, r2);
    sum += weight(i) * index;
  }
  if (sum == 0.0) return;
  double mean = sum / s;
  SPVIS2(1, mean, value, method, r1, r2);
}

void averageBoilingPoint(std::int32_t iprop, std::int32_t method, std::span<const double> x,
                         std::int32_t water, const BlendConstants& c, double& value) {
  if (method != static_cast<std::int32_t>(BlendMethod::Correlation)) {
    value = 0.0;
    return;
  }
  const auto w = static_cast<std::size_t>(water);
  double moles = 0.0, volume = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (i + 1 == w) continue;
    moles += x[i];
    volume += x[i] * c.molecularWeight[i] / c.gravity[i];
  }
  // Nothing left once water is out: no average exists.
  if (!(moles > 0.0) || !(volume > 0.0)) {
    value = services::DMISS;
    return;
  }
  double molal = 0.0, cubic = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (i + 1 == w) continue;
    molal += x[i] / moles * c.boilingPoint[i];
    cubic += x[i] * c.molecularWeight[i] / c.gravity[i] / volume * std::cbrt(c.boilingPoint[i]);
  }
  cubic = cubic * cubic * cubic;
  switch (iprop) {
    case 85:
      value = (molal + cubic) / 2.0;
      break;
    case 86:
      value = cubic;
      break;
    default:
      value = molal;
  }
}

double cetaneIndex(double d, double b) {
  if (!(b > 0.0)) return 0.0;
  const double lb = std::log10(b);
  return 454.74 - 1641.416 * d + 774.74 * d * d - 0.554 * b + 97.803 * lb * lb;
}

double flashPointFromD86(std::int32_t method, std::span<const double> d86Grid) {
  if (method == static_cast<std::int32_t>(BlendMethod::Correlation)) {
    auto f = [](double k) { return k * kRankinePerKelvin - kRankineOffset; };
    const double fp = 0.64 * (f(d86Grid[0]) + 2.0 * f(d86Grid[1]) + f(d86Grid[2])) / 4.0 - 100.0;
    return (fp + kRankineOffset) / kRankinePerKelvin;
  }
  // API rule: 1 / FP = -0.014568 + 2.84947 / T10 + 1.903e-3 ln T10, Rankine (API Technical
  // Data Book procedure 2B7.1).
  const double t = d86Grid[2] * kRankinePerKelvin;
  if (t <= 0.0) return 0.0;
  const double inverse = 2.84947 / t - 0.014568 + 0.001903 * std::log(t);
  return inverse > 0.0 ? 1.0 / inverse / kRankinePerKelvin : services::DMISS;
}

}  // namespace streamprops
