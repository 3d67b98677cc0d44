// VPROPS: the statuses a host's mistakes give, before any flash.
#include "api/flash/phase_properties_call.hpp"

#include <gtest/gtest.h>

#include <algorithm>
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
    VPROPS(c.stream, 300.0, 100000.0, comp, 1, c.ncomp, 9, props, ierr);
    EXPECT_EQ(ierr, c.status);
    for (double p : props) EXPECT_EQ(p, 0.0);
  }
}

TEST_F(PhasePropertiesCall, ClearsOnlyTheWordsAskedForAndNormalisesInPlace) {
  std::vector<double> comp = {2.0, 1.0, 1.0};
  std::vector<double> props(9, 5.0);
  std::int32_t ierr = 99;
  VPROPS("FEED", 300.0, 100000.0, comp, 2, 3, 3, props, ierr);
  EXPECT_EQ(comp, (std::vector<double>{0.5, 0.25, 0.25}));
  // The set names no transport methods: the call fails after the normalisation and the
  // flash, and the words asked to be cleared are 0.0.
  EXPECT_EQ(ierr, api_flash::kPropsTransport);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(props[i], 0.0);
}

TEST(PhasePropertiesCallWithoutProblem, ReportsAnUnknownStream) {
  std::vector<double> comp = {1.0}, props(9, 5.0);
  std::int32_t ierr = 99;
  VPROPS("FEED", 300.0, 100000.0, comp, 1, 1, 9, props, ierr);
  EXPECT_EQ(ierr, api_flash::kPropsUnknownStream);
}

}  // namespace
