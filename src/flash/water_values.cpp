// Single-precision properties of pure water in unit set 5.
#include "flash/water_values.hpp"

#include <cstdint>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/pure/water.hpp"

namespace flash {

namespace {

// Unit sets: the engine's and the stream vectors'.
constexpr std::int32_t kEngineSet = 1;
constexpr std::int32_t kVectorSet = 5;

// Unit classes of the conversions.
constexpr std::int32_t kTemperatureClass = 1;
constexpr std::int32_t kPressureClass = 4;
constexpr std::int32_t kBasisClass = 7;
constexpr std::int32_t kVolumeClass16 = 16;
constexpr std::int32_t kVolumeClass17 = 17;
constexpr std::int32_t kEnthalpyClass = 28;
constexpr std::int32_t kEntropyClass = 29;

// The water routine's method: the steam tables for the volume, enthalpy and entropy, the
// correlations for the vapour pressure and the saturation temperature.
constexpr std::int32_t kSteamTables = 1;

// The set's second water-property option word (THCTL word 24), which lets the saturation
// temperature iterate.
std::int32_t correctionWord() { return problem::THCTL.waterPropertyMethod; }

// The multiplier of a conversion from the engine's set to set 5.
double factor(std::int32_t cls) {
  double a = 1.0;
  double b = 0.0;
  services::UOMFCT(cls, kEngineSet, kVectorSet, a, b);
  return a;
}

double toVectorSet(double value, std::int32_t cls) {
  return services::UOMCNV(value, cls, kEngineSet, kVectorSet);
}

}  // namespace

void VFWATR(std::int32_t iwopt, std::int32_t iphase, float t, float p, float& wval, float& wderiv) {
  // 1. T and P into the engine's units; option 6 is computed as option 1.
  const double tk = services::UOMCNV(t, kTemperatureClass, kVectorSet, kEngineSet);
  const double pk = services::UOMCNV(p, kPressureClass, kVectorSet, kEngineSet);
  const auto option = static_cast<WaterOption>(iwopt);
  const std::int32_t asked =
      option == WaterOption::VolumeClass16 ? static_cast<std::int32_t>(WaterOption::Volume) : iwopt;
  const bool steam = asked >= static_cast<std::int32_t>(WaterOption::Volume) &&
                     asked <= static_cast<std::int32_t>(WaterOption::Entropy);

  // 2.-3. The K-value state's pressure word cleared, then the water routine.
  double& pressureWord = problem::THCTL.partialPressure;
  pressureWord = 0.0;
  double v = 0.0;
  double d = 0.0;
  pure::WPROP(asked, steam ? kSteamTables : 0, tk, pk, v, d, iphase, correctionWord(), 0, 0,
              pressureWord);

  // 4. Into set 5: the derivative per set-5 temperature unit.
  double value = v;
  double derivative = d;
  switch (option) {
    case WaterOption::Volume:
      value = toVectorSet(v, kVolumeClass17) / factor(kBasisClass);
      derivative = toVectorSet(d, kVolumeClass17) / factor(kTemperatureClass);
      break;
    case WaterOption::Enthalpy:
      value = toVectorSet(v, kEnthalpyClass);
      derivative = toVectorSet(d, kEnthalpyClass) / factor(kTemperatureClass);
      break;
    case WaterOption::Entropy:
      value = toVectorSet(v, kEntropyClass);
      derivative = toVectorSet(d, kEntropyClass) / factor(kTemperatureClass);
      break;
    case WaterOption::VapourPressure:
      value = toVectorSet(v, kPressureClass);
      break;
    case WaterOption::Saturation:
      value = toVectorSet(v, kTemperatureClass);
      break;
    case WaterOption::VolumeClass16:
      value = toVectorSet(v, kVolumeClass16) / factor(kBasisClass);
      derivative = toVectorSet(d, kVolumeClass16) / factor(kTemperatureClass);
      break;
  }
  // 5. Single precision.
  wval = static_cast<float>(value);
  wderiv = static_cast<float>(derivative);
}

}  // namespace flash
