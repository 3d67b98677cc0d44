// The cubic route of the fugacity routines: the pure-component and pair terms at T (kept while
// the temperature repeats when the block asks for it), the mixing rule of the method code and
// the root of the phase with ln(phi) and its derivatives.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/fugacity_routes.hpp"
#include "thermo/equilibrium/vapour_fugacity.hpp"
#include "thermo/pure/pure.hpp"

namespace equilibrium::fugacity_internal {
namespace {

using methods::LDSTAT;
using storage::CORSTO;
namespace cb = pure::cubicblock;

// The caching switch value that keeps the terms while the temperature repeats.
constexpr std::int32_t kCacheOn = 2;
// The smallest mole fraction of the associating component of method 122 that selects EOSZRA.
constexpr double kAssociatingFraction = 1.0e-12;

enum class Rule { None, Classical, Flagged, Asymmetric, CubeRoot, PairFraction, Nrtl, Groups };

bool isSourOrElectrolyte(std::int32_t code) { return services::LMCODB(code); }

Rule ruleOf(std::int32_t code) {
  switch (code) {
    case 101:
    case 102:
    case 124:
      return Rule::Classical;
    case 108:
      return Rule::Flagged;
    case 111:
    case 114:
      return Rule::Asymmetric;
    case 121:
    case 122:
      return Rule::CubeRoot;
    case 116:
    case 117:
    case 502:
      return Rule::PairFraction;
    case 109:
    case 112:
      return Rule::Nrtl;
    case 113:
      return Rule::Groups;
    default:
      return isSourOrElectrolyte(code) ? Rule::PairFraction : Rule::None;
  }
}

// Groups of pair coefficients in the block: 3 (A, B, C of one k), 6 (two k's), 8 (two k's
// and the exponents c1, c2).
std::int32_t groupsOf(std::int32_t code) {
  const std::int32_t g = cb::groups(code);
  if (g > 0) return g;
  return isSourOrElectrolyte(code) ? 8 : 1;
}

// Codes whose stored pair term is k itself rather than 1 - k.
bool storesK(Rule rule) {
  return rule == Rule::Asymmetric || rule == Rule::CubeRoot || rule == Rule::PairFraction;
}

// The terms of the route, kept between calls (single-threaded library): a warm call
// allocates nothing, and the pure-component and pair terms double as the temperature cache.
struct Terms {
  std::vector<double> sqrta, a, aT, aTT;
  std::vector<double> k1, k1T, k1TT, k2, k2T, k2TT;
  std::vector<double> abar, abarT, bbar, bbarT, abb, bbb;
  std::vector<double> lnphiT, lnphiP, lnphiN, hrn, zdn;
  std::vector<double> lngam, lngamT, dlngdx, sums, nrtl, groups, groupWork, diagonal;
  std::vector<std::int32_t> forms, descriptor, groupIntegers;
  // What the cached terms were formed from.
  bool valid = false;
  std::int32_t code = 0;
  std::int32_t nc = 0;
  std::int32_t level = 0;
  double t = 0.0;
  std::uint64_t generation = 0;  // of the held block's copy the terms were formed from
  std::vector<std::int32_t> formsUsed;
};

// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
Terms cubicTerms;
const bool kCubicTermsReset = services::registerKeptValues([] { cubicTerms = {}; });

Terms& terms(std::size_t n, std::size_t np) {
  Terms& w = cubicTerms;
  for (auto* v : {&w.sqrta, &w.a, &w.aT, &w.aTT, &w.abar, &w.abarT, &w.bbar, &w.bbarT, &w.lnphiT,
                  &w.lnphiP, &w.hrn, &w.zdn, &w.lngam, &w.lngamT}) {
    if (v->size() < n) v->resize(n);
  }
  for (auto* v : {&w.abb, &w.bbb, &w.lnphiN, &w.dlngdx}) {
    if (v->size() < n * n) v->resize(n * n);
  }
  for (auto* v : {&w.k1, &w.k1T, &w.k1TT, &w.k2, &w.k2T, &w.k2TT}) {
    if (v->size() < np) v->resize(np);
  }
  if (w.sums.size() < 4 * n) w.sums.resize(4 * n);
  if (w.forms.size() < n) w.forms.resize(n);
  return w;
}

std::int32_t integerWord(std::int32_t k) { return CORSTO[LDSTAT.integerSector1 + k]; }

[[noreturn]] void shortIntegers(std::string_view routine, std::int32_t need) {
  services::ERRITM("NEEDED", need);
  services::ERRITM("HAVE", LDSTAT.integerLength1);
  services::ABTRPT("KC", routine, routine, "PARAMETER BLOCK TOO SHORT");
}

// Whether the cached terms serve this call: the same code and components, the held block's
// copy unchanged since they were formed, the same alpha forms, the same temperature
// (relative 2.22e-16) and at least the level asked for.
bool cacheHit(const Terms& w, const RouteCall& c) {
  if (!w.valid || w.code != c.code || w.nc != c.nc || w.level < c.level) return false;
  if (w.generation != heldRealsGeneration()) return false;
  if (services::RELCMP(w.t, c.t) != 0) return false;
  const auto n = static_cast<std::size_t>(c.nc);
  return std::equal(w.forms.begin(), w.forms.begin() + static_cast<std::ptrdiff_t>(n),
                    w.formsUsed.begin(), w.formsUsed.end());
}

// Pair terms k = A + B/T + C/T^2 with dk/dT = -B/T^2 - 2C/T^3 and d2k/dT2 = 2B/T^3 + 6C/T^4,
// stored as k or as 1 - k (derivatives of the stored term).
void pairTerms(Terms& w, const RouteCall& c, std::span<const double> block, std::size_t pairStart,
               std::size_t np, std::size_t width, bool asK) {
  const double t = c.t;
  const double t2 = t * t, t3 = t2 * t, t4 = t3 * t;
  const double sign = asK ? 1.0 : -1.0;
  for (std::size_t q = 0; q < width; ++q) {
    const double a = block[pairStart + q];
    const double b = block[pairStart + width + q];
    const double cc = block[pairStart + 2 * width + q];
    const double k = a + b / t + cc / t2;
    const double v = asK ? k : 1.0 - k;
    const double d = sign * (-b / t2 - 2.0 * cc / t3);
    const double dd = sign * (2.0 * b / t3 + 6.0 * cc / t4);
    if (q < np) {
      w.k1[q] = v, w.k1T[q] = d, w.k1TT[q] = dd;
    } else {
      w.k2[q - np] = v, w.k2T[q - np] = d, w.k2TT[q - np] = dd;
    }
  }
}

// The NRTL terms of 109 and 112 from the block's second sectors (parameters 5 N^2, work
// 4 N^2 + 1; descriptor 6 + NP words), written back for the model's own cache.
void nrtlTerms(Terms& w, const RouteCall& c, std::size_t np, double& g, double& hE, double& gTT) {
  const auto n = static_cast<std::size_t>(c.nc);
  const std::size_t n2 = n * n;
  const std::size_t reals = 9 * n2 + 1;
  if (w.nrtl.size() < reals) w.nrtl.resize(reals);
  const std::size_t words = 6 + np;
  if (w.descriptor.size() < words) w.descriptor.resize(words);
  const storage::RealView parameters =
      CORSTO.reals(LDSTAT.realSector2 + 1, static_cast<std::int32_t>(reals));
  const std::span<std::int32_t> descriptorWords =
      CORSTO.words(LDSTAT.integerSector2 + 1, static_cast<std::int32_t>(words));
  const std::span<double> nrtl(w.nrtl.data(), reals);
  parameters.copyTo(nrtl);
  std::copy(descriptorWords.begin(), descriptorWords.end(), w.descriptor.begin());
  const std::int32_t option = c.level >= kCompositionLevel ? 100 : 0;
  pure::VTNRTL(c.x, c.t, c.nc, option, nrtl.first(5 * n2),
               std::span<std::int32_t>(w.descriptor.data(), words), nrtl.subspan(5 * n2),
               std::span<double>(w.sums.data(), 4 * n), std::span<double>(w.lngam.data(), n),
               std::span<double>(w.lngamT.data(), n), std::span<double>(w.dlngdx.data(), n2), g, hE,
               gTT);
  for (std::size_t q = 5 * n2; q < reals; ++q) parameters.set(q, w.nrtl[q]);
  std::copy(w.descriptor.begin(), w.descriptor.begin() + static_cast<std::ptrdiff_t>(words),
            descriptorWords.begin());
}

// The group-contribution terms of 113 from the block's second sectors: the model's
// descriptor (integer sector 2) and parameters (real sector 2, with room for psi and dpsi
// after block c), both sized from the descriptor. The component data give the molar masses
// and standard liquid densities of the free-volume variant.
void groupTerms(Terms& w, const RouteCall& c, double& g, double& hE, double& gTT,
                std::int32_t& status) {
  namespace pu = pure;
  const auto n = static_cast<std::size_t>(c.nc);
  const auto descriptorWord = [](std::size_t k) {
    return CORSTO[LDSTAT.integerSector2 + static_cast<std::int32_t>(k)];
  };
  const auto count = [](std::int32_t v) { return static_cast<std::size_t>(v > 0 ? v : 0); };
  // The descriptor: its fixed words, the main group of each subgroup, the entry count of
  // each component and the entries.
  const std::size_t m = count(descriptorWord(pu::kGroupSubgroupsWord));
  const std::size_t ng = count(descriptorWord(pu::kGroupMainGroupsWord));
  const std::size_t lists = pu::kGroupListsWord - 1;
  std::size_t words = lists + m + n;
  for (std::size_t i = 0; i < n; ++i) words += count(descriptorWord(lists + m + i + 1));
  if (w.descriptor.size() < words) w.descriptor.resize(words);
  for (std::size_t k = 0; k < words; ++k) w.descriptor[k] = descriptorWord(k + 1);
  // The parameters up to dpsi.
  const std::size_t ng2 = ng * ng;
  const auto blockEnd = [&](std::size_t word, std::size_t length) {
    return count(descriptorWord(word) - 1) + length;
  };
  const std::size_t reals =
      std::max({3 * n + m, blockEnd(pu::kGroupBlockAWord, ng2), blockEnd(pu::kGroupBlockBWord, ng2),
                blockEnd(pu::kGroupBlockCWord, 3 * ng2)});
  if (w.groups.size() < reals) w.groups.resize(reals);
  CORSTO.reals(LDSTAT.realSector2 + 1, static_cast<std::int32_t>(reals))
      .copyTo(std::span<double>(w.groups.data(), reals));
  const std::size_t integerWork = 2 * m + m * n, realWork = n + 9 * m;
  if (w.groupIntegers.size() < integerWork) w.groupIntegers.resize(integerWork);
  if (w.groupWork.size() < realWork) w.groupWork.resize(realWork);
  if (w.diagonal.size() < n) w.diagonal.resize(n);
  // The free-volume variant reads the component data.
  std::span<const double> molarMass, liquidDensity;
  constexpr std::int32_t kFreeVolumeVariant = 4;
  if (descriptorWord(pu::kGroupVariantWord) == kFreeVolumeVariant) {
    const auto column = [&](problem::ComponentReal sector, std::size_t k) {
      std::span<double> v = scratch(k, n);
      const std::int32_t start = problem::COPTRS.realSector(sector);
      for (std::size_t i = 0; i < n; ++i)
        v[i] = CORSTO.real(start + static_cast<std::int32_t>(i) + 1);
      return std::span<const double>(v);
    };
    molarMass = column(problem::ComponentReal::MolecularWeight, 20);
    liquidDensity = column(problem::ComponentReal::StandardLiquidDensity, 21);
  }
  const std::int32_t option = c.level >= kCompositionLevel ? 10 : 0;
  pu::EOSMR5(c.x, c.t, c.nc, option, std::span<double>(w.groups.data(), reals),
             std::span<const std::int32_t>(w.descriptor.data(), words),
             static_cast<std::int32_t>(integerWork),
             std::span<std::int32_t>(w.groupIntegers.data(), integerWork),
             static_cast<std::int32_t>(realWork), std::span<double>(w.groupWork.data(), realWork),
             std::span<double>(w.lngam.data(), n), std::span<double>(w.lngamT.data(), n),
             std::span<double>(w.diagonal.data(), n), std::span<double>(w.dlngdx.data(), n * n), g,
             hE, gTT, status, molarMass, liquidDensity);
}

}  // namespace

bool cubicRoute(const RouteCall& c, std::span<double> lnphi, double& z) {
  const Rule rule = ruleOf(c.code);
  if (rule == Rule::None) return false;
  const auto n = static_cast<std::size_t>(c.nc);
  const std::size_t np = n > 1 ? n * (n - 1) / 2 : 1;
  const auto groups = static_cast<std::size_t>(groupsOf(c.code));
  const std::size_t width = groups == 3 ? np : 2 * np;
  const auto at = [](std::int32_t word) { return static_cast<std::size_t>(word - 1); };
  const std::size_t pairStart = at(cb::pairs(c.nc));
  std::size_t need = pairStart + groups * np;
  if (rule == Rule::Flagged) need += n;
  const std::span<const double> block = heldReals(need, c.routine);
  const bool associatingCode = c.code == cb::kAssociatingCode;
  const auto needInts = static_cast<std::int32_t>(
      n + 3 + (rule == Rule::Flagged || associatingCode ? 1 : 0));
  if (LDSTAT.integerLength1 < needInts) shortIntegers(c.routine, needInts);
  Terms& w = terms(n, np);
  const double u1 = block[at(cb::kU1)];
  const double u2 = block[at(cb::kU2)];
  const std::span<const double> sqrtac = block.subspan(at(cb::sqrtAc(c.nc)), n);
  const std::span<const double> cov = block.subspan(at(cb::covolume(c.nc)), n);
  const std::span<const double> alpha = block.subspan(at(cb::alpha(c.nc)), 3 * n);
  const std::span<const double> tc = block.subspan(at(cb::criticalTemperature(c.nc)), n);
  const std::span<const std::int32_t> formWords =
      CORSTO.words(LDSTAT.integerSector1 + 1, static_cast<std::int32_t>(n));
  std::copy(formWords.begin(), formWords.end(), w.forms.begin());

  // 1. The cache: equation-of-state K-value methods other than 109, 112 and the sour-water
  //    and electrolyte codes, when the block's caching switch is on.
  const bool cacheable = c.cacheAllowed && rule != Rule::Nrtl && rule != Rule::Groups &&
                         !isSourOrElectrolyte(c.code) &&
                         integerWord(cb::cacheWords(c.code, c.nc, LDSTAT.integerLength1)) == kCacheOn;
  const bool hit = cacheable && cacheHit(w, c);
  if (!hit) {
    // 2. Pure-component terms (113: after its activity model, step 4).
    const std::span<const std::int32_t> forms(w.forms.data(), n);
    if (rule != Rule::Groups) {
      pure::EOSTWU(sqrtac, alpha, forms, c.level, 3, c.nc, c.t, tc,
                   std::span<double>(w.sqrta.data(), n), std::span<double>(w.a.data(), n),
                   std::span<double>(w.aT.data(), n), std::span<double>(w.aTT.data(), n));
    }
    // 3. Pair terms; one neutral slot for a single component and for the NRTL rule.
    const bool asK = storesK(rule);
    if (c.nc > 1 && rule != Rule::Nrtl && rule != Rule::Groups) {
      pairTerms(w, c, block, pairStart, np, width, asK);
    } else {
      for (auto* v : {&w.k1T, &w.k1TT, &w.k2T, &w.k2TT}) std::fill_n(v->begin(), np, 0.0);
      std::fill_n(w.k1.begin(), np, asK ? 0.0 : 1.0);
      std::fill_n(w.k2.begin(), np, asK ? 0.0 : 1.0);
    }
    w.valid = cacheable;
    if (cacheable) {
      w.code = c.code;
      w.nc = c.nc;
      w.t = c.t;
      w.generation = heldRealsGeneration();
      w.formsUsed.assign(w.forms.begin(), w.forms.begin() + static_cast<std::ptrdiff_t>(n));
    }
  }
  if (cacheable) w.level = c.level;

  // 4. The mixing rule of the code.
  double am = 0.0, amT = 0.0, amTT = 0.0, bm = 0.0, bmT = 0.0, bmTT = 0.0;
  const auto span1 = [&](std::vector<double>& v) { return std::span<double>(v.data(), n); };
  const auto spanP = [&](std::vector<double>& v) { return std::span<const double>(v.data(), np); };
  const auto spanN = [&](std::vector<double>& v) { return std::span<double>(v.data(), n * n); };
  const std::span<const double> sqrta = span1(w.sqrta), aT = span1(w.aT), aTT = span1(w.aTT);
  const std::span<double> abar = span1(w.abar), abarT = span1(w.abarT), abb = spanN(w.abb);
  const std::span<double> bbar = span1(w.bbar), bbarT = span1(w.bbarT), bbb = spanN(w.bbb);
  const std::span<const double> c1 = block.subspan(pairStart + 3 * width, groups == 8 ? np : 0);
  const std::span<const double> c2 =
      block.subspan(pairStart + 3 * width + (groups == 8 ? np : 0), groups == 8 ? np : 0);
  switch (rule) {
    case Rule::Classical:
      pure::EOSMR7(sqrta, aT, aTT, cov, spanP(w.k1), spanP(w.k1T), spanP(w.k1TT), c.level, c.nc,
                   c.x, am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb);
      break;
    case Rule::Flagged: {
      const std::int32_t flagged = integerWord(c.nc + 1);
      const double tw =
          flagged >= 1 && flagged <= c.nc ? tc[static_cast<std::size_t>(flagged - 1)] : 1.0;
      pure::EOSMR4(sqrta, aT, aTT, cov, spanP(w.k1), spanP(w.k1T), spanP(w.k1TT),
                   block.subspan(pairStart + 3 * width, n), flagged, c.level, c.nc, c.t, tw, c.x,
                   am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb);
      break;
    }
    case Rule::Asymmetric:
      pure::EOSMR3(sqrta, aT, aTT, cov, spanP(w.k1), spanP(w.k1T), spanP(w.k1TT), spanP(w.k2),
                   spanP(w.k2T), spanP(w.k2TT), c.level, c.nc, c.x, am, amT, amTT, abar, abarT, abb,
                   bm, bmT, bmTT, bbar, bbarT, bbb);
      break;
    case Rule::CubeRoot:
      pure::EOSMR2(sqrta, aT, aTT, cov, spanP(w.k1), spanP(w.k1T), spanP(w.k1TT), spanP(w.k2),
                   spanP(w.k2T), spanP(w.k2TT), c1, c2, c.level, c.nc, c.x, c.t, am, amT, amTT,
                   abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb);
      break;
    case Rule::PairFraction:
      pure::EOSMR1(sqrta, aT, aTT, cov, spanP(w.k1), spanP(w.k1T), spanP(w.k1TT), spanP(w.k2),
                   spanP(w.k2T), spanP(w.k2TT), c1, c2, c.level, c.nc, c.x, am, amT, amTT, abar,
                   abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb);
      break;
    case Rule::Nrtl: {
      double g = 0.0, hE = 0.0, gTT = 0.0;
      nrtlTerms(w, c, np, g, hE, gTT);
      pure::EOSMR6(span1(w.a), aT, aTT, cov, span1(w.lngam), span1(w.lngamT), spanN(w.dlngdx), g,
                   hE, gTT, c.t, c.level, c.nc, u1, u2, c.x, am, amT, amTT, abar, abarT, abb, bm,
                   bmT, bmTT, bbar, bbarT, bbb);
      break;
    }
    case Rule::Groups: {
      double g = 0.0, hE = 0.0, gTT = 0.0;
      std::int32_t status = 0;
      groupTerms(w, c, g, hE, gTT, status);
      pure::EOSTWU(sqrtac, alpha, std::span<const std::int32_t>(w.forms.data(), n), c.level, 3,
                   c.nc, c.t, tc, std::span<double>(w.sqrta.data(), n),
                   std::span<double>(w.a.data(), n), std::span<double>(w.aT.data(), n),
                   std::span<double>(w.aTT.data(), n));
      pure::EOSMR6(span1(w.a), aT, aTT, cov, span1(w.lngam), span1(w.lngamT), spanN(w.dlngdx), g,
                   hE, gTT, c.t, c.level, c.nc, u1, u2, c.x, am, amT, amTT, abar, abarT, abb, bm,
                   bmT, bmTT, bbar, bbarT, bbb);
      break;
    }
    case Rule::None:
      return false;
  }

  // 5. The root of the phase with ln(phi); EOSZRA for 122 with its associating component.
  double zT = 0.0, zP = 0.0, hr = 0.0, sr = 0.0, cpr = 0.0, cvr = 0.0, cpcv = 0.0;
  std::int32_t associating = 0;
  if (associatingCode && integerWord(cb::associatingCount(c.nc)) >= 1) {
    if (LDSTAT.integerLength1 < needInts + 1) shortIntegers(c.routine, needInts + 1);
    const std::int32_t first = integerWord(cb::associatingIndices(c.nc));
    if (first >= 1 && first <= c.nc &&
        c.x[static_cast<std::size_t>(first - 1)] >= kAssociatingFraction) {
      associating = first;
    }
  }
  const std::span<double> lnphiT = span1(w.lnphiT), lnphiP = span1(w.lnphiP);
  const std::span<double> lnphiN = spanN(w.lnphiN), hrn = span1(w.hrn), zdn = span1(w.zdn);
  if (associating > 0) {
    pure::EOSZRA(am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb, c.phase, c.level,
                 c.nc, c.p, pure::kReferencePressure, u1, u2, c.t, z, zT, zP, lnphi, lnphiT, lnphiP,
                 lnphiN, hr, sr, cpr, cvr, cpcv, hrn, zdn, associating,
                 c.x[static_cast<std::size_t>(associating - 1)], c.x);
  } else {
    std::int32_t root = pure::kTrueRoot;
    pure::EOSZRT(am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb, c.phase, c.level,
                 c.nc, c.p, pure::kReferencePressure, u1, u2, c.t, z, zT, zP, lnphi, lnphiT, lnphiP,
                 lnphiN, hr, sr, cpr, cvr, cpcv, hrn, zdn, methods::PMCTL2.ISEUDI, root);
    if (c.rootStatus != nullptr) {
      *c.rootStatus = root;
    } else {
      (c.phase == pure::kVapourPhase ? methods::PMCTL2.ISEUDV : methods::PMCTL2.ISEUDL) = root;
    }
  }
  if (c.departures != nullptr) *c.departures = {hr, sr, cpr};

  // 6. The derivative arrays of the level (EOSZRA gives no pressure or composition terms).
  if (c.level >= kTemperatureLevel && c.writeArrays) {
    storeArray(c.arrays.lnphiT, lnphiT, c.routine);
    if (associating == 0) storeArray(c.arrays.lnphiP, lnphiP, c.routine);
  }
  if (c.level >= kCompositionLevel && associating == 0) {
    if (c.writeArrays) storeArray(c.arrays.lnphiN, lnphiN, c.routine);
    storeArray(kPartialResidualArray, hrn, c.routine);
  }
  return true;
}

}  // namespace equilibrium::fugacity_internal
