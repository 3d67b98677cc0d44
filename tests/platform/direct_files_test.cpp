#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "support/test_support.hpp"

namespace {

using platform::DirectFile;
using platform::DirectOpen;
using platform::DirectResult;
using platform::DirectStatus;

constexpr int kUnit = 41;
constexpr std::size_t kRecord = 500;  // bytes: 125 words

// The same behaviour is asked of the host's files and of files in memory.
enum class Kind { Host, Memory };

class DirectFiles : public ::testing::TestWithParam<Kind> {
 protected:
  DirectFiles() {
    if (GetParam() == Kind::Memory) {
      memory_ = std::make_unique<platform::MemoryFileSystem>();
      use_ = std::make_unique<platform::UseDirectFileSystem>(*memory_);
    } else {
      use_ = std::make_unique<platform::UseDirectFileSystem>(platform::hostFileSystem());
    }
  }
  ~DirectFiles() override {
    for (int unit : {kUnit, kUnit + 1}) platform::closeDirect(unit, true);
  }

  std::string name(std::string_view leaf) const { return dir_.file(leaf).string(); }

  bool exists(const std::string& path) const {
    return memory_ ? memory_->exists(path) : std::filesystem::exists(path);
  }

  std::string bytes(const std::string& path) const {
    if (!memory_) return testing_support::readFile(path);
    std::string text;
    for (std::byte b : memory_->contents(path)) text += static_cast<char>(b);
    return text;
  }

  testing_support::TempDir dir_;
  std::unique_ptr<platform::MemoryFileSystem> memory_;
  std::unique_ptr<platform::UseDirectFileSystem> use_;
};

INSTANTIATE_TEST_SUITE_P(HostAndMemory, DirectFiles, ::testing::Values(Kind::Host, Kind::Memory),
                         [](const auto& param) {
                           return param.param == Kind::Host ? std::string("Host")
                                                            : std::string("Memory");
                         });

TEST_P(DirectFiles, OpenStatusesTellAMissingFileApart) {
  const std::string old = name("old.dat");
  const std::string created = name("new.dat");
  EXPECT_EQ(platform::openDirect(kUnit, old, DirectOpen::Old, kRecord).result,
            DirectResult::NotFound);
  EXPECT_FALSE(platform::isDirectConnected(kUnit));

  ASSERT_TRUE(platform::openDirect(kUnit, created, DirectOpen::Unknown, kRecord).ok());
  EXPECT_TRUE(exists(created));
  EXPECT_EQ(platform::directRecordBytes(kUnit), kRecord);
  ASSERT_TRUE(platform::closeDirect(kUnit, true).ok());
  ASSERT_TRUE(platform::openDirect(kUnit, created, DirectOpen::Old, kRecord).ok());
  ASSERT_TRUE(platform::closeDirect(kUnit, false).ok());
  EXPECT_FALSE(exists(created)) << "closed with delete";

  ASSERT_TRUE(platform::openDirect(kUnit, "", DirectOpen::Scratch, kRecord).ok());
  const std::array<std::int32_t, 2> words = {7, 8};
  ASSERT_TRUE(platform::writeDirect(kUnit, 2, words).ok());
  std::array<std::int32_t, 2> back{};
  ASSERT_TRUE(platform::readDirect(kUnit, 2, back).ok());
  EXPECT_EQ(back, words);
  ASSERT_TRUE(platform::closeDirect(kUnit, true).ok());
  if (GetParam() == Kind::Host) {
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path())) << "no scratch file left";
  }
}

TEST_P(DirectFiles, RecordsAreWholeLittleEndianWordsWithoutMarkers) {
  const std::string file = name("words.dat");
  ASSERT_TRUE(platform::openDirect(kUnit, file, DirectOpen::Unknown, kRecord).ok());
  const std::array<std::int32_t, 2> words = {0x04030201, -2};
  ASSERT_TRUE(platform::writeDirect(kUnit, 2, words).ok());
  const std::string text = "ABCDE";
  ASSERT_TRUE(platform::writeDirect(kUnit, 3, std::span<const char>(text)).ok());

  const std::string stored = bytes(file);
  ASSERT_EQ(stored.size(), 3 * kRecord) << "short records are filled to their length";
  EXPECT_EQ(stored.substr(kRecord, 8), std::string("\x01\x02\x03\x04\xFE\xFF\xFF\xFF", 8));
  EXPECT_EQ(stored.substr(kRecord + 8, kRecord - 8), std::string(kRecord - 8, '\0'));
  EXPECT_EQ(stored.substr(2 * kRecord, 5), "ABCDE");

  std::array<char, 4> chars{};
  ASSERT_TRUE(platform::readDirect(kUnit, 3, chars).ok());
  EXPECT_EQ(std::string(chars.data(), 4), "ABCD");
  std::array<std::int32_t, 125> whole{};
  ASSERT_TRUE(platform::readDirect(kUnit, 2, whole).ok());
  EXPECT_EQ(whole[0], 0x04030201);
  EXPECT_EQ(whole[1], -2);
  EXPECT_EQ(whole[124], 0);
}

