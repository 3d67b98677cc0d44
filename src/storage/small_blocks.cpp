// The lists of freed small blocks beside the core store: one stack of block bases per block
// length, of fixed capacity, so that a warm get or free allocates nothing.
#include "storage/small_blocks.hpp"

#include <array>
#include <cstdint>

#include "services/services.hpp"
#include "storage/core_store.hpp"
#include "storage/current_routine.hpp"
#include "storage/free_tree.hpp"

namespace storage::small_blocks {
namespace {

// One list per even length from kMinBlockWords to kLongestWords.
constexpr std::int32_t kLengths = (kLongestWords - kMinBlockWords) / 2 + 1;
// The data word of a listed block that holds its place in its list.
constexpr std::int32_t kPlaceWord = 3;

struct Lists {
  std::array<std::array<std::int32_t, kBlocksPerLength>, kLengths> bases{};
  std::array<std::int32_t, kLengths> counts{};
  std::int64_t words = 0;  // words of all listed blocks
};
Lists lists;

const bool kListsReset = services::registerKeptValues(&forget);

constexpr std::size_t listOf(std::int32_t length) {
  return static_cast<std::size_t>((length - kMinBlockWords) / 2);
}

// Removes the listed block at PLACE of list L, the last block of the list taking its place.
void unlist(std::size_t l, std::int32_t place, std::int32_t length) {
  std::int32_t& count = lists.counts[l];
  const std::int32_t last = count - 1;
  const std::int32_t moved = lists.bases[l][static_cast<std::size_t>(last)];
  lists.bases[l][static_cast<std::size_t>(place)] = moved;
  if (place != last) CORSTO[moved + kPlaceWord] = place;
  count = last;
  lists.words -= length;
}

// The list and place of the block of base Q when it is listed; false otherwise.
bool listed(std::int32_t q, std::int32_t length, std::size_t& l, std::int32_t& place) {
  if (length < kMinBlockWords || length > kLongestWords || length % 2 != 0) return false;
  l = listOf(length);
  place = CORSTO[q + kPlaceWord];
  return place >= 0 && place < lists.counts[l] &&
         lists.bases[l][static_cast<std::size_t>(place)] == q;
}

// A listed block beside the block of base P and length LENGTH goes back to the tree, so that
// P merges with it: listed blocks never keep a long block from its neighbours. The zero
// words at each end of an area read as the tags of an allocated block of length 0, so the
// look never leaves P's area.
void returnNeighbours(std::int32_t p, std::int32_t length) {
  std::size_t l = 0;
  std::int32_t place = 0;
  if (CORSTO[p] == 0) {
    const std::int32_t belowLength = CORSTO[p - 1];
    const std::int32_t below = p - belowLength;
    if (listed(below, belowLength, l, place)) {
      unlist(l, place, belowLength);
      CMFREE(below);
    }
  }
  const std::int32_t above = p + length;
  if (CORSTO[above + block::kH1] == 0) {
    const std::int32_t aboveLength = CORSTO[above + block::kH2];
    if (listed(above, aboveLength, l, place)) {
      unlist(l, place, aboveLength);
      CMFREE(above);
    }
  }
}

}  // namespace

std::int32_t take(std::int32_t length) {
  if (length > kLongestWords) return 0;
  const std::size_t l = listOf(length);
  std::int32_t& count = lists.counts[l];
  if (count == 0) return 0;
  count -= 1;
  lists.words -= length;
  const std::int32_t b = lists.bases[l][static_cast<std::size_t>(count)];
  // The tags of an allocated block of that length, as the block was listed with.
  if (CORSTO[b + block::kH1] != 0 || CORSTO[b + block::kH2] != length ||
      CORSTO[b + length - 1] != length || CORSTO[b + length] != 0) [[unlikely]] {
    services::ERRITM("POINTER", b);
    services::ERRITM("H2 (LEN)", CORSTO[b + block::kH2]);
    services::ABTRPT("CM", "CMGET", CURRTN.cm.view(), "CORE STORE TAGS CORRUPTED");
  }
  return b;
}

void release(std::int32_t p) {
  std::int32_t length = 0;
  CMCHEK(p, length);
  std::size_t l = 0;
  std::int32_t place = 0;
  if (length > kLongestWords) {
    returnNeighbours(p, length);
  } else if (listed(p, length, l, place)) {
    // Freed before: the first free is done now; the repeated one goes through the check
    // of CMFREE, which refuses it as it refuses any freed block.
    unlist(l, place, length);
    freeChecked(p, length);
    CMFREE(p);
    return;
  } else if (length >= kMinBlockWords && length % 2 == 0 &&
             lists.counts[listOf(length)] < kBlocksPerLength &&
             lists.words + length <= kWordsInLists) {
    std::int32_t& count = lists.counts[listOf(length)];
    lists.bases[listOf(length)][static_cast<std::size_t>(count)] = p;
    CORSTO[p + kPlaceWord] = count;
    count += 1;
    lists.words += length;
    return;
  }
  freeChecked(p, length);
}

bool releaseAll() {
  bool any = false;
  for (std::size_t l = 0; l < lists.counts.size(); ++l) {
    const auto length = static_cast<std::int32_t>(kMinBlockWords + 2 * l);
    std::int32_t& count = lists.counts[l];
    while (count > 0) {
      count -= 1;
      lists.words -= length;
      any = true;
      CMFREE(lists.bases[l][static_cast<std::size_t>(count)]);
    }
  }
  return any;
}

void forget() {
  lists.counts.fill(0);
  lists.words = 0;
}

}  // namespace storage::small_blocks
