// Private helpers of the core store's free tree, shared by the get and the free. Not part of
// the storage manager's interface.
#pragma once

#include <cstdint>

namespace storage {

// Whether the free block of base B, its length changed to LENGTH, keeps the tree's length
// order where it stands: no in-order predecessor longer and no successor shorter.
bool fitsInPlace(std::int32_t b, std::int32_t length);

// The free block of base FRESH (its tags written) takes the tree place of the node of base
// OLD, with OLD's balance, children and parent link.
void replaceNode(std::int32_t old, std::int32_t fresh);

}  // namespace storage
