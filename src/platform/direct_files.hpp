// Direct-access files of fixed-length records.
//
// Two levels:
// - A file seam: DirectFileSystem opens DirectFile objects that read and write bytes at
//   offsets. Three implementations: the host's files, files held in memory, and a faulty
//   wrapper around another file system that fails chosen operations (tests).
// - Unit connections: an I/O unit number (1 to 100, the same numbers that sequential text
//   files use) connected to one direct file with a record length of 500, 1000, 2000 or 4000
//   bytes. Records are numbered from 1 and read and written whole by number, as 32-bit
//   little-endian words or as characters, with no record markers, so that the files are
//   byte for byte those of the original platform. Which numbers are free is the business
//   of the layers above; the connections only refuse a number that is already connected.
//
// Writes go straight to the operating system (no buffer in this process): what was written
// before the run stops is in the file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Bytes of one stored word.
inline constexpr std::size_t kWordBytes = 4;

// The record lengths a direct file may have, in bytes (125 to 1000 words).
inline constexpr std::array<std::size_t, 4> kDirectRecordBytes = {500, 1000, 2000, 4000};

// How a direct file is opened.
enum class DirectOpen {
  Old,      // the file must exist
  Unknown,  // created empty when missing
  Scratch,  // a new unnamed file, deleted when closed
};

enum class DirectResult {
  Ok,
  NotFound,  // open Old of a file that does not exist
  PastEnd,   // a read of bytes beyond the end of the file
  NotOpen,   // the unit number is not connected to a direct file
  Error,     // any other failure
};

// Status code of a read past the end of a file.
inline constexpr std::int32_t kPastEndCode = -1;

// The outcome of a direct-file operation: the result and the run-time status code (0 on
// success, the system's error number, or kPastEndCode).
struct DirectStatus {
  DirectResult result = DirectResult::Ok;
  std::int32_t code = 0;

  bool ok() const { return result == DirectResult::Ok; }
};

// ---------------------------------------------------------------------------------------
// The file seam
// ---------------------------------------------------------------------------------------

// One open file, read and written as bytes at offsets.
class DirectFile {
 public:
  virtual ~DirectFile() = default;

  // Reads up to bytes.size() bytes at `offset`; `count` = the bytes read, fewer than asked
  // only where the file ends.
  virtual DirectStatus read(std::uint64_t offset, std::span<std::byte> bytes,
                            std::size_t& count) = 0;

  // Writes all of `bytes` at `offset`, extending the file when needed.
  virtual DirectStatus write(std::uint64_t offset, std::span<const std::byte> bytes) = 0;

  // Closes the file; `keep` false deletes it (a scratch file is always deleted). The object
  // must not be used afterwards.
  virtual DirectStatus close(bool keep) = 0;

  // Whether the file was opened for writing (a file the run may not write is opened for
  // reading only, and every write to it fails).
  virtual bool writable() const { return true; }
};

// A source of direct files.
class DirectFileSystem {
 public:
  virtual ~DirectFileSystem() = default;

  // Opens the file `name` (a host name, "/" as separator) as `how` says; a scratch file
  // ignores the name. On success `file` holds the open file.
  virtual DirectStatus open(std::string_view name, DirectOpen how,
                            std::unique_ptr<DirectFile>& file) = 0;
};

// The host's file system: POSIX files written with pwrite.
DirectFileSystem& hostFileSystem();

// The positional write of the host's files: pwrite's contract (bytes written, or -1 with
// errno). A test may put another in its place; nullptr puts pwrite back. Returns the one
// it replaces.
using PositionalWrite = long (*)(int descriptor, const void* data, std::size_t size,
                                 std::uint64_t offset);
PositionalWrite setHostPositionalWrite(PositionalWrite write);

// Files held in memory, keyed by name; a kept file lives as long as the file system.
// The file system must outlive the files it opened.
class MemoryFileSystem final : public DirectFileSystem {
 public:
  MemoryFileSystem();
  ~MemoryFileSystem() override;
  MemoryFileSystem(const MemoryFileSystem&) = delete;
  MemoryFileSystem& operator=(const MemoryFileSystem&) = delete;

  DirectStatus open(std::string_view name, DirectOpen how,
                    std::unique_ptr<DirectFile>& file) override;

  bool exists(std::string_view name) const;
  // The bytes of a file (empty when it does not exist), and a way to change them.
  std::vector<std::byte> contents(std::string_view name) const;
  // Whether the file exists and holds exactly BYTES (compared in place, nothing copied).
  bool holds(std::string_view name, std::span<const std::byte> bytes) const;
  void setContents(std::string_view name, std::vector<std::byte> bytes);
  void remove(std::string_view name);

