// The dry and wet volume flows of a stream vector taken whole as a vapour or a liquid.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "api/flash/stream_vector.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/phase/density_drivers.hpp"

namespace api_flash {
namespace {

namespace m = problem::srmain;
using services::UOMCNV;
using namespace strvec;

constexpr std::int32_t kVapour = 1;
constexpr std::int32_t kLiquid = 2;
constexpr std::int32_t kVapourVolumeClass = 17;
constexpr std::int32_t kLiquidVolumeClass = 16;
constexpr std::int32_t kTemporaryKind = 3;
constexpr std::string_view kBlankName = "            ";
constexpr std::int32_t kPlainMode = 0;

constexpr std::int32_t code(VolumeFlowStatus s) { return static_cast<std::int32_t>(s); }

}  // namespace

void VPASSM(std::int32_t iphase, std::span<const float> words, float& dry, float& wet,
            std::int32_t& ierr) {
  // 1. The phase.
  dry = 0.0F;
  wet = 0.0F;
  if (iphase != kVapour && iphase != kLiquid) {
    ierr = code(VolumeFlowStatus::BadPhase);
    return;
  }
  ierr = code(VolumeFlowStatus::Ok);
  const auto nc = static_cast<std::size_t>(streamVectorComponents());
  const StreamVector vec(std::span<float>(const_cast<float*>(words.data()), words.size()));
  if (words.size() < kHeaderWords + nc || !(vec(kRate) > 0.0F)) {
    // Nothing to take as a phase: no flow.
    if (!(words.size() >= kHeaderWords + nc && vec(kRate) == 0.0F)) {
      ierr = code(VolumeFlowStatus::DensityFailed);
    }
    return;
  }

  // 2. A temporary stream at the vector's state, in set 1.
  const std::int32_t caller = problem::SRPSET.set2.stream;
  std::int32_t n = 0, istat = 0;
  problem::SRCREA(kTemporaryKind, kBlankName, n, istat);
  problem::MainRecord r(problem::SRPSET.set2);
  const double rate = UOMCNV(vec(kRate), kRateClass, kVectorSet, kInternalSet);
  r.setReal(m::kRate, rate);
  r.setReal(m::kTemperature, UOMCNV(vec(kTemperature), kTemperatureClass, kVectorSet, kInternalSet));
  r.setReal(m::kPressure, UOMCNV(vec(kPressure), kPressureClass, kVectorSet, kInternalSet));
  const auto fraction = [&](std::size_t i) {
    return static_cast<double>(vec.amount(i)) / static_cast<double>(vec(kRate));
  };
  double d1 = 0.0, d2 = 0.0, f = 0.0;
  std::int32_t status = 0;
  std::int32_t volumeClass = kVapourVolumeClass;
  if (iphase == kVapour) {
    // 3. The whole vector as vapour.
    for (std::size_t i = 1; i <= nc; ++i) {
      const auto c = static_cast<std::int32_t>(i);
      r.setVector(m::kOverall, c, fraction(i));
      r.setVector(m::kVapour, c, fraction(i));
      r.setVector(m::kLiquid, c, 0.0);
    }
    r.setReal(m::kWaterFraction, 0.0);
    r.setReal(m::kVapourFraction, 1.0);
    r.setReal(m::kLiquidFraction, 0.0);
    double fvap = 0.0;
    phase::DVAPDR(n, d1, d2, f, fvap, status);
  } else {
    // 4. The whole vector as liquid, its free water set apart when the set decants water.
    volumeClass = kLiquidVolumeClass;
    for (std::size_t i = 1; i <= nc; ++i) {
      const auto c = static_cast<std::int32_t>(i);
      r.setVector(m::kOverall, c, fraction(i));
      r.setVector(m::kLiquid, c, fraction(i));
      r.setVector(m::kVapour, c, 0.0);
    }
    const std::int32_t w = problem::THCTL.idecnt;
    if (w >= 1 && static_cast<std::size_t>(w) <= nc) {
      const double freeWater = vec(kWaterFraction);
      const double lf = 1.0 - freeWater;
      r.setReal(m::kWaterFraction, freeWater);
      r.setReal(m::kLiquidFraction, lf);
      if (lf > 0.0) {
        r.setVector(m::kLiquid, w, fraction(static_cast<std::size_t>(w)) - freeWater);
        for (std::size_t i = 1; i <= nc; ++i) {
          const auto c = static_cast<std::int32_t>(i);
          r.setVector(m::kLiquid, c, r.vector(m::kLiquid, c) / lf);
        }
      }
    } else {
      r.setReal(m::kWaterFraction, 0.0);
      r.setReal(m::kLiquidFraction, 1.0);
    }
    r.setReal(m::kVapourFraction, 0.0);
    double rhohw = 0.0, fl = 0.0, fhc = 0.0;
    phase::DLIQDR(n, d1, d2, rhohw, f, fl, fhc, status);
  }

  // 5. The flows; a failed driver or a density that is not positive is reported, not divided by.
  if (status >= 1 || !(d2 > 0.0)) {
    ierr = code(VolumeFlowStatus::DensityFailed);
  } else {
    wet = static_cast<float>(UOMCNV(rate / d2, volumeClass, kInternalSet, kVectorSet));
    if (d1 > 0.0) {
      dry = static_cast<float>(UOMCNV(f * rate / d1, volumeClass, kInternalSet, kVectorSet));
    }
    // A flow that is no finite number, or negative, is no flow.
    if (!std::isfinite(wet) || !std::isfinite(dry) || wet < 0.0F || dry < 0.0F) {
      wet = 0.0F;
      dry = 0.0F;
      ierr = code(VolumeFlowStatus::DensityFailed);
    }
  }

  // 6. The temporary stream goes; the caller's stream is current again.
  problem::SRKILL(n);
  problem::SRPSET.set2.stream = 0;
  if (caller > 0) problem::SRSET(caller, kPlainMode);
}

}  // namespace api_flash
