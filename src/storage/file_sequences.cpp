// File sequences: start-up of the file layer, attaching and detaching file groups, and the
// status of a sequence (inactive, readable, output).
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.hpp"
#include "services/services.hpp"
#include "storage/current_routine.hpp"
#include "storage/file_internal.hpp"
#include "storage/files.hpp"
#include "storage/text_words.hpp"

namespace storage {

FileLayer fileLayer;

namespace {

using file_internal::TraceLevel;

// Groups whose disk addresses fit a 32-bit word: 213 * 10 + 9 = 2139, times 1,000,000.
constexpr std::int32_t kLargestGroup = 213;
constexpr std::string_view kDefaultExtension = ".inp";
constexpr std::int32_t kHeaderRecord = 1;
constexpr std::int32_t kFreeSpaceRecord = 2;

std::int32_t byteReversed(std::int32_t word) {
  const auto bits = static_cast<std::uint32_t>(word);
  const std::uint32_t reversed =
      ((bits & 0xFFu) << 24) | ((bits & 0xFF00u) << 8) | ((bits >> 8) & 0xFF00u) | (bits >> 24);
  return static_cast<std::int32_t>(reversed);
}

// Access from the access code; 0 for a code outside the interface.
std::int32_t accessOf(std::int32_t irw) {
  if (irw == 1 || irw == 10 || irw == 11) return static_cast<std::int32_t>(FileAccess::ReadOnly);
  if (irw == 2 || irw == 20 || irw == 21 || irw == 22) {
    return static_cast<std::int32_t>(FileAccess::ReadWrite);
  }
  return 0;
}

FileSequence& sequenceAt(std::int32_t iseq) {
  return fileLayer.sequences(static_cast<std::size_t>(iseq));
}

FileUnit& unitIn(std::int32_t unit) { return fileLayer.units(static_cast<std::size_t>(unit)); }

// The checks of a sequence number: a slot in use whose first unit is a unit of a group.
void checkSequence(std::int32_t iseq, std::string_view routine) {
  const bool valid = iseq >= 1 && iseq <= kMaxSequences && sequenceAt(iseq).firstUnit >= 1 &&
                     sequenceAt(iseq).lastUnit <= fileLayer.unitCount &&
                     unitIn(sequenceAt(iseq).firstUnit).group >= 1;
  if (!valid) FIERR(FileError::BadSequence, routine, " ", {iseq});
}

// Closes, keeping them, the files and text units that an earlier run of the layer left
// open, so that a new run starts from nothing and finds its numbers free.
void closeLeftovers() {
  for (std::int32_t u = 1; u <= fileLayer.unitCount && u <= kMaxFileUnits; ++u) {
    const FileUnit& unit = unitIn(u);
    if (unit.state == UnitFileState::Open && platform::isDirectConnected(unit.ioUnit)) {
      platform::closeDirect(unit.ioUnit, true);
    }
  }
  for (std::int32_t i = 1; i <= kMaxIoUnits; ++i) {
    if (fileLayer.unitMap.at(static_cast<std::size_t>(i)) != '1') continue;
    if (platform::isDirectConnected(i)) {
      platform::closeDirect(i, true);
    } else if (platform::isConnected(i)) {
      platform::closeUnit(i, true);
    }
  }
}

// A new unit at the end of the unit table.
std::int32_t addUnit(const FileUnit& unit) {
  fileLayer.unitCount += 1;
  unitIn(fileLayer.unitCount) = unit;
  return fileLayer.unitCount;
}

}  // namespace

void FIINIT() {
  // 1. The cell, the trace.
  CURRTN.fi.assign("FIINIT");
  closeLeftovers();
  FITRIN();
  fileTrace.general = 0;
  fileTrace.openClose = 0;
  fileTrace.recordIo = 0;
  // 2-4. Empty tables, images, cache and statistics; the default name parts.
  fileLayer = FileLayer{};
  fileLayer.defaultExtension.assign(kDefaultExtension);
  fileLayer.recordCost = kRecordCost;
  fileLayer.unitMap.assign(std::string(kMaxIoUnits, '0'));
  // 5. Numbers 1 to 6 belong to the system.
  FIRES2(1, 6);
}

void FIATCH(std::int32_t igroup, std::int32_t& iseq, std::int32_t irsiz1, std::int32_t irw,
            std::int32_t lun, std::string_view fullName, std::string_view shortName,
            std::span<char> file, std::span<char> levl, std::span<char> desc, std::int32_t& iumlen,
            std::int32_t& iumpnt) {
  // 1. The cell; the request itself.
  CURRTN.fi.assign("FIATCH");
  TraceLevel trace("FIATCH");
  if (trace.active()) {
    fileTrace.text.assign(shortName);
    FITRCA();
    file_internal::traceLabels("IN", {"IGROUP", "IRSIZ1", "IRW", "LUN"});
    file_internal::traceValues({igroup, irsiz1, irw, lun});
  }
  const std::int32_t asked = accessOf(irw);
  if (igroup < 1 || igroup > kLargestGroup || asked == 0 || lun > kMaxIoUnits) {
    services::ERRITM("GROUP", igroup);
    services::ERRITM("ACCESS", irw);
    services::ERRITM("LUN", lun);
    file_internal::abortFiles("FIATCH", "BAD FILE ATTACH REQUEST");
  }

  // 2. A free sequence slot.
  iseq = 0;
  for (std::int32_t s = 1; s <= kMaxSequences && iseq == 0; ++s) {
    if (sequenceAt(s).firstUnit == 0) iseq = s;
  }
  if (iseq == 0) FIERR(FileError::TooManyGroups, "FIATCH", " ", {igroup, kMaxSequences});
  // 3. Room for file 1.
  if (fileLayer.unitCount + 1 > kMaxFileUnits) {
    FIERR(FileError::TooManyUnits, "FIATCH", " ", {igroup, 1, fileLayer.unitCount, kMaxFileUnits});
  }
  // 4. The base name, with room left for the file digit.
  const std::string_view trimmed = services::trimRight(fullName.substr(0, kNameLength));
  const std::string base(trimmed.empty() ? std::string_view(" ")
                                         : trimmed.substr(0, kNameLength - 1));
  // 5. The record size.
  if (recordWords(irsiz1) == 0) {
    FIERR(FileError::BadRecordSize, "FIATCH", " ", {fileCode(igroup, 1), irsiz1, kRecordSizeCodes});
  }
  // 6-7. File 1 as a new unit.
  auto access = static_cast<FileAccess>(asked);
  FileUnit first;
  first.sequence = iseq;
  first.group = igroup;
  first.fileCode = fileCode(igroup, 1);
  first.ioUnit = lun;
  first.recordSize = recordWords(irsiz1);
  first.state = UnitFileState::Closed;
  first.access = access;
  first.name.assign(base + "1");
  const std::int32_t u = addUnit(first);

  // 8. The header record, read from the existing file.
  ControlRecord& image = fileLayer.header;
  FIURN(u, diskAddress(first.fileCode, kHeaderRecord), image.span(), kControlRecordWords);
  // 9. The right group and record size, written in this byte order.
  const std::int32_t word1 = image(header_word::kGroup);
  const std::int32_t word21 = image(header_word::kRecordSize + 1);
  if (word1 != igroup || word21 != first.recordSize) {
    const FileError code =
        byteReversed(word1) == igroup ? FileError::OtherByteOrder : FileError::WrongFile;
    FIERR(code, "FIATCH", " ", {igroup, word1, first.recordSize, word21});
  }
  const ControlRecord record1 = image;
  const GroupHeader header = decodeGroupHeader(record1, "FIATCH");
  // 10. Room for the other files (file 1 counted twice, as it always was).
  const std::int32_t n = header.fileCount;
  if (fileLayer.unitCount + n > kMaxFileUnits) {
    FIERR(FileError::TooManyUnits, "FIATCH", " ", {igroup, n, fileLayer.unitCount, kMaxFileUnits});
  }
  // 11. The sequence's units; a read-only group stays read-only.
  sequenceAt(iseq) = FileSequence{u, u + n - 1};
  if (header.readOnly == 1) access = FileAccess::ReadOnly;
  // 12. Files 2 to n.
  for (std::int32_t k = 2; k <= n; ++k) {
    const auto position = static_cast<std::size_t>(k);
    FileUnit unit;
    unit.sequence = iseq;
    unit.group = igroup;
    unit.fileCode = fileCode(igroup, k);
    unit.ioUnit = lun >= 0 ? lun + k - 1 : lun;
    unit.recordSize = header.recordSizes(position);
    unit.state = header.exists(position) == 1 ? UnitFileState::Closed : UnitFileState::NotCreated;
    unit.access = access;
    unit.name.assign(base + std::to_string(k));
    addUnit(unit);
  }
  // 13. File 1 is open.
  unitIn(u).state = UnitFileState::Open;
  unitIn(u).access = access;
  // 14. Readable or output, as asked.
  FISTA2(iseq, asked);
  // 15. The header's texts and the master block, from the record read in step 8.
  std::int32_t ignored = 0;
  IWTOTX(file, record1.span().subspan(header_word::kFile - 1, header_word::kShortTextWords),
         static_cast<std::int32_t>(header_word::kShortTextWords), ignored);
  IWTOTX(levl, record1.span().subspan(header_word::kLevel - 1, header_word::kShortTextWords),
         static_cast<std::int32_t>(header_word::kShortTextWords), ignored);
  IWTOTX(desc,
         record1.span().subspan(header_word::kDescription - 1, header_word::kDescriptionWords),
         static_cast<std::int32_t>(header_word::kDescriptionWords), ignored);
  iumlen = header.masterLength;
  iumpnt = header.masterAddress;
  if (trace.active()) {
    file_internal::traceLabels("OUT", {"ISEQ", "IUMLEN", "IUMPNT"});
    file_internal::traceValues({iseq, iumlen, iumpnt});
  }
}

void FIDTCH(std::int32_t iseq, std::int32_t closeOption) {
  // 1. The cell and the sequence.
  CURRTN.fi.assign("FIDTCH");
  TraceLevel trace("FIDTCH");
  checkSequence(iseq, "FIDTCH");
  // 2. Inactive; an output sequence writes its control records back.
  FISTA2(iseq, static_cast<std::int32_t>(SequenceStatus::Inactive));
  // 3. Its files closed.
  const FileSequence removed = sequenceAt(iseq);
  for (std::int32_t u = removed.firstUnit; u <= removed.lastUnit; ++u) FIUC(u, closeOption);
  // A cached record of these files would be stale once they are gone.
  for (std::int32_t u = removed.firstUnit; u <= removed.lastUnit; ++u) {
    if (fileCodeOf(fileLayer.cache.address) == unitIn(u).fileCode) {
      file_internal::forgetCachedRecord(fileLayer.cache.address);
    }
  }
  // 4. Its units removed; the units after them move down.
  const std::int32_t n = removed.lastUnit - removed.firstUnit + 1;
  for (std::int32_t u = removed.lastUnit + 1; u <= fileLayer.unitCount; ++u) {
    unitIn(u - n) = unitIn(u);
  }
  for (std::int32_t u = fileLayer.unitCount - n + 1; u <= fileLayer.unitCount; ++u) {
    unitIn(u) = FileUnit{};
  }
  fileLayer.unitCount -= n;
  sequenceAt(iseq) = FileSequence{};
  for (std::int32_t s = 1; s <= kMaxSequences; ++s) {
    FileSequence& other = sequenceAt(s);
    if (other.firstUnit > removed.lastUnit) {
      other.firstUnit -= n;
      other.lastUnit -= n;
    }
  }
}

void FISTA2(std::int32_t iseq, std::int32_t istnew) {
  TraceLevel trace("FISTA2");
  // 1. The sequence and the status.
  checkSequence(iseq, "FISTA2");
  if (istnew < 0 || istnew > static_cast<std::int32_t>(SequenceStatus::Output)) {
    FIERR(FileError::BadSequence, "FISTA2", " ", {iseq});
  }
  const auto output = static_cast<std::int32_t>(SequenceStatus::Output);
  const std::int32_t group = unitIn(sequenceAt(iseq).firstUnit).group;
  // 2. The other sequences: of the same group inactive, a former output sequence readable.
  for (std::int32_t s = 1; s <= kMaxSequences; ++s) {
    const FileSequence other = sequenceAt(s);
    if (s == iseq || other.firstUnit == 0) continue;
    const FileUnit& head = unitIn(other.firstUnit);
    const auto status = static_cast<std::int32_t>(head.status);
    if (head.group == group) {
      FISTA1(s, other.firstUnit, other.lastUnit, status, 0);
    } else if (istnew == output && status == output) {
      FISTA1(s, other.firstUnit, other.lastUnit, output, 1);
    }
  }
  // 3. This sequence.
  const FileSequence self = sequenceAt(iseq);
  FISTA1(iseq, self.firstUnit, self.lastUnit,
         static_cast<std::int32_t>(unitIn(self.firstUnit).status), istnew);
}

void FISTA1(std::int32_t iseq, std::int32_t first, std::int32_t last, std::int32_t oldStatus,
            std::int32_t newStatus) {
  file_internal::traceCall("FISTA1");
  const auto output = static_cast<std::int32_t>(SequenceStatus::Output);
  const FileUnit& head = unitIn(first);
  const std::int32_t files = last - first + 1;
  // 1-2. Becoming the output sequence reads the free-space record; ceasing to be it writes
  // the header record, with the files created so far, and the free-space record back.
  if (oldStatus != newStatus) {
    if (newStatus == output) {
      if (head.access == FileAccess::ReadOnly) {
        FIERR(FileError::ReadOnlyOutput, "FISTA1", " ", {head.group});
      }
      ControlRecord image;
      FIURN(first, diskAddress(head.fileCode, kFreeSpaceRecord), image.span(), kControlRecordWords);
      fileLayer.freeSpace = decodeFreeSpace(image, head.group, files, "FISTA1");
    } else if (oldStatus == output) {
      ControlRecord& image = fileLayer.header;
      FIURN(first, diskAddress(head.fileCode, kHeaderRecord), image.span(), kControlRecordWords);
      decodeGroupHeader(image, "FISTA1");
      // Only the existence flags change: every other word goes back as it was read.
      for (std::int32_t k = 1; k <= files; ++k) {
        const bool created = unitIn(first + k - 1).state != UnitFileState::NotCreated;
        image(header_word::kExists + static_cast<std::size_t>(k)) = created ? 1 : 0;
      }
      FIUWN(first, diskAddress(head.fileCode, kHeaderRecord), image.span(), kControlRecordWords);
      ControlRecord space;
      encodeFreeSpace(fileLayer.freeSpace, space);
      FIUWN(first, diskAddress(head.fileCode, kFreeSpaceRecord), space.span(), kControlRecordWords);
    }
  }
  // 3. The new status on every unit.
  for (std::int32_t u = first; u <= last; ++u) {
    unitIn(u).status = static_cast<SequenceStatus>(newStatus);
  }
  if (oldStatus == output) fileLayer.outputSequence = 0;
  if (newStatus == output) fileLayer.outputSequence = iseq;
}

void recordMasterBlock(std::int32_t iseq, std::int32_t length, std::int32_t address) {
  CURRTN.fi.assign("FIMAST");
  checkSequence(iseq, "FIMAST");
  const FileSequence self = sequenceAt(iseq);
  const FileUnit& head = unitIn(self.firstUnit);
  if (fileLayer.outputSequence != iseq) {
    FIERR(FileError::ReadOnlyOutput, "FIMAST", " ", {head.group});
  }
  ControlRecord& image = fileLayer.header;
  FIURN(self.firstUnit, diskAddress(head.fileCode, kHeaderRecord), image.span(),
        kControlRecordWords);
  decodeGroupHeader(image, "FIMAST");
  image(header_word::kMasterLength) = length;
  image(header_word::kMasterAddress) = address;
  FIUWN(self.firstUnit, diskAddress(head.fileCode, kHeaderRecord), image.span(),
        kControlRecordWords);
}

}  // namespace storage
