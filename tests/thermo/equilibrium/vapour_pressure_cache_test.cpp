// TPCACH: the vapour pressures of every component in flash work arrays 13 and 14, from
// published Antoine constants, evaluated once per temperature and method set.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/correlation_sets.hpp"

namespace {

using correlation_testing::Record;
using equilibrium::vapourPressureCache;

// Antoine constants log10(P/bar) = A - B/(T + C), T in K (NIST Chemistry WebBook): benzene
// 333.4-523.2 K, n-hexane 286.2-342.7 K; with the decimal logarithm and P in kPa the
// record's coefficients are A + 2, -B and C. The normal boiling points are those of
// B. E. Poling, J. M. Prausnitz and J. P. O'Connell, The Properties of Gases and Liquids,
// 5th ed., Appendix A (not read for this test: unconfirmed); n-hexane's agrees with the
// 341.866 K measured by Ewing and Ochoa, J. Chem. Thermodyn. 38 (2006) 283.
struct Antoine {
  double a, b, c;
  double normalBoilingPoint;  // K
};
constexpr Antoine kBenzene{4.72583, 1660.652, -1.461, 353.24};
constexpr Antoine kHexane{4.00266, 1171.53, -48.784, 341.88};
constexpr double kAtmosphere = 101.325;

Record antoineRecord(std::int32_t component, const Antoine& x) {
  return correlation_testing::antoineRecord(component, x.a, x.b, x.c);
}

class VapourPressureCache : public ::testing::Test {
 protected:
  void SetUp() override {
    correlation_testing::startRun();
    correlation_testing::installComponents(
        {{78.11, 353.24, 562.05, 4895.0}, {86.18, 341.88, 507.6, 3025.0}});
    correlation_testing::installSet(1001, 1,
                                    {antoineRecord(1, kBenzene), antoineRecord(2, kHexane)});
    // The two flash work arrays, as the partition of the open gives them.
    for (std::int32_t array : {13, 14}) {
      problem::FWPART.realOffset(static_cast<std::size_t>(array)) = storage::ICMGTR(kN, 1);
      problem::FWPART.realSize(static_cast<std::size_t>(array)) = kN;
    }
    equilibrium::resetVapourPressureCache();
    vapourPressureCache.evaluations = 0;
  }

  static double psat(std::int32_t i) {
    return storage::CORSTO.real(problem::FWPART.realOffset(13) + i);
  }
  static double slope(std::int32_t i) {
    return storage::CORSTO.real(problem::FWPART.realOffset(14) + i);
  }
  static std::int64_t evaluations() { return vapourPressureCache.evaluations; }

  static constexpr std::int32_t kN = 2;
};

// At the published normal boiling points the vapour pressure is one atmosphere (within the
// fit of the constants), so Raoult's K = Psat/P is 1 there; the slope is that of the
// pressures the cache gives at neighbouring temperatures.
TEST_F(VapourPressureCache, GivesPublishedVapourPressuresAndSlopes) {
  for (const auto& [i, x] : {std::pair{1, kBenzene}, std::pair{2, kHexane}}) {
    SCOPED_TRACE(i);
    equilibrium::TPCACH(1, x.normalBoilingPoint, kAtmosphere);
    EXPECT_NEAR(psat(i) / kAtmosphere, 1.0, 3e-3);
    const double t = x.normalBoilingPoint;
    const double h = 1e-3;
    equilibrium::TPCACH(0, t + h, kAtmosphere);
    const double up = psat(i);
    equilibrium::TPCACH(0, t - h, kAtmosphere);
    const double down = psat(i);
    equilibrium::TPCACH(1, t, kAtmosphere);
    EXPECT_NEAR(slope(i), (up - down) / (2 * h), 1e-6 * slope(i));
    // Clausius-Clapeyron with the enthalpies of vaporization at the boiling point of the same
    // appendix (benzene 30.72, n-hexane 28.85 kJ/mol; unconfirmed) and a vapour
    // compressibility near 0.96, an estimate: hence 3 per cent.
    const double enthalpy = i == 1 ? 30720.0 : 28850.0;
    const double clapeyron = enthalpy * kAtmosphere / (8.314471 * 0.96 * t * t);
    EXPECT_NEAR(slope(i) / clapeyron, 1.0, 0.03);
  }
}

// The cache evaluates when the temperature or the set changes, and with derivatives when
// the last evaluation had none; it reads nothing again otherwise. A restarted flash forces
// the next evaluation.
TEST_F(VapourPressureCache, EvaluatesOncePerTemperatureAndSet) {
  struct Step {
    const char* label;
    std::int32_t u;
    double t;
    std::int32_t set;
    std::int64_t evaluations;  // after the call
  };
  const double t = 350.0;
  const std::vector<Step> steps = {
      {"first, values", 0, t, 1, 1},
      {"same T, values", 0, t, 1, 1},
      {"same T, derivatives", 1, t, 1, 2},
      {"same T, derivatives again", 1, t, 1, 2},
      {"same T, values after derivatives", 0, t, 1, 2},
      {"one ulp away", 1, std::nextafter(t, 400.0), 1, 2},
      {"another T, values", 0, t * (1 + 1e-12), 1, 3},
      {"back, derivatives", 1, t, 1, 4},
      {"another method set", 1, t, 2, 5},
      {"the other set again", 0, t, 2, 5},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.label);
    problem::THCTL.currentSet = s.set;
    equilibrium::TPCACH(s.u, s.t, kAtmosphere);
    EXPECT_EQ(evaluations(), s.evaluations);
  }
  // A flash that starts sets the value temperature to 0.0.
  equilibrium::restartVapourPressureCache();
  equilibrium::TPCACH(0, t, kAtmosphere);
  EXPECT_EQ(evaluations(), 6);
}