TEST_P(DirectFiles, AReadPastTheEndFailsInsteadOfGivingZeros) {
  ASSERT_TRUE(platform::openDirect(kUnit, name("end.dat"), DirectOpen::Unknown, kRecord).ok());
  std::array<std::int32_t, 3> words{1, 2, 3};
  ASSERT_TRUE(platform::writeDirect(kUnit, 1, words).ok());
  const DirectStatus beyond = platform::readDirect(kUnit, 2, words);
  EXPECT_EQ(beyond.result, DirectResult::PastEnd);
  EXPECT_EQ(beyond.code, platform::kPastEndCode);
  EXPECT_EQ(words, (std::array<std::int32_t, 3>{1, 2, 3})) << "the buffer is left alone";
}

TEST_P(DirectFiles, BadRequestsAreRefused) {
  const std::string file = name("bad.dat");
  struct Case {
    const char* what;
    int unit;
    std::size_t recordBytes;
  };
  for (const Case& c :
       {Case{"unit 0", 0, kRecord}, Case{"unit 101", 101, kRecord},
        Case{"unit 5 is standard input", 5, kRecord}, Case{"record length 300", kUnit, 300}}) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(platform::openDirect(c.unit, file, DirectOpen::Unknown, c.recordBytes).result,
              DirectResult::Error);
  }
  std::array<std::int32_t, 1> one{};
  EXPECT_EQ(platform::readDirect(kUnit, 1, one).result, DirectResult::NotOpen);

  ASSERT_TRUE(platform::openDirect(kUnit, file, DirectOpen::Unknown, kRecord).ok());
  EXPECT_EQ(platform::openDirect(kUnit, name("other.dat"), DirectOpen::Unknown, kRecord).result,
            DirectResult::Error)
      << "a connected number";
  EXPECT_EQ(platform::writeDirect(kUnit, 0, one).result, DirectResult::Error) << "record 0";
  const std::vector<std::int32_t> tooLong(126, 1);
  EXPECT_EQ(platform::writeDirect(kUnit, 1, tooLong).code, EINVAL) << "more than a record";
}

TEST_P(DirectFiles, BackslashesInNamesAreDirectorySeparators) {
  std::string windows = name("sub");
  if (GetParam() == Kind::Host) std::filesystem::create_directory(windows);
  windows += "\\x.dat";
  ASSERT_TRUE(platform::openDirect(kUnit, windows + "   ", DirectOpen::Unknown, kRecord).ok());
  ASSERT_TRUE(platform::closeDirect(kUnit, true).ok());
  EXPECT_TRUE(exists(name("sub") + "/x.dat"));
}

// The faulty wrapper spoils exactly the operation it is told to.
class FaultyFiles : public ::testing::Test {
 protected:
  ~FaultyFiles() override { platform::closeDirect(kUnit, true); }

  void open(const platform::DirectFaults& faults, std::string_view file = "a.dat") {
    faulty_.setFaults(faults);
    ASSERT_TRUE(platform::openDirect(kUnit, file, DirectOpen::Unknown, kRecord).ok());
  }

  platform::MemoryFileSystem memory_;
  platform::FaultyFileSystem faulty_{memory_};
  platform::UseDirectFileSystem use_{faulty_};
  std::array<std::int32_t, 4> words_{1, 2, 3, 4};
};

