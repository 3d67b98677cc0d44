// Six-species equilibria (EQK6SP): ammonia, carbon dioxide, hydrogen sulphide and water with
// their ions in the liquid, correlated equilibrium and Henry constants, and the K-values of
// the four components.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/equilibrium/sour_water_kvalues.hpp"

namespace equilibrium {
namespace {

constexpr double kFloor = 1e-15;         // amount of an empty or inactive place
constexpr double kLowestT = 273.15;      // K
constexpr double kDerivativeStep = 1.0;  // K
constexpr double kRankine = 1.8;
constexpr double kPsiaToKpa = 6.895;
constexpr double kR = 8.314471;  // kJ/(kmol K)
constexpr double kLnKLimit = 68.0;
constexpr int kCarbonIterations = 40;
constexpr double kCarbonTolerance = 1e-5;
constexpr double kCarbonEmpty = 1e-16;
constexpr int kPhPasses = 40;
constexpr double kStartPh = 7.0;
constexpr double kChargeTolerance = 2e-6;
constexpr double kPhStepTolerance = 5e-7;
constexpr double kPhStepLimit = 1.0;  // pH units per XEXTRP step, as the first move

using Quartic = std::array<double, 5>;  // c0 tau^4 + c1 tau^3 + c2 tau^2 + c3 tau + c4

// ln K of the dissociations: hydrogen sulphide, carbon dioxide, bicarbonate, water,
// bisulphide.
constexpr Quartic kHydrogenSulphide{-39.1757, 255.51, -627.125, 683.858, -293.88};
constexpr Quartic kCarbonDioxide{-29.6445, 194.0, -481.23, 536.256, -241.79};
constexpr Quartic kBicarbonate{-37.192, 242.49, -596.67, 655.893, -295.6};
constexpr Quartic kWater{14.292, -85.41, 184.3, -177.822, 39.5554};
constexpr Quartic kBisulphide{-106.043, 672.472, -1589.64, 1649.36, -657.965};
// ln of the Henry constants (psia kg/mol) of carbon dioxide and hydrogen sulphide.
constexpr Quartic kHenryCarbonDioxide{1.2601, -9.0918, 22.3996, -24.8951, 18.33};
constexpr Quartic kHenryHydrogenSulphide{15.9734, -101.898, 239.029, -246.254, 100.684};

// Virial constants c and B1 factors f and exponents e of the four components.
constexpr std::array<double, 4> kVirialC{0.384, 0.384, 0.365, 0.384};
constexpr std::array<double, 4> kVirialF{0.12089, 0.0, 0.0, 0.06163};
constexpr std::array<double, 4> kVirialE{4.45, 0.0, 0.0, 4.75};

double quartic(const Quartic& c, double tau) {
  return (((c[0] * tau + c[1]) * tau + c[2]) * tau + c[3]) * tau + c[4];
}

// exp(x) with x limited to +-68.
double limitedExp(double x) { return std::exp(std::clamp(x, -kLnKLimit, kLnKLimit)); }

// Molalities of the six places (mol/kg), 0-based.
using Molalities = std::array<double, 6>;

// The equilibrium constants of one temperature.
struct Constants {
  double k1, k3, k4, k5, k6, k7, k8;  // K2 enters through kc
  double kc;                          // K2 exp(lambda m1^0.4)
};

Constants constantsAt(double tau, const Molalities& m) {
  Constants c{};
  c.k1 = limitedExp(quartic(kHydrogenSulphide, tau) + 0.427 * m[1]);
  const double k2 = limitedExp(quartic(kCarbonDioxide, tau) - 0.278 * m[2]);
  c.k3 = limitedExp(quartic(kBicarbonate, tau));
  c.k4 = limitedExp(quartic(kWater, tau));
  c.k5 = limitedExp(quartic(kBisulphide, tau));
  c.k6 = limitedExp(11.16 * tau + 1.587);
  c.k7 = limitedExp(3.465 * tau - 5.4);
  c.k8 = limitedExp(-11.28);
  const double lambda = 1.5588 * tau - 1.32;
  c.kc = k2 * std::exp(lambda * std::pow(m[0], 0.4));
  return c;
}

// The liquid species at a trial hydrogen molality (mol/kg).
struct Species {
  double h = 0.0;
  double bicarbonate = 0.0, carbonate = 0.0, ammonium = 0.0, carbamate = 0.0;
  double bisulphide = 0.0, sulphide = 0.0, hydroxide = 0.0, place5 = 0.0;
};

// Step 4: the species at hydrogen molality H and the charge residual.
double speciate(double h, const Constants& c, const Molalities& m, Species& s) {
  s.h = h;
  // Carbon: bicarbonate b scaled until the carbon species add up to the carbon total.
  double b = m[1];
  for (int it = 0; it < kCarbonIterations; ++it) {
    s.carbonate = c.k3 * b / h;
    s.ammonium = m[0] * c.k6 * h / (1.0 + c.k7 * b + c.k6 * h);
    s.carbamate = c.k7 * (m[0] - s.ammonium) * b / (1.0 + c.k7 * b);
    const double sum = b + b * h / c.kc + s.carbonate + s.carbamate;
    if (std::fabs(sum / m[1] - 1.0) <= kCarbonTolerance) break;
    if (sum <= kCarbonEmpty) {
      b = 0.5 * m[1];
      s.carbonate = 1e-19;
      s.carbamate = 1e-19;
      s.ammonium = m[0] * c.k6 * h / (c.k6 * h + 1.0);
      break;
    }
    b = b * m[1] / sum;
  }
  s.bicarbonate = b;
  // Sulphur: HS = K1 m3/(H (1 + K1 (1 + K5/H)/H)), S = HS K5/H.
  s.bisulphide = c.k1 * m[2] / (h * (1.0 + c.k1 * (1.0 + c.k5 / h) / h));
  s.sulphide = s.bisulphide * c.k5 / h;
  s.hydroxide = c.k4 / h - m[5];
  s.place5 = c.k8 * m[4] / (h + c.k8);
  return 2.0 * (s.sulphide + s.carbonate) + s.bicarbonate + s.bisulphide - s.ammonium +
         s.hydroxide - h + s.carbamate + s.place5 - m[5];
}

// Step 5: the pH of zero charge residual; the species are left at the last pH evaluated.
void solvePh(const Constants& c, const Molalities& m, Species& s) {
  const double tolerance = kChargeTolerance * std::max(m[0], 2.0 * m[1] + m[2]);
  double ph = kStartPh;
  std::array<double, 3> fs{};
  std::array<double, 3> xs{};
  for (std::int32_t pass = 1; pass <= kPhPasses; ++pass) {
    const double f = speciate(std::pow(10.0, -ph), c, m, s);
    if (std::fabs(f) <= tolerance) return;
    double step = 0.0;
    if (pass == 1) {
      step = f < 0.0 ? 1.0 : -1.0;
      fs.fill(f);
      xs.fill(ph);
    } else {
      services::XEXTRP(pass, f, ph, fs, xs, kPhStepLimit, step);
      if (step == 0.0 || std::fabs(step / ph) < kPhStepTolerance) return;
    }
    ph += step;
  }
}

// Everything that depends on the pass temperature only through the fractions.
struct Liquid {
  Molalities m{};
  std::array<double, 4> x{};  // x'
  std::array<double, 4> y{};  // y'
  double sx = 0.0;
};

// One pass at T: the K-values of the active components.
void kvaluesAt(double t, const Liquid& liquid, std::span<const double> a,
               std::span<const double> vw, std::span<const double> vn,
               std::span<const std::int32_t> active, double pk, std::span<const double> tc,
               std::span<const double> vmax, std::array<double, 4>& kout) {
  const Molalities& m = liquid.m;
  const double tr = kRankine * t;
  const double tau = 1000.0 / tr;
  const Constants c = constantsAt(tau, m);
  Species s;
  solvePh(c, m, s);

  // 6. Free molecules.
  const double h = s.h;
  const double nh3 = s.ammonium / (c.k6 * h);
  const double co2 = s.bicarbonate * h / c.kc;
  const double h2s = s.bisulphide * h / c.k1;

  // 7. Partial pressures, psia. Ammonia's Henry constant carries its own molality through
  // (0.1314 tau - 0.1682) mNH3, and the acid gases through 0.06 (2 mCO2 + mH2S).
  const double ha = std::exp(178.339 - 15.5179 * tau + 0.01966 * tr - 25.6767 * std::log(tr) +
                             (0.1314 * tau - 0.1682) * nh3 + 0.06 * (2.0 * m[1] + m[2]));
  const double hc = std::exp(quartic(kHenryCarbonDioxide, tau));
  const double hs =
      std::exp(quartic(kHenryHydrogenSulphide, tau) + (0.965 - 0.486 * tau) * m[1] - 0.05 * nh3);
  const double pwSat = std::exp(14.466 - 6996.6 / (tr - 77.67));
  const double wf = m[3] - s.bicarbonate + s.carbamate - s.hydroxide;
  const double total = s.carbonate + (m[0] + m[1] + m[2]) - s.ammonium + s.bisulphide + s.sulphide +
                       s.hydroxide + wf + s.place5 + 2.0 * m[5] + m[4];
  double pw = std::max(pwSat * wf / total, 0.0);
  if (liquid.sx > 0.0) {
    // Water: Poynting and vapour terms, B0 = 0.396 + 1.181/Tr - 0.864/Tr^2 + c/Tr^3,
    // B1 = f (1/Tr)^e, s = sqrt(a B0), t = sqrt(a B1), V = Vn/(1.70897 - 0.74575 Tr -
    // 0.26085 Tr^5) at most Vmax.
    std::array<double, 4> b0{};
    std::array<double, 4> b1{};
    std::array<double, 4> sk{};
    std::array<double, 4> tk{};
    for (std::size_t j = 0; j < 4; ++j) {
      const double inv = tc[j] / t;
      b0[j] = 0.396 + 1.181 * inv - 0.864 * inv * inv + kVirialC[j] * inv * inv * inv;
      b1[j] = kVirialF[j] * std::pow(inv, kVirialE[j]);
      if (active[j] == 1) {
        sk[j] = std::sqrt(a[j] * b0[j]);
        tk[j] = std::sqrt(a[j] * b1[j]);
      }
    }
    const double trw = t / tc[3];
    const double v4 =
        std::min(vn[3] / (1.70897 - 0.74575 * trw - 0.26085 * std::pow(trw, 5)), vmax[3]);
    const double u = 1.0 / (kR * t);
    const double vc = vw[3] - v4 - (b0[3] + b1[3]) * a[3] * u;
    double sa = 0.0;
    double sb = 0.0;
    for (std::size_t j = 0; j < 4; ++j) {
      sa += liquid.y[j] * (sk[3] - sk[j]);
      sb += liquid.y[j] * (tk[3] - tk[j]);
    }
    pw /= std::exp(u * (pk - kPsiaToKpa * pwSat) * vc + u * u * pk * (sa * sa + sb * sb));
  }

  // 8. K-values.
  const std::array<double, 4> partial{ha * nh3, hc * co2, hs * h2s, pw};
  for (std::size_t j = 0; j < 4; ++j) {
    kout[j] = active[j] == 1 ? kPsiaToKpa * partial[j] / (liquid.sx * pk * liquid.x[j]) : 0.0;
  }
}

}  // namespace

void EQK6SP(std::span<const double> a, std::span<const double> m, std::span<const double> vw,
            std::span<const double> vn, std::span<const std::int32_t> active, std::int32_t npass,
            double pk, double t, std::span<const double> tc, std::span<const double> vmax,
            std::span<const double> x, std::span<const double> y, std::span<double> k,
            std::span<double> dk) {
  // 1. Fractions: active places at least 1e-15 and normalised; molalities of 1 kg of
  // liquid of molar mass W; the empty places at 1e-15.
  Liquid liquid;
  double sy = 0.0;
  std::array<double, 4> xp{};
  for (std::size_t j = 0; j < 4; ++j) {
    xp[j] = kFloor;
    if (active[j] != 1) continue;
    if (x[j] > kFloor) xp[j] = x[j];
    liquid.sx += xp[j];
    sy += y[j];
  }
  if (!(liquid.sx > 0.0)) {
    // No active place: nothing to speciate.
    std::fill_n(k.begin(), 4, 0.0);
    if (npass != 1) std::fill_n(dk.begin(), 4, 0.0);
    return;
  }
  double w = 0.0;
  for (std::size_t j = 0; j < 4; ++j) {
    if (active[j] != 1) continue;
    xp[j] /= liquid.sx;
    w += xp[j] * m[j];
    liquid.y[j] = sy > 0.0 ? y[j] / sy : 0.0;
  }
  liquid.x = xp;
  for (std::size_t j = 0; j < 4; ++j) liquid.m[j] = 1000.0 * xp[j] / w;
  liquid.m[4] = kFloor;
  liquid.m[5] = kFloor;

  // 2.-8. One pass, or a second one a kelvin higher for the differences.
  const double t1 = std::max(t, kLowestT);
  std::array<double, 4> k1{};
  kvaluesAt(t1, liquid, a, vw, vn, active, pk, tc, vmax, k1);
  std::copy(k1.begin(), k1.end(), k.begin());
  if (npass == 1) return;
  std::array<double, 4> k2{};
  kvaluesAt(t1 + kDerivativeStep, liquid, a, vw, vn, active, pk, tc, vmax, k2);
  for (std::size_t j = 0; j < 4; ++j) dk[j] = active[j] == 1 ? k2[j] - k1[j] : 0.0;
}

}  // namespace equilibrium