// What a values-only evaluation leaves is not taken for derivatives: a changed correlation
// shows up in both arrays at the next call with derivatives, and not before.
TEST_F(VapourPressureCache, CachedValuesAreThoseOfTheLastEvaluation) {
  equilibrium::TPCACH(1, 340.0, kAtmosphere);
  const double before = psat(1);
  Antoine shifted = kBenzene;
  shifted.a += 0.1;
  correlation_testing::installSet(1001, 1, {antoineRecord(1, shifted), antoineRecord(2, kHexane)});
  equilibrium::TPCACH(0, 340.0, kAtmosphere);
  EXPECT_EQ(psat(1), before) << "no evaluation at the same temperature";
  equilibrium::TPCACH(0, 341.0, kAtmosphere);
  equilibrium::TPCACH(1, 341.0, kAtmosphere);
  EXPECT_EQ(evaluations(), 3);
  const double expected = std::pow(10.0, shifted.a + 2.0 - shifted.b / (341.0 + shifted.c));
  // The decimal forms carry ln 10 to seven digits.
  EXPECT_NEAR(psat(1), expected, 1e-6 * expected);
  EXPECT_GT(psat(1), 1.2 * before);
  EXPECT_NEAR(slope(1), psat(1) * std::log(10.0) * kBenzene.b / std::pow(341.0 + kBenzene.c, 2),
              1e-6 * slope(1));
}

// The partition must give the arrays one element per component; a shorter one stops the
// run instead of spilling into the next array.
TEST_F(VapourPressureCache, ShortArrayStopsTheRun) {
  testing_support::StopThrows stop;
  problem::FWPART.realSize(14) = kN - 1;
  equilibrium::TPCACH(0, 300.0, kAtmosphere);  // values only: array 14 is not written
  try {
    equilibrium::TPCACH(1, 300.0, kAtmosphere);
    ADD_FAILURE() << "the run did not stop";
  } catch (const platform::RunStopped& stopped) {
    EXPECT_EQ(stopped.status, 15);
  }
}

// The open of a problem clears the cache, whatever a former problem left.
TEST(VapourPressureCacheAtOpen, OpenInvalidatesTheCache) {
  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::ProblemDescription d;
  d.name = "cache";
  d.components = {fixtures::publishedComponent("PROPANE")};
  d.methodSets = {fixtures::equationOfStateSet("SOAVE", 101)};
  const fixtures::BuiltProblem built = fixtures::buildProblem(dir.path(), d);
  vapourPressureCache.valueTemperature = 300.0;
  vapourPressureCache.derivativeTemperature = 300.0;
  vapourPressureCache.methodSet = 1;
  std::int32_t iout = 0;
  methods::PAINIT(dir.path().string() + "/" + d.name, dir.path().string(), iout, 0);
  EXPECT_EQ(vapourPressureCache.valueTemperature, services::DMISS);
  EXPECT_EQ(vapourPressureCache.derivativeTemperature, services::DMISS);
  EXPECT_EQ(vapourPressureCache.methodSet, services::IMISS);
  // The partition gives both arrays a place for every component.
  EXPECT_GE(problem::FWPART.realSize(13), problem::COHDR(problem::cohdr::kVapourComponents));
  EXPECT_GE(problem::FWPART.realSize(14), problem::COHDR(problem::cohdr::kVapourComponents));
  methods::PAEND();
  storage::FIINIT();
}

}  // namespace
