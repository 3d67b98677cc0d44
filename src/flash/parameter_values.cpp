// The thermodynamic parameter values of the cubic equations of state.
#include "flash/parameter_values.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace flash {

namespace {

namespace req = parameterrequest;
using services::DMISS;

// K-value methods whose block PARVAL reads.
constexpr std::int32_t kSoaveRedlichKwong = 101;
constexpr std::int32_t kPengRobinson = 102;
constexpr std::int32_t kShiftedCubic = 124;

// The gas constant the stored covolumes are divided by, and Omega_b of the two equations:
// G. Soave, Chem. Eng. Sci. 27 (1972) 1197 (0.08664); D.-Y. Peng and D. B. Robinson, Ind.
// Eng. Chem. Fundam. 15 (1976) 59 (0.0778).
constexpr double kBlockGasConstant = 8.31441;
constexpr double kOmegaBSoave = 0.08664;
constexpr double kOmegaBPengRobinson = 0.0778;

// Soave's slope m = 0.48 + 1.574 w - 0.176 w^2 (same source).
constexpr double kSoaveM0 = 0.48;
constexpr double kSoaveM1 = 1.574;
constexpr double kSoaveM2 = -0.176;
// The Peng-Robinson slope (same source) and its heavy-component form from w = 0.39849 on
// (D. B. Robinson and D.-Y. Peng, GPA Research Report RR-28, 1978).
constexpr double kPrM0 = 0.37464;
constexpr double kPrM1 = 1.54226;
constexpr double kPrM2 = -0.26992;
constexpr double kHeavyFrom = 0.39849;
constexpr double kHeavyKappaFrom = 0.946354;  // the quadratic form at w = 0.39849
constexpr double kHeavyM0 = 0.379642;
constexpr double kHeavyM1 = 1.48503;
constexpr double kHeavyM2 = -0.164423;
constexpr double kHeavyM3 = 0.016666;
// A root of the inverse below this acentric factor is taken as spurious.
constexpr double kLowestOmega = -0.2;

// The alpha form of a component that carries Soave's slope (integer sector 1 word i).
constexpr std::int32_t kSoaveAlphaForm = 1;

// The acentric factor of a quadratic slope m = m0 + m1 w + m2 w^2: the smaller root, or the
// larger when the smaller lies below -0.2.
double invertQuadratic(double m0, double m1, double m2, double m) {
  const double d = m1 * m1 - 4.0 * m2 * (m0 - m);
  const double s = d > 0.0 ? std::sqrt(d) : 0.0;
  const double r1 = (-m1 - s) / (2.0 * m2);
  const double r2 = (s - m1) / (2.0 * m2);
  const double smaller = std::min(r1, r2);
  return smaller < kLowestOmega ? std::max(r1, r2) : smaller;
}

// Position (1-based) of the pair (i, j), i > j, in a strict lower triangle.
std::int32_t pairOffset(std::int32_t i, std::int32_t j) { return (i - 1) * (i - 2) / 2 + j; }

// The value word of the block's first 8-byte sector that KIND reads for component I (and
// J), for a block of N components; nothing when the code does not carry the kind.
std::optional<std::int32_t> blockWord(std::int32_t code, std::int32_t kind, std::int32_t n,
                                      std::int32_t i, std::int32_t j) {
  const std::int32_t m = std::max(1, 3 * n * (n - 1) / 2);
  const std::int32_t pairs = std::max(1, n * (n - 1) / 2);
  const bool shifted = code == kShiftedCubic;
  switch (static_cast<ParameterKind>(kind)) {
    case ParameterKind::CriticalTemperature:
      return 5 * n + i + 2;
    case ParameterKind::CriticalPressure:
      if (shifted) return 7 * n + m + i + 2;
      return std::nullopt;  // formed from Tc and the covolume
    case ParameterKind::AcentricFactor:
      if (shifted) return 8 * n + m + i + 2;
      return std::nullopt;  // formed from the slope
    case ParameterKind::Interaction:
      return 6 * n + pairOffset(i, j) + 2;
    case ParameterKind::SecondInteraction:
      return 6 * n + pairs + pairOffset(i, j) + 2;
    default:
      break;
  }
  if (shifted && kind >= static_cast<std::int32_t>(ParameterKind::ShiftedCubic9)) {
    if (kind < static_cast<std::int32_t>(ParameterKind::ShiftedCubic12)) {
      return kind * n + m + i + 2;
    }
    if (kind == static_cast<std::int32_t>(ParameterKind::ShiftedCubic12)) return 12 * n + m + 3;
  }
  return std::nullopt;
}

// The first value of the current specification record, or DMISS when none is current.
double specificationValue() {
  const problem::SpecificationContext& spec = problem::SPCUR;
  if (spec.item == 0 || spec.realSector == services::NOCORE) return DMISS;
  return storage::CORSTO.real(spec.realSector + 1);
}

// The acentric factor of component I of the component table.
double tableAcentricFactor(std::int32_t i) {
  const std::int32_t start = problem::COPTRS.realSector(problem::ComponentReal::AcentricFactor);
  if (start == services::NOCORE) return DMISS;
  return storage::CORSTO.real(start + i);
}

}  // namespace

