// Vapour method 115: the Hayden-O'Connell driver (HOCDRV) and the vapour fugacity method
// (HOCFUG) with its compressibility factor and departure functions.
//
// With association the vapour is an ideal mixture of true monomers z_i and dimers
// K_ij z_i z_j, each with its free second virial coefficient; per apparent mole
//   ln(phi_i) = c Bf_ii + ln(z_i/y_i), Z = z0 (1 + B c), z0 = 1/S, c = P/(R T),
//   B = sum_i z_i Bf_ii + sum_{j<=i} K_ij z_i z_j Bf_ij,
// and the residual enthalpy that HOCFUG forms from the species arrays is -T d(sum y ln
// phi)/dT of this ln(phi).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "services/services.hpp"
#include "thermo/pure/eos_internal.hpp"
#include "thermo/pure/hard_chain_internal.hpp"
#include "thermo/pure/vapour_methods.hpp"

namespace pure {
namespace {

using hard_chain::pairAt;

constexpr double kR = services::kGasConstant;
// The temperature step of the association path's differences, K.
constexpr double kStep = 0.1;

// Scratch of the driver, kept between calls (the library is single-threaded) so that a warm
// call allocates nothing.
struct Scratch {
  std::vector<double> bf, bfT, bfTT, bb, bbT, bbTT, k;  // NS
  std::vector<double> z, previous, lnphi;               // NC
};
// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
Scratch hocScratch;
const bool kHocScratchReset = services::registerKeptValues([] { hocScratch = {}; });

Scratch& scratch(std::size_t n, std::size_t ns) {
  Scratch& s = hocScratch;
  for (auto* v : {&s.bf, &s.bfT, &s.bfTT, &s.bb, &s.bbT, &s.bbTT, &s.k}) {
    if (v->size() < ns) v->resize(ns);
  }
  for (auto* v : {&s.z, &s.previous, &s.lnphi}) {
    if (v->size() < n) v->resize(n);
  }
  return s;
}

// One solution of the associated vapour at T.
struct Associated {
  double z0 = 0.0;
  double b = 0.0;
  std::int32_t error = 0;
};

// The true species at T into Z (NC) and K (NS), ln(phi) into LNPHI; Bf and Bb at T into the
// given arrays.
Associated solveAt(std::int32_t nc, const HocComponents& data, std::span<const double> eta,
                   double t, double p, std::span<const double> y, std::int32_t restart,
                   std::span<double> bf, std::span<double> bfT, std::span<double> bfTT,
                   std::span<double> bb, std::span<double> bbT, std::span<double> bbTT,
                   std::span<double> z, std::span<double> previous, std::span<double> k,
                   std::span<double> lnphi) {
  const std::size_t n = static_cast<std::size_t>(nc);
  std::int32_t flag = 0;
  HOCBIJ(nc, t, data, eta, bf, bfT, bfTT, bb, bbT, bbTT, flag);
  const double c = p / (kR * t);
  Associated a;
  double s = 0.0;
  HOCBCH(nc, c, y, bf, bb, restart, lnphi, z, previous, s, k, a.error);
  if (a.error != 0) return a;
  a.z0 = 1.0 / s;
  for (std::size_t i = 0; i < n; ++i) {
    double w = 0.0;
    for (std::size_t j = 0; j < n; ++j) w += (i == j ? 2.0 : 1.0) * k[pairAt(i, j)] * z[j];
    lnphi[i] = c * bf[pairAt(i, i)] + std::log(s) - std::log(1.0 + w);
    a.b += z[i] * bf[pairAt(i, i)];
    for (std::size_t j = 0; j <= i; ++j) a.b += k[pairAt(i, j)] * z[i] * z[j] * bf[pairAt(i, j)];
  }
  return a;
}

}  // namespace

std::size_t hocSpeciesWords(std::int32_t nc) {
  const auto n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  return 7 * hard_chain::pairsWithDiagonal(nc) + 2 * n;
}

HocSpecies hocSpecies(std::int32_t nc, std::span<double> storage) {
  const auto n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  const std::size_t ns = hard_chain::pairsWithDiagonal(nc);
  eos_internal::requireLength(std::span<const double>(storage), hocSpeciesWords(nc), "HOCFUG",
                              "STORAGE");
  HocSpecies s;
  std::span<double>* arrays[] = {&s.bf, &s.bb, &s.bfT, &s.bbT, &s.bfTT, &s.bbTT, &s.k};
  for (std::size_t a = 0; a < 7; ++a) *arrays[a] = storage.subspan(a * ns, ns);
  s.weight = storage.subspan(7 * ns, n);
  s.weightT = storage.subspan(7 * ns + n, n);
  return s;
}

void HOCDRV(std::int32_t nc, const HocComponents& data, std::span<const double> eta,
            std::int32_t associating, std::int32_t level, double t, double p,
            std::span<const double> y, std::int32_t restart, std::span<double> lnphi,
            std::span<double> lnphiT, std::span<double> lnphiTT, double& b, double& bT, double& bTT,
            double& z0, double& z0T, const HocSpecies& species, std::int32_t& error) {
  constexpr const char* kName = "HOCDRV";
  const std::size_t n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  const std::size_t ns = hard_chain::pairsWithDiagonal(nc);
  eos_internal::requireLength(y, n, kName, "Y");
  eos_internal::requireLength(std::span<const double>(lnphi), n, kName, "LNPHI");
  if (level >= 2) eos_internal::requireLength(std::span<const double>(lnphiT), n, kName, "LNPHIT");
  if (level >= 3)
    eos_internal::requireLength(std::span<const double>(lnphiTT), n, kName, "LNPHITT");
  error = 0;
  const double c = p / (kR * t);
  Scratch& w = scratch(n, ns);

  if (associating == 0) {
    // Plain virial gas: B, its derivatives and ln(phi), all analytic.
    std::int32_t flag = 0;
    HOCBIJ(nc, t, data, eta, species.bf, species.bfT, species.bfTT, species.bb, species.bbT,
           species.bbTT, flag);
    const auto total = [&](std::span<const double> f, std::span<const double> g, std::size_t k) {
      return f[k] + g[k];
    };
    double bm = 0.0, bm1 = 0.0, bm2 = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        const std::size_t k = pairAt(i, j);
        bm += y[i] * y[j] * total(species.bf, species.bb, k);
        bm1 += y[i] * y[j] * total(species.bfT, species.bbT, k);
        bm2 += y[i] * y[j] * total(species.bfTT, species.bbTT, k);
      }
    }
    for (std::size_t i = 0; i < n; ++i) {
      double s0 = 0.0, s1 = 0.0, s2 = 0.0;
      for (std::size_t j = 0; j < n; ++j) {
        const std::size_t k = pairAt(i, j);
        s0 += y[j] * total(species.bf, species.bb, k);
        s1 += y[j] * total(species.bfT, species.bbT, k);
        s2 += y[j] * total(species.bfTT, species.bbTT, k);
      }
      const double g0 = 2.0 * s0 - bm;
      const double g1 = 2.0 * s1 - bm1;
      const double g2 = 2.0 * s2 - bm2;
      lnphi[i] = g0 * c;
      if (level >= 2) lnphiT[i] = g1 * c - g0 * c / t;
      if (level >= 3) lnphiTT[i] = g2 * c - 2.0 * g1 * c / t + 2.0 * g0 * c / (t * t);
      species.weight[i] = y[i];
      species.weightT[i] = 0.0;
    }
    for (std::size_t k = 0; k < ns; ++k) {
      species.k[k] = 0.0;
      species.bfT[k] *= t;
      species.bbT[k] *= t;
      species.bfTT[k] *= t * t;
      species.bbTT[k] *= t * t;
    }
    b = bm;
    bT = t * bm1;
    bTT = t * t * bm2;
    z0 = 1.0;
    z0T = 0.0;
    return;
  }

  // Association: the true species at T, then at T - 0.1 and T + 0.1 from the ln(phi) at T.
  const auto fail = [&]() {
    error = 1;
    b = bT = bTT = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      lnphi[i] = 0.0;
      if (level >= 2) lnphiT[i] = 0.0;
      if (level >= 3) lnphiTT[i] = 0.0;
    }
  };
  const Associated at =
      solveAt(nc, data, eta, t, p, y, restart, species.bf, species.bfT, species.bfTT, species.bb,
              species.bbT, species.bbTT, species.weight, w.previous, species.k, lnphi);
  if (at.error != 0) {
    fail();
    return;
  }
  for (std::size_t k = 0; k < ns; ++k) {
    species.bfT[k] *= t;
    species.bbT[k] *= t;
    species.bfTT[k] *= t * t;
    species.bbTT[k] *= t * t;
  }
  z0 = at.z0;
  b = at.b;
  z0T = 0.0;
  bT = 0.0;
  bTT = 0.0;
  for (std::size_t i = 0; i < n; ++i) species.weightT[i] = 0.0;
  if (level < 2) return;

  // Central differences over 0.1 K, each side started from ln(phi) at T.
  const auto side = [&](double ts, std::span<double> lnphiSide, std::span<double> zSide) {
    std::copy_n(lnphi.begin(), n, lnphiSide.begin());
    return solveAt(nc, data, eta, ts, p, y, 10, w.bf, w.bfT, w.bfTT, w.bb, w.bbT, w.bbTT, zSide,
                   w.previous, w.k, lnphiSide);
  };
  std::vector<double>& zMinus = w.z;
  const Associated minus =
      side(t - kStep, std::span<double>(w.lnphi).first(n), std::span<double>(zMinus).first(n));
  if (minus.error != 0) {
    fail();
    return;
  }
  // Keep the lower side in the derivative arrays while the upper side is solved.
  for (std::size_t i = 0; i < n; ++i) {
    lnphiT[i] = w.lnphi[i];
    species.weightT[i] = zMinus[i];
  }
  const Associated plus =
      side(t + kStep, std::span<double>(w.lnphi).first(n), std::span<double>(zMinus).first(n));
  if (plus.error != 0) {
    fail();
    return;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const double lower = lnphiT[i];
    const double upper = w.lnphi[i];
    lnphiT[i] = (upper - lower) / (2.0 * kStep);
    if (level >= 3) lnphiTT[i] = (upper - 2.0 * lnphi[i] + lower) / (kStep * kStep);
    species.weightT[i] = (zMinus[i] - species.weightT[i]) / (2.0 * kStep);
  }
  z0T = (plus.z0 - minus.z0) / (2.0 * kStep);
  bT = t * (plus.b - minus.b) / (2.0 * kStep);
  bTT = t * t * (plus.b - 2.0 * at.b + minus.b) / (kStep * kStep);
}