TEST_F(FaultyFiles, FailsTheNthWriteOnly) {
  open({.failWrite = 2});
  EXPECT_TRUE(platform::writeDirect(kUnit, 1, words_).ok());
  const DirectStatus failed = platform::writeDirect(kUnit, 2, words_);
  EXPECT_EQ(failed.result, DirectResult::Error);
  EXPECT_EQ(failed.code, EIO);
  EXPECT_TRUE(platform::writeDirect(kUnit, 3, words_).ok());
  EXPECT_EQ(faulty_.writes(), 3);
  EXPECT_EQ(memory_.contents("a.dat").size(), 3 * kRecord);
  std::array<std::int32_t, 4> back{};
  ASSERT_TRUE(platform::readDirect(kUnit, 2, back).ok());
  EXPECT_EQ(back, (std::array<std::int32_t, 4>{})) << "the failed write wrote nothing";
}

TEST_F(FaultyFiles, AShortReadIsAFailureAndAFlippedByteIsDelivered) {
  open({.shortRead = 2, .flipRead = 3, .flipOffset = 5});
  ASSERT_TRUE(platform::writeDirect(kUnit, 1, words_).ok());
  std::array<std::int32_t, 4> back{};
  EXPECT_TRUE(platform::readDirect(kUnit, 1, back).ok());
  EXPECT_EQ(platform::readDirect(kUnit, 1, back).result, DirectResult::PastEnd);
  ASSERT_TRUE(platform::readDirect(kUnit, 1, back).ok());
  EXPECT_EQ(back[1], 2 ^ 0xFF00) << "byte 5 is the second byte of word 2";
  EXPECT_EQ(faulty_.reads(), 3);
}

TEST_F(FaultyFiles, FailsOpenAndCloseAndSelectsFilesByName) {
  faulty_.setFaults({.failOpen = 1, .failClose = 1, .nameEnding = "2"});
  EXPECT_TRUE(platform::openDirect(kUnit, "db.zn1", DirectOpen::Unknown, kRecord).ok())
      << "not selected";
  ASSERT_TRUE(platform::closeDirect(kUnit, true).ok());
  const DirectStatus open = platform::openDirect(kUnit, "db.zn2", DirectOpen::Unknown, kRecord);
  EXPECT_EQ(open.result, DirectResult::Error) << "a failure other than a missing file";
  ASSERT_TRUE(platform::openDirect(kUnit, "db.zn2", DirectOpen::Unknown, kRecord).ok());
  EXPECT_EQ(platform::closeDirect(kUnit, true).result, DirectResult::Error);
  EXPECT_FALSE(platform::isDirectConnected(kUnit)) << "disconnected all the same";
  EXPECT_EQ(faulty_.opens(), 2);
}

// Writes a record and stops the run the production way, without closing the file.
void writeAndStop(const std::string& file) {
  platform::setStopHook(nullptr);
  platform::openDirect(kUnit, file, DirectOpen::Unknown, kRecord);
  const std::array<std::int32_t, 1> word = {0x41424344};
  platform::writeDirect(kUnit, 1, word);
  platform::stopProcess(15);
}

long writesNothing(int, const void*, std::size_t, std::uint64_t) { return 0; }

// A host write that writes nothing without an error (a full or failing device) made the
// write loop spin for ever: it is an error of the write.
TEST(HostDirectFiles, AWriteThatWritesNothingIsAnError) {
  testing_support::TempDir dir;
  std::unique_ptr<DirectFile> file;
  ASSERT_TRUE(platform::hostFileSystem()
                  .open(dir.file("stuck.dat").string(), DirectOpen::Unknown, file)
                  .ok());
  const platform::PositionalWrite previous = platform::setHostPositionalWrite(&writesNothing);
  const std::array<std::byte, 8> bytes{};
  const DirectStatus status = file->write(0, bytes);
  platform::setHostPositionalWrite(previous);
  EXPECT_EQ(status.result, DirectResult::Error);
  EXPECT_TRUE(file->write(0, bytes).ok());
  EXPECT_TRUE(file->close(true).ok());
}

// A record written before the run stops is in the file, with no close and no flush.
TEST(DirectFilesStop, WritesAreInTheFileWhenTheRunStops) {
  testing_support::TempDir dir;
  const std::string file = dir.file("kept.dat").string();
  EXPECT_EXIT(writeAndStop(file), ::testing::ExitedWithCode(15), "");
  const std::string stored = testing_support::readFile(file);
  ASSERT_EQ(stored.size(), kRecord);
  EXPECT_EQ(stored.substr(0, 4), "DCBA");
}

}  // namespace
