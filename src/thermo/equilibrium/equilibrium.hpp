// Activity coefficients and K-values: the vapour-pressure cache with the simple K-value
// kernels, vapour fugacity coefficients, the activity-coefficient dispatcher, Henry, water,
// sour-water and correlation K-values with the sour-water equilibrium model, and the
// correlation-family enthalpy terms.
#pragma once

#include "thermo/equilibrium/activity_dispatcher.hpp"
#include "thermo/equilibrium/correlation_enthalpy.hpp"
#include "thermo/equilibrium/correlation_kvalues.hpp"
#include "thermo/equilibrium/henry_kvalues.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/equilibrium/kvalues.hpp"
#include "thermo/equilibrium/liquid_fugacity.hpp"
#include "thermo/equilibrium/liquid_liquid.hpp"
#include "thermo/equilibrium/slots.hpp"
#include "thermo/equilibrium/sour_water_equilibrium.hpp"
#include "thermo/equilibrium/sour_water_kvalues.hpp"
#include "thermo/equilibrium/vapour_fugacity.hpp"
#include "thermo/equilibrium/water_kvalues.hpp"
#include "thermo/equilibrium/weak_electrolytes.hpp"
