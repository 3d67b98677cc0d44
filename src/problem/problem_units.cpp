// The unit words of the open problem: no units until the open sets them.
#include "problem/problem.hpp"

namespace problem {

ProblemUnits DBUNIT;

}  // namespace problem
