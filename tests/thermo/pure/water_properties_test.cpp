// WPROP against published steam tables, the continuity of its correlations, the Helmholtz
// function of water, the corrections and hooks, and POLY2D.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "correlation_sets.hpp"
#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

constexpr double kMolarMass = 18.015;
constexpr std::int32_t kSteamTables = 1;
constexpr std::int32_t kCorrelations = 0;
constexpr std::int32_t kVapour = 1;
constexpr std::int32_t kLiquid = 2;

struct Result {
  double value = 0.0;
  double slope = 0.0;
};

Result water(std::int32_t iflag, std::int32_t method, double t, double p, std::int32_t phase,
             double deltaP = 0.0) {
  Result r;
  EXPECT_EQ(pure::WPROP(iflag, method, t, p, r.value, r.slope, phase, 0, 0, -1, deltaP), 0);
  return r;
}

// Saturated water and steam: temperature (C), pressure (kPa), specific volumes (m3/kg),
// enthalpies (kJ/kg) and entropies (kJ/(kg K)) of liquid and vapour, from the IAPWS-95
// formulation as tabulated in the saturation tables of Y. A. Cengel and M. A. Boles,
// Thermodynamics: An Engineering Approach, 8th ed., Table A-4 (reference state: liquid at
// the triple point, u = 0 and s = 0).
struct Saturation {
  double celsius, pressure, vf, vg, hf, hg, sf, sg;
};
constexpr std::array<Saturation, 4> kSaturation{{
    {25, 3.1699, 0.001003, 43.340, 104.83, 2546.5, 0.3672, 8.5567},
    {100, 101.42, 0.001043, 1.6720, 419.17, 2675.6, 1.3072, 7.3542},
    {200, 1554.9, 0.001157, 0.12721, 852.26, 2792.0, 2.3305, 6.4302},
    {300, 8587.9, 0.001404, 0.021659, 1344.8, 2749.6, 3.2548, 5.7059},
}};

void expectRelative(double actual, double expected, double tolerance, const char* what) {
  EXPECT_NEAR(actual, expected, tolerance * std::abs(expected)) << what;
}

class Water : public ::testing::Test {
 protected:
  void SetUp() override { correlation_testing::startRun(); }
};

TEST_F(Water, SteamTableRouteAgreesWithPublishedSaturationValues) {
  for (const Saturation& s : kSaturation) {
    SCOPED_TRACE(s.celsius);
    const double t = s.celsius + 273.15;
    // The vapour pressure is a three-row Antoine fit, good to about 1 %; the saturation
    // temperature is its inverse.
    const Result psat = water(4, kSteamTables, t, s.pressure, kVapour);
    expectRelative(psat.value, s.pressure, 0.01, "vapour pressure");
    EXPECT_NEAR(water(5, kSteamTables, t, psat.value, kVapour).value, t, 1e-9 * t);
    EXPECT_NEAR(water(5, kSteamTables, 300.0, s.pressure, kVapour).value, t, 0.3);

    // Volumes, enthalpies and entropies of the fundamental equation: about 0.2 %.
    constexpr double tol = 0.002;
    expectRelative(water(1, kSteamTables, t, s.pressure, kLiquid).value / kMolarMass, s.vf, tol,
                   "liquid volume");
    expectRelative(water(1, kSteamTables, t, s.pressure, kVapour).value / kMolarMass, s.vg, tol,
                   "vapour volume");
    expectRelative(water(2, kSteamTables, t, s.pressure, kLiquid).value / kMolarMass, s.hf, tol,
                   "liquid enthalpy");
    expectRelative(water(2, kSteamTables, t, s.pressure, kVapour).value / kMolarMass, s.hg, tol,
                   "vapour enthalpy");
    expectRelative(water(3, kSteamTables, t, s.pressure, kLiquid).value / kMolarMass, s.sf, tol,
                   "liquid entropy");
    expectRelative(water(3, kSteamTables, t, s.pressure, kVapour).value / kMolarMass, s.sg, tol,
                   "vapour entropy");
  }
  // The heat capacity of the liquid at 25 C and 0.1 MPa, 4.18144618 kJ/(kg K) (IAPWS SR6-08,
  // Revised Supplementary Release on Properties of Liquid Water at 0.1 MPa, Table 8, as
  // transcribed), within 0.5 %: the slope of the fundamental equation's enthalpy.
  expectRelative(water(2, kSteamTables, 298.15, 101.325, kLiquid).slope / kMolarMass, 4.18144618,
                 0.005, "liquid heat capacity");
}

