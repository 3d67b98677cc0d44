// A started storage manager over one attached output group, for the block-structure tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "file_layer_support.hpp"
#include "fixtures/block_builders.hpp"
#include "fixtures/file_groups.hpp"
#include "storage/storage.hpp"

namespace block_tests {

// A damage to the top sub-block of an index or paged block: words of the stored block
// (numbered from 1) set to new values.
struct TopDamage {
  std::string what;
  std::vector<std::pair<std::int32_t, std::int32_t>> words;  // word, value
};

// The damages that leave a top sub-block readable as a sub-block but without the sectors
// its header and page pointers need, for the stored top IMAGE (its header words at least).
inline std::vector<TopDamage> topDamages(const std::vector<std::int32_t>& image) {
  namespace head = storage::sbhead;
  const auto word = [&](std::int32_t k) { return image[static_cast<std::size_t>(k - 1)]; };
  const auto kind = [](storage::SectorKind k) {
    return static_cast<std::int32_t>(storage::kindIndex(k)) - 1;
  };
  const std::int32_t integerCount = head::kFirstCount + kind(storage::SectorKind::Integer);
  const std::int32_t integerTable =
      word(head::kFirstTableOffset + kind(storage::SectorKind::Integer));
  // The disk-pointer table: lengths, offsets and entry sizes of its two sectors. With one
  // sector it holds the first sector's three words.
  const std::int32_t pointerCount = head::kFirstCount + kind(storage::SectorKind::Pointer);
  const std::int32_t pointerTable =
      word(head::kFirstTableOffset + kind(storage::SectorKind::Pointer));
  return {
      {"no header sector", {{integerCount, 0}}},
      {"a header sector of 4 words", {{integerTable + 1, 4}}},
      {"no page-pointer sector",
       {{pointerCount, 1},
        {pointerTable + 1, word(pointerTable + 1)},
        {pointerTable + 2, word(pointerTable + 3)},
        {pointerTable + 3, word(pointerTable + 5)}}},
      {"no room for the pages the header counts", {{word(head::kSizingOffset) + 1, 0}}},
  };
}

// The word (from 1) of a stored top sub-block IMAGE that holds word K of the block's header
// (integer sector 1: NENT, NPAG, ...).
inline std::int32_t topHeaderWord(const std::vector<std::int32_t>& image, std::int32_t k) {
  const auto kind = static_cast<std::int32_t>(storage::kindIndex(storage::SectorKind::Integer));
  const std::int32_t table = image[static_cast<std::size_t>(storage::sbhead::kFirstTableOffset +
                                                            kind - 2)];
  // One integer sector: its length, then its offset.
  return image[static_cast<std::size_t>(table + 2 - 1)] + k;
}

class BlockTest : public file_tests::FileLayerTest {
 protected:
  void SetUp() override {
    plan = group(21, {125, 250, 500});
    fixtures::createFileGroup(plan);
    startRun();
  }

  // A new run: the group detached (its free-space record written), then core store,
  // sub-blocks and files started from nothing and the group attached again as the output.
  void startRun() {
    if (sequence != 0) storage::FIDTCH(sequence, storage::kCloseKeep);
    storage::FIINIT();
    storage::CMINIT(0, 0, 0);
    storage::SBINIT();
    sequence = file_tests::attach(21, plan.baseName).sequence;
    storage::FISTA2(sequence, 2);
  }

  // The first COUNT words of the block at disk address ADDRESS, read from its file, and
  // words written over it from word FIRST (from 1), as a damaged file would hold them.
  std::vector<std::int32_t> blockWords(std::int32_t address, std::size_t count) const {
    return fixtures::readFileWords(fileName(address), firstWordOf(address), count);
  }
  void writeBlockWords(std::int32_t address, std::size_t first,
                       const std::vector<std::int32_t>& words) const {
    fixtures::writeFileWords(fileName(address), firstWordOf(address) + first - 1, words);
  }

  fixtures::FileGroupPlan plan;
  std::int32_t sequence = 0;

 private:
  std::int32_t fileOf(std::int32_t address) const { return storage::fileCodeOf(address) % 10; }
  std::string fileName(std::int32_t address) const {
    return fixtures::groupFileName(plan, fileOf(address));
  }
  std::size_t firstWordOf(std::int32_t address) const {
    const auto& file = plan.files[static_cast<std::size_t>(fileOf(address) - 1)];
    return static_cast<std::size_t>(storage::recordOf(address) - 1) *
           static_cast<std::size_t>(file.recordSize);
  }
};

}  // namespace block_tests
