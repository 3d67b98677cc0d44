// The hard-sphere-chain equations of state PHCT1 and PHCT2. Both define the residual
// Helmholtz energy a_r(T, rho, x) of their model; every output is an exact derivative of
//   A(T, V, n) = n a_r(T, n/V, n_i/n),
// evaluated at the root (n = 1, V = 1/rho) in hyper-dual arithmetic: a number
// v + a e1 + b e2 + ab e1 e2 with e1^2 = e2^2 = 0 carries the first derivatives along two
// seeded directions and their mixed second derivative, so one pass of the model gives
// dA/du, dA/dw and d2A/du dw for any two of T, V and the amounts.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/pure/eos_internal.hpp"
#include "thermo/pure/hard_chain.hpp"
#include "thermo/pure/hard_chain_internal.hpp"

namespace pure {
namespace {

using hard_chain::kOneThird;
using hard_chain::kTwoThirds;
using hard_chain::pairAt;

// ---------------------------------------------------------------------------------------
// Hyper-dual numbers
// ---------------------------------------------------------------------------------------

struct HyperDual {
  double v = 0.0, a = 0.0, b = 0.0, ab = 0.0;
};
using HD = HyperDual;

HD operator+(HD x, HD y) { return {x.v + y.v, x.a + y.a, x.b + y.b, x.ab + y.ab}; }
HD operator-(HD x, HD y) { return {x.v - y.v, x.a - y.a, x.b - y.b, x.ab - y.ab}; }
HD operator-(HD x) { return {-x.v, -x.a, -x.b, -x.ab}; }
HD operator-(double c, HD x) { return {c - x.v, -x.a, -x.b, -x.ab}; }
HD operator-(HD x, double c) { return {x.v - c, x.a, x.b, x.ab}; }
HD operator*(HD x, double c) { return {x.v * c, x.a * c, x.b * c, x.ab * c}; }
HD operator*(double c, HD x) { return x * c; }
HD operator*(HD x, HD y) {
  return {x.v * y.v, x.a * y.v + x.v * y.a, x.b * y.v + x.v * y.b,
          x.ab * y.v + x.a * y.b + x.b * y.a + x.v * y.ab};
}
// f(x) from f, f' and f'' at x.v.
HD apply(HD x, double f, double f1, double f2) {
  return {f, f1 * x.a, f1 * x.b, f1 * x.ab + f2 * x.a * x.b};
}
HD reciprocal(HD x) {
  const double r = 1.0 / x.v;
  return apply(x, r, -r * r, 2.0 * r * r * r);
}
HD operator/(HD x, HD y) { return x * reciprocal(y); }
HD operator/(HD x, double c) { return x * (1.0 / c); }
HD operator/(double c, HD y) { return c * reciprocal(y); }
HD log(HD x) { return apply(x, std::log(x.v), 1.0 / x.v, -1.0 / (x.v * x.v)); }
HD pow(HD x, double c) {
  const double p = std::pow(x.v, c);
  return apply(x, p, c * p / x.v, c * (c - 1.0) * p / (x.v * x.v));
}
HD cube(HD x) { return x * x * x; }
HD square(HD x) { return x * x; }

// ---------------------------------------------------------------------------------------
// The model
// ---------------------------------------------------------------------------------------

enum class Variant { SquareWell, Attraction };

// The state at the root and the pair terms at T.
struct Model {
  Variant variant = Variant::SquareWell;
  std::size_t n = 0;
  double t = 0.0;    // K
  double rho = 0.0;  // reduced number density at the root
  std::span<const double> x, r, sigma;
  std::span<const double> b, bT, bTT, e, eT, eTT;  // scaled derivatives
};

// A seeded direction: dT (K), dV, or the amount of one component.
struct Direction {
  double t = 0.0;
  double v = 0.0;
  std::ptrdiff_t amount = -1;
};

// A T-dependent pair term with its derivatives along the two directions.
HD pairTerm(const Model& m, std::span<const double> f, std::span<const double> fT,
            std::span<const double> fTT, std::size_t k, const Direction& d1, const Direction& d2) {
  const double f1 = fT[k] / m.t;
  const double f2 = fTT[k] / (m.t * m.t);
  return {f[k], f1 * d1.t, f1 * d2.t, f2 * d1.t * d2.t};
}

// A(T, V, n) at the root, seeded along D1 and D2.
HD helmholtz(const Model& m, const Direction& d1, const Direction& d2) {
  const std::size_t n = m.n;
  // Amounts, mole fractions and density.
  HD total;
  for (std::size_t k = 0; k < n; ++k) {
    total = total + HD{m.x[k], d1.amount == static_cast<std::ptrdiff_t>(k) ? 1.0 : 0.0,
                       d2.amount == static_cast<std::ptrdiff_t>(k) ? 1.0 : 0.0, 0.0};
  }
  const auto fraction = [&](std::size_t k) {
    const HD amount{m.x[k], d1.amount == static_cast<std::ptrdiff_t>(k) ? 1.0 : 0.0,
                    d2.amount == static_cast<std::ptrdiff_t>(k) ? 1.0 : 0.0, 0.0};
    return amount / total;
  };
  const HD volume{1.0 / m.rho, d1.v, d2.v, 0.0};
  const HD rho = total / volume;
  const auto b = [&](std::size_t i, std::size_t j) {
    return pairTerm(m, m.b, m.bT, m.bTT, pairAt(i, j), d1, d2);
  };
  const auto e = [&](std::size_t i, std::size_t j) {
    return pairTerm(m, m.e, m.eT, m.eTT, pairAt(i, j), d1, d2);
  };

  // Mixture sums and the packing fraction.
  HD sb, s2, rbar;
  for (std::size_t k = 0; k < n; ++k) {
    const HD xr = fraction(k) * m.r[k];
    const HD bk = b(k, k);
    sb = sb + xr * bk;
    s2 = s2 + xr * pow(bk, kTwoThirds);
    rbar = rbar + xr;
  }
  const HD eta = rho * sb / 4.0;
  const HD xi = eta * s2 / sb;
  const HD w = (1.0 - eta).v >= 0.0 ? 1.0 - eta : eta - 1.0;  // D = |1 - eta|
  const HD i0 = -log(w) / eta;
  const HD j1 = (1.0 / w - i0) / eta;
  const HD j2 = (1.0 / (2.0 * square(w)) - j1) / eta;

  // Hard spheres, and the sums of the dispersion or attraction.
  HD hard, attraction, num, den;
  for (std::size_t i = 0; i < n; ++i) {
    const HD xri = fraction(i) * m.r[i];
    for (std::size_t j = 0; j < n; ++j) {
      const HD xx = xri * fraction(j) * m.r[j];
      const HD bij = b(i, j);
      const HD c = pow(b(i, i) * b(j, j) / bij, kOneThird);
      const HD vij = xi * c;
      hard = hard + xx * bij * (i0 + 1.5 * vij * j1 + 0.5 * square(vij) * j2);
      if (m.variant == Variant::SquareWell) {
        const double s = m.sigma[pairAt(i, j)];
        const HD wij = xx * (s * s * s);
        num = num + wij * e(i, j);
        den = den + wij;
      } else {
        attraction = attraction + xx * e(i, j);
      }
    }
  }
  hard = rho * hard;

  // Chain.
  HD chain;
  for (std::size_t i = 0; i < n; ++i) {
    if (m.r[i] == 1.0) continue;
    const HD v = xi * pow(b(i, i), kOneThird);
    const HD term = m.variant == Variant::SquareWell
                        ? log(1.0 / w + 1.5 * v / square(w) + 0.5 * square(v) / cube(w))
                        : -log(w) + 1.5 * v / w + 0.25 * square(v) / square(w);
    chain = chain - fraction(i) * (m.r[i] - 1.0) * term;
  }

  // Dispersion series or van der Waals attraction.
  HD tail;
  if (m.variant == Variant::SquareWell) {
    const HD ubar = num / den;
    const HD reduced = eta / kClosePacking;
    HD um = HD{1.0, 0.0, 0.0, 0.0};
    for (std::size_t mm = 0; mm < hard_chain::kTerms.size(); ++mm) {
      um = um * ubar;
      HD rn = HD{1.0, 0.0, 0.0, 0.0};
      for (std::size_t k = 0; k < hard_chain::kTerms[mm]; ++k) {
        rn = rn * reduced;
        tail = tail + hard_chain::kDispersion[mm][k] * rn * um;
      }
    }
    tail = rbar * tail;
  } else {
    tail = -(rho * attraction);
  }
  return total * (hard + chain + tail);
}

// ---------------------------------------------------------------------------------------
// The kernels' common driver
// ---------------------------------------------------------------------------------------

struct Outputs {
  std::span<double> q;
  double& z;
  std::span<double> lnphi;
  double& zT;
  double& zP;
  std::span<double> lnphiT, lnphiP;
  double& hr;
  double& sr;
  double& cvr;
  double& cpr;
  std::span<double> lnphiN, hrn, zdn, muT, murho;
};

// The root search accepts a residual below 1e-5, which at low pressure is a sizeable part
// of P~. A root it returns is refined by Newton steps on the residual (slope by central
// differences) while the residual keeps falling, so that Z matches P and the outputs are
// derivatives at the true root. A packing fraction that is not a root (a default or a
// safeguard value) is left alone.
double refinedRoot(HardChainResidual residual, std::span<const double> v, double eta) {
  constexpr double kRootResidual = 1e-5;
  constexpr int kSteps = 8;
  double f = residual(eta, v);
  if (!(eta > 0.0) || std::fabs(f) > kRootResidual) return eta;
  double x = eta;
  for (int step = 0; step < kSteps; ++step) {
    const double h = 1e-7 * x;
    const double slope = (residual(x + h, v) - residual(x - h, v)) / (2.0 * h);
    if (slope == 0.0) break;
    const double next = x - f / slope;
    if (!(next > 0.0)) break;
    const double fn = residual(next, v);
    if (std::fabs(fn) >= std::fabs(f)) break;
    x = next;
    f = fn;
  }
  return x;
}

void checkArrays(std::string_view name, std::int32_t level, std::size_t n, std::size_t ns,
                 std::span<const double> x, std::span<const double> eps,
                 std::span<const double> sigma, std::span<const double> r, const Outputs& out) {
  using eos_internal::requireLength;
  requireLength(x, n, name, "X");
  requireLength(eps, ns, name, "EPS");
  requireLength(sigma, ns, name, "SIGMA");
  requireLength(r, n, name, "R");
  requireLength(std::span<const double>(out.lnphi), n, name, "LNPHI");
  if (level >= 2) {
    for (std::span<const double> a :
         {std::span<const double>(out.lnphiT), std::span<const double>(out.lnphiP),
          std::span<const double>(out.muT), std::span<const double>(out.murho)}) {
      requireLength(a, n, name, "DERIVATIVES");
    }
  }
  if (level >= 4) {
    requireLength(std::span<const double>(out.q), n, name, "Q");
    requireLength(std::span<const double>(out.lnphiN), n * n, name, "LNPHIN");
    requireLength(std::span<const double>(out.hrn), n, name, "HRN");
    requireLength(std::span<const double>(out.zdn), n, name, "ZDN");
  }
}

void solveKernel(Variant variant, double t, double p, double p0, std::span<const double> xIn,
                 std::int32_t nc, std::int32_t ns, std::int32_t phase, std::int32_t level,
                 std::span<const double> sigma, std::span<const double> r,
                 std::span<const double> b, std::span<const double> bT, std::span<const double> bTT,
                 std::span<const double> e, std::span<const double> eT, std::span<const double> eTT,
                 Outputs& out, std::span<double> work, std::int32_t nwork) {
  const std::string_view name = variant == Variant::SquareWell ? "PHCT1" : "PHCT2";
  const std::size_t n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  const std::size_t m = static_cast<std::size_t>(ns > 0 ? ns : 0);
  const std::size_t pairArrays = variant == Variant::SquareWell ? 3 : 2;
  const std::size_t need = 4 + 2 * n + pairArrays * m;
  const std::size_t have = std::min(work.size(), static_cast<std::size_t>(nwork > 0 ? nwork : 0));
  eos_internal::requireLength(std::span<const double>(work).first(have), need, name, "WORK");

  // 1. Reduced state.
  const double theta = t / kHardChainTemperature;
  const double pr = kHardChainPressure * p;
  const double pr0 = kHardChainPressure * p0;

  // 2. The packed vector, with the composition normalised.
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) sum += xIn[i];
  if (!(sum > 0.0)) sum = 1.0;
  work[0] = theta;
  work[1] = pr;
  work[2] = static_cast<double>(n);
  work[3] = static_cast<double>(m);
  for (std::size_t i = 0; i < n; ++i) {
    work[4 + i] = xIn[i] / sum;
    work[4 + n + i] = r[i];
  }
  for (std::size_t k = 0; k < m; ++k) {
    work[4 + 2 * n + k] = b[k];
    work[4 + 2 * n + m + k] = e[k];
    if (pairArrays > 2) work[4 + 2 * n + 2 * m + k] = sigma[k];
  }
  const std::span<const double> v(work.data(), need);
  const std::span<const double> x = v.subspan(4, n);