TEST_F(Water, CorrelationRouteAgreesWithinAPercentAtLowPressure) {
  for (const Saturation& s : {kSaturation[0], kSaturation[1]}) {
    SCOPED_TRACE(s.celsius);
    const double t = s.celsius + 273.15;
    constexpr double tol = 0.01;
    expectRelative(water(2, kCorrelations, t, s.pressure, kLiquid).value / kMolarMass, s.hf, tol,
                   "liquid enthalpy");
    expectRelative(water(2, kCorrelations, t, s.pressure, kVapour).value / kMolarMass, s.hg, tol,
                   "vapour enthalpy");
    expectRelative(water(3, kCorrelations, t, s.pressure, kLiquid).value / kMolarMass, s.sf, tol,
                   "liquid entropy");
    expectRelative(water(3, kCorrelations, t, s.pressure, kVapour).value / kMolarMass, s.sg, tol,
                   "vapour entropy");
  }
}

TEST_F(Water, CorrelationRouteIsContinuousAcrossItsBreakpoints) {
  const auto kelvin = [](double fahrenheit) { return (fahrenheit + 459.67) / 1.8; };
  constexpr double eps = 1e-6;  // F
  struct Breakpoint {
    std::int32_t iflag;
    std::int32_t phase;
    double fahrenheit;
    double pressure;
    double tolerance;  // relative
  };
  // The liquid enthalpy's three pieces at 240 F and 350 F (with and without the pressure
  // term), and the Antoine rows at 467.01 F and 596.23 F.
  for (const Breakpoint& b :
       {Breakpoint{2, kLiquid, 240.0, 500.0, 2e-5}, Breakpoint{2, kLiquid, 240.0, 3000.0, 2e-5},
        Breakpoint{2, kLiquid, 350.0, 1000.0, 2e-5}, Breakpoint{4, kVapour, 467.01, 100.0, 2e-5},
        Breakpoint{4, kVapour, 596.23, 100.0, 2e-4}}) {
    SCOPED_TRACE(b.fahrenheit);
    const double below =
        water(b.iflag, kCorrelations, kelvin(b.fahrenheit - eps), b.pressure, b.phase).value;
    const double above =
        water(b.iflag, kCorrelations, kelvin(b.fahrenheit + eps), b.pressure, b.phase).value;
    expectRelative(above, below, b.tolerance, "jump");
  }
}

// The constants below (the first Antoine row 16.33631, 3853.646, 44.48833, the limits 647.26
// and 199.81 K, the offset 287575.8) are the routine's own, restated: these checks pin the
// form of the formulas and the edges, not published values.
TEST_F(Water, VapourPressureAndSaturationTemperatureEdges) {
  const Result p = water(4, kSteamTables, 373.15, 101.325, kVapour);
  // A regression value of the fit (100.589 kPa, see the trace line below); the published
  // 101.42 kPa at 100 C lies within the fit's 1 % (checked above).
  EXPECT_NEAR(p.value, 100.6, 0.05);
  EXPECT_NEAR(p.slope, p.value * 3853.646 / std::pow(373.15 - 44.48833, 2), 1e-9 * p.slope);
  // Above 705.4 F at least 1.1 P.
  EXPECT_GE(water(4, kSteamTables, 700.0, 30000.0, kVapour).value, 33000.0);
  // At one atmosphere without the correction: the first row inverted in one pass.
  EXPECT_DOUBLE_EQ(water(5, kSteamTables, 300.0, 101.325, kVapour).value,
                   -3853.646 / (std::log(101.325) - 16.33631) + 44.48833);
  EXPECT_EQ(water(5, kSteamTables, 300.0, 1e6, kVapour).value, 647.26);
  EXPECT_EQ(water(5, kSteamTables, 300.0, 1e-4, kVapour).value, 199.81);
  EXPECT_EQ(water(5, kSteamTables, 300.0, 100.0, kVapour, 100.0).value, 199.81)
      << "no pressure left: the lowest temperature, not a logarithm of 0";

  // The corrected vapour pressure and the saturation temperature iterated with it.
  double corrected = 0.0;
  pure::WPCOR3(373.15, 101.325, corrected);
  double w = 0.0, d = 0.0;
  pure::WPROP(4, kSteamTables, 373.15, 101.325, w, d, kVapour, 1, 0, -1, 0.0);
  EXPECT_EQ(w, corrected);
}

