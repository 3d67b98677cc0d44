// Pseudo-critical mixing rules of the corresponding-states methods: Kay's rule, the
// critical-volume rule, the two Stewart-Burkhardt-Voo rules and the Lee-Kesler rules, with
// the composition derivatives of the Lee-Kesler rule that give the component fugacities.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/pure/corresponding_states.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure {
namespace {

using eos_internal::pairIndex;
using eos_internal::requireLength;

constexpr double kR = services::kGasConstant;
constexpr double kThreshold = kPseudoCriticalThreshold;
// Exponent limits of the critical-volume rule.
constexpr double kExponentLow = 1.0;
constexpr double kExponentHigh = 2.2;
// The Lee-Kesler critical compressibility: 0.2905 - 0.085 omega.
constexpr double kZcBase = 0.2905;
constexpr double kZcSlope = 0.085;

std::size_t count(std::int32_t nc) { return nc > 0 ? static_cast<std::size_t>(nc) : 0; }

void require(std::span<const double> a, std::size_t n, std::string_view routine,
             std::string_view what) {
  requireLength(a, n, routine, what);
}

}  // namespace

void XDOT2(std::int32_t nc, std::span<const double> a, double& sa, std::span<const double> b,
           double& sb, std::span<const double> x) {
  const std::size_t n = count(nc);
  require(a, n, "XDOT2", "A");
  require(b, n, "XDOT2", "B");
  require(x, n, "XDOT2", "X");
  sa = 0.0;
  sb = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    sa += x[i] * a[i];
    sb += x[i] * b[i];
  }
}

void PCMIX1(std::int32_t nc, std::span<const double> pc, double& pcm, double p,
            std::span<const double> tc, double& tcm, double t, std::span<const double> vc,
            std::span<const double> vc13, double& vcm, std::span<const double> x,
            std::span<const double> zc) {
  const std::size_t n = count(nc);
  for (const auto& [array, name] :
       {std::pair{pc, "PC"}, {tc, "TC"}, {vc, "VC"}, {vc13, "VC13"}, {x, "X"}, {zc, "ZC"}}) {
    require(array, n, "PCMIX1", name);
  }
  // 1. Kay sums over the components present.
  double pk = 0.0;
  double tk = 0.0;
  double zk = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (x[i] > kThreshold) {
      pk += x[i] * pc[i];
      tk += x[i] * tc[i];
      zk += x[i] * zc[i];
    }
  }
  // 2. Exponent from the Kay-reduced pressure over the Kay-reduced temperature.
  double e = 2.43 - 0.74 * (p * tk) / (t * pk);
  e = std::clamp(e, kExponentLow, kExponentHigh);
  // 3. Volume and temperature sums.
  double w = 0.0;
  double s = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (x[i] < kThreshold) continue;
    w += 8.0 * x[i] * x[i] * vc[i];
    for (std::size_t j = 0; j < i; ++j) {
      if (x[j] < kThreshold) continue;
      const double c = vc13[i] + vc13[j];
      w += 2.0 * x[i] * x[j] * c * c * c;
    }
    s += x[i] * std::sqrt(kR * zc[i] * std::pow(tc[i], e + 1.0) / pc[i]);
  }
  // 4. Vc,m = W/8; Tc,m = (S^2/Vc,m)^(1/n); Pc,m = R Z_K Tc,m / Vc,m.
  vcm = w / 8.0;
  tcm = std::pow(s * s / vcm, 1.0 / e);
  pcm = kR * zk * tcm / vcm;
}

void PCMIX2(std::int32_t nc, std::span<const double> pc, double& pcm, std::span<const double> tc,
            double& tcm, std::span<const double> x) {
  const std::size_t n = count(nc);
  require(pc, n, "PCMIX2", "PC");
  require(tc, n, "PCMIX2", "TC");
  require(x, n, "PCMIX2", "X");
  double k = 0.0;
  double j1 = 0.0;
  double j2 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (x[i] < kThreshold) continue;
    k += x[i] * tc[i] / std::sqrt(pc[i]);
    j1 += x[i] * tc[i] / pc[i];
    j2 += x[i] * std::sqrt(tc[i] / pc[i]);
  }
  const double j = (j1 + 2.0 * j2 * j2) / 3.0;
  tcm = k * k / j;
  pcm = tcm / j;
}

void PCMIX3(std::int32_t nc, std::span<const double> pc, double& pcm,
            std::span<const double> sqrtPc, std::span<const double> tc, double& tcm, double& jm,
            std::span<const double> cbrtTcPc, std::span<const double> x) {
  const std::size_t n = count(nc);
  for (const auto& [array, name] :
       {std::pair{pc, "PC"}, {sqrtPc, "SQRTPC"}, {tc, "TC"}, {cbrtTcPc, "CBRTTP"}, {x, "X"}}) {
    require(array, n, "PCMIX3", name);
  }
  double s = 0.0;
  double w = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    s += x[i] * tc[i] / sqrtPc[i];
    w += 8.0 * x[i] * x[i] * tc[i] / pc[i];
    for (std::size_t j = 0; j < i; ++j) {
      if (x[j] < kThreshold) continue;
      const double c = cbrtTcPc[i] + cbrtTcPc[j];
      w += 2.0 * x[i] * x[j] * c * c * c;
    }
  }
  jm = w / 8.0;
  tcm = s * s / jm;
  pcm = tcm / jm;
}

