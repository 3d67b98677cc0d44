// One process-wide lock over the exported calls. Inside, the library has one thread of
// control and keeps its state in shared areas, so it is not reentrant; a host that calls it
// from two threads at once would race on them. Each export holds the lock for its whole
// call, so calls from several threads run one after another. Internal calls never take it.
#pragma once

#include <mutex>

namespace platform {

// The lock of the exported calls. It is recursive so that a host whose display routine
// calls back into the library from inside a call waits for nothing.
std::recursive_mutex& exportMutex();

// Held by an export shim for its whole call.
class ExportCall {
 public:
  ExportCall() : hold_(exportMutex()) {}

 private:
  std::lock_guard<std::recursive_mutex> hold_;
};

}  // namespace platform
