// XPCALC over a correlation set: which components it serves and where it stores them, the
// tabular forms, the clamps, the choice of extrapolation, the failures, the cache of
// XPCACH and the reading of a set from disk by XPSETF.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "correlation_sets.hpp"
#include "fixtures/file_groups.hpp"
#include "problem/problem.hpp"
#include "platform/platform.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using correlation_testing::kFahrenheit;
using correlation_testing::Record;

Record constant(std::int32_t component, std::vector<double> c) {
  Record r;
  r.component = component;
  r.form = 1;
  r.coefficients = std::move(c);
  return r;
}

class Correlations : public ::testing::Test {
 protected:
  void SetUp() override { correlation_testing::startRun(); }

  // XPCALC into arrays of N values.
  void evaluate(std::int32_t type, std::int32_t n, std::int32_t iconly, double t,
                std::int32_t iextrp = 0) {
    values.assign(static_cast<std::size_t>(n), -99.0);
    slopes.assign(static_cast<std::size_t>(n), -99.0);
    pure::XPCALC(type, 1, n, iconly, 1, iextrp, t, 101.325, values, slopes);
  }

  // Runs CALL, which must stop the run (exit status 15); returns the first abort line.
  std::string stopLine(const std::function<void()>& call) {
    testing_support::StopThrows stop;
    try {
      call();
    } catch (const platform::RunStopped& stopped) {
      EXPECT_EQ(stopped.status, 15);
      return std::string(services::MSGTXT.lines(1).trimmed());
    }
    ADD_FAILURE() << "the run did not stop";
    return {};
  }

  std::vector<double> values;
  std::vector<double> slopes;
};

TEST_F(Correlations, AllComponentsModeStoresByComponentNumber) {
  Record missing = constant(4, {40});
  missing.noCorrelation = true;
  Record second = constant(2, {20, 1});
  second.auxiliary = 2.5;
  correlation_testing::installSet(
      110, 1, {constant(3, {30}), constant(1, {10}), second, constant(5, {50}), missing});
  evaluate(110, 4, 0, 300.0);
  EXPECT_EQ(values, (std::vector<double>{10, 320, 30, 0}));
  EXPECT_EQ(slopes, (std::vector<double>{0, 1, 0, 0}));

  // One component, at position 1, only when NCOMPS is 1.
  evaluate(110, 1, 2, 300.0);
  EXPECT_EQ(values, (std::vector<double>{320}));
  EXPECT_EQ(pure::XPCAUX, 2.5);
  evaluate(110, 3, 5, 300.0);
  EXPECT_EQ(values, (std::vector<double>{10, 320, 30}));
  evaluate(110, 1, 9, 300.0);
  EXPECT_EQ(values, (std::vector<double>{0}));
  evaluate(110, 1, 4, 300.0);
  EXPECT_EQ(values, (std::vector<double>{0})) << "a component without a correlation";
}

TEST_F(Correlations, SolidTypesServeTheSolidRangeByPosition) {
  problem::COHDR(problem::cohdr::kFirstSolidCapable) = 7;
  problem::COHDR(problem::cohdr::kMolarSolids) = 1;
  problem::COHDR(problem::cohdr::kMassSolids) = 1;
  correlation_testing::installSet(311, 1,
                                  {constant(6, {60}), constant(7, {70}), constant(8, {80})});
  evaluate(311, 2, 0, 300.0);
  EXPECT_EQ(values, (std::vector<double>{70, 80}));
  evaluate(311, 1, 8, 300.0);
  EXPECT_EQ(values, (std::vector<double>{80}));
  evaluate(311, 1, 6, 300.0);
  EXPECT_EQ(values, (std::vector<double>{0}));
}

