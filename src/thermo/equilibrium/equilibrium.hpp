// Activity coefficients and K-values: so far the vapour-pressure cache with the simple K-value
// kernels, and the sour-water equilibrium model.
#pragma once

#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/equilibrium/sour_water_equilibrium.hpp"
