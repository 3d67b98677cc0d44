// The calls of the method-set layer into the phase-property layer above it. The phase
// layer fills each slot when the library starts; a slot left empty reports failure.
#pragma once

#include <cstdint>

namespace methods {

// Fills the problem layer's slot that the method sets serve: the release of the loaded set
// (methods/method_sets.cpp). The library's start calls it after the installs of the layers
// below.
void installSlots();

// The set-up query of a user-added K-value method: the routine of method CODE (901-915)
// answers the set-up request once, and its return flag is kept in the set's option word.
using UserKValueSetUp = std::int32_t (*)(std::int32_t code);

// Fills the slot (nullptr empties it); returns the routine it held.
UserKValueSetUp fillUserKValueSetUp(UserKValueSetUp routine);

// The return flag of the set-up query of method CODE through the slot. Aborts ("DB",
// "DBSSTR") "USER-ADDED METHODS ARE NOT AVAILABLE" (item CODE) when the slot is empty.
std::int32_t userKValueSetUp(std::int32_t code);

// A method set was loaded (FCINIT): what the layers above keep from the previous set's data
// (the special-property store copies and their value blocks) is let go, so that the new
// set's data are read afresh on first use. Nothing above keeps such data when the slot is
// empty, and then there is nothing to do.
using MethodSetLoaded = void (*)();

// Fills the slot (nullptr empties it); returns the routine it held.
MethodSetLoaded fillMethodSetLoaded(MethodSetLoaded routine);

// Tells the layers above through the slot.
void methodSetLoaded();

}  // namespace methods
