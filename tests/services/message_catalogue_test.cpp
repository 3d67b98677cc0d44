// The shipped message file, read through the system's own lookup.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"

namespace {

using services::MessageLevel;

constexpr int kUnit = 51;

struct Entry {
  std::int32_t number;
  MessageLevel level;
};

// Every number the library issues, at the level its callers rely on: abort for the numbers
// after which the run always stops, lower levels where the run goes on.
const std::vector<Entry> kCatalogue = {
    {30001271, MessageLevel::Warning},   {1000000213, MessageLevel::Warning},
    {1000000214, MessageLevel::Warning}, {1000001010, MessageLevel::Message},
    {1000001020, MessageLevel::Error},   {1000001030, MessageLevel::Error},
    {1000001040, MessageLevel::Error},   {1030001098, MessageLevel::Error},
    {1030001198, MessageLevel::Warning}, {1030001199, MessageLevel::Warning},
    {1030001272, MessageLevel::Error},   {1040010013, MessageLevel::Warning},
    {1050000150, MessageLevel::Error},   {1050000162, MessageLevel::Error},
    {1050000163, MessageLevel::Error},   {1100000016, MessageLevel::Error},
    {1700010034, MessageLevel::Warning}, {1990001130, MessageLevel::Abort},
    {1990001131, MessageLevel::Abort},   {1990001132, MessageLevel::Abort},
    {1990001251, MessageLevel::Abort},   {1990001273, MessageLevel::Abort},
    {1990002100, MessageLevel::Abort},   {1990002102, MessageLevel::Abort},
    {1990002103, MessageLevel::Abort},   {1990020001, MessageLevel::Abort},
    {1990020003, MessageLevel::Abort},   {1990020004, MessageLevel::Abort},
    {1990020005, MessageLevel::Abort},   {1990050002, MessageLevel::Abort},
    {1990100000, MessageLevel::Abort},   {1990111203, MessageLevel::Abort},
};

class MessageCatalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto path = testing_support::dataDir() / "veltra.err";
    ASSERT_EQ(platform::openSequential(kUnit, path.string(), platform::FileStatus::Old,
                                       platform::FileAccess::Read),
              platform::IoResult::Ok);
    services::ERINIT();
    services::ERSETO("FILE", kUnit);
  }
  void TearDown() override { platform::closeUnit(kUnit, true); }
};

// Every number is found at its level, in ascending and in descending order (which rewinds
// for each), and its macros expand with every parameter set.
TEST_F(MessageCatalogue, EveryNumberIsFoundAtItsLevel) {
  for (const bool descending : {false, true}) {
    for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
      const Entry& entry = descending ? kCatalogue[kCatalogue.size() - 1 - i] : kCatalogue[i];
      SCOPED_TRACE(entry.number);
      services::MSGPAR.integers.fill(1);
      services::MSGPAR.reals.fill(1.5f);
      for (auto& text : services::MSGPAR.shortTexts.values) text.assign("SHORT");
      for (auto& text : services::MSGPAR.longTexts.values) text.assign("LONG");
      services::MSGPAR.composition.assign("- CALLED FROM CALLER");
      services::MSGGET(entry.number);
      const std::string text(services::MSGTXT.expanded.trimmed());
      EXPECT_EQ(services::MSGTXT.level, entry.level) << text;
      EXPECT_EQ(text.find(" - MESSAGE"), std::string::npos) << text;
      EXPECT_EQ(text.find("ERROR FILE"), std::string::npos) << text;
      EXPECT_EQ(text.find("$MACRO ERROR$"), std::string::npos) << text;
      EXPECT_FALSE(services::MSGTXT.overflow) << text;
    }
  }
}

TEST_F(MessageCatalogue, MethodSetAbortNamesTheSetAndTheCaller) {
  testing_support::StopThrows stop;
  services::MSGPAR.integers(1) = 7;
  EXPECT_THROW(services::MSGABT(1990020003, "FCINIT"), platform::RunStopped);
  std::string shown;
  for (int k = 1; k <= services::MSGTXT.lineCount; ++k) {
    shown += std::string(services::MSGTXT.lines(k).view().substr(15));
  }
  EXPECT_NE(shown.find("METHOD SET 7"), std::string::npos) << shown;
  EXPECT_NE(shown.find("- CALLED FROM FCINIT"), std::string::npos) << shown;
  EXPECT_EQ(services::MSGTXT.lines(1).view().substr(0, 15), "*** ABORT ***  ");
}

}  // namespace
