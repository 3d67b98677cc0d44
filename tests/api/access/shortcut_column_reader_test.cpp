// The shortcut column reader over the equipment problem: every attribute in unit sets 1 and
// 5, key components outside the problem, the cap on sections and the five-point tables
// without Underwood results.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "equipment_test_support.hpp"

namespace {

using equipment_tests::ask;
using equipment_tests::EquipmentProblem;
using equipment_tests::expectRows;
using equipment_tests::kMillionBtuPerHour;
using equipment_tests::Row;
using Strings = std::vector<std::string>;
using Reals = std::vector<double>;

TEST_F(EquipmentProblem, ShortcutColumnAnswersEveryAttribute) {
  expectRows("Short", {
                          Row{"CondenserType", "SHORT-1", 2, 2, 0, 1},
                          Row{"NumberOfSections", "SHORT-1", 1, 1, 0, 1},
                          Row{"UnderwoodCalcFlag", "SHORT-1", 1, 1, 0, 1},
                          Row{"FenskeIndex", "SHORT-1", 4.5, 4.5},
                          Row{"MinimumReflux", "SHORT-1", 12.0, 12.0},
                          Row{"FeedQuality", "SHORT-1", 0.95, 0.95},
                          Row{"MinimumTrays", "SHORT-1", 8.0, 8.0},
                      });
  struct Table {
    std::string attr;
    std::int32_t w, cls;
  };
  const std::vector<Table> tables{
      {"TotalTrays", 127, 0},  {"FeedTrays", 128, 0}, {"RRMin", 129, 0},      {"MMMin", 130, 0},
      {"RefluxRatio", 131, 0}, {"CondDuty", 132, 26}, {"ReboilDuty", 133, 26}};
  for (const Table& t : tables) {
    for (const std::int32_t set : {1, 5}) {
      SCOPED_TRACE(t.attr + " in set " + std::to_string(set));
      const auto a = ask("Short", t.attr, "SHORT-1", set);
      EXPECT_EQ(a.ierr, 0);
      EXPECT_EQ(a.count, 5);
      EXPECT_EQ(a.iucls, t.cls);
      for (std::int32_t i = 1; i <= 5; ++i) {
        double v = 10.0 * (t.w - 126) + i;
        if (set == 5 && t.cls == 26) v /= kMillionBtuPerHour;
        EXPECT_NEAR(a.reals[static_cast<std::size_t>(i - 1)], v, 1e-7 * v);
      }
    }
  }
  // Stored positions 1 and 2 of the component list: PROPANE and METHANE.
  const auto light = ask("Short", "LtKeyComponent", "SHORT-1");
  EXPECT_EQ(light.type, 2);
  EXPECT_EQ(light.elen, 16);
  EXPECT_EQ(light.texts, Strings{"PROPANE"});
  EXPECT_EQ(ask("Short", "HvyKeyComponent", "SHORT-1").texts, Strings{"METHANE"});
}

TEST_F(EquipmentProblem, ShortcutColumnWithoutUnderwoodResultsOrKeys) {
  // Twelve stored sections read as nine; a negative condenser type as 0.
  EXPECT_EQ(ask("Short", "NumberOfSections", "SHORT-2").integers, std::vector<std::int32_t>{9});
  EXPECT_EQ(ask("Short", "CondenserType", "SHORT-2").integers, std::vector<std::int32_t>{0});
  EXPECT_EQ(ask("Short", "UnderwoodCalcFlag", "SHORT-2").integers, std::vector<std::int32_t>{0});
  const auto fenske = ask("Short", "FenskeIndex", "SHORT-2");
  EXPECT_EQ(fenske.reals, (Reals{4.5, 5.0, 5.5, 6.0, 6.5, 7.0, 7.5, 8.0, 8.5}));
  EXPECT_EQ(ask("Short", "MinimumReflux", "SHORT-2").reals, Reals{0.0});
  // The five points answer, with IERR 1.
  const auto trays = ask("Short", "TotalTrays", "SHORT-2");
  EXPECT_EQ(trays.ierr, 1);
  EXPECT_EQ(trays.reals, (Reals{11, 12, 13, 14, 15}));
  // Keys 0 and 7 name no component: a blank identifier, IERR 1.
  for (const std::string attr : {"LtKeyComponent", "HvyKeyComponent"}) {
    SCOPED_TRACE(attr);
    const auto key = ask("Short", attr, "SHORT-2");
    EXPECT_EQ(key.ierr, 1);
    EXPECT_EQ(key.texts, Strings{""});
  }
  const auto bad = ask("Short", "Trays", "SHORT-1");
  EXPECT_EQ(bad.ierr, 1);
  EXPECT_EQ(bad.count, 0);
  EXPECT_EQ(bad.out, " ATTRIBUTE NOT SUPPORTED: Trays                FOR SHORTCUT COLUMN\n");
  EXPECT_EQ(ask("Short", "Trays", "PIPE-1").out, " UNIT ID: PIPE-1       IS NOT SHORTCUT COLUMN\n");
}

}  // namespace
