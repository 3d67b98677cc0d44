// The flash engine: the work-array table of the isothermal flash algorithms, the note
// counters of the flashes, and the slot through which it asks for specification values.
#pragma once

#include "flash/slots.hpp"
#include "flash/work_tables.hpp"
