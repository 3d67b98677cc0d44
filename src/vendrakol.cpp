// libvendrakol.so: the subsystem archives are linked in whole; the exported entry points
// are declared in include/vendrakol.h and defined by the interface subsystems.
#include "vendrakol.h"
