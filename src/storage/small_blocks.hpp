// Lists of freed small blocks kept beside the core store, so that the typed gets and frees of
// short arrays (ICMGTI ... CMFRED) mostly skip the free tree.
//
// A small block that a typed free gives back keeps its allocated tags and enters the list of
// its length instead of the tree; the next typed get of that length takes it back. To the
// store's own words such a block is simply allocated: its tags, its neighbours and the tree
// stay as the block layout defines them. Only the first data word (b+3) changes: it holds
// the block's place in its list, so that a second free of a listed block is recognised
// exactly (the list itself is the record, the word only a hint checked against it).
//
// The lists are an in-process index: CMINIT and every problem open empty them (the store is
// new then and the blocks they named are gone), and a get that finds no free block in the
// tree gives every listed block back to the tree (CMFREE) before it asks for a further area.
// Not part of the storage manager's interface.
#pragma once

#include <cstdint>

namespace storage::small_blocks {

// The longest block kept in a list, in words (tags included).
inline constexpr std::int32_t kLongestWords = 128;
// The most blocks one length keeps, and the most words all lists keep together.
inline constexpr std::int32_t kBlocksPerLength = 256;
inline constexpr std::int64_t kWordsInLists = 32768;

// The block length, tags included, of a typed get of WORDS data words: even, at least 10.
inline std::int32_t blockLength(std::int64_t words) {
  const std::int64_t length = (words + 4 + 1) / 2 * 2;
  return static_cast<std::int32_t>(length < 10 ? 10 : length);
}

// Takes a listed block of LENGTH words (tags included); returns its base, or 0 when none is
// listed. The block's tags are checked: a listed block whose tags were overwritten is the
// "CM" abort "CORE STORE TAGS CORRUPTED" (items POINTER and H2 (LEN)).
std::int32_t take(std::int32_t length);

// Frees the block of base P for the typed frees: checks its tags (CMCHEK, with its abort);
// lists it when it is small and the lists have room, else gives it to CMFREE. A block that
// is already listed is a second free: the block leaves its list for the tree (CMFREE, the
// first free's due), and the repeated free then goes to CMFREE as well, whose check refuses
// it as it refuses any freed block ("BAD STARTING ADDRESS POINTER").
void release(std::int32_t p);

// Gives every listed block back to the free tree (CMFREE). Returns true when there was any.
bool releaseAll();

// Forgets every listed block without touching the store (CMINIT, problem open).
void forget();

}  // namespace storage::small_blocks
