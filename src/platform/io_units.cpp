// The I/O unit table: unit numbers connected to sequential text files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/platform.hpp"

namespace platform {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct Connection {
  std::unique_ptr<std::FILE, FileCloser> file;
  std::string name;
};

// Index 0 is unused so that unit n sits at index n.
std::array<Connection, kLastUnit + 1>& connections() {
  static std::array<Connection, kLastUnit + 1> table;
  return table;
}

bool inRange(int unit) { return unit >= kFirstUnit && unit <= kLastUnit; }

bool isStandard(int unit) { return unit == kStdinUnit || unit == kStdoutUnit; }

// The files that units 5 and 6 are redirected to; none while they use the standard streams.
Connection& redirection(int unit) {
  static std::array<Connection, 2> table;
  return table[unit == kStdinUnit ? 0 : 1];
}

std::FILE* streamOf(int unit) {
  if (isStandard(unit)) {
    if (std::FILE* redirected = redirection(unit).file.get()) return redirected;
  }
  if (unit == kStdinUnit) return stdin;
  if (unit == kStdoutUnit) return stdout;
  if (!inRange(unit)) return nullptr;
  return connections()[static_cast<std::size_t>(unit)].file.get();
}

// Opens PATH as a stream of MODE ("r" or "w") only when it is a regular file: a FIFO, a
// device or a directory in its place is refused (errno EINVAL, EISDIR for a directory)
// without waiting for a peer and without reading or writing it. A write creates a missing
// file and empties an existing one.
std::FILE* openRegular(const std::string& path, bool write) {
  const int flags = (write ? O_WRONLY | O_CREAT : O_RDONLY) | O_NONBLOCK | O_CLOEXEC;
  const int descriptor = ::open(path.c_str(), flags, 0666);
  if (descriptor < 0) return nullptr;
  struct stat info {};
  if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    ::close(descriptor);
    errno = error;
    return nullptr;
  }
  const int status = ::fcntl(descriptor, F_GETFL);
  const bool ready = status >= 0 && ::fcntl(descriptor, F_SETFL, status & ~O_NONBLOCK) == 0 &&
                     (!write || ::ftruncate(descriptor, 0) == 0);
  std::FILE* file = ready ? ::fdopen(descriptor, write ? "w" : "r") : nullptr;
  if (file == nullptr) {
    const int error = errno;
    ::close(descriptor);
    errno = error;
  }
  return file;
}

}  // namespace

std::string hostFileName(std::string_view name) {
  std::string result(name);
  for (char& c : result) {
    if (c == '\\') c = '/';
  }
  return result;
}

IoResult openSequential(int unit, std::string_view name, FileStatus status,
                        FileAccess access) {
  if (!inRange(unit) || isStandard(unit)) return IoResult::Error;
  Connection& slot = connections()[static_cast<std::size_t>(unit)];
  if (slot.file) return IoResult::Error;
  const std::string path = hostFileName(name);
  if (path.empty()) return IoResult::NotFound;

  // Only regular files are connected: a FIFO would block the open for ever, and a device
  // or a directory is no text file.
  std::FILE* file = nullptr;
  if (access == FileAccess::Read) {
    file = openRegular(path, false);
    if (file == nullptr && errno == ENOENT && status == FileStatus::Unknown) {
      // An unknown file that is missing is created empty, then read.
      if (std::FILE* created = openRegular(path, true)) {
        std::fclose(created);
        file = openRegular(path, false);
      }
    }
  } else if (status == FileStatus::Old) {
    // An old file must exist before it is emptied and written.
    if (std::FILE* existing = openRegular(path, false)) {
      std::fclose(existing);
      file = openRegular(path, true);
    }
  } else {
    file = openRegular(path, true);
  }
  if (file == nullptr) {
    return errno == ENOENT ? IoResult::NotFound : IoResult::Error;
  }
  slot.file.reset(file);
  slot.name = path;
  return IoResult::Ok;
}

IoResult readRecord(int unit, std::span<char> record) {
  std::FILE* file = streamOf(unit);
  if (file == nullptr) return IoResult::NotOpen;
  std::size_t filled = 0;
  bool sawAny = false;
  for (;;) {
    const int c = std::fgetc(file);
    if (c == EOF) {
      if (std::ferror(file)) return IoResult::Error;
      if (!sawAny) return IoResult::EndOfFile;
      break;
    }
    sawAny = true;
    if (c == '\n') break;
    if (c == '\r') continue;
    if (filled < record.size()) record[filled++] = static_cast<char>(c);
  }
  for (std::size_t i = filled; i < record.size(); ++i) record[i] = ' ';
  return IoResult::Ok;
}

IoResult rewindUnit(int unit) {
  std::FILE* file = streamOf(unit);
  if (file == nullptr) return IoResult::NotOpen;
  if (isStandard(unit)) return IoResult::Ok;
  std::clearerr(file);
  return std::fseek(file, 0, SEEK_SET) == 0 ? IoResult::Ok : IoResult::Error;
}

IoResult writeLine(int unit, std::string_view line) {
  if (unit == kNoUnit) return IoResult::Ok;
  std::FILE* file = streamOf(unit);
  if (file == nullptr) return IoResult::NotOpen;
  std::size_t length = line.size();
  while (length > 0 && line[length - 1] == ' ') --length;
  if (length > 0 && std::fwrite(line.data(), 1, length, file) != length) {
    return IoResult::Error;
  }
  if (std::fputc('\n', file) == EOF) return IoResult::Error;
  // Report lines must be readable by another process at once, and nothing may be lost
  // when the run stops.
  return std::fflush(file) == 0 ? IoResult::Ok : IoResult::Error;
}

IoResult writeText(int unit, std::string_view text) {
  if (unit == kNoUnit) return IoResult::Ok;
  std::FILE* file = streamOf(unit);
  if (file == nullptr) return IoResult::NotOpen;
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
    return IoResult::Error;
  }
  return std::fflush(file) == 0 ? IoResult::Ok : IoResult::Error;
}

IoResult closeUnit(int unit, bool keep) {
  if (isStandard(unit)) return IoResult::Ok;
  if (!inRange(unit)) return IoResult::Error;
  Connection& slot = connections()[static_cast<std::size_t>(unit)];
  if (!slot.file) return IoResult::NotOpen;
  const bool closedCleanly = std::fclose(slot.file.release()) == 0;
  if (!keep) std::remove(slot.name.c_str());
  slot.name.clear();
  return closedCleanly ? IoResult::Ok : IoResult::Error;
}

bool isConnected(int unit) { return streamOf(unit) != nullptr; }

IoResult redirectStandardUnit(int unit, std::string_view name) {
  if (!isStandard(unit)) return IoResult::Error;
  Connection& slot = redirection(unit);
  if (slot.file) return IoResult::Error;
  const std::string path = hostFileName(name);
  std::FILE* file = std::fopen(path.c_str(), unit == kStdinUnit ? "r" : "w");
  if (file == nullptr) return errno == ENOENT ? IoResult::NotFound : IoResult::Error;
  if (unit == kStdoutUnit) std::fflush(stdout);
  slot.file.reset(file);
  slot.name = path;
  return IoResult::Ok;
}

IoResult restoreStandardUnit(int unit) {
  if (!isStandard(unit)) return IoResult::Error;
  Connection& slot = redirection(unit);
  if (!slot.file) return IoResult::NotOpen;
  const bool closedCleanly = std::fclose(slot.file.release()) == 0;
  slot.name.clear();
  return closedCleanly ? IoResult::Ok : IoResult::Error;
}

}  // namespace platform
