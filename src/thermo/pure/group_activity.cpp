// ACTSTR: activity coefficients of the group-contribution model with its combinatorial
// variants and the free-volume term, with temperature and composition derivatives.
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "services/services.hpp"
#include "thermo/pure/activity_kernels.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure {
namespace {

constexpr const char* kName = "ACTSTR";
// Entries are nu * kEntryScale + subgroup.
constexpr std::int32_t kEntryScale = 10000;
// Coordination number over two.
constexpr double kHalfCoordination = 5.0;
// Free-volume constants: 15.17 * 1.28, c = 1.1 (3c = 3.3) and the cube-root exponent.
constexpr double kReducedVolumeScale = 19.4176;
constexpr double kFreeVolumeC = 1.1;
constexpr double kFreeVolume3C = 3.3;
constexpr double kCubeRoot = 0.333333;
constexpr std::int32_t kFreeVolumeVariant = 4;

// The subgroup data of the call, with the interaction factors of two subgroups.
struct Groups {
  std::size_t m = 0;
  std::size_t ng = 0;
  std::span<const double> qk;
  std::span<const std::int32_t> mainGroup;
  std::span<const double> psi, dpsi, d2psi;

  std::size_t at(std::size_t a, std::size_t b) const {
    return static_cast<std::size_t>(mainGroup[b] - 1) * ng +
           static_cast<std::size_t>(mainGroup[a] - 1);
  }
  bool shared(std::size_t a, std::size_t b) const { return mainGroup[a] == mainGroup[b]; }
  // Psi(main(a), main(b)) of the S sums: 1 (derivatives 0) within one main group.
  double sPsi(std::size_t a, std::size_t b) const { return shared(a, b) ? 1.0 : psi[at(a, b)]; }
  double sDpsi(std::size_t a, std::size_t b) const { return shared(a, b) ? 0.0 : dpsi[at(a, b)]; }
  double sD2psi(std::size_t a, std::size_t b) const { return shared(a, b) ? 0.0 : d2psi[at(a, b)]; }
};

// Sums and ln Gamma of the subgroups of SET for the area fractions THETA.
struct GroupTerms {
  std::vector<double> s, ds, d2s, lnG, dlnG, d2lnG;
  void resize(std::size_t m) {
    for (auto* v : {&s, &ds, &d2s, &lnG, &dlnG, &d2lnG}) v->assign(m, 0.0);
  }
};

// S_k = sum_m Theta_m Psi(m, k); ln Gamma_k = Q_k [1 - ln S_k - sum_m Theta_m Psi(k, m)/S_m],
// with the first and (when SECOND) second temperature derivatives.
void groupTerms(const Groups& gr, const std::vector<std::size_t>& set,
                std::span<const double> theta, bool second, GroupTerms& out) {
  for (const std::size_t k : set) {
    double s = 0.0, ds = 0.0, d2s = 0.0;
    for (const std::size_t m : set) {
      s += theta[m] * gr.sPsi(m, k);
      ds += theta[m] * gr.sDpsi(m, k);
      if (second) d2s += theta[m] * gr.sD2psi(m, k);
    }
    out.s[k] = s;
    out.ds[k] = ds;
    out.d2s[k] = d2s;
  }
  for (const std::size_t k : set) {
    double sum = 0.0, dsum = 0.0, d2sum = 0.0;
    for (const std::size_t m : set) {
      const double p = gr.psi[gr.at(k, m)];
      const double dp = gr.dpsi[gr.at(k, m)];
      const double sm = out.s[m];
      sum += theta[m] * p / sm;
      dsum += (dp - p * out.ds[m] / sm) * theta[m] / sm;
      if (second) {
        const double d2p = gr.d2psi[gr.at(k, m)];
        d2sum +=
            theta[m] * (d2p / sm - 2.0 * dp * out.ds[m] / (sm * sm) - p * out.d2s[m] / (sm * sm) +
                        2.0 * p * out.ds[m] * out.ds[m] / (sm * sm * sm));
      }
    }
    const double sk = out.s[k];
    out.lnG[k] = gr.qk[k] * (1.0 - std::log(sk) - sum);
    out.dlnG[k] = -gr.qk[k] * (out.ds[k] / sk + dsum);
    if (second) {
      out.d2lnG[k] = -gr.qk[k] * (out.d2s[k] / sk - out.ds[k] * out.ds[k] / (sk * sk) + d2sum);
    }
  }
}

// Area fractions Theta_k = Q_k X_k / sum Q X of the group amounts over SET.
void areaFractions(const Groups& gr, const std::vector<std::size_t>& set,
                   std::span<const double> amounts, std::span<double> theta) {
  double total = 0.0;
  for (const std::size_t k : set) total += amounts[k];
  double area = 0.0;
  for (const std::size_t k : set) area += gr.qk[k] * amounts[k] / total;
  for (const std::size_t k : set) theta[k] = gr.qk[k] * amounts[k] / total / area;
}

// The work arrays of ACTSTR, kept between calls so that a warm call allocates nothing;
// every problem open starts them again.
struct ActstrWork {
  GroupTerms terms;
  std::vector<std::size_t> set;
  std::vector<double> pureSecond;
  std::vector<double> fvSlope;
  std::vector<double> dS;
  std::vector<double> dLnG;
};
ActstrWork actstrWork;
const bool kActstrWorkReset = services::registerKeptValues([] { actstrWork = {}; });

}  // namespace

