#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/file_groups.hpp"
#include "fixtures/units_table.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace {

using services::UOMTAB;

std::string format(std::int32_t cls, std::int32_t set, std::int32_t opt) {
  services::FixedText<20> label;
  problem::UOMFMT(label, cls, set, opt);
  return std::string(set == -1 ? label.view() : label.trimmed());
}

class UnitLabels : public ::testing::Test {
 protected:
  void SetUp() override {
    services::ERINIT();
    fixtures::loadUnitTables(fixtures::shippedUnitsTable());
  }
  void TearDown() override { services::GDPOPT.words(123) = 0; }
  testing_support::StopThrows stop;
};

TEST_F(UnitLabels, ShippedLabelsOfEveryKind) {
  struct Case {
    std::int32_t cls, set, opt;
    const char* label;
  };
  const std::vector<Case> cases = {
      {1, 4, 0, "K"},                 {1, 2, 0, "F"},
      {4, 5, 0, "PSIA"},              {26, 2, 0, "MM BTU/HR"},
      {26, 2, 20, "M BTU/HR"},        {26, 3, 0, "M*KCAL/HR"},
      {28, 1, 0, "KJ/KG"},            {28, 1, 100, "KJ/KG-MOL"},
      {31, 2, 0, "LB-MOL/HR"},        {32, 2, 100, "LB/HR"},
      {33, 1, 0, "M3/HR"},            {33, 1, 200, "STD-M3/HR"},
      {33, 1, 300, "ACT-M3/HR"},      {33, 1, 100, "M3/HR"},
      {0, 1, 0, ""},                  {51, 1, 0, ""},
      {1, 8, 0, ""},                  {1, 475, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.cls << "/" << c.set << "/" << c.opt);
    EXPECT_EQ(format(c.cls, c.set, c.opt), c.label);
  }
  EXPECT_EQ(format(1, -1, 0), "  K                 ") << "row 0 as stored";
  UOMTAB.currentSet() = 2;
  EXPECT_EQ(format(1, 0, 0), "F");
  UOMTAB.currentSet() = 9;
  EXPECT_EQ(format(1, 0, 0), "") << "a current set that names no row";
}

// The multiplier field and the prefix styles, on a label written for the test.
TEST_F(UnitLabels, MultipliersByPrefixStyle) {
  const auto store = [](std::int32_t set, std::string_view text) {
    services::assignText(UOMTAB.setLabel(12, set), text);
  };
  store(2, "M BTU");  // style 0 (entry 2)
  store(3, "M BTU");  // style 1 (entry 3)
  store(4, "MKJ");
  store(1, "K-W");
  UOMTAB.prefixStyle(1) = 2;
  struct Case {
    std::int32_t set, opt;
    const char* label;
  };
  for (const Case& c : {Case{2, 0, "MM BTU"}, Case{2, 20, "M BTU"}, Case{2, 30, "MM BTU"},
                        Case{3, 0, "M*BTU"}, Case{3, 2, "K*BTU"}, Case{3, 5, "T*BTU"},
                        Case{4, 0, "M*KJ"}, Case{1, 0, "K*W"}, Case{1, 9, "K*W"}}) {
    SCOPED_TRACE(::testing::Message() << c.set << "/" << c.opt);
    EXPECT_EQ(format(12, c.set, c.opt), c.label);
  }
  store(1, "K W");
  EXPECT_EQ(format(12, 1, 0), "KW");
  store(1, "MKW");
  EXPECT_EQ(format(12, 1, 0), "GW") << "the stored multiplier adds to the letter";
  // Diagnostic switch 23 turns style 1 into style 2.
  services::GDPOPT.words(123) = 1;
  EXPECT_EQ(format(12, 3, 0), "MBTU");
}

TEST_F(UnitLabels, CompoundLabels) {
  std::array<char, 40> label{};
  std::int32_t status = -1;
  problem::UOMLBL(label, -1, 2, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(services::trimRight(std::string_view(label.data(), label.size())), "BTU / FT3");
  problem::UOMLBL(label, -2, 2, status);
  EXPECT_EQ(services::trimRight(std::string_view(label.data(), label.size())), "1/HR");
  problem::UOMLBL(label, 0, 2, status);
  EXPECT_TRUE(services::isBlank(std::string_view(label.data(), label.size())));
  problem::UOMLBL(label, 300 * 1000 + 33, 1, status);
  EXPECT_EQ(services::trimRight(std::string_view(label.data(), label.size())), "ACT-M3/HR");
}

// Unit-code labels come from the support database's label index, one class at a time.
TEST_F(UnitLabels, CodeLabelsAreReadOnDemandOneClassAtATime) {
  testing_support::TempDir dir;
  fixtures::FileGroupPlan plan;
  plan.group = 3;
  plan.baseName = dir.file("veltra.sp").string();
  plan.files = {fixtures::GroupFilePlan{250, true, -1}};
  fixtures::createFileGroup(plan);
  storage::FIINIT();
  storage::CMINIT(0, 0, 0);
  storage::SBINIT();
  std::int32_t sequence = 0;
  services::FixedText<12> file;
  services::FixedText<12> level;
  services::FixedText<100> description;
  std::int32_t masterLength = 0;
  std::int32_t masterAddress = 0;
  storage::FIATCH(3, sequence, 2, 20, -1, plan.baseName, "SUPPORT", file, level, description,
                  masterLength, masterAddress);
  storage::FISTA2(sequence, 2);

  const fixtures::UnitsTable table = fixtures::shippedUnitsTable();
  std::int32_t h = services::NOCORE;
  std::int32_t status = 0;
  storage::FBIBEG(3, 6, 14, 20, 5, h, storage::emptyDiskPointer(), status);
  for (std::int32_t cls = 1; cls <= 40; ++cls) {
    fixtures::loadCodeLabels(table, cls);
    std::string labels(UOMTAB.codeLabels.view());
    storage::DiskPointer pointer = storage::emptyDiskPointer();
    storage::FBFCHR(2, pointer, static_cast<std::int32_t>(labels.size()), labels, status);
    std::array<std::int32_t, 14> data{};
    std::int32_t entry = 0;
    storage::FBINAM(2, h, "CLS" + std::to_string(cls), 0, entry, pointer, data, status);
    ASSERT_EQ(entry, cls);
  }
  UOMTAB.codeLabels.blank();
  UOMTAB.labelClass = 0;
  problem::DBHNDL.dm1.labelIndex = h;

  EXPECT_EQ(format(31, 88, 0), "M LB-MOL/HR");
  EXPECT_EQ(UOMTAB.labelClass, 31);
  problem::DBHNDL.dm1.labelIndex = services::NOCORE;
  EXPECT_EQ(format(31, 86, 0), "LB-MOL/HR") << "the class held is not read again";
  problem::DBHNDL.dm1.labelIndex = h;
  EXPECT_EQ(format(4, 15, 0), "PSIA");
  EXPECT_EQ(UOMTAB.labelClass, 4);
  EXPECT_EQ(format(45, 15, 0), "") << "a class the index does not hold";
  EXPECT_EQ(UOMTAB.labelClass, 0);

  problem::DBHNDL.dm1.labelIndex = services::NOCORE;
  storage::FBICLR(h);
  storage::FIDTCH(sequence, storage::kCloseKeep);
  storage::FIINIT();
}

}  // namespace
