// The single-phase decision by the pseudo-critical properties of the feed.
#include "flash/pseudo_vapour_pressure.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "problem/problem.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace flash {

bool vapourLike(const IsothermalFlash& a) {
  const std::int32_t water = problem::THCTL.idecnt;
  double tc = 0.0, pc = 0.0, w = 0.0, wet = 0.0, sdry = 0.0, swet = 0.0;
  const auto z =
      std::span<const double>(a.Z.data(), static_cast<std::size_t>(std::max(a.NCOMP, 0)));
  pure::APICNV(101, 1, a.NCOMP, water, z, tc, wet, sdry, swet);
  pure::APICNV(102, 1, a.NCOMP, water, z, pc, wet, sdry, swet);
  pure::APICNV(104, 1, a.NCOMP, water, z, w, wet, sdry, swet);
  const double tr = a.T / tc;
  double ps = 0.0;
  if (tr <= 1.0) {
    const double f0 = 5.92714 - 6.09648 / tr - 1.28862 * std::log(tr) + 0.169347 * std::pow(tr, 6);
    const double f1 = 15.2518 - 15.6875 / tr - 13.4721 * std::log(tr) + 0.43577 * std::pow(tr, 6);
    const double lnps = f0 + w * f1;
    ps = lnps <= -50.0 ? 0.0 : std::exp(lnps);
  } else {
    ps = std::exp(std::min((1.0 / tr - 1.0) * (-8.16249 - 31.6945 * w), 50.0));
  }
  return a.P / pc <= ps;
}

}  // namespace flash
