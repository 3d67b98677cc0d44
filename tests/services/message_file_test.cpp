#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "message_test_file.hpp"

namespace {

using message_testing::header;
using message_testing::kMessageUnit;
using message_testing::MessageFile;
using message_testing::more;
using services::MessageLevel;
using services::MSGPAR;
using services::MSGTXT;
using services::SearchStatus;

SearchStatus find(std::int32_t n) {
  char key[16];
  std::snprintf(key, sizeof key, "%010d", n);
  SearchStatus status{};
  services::MSGFND(key, status);
  return status;
}

TEST_F(MessageFile, FindsMessagesInAnyOrderWithTheirLevels) {
  struct Case {
    std::int32_t n;
    const char* text;
    MessageLevel level;
  };
  // Forward, backward (rewind), repeated, and onto the header that ended the last text.
  const std::vector<Case> order = {
      {30, "WARNING THIRTY WITH MISSING AND MISSING CONTINUED HERE", MessageLevel::Warning},
      {40, "ERROR FORTY / /", MessageLevel::Error},
      {20, "MESSAGE TWENTY", MessageLevel::Message},
      {20, "MESSAGE TWENTY", MessageLevel::Message},
      {110, "UNKNOWN LEVEL LETTER", MessageLevel::Message},
      {50, "ABORT FIFTY", MessageLevel::Abort},
      {30, "WARNING THIRTY WITH MISSING AND MISSING CONTINUED HERE", MessageLevel::Warning},
  };
  services::ERINIT();
  services::ERSETO("FILE", kMessageUnit);
  for (const Case& c : order) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(expanded(c.n), c.text);
    EXPECT_EQ(MSGTXT.level, c.level);
  }
}

TEST_F(MessageFile, HeldMessageIsServedWithoutReadingTheFile) {
  EXPECT_EQ(find(30), SearchStatus::Found);
  platform::closeUnit(kMessageUnit, true);
  EXPECT_EQ(find(30), SearchStatus::Found);
  EXPECT_EQ(find(20), SearchStatus::BadFile) << "any other number needs the file";
}

TEST_F(MessageFile, FailuresReadAsKeyAndStatus) {
  EXPECT_EQ(expanded(35), "0000000035 - MESSAGE NOT FOUND");
  EXPECT_EQ(MSGTXT.level, MessageLevel::Message);
  EXPECT_EQ(expanded(999999), "0000999999 - MESSAGE NOT FOUND") << "beyond the numbers";
  EXPECT_EQ(expanded(120), "0000000120 - MESSAGE EMPTY");
  EXPECT_EQ(expanded(20), "MESSAGE TWENTY") << "a failed search rewinds";

  services::ERSETO("FILE", -1);
  EXPECT_EQ(expanded(20), "0000000020 - ERROR FILE NOT OPEN");
  EXPECT_EQ(MSGTXT.level, MessageLevel::Message);
}

TEST_F(MessageFile, CommentEndsAText) {
  EXPECT_EQ(expanded(100), std::string(67, 'A'));
}

TEST_F(MessageFile, BadRecordOnTheSearchPathMakesTheFileBad) {
  auto records = message_testing::standardRecords();
  records.insert(records.begin() + 4, "lower case in column one");  // before message 40
  open(records);
  EXPECT_EQ(find(20), SearchStatus::Found) << "a message before the bad record";
  EXPECT_EQ(find(40), SearchStatus::BadFile);
  EXPECT_EQ(expanded(40), "0000000040 - ERROR FILE BAD");
  EXPECT_EQ(find(30), SearchStatus::BadFile) << "its continuation runs into the bad record";
}

TEST_F(MessageFile, TextsLongerThanSevenHundredCharactersAreRefused) {
  std::vector<std::string> records = {header("0000000001", 'M', std::string(67, 'X'))};
  for (int i = 0; i < 10; ++i) records.push_back(more(std::string(67, 'Y')));
  records.push_back(header("0000000002", 'M', "AFTER"));
  open(records);
  EXPECT_EQ(expanded(1), "0000000001 - MESSAGE TOO LONG");
  EXPECT_EQ(expanded(2), "AFTER");
}

