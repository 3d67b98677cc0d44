// The shared flash state words, the call counters and the K-value seam of the flashes.
#include "flash/flash_state.hpp"

#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"

namespace flash {

FlashState FLSTAT;
FlashCallCounters flashCalls;

namespace {

KValueRoutine currentRoutine = &equilibrium::KCALC;
std::int64_t calls = 0;

// Word offsets of the stored-estimate block.
constexpr std::int32_t kTemperatureWord = 1;
constexpr std::int32_t kPressureWord = 4;
constexpr std::int32_t kFirstFractionWord = 7;
constexpr std::int32_t kFirstKValueWord = 11;

void startAtOpen() {
  FLSTAT.words.fill(0);
  flashCalls = {};
  calls = 0;
}

const bool kStartsAtOpen = services::registerKeptValues(&startAtOpen);

}  // namespace

double& MPFRC1() { return equilibrium::liquidSplitState.theta; }
double& MPFRC2() { return equilibrium::liquidSplitState.thetaRest; }

void storeEstimate(double t, double p, double fliqhc, double fwater, double ftotlq, double fvapor,
                   std::span<const double> k) {
  const std::int32_t at = FLSTAT.IKVPNT();
  if (at <= 0) return;
  auto& store = storage::CORSTO;
  store.setReal(at + kTemperatureWord, t);
  store.setReal(at + kPressureWord, p);
  const double fractions[] = {fliqhc, fwater, ftotlq, fvapor};
  for (std::int32_t j = 0; j < 4; ++j) store.setReal(at + kFirstFractionWord + j, fractions[j]);
  for (std::size_t i = 0; i < k.size(); ++i) {
    store.setReal(at + kFirstKValueWord + static_cast<std::int32_t>(i), k[i]);
  }
}

void flashKValues(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
                  std::span<const double> x, std::span<double> k, double t, double p, double& zv,
                  double& zl, std::int32_t& kccall, std::int32_t kcdrv, std::int32_t kcopt,
                  std::int32_t& ierr, std::int32_t reserved, std::int32_t& ifugst) {
  ++calls;
  currentRoutine(nck, ncomp, y, x, k, t, p, zv, zl, kccall, kcdrv, kcopt, ierr, reserved, ifugst);
}

std::int64_t kvalueCalls() { return calls; }

ScopedKValueRoutine::ScopedKValueRoutine(KValueRoutine routine) : previous_(currentRoutine) {
  currentRoutine = routine;
}
ScopedKValueRoutine::~ScopedKValueRoutine() { currentRoutine = previous_; }

}  // namespace flash
