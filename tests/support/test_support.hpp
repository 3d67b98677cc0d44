// Helpers shared by the tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/platform.hpp"

namespace testing_support {

// While alive, a run stop throws platform::RunStopped instead of ending the process, and
// the reasons of stops are not shown (the test reads them from the report lines).
class StopThrows {
 public:
  StopThrows()
      : previous_(platform::setStopHook(&platform::throwingStopHook)),
        previousSink_(platform::setDiagnosticSink([](std::string_view) {})) {}
  ~StopThrows() {
    platform::setStopHook(previous_);
    platform::setDiagnosticSink(previousSink_);
  }
  StopThrows(const StopThrows&) = delete;
  StopThrows& operator=(const StopThrows&) = delete;

 private:
  platform::StopHook previous_;
  platform::DiagnosticSink previousSink_;
};

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path file(std::string_view name) const { return path_ / name; }
  // Writes `contents` to the file `name` and returns its path.
  std::filesystem::path write(std::string_view name, std::string_view contents) const;

 private:
  std::filesystem::path path_;
};

// Reads a whole file.
std::string readFile(const std::filesystem::path& path);

// The shipped data directory of the source tree.
std::filesystem::path dataDir();

}  // namespace testing_support