TEST_F(MessageFile, MacrosInsertTheParameters) {
  MSGPAR.integers(1) = -42;
  MSGPAR.reals(2) = 300.15f;
  EXPECT_EQ(expanded(30), "WARNING THIRTY WITH -42 AND 300.15 CONTINUED HERE");

  MSGPAR.shortTexts(1).assign("  PADDED  SHORT  ");
  MSGPAR.longTexts(2).assign("LONG TEXT");
  MSGPAR.composition.assign("- CALLED FROM FCINIT");
  EXPECT_EQ(expanded(40), "ERROR FORTY PADDED SHORT / LONG TEXT / CALLED");

  MSGPAR.integers(1) = 3;
  MSGPAR.integers(2) = 2;
  EXPECT_EQ(expanded(60), "T: THREE L: CELSIUS");
  MSGPAR.integers(2) = 3;
  EXPECT_EQ(expanded(60), "T: THREE L: RANKINE") << "the list's last alternative";

  MSGTXT.du1.assign("$MACRO ERROR$");
  EXPECT_EQ(expanded(90), "$MACRO ERROR$");
}

TEST_F(MessageFile, MalformedMacrosShowTheMacroError) {
  MSGPAR.integers(3) = 7;
  EXPECT_EQ(expanded(70), "BAD $MACRO ERROR$ $MACRO ERROR$ $MACRO ERROR$ 7 END");

  MSGPAR.integers(1) = 5;
  EXPECT_EQ(expanded(80), "DANGLING 5 AND $MACRO ERROR$") << "nothing after an unclosed $";

  for (const std::int32_t selector : {0, 4, services::IMISS}) {
    SCOPED_TRACE(selector);
    MSGPAR.integers(1) = selector;
    MSGPAR.integers(2) = 9;
    EXPECT_EQ(expanded(60), "T: $MACRO ERROR$ L: $MACRO ERROR$");
  }
}

TEST_F(MessageFile, ListSearchesDoNotDisturbTheHeldMessage) {
  SearchStatus status{};
  services::MSGKEY("UNITS", status);
  EXPECT_EQ(status, SearchStatus::Found);
  EXPECT_EQ(std::string(MSGTXT.listText.view().substr(0, MSGTXT.listLength)),
            "KELVIN/CELSIUS/ RANKINE");
  services::MSGKEY("NOLIST", status);
  EXPECT_EQ(status, SearchStatus::NotFound);
  services::MSGKEY("AAAA", status);
  EXPECT_EQ(status, SearchStatus::NotFound);
  EXPECT_EQ(expanded(20), "MESSAGE TWENTY");
}

TEST(WindowSearches, FindWithinValidWindowsOnly) {
  const std::string_view text = "AB$CD$EF  ";
  EXPECT_EQ(services::STRIDX(text, 1, 10, "$"), 3);
  EXPECT_EQ(services::STRIDX(text, 4, 10, "$"), 6);
  EXPECT_EQ(services::STRIDX(text, 4, 5, "$"), 0);
  EXPECT_EQ(services::STRRIX(text, 1, 10, "$"), 6);
  EXPECT_EQ(services::STRIDX(text, 1, 10, "CD"), 4);
  EXPECT_EQ(services::CHRIDX(text, 9, 10), 0);
  EXPECT_EQ(services::CHRIDX(" x", 1, 2), 2);
  for (const auto& [first, last] : std::vector<std::pair<int, int>>{{0, 5}, {3, 11}, {5, 4}}) {
    SCOPED_TRACE(::testing::Message() << first << ".." << last);
    EXPECT_EQ(services::STRIDX(text, first, last, "$"), 0);
    EXPECT_EQ(services::STRRIX(text, first, last, "$"), 0);
    EXPECT_EQ(services::CHRIDX(text, first, last), 0);
  }
}

}  // namespace
