// KCWEST and KCCHRT: K-values estimated from critical constants (Wilson) and read from the
// generalized K-value chart of method 105.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"

namespace equilibrium {
namespace {

// Wilson estimate: A = 5.37 (1 + omega), exponent limited to +-70.
constexpr double kWilsonSlope = 5.37;
constexpr double kWilsonExponentLimit = 70.0;
// The unit conversion applied to the Wilson derivatives: a temperature difference from unit
// set 1 to unit set 5.
constexpr std::int32_t kTemperatureDifferenceClass = 2;
constexpr std::int32_t kInternalUnitSet = 1;
constexpr std::int32_t kStreamVectorUnitSet = 5;

// The chart: polynomials in t = 1000 / (T in degrees Rankine).
constexpr double kReciprocalRankine = 555.5556;
using Quartet = std::array<double, 4>;
constexpr std::array<Quartet, 3> kBoilingPointChart{{
    {-8.96875, 23.386719, -10.859375, 0.42578125},
    {21.789062, -26.6875, 6.6679687, 3.0195312},
    {-10.121094, 14.6875, -13.527344, 0.546875},
}};
// Rows of classes 1 to 11 (class 1 reads the row of class 2).
constexpr std::array<Quartet, 11> kClassRows{{
    {4.7898111, 2.3460989, -1.21537, 0.11282867},
    {4.7898111, 2.3460989, -1.21537, 0.11282867},
    {5.6798019, 1.3576294, -1.57934, 0.17571006},
    {5.4493074, 1.1407556, -1.802242, 0.18685094},
    {5.3237896, 1.2321399, -2.173322, 0.23501978},
    {5.3225384, 1.1604048, -2.259131, 0.24595765},
    {4.2769156, 3.158301, -3.781072, 0.50379213},
    {4.8147421, 2.1902566, -3.36431, 0.42713395},
    {5.1836605, 2.2095115, -1.828565, 0.21103894},
    {6.2499228, 0.012092942, -1.239415, 0.10941982},
    {5.289196, 1.2177695, -2.186832, 0.22687254},
}};
constexpr std::int32_t kBoilingPointClass = 0;
constexpr std::int32_t kTenfoldClass = 1;
constexpr std::int32_t kLastRowClass = 11;
constexpr std::int32_t kReducedPressureClass = 12;
// Classes 1 and 2 above this temperature (K): K = kHighTemperatureK / P.
constexpr double kHighTemperature = 394.27;
constexpr double kHighTemperatureK = 27578.93;
// Class 12: within this many K above the boiling point, while Ps stays at or below the
// limit (kPa).
constexpr double kReducedPressureSpan = 27.78;
constexpr double kReducedPressureLimit = 172.37;
// ln K* limits and the values beyond them; psia to kPa.
constexpr double kChartLogLimit = 46.0517;
constexpr double kChartKMin = 1.0e-20;
constexpr double kChartKMax = 1.0e20;
constexpr double kPsiaKpa = 68.94733;
// The boiling point in units of 1000 degrees Rankine.
constexpr double kBoilingPointScale = 0.0018;

// a0 + t (a1 + t (a2 + a3 t)) and its t-derivative.
double polynomial(const Quartet& a, double t) { return a[0] + t * (a[1] + t * (a[2] + a[3] * t)); }
double slope(const Quartet& a, double t) { return a[1] + t * (2.0 * a[2] + 3.0 * a[3] * t); }

// The chart data of the held block: class codes and the four per-component arrays.
struct ChartBlock {
  std::int32_t classStart = 0;  // class of component i at integer word classStart + i
  std::int32_t realStart = 0;   // array r (1-4), component i at W(realStart + (r-1) stride + i)
  std::int32_t stride = 0;
  std::int32_t classCode(std::int32_t i) const { return storage::CORSTO[classStart + i]; }
  double real(std::int32_t r, std::int32_t i) const {
    return storage::CORSTO.real(realStart + (r - 1) * stride + i);
  }
};

// The held block as chart data for N components; the arrays are as long as a quarter of
// the real sector (the block's own component count).
ChartBlock chartBlock(std::int32_t n) {
  const methods::LoadedBlock& b = methods::LDSTAT;
  const ChartBlock chart{b.integerSector1, b.realSector1, b.realLength1 / 4};
  if (b.integerLength1 < n || chart.stride < n) {
    services::ERRITM("COMPS", n);
    services::ERRITM("INTEGERS", b.integerLength1);
    services::ERRITM("REALS", b.realLength1);
    services::ABTRPT("KC", "KCCHRT", "KCCHRT", "CHART BLOCK TOO SHORT");
  }
  return chart;
}

// Class 12 below its limits: K from the reduced vapour pressure. Returns false (K untouched)
// when Ps exceeds the limit.
bool reducedPressureK(const ChartBlock& chart, std::int32_t i, double t, double p, double& k,
                      double& dkdt) {
  const double omega = chart.real(1, i);
  const double tc = chart.real(2, i);
  const double pc = chart.real(3, i);
  const double tr = t / tc;
  // Ps = Pc Tr^A exp(-B C), C = 36/Tr - 35 - Tr^6, the exponent at most 46.0517.
  const double a = -(12.42839196 * omega) - 1.4091414;
  const double b = -(0.4132035 * omega) - 0.3716114;
  const double c = 36.0 / tr - 35.0 - std::pow(tr, 6);
  const double ps = pc * std::pow(tr, a) * std::exp(std::min(-b * c, kChartLogLimit));
  if (ps > kReducedPressureLimit) return false;
  k = ps / p;
  dkdt = k * (a / tr + b * (36.0 / (tr * tr) + 6.0 * std::pow(tr, 5))) / tc;
  return true;
}

}  // namespace

void KCWEST(std::int32_t n, std::int32_t u, double t, double p, std::span<double> k,
            std::span<double> dkdt, std::span<const double> tc, std::span<const double> pc,
            std::span<const double> omega) {
  const std::int32_t water = problem::THCTL.idecnt;
  for (std::int32_t i = 1; i <= n; ++i) {
    if (i == water) continue;
    const auto j = static_cast<std::size_t>(i - 1);
    // K = exp(A (1 - Tc/T)) Pc/P, A = 5.37 (1 + omega).
    const double a = kWilsonSlope * (1.0 + omega[j]);
    const double r = tc[j] / t;
    const double e = std::clamp(a * (1.0 - r), -kWilsonExponentLimit, kWilsonExponentLimit);
    k[j] = std::exp(e) * pc[j] / p;
    if (u > 0) dkdt[j] = a * k[j] * r / t;
  }
  if (u <= 0 || n <= 0) return;
  const double factor =
      services::UOMCNV(1.0, kTemperatureDifferenceClass, kInternalUnitSet, kStreamVectorUnitSet);
  for (std::int32_t i = 1; i <= n; ++i) {
    if (i != water) dkdt[static_cast<std::size_t>(i - 1)] *= factor;
  }
}

void KCCHRT(std::int32_t n, double t, double p, std::span<double> k, std::span<double> dkdt,
            std::int32_t /*unused*/) {
  if (n <= 0) return;
  const ChartBlock chart = chartBlock(n);
  // 1. The three boiling-point chart terms at t.
  const double tt = kReciprocalRankine / t;
  std::array<double, 3> l{};
  std::array<double, 3> dl{};
  for (std::size_t m = 0; m < 3; ++m) {
    l[m] = polynomial(kBoilingPointChart[m], tt);
    dl[m] = slope(kBoilingPointChart[m], tt);
  }
  // 2. Each component by its class.
  for (std::int32_t i = 1; i <= n; ++i) {
    const auto j = static_cast<std::size_t>(i - 1);
    const std::int32_t c = chart.classCode(i);
    if (c < kBoilingPointClass || c > kReducedPressureClass) {
      services::ERRITM("COMP", i);
      services::ERRITM("CLASS", c);
      services::ABTRPT("KC", "KCCHRT", "KCCHRT", "CHART CLASS UNDEFINED");
    }
    const double boilingPoint = chart.real(4, i);
    if (t > kHighTemperature && (c == 1 || c == 2)) {
      k[j] = kHighTemperatureK / p;
      dkdt[j] = 0.0;
    } else if (c == kReducedPressureClass && t - boilingPoint <= kReducedPressureSpan &&
               reducedPressureK(chart, i, t, p, k[j], dkdt[j])) {
      continue;
    } else {
      double lnk = 0.0;
      double d = 0.0;
      if (c >= kTenfoldClass && c <= kLastRowClass) {
        const Quartet& row = kClassRows[static_cast<std::size_t>(c - 1)];
        lnk = polynomial(row, tt);
        d = slope(row, tt);
      } else {
        // Class 0, and class 12 beyond its limits: the boiling-point chart.
        const double s = kBoilingPointScale * boilingPoint;
        lnk = l[0] + s * (l[1] + s * l[2]);
        d = dl[0] + s * (dl[1] + s * dl[2]);
      }
      double kstar = 0.0;
      if (lnk < -kChartLogLimit) {
        kstar = kChartKMin;
      } else if (lnk > kChartLogLimit) {
        kstar = kChartKMax;
      } else {
        kstar = std::exp(lnk);
      }
      k[j] = kstar * kPsiaKpa / p;
      dkdt[j] = -d * k[j] * tt / t;
    }
    // Class 1: ten times the class-2 values.
    if (c == kTenfoldClass) {
      k[j] *= 10.0;
      dkdt[j] *= 10.0;
    }
  }
}

}  // namespace equilibrium
