// ACTPRM, the group interaction factors of the group-contribution model, and EOSMR5, the
// model as called by the activity route and by the excess-Gibbs-energy mixing rule.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "services/services.hpp"
#include "thermo/pure/activity_kernels.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure {
namespace {

// Reference temperature of the first temperature form, K.
constexpr double kReferenceTemperature = 298.15;
// Below this |c| the first form drops its third term.
constexpr double kNegligibleC = 1e-10;
// u = U/T is limited to this magnitude.
constexpr double kExponentLimit = 20.0;

// U and its first two temperature derivatives.
struct Energy {
  double u = 0.0, du = 0.0, d2u = 0.0;
};

Energy energy(std::int32_t variant, double a, double b, double c, double t) {
  switch (variant) {
    case 1:
      if (std::fabs(c) < kNegligibleC) {
        return Energy{a + b * (t - kReferenceTemperature), b, 0.0};
      }
      return Energy{a + b * (t - kReferenceTemperature) +
                        c * (t * std::log(kReferenceTemperature / t) + t - kReferenceTemperature),
                    b + c * std::log(kReferenceTemperature / t), -c / t};
    case 2:
      return Energy{a + b * t + c * t * t, b + 2.0 * c * t, 2.0 * c};
    case 3:
      return Energy{a + b * t + c * t * t * t, b + 3.0 * c * t * t, 6.0 * c * t};
    case 4:
      return Energy{a, 0.0, 0.0};
    default:
      return Energy{};
  }
}

}  // namespace

void ACTPRM(std::int32_t ng, double t, std::span<const double> a, std::span<const double> b,
            std::span<const double> c, std::int32_t variant, std::span<double> psi,
            std::span<double> dpsi, std::span<double> d2psi) {
  if (ng < 1) return;
  const auto n2 = static_cast<std::size_t>(ng) * static_cast<std::size_t>(ng);
  constexpr const char* kName = "ACTPRM";
  for (const auto in : {a, b, c}) eos_internal::requireLength(in, n2, kName, "A, B OR C");
  eos_internal::requireLength(psi, n2, kName, "PSI");
  eos_internal::requireLength(dpsi, n2, kName, "DPSI");
  if (!d2psi.empty()) eos_internal::requireLength(d2psi, n2, kName, "D2PSI");
  for (std::size_t k = 0; k < n2; ++k) {
    // psi = exp(-u), u = U/T limited; (ln psi)' = (u - U')/T, (ln psi)'' = (2(U' - u) - T U'')/T^2.
    const Energy e = energy(variant, a[k], b[k], c[k], t);
    const double u = std::clamp(e.u / t, -kExponentLimit, kExponentLimit);
    psi[k] = std::exp(-u);
    const double first = (u - e.du) / t;
    dpsi[k] = first * psi[k];
    if (!d2psi.empty()) {
      d2psi[k] = psi[k] * (first * first + (2.0 * (e.du - u) - t * e.d2u) / (t * t));
    }
  }
}

namespace {

// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
std::vector<double> eosmr5D2psi;
const bool kEosmr5D2psiReset = services::registerKeptValues([] { eosmr5D2psi = {}; });

}  // namespace

void EOSMR5(std::span<const double> x, double t, std::int32_t nc, std::int32_t option,
            std::span<double> param, std::span<const std::int32_t> descriptor,
            std::int32_t integerWorkLength, std::span<std::int32_t> integerWork,
            std::int32_t realWorkLength, std::span<double> realWork, std::span<double> lngam,
            std::span<double> lngamT, std::span<double> diagonal, std::span<double> dlngdx,
            double& g, double& hE, double& gTT, std::int32_t& status,
            std::span<const double> molarMass, std::span<const double> liquidDensity) {
  // 1. The excess terms start at 0.
  g = 0.0;
  hE = 0.0;
  gTT = 0.0;
  if (nc < 1) return;
  constexpr const char* kName = "EOSMR5";
  const auto n = static_cast<std::size_t>(nc);
  eos_internal::requireLength(descriptor, kGroupListsWord - 1, kName, "DESCRIPTOR");
  const auto word = [&](std::size_t k) { return descriptor[k - 1]; };
  const std::int32_t m = word(kGroupSubgroupsWord);
  const std::int32_t ng = word(kGroupMainGroupsWord);
  const std::int32_t variant = word(kGroupVariantWord);
  const auto mm = static_cast<std::size_t>(m);
  const auto n2 = static_cast<std::size_t>(ng) * static_cast<std::size_t>(ng);
  const auto block = [&](std::size_t w) {
    return static_cast<std::size_t>(word(w) - 1);  // 0-based start of a block of PARAM
  };
  eos_internal::requireLength(
      param,
      std::max({3 * n + mm, block(kGroupBlockAWord) + n2, block(kGroupBlockBWord) + n2,
                block(kGroupBlockCWord) + 3 * n2}),
      kName, "PARAM");
  eos_internal::requireLength(descriptor, kGroupListsWord - 1 + mm + n, kName, "DESCRIPTOR");

  // 2. The interaction factors at T, written after block c: psi, then dpsi.
  const std::span<double> psi = param.subspan(block(kGroupBlockCWord) + n2, n2);
  const std::span<double> dpsi = param.subspan(block(kGroupBlockCWord) + 2 * n2, n2);
  std::vector<double>& d2psi = eosmr5D2psi;
  d2psi.assign(n2, 0.0);
  ACTPRM(ng, t, param.subspan(block(kGroupBlockAWord), n2),
         param.subspan(block(kGroupBlockBWord), n2), param.subspan(block(kGroupBlockCWord), n2),
         variant, psi, dpsi, d2psi);

  // 3. Activity coefficients; composition columns when the option asks for them.
  const std::int32_t nder = option / 10 > 0 ? nc : 1;
  const std::span<const std::int32_t> lists = descriptor.subspan(kGroupListsWord - 1);
  ACTSTR(status, nder, nc, x, lngam, lngamT, dlngdx, m, ng, param.subspan(0, n),
         param.subspan(n, n), param.subspan(2 * n, n), param.subspan(3 * n, mm),
         lists.subspan(0, mm), lists.subspan(mm, n), lists.subspan(mm + n), psi, dpsi,
         integerWorkLength, integerWork, realWorkLength, realWork, variant, molarMass,
         liquidDensity, d2psi, gTT);

  // 4. The diagonal of the composition derivatives, when asked for.
  if ((option / 10) % 10 == 1) {
    eos_internal::requireLength(diagonal, n, kName, "DIAGONAL");
    for (std::size_t i = 0; i < n; ++i) diagonal[i] = dlngdx[i * n + i];
  }

  // 5. g = sum x_i ln gamma_i; hE stays 0.
  for (std::size_t i = 0; i < n; ++i) g += x[i] * lngam[i];
}

}  // namespace pure
