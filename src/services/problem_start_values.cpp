// The start values that every problem open gives the shared areas, and the empty hooks.
#include <cstdint>

#include "flash/flash.hpp"
#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace services {

void NOOP09() {}

void PRBINI() {
  // 1. The BP words of the database globals, before the table is read.
  problem::BpValues& bp = problem::DBGLOB.bpvals;
  static constexpr std::int32_t kBpStart[] = {1, 3, 1, 0, 2, 2, NODISK};
  for (std::size_t k = 1; k <= 7; ++k) bp.integers(k) = kBpStart[k - 1];
  bp.reals(2) = 98.0;
  bp.reals(1) = 1.0;
  // 3. No correlation set.
  problem::XPSETL.reset();
  // 4. The report option.
  problem::RPTOPT = problem::ReportOptions{};
  problem::RPTOPT.option = -1;
  // 5. The timing statistics and the run's time and date texts.
  TIMST1 = TimingStatistics{};
  TIMST2 = TimingStatistics{};
  runClock().runTime.assign(" ");
  runClock().runDate.assign(" ");
  // 7. Every diagnostic switch off until table GDP is read.
  for (std::size_t k = 101; k <= 200; ++k) problem::GDPOPT.words(k) = 0;
  // 8. No unit type or identifier known.
  unitTypeCache().types.fill(0);
  problem::clearUnitIdentifiers();
  // 12-13. The flash work arrays and note counters, the flash tolerances.
  flash::FLSWKA(static_cast<std::int32_t>(flash::WorkMode::Reset), 0);
  CONINI();
  // 15. The exchange words that stay missing until a flash sets them.
  flash::THDXCH.missingWords.fill(IMISS);
}

}  // namespace services