TEST_F(Correlations, TablesInterpolateInKelvin) {
  Record linear;
  linear.form = 801;
  linear.unitCode = kFahrenheit;  // tables are in K whatever the code word says
  linear.factor = 2.0;
  linear.coefficients = {1000, 3000, 4000};
  linear.tableTemperatures = {300, 400, 500};
  Record single;
  single.component = 2;
  single.form = 850;
  single.factor = 3.0;
  single.coefficients = {7};
  single.tableTemperatures = {300};
  correlation_testing::installSet(110, 1, {linear, single});
  struct Case {
    double t, value, slope;
  };
  for (const Case& c :
       {Case{350, 4000, 40}, Case{400, 6000, 40}, Case{250, 0, 40}, Case{600, 10000, 20}}) {
    SCOPED_TRACE(c.t);
    evaluate(110, 2, 0, c.t, 2);
    EXPECT_DOUBLE_EQ(values[0], c.value);
    EXPECT_DOUBLE_EQ(slopes[0], c.slope);
    EXPECT_EQ(values[1], 21.0);
    EXPECT_EQ(slopes[1], 0.0);
  }

  // A vapour pressure table interpolates ln Y in 1/T whatever IEXTRP asks.
  Record pressure;
  pressure.form = 801;
  pressure.coefficients = {3.5, 250};
  pressure.tableTemperatures = {300, 400};
  correlation_testing::installSet(1001, 1, {pressure});
  const double b = std::log(250 / 3.5) / (1.0 / 400 - 1.0 / 300);
  for (double t : {350.0, 280.0, 450.0}) {
    SCOPED_TRACE(t);
    evaluate(1001, 1, 0, t, 1);
    const double expected = 3.5 * std::exp(b * (1 / t - 1 / 300.0));
    EXPECT_NEAR(values[0], expected, 1e-12 * expected);
    EXPECT_NEAR(slopes[0], -b * expected / (t * t), 1e-12 * expected);
  }
}

TEST_F(Correlations, ClampsByPropertyKind) {
  struct Case {
    std::int32_t type;
    double value, expected, slope;
  };
  for (const Case& c : {Case{1001, 2e8, 1e8, 0}, Case{1001, -5, 1e-10, 0}, Case{903, -5, 0, 0},
                        Case{1902, -5, 1e-30, 0}, Case{1121, -5, 1e-10, 0}, Case{110, -5, -5, 3},
                        Case{1001, 50, 50, 3}}) {
    SCOPED_TRACE(c.type);
    SCOPED_TRACE(c.value);
    correlation_testing::installSet(c.type, 1, {constant(1, {c.value - 900, 3})});
    evaluate(c.type, 1, 0, 300.0);
    EXPECT_EQ(values[0], c.expected);
    EXPECT_EQ(slopes[0], c.slope);
  }
}

TEST_F(Correlations, ExtrapolationKindFollowsIextrpAndTheType) {
  Record r = constant(1, {0, 1});  // V = T on 200..400 K, value and slope stored at the limits
  r.tmin = 200;
  r.tmax = 400;
  r.valueAtTmin = 200;
  r.slopeAtTmin = 1;
  r.valueAtTmax = 400;
  r.slopeAtTmax = 1;
  correlation_testing::installSet(1001, 1, {r});
  evaluate(1001, 1, 0, 500.0, 0);  // the type's own: ln V linear in 1/T
  const double log = 400 * std::exp(400.0 * 400 / 400 * (1 / 400.0 - 1 / 500.0));
  EXPECT_NEAR(values[0], log, 1e-12 * log);
  evaluate(1001, 1, 0, 500.0, 1);
  EXPECT_DOUBLE_EQ(values[0], 500.0);
  EXPECT_DOUBLE_EQ(slopes[0], 1.0);

  // From a limit value of 0 the logarithmic extrapolation gives 0 with slope 0.
  r.valueAtTmax = 0.0;
  correlation_testing::installSet(1902, 1, {r});
  evaluate(1902, 1, 0, 500.0, 2);
  EXPECT_EQ(values[0], 1e-30) << "clamped";
  EXPECT_EQ(slopes[0], 0.0);
  correlation_testing::installSet(110, 1, {r});
  evaluate(110, 1, 0, 500.0, 2);
  EXPECT_EQ(values[0], 0.0);
  EXPECT_EQ(slopes[0], 0.0) << "not the slope of an earlier component or call";

  // A linear extrapolation without a slope stays flat.
  r.slopeAtTmin = services::RMISS;
  correlation_testing::installSet(110, 1, {r});
  evaluate(110, 1, 0, 150.0, 1);
  EXPECT_EQ(values[0], 200.0);
  EXPECT_EQ(slopes[0], 0.0);
}

