// Phase property evaluation: so far the coefficient-block loaders, the flash start values
// and the interface of the user-added property methods.
#pragma once

#include "thermo/phase/correlation_residual.hpp"
#include "thermo/phase/cs_transport.hpp"
#include "thermo/phase/flash_bounds.hpp"
#include "thermo/phase/method_coefficient_blocks.hpp"
#include "thermo/phase/user_methods.hpp"
