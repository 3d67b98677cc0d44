// The images of the option tables, zero until a problem database is read.
#include "problem/problem.hpp"

namespace problem {

ControlOptions GCLTAB;
DiagnosticOptions GDPOPT;

}  // namespace problem