  // 3. The packing fraction of the phase, refined when it is a root, and the density.
  const HardChainResidual residual = variant == Variant::SquareWell ? HCDNFA : HCDNFB;
  double eta = 0.0;
  HCROOT(residual, v, phase, eta);
  eta = refinedRoot(residual, v, eta);
  double sb = 0.0;
  for (std::size_t i = 0; i < n; ++i) sb += x[i] * r[i] * b[pairAt(i, i)];
  Model model{variant, n, t, 4.0 * eta / sb, x, r, sigma, b, bT, bTT, e, eT, eTT};
  const double volume = 1.0 / model.rho;

  // 4-5. a_r, Z and the derivatives of the level.
  const Direction dT{1.0, 0.0, -1};
  const Direction dV{0.0, 1.0, -1};
  const HD vv = helmholtz(model, dV, dV);
  const double ar = vv.v;
  double z = 1.0 - volume * vv.a;
  double rhoZrho = 0.0, tZt = 0.0, taT = 0.0, t2aTT = 0.0;
  if (level >= 2) {
    rhoZrho = volume * vv.a + volume * volume * vv.ab;
    const HD tv = helmholtz(model, dT, dV);
    tZt = -t * volume * tv.ab;
    const HD tt = helmholtz(model, dT, dT);
    taT = t * tt.a;
    t2aTT = t * t * tt.ab;
  }

