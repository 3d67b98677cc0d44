#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/run_options.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"

namespace {

using services::MSGTXT;

std::string pad(std::string text, std::size_t width = 78) {
  text.resize(width, ' ');
  return text;
}

std::vector<std::string> reportLines() {
  std::vector<std::string> lines;
  for (int k = 1; k <= MSGTXT.lineCount; ++k) lines.push_back(MSGTXT.lines(k).str());
  return lines;
}

// Runs ABTRPT with the stop hook throwing and returns the report's lines.
std::vector<std::string> report(std::string_view subsys, std::string_view failed,
                                std::string_view usercl, std::string_view message) {
  testing_support::StopThrows stop;
  try {
    services::ABTRPT(subsys, failed, usercl, message);
  } catch (const platform::RunStopped& stopped) {
    EXPECT_EQ(stopped.status, 15);
    return reportLines();
  }
  ADD_FAILURE() << "ABTRPT returned";
  return {};
}

std::string letters(std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i) text += static_cast<char>('A' + i % 26);
  return text;
}

class AbortReport : public ::testing::Test {
 protected:
  void SetUp() override { services::ERINIT(); }
};

TEST_F(AbortReport, ShortMessageWithHeadingAndItems) {
  services::ERRITM("REQUEST", 5000);
  services::ERRITM("AVAIL", services::NODISK);
  services::ERRITM("  LONGLABEL", -12);
  services::ERRITM("STATUS", 3);
  const auto lines = report("CM", "CMGET", "SRCREA", "CORE STORE EXHAUSTED");
  const std::vector<std::string> expected = {
      pad("*** ABORT ***  CORE STORE EXHAUSTED"),
      pad(std::string(15, ' ') + pad("SUBSYSTEM CM", 21) + pad("FAILED IN CMGET", 21) +
          pad("USER CALL SRCREA", 21)),
      pad(std::string(15, ' ') + pad("REQUEST 5000", 20) + " " + pad("AVAIL MISSING", 20) +
          " " + pad("LONGLABE -12", 20) + " "),
      pad(std::string(15, ' ') + pad("STATUS 3", 20)),
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(AbortReport, UserCallOnlyWhenItDiffersAndNoHeadingForBlankSubsystem) {
  auto lines = report("CM", "CMGET", "CMGET   ", "X");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], pad(std::string(15, ' ') + pad("SUBSYSTEM CM", 21) + "FAILED IN CMGET"));

  lines = report("  ", "CMGET", "SRCREA", "");
  EXPECT_EQ(lines, std::vector<std::string>{pad("*** ABORT ***")});
}

