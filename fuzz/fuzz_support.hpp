// What the fuzz targets share: the quiet start of the library, the temporary directory of the
// fixture problem, opening it through the export, the texts passed with abused lengths, the
// report of a finding and the core store's check after an input.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/platform.hpp"
#include "storage/core_store_checker.hpp"
#include "vendrakol.h"

namespace fuzz_support {

namespace fs = std::filesystem;

// Reports a finding on the standard error and aborts: libFuzzer keeps the input.
[[noreturn]] inline void finding(const char* what) {
  std::fprintf(stderr, "==== %s\n", what);
  std::abort();
}

// A fatal error throws instead of ending the process, the library's messages and listings
// on the standard unit go nowhere (VENDRAKOL_FUZZ_SHOW set keeps the messages).
inline void startQuietly() {
  platform::setStopHook(&platform::throwingStopHook);
  if (std::getenv("VENDRAKOL_FUZZ_SHOW") == nullptr) {
    platform::setDiagnosticSink([](std::string_view) {});
  }
  platform::redirectStandardUnit(platform::kStdoutUnit, "/dev/null");
}

// A new directory under the temporary directory, removed when the object goes.
struct TemporaryDirectory {
  fs::path path;
  TemporaryDirectory() {
    std::string pattern = (fs::temp_directory_path() / "vendrakol-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(2);
    }
    path = pattern;
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
};

inline std::vector<char> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const fs::path& path, const std::vector<char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) finding("a problem file could not be restored");
}

// Opens the problem NAME (the database name without its ".zn") with the directory DIR2
// (ending in '/') through PAOPEN and counts it with PAMISC, as a host does first. Returns
// false when PAOPEN refuses.
inline bool openProblem(const std::string& name, const std::string& dir2) {
  std::int32_t iout = 0;
  std::int32_t ierr = -1;
  ::PAOPEN(name.data(), static_cast<std::int32_t>(name.size()), dir2.data(),
           static_cast<std::int32_t>(dir2.size()), &iout, &ierr);
  if (ierr != 0) return false;
  std::int32_t ncomp = 0, nstrm = 0, nunit = 0;
  ::PAMISC(&ncomp, &nstrm, &nunit, &ierr);
  return true;
}

// A text as the input says to pass it: its address and the length given.
struct PassedText {
  std::string bytes;  // the text with a NUL after it
  std::int32_t length = 0;
};

// HOW (modulo 5): the text's own length, 0, -1, the largest integer (the text ends in a
// NUL), one short.
inline PassedText passed(std::string_view text, std::uint8_t how) {
  PassedText t{std::string(text) + '\0', static_cast<std::int32_t>(text.size())};
  switch (how % 5) {
    case 1:
      t.length = 0;
      break;
    case 2:
      t.length = -1;
      break;
    case 3:
      t.length = INT32_MAX;
      break;
    case 4:
      t.length = t.length > 0 ? t.length - 1 : 0;
      break;
    default:
      break;
  }
  return t;
}

template <std::size_t N>
std::string_view pick(const std::string_view (&list)[N], std::uint8_t byte) {
  return list[byte % N];
}

// The core store's consistency check of the storage tests, after an input.
inline void checkCoreStore() {
  std::string fault;
  try {
    fault = storage_testing::checkCoreStore();
  } catch (const platform::RunStopped&) {
    fault = "a tag or tree word leads outside the store";
  }
  if (!fault.empty()) finding(("core store damaged after the input: " + fault).c_str());
}

}  // namespace fuzz_support
