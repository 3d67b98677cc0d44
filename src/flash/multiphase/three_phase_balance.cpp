// FL3ORS: the three-phase balance residuals and their Jacobian.
#include "flash/multiphase/three_phase_balance.hpp"

#include <algorithm>
#include <cstdint>
#include <span>

#include "methods/methods.hpp"

namespace multiphase {

void FL3ORS(const BalanceArrays& arrays, std::int32_t& iflag, std::int32_t m, std::int32_t,
            std::span<const double> x, std::span<double> f, std::span<double> df) {
  const bool three = methods::THDXCH.modeWord == 3;
  const std::size_t nc =
      std::min({static_cast<std::size_t>(std::max(methods::THDXCH.componentCount, 0)),
                arrays.z.size(), arrays.ka.size(), three ? arrays.r.size() : arrays.ka.size()});
  const bool jacobian = iflag != 1;
  const std::size_t um = static_cast<std::size_t>(m);
  const double x1 = x[0], x2 = three ? x[1] : 0.0;
  double sa = 0.0, sb = 0.0, sc = 0.0;
  double j[3][2] = {{0.0, 0.0}, {0.0, 0.0}, {0.0, 0.0}};
  for (std::size_t i = 0; i < nc; ++i) {
    const double z = arrays.z[i];
    if (z == 0.0) continue;
    const double kb = arrays.ka[i];
    const double kc = three ? arrays.r[i] : 0.0;
    double d = three ? x1 * x2 + x2 * (1.0 - x1) * kb + (1.0 - x2) * kc : x1 + (1.0 - x1) * kb;
    if (d == 0.0) d = z;
    const double za = z / d;
    sa += za;
    sb += za * kb;
    sc += za * kc;
    if (!jacobian) continue;
    const double q = z / (d * d);
    const double d1 = three ? x2 * (1.0 - kb) : 1.0 - kb;
    const double d2 = three ? x1 + (1.0 - x1) * kb - kc : 0.0;
    const double k[3] = {1.0, kb, kc};
    for (std::size_t r = 0; r < 3; ++r) {
      j[r][0] -= q * k[r] * d1;
      j[r][1] -= q * k[r] * d2;
    }
  }
  f[0] = sa - 1.0;
  f[1] = sb - 1.0;
  if (three && um > 2) f[2] = sc - 1.0;
  if (!jacobian) return;
  const std::size_t rows = three ? 3 : 2, columns = three ? 2 : 1;
  for (std::size_t c = 0; c < columns; ++c) {
    for (std::size_t r = 0; r < rows && r < um; ++r) df[r + c * um] = j[r][c];
  }
}

}  // namespace multiphase