TEST_F(Correlations, MissingSetStopsWithMessage1990002100) {
  correlation_testing::installSet(110, 1, {constant(1, {1})});
  const std::string line = stopLine([&] { evaluate(1001, 1, 0, 300.0); });
  EXPECT_NE(line.find("1990002100"), std::string::npos) << line;

  // The set already current is still usable.
  evaluate(110, 1, 0, 300.0);
  EXPECT_EQ(values[0], 1.0);

  std::int32_t found = -1;
  pure::XPSETF(1001, 1, 10, found);
  EXPECT_EQ(found, 0);
  pure::XPSETF(110, 1, 10, found);
  EXPECT_EQ(found, 110) << "the current pair: no search, no read";
}

TEST_F(Correlations, UndefinedFormsStopWithTheirMessages) {
  testing_support::TempDir dir;
  const std::string report = dir.file("report.txt").string();
  ASSERT_EQ(platform::openSequential(30, report, platform::FileStatus::Unknown,
                                     platform::FileAccess::Write),
            platform::IoResult::Ok);
  services::IOUNIT.report = 30;
  struct Case {
    std::int32_t form;
    std::int32_t message;
  };
  std::vector<Case> cases;
  for (std::int32_t form : {7, 12, 37, 40, 44, 45, 49, 99, 100, 522, 999, 1100}) {
    cases.push_back({form, 1990002103});
  }
  for (std::int32_t form : {6, 18, 23, 24, 28, 29, 31, 1006}) cases.push_back({form, 1990002102});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.form);
    Record r = constant(1, {1});
    r.form = c.form;
    correlation_testing::installSet(110, 1, {r});
    const std::string line = stopLine([&] { evaluate(110, 1, 0, 300.0); });
    EXPECT_NE(line.find(std::to_string(c.message)), std::string::npos) << line;
  }
  // Form 0 cannot be written in a code word (it reads as "no correlation"); XPEVAL itself
  // refuses it.
  std::array<double, pure::kMaxCoefficients> c{};
  double v = 0.0;
  double s = 0.0;
  std::int32_t istat = 0;
  EXPECT_NE(stopLine([&] {
              pure::XPEVAL(0, 1, 10, 1, c, 300.0, services::RMISS, services::RMISS, 1, 1.0, v, s, 0,
                           0, 0, 1, istat);
            }).find("1990002103"),
            std::string::npos);
  platform::closeUnit(30, true);
  const std::string text = testing_support::readFile(report);
  EXPECT_NE(text.find(" ERROR (XPCALC) -- REQUESTED EQUATION FORM   37\n"
                      "       DOES NOT EXIST AND IS UNDEFINED.\n"
                      "       *****     EXECUTION TERMINATED     *****\n"),
            std::string::npos);
  EXPECT_NE(text.find("FORM   18\n       HAS NOT YET BEEN IMPLEMENTED.\n"), std::string::npos);
}

TEST(XPEVAL, LimitsWithinTheToleranceCountAsInsideAndOutsideWritesNothing) {
  correlation_testing::startRun();
  std::array<double, pure::kMaxCoefficients> c{};
  c[0] = 1.0;
  c[1] = 2.0;
  double v = -7.0;
  double s = -7.0;
  std::int32_t istat = 9;
  const double tmax = 500.0;
  pure::XPEVAL(1, 1, 10, 2, c, tmax * (1 + 1e-16), tmax, 100.0, 1, 1.0, v, s, 0, 0, 0, 1, istat);
  EXPECT_EQ(istat, 0);
  EXPECT_DOUBLE_EQ(v, 1.0 + 2.0 * tmax);
  v = s = -7.0;
  pure::XPEVAL(1, 1, 10, 2, c, tmax * (1 + 1e-14), tmax, 100.0, 1, 1.0, v, s, 0, 0, 0, 1, istat);
  EXPECT_EQ(istat, 1);
  pure::XPEVAL(1, 1, 10, 2, c, 50.0, tmax, 100.0, 1, 1.0, v, s, 0, 0, 0, 1, istat);
  EXPECT_EQ(istat, -1);
  EXPECT_EQ(v, -7.0);
  EXPECT_EQ(s, -7.0);
  pure::XPEVAL(1, 1, 10, 2, c, 1e6, services::RMISS, services::RMISS, 1, 1.0, v, s, 0, 0, 0, 1,
               istat);
  EXPECT_EQ(istat, 0) << "absent limits are never violated";
}