void PARVAL(std::span<const std::int32_t> rec, double& value, std::int32_t& d3, std::int32_t& d4,
            std::int32_t& d5, std::int32_t& ndig) {
  // 1. Start value and the components.
  value = DMISS;
  d3 = d4 = d5 = 0;
  ndig = 0;
  if (rec.size() < req::kKind) return;
  const std::int32_t kind = rec[req::kKind - 1];
  const std::int32_t components = rec[req::kComponents - 1];
  std::int32_t i = components / req::kComponentScale;
  std::int32_t j = 0;
  if (kind >= static_cast<std::int32_t>(ParameterKind::Interaction) &&
      kind <= static_cast<std::int32_t>(ParameterKind::SpecificationValue8)) {
    j = components % req::kComponentScale;
  }

  // 2. The request's set, and slot 1's block.
  methods::FLMSET(d3, d4, d5, ndig, rec[req::kMethodSet - 1]);
  pure::MDLODC(1);

  // 3. The value by K-value method and kind.
  const std::int32_t code = methods::KMCTL.kvalue.code;
  if (code != kSoaveRedlichKwong && code != kPengRobinson && code != kShiftedCubic) return;
  if (kind >= static_cast<std::int32_t>(ParameterKind::SpecificationValue6) &&
      kind <= static_cast<std::int32_t>(ParameterKind::SpecificationValue8)) {
    value = specificationValue();
    return;
  }
  const std::int32_t n = problem::COHDR(problem::cohdr::kComponents);
  if (i < 1 || i > n) return;
  const bool pair = kind == static_cast<std::int32_t>(ParameterKind::Interaction) ||
                    kind == static_cast<std::int32_t>(ParameterKind::SecondInteraction);
  if (pair) {
    // The block holds one triangle of the symmetric pairs: (i, j) with j < i.
    if (j > i) std::swap(i, j);
    if (j < 1 || j == i || i > n) return;
  }
  const methods::LoadedBlock& block = methods::LDSTAT;
  if (block.address == services::NODISK || block.realLength1 < 1) return;
  const storage::RealView reals = storage::CORSTO.reals(block.realSector1 + 1, block.realLength1);
  const auto word = [&](std::int32_t k) {
    return k >= 1 && static_cast<std::size_t>(k) <= reals.size() ? reals[k - 1] : DMISS;
  };

  if (code != kShiftedCubic && kind == static_cast<std::int32_t>(ParameterKind::CriticalPressure)) {
    // Pc = Omega_b R Tc / b.
    const double tc = word(pure::cubicblock::criticalTemperature(n) + i - 1);
    const double b = word(pure::cubicblock::covolume(n) + i - 1);
    if (tc == DMISS || b == DMISS || b == 0.0) return;
    const double omegaB = code == kSoaveRedlichKwong ? kOmegaBSoave : kOmegaBPengRobinson;
    value = omegaB * kBlockGasConstant * tc / b;
    return;
  }
  if (code != kShiftedCubic && kind == static_cast<std::int32_t>(ParameterKind::AcentricFactor)) {
    // 4. From the slope m of a component on Soave's alpha form, else the component table.
    const bool soaveForm =
        block.integerLength1 >= i && storage::CORSTO[block.integerSector1 + i] == kSoaveAlphaForm;
    if (!soaveForm) {
      value = tableAcentricFactor(i);
      return;
    }
    double m = word(2 * n + 3 * i);
    if (m == DMISS) return;
    if (code == kSoaveRedlichKwong) {
      value = invertQuadratic(kSoaveM0, kSoaveM1, kSoaveM2, m);
    } else {
      PRKAPW(static_cast<std::int32_t>(KappaMode::KappaToOmega), m, value);
    }
    return;
  }
  if (const std::optional<std::int32_t> k = blockWord(code, kind, n, i, j)) value = word(*k);
}

void PRKAPW(std::int32_t mode, double& kappa, double& omega) {
  if (mode != static_cast<std::int32_t>(KappaMode::KappaToOmega)) {
    const double w = omega;
    kappa = w < kHeavyFrom ? kPrM0 + kPrM1 * w + kPrM2 * w * w
                           : kHeavyM0 + kHeavyM1 * w + kHeavyM2 * w * w + kHeavyM3 * w * w * w;
    return;
  }
  // The quadratic form first.
  const double quadratic = invertQuadratic(kPrM0, kPrM1, kPrM2, kappa);
  omega = quadratic;
  if (kappa < kHeavyKappaFrom) return;
  // The heavy-component form: w^3 + (m2/m3) w^2 + (m1/m3) w + (m0 - kappa)/m3 = 0, Newton
  // from the quadratic root, the smallest root chosen.
  constexpr std::int32_t kSmallest = -3;
  constexpr std::int32_t kNewtonFirst = 2;
  constexpr double kTolerance = 1e-6;
  double x1 = quadratic;
  double x2 = -100.0;
  double x3 = -100.0;
  std::int32_t nroot = 0;
  services::CUBRTS(kSmallest, kHeavyM2 / kHeavyM3, kHeavyM1 / kHeavyM3,
                   (kHeavyM0 - kappa) / kHeavyM3, x1, x2, x3, nroot, kNewtonFirst, 0.01 * quadratic,
                   kTolerance);
  omega = x1;
  if (x1 < kLowestOmega && nroot > 1) {
    omega = x2;
    if (x2 < kLowestOmega && nroot == 3) omega = x3;
  }
}

}  // namespace flash
