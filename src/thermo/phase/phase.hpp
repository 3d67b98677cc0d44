// Phase property evaluation: the flash start values, corresponding-states transport and
// the interface of the user-added property methods.
#pragma once

#include "thermo/phase/cs_transport.hpp"
#include "thermo/phase/flash_bounds.hpp"
#include "thermo/phase/user_methods.hpp"
