// XPSVAP: the entropy integral of the heat capacity that XPCALC gives, checked against a
// numerical quadrature of Cp/T from one degree Rankine, and the enthalpy of XPCALC against
// the quadrature of Cp; the failures; the mole-fraction sums.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "correlation_sets.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using correlation_testing::Component;
using correlation_testing::kCelsius;
using correlation_testing::kFahrenheit;
using correlation_testing::kKelvin;
using correlation_testing::Record;
using correlation_testing::toKelvin;

constexpr double kTref = 5.0 / 9.0;
constexpr std::int32_t kIdealGas = 1;

struct Case {
  std::string name;
  Record record;
  Component component;
};

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

std::vector<Case> integratedCases() {
  const Component none{1.0, 0.0, 0.0, 0.0};
  const Component benzene{78.114, 353.24, 562.05, 4895.0};
  const Component methane{16.043, 111.66, 190.56, 4599.0};
  std::vector<Case> cases;
  cases.push_back({"01 K from the reference",
                   rec(1, {100, 29.0, 0.01, -2e-6}, services::RMISS, services::RMISS), none});
  {
    Record r = rec(1, {0, 1.0, 2e-4, 1e-7}, -50, 500, kCelsius, 4.1868);
    r.molarBasis = 2;
    cases.push_back({"01 C mass", r, {18.015, 0, 0, 0}});
  }
  cases.push_back({"01 F", rec(1, {0, 0.24, 3e-5}, -100, 1500, kFahrenheit, 2.326), none});
  cases.push_back({"17 K", rec(17, {0, 33.363, 26.790, 2610.5, 8.896, 1169}, 100, 2273.15), none});
  cases.push_back({"17 C4=0", rec(17, {0, 29.1, 5.0, 0.0, 2.0, 800}, 50, 1500), none});
  cases.push_back(
      {"17 C", rec(17, {0, 33.363, 26.790, 2610.5, 8.896, 1169}, 10, 1000, kCelsius), none});
  cases.push_back({"25 K", rec(25, {-5000, 30, 0.02, -5e-6, 1e-9, 2000, -1e5}, 200, 1000), none});
  cases.push_back({"25 F",
                   rec(25, {0, 0.25, 2e-5, -1e-9, 1e-13, 50, -1e3}, 10, 1500, kFahrenheit, 2.326),
                   none});
  cases.push_back({"35 K", rec(35, {-5, 0.5, 3.0, -1.0, 0.2}, 250, 540), benzene});
  cases.push_back({"35 F", rec(35, {-5, 0.5, 3.0, -1.0, 0.2}, -10, 500, kFahrenheit), benzene});
  cases.push_back({"41 K", rec(41, {100, 50, 20, 3, 0.5, 800}, 200, 1000), none});
  cases.push_back(
      {"41 F", rec(41, {100, 50, 20, 3, 0.5, 1500}, 0, 1500, kFahrenheit, 2.326), none});
  const std::vector<double> c42{-1000, 30, 0.01, -1e-5, 2e-9, -1e-13, -50, 700};
  cases.push_back({"42 K", rec(42, c42, 250, 650), none});
  {
    Record r = rec(42, c42, 250, 650);
    r.logBase = 2;
    cases.push_back({"42 decimal", r, none});
  }
  cases.push_back({"42 C",
                   rec(42, {-1000, 30, 0.01, -1e-5, 2e-9, -1e-13, -50, 430}, -20, 380, kCelsius),
                   none});
  const std::vector<double> c46{0.0, 65.708, 38883, -257.95, 614.07};
  cases.push_back({"46 K", rec(46, c46, 91, 185, kKelvin, 1e-3), methane});
  cases.push_back({"46 F", rec(46, c46, -280, -130, kFahrenheit, 1e-3), methane});
  {
    Record r;
    r.form = 801;
    r.factor = 1.5;
    r.coefficients = {0, 6000, 13000, 25000};
    r.tableTemperatures = {200, 400, 600, 900};
    cases.push_back({"table", r, none});
  }
  return cases;
}