  // 6. Z guard.
  if (z <= 0.0) {
    if (phase == 1) z = 1.0;
    if (phase == 2) z = 1e-6;
  }
  out.z = z;
  const double lnz = std::log(z);
  const double zr = z + rhoZrho;

  // 7. Derivatives of Z and the departures.
  if (level >= 2) {
    out.zT = (tZt - rhoZrho * (z + tZt) / zr) / t;
    out.zP = rhoZrho * z / (zr * p);
    out.hr = z - 1.0 - taT;
    out.sr = lnz - ar - taT - std::log(pr / pr0);
    if (level >= 3) {
      out.cvr = -2.0 * taT - t2aTT;
      out.cpr = out.cvr + (z + tZt) * (z + tZt) / zr - 1.0;
    }
  }

  // 8-9. The components.
  for (std::size_t i = 0; i < n; ++i) {
    const Direction di{0.0, 0.0, static_cast<std::ptrdiff_t>(i)};
    const HD iv = helmholtz(model, di, dV);
    const double mu = iv.a;
    out.lnphi[i] = mu - lnz;
    if (level < 2) continue;
    const double murho = -volume * iv.ab;
    const double muT = t * helmholtz(model, di, dT).ab;
    out.murho[i] = murho;
    out.muT[i] = muT;
    out.lnphiT[i] = ((muT - tZt / z) - (z + tZt) * (murho - rhoZrho / z) / zr) / t;
    out.lnphiP[i] = (murho - rhoZrho / z) * z / (zr * p);
    if (level < 4) continue;
    const double qi = 1.0 + murho;
    out.q[i] = qi;
    out.zdn[i] = qi * z / zr - z;
    out.hrn[i] = out.zdn[i] - (muT - taT - tZt * qi / zr);
  }
  if (level >= 4) {
    for (std::size_t j = 0; j < n; ++j) {
      for (std::size_t i = 0; i <= j; ++i) {
        const Direction di{0.0, 0.0, static_cast<std::ptrdiff_t>(i)};
        const Direction dj{0.0, 0.0, static_cast<std::ptrdiff_t>(j)};
        const double mij = helmholtz(model, di, dj).ab;
        out.lnphiN[j * n + i] = mij + 1.0 - out.q[i] * out.q[j] / zr;
        out.lnphiN[i * n + j] = out.lnphiN[j * n + i];
      }
    }
  }
}

}  // namespace

