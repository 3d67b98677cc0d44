#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"

namespace {

using platform::FileAccess;
using platform::FileStatus;
using platform::IoResult;
using services::PAGCTL;
using services::RPLINE;

constexpr int kReportUnit = 61;
constexpr int kIndexUnit = 62;
constexpr int kThirdUnit = 63;

std::string blanks(std::size_t n) { return std::string(n, ' '); }

std::string padTo(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

std::string rightJustified(const std::string& text, std::size_t width) {
  return blanks(width - text.size()) + text;
}

// One line as the listing holds it: the blank control character, then the text without
// its trailing blanks.
std::string record(const std::string& text) {
  std::string line = " " + text;
  line.erase(line.find_last_not_of(' ') + 1);
  return line + "\n";
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The identification titles of the run's header texts, worked out by hand: "VELTRA", one
// blank for the one-letter release, " VERSION " and "5.0 BETA2" make 25 characters, which
// centred in 30 columns start in column 3; the release letter stands above the gap after
// the product.
const std::string kIdentification = "  VELTRA  VERSION 5.0 BETA2";
const std::string kReleaseLine = "        R";

// What a page header shows besides the run's texts.
struct Header {
  explicit Header(int number) : page(number) {}
  Header& titled(std::string title) {
    channelTitle = std::move(title);
    return *this;
  }
  Header& withReportTitles(std::vector<std::string> lines) {
    titleLines = std::move(lines);
    return *this;
  }
  Header& closedBy(std::string line) {
    rule = std::move(line);
    return *this;
  }

  int page;
  std::string section = blanks(12) + "INPUT";  // (30 - 5) / 2 blanks before
  std::string channelTitle;                    // 40 columns
  std::vector<std::string> titleLines;         // under report option 1
  std::string rule = std::string(78, '=');
};

// A page header built from its layout: form feed, four lines of 78 columns, the rule.
std::string header(const Header& h) {
  const std::string page = "PAGE " + std::to_string(h.page);
  std::string text = "\f\n";
  text += record(padTo("TARVEX INC.", 24) + blanks(4) + padTo(kReleaseLine, 35) + blanks(1) +
                 rightJustified(page, 14));
  text += record("PROJECT" + blanks(2 + 12 + 7) + padTo(kIdentification, 35) + blanks(3) +
                 rightJustified("386/EM", 12));
  text += record("PROBLEM" + blanks(2 + 12 + 7) + padTo(h.section, 30));
  text += record(blanks(21 + 2) + padTo(h.channelTitle, 40));
  for (const std::string& line : h.titleLines) text += record(line);
  text += record(h.rule);
  return text;
}

class ReportPages : public ::testing::Test {
 protected:
  void SetUp() override { restart(); }

  void TearDown() override {
    for (int unit : {kReportUnit, kIndexUnit, kThirdUnit}) platform::closeUnit(unit, true);
    services::OUINIT();
    services::RPTOPT = services::ReportOptions{};
    services::DBUNIT = services::ProblemUnits{};
  }

  // A fresh run: the report listing on channel 1 and the run's header texts.
  void restart() {
    platform::closeUnit(kReportUnit, true);
    ASSERT_EQ(platform::openSequential(kReportUnit, report.string(), FileStatus::Unknown,
                                       FileAccess::Write),
              IoResult::Ok);
    services::RPTOPT = services::ReportOptions{};
    services::DBUNIT = services::ProblemUnits{};
    services::OUINIT();
    services::PGTITL(kReportUnit, -1, -1, -1);
    services::PGVERS("VELTRA", "R", "5.0 Beta2", "", "386/EM");
  }

  void open(int unit, const std::filesystem::path& path) {
    ASSERT_EQ(platform::openSequential(unit, path.string(), FileStatus::Unknown, FileAccess::Write),
              IoResult::Ok);
  }

  std::string listing() const { return testing_support::readFile(report); }

  testing_support::TempDir dir;
  std::filesystem::path report = dir.file("plant.zqw");
};

TEST_F(ReportPages, ListingMatchesTheGoldenPages) {
  std::string expected = header(Header(1));
  const std::string wide = std::string(60, 'W') + " " + std::string(39, 'X');
  RPLINE("FIRST LINE");
  RPLINE(wide);  // written whole
  RPLINE("TRAILING   ");
  RPLINE("");  // the control character alone, which the file drops as a trailing blank
  expected += record("FIRST LINE") + record(wide) + " TRAILING\n" + "\n";
  for (int k = 5; k <= 54; ++k) {
    const std::string line = "LINE " + std::to_string(k);
    RPLINE(line);
    expected += record(line);
  }
  // 59 lines per page less 5 for the header: the 55th line starts page 2.
  RPLINE("LINE 55");
  expected += header(Header(2)) + record("LINE 55");
  RPLINE("skip");
  expected += record("skip");
  RPLINE("SKIP   ");
  expected += header(Header(3));
  RPLINE("LAST");
  expected += record("LAST");

  EXPECT_EQ(listing(), expected);
  EXPECT_EQ(PAGCTL.pageNumbers(1), 3);
  EXPECT_EQ(PAGCTL.linesLeft(1), 53);
  EXPECT_EQ(PAGCTL.unwrittenLines, 0);
}

TEST_F(ReportPages, PageTextCarriesThePrefixAndEndsInColumn78) {
  struct Case {
    std::string prefix;
    std::string text;
  };
  for (const Case& c :
       std::vector<Case>{{"  ", "PAGE 3"}, {"A ", "PAGE A-3"}, {"AB", "PAGE AB-3"}}) {
    SCOPED_TRACE(c.prefix);
    restart();
    PAGCTL.prefixes(1).assign(c.prefix);
    for (int k = 0; k < 3; ++k) RPLINE("SKIP");
    const auto lines = linesOf(listing());
    ASSERT_EQ(lines.size(), 18u);
    // The third header's first line: columns 65-78 after the control character.
    EXPECT_EQ(lines[13].size(), 79u);
    EXPECT_EQ(lines[13].substr(65), rightJustified(c.text, 14));
  }
}

TEST_F(ReportPages, SectionTitleIsCentredInTheThirdLine) {
  struct Case {
    int section;
    std::string title;  // centred in 30 columns by hand
  };
  for (const Case& c : std::vector<Case>{{0, ""},
                                         {3, blanks(12) + "OUTPUT"},
                                         {4, blanks(4) + "OUTPUT - PRIMARY UNITS"},
                                         {5, blanks(3) + "OUTPUT - ALTERNATE UNITS"},
                                         {9, ""}}) {
    SCOPED_TRACE(c.section);
    restart();
    PAGCTL.section = c.section;
    RPLINE("SKIP");
    const auto lines = linesOf(listing());
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(padTo(lines[3], 79).substr(29, 30), padTo(c.title, 30));
  }
}

TEST_F(ReportPages, HeaderFlagTwoClosesTheHeaderWithTheWarningRule) {
  PAGCTL.headerFlag = 2;
  RPLINE("SKIP");
  const std::string rule = std::string(16, '=') + " ** WARNING - PROBLEM SOLUTION NOT REACHED ** " +
                           std::string(16, '=');
  EXPECT_EQ(listing(), header(Header(1).closedBy(rule)));
}

TEST_F(ReportPages, ChannelThatIsNotOpenGetsNoHeaderAndItsLinesAreNotWritten) {
  // Channel 2 was never opened: unit -1.
  PAGCTL.channel = 2;
  RPLINE("LOST");
  RPLINE("SKIP");
  RPLINE("LOST AGAIN");
  EXPECT_EQ(PAGCTL.pageNumbers(2), 0);
  EXPECT_EQ(PAGCTL.linesLeft(2), 53);  // the page is counted all the same
  EXPECT_EQ(PAGCTL.unwrittenLines, 2);

  // A unit number that names no open file: the header and the line are lost, not crashed.
  PAGCTL.units(2) = 88;
  RPLINE("SKIP");
  RPLINE("LOST ONCE MORE");
  EXPECT_EQ(PAGCTL.pageNumbers(2), 1);
  EXPECT_EQ(PAGCTL.unwrittenLines, 2 + 6 + 1);

  // A current channel out of range is the same kind of caller's error.
  PAGCTL.channel = 11;
  RPLINE("NOWHERE");
  EXPECT_EQ(PAGCTL.unwrittenLines, 10);
  EXPECT_EQ(listing(), "");
}

TEST_F(ReportPages, ReportOptionOneAddsTheTitlesAndTakesTwoBodyLines) {
  services::RPTOPT.option = services::kTitlesInHeader;
  services::RPTOPT.shortTitle.assign("DEBUTANIZER");
  services::RPTOPT.longTitle.assign("CASE STUDY OF THE NORTH PLANT");
  const std::vector<std::string> titles = {blanks(27) + "DEBUTANIZER",
                                           blanks(3) + "CASE STUDY OF THE NORTH PLANT"};
  std::string expected = header(Header(1).withReportTitles(titles));
  for (int k = 1; k <= 52; ++k) {
    RPLINE("LINE " + std::to_string(k));
    expected += record("LINE " + std::to_string(k));
  }
  RPLINE("LINE 53");
  expected += header(Header(2).withReportTitles(titles)) + record("LINE 53");
  EXPECT_EQ(listing(), expected);
}

TEST_F(ReportPages, NotesArePrintedAtTheFootOfThePageBeforeTheNextHeader) {
  RPLINE("LINE 1");
  // Three lines held for notes 1 and 10; note 2 is not flagged.
  services::ChannelNotes& notes = PAGCTL.notes(1);
  notes.count = 10;
  notes.lines = 3;
  notes.flags(1) = 1;
  notes.texts(1).assign("FIRST NOTE");
  notes.texts(2).assign("NOT PRINTED");
  notes.flags(10) = 1;
  notes.texts(10).assign("TENTH NOTE");

  std::string expected = header(Header(1)) + record("LINE 1");
  // The held lines stay free: 54 - 3 = 51 body lines fit.
  for (int k = 2; k <= 51; ++k) {
    RPLINE("LINE " + std::to_string(k));
    expected += record("LINE " + std::to_string(k));
  }
  RPLINE("LINE 52");
  expected += "\n" + record(" (1) FIRST NOTE") + record("(10) TENTH NOTE") + header(Header(2)) +
              record("LINE 52");
  EXPECT_EQ(listing(), expected);
  EXPECT_EQ(notes.lines, 0);
  EXPECT_EQ(notes.flags(1), 0);
  EXPECT_EQ(notes.flags(10), 0);
  EXPECT_EQ(notes.count, 10);  // kept: the notes were printed without the reset option
}

TEST_F(ReportPages, HeaderChangesGoToThePagesAndToTheIndex) {
  const auto index = dir.file("plant.idx");
  open(kIndexUnit, index);
  services::PGTITL(kReportUnit, kIndexUnit, -1, -1);
  RPLINE("LINE 1");

  // A new title and line A: a new page, and two contents entries.
  PAGCTL.pendingTitle.assign("HEAT BALANCE");
  PAGCTL.titlePending = 1;
  PAGCTL.pendingLineA.assign("FEED STREAMS");
  PAGCTL.lineAPending = 1;
  PAGCTL.changeFlag = 1;
  RPLINE("LINE 2");
  // A new line A alone fits in mid-page.
  PAGCTL.pendingLineA.assign("PRODUCTS");
  PAGCTL.lineAPending = 1;
  PAGCTL.changeFlag = 1;
  RPLINE("LINE 3");
  // The next page shows line A as continued.
  RPLINE("SKIP");

  std::string dashes;
  for (int k = 0; k < 26; ++k) dashes += "  -";
  const std::string title = blanks(14) + "HEAT BALANCE";  // (40 - 12) / 2
  const std::string expectedReport =
      header(Header(1)) + record("LINE 1") + header(Header(2).titled(title)) + "\n" +
      record(blanks(33) + "FEED STREAMS") + record("LINE 2") + "\n" + record(dashes) + "\n" +
      record(blanks(35) + "PRODUCTS") + record("LINE 3") + header(Header(3).titled(title)) + "\n" +
      record(blanks(31) + "PRODUCTS  (CONT)");
  EXPECT_EQ(listing(), expectedReport);

  const std::string expectedIndex =
      header(Header(1).titled(blanks(17) + "INDEX")) + record("  PAGE    CONTENTS") +
      record(" ------  " + std::string(64, '-')) + record(blanks(9) + "HEAT BALANCE") +
      record("     2     FEED STREAMS") + record("     2     PRODUCTS");
  EXPECT_EQ(testing_support::readFile(index), expectedIndex);
  EXPECT_EQ(PAGCTL.pageNumbers(3), 1);
  EXPECT_EQ(PAGCTL.changeFlag, 0);
}

TEST_F(ReportPages, ReservationKeepsABlockTogetherOrStartsAPage) {
  struct Case {
    const char* what;
    int linesLeft;
    int skip, keep, lines, extra;
    int newPage;
    int linesLeftAfter;
    int pages;
    int blankLines;
  };
  const std::vector<Case> cases = {
      {"fits after two blank lines", 20, 2, 3, 4, 1, 0, 20 - 2 - 4, 1, 2},
      {"keep does not fit", 4, 0, 5, 2, 1, 1, 54 - 1 - 2, 2, 0},
      {"skip plus keep does not fit", 5, 2, 4, 1, 0, 1, 54 - 1, 2, 0},
      {"skip 3 forces a page", 40, 3, 1, 1, 0, 1, 54 - 1, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    RPLINE("SKIP");
    PAGCTL.linesLeft(1) = c.linesLeft;
    const std::size_t before = linesOf(listing()).size();
    int newPage = -1;
    services::RPRESV(kReportUnit, c.skip, c.keep, c.lines, c.extra, newPage);
    EXPECT_EQ(newPage, c.newPage);
    EXPECT_EQ(PAGCTL.linesLeft(1), c.linesLeftAfter);
    EXPECT_EQ(PAGCTL.pageNumbers(1), c.pages);
    EXPECT_EQ(PAGCTL.changeFlag, 0);
    const auto lines = linesOf(listing());
    const std::size_t blankLines = c.newPage == 0 ? lines.size() - before : 0;
    EXPECT_EQ(static_cast<int>(blankLines), c.blankLines);
  }
}

TEST_F(ReportPages, BreakRequestsRecordModeAndLinesWanted) {
  struct Case {
    int lines, mode;
    int breakMode, linesWanted;
  };
  for (const Case& c : std::vector<Case>{{0, 0, 5, 0}, {3, 2, 2, 3}, {8, -4, 99, 5}}) {
    SCOPED_TRACE(c.mode);
    services::OUINIT();
    services::RPBRKS(c.lines, c.mode);
    EXPECT_EQ(PAGCTL.breakMode, c.breakMode);
    EXPECT_EQ(PAGCTL.linesWanted, c.linesWanted);
    EXPECT_EQ(PAGCTL.changeFlag, 1);
  }
}

TEST_F(ReportPages, ThirdDestinationReservesALineOnTheCurrentChannel) {
  const auto third = dir.file("third.txt");
  open(kThirdUnit, third);
  services::DBUNIT.third = kThirdUnit;
  services::LINOUT(1, std::string(80, 'T'));  // cut at 78 characters
  EXPECT_EQ(testing_support::readFile(third), record(std::string(78, 'T')));
  // The reservation started the first page of channel 1 and took one line of it.
  EXPECT_EQ(listing(), header(Header(1)));
  EXPECT_EQ(PAGCTL.linesLeft(1), 53);
}

TEST_F(ReportPages, PlainFileModeWritesLinesWithoutPages) {
  PAGCTL.outputMode = services::OutputMode::PlainFile;
  RPLINE("ONE");
  RPLINE("TWO  ");
  EXPECT_EQ(listing(), record("ONE") + record("TWO"));
  EXPECT_EQ(PAGCTL.pageNumbers(1), 0);
}

TEST(PGVERS, IdentificationLinePlacesTheReleaseLetterAboveTheGap) {
  struct Case {
    const char* release;
    std::string identification;  // 18 characters: (30 - 18) / 2 = 6 blanks before
    std::string releaseLine;
  };
  for (const Case& c :
       std::vector<Case>{{"", "ABC VERSION 2.0  X", ""}, {"q", "ABC  VERSION 2.0 X", "   Q"}}) {
    SCOPED_TRACE(c.release);
    services::OUINIT();
    services::PGVERS("abc", c.release, "2.0", "x", "pc");
    EXPECT_EQ(services::PAGTXT.titles(3).str(), padTo(blanks(6) + c.identification, 35));
    EXPECT_EQ(services::PAGTXT.titles(2).str(), padTo(blanks(6) + c.identification, 35));
    EXPECT_EQ(services::PAGTXT.titles(1).str(), padTo(blanks(6) + c.releaseLine, 35));
    EXPECT_EQ(services::PAGTXT.platform.str(), blanks(10) + "PC");
  }
}

TEST(OUINIT, ClosesEveryChannelAndClearsTheReportUnit) {
  services::IOUNIT.report = 44;
  PAGCTL.units(1) = 44;
  services::OUINIT();
  EXPECT_EQ(services::IOUNIT.report, -1);
  for (int k = 1; k <= services::kChannels; ++k) EXPECT_EQ(PAGCTL.units(k), -1);
  EXPECT_EQ(PAGCTL.linesPerPage, 59);
  EXPECT_EQ(PAGCTL.outputMode, services::OutputMode::PagedReport);
  services::SETOUN(12);
  EXPECT_EQ(services::IOUNIT.report, 12);
  services::SETOUN(-1);
}

}  // namespace
