// The file layer: file groups of direct-access files attached as sequences and units, the
// unit map of I/O unit numbers, record transfers and the partial-record cache, disk space
// for blocks, the error table and call trace, file names and plain text files.
//
// A file group is one to nine files written together. Record 1 of its first file is the
// header record, record 2 the free-space record. A disk address names a file and a record:
//   disk address = file code * 1,000,000 + record,   file code = group * 10 + file (1..9).
// NODISK (990000000, file code 990, record 0) names no block; any address whose record is
// 0 asks for a new block in the file of its file code.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "services/fixed_text.hpp"
#include "services/markers.hpp"
#include "services/one_based.hpp"

namespace storage {

// =======================================================================================
// Numbering and limits
// =======================================================================================

inline constexpr std::int32_t kMaxSequences = 10;
inline constexpr std::int32_t kMaxFileUnits = 25;
inline constexpr std::int32_t kMaxGroupFiles = 9;
inline constexpr std::int32_t kMaxIoUnits = 100;
inline constexpr std::int32_t kRecordSizeCodes = 4;
// Words of the smallest and of the largest record.
inline constexpr std::int32_t kSmallestRecord = 125;
inline constexpr std::int32_t kLargestRecord = 1000;
// Disk address = file code * kRecordsPerFile + record; records run from 1 to 999,999.
inline constexpr std::int32_t kRecordsPerFile = 1000000;
inline constexpr std::int32_t kLastRecord = kRecordsPerFile - 1;
// The file code of NODISK: a new block may go to any file of the output sequence.
inline constexpr std::int32_t kAnyFile = services::NODISK / kRecordsPerFile;
// The cost in words charged for each record a new block uses.
inline constexpr std::int32_t kRecordCost = 35;
// Length of file names and of the parts of a path.
inline constexpr std::size_t kNameLength = 260;
// Close option that keeps a file; any other value deletes it.
inline constexpr std::int32_t kCloseKeep = 3;

constexpr std::int32_t fileCodeOf(std::int32_t address) { return address / kRecordsPerFile; }
constexpr std::int32_t recordOf(std::int32_t address) { return address % kRecordsPerFile; }
constexpr std::int32_t diskAddress(std::int32_t fileCode, std::int32_t record) {
  return fileCode * kRecordsPerFile + record;
}
constexpr std::int32_t fileCode(std::int32_t group, std::int32_t file) { return group * 10 + file; }

// Words per record of record size code 1 to 4: 125 * 2^(code-1); 0 for any other code.
constexpr std::int32_t recordWords(std::int32_t sizeCode) {
  return sizeCode >= 1 && sizeCode <= kRecordSizeCodes ? kSmallestRecord << (sizeCode - 1) : 0;
}
// True for 125, 250, 500 and 1000.
constexpr bool isRecordSize(std::int32_t words) {
  return words == 125 || words == 250 || words == 500 || words == 1000;
}

// Access of a group's files.
enum class FileAccess : std::int32_t { ReadOnly = 1, ReadWrite = 2 };

// State of a unit's file.
enum class UnitFileState : std::int32_t { NotCreated = 0, Closed = 1, Open = 2 };

// Status of a sequence, held on each of its units. Only the output sequence receives new
// blocks; an inactive sequence is invisible to block transfers.
enum class SequenceStatus : std::int32_t { Inactive = 0, Readable = 1, Output = 2 };

// =======================================================================================
// Error codes (the layer's error table; FIERR turns a code into its message and items)
// =======================================================================================

enum class FileError : std::int32_t {
  FreeReservedUnit = 1,
  ReadMissingBlock = 2,
  ReadMissingFile = 3,
  ReserveAssignedUnit = 4,
  WriteMissingBlock = 5,
  WriteMissingFile = 6,
  WriteReadOnlyFile = 7,
  BadExpand = 8,
  BadFree = 9,
  BadReserve = 10,
  BadSequence = 11,
  BadUnitFree = 12,
  BadUnitGet = 13,
  BadUnitReserve = 14,
  BadFullTransfer = 15,
  BadPartialTransfer = 16,
  BadRecordSize = 17,
  BlockReserved = 18,
  FileNotFound = 19,
  CloseFailed = 20,
  OpenFailed = 21,
  ReadFailed = 22,
  WriteFailed = 23,
  WrongFile = 24,
  TooManyGroups = 25,
  TooManyUnits = 26,
  NoOutputFile = 27,
  NoUnits = 28,
  NoSpace = 29,
  ReadOnlyOutput = 30,
  OtherByteOrder = 31,
  // A header record or free-space record holds a value it cannot hold: items the group,
  // the word and its value.
  BadHeaderRecord = 33,
  BadFreeSpaceRecord = 34,
};

// =======================================================================================
// Header record (record 1 of file 1 of a group, 125 words whatever the record size)
// =======================================================================================

inline constexpr std::size_t kControlRecordWords = 125;
using ControlRecord = services::OneBased<std::int32_t, kControlRecordWords>;

// Word numbers of the header record. Words not named here are not used by the file layer
// and keep the values read from the file.
namespace header_word {
inline constexpr std::size_t kGroup = 1;
inline constexpr std::size_t kFileCount = 2;
inline constexpr std::size_t kReadOnly = 3;       // 1: the group is read-only
inline constexpr std::size_t kMasterLength = 5;   // IUMLEN
inline constexpr std::size_t kMasterAddress = 6;  // IUMPNT
inline constexpr std::size_t kExists = 10;        // + k: 1 when file k has been created
inline constexpr std::size_t kRecordSize = 20;    // + k: words per record of file k
inline constexpr std::size_t kFile = 31;          // 3 words of text
inline constexpr std::size_t kLevel = 34;         // 3 words of text
inline constexpr std::size_t kDescription = 41;   // 25 words of text
inline constexpr std::size_t kShortTextWords = 3;
inline constexpr std::size_t kDescriptionWords = 25;
}  // namespace header_word
static_assert(header_word::kDescription + header_word::kDescriptionWords - 1 <=
              kControlRecordWords);
static_assert(header_word::kRecordSize + kMaxGroupFiles < header_word::kFile);

// The words of a header record that the file layer reads and writes.
struct GroupHeader {
  std::int32_t group = 0;
  std::int32_t fileCount = 0;
  std::int32_t readOnly = 0;
  std::int32_t masterLength = 0;
  std::int32_t masterAddress = services::NODISK;
  services::OneBased<std::int32_t, kMaxGroupFiles> exists;       // file k: 1 created, 0 not
  services::OneBased<std::int32_t, kMaxGroupFiles> recordSizes;  // file k: words per record
  services::FixedText<12> file;
  services::FixedText<12> level;
  services::FixedText<100> description;
};

// Writes the named words of HEADER into IMAGE (existence flags and record sizes of files
// 1 to fileCount, zeros for the others up to 9); the other words keep their values.
void encodeGroupHeader(const GroupHeader& header, ControlRecord& image);

// Reads the named words of IMAGE, which comes from a file and is not trusted: a file count
// outside 1 to 9, an existence flag other than 0 or 1, or a record size other than 125,
// 250, 500 or 1000 of one of the group's files ends in error 33 (FIERR, failing routine
// CALLER). The group number and word 21 are the attach's to check.
GroupHeader decodeGroupHeader(const ControlRecord& image, std::string_view caller);

// =======================================================================================
// Free-space record (record 2 of file 1 of a group, 125 words)
// =======================================================================================

inline constexpr std::int32_t kFreeEntries = 62;
// After a sort, entry k (1 to 9) holds the longest free run of file k.
inline constexpr std::int32_t kFileEntries = 9;

namespace free_space_word {
inline constexpr std::size_t kCount = 1;     // NFREE, entries in use
inline constexpr std::size_t kLength = 1;    // + i: length in records of entry i
inline constexpr std::size_t kAddress = 63;  // + i: disk address of the first record of entry i
}  // namespace free_space_word
static_assert(free_space_word::kAddress + kFreeEntries == kControlRecordWords);

// A run of free records of one file.
struct FreeRun {
  std::int32_t length = 0;   // records; 0: an empty entry
  std::int32_t address = 0;  // disk address of the first record