void PHCT1(double t, double p, double p0, std::span<const double> x, std::int32_t nc,
           std::int32_t ns, std::int32_t phase, std::int32_t level, std::span<const double> eps,
           std::span<const double> sigma, std::span<const double> r, std::span<const double> kappa,
           std::span<double> b, std::span<double> bT, std::span<double> bTT, std::span<double> q,
           std::span<double> e, std::span<double> eT, std::span<double> eTT, double& z,
           std::span<double> lnphi, double& zT, double& zP, std::span<double> lnphiT,
           std::span<double> lnphiP, double& hr, double& sr, double& cvr, double& cpr,
           std::span<double> lnphiN, std::span<double> hrn, std::span<double> zdn,
           std::span<double> muT, std::span<double> murho, std::span<double> work,
           std::int32_t nwork) {
  Outputs out{q, z, lnphi, zT, zP, lnphiT, lnphiP, hr, sr, cvr, cpr, lnphiN, hrn, zdn, muT, murho};
  const std::size_t n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  checkArrays("PHCT1", level, n, static_cast<std::size_t>(ns > 0 ? ns : 0), x, eps, sigma, r, out);
  HCEOSA(t / kHardChainTemperature, nc, eps, sigma, kappa, b, bT, bTT, e, eT, eTT);
  solveKernel(Variant::SquareWell, t, p, p0, x, nc, ns, phase, level, sigma, r, b, bT, bTT, e, eT,
              eTT, out, work, nwork);
}

