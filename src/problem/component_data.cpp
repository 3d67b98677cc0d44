// The component data areas and the correlation-set list, at their start values until the
// problem open reads them.
#include "problem/component_data.hpp"

namespace problem {

ComponentHeader COHDR;
ComponentPointers COPTRS;
CorrelationSetList XPSETL;

}  // namespace problem
