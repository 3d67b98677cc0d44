// The free tree of the core store: an AVL tree of the free blocks keyed by length, threaded
// through the blocks' own words. Equal lengths go to the larger side; the head pseudo-block
// of length 0 holds the root on its larger side.
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "storage/core_store.hpp"
#include "storage/free_tree.hpp"

namespace storage {
namespace {

using block::kBalance;
using block::kH1;
using block::kH2;
using block::kLarger;
using block::kLink;
using block::kParent;
using block::kSmaller;

inline std::int32_t lengthOf(std::int32_t b) { return CORSTO[b + kH2]; }
inline std::int32_t childOf(std::int32_t b, std::int32_t side) { return CORSTO[b + side]; }
std::int32_t opposite(std::int32_t side) { return side == kLarger ? kSmaller : kLarger; }

// Hangs `child` (0 for none) on `side` of `parent`, with its parent and link words.
inline void setChild(std::int32_t parent, std::int32_t side, std::int32_t child) {
  CORSTO[parent + side] = child;
  if (child != 0) {
    CORSTO[child + kParent] = parent;
    CORSTO[child + kLink] = side;
  }
}

// Shortest remainder that a take splits off as a free block of its own.
constexpr std::int32_t kSplitMargin = 10;

// The length of the in-order neighbour of B on SIDE (kSmaller: predecessor, kLarger:
// successor); BEYOND when there is none.
std::int32_t neighbourLength(std::int32_t b, std::int32_t side, std::int32_t beyond) {
  const std::int32_t other = opposite(side);
  std::int32_t node = childOf(b, side);
  if (node != 0) {
    for (std::int32_t next = childOf(node, other); next != 0; next = childOf(node, other)) {
      node = next;
    }
    return lengthOf(node);
  }
  // Up until the walk arrives from OTHER's side: that ancestor is the neighbour.
  node = b;
  while (node != kTreeHead && CORSTO[node + kLink] == side) node = CORSTO[node + kParent];
  if (node == kTreeHead) return beyond;
  const std::int32_t parent = CORSTO[node + kParent];
  return parent == kTreeHead ? beyond : lengthOf(parent);
}

}  // namespace

bool fitsInPlace(std::int32_t b, std::int32_t length) {
  // Only the neighbour on the side the length moves toward can be passed.
  const std::int32_t now = lengthOf(b);
  if (length < now) return neighbourLength(b, kSmaller, 0) <= length;
  if (length > now) return neighbourLength(b, kLarger, INT32_MAX) >= length;
  return true;
}

void replaceNode(std::int32_t old, std::int32_t fresh) {
  if (fresh == old) return;
  CORSTO[fresh + kBalance] = CORSTO[old + kBalance];
  setChild(fresh, kSmaller, childOf(old, kSmaller));
  setChild(fresh, kLarger, childOf(old, kLarger));
  setChild(CORSTO[old + kParent], CORSTO[old + kLink], fresh);
}

void CMFIND(std::int32_t l, std::int32_t& p, std::int32_t& avail) {
  avail = 0;
  p = 0;
  std::int32_t taken = 0;
  std::int32_t node = childOf(kTreeHead, kLarger);
  while (node != 0) {
    const std::int32_t length = lengthOf(node);
    if (length == l) {
      taken = node;
      break;
    }
    if (length < l) {
      node = childOf(node, kLarger);
      continue;
    }
    // Larger than asked: the smaller-side child when it is still long enough, no deeper.
    const std::int32_t smaller = childOf(node, kSmaller);
    taken = smaller != 0 && lengthOf(smaller) >= l ? smaller : node;
    break;
  }
  if (taken == 0) return;

  std::int32_t length = lengthOf(taken);
  if (length > l + kSplitMargin) {
    // The rest stays free; where the tree's order allows, it takes the taken block's place
    // in the tree instead of leaving and entering it.
    const std::int32_t rest = taken + l;
    const std::int32_t restLength = length - l;
    const bool inPlace = fitsInPlace(taken, restLength);
    if (!inPlace) CMTDEL(taken);
    CORSTO[rest + kH1] = rest;
    CORSTO[rest + kH2] = restLength;
    CORSTO[rest + restLength - 1] = restLength;
    CORSTO[rest + restLength] = rest;
    if (inPlace) {
      replaceNode(taken, rest);
    } else {
      CMTINS(rest);
    }
    length = l;
  } else {
    CMTDEL(taken);
  }
  CORSTO[taken + kH1] = 0;
  CORSTO[taken + kH2] = length;
  CORSTO[taken + length - 1] = length;
  CORSTO[taken + length] = 0;
  p = taken;
}

void CMTINS(std::int32_t b) {
  const std::int32_t length = lengthOf(b);
  std::int32_t node = kTreeHead;
  std::int32_t side = kLarger;  // every real length exceeds the head's 0
  for (std::int32_t next = childOf(node, side); next != 0; next = childOf(node, side)) {
    node = next;
    side = length < lengthOf(node) ? kSmaller : kLarger;
  }
  CORSTO[b + kBalance] = 0;
  CORSTO[b + kSmaller] = 0;
  CORSTO[b + kLarger] = 0;
  setChild(node, side, b);
  CMTBAL(node, side, +1);
}

void CMTDEL(std::int32_t b) {
  const std::int32_t parent = CORSTO[b + kParent];
  const std::int32_t link = CORSTO[b + kLink];
  const std::int32_t smaller = childOf(b, kSmaller);
  const std::int32_t larger = childOf(b, kLarger);

  if (smaller == 0 || larger == 0) {
    // No child or one: the child, if any, takes the block's place.
    setChild(parent, link, smaller != 0 ? smaller : larger);
    CMTBAL(parent, link, -1);
    return;
  }

  // Two children: the in-order predecessor s leaves its own place first, where its
  // smaller-side child takes over.
  std::int32_t s = smaller;
  while (childOf(s, kLarger) != 0) s = childOf(s, kLarger);
  const std::int32_t sParent = CORSTO[s + kParent];
  const std::int32_t sLink = CORSTO[s + kLink];
  setChild(sParent, sLink, childOf(s, kSmaller));
  CMTBAL(sParent, sLink, -1);

  // Then s takes the block's place as the rebalance has left it.
  CORSTO[s + kBalance] = CORSTO[b + kBalance];
  setChild(s, kSmaller, childOf(b, kSmaller));
  setChild(s, kLarger, childOf(b, kLarger));
  setChild(CORSTO[b + kParent], CORSTO[b + kLink], s);
}

void CMTBAL(std::int32_t b, std::int32_t side, std::int32_t change) {
  std::int32_t node = b;
  while (node != kTreeHead) {
    const std::int32_t direction = side == kLarger ? 1 : -1;
    const std::int32_t balance = CORSTO[node + kBalance] + direction * change;
    if (change > 0) {
      // The subtree on `side` grew.
      CORSTO[node + kBalance] = balance;
      if (balance == 0) return;
      if (std::abs(balance) == 2) {
        std::int32_t top = 0;
        std::int32_t fell = 0;
        CMTROT(node, top, fell);
        return;  // a rotation after growth restores the height
      }
    } else {
      // The subtree on `side` shrank.
      CORSTO[node + kBalance] = balance;
      if (std::abs(balance) == 1) return;
      if (std::abs(balance) == 2) {
        std::int32_t top = 0;
        std::int32_t fell = 0;
        CMTROT(node, top, fell);
        if (fell == 0) return;
        node = top;
      }
    }
    side = CORSTO[node + kLink];
    node = CORSTO[node + kParent];
  }
}

void CMTROT(std::int32_t b, std::int32_t& top, std::int32_t& change) {
  const std::int32_t direction = CORSTO[b + kBalance] > 0 ? 1 : -1;
  const std::int32_t heavy = direction > 0 ? kLarger : kSmaller;
  const std::int32_t light = opposite(heavy);
  const std::int32_t parent = CORSTO[b + kParent];
  const std::int32_t link = CORSTO[b + kLink];
  const std::int32_t c = childOf(b, heavy);
  const std::int32_t childBalance = CORSTO[c + kBalance];

  if (childBalance * direction >= 0) {
    // Single rotation: c rises, b takes c's light subtree on its heavy side.
    setChild(b, heavy, childOf(c, light));
    setChild(c, light, b);
    setChild(parent, link, c);
    if (childBalance == 0) {
      CORSTO[b + kBalance] = direction;
      CORSTO[c + kBalance] = -direction;
      change = 0;
    } else {
      CORSTO[b + kBalance] = 0;
      CORSTO[c + kBalance] = 0;
      change = -1;
    }
    top = c;
    return;
  }

  // Double rotation: c's light child g rises above both.
  const std::int32_t g = childOf(c, light);
  const std::int32_t grandBalance = CORSTO[g + kBalance];
  setChild(c, light, childOf(g, heavy));
  setChild(b, heavy, childOf(g, light));
  setChild(g, heavy, c);
  setChild(g, light, b);
  setChild(parent, link, g);
  CORSTO[b + kBalance] = grandBalance == direction ? -direction : 0;
  CORSTO[c + kBalance] = grandBalance == -direction ? direction : 0;
  CORSTO[g + kBalance] = 0;
  change = -1;
  top = g;
}

}  // namespace storage
