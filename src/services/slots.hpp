// The calls of the run-time services into the layers above them. The layer that answers
// fills each slot in its installSlots(), which the library's start calls.
#pragma once

#include <cstdint>
#include <string_view>

namespace services {

// A slot: the routine of a higher layer that a lower one calls. Each layer that serves
// slots fills them in its installSlots(), and the library's start (and every test program)
// calls those in the order of the layers; nothing is filled during static initialisation.
// Empty until filled; fill returns the routine it held, so a test can put it back.
//
// Every slot is named and listed (firstSlot()), so that a program can check after the
// installs that none was left empty.
class SlotEntry {
 public:
  explicit SlotEntry(std::string_view name) : name_(name), next_(first_) { first_ = this; }
  SlotEntry(const SlotEntry&) = delete;
  SlotEntry& operator=(const SlotEntry&) = delete;

  std::string_view name() const { return name_; }
  bool filled() const { return filled_; }
  const SlotEntry* next() const { return next_; }
  // The first slot of the list of every slot linked into the program.
  static const SlotEntry* first() { return first_; }

 protected:
  ~SlotEntry() = default;
  bool filled_ = false;

 private:
  std::string_view name_;
  const SlotEntry* next_;
  static inline constinit const SlotEntry* first_ = nullptr;
};

template <typename Routine>
class Slot : public SlotEntry {
 public:
  explicit Slot(std::string_view name) : SlotEntry(name) {}
  Routine fill(Routine filler) {
    const Routine previous = routine_;
    routine_ = filler;
    filled_ = filler != nullptr;
    return previous;
  }
  Routine routine() const { return routine_; }

 private:
  Routine routine_ = nullptr;
};

// While alive, the slot that FILL fills holds ROUTINE; the routine it held is put back at the
// end. For a test that wants an empty, a recording or a fixed slot for its own scope.
template <typename Routine>
class ScopedFill {
 public:
  ScopedFill(Routine (*fill)(Routine), Routine routine) : fill_(fill), held_(fill(routine)) {}
  ~ScopedFill() { fill_(held_); }
  ScopedFill(const ScopedFill&) = delete;
  ScopedFill& operator=(const ScopedFill&) = delete;

 private:
  Routine (*fill_)(Routine);
  Routine held_;
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
