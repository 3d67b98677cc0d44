// The stream class: the stream index with each stream's status, the main records cached in
// the stream slot control, the two current-stream pointer sets, and the secondary records
// paged one type at a time through their own slot controls.
#include "problem/streams.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "problem/problem.hpp"
#include "problem/stream_table.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::ABTRPT;
using services::DMISS;
using services::ERRITM;
using services::IMISS;
using services::NOCORE;
using storage::CORSTO;
using storage::DiskPointer;
using storage::dp;
using storage::SBCUR;
using storage::SectorKind;
using storage::dpword::kTotalLength;

constexpr auto kGet = static_cast<std::int32_t>(storage::EntryOption::Get);
constexpr auto kPut = static_cast<std::int32_t>(storage::EntryOption::Put);
constexpr auto kDelete = static_cast<std::int32_t>(storage::EntryOption::Delete);
constexpr std::int32_t kMustExist = 1;
constexpr std::int32_t kFindOrAdd = 0;
constexpr std::size_t kNameLength = 12;
constexpr std::int32_t kMaxLockOnFree = 3;

std::int32_t streamIndex() { return SLOTC2.sr.index; }
std::int32_t mainSlots() { return SLOTC2.sr.mainSlots; }

// An index entry: its identifier, its disk pointer and the stream status, its only data word.
struct Entry {
  bool exists = false;
  services::FixedText<kNameLength> name;
  DiskPointer pointer = storage::emptyDiskPointer();
  std::int32_t status = 0;
};

// Whether the entry's record has a place on disk. A temporary stream's record has none until
// it must leave core (see buildMain).
bool placed(const Entry& entry) {
  return dp(entry.pointer, storage::dpword::kAddress) != services::NODISK;
}

// An entry that the stream index holds is damaged unless it is one that the stream routines
// store: SRCREA gives every entry it adds the status of its kind (1 to 3) before it returns,
// so status 0 ("New") lives only inside that call and is never read back through here; the
// identifier is never blank (a blank name gets an automatic one, and the index itself
// refuses names of bytes no text has); a stream with a record (2 or 3) has a disk block for
// it, or, a temporary one, the length of the record it holds in core. Any other entry (a
// zeroed status word, a zeroed identifier, a record without a block) is the stream class's
// abort report, never an answer read from it: it made a damaged file count fewer streams,
// or none, without a word.
void checkEntry(std::int32_t n, const Entry& entry) {
  const std::int32_t status = entry.status;
  const bool known = status >= static_cast<std::int32_t>(StreamStatus::Registered) &&
                     status <= static_cast<std::int32_t>(StreamStatus::Temporary);
  const bool record = status >= static_cast<std::int32_t>(StreamStatus::Stream);
  const bool inCore = status == static_cast<std::int32_t>(StreamStatus::Temporary) &&
                      dp(entry.pointer, kTotalLength) >= 1;
  if (known && !entry.name.isBlank() && (!record || placed(entry) || inCore)) return;
  ERRITM("STREAM", n);
  ERRITM("STATUS", status);
  ABTRPT("SR", SRCNAM.view(), SRCNAM.view(), "DAMAGED STREAM INDEX ENTRY");
}

// The entry of stream N, checked.
Entry readEntry(std::int32_t n) {
  Entry entry;
  std::array<std::int32_t, 1> data{};
  std::int32_t missing = 0;
  storage::FBINUM(kGet, streamIndex(), n, entry.name, entry.pointer, data, missing);
  entry.exists = missing == 0;
  entry.status = entry.exists ? data[0] : 0;
  if (entry.exists) checkEntry(n, entry);
  return entry;
}

void writeEntry(std::int32_t n, DiskPointer& pointer, std::int32_t status) {
  std::array<char, kNameLength> name{};
  std::array<std::int32_t, 1> data{status};
  std::int32_t missing = 0;
  storage::FBINUM(kPut, streamIndex(), n, name, pointer, data, missing);
}

[[noreturn]] void badStream(std::string_view routine, std::int32_t n, std::int32_t status) {
  ERRITM("STREAM", n);
  ERRITM("STATUS", status);
  ABTRPT("SR", routine, SRCNAM.view(), "BAD STREAM NUMBER");
}

