// The data sets DM1, DM2 and ZN: the unit tables loaded from the support database, the
// problem's part of them over it, and the unit-code labels found through DM1's index.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "services/services.hpp"
#include "table_test_support.hpp"

namespace {

using services::NOCORE;
using services::UOMCOD;
using services::UOMTAB;
using table_tests::TableDatabase;

// Positions in the unit tables' arrays, as the unit table's text lays them out.
std::size_t factorAt(std::int32_t cls, std::int32_t code) {
  return static_cast<std::size_t>(50 * (code - 10) + cls - 1);
}
std::size_t offsetAt(std::int32_t cls, std::int32_t code) {
  return static_cast<std::size_t>((cls == 4 ? 150 : 0) + code - 10);
}
std::size_t defaultAt(std::int32_t cls, std::int32_t row) {
  return static_cast<std::size_t>(600 + 50 * row + cls - 1);
}
std::size_t setLabelAt(std::int32_t cls, std::int32_t row) {
  return static_cast<std::size_t>(20 * (50 * row + cls - 1));
}

class DataSets : public TableDatabase {};

TEST_F(DataSets, Dm1LoadsTheUnitTablesOfItsUnitTable) {
  writeTables();
  problem::DM1GET(kSupportLength, supportMaster, 0);
  const services::UnitTables loaded = UOMTAB;
  const services::UnitCodeWords codes = UOMCOD;
  EXPECT_EQ(loaded.labelClass, 0);
  EXPECT_NE(problem::DBHNDL.dm1.labelIndex, NOCORE);
  EXPECT_TRUE(problem::DBHNDL.dm1.settings.held());

  fixtures::loadUnitTables(description.units);
  EXPECT_EQ(loaded.factors, UOMTAB.factors);
  EXPECT_EQ(loaded.offsets, UOMTAB.offsets);
  EXPECT_EQ(loaded.unitWords, UOMTAB.unitWords);
  EXPECT_EQ(loaded.setLabels, UOMTAB.setLabels);
  EXPECT_EQ(loaded.secondLabelText, UOMTAB.secondLabelText);
  EXPECT_EQ(loaded.settings, UOMTAB.settings);
  EXPECT_EQ(loaded.settingReals, UOMTAB.settingReals);
  EXPECT_EQ(codes.words, UOMCOD.words);
  EXPECT_EQ(loaded.currentSet(), 5) << "the shipped table's current set";
  problem::DM1FRE();
}

TEST_F(DataSets, Dm2OverwritesOnlyTheProblemsPart) {
  // The problem's own unit table differs from the support database's everywhere.
  fixtures::UnitsTable& own = problemDescription.units;
  for (float& f : own.factors) f += 1000.0F;
  for (float& o : own.offsets) o -= 3.0F;
  for (std::size_t k = 600; k < own.unitWords.size(); ++k) own.unitWords[k] = 162;
  std::fill(own.setLabels.begin(), own.setLabels.end(), 'P');
  std::fill(own.secondLabelText.begin(), own.secondLabelText.end(), 'Q');
  own.codeWords.fill(77);
  own.settingReals.fill(9.5F);
  own.settings[services::kPrefixStyleWord + 1] = 2;  // prefix style of set 3
  const fixtures::UnitsTable& support = description.units;
  writeTables();

  problem::DM1GET(kSupportLength, supportMaster, 0);
  problem::DM2GET(kProblemLength, problemMaster, 0);

  for (std::int32_t cls : {1, 4, 31, 50}) {
    SCOPED_TRACE(cls);
    EXPECT_EQ(UOMTAB.factors[factorAt(cls, 160)], own.factors[factorAt(cls, 160)]);
    EXPECT_EQ(UOMTAB.factors[factorAt(cls, 162)], own.factors[factorAt(cls, 162)]);
    EXPECT_EQ(UOMTAB.factors[factorAt(cls, 159)], support.factors[factorAt(cls, 159)]);
    EXPECT_EQ(UOMTAB.factors[factorAt(cls, 10)], support.factors[factorAt(cls, 10)]);
    for (std::int32_t row = 0; row < 8; ++row) {
      const auto& from = row >= 5 ? own : support;
      EXPECT_EQ(UOMTAB.unitWords[defaultAt(cls, row)], from.unitWords[defaultAt(cls, row)])
          << "row " << row;
      EXPECT_EQ(UOMTAB.setLabels.view().substr(setLabelAt(cls, row), 20),
                from.setLabels.substr(setLabelAt(cls, row), 20))
          << "row " << row;
    }
  }
  for (std::int32_t code : {10, 20, 159}) {
    EXPECT_EQ(UOMTAB.offsets[offsetAt(4, code)], own.offsets[offsetAt(4, code)]) << code;
    EXPECT_EQ(UOMTAB.offsets[offsetAt(1, code)], support.offsets[offsetAt(1, code)]) << code;
  }
  const std::string second = UOMTAB.secondLabelText.str();
  EXPECT_EQ(second.substr(0, 4400), support.secondLabelText.substr(0, 4400));
  EXPECT_EQ(second.substr(4400), own.secondLabelText.substr(4400));

  // The problem's settings, its current set among them; the unit-code words stay DM1's.
  EXPECT_EQ(UOMTAB.currentSet(), 3);
  EXPECT_EQ(UOMTAB.prefixStyle(3), 2);
  EXPECT_EQ(UOMTAB.settingReals(1), 9.5F);
  EXPECT_TRUE(
      std::equal(support.codeWords.begin(), support.codeWords.end(), UOMCOD.words.values.begin()));

  problem::DM2FRE();
  problem::DM1FRE();
}

TEST_F(DataSets, Dm2IsWrittenFromTheUnitTablesAtTheClose) {
  writeTables();
  problem::DM1GET(kSupportLength, supportMaster, 0);
  problem::DM2GET(kProblemLength, problemMaster, 0);
  problem::PBDGET(kProblemLength, problemMaster, 0);
  UOMTAB.factors[factorAt(1, 160)] = 42.0F;
  UOMTAB.factors[factorAt(1, 159)] = 43.0F;  // the support database's part
  UOMTAB.currentSet() = 6;
  problem::DM2PUT(kProblemLength, problemMaster);
  problem::PBDPUT(kProblemLength, problemMaster);
  problem::DM1FRE();
  EXPECT_FALSE(problem::DBHNDL.dm2.blocks[0].held());

  startRun();
  UOMTAB = {};
  problem::DM1GET(kSupportLength, supportMaster, 0);
  problem::DM2GET(kProblemLength, problemMaster, 0);
  problem::PBDGET(kProblemLength, problemMaster, 0);
  EXPECT_EQ(UOMTAB.factors[factorAt(1, 160)], 42.0F);
  EXPECT_EQ(UOMTAB.factors[factorAt(1, 159)], description.units.factors[factorAt(1, 159)]);
  EXPECT_EQ(UOMTAB.currentSet(), 6);
  for (std::size_t k = 0; k < problem::DBHNDL.dm2.blocks.size(); ++k) {
    EXPECT_TRUE(problem::DBHNDL.dm2.blocks[k].held()) << "sub-block " << k + 6;
  }
  EXPECT_TRUE(problem::DBHNDL.zn.block.held());
  EXPECT_NE(problem::DBHNDL.zn.index, NOCORE);
  problem::PBDFRE();
  problem::DM2FRE();
  problem::DM1FRE();
}

TEST_F(DataSets, UnitCodeLabelsComeThroughTheLabelIndex) {
  writeTables();
  problem::DM1GET(kSupportLength, supportMaster, 0);
  const fixtures::UnitsTable& units = description.units;
  for (std::int32_t cls : {1, 4, 31, 50}) {
    SCOPED_TRACE(cls);
    problem::UOMLDS(cls);
    EXPECT_EQ(UOMTAB.labelClass, cls);
    EXPECT_EQ(UOMTAB.codeLabels.view(), units.codeLabels[static_cast<std::size_t>(cls - 1)]);
  }
  // A unit label of class 4 as the label formatter shows it stored.
  std::int32_t code = 10;
  while (code < 474 && services::isBlank(units.codeLabel(4, code))) ++code;
  ASSERT_LT(code, 474) << "class 4 has unit labels";
  std::array<char, 20> label{};
  EXPECT_EQ(problem::UOMFMT(label, 4, code, -1), units.codeLabel(4, code));

  // After the release the index is gone: no class's labels can be brought in.
  problem::DM1FRE();
  EXPECT_EQ(problem::DBHNDL.dm1.labelIndex, NOCORE);
  problem::UOMLDS(1);
  EXPECT_EQ(UOMTAB.labelClass, 0);
  EXPECT_TRUE(UOMTAB.codeLabels.isBlank());
}

TEST_F(DataSets, WithoutSettingsSubBlockTheSettingWordsStay) {
  writeTables();
  emptyTablePointer(supportMaster, "DM1", 7, 6);
  emptyTablePointer(problemMaster, "DM2", 9, 6);
  UOMCOD.words.fill(-4);
  UOMTAB.settings.fill(-5);
  problem::DM1GET(kSupportLength, supportMaster, 0);
  problem::DM2GET(kProblemLength, problemMaster, 0);
  EXPECT_FALSE(problem::DBHNDL.dm1.settings.held());
  EXPECT_FALSE(problem::DBHNDL.dm2.blocks[0].held());
  EXPECT_EQ(UOMCOD.words(1), -4);
  EXPECT_EQ(UOMTAB.currentSet(), -5);
  EXPECT_EQ(UOMTAB.factors, description.units.factors) << "the flat blocks are read";
  // Both closes pass over the missing sub-block.
  problem::DM2PUT(kProblemLength, problemMaster);
  problem::DM1PUT(kSupportLength, supportMaster);
}

}  // namespace