void HOCFUG(const HocComponents& data, std::span<const double> eta, std::int32_t level,
            std::int32_t nc, std::int32_t ns, double p, double t, std::span<const double> y,
            std::int32_t& status, double& z0, double& z, double& zT, double& zP,
            std::span<double> lnphi, std::span<double> lnphiT, std::span<double> lnphiTT,
            double& hr, double& sr, double& cpr, double& cvr, double& cpcv,
            std::span<double> storage) {
  const std::size_t n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  const std::size_t npairs = static_cast<std::size_t>(ns > 0 ? ns : 0);
  eos_internal::requireLength(eta, npairs, "HOCFUG", "ETA");
  const HocSpecies sp = hocSpecies(nc, storage);

  // 1-2. R T, P/(R T) and the association flag.
  const double rt = kR * t;
  const double c = p / rt;
  std::int32_t associating = 0;
  for (std::size_t k = 0; k < npairs; ++k) {
    if (eta[k] >= kStrongAssociation) associating = 1;
  }

  // 3. Coefficients, fugacities and species.
  double b = 0.0, y1 = 0.0, w2 = 0.0, q = 0.0;
  HOCDRV(nc, data, eta, associating, std::min(level, 3), t, p, y, 0, lnphi, lnphiT, lnphiTT, b, y1,
         w2, z0, q, sp, status);

  // 4. A failure zeroes Z and the departures of the level.
  if (status != 0) {
    z = 0.0;
    if (level >= 2) zT = hr = sr = 0.0;
    if (level >= 3) cpr = cvr = cpcv = 0.0;
    if (level >= 4) zP = 0.0;
    return;
  }

  if (associating == 0) {
    // 5. Plain virial gas.
    z = 1.0 + b * c;
    if (level >= 2) {
      hr = (b - y1) * c;
      sr = -y1 * c;
      zT = (y1 * c - (z - 1.0)) / t;
    }
    if (level >= 3) {
      cpr = -w2 * c;
      cpcv = (2.0 * y1 + y1 * y1 * c) * c + 1.0;
      cvr = -(w2 + 2.0 * y1 + y1 * y1 * c) * c;
    }
    if (level >= 4) zP = (z - 1.0) / p;
    return;
  }

  // 6. Associating gas.
  z = z0 * (1.0 + b * c);
  if (level < 2) return;
  zT = q * (1.0 + b * c) + (y1 - b) * z0 * c / t;
  const auto at = [](std::span<const double> a, std::size_t i, std::size_t j) {
    return a[pairAt(i, j)];
  };
  double s1 = 0.0, s2 = 0.0, s3 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    s1 += sp.weight[i] * (at(sp.bf, i, i) - at(sp.bfT, i, i));
    for (std::size_t j = 0; j <= i; ++j) {
      const double x = sp.weight[i] * sp.weight[j] * at(sp.k, i, j);
      s2 += x * (at(sp.bf, i, j) - at(sp.bfT, i, j));
      s3 += x * (1.0 - at(sp.bbT, i, j) / at(sp.bb, i, j));
    }
  }
  const double h = (s1 + s2) * c - s3;
  hr = z0 * h;
  double g = 0.0;
  for (std::size_t i = 0; i < n; ++i) g += y[i] * lnphi[i];
  sr = hr - g;
  if (level < 3) return;
  double s4 = 0.0, s5 = 0.0, s6 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    s4 +=
        t * sp.weightT[i] * (at(sp.bf, i, i) - at(sp.bfT, i, i)) - sp.weight[i] * at(sp.bfTT, i, i);
    for (std::size_t j = 0; j <= i; ++j) {
      const double x = sp.weight[i] * sp.weight[j] * at(sp.k, i, j);
      if (services::RELCMP(x, 0.0) == 0) continue;
      const double f = at(sp.bfT, i, i) + at(sp.bfT, j, j) - at(sp.bfT, i, j) - at(sp.bf, i, i) -
                       at(sp.bf, j, j) + at(sp.bf, i, j);
      const double ratio = at(sp.bbT, i, j) / at(sp.bb, i, j);
      const double e = (ratio - 1.0) / t + f * p / (rt * t);
      const double xT = (sp.weight[i] * sp.weightT[j] + sp.weightT[i] * sp.weight[j] +
                         sp.weight[i] * sp.weight[j] * e) *
                        at(sp.k, i, j);
      s5 += t * xT * (at(sp.bf, i, j) - at(sp.bfT, i, j)) - x * at(sp.bfTT, i, j);
      s6 += t * xT * (1.0 - ratio) + x * (ratio - 1.0) * ratio -
            x * at(sp.bbTT, i, j) / at(sp.bb, i, j);
    }
  }
  cpr = q * t * h + z0 * ((s4 + s5) * c - s3 - s6);
  cvr = 0.0;
  cpcv = cpr + 1.0;
}

}  // namespace pure
