// The equation forms of the correlation records, evaluated through XPCALC inside the range
// of a record, below TMIN and above TMAX, against each form written out here by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "correlation_sets.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using correlation_testing::Component;
using correlation_testing::derivative;
using correlation_testing::fromKelvin;
using correlation_testing::kCelsius;
using correlation_testing::kFahrenheit;
using correlation_testing::kKelvin;
using correlation_testing::Record;
using correlation_testing::toKelvin;

constexpr double R = 8.314471;
// The factor by which the records with decimal logarithms scale their exponents.
constexpr double kDecimal = 2.302585;

struct FormCase {
  std::string name;
  std::int32_t type;
  Record record;
  Component component;
  std::function<double(double tk)> raw;  // the form's value at TK, before the factor
  double tolerance = 1e-10;
};

// Sum of Ck Tk(x) over the Chebyshev polynomials T0 = 1, T1 = x, Tk+1 = 2x Tk - Tk-1.
double chebyshevSum(const std::vector<double>& c, double x) {
  double previous = 1.0;
  double current = x;
  double sum = c[0] + c[1] * x;
  for (std::size_t k = 2; k < c.size(); ++k) {
    const double next = 2.0 * x * current - previous;
    previous = current;
    current = next;
    sum += c[k] * current;
  }
  return sum;
}

// The root of ln V = f (S + C7 V / T^2) by bisection, for C7 < 0 (one root).
double implicitRoot(double s, double c7, double t) {
  double lo = 1e-300;
  double hi = std::exp(std::min(s, 600.0)) * 2.0 + 1.0;
  for (int i = 0; i < 400; ++i) {
    const double mid = std::sqrt(lo * hi);
    if (std::log(mid) - (s + c7 * mid / (t * t)) < 0.0)
      lo = mid;
    else
      hi = mid;
  }
  return std::sqrt(lo * hi);
}

Record rec(std::int32_t form, std::vector<double> c, double tmin, double tmax,
           std::int32_t unit = kKelvin, double factor = 1.0) {
  Record r;
  r.form = form;
  r.coefficients = std::move(c);
  r.tmin = tmin;
  r.tmax = tmax;
  r.unitCode = unit;
  r.factor = factor;
  return r;
}

