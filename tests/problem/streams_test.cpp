// The stream class in a loaded case: create and find by identifier, the two pointer sets,
// lock levels and write flags, paging of secondary records, eviction of main records
// through the 30 slots, kill, and the reports of streams and records it cannot use.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/file_layer_support.hpp"
#include "storage/storage.hpp"
#include "stream_test_support.hpp"

namespace {

namespace m = problem::srmain;
using file_tests::expectAbort;
using problem::ISRID;
using problem::ISRNO;
using problem::ISRSTA;
using problem::SRPSET;
using services::DMISS;
using services::IMISS;
using services::NOCORE;
using services::NODISK;
using storage::CORSTO;
using storage::dp;

constexpr std::int32_t kBuild = 0;
constexpr std::int32_t kLoad = 1;
constexpr std::int32_t kWriteBack = 2;

class Streams : public stream_tests::StreamCase {};

// Automatic names count on through both kinds and skip names in use; a given name is found
// by its identifier; temporary streams have no identifier to show.
TEST_F(Streams, CreatesAndFindsStreamsByIdentifier) {
  const std::int32_t s1 = create("");
  const std::int32_t named = create("S2");
  const std::int32_t s3 = create(" ");
  const std::int32_t t4 = create("", 3);
  const std::int32_t t5 = create("$", 2);
  const std::int32_t feed = create("FEED-GAS-FROM-WELLS");  // cut to 12

  EXPECT_EQ(ISRID(s1).trimmed(), "S1");
  EXPECT_EQ(ISRID(named).trimmed(), "S2");
  EXPECT_EQ(ISRID(s3).trimmed(), "S3");  // counter 2 gave S2, which exists
  EXPECT_EQ(problem::SLOTC2.sr.srtabi(1), 5);
  EXPECT_EQ(ISRNO("$S4"), t4);
  EXPECT_EQ(ISRNO("$S5"), t5);
  EXPECT_EQ(ISRNO("FEED-GAS-FRO"), feed);
  EXPECT_EQ(ISRNO("FEED-GAS-FROM-WELLS"), feed);
  EXPECT_EQ(ISRNO("S3"), s3);
  EXPECT_EQ(ISRNO("NOT-THERE"), 0);
  EXPECT_EQ(ISRNO("   "), 0);
  EXPECT_TRUE(ISRID(t4).isBlank());
  EXPECT_TRUE(ISRID(0).isBlank());
  EXPECT_TRUE(ISRID(99).isBlank());
  EXPECT_EQ(ISRSTA(s1), 2);
  EXPECT_EQ(ISRSTA(t4), 3);
  EXPECT_EQ(ISRSTA(t5), 2);  // named "$" but of kind 2
  EXPECT_TRUE(ISRID(t5).isBlank());
  EXPECT_EQ(ISRSTA(0), 0);
  EXPECT_EQ(ISRSTA(99), 0);
  EXPECT_EQ(problem::ISRNOS(), 6);
  EXPECT_EQ(SRPSET.set2.stream, feed);
}

// A new main record: its start values, written to disk at once under its index entry.
TEST_F(Streams, NewMainRecordHasItsStartValuesAndIsOnDisk) {
  const std::int32_t n = create("FEED");
  problem::MainRecord record = working();
  for (std::int32_t k = 1; k <= problem::kMainIntegers; ++k) {
    EXPECT_EQ(record.integer(k), k == 19 || k == 20 ? IMISS : 0) << k;
  }
  for (std::int32_t k = 1; k <= problem::kMainReals; ++k) {
    EXPECT_EQ(record.real(k), k == 31 || k == 35 ? 0.0 : DMISS) << k;
  }
  EXPECT_EQ(vectorOf(record, m::kOverall, 3), (std::vector<double>{DMISS, DMISS, DMISS}));
  for (const std::int32_t v : {m::kVapour, m::kLiquid, m::kThird}) {
    EXPECT_EQ(vectorOf(record, v, 3), (std::vector<double>{0.0, 0.0, 0.0}));
  }
  const storage::DiskPointer pointer = entryPointer(n);
  EXPECT_NE(dp(pointer, storage::dpword::kAddress), NODISK);
  EXPECT_EQ(dp(pointer, storage::dpword::kTotalLength), problem::SLOTC2.sr.srtabi(2));
  // No secondary record written yet.
  for (std::int32_t t = 1; t <= problem::kSecondaryRecordTypes; ++t) {
    storage::DiskPointer secondary{};
    storage::SBGETC(problem::ENTCUR.length, SRPSET.set2.mainRecord, 1, t, 0, secondary);
    EXPECT_EQ(dp(secondary, storage::dpword::kTotalLength), 0) << t;
  }
  EXPECT_EQ(problem::ENTCUR.pointer, SRPSET.set2.mainRecord);
  EXPECT_EQ(slotState(n), (std::pair<std::int32_t, std::int32_t>{1, 1}));
}

// Creating an existing name: the same kind makes it current, another kind changes nothing,
// kind 1 registers a name without record and a later kind 2 gives it one.
TEST_F(Streams, CreateOfAnExistingNameByKind) {
  const std::int32_t feed = create("FEED");
  working().setReal(m::kTemperature, 310.0);
  const std::int32_t other = create("OTHER");

  std::int32_t n = 0;
  std::int32_t istat = -1;
  problem::SRCREA(2, "FEED", n, istat);
  EXPECT_EQ(istat, 1);
  EXPECT_EQ(n, feed);
  EXPECT_EQ(SRPSET.set2.stream, feed);
  EXPECT_EQ(working().real(m::kTemperature), 310.0);

  problem::SRCREA(3, "OTHER", n, istat);
  EXPECT_EQ(istat, 2);
  EXPECT_EQ(n, other);
  EXPECT_EQ(SRPSET.set2.stream, feed);
  EXPECT_EQ(ISRSTA(other), 2);

  problem::SRCREA(1, "LATER", n, istat);
  EXPECT_EQ(istat, 0);
  EXPECT_EQ(ISRSTA(n), 1);
  EXPECT_EQ(SRPSET.set2.stream, feed);
  expectAbort([&] { problem::SRSET(n, 0); }, "BAD STREAM NUMBER",
              {"STREAM " + std::to_string(n), "STATUS 1"});
  const std::int32_t later = n;
  problem::SRCREA(2, "LATER", n, istat);
  EXPECT_EQ(istat, 0);
  EXPECT_EQ(n, later);
  EXPECT_EQ(ISRSTA(n), 2);
  EXPECT_EQ(SRPSET.set2.stream, later);

  expectAbort([&] { problem::SRCREA(4, "X", n, istat); }, "BAD STREAM KIND", {"KIND 4"});
}

// The two pointer sets name different streams at once; MODE raises the lock level and, below
// 10, the write flag, and never lowers either; SRFREE lowers the level within 0 to 3.
TEST_F(Streams, PointerSetsLockLevelsAndWriteFlags) {
  const std::int32_t a = create("A");
  working().setReal(m::kPressure, 111.0);
  const std::int32_t b = create("B");
  working().setReal(m::kPressure, 222.0);

  services::GDPOPT.words(100 + services::kTimingSwitch) = 1;
  services::TIMST1 = {};
  problem::SRSET(a, 0);
  problem::SRSETT(b);
  EXPECT_EQ(services::TIMST1.calls(problem::kTimingSlotSRSET), 1);
  EXPECT_EQ(services::TIMST1.calls(problem::kTimingSlotSRSETT), 1);
  services::GDPOPT.words(100 + services::kTimingSwitch) = 0;

  EXPECT_EQ(SRPSET.set2.stream, a);
  EXPECT_EQ(SRPSET.set1.stream, b);
  EXPECT_NE(SRPSET.set1.mainRecord, SRPSET.set2.mainRecord);
  EXPECT_EQ(working().real(m::kPressure), 111.0);
  EXPECT_EQ(reading().real(m::kPressure), 222.0);
  EXPECT_EQ(problem::ENTCUR.pointer, SRPSET.set1.mainRecord);
  EXPECT_EQ(problem::ENTCUR.length, problem::SLOTC2.sr.srtabi(2));

  // A's record as if just written back: level 0, not changed.
  std::int32_t slot = 0;
  std::int32_t p = 0;
  storage::SCLOC(a, problem::SLOTC2.sr.mainSlots, slot, p);
  storage::SCSET(problem::SLOTC2.sr.mainSlots, slot, "LEVEL", "STORE", 0);
  storage::SCSET(problem::SLOTC2.sr.mainSlots, slot, "WRITE", "STORE", 0);
  using State = std::pair<std::int32_t, std::int32_t>;
  const struct {
    const char* what;
    std::function<void()> call;
    State state;
  } steps[] = {
      {"SRSETT: read-only, unlocked", [&] { problem::SRSETT(a); }, {0, 0}},
      {"MODE 13: level 3, flag kept", [&] { problem::SRSET(a, 13); }, {3, 0}},
      {"MODE 2: level kept, changed", [&] { problem::SRSET(a, 2); }, {3, 1}},
      {"SRFREE 5: at most 3", [&] { problem::SRFREE(a, 5); }, {3, 1}},
      {"SRFREE 1", [&] { problem::SRFREE(a, 1); }, {1, 1}},
      {"MODE 10 keeps the flag", [&] { problem::SRSET(a, 10); }, {1, 1}},
      {"SRFREE -2: 0", [&] { problem::SRFREE(a, -2); }, {0, 1}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.call();
    EXPECT_EQ(slotState(a), step.state);
  }
  problem::SRFREE(99, 0);  // no slot: nothing
}

// The stream's text, read through set 1.
TEST_F(Streams, TextOfAStreamWithRecord) {
  const std::int32_t a = create("A");
  std::int32_t ierr = 0;
  storage::TXTOIW("OVERHEAD VAPOUR OF THE DEETHANISER",
                  CORSTO.words(SRPSET.set2.integerSector + m::kFirstTextWord, m::kTextWords),
                  m::kTextWords, ierr);
  std::int32_t registered = 0;
  std::int32_t istat = 0;
  problem::SRCREA(1, "NAME-ONLY", registered, istat);
  EXPECT_EQ(problem::SRTEXT(a).trimmed(), "OVERHEAD VAPOUR OF THE DEETHANISER");
  EXPECT_EQ(SRPSET.set1.stream, a);
  EXPECT_TRUE(problem::SRTEXT(registered).isBlank());
  EXPECT_TRUE(problem::SRTEXT(0).isBlank());
}

// Secondary records are built, written and read back per stream through the same slot; a
// record written to a new place is named in the main record, which is then marked changed.
TEST_F(Streams, PagesSecondaryRecordsOfEachStream) {
  const auto value = [] { return CORSTO.real(problem::SRLAYT.type13.reals(2) + 1); };
  const auto setValue = [](double x) { CORSTO.setReal(problem::SRLAYT.type13.reals(2) + 1, x); };
  std::int32_t istat = -1;

  const std::int32_t a = create("A");
  problem::SRPAGE(kLoad, 13, 1, istat);
  EXPECT_EQ(istat, 1);                            // never written
  EXPECT_EQ(problem::SRLAYT.type13.reals(2), 0);  // nothing published
  problem::SRPAGE(kBuild, 13, 1, istat);
  EXPECT_EQ(istat, 0);
  EXPECT_EQ(value(), 0.0);
  setValue(11.0);
  problem::SRPAGE(kWriteBack, 13, 1, istat);
  EXPECT_EQ(istat, 0);
  storage::DiskPointer secondary{};
  storage::SBGETC(problem::SLOTC2.sr.srtabi(2), SRPSET.set2.mainRecord, 1, 13, 0, secondary);
  EXPECT_NE(dp(secondary, storage::dpword::kAddress), NODISK);

  const std::int32_t b = create("B");
  problem::SRPAGE(kBuild, 13, 1, istat);
  EXPECT_EQ(value(), 0.0);
  setValue(22.0);
  problem::SRPAGE(kWriteBack, 13, 1, istat);

  problem::SRSET(a, 0);
  problem::SRPAGE(kLoad, 13, 1, istat);
  EXPECT_EQ(istat, 0);
  EXPECT_EQ(value(), 11.0);
  EXPECT_EQ(problem::ENTCUR.length, dp(secondary, storage::dpword::kTotalLength));
  problem::SRSET(b, 0);
  problem::SRPAGE(kLoad, 13, 1, istat);
  EXPECT_EQ(value(), 22.0);

  // A main record made current read-only still learns where its new record went.
  std::int32_t slot = 0;
  std::int32_t p = 0;
  storage::SCLOC(a, problem::SLOTC2.sr.mainSlots, slot, p);
  storage::SCSET(problem::SLOTC2.sr.mainSlots, slot, "WRITE", "STORE", 0);
  problem::SRSET(a, 10);
  problem::SRPAGE(kBuild, 28, 1, istat);
  problem::SRPAGE(kWriteBack, 28, 1, istat);
  EXPECT_EQ(slotState(a).second, 1);

  // Types without a slot control or a layout, and a write-back of an empty slot.
  storage::SCKILL(problem::SLOTC2.sr.typeSlots(5));
  for (const auto& [mode, type] : std::vector<std::pair<std::int32_t, std::int32_t>>{
           {kBuild, 5}, {kLoad, 5}, {kBuild, 0}, {kLoad, 32}, {kBuild, 21}}) {
    SCOPED_TRACE(type);
    problem::SRPAGE(mode, type, 1, istat);
    EXPECT_EQ(istat, 2);
  }
  problem::SRPAGE(kWriteBack, 14, 1, istat);
  EXPECT_EQ(istat, 1);
}

// 31 streams through 30 main slots: changed records leave core through their own disk
// blocks and come back with their data; a pointer set that named an evicted stream is cleared.
TEST_F(Streams, ThirtyOneStreamsThroughThirtySlotsKeepTheirData) {
  constexpr std::int32_t kStreams = 31;
  std::vector<std::int32_t> numbers;
  const auto fill = [](std::int32_t k) {
    working().setReal(m::kTemperature, 300.0 + k);
    setVector(m::kOverall, {1.0 * k, 2.0 * k, 3.0 * k});
    working().integer(m::kFirstTextWord) = 1000 + k;
  };
  for (std::int32_t k = 1; k < kStreams; ++k) {
    numbers.push_back(create("S-" + std::to_string(k)));
    fill(k);
  }
  // The first stream is read beside the others, then left the least recent.
  problem::SRSETT(numbers[0]);
  for (std::int32_t k = 2; k < kStreams; ++k)
    problem::SRSET(numbers[static_cast<std::size_t>(k - 1)], 10);
  numbers.push_back(create("S-31"));
  fill(kStreams);
  EXPECT_EQ(slotState(numbers[0]), (std::pair<std::int32_t, std::int32_t>{-1, -1}));
  EXPECT_EQ(SRPSET.set1.stream, 0);

  for (const bool backwards : {false, true}) {
    for (std::int32_t j = 1; j <= kStreams; ++j) {
      const std::int32_t k = backwards ? kStreams + 1 - j : j;
      SCOPED_TRACE(k);
      problem::SRSET(numbers[static_cast<std::size_t>(k - 1)], 10);
      EXPECT_EQ(working().real(m::kTemperature), 300.0 + k);
      EXPECT_EQ(vectorOf(working(), m::kOverall, 3),
                (std::vector<double>{1.0 * k, 2.0 * k, 3.0 * k}));
      EXPECT_EQ(working().integer(m::kFirstTextWord), 1000 + k);
    }
  }
}

// A killed stream leaves the index, both pointer sets and its slot's locks; its name can be
// used again for a new stream.
TEST_F(Streams, KillRemovesTheStream) {
  const std::int32_t a = create("A");
  working().setReal(m::kTemperature, 350.0);
  std::int32_t istat = 0;
  problem::SRPAGE(kBuild, 13, 1, istat);
  problem::SRPAGE(kWriteBack, 13, 1, istat);
  const std::int32_t b = create("B");
  problem::SRSETT(a);
  problem::SRSET(a, 3);

  problem::SRKILL(a);
  EXPECT_EQ(ISRNO("A"), 0);
  EXPECT_EQ(ISRSTA(a), 0);
  EXPECT_EQ(SRPSET.set1.stream, 0);
  EXPECT_EQ(SRPSET.set2.stream, 0);
  EXPECT_EQ(slotState(a), (std::pair<std::int32_t, std::int32_t>{0, 0}));
  expectAbort([&] { problem::SRSET(a, 0); }, "BAD STREAM NUMBER",
              {"STREAM " + std::to_string(a), "STATUS 0"});

  const std::int32_t again = create("A");
  EXPECT_EQ(working().real(m::kTemperature), DMISS);
  problem::SRPAGE(kLoad, 13, 1, istat);
  EXPECT_EQ(istat, 1);
  EXPECT_EQ(ISRNO("A"), again);
  EXPECT_EQ(ISRSTA(b), 2);
  EXPECT_EQ(problem::ISRNOS(), 2);
}

// Record transfers of the file layer so far, over every sequence and record routine.
std::int64_t transfers() {
  std::int64_t n = 0;
  for (const auto& calls : storage::fileLayer.recordCalls.values) {
    for (const std::int64_t c : calls.values) n += c;
  }
  return n;
}

// Whether disk address A lies in a run of the output sequence's free space.
bool isFree(std::int32_t a) {
  const storage::FreeSpace& space = storage::fileLayer.freeSpace;
  for (std::int32_t i = 1; i <= space.count; ++i) {
    const storage::FreeRun& run = space.runs(static_cast<std::size_t>(i));
    if (run.length > 0 && a >= run.address && a < run.address + run.length) return true;
  }
  return false;
}

// A temporary stream's record lives in core: created, changed, made current again and killed
// without a single record transfer, its index entry naming a block of the record's length
// that has no place on disk. A secondary record it wrote to disk goes back to the free
// space when it is killed.
TEST_F(Streams, TemporaryRecordLivesAndDiesInCore) {
  const std::int32_t kept = create("KEPT");
  const std::int64_t before = transfers();
  const std::int32_t t = create("", 3);
  EXPECT_EQ(dp(entryPointer(t), storage::dpword::kAddress), NODISK);
  EXPECT_EQ(dp(entryPointer(t), storage::dpword::kTotalLength), problem::SLOTC2.sr.srtabi(2));
  EXPECT_EQ(slotState(t), (std::pair<std::int32_t, std::int32_t>{1, 1}));
  EXPECT_EQ(ISRSTA(t), 3);
  working().setReal(m::kTemperature, 345.0);
  problem::SRSET(kept, 0);
  problem::SRSET(t, 1);
  EXPECT_EQ(working().real(m::kTemperature), 345.0);
  problem::SRKILL(t);
  EXPECT_EQ(transfers(), before);
  EXPECT_EQ(ISRSTA(t), 0);
  EXPECT_EQ(SRPSET.set2.stream, 0);

  const std::int32_t u = create("", 3);
  std::int32_t istat = -1;
  problem::SRPAGE(kBuild, 13, 1, istat);
  problem::SRPAGE(kWriteBack, 13, 1, istat);
  ASSERT_EQ(istat, 0);
  storage::DiskPointer secondary{};
  storage::SBGETC(problem::SLOTC2.sr.srtabi(2), SRPSET.set2.mainRecord, 1, 13, 0, secondary);
  const std::int32_t address = dp(secondary, storage::dpword::kAddress);
  ASSERT_NE(address, NODISK);
  EXPECT_FALSE(isFree(address));
  EXPECT_EQ(dp(entryPointer(u), storage::dpword::kAddress), NODISK);
  problem::SRKILL(u);
  EXPECT_TRUE(isFree(address));
  EXPECT_EQ(ISRSTA(u), 0);
}

// A temporary record that must leave core, through an eviction from its slot or the write-back
// of the slots, is written and placed like any changed record, comes back with its data, and
// its kill then gives its block back.
TEST_F(Streams, TemporaryRecordThatLeavesCoreIsPlacedOnDisk) {
  const std::pair<const char*, std::function<void()>> routes[] = {
      {"eviction", [] {
         for (std::int32_t k = 1; k <= 30; ++k) create("E-" + std::to_string(k));
       }},
      {"write-back", [] { problem::DBHSR(); }},
  };
  for (const auto& [what, leave] : routes) {
    SCOPED_TRACE(what);
    const std::int32_t t = create("", 3);
    working().setReal(m::kTemperature, 345.0);
    setVector(m::kOverall, {0.25, 0.5, 0.25});
    leave();
    const std::int32_t address = dp(entryPointer(t), storage::dpword::kAddress);
    ASSERT_NE(address, NODISK);
    EXPECT_EQ(dp(entryPointer(t), storage::dpword::kTotalLength), problem::SLOTC2.sr.srtabi(2));
    EXPECT_FALSE(isFree(address));
    problem::SRSET(t, 0);
    EXPECT_EQ(working().real(m::kTemperature), 345.0);
    EXPECT_EQ(vectorOf(working(), m::kOverall, 3), (std::vector<double>{0.25, 0.5, 0.25}));
    problem::SRKILL(t);
    EXPECT_TRUE(isFree(address));
    EXPECT_EQ(ISRSTA(t), 0);
  }
}

// Streams and records the class cannot use end in its reports.
TEST_F(Streams, ReportsStreamsAndRecordsItCannotUse) {
  expectAbort([] { problem::SRSET(0, 0); }, "BAD STREAM NUMBER", {"STREAM 0", "STATUS 0"});
  expectAbort([] { problem::SRSETT(77); }, "BAD STREAM NUMBER", {"STREAM 77", "STATUS 0"});
  std::int32_t istat = 0;
  expectAbort([&] { problem::SRPAGE(kBuild, 13, 1, istat); }, "BAD STREAM NUMBER",
              {"STREAM 0", "STATUS 0"});

  const std::int32_t a = create("A");
  expectAbort([&] { problem::SRPAGE(kBuild, 13, 3, istat); }, "NO SLOTS AVAILABLE",
              {"TYPE 13", "KEY 3"});

  // The main-record length of the stream table, read from the database, must be the
  // record's own: a shorter one would move the record into too small a slot.
  const std::int32_t length = problem::SLOTC2.sr.srtabi(2);
  problem::SLOTC2.sr.srtabi(2) = length - 100;
  expectAbort([&] { problem::SRPAGE(kBuild, 13, 1, istat); }, "BAD MAIN RECORD LENGTH",
              {"LENGTH " + std::to_string(length - 100), "RECORD " + std::to_string(length),
               "STREAM " + std::to_string(a)});
  problem::SLOTC2.sr.srtabi(2) = length;

  // A main record whose vectors are shorter than the problem's component count.
  problem::COHDR(problem::cohdr::kStreamComponents) = 4;
  expectAbort([&] { problem::SRSET(a, 0); }, "STREAM RECORD DOES NOT MATCH ITS LAYOUT",
              {"TYPE 0", "KIND 6", "SECTOR 2", "LENGTH 3", "LAYOUT 4"});
  problem::COHDR(problem::cohdr::kStreamComponents) = 3;

  // Every main slot locked at the control's level: no room for another stream.
  for (std::int32_t k = 2; k <= 30; ++k) create("L-" + std::to_string(k));
  for (std::int32_t n = 1; n <= 30; ++n) problem::SRSET(n, 2);
  const file_tests::Abort abort = file_tests::abortOf([] {
    std::int32_t n = 0;
    std::int32_t status = 0;
    problem::SRCREA(2, "ONE-TOO-MANY", n, status);
  });
  EXPECT_EQ(abort.message, "NO SLOTS AVAILABLE");
  EXPECT_TRUE(abort.items.empty());
  EXPECT_NE(abort.heading.find("SRCREA"), std::string::npos) << abort.heading;
}

// A stream index entry that no stream routine stores is a damaged index: a status outside 1
// to 3 (7, -1 and the sign bit alone were read as "inactive"; 0, a zeroed status word, too:
// a damaged file counted fewer streams, or none, without a word), a blank identifier
// (zeroed identifiers), or a stream with a record whose pointer names no block.
TEST_F(Streams, DamagedIndexEntriesEndInTheStreamsAbortReport) {
  const std::int32_t index = problem::SLOTC2.sr.index;
  // The sign bit alone is the missing-integer marker, which the report shows as such.
  const std::vector<std::pair<std::int32_t, std::string>> damaged = {
      {7, "7"}, {-1, "-1"}, {INT32_MIN, "MISSING"}, {4, "4"}, {0, "0"}};
  for (const auto& [status, shown] : damaged) {
    SCOPED_TRACE(status);
    const std::int32_t n = create("D" + std::to_string(status));
    std::array<char, 12> name{};
    storage::DiskPointer pointer{};
    std::array<std::int32_t, 1> data{};
    std::int32_t missing = 0;
    storage::FBINUM(1, index, n, name, pointer, data, missing);
    ASSERT_EQ(missing, 0);
    data[0] = status;
    storage::FBINUM(2, index, n, name, pointer, data, missing);
    for (const auto& read :
         std::vector<std::function<void()>>{[&] { ISRSTA(n); }, [&] { ISRID(n); }}) {
      expectAbort(read, "DAMAGED STREAM INDEX ENTRY",
                  {"STREAM " + std::to_string(n), "STATUS " + shown});
    }
    data[0] = 2;
    storage::FBINUM(2, index, n, name, pointer, data, missing);
  }

  // Entries whose status is one a stream has, with an identifier or a pointer no stream has.
  std::array<char, 12> unused{};
  storage::DiskPointer record{};
  std::array<std::int32_t, 1> status2{};
  std::int32_t missing = 0;
  storage::FBINUM(1, index, create("RECORD"), unused, record, status2, missing);
  ASSERT_EQ(status2[0], 2);
  struct Entry {
    const char* what;
    std::string id;
    std::int32_t status;
    storage::DiskPointer pointer;
  };
  const std::vector<Entry> entries = {
      {"blank identifier of a stream", std::string(12, ' '), 2, record},
      {"blank identifier of a registered name", std::string(12, ' '), 1,
       storage::emptyDiskPointer()},
      {"stream whose record has no block", "NO-BLOCK", 2, storage::emptyDiskPointer()},
  };
  for (const Entry& e : entries) {
    SCOPED_TRACE(e.what);
    std::int32_t n = 0;
    storage::DiskPointer pointer = e.pointer;
    std::array<std::int32_t, 1> data{e.status};
    std::int32_t added = 0;
    storage::FBINAM(2, index, e.id, 2, n, pointer, data, added);
    ASSERT_EQ(added, 0);
    for (const auto& read : std::vector<std::function<void()>>{
             [&] { ISRSTA(n); }, [&] { ISRID(n); }, [&] { problem::SRSET(n, 10); }}) {
      expectAbort(read, "DAMAGED STREAM INDEX ENTRY",
                  {"STREAM " + std::to_string(n), "STATUS " + std::to_string(e.status)});
    }
    // Deleted without releasing the block that another entry names.
    storage::DiskPointer empty = storage::emptyDiskPointer();
    storage::FBINUM(2, index, n, unused, empty, data, added);
    storage::FBINUM(4, index, n, unused, empty, {}, added);
  }
  EXPECT_EQ(ISRSTA(create("FINE")), 2);
}

}  // namespace