TEST(XPTUNI, OnlyCelsiusRankineAndFahrenheitOfTheTemperatureClassConvert) {
  correlation_testing::startRun();
  struct Case {
    std::int32_t cls, code;
    double a, b, c, d;
  };
  for (const Case& k :
       {Case{1, 10, 1, 0, 1, 0}, Case{1, 11, 1, 273.15, 1, -273.15},
        Case{1, 12, 5.0 / 9.0, 0, 1.8, 0}, Case{1, 13, 5.0 / 9.0, 459.67 * 5 / 9, 1.8, -459.67},
        Case{2, 13, 1, 0, 1, 0}, Case{1, 99, 1, 0, 1, 0}}) {
    SCOPED_TRACE(k.code);
    double a = 0, b = 0, c = 0, d = 0;
    pure::XPTUNI(k.cls, k.code, a, b, c, d);
    EXPECT_DOUBLE_EQ(a, k.a);
    EXPECT_DOUBLE_EQ(b, k.b);
    EXPECT_DOUBLE_EQ(c, k.c);
    EXPECT_DOUBLE_EQ(d, k.d);
    EXPECT_NEAR(c * (a * 77.0 + b) + d, 77.0, 1e-12) << "the two directions are inverse";
  }
  // Before the unit codes are loaded every unit is kelvin, a zero code included.
  services::UOMCOD = {};
  double a = 0, b = 0, c = 0, d = 0;
  pure::XPTUNI(1, 0, a, b, c, d);
  EXPECT_EQ(a, 1.0);
  EXPECT_EQ(b, 0.0);
}

TEST_F(Correlations, CacheEvaluatesOncePerTemperatureAndMethodSet) {
  services::GDPOPT.words(100 + services::kTimingSwitch) = 1;
  correlation_testing::installComponents({{}, {}});
  correlation_testing::installSet(110, 1, {constant(1, {0, 2, 0.5}), constant(2, {0, 3})});
  const auto evaluations = [] { return services::TIMST2.calls(pure::kTimingSlotXPCALC); };
  const auto& cache = pure::XPCWRD;

  pure::XPCACH(1, 300.0, 100.0);
  pure::XPCACH(1, 300.0, 100.0);
  pure::XPCACH(0, 300.0, 100.0);
  EXPECT_EQ(evaluations(), 1);
  EXPECT_DOUBLE_EQ(cache.values[0], 2 * 300 + 0.5 * 300 * 300);
  EXPECT_DOUBLE_EQ(cache.derivatives[0], 2 + 300);

  pure::XPCACH(0, 310.0, 100.0);  // values only at a new temperature
  EXPECT_EQ(evaluations(), 2);
  pure::XPCACH(0, 300.0, 100.0);
  EXPECT_EQ(evaluations(), 3);
  pure::XPCACH(1, 300.0, 100.0);  // its derivatives were cleared by the values-only calls
  EXPECT_EQ(evaluations(), 4);
  EXPECT_DOUBLE_EQ(cache.derivatives[0], 302.0);
  EXPECT_DOUBLE_EQ(cache.derivatives[1], 3.0);

  problem::THCTL.currentSet = 2;  // another method set
  pure::XPCACH(0, 300.0, 100.0);
  EXPECT_EQ(evaluations(), 5);
  EXPECT_EQ(services::TIMST2.calls(pure::kTimingSlotXPCACH), 7);
  EXPECT_EQ(services::TIMST2.calls(pure::kTimingSlotXPCACHInner), 5);

  // The open's flash work arrays receive each evaluation.
  pure::XPCWRD.valueArray = storage::ICMGTR(2, 1);
  pure::XPCACH(0, 320.0, 100.0);
  EXPECT_DOUBLE_EQ(storage::CORSTO.real(pure::XPCWRD.valueArray + 2), 3 * 320.0);
}

