// Direct-access record I/O: the record routines, whole-block transfers of words and
// characters, and partial transfers through the one-record cache.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

#include "platform/platform.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "storage/current_routine.hpp"
#include "storage/file_internal.hpp"
#include "storage/files.hpp"

namespace storage {
namespace {

using file_internal::ceilDiv;
using file_internal::forgetCachedRecord;
using file_internal::TraceLevel;

constexpr std::int32_t kRead = 1;
constexpr std::int32_t kWrite = 2;

bool timingOn() { return services::GDPOPT.diagnosticSwitch(services::kTimingSwitch) > 0; }

// Counts a call of a timed routine and adds its elapsed time to its slot of TIMST2.
// Slot 0 times nothing.
class Timed {
 public:
  explicit Timed(std::size_t slot) : slot_(slot) {
    if (slot_ == 0 || !timingOn()) return;
    services::TIMST2.calls(slot_) += 1;
    services::CLKSEC(start_);
  }
  ~Timed() {
    if (slot_ != 0 && timingOn()) services::TIMACC(start_, services::TIMST2.seconds(slot_));
  }
  Timed(const Timed&) = delete;
  Timed& operator=(const Timed&) = delete;

 private:
  std::size_t slot_;
  double start_ = 0.0;
};

struct RecordRoutineInfo {
  std::string_view name;
  RecordRoutine counter;
  bool write;
  std::size_t timingSlot;  // 0: not timed
};

constexpr RecordRoutineInfo kFIURN{"FIURN", RecordRoutine::FIURN, false, kTimingSlotFIURN};
constexpr RecordRoutineInfo kFIUAN{"FIUAN", RecordRoutine::FIUAN, true, kTimingSlotFIUAN};
constexpr RecordRoutineInfo kFIUWN{"FIUWN", RecordRoutine::FIUWN, true, kTimingSlotFIUWN};
constexpr RecordRoutineInfo kFIURC{"FIURC", RecordRoutine::FIURC, false, 0};
constexpr RecordRoutineInfo kFIUAC{"FIUAC", RecordRoutine::FIUAC, true, 0};
constexpr RecordRoutineInfo kFIUWC{"FIUWC", RecordRoutine::FIUWC, true, 0};

// The six record routines: one record of a unit's file, N words or characters.
template <typename Element>
void transferRecord(const RecordRoutineInfo& info, std::int32_t unit, std::int32_t address,
                    std::span<Element> buffer, std::int32_t n) {
  const auto code =
      static_cast<std::int32_t>(info.write ? FileError::WriteFailed : FileError::ReadFailed);
  FileUnit& u = file_internal::unitAt(unit, code, info.name);
  // 1. Counters, timing, trace.
  fileLayer.recordCalls(static_cast<std::size_t>(u.sequence))(
      static_cast<std::size_t>(info.counter)) += 1;
  Timed timed(info.timingSlot);
  file_internal::traceCall(info.name, &fileTrace.recordIo);
  // 2. The file open.
  if (u.state != UnitFileState::Open) FIUO(unit);
  // 3. The transfer; never past the caller's buffer.
  const auto count = static_cast<std::size_t>(std::max(n, 0));
  platform::DirectStatus status{platform::DirectResult::Error, EINVAL};
  if (count <= buffer.size()) {
    const std::int32_t record = recordOf(address);
    if constexpr (std::is_const_v<Element>) {
      status = platform::writeDirect(u.ioUnit, record, buffer.first(count));
    } else {
      status = platform::readDirect(u.ioUnit, record, buffer.first(count));
    }
  }
  // 4. A failure names the file.
  if (!status.ok()) {
    FIERR(code, info.name, u.name.view(), {status.code, u.ioUnit, u.fileCode, address, n});
  }
}

// The checks of a whole-block request (error 15).
void checkFullRequest(std::string_view routine, std::int32_t iopt, std::int32_t lendat,
                      std::int32_t lentot, std::int32_t iblk, std::size_t available) {
  const bool bad = lentot < lendat || lentot < 1 || lendat < 1 ||
                   (iopt != kRead && iopt != kWrite) ||
                   static_cast<std::size_t>(lendat) > available;
  if (bad) FIERR(FileError::BadFullTransfer, routine, " ", {iopt, lendat, lentot, iblk});
}

// The records of a block stay in their file.
void checkRecordRange(std::string_view routine, std::int32_t iopt, std::int32_t lendat,
                      std::int32_t lentot, std::int32_t given, std::int32_t iblk,
                      std::int64_t records) {
  if (recordOf(iblk) - 1 + records > kLastRecord) {
    FIERR(FileError::BadFullTransfer, routine, " ", {iopt, lendat, lentot, given});
  }
}

}  // namespace

void FIURN(std::int32_t unit, std::int32_t address, std::span<std::int32_t> buffer,
           std::int32_t n) {
  transferRecord(kFIURN, unit, address, buffer, n);
}

void FIUWN(std::int32_t unit, std::int32_t address, std::span<const std::int32_t> buffer,
           std::int32_t n) {
  transferRecord(kFIUWN, unit, address, buffer, n);
}

void FIUAN(std::int32_t unit, std::int32_t address, std::span<const std::int32_t> buffer,
           std::int32_t n) {
  transferRecord(kFIUAN, unit, address, buffer, n);
}

void FIURC(std::int32_t unit, std::int32_t address, std::span<char> text, std::int32_t n) {
  transferRecord(kFIURC, unit, address, text, n);
}

void FIUWC(std::int32_t unit, std::int32_t address, std::string_view text, std::int32_t n) {
  transferRecord(kFIUWC, unit, address, std::span<const char>(text.data(), text.size()), n);
}

void FIUAC(std::int32_t unit, std::int32_t address, std::string_view text, std::int32_t n) {
  transferRecord(kFIUAC, unit, address, std::span<const char>(text.data(), text.size()), n);
}

void FILEIO(std::int32_t iopt, std::span<std::int32_t> data, std::int32_t lendat,
            std::int32_t lentot, std::int32_t& iblk) {
  CURRTN.fi.assign("FILEIO");
  TraceLevel trace("FILEIO");
  Timed timed(kTimingSlotFILEIO);
  // 1. The request.
  checkFullRequest("FILEIO", iopt, lendat, lentot, iblk, data.size());
  // 2. The address; a write to record 0 places a new block.
  const std::int32_t given = iblk;
  std::int32_t newBlock = 0;
  std::int32_t code = 0;
  std::int32_t unit = 0;
  FICHEK(iopt, lentot, iblk, newBlock, code, unit);
  const std::int32_t r = fileLayer.units(static_cast<std::size_t>(unit)).recordSize;
  const std::int64_t records = ceilDiv(lendat, r);
  checkRecordRange("FILEIO", iopt, lendat, lentot, given, iblk, records);
  // 3. Record by record: R words each, the rest in the last.
  for (std::int64_t i = 0; i < records; ++i) {
    const auto address = static_cast<std::int32_t>(iblk + i);
    const auto offset = static_cast<std::size_t>(i * r);
    const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(r, lendat - i * r));
    const auto words = data.subspan(offset, static_cast<std::size_t>(count));
    if (iopt == kRead) {
      FIURN(unit, address, words, count);
      continue;
    }
    if (newBlock == 1) {
      FIUAN(unit, address, words, count);
    } else {
      FIUWN(unit, address, words, count);
    }
    forgetCachedRecord(address);
  }
}