TEST_F(AbortReport, LongMessagesContinueWithOverlap) {
  struct Case {
    std::size_t length;
    std::vector<std::string> expected;
  };
  const std::string m = letters(260);
  const std::string cont(15, ' ');
  const std::vector<Case> cases = {
      {63, {"*** ABORT ***  " + m.substr(0, 63)}},
      {64,
       {"*** ABORT ***  " + m.substr(0, 59) + " ...", cont + "... " + m.substr(59, 5)}},
      {119,
       {"*** ABORT ***  " + m.substr(0, 59) + " ...", cont + "... " + m.substr(59, 55) + " ...",
        cont + "... " + m.substr(114, 5)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    services::ERINIT();
    std::vector<std::string> expected;
    for (const auto& line : c.expected) expected.push_back(pad(line));
    EXPECT_EQ(report("", "X", "X", m.substr(0, c.length)), expected);
  }
}

TEST_F(AbortReport, MaximalMessageWithNineItemsFillsNineLines) {
  for (int i = 1; i <= 10; ++i) services::ERRITM("ITEM" + std::to_string(i), i);
  EXPECT_EQ(services::ERITEM.count, 9) << "a tenth item is dropped";
  const std::string m = letters(250);
  const auto lines = report("FI", "FIATCH", "DBOPEN", m);
  ASSERT_EQ(lines.size(), 9u);
  // 1 + 4 continuations carry 250 characters.
  EXPECT_EQ(lines[4], pad(std::string(15, ' ') + "... " + m.substr(224, 26)));
  EXPECT_EQ(lines[5].substr(15, 21), pad("SUBSYSTEM FI", 21));
  EXPECT_EQ(lines[8], pad(std::string(15, ' ') + pad("ITEM7 7", 20) + " " +
                          pad("ITEM8 8", 20) + " " + pad("ITEM9 9", 20) + " "));
}

TEST_F(AbortReport, OverlongMessageIsCutToFitTheTenLines) {
  for (int i = 1; i <= 9; ++i) services::ERRITM("N", i);
  const std::string m = letters(2000);
  const auto lines = report("SB", "SBRDC", "FCINIT", m);
  ASSERT_EQ(lines.size(), 10u);
  // Six message lines, the heading and three item lines; the cut is marked.
  EXPECT_EQ(lines[5].substr(15), "... " + m.substr(59 + 4 * 55, 55) + " ...");
  EXPECT_EQ(lines[6].substr(15, 12), "SUBSYSTEM SB");
}

TEST_F(AbortReport, ItemValuesAndMarkers) {
  struct Case {
    std::int32_t value;
    const char* text;
  };
  const std::vector<Case> cases = {
      {services::NODISK, "V MISSING"},       {services::NODISK - 1, "V 989999999"},
      {services::IMISS, "V MISSING"},        {services::IMISS + 1, "V -2111111110"},
      {services::NOCORE, "V MISSING"},       {services::NOCORE - 1, "V 2111111110"},
      {0, "V 0"},
  };
  for (const Case& c : cases) {
    services::ERINIT();
    services::ERRITM("V", c.value);
    EXPECT_EQ(services::ERITEM.items(1).str(), pad(c.text, 20)) << c.value;
  }
}

TEST_F(AbortReport, SixthDiagnosticSwitchChoosesDisplayModeWithoutChangingTheReport) {
  services::GDPOPT.words(106) = 21;
  const auto lines = report("CM", "CMGET", "CMGET", "MODE");
  services::GDPOPT.words(106) = 0;
  EXPECT_EQ(lines.front(), pad("*** ABORT ***  MODE"));
}

TEST(TXTJST, JustifiesAndKeepsTheRightPartWhenCut) {
  struct Case {
    const char* src;
    std::size_t width;
    std::int32_t mode;
    const char* dst;
  };
  const std::vector<Case> cases = {
      {"ABC", 8, 0, "  ABC   "},     {"ABCDEFG", 4, 0, "BCDE"},  {"  ABC ", 6, -1, "ABC   "},
      {"ABC", 6, 1, "   ABC"},       {"ABCDEFG", 4, -1, "ABCD"}, {"ABCDEFG", 4, 1, "DEFG"},
      {"    ", 4, 0, "    "},        {"AB", 5, 7, " AB  "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.src) + " mode " + std::to_string(c.mode));
    std::string dst(c.width, '#');
    services::TXTJST(c.src, std::span<char>(dst), c.mode);
    EXPECT_EQ(dst, c.dst);
  }
}

TEST(STOPCDDeath, ExitStatusIsTenPlusTheClampedCode) {
  EXPECT_EXIT(services::STOPCD(-3), ::testing::ExitedWithCode(10), "");
  EXPECT_EXIT(services::STOPCD(12), ::testing::ExitedWithCode(19), "");
}

TEST(ABTRPTDeath, AnAbortEndsTheProcessWithFifteenAndShowsTheReport) {
  EXPECT_EXIT(services::ABTRPT("CM", "CMGET", "SRCREA", "CORE STORE EXHAUSTED"),
              ::testing::ExitedWithCode(15), "\\*\\*\\* ABORT \\*\\*\\*  CORE STORE EXHAUSTED");
}

}  // namespace
