// Phase property evaluation: the flash start values, the transport properties (built-in
// correlations, corresponding states, the methods by property, the water split and the
// properties of a stream vector), the user-added property methods and the slots of the calls
// into the layers above.
#pragma once

#include "thermo/phase/cs_transport.hpp"
#include "thermo/phase/density_drivers.hpp"
#include "thermo/phase/flash_bounds.hpp"
#include "thermo/phase/phase_drivers.hpp"
#include "thermo/phase/slots.hpp"
#include "thermo/phase/transport.hpp"
#include "thermo/phase/user_methods.hpp"