TEST_F(Water, HooksOffsetsAndPartialPressure) {
  for (std::int32_t iflag : {1, 2, 3, 4, 5}) {
    for (std::int32_t method : {2, 3}) {
      const Result r = water(iflag, method, 350.0, 101.325, kLiquid);
      EXPECT_EQ(r.value, 0.0);
      EXPECT_EQ(r.slope, 0.0);
    }
  }
  // The vapour sees P less the partial pressure of the rest; the liquid sees P.
  EXPECT_DOUBLE_EQ(water(1, kSteamTables, 400.0, 150.0, kVapour, 50.0).value,
                   water(1, kSteamTables, 400.0, 100.0, kVapour).value);
  EXPECT_DOUBLE_EQ(water(1, kSteamTables, 350.0, 150.0, kLiquid, 50.0).value,
                   water(1, kSteamTables, 350.0, 150.0, kLiquid).value);

  // A set whose liquid enthalpy method is 5 lowers the liquid enthalpy by 287575.8.
  const double plain = water(2, kSteamTables, 350.0, 101.325, kLiquid).value;
  const double steam = water(2, kSteamTables, 400.0, 101.325, kVapour).value;
  const std::int32_t list = storage::ICMGTI(10, 1);
  storage::CORSTO[list + 6] = 5;
  methods::MSPTRS.integerSectors(3) = list;
  EXPECT_DOUBLE_EQ(water(2, kSteamTables, 350.0, 101.325, kLiquid).value, plain - 287575.8);
  EXPECT_EQ(water(2, kSteamTables, 400.0, 101.325, kVapour).value, steam)
      << "the vapour's method (word 7) is not 5";
}

// The values on the line are regression values the routine produced; the check is the format.
TEST_F(Water, TraceLine) {
  testing_support::TempDir dir;
  const std::string path = dir.file("trace.txt").string();
  ASSERT_EQ(platform::openSequential(33, path, platform::FileStatus::Unknown,
                                     platform::FileAccess::Write),
            platform::IoResult::Ok);
  double w = 0.0, d = 0.0;
  pure::WPROP(4, kSteamTables, 373.15, 101.325, w, d, kVapour, 0, 2, 33, 0.0);
  platform::closeUnit(33, true);
  EXPECT_EQ(testing_support::readFile(path),
            "WPROP-IFLAG= 4 T= 373.150 P=  101.325 WATERP= 0.100589E+03 DWPDT= 0.358859E+01\n");
}

