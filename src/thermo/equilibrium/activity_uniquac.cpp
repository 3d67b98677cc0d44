// VTUNIQ: the UNIQUAC activity model 403 of the activity route, with its interaction
// factors (UNIQPR), the coordination number (UNQZCN) and its kernel (UNIQKR).
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

constexpr std::string_view kName = "VTUNIQ";
constexpr double kExponentLimit = 80.0;    // forms 1 and 2: |u| limited to it
constexpr double kFormThreeFloor = -76.0;  // form 3: A/T raised to it
constexpr double kCoordinationNumber = 10.0;

void requireLength(std::size_t have, std::size_t need, std::int32_t array) {
  requireActivityArray(kName, have, need, array);
}

// The interaction factors tau and dtau/dT of every element k of the n x n matrices:
//   form 1: tau = exp(-(A/T + B)),   dtau/dT = tau A/T^2;
//   form 2: tau = exp(-A/(T B)),     dtau/dT = tau A/(B T^2);
//   form 3: tau = exp(-A/T),         dtau/dT = tau (A/T)/T, A/T raised to -76;
// the exponent of forms 1 and 2 limited to -80..80 (their slopes unlimited). Any other form
// writes nothing.
//   a, b in (n x n); form in; t (K) in; dtau, tau out
void UNIQPR(std::span<const double> a, std::span<const double> b, std::int32_t form, double t,
            std::span<double> dtau, std::span<double> tau) {
  for (std::size_t k = 0; k < a.size(); ++k) {
    switch (form) {
      case 1:
        tau[k] = std::exp(std::clamp(-(a[k] / t + b[k]), -kExponentLimit, kExponentLimit));
        dtau[k] = tau[k] * a[k] / (t * t);
        break;
      case 2:
        tau[k] = std::exp(std::clamp(-a[k] / (t * b[k]), -kExponentLimit, kExponentLimit));
        dtau[k] = tau[k] * a[k] / (b[k] * t * t);
        break;
      case 3: {
        const double u = std::max(a[k] / t, kFormThreeFloor);
        tau[k] = std::exp(-u);
        dtau[k] = u * tau[k] / t;
        break;
      }
      default:
        return;
    }
  }
}

// The lattice coordination number z and dz/dT: 10 at every temperature.
void UNQZCN(double /*t*/, double& z, double& dzdt) {
  z = kCoordinationNumber;
  dzdt = 0.0;
}

struct Surface {
  std::span<const double> q, qr, r;  // q (combinatorial), q' (residual), r
};

