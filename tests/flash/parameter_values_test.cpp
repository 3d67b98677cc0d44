// The thermodynamic parameter values: the Peng-Robinson kappa and its inverse, and the
// parameters that a method set's cubic K-value block carries, read back against the
// published constants the fixture built the blocks from.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "flash/flash.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace {

using services::DMISS;

// Kappa of the Peng-Robinson equation: D.-Y. Peng and D. B. Robinson, Ind. Eng. Chem.
// Fundam. 15 (1976) 59, and from w = 0.39849 on the heavy-component form of D. B. Robinson
// and D.-Y. Peng, GPA Research Report RR-28 (1978).
double publishedKappa(double w) {
  if (w < 0.39849) return 0.37464 + 1.54226 * w - 0.26992 * w * w;
  return 0.379642 + 1.48503 * w - 0.164423 * w * w + 0.016666 * w * w * w;
}

// Both forms, across the switch of form: kappa from w, and w back from kappa within the
// Newton tolerance of the heavy form's root.
TEST(PRKAPW, ConvertsBothWaysOnEachForm) {
  for (const double w : {-0.1, 0.0, 0.011, 0.3, 0.398, 0.39849, 0.5, 0.8, 1.2}) {
    SCOPED_TRACE(w);
    double kappa = 0.0;
    double omega = w;
    flash::PRKAPW(static_cast<std::int32_t>(flash::KappaMode::OmegaToKappa), kappa, omega);
    EXPECT_NEAR(kappa, publishedKappa(w), 1e-15);
    double back = -9.0;
    flash::PRKAPW(static_cast<std::int32_t>(flash::KappaMode::KappaToOmega), kappa, back);
    EXPECT_NEAR(back, w, 2e-6);
  }
}

// Sets of the problem, by number.
enum Set : std::int32_t { kSoave = 1, kPengRobinson = 2, kShifted = 3, kActivity = 4 };

// The pairs k_ij of the packed lower triangle (2,1), (3,1), (3,2), (4,1), (4,2), (4,3).
const std::vector<double> kPairs{0.011, 0.021, 0.032, 0.041, 0.042, 0.043};

fixtures::MethodSetSpec cubicSet(const std::string& name, std::int32_t code) {
  fixtures::MethodSetSpec set = fixtures::equationOfStateSet(name, code);
  set.parameterBlocks = {[code](const std::vector<fixtures::ComponentSpec>& c) {
    return fixtures::cubicParameterBlock(code, fixtures::cubicFormOf(code), c, kPairs);
  }};
  return set;
}

class ParameterValues : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"METHANE", "PROPANE", "N-BUTANE", "N-DECANE"}) {
      description.components.push_back(fixtures::publishedComponent(name));
    }
    auto activity = fixtures::equationOfStateSet("NRTL", 101);
    activity.codes[0] = 404;
    activity.slotBlock[0] = 0;
    activity.parameterWords[0] = 12;
    description.methodSets = {cubicSet("SRK", 101), cubicSet("PR", 102), cubicSet("SHIFTED", 124),
                              activity};
    description.defaultMethodSet = kSoave;
    fixtures::SpecificationSpec spec;
    spec.identifier = "SPEC1";
    spec.record.reals = {{3.25, 7.5}};
    description.flowsheet.specifications = {spec};
    fixtures::buildProblem(dir.path(), description);
    std::int32_t iout = 0;
    methods::PAINIT(dir.path().string() + "/" + description.name, dir.path().string(), iout, 0);
  }
  void TearDown() override {
    methods::PAEND();
    storage::FIINIT();
  }

  const fixtures::ComponentSpec& component(std::int32_t i) const {
    return description.components[static_cast<std::size_t>(i - 1)];
  }

  static double value(std::int32_t set, std::int32_t kind, std::int32_t components) {
    std::array<std::int32_t, flash::parameterrequest::kWords> rec{};
    rec[flash::parameterrequest::kMethodSet - 1] = set;
    rec[flash::parameterrequest::kComponents - 1] = components;
    rec[flash::parameterrequest::kKind - 1] = kind;
    double v = -7.0;
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    flash::PARVAL(rec, v, d3, d4, d5, ndig);
    EXPECT_EQ(problem::THCTL.currentSet, set) << "the request's set is left current";
    return v;
  }

  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::ProblemDescription description;
};

