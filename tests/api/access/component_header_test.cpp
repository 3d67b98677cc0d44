// The component counts of a problem whose component table has no header block, opened after
// a problem that has one.
#include <gtest/gtest.h>

#include <cstdint>

#include "access_test_support.hpp"
#include "api/access/access.hpp"
#include "fixtures/problem_builder.hpp"
#include "problem/problem.hpp"
#include "support/test_support.hpp"

namespace {

TEST(ComponentHeader, OpenWithoutTheBlockHasNoComponentsOfTheFormerProblem) {
  testing_support::StopThrows stop;
  testing_support::TempDir full, bare;
  fixtures::ProblemDescription d = fixtures::naturalGasPlant();
  fixtures::buildProblem(full.path(), d);
  // Without the block the problem has no stream or unit the builder could lay out.
  fixtures::ProblemDescription b = d;
  b.componentHeader = false;
  b.streams.clear();
  b.flowsheet.units.clear();
  fixtures::buildProblem(bare.path(), b);

  access_tests::ProblemCounts counts;
  ASSERT_NO_FATAL_FAILURE(counts = access_tests::openProblem(full, d.name));
  EXPECT_EQ(counts.ncomp, 10);
  EXPECT_EQ(problem::COHDR(problem::cohdr::kStreamComponents), 10);
  api_access::PACLOS();

  ASSERT_NO_FATAL_FAILURE(counts = access_tests::openProblem(bare, d.name));
  EXPECT_EQ(counts.ncomp, 0);
  for (std::size_t k = 1; k <= problem::kComponentHeaderWords; ++k) {
    EXPECT_EQ(problem::COHDR(k), 0) << "word " << k;
  }
  const auto ids = access_tests::textRequest("COMPS", "IDS", " ");
  EXPECT_EQ(ids.count, 0);
  api_access::PACLOS();
}

}  // namespace