// The UNIQUAC kernel: ln gamma, d ln gamma/dT, GERT and HERT2 (level 2), and at level 3
// d ln gamma_i/d n_j at one mole in total (with q' = q) in DLNGDX (n x n).
//   level, n, surface, x, z, dzdt in; lngam, dlngdt, dlngdx, gert, hert2 out;
//   ds, s work (n); dtau, tau in (n x n)
void UNIQKR(std::int32_t level, std::size_t n, const Surface& sf, std::span<const double> x,
            double z, double dzdt, std::span<double> lngam, std::span<double> dlngdt,
            std::span<double> dlngdx, double& gert, double& hert2, std::span<double> ds,
            std::span<double> s, std::span<const double> dtau, std::span<const double> tau) {
  const auto at = [n](std::size_t i, std::size_t j) { return j * n + i; };
  const double h = 0.5 * z;
  const auto li = [&](std::size_t i) { return h * (sf.r[i] - sf.q[i]) - (sf.r[i] - 1.0); };

  // 1. The sums.
  double sq = 0.0, sqr = 0.0, sr = 0.0, sl = 0.0, sd = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    sq += x[i] * sf.q[i];
    sqr += x[i] * sf.qr[i];
    sr += x[i] * sf.r[i];
    sl += x[i] * li(i);
    sd += x[i] * (sf.r[i] - sf.q[i]);
  }

  // 2. The combinatorial part.
  double gc = 0.0, hc = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double phi = sf.r[i] / sr;
    const double ci = h * sf.q[i] * std::log(sr / sq * sf.q[i] / sf.r[i]);
    lngam[i] = std::log(phi) + ci + li(i) - phi * sl;
    dlngdt[i] = (sf.r[i] - sf.q[i]) * dzdt / 2.0 + ci * dzdt / z - phi * sd * dzdt / 2.0;
    gc += x[i] * (std::log(phi) + ci);
    hc += x[i] * ci;
  }

  // 3-4. The residual part and the mixture's terms.
  double gr = 0.0, hr = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    s[i] = 0.0;
    ds[i] = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
      const double theta = x[j] * sf.qr[j] / sqr;
      s[i] += theta * tau[at(j, i)];
      ds[i] += theta * dtau[at(j, i)];
    }
    const double lns = std::log(s[i]);
    lngam[i] += sf.qr[i] * (1.0 - lns);
    dlngdt[i] -= sf.qr[i] * ds[i] / s[i];
    gr += x[i] * sf.qr[i] * lns;
    hr += x[i] * sf.qr[i] * ds[i] / s[i];
  }
  gert = gc - gr;
  hert2 = hr - dzdt / z * hc;
  if (level < 2) return;

  // 5. The rest of the residual part.
  for (std::size_t i = 0; i < n; ++i) {
    double sumg = 0.0, sumd = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
      const double theta = x[j] * sf.qr[j] / sqr;
      sumg += theta * tau[at(i, j)] / s[j];
      sumd += theta * (tau[at(i, j)] * ds[j] / (s[j] * s[j]) - dtau[at(i, j)] / s[j]);
    }
    lngam[i] -= sf.qr[i] * sumg;
    dlngdt[i] += sf.qr[i] * sumd;
  }
  if (level < 3) return;

  // 6. The composition derivatives.
  const double ratio = sr / sq;
  for (std::size_t i = 0; i < n; ++i) {
    const double fi = 1.0 - sf.r[i] / sf.q[i] / ratio;
    for (std::size_t j = i; j < n; ++j) {
      const double fj = 1.0 - sf.r[j] / sf.q[j] / ratio;
      double rr = 1.0 - tau[at(i, j)] / s[j] - tau[at(j, i)] / s[i];
      for (std::size_t k = 0; k < n; ++k) {
        rr += tau[at(i, k)] * tau[at(j, k)] * (x[k] * sf.q[k] / sq) / (s[k] * s[k]);
      }
      const double g =
          (1.0 - sf.r[i] / sr) * (1.0 - sf.r[j] / sr) + (rr - h * fi * fj) * sf.q[i] * sf.q[j] / sq;
      dlngdx[at(i, j)] = g;
      dlngdx[at(j, i)] = g;
    }
  }
}

}  // namespace

void VTUNIQ(ActivityModelCall& c) {
  const auto n = static_cast<std::size_t>(std::max(c.ncl, 0));
  const std::size_t n2 = n * n;
  requireLength(c.param.size(), 2 * n2 + 3 * n, 4);
  requireLength(c.ictl.size(), activityctl::kCacheValid, 5);
  requireLength(c.work.size(), 2 * n, 16);
  requireLength(c.cache.size(), 2 * n2 + 1, 18);
  const std::span<double> tau = c.cache.first(n2);
  const std::span<double> dtau = c.cache.subspan(n2, n2);

  // 1. The factors, by the cache rule.
  if (activityCacheStale(c.ictl[activityctl::kCacheMode - 1], c.ictl[activityctl::kCacheValid - 1],
                         c.cache[2 * n2], c.t)) {
    UNIQPR(c.param.first(n2), c.param.subspan(n2, n2), c.ictl[activityctl::kOption - 1], c.t, dtau,
           tau);
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
  double z = 0.0, dzdt = 0.0;
  UNQZCN(c.t, z, dzdt);
  const Surface surface{c.param.subspan(2 * n2, n), c.param.subspan(2 * n2 + n, n),
                        c.param.subspan(2 * n2 + 2 * n, n)};
  UNIQKR(level, n, surface, c.x, z, dzdt, c.lngam, c.dlngdt, c.dlngdx, c.gert, c.hert2,
         c.work.subspan(n, n), c.work.first(n), dtau, tau);
}

}  // namespace equilibrium
