// Entropy requests on a problem whose method set takes its entropies from correlation sets
// the problem does not hold: the answer is the missing value, and the process goes on.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "access_test_support.hpp"
#include "fixtures/problem_builder.hpp"

namespace {

using access_tests::realRequest;

// The natural-gas plant with correlation entropies (option digit 2) in both entropy slots:
// the vapour then needs correlation types 216 and 903, which the plant does not hold (it has
// the ideal-gas enthalpies only); the liquid's ideal entropy needs only those.
fixtures::ProblemDescription withoutEntropySets() {
  fixtures::ProblemDescription d = fixtures::naturalGasPlant();
  d.name = "noentropy";
  for (fixtures::MethodSetSpec& set : d.methodSets) set.options[9] = set.options[10] = 2;
  return d;
}

using WithoutEntropySets = access_tests::OpenedProblem<&withoutEntropySets>;

// The vapour's entropy, and so the stream's, is the missing value 0.0 with the warning status,
// asked once or again; the liquid's, which has its data, is answered; the problem stays open.
TEST_F(WithoutEntropySets, EntropyRequestGivesTheMissingValueInsteadOfStopping) {
  for (const char* stream : {"FEED", "SEP-GAS"}) {
    for (int pass = 1; pass <= 2; ++pass) {
      for (const char* attr : {"VapMolarEntropy", "TotalMolarEntropy"}) {
        SCOPED_TRACE(std::string(attr) + " of " + stream + ", pass " + std::to_string(pass));
        const auto r = realRequest("STREAM", attr, stream, 1);
        EXPECT_EQ(r.ierr, -1);
        EXPECT_EQ(r.values, std::vector<float>{0.0f});
      }
    }
    SCOPED_TRACE(stream);
    const auto liquid = realRequest("STREAM", "LiqMolarEntropy", stream, 1);
    EXPECT_EQ(liquid.ierr, 0);
    ASSERT_EQ(liquid.values.size(), 1u);
    EXPECT_NE(liquid.values[0], 0.0f);
  }
  const auto t = realRequest("STREAM", "Temperature", "FEED", 1);
  EXPECT_EQ(t.ierr, 0);
  ASSERT_EQ(t.values.size(), 1u);
  EXPECT_NEAR(t.values[0], 300.0f, 1e-3f);
}

}  // namespace
