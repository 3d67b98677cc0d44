// The unit lookup and the reader of class "UNIT" over every unit type of the units problem.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "access_test_support.hpp"
#include "api/access/unit_access.hpp"
#include "problem/problem.hpp"

namespace {

using access_tests::integerRequest;
using access_tests::textRequest;
using access_tests::UnitsProblem;
using Strings = std::vector<std::string>;

const Strings kActiveUnits{"FLASH-1", "VALVE-1", "COLUMN-1", "STRIPPER-1", "HCURVE-1",
                           "EXCH-1",  "MIXER-1", "CTROPT-1", "FLASH-2"};

TEST_F(UnitsProblem, IdentifiersAreTheActiveUnitsInIndexOrder) {
  const auto ids = textRequest("UNIT", "IDS", "");
  EXPECT_EQ(ids.ierr, 0);
  EXPECT_EQ(ids.elen, 12);
  EXPECT_EQ(ids.values, kActiveUnits);
  EXPECT_EQ(ids.out, "");
}

// What each unit type answers, in one table.
struct UnitRow {
  std::string id;
  std::string type;
  std::string cls;
  std::string name;
  std::int32_t sides;
  Strings feeds;
  Strings products;
};

TEST_F(UnitsProblem, EachUnitTypeAnswersItsTypeClassNameSidesFeedsAndProducts) {
  const std::vector<UnitRow> rows{
      {"FLASH-1", "FLASH", "Flash", "INLET FLASH DRUM", 1, {"FEED"}, {"VAP", "LIQ"}},
      {"VALVE-1", "VALVE", "Valve", "LETDOWN VALVE", 1, {"LIQ"}, {"VAP"}},
      // Algorithm code 6: a liquid-liquid extractor.
      {"COLUMN-1", "COLUMN", "Llex", "STABILISER", 0, {"FEED"}, {"VAP", "LIQ"}},
      {"STRIPPER-1", "SIDESTRIPPER", "Side", "SIDE STRIPPER", 0, {"LIQ"}, {"VAP"}},
      // An exchanger of one feed, two sides and one product without a utility: one side.
      {"EXCH-1", "HX", "Hx", "FEED COOLER", 1, {"FEED"}, {"LIQ"}},
  };
  for (const UnitRow& row : rows) {
    SCOPED_TRACE(row.id);
    const auto type = textRequest("UNIT", "TYPE", row.id);
    EXPECT_EQ(type.values, Strings{row.type});
    EXPECT_EQ(type.elen, 16);
    EXPECT_EQ(type.ierr, 0);
    EXPECT_EQ(textRequest("UNIT", "CLASS", row.id).values, Strings{row.cls});
    const auto name = textRequest("UNIT", "NAME", row.id, 40);
    EXPECT_EQ(name.values, Strings{row.name});
    EXPECT_EQ(name.elen, 40);
    const auto sides = integerRequest("UNIT", "NumberSides", row.id);
    EXPECT_EQ(sides.values, std::vector<std::int32_t>{row.sides});
    const auto feeds = textRequest("UNIT", "FeedData", row.id, 12);
    EXPECT_EQ(feeds.values, row.feeds);
    EXPECT_EQ(feeds.ierr, 0);
    EXPECT_EQ(integerRequest("UNIT", "NumberFeeds", row.id).values,
              std::vector<std::int32_t>{static_cast<std::int32_t>(row.feeds.size())});
    const auto products = textRequest("UNIT", "ProdData", row.id, 12);
    EXPECT_EQ(products.values, row.products);
    EXPECT_EQ(products.elen, 12);
    EXPECT_EQ(integerRequest("UNIT", "NumberProducts", row.id).values,
              std::vector<std::int32_t>{static_cast<std::int32_t>(row.products.size())});
  }
}

TEST_F(UnitsProblem, NamesThatDoNotApplyRefuseTheRequest) {
  // A controller-optimiser has a type name but no class name.
  const auto cls = textRequest("UNIT", "CLASS", "CTROPT-1");
  EXPECT_EQ(cls.values, Strings{"N/A"});
  EXPECT_EQ(cls.ierr, 1);
  EXPECT_EQ(textRequest("UNIT", "TYPE", "CTROPT-1").values, Strings{"CTROPT"});
  // An inactive unit, and an identifier of none, are not found: N/A without a line.
  for (const std::string id : {"OLD-FLASH", "NOWHERE"}) {
    SCOPED_TRACE(id);
    for (const std::string attr : {"TYPE", "CLASS"}) {
      const auto r = textRequest("UNIT", attr, id);
      EXPECT_EQ(r.values, Strings{"N/A"});
      EXPECT_EQ(r.ierr, 1);
      EXPECT_EQ(r.out, "");
    }
    const auto name = textRequest("UNIT", "NAME", id, 40);
    EXPECT_EQ(name.ierr, 1);
    EXPECT_EQ(name.out, "");
    const auto feeds = textRequest("UNIT", "FeedData", id, 12);
    EXPECT_EQ(feeds.ierr, 1);
    EXPECT_EQ(feeds.out, " INVALID UNIT ID: " + id + "\n");
  }
}

TEST_F(UnitsProblem, FeedsAndProductsRefuseWhatTheyCannotAnswer) {
  // A heating curve has neither: refused without a line.
  for (const std::string attr : {"FeedData", "ProdData", "NumberFeeds", "NumberSides"}) {
    SCOPED_TRACE(attr);
    const auto r = textRequest("UNIT", attr, "HCURVE-1", 12);
    EXPECT_EQ(r.ierr, 1);
    EXPECT_EQ(r.out, "");
  }
  // A feed stream that no stream table holds: one blank element.
  const auto feeds = textRequest("UNIT", "FeedData", "MIXER-1", 12);
  EXPECT_EQ(feeds.ierr, 1);
  EXPECT_EQ(feeds.count, 1);
  EXPECT_EQ(feeds.values, Strings{""});
  // The products of the same unit are still found.
  EXPECT_EQ(textRequest("UNIT", "ProdData", "MIXER-1", 12).values, Strings{"LIQ"});
  // An attribute the reader does not know: the reader had preset the real type, so the
  // integer request also warns of the type.
  const auto unknown = integerRequest("UNIT", "NumberOfWheels", "FLASH-1");
  EXPECT_EQ(unknown.ierr, 1);
  EXPECT_EQ(unknown.values, std::vector<std::int32_t>{});
  EXPECT_EQ(unknown.out,
            " ATTRIBUTE NOT SUPPORTED: NumberOfWheels       FOR UNIT\n"
            " WARNING: UNIT         NumberOfWheels       NOT INTEGER TYPE\n");
}

TEST_F(UnitsProblem, SolutionFlagsLineUpWithTheIdentifiers) {
  // The inactive unit between VALVE-1 and COLUMN-1 takes no place: COLUMN-1, the one unit
  // not solved, is third.
  const auto flags = integerRequest("UNIT", "UnitSolutionFlags", "");
  EXPECT_EQ(flags.ierr, 0);
  EXPECT_EQ(flags.values, std::vector<std::int32_t>({1, 1, 0, 1, 1, 1, 1, 1, 1}));
}

TEST_F(UnitsProblem, RepeatedRequestsReleaseTheirUnits) {
  // Each request locks its unit and releases it; a lock left behind would use up the unit
  // slots long before 2000 requests.
  for (int k = 0; k < 2000; ++k) {
    const auto r = access_tests::realRequest("Flash", "TempCalc", "FLASH-1");
    const auto f = textRequest("UNIT", "FeedData", "VALVE-1", 12);
    ASSERT_EQ(r.ierr, 0) << "request " << k;
    ASSERT_EQ(f.ierr, 0) << "request " << k;
  }
}

// The places of a loaded block: header-word sectors of reals and integers, system sector
// elements and the counts; a place beyond the words loaded reads as missing.
TEST_F(UnitsProblem, LoadedUnitsAnswerThePlacesOfTheirBlocks) {
  const auto load = [](const std::string& id) {
    const std::int32_t n = api_access::PAUNID(id);
    EXPECT_GT(n, 0) << id;
    std::int32_t itype = -1;
    api_access::PAULOD(n, api_access::kLoadData, itype);
    EXPECT_EQ(itype, id == "COLUMN-1" ? 0 : 1) << "word 1 of the unit record";
    return n;
  };
  std::int32_t n = load("FLASH-1");
  EXPECT_EQ(api_access::headerReal(109, 4), 310.0);
  EXPECT_EQ(api_access::headerReal(109, 12), -1500.0);
  EXPECT_EQ(api_access::headerReal(109, 1000000), services::RMISS);
  EXPECT_EQ(api_access::headerReal(2000000000, 1), services::RMISS);
  EXPECT_EQ(api_access::systemElement(23, 6), 1);
  EXPECT_EQ(api_access::systemElement(23, 7), services::IMISS);
  EXPECT_EQ(api_access::UNITWK.products, 2);
  EXPECT_EQ(api_access::productStream(2), 3);
  EXPECT_EQ(api_access::productStream(3), 0);
  problem::UNFREE(n, 0);

  n = load("COLUMN-1");
  EXPECT_EQ(api_access::headerInteger(491, 41), 6) << "the stored algorithm code";
  EXPECT_EQ(api_access::headerInteger(491, 1000000), services::IMISS);
  problem::UNFREE(n, 0);
  EXPECT_EQ(api_access::PAUNID("OLD-FLASH"), 0);
  EXPECT_EQ(api_access::PAUNID("flash-1"), 0);
  EXPECT_EQ(api_access::PAUNID("FLASH-1     "), 1);
}

TEST(UnitFields, PAUDIGTakesEachFieldOfAnEntry) {
  const std::vector<std::int32_t> rec{0, 0, 0, 0, 312345678, 42, 7654321, -9};
  const std::vector<std::pair<std::int32_t, std::int32_t>> cases{
      {1, 3}, {2, 1234}, {3, 5678}, {4, 42}, {5, 7},  {6, 6},
      {7, 5}, {8, 4},    {9, 3},    {10, 1}, {11, -9}};
  for (const auto& [isel, expected] : cases) {
    std::int32_t ierr = -1;
    EXPECT_EQ(api_access::PAUDIG(isel, 2, rec, 2, ierr), expected) << isel;
    EXPECT_EQ(ierr, 0);
  }
  std::int32_t ierr = 0;
  EXPECT_EQ(api_access::PAUDIG(12, 2, rec, 2, ierr), 0);
  EXPECT_EQ(ierr, 1);
  EXPECT_EQ(api_access::PAUDIG(1, 3, rec, 2, ierr), 0) << "an entry beyond the record";
  EXPECT_EQ(ierr, 1);
}

TEST_F(UnitsProblem, PASTNOPacksTheFirstFourCharactersInMemoryOrder) {
  const std::int32_t word = api_access::PASTNO(1);  // FEED
  const auto bytes = reinterpret_cast<const unsigned char*>(&word);
  EXPECT_EQ(std::string(bytes, bytes + 4), "FEED");
  EXPECT_EQ(api_access::PAIMAP(), 0) << "no unit variable was decoded";
}

}  // namespace
