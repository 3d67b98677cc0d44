// MTHDSP: the residual enthalpy of the correlation-family methods from the generalized
// enthalpy-departure tables.
#include "thermo/pure/correlation_residual.hpp"

#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/pure/departure_tables.hpp"
#include "thermo/pure/pure.hpp"

namespace pure {
namespace {

using departure_tables::SubTable;
using departure_tables::subTable;

// Sub-tables of the simple fluid (ln S) and of the acentric deviation (A).
constexpr std::size_t kSimpleHigh = 1;       // Tr >= 1.4
constexpr std::size_t kSimpleMiddle = 2;     // 0.9 <= Tr < 1.4
constexpr std::size_t kSimpleLow = 3;        // Tr < 0.9
constexpr std::size_t kSimpleVapour = 4;     // vapour, Tr < 1 and Pr < 1
constexpr std::size_t kDeviationHigh = 5;    // Tr >= 1.25, Pr <= 2
constexpr std::size_t kDeviationMiddle = 6;  // 0.9 <= Tr < 1.25, Pr <= 2
constexpr std::size_t kDeviationDense = 7;   // Tr >= 0.9, Pr > 2
constexpr std::size_t kDeviationLow = 8;     // Tr < 0.9
constexpr std::size_t kDeviationVapour = 9;  // vapour, Tr < 1 and Pr < 1

// Boundaries of the sub-tables.
constexpr double kSimpleHighTr = 1.4;
constexpr double kLowTr = 0.9;
constexpr double kDeviationHighTr = 1.25;
constexpr double kDensePr = 2.0;

// The columns each code reads.
constexpr std::size_t kColumnsOfAverages = 3;
constexpr std::size_t kColumnsOfCubeRules = 5;
constexpr std::size_t kColumnsOfVolumeRule = 6;

// The column K (1-based) of the block.
std::span<const double> column(std::span<const double> block, std::size_t n, std::size_t k) {
  return block.subspan((k - 1) * n, n);
}

[[noreturn]] void undefinedCode(std::int32_t code) {
  services::ERRITM("CODE", code);
  services::ABTRPT("PH", "MTHDSP", "MTHDSP", "RESIDUAL METHOD CODE UNDEFINED");
}

void requireWords(std::size_t have, std::size_t need) {
  if (have >= need) return;
  services::ERRITM("NEED", static_cast<std::int32_t>(need));
  services::ERRITM("HAVE", static_cast<std::int32_t>(have));
  services::ABTRPT("PH", "MTHDSP", "MTHDSP", "CORRELATION BLOCK TOO SHORT");
}

// The columns CODE reads.
std::size_t columnsOf(std::int32_t code) {
  switch (static_cast<CorrelationFamilyCode>(code)) {
    case CorrelationFamilyCode::Kay:
    case CorrelationFamilyCode::SquareRoot:
      return kColumnsOfAverages;
    case CorrelationFamilyCode::CubeCombining:
    case CorrelationFamilyCode::LeeKesler:
      return kColumnsOfCubeRules;
    case CorrelationFamilyCode::CriticalVolume:
      return kColumnsOfVolumeRule;
  }
  undefinedCode(code);
}

// The value of a sub-table at (Tr, pressure coordinate) and its slope in Tr.
struct Lookup {
  double value = 0.0;
  double slope = 0.0;
};
Lookup lookUp(std::size_t k, double tr, double pressure, std::int32_t& status) {
  const SubTable s = subTable(k);
  Lookup r;
  double pressureSlope = 0.0;
  pure::TBLSRC(pressureSlope, r.slope, r.value, status, s.rows, s.columns, s.values, pressure,
               s.pressures, tr, s.temperatures);
  return r;
}

}  // namespace

void MTHDSP(std::int32_t phase, std::int32_t n, std::int32_t code, std::span<const double> block,
            std::span<const double> x, double t, double p, double& omega, double& pr, double& tr,
            double& residual, double& d, std::int32_t& status) {
  const auto count = static_cast<std::size_t>(n > 0 ? n : 0);
  const std::size_t columns = columnsOf(code);
  requireWords(block.size(), columns * count);
  requireWords(x.size(), count);

  // 1. The molar-average acentric factor.
  omega = 0.0;
  const std::span<const double> acentric = column(block, count, 3);
  for (std::size_t i = 0; i < count; ++i) omega += x[i] * acentric[i];

  // 2. The pseudo-critical temperature and pressure by the code's rule.
  const std::span<const double> tc = column(block, count, 1);
  const std::span<const double> pc = column(block, count, 2);
  double tcm = 0.0;
  double pcm = 0.0;
  double scratch = 0.0;
  switch (static_cast<CorrelationFamilyCode>(code)) {
    case CorrelationFamilyCode::Kay:
      pure::XDOT2(n, pc, pcm, tc, tcm, x);
      break;
    case CorrelationFamilyCode::CriticalVolume:
      pure::PCMIX1(n, pc, pcm, p, tc, tcm, t, column(block, count, 4), column(block, count, 6),
                   scratch, x, column(block, count, 5));
      break;
    case CorrelationFamilyCode::SquareRoot:
      pure::PCMIX2(n, pc, pcm, tc, tcm, x);
      break;
    case CorrelationFamilyCode::CubeCombining:
      pure::PCMIX3(n, pc, pcm, column(block, count, 4), tc, tcm, scratch, column(block, count, 5),
                   x);
      break;
    case CorrelationFamilyCode::LeeKesler:
      pure::PCMXLK(n, omega, pcm, tc, tcm, column(block, count, 4), column(block, count, 5),
                   scratch, x);
      break;
  }

  // 3. The reduced state; without one (no positive pseudo-critical constant) no departure.
  if (!(tcm > 0.0) || !(pcm > 0.0) || !(t > 0.0) || !std::isfinite(tcm) || !std::isfinite(pcm)) {
    tr = 0.0;
    pr = 0.0;
    residual = 0.0;
    d = 0.0;
    status = 1;
    return;
  }
  tr = t / tcm;
  pr = p / pcm;

  // 4. The ideal gas.
  if (pr < kIdealReducedPressure) {
    residual = 0.0;
    return;
  }

  // 5. Below the critical point the phase asked for, else liquid-like.
  const std::int32_t flag = (tr < 1.0 && pr < 1.0) ? phase : kResidualLiquid;

  // 6. The simple fluid: L = ln S at (Tr, ln Pr).
  std::size_t simple = kSimpleLow;
  if (tr >= kSimpleHighTr) {
    simple = kSimpleHigh;
  } else if (flag == kResidualVapour) {
    simple = kSimpleVapour;
  } else if (tr >= kLowTr) {
    simple = kSimpleMiddle;
  }
  const Lookup l = lookUp(simple, tr, std::log(pr), status);

  // 7. The acentric deviation A at (Tr, Pr).
  std::size_t deviation = kDeviationHigh;
  if (flag == kResidualVapour) {
    deviation = kDeviationVapour;
  } else if (tr < kLowTr) {
    deviation = kDeviationLow;
  } else if (pr > kDensePr) {
    deviation = kDeviationDense;
  } else if (tr < kDeviationHighTr) {
    deviation = kDeviationMiddle;
  }
  // A gas below the first pressure of its deviation sub-table (the vapour's, or the one of
  // Tr 0.9 to 1.25 at or above Tr 1) takes A in proportion to Pr from that pressure, so that
  // the departure vanishes with the pressure as the ideal gas demands; the tables have no
  // column at Pr = 0 there.
  const double firstPressure = subTable(deviation).pressures[0];
  const bool gas = flag == kResidualVapour || tr >= 1.0;
  Lookup a;
  if (gas && pr < firstPressure) {
    a = lookUp(deviation, tr, firstPressure, status);
    a.value *= pr / firstPressure;
    a.slope *= pr / firstPressure;
  } else {
    a = lookUp(deviation, tr, pr, status);
  }

  // 8. residual = -(e^L + omega A)/Tr; D = -(L' e^L + omega A').
  const double s = std::exp(l.value);
  residual = -(s + omega * a.value) / tr;
  d = -(l.slope * s + omega * a.slope);
}

}  // namespace pure