void ACTSTR(std::int32_t& status, std::int32_t nder, std::int32_t n, std::span<const double> x,
            std::span<double> lngam, std::span<double> dlngdt, std::span<double> dlngdx,
            std::int32_t m, std::int32_t ng, std::span<const double> q, std::span<const double> r,
            std::span<const double> r2, std::span<const double> qk,
            std::span<const std::int32_t> mainGroup, std::span<const std::int32_t> entryCount,
            std::span<const std::int32_t> entries, std::span<const double> psi,
            std::span<const double> dpsi, std::int32_t integerWorkLength,
            std::span<std::int32_t> integerWork, std::int32_t realWorkLength,
            std::span<double> realWork, std::int32_t variant, std::span<const double> molarMass,
            std::span<const double> liquidDensity, std::span<const double> d2psi, double& gTT) {
  status = 0;
  if (n < 1 || m < 1) return;
  const auto nc = static_cast<std::size_t>(n);
  const auto mm = static_cast<std::size_t>(m);
  const Groups gr{mm, static_cast<std::size_t>(ng), qk, mainGroup, psi, dpsi, d2psi};
  const bool second = !d2psi.empty();
  using eos_internal::requireLength;
  for (const auto& [a, what] : {std::pair{x, "X"}, std::pair{q, "Q"}, std::pair{r, "R"}}) {
    requireLength(a, nc, kName, what);
  }
  requireLength(qk, mm, kName, "QK");
  requireLength(mainGroup, mm, kName, "MAIN GROUPS");
  requireLength(entryCount, nc, kName, "ENTRY COUNTS");
  requireLength(psi, gr.ng * gr.ng, kName, "PSI");
  requireLength(dpsi, gr.ng * gr.ng, kName, "DPSI");
  if (second) requireLength(d2psi, gr.ng * gr.ng, kName, "D2PSI");
  if (variant == 2) requireLength(r2, nc, kName, "R2");
  requireLength(lngam, nc, kName, "LNGAM");
  requireLength(dlngdt, nc, kName, "DLNGDT");
  if (nder > 1)
    requireLength(dlngdx, static_cast<std::size_t>(nder) * (nc - 1) + nc, kName, "DLNGDX");
  requireLength(integerWork, 2 * mm + mm * nc, kName, "INTEGER WORK");
  requireLength(realWork, nc + 9 * mm, kName, "REAL WORK");
  for (std::size_t k = 0; k < integerWork.size() && k < static_cast<std::size_t>(integerWorkLength);
       ++k)
    integerWork[k] = 0;
  for (std::size_t k = 0; k < realWork.size() && k < static_cast<std::size_t>(realWorkLength); ++k)
    realWork[k] = 0.0;

  // The count table nu_k(i) and the sections of the real work.
  const auto nu = [&](std::size_t k, std::size_t i) -> std::int32_t& {
    return integerWork[2 * mm + k * nc + i];
  };
  std::size_t next = 0;
  for (std::size_t i = 0; i < nc; ++i) {
    requireLength(entries, next + static_cast<std::size_t>(entryCount[i]), kName, "ENTRIES");
    for (std::int32_t e = 0; e < entryCount[i]; ++e, ++next) {
      const std::int32_t entry = entries[next];
      nu(static_cast<std::size_t>(entry % kEntryScale - 1), i) += entry / kEntryScale;
    }
  }
  const std::span<double> theta = realWork.subspan(0, mm);
  const std::span<double> amounts = realWork.subspan(5 * mm, mm);
  const std::span<double> totals = realWork.subspan(6 * mm, nc);
  const std::span<double> dTheta = realWork.subspan(7 * mm + nc, mm);
  GroupTerms& terms = actstrWork.terms;
  std::vector<std::size_t>& set = actstrWork.set;
  std::vector<double>& pureSecond = actstrWork.pureSecond;
  terms.resize(mm);
  pureSecond.assign(nc, 0.0);

  // 1. Mixture sums.
  double sq = 0.0, sr = 0.0, sr2 = 0.0, sumX = 0.0;
  for (std::size_t i = 0; i < nc; ++i) {
    sq += x[i] * q[i];
    sr += x[i] * r[i];
    if (variant == 2) sr2 += x[i] * r2[i];
    sumX += x[i];
  }

  // 2. The pure components' group terms.
  for (std::size_t i = 0; i < nc; ++i) {
    set.clear();
    for (std::size_t k = 0; k < mm; ++k) {
      if (nu(k, i) > 0) set.push_back(k);
      amounts[k] = nu(k, i);
      totals[i] += nu(k, i);
    }
    areaFractions(gr, set, amounts, theta);
    groupTerms(gr, set, theta, second, terms);
    lngam[i] = dlngdt[i] = 0.0;
    for (const std::size_t k : set) {
      lngam[i] += nu(k, i) * terms.lnG[k];
      dlngdt[i] += nu(k, i) * terms.dlnG[k];
      if (second) pureSecond[i] += nu(k, i) * terms.d2lnG[k];
    }
  }

  // 3-4. The mixture's group terms over all subgroups.
  set.clear();
  for (std::size_t k = 0; k < mm; ++k) {
    set.push_back(k);
    amounts[k] = 0.0;
    for (std::size_t i = 0; i < nc; ++i) amounts[k] += x[i] * nu(k, i);
  }
  areaFractions(gr, set, amounts, theta);
  groupTerms(gr, set, theta, second, terms);

  // 5-6. Residual part, combinatorial part and the free-volume term.
  const bool freeVolume = variant == kFreeVolumeVariant;
  double volume = 0.0;  // sum x_i M_i/rho_i
  if (freeVolume) {
    requireLength(molarMass, nc, kName, "MOLAR MASS");
    requireLength(liquidDensity, nc, kName, "LIQUID DENSITY");
    for (std::size_t i = 0; i < nc; ++i) volume += x[i] * molarMass[i] / liquidDensity[i];
  }
  const double vm = volume / (kReducedVolumeScale * sr);  // reduced volume of the mixture
  const double sm = std::pow(vm, kCubeRoot);
  std::vector<double>& fvSlope = actstrWork.fvSlope;  // dFV_i/dv_m
  fvSlope.assign(nc, 0.0);
  double curvature = 0.0;
  for (std::size_t i = 0; i < nc; ++i) {
    double res = -lngam[i];
    double dres = -dlngdt[i];
    double d2res = -pureSecond[i];
    for (std::size_t k = 0; k < mm; ++k) {
      res += nu(k, i) * terms.lnG[k];
      dres += nu(k, i) * terms.dlnG[k];
      if (second) d2res += nu(k, i) * terms.d2lnG[k];
    }
    curvature += x[i] * d2res;
    double comb = 0.0;
    const double omega = r[i] / sr;
    if (omega > 0.0) {
      comb = std::log(omega) + 1.0 - omega;
      if (variant != 1) {
        const double p = variant == 2 ? sq * (r2[i] / sr2) / q[i] : sq * omega / q[i];
        comb -= kHalfCoordination * q[i] * (std::log(p) + 1.0 - p);
      }
    }
    lngam[i] = res + comb;
    dlngdt[i] = dres;
    if (freeVolume) {
      const double vi = molarMass[i] / (liquidDensity[i] * kReducedVolumeScale * r[i]);
      const double si = std::pow(vi, kCubeRoot);
      const double ratio = (si - 1.0) / (sm - 1.0);
      if (ratio > 0.0) {
        lngam[i] +=
            kFreeVolume3C * std::log(ratio) - kFreeVolumeC * (vi / vm - 1.0) / (1.0 - 1.0 / si);
        fvSlope[i] = -kFreeVolume3C * kCubeRoot * std::pow(vm, kCubeRoot - 1.0) / (sm - 1.0) +
                     kFreeVolumeC * vi / (vm * vm * (1.0 - 1.0 / si));
      }
    }
  }
  gTT = second ? curvature : 0.0;
  if (nder <= 1) return;

  // 7. n dln(gamma_i)/dn_j: residual part through Theta of the mixture, combinatorial
  //    part, and the free-volume term through the mixture's reduced volume.
  const auto ld = static_cast<std::size_t>(nder);
  double areaTotal = 0.0;
  for (std::size_t k = 0; k < mm; ++k) areaTotal += qk[k] * amounts[k];
  std::vector<double>& dS = actstrWork.dS;
  std::vector<double>& dLnG = actstrWork.dLnG;
  dS.assign(mm, 0.0);
  dLnG.assign(mm, 0.0);
  for (std::size_t j = 0; j < nc; ++j) {
    double areaJ = 0.0;
    for (std::size_t k = 0; k < mm; ++k) areaJ += qk[k] * nu(k, j);
    for (std::size_t k = 0; k < mm; ++k) {
      dTheta[k] = sumX * (qk[k] * nu(k, j) - theta[k] * areaJ) / areaTotal;
    }
    for (std::size_t k = 0; k < mm; ++k) {
      dS[k] = 0.0;
      for (std::size_t l = 0; l < mm; ++l) dS[k] += dTheta[l] * gr.sPsi(l, k);
    }
    for (std::size_t k = 0; k < mm; ++k) {
      double sum = 0.0;
      for (std::size_t l = 0; l < mm; ++l) {
        const double p = psi[gr.at(k, l)];
        sum += dTheta[l] * p / terms.s[l] - theta[l] * p * dS[l] / (terms.s[l] * terms.s[l]);
      }
      dLnG[k] = qk[k] * (-dS[k] / terms.s[k] - sum);
    }
    const double dvm =
        freeVolume ? vm * sumX * (molarMass[j] / liquidDensity[j] / volume - r[j] / sr) : 0.0;
    for (std::size_t i = 0; i < nc; ++i) {
      double value = 0.0;
      for (std::size_t k = 0; k < mm; ++k) value += nu(k, i) * dLnG[k];
      value += (1.0 - r[i] / sr) * (1.0 - r[j] / sr);
      if (variant == 2) {
        value -= kHalfCoordination * (q[i] * q[j] / sq) * (1.0 - sq * r2[i] / (sr2 * q[i])) *
                 (1.0 - sq * r2[j] / (sr2 * q[j]));
      } else if (variant != 1) {
        value -= kHalfCoordination * (q[i] * q[j] / sq) * (1.0 - sq * r[i] / (sr * q[i])) *
                 (1.0 - sq * r[j] / (sr * q[j]));
      }
      if (freeVolume) value += fvSlope[i] * dvm;
      dlngdx[j * ld + i] = value;
    }
  }
}

}  // namespace pure
