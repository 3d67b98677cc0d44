// Phase property evaluation: so far the interface of the user-added property methods.
#pragma once

#include "thermo/phase/user_methods.hpp"
