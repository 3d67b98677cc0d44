// File errors: the error table, FIERR and the call trace of the file layer.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/platform.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "storage/current_routine.hpp"
#include "storage/file_internal.hpp"
#include "storage/files.hpp"

namespace storage {

FileTrace fileTrace;

namespace {

struct ErrorEntry {
  std::int32_t code;
  std::string_view message;
  std::array<std::string_view, 5> labels;  // the items, in order; empty labels end them
};

// FIERRT: the message and item labels of every error code.
const std::array<ErrorEntry, 33> kErrorTable = {{
    {1, "ATTEMPT TO FREE RESERVED FILE UNIT", {"NUM UNTS", "1ST UNT", "RES UNT"}},
    {2, "ATTEMPT TO READ NON-EXISTENT BLOCK", {"BLK NUM"}},
    {3, "ATTEMPT TO READ NON-EXISTENT FILE", {"BLK NUM"}},
    {4, "ATTEMPT TO RESERVE ASSIGNED FILE UNIT", {"1ST UNT", "LST UNT", "ASN UNT"}},
    {5, "ATTEMPT TO WRITE NON-EXISTENT BLOCK", {"BLK NUM"}},
    {6, "ATTEMPT TO WRITE NON-EXISTENT FILE", {"BLK NUM"}},
    {7, "ATTEMPT TO WRITE READ-ONLY FILE", {"BLK NUM"}},
    {8, "BAD BLOCK EXPAND REQUEST", {"OLD LEN", "NEW LEN", "BLK NUM", "XFR LEN", "INI OPT"}},
    {9, "BAD BLOCK FREE REQUEST", {"LENGTH", "BLK NUM"}},
    {10, "BAD BLOCK RESERVE REQUEST", {"LENGTH", "BLK NUM", "INI OPT"}},
    {11, "BAD FILE SEQUENCE NUMBER", {"SEQUENCE"}},
    {12, "BAD FILE UNIT FREE REQUEST", {"NUM UNTS", "1ST UNT"}},
    {13, "BAD FILE UNIT GET REQUEST", {"NUM UNTS"}},
    {14, "BAD FILE UNIT RESERVE REQUEST", {"1ST UNT", "LST UNT"}},
    {15, "BAD FULL BLOCK I/O REQUEST", {"I/O OPT", "I/O LEN", "FUL LEN", "BLK NUM"}},
    {16, "BAD PARTIAL BLOCK I/O REQUEST", {"I/O OPT", "I/O LEN", "FUL LEN", "BLK NUM", "1ST WRD"}},
    {17, "BAD RECORD SIZE", {"GRP/UNT", "REC SIZ", "MAX SIZ"}},
    {18, "BLOCK ALREADY RESERVED", {"BLK NUM"}},
    {19, "FILE NOT FOUND - ", {}},
    {20, "FORTRAN ERROR CLOSING FILE - ", {"ERR NUM", "UNT NUM", "GRP/UNT"}},
    {21, "FORTRAN ERROR OPENING FILE - ", {"ERR NUM", "UNT NUM", "GRP/UNT"}},
    {22, "FORTRAN ERROR READING FILE - ", {"ERR NUM", "UNT NUM", "GRP/UNT", "REC NUM", "REC LEN"}},
    {23, "FORTRAN ERROR WRITING FILE - ", {"ERR NUM", "UNT NUM", "GRP/UNT", "REC NUM", "REC LEN"}},
    {24, "INCORRECT FILE OPENED", {"REQ GRP", "ACT GRP", "REQ SIZ", "ACT SIZ"}},
    {25, "MAXIMUM FILE GROUPS EXCEEDED", {"GRP/UNT", "MAX GRPS"}},
    {26, "MAXIMUM FILE UNITS EXCEEDED", {"GRP/UNT", "NUM UNTS", "CUR UNTS", "MAX UNTS"}},
    {27, "NO FILE AVAILABLE FOR NEW BLOCKS", {"BLK NUM"}},
    {28, "NO FILE UNITS AVAILABLE", {"NUM UNTS"}},
    {29, "NO SPACE AVAILABLE FOR NEW BLOCKS", {"LENGTH"}},
    {30, "READ ONLY FILE SELECTED FOR OUTPUT", {"GROUP"}},
    {31,
     "FILE WAS CREATED ON AN INCOMPATIBLE HARDWARE PLATFORM",
     {"REQ GRP", "ACT GRP", "REQ SIZ", "ACT SIZ"}},
    {33, "INVALID FILE GROUP HEADER RECORD", {"GROUP", "WORD", "VALUE"}},
    {34, "INVALID FREE-SPACE RECORD", {"GROUP", "WORD", "VALUE"}},
}};

constexpr std::array<std::string_view, 9> kUnknownLabels = {"I1", "I2", "I3", "I4", "I5",
                                                            "I6", "I7", "I8", "I9"};
constexpr std::string_view kUnknownMessage = "BAD ERROR CODE";
constexpr std::size_t kMessageLength = 250;
constexpr std::int32_t kNotFoundCode = 19;
constexpr std::size_t kNotFoundNameRoom = 232;
constexpr std::size_t kNamedFileRoom = 220;

const ErrorEntry* entryOf(std::int32_t code) {
  const auto at = std::find_if(kErrorTable.begin(), kErrorTable.end(),
                               [code](const ErrorEntry& e) { return e.code == code; });
  return at == kErrorTable.end() ? nullptr : &*at;
}

// The message of codes 19 to 23: the table's text, the file name in double quotes; the
// closing quote only when the 250 characters leave room for it.
std::string namedFileMessage(std::string_view text, std::int32_t code, std::string_view name) {
  const std::size_t room = code == kNotFoundCode ? kNotFoundNameRoom : kNamedFileRoom;
  const std::string_view trimmed = services::trimRight(name);
  std::string message = std::string(text) + "\"" + std::string(trimmed.substr(0, room));
  if (message.size() < kMessageLength) message += "\"";
  return message;
}

void writeTraceLine(std::string_view line) {
  platform::writeLine(services::IOUNIT.report, services::trimRight(line));
}

void setColumn() { fileTrace.column = 2 * fileTrace.depth + 14; }

// 78 dashes with WORD and the routine in columns 1 to column + 2 and ARROW ending at the
// indentation column.
std::string levelLine(std::string_view word, std::string_view routine, std::string_view arrow) {
  std::string line(78, '-');
  const auto column = static_cast<std::size_t>(fileTrace.column);
  std::string field = std::string(word) + std::string(routine);
  field.resize(std::min<std::size_t>(column + 2, line.size()), ' ');
  line.replace(0, field.size(), field);
  if (column >= arrow.size() && column <= line.size()) {
    line.replace(column - arrow.size(), arrow.size(), arrow);
  }
  return line;
}

// The prefix line: blanks with MARK at the indentation column.
void markPrefix(char mark) {
  fileTrace.prefix.blank();
  const auto column = static_cast<std::size_t>(fileTrace.column);
  if (column >= 1 && column <= fileTrace.prefix.size()) fileTrace.prefix.at(column) = mark;
}

}  // namespace

void FIERR(std::int32_t code, std::string_view routine, std::string_view text,
           std::initializer_list<std::int32_t> items) {
  const ErrorEntry* entry = entryOf(code);
  // 1. The items, label and value in table order.
  const auto valueAt = [&items](std::size_t k) {
    return k < items.size() ? *(items.begin() + k) : 0;
  };
  std::size_t k = 0;
  if (entry != nullptr) {
    for (const std::string_view label : entry->labels) {
      if (label.empty()) break;
      services::ERRITM(label, valueAt(k++));
    }
  } else {
    for (const std::string_view label : kUnknownLabels) services::ERRITM(label, valueAt(k++));
  }
  // 2. The message.
  std::string message;
  if (entry == nullptr) {
    message = kUnknownMessage;
  } else if (code >= 19 && code <= 23) {
    message = namedFileMessage(entry->message, code, text);
  } else {
    message = entry->message;
  }
  // 3. The report ends the run.
  services::ABTRPT("FI", routine, CURRTN.fi.view(), message);
}

void FIERR(FileError code, std::string_view routine, std::string_view text,
           std::initializer_list<std::int32_t> items) {
  FIERR(static_cast<std::int32_t>(code), routine, text, items);
}

// ---------------------------------------------------------------------------------------
// Trace
// ---------------------------------------------------------------------------------------

bool FITRCE(std::int32_t mode, std::int32_t& counter, std::string_view routine) {
  const auto enter = static_cast<std::int32_t>(TraceMode::Enter);
  const auto pass = static_cast<std::int32_t>(TraceMode::Pass);
  const auto leave = static_cast<std::int32_t>(TraceMode::Leave);
  const auto call = static_cast<std::int32_t>(TraceMode::Call);
  if (mode != pass && mode != leave) counter -= 1;
  const bool active = counter >= 0;
  if (active) {
    if (mode == enter) {
      fileTrace.depth += 1;
      setColumn();
      FITRCF();
      writeTraceLine(levelLine("ENTER ", routine, "-->"));
    } else if (mode == leave) {
      fileTrace.pending.assign(levelLine("LEAVE ", routine, "<--"));
      fileTrace.pendingFlag = 1;
      fileTrace.depth = std::max(fileTrace.depth - 1, 0);
      setColumn();
    } else if (mode == pass) {
      fileTrace.depth = std::max(fileTrace.depth, 1);
      setColumn();
    } else if (mode == call) {
      markPrefix(' ');
      const std::string name = "CALL " + std::string(routine);
      std::copy_n(name.begin(), std::min(name.size(), fileTrace.prefix.size()),
                  fileTrace.prefix.data());
      const auto column = static_cast<std::size_t>(fileTrace.column);
      if (column >= 1 && column <= fileTrace.prefix.size()) fileTrace.prefix.at(column) = '>';
    } else {
      FITRCF();
      const std::string line = levelLine("ENTER ", routine, "-->");
      writeTraceLine(line);
      fileTrace.pending.assign("LEAVE" + line.substr(5));
      fileTrace.pendingFlag = 1;
    }
    if (mode != call) markPrefix('|');
  }
  if (mode != enter && mode != pass) counter += 1;
  return active;
}

void FITRCA() {
  if (fileTrace.text.isBlank()) return;
  FITRCF();
  const auto column = static_cast<std::size_t>(std::max(fileTrace.column, 0));
  const std::string prefix(fileTrace.prefix.view().substr(0, column));
  writeTraceLine(prefix + "   " + std::string(fileTrace.text.view()));
}

void FITRCF() {
  if (fileTrace.pendingFlag == 0) return;
  writeTraceLine(fileTrace.pending.view());
  fileTrace.pendingFlag = 0;
}

void FITRIN() {
  static std::int32_t key = 0;
  std::int32_t first = 0;
  services::INIDAT(key, first);
  if (first == 0) return;
  fileTrace.text.blank();
  fileTrace.pending.blank();
  fileTrace.prefix.blank();
  fileTrace.work.blank();
  fileTrace.depth = 0;
  setColumn();
  fileTrace.pendingFlag = 0;
}

namespace file_internal {

bool traceCall(std::string_view routine, std::int32_t* second) {
  const auto call = static_cast<std::int32_t>(TraceMode::Call);
  bool active = FITRCE(call, fileTrace.general, routine);
  if (second != nullptr) active = FITRCE(call, *second, routine) || active;
  return active;
}

void traceLabels(std::string_view heading, std::initializer_list<std::string_view> labels) {
  std::string text(heading);
  text.resize(6, ' ');
  for (const std::string_view label : labels) {
    const std::size_t length = std::min<std::size_t>(label.size(), 10);
    const std::size_t left = (11 - length) / 2;
    std::string column(10, '-');
    column.replace(left, length, label.substr(0, length));
    text += column + " ";
  }
  fileTrace.text.assign(text);
  FITRCA();
}

void traceValues(std::initializer_list<std::int32_t> values) {
  std::string text(6, ' ');
  for (const std::int32_t value : values) {
    char field[16];
    std::snprintf(field, sizeof field, "%10d ", value);
    text += field;
  }
  fileTrace.text.assign(text);
  FITRCA();
}

void abortFiles(std::string_view routine, std::string_view message) {
  services::ABTRPT("FI", routine, CURRTN.fi.view(), message);
}

}  // namespace file_internal
}  // namespace storage