// The entry of stream N, which must have a record.
Entry streamWithRecord(std::string_view routine, std::int32_t n) {
  if (n < 1) badStream(routine, n, 0);
  Entry entry = readEntry(n);
  if (!entry.exists || entry.status <= static_cast<std::int32_t>(StreamStatus::Registered)) {
    badStream(routine, n, entry.status);
  }
  return entry;
}

// The stream number of NAME cut to 12 characters; 0 when blank or not in the index.
std::int32_t findName(std::string_view name) {
  const std::string_view id =
      services::trimRight(name.substr(0, std::min(name.size(), kNameLength)));
  if (id.empty()) return 0;
  std::int32_t n = 0;
  DiskPointer pointer = storage::emptyDiskPointer();
  std::array<std::int32_t, 1> data{};
  std::int32_t missing = 0;
  storage::FBINAM(kGet, streamIndex(), id, kMustExist, n, pointer, data, missing);
  return missing == 0 ? n : 0;
}

void clearSets(std::int32_t n) {
  if (SRPSET.set1.stream == n) SRPSET.set1.stream = 0;
  if (SRPSET.set2.stream == n) SRPSET.set2.stream = 0;
}

void raise(std::int32_t slot, std::int32_t level, std::int32_t write) {
  storage::SCSET(mainSlots(), slot, "LEVEL", "INCREASE", level);
  storage::SCSET(mainSlots(), slot, "WRITE", "INCREASE", write);
}

// A problem opened for reading: its records are never written. A changed record that must
// leave its slot is dropped (the file still holds the record it changed, and whatever was
// evaluated into it is evaluated again when asked for), and a record written back stays in
// its slot only.
bool readOnlyProblem() { return DBSESS.mode == kReadOnly; }

// The next automatic name: S<counter>, with "$" in front when DOLLAR, skipping names in use.
// The counter is kept in the stream table, which the problem file keeps, so that every flash
// call of every session raises it (a temporary stream takes a name and gives it back when it
// is deleted): after its largest value it starts again from 1, the names still in use skipped,
// instead of stopping the run. "S2147483647" is the longest name and fits an identifier.
services::FixedText<kNameLength> automaticName(bool dollar) {
  std::int32_t& counter = SLOTC2.sr.srtabi(srtabi::kNameCounter);
  for (std::int64_t tried = 0;; ++tried) {
    if (tried > INT32_MAX) {
      ERRITM("COUNTER", counter);
      ABTRPT("SR", "SRCREA", SRCNAM.view(), "NO AUTOMATIC STREAM NAME LEFT");
    }
    if (counter < 0 || counter == INT32_MAX) counter = 0;
    ++counter;
    std::array<char, 16> line{};
    std::snprintf(line.data(), line.size(), " S%6d", counter);
    services::FixedText<kNameLength> name(line.data());
    if (dollar) name.at(1) = '$';
    services::NOBLNK(name);
    if (findName(name.view()) == 0) return name;
  }
}

// Brings the main record of stream N (index entry ENTRY) into a main slot for SET and makes
// it current there; returns the slot and its core pointer.
std::int32_t loadMain(std::string_view routine, std::int32_t n, std::int32_t set,
                      const Entry& entry, std::int32_t& ptr) {
  std::int32_t length = dp(entry.pointer, kTotalLength);
  if (length < 1) {
    ERRITM("STREAM", n);
    ERRITM("LENGTH", length);
    ABTRPT("SR", routine, SRCNAM.view(), "STREAM RECORD NOT ON DISK");
  }
  std::int32_t slot = 0;
  std::int32_t fresh = 0;
  SRSLOT(n, set, length, slot, ptr, fresh);
  if (fresh != storage::kAlreadyHeld) {
    std::int32_t missing = 0;
    storage::SBRDC(length, ptr, entry.pointer, missing);
    if (missing != 0) {
      ERRITM("STREAM", n);
      ERRITM("LENGTH", length);
      ABTRPT("SR", routine, SRCNAM.view(), "STREAM RECORD NOT ON DISK");
    }
  } else {
    storage::SBSETC(length, ptr);
  }
  SRPNTR(n, set, ptr);
  return slot;
}

