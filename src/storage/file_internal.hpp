// Helpers shared by the files of the file layer (not part of the storage interface).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "storage/current_routine.hpp"
#include "storage/files.hpp"

namespace storage::file_internal {

// Enters a trace level at construction and leaves it at destruction (trace modes 1 and 3
// on the general counter).
class TraceLevel {
 public:
  explicit TraceLevel(std::string_view routine) : routine_(routine) {
    active_ = FITRCE(static_cast<std::int32_t>(TraceMode::Enter), fileTrace.general, routine_);
  }
  ~TraceLevel() {
    FITRCE(static_cast<std::int32_t>(TraceMode::Leave), fileTrace.general, routine_);
  }
  TraceLevel(const TraceLevel&) = delete;
  TraceLevel& operator=(const TraceLevel&) = delete;

  bool active() const { return active_; }

 private:
  std::string_view routine_;
  bool active_ = false;
};

// Marks a call in the trace (mode 0) on the general counter and on SECOND when given.
bool traceCall(std::string_view routine, std::int32_t* second = nullptr);

// Fills the trace text with a heading ("IN", "OUT" or blank) and up to five labelled
// columns, or their values, and writes it under the current level.
void traceLabels(std::string_view heading, std::initializer_list<std::string_view> labels);
void traceValues(std::initializer_list<std::int32_t> values);

// The unit in slot UNIT of the unit table; a slot outside 1 to the unit count ends in
// error CODE (20 to 23) for ROUTINE, with the items EINVAL, the slot and MISSING.
FileUnit& unitAt(std::int32_t unit, std::int32_t code, std::string_view routine);

// Empties the partial-record cache when it holds the record at ADDRESS.
inline void forgetCachedRecord(std::int32_t address) {
  if (fileLayer.cache.address == address) {
    fileLayer.cache.address = 0;
    fileLayer.cache.held = 0;
  }
}

// Queues items and ends the run with a report of subsystem "FI" that has no number in the
// error table (the unit-map routines, FICLOS, a bad access code).
[[noreturn]] void abortFiles(std::string_view routine, std::string_view message);

// ceil(a / b) for a >= 0, b > 0, without overflow.
constexpr std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }

}  // namespace storage::file_internal
