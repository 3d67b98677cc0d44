// Table interpolation and the generalized corresponding-states fugacity of the correlation
// family (TBLSRC, LNFCOR), and the ideal fugacity (FUGIDL).
#include <cmath>
#include <cstdint>
#include <span>

#include "thermo/pure/corresponding_states.hpp"
#include "thermo/pure/eos_internal.hpp"
#include "thermo/pure/fugacity_tables.hpp"

namespace pure {
namespace {

using fugacity_tables::kRegionTables;
using fugacity_tables::Region;

// Pressures below this are taken as zero: the difference output is 0.
constexpr double kSmallestReducedPressure = 0.001;
// Boundaries of the F0 regions in Tr.
constexpr double kHighTr = 1.1;
constexpr double kLowTr = 0.75;
// Below this Pr the vapour-branch F0 is scaled by 10 Pr.
constexpr double kVapourScalePressure = 0.1;
// ln(10): the liquid polynomial of F1 is a decimal logarithm.
constexpr double kLn10 = 2.3025851;

// The liquid F1 polynomial in Tr: q1 at Pr 0.6 and the slope q2 in Pr (decimal logarithms).
constexpr double kQ1[] = {-660.08698, 7766.7774,  -40007.379, 116582.6,  -209756.24,
                          238673.14,  -167856.45, 66762.602,  -11504.984};
constexpr double kQ2[] = {-0.28997623, 0.96418856, -1.3344703, 0.82575807, -0.1893941};
constexpr double kQ2Pressure = 0.6;

double polynomial(std::span<const double> c, double x) {
  double value = 0.0;
  for (std::size_t k = c.size(); k > 0; --k) value = value * x + c[k - 1];
  return value;
}

// The table value of REGION (1-6) at the pressure coordinate PC and TR.
double lookUp(std::size_t region, double pc, double tr) {
  const Region& r = kRegionTables[region - 1];
  double dx = 0.0;
  double dy = 0.0;
  double f = 0.0;
  std::int32_t flag = 0;
  TBLSRC(dx, dy, f, flag, static_cast<std::int32_t>(r.tr.size()),
         static_cast<std::int32_t>(r.pressure.size()), r.values, pc, r.pressure, tr, r.tr);
  return f;
}

}  // namespace

void TBLSRC(double& dFdX, double& dFdY, double& f, std::int32_t& flag, std::int32_t nrow,
            std::int32_t ncol, std::span<const double> table, double x,
            std::span<const double> xAxis, double y, std::span<const double> yAxis) {
  // 1. A table of fewer than two rows or columns.
  if (nrow < 2 || ncol < 2) {
    flag = 1;
    f = 0.0;
    dFdX = 0.0;
    dFdY = 0.0;
    return;
  }
  const auto rows = static_cast<std::size_t>(nrow);
  const auto cols = static_cast<std::size_t>(ncol);
  eos_internal::requireLength(table, rows * cols, "TBLSRC", "TABLE");
  eos_internal::requireLength(xAxis, cols, "TBLSRC", "XAXIS");
  eos_internal::requireLength(yAxis, rows, "TBLSRC", "YAXIS");
  flag = 0;

  // 2. The intervals: the first whose far end lies beyond the point, else the last one.
  std::size_t j = cols - 1;  // 0-based index of the far end
  for (std::size_t k = 1; k < cols; ++k) {
    if (x <= xAxis[k]) {
      j = k;
      break;
    }
  }
  std::size_t i = rows - 1;
  for (std::size_t k = 1; k < rows; ++k) {
    if (yAxis[k] <= y) {
      i = k;
      break;
    }
  }

  // 3. Bilinear form F = f11 + u (f12 - f11) + v (f21 - f11) + u v c.
  const auto at = [&](std::size_t row, std::size_t col) { return table[col * rows + row]; };
  const double f11 = at(i - 1, j - 1);
  const double f12 = at(i - 1, j);
  const double f21 = at(i, j - 1);
  const double f22 = at(i, j);
  const double hx = xAxis[j] - xAxis[j - 1];
  const double hy = yAxis[i] - yAxis[i - 1];
  const double u = (x - xAxis[j - 1]) / hx;
  const double v = (y - yAxis[i - 1]) / hy;
  const double c = f11 - f12 - f21 + f22;
  f = f11 + u * (f12 - f11) + v * (f21 - f11) + u * v * c;
  dFdX = ((f12 - f11) + v * c) / hx;
  dFdY = ((f21 - f11) + u * c) / hy;
}

void LNFCOR(double& result, double input, double& difference, double omega, std::int32_t branch,
            double pr, double tr) {
  // 1. Near zero pressure: no departure.
  if (pr < kSmallestReducedPressure) {
    difference = 0.0;
    return;
  }
  // 2. The branch: the general one at or above Tr 1 or Pr 1.
  const std::int32_t b = (tr >= 1.0 || pr >= 1.0) ? kGeneralBranch : branch;

  // 3. F0 from the table of the branch or of the Tr range.
  std::size_t region = 0;
  if (b == kVapourBranch) {
    region = 4;
  } else if (tr > kHighTr) {
    region = 1;
  } else if (tr >= kLowTr) {
    region = 2;
  } else {
    region = 3;
  }
  const bool logarithmic = region == 3 || region == 4;
  double f0 = lookUp(region, logarithmic ? std::log(pr) : pr, tr);
  if (region == 4 && pr < kVapourScalePressure) f0 *= 10.0 * pr;

  // 4. F1 from its tables, or from the liquid polynomial below Tr 1 on the general branch.
  double f1 = 0.0;
  if (b != kGeneralBranch || tr >= 1.0) {
    f1 = lookUp(b == kVapourBranch ? 6 : 5, pr, tr);
  } else {
    f1 = kLn10 * (polynomial(kQ1, tr) + (pr - kQ2Pressure) * polynomial(kQ2, tr));
  }

  // 5. F = F0 + omega F1.
  result = f0 + omega * f1;
  difference = input - result;
}

void FUGIDL(std::int32_t nc, double p, std::span<const double> /*x*/, std::span<double> lnf,
            std::span<double> lnfT, std::span<double> lnfP) {
  const std::size_t n = nc > 0 ? static_cast<std::size_t>(nc) : 0;
  eos_internal::requireLength(std::span<const double>(lnf), n, "FUGIDL", "LNF");
  eos_internal::requireLength(std::span<const double>(lnfT), n, "FUGIDL", "LNFT");
  eos_internal::requireLength(std::span<const double>(lnfP), n, "FUGIDL", "LNFP");
  const double lnp = std::log(p);
  for (std::size_t i = 0; i < n; ++i) {
    lnf[i] = lnp;
    lnfT[i] = 0.0;
    lnfP[i] = 0.0;
  }
}

}  // namespace pure