// Integral of F over [A, B] in s = ln T by ten panels of the eight-point Gauss-Legendre
// rule per unit of ln(B/A), at least twenty.
double quadrature(const std::function<double(double)>& f, double a, double b) {
  static constexpr std::array<double, 4> x{0.1834346424956498, 0.5255324099163290,
                                           0.7966664774136267, 0.9602898564975363};
  static constexpr std::array<double, 4> w{0.3626837833783620, 0.3137066458778873,
                                           0.2223810344533745, 0.1012285362903763};
  const double s0 = std::log(a);
  const double s1 = std::log(b);
  const int panels = std::max(20, static_cast<int>(10 * std::abs(s1 - s0)) + 1) * 4;
  const double h = (s1 - s0) / panels;
  double sum = 0.0;
  for (int p = 0; p < panels; ++p) {
    const double mid = s0 + (p + 0.5) * h;
    for (std::size_t i = 0; i < x.size(); ++i) {
      for (const double sign : {-1.0, 1.0}) {
        const double t = std::exp(mid + sign * 0.5 * h * x[i]);
        sum += w[i] * f(t) * t;  // dT = T ds
      }
    }
  }
  return 0.5 * h * sum;
}

class Integrated : public ::testing::Test {
 protected:
  void SetUp() override {
    correlation_testing::startRun();
    cases = integratedCases();
    std::vector<Component> components;
    for (const Case& c : cases) components.push_back(c.component);
    correlation_testing::installComponents(components);
    records.clear();
    for (std::size_t k = 0; k < cases.size(); ++k) {
      records.push_back(cases[k].record);
      records.back().component = static_cast<std::int32_t>(k + 1);
    }
    // The limits' enthalpies and heat capacities, from the form itself.
    correlation_testing::installSet(110, 1, records);
    for (Record& r : records) {
      if (r.tmin <= services::RMISS || !r.tableTemperatures.empty()) continue;
      const double mw =
          r.molarBasis == 2
              ? cases[static_cast<std::size_t>(r.component - 1)].component.molecularWeight
              : 1.0;
      enthalpy(r.component, toKelvin(r.unitCode, r.tmin), r.valueAtTmin, r.slopeAtTmin);
      enthalpy(r.component, toKelvin(r.unitCode, r.tmax), r.valueAtTmax, r.slopeAtTmax);
      r.valueAtTmin /= mw;
      r.slopeAtTmin /= mw;
      r.valueAtTmax /= mw;
      r.slopeAtTmax /= mw;
    }
    correlation_testing::installSet(110, 1, records);
  }

  // H and Cp of one component from XPCALC.
  static void enthalpy(std::int32_t comp, double t, double& h, double& cp) {
    pure::XPCALC(110, 1, 1, comp, 1, 0, t, 101.325, std::span<double>(&h, 1),
                 std::span<double>(&cp, 1));
  }
  static double heatCapacity(std::int32_t comp, double t) {
    double h = 0.0;
    double cp = 0.0;
    enthalpy(comp, t, h, cp);
    return cp;
  }

  // The integral of G from A to B split at the record's limits and table points.
  double piecewise(const Record& r, const std::function<double(double)>& g, double a,
                   double b) const {
    std::vector<double> cuts{a};
    std::vector<double> breaks = r.tableTemperatures;
    if (r.tmin > services::RMISS) breaks.push_back(toKelvin(r.unitCode, r.tmin));
    if (r.tmax > services::RMISS) breaks.push_back(toKelvin(r.unitCode, r.tmax));
    std::sort(breaks.begin(), breaks.end());
    for (double x : breaks) {
      if (x > a && x < b) cuts.push_back(x);
    }
    cuts.push_back(b);
    double sum = 0.0;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) sum += quadrature(g, cuts[i], cuts[i + 1]);
    return sum;
  }

  std::vector<Case> cases;
  std::vector<Record> records;
};

