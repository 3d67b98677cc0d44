// What the multiphase flashes put into the flash layer's slots.
#pragma once

namespace multiphase {

// Puts the three-phase, free-water and Gibbs flashes into the flash layer's algorithm table.
// The library's start calls it once, after the flash layer's own install; so does every test
// program that runs the router with the real algorithms.
void installSlots();

}  // namespace multiphase
