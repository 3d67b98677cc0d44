// Kept scratch vectors: grown to the longest length asked, never shrunk, the values a call
// left kept for the next.
#include "services/scratch_vectors.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(ScratchVectors, GrowOnceKeepValuesAndFillOnlyWhatIsAdded) {
  std::vector<double> v;
  const auto first = services::sized(v, 3, 1.0);
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(v, (std::vector<double>{1.0, 1.0, 1.0}));
  first[0] = 7.0;
  // A shorter request views the same storage, and the values stay.
  const double* storage = v.data();
  const auto shorter = services::sized(v, 2, 1.0);
  EXPECT_EQ(shorter.data(), storage);
  EXPECT_EQ(shorter.size(), 2u);
  EXPECT_EQ(v.size(), 3u);
  EXPECT_EQ(shorter[0], 7.0);
  // A longer one keeps the values held and fills only the new elements.
  const auto longer = services::sized(v, 5, -1.0);
  EXPECT_EQ(std::vector<double>(longer.begin(), longer.end()),
            (std::vector<double>{7.0, 1.0, 1.0, -1.0, -1.0}));
  // Without a fill the new elements are value-initialised.
  std::vector<std::int32_t> flags{4};
  const auto grown = services::sized(flags, 3);
  EXPECT_EQ(std::vector<std::int32_t>(grown.begin(), grown.end()),
            (std::vector<std::int32_t>{4, 0, 0}));
}

TEST(ScratchVectors, ClearedSetsEveryElementItViews) {
  std::vector<double> v{5.0, 6.0, 7.0, 8.0};
  const auto out = services::cleared(v, 3);
  EXPECT_EQ(std::vector<double>(out.begin(), out.end()), (std::vector<double>{0.0, 0.0, 0.0}));
  EXPECT_EQ(v[3], 8.0);  // beyond the view: untouched
  const auto all = services::cleared(v, 6, 2.5);
  EXPECT_EQ(std::vector<double>(all.begin(), all.end()), std::vector<double>(6, 2.5));
}

}  // namespace
