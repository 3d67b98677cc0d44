#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"

namespace {

using platform::IoResult;
using services::PAGCTL;

constexpr int kEchoUnit = 64;

// The console reads a scripted input file and writes to a file, until the end of the test.
class ConsoleDialogue : public ::testing::Test {
 protected:
  void SetUp() override {
    services::OUINIT();
    services::IOUNIT = services::RunUnits{};
    services::DBUNIT = services::ProblemUnits{};
    ASSERT_EQ(platform::redirectStandardUnit(platform::kStdoutUnit, output.string()), IoResult::Ok);
  }

  void TearDown() override {
    platform::restoreStandardUnit(platform::kStdinUnit);
    platform::restoreStandardUnit(platform::kStdoutUnit);
    platform::closeUnit(kEchoUnit, true);
    services::DBUNIT = services::ProblemUnits{};
    services::OUINIT();
  }

  // Starts the console input over with SCRIPT, and the console output empty.
  void script(const std::string& input) {
    platform::restoreStandardUnit(platform::kStdinUnit);
    platform::restoreStandardUnit(platform::kStdoutUnit);
    ASSERT_EQ(platform::redirectStandardUnit(platform::kStdinUnit,
                                             dir.write("input.txt", input).string()),
              IoResult::Ok);
    ASSERT_EQ(platform::redirectStandardUnit(platform::kStdoutUnit, output.string()), IoResult::Ok);
  }

  void echoTo(const std::filesystem::path& path) {
    ASSERT_EQ(platform::openSequential(kEchoUnit, path.string(), platform::FileStatus::Unknown,
                                       platform::FileAccess::Write),
              IoResult::Ok);
    services::DBUNIT.echo = kEchoUnit;
    services::DBUNIT.echoSwitch = 1;
  }

  std::string console() const { return testing_support::readFile(output); }

