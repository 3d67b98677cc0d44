// FLCORR: start temperatures and pressures of a flash from the mean critical constants of
// the dry feed, checked against values worked out by hand from published critical constants.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/phase/phase.hpp"

namespace {

// Critical constants: B. E. Poling, J. M. Prausnitz, J. P. O'Connell, "The Properties of
// Gases and Liquids", 5th ed. (2001), Appendix A.
struct Critical {
  double tc;  // K
  double pc;  // kPa
};
constexpr Critical kMethane{190.56, 4599.0};
constexpr Critical kButane{425.12, 3796.0};
constexpr Critical kHydrogen{33.19, 1313.0};
constexpr Critical kWater{647.14, 22064.0};

class FlashBounds : public ::testing::Test {
 protected:
  void SetUp() override {
    services::ERINIT();
    storage::CMINIT(0, 0, 0);
    problem::COHDR = {};
    problem::COPTRS = {};
    problem::THCTL = {};
  }

  // The critical constants of components 1..n in the component data.
  void install(const std::vector<Critical>& comps) {
    const auto n = static_cast<std::int32_t>(comps.size());
    const auto store = [&](problem::ComponentReal sector, double Critical::*field) {
      const std::int32_t start = storage::ICMGTR(n, 1);
      problem::COPTRS.realSector(sector) = start;
      for (std::int32_t i = 1; i <= n; ++i) {
        storage::CORSTO.setReal(start + i, comps[static_cast<std::size_t>(i - 1)].*field);
      }
    };
    store(problem::ComponentReal::CriticalTemperature, &Critical::tc);
    store(problem::ComponentReal::CriticalPressure, &Critical::pc);
  }

  testing_support::StopThrows stop_;
};

struct Estimate {
  double t;
  double p;
};
Estimate flcorr(double t, double p, const std::vector<double>& x) {
  Estimate e{t, p};
  phase::FLCORR(e.t, e.p, x, static_cast<std::int32_t>(x.size()));
  return e;
}

constexpr double kMissing = services::RMISS * 1.5;

// Equimolar methane and n-butane: Tcm = 307.84 K, Pcm = 4197.5 kPa; as the dry part of a
// feed with as much water as hydrocarbons, the same. Values worked out by hand.
TEST_F(FlashBounds, EstimatesFromTheDryMeanCriticalConstants) {
  install({kMethane, kButane, kWater});
  struct Case {
    const char* what;
    double t, p;
    double expectT, expectP;
  };
  const Case cases[] = {
      {"T at 0.6 Tcm below P/Pcm 0.0625", kMissing, 101.325, 0.6 * 307.84, 101.325},
      {"T from P/Pcm = 0.476474", kMissing, 2000.0, 0.7761084 * 307.84, 2000.0},
      {"P from Tr = 0.812110", 250.0, 0.0, 250.0, 0.6088298 * 4197.5},
      {"P at 1.5 Pcm above Tr 0.5 + 0.4 sqrt(1.5)", 400.0, 0.0, 400.0, 1.5 * 4197.5},
      {"P at Pcm at Tr 0.389813", 120.0, 0.0, 120.0, 4197.5},
      {"P at 101.325 kPa when r Pcm is lower", 155.0, 0.0, 155.0, 101.325},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const std::int32_t water : {0, 3}) {
      SCOPED_TRACE(water == 0 ? "no water" : "with free water");
      problem::THCTL.idecnt = water;
      const std::vector<double> x =
          water == 0 ? std::vector<double>{0.5, 0.5, 0.0} : std::vector<double>{0.25, 0.25, 0.5};
      const Estimate e = flcorr(c.t, c.p, x);
      EXPECT_NEAR(e.t, c.expectT, 2e-6 * c.expectT);
      EXPECT_NEAR(e.p, c.expectP, 2e-6 * c.expectP);
    }
  }
}

// The two estimates invert each other between the floor of Tr and the ceiling of P/Pcm.
TEST_F(FlashBounds, TemperatureAndPressureEstimatesAreInverse) {
  install({kMethane, kButane});
  for (const double q : {0.07, 0.3, 0.9, 1.49}) {
    SCOPED_TRACE(q);
    const double p = q * 4197.5;
    const Estimate fromP = flcorr(kMissing, p, {0.5, 0.5});
    const Estimate back = flcorr(fromP.t, 0.0, {0.5, 0.5});
    EXPECT_NEAR(back.p, p, 1e-9 * p);
  }
}

// A single component, amounts instead of fractions, the 100 K floor.
TEST_F(FlashBounds, SingleComponentsAndAmounts) {
  install({kMethane, kHydrogen});
  // Methane alone at 2000 kPa: f = 0.5 + 0.4 sqrt(2000/4599).
  EXPECT_NEAR(flcorr(kMissing, 2000.0, {1.0, 0.0}).t,
              (0.5 + 0.4 * std::sqrt(2000.0 / 4599.0)) * 190.56, 1e-9);
  // Hydrogen alone: 0.6 Tc = 19.9 K is raised to 100 K.
  EXPECT_EQ(flcorr(kMissing, 10.0, {0.0, 1.0}).t, phase::kLowestTemperature);
  // Amounts give the same estimates as fractions, also for a cold feed, whose pressure is
  // the mean critical pressure and not scaled by the amount total.
  for (const double t : {60.0, 150.0, 400.0}) {
    SCOPED_TRACE(t);
    EXPECT_DOUBLE_EQ(flcorr(t, 0.0, {30.0, 10.0}).p, flcorr(t, 0.0, {0.75, 0.25}).p);
  }
  EXPECT_DOUBLE_EQ(flcorr(60.0, 0.0, {30.0, 10.0}).p, 0.75 * 4599.0 + 0.25 * 1313.0);
}

// Without critical data the fallback values apply: a feed of free water only, a present
// component whose critical constant is missing. A missing constant of an absent component
// does not matter.
TEST_F(FlashBounds, FallbacksWithoutCriticalData) {
  install({kMethane, kButane, kWater});
  problem::THCTL.idecnt = 3;
  const std::vector<double> water{0.0, 0.0, 1.0};
  EXPECT_EQ(flcorr(kMissing, 500.0, water).t, phase::kFallbackTemperature);
  EXPECT_EQ(flcorr(350.0, 7.0, water).p, phase::kFallbackPressure);

  const std::int32_t tc = problem::COPTRS.realSector(problem::ComponentReal::CriticalTemperature);
  storage::CORSTO.setReal(tc + 2, services::RMISS);
  for (const std::int32_t iw : {0, 3}) {
    SCOPED_TRACE(iw);
    problem::THCTL.idecnt = iw;
    EXPECT_EQ(flcorr(kMissing, 500.0, {0.5, 0.5, 0.0}).t, phase::kFallbackTemperature);
    EXPECT_EQ(flcorr(350.0, 7.0, {0.5, 0.5, 0.0}).p, phase::kFallbackPressure);
  }
  problem::THCTL.idecnt = 0;
  EXPECT_NEAR(flcorr(kMissing, 50.0, {1.0, 0.0, 0.0}).t, 0.6 * kMethane.tc, 1e-9);
}

}  // namespace
