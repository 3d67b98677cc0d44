// The flash work-array table FLWKTB and the note counters FLCNTR. Included by flash.hpp.
#pragma once

#include <array>
#include <cstdint>

#include "services/one_based.hpp"

namespace flash {

inline constexpr std::size_t kWorkSlots = 30;
inline constexpr std::size_t kNoteCounters = 11;

// Groups of work arrays, each allocated on first use by the mode of FLSWKA that names it.
enum class WorkGroup : std::int32_t {
  TwoPhase = 1,    // slots 13-16: the two-phase flashes (modes 1 and 2)
  ThreePhase = 2,  // slots 1-12 and 17: the three-phase and free-water flashes (mode 2)
  Newton = 3,      // slots 18-27: the Newton flash (mode 3)
};
inline constexpr std::size_t kWorkGroups = 3;

// FLWKTB: the work arrays of the isothermal flash algorithms. A slot holds the core index of
// element 1 of its array (the storage manager's index plus 1); NOCORE or 0 means unset.
// Slots 28 to 30 are never allocated.
struct FlashWorkTable {
  services::OneBased<std::int32_t, kWorkSlots> slots;
  std::int32_t JFLNEW = 0;  // 1 while the result of the router's call comes from a new flash
  // The component count each group was got for; a later call with a larger count gets the
  // group again.
  services::OneBased<std::int32_t, kWorkGroups> groupSize;
};
extern FlashWorkTable FLWKTB;

// FLCNTR: the note counters of the flashes; set to 0 at problem start and only raised.
//   1 failure and compare notes of the router; 5 oscillation, failure and solved notes;
//   6 skipped three-phase notes; 7 "10 IN A ROW" notes; 8 pseudo-root notes; 9, 10, 11 the
//   wrap counts of the call counters of FLASHG, FLASTP and KCALC; 2 to 4 not counted.
struct FlashNoteCounters {
  services::OneBased<std::int32_t, kNoteCounters> words;
};
extern FlashNoteCounters FLCNTR;

// Modes of FLSWKA.
enum class WorkMode : std::int32_t {
  Reset = 0,       // all slots unset, counters 0; nothing freed
  TwoPhase = 1,    // the two-phase group
  ThreePhase = 2,  // the two-phase and the three-phase groups
  Newton = 3,      // the Newton group
  Release = 9,     // frees the two-phase and three-phase groups
};

// The flash work-array table: allocates the work arrays of a flash family on first use and
// keeps them; a call with more components than a group was got for gets it again.
//   mode  in  0 reset (at problem start), 1 two-phase arrays, 2 two-phase and three-phase
//             arrays, 3 the Newton arrays, 9 release the arrays of modes 1 and 2; other
//             modes do nothing
//   n     in  the component count each array of modes 1 to 3 must hold (at least 1 is got)
// Aborts: the storage manager's when the core store is exhausted.
void FLSWKA(std::int32_t mode, std::int32_t n);

}  // namespace flash
