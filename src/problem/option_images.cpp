// The images of the option tables, zero until a problem database is read, and the run's
// unit words.
#include "problem/problem.hpp"

namespace problem {

ControlOptions GCLTAB;
DatabaseOptions GDBTAB;
PropertyOptions GPRTAB;
TitleOptions GTITAB;
ToleranceOptions GTOTAB;

}  // namespace problem
