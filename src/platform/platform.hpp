// The platform layer: what the library needs of the machine it runs on.
//
// - Process stop with an exit status, through a replaceable hook (tests throw instead).
// - The wall clock as calendar date and time of day, replaceable for tests.
// - The I/O unit table: unit numbers 1 to 100 connected to sequential text files,
//   with 5 bound to standard input and 6 to standard output.
//
// Nothing here knows about the layers above; they decide which numbers they take.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/core_memory.hpp"
#include "platform/direct_files.hpp"

namespace platform {

// ---------------------------------------------------------------------------------------
// Process stop
// ---------------------------------------------------------------------------------------

// A stop hook ends the run with the given exit status. It must not return: the production
// hook leaves the process, a test hook throws RunStopped.
using StopHook = void (*)(int status);

// Thrown by throwingStopHook so that an in-process test can look at the state an abort left.
struct RunStopped {
  int status;
};

// Ends the run with `status` through the installed hook. If a hook returns anyway, the
// process leaves with that status.
[[noreturn]] void stopProcess(int status);

// Installs `hook` (nullptr restores the production hook) and returns the previous one.
StopHook setStopHook(StopHook hook);

// The production hook: flushes the standard streams and exits with `status`.
void exitingStopHook(int status);

// The test hook: throws RunStopped{status}.
void throwingStopHook(int status);

// Where the reasons for a stop are shown: one line at a time, to the standard error
// stream unless replaced (tests discard them).
using DiagnosticSink = void (*)(std::string_view line);
void writeDiagnostic(std::string_view line);
// Installs `sink` (nullptr restores the standard error stream) and returns the previous one.
DiagnosticSink setDiagnosticSink(DiagnosticSink sink);

// ---------------------------------------------------------------------------------------
// Clock
// ---------------------------------------------------------------------------------------

struct ClockReading {
  int year = 0;        // four digits
  int month = 0;       // 1-12
  int day = 0;         // 1-31
  int hour = 0;        // 0-23
  int minute = 0;      // 0-59
  int second = 0;      // 0-59
  int hundredths = 0;  // 0-99
};

using ClockSource = ClockReading (*)();

// The local date and time of day, to a hundredth of a second.
ClockReading readClock();

// Replaces the clock (nullptr restores the system clock) and returns the previous source.
ClockSource setClockSource(ClockSource source);

// ---------------------------------------------------------------------------------------
// I/O units and sequential text files
// ---------------------------------------------------------------------------------------

inline constexpr int kFirstUnit = 1;
inline constexpr int kLastUnit = 100;
inline constexpr int kStdinUnit = 5;
inline constexpr int kStdoutUnit = 6;
// A unit number of -1 means "no unit": writes to it are skipped.
inline constexpr int kNoUnit = -1;

// Width of a record of a formatted sequential file.
inline constexpr std::size_t kRecordWidth = 80;

enum class FileStatus {
  Old,      // the file must exist
  Unknown,  // created when missing
};

enum class FileAccess {
  Read,   // read only; other processes may read and write it meanwhile
  Write,  // written from the start: an existing file is emptied first
};

enum class IoResult {
  Ok,
  EndOfFile,
  NotFound,    // open with FileStatus::Old of a file that does not exist
  NotOpen,     // the unit number is not connected
  Error,       // any other failure (bad unit number, unit already connected, I/O error)
};

// Connects `unit` to the file `name`. A backslash in the name is read as a directory
// separator. Units 5 and 6 are always connected to the standard streams.
IoResult openSequential(int unit, std::string_view name, FileStatus status,
                        FileAccess access);

// Reads the next line into `record`: carriage return and line feed stripped, cut to the
// record's length or padded with blanks.
IoResult readRecord(int unit, std::span<char> record);

// Positions the unit at its first record.
IoResult rewindUnit(int unit);

// Writes `line` without its trailing blanks, followed by a line feed. Unit -1 is skipped
// and reports Ok.
IoResult writeLine(int unit, std::string_view line);

// Writes `text` exactly as given, trailing blanks kept and no line feed: a console prompt
// that the answer follows on the same line. Unit -1 is skipped and reports Ok.
IoResult writeText(int unit, std::string_view text);

// Disconnects the unit; with keep false the file is deleted. Units 5 and 6 stay connected.
IoResult closeUnit(int unit, bool keep);

bool isConnected(int unit);

// The name a file was opened under, with backslashes turned into slashes.
std::string hostFileName(std::string_view name);

// Test seam for the console: connects unit 5 to the existing file `name` (read from its
// start) or unit 6 to the file `name` (written from the start) in place of the standard
// stream, until restoreStandardUnit. Any other unit, or a unit already redirected, reports
// Error; a missing input file reports NotFound.
IoResult redirectStandardUnit(int unit, std::string_view name);

// Closes the file that unit 5 or 6 was redirected to and connects the unit to its standard
// stream again. Reports NotOpen when the unit was not redirected.
IoResult restoreStandardUnit(int unit);

}  // namespace platform
