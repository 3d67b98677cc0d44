// The start values that every problem open gives the shared areas, and the reset of the
// accumulators of a stream before its flash.
#include <cstdint>
#include <span>

#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {

using services::NODISK;

void PRBINI() {
  // 1. The BP words of the database globals, before the table is read.
  BpValues& bp = DBGLOB.bpvals;
  static constexpr std::int32_t kBpStart[] = {1, 3, 1, 0, 2, 2, NODISK};
  for (std::size_t k = 1; k <= 7; ++k) bp.integers(k) = kBpStart[k - 1];
  bp.reals(2) = 98.0;
  bp.reals(1) = 1.0;
  // 3. No correlation set.
  XPSETL.reset();
  // 4. The report option.
  services::RPTOPT = services::ReportOptions{};
  services::RPTOPT.option = -1;
  // 5. The timing statistics and the run's time and date texts.
  services::TIMST1 = services::TimingStatistics{};
  services::TIMST2 = services::TimingStatistics{};
  services::runClock().runTime.assign(" ");
  services::runClock().runDate.assign(" ");
  // 7. Every diagnostic switch off until table GDP is read.
  for (std::size_t k = 101; k <= 200; ++k) services::GDPOPT.words(k) = 0;
  // 8. No unit type or identifier known.
  unitTypeCache().types.fill(0);
  clearUnitIdentifiers();
  // 6, 10, 11 and 16: the work area of the stream-property evaluation, the special-property
  // store pointers (INITBL), the special-property requests (ZERCOM) and the stored K-value
  // model switches (ZERCO2) belong to the layers above; each is cleared by the reset its
  // owner registers, which the open runs (services::resetKeptValues).
  // 17. The stream-property evaluation restores the caller's method set.
  GPRTAB.methodSetRestore = 1;
}

void SLTRST() {
  // The records whose accumulators a stream flash starts from zero: by type, the starts of
  // their real sectors and the words cleared in each.
  constexpr std::int32_t kLoad = 1;
  constexpr std::int32_t kWrite = 2;
  constexpr std::int32_t kSlot = 1;
  const auto reset = [](std::int32_t type, std::span<const std::int32_t> sectors,
                        std::int32_t words) {
    std::int32_t status = 0;
    SRPAGE(kLoad, type, kSlot, status);
    if (status != 0) return;
    for (const std::int32_t start : sectors) {
      for (std::int32_t w = 1; w <= words; ++w) storage::CORSTO.setReal(start + w, 0.0);
    }
    SRPAGE(kWrite, type, kSlot, status);
  };
  const StreamLayoutWords& layout = SRLAYT;
  // Each list is read after its record is paged in, which publishes its starts.
  reset(7, std::span(layout.type7Reals.values), 4);
  reset(6, std::span(layout.type6Reals.values), 4);
  reset(28, std::span(layout.type28Reals.values).first(1), 4);
  reset(29, std::span(&layout.type29Real, 1), 1);
}

}  // namespace problem