// Critical temperature and pressure and acentric factor of every component, by each cubic
// code, with the component written p * 10000 and p * 10001. The pressure of codes 101 and
// 102 comes back from the covolume b = Omega_b R Tc / Pc, whose constants the block was
// built with to about 1e-5; the acentric factor of 101 from Soave's slope, of 102 from
// kappa on both of its forms (n-decane lies beyond the switch).
TEST_F(ParameterValues, PureComponentParametersOfEachCubicCode) {
  for (const std::int32_t set : {kSoave, kPengRobinson, kShifted}) {
    for (std::int32_t i = 1; i <= 4; ++i) {
      for (const std::int32_t code : {i * 10000, i * 10001}) {
        SCOPED_TRACE("set " + std::to_string(set) + " component code " + std::to_string(code));
        const fixtures::ComponentSpec& c = component(i);
        EXPECT_EQ(value(set, 1, code), c.criticalTemperature);
        const double pc = value(set, 2, code);
        if (set == kShifted) {
          EXPECT_EQ(pc, c.criticalPressure);
        } else {
          EXPECT_NEAR(pc, c.criticalPressure, 2e-4 * c.criticalPressure);
        }
        EXPECT_NEAR(value(set, 3, code), c.acentricFactor, set == kShifted ? 0.0 : 2e-6);
      }
    }
  }
}

// Interaction parameters: pair (i, j) with j < i from the packed triangle, the pair named
// either way round; the second group (zero in the fixture's blocks); pairs that name no two
// components give the missing value.
TEST_F(ParameterValues, InteractionParametersOfThePackedTriangle) {
  struct Case {
    std::int32_t i, j;
    double k;
  };
  const std::vector<Case> pairs{{2, 1, 0.011}, {3, 1, 0.021}, {3, 2, 0.032},
                                {4, 1, 0.041}, {4, 2, 0.042}, {4, 3, 0.043}};
  for (const std::int32_t set : {kSoave, kPengRobinson, kShifted}) {
    for (const Case& c : pairs) {
      SCOPED_TRACE("set " + std::to_string(set) + " pair " + std::to_string(c.i) + "," +
                   std::to_string(c.j));
      EXPECT_EQ(value(set, 4, c.i * 10000 + c.j), c.k);
      EXPECT_EQ(value(set, 4, c.j * 10000 + c.i), c.k);
      EXPECT_EQ(value(set, 5, c.i * 10000 + c.j), 0.0);
    }
    for (const std::int32_t code : {30000, 30003, 50001, 10005, 0}) {
      SCOPED_TRACE(code);
      EXPECT_EQ(value(set, 4, code), DMISS);
    }
  }
}

// Kinds 6 to 8 give the value of the current specification record, for any of the cubic
// codes; none without a cubic code.
TEST_F(ParameterValues, SpecificationValueOfTheCurrentRecord) {
  problem::VSSET(1, 0);
  for (const std::int32_t set : {kSoave, kPengRobinson, kShifted}) {
    for (const std::int32_t kind : {6, 7, 8}) {
      SCOPED_TRACE("set " + std::to_string(set) + " kind " + std::to_string(kind));
      EXPECT_EQ(value(set, kind, 20001), 3.25);
    }
  }
  EXPECT_EQ(value(kActivity, 6, 20001), DMISS);
}

// What no block gives: an activity K-value method, kinds the code does not carry, undefined
// kinds, components outside the problem, and the specification value with no
// specification current.
TEST_F(ParameterValues, MissingWhereTheBlockHasNoValue) {
  struct Case {
    std::int32_t set, kind, components;
  };
  const std::vector<Case> cases{
      {kActivity, 1, 10000},      {kActivity, 4, 20001}, {kSoave, 9, 10000},
      {kPengRobinson, 12, 10000}, {kSoave, 0, 10000},    {kSoave, 13, 10000},
      {kShifted, 13, 10000},      {kSoave, 1, 50000},    {kSoave, 1, 0},
      {kSoave, 6, 10000},         {kShifted, 8, 10000}};
  for (const Case& c : cases) {
    SCOPED_TRACE("set " + std::to_string(c.set) + " kind " + std::to_string(c.kind) + " code " +
                 std::to_string(c.components));
    EXPECT_EQ(value(c.set, c.kind, c.components), DMISS);
  }
}

}  // namespace