void PHCT2(double t, double p, double p0, std::span<const double> x, std::int32_t nc,
           std::int32_t ns, std::int32_t phase, std::int32_t level, std::span<const double> eps,
           std::span<const double> sigma, std::span<const double> r, std::span<double> b,
           std::span<double> bT, std::span<double> bTT, std::span<double> q, std::span<double> e,
           std::span<double> eT, std::span<double> eTT, double& z, std::span<double> lnphi,
           double& zT, double& zP, std::span<double> lnphiT, std::span<double> lnphiP, double& hr,
           double& sr, double& cvr, double& cpr, std::span<double> lnphiN, std::span<double> hrn,
           std::span<double> zdn, std::span<double> muT, std::span<double> murho,
           std::span<double> work, std::int32_t nwork) {
  Outputs out{q, z, lnphi, zT, zP, lnphiT, lnphiP, hr, sr, cvr, cpr, lnphiN, hrn, zdn, muT, murho};
  const std::size_t n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  checkArrays("PHCT2", level, n, static_cast<std::size_t>(ns > 0 ? ns : 0), x, eps, sigma, r, out);
  HCEOSB(t / kHardChainTemperature, nc, eps, sigma, b, bT, bTT, e, eT, eTT);
  solveKernel(Variant::Attraction, t, p, p0, x, nc, ns, phase, level, sigma, r, b, bT, bTT, e, eT,
              eTT, out, work, nwork);
}

}  // namespace pure
