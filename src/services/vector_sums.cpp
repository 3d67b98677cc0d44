// Composition normalisation, vector sums and Rackett liquid volumes.
#include <cmath>
#include <algorithm>
#include <cstdint>
#include <span>

#include "services/services.hpp"

namespace services {
namespace {

std::size_t countOf(std::int32_t n, std::size_t available) {
  if (n < 1) return 0;
  return std::min(static_cast<std::size_t>(n), available);
}

// Rackett exponent switches form above this reduced temperature.
constexpr double kRackettBreak = 0.75;

}  // namespace

void NORMLZ(std::int32_t n, std::span<double> x) {
  const std::size_t count = countOf(n, x.size());
  if (count == 0) return;
  double sum = 0.0;
  for (std::size_t i = 0; i < count; ++i) sum += x[i];
  if (std::fabs(sum) > 0.0 && RELCMP(sum, 1.0) != 0) {
    for (std::size_t i = 0; i < count; ++i) x[i] /= sum;
  }
}

void NRMCNT(std::int32_t n, std::span<const double> a, std::span<double> b,
            std::span<std::int32_t> icnt, std::int32_t iopt, std::int32_t iexcl, double thr,
            double& frac, double& sum) {
  const std::size_t count = countOf(n, std::min({a.size(), b.size(), icnt.size()}));
  const bool excluded = iexcl >= 1 && static_cast<std::size_t>(iexcl) <= count;
  const std::size_t e = excluded ? static_cast<std::size_t>(iexcl - 1) : 0;

  double s = 0.0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!excluded || i != e) s += a[i];
  }
  if (excluded) {
    sum = s + a[e];
    frac = sum > 0.0 ? s / sum : 0.0;
  } else {
    sum = s;
    frac = s > 0.0 ? 1.0 : 0.0;
  }

  for (std::size_t i = 0; i < count; ++i) b[i] = s > 0.0 ? a[i] / s : a[i];
  if (excluded) b[e] = 0.0;

  if ((iopt / 10) % 10 == 0) {
    for (std::size_t i = 0; i < count; ++i) icnt[i] = 0;
  }
  if (iopt % 10 == 1) {
    for (std::size_t i = 0; i < count; ++i) {
      if (b[i] > thr) icnt[i] += 1;
    }
  }
}

void CMPDER(std::int32_t n, std::span<const double> pc, std::span<const double> tc, double t,
            std::span<const double> zra, std::span<double> dvdt, std::span<double> v) {
  const std::size_t count =
      countOf(n, std::min({pc.size(), tc.size(), zra.size(), dvdt.size(), v.size()}));
  for (std::size_t i = 0; i < count; ++i) {
    // v = (R Tc / Pc) Zra^e with e = 1 + (1 - Tr)^(2/7), or 1.6 + 0.00693026 / (Tr - 0.655)
    // above the break.
    const double tr = t / tc[i];
    double e = 0.0;
    double dedt = 0.0;
    if (tr <= kRackettBreak) {
      const double w = std::pow(1.0 - tr, 2.0 / 7.0);
      e = 1.0 + w;
      dedt = -(2.0 / 7.0) * w / ((1.0 - tr) * tc[i]);
    } else {
      const double d = tr - 0.655;
      e = 1.6 + 0.00693026 / d;
      dedt = -0.00693026 / (d * d * tc[i]);
    }
    v[i] = kGasConstant * tc[i] * std::pow(zra[i], e) / pc[i];
    dvdt[i] = std::log(zra[i]) * v[i] * dedt;
  }
}

double SUMPOS(std::int32_t n, std::span<const double> a) {
  const std::size_t count = countOf(n, a.size());
  double sum = 0.0;
  for (std::size_t i = 0; i < count; ++i) {
    if (a[i] < RMISS) return DMISS;
    sum += a[i];
  }
  return sum;
}

double SUMVEC(std::int32_t n, std::span<const double> a) {
  const std::size_t count = countOf(n, a.size());
  double sum = 0.0;
  for (std::size_t i = 0; i < count; ++i) sum += a[i];
  return sum;
}

}  // namespace services
