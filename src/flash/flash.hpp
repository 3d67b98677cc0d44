// The flash engine: the work-array table of the isothermal flash algorithms and the note
// counters of the flashes, the parameter values of the cubic K-value blocks and the dense
// linear solver of the Newton flash.
#pragma once

#include "flash/linear_solver.hpp"
#include "flash/parameter_values.hpp"
#include "flash/work_tables.hpp"
