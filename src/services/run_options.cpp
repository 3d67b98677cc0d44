// The run's options: their start values until the problem open sets them.
#include "services/run_options.hpp"

namespace services {

RunUnits IOUNIT;
ProblemUnits DBUNIT;
ReportOptions RPTOPT;
BasisOptions GSCTAB;
DiagnosticOptions GDPOPT;

}  // namespace services
