// A small message file for the message tests, opened as the run's message file.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"

namespace message_testing {

inline constexpr int kMessageUnit = 50;

// A header record: key in columns 1-10, level letter in column 12, text from column 14.
inline std::string header(const std::string& key, char level, const std::string& text) {
  return key + " " + level + " " + text;
}

// A continuation record: text from column 14.
inline std::string more(const std::string& text) { return std::string(13, ' ') + text; }

// The messages shared by the tests.
inline std::vector<std::string> standardRecords() {
  return {
      "* Messages of the message tests",
      header("0000000020", 'M', "MESSAGE TWENTY"),
      header("0000000030", 'W', "WARNING THIRTY WITH $I 1$ AND $R 2$"),
      more("CONTINUED HERE"),
      header("0000000040", 'E', "ERROR FORTY $C 1$ / $D 2$ / $S 3,8$"),
      "*",
      header("0000000050", 'A', "ABORT FIFTY $S 1,20$"),
      header("0000000060", 'M', "T: $T 1(ONE/TWO/THREE)$ L: $L 2( UN ITS )$"),
      header("0000000070", 'M', "BAD $I 0$ $I 11$ $Q 1$ $ I  3 $ END"),
      header("0000000080", 'M', "DANGLING $I 1$ AND $I 1 NOT CLOSED"),
      header("0000000090", 'M', "$DU1$"),
      header("0000000100", 'M', std::string(67, 'A')),
      "* the header above ends at its comment",
      more("NOT A CONTINUATION ANY MORE"),
      header("0000000110", 'X', "UNKNOWN LEVEL LETTER"),
      header("0000000120", 'M', "  "),
      header("UNITS     ", ' ', "KELVIN/CELSIUS/"),
      more("RANKINE"),
  };
}

// Opens the records as the run's message file and resets the message state.
class MessageFile : public ::testing::Test {
 protected:
  void SetUp() override { open(standardRecords()); }
  void TearDown() override { platform::closeUnit(kMessageUnit, true); }

  void open(const std::vector<std::string>& records) {
    platform::closeUnit(kMessageUnit, true);
    std::string contents;
    for (const auto& record : records) contents += record + "\n";
    const auto path = dir_.write("veltra.err", contents);
    ASSERT_EQ(platform::openSequential(kMessageUnit, path.string(), platform::FileStatus::Old,
                                       platform::FileAccess::Read),
              platform::IoResult::Ok);
    services::ERINIT();
    services::ERSETO("FILE", kMessageUnit);
  }

  // The expanded text of message n.
  static std::string expanded(std::int32_t n) {
    services::MSGGET(n);
    return std::string(services::MSGTXT.expanded.view().substr(
        0, static_cast<std::size_t>(services::MSGTXT.expandedLength)));
  }

 private:
  testing_support::TempDir dir_;
};

}  // namespace message_testing
