// The notes, trace prints and small vector routines of the flashes: FLSMSG, FLSPRT,
// FLSCPY with the stored-estimate block, VECGET, SUMDIF and NORML2.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "flash/flash.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace {

class FlashNotes : public ::testing::Test {
 protected:
  void SetUp() override {
    storage::CMINIT(0, 0, 0);
    flash::FLSWKA(0, 0);
  }
  testing_support::StopThrows stop_;
};

// The lines that CALL writes to a listing unit.
template <typename Call>
std::vector<std::string> listed(Call call) {
  constexpr int kUnit = 43;
  testing_support::TempDir dir;
  const auto file = dir.file("listing.txt");
  EXPECT_EQ(platform::openSequential(kUnit, file.string(), platform::FileStatus::Unknown,
                                     platform::FileAccess::Write),
            platform::IoResult::Ok);
  call(kUnit);
  EXPECT_EQ(platform::closeUnit(kUnit, true), platform::IoResult::Ok);
  std::vector<std::string> lines;
  std::istringstream in(testing_support::readFile(file));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(FlashNotes, VectorSums) {
  double sa = 0.0, sb = 0.0, d = 0.0;
  flash::SUMDIF(2, std::vector<double>{0.2, 0.3}, std::vector<double>{0.6, 0.6}, sa, sb, d);
  EXPECT_DOUBLE_EQ(sa, 0.5);
  EXPECT_DOUBLE_EQ(sb, 1.2);
  EXPECT_DOUBLE_EQ(d, 0.7);
  std::vector<double> v{2.0, 2.0};
  flash::NORML2(2, v);
  EXPECT_EQ(v, (std::vector<double>{0.5, 0.5}));
  std::vector<double> zero{0.0, 0.0};
  flash::NORML2(2, zero);
  EXPECT_EQ(zero, (std::vector<double>{0.0, 0.0}));
}

// A note goes to the listing, squeezed, only in a debug run (the history call that also
// receives it from its level on keeps nothing).
TEST_F(FlashNotes, NoteIsListedSqueezedInADebugRun) {
  struct Case {
    std::int32_t level, idebug;
    bool listedLine;
  };
  for (const Case c : {Case{1, 0, false}, Case{0, 0, false}, Case{2, 1, true}, Case{1, 1, true}}) {
    SCOPED_TRACE(testing::Message() << c.level << " " << c.idebug);
    const std::vector<std::string> lines = listed([&](int unit) {
      flash::FLSMSG(c.level, c.idebug, unit, "  FLASHT (  12 ) -   NOTE   TEXT      ");
    });
    if (c.listedLine) {
      EXPECT_EQ(lines, std::vector<std::string>{" FLASHT ( 12 ) - NOTE TEXT"});
    } else {
      EXPECT_TRUE(lines.empty());
    }
  }
}

// The stored-estimate block is read back as written; the flash K-value array likewise.
TEST_F(FlashNotes, StoredEstimateAndKValueArray) {
  const std::vector<double> k{2.5, 0.4, 0.01};
  flash::FLSTAT.IKVPNT() = storage::ICMGTD(20, 1);
  flash::storeEstimate(300.0, 2000.0, 0.3, 0.1, 0.4, 0.6, k);
  double fliqhc = 0.0, fwater = 0.0, ftotlq = 0.0, fvapor = 0.0;
  std::vector<double> back(3);
  flash::FLSCPY(fliqhc, fwater, ftotlq, fvapor, 3, back);
  EXPECT_EQ(fliqhc, 0.3);
  EXPECT_EQ(fwater, 0.1);
  EXPECT_EQ(ftotlq, 0.4);
  EXPECT_EQ(fvapor, 0.6);
  EXPECT_EQ(back, k);
  EXPECT_EQ(storage::CORSTO.real(flash::FLSTAT.IKVPNT() + 1), 300.0);
  EXPECT_EQ(storage::CORSTO.real(flash::FLSTAT.IKVPNT() + 4), 2000.0);

  problem::FWPART.realOffset(5) = storage::ICMGTR(3, 1);
  for (std::int32_t i = 1; i <= 3; ++i) {
    storage::CORSTO.setReal(problem::FWPART.realOffset(5) + i, 10.0 * i);
  }
  std::vector<double> v(3);
  flash::VECGET(3, v);
  EXPECT_EQ(v, (std::vector<double>{10.0, 20.0, 30.0}));
}

// The trace print in keyword form, to the listing (DEST 0): the first and the last component
// and those present; without K-values when the hundreds digit asks so.
TEST_F(FlashNotes, TracePrintInKeywordForm) {
  flash::flashCalls.NNFLST = 42;
  const std::vector<std::string> lines = listed([](int unit) {
    flash::FLSPRT(111, 0, unit, 300.0, 2000.0, 4, std::vector<double>{0.5, 0.0, 0.5, 0.0});
  });
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], " XPROP STREAM=NNFLST42 VAP ,*");
  EXPECT_NE(lines[1].find("XXTEMP(K)=300.0"), std::string::npos);
  EXPECT_NE(lines[1].find("PRES(KPA)=2000.0"), std::string::npos);
  EXPECT_EQ(lines[2].rfind("  COMP=", 0), 0u) << lines[2];
  EXPECT_NE(lines[2].find(" / *"), std::string::npos);
  EXPECT_EQ(lines[3].rfind("       ", 0), 0u);
  EXPECT_EQ(lines[4].find(" / *"), std::string::npos) << "the last line ends the list";
  for (const std::string& line : lines) EXPECT_EQ(line.find("KV="), std::string::npos);
  // A single component: the first line only.
  EXPECT_EQ(listed([](int unit) {
              flash::FLSPRT(1, 0, unit, 300.0, 2000.0, 1, std::vector<double>{1.0});
            }).size(),
            1u);
}

}  // namespace
