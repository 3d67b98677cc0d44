// Disk space for blocks: the address check of every transfer, the placement of new blocks
// by the record-cost rule, the release of blocks and the sort of the free-space record.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "services/services.hpp"
#include "storage/current_routine.hpp"
#include "storage/file_internal.hpp"
#include "storage/files.hpp"

namespace storage {
namespace {

using file_internal::ceilDiv;
using file_internal::TraceLevel;

constexpr std::int64_t kNoCost = 2000000000;
// Runs kept after a sort besides the per-file ones: odd option, even option.
constexpr std::int32_t kKeptOdd = 45;
constexpr std::int32_t kKeptEven = 53;

FileUnit& unitIn(std::int32_t unit) { return fileLayer.units(static_cast<std::size_t>(unit)); }

FreeRun& entry(std::int32_t i) { return fileLayer.freeSpace.runs(static_cast<std::size_t>(i)); }

// The file's position in its group: the last digit of the file code.
std::int32_t fileDigit(std::int32_t address) { return fileCodeOf(address) % 10; }

// Cost of a block of LENGTH words in records of R words: 35 per record plus wasted words.
std::int64_t placementCost(std::int64_t length, std::int64_t r, std::int64_t& records) {
  records = ceilDiv(length, r);
  return fileLayer.recordCost * records + (r * records - length);
}


// The work list of FISORT, kept with its room between calls so that a sort allocates nothing
// (emptied by the problem open, which gives it room for every run).
std::vector<FreeRun> sortWork;
const bool kSortWorkReset = services::registerKeptValues([] {
  sortWork.clear();
  sortWork.reserve(kFreeEntries);
});

// Sorts RUNS by LESS keeping the order of equals, in place (the list holds at most
// kFreeEntries runs).
template <typename Less>
void stableSort(std::vector<FreeRun>& runs, Less less) {
  for (std::size_t i = 1; i < runs.size(); ++i) {
    const FreeRun x = runs[i];
    std::size_t j = i;
    for (; j > 0 && less(x, runs[j - 1]); --j) runs[j] = runs[j - 1];
    runs[j] = x;
  }
}

}  // namespace

void FICHEK(std::int32_t option, std::int32_t length, std::int32_t& iblk, std::int32_t& newBlock,
            std::int32_t& fileCode, std::int32_t& unit) {
  // 1. The file unit: the last unit of an active sequence with the address's file code.
  fileCode = fileCodeOf(iblk);
  const std::int32_t record = recordOf(iblk);
  unit = 0;
  for (std::int32_t u = 1; u <= fileLayer.unitCount; ++u) {
    if (unitIn(u).status != SequenceStatus::Inactive && unitIn(u).fileCode == fileCode) unit = u;
  }
  newBlock = 0;
  const bool noDisk = iblk == services::NODISK;
  const auto fail = [&iblk](FileError code) { FIERR(code, "FICHEK", " ", {iblk}); };
  const auto writable = [&unit]() { return unitIn(unit).status == SequenceStatus::Output; };

  // 2. The tests in order: NODISK, the file unit, the status, the record.
  switch (option) {
    case 1:
      if (noDisk) fail(FileError::ReadMissingBlock);
      if (unit == 0) fail(FileError::ReadMissingFile);
      if (record == 0) fail(FileError::ReadMissingBlock);
      return;
    case 2:
    case 3:
      if (noDisk) {
        // Any file of the output sequence.
        if (fileLayer.outputSequence == 0) fail(FileError::NoOutputFile);
        FINEW(kAnyFile, length, unit, iblk);
        fileCode = fileCodeOf(iblk);
        newBlock = 1;
        return;
      }
      if (unit == 0) fail(FileError::WriteMissingFile);
      if (!writable()) fail(FileError::WriteReadOnlyFile);
      if (record != 0) {
        if (option == 3) fail(FileError::BlockReserved);
        return;
      }
      // 3. A new block in the file of the address.
      FINEW(fileCode, length, unit, iblk);
      newBlock = 1;
      return;
    case 4:
      if (noDisk) fail(FileError::WriteMissingBlock);
      if (unit == 0) fail(FileError::WriteMissingFile);
      if (!writable()) fail(FileError::WriteReadOnlyFile);
      if (record == 0) fail(FileError::WriteMissingBlock);
      return;
    default:
      return;
  }
}

void FINEW(std::int32_t fileCode, std::int32_t length, std::int32_t& unit, std::int32_t& iblk) {
  TraceLevel trace("FINEW");
  if (length < 1) FIERR(FileError::NoSpace, "FINEW", " ", {length});
  const std::int32_t out = fileLayer.outputSequence;
  if (out == 0) FIERR(FileError::NoOutputFile, "FINEW", " ", {iblk});
  const FileSequence sequence = fileLayer.sequences(static_cast<std::size_t>(out));
  const bool anyFile = fileCode == kAnyFile;

  // 1-4. Two passes over the candidate files; the second sorts the free-space record first.
  std::int32_t chosen = 0;
  std::int64_t best = kNoCost;
  std::int64_t chosenRecords = 0;
  for (std::int32_t pass = 1; pass <= 2 && chosen == 0; ++pass) {
    if (pass == 2) {
      FISORT(0);
      if (trace.active())
        FITRCE(static_cast<std::int32_t>(TraceMode::Pass), fileTrace.general, "FINEW");
    }
    if (trace.active()) {
      file_internal::traceLabels("", {"INDEX", "G/U", "NWRITE", "NWASTE", "NCOST"});
    }
    for (std::int32_t u = sequence.firstUnit; u <= sequence.lastUnit; ++u) {
      const FileUnit& candidate = unitIn(u);
      if (!anyFile && candidate.fileCode != fileCode) continue;
      // File k is a candidate when entry k holds a run of its own long enough.
      const std::int32_t k = u - sequence.firstUnit + 1;
      const FreeRun& run = entry(k);
      std::int64_t records = 0;
      const std::int64_t cost = placementCost(length, candidate.recordSize, records);
      if (trace.active()) {
        file_internal::traceValues(
            {k, candidate.fileCode, static_cast<std::int32_t>(records),
             static_cast<std::int32_t>(cost - fileLayer.recordCost * records),
             static_cast<std::int32_t>(cost)});
      }
      if (k > fileLayer.freeSpace.count || records > run.length ||
          fileCodeOf(run.address) != candidate.fileCode) {
        continue;
      }
      // A later file wins a tie.
      if (cost <= best) {
        chosen = u;
        best = cost;
        chosenRecords = records;
      }
    }
  }
  if (chosen == 0) FIERR(FileError::NoSpace, "FINEW", " ", {length});
  const FileUnit& target = unitIn(chosen);
  FISTAT(static_cast<std::int32_t>(chosenRecords), target.recordSize, length);

  // 6. The records: the last sufficient run of the file, scanning from the end of the list.
  for (std::int32_t i = fileLayer.freeSpace.count; i >= 1; --i) {
    FreeRun& run = entry(i);
    if (run.length < chosenRecords || fileCodeOf(run.address) != target.fileCode) continue;
    iblk = run.address;
    run.address += static_cast<std::int32_t>(chosenRecords);
    run.length -= static_cast<std::int32_t>(chosenRecords);
    unit = chosen;
    return;
  }
}

void FILFRE(std::int32_t lentot, std::int32_t& iblk) {
  CURRTN.fi.assign("FILFRE");
  TraceLevel trace("FILFRE");
  // 1. The length.
  if (lentot < 1) FIERR(FileError::BadFree, "FILFRE", " ", {lentot, iblk});
  // 2. A block of the output sequence, clear of the header and free-space records, that
  // stays within its file.
  std::int32_t newBlock = 0;
  std::int32_t code = 0;
  std::int32_t unit = 0;
  FICHEK(4, 0, iblk, newBlock, code, unit);
  const std::int64_t records = ceilDiv(lentot, unitIn(unit).recordSize);
  const std::int32_t firstFree = fileDigit(iblk) == 1 ? 3 : 1;
  if (recordOf(iblk) < firstFree || recordOf(iblk) - 1 + records > kLastRecord) {
    FIERR(FileError::BadFree, "FILFRE", " ", {lentot, iblk});
  }
  // 3. A full list is sorted first.
  if (fileLayer.freeSpace.count > kFreeEntries - 1) FISORT(1);
  // 4-5. The run appended; the caller's address cleared.
  fileLayer.freeSpace.count += 1;
  entry(fileLayer.freeSpace.count) = FreeRun{static_cast<std::int32_t>(records), iblk};
  iblk = services::NODISK;
}

void FISORT(std::int32_t option) {
  TraceLevel trace("FISORT");
  // 1-2. The runs in address order into a work list; the entries cleared.
  std::vector<FreeRun>& work = sortWork;
  work.assign(fileLayer.freeSpace.runs.values.begin(), fileLayer.freeSpace.runs.values.end());
  stableSort(work, [](const FreeRun& a, const FreeRun& b) { return a.address < b.address; });
  std::erase_if(work, [](const FreeRun& run) { return run.length == 0 || run.address == 0; });
  fileLayer.freeSpace.runs.fill(FreeRun{});
  // 3. Neighbours merge: a run that ends where the next begins joins it.
  for (std::size_t i = 0; i + 1 < work.size(); ++i) {
    FreeRun& first = work[i];
    FreeRun& second = work[i + 1];
    if (std::int64_t{first.address} + first.length == second.address) {
      second = FreeRun{first.length + second.length, first.address};
      first = FreeRun{};
    }
  }
  std::erase_if(work, [](const FreeRun& run) { return run.length == 0; });
  // 4. Entry d: the longest run of file d, the first in address order among equals.
  for (std::int32_t d = 1; d <= kFileEntries; ++d) {
    auto longest = work.end();
    for (auto it = work.begin(); it != work.end(); ++it) {
      if (fileDigit(it->address) != d) continue;
      if (longest == work.end() || it->length > longest->length) longest = it;
    }
    if (longest == work.end()) continue;
    entry(d) = *longest;
    work.erase(longest);
  }
  // 5-6. The other runs longest first; the shortest beyond the limit are dropped.
  stableSort(work, [](const FreeRun& a, const FreeRun& b) { return a.length > b.length; });
  const std::size_t kept =
      std::min<std::size_t>(work.size(), option % 2 != 0 ? kKeptOdd : kKeptEven);
  for (std::size_t i = 0; i < kept; ++i)
    entry(kFileEntries + 1 + static_cast<std::int32_t>(i)) = work[i];
  fileLayer.freeSpace.count = kFileEntries + static_cast<std::int32_t>(kept);
}

void FISTAT(std::int32_t records, std::int32_t recordSize, std::int32_t length) {
  const std::int32_t out = fileLayer.outputSequence;
  if (out < 1 || out > kMaxSequences) return;
  PlacementStatistics& stats = fileLayer.placements(static_cast<std::size_t>(out));
  stats.blocks += 1;
  stats.records += records;
  stats.recordWords += std::int64_t{records} * recordSize;
  stats.dataWords += length;
  // Block length classes: up to 125, 250, 500, 1000 words, and above.
  std::size_t lengthClass = 5;
  for (std::int32_t c = 1; c <= kRecordSizeCodes; ++c) {
    if (length <= recordWords(c)) {
      lengthClass = static_cast<std::size_t>(c);
      break;
    }
  }
  stats.lengthClasses(lengthClass) += 1;
  // The size used, and the cheapest and next cheapest sizes (ties to the smaller).
  std::array<std::int64_t, kRecordSizeCodes> costs{};
  for (std::int32_t c = 1; c <= kRecordSizeCodes; ++c) {
    if (recordWords(c) == recordSize) stats.recordSizes(static_cast<std::size_t>(c)) += 1;
    std::int64_t ignored = 0;
    costs[static_cast<std::size_t>(c - 1)] =
        placementCost(std::max(length, 1), recordWords(c), ignored);
  }
  std::size_t best = 0;
  for (std::size_t c = 1; c < costs.size(); ++c) {
    if (costs[c] < costs[best]) best = c;
  }
  std::size_t second = best == 0 ? 1 : 0;
  for (std::size_t c = 0; c < costs.size(); ++c) {
    if (c != best && costs[c] < costs[second]) second = c;
  }
  stats.bestSize(best + 1) += 1;
  stats.secondSize(second + 1) += 1;
}

}  // namespace storage
