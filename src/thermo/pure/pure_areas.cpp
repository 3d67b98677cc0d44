// The shared areas of the pure-component subsystem.
#include "thermo/pure/pure.hpp"