// The density (g/cm3) at which the fundamental equation gives the pressure P (psia), by
// bisection between LO and HI.
double densityAt(double t, double psia, double lo, double hi) {
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    double p = 0.0;
    pure::WPCOR2(t, mid, p, static_cast<std::int32_t>(pure::SteamQuantity::Pressure));
    (p < psia ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

// The steam-table density reproduces the pressure it was solved for: the fundamental
// equation at the returned volume gives P to 1e-9, or to 2e-7 psia where the rounding of its
// pressure quotient is larger (the liquid at one atmosphere), near the critical point
// (647.1 K, 22.064 MPa), in the supercritical region and on both sides of saturation.
TEST_F(Water, SteamTableDensityReproducesThePressure) {
  struct Case {
    double t, p;  // K, kPa
    std::int32_t phase;
  };
  constexpr double kPsiaPerKPa = 0.14503801;
  for (const Case c :
       {Case{700.0, 30000.0, kVapour}, Case{650.0, 22500.0, kVapour}, Case{647.5, 22100.0, kVapour},
        Case{660.0, 25000.0, kVapour}, Case{640.0, 19000.0, kVapour}, Case{600.0, 10000.0, kVapour},
        Case{400.0, 101.325, kVapour}, Case{640.0, 25000.0, kLiquid}, Case{600.0, 15000.0, kLiquid},
        Case{300.0, 101.325, kLiquid}}) {
    SCOPED_TRACE(std::to_string(c.t) + " K, " + std::to_string(c.p) + " kPa");
    const double rho = kMolarMass / 1000.0 / water(1, kSteamTables, c.t, c.p, c.phase).value;
    double psia = 0.0;
    pure::WPCOR2(c.t, rho, psia, static_cast<std::int32_t>(pure::SteamQuantity::Pressure));
    EXPECT_NEAR(psia, kPsiaPerKPa * c.p, std::max(1e-9 * kPsiaPerKPa * c.p, 2e-7));
  }
}

// Above the critical temperature the liquid is the one fluid phase: on either route its
// volume is the one whose Helmholtz-function pressure is P (so it changes with P), the
// vapour's volume at the same state on the steam-table route, and near the ideal gas's
// RT/P at low pressure (R = 8.314462618 kJ/(kmol K), CODATA 2018).
TEST_F(Water, LiquidAboveTheCriticalTemperatureIsTheFluidAtItsPressure) {
  constexpr double kPsiaPerKPa = 0.14503801;
  constexpr double kR = 8.314462618;
  for (const std::int32_t method : {kSteamTables, kCorrelations}) {
    for (const double t : {650.0, 700.0, 800.0}) {
      double previous = 0.0;
      for (const double p : {100.0, 5000.0, 22000.0, 30000.0, 50000.0}) {
        SCOPED_TRACE("method " + std::to_string(method) + ", " + std::to_string(t) + " K, " +
                     std::to_string(p) + " kPa");
        const double v = water(1, method, t, p, kLiquid).value;
        ASSERT_GT(v, 0.0);
        const double rho = kMolarMass / 1000.0 / v;
        double psia = 0.0;
        pure::WPCOR2(t, rho, psia, static_cast<std::int32_t>(pure::SteamQuantity::Pressure));
        EXPECT_NEAR(psia, kPsiaPerKPa * p, std::max(1e-9 * kPsiaPerKPa * p, 2e-7));
        EXPECT_GT(rho, previous);
        previous = rho;
        if (method == kSteamTables) {
          expectRelative(v, water(1, method, t, p, kVapour).value, 1e-9, "vapour's volume");
        }
        if (p <= 100.0) expectRelative(v, kR * t / p, 0.01, "ideal gas");
      }
    }
  }
}

// Cp as the enthalpy's temperature derivative near the critical point and in the
// supercritical region, where Cp is large and changes fast. Central differences of the
// enthalpy over 0.025 K and 0.05 K agree (their truncation, (dT^2/6) d3H/dT3, stays below
// 3e-4 at these states), and the slope WPROP returns, a difference over 1 F, is the mean
// of Cp over that interval: Simpson's rule on the central differences at its ends and middle.
TEST_F(Water, HeatCapacityIsTheSlopeOfTheEnthalpy) {
  struct Case {
    double t, p;  // K, kPa
  };
  for (const Case c : {Case{700.0, 30000.0}, Case{680.0, 30000.0}, Case{660.0, 25000.0},
                       Case{650.0, 22500.0}, Case{800.0, 40000.0}, Case{500.0, 1000.0}}) {
    SCOPED_TRACE(std::to_string(c.t) + " K, " + std::to_string(c.p) + " kPa");
    const auto central = [&](double t, double dt) {
      return (water(2, kSteamTables, t + dt, c.p, kVapour).value -
              water(2, kSteamTables, t - dt, c.p, kVapour).value) /
             (2.0 * dt);
    };
    const double width = 1.0 / 1.8;
    const double mid = central(c.t + 0.5 * width, 0.05);
    expectRelative(central(c.t + 0.5 * width, 0.025), mid, 5e-4, "central differences");
    const double mean = (central(c.t, 0.05) + 4.0 * mid + central(c.t + width, 0.05)) / 6.0;
    expectRelative(water(2, kSteamTables, c.t, c.p, kVapour).slope, mean, 1e-3, "slope");
  }
}

TEST(WPCOR4, TheFundamentalEquationOfWater) {
  // Liquid at one atmosphere and 25 C: 0.997123 g/cm3, the value this equation gives with the
  // published coefficients of J. H. Keenan, F. G. Keyes, P. G. Hill and J. G. Moore, Steam
  // Tables (1969), evaluated independently when the coefficients were cross-checked against
  // six transcriptions (IAPWS SR6-08 gives 0.997047 at 0.1 MPa: the 1969 equation is 0.008 %
  // above it).
  EXPECT_NEAR(densityAt(298.15, 14.6959, 0.99, 1.0), 0.997123, 2e-6);
  // The guards: tau = 2.5 and rho = 1 are moved off the points by 1e-5.
  EXPECT_EQ(pure::WPCOR4(400.0, 1.0), pure::WPCOR4(400.0, 1.00001));
  EXPECT_NEAR(pure::WPCOR4(400.0, 0.5), pure::WPCOR4(400.0 * (1 + 1e-12), 0.5), 0.02);
}

TEST(POLY2D, ZeroCountsAsOneOnlyToThePowerZero) {
  const std::array<double, 6> c{1, 2, 3, 4, 5, 6};  // C(i, j), i = 1..3 fastest, j = 1..2
  const auto direct = [&](double x, double y) {
    double sum = 0.0;
    for (int j = 0; j < 2; ++j) {
      for (int i = 0; i < 3; ++i)
        sum += c[static_cast<std::size_t>(3 * j + i)] * std::pow(x, i) * std::pow(y, j);
    }
    return sum;
  };
  double r = 0.0;
  pure::POLY2D(0, 0, 0, 0, 0, 2.0, 3.0, c, 3, 2, r);
  EXPECT_DOUBLE_EQ(r, direct(2.0, 3.0));
  pure::POLY2D(0, 0, 0, 0, 0, 0.0, 3.0, c, 3, 2, r);
  EXPECT_DOUBLE_EQ(r, 1 + 4 * 3.0);
  pure::POLY2D(0, 0, 0, 0, 0, 0.0, 0.0, c, 3, 2, r);
  EXPECT_DOUBLE_EQ(r, 1.0);
  pure::POLY2D(1, 0.5, 2.0, 1.0, -6.0, 2.0, 3.0, c, 3, 2, r);  // x = 2, y = 0
  EXPECT_DOUBLE_EQ(r, 1 + 2 * 2.0 + 3 * 4.0);
}

}  // namespace
