// Unit connections of direct files: records by number over the byte-level file seam.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/direct_files.hpp"
#include "platform/platform.hpp"

namespace platform {
namespace {

struct Connection {
  std::unique_ptr<DirectFile> file;
  std::size_t recordBytes = 0;
};

// Index 0 is unused so that unit n sits at index n.
std::array<Connection, kLastUnit + 1>& connections() {
  static std::array<Connection, kLastUnit + 1> table;
  return table;
}

DirectFileSystem* gFileSystem = nullptr;

DirectStatus failure(DirectResult result, std::int32_t code) { return {result, code}; }

Connection* connectionOf(int unit) {
  if (unit < kFirstUnit || unit > kLastUnit) return nullptr;
  Connection& slot = connections()[static_cast<std::size_t>(unit)];
  return slot.file ? &slot : nullptr;
}

bool validRecordLength(std::size_t bytes) {
  return std::find(kDirectRecordBytes.begin(), kDirectRecordBytes.end(), bytes) !=
         kDirectRecordBytes.end();
}

// Checks the unit, the record number and the length of a transfer; on success `slot` and
// `offset` name where the record starts.
DirectStatus locate(int unit, std::int32_t record, std::size_t bytes, Connection*& slot,
                    std::uint64_t& offset) {
  slot = connectionOf(unit);
  if (slot == nullptr) return failure(DirectResult::NotOpen, EBADF);
  if (record < 1 || bytes > slot->recordBytes) return failure(DirectResult::Error, EINVAL);
  offset = static_cast<std::uint64_t>(record - 1) * slot->recordBytes;
  return {};
}

DirectStatus readBytes(int unit, std::int32_t record, std::span<std::byte> bytes) {
  Connection* slot = nullptr;
  std::uint64_t offset = 0;
  const DirectStatus where = locate(unit, record, bytes.size(), slot, offset);
  if (!where.ok()) return where;
  std::size_t count = 0;
  const DirectStatus status = slot->file->read(offset, bytes, count);
  if (!status.ok()) return status;
  // A record that is not there is a failure, never zeros.
  if (count < bytes.size()) return failure(DirectResult::PastEnd, kPastEndCode);
  return {};
}

DirectStatus writeBytes(int unit, std::int32_t record, std::span<const std::byte> bytes) {
  Connection* slot = nullptr;
  std::uint64_t offset = 0;
  const DirectStatus where = locate(unit, record, bytes.size(), slot, offset);
  if (!where.ok()) return where;
  // The whole record goes out in one write: the data, then zero bytes. The padded image is
  // grown once to the longest record and reused.
  static std::vector<std::byte> padded;
  if (padded.size() < slot->recordBytes) padded.resize(slot->recordBytes);
  const std::span<std::byte> whole = std::span<std::byte>(padded).first(slot->recordBytes);
  std::fill(std::copy(bytes.begin(), bytes.end(), whole.begin()), whole.end(), std::byte{0});
  return slot->file->write(offset, whole);
}

}  // namespace

void wordsToBytes(std::span<const std::int32_t> words, std::span<std::byte> bytes) {
  for (std::size_t k = 0; k < words.size(); ++k) {
    const auto bits = static_cast<std::uint32_t>(words[k]);
    for (std::size_t i = 0; i < kWordBytes; ++i) {
      bytes[k * kWordBytes + i] = static_cast<std::byte>((bits >> (8 * i)) & 0xFFu);
    }
  }
}

void bytesToWords(std::span<const std::byte> bytes, std::span<std::int32_t> words) {
  for (std::size_t k = 0; k < words.size(); ++k) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < kWordBytes; ++i) {
      bits |= static_cast<std::uint32_t>(bytes[k * kWordBytes + i]) << (8 * i);
    }
    words[k] = static_cast<std::int32_t>(bits);
  }
}

DirectFileSystem* setDirectFileSystem(DirectFileSystem* system) {
  DirectFileSystem* previous = gFileSystem != nullptr ? gFileSystem : &hostFileSystem();
  gFileSystem = system;
  return previous;
}

