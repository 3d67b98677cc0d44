// The calls of the run-time services into the layers above them. The layer that answers
// fills each slot when the library starts.
#pragma once

#include <cstdint>
#include <string_view>

namespace services {

// A slot: the routine of a higher layer that a lower one calls, filled when the library
// starts. Empty until filled; fill returns the routine it held, so a test can put it back.
template <typename Routine>
class Slot {
 public:
  Routine fill(Routine filler) {
    const Routine previous = routine_;
    routine_ = filler;
    return previous;
  }
  Routine routine() const { return routine_; }

 private:
  Routine routine_ = nullptr;
};

// The display hook of the abort report and the numbered messages, handed each line they
// have formed: the line's number, the line and the display mode (0 a message of level 1 to
// 3, 1 an abort, 2 an abort under the sixth diagnostic switch). The flash and property
// calls fill it with their hook. Without a hook the lines are not displayed (they still go
// to the standard error stream or the report as before).
using DisplayHook = void (*)(std::int32_t line, std::string_view text, std::int32_t mode);

// Fills the slot (nullptr empties it); returns the hook it held.
DisplayHook fillDisplayHook(DisplayHook hook);

// Hands line K to the display hook, when there is one.
void displayLine(std::int32_t k, std::string_view text, std::int32_t mode);

}  // namespace services