void CHARIO(std::int32_t iopt, std::span<char> text, std::int32_t lendat, std::int32_t lentot,
            std::int32_t& iblk) {
  CURRTN.fi.assign("CHARIO");
  TraceLevel trace("CHARIO");
  // 1. The request.
  checkFullRequest("CHARIO", iopt, lendat, lentot, iblk, text.size());
  // 2. The address; the block reserves ceil(lentot / 4) words.
  const std::int32_t given = iblk;
  std::int32_t newBlock = 0;
  std::int32_t code = 0;
  std::int32_t unit = 0;
  const auto words = static_cast<std::int32_t>(ceilDiv(lentot, 4));
  FICHEK(iopt, words, iblk, newBlock, code, unit);
  const std::int64_t chars =
      std::int64_t{4} * fileLayer.units(static_cast<std::size_t>(unit)).recordSize;
  const std::int64_t records = ceilDiv(lendat, chars);
  checkRecordRange("CHARIO", iopt, lendat, lentot, given, iblk, records);
  // 3. Record by record: 4R characters each.
  for (std::int64_t i = 0; i < records; ++i) {
    const auto address = static_cast<std::int32_t>(iblk + i);
    const auto offset = static_cast<std::size_t>(i * chars);
    const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(chars, lendat - i * chars));
    const auto part = text.subspan(offset, static_cast<std::size_t>(count));
    if (iopt == kRead) {
      FIURC(unit, address, part, count);
      continue;
    }
    const std::string_view written(part.data(), part.size());
    if (newBlock == 1) {
      FIUAC(unit, address, written, count);
    } else {
      FIUWC(unit, address, written, count);
    }
    // A cached image of this record is out of date now.
    forgetCachedRecord(address);
  }
}

