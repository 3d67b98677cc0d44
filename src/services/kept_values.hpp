// Values kept between calls: the caches and scratch of the kernels and drivers, and the
// start values of the areas of the layers above the problem data model. Each file that
// keeps such values registers the routine that resets them; every problem open runs all of
// them through resetKeptValues (from the start values of the open, PRBINI), so that nothing
// a former problem left reaches the next one. Included by services.hpp.
//
// A file registers at start-up, beside the values it keeps:
//   void resetScratch() { scratch = Scratch{}; }
//   const bool kReset = services::registerKeptValues(&resetScratch);
// A file that is not part of the program keeps nothing, so nothing is left out. A reset
// sets values only: it frees no core (the open starts a new core store before it runs) and
// does not depend on the order in which the resets run.
#pragma once

namespace services {

using KeptValuesReset = void (*)();

// Adds RESET to the resets that resetKeptValues runs. Returns true.
bool registerKeptValues(KeptValuesReset reset);

// Runs every registered reset.
void resetKeptValues();

}  // namespace services