std::vector<FormCase> formCases() {
  std::vector<FormCase> cases;
  const auto add = [&](std::string name, std::int32_t type, Record r, Component comp,
                       std::function<double(double)> raw, double tol = 1e-10) {
    cases.push_back({std::move(name), type, std::move(r), comp, std::move(raw), tol});
  };
  const Component none{1.0, 0.0, 0.0, 0.0};
  const auto poly = [](const std::vector<double>& c, double t) {
    double v = 0.0;
    for (std::size_t k = 0; k < c.size(); ++k) v += c[k] * std::pow(t, static_cast<double>(k));
    return v;
  };

  // 1: polynomial, in K and in F (a mass-based enthalpy in BTU/lb made kJ/kmol).
  add("01 K", 110, rec(1, {-2000, 30, 0.01, -2e-6}, 200, 1000), none, [=](double tk) {
    return poly({-2000, 30, 0.01, -2e-6}, tk);
  });
  {
    Record r = rec(1, {10, 0.45, 1e-4}, 0.0, 600.0, kFahrenheit, 2.326);
    r.molarBasis = 2;
    add("01 F mass", 211, r, {18.015, 0, 0, 0}, [=](double tk) {
      return poly({10, 0.45, 1e-4}, fromKelvin(kFahrenheit, tk));
    });
  }
  // 2 and 22: Chebyshev series over TMIN..TMAX; 1022 is read as 2.
  add("02 K", 110, rec(2, {500, 120, -8, 1.5}, 250, 750), none, [=](double tk) {
    return chebyshevSum({500, 120, -8, 1.5}, (2 * tk - 750 - 250) / 500.0);
  });
  add("1022 as 02", 110, rec(1022, {500, 120, -8, 1.5}, 250, 750), none, [=](double tk) {
    return chebyshevSum({500, 120, -8, 1.5}, (2 * tk - 750 - 250) / 500.0);
  });
  add("22 K", 1001, rec(22, {2500, 1500, -60, 10}, 250, 600), none, [=](double tk) {
    return std::exp(chebyshevSum({2500, 1500, -60, 10}, (2 * tk - 600 - 250) / 350.0) / tk);
  });
  // 3: series in (T/C4)^C5.
  add("03 K", 1121, rec(3, {0.01, 0.02, 0.003, 300, 1.2}, 200, 900), none, [=](double tk) {
    const double x = std::pow(tk / 300, 1.2);
    return 0.01 + 0.02 * x + 0.003 * x * x;
  });
  // 4: series in (1 - Ta/Tcr)^Cn with Tcr given in C or F.
  add("04 C", 1223, rec(4, {0.075, -0.02, 0.001, 374, 1.25}, 0, 350, kCelsius), none,
      [=](double tk) {
        const double x = std::pow(1 - tk / (374 + 273.15), 1.25);
        return 0.075 - 0.02 * x + 0.001 * x * x;
      });
  add("04 F", 1223, rec(4, {0.07, 0.01, 0.0, 705, 1.2}, 32, 650, kFahrenheit), none,
      [=](double tk) {
        const double x = std::pow(1 - 1.8 * tk / (705 + 459.67), 1.2);
        return 0.07 + 0.01 * x;
      });
  // 5.
  add("05 K", 1122, rec(5, {1.2e-6, 0.5, 300}, 250, 900), none,
      [=](double tk) { return 1.2e-6 * std::pow(tk, 0.5) / (300 + tk); });
  // 13: liquid density with TMAX lowered by 0.01 for type 1231.
  add("13 K", 1231, rec(13, {0.5, 0.05, 600, 100, 3.0}, 250, 550), none, [=](double tk) {
    const double r = (600 - tk) / (tk - 100);
    return 3.0 * std::exp(std::cbrt(r) * (0.5 + 0.05 * r));
  });
  // 14: Wagner vapour pressure of water (B. E. Poling, J. M. Prausnitz, J. P. O'Connell,
  // The Properties of Gases and Liquids, 5th ed., Appendix A), C1 = ln Pc.
  const Component water{18.015, 373.124, 647.096, 22064.0};
  add("14 K", 1001, rec(14, {std::log(22064.0), -7.76451, 1.45838, -2.77580, -1.23303}, 275, 640),
      water, [=](double tk) {
        const double tau = 1 - tk / 647.096;
        return std::exp(std::log(22064.0) +
                        (-7.76451 * tau + 1.45838 * std::pow(tau, 1.5) -
                         2.77580 * std::pow(tau, 3) - 1.23303 * std::pow(tau, 6)) /
                            (tk / 647.096));
      });
  // 15.
  add("15 K", 1222, rec(15, {0.5, 1.2, 0.3}, 250, 580), {1, 0, 600, 0}, [=](double tk) {
    const double tr = tk / 600;
    return 0.5 * std::pow(1 - tr, 1.2 + 0.3 * tr);
  });
  // 16: liquid density of benzene, kmol/m3 (R. H. Perry, D. W. Green, Perry's Chemical
  // Engineers' Handbook, 7th ed., Table 2-32), molar and mass based.
  const Component benzene{78.114, 353.24, 562.05, 4895.0};
  const auto benzeneDensity = [](double c1) {
    return
        [=](double tk) { return c1 / std::pow(0.26666, 1 + std::pow(1 - tk / 562.05, 0.28394)); };
  };
  add("16 K", 1231, rec(16, {1.0259, 0.26666, 562.05, 0.28394}, 278.68, 540), benzene,
      benzeneDensity(1.0259));
  {
    Record r = rec(16, {1.0259 * 78.114, 0.26666, 562.05, 0.28394}, 278.68, 540);
    r.molarBasis = 2;
    add("16 K mass", 1231, r, benzene, benzeneDensity(1.0259 * 78.114));
  }
  // 17: the enthalpy of the ideal-gas heat capacity of water (Perry's, 7th ed., Table
  // 2-156), kJ/kmol; and with C4 = 0.
  add("17 K", 110, rec(17, {0, 33.363, 26.790, 2610.5, 8.896, 1169}, 100, 2273.15), water,
      [=](double tk) {
        return 33.363 * tk + 26.790 * 2610.5 / std::tanh(2610.5 / tk) -
               8.896 * 1169 * std::tanh(1169 / tk);
      });
  add("17 C4=0", 110, rec(17, {5, 29.1, 5.0, 0.0, 2.0, 800}, 100, 1500), none,
      [=](double tk) { return 5 + (29.1 + 5.0) * tk - 2.0 * 800 * std::tanh(800 / tk); });
  // 19: vapour viscosity of methane, Pa s (Perry's, 7th ed., Table 2-312).
  add("19 K", 1122, rec(19, {5.2546e-7, 0.59006, 105.67, 0}, 90.69, 1000), none,
      [=](double tk) { return 5.2546e-7 * std::pow(tk, 0.59006) / (1 + 105.67 / tk); });
  // 20: vapour pressure of water, Pa made kPa (Perry's, 7th ed., Table 2-6); with four
  // coefficients C4 is a constant; with seven the T^3 and T^6 terms join.
  add("20 K", 1001, rec(20, {73.649, -7258.2, -7.3037, 4.1653e-6, 2}, 273.16, 647.1, kKelvin, 1e-3),
      water, [=](double tk) {
        return std::exp(73.649 - 7258.2 / tk - 7.3037 * std::log(tk) + 4.1653e-6 * tk * tk);
      });
  add("20 n=4", 1001, rec(20, {10, -3000, 0.5, 0.25}, 250, 600), none,
      [=](double tk) { return std::exp(10 - 3000 / tk + 0.5 * std::log(tk) + 0.25); });
  add("20 n=7", 903, rec(20, {5, -1000, 0.1, 1e-3, 1.0, 1e-9, 1e-17}, 250, 500), none,
      [=](double tk) {
        return std::exp(5 - 1000 / tk + 0.1 * std::log(tk) + 1e-3 * tk + 1e-9 * std::pow(tk, 3) +
                        1e-17 * std::pow(tk, 6));
      });
  // 21: Antoine vapour pressure of benzene, log10 of mmHg with t in C (J. A. Dean, Lange's
  // Handbook of Chemistry, 15th ed., Table 5.8), made kPa; six coefficients; seven (the
  // implicit term).
  {
    Record r = rec(21, {6.90565, -1211.033, 220.790}, 8, 103, kCelsius, 0.1333224);
    r.logBase = 2;
    add("21 Antoine C", 1001, r, benzene, [=](double tk) {
      return std::exp(kDecimal * (6.90565 - 1211.033 / (tk - 273.15 + 220.790)));
    });
  }
  add("21 n=6", 1001, rec(21, {20, -4000, -30, 0.001, -1e-6, -1.0}, 250, 600), none,
      [=](double tk) {
        return std::exp(20 - 4000 / (tk - 30) + 0.001 * tk - 1e-6 * tk * tk - std::log(tk));
      });
  add(
      "21 n=7", 1001, rec(21, {8, -2000, 0, 0, 0, 0, -40}, 150, 600), none,
      [=](double tk) { return implicitRoot(8 - 2000 / tk, -40, tk); }, 1e-6);
  // 25.
  add("25 K", 211, rec(25, {-5000, 30, 0.02, -5e-6, 1e-9, 2000, -1e5}, 200, 1000), none,
      [=](double tk) {
        return -5000 + 30 * tk + 0.02 * tk * tk - 5e-6 * std::pow(tk, 3) + 1e-9 * std::pow(tk, 4) +
               2000 / tk - 1e5 / (tk * tk);
      });
  // 26: dilute-gas viscosity of methane and of water (Lennard-Jones and polar parameters).
  const auto dilute = [](double m, double sigma, double eps, double delta) {
    return [=](double tk) {
      const double ts = tk / eps;
      const double omega = 1.16145 * std::pow(ts, -0.14874) + 0.52487 * std::exp(-0.7732 * ts) +
                           2.16178 * std::exp(-2.43787 * ts) + 0.2 * delta * delta / ts;
      return 2.669e-6 * std::sqrt(m * tk) / (sigma * sigma * omega);
    };
  };
  add("26 K", 1122, rec(26, {16.043, 3.758, 148.6}, 200, 1500), none,
      dilute(16.043, 3.758, 148.6, 0));
  add("26 polar", 1122, rec(26, {18.015, 2.52, 775, 1.0}, 300, 1500), none,
      dilute(18.015, 2.52, 775, 1.0));
  // 27.
  add("27 K", 1121, rec(27, {0.02, 0.5, -0.5}, 100, 1000), {1, 0, 190.56, 0}, [=](double tk) {
    const double tr = tk / 190.56;
    return 0.02 * tr * std::pow(1 + (tr - 1) * 0.5 * std::pow(tr, -0.5), -1.0 / 6.0);
  });
  // 30: surface tension of water (IAPWS Release on the Surface Tension of Ordinary Water
  // Substance, 1994), N/m.
  add("30 K", 1223, rec(30, {0.2358, 1.256, -0.625}, 273.16, 640), water, [=](double tk) {
    const double tau = 1 - tk / 647.096;
    return 0.2358 * std::pow(tau, 1.256) * (1 - 0.625 * tau);
  });
  // 32: saturated-liquid density of water, kmol/m3 (Perry's, 7th ed., Table 2-32).
  add("32 K", 1231, rec(32, {17.863, 58.606, -95.396, 213.89, -141.26}, 273.16, 640), water,
      [=](double tk) {
        const double tau = 1 - tk / 647.096;
        return 17.863 + 58.606 * std::pow(tau, 0.35) - 95.396 * std::pow(tau, 2.0 / 3.0) +
               213.89 * tau - 141.26 * std::pow(tau, 4.0 / 3.0);
      });
  // 33, 34, 35, 36.
  add("33 K", 1221, rec(33, {1.0, 0.5, 0.1, 0.01}, 200, 800), {1, 0, 500, 0}, [=](double tk) {
    const double tr = tk / 500;
    return std::sqrt(tr) / (1.0 + 0.5 / tr + 0.1 / (tr * tr) + 0.01 / std::pow(tr, 3));
  });
  add("34 K", 1231, rec(34, {4.0, 1.5, 0.8, 0.2}, 280, 550), benzene, [=](double tk) {
    const double tau = 1 - tk / 562.05;
    return 4.0 * (1 + 1.5 * std::cbrt(tau) + 0.8 * std::pow(tau, 2.0 / 3.0) + 0.2 * tau);
  });
  add("35 K", 211, rec(35, {-5, 0.5, 3.0, -1.0}, 250, 540), benzene, [=](double tk) {
    const double tau = 1 - tk / 562.05;
    return R * 562.05 * (-5 - 0.5 * std::log(tau) - 3.0 * tau + 1.0 * tau * tau);
  });
  add("36 K", 211, rec(36, {5.0, 2.0, -1.0, 0.5, 0.1}, 250, 540), benzene, [=](double tk) {
    const double tau = 1 - tk / 562.05;
    return R * 562.05 *
           (5.0 * std::cbrt(tau) + 2.0 * std::pow(tau, 2.0 / 3.0) - tau + 0.5 * tau * tau +
            0.1 * std::pow(tau, 6));
  });
  // 41: in the absolute temperature of the record's scale (Rankine for an F record).
  add("41 F", 110, rec(41, {100, 50, 20, 3, 0.5, 1500}, 0, 1500, kFahrenheit, 2.326), none,
      [=](double tk) {
        const double u = 1500 / (1.8 * tk + 1500);
        return 100 + 50 / u + 20 * std::log(u) + 3 * u + 0.5 * u * u;
      });
  add("41 n=4", 110, rec(41, {100, 50, 20, 800}, 200, 1000), none, [=](double tk) {
    const double u = 800 / (tk + 800);
    return 100 + 50 / u + 20 * std::log(u);
  });
  // 42, with natural and with decimal logarithms.
  const std::vector<double> c42{-1000, 30, 0.01, -1e-5, 2e-9, -1e-13, -50, 700};
  add("42 K", 211, rec(42, c42, 250, 650), none, [=](double tk) {
    return poly({-1000, 30, 0.01, -1e-5, 2e-9, -1e-13}, tk) - 50 * std::log(700 - tk);
  });
  {
    Record r = rec(42, c42, 250, 650);
    r.logBase = 2;
    add("42 decimal", 211, r, none, [=](double tk) {
      return poly({-1000, 30, 0.01, -1e-5, 2e-9, -1e-13}, tk) - 50 / kDecimal * std::log(700 - tk);
    });
  }
  // 43: Watson's heat of vaporization of water, kJ/mol.
  add("43 K", 903, rec(43, {40.66, 0.38}, 273.16, 640), {18.015, 373.15, 647.096, 22064},
      [=](double tk) { return 40.66 * std::pow((647.096 - tk) / (647.096 - 373.15), 0.38); });
  // 46: the enthalpy of the liquid heat capacity of methane, J/kmol made kJ/kmol (Perry's,
  // 7th ed., Table 2-153); the F record scales Tc by 1/a = 1.8.
  const std::vector<double> c46{0.0, 65.708, 38883, -257.95, 614.07};
  const auto methane46 = [](double scale) {
    return [=](double tk) {
      const double t = 1 - tk / 190.56;
      const double a = 65.708, b = 38883, c = -257.95, d = 614.07;
      return -scale * 190.56 *
             (a * a * std::log(t) + b * t - a * c * t * t - a * d * std::pow(t, 3) / 3 -
              c * c * std::pow(t, 4) / 12 - c * d * std::pow(t, 5) / 10 -
              d * d * std::pow(t, 6) / 30);
    };
  };
  const Component methane{16.043, 111.66, 190.56, 4599};
  add("46 K", 211, rec(46, c46, 91, 185, kKelvin, 1e-3), methane, methane46(1.0));
  add("46 F", 211, rec(46, c46, -280, -130, kFahrenheit, 1e-3), methane, methane46(1.8));
  // 47 and 48: Pc exp(W/Tr); the factor does not apply.
  add("47 K", 1001, rec(47, {-7.76451, 1.45838, -2.77580, -1.23303}, 275, 640, kKelvin, 7.0), water,
      [=](double tk) {
        const double tau = 1 - tk / 647.096;
        return 22064 * std::exp((-7.76451 * tau + 1.45838 * std::pow(tau, 1.5) -
                                 2.77580 * std::pow(tau, 3) - 1.23303 * std::pow(tau, 6)) /
                                (tk / 647.096));
      });
  add("48 K", 1001, rec(48, {-7.86, 1.84, -2.3, -2.06}, 275, 640, kKelvin, 7.0), water,
      [=](double tk) {
        const double tau = 1 - tk / 647.096;
        return 22064 * std::exp((-7.86 * tau + 1.84 * std::pow(tau, 1.5) -
                                 2.3 * std::pow(tau, 2.5) - 2.06 * std::pow(tau, 5)) /
                                (tk / 647.096));
      });
  return cases;
}

