// The two control records of a file group: the header record and the free-space record.
#include <cstdint>
#include <string_view>

#include "services/services.hpp"
#include "storage/files.hpp"
#include "storage/text_words.hpp"

namespace storage {
namespace {

void textToWords(std::string_view text, ControlRecord& image, std::size_t first,
                 std::size_t count) {
  std::int32_t ignored = 0;
  TXTOIW(text, image.span().subspan(first - 1, count), static_cast<std::int32_t>(count), ignored);
}

void wordsToText(const ControlRecord& image, std::size_t first, std::size_t count,
                 std::span<char> text) {
  std::int32_t ignored = 0;
  IWTOTX(text, image.span().subspan(first - 1, count), static_cast<std::int32_t>(count), ignored);
}

[[noreturn]] void badHeader(std::int32_t group, std::size_t word, std::int32_t value,
                            std::string_view caller) {
  FIERR(FileError::BadHeaderRecord, caller, " ", {group, static_cast<std::int32_t>(word), value});
}

[[noreturn]] void badFreeSpace(std::int32_t group, std::size_t word, std::int32_t value,
                               std::string_view caller) {
  FIERR(FileError::BadFreeSpaceRecord, caller, " ",
        {group, static_cast<std::int32_t>(word), value});
}

}  // namespace

void encodeGroupHeader(const GroupHeader& header, ControlRecord& image) {
  using namespace header_word;
  image(kGroup) = header.group;
  image(kFileCount) = header.fileCount;
  image(kReadOnly) = header.readOnly;
  image(kMasterLength) = header.masterLength;
  image(kMasterAddress) = header.masterAddress;
  for (std::int32_t k = 1; k <= kMaxGroupFiles; ++k) {
    const auto file = static_cast<std::size_t>(k);
    const bool used = k <= header.fileCount;
    image(kExists + file) = used ? header.exists(file) : 0;
    image(kRecordSize + file) = used ? header.recordSizes(file) : 0;
  }
  textToWords(header.file.view(), image, kFile, kShortTextWords);
  textToWords(header.level.view(), image, kLevel, kShortTextWords);
  textToWords(header.description.view(), image, kDescription, kDescriptionWords);
}

GroupHeader decodeGroupHeader(const ControlRecord& image, std::string_view caller) {
  using namespace header_word;
  GroupHeader header;
  header.group = image(kGroup);
  header.fileCount = image(kFileCount);
  header.readOnly = image(kReadOnly);
  header.masterLength = image(kMasterLength);
  header.masterAddress = image(kMasterAddress);
  if (header.fileCount < 1 || header.fileCount > kMaxGroupFiles) {
    badHeader(header.group, kFileCount, header.fileCount, caller);
  }
  for (std::int32_t k = 1; k <= header.fileCount; ++k) {
    const auto file = static_cast<std::size_t>(k);
    const std::int32_t exists = image(kExists + file);
    const std::int32_t size = image(kRecordSize + file);
    if (exists != 0 && exists != 1) badHeader(header.group, kExists + file, exists, caller);
    if (!isRecordSize(size)) badHeader(header.group, kRecordSize + file, size, caller);
    header.exists(file) = exists;
    header.recordSizes(file) = size;
  }
  wordsToText(image, kFile, kShortTextWords, header.file);
  wordsToText(image, kLevel, kShortTextWords, header.level);
  wordsToText(image, kDescription, kDescriptionWords, header.description);
  return header;
}

void encodeFreeSpace(const FreeSpace& space, ControlRecord& image) {
  using namespace free_space_word;
  image(kCount) = space.count;
  for (std::int32_t i = 1; i <= kFreeEntries; ++i) {
    const auto entry = static_cast<std::size_t>(i);
    image(kLength + entry) = space.runs(entry).length;
    image(kAddress + entry) = space.runs(entry).address;
  }
}

FreeSpace decodeFreeSpace(const ControlRecord& image, std::int32_t group, std::int32_t fileCount,
                          std::string_view caller) {
  using namespace free_space_word;
  FreeSpace space;
  space.count = image(kCount);
  if (space.count < 0 || space.count > kFreeEntries)
    badFreeSpace(group, kCount, space.count, caller);
  for (std::int32_t i = 1; i <= kFreeEntries; ++i) {
    const auto entry = static_cast<std::size_t>(i);
    FreeRun run{image(kLength + entry), image(kAddress + entry)};
    if (run.length < 0) badFreeSpace(group, kLength + entry, run.length, caller);
    if (run.length > 0) {
      // A run must lie in one file of the group, clear of the two control records.
      const std::int64_t file = fileCodeOf(run.address) - std::int64_t{group} * 10;
      const std::int32_t record = recordOf(run.address);
      const std::int32_t firstFree = file == 1 ? 3 : 1;
      const bool inGroup = run.address > 0 && file >= 1 && file <= fileCount;
      if (!inGroup || record < firstFree) {
        badFreeSpace(group, kAddress + entry, run.address, caller);
      }
      if (run.length > kLastRecord - record + 1) {
        badFreeSpace(group, kLength + entry, run.length, caller);
      }
    }
    space.runs(entry) = run;
  }
  return space;
}

}  // namespace storage