TEST_F(Integrated, EntropyIsTheIntegralOfCpOverTAndEnthalpyOfCp) {
  const auto n = static_cast<std::int32_t>(records.size());
  for (const Record& r : records) {
    SCOPED_TRACE(cases[static_cast<std::size_t>(r.component - 1)].name);
    const auto cp = [&](double t) { return heatCapacity(r.component, t); };
    const auto cpOverT = [&](double t) { return cp(t) / t; };
    std::vector<double> temperatures;
    if (!r.tableTemperatures.empty()) {
      temperatures = {100, 300, 600, 1200};
    } else if (r.tmin <= services::RMISS) {
      temperatures = {50, 300, 1000};
    } else {
      const double lo = toKelvin(r.unitCode, r.tmin);
      const double hi = toKelvin(r.unitCode, r.tmax);
      temperatures = {lo - 30, lo + 0.3 * (hi - lo), lo + 0.7 * (hi - lo), hi + 50};
    }
    for (double t : temperatures) {
      SCOPED_TRACE(t);
      std::vector<double> s(records.size(), -1.0);
      std::vector<double> ds(records.size(), -1.0);
      pure::XPSVAP({}, kIdealGas, 1, n, 0, t, 101.325, 1, s, ds);
      const auto at = static_cast<std::size_t>(r.component - 1);
      const double expected = piecewise(r, cpOverT, kTref, t);
      EXPECT_NEAR(s[at], expected, 1e-8 * std::abs(expected));
      EXPECT_NEAR(ds[at], cp(t) / t, 1e-12 * std::abs(cp(t) / t));
    }
    // H(T2) - H(T1) against the integral of Cp, inside and across the limits.
    const double t1 = temperatures.front();
    const double t2 = temperatures.back();
    double h1 = 0.0, h2 = 0.0, unused = 0.0;
    enthalpy(r.component, t1, h1, unused);
    enthalpy(r.component, t2, h2, unused);
    const double dh = piecewise(r, cp, t1, t2);
    EXPECT_NEAR(h2 - h1, dh, 1e-8 * std::abs(dh));
  }
}

TEST(XPSVAP, KindsFourAndEightAreBothTheSolidEnthalpy) {
  correlation_testing::startRun();
  Record a = rec(1, {0, 20, 0.05}, 100, 500);
  a.valueAtTmin = 2500;
  a.slopeAtTmin = 30;
  a.valueAtTmax = 16250;
  a.slopeAtTmax = 70;
  Record b = a;
  b.component = 3;
  correlation_testing::installSet(311, 1, {a, b});
  for (double t : {50.0, 300.0, 800.0}) {
    std::array<double, 3> s4{-1, -1, -1}, d4{-1, -1, -1}, s8{-1, -1, -1}, d8{-1, -1, -1};
    pure::XPSVAP({}, 4, 1, 3, 0, t, 1.0, 1, s4, d4);
    pure::XPSVAP({}, 8, 1, 3, 0, t, 1.0, 1, s8, d8);
    EXPECT_EQ(s4, s8);
    EXPECT_EQ(d4, d8);
    EXPECT_EQ(s4[1], -1.0) << "component 2 has no record";
    EXPECT_EQ(s4[0], s4[2]);
  }
  // Below TMIN the form is not used: W7 ln(T/Tref), dS/dT = W7/T.
  std::array<double, 1> s{}, d{};
  pure::XPSVAP({}, 4, 1, 1, 1, 50.0, 1.0, 1, s, d);
  EXPECT_DOUBLE_EQ(s[0], 30 * std::log(50.0 / kTref));
  EXPECT_DOUBLE_EQ(d[0], 30 / 50.0);
}

// Runs CALL, which must stop the run with exit status 15; returns the first abort line.
std::string stopLine(const std::function<void()>& call) {
  testing_support::StopThrows stop;
  try {
    call();
  } catch (const platform::RunStopped& stopped) {
    EXPECT_EQ(stopped.status, 15);
    return std::string(services::MSGTXT.lines(1).trimmed());
  }
  ADD_FAILURE() << "the run did not stop";
  return {};
}

