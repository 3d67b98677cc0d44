// The flash engine: the work-array table of the isothermal flash algorithms and the note
// counters of the flashes, the stream lookup and the water values of the flash and
// property calls, the parameter values of the cubic K-value blocks, the dense linear solver
// of the Newton flash and the empty calls.
#pragma once

#include "flash/empty_calls.hpp"
#include "flash/linear_solver.hpp"
#include "flash/parameter_values.hpp"
#include "flash/stream_lookup.hpp"
#include "flash/water_values.hpp"
#include "flash/work_tables.hpp"
