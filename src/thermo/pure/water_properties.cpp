// WPROP: the properties of pure water by the correlations or by the steam-table route, the
// empty hook of the user water methods, and the two-variable polynomial of the liquid.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/water.hpp"

namespace pure {
namespace {

constexpr int kClockTimingSwitch = 29;

// Conversions: psia per kPa, R per K, lb per kg, BTU per kJ, the molar mass of water,
// kJ per kcal (BTU/(lb R) to kJ/(kg K)).
constexpr double kPsiaPerKPa = 0.14503801;
constexpr double kTfac = 1.8;
constexpr double kWtfac = 2.2046218;
constexpr double kHsfac = 0.94781339;
constexpr double kH2oMw = 18.015;
constexpr double kKjPerKcal = 4.186814917227536;
constexpr double kRankineZero = 459.67;
constexpr double kAtmPsia = 14.6959;
constexpr double kBtuPerLbToKjPerKmol = kWtfac / kHsfac * kH2oMw;
constexpr double kPressureFloor = 1.0e-10;
constexpr double kExponentLimit = 60.0;
// The density search of the steam-table route: the relative pressure match it converges
// to, the absolute match (psia) below which the rounding of the pressure quotient of the
// fundamental equation scatters it, its step limit, the largest density change of one step
// (g/cm3) and the relative density change below which it stops.
constexpr double kDensityTolerance = 1.0e-9;
constexpr double kPressureNoise = 2.0e-7;
constexpr int kDensitySteps = 100;
constexpr double kDensityMove = 0.1;
constexpr double kDensityStepLimit = 1.0e-14;

// Temperatures (F) of the breakpoints.
constexpr double kFreezingF = 32.0;
constexpr double kCriticalF = 705.4;
constexpr double kLiquidLimitF = 705.44;
constexpr double kColdestF = -300.0;

// Antoine rows (ln P in kPa, T in K): ln P = a + b / (c + T).
struct AntoineRow {
  double a;
  double b;
  double c;
};
constexpr std::array<AntoineRow, 3> kAntoine{
    {{16.33631, -3853.646, -44.48833}, {17.13859, -4631.192, 0.0}, {17.25691, -4700.607, 0.0}}};

const AntoineRow& rowByTemperature(double tf) {
  if (tf <= 467.01) return kAntoine[0];
  if (tf <= 596.23) return kAntoine[1];
  return kAntoine[2];
}

const AntoineRow& rowByPressure(double p) {
  if (p <= 3438.79) return kAntoine[0];
  if (p <= 10339.75) return kAntoine[1];
  return kAntoine[2];
}

// The coefficients of the pressure term of the liquid enthalpy, i fastest.
constexpr std::array<double, 25> kLiquidPressureTerm{
    2.46539,   1.16853,    -0.038683,  0.0105441, 0.00971641, -2.90171,  -0.90133,
    0.271326,  -0.0114272, -0.0423059, -2.13362,  0.17873,    0.912962,  -0.114262,
    -0.154591, -1.09785,   0.55839,    0.76726,   -0.124451,  -0.128599, -0.187333,
    0.204658,  0.193786,   -0.0362644, -0.0320327};

// Everything the routes share.
struct State {
  double t = 0.0;     // K
  double tr = 0.0;    // R
  double tf = 0.0;    // F
  double pw = 0.0;    // psia
  double patm = 0.0;  // atm
  bool vapour = false;
};

// The vapour pressure (kPa) of the Antoine rows and its logarithmic derivative (per K).
void antoine(double t, double tf, double& psat, double& dlnp) {
  if (tf < kColdestF) {
    psat = std::exp(-kExponentLimit);
    dlnp = 0.0;
    return;
  }
  const AntoineRow& row = rowByTemperature(tf);
  const double x = 1.0 / (row.c + t);
  const double z = std::max(row.a + row.b * x, -kExponentLimit);
  dlnp = -row.b * x * x;
  psat = std::exp(std::clamp(z, -kExponentLimit, kExponentLimit));
}

// Liquid enthalpy of the correlations, BTU/lb, at TF with the pressure PW (psia).
double liquidEnthalpy(double tf, double pw) {
  const double tc = std::min(tf, kCriticalF);
  double h = 0.0;
  if (tf < kFreezingF) {
    h = (tf - kFreezingF) * 1.01;
  } else if (tf <= 240.0) {
    constexpr std::array<double, 5> c{108.888, 54.4383, 0.106426, 0.043689, -0.00423157};
    const double y = 0.0183486 * tc - 2.58716;
    for (auto it = c.rbegin(); it != c.rend(); ++it) h = h * y + *it;
  } else if (tf < 350.0) {
    const double u = tf - 235.0;
    h = 203.2813 + 1.0122 * u + 3.542125e-10 * std::pow(u, 4) + 1.152499e-19 * std::pow(u, 8);
  } else {
    constexpr std::array<double, 6> c{452.033, 141.145, 0.133368, -6.11097, 4.25998, 2.90809};
    const double y = 0.00842105 * tc - 3.93684;
    for (auto it = c.rbegin(); it != c.rend(); ++it) h = h * y + *it;
  }
  if (pw >= 200.0 && tf >= kFreezingF && tf <= 400.0) {
    double term = 0.0;
    POLY2D(1, 0.00121212, 0.00594001, -2.24242, -2.19008, pw, tf, kLiquidPressureTerm, 5, 5, term);
    h += term;
  }
  return h;
}

// Vapour enthalpy of the correlations, BTU/lb, and the residual R it is built on.
double vapourEnthalpy(double tIn, double patm, double& residual) {
  const double t = std::max(tIn, 45.0);
  const double tau = 1.0 / t;
  const double w = 186211.262 * tau * tau;
  const double e = std::exp(std::clamp(w, -kExponentLimit, kExponentLimit));
  const double b0 = 1.89 - 2641.62 * tau * e;
  const double g1 = 82.546 * tau - 162460.0 * tau * tau;
  const double g2 = 0.21828 - 126970.0 * tau * tau;
  const double g3p = -6.768e-5 * 0.001 * std::pow(1.0e6 * tau * tau, 12);
  const double g3 = g3p + 0.0003635;
  const double c = tau * b0;
  const double x = patm * c;
  const double x3 = x <= 1.0e-20 ? 0.0 : x * x * x;
  const double x12 = x3 <= 1.0e-15 ? 0.0 : x3 * x3 * x3 * x3;
  const double d = b0 - 2641.62 * tau * e * (2.0 * w + 1.0);
  const double h1 = ((82.546 - 2.0 * 162460.0 * tau) * c + 2.0 * g1 * d) * x;
  const double h2 = (-2.0 * 126970.0 * tau * c + 4.0 * g2 * d) * x3;
  const double h3 = x12 <= 1.0e-20 ? 0.0 : -((24.0 * g3p / tau) * c + 13.0 * g3 * d) * x12;
  residual = (h1 / 2.0 + h2 / 4.0 + h3 / 13.0 + d) * patm;
  const double ideal = ((t - 273.16) * (1.472 + 0.00075566 * (t + 273.16) / 2.0) +
                        47.8365 * std::log(t / 273.16) + 2502.36) *
                       9.8722;
  return (residual + ideal) * 0.04354005;
}

// 5. The correlations: enthalpy (with its derivative over 2 F) or entropy.
void correlations(std::int32_t iflag, State s, double& waterp, double& dwpdt) {
  const bool entropy = iflag == static_cast<std::int32_t>(WaterProperty::Entropy);
  const double unreducedPw = s.pw;
  if (s.vapour || entropy) {
    double psat = 0.0;
    double dlnp = 0.0;
    antoine(s.t, s.tf, psat, dlnp);
    if (s.tf >= kCriticalF) psat = std::exp(8.072);
    s.pw = std::min(s.pw, kPsiaPerKPa * psat);
  }
  const int passes = entropy ? 1 : 2;
  std::array<double, 2> h{};
  double hl = 0.0;
  double hv = 0.0;
  double residual = 0.0;
  for (int pass = 0; pass < passes; ++pass) {
    const double tf = s.tf + 2.0 * pass;
    const double tr = tf + kRankineZero;
    const double t = tr / kTfac;
    const double patm = s.pw / kAtmPsia;
    if (!s.vapour || entropy) hl = liquidEnthalpy(tf, unreducedPw);
    if (s.vapour || entropy) hv = vapourEnthalpy(t, patm, residual);
    h[static_cast<std::size_t>(pass)] = s.vapour ? hv : hl;
  }
  if (!entropy) {
    waterp = h[0] * kBtuPerLbToKjPerKmol;
    dwpdt = (h[1] - h[0]) * kTfac * kH2oMw * 0.5 * kWtfac / kHsfac;
    return;
  }
  // Vapour entropy: the ideal gas at Patm plus the residual part, which is the residual
  // enthalpy over T (R < 0 lowers the entropy as it lowers the enthalpy).
  const double t = std::max(s.t, 45.0);
  const double tau = 1.0 / t;
  double sv = ((1.472 * std::log(t) + 0.00075566 * t - 47.8365 * tau - 1.48847) * 9.8722 -
               4.55504 * std::log(s.pw / kAtmPsia) + tau * residual) *
              kKjPerKcal * 0.024189;
  if (!s.vapour) sv -= (hv - hl) * kKjPerKcal / s.tr;
  waterp = sv * kH2oMw;
}

// 6.1-6.2. The density (g/cm3): its start value and, on the steam-table route, the
// refinement that matches the pressure of the Helmholtz function to PW.
double density(const State& s, bool refine) {
  double rho = 0.0;
  if (!s.vapour) {
    if (s.tf <= kFreezingF) {
      rho = 0.99975;
    } else {
      const double theta = std::max(374.11 - (s.t - 273.15), 0.0);
      const double q = std::cbrt(theta);
      const double v =
          0.016018461 *
          (3.1975 - 0.3151548 * q - 0.001203374 * theta + 7.48908e-13 * std::pow(theta, 4)) /
          (1.0 + 0.1342489 * q - 0.003946263 * theta);
      rho = 1.0 / (62.43 * v);
    }
  } else if (s.tf <= kFreezingF) {
    rho = 4.8467e-06;
  } else {
    double v = 0.0;
    WPCOR1(s.t, s.patm, v);
    if (v <= 0.0) v = 0.02;
    rho = 1.0 / (62.43 * v);
  }
  if (!refine) return rho;

  // Secant steps on p(rho) - PW, kept inside the bracket of a sign change once one is
  // known (a step that leaves it bisects), until the recomputed pressure matches PW to
  // 1e-9 relative, or to 2e-7 psia where the rounding of the pressure quotient is larger
  // (liquids at low pressure); the search also ends when the density no longer moves in its
  // 14th digit. The density of the best match found is returned.
  const auto pressure = [&](double r) {
    double p = 0.0;
    WPCOR2(s.t, r, p, static_cast<std::int32_t>(SteamQuantity::Pressure));
    return p;
  };
  const double tolerance = std::max(kDensityTolerance * s.pw, kPressureNoise);
  double p = pressure(rho);
  double best = rho;
  double bestMiss = std::abs(s.pw - p);
  double rhoPrev = 0.0;
  double pPrev = 0.0;
  double below = 0.0;  // a density whose pressure is below PW, 0 while none is known
  double above = 0.0;  // a density whose pressure is above PW, 0 while none is known
  for (int step = 1; std::abs(s.pw - p) > tolerance && step <= kDensitySteps; ++step) {
    (p < s.pw ? below : above) = rho;
    double next = 0.0;
    if (step == 1) {
      next = p < s.pw ? rho * 1.05 : rho / 1.05;
    } else {
      const double delta =
          std::clamp((rho - rhoPrev) * (s.pw - p) / (p - pPrev), -kDensityMove, kDensityMove);
      next = rho + delta;
      if (next <= 0.0) next = rho / 2.0;
    }
    if (below > 0.0 && above > 0.0) {
      const double lo = std::min(below, above);
      const double hi = std::max(below, above);
      if (!(next > lo && next < hi)) next = 0.5 * (below + above);
    }
    rhoPrev = rho;
    pPrev = p;
    rho = next;
    p = pressure(rho);
    if (std::abs(s.pw - p) < bestMiss) {
      best = rho;
      bestMiss = std::abs(s.pw - p);
    }
    if (p == pPrev || std::abs(rho - rhoPrev) <= kDensityStepLimit * rho) break;
  }
  rho = best;
  return rho;
}

State stateAt(double t, const State& base) {
  State s = base;
  s.t = t;
  s.tr = kTfac * t;
  s.tf = s.tr - kRankineZero;
  return s;
}

std::string fixed5(double v) {
  char field[32];
  std::snprintf(field, sizeof field, "%15.5f", v);
  return field;
}

// Fortran's Ew.d of a value: 0.ddddddE+xx in W columns.
std::string fortranE(double v, int width, int digits) {
  char mantissa[48];
  std::snprintf(mantissa, sizeof mantissa, "%.*E", digits - 1, v);
  std::string text(mantissa);
  const std::size_t e = text.find('E');
  const bool negative = v < 0.0;
  std::string digitsText;
  for (std::size_t i = 0; i < e; ++i) {
    if (std::isdigit(static_cast<unsigned char>(text[i])) != 0) digitsText += text[i];
  }
  int exponent = std::stoi(text.substr(e + 1)) + (v != 0.0 ? 1 : 0);
  char out[64];
  std::snprintf(out, sizeof out, "%s0.%sE%c%02d", negative ? "-" : "", digitsText.c_str(),
                exponent < 0 ? '-' : '+', std::abs(exponent));
  std::string result(out);
  if (static_cast<int>(result.size()) < width) result.insert(0, width - result.size(), ' ');
  return result;
}

// 6.3-6.5. The steam-table route (IFLAG 1 on both routes, with REFINE).
void steamTables(std::int32_t iflag, const State& s, bool refine, std::int32_t debug,
                 std::int32_t unit, double& waterp, double& dwpdt) {
  const double rho = density(s, refine);
  if (iflag == static_cast<std::int32_t>(WaterProperty::Volume)) {
    waterp = kH2oMw / 1000.0 / rho;
    return;
  }
  if (iflag == static_cast<std::int32_t>(WaterProperty::Entropy)) {
    double sv = 0.0;
    if (s.vapour && s.tf <= kFreezingF) {
      sv = 2.187 - 0.0035 * (s.tf - kFreezingF);
    } else if (!s.vapour && s.tf >= kLiquidLimitF) {
      sv = 1.058;
    } else {
      WPCOR2(s.t, rho, sv, static_cast<std::int32_t>(SteamQuantity::Entropy));
    }
    waterp = sv * kTfac * kBtuPerLbToKjPerKmol;
    return;
  }
  double h = 0.0;
  if (!s.vapour && s.tf >= kLiquidLimitF) {
    h = 902.5;
    dwpdt = 20.6;
  } else if (s.vapour && s.tf <= kFreezingF) {
    h = 1075.4 + 0.4 * (s.tf - kFreezingF);
    dwpdt = 7.208;
  } else if (!s.vapour && s.tf <= kFreezingF) {
    h = (s.tf - kFreezingF) - 0.01;
    dwpdt = kH2oMw;
  } else {
    double h1 = 0.0;
    double h2 = 0.0;
    WPCOR2(s.t, rho, h1, static_cast<std::int32_t>(SteamQuantity::Enthalpy));
    const State raised = stateAt(s.t + 0.55556, s);
    WPCOR2(raised.t, density(raised, refine), h2,
           static_cast<std::int32_t>(SteamQuantity::Enthalpy));
    dwpdt = (h2 - h1) * kH2oMw;
    h = h1;
    if (debug > 2) {
      platform::writeLine(unit,
                          "(1240)     TDEGK,         H2OMW,         WATERP,"
                          "           H1,         DWPDT");
      platform::writeLine(unit, fixed5(s.t) + fixed5(kH2oMw) + fixed5(h * kBtuPerLbToKjPerKmol) +
                                    fixed5(h1) + fixed5(dwpdt));
    }
  }
  waterp = h * kBtuPerLbToKjPerKmol;
  dwpdt = dwpdt * kTfac * kWtfac / kHsfac;
  if (debug > 2) {
    platform::writeLine(unit,
                        "(1250)      TFAC,         WTFAC,         HSFAC,"
                        "        WATERP,         DWPDT");
    platform::writeLine(
        unit, fixed5(kTfac) + fixed5(kWtfac) + fixed5(kHsfac) + fixed5(waterp) + fixed5(dwpdt));
  }
}

// The enthalpy method code (word 6 liquid, 7 vapour) of the current set's method-code
// list; 0 when no set is loaded.
std::int32_t enthalpyMethod(bool vapour) {
  const std::int32_t list = methods::MSPTRS.integerSectors(3);
  if (list <= 0 || list == services::NOCORE) return 0;
  return storage::CORSTO[list + (vapour ? 7 : 6)];
}

}  // namespace

std::int32_t WPROP(std::int32_t iflag, std::int32_t method, double t, double p, double& waterp,
                   double& dwpdt, std::int32_t phase, std::int32_t correction, std::int32_t debug,
                   std::int32_t unit, double deltaP) {
  const auto& gdp = services::GDPOPT;
  if (gdp.diagnosticSwitch(services::kTimingSwitch) > 0) {
    services::TIMST2.calls(kTimingSlotWPROP) += 1;
  }
  const bool clocked = gdp.diagnosticSwitch(kClockTimingSwitch) > 0;
  double start = 0.0;
  if (clocked) services::CLKSEC(start);
  waterp = 0.0;
  dwpdt = 0.0;

  const bool vapour = phase == static_cast<std::int32_t>(WaterPhase::Vapour);
  const bool saturation = iflag >= static_cast<std::int32_t>(WaterProperty::SaturationTemperature);
  State s = stateAt(t, State{});
  s.vapour = vapour;
  s.pw = kPsiaPerKPa * (vapour || saturation ? p - deltaP : p);
  if (s.pw <= 0.0) s.pw = kPressureFloor;
  s.patm = s.pw / kAtmPsia;

  if (method == 2 || method == 3) {
    // 1. The hook of the user water methods.
    double pHook = vapour ? p - deltaP : p;
    WPNOOP(iflag, t, pHook, waterp, dwpdt, phase, method);
  } else if (iflag == static_cast<std::int32_t>(WaterProperty::VapourPressure)) {
    // 2. Vapour pressure, at least 1.1 P above the critical temperature.
    const double floor = s.tf > kCriticalF ? 1.1 * p : 0.0;
    double dlnp = 0.0;
    antoine(t, s.tf, waterp, dlnp);
    waterp = std::max(waterp, floor);
    if (correction > 0) WPCOR3(t, p, waterp);
    dwpdt = dlnp * waterp;
  } else if (saturation) {
    // 3. Saturation temperature: the inverse of the Antoine rows, iterated with the
    // corrected vapour pressure when asked.
    double guess = t;
    const double pressure = p - deltaP;
    const int passes = correction > 0 ? 20 : 1;
    for (int pass = 1; pass <= passes; ++pass) {
      double q = pressure;
      if (correction > 0) WPCOR3(guess, p, q);
      const double l = q > 0.0 ? std::log(q) : -kExponentLimit;
      if (l >= 10.003) {
        waterp = 647.26;
        break;
      }
      if (l < -8.47) {
        waterp = 199.81;
        break;
      }
      const AntoineRow& row = rowByPressure(p);
      waterp = row.b / (l - row.a) - row.c;
      if (std::abs(waterp - guess) / waterp < 1.0e-5) break;
      guess = (guess + waterp) / 2.0;
    }
  } else {
    // 4. The route of volume, enthalpy and entropy.
    const bool steamRoute =
        method != kWaterCorrelations && (vapour || (s.tf <= kLiquidLimitF && s.tf > kFreezingF));
    const bool supercritical = !vapour && s.tf > kLiquidLimitF;
    if (iflag == static_cast<std::int32_t>(WaterProperty::Volume) && supercritical) {
      // Above the critical temperature the liquid is the one fluid phase: its density is
      // the one whose Helmholtz-function pressure is P, searched from the vapour's start
      // value (the liquid's start formula no longer depends on T or P there).
      State fluid = s;
      fluid.vapour = true;
      waterp = kH2oMw / 1000.0 / density(fluid, true);
    } else if (iflag == static_cast<std::int32_t>(WaterProperty::Volume) || steamRoute) {
      steamTables(iflag, s, steamRoute, debug, unit, waterp, dwpdt);
    } else {
      correlations(iflag, s, waterp, dwpdt);
    }
  }

  // 7. The common end.
  if (iflag == static_cast<std::int32_t>(WaterProperty::Enthalpy) && enthalpyMethod(vapour) == 5) {
    waterp -= 287575.8;
  }
  if (debug > 1) {
    char line[160];
    std::snprintf(line, sizeof line, "WPROP-IFLAG=%2d T=%8.3f P=%9.3f WATERP=%s DWPDT=%s", iflag, t,
                  p, fortranE(waterp, 13, 6).c_str(), fortranE(dwpdt, 13, 6).c_str());
    platform::writeLine(unit, line);
  }
  if (clocked) services::TIMACC(start, services::TIMST2.seconds(kTimingSlotWPROP));
  return 0;
}

std::int32_t WPNOOP(std::int32_t /*iflag*/, double /*t*/, double /*p*/, double& /*waterp*/,
                    double& /*dwpdt*/, std::int32_t /*phase*/, std::int32_t /*method*/) {
  return 0;
}

void POLY2D(std::int32_t opt, double a1, double a2, double b1, double b2, double x, double y,
            std::span<const double> c, std::int32_t nx, std::int32_t ny, double& result) {
  const double xv = opt == 1 ? a1 * x + b1 : x;
  const double yv = opt == 1 ? a2 * y + b2 : y;
  const bool xZero = services::RELCMP(xv, 0.0) == 0;
  const bool yZero = services::RELCMP(yv, 0.0) == 0;
  const auto power = [](double base, bool zero, std::int32_t k) {
    if (k == 0) return 1.0;
    return zero ? 0.0 : std::pow(base, k);
  };
  result = 0.0;
  for (std::int32_t j = 1; j <= ny; ++j) {
    for (std::int32_t i = 1; i <= nx; ++i) {
      const auto index = static_cast<std::size_t>((j - 1) * nx + (i - 1));
      if (index >= c.size()) continue;
      result += c[index] * power(xv, xZero, i - 1) * power(yv, yZero, j - 1);
    }
  }
}

}  // namespace pure
