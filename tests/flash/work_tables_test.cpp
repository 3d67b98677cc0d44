// The flash work-array table: groups got on first use and kept, released by mode 9, got
// again for a larger component count.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "flash/flash.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace {

using flash::FLWKTB;
using services::NOCORE;

enum Mode : std::int32_t { kReset = 0, kTwoPhase = 1, kThreePhase = 2, kNewton = 3, kRelease = 9 };

const std::vector<std::size_t> kTwoPhaseSlots{13, 14, 15, 16};
const std::vector<std::size_t> kThreePhaseSlots{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 17};
const std::vector<std::size_t> kNewtonSlots{18, 19, 20, 21, 22, 23, 24, 25, 26, 27};

bool isSet(std::size_t slot) {
  const std::int32_t value = FLWKTB.slots(slot);
  return value != NOCORE && value != 0;
}

// Elements of the array of SLOT for N components: slot 22 holds N*N, slot 24 N*(N+1).
std::int32_t extent(std::size_t slot, std::int32_t n) {
  if (slot == 22) return n * n;
  if (slot == 24) return n * (n + 1);
  return n;
}

// Writes every element of every set array with a value of its own, then reads them all
// back: the arrays lie in the store and none overlaps another. Slot 26 holds integers,
// every other slot 8-byte reals.
void expectSeparateArrays(std::int32_t n) {
  std::vector<std::size_t> held;
  for (std::size_t slot = 1; slot <= flash::kWorkSlots; ++slot) {
    if (isSet(slot)) held.push_back(slot);
  }
  const auto value = [](std::size_t slot, std::int32_t i) { return 1000 * slot + i; };
  for (const std::size_t slot : held) {
    const std::int32_t first = FLWKTB.slots(slot);
    for (std::int32_t i = 0; i < extent(slot, n); ++i) {
      if (slot == 26) {
        storage::CORSTO[first + i] = static_cast<std::int32_t>(value(slot, i));
      } else {
        storage::CORSTO.setReal(first + i, static_cast<double>(value(slot, i)));
      }
    }
  }
  for (const std::size_t slot : held) {
    SCOPED_TRACE(slot);
    const std::int32_t first = FLWKTB.slots(slot);
    for (std::int32_t i = 0; i < extent(slot, n); ++i) {
      if (slot == 26) {
        ASSERT_EQ(storage::CORSTO[first + i], static_cast<std::int32_t>(value(slot, i)));
      } else {
        ASSERT_EQ(storage::CORSTO.real(first + i), static_cast<double>(value(slot, i)));
      }
    }
  }
}

void expectSlots(const std::set<std::size_t>& set) {
  for (std::size_t slot = 1; slot <= flash::kWorkSlots; ++slot) {
    EXPECT_EQ(isSet(slot), set.contains(slot)) << "slot " << slot;
  }
}

class WorkTables : public ::testing::Test {
 protected:
  void SetUp() override {
    storage::CMINIT(0, 0, 0);
    flash::FLSWKA(kReset, 0);
  }
  testing_support::StopThrows stop;
};

TEST_F(WorkTables, ResetUnsetsSlotsAndClearsCounters) {
  FLWKTB.slots.fill(5);
  flash::FLCNTR.words.fill(3);
  flash::FLSWKA(kReset, 0);
  for (std::size_t slot = 1; slot <= flash::kWorkSlots; ++slot) {
    EXPECT_EQ(FLWKTB.slots(slot), NOCORE) << slot;
  }
  for (std::size_t k = 1; k <= flash::kNoteCounters; ++k) EXPECT_EQ(flash::FLCNTR.words(k), 0);
}

// Each mode gets its own group once; the groups already held keep their arrays.
TEST_F(WorkTables, GroupsAreGotOnFirstUseAndKept) {
  constexpr std::int32_t n = 6;
  std::set<std::size_t> expected;
  flash::FLSWKA(kTwoPhase, n);
  expected.insert(kTwoPhaseSlots.begin(), kTwoPhaseSlots.end());
  expectSlots(expected);
  const std::int32_t slot16 = FLWKTB.slots(16);

  flash::FLSWKA(kThreePhase, n);
  expected.insert(kThreePhaseSlots.begin(), kThreePhaseSlots.end());
  expectSlots(expected);
  EXPECT_EQ(FLWKTB.slots(16), slot16) << "the two-phase group is kept";

  flash::FLSWKA(kNewton, n);
  expected.insert(kNewtonSlots.begin(), kNewtonSlots.end());
  expectSlots(expected);
  expectSeparateArrays(n);

  const auto before = FLWKTB.slots;
  for (const std::int32_t mode : {kTwoPhase, kThreePhase, kNewton}) flash::FLSWKA(mode, n);
  flash::FLSWKA(kThreePhase, n - 2);
  EXPECT_EQ(FLWKTB.slots, before) << "nothing got twice";

  // The release frees the groups of modes 1 and 2 only, and they can be got again.
  flash::FLSWKA(kRelease, 0);
  expectSlots({kNewtonSlots.begin(), kNewtonSlots.end()});
  flash::FLSWKA(kThreePhase, n);
  expectSlots(expected);
  expectSeparateArrays(n);
}

// A call with more components than a group was got for gets the group again, large enough.
TEST_F(WorkTables, LargerComponentCountGetsTheGroupAgain) {
  for (const std::int32_t mode : {kThreePhase, kNewton}) flash::FLSWKA(mode, 3);
  for (const std::int32_t mode : {kTwoPhase, kThreePhase, kNewton}) flash::FLSWKA(mode, 12);
  expectSeparateArrays(12);
  const auto grown = FLWKTB.slots;
  flash::FLSWKA(kThreePhase, 5);
  flash::FLSWKA(kNewton, 5);
  EXPECT_EQ(FLWKTB.slots, grown) << "a smaller count keeps the arrays";
}

}  // namespace
