// Specification values on the specifications of a built problem: one table over operator,
// comparison form, tolerance kind and sign and units, each case giving the target,
// calculated value, deviation, tolerance and the not-met flag worked out here; division by
// a zero operand; a missing second operand; the stored target alone; a calculated quantity;
// a CS item; a reaction the problem lacks; the two operators on their own; and the general
// flash's slot.
#include "streamprops/specification_values.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "flash/slots.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "problem/streams.hpp"
#include "services/markers.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/property_codes.hpp"
#include "support/test_support.hpp"

namespace {

using streamprops::SpecificationResult;

constexpr double kFeedTemperature = 350.0;  // K
constexpr double kZeroCelsius = 273.15;
constexpr std::int32_t kCelsius = 1 * 1000 + 11;     // temperature in C
constexpr std::int32_t kFahrenheit = 1 * 1000 + 13;  // temperature in F

// One operand record.
struct Operand {
  std::int32_t type = 0;
  std::int32_t units = 0;
  std::int32_t code = 0;  // property code of a stream property (of stream 1)
  std::string setId, reactionId;
  std::int32_t unit = 0, position = 0;  // the specification a unit's data block names
  // A thermodynamic parameter: the method set, the components i * 10000 + j, the kind.
  std::int32_t parameterSet = 0, parameterComponents = 0, parameterKind = 0;
  std::int32_t reactionItem = 0;  // the item of a reaction's record
};

// A specification record.
struct Definition {
  std::int32_t kind = 0;
  std::int32_t options = 0;
  std::int32_t op = 0;
  std::int32_t toleranceKind = 0;
  Operand first, second;
  double target = 0.0;
  double tolerance = 0.0;
  double stored1 = 0.0, stored2 = 0.0;
  std::int32_t resultUnits = 0;
};

std::vector<std::int32_t> operandWords(const Operand& o) {
  std::vector<std::int32_t> w(streamprops::spcrec::kWords, 0);
  w[0] = o.type;
  w[3] = 1;  // stream 1
  w[11] = o.units;
  w[12] = o.code;
  w[4] = o.unit;
  w[18] = o.position;
  w[7] = o.parameterSet;
  w[8] = o.parameterComponents;
  w[29] = o.parameterKind;
  w[24] = o.reactionItem;
  std::int32_t ierr = 0;
  if (!o.reactionId.empty()) {
    storage::TXTOIW(o.reactionId, std::span<std::int32_t>(w).subspan(34, 3), 3, ierr);
    storage::TXTOIW(o.setId, std::span<std::int32_t>(w).subspan(37, 3), 3, ierr);
  }
  return w;
}

fixtures::SpecificationSpec specification(const std::string& id, const Definition& d) {
  fixtures::SpecificationSpec s;
  s.identifier = id;
  fixtures::BlockSpec& r = s.record;
  std::vector<std::int32_t> header(10, 0);
  header[0] = d.kind;
  header[4] = d.options;
  header[5] = d.op;
  header[6] = d.toleranceKind;
  std::vector<std::int32_t> result(streamprops::spcrec::kWords, 0);
  result[11] = d.resultUnits;
  r.integers = {header, operandWords(d.first), operandWords(d.second), result};
  std::vector<double> reals(20, 0.0);
  reals[0] = d.target;
  reals[3] = d.tolerance;
  reals[17] = d.stored1;
  reals[18] = d.stored2;
  r.reals = {reals};
  r.system = {{0, 0}};
  return s;
}

const Operand kTemperatureC{1, kCelsius, 201, "", ""};
Operand stored(std::int32_t units = 0) { return {6, units, 0, "", ""}; }
// Parameter KIND of COMPONENTS in method set 1.
Operand parameter(std::int32_t components, std::int32_t kind) {
  return {7, 0, 0, "", "", 0, 0, 1, components, kind};
}

struct Case {
  const char* what;
  Definition d;
  std::int32_t code;
  SpecificationResult expected;
};

// T of the feed in C.
constexpr double kFeedC = kFeedTemperature - kZeroCelsius;

std::vector<Case> cases() {
  return {
      {"one stream operand in C, relative tolerance met",
       {0, 0, 0, 0, kTemperatureC, {}, 76.85, 0.001},
       0,
       {76.85, kFeedC, (kFeedC - 76.85) / 76.85, 0.001, 0}},
      {"relative tolerance missed",
       {0, 0, 0, 0, kTemperatureC, {}, 80.0, 0.001},
       0,
       {80.0, kFeedC, (kFeedC - 80.0) / 80.0, 0.001, 1}},
      {"tolerance marked absolute",
       {0, 100, 0, 0, kTemperatureC, {}, 77.0, 0.5},
       0,
       {77.0, kFeedC, kFeedC - 77.0, -0.5, 0}},
      {"negative tolerance compares absolutely",
       {0, 0, 0, 0, kTemperatureC, {}, 77.0, -0.1},
       0,
       {77.0, kFeedC, kFeedC - 77.0, -0.1, 1}},
      {"absolute mark without units",
       {0, 100, 0, 0, stored(), {}, 10.0, 0.05, 10.4},
       0,
       {10.0, 10.4, 0.4, -0.05, 1}},
      {"positive tolerance with a target of 0.0 compares absolutely",
       {0, 0, 0, 0, stored(), {}, 0.0, 0.001, 0.0005},
       0,
       {0.0, 0.0005, 0.0005, 0.001, 0}},
      {"sum of a stream operand and a stored one",
       {0, 0, 1, 0, kTemperatureC, stored(), 80.0, 0.001, 0.0, 3.15},
       0,
       {80.0, kFeedC + 3.15, (kFeedC + 3.15 - 80.0) / 80.0, 0.001, 0}},
      {"difference",
       {0, 0, 2, 0, stored(), stored(), 6.0, 0.001, 10.0, 4.0},
       0,
       {6.0, 6.0, 0.0, 0.001, 0}},
      {"quotient",
       {0, 0, 3, 0, stored(), stored(), 2.5, 0.001, 10.0, 4.0},
       0,
       {2.5, 2.5, 0.0, 0.001, 0}},
      {"quotient by 0.0 keeps the first operand",
       {0, 0, 3, 0, stored(), stored(), 8.0, 0.001, 8.0, 0.0},
       0,
       {8.0, 8.0, 0.0, 0.001, 0}},
      {"product",
       {0, 0, 4, 0, stored(), stored(), 40.0, 0.001, 10.0, 4.0},
       0,
       {40.0, 40.0, 0.0, 0.001, 0}},
      {"a second operand not available yet is missing: the first stands",
       {0, 0, 1, 0, stored(), {2, 0, 0, "", ""}, 10.0, 0.001, 10.0},
       0,
       {10.0, 10.0, 0.0, 0.001, 0}},
      {"operator 5 evaluates one operand",
       {0, 0, 5, 0, stored(), stored(), 10.0, 0.001, 10.0, 99.0},
       0,
       {10.0, 10.0, 0.0, 0.001, 0}},
      {"global tolerance 1 left at 0.0: met only when equal",
       {0, 0, 0, 1, stored(), {}, 10.0, 0.5, 10.0},
       0,
       {10.0, 10.0, 0.0, 0.0, 0}},
      {"global tolerance 3 left at 0.0 misses a near value",
       {0, 0, 0, 3, stored(), {}, 10.0, 0.5, 10.001},
       0,
       {10.0, 10.001, 0.001, 0.0, 1}},
      {"form B: the target plus the second operand against operand 1 in K",
       {0, 0, 2, 0, kTemperatureC, stored(), 66.85, 0.001, 0.0, 10.0},
       10,
       {kFeedTemperature, kFeedTemperature, 0.0, 0.001, 0}},
      {"form B: the target times the second operand",
       {0, 0, 3, 0, stored(), stored(), 5.0, 0.001, 10.0, 2.0},
       10,
       {10.0, 10.0, 0.0, 0.001, 0}},
      {"form B: the target over 0.0 is 1.0E30",
       {0, 0, 4, 0, stored(), stored(), 5.0, 0.001, 10.0, 0.0},
       10,
       {1.0e30, 10.0, (10.0 - 1.0e30) / 1.0e30, 0.001, 1}},
      {"form B: a negative target over 0.0 is -1.0E30",
       {0, 0, 4, 0, stored(), stored(), -5.0, 0.001, 10.0, 0.0},
       10,
       {-1.0e30, 10.0, (10.0 + 1.0e30) / -1.0e30, 0.001, 1}},
      {"form B: an absolute tolerance in F becomes relative to the target in K",
       {0, 100, 0, 0, {1, kFahrenheit, 201, "", ""}, {}, 170.33, 0.9},
       10,
       // 170.33 F is 350 K; 0.9 F of difference is 0.5 K.
       {(170.33 - 32.0) / 1.8 + kZeroCelsius, kFeedTemperature, 0.0, 0.5 / kFeedTemperature, 0}},
      {"the target of the specification a unit names",
       {0, 0, 0, 0, {5, 0, 0, "", "", 1, 2}, {}, 80.0, 0.001},
       0,
       {80.0, 80.0, 0.0, 0.001, 0}},
      {"a position the unit's list does not hold is missing",
       {0, 0, 0, 0, {5, 0, 0, "", "", 1, 4}, {}, 80.0, 0.001},
       0,
       {80.0, services::DMISS, (services::DMISS - 80.0) / 80.0, 0.001, 1}},
      {"the stored target alone",
       {0, 0, 0, 0, kTemperatureC, {}, 76.85, 0.001},
       100,
       {76.85, 0.0, 0.0, 0.0, 1}},
      // Methane's critical temperature, 190.56 K, and pressure, 4599 kPa (the fixture's
      // published constants), from the set's equation-of-state block.
      {"a thermodynamic parameter of the method set",
       {0, 0, 0, 0, parameter(10000, 1), {}, 190.56, 0.001},
       0,
       {190.56, 190.56, 0.0, 0.001, 0}},
      {"a pure-component parameter written p * 10001, over a second one",
       {0, 0, 3, 0, parameter(10001, 2), parameter(20000, 2), 4599.0 / 4872.0, 0.001},
       0,
       {4599.0 / 4872.0, 4599.0 / 4872.0, 0.0, 0.001, 0}},
      {"a parameter kind the set does not carry is missing",
       {0, 0, 0, 0, parameter(10000, 99), {}, 80.0, 0.001},
       0,
       {80.0, services::DMISS, (services::DMISS - 80.0) / 80.0, 0.001, 1}},
      {"a calculated quantity in K from the result's units",
       {2, 0, 1, 0, kTemperatureC, stored(), 0.0, 0.0, 0.0, 5.0, kCelsius},
       0,
       {0.0, kFeedTemperature + 5.0, 0.0, 0.0, 1}},
  };
}

// The reaction items and the words of the reaction's record they read: 1 real 29, 2 real 8,
// 5 real 3, 6 real 12, 15 to 17 reals 37 to 39 of the first real sector, 7 to 14 the second
// sector; 3, 4, 18 and 19 (per-component arrays whose place the record does not lay down)
// and items outside the list are missing.
struct ReactionItem {
  std::int32_t item;
  double expected;
};
constexpr ReactionItem kReactionItems[] = {
    {1, 129.0}, {2, 108.0}, {5, 103.0}, {6, 112.0}, {7, 201.0}, {14, 208.0}, {15, 137.0},
    {17, 139.0}, {3, services::DMISS}, {4, services::DMISS}, {18, services::DMISS},
    {19, services::DMISS}, {20, services::DMISS}};

class SpecificationValues : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "specs";
    for (const char* name : {"METHANE", "ETHANE"}) {
      d.components.push_back(fixtures::publishedComponent(name));
    }
    d.methodSets = {fixtures::equationOfStateSet("PR", 102)};
    fixtures::StreamSpec feed;
    feed.name = "FEED";
    feed.temperature = kFeedTemperature;
    feed.pressure = 200.0;
    feed.rate = 5.0;
    feed.vapourFraction = 1.0;
    feed.composition = {0.9, 0.1};
    feed.vapour = {0.9, 0.1};
    feed.integerWords = {{20, 1}};
    d.streams = {feed};
    // A unit whose data block names specifications 1 and 2 in its system sector 15.
    fixtures::UnitSpec unit;
    unit.identifier = "DRUM";
    unit.type = 1;
    fixtures::BlockSpec data;
    data.system.assign(15, std::vector<std::int32_t>{0});
    data.system[14] = {1, 2, 1};
    data.integers = {{0}};
    unit.data = data;
    d.flowsheet.units = {unit};
    std::int32_t k = 0;
    for (const Case& c : cases()) {
      d.flowsheet.specifications.push_back(specification("SPEC" + std::to_string(++k), c.d));
    }
    Definition reaction{0, 0, 0, 0, {8, 0, 0, "NOSET", "NORX"}, {}, 1.0, 0.001};
    d.flowsheet.specifications.push_back(specification("REACTION", reaction));
    // A reaction set with results and its reaction, whose first real sector holds
    // 100 + k at word k and second 200 + k; and one specification per reaction item.
    fixtures::ReactionSetSpec set;
    set.identifier = "RXSET";
    set.record.integers[0].assign(21, 0);
    set.record.integers[0][20] = 1;
    d.flowsheet.reactionSets = {set};
    fixtures::ReactionSpec rx;
    rx.identifier = "RX1";
    rx.set = "RXSET";
    rx.record.reals[0].resize(40);
    rx.record.reals[1].resize(8);
    for (std::size_t j = 0; j < 40; ++j) rx.record.reals[0][j] = 101.0 + static_cast<double>(j);
    for (std::size_t j = 0; j < 8; ++j) rx.record.reals[1][j] = 201.0 + static_cast<double>(j);
    d.flowsheet.reactions = {rx};
    for (const ReactionItem& r : kReactionItems) {
      Operand o{8, 0, 0, "RXSET", "RX1"};
      o.reactionItem = r.item;
      d.flowsheet.specifications.push_back(specification(
          "RXITEM" + std::to_string(r.item), Definition{0, 0, 0, 0, o, {}, 1.0, 0.001}));
    }
    d.flowsheet.csItems.push_back(specification("CS1", cases()[0].d));
    fixtures::buildProblem(dir_.path(), d);
    std::int32_t iout = 0;
    methods::PAINIT(dir_.file("specs").string(), dir_.path().string(), iout, 0);
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, 1);
  }
  void TearDown() override {
    methods::PAEND();
    storage::FIINIT();
  }

  static void expectResult(const SpecificationResult& got, const SpecificationResult& want) {
    // The unit table keeps its factors and offsets in single precision.
    const auto near = [](double a, double b) {
      EXPECT_NEAR(a, b, std::max(1e-5, 1e-6 * std::abs(b)));
    };
    near(got.sval, want.sval);
    near(got.vcalc, want.vcalc);
    near(got.err, want.err);
    near(got.tol, want.tol);
    EXPECT_EQ(got.notmet, want.notmet);
    EXPECT_TRUE(std::isfinite(got.err));
  }

  testing_support::TempDir dir_;
};