// Step 6 of the create: a new main record for N, initialised and written to disk at once. A
// temporary stream's record stays in core instead, with the pointer of a block not yet
// placed: it lives within one call of the engine, and the slot keeps it marked changed (the
// create raises the write flag, which only a write or the kill lowers), so that a record
// that must leave its slot is written, and placed, by SRSLOT or the write-back of the slots
// like any other changed record.
void buildMain(std::int32_t n, DiskPointer& pointer, bool temporary) {
  std::int32_t length = 0;
  std::int32_t ptr = NOCORE;
  SRLAYO(static_cast<std::int32_t>(LayoutMode::Describe), 0, length, ptr);
  std::int32_t slot = 0;
  std::int32_t fresh = 0;
  SRSLOT(n, kWorkingSet, length, slot, ptr, fresh);
  SRLAYO(static_cast<std::int32_t>(LayoutMode::Build), 0, length, ptr);
  SRPNTR(n, kWorkingSet, ptr);
  raise(slot, 1, 1);
  ENTCUR = {length, ptr};

  // The start values, each sector written through one checked view.
  const StreamPointers& set = SRPSET.set2;
  const std::span<std::int32_t> integers = CORSTO.words(set.integerSector + 1, kMainIntegers);
  std::fill(integers.begin(), integers.end(), 0);
  integers[19 - 1] = IMISS;
  integers[20 - 1] = IMISS;
  const storage::RealView reals = CORSTO.reals(set.realSector1 + 1, kMainReals);
  for (std::size_t k = 0; k < reals.size(); ++k) reals.set(k, DMISS);
  reals.set(31 - 1, 0.0);
  reals.set(35 - 1, 0.0);
  const std::int32_t nc = std::max(COHDR(cohdr::kStreamComponents), 0);
  const storage::RealView overall =
      CORSTO.reals(set.realSectors.at(static_cast<std::size_t>(srmain::kOverall - 1)) + 1, nc);
  for (std::size_t i = 0; i < overall.size(); ++i) overall.set(i, DMISS);
  if (temporary) {
    pointer = storage::unplacedPointer(ptr);
    return;
  }
  std::int32_t changed = 0;
  storage::SBWTC(length, ptr, pointer, changed);
}

// Counts a call of SRSET or SRSETT while the timing switch is on, and times it while the
// switch is above 3.
class StreamTimer {
 public:
  explicit StreamTimer(std::size_t slot) : slot_(slot) {
    const std::int32_t timing = services::GDPOPT.diagnosticSwitch(services::kTimingSwitch);
    if (timing <= 0) return;
    services::TIMST1.calls(slot_) += 1;
    if (timing > 3) {
      clocked_ = true;
      services::CLKSEC(start_);
    }
  }
  ~StreamTimer() {
    if (clocked_) services::TIMACC(start_, services::TIMST1.seconds(slot_));
  }
  StreamTimer(const StreamTimer&) = delete;
  StreamTimer& operator=(const StreamTimer&) = delete;

 private:
  std::size_t slot_;
  double start_ = 0.0;
  bool clocked_ = false;
};

}  // namespace

// ---------------------------------------------------------------------------------------
// The main record through a pointer set
// ---------------------------------------------------------------------------------------

double MainRecord::real(std::int32_t k) const { return CORSTO.real(set_.realSector1 + k); }
void MainRecord::setReal(std::int32_t k, double value) {
  CORSTO.setReal(set_.realSector1 + k, value);
}
std::int32_t& MainRecord::integer(std::int32_t k) { return CORSTO[set_.integerSector + k]; }
double MainRecord::vector(std::int32_t v, std::int32_t i) const {
  return CORSTO.real(set_.realSectors.at(static_cast<std::size_t>(v - 1)) + i);
}
void MainRecord::setVector(std::int32_t v, std::int32_t i, double value) {
  CORSTO.setReal(set_.realSectors.at(static_cast<std::size_t>(v - 1)) + i, value);
}

// ---------------------------------------------------------------------------------------
// Create, set up, slots and pointer sets
// ---------------------------------------------------------------------------------------

