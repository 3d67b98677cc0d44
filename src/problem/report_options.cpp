// The report option of the page headers and the parameter record's titles: no titles until
// the parameter record is read.
#include "problem/problem.hpp"

namespace problem {

ReportOptions RPTOPT;

}  // namespace problem
