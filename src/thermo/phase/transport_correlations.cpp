// The built-in transport correlations: gas density, pure and mixture gas viscosity and
// conductivity, liquid conductivity, surface tension from the Watson factor, and the
// density-based methods of code 124.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/markers.hpp"
#include "services/numeric.hpp"
#include "services/services.hpp"
#include "thermo/phase/transport.hpp"
#include "thermo/phase/transport_internal.hpp"

namespace phase {
namespace {

using services::DMISS;
using services::kGasConstant;
using transport::ComponentReal;
using transport::constant;
using transport::single;

constexpr double kAtm = 101.325;            // kPa
constexpr double kMaxReducedDensity = 2.8;  // of the Stiel-Thodos dense terms
// The scale factors of the conductivity correlations.
constexpr double kConductivityScale = 1.73074;
constexpr double kConductivityScale2 = 241.9;

// Tc^(1/6) / (sqrt(M) Pc(atm)^(2/3)) with the single-precision exponents of the
// correlations.
double xi(double tc, double pc, double m) {
  return std::pow(tc, single(0.16667)) / (std::sqrt(m) * std::pow(pc / kAtm, single(0.66667)));
}

// Kay pseudo-critical constants of a composition over N components.
struct Pseudo {
  double m = 0.0, vc = 0.0, zc = 0.0, tc = 0.0, pc = 0.0;
};

Pseudo kayGas(std::span<const double> y) {
  const std::int32_t n = transport::vapourCount();
  Pseudo s;
  for (std::int32_t i = 1; i <= n; ++i) {
    const double yi = y[static_cast<std::size_t>(i - 1)];
    s.m += yi * constant(ComponentReal::MolecularWeight, i);
    s.vc += yi * constant(ComponentReal::CriticalVolume, i);
    s.zc += yi * constant(ComponentReal::CriticalCompressibility, i);
    s.tc += yi * constant(ComponentReal::CriticalTemperature, i);
  }
  if (s.vc <= 0.0) {
    s = {1.0, 1.0, 1.0, 1.0, 0.0};
  }
  s.pc = s.tc * kGasConstant * s.zc / s.vc;
  return s;
}

}  // namespace

double TRVGC1(double tc, double pc, double t, double p) {
  const double tr = t / tc;
  const double pr = p / pc;
  const double a = 0.42748023 * pr / std::pow(tr, 2.5);
  const double b = 0.08664035 * pr / tr;
  double z = 1.0, z2 = 0.0, z3 = 0.0;
  std::int32_t nroot = 0;
  services::CUBRTS(1, -1.0, a - b - b * b, -a * b, z, z2, z3, nroot, 1, 0.5, 1e-6);
  return p / (z * kGasConstant * t);
}

double TRVVC1(double t, double tc, double pc, double vc, double m, double rho) {
  const double tr = t / tc;
  const double x = xi(tc, pc, m);
  const double mu0 = (4.61 * std::pow(tr, single(0.618)) - 2.04 * std::exp(-0.449 * tr) +
                      1.94 * std::exp(-4.058 * tr) + 0.1) /
                     10000.0 / x;
  const double rr = std::min(rho * vc, kMaxReducedDensity);
  return (mu0 +
          1.08e-4 * (std::exp(1.439 * rr) - std::exp(-1.11 * std::pow(rr, single(1.858)))) / x) /
         1000.0;
}

double TRCVC1(double t, double m, double tc, double pc, double vc, double rho) {
  const double tr = t / tc;
  const double zc = pc * vc / (kGasConstant * tc);
  const double gamma =
      std::pow(tc, single(0.16667)) * std::sqrt(m) / std::pow(pc / kAtm, single(0.66667));
  double fm = 0.0;
  if (m <= 16.0) {
    fm = 0.00329327 * m * m + 0.0066827 * m;
  } else if (m <= 38.0) {
    fm = 0.0032576 * m * m + 0.0081818 * m - 0.01485;
  } else if (m <= 71.0) {
    fm = 0.00111716 * m * m + 0.1812596 * m - 3.50105;
  } else {
    fm = 0.4054 * m - 13.784;
  }
  const double lambda0 = kConductivityScale2 *
                         (9.96e-5 * (std::exp(0.0464 * tr) - std::exp(-0.2412 * tr)) +
                          1e-5 * fm * (1.191 * tr * tr - 0.152 * tr - 0.039 * tr * tr * tr)) /
                         gamma;
  const double rr = std::min(rho * vc, kMaxReducedDensity);
  double d = 0.0;
  if (rr <= 0.5) {
    d = 1.4e-7 * (std::exp(0.535 * rr) - 1.0);
  } else if (rr <= 2.0) {
    d = 1.31e-7 * (std::exp(0.67 * rr) - 1.069);
  } else {
    d = 2.976e-8 * (std::exp(1.155 * rr) + 2.016);
  }
  return (lambda0 + kConductivityScale2 * d / (std::pow(zc, 5) * gamma)) * kConductivityScale;
}

double TRVVMX(double t, double p, std::span<const double> y, std::int32_t& /*ierr*/) {
  const Pseudo s = kayGas(y);
  const double rho = TRVGC1(s.tc, s.pc, t, p);
  return TRVVC1(t, s.tc, s.pc, s.vc, s.m, rho);
}

double TRCVMX(double t, double p, std::span<const double> y, std::int32_t& /*ierr*/) {
  const Pseudo s = kayGas(y);
  const double rho = TRVGC1(s.tc, s.pc, t, p);
  return TRCVC1(t, s.m, s.tc, s.pc, s.vc, rho);
}

double TRCLC1(double t, double p, double tb, double tc, double pc, double m) {
  if (tb > tc) return DMISS;
  const double tr = std::min(t / tc, 0.99);
  const double tbr = tb / tc;
  const double pr = p / pc;
  const double k0 = 0.616845 / std::sqrt(m) * (3.0 + 20.0 * std::pow(1.0 - tr, 2.0 / 3.0)) /
                    (3.0 + 20.0 * std::pow(1.0 - tbr, 2.0 / 3.0));
  const double e = tr > 0.7 ? std::exp(29.4 * tr * tr - 37.71 * tr + 8.317)
                            : std::exp(6.0 * tr * tr - 3.8 * tr - 3.95);
  const double n = tr > 0.6 ? 2.399 * tr + 0.1746 - 2.384 * tr * tr : 0.8899 - 0.223 * tr;
  return kConductivityScale * k0 * (1.0 + e * std::pow(pr, n));
}

double TRCLMX(double t, double p, std::span<const double> x, std::int32_t& ierr) {
  ierr = 0;
  const std::int32_t n = transport::vapourCount();
  double s = 0.0, m = 0.0, vc = 0.0, zc = 0.0, tc = 0.0, q = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    const double xi1 = x[static_cast<std::size_t>(i - 1)];
    const double tci = constant(ComponentReal::CriticalTemperature, i);
    s += xi1;
    m += xi1 * constant(ComponentReal::MolecularWeight, i);
    vc += xi1 * constant(ComponentReal::CriticalVolume, i);
    zc += xi1 * constant(ComponentReal::CriticalCompressibility, i);
    tc += xi1 * tci;
    q += xi1 * constant(ComponentReal::NormalBoilingPoint, i) / tci;
  }
  double tb = 0.0, pc = 0.0;
  if (s <= 0.0) {
    tb = 400.0;
    tc = 500.0;
    pc = 2000.0;
    m = 30.0;
  } else {
    tb = tc * q;
    pc = vc <= 0.0 ? 1.0 : tc * kGasConstant * zc / vc;
  }
  return TRCLC1(t, p, tb, tc, pc, m);
}

