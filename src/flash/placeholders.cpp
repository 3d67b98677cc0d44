// The flash algorithms that are not built yet, and the algorithm seam. Each placeholder
// reports failure, so that the router falls back on FLASHT.
#include <cstdint>
#include <span>

#include "flash/algorithms.hpp"

namespace flash {
namespace {

FlashAlgorithms current;

}  // namespace


void FLAS3P(IsothermalFlash& a, const ThreePhaseWork&, std::int32_t&) { a.IFFAIL = kFlashFailed; }

void FLS3W1(IsothermalFlash& a, const FreeWaterWork&, std::int32_t&) { a.IFFAIL = kFlashFailed; }

void FLASGB(IsothermalFlash& a) { a.IFFAIL = kFlashFailed; }

const FlashAlgorithms& flashAlgorithms() { return current; }

ScopedFlashAlgorithms::ScopedFlashAlgorithms(const FlashAlgorithms& replacement)
    : previous_(current) {
  current = replacement;
}
ScopedFlashAlgorithms::~ScopedFlashAlgorithms() { current = previous_; }

}  // namespace flash
