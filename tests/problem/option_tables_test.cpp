// The option tables GCL to GTO and table GLOBAL: readers into the images, writers from the
// table copies, and the transfers between them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "services/services.hpp"
#include "table_test_support.hpp"

namespace {

using services::DMISS;
using services::IMISS;
using table_tests::TableDatabase;

class OptionTables : public TableDatabase {
 protected:
  void SetUp() override {
    TableDatabase::SetUp();
    writeTables();
  }

  static void clearImages() {
    problem::GCLTAB = {};
    problem::GDBTAB = {};
    services::GDPOPT = {};
    problem::GPRTAB = {};
    services::GSCTAB = {};
    problem::GTITAB = {};
    problem::GTOTAB = {};
    problem::DBSESS.global.fill(0);
  }
};

TEST_F(OptionTables, ReadersFillTheImagesFromTheDatabase) {
  clearImages();
  // The problem initialisation turns the switches off before the open.
  services::GDPOPT.words(services::kDiagnosticSwitchBase + services::kTimingSwitch) = 0;
  readOptionTables();

  EXPECT_EQ(services::GDPOPT.diagnosticSwitch(services::kTimingSwitch), 5);
  EXPECT_TRUE(std::equal(description.gdp.begin(), description.gdp.end(),
                         services::GDPOPT.words.values.begin()))
      << "all 200 words, the first hundred too";
  EXPECT_TRUE(std::equal(description.gclIntegers.begin(), description.gclIntegers.end(),
                         problem::GCLTAB.integers.values.begin()));
  EXPECT_EQ(problem::GCLTAB.reals(1), 310.9);
  EXPECT_EQ(problem::GCLTAB.reals(2), 2.5);

  // The title lies in the part of the text the title readers use.
  EXPECT_EQ(problem::GTITAB.titleFields().substr(0, description.title.size()), description.title);
  EXPECT_TRUE(services::isBlank(problem::GTITAB.text.view().substr(0, 732)));

  // The basis is not set: the rate classes convert with the factor 1.
  EXPECT_LT(services::GSCTAB.basisValue(), services::RMISS);
  EXPECT_EQ(services::GSCTAB.basisFactor(), 1.0);
  double spc = 7.0;
  services::ConversionKind kind = services::ConversionKind::Same;
  services::UOMSPC(25, spc, kind);
  EXPECT_EQ(spc, 1.0);
  EXPECT_EQ(kind, services::ConversionKind::Same);
}

TEST_F(OptionTables, ImageChangesDoNotReachTheDatabaseButGlobalDoes) {
  readOptionTables();
  problem::GCLTAB.integers(22) = 1;
  services::GDPOPT.words(services::kDiagnosticSwitchBase + services::kTimingSwitch) = 0;
  services::GSCTAB.reals(3) = 1.0;
  problem::GTITAB.text.assign("CHANGED");
  problem::GTOTAB.reals(14) = 0.5;
  problem::DBSESS.global[6] = 42;  // GLOBAL is written straight from its image
  writeOptionTables();

  startRun();
  clearImages();
  readOptionTables();
  EXPECT_EQ(problem::GCLTAB.integers(22), description.gclIntegers[21]);
  EXPECT_EQ(services::GDPOPT.diagnosticSwitch(services::kTimingSwitch), 5);
  EXPECT_EQ(services::GSCTAB.reals(3), DMISS);
  EXPECT_EQ(problem::GTITAB.titleFields().substr(0, description.title.size()), description.title);
  EXPECT_EQ(problem::GTOTAB.reals(14), 0.0);
  EXPECT_EQ(problem::DBSESS.global[6], 42);
}

// The image of one option table, its transfer routine and the size of the first half that
// the null fill covers.
struct ImageCase {
  const char* table;
  void (*transfer)(std::int32_t);
  std::span<std::int32_t> integers;
  std::span<double> reals;
  std::span<char> text;
  std::size_t nullIntegers;
  std::size_t nullReals;
};

std::vector<ImageCase> imageCases() {
  using namespace problem;
  return {
      {"GCL", DBTGCL, GCLTAB.integers.span(), GCLTAB.reals.span(), {}, 15, 1},
      {"GDB", DBTGDB, GDBTAB.integers.span(), {}, {}, 10, 0},
      {"GDP", DBTGDP, services::GDPOPT.words.span(), {}, {}, 100, 0},
      {"GPR", DBTGPR, GPRTAB.integers.span(), GPRTAB.reals.span(), GPRTAB.text, 40, 3},
      {"GSC", DBTGSC, services::GSCTAB.integers.span(), services::GSCTAB.reals.span(),
       services::GSCTAB.text, 4, 2},
      {"GTI", DBTGTI, GTITAB.integers.span(), {}, GTITAB.text, 1, 0},
      {"GTO", DBTGTO, {}, GTOTAB.reals.span(), {}, 0, 13},
  };
}

void fillImage(const ImageCase& c) {
  std::fill(c.integers.begin(), c.integers.end(), 7);
  std::fill(c.reals.begin(), c.reals.end(), 7.0);
  std::fill(c.text.begin(), c.text.end(), 'X');
}

TEST_F(OptionTables, NullFillCoversTheFirstHalfOfEachImage) {
  for (const ImageCase& c : imageCases()) {
    SCOPED_TRACE(c.table);
    fillImage(c);
    c.transfer(0);
    for (std::size_t k = 0; k < c.integers.size(); ++k) {
      EXPECT_EQ(c.integers[k], k < c.nullIntegers ? IMISS : 7) << "integer " << k + 1;
    }
    for (std::size_t k = 0; k < c.reals.size(); ++k) {
      EXPECT_EQ(c.reals[k], k < c.nullReals ? DMISS : 7.0) << "real " << k + 1;
    }
    EXPECT_TRUE(services::isBlank(services::viewOf(c.text)));
  }
}

TEST_F(OptionTables, ModeOneCopiesTheImageBackAndOtherModesDoNothing) {
  readOptionTables();
  for (const ImageCase& c : imageCases()) {
    SCOPED_TRACE(c.table);
    const std::vector<std::int32_t> integers(c.integers.begin(), c.integers.end());
    const std::vector<double> reals(c.reals.begin(), c.reals.end());
    const std::string text(c.text.begin(), c.text.end());

    // Mode 3 and a negative mode touch neither the image nor the table copy.
    fillImage(c);
    c.transfer(3);
    c.transfer(-1);
    EXPECT_TRUE(std::all_of(c.integers.begin(), c.integers.end(), [](auto v) { return v == 7; }));
    EXPECT_TRUE(std::all_of(c.reals.begin(), c.reals.end(), [](auto v) { return v == 7.0; }));
    c.transfer(2);
    EXPECT_TRUE(std::equal(integers.begin(), integers.end(), c.integers.begin()));
    EXPECT_TRUE(std::equal(reals.begin(), reals.end(), c.reals.begin()));
    EXPECT_EQ(std::string(c.text.begin(), c.text.end()), text);

    // Mode 1 takes the image into the table copy, which mode 2 then gives back.
    fillImage(c);
    c.transfer(1);
    std::fill(c.integers.begin(), c.integers.end(), 0);
    std::fill(c.reals.begin(), c.reals.end(), 0.0);
    std::fill(c.text.begin(), c.text.end(), ' ');
    c.transfer(2);
    EXPECT_TRUE(std::all_of(c.integers.begin(), c.integers.end(), [](auto v) { return v == 7; }));
    EXPECT_TRUE(std::all_of(c.reals.begin(), c.reals.end(), [](auto v) { return v == 7.0; }));
    EXPECT_TRUE(std::all_of(c.text.begin(), c.text.end(), [](char ch) { return ch == 'X'; }));
  }
}

}  // namespace
