// The tests and bound keepers of the general flash's outer iteration: HSPTST, SSPTST,
// VARLIM, TPCLMP and FLSDBG.
#include <cmath>
#include <cstdint>

#include "flash/flash_state.hpp"
#include "flash/flashed_totals.hpp"
#include "flash/general_flash.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace flash {
namespace {

namespace h = totals;

constexpr double kTemperatureLow = 1.0;       // K
constexpr double kTemperatureHigh = 3000.0;   // K
constexpr double kPressureLow = 1e-4;         // kPa
constexpr double kPressureHigh = 1e10;        // kPa
constexpr double kEnthalpyScaleSpan = 50.0;   // K: the scale of a relative enthalpy tolerance

double header(std::int32_t k) { return problem::MainRecord(problem::SRPSET.set2).real(k); }

// The tolerance of a test: SPTOL when set, else GTOL (doubled when TWOPHASE).
double chosenTolerance(double sptol, double gtol, bool twoPhase) {
  if (services::RELCMP(sptol, 0.0) != 0) return sptol;
  return twoPhase ? 2.0 * gtol : gtol;
}

void compare(std::int32_t& notcnv, double error, double tolerance, double scale, double& sptol) {
  if (tolerance > 0.0) tolerance *= scale;
  sptol = tolerance;
  // A residual that is not a number is never met.
  notcnv = std::abs(error) <= std::abs(tolerance) ? 0 : 1;
}

}  // namespace

void HSPTST(std::int32_t& notcnv, double& spcalc, double spvalu, double& error, double gtol,
            double& sptol, std::int32_t isave1) {
  notcnv = 0;
  const double liquid = header(h::kLiquidFraction) + header(h::kWaterFraction);
  double cp = header(h::kWaterHeatCapacity);
  if (header(h::kVapourFraction) > 0.0) {
    cp = header(h::kVapourHeatCapacity);
  } else if (header(h::kLiquidFraction) > 0.0) {
    cp = header(h::kLiquidHeatCapacity);
  }
  const double scale = isave1 < 1 ? std::max(kEnthalpyScaleSpan * cp, std::abs(spvalu))
                                  : std::abs(spvalu);
  const double tolerance = chosenTolerance(sptol, gtol, liquid > 0.0 && liquid < 1.0);
  spcalc = header(h::kEnthalpy);
  if (isave1 > 0) {
    spcalc = header(h::kSecondSolidEnthalpy) * header(h::kSecondSolidRate) +
             header(h::kRate) * header(h::kEnthalpy);
  }
  error = spcalc - spvalu;
  compare(notcnv, error, tolerance, scale, sptol);
}

void SSPTST(std::int32_t& notcnv, double& spcalc, double spvalu, double& error, double gtol,
            double& sptol) {
  notcnv = 0;
  const double liquid = header(h::kLiquidFraction) + header(h::kWaterFraction);
  const double tolerance = chosenTolerance(sptol, gtol, liquid > 0.0 && liquid < 1.0);
  spcalc = header(h::kEntropy);
  error = spcalc - spvalu;
  compare(notcnv, error, tolerance, spvalu, sptol);
}

double VARLIM(std::int32_t itpfix, double t, double p, double xold, std::int32_t& count) {
  const bool temperature = itpfix == 1;
  const double value = temperature ? t : p;
  const double low = temperature ? kTemperatureLow : kPressureLow;
  const double high = temperature ? kTemperatureHigh : kPressureHigh;
  if (value < low) {
    ++count;
    return (xold + low) * 0.5;
  }
  if (value > high) {
    ++count;
    return (xold + high) * 0.5;
  }
  return value;
}

bool TPCLMP(std::int32_t mode, double& t, double& p) {
  bool moved = false;
  auto clamp = [&moved](double& v, double low, double high) {
    if (v < low) {
      v = low;
      moved = true;
    } else if (v > high) {
      v = high;
      moved = true;
    }
  };
  if (mode <= 1) clamp(t, kTemperatureLow, kTemperatureHigh);
  if (mode != 1) clamp(p, kPressureLow, kPressureHigh);
  return moved;
}

void FLSDBG(std::int64_t& value) { value = flashCalls.NNFLSG; }

}  // namespace flash
