// The flash engine: the work-array table of the isothermal flash algorithms and the note
// counters of the flashes, the totals of a flashed stream, the stream lookup and the water
// values of the flash and property calls, the thermodynamic parameter values, the dense
// linear solver and the empty calls.
#pragma once

#include "flash/empty_calls.hpp"
#include "flash/flashed_totals.hpp"
#include "flash/linear_solver.hpp"
#include "flash/parameter_values.hpp"
#include "flash/stream_lookup.hpp"
#include "flash/water_values.hpp"
#include "flash/work_tables.hpp"
