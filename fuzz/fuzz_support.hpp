// What the fuzz targets share: the quiet start of the library, the temporary directory of the
// fixture problem, its files held in memory and damaged by patches, opening it through the
// export, the texts passed with abused lengths, the report of a finding and the core store's
// check after an input.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/direct_files.hpp"
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

// The problem's database files held in memory: once use() was called, the library opens,
// reads and writes them there through the in-memory file seam, so that an input costs no
// disk transfer. The files stay on the disk as well (the open looks for them there first);
// their bytes on the disk are never read again. The seam stays installed for the life of
// the process. The writes the library makes are counted, so that putting the images back
// copies nothing when nothing was written or damaged (a copy of the files per input would
// cost more than the input).
class FilesInMemory {
 public:
  FilesInMemory() = default;
  FilesInMemory(const FilesInMemory&) = delete;
  FilesInMemory& operator=(const FilesInMemory&) = delete;

  // Takes the file PATH from the disk as it is now; returns its number.
  std::size_t add(const fs::path& path) {
    names_.push_back(platform::hostFileName(path.string()));
    const std::vector<char> bytes = readBytes(path);
    images_.emplace_back(reinterpret_cast<const std::byte*>(bytes.data()),
                         reinterpret_cast<const std::byte*>(bytes.data()) + bytes.size());
    memory_.setContents(names_.back(), images_.back());
    return names_.size() - 1;
  }
  // From now on the library's direct files are those held here; with READONLY every named
  // file opens for reading only, as files the run may not write.
  void use(bool readOnly = false) {
    platform::setDirectFileSystem(readOnly ? &readOnly_ : &counted_);
  }
  // The files' present bytes become the ones restore() puts back.
  void keepAsImages() {
    for (std::size_t k = 0; k < names_.size(); ++k) images_[k] = memory_.contents(names_[k]);
    settled();
  }
  // Every file back to its image (only those that differ from it are copied).
  void restore() {
    if (!written() && !damaged_) return;
    for (std::size_t k = 0; k < names_.size(); ++k) {
      if (!memory_.holds(names_[k], images_[k])) memory_.setContents(names_[k], copyOf(images_[k]));
    }
    settled();
  }
  // File K gets BYTES (a damaged image) until the next restore().
  void set(std::size_t k, std::vector<std::byte> bytes) {
    memory_.setContents(names_[k], std::move(bytes));
    damaged_ = true;
  }
  std::size_t size() const { return names_.size(); }
  const std::vector<std::byte>& image(std::size_t k) const { return images_[k]; }
  std::vector<std::byte> contents(std::size_t k) const { return memory_.contents(names_[k]); }
  // Whether the files hold their images (compared only when something was written).
  bool unchanged() const {
    if (!written() && !damaged_) return true;
    for (std::size_t k = 0; k < names_.size(); ++k) {
      if (!memory_.holds(names_[k], images_[k])) return false;
    }
    return true;
  }
  // A copy of BYTES made by memcpy (a vector's own copy goes through the sanitizer's slow
  // memmove).
  static std::vector<std::byte> copyOf(const std::vector<std::byte>& bytes) {
    std::vector<std::byte> copy(bytes.size());
    if (!bytes.empty()) std::memcpy(copy.data(), bytes.data(), bytes.size());
    return copy;
  }

 private:
  bool written() const { return counted_.writes() != writesSettled_; }
  void settled() {
    writesSettled_ = counted_.writes();
    damaged_ = false;
  }

  platform::MemoryFileSystem memory_;
  platform::FaultyFileSystem counted_{memory_};
  platform::FaultyFileSystem readOnly_{memory_, platform::DirectFaults{.readOnly = true}};
  std::vector<std::string> names_;
  std::vector<std::vector<std::byte>> images_;
  int writesSettled_ = 0;
  bool damaged_ = false;
};

// Patches laid over the files, as the problem-open target reads them from its input: each
// a file byte (modulo the file count), three bytes of offset (little-endian, modulo the
// file's length), a length byte N and N bytes laid from the offset, cut where the file
// ends. Reads COUNT patches from DATA (fewer when it ends) and returns the bytes used.
inline std::size_t applyPatches(FilesInMemory& files, const std::uint8_t* data, std::size_t size,
                                std::size_t count) {
  constexpr std::size_t kHead = 5;
  std::size_t at = 0;
  for (std::size_t p = 0; p < count && size - at >= kHead; ++p) {
    const std::size_t file = data[at] % files.size();
    std::vector<std::byte> image = FilesInMemory::copyOf(files.image(file));
    if (image.empty()) break;
    const std::size_t offset =
        (data[at + 1] | (data[at + 2] << 8) | (std::size_t{data[at + 3]} << 16)) % image.size();
    const std::size_t n = std::min<std::size_t>(data[at + 4], size - at - kHead);
    at += kHead;
    for (std::size_t k = 0; k < n && offset + k < image.size(); ++k) {
      image[offset + k] = static_cast<std::byte>(data[at + k]);
    }
    at += n;
    files.set(file, std::move(image));
  }
  return at;
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