TEST_F(SpecificationValues, TableOfOperatorsFormsTolerancesAndUnits) {
  std::int32_t n = 0;
  for (const Case& c : cases()) {
    ++n;
    SCOPED_TRACE(c.what);
    expectResult(streamprops::SPCVAL(n, c.code), c.expected);
    EXPECT_EQ(problem::SPCUR.item, n);
  }
}

TEST_F(SpecificationValues, ACsItemIsReadFromItsOwnClass) {
  expectResult(streamprops::SPCVAL(1, 10000), cases()[0].expected);
}

TEST_F(SpecificationValues, AReactionTheProblemLacksIsMissingWithOneMessage) {
  const std::int32_t n = static_cast<std::int32_t>(cases().size()) + 1;
  const std::int32_t errors = services::ERCNTS.perLevel(3);
  const SpecificationResult r = streamprops::SPCVAL(n, 0);
  EXPECT_EQ(r.vcalc, services::DMISS);
  EXPECT_EQ(r.notmet, 1);
  EXPECT_EQ(services::ERCNTS.perLevel(3), errors + 1);
  EXPECT_EQ(problem::SPCUR.item, n);
}

TEST_F(SpecificationValues, ReactionItemsReadTheirWordsOfTheRecord) {
  std::int32_t n = static_cast<std::int32_t>(cases().size()) + 1;
  for (const ReactionItem& r : kReactionItems) {
    SCOPED_TRACE(r.item);
    const SpecificationResult result = streamprops::SPCVAL(++n, 0);
    EXPECT_EQ(result.vcalc, r.expected);
    EXPECT_EQ(result.notmet, 1);
    EXPECT_EQ(problem::SPCUR.item, n);
  }
}