void FILPRT(std::int32_t iopt, std::span<std::int32_t> data, std::int32_t lendat,
            std::int32_t lenuse, std::int32_t iblk, std::int32_t ispos, std::int32_t lentot) {
  CURRTN.fi.assign("FILPRT");
  TraceLevel trace("FILPRT");
  Timed timed(kTimingSlotFILPRT);
  const auto bad = [&]() {
    FIERR(FileError::BadPartialTransfer, "FILPRT", " ", {iopt, lendat, lenuse, iblk, ispos});
  };
  // 1. The request. The last word of the transfer, counted from the start of the block:
  const std::int64_t last = std::int64_t{ispos} + lendat - 1;
  if (ispos < 1 || lenuse < 1 || lendat < 1 || (iopt != kRead && iopt != kWrite) ||
      static_cast<std::size_t>(lendat) > data.size()) {
    bad();
  }
  if (iopt == kRead && last > lenuse) bad();
  if (iopt == kWrite &&
      (ispos > std::int64_t{lenuse} + 1 || lentot < 0 || (lentot > 0 && lentot < lenuse))) {
    bad();
  }
  // 2. The block exists (and, for a write, belongs to the output sequence).
  std::int32_t address = iblk;
  std::int32_t newBlock = 0;
  std::int32_t code = 0;
  std::int32_t unit = 0;
  FICHEK(iopt == kRead ? 1 : 4, 0, address, newBlock, code, unit);
  const std::int64_t r = fileLayer.units(static_cast<std::size_t>(unit)).recordSize;
  // A write ends within the block's reserved words, or, when they are not given, within the
  // records that hold its used words: beyond them lies the next block.
  if (iopt == kWrite && last > (lentot > 0 ? lentot : ceilDiv(lenuse, r) * r)) bad();
  if (recordOf(iblk) + (last - 1) / r > kLastRecord) bad();

  // 3. k records before the first word; a = its record, p its position there, e the end
  // and u the used words counted from the start of record a.
  const std::int64_t k = (ispos - 1) / r;
  std::int64_t a = iblk + k;
  const std::int64_t p = ispos - k * r;
  std::int64_t e = lendat + p - 1;
  std::int64_t u = lenuse - k * r;
  std::size_t next = 0;  // the next data word
  PartialRecordCache& cache = fileLayer.cache;
  const auto holds = [&](std::int64_t record, std::int64_t words) {
    return cache.address == record && cache.held >= words;
  };
  const auto fill = [&](std::int64_t record, std::int64_t words) {
    cache.address = 0;
    FIURN(unit, static_cast<std::int32_t>(record), cache.words, static_cast<std::int32_t>(words));
    cache.address = static_cast<std::int32_t>(record);
    cache.held = static_cast<std::int32_t>(words);
  };
  const auto cacheWords = [&](std::int64_t words) {
    return std::span<const std::int32_t>(cache.words).first(static_cast<std::size_t>(words));
  };

  if (iopt == kRead) {
    // 4. A first record entered in its middle comes through the cache.
    if (p != 1) {
      const std::int64_t m = std::min(r, e);
      if (!holds(a, m)) fill(a, m);
      const auto n = static_cast<std::size_t>(m - p + 1);
      std::copy_n(cache.words.begin() + (p - 1), n, data.begin());
      next = n;
      a += 1;
      e -= r;
    }
    // 5. The rest straight into the data.
    while (e > 0) {
      const std::int64_t n = std::min(r, e);
      FIURN(unit, static_cast<std::int32_t>(a), data.subspan(next, static_cast<std::size_t>(n)),
            static_cast<std::int32_t>(n));
      forgetCachedRecord(static_cast<std::int32_t>(a));
      next += static_cast<std::size_t>(n);
      a += 1;
      e -= r;
    }
    return;
  }

  // 6. Write: a first record entered in its middle keeps its words before and after.
  if (p != 1) {
    const std::int64_t w = std::min(r, e);
    const std::int64_t old = std::clamp<std::int64_t>(u, 0, r);
    const std::int64_t m = std::max(old, w);
    if (!holds(a, old)) fill(a, old);
    const auto n = static_cast<std::size_t>(w - p + 1);
    std::copy_n(data.begin(), n, cache.words.begin() + (p - 1));
    FIUWN(unit, static_cast<std::int32_t>(a), cacheWords(m), static_cast<std::int32_t>(m));
    cache.address = static_cast<std::int32_t>(a);
    cache.held = static_cast<std::int32_t>(m);
    next = n;
    a += 1;
    e -= r;
    u -= r;
  }
  // 7. Whole records, and a last one that holds no used words beyond the new ones.
  while (e > 0 && (e >= r || u <= e)) {
    const std::int64_t n = std::min(r, e);
    FIUWN(unit, static_cast<std::int32_t>(a), data.subspan(next, static_cast<std::size_t>(n)),
          static_cast<std::int32_t>(n));
    forgetCachedRecord(static_cast<std::int32_t>(a));
    next += static_cast<std::size_t>(n);
    u -= n;
    e -= n;
    a += 1;
  }
  // 8. A last record with used words after the new ones keeps them.
  if (e > 0) {
    const std::int64_t w = std::min(r, e);
    const std::int64_t old = std::clamp<std::int64_t>(u, 0, r);
    const std::int64_t m = std::max(old, w);
    if (!holds(a, old)) fill(a, old);
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(next), w, cache.words.begin());
    FIUWN(unit, static_cast<std::int32_t>(a), cacheWords(m), static_cast<std::int32_t>(m));
    cache.address = static_cast<std::int32_t>(a);
    cache.held = static_cast<std::int32_t>(m);
  }
}

}  // namespace storage