double TRCOR1(double t, double tc, double k) {
  const double tr = std::min(t / tc, 0.99999);
  return 0.001 * std::exp(6.51 + 1.2035 * std::log(1.0 - tr)) / k;
}

double TRSTB1(double t, double /*p*/, std::span<const double> x, std::int32_t& /*ierr*/) {
  const std::int32_t n = transport::vapourCount();
  double s = 0.0, tc = 0.0, m = 0.0, w = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    const double xi1 = x[static_cast<std::size_t>(i - 1)];
    const double mi = constant(ComponentReal::MolecularWeight, i);
    s += xi1;
    tc += xi1 * constant(ComponentReal::CriticalTemperature, i);
    m += xi1 * mi;
    w += xi1 * mi * std::cbrt(1.8 * constant(ComponentReal::NormalBoilingPoint, i)) /
         constant(ComponentReal::StandardLiquidDensity, i);
  }
  double k = 12.0;
  if (s <= 0.0) {
    tc = 500.0;
  } else {
    k = w / m;
  }
  return TRCOR1(t, tc, k);
}

double TRJSTV(std::int32_t n, std::span<const double> tc, std::span<const double> pc,
              std::span<const double> vc, std::span<const double> m, double rho,
              std::span<const double> y, double t, std::int32_t& /*ierr*/) {
  double top = 0.0, bottom = 0.0, tcm = 0.0, mm = 0.0, pcm = 0.0, vcm = 0.0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
    const double xi1 =
        std::pow(tc[i], 1.0 / 6.0) / (std::sqrt(m[i]) * std::pow(pc[i] / kAtm, 2.0 / 3.0));
    const double tr = t / tc[i];
    const double mu0 = tr < 1.5 ? 3.4e-4 * std::pow(tr, 0.94) / xi1
                                : 1.778e-4 * std::pow(4.58 * tr - 1.67, 0.625) / xi1;
    const double w = y[i] * std::sqrt(m[i]);
    top += w * mu0;
    bottom += w;
    tcm += y[i] * tc[i];
    mm += y[i] * m[i];
    pcm += y[i] * pc[i] / kAtm;
    vcm += y[i] * vc[i];
  }
  const double mu0 = bottom > 0.0 ? top / bottom : 0.0;
  const double xim = std::pow(tcm, 1.0 / 6.0) / (std::sqrt(mm) * std::pow(pcm, 2.0 / 3.0));
  const double rr = rho * vcm;
  const double poly =
      0.1023 + rr * (0.023364 + rr * (0.058533 + rr * (-0.040758 + rr * 0.0093324)));
  return (mu0 + (std::pow(poly, 4) - 1e-4) / xim) * 0.001;
}

