// The calls of the method-set layer into the phase-property layer above it. The phase
// layer fills each slot when the library starts; a slot left empty reports failure.
#pragma once

#include <cstdint>

namespace methods {

// The set-up query of a user-added K-value method: the routine of method CODE (901-915)
// answers the set-up request once, and its return flag is kept in the set's option word.
using UserKValueSetUp = std::int32_t (*)(std::int32_t code);

// Fills the slot (nullptr empties it); returns the routine it held.
UserKValueSetUp fillUserKValueSetUp(UserKValueSetUp routine);

// The return flag of the set-up query of method CODE through the slot. Aborts ("DB",
// "DBSSTR") "USER-ADDED METHODS ARE NOT AVAILABLE" (item CODE) when the slot is empty.
std::int32_t userKValueSetUp(std::int32_t code);

}  // namespace methods
