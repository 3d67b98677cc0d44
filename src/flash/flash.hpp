// The flash engine: the work-array table of the isothermal flash algorithms and the note
// counters of the flashes.
#pragma once

#include "flash/work_tables.hpp"
