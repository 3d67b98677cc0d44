// The cut temperature of a product (code 406) on the hand-built column problem with a unit
// of its own that holds a product slate of two blocks: the cumulative yield against
// standard volumes summed in the test from the published constants, the block chosen by
// the current specification, the TBP reading at the yield, and the streams current again.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "fixtures/column_problem.hpp"
#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "problem/entity_contexts.hpp"
#include "problem/problem.hpp"
#include "problem/specifications.hpp"
#include "problem/streams.hpp"
#include "services/markers.hpp"
#include "streamprops/distillation_group.hpp"
#include "streamprops/property_codes.hpp"

namespace {

using namespace column_problem;

constexpr std::int32_t kSlate = 10;  // the unit after the problem's nine
constexpr std::int32_t kFirstBlockId = 77, kSecondBlockId = 88;

// Standard liquid volume of COMPOSITION (methane, ethane, propane) times RATE: the sum of
// x M / rho over the published molecular weights and standard liquid densities.
double volume(const std::array<double, 3>& x, double rate) {
  const char* names[] = {"METHANE", "ETHANE", "PROPANE"};
  double v = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    const fixtures::ComponentSpec c = fixtures::publishedComponent(names[i]);
    v += x[i] * c.molecularWeight / c.liquidDensity;
  }
  return v * rate;
}

class ProductCut : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d = description("columns");
    // The slate: two blocks of ten products, FEED2 and FEED3 in the first, the other way
    // round in the second.
    fixtures::UnitSpec slate;
    slate.identifier = "SLATE";
    slate.type = 10003;
    fixtures::BlockSpec block;
    block.system.assign(23, {});
    std::vector<std::int32_t> control(100, 0);
    control[16 - 1] = 2;
    block.integers.assign(81, {});
    block.integers[0] = control;
    block.integers[2] = {kFirstBlockId, kSecondBlockId};
    std::vector<std::int32_t> products(20, 0);
    products[0] = kFeed2;
    products[1] = kFeed3;
    products[10] = kFeed3;
    products[11] = kFeed2;
    block.integers[80] = products;
    slate.data = block;
    d.flowsheet.units.push_back(slate);
    fixtures::SpecificationSpec spec;
    spec.identifier = "CUT";
    spec.record.integers[0][2] = kSecondBlockId;
    d.flowsheet.specifications = {spec};
    fixtures::buildProblem(dir_.path(), d);
    open(dir_);
    loadUnit(kSlate);
  }
  void TearDown() override { close(); }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
};

// The compositions and rates of the column problem's feeds.
const double kV1 = volume({0.5, 0.3, 0.2}, 10.0);
const double kV2 = volume({0.2, 0.2, 0.6}, 5.0);
const double kV3 = volume({0.1, 0.1, 0.8}, 10.0);

TEST_F(ProductCut, YieldSumsTheSlateUpToTheProduct) {
  struct Case {
    const char* label;
    bool specification;  // the specification naming the second block is current
    std::int32_t reference, product;
    double expected;
  };
  const Case cases[] = {
      {"first of block 1", false, kFeed1, kFeed2, kV2 / kV1 * 100.0},
      {"second of block 1", false, kFeed1, kFeed3, (kV2 + kV3) / kV1 * 100.0},
      {"not in the slate: the whole block", false, kFeed1, kIdle, (kV2 + kV3) / kV1 * 100.0},
      {"first of block 2", true, kFeed1, kFeed3, kV3 / kV1 * 100.0},
      {"reference without volume", false, kIdle, kFeed2, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.specification) {
      problem::VSSET(1, 0);
    } else {
      problem::SPCUR.item = 0;
    }
    problem::SRSET(kFeed1, 0);
    problem::SRSETT(kFeed3);
    double yield = -7.0;
    streamprops::SPE406(c.reference, c.product, yield);
    EXPECT_NEAR(yield, c.expected, 1e-9 * std::max(1.0, c.expected));
    EXPECT_EQ(problem::SRPSET.set2.stream, kFeed1);
    EXPECT_EQ(problem::SRPSET.set1.stream, kFeed3);
  }
}

// The TBP reading: at a tabulated percentage the spline gives the curve's own point, as the
// curve lookup of code 400 does; past the end point the end temperature; D86 conversion
// method 6 gives 0.0.
TEST_F(ProductCut, CutTemperatureReadsTheFeedsTbpCurve) {
  const auto curvePoint = [](double percent) {
    problem::SRSETT(kFeed1);
    std::array<std::int32_t, streamprops::spcrec::kWords> w{};
    w[12] = 400;
    w[15] = 1;
    std::int32_t istat = 0;
    double v = -7.0;
    streamprops::SPE400(0, w, 0, istat, v, 0, percent);
    return v;
  };
  for (const double percent : {50.0, 99.0}) {
    SCOPED_TRACE(percent);
    const double expected = curvePoint(percent);
    EXPECT_GT(expected, 0.0);
    double value = -7.0;
    streamprops::SPE46B(kFeed1, percent, 0, value);
    EXPECT_NEAR(value, expected, 1e-9 * expected);
  }
  // Code 406 through the group: the yield of FEED2 read on FEED1's curve.
  problem::SPCUR.item = 0;
  double yield = 0.0, cut = 0.0;
  streamprops::SPE406(kFeed1, kFeed2, yield);
  streamprops::SPE46B(kFeed1, yield, 0, cut);
  std::array<std::int32_t, streamprops::spcrec::kWords> w{};
  w[3] = kFeed2;
  w[12] = 406;
  w[13] = kFeed1;
  std::int32_t istat = -7;
  double value = -7.0;
  streamprops::SPE400(0, w, 0, istat, value, 0, 0.0);
  EXPECT_EQ(istat, 0);
  EXPECT_DOUBLE_EQ(value, cut);
  EXPECT_GT(cut, 0.0);
  problem::DBGLOB.bpvals.integers(5) = 6;
  streamprops::SPE400(0, w, 0, istat, value, 0, 0.0);
  EXPECT_EQ(value, 0.0);
}

// A component table that stops after the gravities has no boiling points in core: the
// curve of a composition cannot be built, so a curve reading is 0.0, as for a curve without
// liquid volume, and the product cut reads no temperature; the run goes on.
TEST(ProductCutWithoutBoilingPoints, CurveReadingsAreZero) {
  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::ProblemDescription d = description("columns");
  d.pureRealSectors = static_cast<std::int32_t>(problem::ComponentReal::StandardLiquidDensity);
  fixtures::buildProblem(dir.path(), d);
  open(dir);
  ASSERT_EQ(problem::COPTRS.realSector(problem::ComponentReal::NormalBoilingPoint),
            services::NOCORE);
  problem::SRSETT(kFeed1);
  for (const double percent : {0.0, 50.0, 100.0}) {
    SCOPED_TRACE(percent);
    std::array<std::int32_t, streamprops::spcrec::kWords> w{};
    w[12] = 400;
    w[15] = 1;
    std::int32_t istat = 0;
    double value = -7.0;
    EXPECT_NO_THROW(streamprops::SPE400(0, w, 0, istat, value, 0, percent));
    EXPECT_EQ(value, 0.0);
  }
  double cut = -7.0;
  EXPECT_NO_THROW(streamprops::SPE46B(kFeed1, 50.0, 0, cut));
  EXPECT_EQ(cut, 0.0);
  close();
}

}  // namespace
