// The assembly shared by the mixing rules of the cubic equations of state.
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/services.hpp"
#include "thermo/pure/eos_mixing.hpp"

namespace pure::eos_internal {

namespace {

// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
AttractionSums keptSums;
const bool kKeptSumsReset = services::registerKeptValues([] { keptSums = {}; });

}  // namespace

AttractionSums& attractionSums(std::size_t n, bool hessian) {
  AttractionSums& sums = keptSums;
  sums.n = n;
  sums.value = Jet{};
  sums.gradient.assign(n, Jet{});
  if (hessian || !sums.hessian.empty()) sums.hessian.assign(hessian ? n * n : 0, 0.0);
  // Every rule writes all roots and pairs before it reads them: sized, not cleared.
  if (sums.roots.size() != n) sums.roots.resize(n);
  const std::size_t pairs = pairCount(static_cast<std::int32_t>(n));
  if (sums.pairs.size() != pairs) sums.pairs.resize(pairs);
  return sums;
}

void checkMixtureArrays(std::string_view routine, std::int32_t level, std::size_t n,
                        std::span<const double> sqrta, std::span<const double> aT,
                        std::span<const double> aTT, std::span<const double> b,
                        std::span<const double> x, const MixtureOutputs& out) {
  requireLength(sqrta, n, routine, "SQRT(A)");
  requireLength(b, n, routine, "B");
  requireLength(x, n, routine, "X");
  requireLength(out.abar, n, routine, "ABAR");
  requireLength(out.bbar, n, routine, "BBAR");
  if (level >= 2) {
    requireLength(aT, n, routine, "DA/DT");
    requireLength(out.abarT, n, routine, "ABART");
    requireLength(out.bbarT, n, routine, "BBART");
  }
  if (level >= 3) requireLength(aTT, n, routine, "D2A/DT2");
  if (level >= 4) {
    requireLength(out.abb, n * n, routine, "ABB");
    requireLength(out.bbb, n * n, routine, "BBB");
  }
}

void addQuadraticValues(AttractionSums& sums, std::span<const double> sqrta,
                        std::span<const double> k, std::span<const double> x) {
  const std::size_t n = sums.n;
  // s_i = sqrt(a_i) x_i, in the scratch of the assembly; the sums keep the order of the
  // general path term by term, so that both give the same values to the last bit.
  std::vector<double>& s = sums.hx;
  s.resize(n);
  for (std::size_t i = 0; i < n; ++i) s[i] = sqrta[i] * x[i];
  double value = 0.0;
  for (std::size_t j = 0; j < n; ++j) {
    const double rj = sqrta[j];
    double row = s[j];
    const std::size_t rowStart = j >= 1 ? (j - 1) * j / 2 : 0;  // pairs (i, j), i < j
    for (std::size_t i = 0; i < j; ++i) row = row + s[i] * k[rowStart + i];
    std::size_t q = j * (j + 1) / 2 + j;  // pair (j + 1, j), then (i, j) at q += i
    for (std::size_t i = j + 1; i < n; q += i, ++i) row = row + s[i] * k[q];
    value = value + s[j] * row;
    sums.gradient[j].v = sums.gradient[j].v + 2.0 * rj * row;
  }
  sums.value.v = sums.value.v + value;
}

void addQuadratic(AttractionSums& sums, std::span<const double> x, bool hessian) {
  const std::size_t n = sums.n;
  for (std::size_t j = 0; j < n; ++j) {
    const Jet& rj = sums.roots[j];
    // Row sums t_j = sum_i s_i K_ij, starting with the diagonal term.
    Jet row = rj * x[j];
    for (std::size_t i = 0; i < n; ++i) {
      if (i == j) continue;
      const Jet& k =
          sums.pairs[pairIndex(static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1))];
      row = row + sums.roots[i] * x[i] * k;
      if (hessian) sums.h(i, j) += 2.0 * sums.roots[i].v * rj.v * k.v;
    }
    if (hessian) sums.h(j, j) += 2.0 * rj.v * rj.v;
    sums.value = sums.value + rj * x[j] * row;
    sums.gradient[j] = sums.gradient[j] + 2.0 * rj * row;
  }
}

void finishMixture(std::int32_t level, std::span<const double> x, std::span<const double> b,
                   AttractionSums& sums, MixtureOutputs& out) {
  const std::size_t n = sums.n;
  double bm = 0.0;
  if (level == 1) {
    // Values only: the value lanes of the general assembly, term by term.
    double weighted = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
      weighted = weighted + x[k] * sums.gradient[k].v;
      bm += x[k] * b[k];
    }
    out.a = sums.value.v;
    out.b = bm;
    for (std::size_t i = 0; i < n; ++i) {
      out.abar[i] = sums.value.v + sums.gradient[i].v - weighted;
      out.bbar[i] = b[i];
    }
    return;
  }
  Jet weighted{};
  for (std::size_t k = 0; k < n; ++k) {
    weighted = weighted + x[k] * sums.gradient[k];
    bm += x[k] * b[k];
  }
  out.a = sums.value.v;
  out.b = bm;
  for (std::size_t i = 0; i < n; ++i) {
    out.abar[i] = sums.value.v + sums.gradient[i].v - weighted.v;
    out.bbar[i] = b[i];
  }
  if (level >= 2) {
    out.aT = sums.value.d;
    out.bT = 0.0;
    out.bTT = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      out.abarT[i] = sums.value.d + sums.gradient[i].d - weighted.d;
      out.bbarT[i] = 0.0;
    }
  }
  if (level >= 3) out.aTT = sums.value.dd;
  if (level >= 4) {
    // Hx and x'Hx, then abb_ij = H_ij - (Hx)_i - (Hx)_j + x'Hx + abar_i.
    std::vector<double>& hx = sums.hx;
    hx.assign(n, 0.0);
    double xhx = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) hx[i] += sums.hessian[j * n + i] * x[j];
      xhx += x[i] * hx[i];
    }
    for (std::size_t j = 0; j < n; ++j) {
      for (std::size_t i = 0; i < n; ++i) {
        out.abb[j * n + i] = sums.hessian[j * n + i] - hx[i] - hx[j] + xhx + out.abar[i];
        out.bbb[j * n + i] = b[i];
      }
    }
  }
}

}  // namespace pure::eos_internal
