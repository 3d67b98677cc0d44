// The shared areas of the current method set and of the flash exchange words, and their
// start values at each problem open.
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace methods {

MethodSetPointers MSPTRS;
KValueMethods KMCTL;
PropertyMethods1 PMCTL1;
PropertyMethods2 PMCTL2;
PropertyMethods3 PMCTL3;
PropertyMethods4 PMCTL4;
LoadedBlock LDSTAT;
FlashExchange FLCTL2;
ThermoExchange THDXCH;
StreamFlashControl streamFlashControl;


namespace {

// At each problem open: the flash tolerances and their exchange words, the exchange words
// that stay missing until a flash sets them, and no parameter block held, the loaders
// keeping their blocks and derived arrays in the open's real work areas 4 and 5.
void startAreas() {
  CONINI();
  THDXCH.missingWords.fill(services::IMISS);
  LDSTAT = LoadedBlock{};
  LDSTAT.blockArea = problem::MDLBAS.realBase(problem::kBlockArea);
  LDSTAT.blockAreaReals = problem::MDLBAS.realSize(problem::kBlockArea);
  LDSTAT.workArea = problem::MDLBAS.realBase(problem::kMethodWorkArea);
  LDSTAT.workAreaReals = problem::MDLBAS.realSize(problem::kMethodWorkArea);
  LDSTAT.address = 0;
  LDSTAT.length = 0;
}

const bool kStartsAtOpen = services::registerKeptValues(&startAreas);

}  // namespace

}  // namespace methods
