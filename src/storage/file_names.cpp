// File names: splitting a path, the default name parts, composing names, and opening plain
// sequential files under numbers of the unit map.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.hpp"
#include "services/services.hpp"
#include "storage/current_routine.hpp"
#include "storage/file_internal.hpp"
#include "storage/files.hpp"

namespace storage {
namespace {

using services::FixedText;
using services::isBlank;
using services::trimRight;

// Directory separators: the drive colon, the backslash and, on this system, the slash.
constexpr std::string_view kSeparators = ":\\/";

struct PathParts {
  FixedText<kNameLength> directory;
  FixedText<kNameLength> name;
  FixedText<kNameLength> extension;
};

PathParts split(std::string_view path) {
  PathParts parts;
  std::int32_t flag = 0;
  FISPLT(path, parts.directory, parts.name, parts.extension, flag);
  return parts;
}

// The part when it is not blank, else the first of the fallbacks that is not blank.
std::string_view firstNonBlank(std::string_view part, std::string_view argument,
                               std::string_view fallback, bool useFallback) {
  if (!isBlank(part)) return part;
  if (!isBlank(argument)) return argument;
  return useFallback ? fallback : std::string_view();
}

}  // namespace

void FISPLT(std::string_view path, std::span<char> directory, std::span<char> name,
            std::span<char> extension, std::int32_t& flag) {
  // 1. All blank.
  services::blankText(directory);
  services::blankText(name);
  services::blankText(extension);
  flag = 0;
  // 2. The path without trailing blanks.
  const std::string_view text = trimRight(path);
  if (text.empty()) return;
  // 3. The directory: up to and including the last separator.
  const std::size_t separator = text.find_last_of(kSeparators);
  std::size_t start = 0;
  if (separator != std::string_view::npos) {
    services::assignText(directory, text.substr(0, separator + 1));
    start = separator + 1;
  }
  // 4. The extension: from the last "." after the directory; a final "." makes none.
  const std::size_t dot = text.find_last_of('.');
  std::size_t end = text.size();
  if (dot != std::string_view::npos && dot >= start) {
    end = dot;
    if (dot + 1 < text.size()) services::assignText(extension, text.substr(dot));
  }
  // 5. The name between them.
  if (start < end) services::assignText(name, text.substr(start, end - start));
}

void FIDFLT(std::string_view directory, std::string_view name, std::string_view extension) {
  CURRTN.fi.assign("FIDFLT");
  if (!isBlank(directory)) fileLayer.defaultDirectory.assign(directory);
  if (!isBlank(name)) fileLayer.defaultName.assign(name);
  if (!isBlank(extension)) fileLayer.defaultExtension.assign(extension);
}

void FINAME(std::string_view path, std::string_view directory, std::string_view name,
            std::string_view extension1, std::string_view extension2, std::int32_t option,
            std::span<char> result) {
  CURRTN.fi.assign("FINAME");
  static_cast<void>(extension1);  // the first extension has never been used
  // 1. The parts of the path.
  const PathParts parts = isBlank(path) ? PathParts{} : split(path);
  // 2. Blank parts from the arguments, then (odd option) from the defaults.
  const bool defaults = option % 2 != 0;
  const std::string_view d =
      firstNonBlank(parts.directory.view(), directory, fileLayer.defaultDirectory.view(), defaults);
  const std::string_view n =
      firstNonBlank(parts.name.view(), name, fileLayer.defaultName.view(), defaults);
  const std::string_view e = trimRight(firstNonBlank(parts.extension.view(), extension2,
                                                     fileLayer.defaultExtension.view(), defaults));
  // 3. The extension with its dot.
  std::string x;
  if (!isBlank(e)) x = e.front() == '.' ? std::string(e) : "." + std::string(e);
  // 4. Joined as they are: no separator between directory and name.
  services::assignText(result, std::string(trimRight(d)) + std::string(trimRight(n)) + x);
}

void FIOPEN(std::int32_t& ioUnit, std::int32_t option, std::string_view fileName,
            std::string_view role) {
  CURRTN.fi.assign("FIOPEN");
  static_cast<void>(role);
  file_internal::traceCall("FIOPEN", &fileTrace.openClose);
  // 1-2. A number the layer holds already is open.
  const std::string_view name =
      trimRight(fileName.substr(0, std::min(fileName.size(), kNameLength)));
  if (ioUnit > 0 && ioUnit <= kMaxIoUnits &&
      fileLayer.unitMap.at(static_cast<std::size_t>(ioUnit)) == '1') {
    return;
  }
  // 3. A negative number draws the lowest free one.
  if (ioUnit < 0) FIGETU(1, ioUnit, '1');
  // 4. Status and access by the option's last digit (text files have one form here).
  const std::int32_t digit = option % 10;
  platform::FileStatus status = platform::FileStatus::Old;
  platform::FileAccess access = platform::FileAccess::Read;
  if (digit == 1 || digit == 2) {
    status = platform::FileStatus::Old;
    access = platform::FileAccess::Read;
  } else if (digit >= 3 && digit <= 5) {
    status = platform::FileStatus::Unknown;
    access = platform::FileAccess::Write;
  } else {
    return;
  }
  errno = 0;
  const platform::IoResult result = platform::openSequential(ioUnit, name, status, access);
  // 5. The outcome.
  if (result == platform::IoResult::Ok) return;
  if (result == platform::IoResult::NotFound) FIERR(FileError::FileNotFound, "FIOPEN", name);
  const std::int32_t code = errno != 0 ? errno : EINVAL;
  FIERR(FileError::OpenFailed, "FIOPEN", name, {code, ioUnit, services::IMISS});
}

}  // namespace storage
