// Pure-component correlations and equations of state: temperature correlations and their
// integrated forms, the equation-of-state kernels with their mixing rules and root solvers,
// liquid densities and water properties. Everything works in K and kPa with mole fractions.
#pragma once

#include "thermo/pure/activity_kernels.hpp"
#include "thermo/pure/bwr_eos.hpp"
#include "thermo/pure/correlation_residual.hpp"
#include "thermo/pure/correlations.hpp"
#include "thermo/pure/corresponding_states.hpp"
#include "thermo/pure/cubic_eos.hpp"
#include "thermo/pure/cubic_terms.hpp"
#include "thermo/pure/hard_chain.hpp"
#include "thermo/pure/liquid_density.hpp"
#include "thermo/pure/method_coefficient_blocks.hpp"
#include "thermo/pure/vapour_methods.hpp"
#include "thermo/pure/water.hpp"
