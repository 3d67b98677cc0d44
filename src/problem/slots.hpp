// The calls of the problem data model into the layers above it. The layer that answers
// fills each slot when the library starts.
#pragma once

namespace problem {

// The table TH has freed the core areas of the loaded method set (the close or the release
// of the problem database): the method-set layer forgets what it read from them, so that no
// later switch or reader takes words from the freed areas. Without a method-set layer
// nothing was read from them, and the empty slot does nothing.
using MethodSetReleased = void (*)();

// Fills the slot (nullptr empties it); returns the routine it held.
MethodSetReleased fillMethodSetReleased(MethodSetReleased routine);

// Tells the method-set layer through the slot.
void methodSetReleased();

}  // namespace problem
