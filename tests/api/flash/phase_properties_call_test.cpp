// VPROPS: the statuses a host's mistakes give, before any flash.
#include "api/flash/phase_properties_call.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "flash_support.hpp"
#include "problem/problem.hpp"

namespace {

using api_flash::VPROPS;

class PhasePropertiesCall : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "vprops";
    d.components = flash_test::components({"METHANE", "PROPANE", "N-PENTANE"});
    d.methodSets = {flash_test::withEquationEntropies(flash_test::pengRobinsonSet("PR"))};
    d.correlationSets = {flash_test::idealGasStandIns(d.components.size())};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    std::int32_t n = 0, istat = 0;
    problem::SRCREA(2, "FEED", n, istat);
    problem::MainRecord(problem::SRPSET.set2).integer(20) = 1;
  }
  void TearDown() override { problem_.reset(); }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
};

TEST_F(PhasePropertiesCall, RefusesTheHostsMistakesWithoutEndingTheProcess) {
  struct Case {
    std::string name;
    std::string stream;
    std::vector<double> comp;
    std::int32_t ncomp;
    std::int32_t status;
  };
  const std::vector<Case> cases = {
      {"blank identifier", "   ", {1.0, 1.0, 1.0}, 3, api_flash::kPropsUnknownStream},
      {"unknown identifier", "NOSUCH", {1.0, 1.0, 1.0}, 3, api_flash::kPropsUnknownStream},
      {"too few components", "FEED", {1.0, 1.0, 1.0}, 2, api_flash::kPropsComponentCount},
      {"more components than the problem", "FEED", {1.0, 1.0, 1.0, 1.0}, 4,
       api_flash::kPropsComponentCount},
      {"a count beyond the array", "FEED", {1.0, 1.0}, 3, api_flash::kPropsComponentCount},
      {"no amount", "FEED", {0.0, 0.0, 0.0}, 3, api_flash::kPropsNoAmount},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> comp = c.comp;
    std::vector<double> props(9, 5.0);
    std::int32_t ierr = 99;
    VPROPS(0, c.stream, 300.0, 100000.0, comp, 1, c.ncomp, 9, props, ierr);
    EXPECT_EQ(ierr, c.status);
    for (double p : props) EXPECT_EQ(p, 0.0);
  }
}

TEST_F(PhasePropertiesCall, ClearsOnlyTheWordsAskedForAndNormalisesInPlace) {
  std::vector<double> comp = {2.0, 1.0, 1.0};
  std::vector<double> props(9, 5.0);
  std::int32_t ierr = 99;
  // A phase that is neither vapour nor liquid fails at the enthalpy, after the flash: the
  // words asked for are cleared, the others keep what they held.
  VPROPS(0, "FEED", 300.0, 100000.0, comp, 3, 3, 3, props, ierr);
  EXPECT_EQ(ierr, api_flash::kPropsEnthalpy);
  EXPECT_EQ(comp, (std::vector<double>{0.5, 0.25, 0.25}));
  EXPECT_EQ(props, (std::vector<double>{0.0, 0.0, 0.0, 5.0, 5.0, 5.0, 5.0, 5.0, 5.0}));
  // A liquid in a set without transport methods fails last, at the transport properties:
  // words 4-9 are formed, finite, beyond the three asked for.
  std::fill(props.begin(), props.end(), 5.0);
  VPROPS(0, "FEED", 300.0, 100000.0, comp, 2, 3, 3, props, ierr);
  EXPECT_EQ(ierr, api_flash::kPropsTransport);
  for (std::size_t i = 3; i < 9; ++i) {
    EXPECT_TRUE(std::isfinite(props[i]));
    EXPECT_NE(props[i], 5.0) << "word " << i + 1;
  }
}

TEST(PhasePropertiesCallWithoutProblem, ReportsAnUnknownStream) {
  std::vector<double> comp = {1.0}, props(9, 5.0);
  std::int32_t ierr = 99;
  VPROPS(0, "FEED", 300.0, 100000.0, comp, 1, 1, 9, props, ierr);
  EXPECT_EQ(ierr, api_flash::kPropsUnknownStream);
}

}  // namespace