  testing_support::TempDir dir;
  std::filesystem::path output = dir.file("console.txt");
};

TEST_F(ConsoleDialogue, AnswersAreReadUntilOneIsYesOrNo) {
  const std::string yes = " CONTINUE? (YES)\n";
  const std::string no = " CONTINUE? (NO)\n";
  const std::string again = " PLEASE ANSWER Yes OR No\n";
  struct Case {
    std::string input;
    bool defaultAnswer;
    bool answer;
    std::string console;
  };
  const std::vector<Case> cases = {
      {"  y\n", false, true, no + " } "},
      {"Yes\n", false, true, no + " } "},
      {"ye\n", false, true, no + " } "},
      {"no\n", true, false, yes + " } "},
      {"N\n", true, false, yes + " } "},
      // Rejected: the question is asked again after the plea.
      {"YESS\nn\n", true, false, yes + " } " + again + yes + " } "},
      {"maybe\n  Y\n", false, true, no + " } " + again + no + " } "},
      // An empty line takes the default.
      {"\n", true, true, yes + " } "},
      {"   \n", false, false, no + " } "},
      // The end of the input takes the default instead of asking for ever.
      {"", true, true, yes + " } \n"},
      {"", false, false, no + " } \n"},
      {"YESS\n", false, false, no + " } " + again + no + " } \n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input + (c.defaultAnswer ? " default yes" : " default no"));
    script(c.input);
    EXPECT_EQ(services::ASKYN("CONTINUE?   ", c.defaultAnswer), c.answer);
    EXPECT_EQ(console(), c.console);
  }
}

TEST_F(ConsoleDialogue, ExchangeIsEchoedWhileTheEchoSwitchIsOn) {
  const auto echo = dir.file("echo.txt");
  echoTo(echo);
  script("  y\n");
  EXPECT_TRUE(services::ASKYN("CONTINUE?", false));
  EXPECT_EQ(testing_support::readFile(echo), " CONTINUE? (NO)\n }   y\n");

  // Switch off: nothing more reaches the echo unit.
  services::DBUNIT.echoSwitch = 0;
  script("n\n");
  EXPECT_FALSE(services::ASKYN("CONTINUE?", true));
  EXPECT_EQ(testing_support::readFile(echo), " CONTINUE? (NO)\n }   y\n");
}

TEST_F(ConsoleDialogue, PromptAndAnswerLineInCapitals) {
  const auto echo = dir.file("echo.txt");
  echoTo(echo);
  script("plant 1   \n");
  services::FixedText<10> answer;
  services::CONRDA("NAME", answer);
  EXPECT_EQ(answer.str(), "PLANT 1   ");
  EXPECT_EQ(console(), " NAME } ");
  EXPECT_EQ(testing_support::readFile(echo), " NAME } plant 1\n");

  // A blank answer is echoed as one blank; the end of the input gives a blank answer.
  script("\n");
  services::CONRDA("", answer);
  EXPECT_TRUE(answer.isBlank());
  script("");
  answer.assign("OLD");
  services::CONRDA("NAME", answer);
  EXPECT_TRUE(answer.isBlank());
  EXPECT_EQ(testing_support::readFile(echo), " NAME } plant 1\n }\n");
}

TEST_F(ConsoleDialogue, LineOutputGoesToTheDestinationsOfTheCode) {
  const auto echo = dir.file("echo.txt");
  echoTo(echo);
  services::LINOUT(110, "BOTH");
  services::LINOUT(100, "CONSOLE ONLY");
  services::LINOUT(10, "ECHO ONLY");
  services::DBUNIT.echoSwitch = 0;
  services::LINOUT(10, "NOT ECHOED");
  services::LINOUT(0, "NOWHERE");
  services::LINOUT(100, std::string(78, 'L') + "CUT");
  EXPECT_EQ(console(), " BOTH\n CONSOLE ONLY\n " + std::string(78, 'L') + "\n");
  EXPECT_EQ(testing_support::readFile(echo), " BOTH\n ECHO ONLY\n");
}

TEST_F(ConsoleDialogue, ConsoleModePausesWithMoreAndStopsOnNo) {
  PAGCTL.outputMode = services::OutputMode::Console;
  script("n\n");
  services::RPLINE("FIRST");
  services::RPLINE("SECOND");  // no further question once the user said no
  EXPECT_EQ(console(), " MORE? (YES)\n } ");
  EXPECT_EQ(PAGCTL.consoleCount, services::kConsoleDeclined);

  // Yes allows 20 lines less the channel's header lines, which are shown first.
  services::OUINIT();
  PAGCTL.outputMode = services::OutputMode::Console;
  PAGCTL.headerLineCounts(1) = -2;
  PAGCTL.headerLines(1)(1).assign("HEADER ONE");
  PAGCTL.headerLines(1)(2).assign("HEADER TWO");
  script("\n");
  std::string expected = " MORE? (YES)\n }  HEADER ONE\n HEADER TWO\n";
  for (int k = 1; k <= 18; ++k) {
    services::RPLINE("LINE " + std::to_string(k));
    expected += " LINE " + std::to_string(k) + "\n";
  }
  EXPECT_EQ(PAGCTL.consoleCount, 0);
  // The next line asks again; the input has ended, so the default (yes) goes on.
  services::RPLINE("LINE 19");
  expected += " MORE? (YES)\n } \n HEADER ONE\n HEADER TWO\n LINE 19\n";
  EXPECT_EQ(console(), expected);
  EXPECT_EQ(PAGCTL.consoleCount, 17);
}

TEST_F(ConsoleDialogue, StandardUnitsAreRedirectedOnlyOnceAndOnlyForFiveAndSix) {
  EXPECT_EQ(platform::redirectStandardUnit(7, output.string()), IoResult::Error);
  EXPECT_EQ(platform::redirectStandardUnit(platform::kStdoutUnit, output.string()),
            IoResult::Error);
  EXPECT_EQ(platform::redirectStandardUnit(platform::kStdinUnit, dir.file("missing.txt").string()),
            IoResult::NotFound);
  EXPECT_EQ(platform::restoreStandardUnit(platform::kStdinUnit), IoResult::NotOpen);
  // Text without a line end keeps its trailing blanks.
  EXPECT_EQ(platform::writeText(platform::kStdoutUnit, "A } "), IoResult::Ok);
  EXPECT_EQ(platform::writeText(platform::kNoUnit, "skipped"), IoResult::Ok);
  EXPECT_EQ(console(), "A } ");
}

}  // namespace