  struct Store;  // the files by name (kept apart so that open files can outlive a removal)

 private:
  std::shared_ptr<Store> store_;
};

// Which operations a FaultyFileSystem spoils. Operations are counted from 1 over all files
// it opened whose name ends in `nameEnding` (every file when it is empty); 0 spoils none.
struct DirectFaults {
  int failOpen = 0;   // the n-th open fails (an error other than a missing file)
  int failWrite = 0;  // the n-th write fails and writes nothing
  int shortRead = 0;  // the n-th read delivers `shortBy` bytes fewer than asked
  std::size_t shortBy = 1;
  int flipRead = 0;  // the n-th read delivers byte `flipOffset` with its bits inverted
  std::size_t flipOffset = 0;
  int failClose = 0;  // the n-th close fails (the file is closed all the same)
  bool readOnly = false;  // named files open for reading only, as files the run may not write
  std::string nameEnding{};
};

// A wrapper around another file system that spoils the operations `faults` names and
// counts the operations it passes on. It must outlive the files it opened.
class FaultyFileSystem final : public DirectFileSystem {
 public:
  explicit FaultyFileSystem(DirectFileSystem& inner, DirectFaults faults = {});
  ~FaultyFileSystem() override;
  FaultyFileSystem(const FaultyFileSystem&) = delete;
  FaultyFileSystem& operator=(const FaultyFileSystem&) = delete;

  DirectStatus open(std::string_view name, DirectOpen how,
                    std::unique_ptr<DirectFile>& file) override;

  // New faults; the counts start again from 0. A file's selection by `nameEnding` is made
  // when it is opened.
  void setFaults(DirectFaults faults);
  // Operations counted so far (over the selected files).
  int opens() const;
  int reads() const;
  int writes() const;

  struct Counters;  // the faults and the counts, shared with the open files

 private:
  DirectFileSystem& inner_;
  std::shared_ptr<Counters> counters_;
};

// The file system that openDirect uses from now on (nullptr: the host's) and the one used
// before. Files already connected stay with the file system that opened them.
DirectFileSystem* setDirectFileSystem(DirectFileSystem* system);
DirectFileSystem& directFileSystem();

// While alive, openDirect uses `system`.
class UseDirectFileSystem {
 public:
  explicit UseDirectFileSystem(DirectFileSystem& system)
      : previous_(setDirectFileSystem(&system)) {}
  ~UseDirectFileSystem() { setDirectFileSystem(previous_); }
  UseDirectFileSystem(const UseDirectFileSystem&) = delete;
  UseDirectFileSystem& operator=(const UseDirectFileSystem&) = delete;

 private:
  DirectFileSystem* previous_;
};

// ---------------------------------------------------------------------------------------
// Stored words
// ---------------------------------------------------------------------------------------

// Words to bytes and back, little-endian whatever the machine. The byte span holds
// kWordBytes bytes per word.
void wordsToBytes(std::span<const std::int32_t> words, std::span<std::byte> bytes);
void bytesToWords(std::span<const std::byte> bytes, std::span<std::int32_t> words);

// ---------------------------------------------------------------------------------------
// Unit connections
// ---------------------------------------------------------------------------------------

// Connects `unit` (1 to 100, not connected to a sequential or direct file) to the file
// `name` opened as `how`, with records of `recordBytes` bytes (one of kDirectRecordBytes).
// A backslash in the name is read as "/"; trailing blanks are dropped.
DirectStatus openDirect(int unit, std::string_view name, DirectOpen how, std::size_t recordBytes);

// Reads the first words.size() words (or chars.size() characters) of record `record`
// (from 1). A record beyond the end of the file is PastEnd, never zeros; more than a
// record's length is an Error.
DirectStatus readDirect(int unit, std::int32_t record, std::span<std::int32_t> words);
DirectStatus readDirect(int unit, std::int32_t record, std::span<char> chars);

// Writes the words (or characters) as record `record`; the rest of the record is filled
// with zero bytes, so that the file always holds whole records.
DirectStatus writeDirect(int unit, std::int32_t record, std::span<const std::int32_t> words);
DirectStatus writeDirect(int unit, std::int32_t record, std::span<const char> chars);

// Disconnects the unit and closes its file; `keep` false deletes the file. The unit is
// disconnected even when the close fails.
DirectStatus closeDirect(int unit, bool keep);

bool isDirectConnected(int unit);

// Whether the existing file `name` can be opened for writing through the current file
// system; false for a missing file or one the run may only read.
bool directFileWritable(std::string_view name);

// The record length of a connected unit in bytes; 0 when not connected.
std::size_t directRecordBytes(int unit);

}  // namespace platform
