// The start of the library: every layer's slot installs, once, in the order of the layers.
#pragma once

namespace vendrakol {

// Calls the installSlots() of each layer that serves slots of the layers below it, bottom
// to top (src/layers.txt), the first time it is called; later calls do nothing. Every export
// calls it before its work, so that the shared library runs with every slot filled; a
// program linked against the static archives calls it itself.
void startLibrary();

}  // namespace vendrakol