void SRCREA(std::int32_t kind, std::string_view name, std::int32_t& n, std::int32_t& istat) {
  SRCNAM.assign("SRCREA");
  if (kind < 1 || kind > 3) {
    ERRITM("KIND", kind);
    ABTRPT("SR", "SRCREA", SRCNAM.view(), "BAD STREAM KIND");
  }
  // 1. The name.
  const std::string_view given = services::trimRight(name);
  services::FixedText<kNameLength> id;
  if (given.empty() || given == "$") {
    id = automaticName(kind == static_cast<std::int32_t>(StreamStatus::Temporary) || given == "$");
  } else {
    id.assign(name);
  }
  // 2-3. Find or add the name; an existing stream of another kind stays as it is.
  DiskPointer pointer = storage::emptyDiskPointer();
  std::array<std::int32_t, 1> data{};
  std::int32_t unused = 0;
  storage::FBINAM(kGet, streamIndex(), id.trimmed(), kFindOrAdd, n, pointer, data, unused);
  const std::int32_t status = data[0];
  const auto registered = static_cast<std::int32_t>(StreamStatus::Registered);
  if (status > registered && status != kind) {
    istat = 2;
    return;
  }
  istat = status > registered ? 1 : 0;
  // 4-6. The record: the existing one made current, or a new one.
  if (kind > registered) {
    if (status == kind) {
      Entry entry;
      entry.exists = true;
      entry.pointer = pointer;
      entry.status = status;
      std::int32_t ptr = NOCORE;
      const std::int32_t slot = loadMain("SRCREA", n, kWorkingSet, entry, ptr);
      raise(slot, 1, 1);
      ENTCUR = {dp(pointer, kTotalLength), ptr};
    } else {
      buildMain(n, pointer, kind == static_cast<std::int32_t>(StreamStatus::Temporary));
    }
  }
  // 7. The status and the record's pointer.
  if (kind > status) writeEntry(n, pointer, kind);
}

void SRSTUP(std::int32_t n, std::int32_t set, std::int32_t mode) {
  const std::int32_t level = mode % 10;
  const std::int32_t write = 1 - mode / 10;
  const Entry entry = streamWithRecord("SRSTUP", n);
  std::int32_t ptr = NOCORE;
  const std::int32_t slot = loadMain("SRSTUP", n, set, entry, ptr);
  raise(slot, level, write);
  ENTCUR = {dp(entry.pointer, kTotalLength), ptr};
}

void SRSET(std::int32_t n, std::int32_t mode) {
  SRCNAM.assign("SRSET");
  const StreamTimer timer(kTimingSlotSRSET);
  SRSTUP(n, kWorkingSet, mode);
}

void SRSETT(std::int32_t n) {
  SRCNAM.assign("SRSETT");
  const StreamTimer timer(kTimingSlotSRSETT);
  SRSTUP(n, kReadingSet, 10);
}

void SRSLOT(std::int32_t n, std::int32_t set, std::int32_t len, std::int32_t& slot,
            std::int32_t& ptr, std::int32_t& victim) {
  for (;;) {
    std::int32_t previous = 0;
    storage::SCFIND(n, len, set, mainSlots(), slot, ptr, previous);
    if (slot == 0) ABTRPT("SR", "SRSLOT", SRCNAM.view(), "NO SLOTS AVAILABLE");
    if (previous <= 0) {
      victim = previous;
      return;
    }
    // A changed record of another stream leaves the slot: write it and keep its pointer.
    Entry entry = readEntry(previous);
    if (!entry.exists) {
      ERRITM("STREAM", previous);
      ABTRPT("SR", "SRSLOT", SRCNAM.view(), "SLOT HOLDS A STREAM WITHOUT INDEX ENTRY");
    }
    if (readOnlyProblem() && placed(entry)) {
      clearSets(previous);
      continue;
    }
    std::int32_t changed = 0;
    storage::SBWTC(dp(entry.pointer, kTotalLength), ptr, entry.pointer, changed);
    writeEntry(previous, entry.pointer, entry.status);
    clearSets(previous);
  }
}

