// A consistency check of the whole core store, for tests.
#pragma once

#include <cstdint>
#include <string>

namespace storage_testing {

struct CoreStoreCensus {
  std::int32_t freeBlocks = 0;
  std::int32_t allocatedBlocks = 0;
  std::int64_t freeWords = 0;
  std::int32_t treeNodes = 0;
  std::int32_t treeHeight = 0;
};

// Walks every area block by block and the free tree node by node. Returns an empty text
// when all holds, else the first fault found:
// - the tags agree at both ends of every block and blocks cover each area without gaps;
// - no two free blocks are adjacent;
// - the tree is ordered by length, its parent and link words agree, every balance word is
//   the true height difference within -1..1;
// - every free block of the areas is in the tree exactly once, and nothing else is.
std::string checkCoreStore(CoreStoreCensus* census = nullptr);

}  // namespace storage_testing
