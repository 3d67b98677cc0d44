// The cubic-equation route of the liquid-density dispatcher: the pure-component and pair
// terms at T (the held block's term cache), the mixing rule of the method code and the
// liquid root.
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/activity_kernels.hpp"
#include "thermo/pure/cubic_eos.hpp"
#include "thermo/pure/cubic_terms.hpp"
#include "thermo/pure/density_internal.hpp"
#include "thermo/pure/eos_internal.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace pure {

namespace {

using methods::LDSTAT;
using storage::CORSTO;

constexpr const char* kName = "DNLIQ";
// The smallest mole fraction of the associating component that selects EOSZRA.
constexpr double kAssociatingFraction = 1.0e-12;

// The arrays of the route, kept between calls (the library is single-threaded) so that a
// warm call allocates nothing.
struct Work {
  std::vector<double> abar, bbar, lnphi;
  std::vector<double> lngam, lngamT, sums, nrtl;
  std::vector<std::int32_t> descriptor;
};
// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
Work cubicWork;
const bool kCubicWorkReset = services::registerKeptValues([] { cubicWork = {}; });

Work& work(std::size_t n) {
  Work& w = cubicWork;
  for (auto* v : {&w.abar, &w.bbar, &w.lnphi, &w.lngam, &w.lngamT}) {
    if (v->size() < n) v->resize(n);
  }
  if (w.sums.size() < 4 * n) w.sums.resize(4 * n);
  return w;
}

bool isAsymmetric(std::int32_t code) {
  return code == 111 || code == 114 || code == 116 || code == 117 || code == 121 || code == 122 ||
         code == 502;
}

bool isExcessRule(std::int32_t code) { return code == 109 || code == 112; }

// Integer word K (1-based) of the first integer sector.
std::int32_t& integerWord(std::int32_t k) { return CORSTO[LDSTAT.integerSector1 + k]; }

}  // namespace