double TRSTMX(std::int32_t nl, std::int32_t nv, std::span<const double> tc,
              std::span<const double> vc, std::span<const double> m, double rhoL, double rhoV,
              std::span<const double> x, std::span<const double> y, std::span<double> para,
              double& expo, std::int32_t& /*ierr*/) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(nl); ++i) {
    if (para[i] >= services::RMISS) continue;
    if (m[i] > 142.0) {
      para[i] = 2.92 * m[i] + 10.0;
    } else {
      const double v = std::pow(tc[i], 0.25) * std::pow(vc[i], 5.0 / 6.0);
      para[i] = 176.05005 - 7472.807 * vc[i] - 0.87458088 * tc[i] + 1560.4793 * v +
                19.309439 * v * v + 0.05013801 * v * v * v - 25.691718 / v;
    }
  }
  if (expo < services::RMISS) expo = 4.0;
  double s = 0.0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(nl); ++i) {
    const double liquidTerm = x[i] * rhoL / 1000.0;
    const double vapourTerm = i < static_cast<std::size_t>(nv) ? y[i] * rhoV / 1000.0 : 0.0;
    s += para[i] * (liquidTerm - vapourTerm);
  }
  const double sigma = s <= 0.0 ? 0.0 : std::pow(s, expo);
  return sigma / 1000.0;
}

}  // namespace phase