  bool operator==(const FreeRun&) const = default;
};

struct FreeSpace {
  std::int32_t count = 0;  // NFREE
  services::OneBased<FreeRun, kFreeEntries> runs;
};

void encodeFreeSpace(const FreeSpace& space, ControlRecord& image);

// Reads IMAGE, the free-space record of group GROUP of FILECOUNT files. Not trusted: a
// count outside 0 to 62, a negative length, or a run that leaves the group's files, starts
// before record 1 (record 3 in file 1, after the header and free-space records) or runs
// past record 999,999 ends in error 34 (FIERR, failing routine CALLER). Empty entries may
// hold any address.
FreeSpace decodeFreeSpace(const ControlRecord& image, std::int32_t group, std::int32_t fileCount,
                          std::string_view caller);

// =======================================================================================
// The layer's tables
// =======================================================================================

struct FileSequence {
  std::int32_t firstUnit = 0;  // 0: the slot is free
  std::int32_t lastUnit = 0;
};

struct FileUnit {
  std::int32_t sequence = 0;
  std::int32_t group = 0;
  std::int32_t fileCode = 0;
  std::int32_t ioUnit = -1;     // negative: drawn from the unit map when first opened
  std::int32_t recordSize = 0;  // words
  UnitFileState state = UnitFileState::NotCreated;
  FileAccess access = FileAccess::ReadOnly;
  SequenceStatus status = SequenceStatus::Inactive;
  services::FixedText<kNameLength> name;
};

// The partial-record cache: one record image, the disk address of the record (0: none)
// and the number of its leading words held.
struct PartialRecordCache {
  std::array<std::int32_t, kLargestRecord> words{};
  std::int32_t address = 0;
  std::int32_t held = 0;
};

// Placement statistics of one output sequence (nothing in the system reads them).
struct PlacementStatistics {
  std::int64_t blocks = 0;
  std::int64_t records = 0;
  std::int64_t recordWords = 0;
  std::int64_t dataWords = 0;
  services::OneBased<std::int64_t, 5> lengthClasses;  // up to 125, 250, 500, 1000, above
  services::OneBased<std::int64_t, kRecordSizeCodes> recordSizes;  // by size code used
  services::OneBased<std::int64_t, kRecordSizeCodes> bestSize;     // cheapest size code
  services::OneBased<std::int64_t, kRecordSizeCodes> secondSize;   // next cheapest
};

// Record routines counted per sequence, in this order.
enum class RecordRoutine : std::int32_t {
  FIURN = 1,
  FIUAN = 2,
  FIUWN = 3,
  FIURC = 4,
  FIUAC = 5,
  FIUWC = 6
};

// The state of the file layer, set up by FIINIT.
struct FileLayer {
  services::OneBased<FileSequence, kMaxSequences> sequences;
  services::OneBased<FileUnit, kMaxFileUnits> units;  // 1 to unitCount in use
  std::int32_t unitCount = 0;
  std::int32_t outputSequence = 0;           // 0: none
  ControlRecord header;                      // record 1 of the group attached or written last
  FreeSpace freeSpace;                       // of the output sequence
  services::FixedText<kMaxIoUnits> unitMap;  // "0" free, "1" the file layer's, "3" system
  std::int32_t recordCost = kRecordCost;
  PartialRecordCache cache;
  services::FixedText<kNameLength> defaultDirectory;
  services::FixedText<kNameLength> defaultName;
  services::FixedText<kNameLength> defaultExtension;
  services::OneBased<services::OneBased<std::int64_t, 6>, kMaxSequences> recordCalls;
  services::OneBased<PlacementStatistics, kMaxSequences> placements;
};
extern FileLayer fileLayer;

// Slots of the timed record and block routines in TIMST2 (counted while the timing switch
// of the diagnostic switches is on).
inline constexpr std::size_t kTimingSlotFIURN = 41;
inline constexpr std::size_t kTimingSlotFIUAN = 42;
inline constexpr std::size_t kTimingSlotFIUWN = 43;
inline constexpr std::size_t kTimingSlotFILEIO = 44;
inline constexpr std::size_t kTimingSlotFILPRT = 45;

// =======================================================================================
// Errors and trace
// =======================================================================================

// Reports file error CODE and ends the run (exit status 15): the code's items are queued
// with their labels from ITEMS in order (an unknown code: "BAD ERROR CODE" with nine items
// "I1" to "I9"), the message of codes 19 to 23 names the file TEXT in double quotes, and
// ABTRPT gets subsystem "FI", failing routine ROUTINE and the FI cell of CURRTN.
[[noreturn]] void FIERR(std::int32_t code, std::string_view routine, std::string_view text,
                        std::initializer_list<std::int32_t> items = {});
[[noreturn]] void FIERR(FileError code, std::string_view routine, std::string_view text,
                        std::initializer_list<std::int32_t> items = {});

// The call trace. Its counters start at 0 and nothing raises them, so it writes nothing
// unless a counter is raised by hand.
struct FileTrace {
  std::int32_t general = 0;    // trace counter of every routine
  std::int32_t openClose = 0;  // of the open and close routines
  std::int32_t recordIo = 0;   // of the record routines
  std::int32_t depth = 0;
  std::int32_t column = 14;  // 2 * depth + 14
  services::FixedText<78> pending;
  std::int32_t pendingFlag = 0;
  services::FixedText<130> prefix;
  services::FixedText<130> work;
  services::FixedText<60> text;  // the line the routines fill for FITRCA
};
extern FileTrace fileTrace;

// Trace modes of FITRCE.
enum class TraceMode : std::int32_t { Call = 0, Enter = 1, Pass = 2, Leave = 3 };

// Enters (mode 1), passes (2) or leaves (3) a trace level, or marks a call (0). Returns true
// when the caller shall write its trace lines: COUNTER, lowered by 1 first for modes other
// than 2 and 3, is 0 or more. Modes other than 1 and 2 raise COUNTER by 1 at the end.
bool FITRCE(std::int32_t mode, std::int32_t& counter, std::string_view routine);
// Writes the trace text under the current level.
void FITRCA();
// Writes the pending leave line.
void FITRCF();
// Blanks the trace lines once per epoch of the once-only registry.
void FITRIN();

// =======================================================================================
// File sequences and units
// =======================================================================================

// Start-up of the file layer: empty tables, the unit map with numbers 1 to 6 reserved, the
// default name parts (extension ".inp"), the record cost, an empty cache. Files and text
// units that an earlier run of the layer left open are closed (kept) first.
void FIINIT();

// Attaches file group IGROUP as a new sequence ISEQ (out).
//   irsiz1   record size code of file 1 (1 to 4)
//   irw      access: 1, 10, 11 read-only; 2, 20, 21, 22 read-write (the output sequence)
//   lun      I/O unit number of file 1 (file k gets lun + k - 1); negative: drawn when opened
//   fullName base of the file names (file k is the name followed by the digit k)
//   shortName shown only in the trace
//   file, levl, desc  out: texts of header words 31-33, 34-36, 41-65
//   iumlen, iumpnt    out: length and disk address of the group's master block
// Errors 17, 19, 21, 22, 24, 25, 26, 30, 31, 33, 34; "BAD FILE ATTACH REQUEST" (items
// GROUP, ACCESS, LUN) for a group outside 1 to 213, another IRW or a LUN above 100.
void FIATCH(std::int32_t igroup, std::int32_t& iseq, std::int32_t irsiz1, std::int32_t irw,
            std::int32_t lun, std::string_view fullName, std::string_view shortName,
            std::span<char> file, std::span<char> levl, std::span<char> desc, std::int32_t& iumlen,
            std::int32_t& iumpnt);

// Detaches sequence ISEQ: inactive (an output sequence writes its header and free-space
// records back), its files closed (kept for option 3, else deleted), its units removed.
// Error 11 for a bad sequence number.
void FIDTCH(std::int32_t iseq, std::int32_t closeOption);

// Records in the header record of sequence ISEQ, which must be the output sequence, the
// length and disk address of its group's master block (header words 5 and 6), so that the
// next attach finds a master block that has moved. Error 11 for a bad sequence, 30 for one
// that is not the output sequence.
void recordMasterBlock(std::int32_t iseq, std::int32_t length, std::int32_t address);

// Gives sequence ISEQ status ISTNEW (0, 1 or 2); other sequences of its group become
// inactive, and a former output sequence becomes readable when ISTNEW is 2. Error 11.
void FISTA2(std::int32_t iseq, std::int32_t istnew);

// Applies a status change to units FIRST to LAST of sequence ISEQ: becoming the output
// sequence reads the free-space record (error 30 for read-only files), ceasing to be it
// writes the header record (with the existence flags) and the free-space record back.
void FISTA1(std::int32_t iseq, std::int32_t first, std::int32_t last, std::int32_t oldStatus,
            std::int32_t newStatus);

// Opens the file of unit UNIT (its slot in the unit table): scratch for a name beginning
// "SCRATCH", created when its state is 0, else it must exist. Errors 19, 21.
void FIUO(std::int32_t unit);

// Closes the file of unit UNIT when open (kept for option 3, else deleted) and releases its
// I/O unit number. Error 20.
void FIUC(std::int32_t unit, std::int32_t closeOption);

// Closes the plain file on I/O unit number IOUNIT (in/out: -1 after) when it is above 0,
// kept for option 3, else deleted. "FORTRAN ERROR CLOSING FILE" on failure.
void FICLOS(std::int32_t& ioUnit, std::int32_t closeOption);

// The unit map. FIGETU marks the lowest N (1 to 9) consecutive free numbers with MARK and
// returns the first; FIRES2 reserves FIRST to LAST for the system; FIFRE2 frees N numbers
// from FIRST (set to -1 after). Their faults go straight to the abort report.
void FIGETU(std::int32_t n, std::int32_t& first, char mark);
void FIRES2(std::int32_t first, std::int32_t last);
void FIFRE2(std::int32_t n, std::int32_t& first, char mark);

// =======================================================================================
// Record transfers
// =======================================================================================

// One record of file unit UNIT at the record of disk address ADDRESS: read the first N
// words or characters (FIURN, FIURC), or write N of them as the record (FIUWN, FIUWC for an
// existing block, FIUAN, FIUAC for a block just placed). The unit's file is opened first
// when it is not open. Errors 22 (reads) and 23 (writes) with the file's name.
void FIURN(std::int32_t unit, std::int32_t address, std::span<std::int32_t> buffer, std::int32_t n);
void FIUWN(std::int32_t unit, std::int32_t address, std::span<const std::int32_t> buffer,
           std::int32_t n);
void FIUAN(std::int32_t unit, std::int32_t address, std::span<const std::int32_t> buffer,
           std::int32_t n);
void FIURC(std::int32_t unit, std::int32_t address, std::span<char> text, std::int32_t n);
void FIUWC(std::int32_t unit, std::int32_t address, std::string_view text, std::int32_t n);
void FIUAC(std::int32_t unit, std::int32_t address, std::string_view text, std::int32_t n);

// Whole-block transfer of words.
//   iopt    1 read, 2 write
//   data    the block's words (read: out; write: in)
//   lendat  words to transfer (1 to lentot, at most data.size())
//   lentot  words reserved for the block
//   iblk    in/out: disk address; a write to an address of record 0 (NODISK among them)
//           places a new block of lentot words and returns its address
// Error 15 for a bad request; the errors of FICHEK, FINEW and the record routines.
void FILEIO(std::int32_t iopt, std::span<std::int32_t> data, std::int32_t lendat,
            std::int32_t lentot, std::int32_t& iblk);

// Whole-block transfer of characters: as FILEIO with lengths in characters, stored four to
// a word (a block of lentot characters reserves ceil(lentot / 4) words).
void CHARIO(std::int32_t iopt, std::span<char> text, std::int32_t lendat, std::int32_t lentot,
            std::int32_t& iblk);

// Partial transfer of LENDAT words from word ISPOS of the existing block at IBLK, whose used
// length is LENUSE, through the one-record cache.
//   iopt    1 read (ispos + lendat - 1 <= lenuse), 2 write (ispos <= lenuse + 1)
//   lentot  words reserved for the block; a write must end within them. 0: not known, and a
//           write must end within the records that hold the used length.
// Error 16 for a bad request or a write past the block; the errors of FICHEK.
void FILPRT(std::int32_t iopt, std::span<std::int32_t> data, std::int32_t lendat,
            std::int32_t lenuse, std::int32_t iblk, std::int32_t ispos, std::int32_t lentot = 0);

// =======================================================================================
// Disk space for blocks
// =======================================================================================

// Check of disk address IBLK for operation OPTION (1 read, 2 write, 3 reserve, 4 rewrite):
// finds the file unit (out UNIT, FILECODE) and, for a write or reserve to record 0, places
// a new block of LENGTH words (IBLK out, NEWBLOCK 1). Errors 2, 3, 5, 6, 7, 18, 27.
void FICHEK(std::int32_t option, std::int32_t length, std::int32_t& iblk, std::int32_t& newBlock,
            std::int32_t& fileCode, std::int32_t& unit);

// Chooses the file and records of a new block of LENGTH words in the output sequence, in
// the file FILECODE (990: any file), by the least cost 35 * records + wasted words; takes
// the records from the free-space record. Error 29.
void FINEW(std::int32_t fileCode, std::int32_t length, std::int32_t& unit, std::int32_t& iblk);

// Releases the block of LENTOT words at IBLK (a block of the output sequence) to the
// free-space record; IBLK becomes NODISK. Error 9.
void FILFRE(std::int32_t lentot, std::int32_t& iblk);

// Sorts and merges the free-space record: entry k the longest run of file k, then the
// other runs longest first, at most 45 (odd OPTION) or 53 (even) of them.
void FISORT(std::int32_t option);

// Counts a placement of RECORDS records of RECORDSIZE words for a block of LENGTH words.
void FISTAT(std::int32_t records, std::int32_t recordSize, std::int32_t length);

// =======================================================================================
// File names and text files
// =======================================================================================

// Splits PATH into directory (up to its last ":", "\" or "/"), name and extension (from
// the last "." after the directory); FLAG is always 0.
void FISPLT(std::string_view path, std::span<char> directory, std::span<char> name,
            std::span<char> extension, std::int32_t& flag);

// Sets the defaults of FINAME from the arguments that are not blank.
void FIDFLT(std::string_view directory, std::string_view name, std::string_view extension);

// Composes RESULT from the parts of PATH, filling blank parts from the arguments (the second
// extension for the extension) and, for an odd OPTION, from the defaults. No separator is
// put between directory and name; an extension gets a leading "." when it has none.
void FINAME(std::string_view path, std::string_view directory, std::string_view name,
            std::string_view extension1, std::string_view extension2, std::int32_t option,
            std::span<char> result);

// Opens the sequential file FILENAME on IOUNIT (in/out; negative: the lowest free number).
// Nothing is done when IOUNIT is already the layer's. OPTION by its last digit: 1, 2 an
// existing file (11, 12 shared, read only); 3, 4, 5 created when missing; other: nothing.
// Errors 19, 21. ROLE has no effect.
void FIOPEN(std::int32_t& ioUnit, std::int32_t option, std::string_view fileName,
            std::string_view role);

}  // namespace storage
