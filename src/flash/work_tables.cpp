// The flash work-array table: work arrays of the isothermal flash algorithms, got by flash
// family on first use and kept for the life of the process, and the note counters.
#include <array>
#include <cstdint>
#include <span>

#include "flash/flash.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace flash {

FlashWorkTable FLWKTB;
FlashNoteCounters FLCNTR;

namespace {

using services::NOCORE;

// How an array is got and freed: ICMGTD/CMFRED, ICMGTR/CMFRER or ICMGTI/CMFREI.
enum class ArrayKind { Double, Real, Integer };
// Elements of an array for N components.
enum class Extent { N, NSquared, NTimesNPlusOne };

struct WorkArray {
  std::size_t slot;
  ArrayKind kind;
  Extent extent;
};

constexpr auto D = ArrayKind::Double;
constexpr auto R = ArrayKind::Real;
constexpr auto I = ArrayKind::Integer;
constexpr auto N = Extent::N;

// The arrays of each group, in the order they are got; the first one's slot tells whether
// the group is held.
constexpr std::array<WorkArray, 4> kTwoPhase{{{16, D, N}, {13, D, N}, {15, D, N}, {14, D, N}}};
constexpr std::array<WorkArray, 13> kThreePhase{{{1, R, N},
                                                 {2, R, N},
                                                 {3, R, N},
                                                 {4, R, N},
                                                 {5, R, N},
                                                 {6, R, N},
                                                 {17, R, N},
                                                 {7, D, N},
                                                 {8, D, N},
                                                 {10, D, N},
                                                 {9, D, N},
                                                 {11, D, N},
                                                 {12, D, N}}};
constexpr std::array<WorkArray, 10> kNewton{{{26, I, N},
                                             {18, D, N},
                                             {19, D, N},
                                             {20, D, N},
                                             {21, D, N},
                                             {22, D, Extent::NSquared},
                                             {23, D, N},
                                             {24, D, Extent::NTimesNPlusOne},
                                             {25, D, N},
                                             {27, D, N}}};

constexpr std::int32_t kNoFill = 0;

bool isSet(std::int32_t slot) { return slot != NOCORE && slot != 0; }

std::int32_t elements(Extent extent, std::int32_t n) {
  switch (extent) {
    case Extent::NSquared:
      return n * n;
    case Extent::NTimesNPlusOne:
      return n * (n + 1);
    case Extent::N:
      break;
  }
  return n;
}

// Frees the arrays of a group whose slots are set; the slots become NOCORE.
void release(WorkGroup group, std::span<const WorkArray> arrays) {
  for (const WorkArray& a : arrays) {
    std::int32_t& slot = FLWKTB.slots(a.slot);
    if (!isSet(slot)) continue;
    std::int32_t index = slot - 1;
    switch (a.kind) {
      case ArrayKind::Double:
        storage::CMFRED(index);
        break;
      case ArrayKind::Real:
        storage::CMFRER(index);
        break;
      case ArrayKind::Integer:
        storage::CMFREI(index);
        break;
    }
    slot = NOCORE;
  }
  FLWKTB.groupSize(static_cast<std::size_t>(group)) = 0;
}

// Gets the arrays of a group for N components unless it is held for at least N.
void allocate(WorkGroup group, std::span<const WorkArray> arrays, std::int32_t n) {
  std::int32_t& size = FLWKTB.groupSize(static_cast<std::size_t>(group));
  if (isSet(FLWKTB.slots(arrays.front().slot))) {
    if (size >= n) return;
    release(group, arrays);
  }
  for (const WorkArray& a : arrays) {
    const std::int32_t count = elements(a.extent, n);
    std::int32_t index = 0;
    switch (a.kind) {
      case ArrayKind::Double:
        index = storage::ICMGTD(count, kNoFill);
        break;
      case ArrayKind::Real:
        index = storage::ICMGTR(count, kNoFill);
        break;
      case ArrayKind::Integer:
        index = storage::ICMGTI(count, kNoFill);
        break;
    }
    FLWKTB.slots(a.slot) = index + 1;
  }
  size = n;
}

}  // namespace

void FLSWKA(std::int32_t mode, std::int32_t n) {
  const std::int32_t count = n < 1 ? 1 : n;
  switch (static_cast<WorkMode>(mode)) {
    case WorkMode::Reset:
      FLWKTB.slots.fill(NOCORE);
      FLWKTB.groupSize.fill(0);
      FLCNTR.words.fill(0);
      return;
    case WorkMode::TwoPhase:
      allocate(WorkGroup::TwoPhase, kTwoPhase, count);
      return;
    case WorkMode::ThreePhase:
      allocate(WorkGroup::TwoPhase, kTwoPhase, count);
      allocate(WorkGroup::ThreePhase, kThreePhase, count);
      return;
    case WorkMode::Newton:
      allocate(WorkGroup::Newton, kNewton, count);
      return;
    case WorkMode::Release:
      release(WorkGroup::TwoPhase, kTwoPhase);
      release(WorkGroup::ThreePhase, kThreePhase);
      return;
  }
}

namespace {

// Every problem open starts from no work arrays (its core store is new) and counters at 0.
void startAtOpen() {
  FLSWKA(static_cast<std::int32_t>(WorkMode::Reset), 0);
  FLWKTB.JFLNEW = 0;
}

const bool kStartsAtOpen = services::registerKeptValues(&startAtOpen);

}  // namespace

}  // namespace flash