void SRPNTR(std::int32_t n, std::int32_t set, std::int32_t ptr) {
  if (set != kReadingSet && set != kWorkingSet) return;
  checkStreamRecordShape(0, true, "SRPNTR");
  StreamPointers& pointers = set == kWorkingSet ? SRPSET.set2 : SRPSET.set1;
  pointers.stream = n;
  pointers.mainRecord = ptr;
  pointers.pointerSector = SBCUR.pointer(SectorKind::Pointer, 1);
  pointers.integerSector = SBCUR.pointer(SectorKind::Integer, 1);
  pointers.realSector1 = SBCUR.pointer(SectorKind::Real, 1);
  for (std::int32_t v = 1; v <= kMainComponentVectors; ++v) {
    pointers.realSectors.at(static_cast<std::size_t>(v - 1)) =
        SBCUR.pointer(SectorKind::Real, v + 1);
  }
}

// ---------------------------------------------------------------------------------------
// Secondary records
// ---------------------------------------------------------------------------------------

namespace {

// Slot KEY of a record-type control for a record of LEN words.
std::int32_t typeSlot(std::int32_t handle, std::int32_t type, std::int32_t key, std::int32_t len) {
  std::int32_t slot = 0;
  std::int32_t ptr = NOCORE;
  std::int32_t previous = 0;
  do {
    storage::SCFIND(key, len, key, handle, slot, ptr, previous);
    if (slot == 0) {
      ERRITM("TYPE", type);
      ERRITM("KEY", key);
      ABTRPT("SR", "SRPAGE", SRCNAM.view(), "NO SLOTS AVAILABLE");
    }
  } while (previous > 0);
  return ptr;
}

}  // namespace

void SRPAGE(std::int32_t mode, std::int32_t type, std::int32_t key, std::int32_t& istat) {
  istat = 0;
  constexpr std::int32_t kNoLayout = 21;
  if (type < 1 || type > kSecondaryRecordTypes ||
      SLOTC2.sr.typeSlots(static_cast<std::size_t>(type)) == NOCORE) {
    istat = 2;
    return;
  }
  const std::int32_t handle = SLOTC2.sr.typeSlots(static_cast<std::size_t>(type));

  // 2. The main record of the working stream, read again if it has left core. Its length in
  // the stream table must be the record's own.
  const std::int32_t n = SRPSET.set2.stream;
  const Entry entry = streamWithRecord("SRPAGE", n);
  const std::int32_t mainLength = SLOTC2.sr.srtabi(srtabi::kMainLength);
  if (mainLength != dp(entry.pointer, kTotalLength)) {
    ERRITM("LENGTH", mainLength);
    ERRITM("RECORD", dp(entry.pointer, kTotalLength));
    ERRITM("STREAM", n);
    ABTRPT("SR", "SRPAGE", SRCNAM.view(), "BAD MAIN RECORD LENGTH");
  }
  std::int32_t main = NOCORE;
  const std::int32_t mainSlot = loadMain("SRPAGE", n, kWorkingSet, entry, main);

  if (mode == 0) {
    // 3. A new, empty record.
    if (type == kNoLayout) {
      istat = 2;
      return;
    }
    std::int32_t length = 0;
    std::int32_t ptr = NOCORE;
    SRLAYO(static_cast<std::int32_t>(LayoutMode::Describe), type, length, ptr);
    ptr = typeSlot(handle, type, key, length);
    SRLAYO(static_cast<std::int32_t>(LayoutMode::Build), type, length, ptr);
    ENTCUR = {length, ptr};
  } else if (mode == 1) {
    // 4. The stored record, always read: the slot may hold another stream's record.
    DiskPointer pointer{};
    storage::SBGETC(mainLength, main, 1, type, 0, pointer);
    std::int32_t length = dp(pointer, kTotalLength);
    if (length < 1) {
      istat = 1;
      return;
    }
    std::int32_t ptr = typeSlot(handle, type, key, length);
    storage::SBRDC(length, ptr, pointer, istat);
    ENTCUR = {length, ptr};
    if (istat == 0) SRLAYO(static_cast<std::int32_t>(LayoutMode::Publish), type, length, ptr);
  } else if (mode == 2) {
    // 5. Write back; a moved record's pointer goes into the main record, which must then be
    // written too.
    std::int32_t entity = 0, length = 0, ptr = 0, lock = 0, write = 0, hier = 0;
    storage::SCGET(handle, key, entity, length, ptr, lock, write, hier);
    if (length < 1) {
      istat = 1;
      return;
    }
    if (readOnlyProblem()) return;
    DiskPointer pointer{};
    storage::SBGETC(mainLength, main, 1, type, 0, pointer);
    std::int32_t changed = 0;
    storage::SBWTC(length, ptr, pointer, changed);
    if (changed == storage::kPointerChanged) {
      storage::SBPUTC(mainLength, main, 1, type, 0, pointer);
      storage::SCSET(mainSlots(), mainSlot, "WRITE", "INCREASE", 1);
    }
  }
}