DirectFileSystem& directFileSystem() {
  return gFileSystem != nullptr ? *gFileSystem : hostFileSystem();
}

DirectStatus openDirect(int unit, std::string_view name, DirectOpen how, std::size_t recordBytes) {
  if (unit < kFirstUnit || unit > kLastUnit || !validRecordLength(recordBytes)) {
    return failure(DirectResult::Error, EINVAL);
  }
  // One number, one file: a unit held by a text file or a direct file is refused.
  if (connectionOf(unit) != nullptr || isConnected(unit)) {
    return failure(DirectResult::Error, EBUSY);
  }
  std::size_t length = name.size();
  while (length > 0 && name[length - 1] == ' ') --length;
  const std::string path = hostFileName(name.substr(0, length));
  if (path.empty() && how != DirectOpen::Scratch) return failure(DirectResult::NotFound, ENOENT);

  std::unique_ptr<DirectFile> file;
  const DirectStatus status = directFileSystem().open(path, how, file);
  if (!status.ok()) return status;
  Connection& slot = connections()[static_cast<std::size_t>(unit)];
  slot.file = std::move(file);
  slot.recordBytes = recordBytes;
  return {};
}

// The byte image of a record of words on its way to or from the file; grown to the longest
// record once and reused, so that paging records costs no allocation.
std::span<std::byte> recordImage(std::size_t n) {
  static std::vector<std::byte> image;
  if (image.size() < n) image.resize(n);
  return std::span<std::byte>(image).first(n);
}

DirectStatus readDirect(int unit, std::int32_t record, std::span<std::int32_t> words) {
  if (words.size() > kDirectRecordBytes.back() / kWordBytes) {
    return failure(DirectResult::Error, EINVAL);
  }
  const std::span<std::byte> bytes = recordImage(words.size() * kWordBytes);
  const DirectStatus status = readBytes(unit, record, bytes);
  if (status.ok()) bytesToWords(bytes, words);
  return status;
}

DirectStatus readDirect(int unit, std::int32_t record, std::span<char> chars) {
  std::vector<std::byte> bytes(chars.size());
  const DirectStatus status = readBytes(unit, record, bytes);
  if (status.ok()) {
    std::transform(bytes.begin(), bytes.end(), chars.begin(),
                   [](std::byte b) { return static_cast<char>(b); });
  }
  return status;
}

DirectStatus writeDirect(int unit, std::int32_t record, std::span<const std::int32_t> words) {
  if (words.size() > kDirectRecordBytes.back() / kWordBytes) {
    return failure(DirectResult::Error, EINVAL);
  }
  const std::span<std::byte> bytes = recordImage(words.size() * kWordBytes);
  wordsToBytes(words, bytes);
  return writeBytes(unit, record, bytes);
}

DirectStatus writeDirect(int unit, std::int32_t record, std::span<const char> chars) {
  std::vector<std::byte> bytes(chars.size());
  std::transform(chars.begin(), chars.end(), bytes.begin(),
                 [](char c) { return static_cast<std::byte>(c); });
  return writeBytes(unit, record, bytes);
}

DirectStatus closeDirect(int unit, bool keep) {
  Connection* slot = connectionOf(unit);
  if (slot == nullptr) return failure(DirectResult::NotOpen, EBADF);
  std::unique_ptr<DirectFile> file = std::move(slot->file);
  slot->recordBytes = 0;
  return file->close(keep);
}

bool isDirectConnected(int unit) { return connectionOf(unit) != nullptr; }

bool directFileWritable(std::string_view name) {
  std::unique_ptr<DirectFile> file;
  if (!directFileSystem().open(hostFileName(name), DirectOpen::Old, file).ok()) return false;
  const bool writable = file->writable();
  file->close(true);
  return writable;
}

std::size_t directRecordBytes(int unit) {
  const Connection* slot = connectionOf(unit);
  return slot != nullptr ? slot->recordBytes : 0;
}

}  // namespace platform