namespace density_internal {

bool cubicLiquid(std::int32_t code, std::int32_t nc, double t, double p, std::span<const double> x,
                 std::span<const double> block, double& z) {
  const std::int32_t groups = cubicblock::groups(code);
  if (groups == 0) return false;
  const auto n = static_cast<std::size_t>(nc);
  const std::size_t np = eos_internal::pairCount(nc);
  const std::size_t width = groups == 3 ? np : 2 * np;
  const auto at = [&](std::int32_t word) { return static_cast<std::size_t>(word - 1); };
  const std::size_t pairStart = at(cubicblock::pairs(nc));
  std::size_t need = pairStart + static_cast<std::size_t>(groups) * np;
  if (code == 108) need += n;
  if (code == 124) need += 5 * n;
  eos_internal::requireLength(block, need, kName, "CUBIC BLOCK");
  eos_internal::requireLength(
      std::span<const std::int32_t>(CORSTO.words(LDSTAT.integerSector1 + 1, LDSTAT.integerLength1)),
      n + (code == cubicblock::kAssociatingCode ? 4 : 3), kName, "CUBIC INTEGERS");
  Work& w = work(n);

  // 1-3. The pure-component and pair terms at T, kept with the block while the temperature
  //      repeats when its cache state asks for it (the state word 2).
  CubicTermsCall termsCall;
  termsCall.code = code;
  termsCall.nc = nc;
  termsCall.t = t;
  termsCall.level = 1;
  termsCall.cacheAllowed = true;
  termsCall.pairTerms = !isExcessRule(code);
  termsCall.storesK = isAsymmetric(code);
  termsCall.groups = groups;
  termsCall.words = need;
  termsCall.routine = kName;
  const CubicTerms terms = heldCubicTerms(termsCall);
  if (terms.evaluated) DNCNTS.termEvaluations += 1;
  // The terms' copy of the block: the words they were formed from.
  block = terms.block;
  const double u1 = block[at(cubicblock::kU1)];
  const double u2 = block[at(cubicblock::kU2)];
  const std::span<const double> cov = block.subspan(at(cubicblock::covolume(nc)), n);
  const std::span<const double> tc = block.subspan(at(cubicblock::criticalTemperature(nc)), n);
  const std::span<const double> sqrta = terms.sqrta;

  // 4. The mixing rule of the code.
  double am = 0.0, amT = 0.0, amTT = 0.0, bm = 0.0, bmT = 0.0, bmTT = 0.0;
  const std::span<double> abar(w.abar.data(), n);
  const std::span<double> bbar(w.bbar.data(), n);
  const std::span<const double> k1 = terms.k1;
  const std::span<const double> k2 = terms.k2;
  switch (code) {
    case 101:
    case 102:
    case 124:
      EOSMR7(sqrta, {}, {}, cov, k1, {}, {}, 1, nc, x, am, amT, amTT, abar, {}, {}, bm, bmT, bmTT,
             bbar, {}, {});
      break;
    case 108: {
      const std::int32_t flagged = integerWord(nc + 1);
      const std::span<const double> c = block.subspan(pairStart + 3 * width, n);
      const double tw =
          flagged >= 1 && flagged <= nc ? tc[static_cast<std::size_t>(flagged - 1)] : 1.0;
      EOSMR4(sqrta, {}, {}, cov, k1, {}, {}, c, flagged, 1, nc, t, tw, x, am, amT, amTT, abar, {},
             {}, bm, bmT, bmTT, bbar, {}, {});
      break;
    }
    case 111:
    case 114:
      EOSMR3(sqrta, {}, {}, cov, k1, {}, {}, k2, {}, {}, 1, nc, x, am, amT, amTT, abar, {}, {}, bm,
             bmT, bmTT, bbar, {}, {});
      break;
    case 116:
    case 117:
    case 502:
    case 121:
    case 122: {
      const std::span<const double> c1 = block.subspan(pairStart + 3 * width, np);
      const std::span<const double> c2 = block.subspan(pairStart + 3 * width + np, np);
      if (code == 121 || code == 122) {
        EOSMR2(sqrta, {}, {}, cov, k1, {}, {}, k2, {}, {}, c1, c2, 1, nc, x, t, am, amT, amTT, abar,
               {}, {}, bm, bmT, bmTT, bbar, {}, {});
      } else {
        EOSMR1(sqrta, {}, {}, cov, k1, {}, {}, k2, {}, {}, c1, c2, 1, nc, x, am, amT, amTT, abar,
               {}, {}, bm, bmT, bmTT, bbar, {}, {});
      }
      break;
    }
    case 109:
    case 112: {
      // The NRTL terms from the block's second sectors, written back for their cache.
      const std::size_t n2 = n * n;
      const std::size_t reals = 5 * n2 + 4 * n2 + 1;
      if (w.nrtl.size() < reals) w.nrtl.resize(reals);
      for (std::size_t q = 0; q < reals; ++q) {
        w.nrtl[q] = CORSTO.real(LDSTAT.realSector2 + static_cast<std::int32_t>(q) + 1);
      }
      const std::size_t words = 6 + np;
      if (w.descriptor.size() < words) w.descriptor.resize(words);
      for (std::size_t q = 0; q < words; ++q) {
        w.descriptor[q] = CORSTO[LDSTAT.integerSector2 + static_cast<std::int32_t>(q) + 1];
      }
      double g = 0.0, hE = 0.0, gTT = 0.0;
      const std::span<double> nrtl(w.nrtl.data(), reals);
      VTNRTL(x, t, nc, 0, nrtl.first(5 * n2), std::span<std::int32_t>(w.descriptor.data(), words),
             nrtl.subspan(5 * n2), std::span<double>(w.sums.data(), 4 * n),
             std::span<double>(w.lngam.data(), n), std::span<double>(w.lngamT.data(), n), {}, g, hE,
             gTT);
      for (std::size_t q = 5 * n2; q < reals; ++q) {
        CORSTO.setReal(LDSTAT.realSector2 + static_cast<std::int32_t>(q) + 1, w.nrtl[q]);
      }
      for (std::size_t q = 0; q < words; ++q) {
        CORSTO[LDSTAT.integerSector2 + static_cast<std::int32_t>(q) + 1] = w.descriptor[q];
      }
      EOSMR6(terms.a, {}, {}, cov, std::span<const double>(w.lngam.data(), n),
             std::span<const double>(w.lngamT.data(), n), {}, g, hE, gTT, t, 1, nc, u1, u2, x, am,
             amT, amTT, abar, {}, {}, bm, bmT, bmTT, bbar, {}, {});
      break;
    }
    default:
      return false;
  }

  // 5. The liquid root; EOSZRA for method 122 with an associating component present.
  double zT = 0.0, zP = 0.0, hr = 0.0, sr = 0.0, cpr = 0.0, cvr = 0.0, cpcv = 0.0;
  const std::span<double> lnphi(w.lnphi.data(), n);
  std::int32_t associating = 0;
  if (code == cubicblock::kAssociatingCode && integerWord(cubicblock::associatingCount(nc)) >= 1) {
    eos_internal::requireLength(std::span<const std::int32_t>(
                                    CORSTO.words(LDSTAT.integerSector1 + 1, LDSTAT.integerLength1)),
                                n + 5, kName, "CUBIC INTEGERS");
    const std::int32_t first = integerWord(cubicblock::associatingIndices(nc));
    if (first >= 1 && first <= nc &&
        x[static_cast<std::size_t>(first - 1)] >= kAssociatingFraction) {
      associating = first;
    }
  }
  if (associating > 0) {
    EOSZRA(am, amT, amTT, abar, {}, {}, bm, bmT, bmTT, bbar, {}, {}, kLiquidPhase, 1, nc, p,
           kReferencePressure, u1, u2, t, z, zT, zP, lnphi, {}, {}, {}, hr, sr, cpr, cvr, cpcv, {},
           {}, associating, x[static_cast<std::size_t>(associating - 1)], x);
  } else {
    std::int32_t status = kTrueRoot;
    EOSZRT(am, amT, amTT, abar, {}, {}, bm, bmT, bmTT, bbar, {}, {}, kLiquidPhase, 1, nc, p,
           kReferencePressure, u1, u2, t, z, zT, zP, lnphi, {}, {}, {}, hr, sr, cpr, cvr, cpcv, {},
           {}, methods::PMCTL2.ISEUDI, status);
    // The root status stays local: a density between two K-value calls leaves the flash's
    // pseudo-root signal (ISEUDL) as the K-values set it.
  }

  // 6. The volume shift of method 124.
  if (code == 124) {
    const std::span<const double> shifts = block.subspan(pairStart + 3 * width + 4 * n, n);
    DNVIR(z, t, p, nc, shifts, x, z);
  }
  return true;
}

}  // namespace density_internal
}  // namespace pure