// ---------------------------------------------------------------------------------------
// Free, kill and the look-ups
// ---------------------------------------------------------------------------------------

void SRFREE(std::int32_t n, std::int32_t level) {
  SRCNAM.assign("SRFREE");
  if (n < 1) return;
  std::int32_t slot = 0;
  std::int32_t ptr = NOCORE;
  storage::SCLOC(n, mainSlots(), slot, ptr);
  if (slot == 0) return;
  storage::SCSET(mainSlots(), slot, "LEVEL", "DECREASE", std::clamp(level, 0, kMaxLockOnFree));
}

void SRKILL(std::int32_t n) {
  SRCNAM.assign("SRKILL");
  if (n < 1) badStream("SRKILL", n, 0);
  std::int32_t slot = 0;
  std::int32_t ptr = NOCORE;
  storage::SCLOC(n, mainSlots(), slot, ptr);
  if (slot != 0) {
    std::int32_t entity = 0, length = 0, core = 0, lock = 0, write = 0, hier = 0;
    storage::SCGET(mainSlots(), slot, entity, length, core, lock, write, hier);
    if (write == 1) {
      Entry entry = readEntry(n);
      if (entry.exists && placed(entry) && readOnlyProblem()) {
        // Nothing of a problem opened for reading is written, nor given back.
      } else if (entry.exists && placed(entry)) {
        // Written first, so that the release below finds every secondary record it names.
        std::int32_t changed = 0;
        storage::SBWTC(dp(entry.pointer, kTotalLength), core, entry.pointer, changed);
        writeEntry(n, entry.pointer, entry.status);
      } else if (entry.exists) {
        // A record that never left core: the secondary records it placed go back from the
        // core copy, and the record itself had no place to give back.
        storage::releaseSubtrees(length, core);
      }
    }
    storage::SCSET(mainSlots(), slot, "LEVEL", "STORE", 0);
    storage::SCSET(mainSlots(), slot, "WRITE", "STORE", 0);
    storage::SCSET(mainSlots(), slot, "HIER", "STORE", 1);
  }
  clearSets(n);
  std::array<char, kNameLength> name{};
  DiskPointer pointer = storage::emptyDiskPointer();
  std::int32_t missing = 0;
  storage::FBINUM(kDelete, streamIndex(), n, name, pointer, {}, missing);
}

std::int32_t ISRNO(std::string_view name) {
  SRCNAM.assign("ISRNO");
  return findName(name);
}

services::FixedText<12> ISRID(std::int32_t n) {
  SRCNAM.assign("ISRID");
  services::FixedText<kNameLength> id;
  if (n < 1) return id;
  const Entry entry = readEntry(n);
  if (entry.exists && entry.name.at(1) != '$') id = entry.name;
  return id;
}

std::int32_t ISRSTA(std::int32_t n) {
  SRCNAM.assign("ISRSTA");
  return n < 1 ? 0 : readEntry(n).status;
}

services::FixedText<40> SRTEXT(std::int32_t n) {
  services::FixedText<srmain::kTextChars> text;
  if (n < 1 || readEntry(n).status < static_cast<std::int32_t>(StreamStatus::Stream)) return text;
  SRSETT(n);
  std::int32_t ierr = 0;
  storage::IWTOTX(
      text, CORSTO.words(SRPSET.set1.integerSector + srmain::kFirstTextWord, srmain::kTextWords),
      srmain::kTextWords, ierr);
  return text;
}

std::int32_t ISRNOS() {
  SRCNAM.assign("ISRNOS");
  // No case loaded: no stream table.
  if (streamIndex() == NOCORE) return 0;
  std::int32_t total = 0;
  std::int32_t live = 0;
  storage::FBICNT(streamIndex(), total, live);
  return total;
}

}  // namespace problem