TEST_F(Correlations, DamagedSetBlocksAreRejected) {
  std::int32_t length = 0;
  const std::int32_t p =
      correlation_testing::buildSet({constant(1, {1}), constant(2, {2})}, length);
  const std::int32_t header = storage::SBCUR.pointer(storage::SectorKind::Integer, 1);
  storage::CORSTO[header + pure::xpshdr::kRecordCount] = 3;
  EXPECT_NE(stopLine([] { pure::publishCurrentSet(110, 1); }).find("CORRELATION SET BLOCK INVALID"),
            std::string::npos);

  storage::SBSETC(length, p);
  storage::CORSTO[header + pure::xpshdr::kRecordCount] = 2;
  const std::int32_t record = storage::SBCUR.pointer(storage::SectorKind::Integer, 3);
  storage::CORSTO[record + pure::xpcrec::kCountWord] = 21;  // more coefficients than 20
  pure::publishCurrentSet(110, 1);
  EXPECT_NE(stopLine([&] { evaluate(110, 2, 0, 300.0); }).find("CORRELATION SET BLOCK INVALID"),
            std::string::npos);
}

TEST_F(Correlations, DumpShowsTheCallAndTheLastRecord) {
  testing_support::TempDir dir;
  const std::string report = dir.file("dump.txt").string();
  ASSERT_EQ(platform::openSequential(31, report, platform::FileStatus::Unknown,
                                     platform::FileAccess::Write),
            platform::IoResult::Ok);
  services::IOUNIT.report = 31;
  services::GDPOPT.words(117) = 2;
  correlation_testing::installSet(110, 1, {constant(1, {1.5, 2, 3, 4, 5, 6})});
  evaluate(110, 1, 0, 300.0);
  platform::closeUnit(31, true);
  const std::string text = testing_support::readFile(report);
  EXPECT_NE(text.find("\n     (DUMP FROM XPCALC)\n IXPTYP .................        110\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("   NOCOEF ...............          6\n"), std::string::npos);
  EXPECT_NE(text.find("   COEFFICIENTS .........    1.500000E+00\n"
                      "              2.000000E+00   3.000000E+00   4.000000E+00   5.000000E+00\n"
                      "              6.000000E+00\n"),
            std::string::npos)
      << text;
}

// A set read from a problem database: two blocks under one key (the later wins) beside a
// block of another type.
TEST_F(Correlations, SetsAreReadFromDiskByTheirLastKey) {
  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  storage::FIINIT();
  fixtures::FileGroupPlan plan;
  plan.group = 21;
  plan.baseName = dir.file("db.zn").string();
  fixtures::createFileGroup(plan);
  std::int32_t sequence = 0;
  services::FixedText<12> file;
  services::FixedText<12> level;
  services::FixedText<100> description;
  std::int32_t masterLength = 0;
  std::int32_t masterAddress = 0;
  storage::FIATCH(21, sequence, 1, 20, -1, plan.baseName, "DB", file, level, description,
                  masterLength, masterAddress);

  const auto write = [](const std::vector<Record>& records, std::int32_t& length) {
    const std::int32_t p = correlation_testing::buildSet(records, length);
    std::int32_t address = services::NODISK;
    storage::SBWWRT(p, length, address);
    return address;
  };
  auto& list = problem::XPSETL;
  list.count = 3;
  list.keys(1) = 110 * 1000000 + 1;
  list.addresses(1) = write({constant(1, {111})}, list.lengths(1));
  list.keys(2) = 1001 * 1000000 + 1;
  list.addresses(2) = write({constant(1, {222})}, list.lengths(2));
  list.keys(3) = 110 * 1000000 + 1;
  list.addresses(3) = write({constant(1, {333}), constant(2, {444})}, list.lengths(3));
  storage::CMINIT(0, 0, 0);  // nothing of the blocks stays in core
  pure::resetCorrelationState();

  std::int32_t found = 0;
  pure::XPSETF(110, 1, 10, found);
  EXPECT_EQ(found, 3);
  evaluate(110, 2, 0, 300.0);
  EXPECT_EQ(values, (std::vector<double>{333, 444}));
  evaluate(1001, 1, 0, 300.0);
  EXPECT_EQ(values[0], 222.0);
  pure::XPSETF(1001, 2, 10, found);
  EXPECT_EQ(found, 0);
  evaluate(1001, 1, 0, 300.0);
  EXPECT_EQ(values[0], 222.0) << "a missing set leaves the current one in place";
  storage::FIDTCH(sequence, 3);
  storage::FIINIT();
}

}  // namespace
