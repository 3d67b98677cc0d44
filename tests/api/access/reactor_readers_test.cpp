// The six reactor readers on a problem whose reactors share one feed-side and one
// product-side stream: the per-component balance in the host's component order, the stored
// results and lists, the plug-flow profiles, and what a damaged block or a lost stream gives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "access_test_support.hpp"
#include "api/access/data_requests.hpp"
#include "fixtures/problem_builder.hpp"
#include "fixtures/reactor_units.hpp"
#include "problem/problem.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"
#include "support/allocation_counter.hpp"

namespace {

using access_tests::integerRequest;
using access_tests::realRequest;
using access_tests::textRequest;

constexpr std::int32_t kFeed = 1;
constexpr std::int32_t kProd = 2;
// Pound, NIST Special Publication 811 (2008), Appendix B: 1 lb-mol = 0.45359237 kmol.
constexpr double kPound = 0.45359237;
double fahrenheit(double kelvin) { return 1.8 * kelvin - 459.67; }

fixtures::ProblemDescription reactorsProblem() { return fixtures::reactorsProblem("reactors"); }

using ReactorsProblem = access_tests::OpenedProblem<&reactorsProblem>;

void expectReals(const access_tests::Reals& r, const std::vector<double>& expected,
                 double tolerance = 1e-5) {
  ASSERT_EQ(r.values.size(), expected.size());
  for (std::size_t k = 0; k < expected.size(); ++k) {
    EXPECT_NEAR(r.values[k], expected[k], tolerance * std::max(1.0, std::abs(expected[k]))) << k;
  }
}

struct Unit {
  const char* cls;
  const char* id;
};
constexpr Unit kEveryReactor[] = {{"Reactor", "REACTOR-1"},    {"ConReactor", "CONREAC-1"},
                                  {"EquReactor", "EQUREAC-1"}, {"Cstr", "CSTR-1"},
                                  {"Plug", "PLUG-1"},          {"Gibbs", "GIBBS-1"}};

TEST_F(ReactorsProblem, BalanceInTheHostOrderForEveryReactorType) {
  // Host order METHANE, ETHANE, PROPANE, WATER. In: 50, 10, 40 and none (missing fraction);
  // out: 40, 20, 0, 20. Methane loses a fifth, propane all; ethane and water are formed.
  const std::vector<double> feed{50.0, 10.0, 40.0, 0.0};
  const std::vector<double> prod{40.0, 20.0, 0.0, 20.0};
  const std::vector<double> change{-10.0, 10.0, -40.0, 20.0};
  const std::vector<double> fraction{0.2, 0.0, 1.0, 0.0};
  for (const Unit& u : kEveryReactor) {
    SCOPED_TRACE(u.id);
    const struct {
      const char* attr;
      const std::vector<double>& values;
      std::int32_t iucls;
    } rows[] = {{"FeedMoles", feed, 31},
                {"ProdMoles", prod, 31},
                {"ChangeMoles", change, 31},
                {"FractionConv", fraction, 0}};
    for (const auto& row : rows) {
      SCOPED_TRACE(row.attr);
      const auto r = realRequest(u.cls, row.attr, u.id);
      EXPECT_EQ(r.ierr, 0);
      EXPECT_EQ(r.iucls, row.iucls);
      expectReals(r, row.values);
    }
  }
  // Molar flows in unit set 5 (lb-mol/h), the sign kept.
  std::vector<double> inPounds;
  for (const double c : change) inPounds.push_back(c / kPound);
  expectReals(realRequest("Plug", "ChangeMoles", "PLUG-1", 5), inPounds);
}

TEST_F(ReactorsProblem, StoredIntegersAndResults) {
  struct IntegerRow {
    const char *cls, *attr, *id;
    std::int32_t value;
  };
  const IntegerRow integerRows[] = {
      {"Reactor", "NumberOfReactions", "REACTOR-1", 2},
      {"Reactor", "ReactorTypeFlag", "REACTOR-1", 7},
      {"Reactor", "CalcTypeFlag", "REACTOR-1", 3},
      {"Reactor", "ReacModeFlag", "REACTOR-1", 2},
      {"Reactor", "ReactorPhase", "REACTOR-1", 1},
      {"ConReactor", "NumberOfReactions", "CONREAC-1", 1},
      {"ConReactor", "ReactorTypeFlag", "CONREAC-1", 5},
      {"ConReactor", "CalcTypeFlag", "CONREAC-1", 1},  // whatever is stored
      {"ConReactor", "ReacModeFlag", "CONREAC-1", 3},
      {"ConReactor", "ReactorPhase", "CONREAC-1", 2},
      {"EquReactor", "NumberOfReactions", "EQUREAC-1", 1},
      {"EquReactor", "ReactorTypeFlag", "EQUREAC-1", 3},
      {"EquReactor", "CalcTypeFlag", "EQUREAC-1", 2},
      {"EquReactor", "ReacModeFlag", "EQUREAC-1", 4},
      {"EquReactor", "ReactorPhase", "EQUREAC-1", 1},
      {"Cstr", "NumberOfReactions", "CSTR-1", 2},
      {"Cstr", "ReactorTypeFlag", "CSTR-1", 5},
      {"Cstr", "ReactorPhase", "CSTR-1", 1},
      {"Plug", "NumberOfReactions", "PLUG-1", 2},
      {"Plug", "ReactorTypeFlag", "PLUG-1", 1},
      {"Plug", "ReactorPhase", "PLUG-1", 2},
      {"Plug", "AnnulFluidFlag", "PLUG-1", 1},
      {"Plug", "NumberProfPoints", "PLUG-1", 3},
      {"Gibbs", "ReactorTypeFlag", "GIBBS-1", 4},
      {"Gibbs", "ReactorPhase", "GIBBS-1", 2},
  };
  for (const IntegerRow& row : integerRows) {
    SCOPED_TRACE(std::string(row.id) + " " + row.attr);
    const auto r = integerRequest(row.cls, row.attr, row.id);
    EXPECT_EQ(r.ierr, 0);
    EXPECT_EQ(r.values, std::vector<std::int32_t>{row.value});
  }

  struct RealRow {
    const char *cls, *attr, *id;
    std::int32_t iucls;
    std::vector<double> values;  // unit set 1
  };
  const std::vector<RealRow> realRows{
      {"Reactor", "InletTemperature", "REACTOR-1", 1, {450.0}},
      {"Reactor", "InletPressure", "REACTOR-1", 4, {2100.0}},
      {"Reactor", "OutletTemperature", "REACTOR-1", 1, {500.0}},
      {"Reactor", "OutletPressure", "REACTOR-1", 4, {2000.0}},
      {"Reactor", "TotalDuty", "REACTOR-1", 26, {12000.0}},
      {"Reactor", "TotalHeatOfReaction", "REACTOR-1", 26, {-5000.0}},
      {"Reactor", "ConversionBaseComp", "REACTOR-1", 0, {0.9, 0.3}},
      {"ConReactor", "InletTemperature", "CONREAC-1", 1, {440.0}},
      {"ConReactor", "InletPressure", "CONREAC-1", 4, {2050.0}},
      {"ConReactor", "OutletTemperature", "CONREAC-1", 1, {510.0}},
      {"ConReactor", "OutletPressure", "CONREAC-1", 4, {1990.0}},
      {"ConReactor", "TotalDuty", "CONREAC-1", 26, {3300.0}},
      {"ConReactor", "TotalHeatOfReaction", "CONREAC-1", 26, {-700.0}},
      {"ConReactor", "ConversionBaseComp", "CONREAC-1", 0, {0.5}},
      {"EquReactor", "InletTemperature", "EQUREAC-1", 1, {430.0}},
      {"EquReactor", "InletPressure", "EQUREAC-1", 4, {2000.0}},
      {"EquReactor", "OutletTemperature", "EQUREAC-1", 1, {520.0}},
      {"EquReactor", "OutletPressure", "EQUREAC-1", 4, {1950.0}},
      {"EquReactor", "TotalDuty", "EQUREAC-1", 26, {800.0}},
      {"EquReactor", "TotalHeatOfReaction", "EQUREAC-1", 26, {-900.0}},
      {"EquReactor", "ConversionBaseComp", "EQUREAC-1", 0, {0.25}},
      {"Cstr", "InletTemperature", "CSTR-1", 1, {550.0}},
      {"Cstr", "InletPressure", "CSTR-1", 4, {1900.0}},
      {"Cstr", "ReactorTemperature", "CSTR-1", 1, {600.0}},
      {"Cstr", "ReactorPressure", "CSTR-1", 4, {1800.0}},
      {"Cstr", "TotalDuty", "CSTR-1", 26, {-300.0}},
      {"Cstr", "TotalHeatOfReaction", "CSTR-1", 26, {-50.0}},
      {"Cstr", "ReactorVolumeCalc", "CSTR-1", 16, {10.0}},
      {"Cstr", "ReactorSpaceTime", "CSTR-1", 8, {10.0 / 4.0}},
      {"Cstr", "ReactorSpaceVelocity", "CSTR-1", -2, {4.0 / 10.0}},
      {"Cstr", "ConversionBaseComp", "CSTR-1", 0, {0.4, 0.6}},
      {"Plug", "TotalDuty", "PLUG-1", 26, {900.0}},
      {"Plug", "TotalHeatOfReaction", "PLUG-1", 26, {-1200.0}},
      {"Plug", "NumberOfTubes", "PLUG-1", 0, {12.0}},
      {"Plug", "TubeDiameter", "PLUG-1", 10, {0.05}},
      {"Plug", "TubeLength", "PLUG-1", 9, {6.0}},
      {"Plug", "TotalVolume", "PLUG-1", 16, {0.14}},
      {"Plug", "HeatTransCoeff", "PLUG-1", 36, {0.3}},
      {"Plug", "ResidenceTime", "PLUG-1", 0, {0.02}},
      {"Plug", "VelocityMaximum", "PLUG-1", 9, {7.5}},
      {"Plug", "MaxVelocityDist", "PLUG-1", 9, {2.5}},
      {"Plug", "InletTemperature", "PLUG-1", 1, {600.0}},
      {"Plug", "InletPressure", "PLUG-1", 4, {3000.0}},
      {"Plug", "OutletTemperature", "PLUG-1", 1, {640.0}},
      {"Plug", "OutletPressure", "PLUG-1", 4, {2900.0}},
      {"Plug", "AnnulTempIn", "PLUG-1", 1, {300.0}},
      {"Plug", "AnnulPressIn", "PLUG-1", 4, {500.0}},
      {"Plug", "AnnulTempOut", "PLUG-1", 1, {320.0}},
      {"Plug", "AnnulPressOut", "PLUG-1", 4, {480.0}},
      {"Plug", "ConversionBaseComp", "PLUG-1", 0, {0.7, 0.1}},
      {"Gibbs", "InletTemperature", "GIBBS-1", 1, {420.0}},
      {"Gibbs", "InletPressure", "GIBBS-1", 4, {1600.0}},
      {"Gibbs", "ReactorTemperature", "GIBBS-1", 1, {700.0}},
      {"Gibbs", "ReactorPressure", "GIBBS-1", 4, {1500.0}},
      {"Gibbs", "TotalDuty", "GIBBS-1", 26, {450.0}},
      {"Gibbs", "TotalHeatOfReaction", "GIBBS-1", 26, {-80.0}},
      {"Gibbs", "GibbsMinFreeEnergy", "GIBBS-1", 0, {-123.0}},
  };
  for (const RealRow& row : realRows) {
    SCOPED_TRACE(std::string(row.id) + " " + row.attr);
    const auto r = realRequest(row.cls, row.attr, row.id);
    EXPECT_EQ(r.ierr, 0);
    EXPECT_EQ(r.iucls, row.iucls);
    expectReals(r, row.values);
  }
  // Temperatures in unit set 5 (F).
  expectReals(realRequest("Gibbs", "ReactorTemperature", "GIBBS-1", 5), {fahrenheit(700.0)});
}

TEST_F(ReactorsProblem, BaseComponentsByIdentifier) {
  const auto general = textRequest("Reactor", "BaseComponentID", "REACTOR-1");
  EXPECT_EQ(general.ierr, 0);
  EXPECT_EQ(general.elen, 4);
  EXPECT_EQ(general.values, std::vector<std::string>({"PROPANE", "METHANE"}));
  EXPECT_EQ(textRequest("Reactor", "BaseComponentID", "REACTOR-1", 4).values,
            std::vector<std::string>({"PROP", "METH"}))
      << "cut to the caller's element length";
  // Stored component 9 of a four-component problem: a blank, and the request refused.
  const auto tank = textRequest("Cstr", "BaseComponentID", "CSTR-1");
  EXPECT_EQ(tank.ierr, 1);
  EXPECT_EQ(tank.values, std::vector<std::string>({"METHANE", ""}));
}

TEST_F(ReactorsProblem, PlugFlowProfilesFollowTheStoredPointCount) {
  const struct {
    const char* attr;
    std::int32_t iucls;
    std::vector<double> values;
  } rows[] = {{"ProfileDistance", 9, {0.0, 3.0, 6.0}},
              {"ReacTempProfile", 1, {600.0, 620.0, 640.0}},
              {"ReacPresProfile", 4, {3000.0, 2950.0, 2900.0}},
              {"AnnulTempProfile", 1, {300.0, 310.0, 320.0}},
              {"AnnulPresProfile", 4, {500.0, 490.0, 480.0}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.attr);
    const auto r = realRequest("Plug", row.attr, "PLUG-1");
    EXPECT_EQ(r.ierr, 0);
    EXPECT_EQ(r.iucls, row.iucls);
    expectReals(r, row.values);
    const auto none = realRequest("Plug", row.attr, "PLUG-0");
    EXPECT_EQ(none.ierr, 0);
    EXPECT_EQ(none.count, 0);
  }
  // Counts beyond the stored sectors stop at their ends; a negative count gives none.
  EXPECT_EQ(realRequest("Plug", "AnnulTempProfile", "PLUG-CUT").count, 1);
  EXPECT_EQ(realRequest("Plug", "AnnulPresProfile", "PLUG-CUT").count, 0);
  expectReals(realRequest("Plug", "ConversionBaseComp", "PLUG-CUT"), {0.7, 0.1});
  EXPECT_EQ(textRequest("Plug", "BaseComponentID", "PLUG-CUT").count, 2);
  EXPECT_EQ(realRequest("Plug", "ConversionBaseComp", "PLUG-0").count, 0);
  EXPECT_EQ(integerRequest("Plug", "NumberOfReactions", "PLUG-0").values,
            std::vector<std::int32_t>{-2})
      << "the stored count itself";
}

TEST_F(ReactorsProblem, MissingPlacesGiveZerosAndARefusal) {
  // The tank without variable-table row 11 has no conversion sector; its space time has a
  // zero divisor.
  const auto conversions = integerRequest("Cstr", "NumberOfReactions", "CSTR-2");
  EXPECT_EQ(conversions.values, std::vector<std::int32_t>{2});
  std::int32_t count = 0, iunset = 1, iucls = 0, ierr = 0;
  std::vector<float> rval(4, -7.0f);
  api_access::PADATR("Cstr", "ConversionBaseComp", "CSTR-2", rval, count, iunset, iucls, ierr);
  EXPECT_EQ(ierr, 1);
  for (const char* attr : {"ReactorSpaceTime", "ReactorSpaceVelocity"}) {
    const auto r = realRequest("Cstr", attr, "CSTR-2");
    EXPECT_EQ(r.ierr, 0) << attr;
    expectReals(r, {0.0});
  }
  EXPECT_EQ(realRequest("Cstr", "ReactorSpaceVelocity", "CSTR-2").iucls, -2);
  // The conversion reactor whose variable table has row 1 only.
  expectReals(realRequest("ConReactor", "OutletTemperature", "CONREAC-2"), {510.0});
  EXPECT_EQ(realRequest("ConReactor", "OutletPressure", "CONREAC-2").ierr, 1);
  EXPECT_EQ(realRequest("ConReactor", "TotalDuty", "CONREAC-2").ierr, 1);
}

TEST_F(ReactorsProblem, ALostStreamRefusesOnlyTheBalance) {
  const auto feed = realRequest("Gibbs", "FeedMoles", "GIBBS-LOST");
  EXPECT_EQ(feed.ierr, 1);
  const auto t = realRequest("Gibbs", "ReactorTemperature", "GIBBS-LOST");
  EXPECT_EQ(t.ierr, 0);
  expectReals(t, {700.0});
}

TEST_F(ReactorsProblem, UnsupportedAttributesAndTheStreamsLeftCurrent) {
  const struct {
    const char *cls, *attr, *id, *wording;
  } rows[] = {{"Cstr", "CalcTypeFlag", "CSTR-1", " FOR CSTR"},
              {"Plug", "CalcTypeFlag", "PLUG-1", " FOR PLUG FLOW"},
              {"Gibbs", "NumberOfReactions", "GIBBS-1", " FOR GIBBS REACTOR"},
              {"Reactor", "ReactorTemperature", "REACTOR-1", " FOR REACTOR"},
              {"ConReactor", "Nothing", "CONREAC-1", " FOR CON REACTOR"},
              {"EquReactor", "Nothing", "EQUREAC-1", " FOR EQUIL REACTOR"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.attr);
    const auto r = integerRequest(row.cls, row.attr, row.id);
    EXPECT_EQ(r.ierr, 1);
    EXPECT_EQ(r.count, 0);
    EXPECT_NE(r.out.find(" ATTRIBUTE NOT SUPPORTED: "), std::string::npos);
    EXPECT_NE(r.out.find(row.wording), std::string::npos) << r.out;
    EXPECT_EQ(problem::SRPSET.set2.stream, kFeed);
    EXPECT_EQ(problem::SRPSET.set1.stream, kProd);
  }
  const auto wrong = integerRequest("Gibbs", "ReactorPhase", "CSTR-1");
  EXPECT_EQ(wrong.ierr, 1);
  EXPECT_NE(wrong.out.find(" IS NOT GIBBS REACTOR"), std::string::npos);
  EXPECT_NE(integerRequest("Gibbs", "ReactorPhase", "NO-SUCH").out.find(" INVALID UNIT ID: "),
            std::string::npos);
}

// The words of the core store's free blocks: the lengths over the free tree.
std::int64_t freeWords(std::int32_t b) {
  using namespace storage::block;
  if (b <= 0 || b == storage::kTreeHead) return 0;
  return storage::CORSTO[b + kH2] + freeWords(storage::CORSTO[b + kSmaller]) +
         freeWords(storage::CORSTO[b + kLarger]);
}

TEST_F(ReactorsProblem, RepeatedRequestsKeepTheStoreAndAllocateNothing) {
  std::vector<float> rval(8);
  std::int32_t count = 0, iunset = 1, iucls = 0, ierr = 0;
  const auto round = [&] {
    for (const Unit& u : kEveryReactor) {
      api_access::PADATR(u.cls, "FeedMoles", u.id, rval, count, iunset, iucls, ierr);
    }
    api_access::PADATR("Plug", "ReacTempProfile", "PLUG-1", rval, count, iunset, iucls, ierr);
    api_access::PADATR("Cstr", "ConversionBaseComp", "CSTR-1", rval, count, iunset, iucls, ierr);
  };
  // Three rounds settle the unit and stream slots; then 1,000 requests.
  access_tests::printed([&] {
    for (int k = 0; k < 3; ++k) round();
  });
  const auto free = [] {
    return freeWords(storage::CORSTO[storage::kTreeHead + storage::block::kLarger]);
  };
  const std::int64_t before = free();
  std::size_t allocations = 0;
  access_tests::printed([&] {
    const std::size_t start = testing_support::allocationCount();
    round();
    allocations = testing_support::allocationCount() - start;
    for (int k = 0; k < 125; ++k) round();
  });
  EXPECT_EQ(allocations, 0u);
  EXPECT_EQ(free(), before);
}

}  // namespace