bool logarithmic(std::int32_t type) {
  return type == 1001 || type == 1222 || type == 1902 || type == 1907;
}

// The physical bounds of a property kind (type / 100): 9 not below 0, 19 not below 1e-30,
// any other kind of 9 or more not below 1e-10, and 10 not above 1e8; a bound has slope 0.
void bound(std::int32_t type, double& value, double& slope) {
  const std::int32_t kind = type / 100;
  if (kind < 9) return;
  const double floor = kind == 9 ? 0.0 : kind == 19 ? 1e-30 : 1e-10;
  if (value < floor) value = floor, slope = 0.0;
  if (kind == 10 && value > 1e8) value = 1e8, slope = 0.0;
}

void expectClose(double actual, double expected, double tolerance, const char* what) {
  EXPECT_NEAR(actual, expected, tolerance * std::max(std::abs(expected), 1e-300)) << what;
}

TEST(XPCALC, EveryFormInsideBelowAndAboveItsRange) {
  for (FormCase c : formCases()) {
    SCOPED_TRACE(c.name);
    correlation_testing::startRun();
    correlation_testing::installComponents({c.component});
    const bool ownScale = c.record.form == 47 || c.record.form == 48;
    const auto result = [&](double tk) { return (ownScale ? 1.0 : c.record.factor) * c.raw(tk); };
    const double tkMin = toKelvin(c.record.unitCode, c.record.tmin);
    const double tkMax = toKelvin(c.record.unitCode, c.record.tmax);
    c.record.valueAtTmin = result(tkMin);
    c.record.slopeAtTmin = derivative(result, tkMin);
    c.record.valueAtTmax = result(tkMax);
    c.record.slopeAtTmax = derivative(result, tkMax);
    c.record.auxiliary = 42.0;
    correlation_testing::installSet(c.type, 1, {c.record});
    const double mw = c.record.molarBasis != 2 ? 1.0
                      : c.type == 1231         ? 1.0 / c.component.molecularWeight
                                               : c.component.molecularWeight;

    const auto evaluate = [&](double tk, double& v, double& s) {
      pure::XPCALC(c.type, 1, 1, 0, 1, 0, tk, 101.325, std::span<double>(&v, 1),
                   std::span<double>(&s, 1));
    };
    double v = 0.0;
    double s = 0.0;
    for (double share : {0.1, 0.5, 0.9}) {
      const double tk = tkMin + share * (tkMax - tkMin);
      evaluate(tk, v, s);
      expectClose(v, result(tk) * mw, c.tolerance, "value inside");
      expectClose(s, derivative(result, tk) * mw, std::max(c.tolerance, 1e-8), "slope inside");
    }
    EXPECT_EQ(pure::XPCAUX, 42.0);

    // Beyond the limits: from the limit's stored value and slope, ln V linear in 1/T for the
    // logarithmic types, V linear in T for the others. Type 1231 evaluates to TMAX - 0.01.
    const double anchorMax =
        toKelvin(c.record.unitCode, c.record.tmax - (c.type == 1231 ? 0.01 : 0.0));
    struct Beyond {
      double tk, anchor, value, slope;
    };
    for (const Beyond& b :
         {Beyond{tkMin - 15, tkMin, c.record.valueAtTmin, c.record.slopeAtTmin},
          Beyond{tkMax + 25, anchorMax, c.record.valueAtTmax, c.record.slopeAtTmax}}) {
      double expected = b.value + b.slope * (b.tk - b.anchor);
      double slope = b.slope;
      if (logarithmic(c.type)) {
        expected = std::exp(std::log(b.value) +
                            b.slope * b.anchor * b.anchor / b.value * (1 / b.anchor - 1 / b.tk));
        slope = expected * b.slope * b.anchor * b.anchor / (b.value * b.tk * b.tk);
      }
      bound(c.type, expected, slope);
      evaluate(b.tk, v, s);
      expectClose(v, expected * mw, 1e-12, "value extrapolated");
      expectClose(s, slope * mw, 1e-12, "slope extrapolated");
    }
  }
}

}  // namespace