TEST(XPSVAP, FailuresStopTheRun) {
  correlation_testing::startRun();
  testing_support::TempDir dir;
  const std::string report = dir.file("report.txt").string();
  ASSERT_EQ(platform::openSequential(32, report, platform::FileStatus::Unknown,
                                     platform::FileAccess::Write),
            platform::IoResult::Ok);
  services::IOUNIT.report = 32;
  std::array<double, 2> s{}, d{};
  const auto call = [&](std::int32_t kind) {
    return stopLine([&] { pure::XPSVAP({}, kind, 1, 2, 0, 300.0, 1.0, 1, s, d); });
  };
  EXPECT_NE(call(1).find("1990002100"), std::string::npos) << "no set of type 110";

  Record r = rec(20, {1, 2, 3}, services::RMISS, services::RMISS);
  r.component = 2;
  correlation_testing::installSet(110, 1, {r});
  EXPECT_NE(call(1).find("EQUATION FORM HAS NO INTEGRATED FORM"), std::string::npos);
  EXPECT_EQ(services::ERITEM.count, 2);
  EXPECT_NE(call(3).find("INTEGRATED KIND UNDEFINED"), std::string::npos);
  platform::closeUnit(32, true);
  EXPECT_EQ(testing_support::readFile(report),
            " ERROR (XPSVAP) -- REQUESTED EQUATION FORM ....  20\n"
            "       NOT YET IMPLEMENTED IN INTEGRATED FORM\n"
            "       FOR COMPUTING SOLID ENTROPY\n"
            "       CALLED FOR COMPONENT ...................   2\n"
            "       *****     EXECUTION TERMINATED     *****\n");
}

// The whole run ends: the process exits with the abort status.
void integrateFormTwenty() {
  correlation_testing::startRun();
  correlation_testing::installSet(110, 1, {rec(20, {1, 2, 3}, services::RMISS, services::RMISS)});
  std::array<double, 1> s{};
  std::array<double, 1> d{};
  pure::XPSVAP({}, 1, 1, 1, 0, 300.0, 1.0, 1, s, d);
}

TEST(XPSVAPDeath, AFormWithoutIntegralExitsWithTheAbortStatus) {
  EXPECT_EXIT(integrateFormTwenty(), ::testing::ExitedWithCode(15), "XPSVAP");
}

TEST(XPMIX, MoleFractionSums) {
  correlation_testing::startRun();
  Record a = rec(1, {0, 20}, services::RMISS, services::RMISS);
  Record b = rec(1, {0, 30}, services::RMISS, services::RMISS);
  a.component = 2;
  b.component = 3;
  correlation_testing::installSet(110, 1, {a, b});
  const double t = 400.0;
  const std::array<double, 2> x{0.25, 0.75};
  double sum = 0.0, dsum = -1.0;
  pure::XPMIX1(2, 3, t, 1.0, x, sum, dsum, 1, 0, {}, 1, 0);
  const double l = std::log(t / kTref);
  EXPECT_DOUBLE_EQ(sum, 0.25 * 20 * l + 0.75 * 30 * l);
  EXPECT_DOUBLE_EQ(dsum, (0.25 * 20 + 0.75 * 30) / t);
  pure::XPMIX1(2, 3, t, 1.0, x, sum, dsum, 0, 0, {}, 1, 0);
  EXPECT_EQ(dsum, 0.0);
  pure::XPMIX2(2, 3, t, 1.0, x, sum, dsum, 0, 0, {}, 1, 0);
  EXPECT_EQ(dsum, 0.0);
  pure::XPMIX2(3, 3, t, 1.0, x, sum, dsum, 1, 0, {}, 1, 0);
  EXPECT_DOUBLE_EQ(sum, 0.25 * 30 * l) << "one component: the first mole fraction is its own";
}

}  // namespace
