#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "file_layer_support.hpp"
#include "services/run_options.hpp"

namespace {

using file_tests::abortOf;

class FIERR : public file_tests::FileLayerTest {};

TEST_F(FIERR, TurnsACodeIntoItsMessageAndLabelledItems) {
  struct Case {
    std::int32_t code;
    std::string text;
    std::vector<std::int32_t> items;
    std::string message;
    std::vector<std::string> printed;
  };
  const std::vector<Case> cases = {
      {24,
       " ",
       {21, 99, 125, 125},
       "INCORRECT FILE OPENED",
       {"REQ GRP 21", "ACT GRP 99", "REQ SIZ 125", "ACT SIZ 125"}},
      {32,
       " ",
       {1, 2, 3, 4, 5, 6, 7, 8, 9},
       "BAD ERROR CODE",
       {"I1 1", "I2 2", "I3 3", "I4 4", "I5 5", "I6 6", "I7 7", "I8 8", "I9 9"}},
      {19, "C:\\work\\db.zn1   ", {}, "FILE NOT FOUND - \"C:\\work\\db.zn1\"", {}},
      {21,
       "report.zqw",
       {2, 7, services::IMISS},
       "FORTRAN ERROR OPENING FILE - \"report.zqw\"",
       {"ERR NUM 2", "UNT NUM 7", "GRP/UNT MISSING"}},
      {9, " ", {0, services::NODISK}, "BAD BLOCK FREE REQUEST", {"LENGTH 0", "BLK NUM MISSING"}},
      {29, " ", {1000}, "NO SPACE AVAILABLE FOR NEW BLOCKS", {"LENGTH 1000"}},
      {33, " ", {21, 2, 0}, "INVALID FILE GROUP HEADER RECORD", {"GROUP 21", "WORD 2", "VALUE 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    storage::CURRTN.fi.assign("FIATCH");
    const auto abort = abortOf([&] {
      switch (c.items.size()) {
        case 0:
          storage::FIERR(c.code, "FIUO", c.text);
          break;
        case 1:
          storage::FIERR(c.code, "FIUO", c.text, {c.items[0]});
          break;
        case 2:
          storage::FIERR(c.code, "FIUO", c.text, {c.items[0], c.items[1]});
          break;
        case 3:
          storage::FIERR(c.code, "FIUO", c.text, {c.items[0], c.items[1], c.items[2]});
          break;
        case 4:
          storage::FIERR(c.code, "FIUO", c.text, {c.items[0], c.items[1], c.items[2], c.items[3]});
          break;
        default:
          storage::FIERR(c.code, "FIUO", c.text,
                         {c.items[0], c.items[1], c.items[2], c.items[3], c.items[4], c.items[5],
                          c.items[6], c.items[7], c.items[8]});
      }
    });
    ASSERT_TRUE(abort.stopped);
    EXPECT_EQ(abort.message, c.message);
    EXPECT_EQ(abort.items, c.printed);
    EXPECT_NE(abort.heading.find("SUBSYSTEM FI"), std::string::npos);
    EXPECT_NE(abort.heading.find("FAILED IN FIUO"), std::string::npos);
    EXPECT_NE(abort.heading.find("USER CALL FIATCH"), std::string::npos);
  }
}

TEST_F(FIERR, NamedFileMessagesStopAt250Characters) {
  // Code 19 leaves 232 characters for the name, codes 20 to 23 leave 220; the closing quote
  // comes only when room is left.
  struct Case {
    std::int32_t code;
    std::size_t nameLength;
    bool closed;
  };
  for (const Case& c : {Case{19, 231, true}, Case{19, 232, false}, Case{19, 259, false},
                        Case{22, 219, true}, Case{22, 220, false}}) {
    SCOPED_TRACE(std::to_string(c.code) + " " + std::to_string(c.nameLength));
    const std::string name = "/d/" + std::string(c.nameLength - 3, 'n');
    const auto abort = abortOf([&] { storage::FIERR(c.code, "FIURN", name, {5, 8, 211, 3, 9}); });
    const std::size_t room = c.code == 19 ? 232 : 220;
    const std::string head = c.code == 19 ? "FILE NOT FOUND - " : "FORTRAN ERROR READING FILE - ";
    const std::string expected =
        head + "\"" + name.substr(0, std::min(room, name.size())) + (c.closed ? "\"" : "");
    EXPECT_EQ(abort.message, expected);
    EXPECT_LE(abort.message.size(), 250u);
  }
}

// Nothing in the system raises a trace counter: the trace writes nothing. Raised by hand,
// a counter of 1 traces one level of calls.
TEST(FITRCE, IsSilentUntilACounterIsRaised) {
  testing_support::TempDir dir;
  const int unit = 60;
  ASSERT_EQ(platform::openSequential(unit, dir.file("trace.txt").string(),
                                     platform::FileStatus::Unknown, platform::FileAccess::Write),
            platform::IoResult::Ok);
  services::IOUNIT.report = unit;
  storage::FIINIT();
  std::int32_t& counter = storage::fileTrace.general;

  EXPECT_FALSE(storage::FITRCE(1, counter, "FIATCH"));
  EXPECT_FALSE(storage::FITRCE(3, counter, "FIATCH"));
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(testing_support::readFile(dir.file("trace.txt")), "");

  counter = 1;
  EXPECT_TRUE(storage::FITRCE(1, counter, "FIATCH"));
  EXPECT_FALSE(storage::FITRCE(1, counter, "FIUO")) << "a nested call is not traced";
  storage::FITRCE(3, counter, "FIUO");
  EXPECT_TRUE(storage::FITRCE(3, counter, "FIATCH"));
  storage::FITRCF();
  EXPECT_EQ(counter, 1);
  // Depth 1 indents to column 16: the name in columns 1-18, the arrow in 14-16.
  const std::string enter = "ENTER FIATCH -->  " + std::string(60, '-');
  const std::string leave = "LEAVE FIATCH <--  " + std::string(60, '-');
  EXPECT_EQ(testing_support::readFile(dir.file("trace.txt")), enter + "\n" + leave + "\n");

  counter = 0;
  services::IOUNIT.report = -1;
  platform::closeUnit(unit, true);
}

}  // namespace
