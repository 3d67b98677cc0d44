// File units: opening and closing the files of units and plain files, and the unit map of
// I/O unit numbers.
#include <cerrno>
#include <cstdint>
#include <string_view>

#include "platform/platform.hpp"
#include "services/services.hpp"
#include "storage/current_routine.hpp"
#include "storage/file_internal.hpp"
#include "storage/files.hpp"

namespace storage {
namespace {

using file_internal::abortFiles;

constexpr char kFree = '0';
constexpr char kLayerMark = '1';
constexpr char kSystem = '3';
constexpr std::string_view kScratchPrefix = "SCRATCH";

char& mapAt(std::int32_t number) { return fileLayer.unitMap.at(static_cast<std::size_t>(number)); }

}  // namespace

namespace file_internal {

FileUnit& unitAt(std::int32_t unit, std::int32_t code, std::string_view routine) {
  if (unit < 1 || unit > fileLayer.unitCount) {
    FIERR(code, routine, " ", {EINVAL, unit, services::IMISS});
  }
  return fileLayer.units(static_cast<std::size_t>(unit));
}

}  // namespace file_internal

void FIUO(std::int32_t unit) {
  FileUnit& u =
      file_internal::unitAt(unit, static_cast<std::int32_t>(FileError::OpenFailed), "FIUO");
  file_internal::traceCall("FIUO", &fileTrace.openClose);
  // 1. A unit without a number draws the lowest free one.
  if (u.ioUnit < 0) FIGETU(1, u.ioUnit, kLayerMark);
  // 2-3. Scratch, created when missing, or existing.
  const std::string_view name = u.name.trimmed();
  platform::DirectOpen how = platform::DirectOpen::Old;
  if (name.substr(0, kScratchPrefix.size()) == kScratchPrefix) {
    how = platform::DirectOpen::Scratch;
  } else if (u.state == UnitFileState::NotCreated) {
    how = platform::DirectOpen::Unknown;
  }
  const auto recordBytes = static_cast<std::size_t>(u.recordSize) * platform::kWordBytes;
  const platform::DirectStatus status = platform::openDirect(u.ioUnit, name, how, recordBytes);
  // 4. The outcome.
  if (status.ok()) {
    u.state = UnitFileState::Open;
    return;
  }
  if (status.result == platform::DirectResult::NotFound)
    FIERR(FileError::FileNotFound, "FIUO", name);
  FIERR(FileError::OpenFailed, "FIUO", name, {status.code, u.ioUnit, u.fileCode});
}

void FIUC(std::int32_t unit, std::int32_t closeOption) {
  FileUnit& u =
      file_internal::unitAt(unit, static_cast<std::int32_t>(FileError::CloseFailed), "FIUC");
  file_internal::traceCall("FIUC", &fileTrace.openClose);
  if (u.state != UnitFileState::Open) return;
  const platform::DirectStatus status = platform::closeDirect(u.ioUnit, closeOption == kCloseKeep);
  if (!status.ok()) {
    FIERR(FileError::CloseFailed, "FIUC", u.name.view(), {status.code, u.ioUnit, u.fileCode});
  }
  FIFRE2(1, u.ioUnit, kLayerMark);
  u.state = UnitFileState::Closed;
}

void FICLOS(std::int32_t& ioUnit, std::int32_t closeOption) {
  CURRTN.fi.assign("FICLOS");
  file_internal::traceCall("FICLOS", &fileTrace.openClose);
  if (ioUnit <= 0) return;
  const bool keep = closeOption == kCloseKeep;
  std::int32_t code = 0;
  if (platform::isDirectConnected(ioUnit)) {
    const platform::DirectStatus status = platform::closeDirect(ioUnit, keep);
    if (!status.ok()) code = status.code != 0 ? status.code : EIO;
  } else {
    errno = 0;
    const platform::IoResult result = platform::closeUnit(ioUnit, keep);
    // Closing a number that holds no file is no fault.
    if (result != platform::IoResult::Ok && result != platform::IoResult::NotOpen) {
      code = errno != 0 ? errno : EIO;
    }
  }
  if (code != 0) {
    services::ERRITM("UNT NUM", ioUnit);
    services::ERRITM("ERR COD", code);
    abortFiles("FICLOS", "FORTRAN ERROR CLOSING FILE");
  }
  FIFRE2(1, ioUnit, kLayerMark);
}

void FIGETU(std::int32_t n, std::int32_t& first, char mark) {
  if (n < 1 || n > kMaxGroupFiles) {
    services::ERRITM("NUM UNTS", n);
    abortFiles("FIGETU", "BAD FILE UNIT GET REQUEST");
  }
  for (std::int32_t i = 1; i + n - 1 <= kMaxIoUnits; ++i) {
    bool free = true;
    for (std::int32_t j = i; j < i + n && free; ++j) free = mapAt(j) == kFree;
    if (!free) continue;
    for (std::int32_t j = i; j < i + n; ++j) mapAt(j) = mark;
    first = i;
    return;
  }
  abortFiles("FIGETU", "INSUFFICIENT FILE UNITS AVAILABLE");
}

void FIRES2(std::int32_t first, std::int32_t last) {
  if (first < 1 || last > kMaxIoUnits) {
    services::ERRITM("1ST UNT", first);
    services::ERRITM("LST UNT", last);
    abortFiles("FIRES2", "BAD FILE UNIT RESERVE REQUEST");
  }
  for (std::int32_t i = first; i <= last; ++i) {
    char& c = mapAt(i);
    if (c == kFree) {
      c = kSystem;
    } else if (c != kSystem) {
      services::ERRITM("UNT", i);
      abortFiles("FIRES2", "FILE UNIT ALREADY IN USE");
    }
  }
}

void FIFRE2(std::int32_t n, std::int32_t& first, char mark) {
  if (n < 1 || n > kMaxGroupFiles || first < 1 || first > kMaxIoUnits - n + 1) {
    services::ERRITM("NUM UNT", n);
    services::ERRITM("1ST UNT", first);
    abortFiles("FIFRE2", "BAD FILE UNIT FREE REQUEST");
  }
  for (std::int32_t i = first; i < first + n; ++i) {
    char& c = mapAt(i);
    if (c == mark) {
      c = kFree;
      continue;
    }
    // The layer's own releases leave numbers that others marked as they are.
    if (mark == kLayerMark) continue;
    std::string_view message;
    if (c == kFree) {
      message = "FILE UNIT NOT IN USE";
    } else if (c == kLayerMark) {
      message = "FILE UNIT IN USE BY SYSTEM";
    } else if (c == kSystem) {
      message = "FILE UNIT RESERVED";
    } else {
      continue;
    }
    services::ERRITM("UNT", i);
    abortFiles("FIFRE2", message);
  }
  first = -1;
}

}  // namespace storage
