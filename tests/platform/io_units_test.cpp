#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <string>

#include "platform/platform.hpp"
#include "support/test_support.hpp"

namespace {

using platform::FileAccess;
using platform::FileStatus;
using platform::IoResult;
using testing_support::TempDir;

constexpr int kUnit = 40;

class IoUnits : public ::testing::Test {
 protected:
  void TearDown() override { platform::closeUnit(kUnit, true); }
  TempDir dir;
};

std::string readOne(int unit, IoResult& result) {
  std::array<char, platform::kRecordWidth> record{};
  result = platform::readRecord(unit, record);
  return std::string(record.data(), record.size());
}

TEST_F(IoUnits, RecordsLoseLineEndsAndArePaddedOrCut) {
  const std::string longLine(90, 'x');
  const auto file = dir.write("in.txt", "first\r\nsecond\n" + longLine + "\nlast");
  ASSERT_EQ(platform::openSequential(kUnit, file.string(), FileStatus::Old, FileAccess::Read),
            IoResult::Ok);

  IoResult result{};
  EXPECT_EQ(readOne(kUnit, result), "first" + std::string(75, ' '));
  EXPECT_EQ(readOne(kUnit, result), "second" + std::string(74, ' '));
  EXPECT_EQ(readOne(kUnit, result), std::string(80, 'x'));
  EXPECT_EQ(readOne(kUnit, result), "last" + std::string(76, ' '));  // no final line feed
  EXPECT_EQ(result, IoResult::Ok);
  readOne(kUnit, result);
  EXPECT_EQ(result, IoResult::EndOfFile);

  ASSERT_EQ(platform::rewindUnit(kUnit), IoResult::Ok);
  EXPECT_EQ(readOne(kUnit, result), "first" + std::string(75, ' '));
}

TEST_F(IoUnits, WrittenLinesLoseTrailingBlanksAndUnitMinusOneIsSkipped) {
  const auto file = dir.file("out.txt");
  ASSERT_EQ(
      platform::openSequential(kUnit, file.string(), FileStatus::Unknown, FileAccess::Write),
      IoResult::Ok);
  EXPECT_EQ(platform::writeLine(kUnit, "  two words   "), IoResult::Ok);
  EXPECT_EQ(platform::writeLine(kUnit, "    "), IoResult::Ok);
  EXPECT_EQ(platform::writeLine(platform::kNoUnit, "dropped"), IoResult::Ok);
  // Written lines are readable at once, before the unit is closed.
  EXPECT_EQ(testing_support::readFile(file), "  two words\n\n");
}

TEST_F(IoUnits, OpenTellsAMissingFileFromOtherFailures) {
  const auto missing = dir.file("missing.txt");
  EXPECT_EQ(platform::openSequential(kUnit, missing.string(), FileStatus::Old, FileAccess::Read),
            IoResult::NotFound);
  EXPECT_EQ(platform::openSequential(kUnit, missing.string(), FileStatus::Old, FileAccess::Write),
            IoResult::NotFound);
  EXPECT_EQ(platform::openSequential(kUnit, dir.file("no/such/dir/f").string(),
                                     FileStatus::Unknown, FileAccess::Write),
            IoResult::NotFound);
  EXPECT_EQ(platform::openSequential(kUnit, dir.path().string(), FileStatus::Old,
                                     FileAccess::Write),
            IoResult::Error);
  EXPECT_FALSE(platform::isConnected(kUnit));
}

// A FIFO in the place of a file would block the open until a peer came (the host process
// waited for ever); a directory or a device opened for reading gave a unit that reads
// nothing. Neither is a text file: the open refuses them at once, for reading and writing,
// and writes nothing into them.
TEST_F(IoUnits, OnlyRegularFilesAreConnected) {
  const auto fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.string().c_str(), 0600), 0);
  for (const std::string& path : {fifo.string(), dir.path().string(), std::string("/dev/zero"),
                                  std::string("/dev/null")}) {
    for (const FileStatus status : {FileStatus::Old, FileStatus::Unknown}) {
      for (const FileAccess access : {FileAccess::Read, FileAccess::Write}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(platform::openSequential(kUnit, path, status, access), IoResult::Error);
        EXPECT_FALSE(platform::isConnected(kUnit));
      }
    }
  }
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST_F(IoUnits, UnitNumbersAreCheckedAndStandardUnitsStay) {
  const auto file = dir.write("a.txt", "a\n");
  for (const int bad : {0, 101, -1, platform::kStdinUnit, platform::kStdoutUnit}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(platform::openSequential(bad, file.string(), FileStatus::Old, FileAccess::Read),
              IoResult::Error);
  }
  EXPECT_TRUE(platform::isConnected(platform::kStdinUnit));
  EXPECT_TRUE(platform::isConnected(platform::kStdoutUnit));
  EXPECT_EQ(platform::closeUnit(platform::kStdoutUnit, false), IoResult::Ok);
  EXPECT_TRUE(platform::isConnected(platform::kStdoutUnit));

  ASSERT_EQ(platform::openSequential(kUnit, file.string(), FileStatus::Old, FileAccess::Read),
            IoResult::Ok);
  EXPECT_EQ(platform::openSequential(kUnit, file.string(), FileStatus::Old, FileAccess::Read),
            IoResult::Error)
      << "a connected unit cannot be opened again";
  std::array<char, 4> record{};
  EXPECT_EQ(platform::readRecord(41, record), IoResult::NotOpen);
}

TEST_F(IoUnits, CloseKeepsOrDeletesAndBackslashesAreSeparators) {
  const auto kept = dir.file("kept.txt");
  const std::string windowsStyle = dir.path().string() + "\\gone.txt";
  ASSERT_EQ(
      platform::openSequential(kUnit, kept.string(), FileStatus::Unknown, FileAccess::Write),
      IoResult::Ok);
  EXPECT_EQ(platform::closeUnit(kUnit, true), IoResult::Ok);
  EXPECT_TRUE(std::filesystem::exists(kept));

  ASSERT_EQ(
      platform::openSequential(kUnit, windowsStyle, FileStatus::Unknown, FileAccess::Write),
      IoResult::Ok);
  EXPECT_TRUE(std::filesystem::exists(dir.file("gone.txt")));
  EXPECT_EQ(platform::closeUnit(kUnit, false), IoResult::Ok);
  EXPECT_FALSE(std::filesystem::exists(dir.file("gone.txt")));
  EXPECT_EQ(platform::closeUnit(kUnit, true), IoResult::NotOpen);
}

}  // namespace
