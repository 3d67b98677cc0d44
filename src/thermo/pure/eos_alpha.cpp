// EOSTWU: the temperature dependence alpha(Tr) of the pure-component attraction terms of
// the cubic equations of state.
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/pure/cubic_eos.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure {
namespace {

using eos_internal::Jet;

// Below this alpha a component keeps only the floor of its attraction.
constexpr double kAlphaFloor = 1e-16;
constexpr double kSqrtAlphaFloor = 1e-8;

// alpha and sqrt(alpha) of one component.
struct Alpha {
  Jet alpha;
  double root = 0.0;
};

// Tr^K exp(L (1 - Tr^J)): the form of Twu, Bluck, Cunningham and Coon.
Jet twuForm(Jet tr, double l, double j, double k) {
  return eos_internal::pow(tr, k) * eos_internal::exp(l * (1.0 - eos_internal::pow(tr, j)));
}

// Constants L, J = N M, K = N (M - 1) of the generalized Twu forms.
struct TwuConstants {
  double l, j, k;
};
struct TwuSet {
  TwuConstants zero, one;
};
// Soave-Redlich-Kwong family: subcritical, supercritical.
constexpr TwuSet kTwuSoaveSub{{0.141599, 2.29528, -0.201158}, {0.500315, 2.63165, -0.660145}};
constexpr TwuSet kTwuSoaveSuper{{0.441411, -1.3, -1.1}, {0.03258, -10.3128, -2.31278}};
// Peng-Robinson family.
constexpr TwuSet kTwuPengSub{{0.125283, 1.77634, -0.171813}, {0.511614, 2.20517, -0.607352}};
constexpr TwuSet kTwuPengSuper{{0.401219, -0.992615, -0.792615}, {0.024955, -9.98471, -1.98471}};

// alpha0 + omega (alpha1 - alpha0); the supercritical set above Tr = 1.
Jet generalizedTwu(Jet tr, double omega, const TwuSet& sub, const TwuSet& super) {
  const TwuSet& set = tr.v > 1.0 ? super : sub;
  const Jet a0 = twuForm(tr, set.zero.l, set.zero.j, set.zero.k);
  const Jet a1 = twuForm(tr, set.one.l, set.one.j, set.one.k);
  return a0 + omega * (a1 - a0);
}

// The tabulated alpha: Tr, alpha and the second derivatives of its natural spline.
constexpr int kTablePoints = 28;
constexpr std::array<double, kTablePoints> kTableTr = {
    0.41201,   0.4336984, 0.4553833, 0.4770682, 0.4987531, 0.520438,  0.542123,
    0.5638079, 0.5854928, 0.6071777, 0.6288626, 0.6505476, 0.6722324, 0.6939174,
    0.7156023, 0.7372872, 0.7589722, 0.7806571, 0.802342,  0.8240269, 0.8457118,
    0.8673967, 0.8890817, 0.9107666, 0.9324515, 0.9541364, 0.9758213, 0.9975063};
constexpr std::array<double, kTablePoints> kTableAlpha = {
    1.0418, 1.019,  0.998,  0.9789, 0.9614, 0.9457, 0.9316, 0.9193, 0.9089, 0.9003,
    0.8937, 0.8891, 0.8868, 0.8865, 0.8885, 0.8928, 0.8991, 0.9076, 0.9179, 0.9299,
    0.9431, 0.9569, 0.9708, 0.9838, 0.9948, 1.0026, 1.0056, 1.002};
constexpr std::array<double, kTablePoints> kTableCurvature = {
    0.0,     5.23113, 3.36409,  3.74089,  3.59386,  3.59272,  3.68956,  3.92109, 4.02487, 4.19728,
    4.39502, 4.56301, 4.652,    4.66895,  4.79737,  4.61646,  4.41315,  4.01356, 3.53076, 2.60874,
    1.5996,  -0.1404, -1.56094, -4.17269, -7.10165, -8.79912, -18.7745, 0.0};

// alpha from the table by the natural spline with the stored second derivatives; the
// derivatives with respect to Tr become derivatives with respect to T through dTr/dT.
Jet tabulated(Jet tr, std::int32_t level) {
  std::array<double, kTablePoints> curvature = kTableCurvature;
  const std::array<double, 1> query = {tr.v};
  std::array<double, 1> value{};
  std::array<double, 1> slope{};
  std::array<double, 1> second{};
  const std::int32_t nder = level >= 3 ? 2 : (level == 2 ? 1 : 0);
  services::SPLCOF(kTablePoints, kTableTr, kTableAlpha, curvature, 1, query, value, slope, second,
                   1, nder);
  return Jet{value[0], slope[0] * tr.d, second[0] * tr.d * tr.d};
}

// The square of a bracket g, with sqrt(alpha) = |g|.
Alpha squared(Jet g) { return Alpha{g * g, std::fabs(g.v)}; }

// alpha of form CODE with the parameters M at the reduced temperature TR (a Jet in T).
Alpha alphaOf(std::int32_t code, Jet tr, const double* m, std::int32_t level) {
  using eos_internal::exp;
  using eos_internal::pow;
  using eos_internal::sqrt;
  Alpha r;
  switch (static_cast<AlphaForm>(code)) {
    case AlphaForm::Soave:
      return squared(1.0 + m[0] * (1.0 - sqrt(tr)));
    case AlphaForm::PowerSquare:
      return squared(m[0] + m[1] * (1.0 - pow(tr, m[2])));
    case AlphaForm::Linear:
      r.alpha = 1.0 + (1.0 - tr) * (m[0] + m[1] * eos_internal::reciprocal(tr));
      break;
    case AlphaForm::Exponential:
      r.alpha = twuForm(tr, m[0], m[1], 0.0);
      break;
    case AlphaForm::TwuTwo:
      r.alpha = twuForm(tr, m[0], 2.0 * m[1], 2.0 * (m[1] - 1.0));
      break;
    case AlphaForm::Twu:
      r.alpha = twuForm(tr, m[0], m[1] * m[2], m[2] * (m[1] - 1.0));
      break;
    case AlphaForm::OneParameter:
      r.alpha = twuForm(tr, 2.0 * m[0] / (1.0 + m[0]), 0.5 * (1.0 + m[0]), 0.0);
      break;
    case AlphaForm::PowerExponential:
      r.alpha = twuForm(tr, m[0], m[1], m[2]);
      break;
    case AlphaForm::MathiasCopeman: {
      const Jet x = 1.0 - sqrt(tr);
      return squared(1.0 + x * (m[0] + x * (m[1] + x * m[2])));
    }
    case AlphaForm::SoavePolar:
      return squared(1.0 + m[0] * (1.0 - sqrt(tr)) + m[1] * (1.0 - tr) * (0.7 - tr));
    case AlphaForm::ExponentialSquare: {
      const Jet x = 1.0 - sqrt(tr);
      r.alpha = exp(m[0] * (1.0 - tr) + m[1] * x * x);
      break;
    }
    case AlphaForm::RedlichKwong:
      r.alpha = pow(tr, -0.5);
      break;
    case AlphaForm::TwuSoave:
      r.alpha = generalizedTwu(tr, m[0], kTwuSoaveSub, kTwuSoaveSuper);
      break;
    case AlphaForm::TwuPengRobinson:
      r.alpha = generalizedTwu(tr, m[0], kTwuPengSub, kTwuPengSuper);
      break;
    case AlphaForm::Tabulated:
      r.alpha = tabulated(tr, level);
      break;
    default:
      r.alpha = Jet{0.0, 0.0, 0.0};
      break;
  }
  r.root = r.alpha.v > 0.0 ? std::sqrt(r.alpha.v) : 0.0;
  return r;
}

}  // namespace

void EOSTWU(std::span<const double> sqrtac, std::span<const double> params,
            std::span<const std::int32_t> forms, std::int32_t level, std::int32_t ld,
            std::int32_t nc, double t, std::span<const double> tc, std::span<double> sqrta,
            std::span<double> a, std::span<double> aT, std::span<double> aTT) {
  eos_internal::KernelTimer timer(eos_internal::kTimingSlotEOSTWU);
  if (nc < 1) return;
  const auto n = static_cast<std::size_t>(nc);
  const auto rows = static_cast<std::size_t>(ld < 3 ? 3 : ld);
  constexpr const char* kName = "EOSTWU";
  eos_internal::requireLength(sqrtac, n, kName, "SQRT(AC)");
  eos_internal::requireLength(params, rows * (n - 1) + 3, kName, "PARAMETERS");
  eos_internal::requireLength(forms, n, kName, "FORMS");
  eos_internal::requireLength(tc, n, kName, "TC");
  eos_internal::requireLength(sqrta, n, kName, "SQRT(A)");
  eos_internal::requireLength(a, n, kName, "A");
  if (level >= 2) eos_internal::requireLength(aT, n, kName, "DA/DT");
  if (level >= 3) eos_internal::requireLength(aTT, n, kName, "D2A/DT2");

  for (std::size_t i = 0; i < n; ++i) {
    // 1. The form's alpha at Tr = T/Tc with its exact temperature derivatives.
    const Jet tr{t / tc[i], 1.0 / tc[i], 0.0};
    Alpha alpha = alphaOf(forms[i], tr, &params[i * rows], level);
    // 2. The floor.
    if (!(alpha.alpha.v >= kAlphaFloor)) {
      alpha.alpha = Jet{kAlphaFloor, 0.0, 0.0};
      alpha.root = kSqrtAlphaFloor;
    }
    // 3. Scaled by sqrt(a_c) and a_c.
    const double ac = sqrtac[i] * sqrtac[i];
    sqrta[i] = sqrtac[i] * alpha.root;
    a[i] = ac * alpha.alpha.v;
    if (level >= 2) aT[i] = ac * alpha.alpha.d;
    if (level >= 3) aTT[i] = ac * alpha.alpha.dd;
  }
}

}  // namespace pure
