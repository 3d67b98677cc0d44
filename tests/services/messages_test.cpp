#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "message_test_file.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "services/slots.hpp"

namespace {

using message_testing::MessageFile;
using services::ERCNTS;
using services::MessageLevel;
using services::MSGPAR;
using services::MSGTXT;

std::string pad(std::string text, std::size_t width = 78) {
  text.resize(width, ' ');
  return text;
}

// Splits `text` as a message of `level` and returns the output lines.
std::vector<std::string> split(const std::string& text,
                               MessageLevel level = MessageLevel::Message) {
  services::ERINIT();
  MSGTXT.level = level;
  MSGTXT.expanded.assign(text);
  MSGTXT.expandedLength = services::LENTRM(text);
  services::MSGSPL();
  std::vector<std::string> lines;
  for (int k = 1; k <= MSGTXT.lineCount; ++k) lines.push_back(MSGTXT.lines(k).str());
  return lines;
}

TEST(MSGSPL, SplitsAtTheLastBlankWithinSixtyThreeCharacters) {
  const std::string a63(63, 'A');
  const std::string indent(15, ' ');
  struct Case {
    std::string text;
    MessageLevel level;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {a63, MessageLevel::Warning, {"** WARNING **  " + a63}},
      {a63 + "B", MessageLevel::Error, {"*** ERROR ***  " + a63, indent + "B"}},
      {std::string(29, 'C') + " " + std::string(34, 'D'),
       MessageLevel::Abort,
       {"*** ABORT ***  " + std::string(29, 'C'), indent + std::string(34, 'D')}},
      {"", MessageLevel::Message, {"** MESSAGE **"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.size());
    std::vector<std::string> expected;
    for (const auto& line : c.lines) expected.push_back(pad(line));
    EXPECT_EQ(split(c.text, c.level), expected);
    EXPECT_FALSE(MSGTXT.overflow);
  }
}

TEST(MSGSPL, ElevenLinesOfTextOverflowIntoTheMarkOnTheTenth) {
  std::string text;
  for (int i = 0; i < 11; ++i) text += std::string(60, static_cast<char>('A' + i)) + " ";
  const auto lines = split(text);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_TRUE(MSGTXT.overflow);
  EXPECT_EQ(lines[9], pad(std::string(15, ' ') + std::string(44, 'J') + " $MESSAGE OVERFLOW$"));

  // A short tenth line takes the mark right after its text.
  std::string full;
  for (int i = 0; i < 9; ++i) full += std::string(63, static_cast<char>('A' + i)) + " ";
  const auto shortLast = split(full + "X " + std::string(63, 'K'));
  ASSERT_EQ(shortLast.size(), 10u);
  EXPECT_EQ(shortLast[9], pad(std::string(15, ' ') + "X $MESSAGE OVERFLOW$"));
}

class Messages : public MessageFile {};

TEST_F(Messages, OutputCountsPerLevelAndClearsTheParameters) {
  MSGPAR.integers(1) = 1;
  MSGPAR.reals(2) = 2.0f;
  MSGPAR.shortTexts(3).assign("SHORT");
  MSGPAR.longTexts(4).assign("LONG");
  MSGPAR.composition.assign("COMPOSED");
  services::MSGOUT(30);
  EXPECT_EQ(MSGTXT.lines(1).trimmed(), "** WARNING **  WARNING THIRTY WITH 1 AND 2 CONTINUED HERE");
  EXPECT_EQ(ERCNTS.perLevel(2), 1);
  EXPECT_EQ(MSGTXT.levelCounters(2), 1);
  EXPECT_EQ(MSGPAR.integers(1), services::IMISS);
  EXPECT_EQ(MSGPAR.reals(2), static_cast<float>(services::DMISS));
  EXPECT_TRUE(MSGPAR.shortTexts(3).isBlank());
  EXPECT_TRUE(MSGPAR.composition.isBlank());
  EXPECT_EQ(MSGPAR.longTexts(4).trimmed(), "LONG") << "long texts are kept";

  services::MSGOUT(20);
  services::MSGOUT(40);
  services::MSGOUT(35);  // not found: a level-1 message
  EXPECT_EQ(ERCNTS.perLevel(1), 2);
  EXPECT_EQ(ERCNTS.perLevel(3), 1);
  EXPECT_EQ(MSGTXT.du1.trimmed(), "$MACRO ERROR$");
}

TEST_F(Messages, WarningSwitchZeroSuppressesOnlyWarnings) {
  services::ERSETO("WARNING", 0);
  MSGPAR.integers(1) = 77;
  services::MSGOUT(30);
  EXPECT_EQ(ERCNTS.perLevel(2), 0);
  EXPECT_EQ(MSGTXT.levelCounters(2), 0);
  EXPECT_EQ(MSGPAR.integers(1), 77) << "the parameters survive to the next message";
  services::MSGOUT(40);
  EXPECT_EQ(ERCNTS.perLevel(3), 1);
  EXPECT_EQ(MSGPAR.integers(1), services::IMISS);
}

TEST_F(Messages, AbortLevelAndMSGABTStopTheRun) {
  testing_support::StopThrows stop;
  MSGPAR.composition.assign("- CALLED FROM XPCALC");
  try {
    services::MSGOUT(50);
    FAIL() << "an abort-level message returned";
  } catch (const platform::RunStopped& stopped) {
    EXPECT_EQ(stopped.status, 15);
  }
  EXPECT_EQ(MSGTXT.lines(1).trimmed(), "*** ABORT ***  ABORT FIFTY - CALLED FROM XPCALC");
  EXPECT_EQ(ERCNTS.perLevel(4), 1);

  // MSGABT stops whatever the level, puts the caller into the composition text and does not
  // count the message.
  MSGPAR.composition.assign(std::string(20, '#') + "REST");
  EXPECT_THROW(services::MSGABT(20, "FCINIT"), platform::RunStopped);
  EXPECT_EQ(MSGPAR.composition.trimmed(), "- CALLED FROM FCINITREST");
  EXPECT_EQ(ERCNTS.perLevel(1), 0);

  MSGPAR.composition.assign("AS SET");
  EXPECT_THROW(services::MSGABT(50, "  "), platform::RunStopped);
  EXPECT_EQ(MSGTXT.lines(1).trimmed(), "*** ABORT ***  ABORT FIFTY AS SET");
}

// What the display hook was handed: line number, text and display mode of each line.
std::vector<std::tuple<std::int32_t, std::string, std::int32_t>> displayed;

void recordDisplay(std::int32_t line, std::string_view text, std::int32_t mode) {
  displayed.emplace_back(line, std::string(services::trimRight(text)), mode);
}

// The display hook that the flash calls fill receives every line of a message, with mode 0
// below the abort level and 1 for an abort; with the slot empty nothing is displayed.
TEST_F(Messages, DisplayHookReceivesEveryLineWithItsMode) {
  testing_support::StopThrows stop;
  displayed.clear();
  const services::DisplayHook previous = services::fillDisplayHook(&recordDisplay);
  MSGPAR.integers(1) = 1;
  MSGPAR.reals(2) = 2.0f;
  services::MSGOUT(30);
  EXPECT_THROW(services::MSGOUT(50), platform::RunStopped);
  services::fillDisplayHook(nullptr);
  services::MSGOUT(40);
  services::fillDisplayHook(previous);

  ASSERT_EQ(displayed.size(), 2U);
  EXPECT_EQ(displayed[0],
            std::make_tuple(
                1, std::string("** WARNING **  WARNING THIRTY WITH 1 AND 2 CONTINUED HERE"), 0));
  EXPECT_EQ(std::get<0>(displayed[1]), 1);
  EXPECT_EQ(std::get<1>(displayed[1]), "*** ABORT ***  ABORT FIFTY");
  EXPECT_EQ(std::get<2>(displayed[1]), 1);
}

TEST_F(Messages, ErrorControlKeywordsMatchExactCapitals) {
  services::ERSETO("WARNING   ", 0);
  EXPECT_EQ(MSGTXT.warningSwitch, 0);
  services::ERSETO("warning", 5);
  services::ERSETO("WARN", 5);
  EXPECT_EQ(MSGTXT.warningSwitch, 0);
  services::ERSETO("TRACEB", 4);
  services::ERSETO("MCOUNT", 11);
  services::ERSETO("WCOUNT", 12);
  services::ERSETO("ECOUNT", 13);
  EXPECT_EQ(MSGTXT.tracebackOption, 4);
  EXPECT_EQ(MSGTXT.levelCounters(1), 11);
  EXPECT_EQ(MSGTXT.levelCounters(2), 12);
  EXPECT_EQ(MSGTXT.levelCounters(3), 13);
}

TEST(MSGOUTDeath, AbortLevelMessageExitsWithFifteen) {
  EXPECT_EXIT(
      {
        services::ERINIT();
        services::MSGABT(1990002100, "XPCALC");
      },
      ::testing::ExitedWithCode(15), "1990002100 - ERROR FILE NOT OPEN");
}

}  // namespace
