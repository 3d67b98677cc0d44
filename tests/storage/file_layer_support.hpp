// Helpers of the file-layer tests: a started layer over a temporary directory, attaching a
// group, and catching the abort report of a failing call.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fixtures/file_groups.hpp"
#include "platform/platform.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace file_tests {

// What an abort left: the message (its continuation lines joined), the heading line and
// the items as printed ("REQ GRP 21").
struct Abort {
  bool stopped = false;
  std::string message;
  std::string heading;
  std::vector<std::string> items;
};

inline Abort collectAbort() {
  Abort abort;
  abort.stopped = true;
  const std::string prefix = "*** ABORT ***  ";
  const std::string more = "               ... ";
  for (int k = 1; k <= services::MSGTXT.lineCount; ++k) {
    std::string line = services::MSGTXT.lines(static_cast<std::size_t>(k)).str();
    const bool continued = line.size() == 78 && line.substr(74) == " ...";
    if (k == 1 || line.rfind(more, 0) == 0) {
      std::string text = line.substr(k == 1 ? prefix.size() : more.size());
      // The characters under a " ..." mark open the next line.
      if (continued && k < services::MSGTXT.lineCount &&
          services::MSGTXT.lines(static_cast<std::size_t>(k + 1)).str().rfind(more, 0) == 0) {
        text.resize(text.size() - 4);
      }
      abort.message += text;
    } else if (line.find("SUBSYSTEM") != std::string::npos) {
      abort.heading = std::string(services::trimRight(line));
    }
  }
  abort.message = std::string(services::trimRight(abort.message));
  for (int k = 1; k <= services::ERITEM.count; ++k) {
    abort.items.push_back(
        std::string(services::ERITEM.items(static_cast<std::size_t>(k)).trimmed()));
  }
  return abort;
}

// Runs CALL, which must end in an abort report (exit status 15), and returns the report.
inline Abort abortOf(const std::function<void()>& call) {
  testing_support::StopThrows stop;
  services::ERINIT();
  try {
    call();
  } catch (const platform::RunStopped& stopped) {
    EXPECT_EQ(stopped.status, 15);
    return collectAbort();
  }
  return Abort{};
}

// Checks that CALL ends in MESSAGE with exactly ITEMS.
inline void expectAbort(const std::function<void()>& call, const std::string& message,
                        const std::vector<std::string>& items) {
  const Abort abort = abortOf(call);
  ASSERT_TRUE(abort.stopped) << "no abort; expected " << message;
  EXPECT_EQ(abort.message, message);
  EXPECT_EQ(abort.items, items);
}

struct Attached {
  std::int32_t sequence = 0;
  std::string file;
  std::string level;
  std::string description;
  std::int32_t masterLength = 0;
  std::int32_t masterAddress = 0;
};

inline Attached attach(std::int32_t group, const std::string& base, std::int32_t irw = 20,
                       std::int32_t lun = -1, std::int32_t sizeCode = 1) {
  Attached a;
  services::FixedText<12> file;
  services::FixedText<12> level;
  services::FixedText<100> description;
  storage::FIATCH(group, a.sequence, sizeCode, irw, lun, base, "TEST", file, level, description,
                  a.masterLength, a.masterAddress);
  a.file = file.trimmed();
  a.level = level.trimmed();
  a.description = description.trimmed();
  return a;
}

// A started file layer over a temporary directory; started again at the end so that no
// file stays open.
class FileLayerTest : public ::testing::Test {
 protected:
  FileLayerTest() {
    services::ERINIT();
    storage::FIINIT();
  }
  ~FileLayerTest() override { storage::FIINIT(); }

  // An abort that a test does not expect fails the test instead of ending the process.
  testing_support::StopThrows stop_;

  // A group of files of the given record sizes (all created) under the name "NAME.zn".
  fixtures::FileGroupPlan group(std::int32_t number, std::vector<std::int32_t> sizes,
                                std::string name = "db") const {
    fixtures::FileGroupPlan plan;
    plan.group = number;
    plan.baseName = dir_.file(name + ".zn").string();
    plan.files.clear();
    for (std::int32_t size : sizes) plan.files.push_back({size, true, -1});
    plan.file = "DB FILE";
    plan.level = "LEVEL 5";
    plan.description = "A TEST GROUP";
    return plan;
  }

  const storage::FileUnit& unit(std::int32_t k) const {
    return storage::fileLayer.units(static_cast<std::size_t>(k));
  }

  testing_support::TempDir dir_;
};

}  // namespace file_tests
