// Private helpers of the core store's free tree, shared by the get and the free (and by the
// small-block lists beside the tree). Not part of the storage manager's interface.
#pragma once

#include <cstdint>

namespace storage {

// Whether the free block of base B, its length changed to LENGTH, keeps the tree's length
// order where it stands: no in-order predecessor longer and no successor shorter.
bool fitsInPlace(std::int32_t b, std::int32_t length);

// The free block of base FRESH (its tags written) takes the tree place of the node of base
// OLD, with OLD's balance, children and parent link.
void replaceNode(std::int32_t old, std::int32_t fresh);

// CMFREE after its tag check: frees the allocated block of base P and length LEN (as CMCHEK
// returned it), merging it with free neighbours. Aborts "CORE STORE TAGS CORRUPTED" when a
// neighbour's tags disagree.
void freeChecked(std::int32_t p, std::int32_t len);

}  // namespace storage
