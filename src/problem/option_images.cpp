// The images of the option tables, zero until a problem database is read, and the run's
// unit words.
#include "problem/problem.hpp"

namespace problem {

ControlOptions GCLTAB;
BasisOptions GSCTAB;
DiagnosticOptions GDPOPT;
DatabaseOptions GDBTAB;
PropertyOptions GPRTAB;
TitleOptions GTITAB;
ToleranceOptions GTOTAB;
RunUnits IOUNIT;

}  // namespace problem