TEST_F(SpecificationValues, CombineAndApplyNumberTheirOperatorsApart) {
  struct Row {
    std::int32_t op;
    double a, b, comb, oper;
  };
  const Row rows[] = {
      {0, 6.0, 2.0, 6.0, 6.0},  {1, 6.0, 2.0, 8.0, 4.0},
      {2, 6.0, 2.0, 4.0, 8.0},  {3, 6.0, 2.0, 3.0, 12.0},
      {4, 6.0, 2.0, 12.0, 3.0}, {5, 6.0, 2.0, 6.0, 6.0},
      {-1, 6.0, 2.0, 6.0, 6.0}, {1, 6.0, -2.0e35, 6.0, 2.0e35 + 6.0},
  };
  for (const Row& c : rows) {
    SCOPED_TRACE(c.op);
    EXPECT_EQ(streamprops::SPCOMB(c.op, c.a, c.b), c.comb);
    EXPECT_EQ(streamprops::SPOPER(c.op, c.a, c.b), c.oper);
  }
  EXPECT_EQ(streamprops::SPCOMB(3, 6.0, 0.0), 6.0);
  EXPECT_EQ(streamprops::SPOPER(4, 0.0, 0.0), 1.0e30);
  EXPECT_EQ(streamprops::SPOPER(4, -0.0, 0.0), -1.0e30);
  EXPECT_EQ(streamprops::SPOPER(4, -3.0, 0.0), -1.0e30);
}

TEST_F(SpecificationValues, TheGeneralFlashAsksThroughItsSlot) {
  double sval = 0.0, vcalc = 0.0, err = 0.0, tol = 0.0;
  std::int32_t notmet = -1;
  ASSERT_TRUE(flash::specificationValue(1, 0, sval, vcalc, err, tol, notmet));
  expectResult({sval, vcalc, err, tol, notmet}, cases()[0].expected);
  // Emptied, the slot leaves the specification not solved.
  const flash::SpecificationValue held = flash::fillSpecificationValue(nullptr);
  EXPECT_FALSE(flash::specificationValue(1, 0, sval, vcalc, err, tol, notmet));
  EXPECT_EQ(notmet, 1);
  EXPECT_EQ(vcalc, 0.0);
  flash::fillSpecificationValue(held);
}

}  // namespace
