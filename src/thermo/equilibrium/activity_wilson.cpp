// VTWILS: the Wilson activity model 404 of the activity route, with its temperature factors
// (WILSPR) and its kernel (WILSKR).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/equilibrium/activity_dispatcher.hpp"

namespace equilibrium {
namespace {

constexpr std::string_view kName = "VTWILS";
// An energy parameter above this is "no parameter": the pair is ideal.
constexpr double kNoParameter = 1.0e35;
// The floor of ln S.
constexpr double kLnFloor = -40.0;
constexpr std::int32_t kFactorForm = 1;
constexpr std::int32_t kFactorsGiven = 1;  // ICTL word 2: PARAM holds Lambda itself

void requireLength(std::size_t have, std::size_t need, std::int32_t array) {
  requireActivityArray(kName, have, need, array);
}

// The Wilson factors Lambda(i,j) = V_j/V_i exp(-A(i,j)/T) and dLambda/dT = Lambda A/T^2
// (form 1; any other form writes nothing). A above 1.0E35 gives Lambda 1, slope 0.
//   a in (n x n, K); form in; n in; t (K) in; v in (n, any unit); lambda, dlambda out
void WILSPR(std::span<const double> a, std::int32_t form, std::size_t n, double t,
            std::span<const double> v, std::span<double> lambda, std::span<double> dlambda) {
  if (form != kFactorForm) return;
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t k = j * n + i;
      if (a[k] > kNoParameter) {
        lambda[k] = 1.0;
        dlambda[k] = 0.0;
      } else {
        lambda[k] = v[j] / v[i] * std::exp(-a[k] / t);
        dlambda[k] = lambda[k] * a[k] / (t * t);
      }
    }
  }
}

// The Wilson kernel. Level 1: the sums S, D, GERT, HERT2 and the partial ln gamma;
// level 2 adds the full ln gamma and d ln gamma/dT; level 3 the composition derivatives
// d ln gamma_i/d x_j with the mole fractions as independent variables (DLNGDX, n x n).
//   level, n, x in; lngam, dlngdt, dlngdx out; gert, hert2 out; s, d work (n);
//   lambda, dlambda in (n x n)
void WILSKR(std::int32_t level, std::size_t n, std::span<const double> x, std::span<double> lngam,
            std::span<double> dlngdt, std::span<double> dlngdx, double& gert, double& hert2,
            std::span<double> s, std::span<double> d, std::span<const double> lambda,
            std::span<const double> dlambda) {
  const auto at = [n](std::size_t i, std::size_t j) { return j * n + i; };
  gert = 0.0;
  hert2 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    s[i] = 0.0;
    d[i] = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
      s[i] += x[j] * lambda[at(i, j)];
      d[i] += x[j] * dlambda[at(i, j)];
    }
    double l = kLnFloor;
    if (services::RELCMP(s[i], 0.0) > 0) l = std::max(std::log(s[i]), kLnFloor);
    lngam[i] = 1.0 - l;
    dlngdt[i] = -d[i] / s[i];
    gert -= x[i] * l;
    hert2 += x[i] * d[i] / s[i];
  }
  if (level < 2) return;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t k = 0; k < n; ++k) {
      const double xs = x[k] / s[k];
      lngam[i] -= xs * lambda[at(k, i)];
      dlngdt[i] -= xs * (dlambda[at(k, i)] - lambda[at(k, i)] * d[k] / s[k]);
    }
  }
  if (level < 3) return;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i; j < n; ++j) {
      double g = -lambda[at(i, j)] / s[i] - lambda[at(j, i)] / s[j];
      for (std::size_t k = 0; k < n; ++k) {
        g += x[k] * lambda[at(k, i)] * lambda[at(k, j)] / (s[k] * s[k]);
      }
      dlngdx[at(i, j)] = g;
      dlngdx[at(j, i)] = g;
    }
  }
}

}  // namespace

void VTWILS(ActivityModelCall& c) {
  const auto n = static_cast<std::size_t>(std::max(c.ncl, 0));
  const std::size_t n2 = n * n;
  requireLength(c.param.size(), n2 + n, 4);
  requireLength(c.ictl.size(), activityctl::kCacheValid, 5);
  requireLength(c.work.size(), 2 * n, 16);
  requireLength(c.cache.size(), 2 * n2 + 1, 18);
  const std::span<double> lambda = c.cache.first(n2);
  const std::span<double> dlambda = c.cache.subspan(n2, n2);

  // 1. The factors, by the cache rule.
  if (activityCacheStale(c.ictl[activityctl::kCacheMode - 1], c.ictl[activityctl::kCacheValid - 1],
                         c.cache[2 * n2], c.t)) {
    WILSPR(c.param.first(n2), kFactorForm, n, c.t, c.param.subspan(n2, n), lambda, dlambda);
    if (c.ictl[activityctl::kOption - 1] == kFactorsGiven) {
      std::copy_n(c.param.begin(), n2, lambda.begin());
      std::fill(dlambda.begin(), dlambda.end(), 0.0);
      for (std::size_t i = 0; i < n; ++i) lambda[i * n + i] = 1.0;
    }
  }

  // 2. The kind of derivative the model does not give.
  if ((c.request / 10) % 10 == 1) {
    c.status = kRefusedStatus;
    reportRefusedDerivative(kName, c.request);
    return;
  }

  // 3. The kernel.
  c.status = 0;
  const std::int32_t level = (c.request / 100) % 10 != 0 ? 3 : 2;
  if (level == 3) requireLength(c.dlngdx.size(), n2, 25);
  WILSKR(level, n, c.x, c.lngam, c.dlngdt, c.dlngdx, c.gert, c.hert2, c.work.first(n),
         c.work.subspan(n, n), lambda, dlambda);
}

}  // namespace equilibrium