void PCMXLK(std::int32_t nc, double omegam, double& pcm, std::span<const double> tc, double& tcm,
            std::span<const double> sqrtTc, std::span<const double> cbrtVc, double& vcm,
            std::span<const double> x) {
  const std::size_t n = count(nc);
  require(tc, n, "PCMXLK", "TC");
  require(sqrtTc, n, "PCMXLK", "SQRTTC");
  require(cbrtVc, n, "PCMXLK", "CBRTVC");
  require(x, n, "PCMXLK", "X");
  double w = 0.0;
  double u = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (x[i] <= kThreshold) continue;
    const double v = cbrtVc[i] * cbrtVc[i] * cbrtVc[i];
    w += 8.0 * x[i] * x[i] * v;
    u += 8.0 * x[i] * x[i] * v * tc[i];
    for (std::size_t j = 0; j < i; ++j) {
      if (x[j] < kThreshold) continue;
      const double c = cbrtVc[i] + cbrtVc[j];
      const double term = 2.0 * x[i] * x[j] * c * c * c;
      w += term;
      u += term * sqrtTc[i] * sqrtTc[j];
    }
  }
  tcm = u / w;
  vcm = w / 8.0;
  pcm = (kZcBase - kZcSlope * omegam) * kR * tcm / vcm;
}

void LKMXSM(std::int32_t nc, std::span<const double> vc, std::span<const double> tv,
            std::span<const double> vcp, std::span<const double> tvp, double eta,
            std::span<const double> x, double& tcm, double& pcm, double omegam, double& vcm) {
  const std::size_t n = count(nc);
  const std::size_t np = eos_internal::pairCount(nc);
  require(vc, n, "LKMXSM", "VC");
  require(tv, n, "LKMXSM", "TV");
  require(x, n, "LKMXSM", "X");
  if (n > 1) {
    require(vcp, np, "LKMXSM", "VCP");
    require(tvp, np, "LKMXSM", "TVP");
  }
  double v = 0.0;
  double s = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    v += x[i] * x[i] * vc[i];
    s += x[i] * x[i] * tv[i];
    for (std::size_t j = 0; j < i; ++j) {
      const std::size_t k =
          pairIndex(static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1));
      v += 2.0 * x[i] * x[j] * vcp[k];
      s += 2.0 * x[i] * x[j] * tvp[k];
    }
  }
  vcm = v;
  tcm = s / std::pow(vcm, eta);
  pcm = (kZcBase - kZcSlope * omegam) * kR * tcm / vcm;
}

void LKMIXR(std::int32_t nc, std::span<const double> vc, std::span<const double> tv,
            std::span<const double> vcp, std::span<const double> tvp, double eta,
            std::span<const double> x, double tcm, double omegam, double vcm, std::span<double> out,
            double z, double h, std::span<const double, 2> q0r, std::span<const double> omega) {
  const std::size_t n = count(nc);
  const std::size_t np = eos_internal::pairCount(nc);
  require(vc, n, "LKMIXR", "VC");
  require(tv, n, "LKMIXR", "TV");
  require(x, n, "LKMIXR", "X");
  require(omega, n, "LKMIXR", "OMEGA");
  eos_internal::requireLength(std::span<const double>(out), n, "LKMIXR", "OUT");
  if (n > 1) {
    require(vcp, np, "LKMIXR", "VCP");
    require(tvp, np, "LKMIXR", "TVP");
  }
  const auto pairOf = [&](std::span<const double> diagonal, std::span<const double> packed,
                          std::size_t i, std::size_t j) {
    if (i == j) return diagonal[i];
    return packed[pairIndex(static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1))];
  };
  // 1. The mixture quantity and the temperature sum of the rule.
  const double spread = (q0r[1] - q0r[0]) / kReferenceAcentric;
  const double q = q0r[0] + omegam * spread;
  const double vEta = std::pow(vcm, eta);
  const double s = tcm * vEta;
  const double zc = kZcBase - kZcSlope * omegam;
  for (std::size_t k = 0; k < n; ++k) {
    // 2. The negatives of n dVCM/dn_k and n dTCM/dn_k.
    double sv = 0.0;
    double st = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
      sv += x[j] * pairOf(vc, vcp, k, j);
      st += x[j] * pairOf(tv, tvp, k, j);
    }
    const double dv = 2.0 * (vcm - sv);
    const double dt = (2.0 * (s - st) - dv * eta * tcm * vEta / vcm) / vEta;
    // 3. n dln(P/PCM)/dn_k.
    const double delta = omegam - omega[k];
    const double u = dt / tcm - kZcSlope * delta / zc - dv / vcm;
    // 4. The partial value.
    out[k] = q + (z - 1.0) * u - h * dt / tcm - delta * spread;
  }
}

}  // namespace pure
