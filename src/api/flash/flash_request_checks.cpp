// The checks of a host's flash request before and after the flash.
#include "api/flash/flash_request_checks.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "api/flash/stream_vector.hpp"
#include "services/services.hpp"

namespace api_flash {
namespace {

using services::UOMCNV;
using namespace strvec;

constexpr double kHostScale = 1000.0;        // host pressure and entropy are 1000 x their set
constexpr double kMolarEnthalpyScale = 1e6;  // the enthalpy word is the set-5 value over this

// The general flash tolerance (FLTOL word 3), relative; the check allows ten times it, so
// that the single-precision vectors and the entropy re-flash of each phase fit inside.
constexpr std::size_t kGeneralTolerance = 3;
constexpr double kToleranceFactor = 10.0;
// The smallest scale of an enthalpy test: the enthalpy of 50 K of an ideal gas's heat
// capacity R (8.314 kJ/(kmol K)), as the flash scales its own test by 50 K of heat capacity;
// of an entropy test, R itself. Set 1 units (kJ/kmol, kJ/(kmol K)).
constexpr double kGasConstant = 8.314;
constexpr double kEnthalpyFloor = 50.0 * kGasConstant;
constexpr double kEntropyFloor = kGasConstant;

enum Reads : unsigned {
  kTemp = 1U,
  kPres = 2U,
  kEnth = 4U,
  kEntr = 8U,
  kFraction = 16U,
};

// What each flash type 1-12 reads besides the composition.
constexpr unsigned kReads[] = {kTemp | kPres, kTemp | kEnth, kPres | kEnth, kTemp,
                               kPres,         kTemp,         kPres,         kTemp | kEntr,
                               kPres | kEntr, kTemp,         kPres,         kPres | kFraction};

bool within(double v, double low, double high) { return v >= low && v <= high; }

// A value that fits a single-precision word of the stream vector once converted.
bool fitsVector(double v) {
  return std::isfinite(v) && std::abs(v) <= std::numeric_limits<float>::max();
}

bool enthalpyUsable(double h) {
  return std::isfinite(h) &&
         fitsVector(UOMCNV(h, kMolarEnthalpyClass, kHostSet, kVectorSet) / kMolarEnthalpyScale);
}

// The weighted sum of three phase values against the request, both in the outputs' units.
bool sums(double request, double floor, const FlashResults& out, double v, double l, double w) {
  const double sum = out.fracv * v + out.fracl * l + out.fracw * w;
  const double scale = std::max({std::abs(request), std::abs(v), std::abs(l), std::abs(w), floor});
  const double tolerance = kToleranceFactor * services::FLTOL(kGeneralTolerance) * scale;
  return std::abs(sum - request) <= tolerance;
}

}  // namespace

bool flashInputsUsable(const FlashRequest& in) {
  if (in.iftype < 1 || in.iftype > kVapourFractionFlash) return false;
  const unsigned reads = kReads[in.iftype - 1];
  if ((reads & kTemp) != 0U) {
    if (!std::isfinite(in.tempin)) return false;
    const double t = UOMCNV(in.tempin, kTemperatureClass, kHostSet, kInternalSet);
    if (!within(t, kLowestTemperature, kHighestTemperature)) return false;
  }
  if ((reads & kPres) != 0U) {
    if (!std::isfinite(in.presin)) return false;
    const double p = UOMCNV(in.presin / kHostScale, kPressureClass, kHostSet, kInternalSet);
    if (!within(p, kLowestPressure, kHighestPressure)) return false;
  }
  if ((reads & kEnth) != 0U && !enthalpyUsable(in.enthin)) return false;
  if ((reads & kEntr) != 0U &&
      !fitsVector(UOMCNV(in.entrin / kHostScale, kMolarEntropyClass, kHostSet, kVectorSet))) {
    return false;
  }
  if ((reads & kFraction) != 0U) {
    if (!within(in.vfrac, 0.0, 1.0) || !within(in.tol, 0.0, 1.0)) return false;
    if (in.iesti != 0 && (!enthalpyUsable(in.hmin) || !enthalpyUsable(in.hmax))) return false;
  }
  return true;
}

bool answersTheRequest(const FlashRequest& in, const FlashResults& out) {
  const unsigned reads =
      in.iftype >= 1 && in.iftype <= kVapourFractionFlash ? kReads[in.iftype - 1] : 0U;
  if ((reads & kEnth) != 0U) {
    // The outputs are 1000 times set 1; ENTHIN converts to the same.
    const double request = UOMCNV(in.enthin, kMolarEnthalpyClass, kHostSet, kInternalSet);
    return sums(request, kEnthalpyFloor * kHostScale, out, out.enthv, out.enthl, out.enthw);
  }
  if ((reads & kEntr) != 0U) {
    const double request =
        UOMCNV(in.entrin / kHostScale, kMolarEntropyClass, kHostSet, kInternalSet) * kHostScale;
    return sums(request, kEntropyFloor * kHostScale, out, out.entrv, out.entrl, out.entrw);
  }
  return true;
}

}  // namespace api_flash
