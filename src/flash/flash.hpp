// The flash engine: the work-array table of the isothermal flash algorithms and the note
// counters, the shared flash state words and the K-value seam, the notes and trace prints
// of the flashes, the phase-region code, the bracketed search and closure steps, the phase
// split at given K-values, the Rachford-Rice solution, the common argument list of the
// isothermal algorithms, the default two-phase flash FLASHT and the router FLASTP, the
// successive-substitution flash FLASHN with its single-phase and pure-component helpers, the
// liquid-liquid split by key components (TLSPLT, FLAS3L), the totals of a flashed stream,
// the stream lookup and the water values of the flash and property calls, the
// thermodynamic parameter values, the dense linear solver and the empty calls.
#pragma once

#include "flash/algorithms.hpp"
#include "flash/bounded_split.hpp"
#include "flash/empty_calls.hpp"
#include "flash/fixed_fraction.hpp"
#include "flash/flash_arguments.hpp"
#include "flash/flash_notes.hpp"
#include "flash/flash_state.hpp"
#include "flash/flashed_totals.hpp"
#include "flash/general_flash.hpp"
#include "flash/linear_solver.hpp"
#include "flash/liquid_liquid_arrays.hpp"
#include "flash/parameter_values.hpp"
#include "flash/liquid_split.hpp"
#include "flash/newton_flash.hpp"
#include "flash/phase_fraction.hpp"
#include "flash/phase_region.hpp"
#include "flash/phase_split.hpp"
#include "flash/rachford_rice.hpp"
#include "flash/search_steps.hpp"
#include "flash/slots.hpp"
#include "flash/stream_lookup.hpp"
#include "flash/substitution.hpp"
#include "flash/water_values.hpp"
#include "flash/work_tables.hpp"
