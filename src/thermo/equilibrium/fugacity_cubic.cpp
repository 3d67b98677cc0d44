// The cubic route of the fugacity routines: the pure-component and pair terms at T (kept while
// the temperature repeats when the block asks for it), the mixing rule of the method code and
// the root of the phase with ln(phi) and its derivatives.
#include <algorithm>
#include <cmath>
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

// The route's own arrays, kept between calls (single-threaded library) so that a warm call
// allocates nothing; the pure-component and pair terms are the held block's (pure::
// heldCubicTerms).
struct Terms {
  std::vector<double> abar, abarT, bbar, bbarT, abb, bbb;
  std::vector<double> lnphiT, lnphiP, lnphiN, hrn, zdn;
  std::vector<double> lngam, lngamT, dlngdx, sums, nrtl, groups, groupWork, diagonal;
  std::vector<std::int32_t> descriptor, groupIntegers;
  std::size_t sizedFor = 0;  // the component count the arrays hold at least
};

// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
Terms cubicTerms;
const bool kCubicTermsReset = services::registerKeptValues([] { cubicTerms = {}; });

Terms& terms(std::size_t n) {
  Terms& w = cubicTerms;
  if (n <= w.sizedFor) return w;
  w.sizedFor = n;
  for (auto* v : {&w.abar, &w.abarT, &w.bbar, &w.bbarT, &w.lnphiT, &w.lnphiP, &w.hrn, &w.zdn,
                  &w.lngam, &w.lngamT}) {
    if (v->size() < n) v->resize(n);
  }
  for (auto* v : {&w.abb, &w.bbb, &w.lnphiN, &w.dlngdx}) {
    if (v->size() < n * n) v->resize(n * n);
  }
  if (w.sums.size() < 4 * n) w.sums.resize(4 * n);
  return w;
}

std::int32_t integerWord(std::int32_t k) { return CORSTO[LDSTAT.integerSector1 + k]; }

[[noreturn]] void shortIntegers(std::string_view routine, std::int32_t need) {
  services::ERRITM("NEEDED", need);
  services::ERRITM("HAVE", LDSTAT.integerLength1);
  services::ABTRPT("KC", routine, routine, "PARAMETER BLOCK TOO SHORT");
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
  const bool associatingCode = c.code == cb::kAssociatingCode;
  const auto needInts =
      static_cast<std::int32_t>(n + 3 + (rule == Rule::Flagged || associatingCode ? 1 : 0));
  if (LDSTAT.integerLength1 < needInts) shortIntegers(c.routine, needInts);
  Terms& w = terms(n);

  // 1-3. The pure-component and pair terms at T from the held block's term cache: kept for
  //      the equation-of-state K-value methods other than 109, 112, 113 and the sour-water
  //      and electrolyte codes while the block's switch is on. 113 forms its pure-component
  //      terms after its activity model (step 4); the NRTL rules carry their own pair terms.
  pure::CubicTermsCall termsCall;
  termsCall.code = c.code;
  termsCall.nc = c.nc;
  termsCall.t = c.t;
  termsCall.level = c.level;
  termsCall.cacheAllowed =
      c.cacheAllowed && rule != Rule::Nrtl && rule != Rule::Groups && !isSourOrElectrolyte(c.code);
  termsCall.pureTerms = rule != Rule::Groups;
  termsCall.pairTerms = rule != Rule::Nrtl && rule != Rule::Groups;
  termsCall.storesK = storesK(rule);
  termsCall.groups = static_cast<std::int32_t>(groups);
  termsCall.words = need;
  termsCall.routine = c.routine;
  const pure::CubicTerms held = pure::heldCubicTerms(termsCall);
  const std::span<const double> block = held.block;
  const double u1 = block[at(cb::kU1)];
  const double u2 = block[at(cb::kU2)];
  const std::span<const double> cov = block.subspan(at(cb::covolume(c.nc)), n);
  const std::span<const double> tc = block.subspan(at(cb::criticalTemperature(c.nc)), n);

  // 4. The mixing rule of the code.
  double am = 0.0, amT = 0.0, amTT = 0.0, bm = 0.0, bmT = 0.0, bmTT = 0.0;
  const auto span1 = [&](std::vector<double>& v) { return std::span<double>(v.data(), n); };
  const auto spanN = [&](std::vector<double>& v) { return std::span<double>(v.data(), n * n); };
  const std::span<const double> sqrta = held.sqrta, aT = held.aT, aTT = held.aTT;
  const std::span<double> abar = span1(w.abar), abarT = span1(w.abarT), abb = spanN(w.abb);
  const std::span<double> bbar = span1(w.bbar), bbarT = span1(w.bbarT), bbb = spanN(w.bbb);
  const std::span<const double> c1 = block.subspan(pairStart + 3 * width, groups == 8 ? np : 0);
  const std::span<const double> c2 =
      block.subspan(pairStart + 3 * width + (groups == 8 ? np : 0), groups == 8 ? np : 0);
  switch (rule) {
    case Rule::Classical:
      pure::EOSMR7(sqrta, aT, aTT, cov, held.k1, held.k1T, held.k1TT, c.level, c.nc, c.x, am, amT,
                   amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb);
      break;
    case Rule::Flagged: {
      const std::int32_t flagged = integerWord(c.nc + 1);
      const double tw =
          flagged >= 1 && flagged <= c.nc ? tc[static_cast<std::size_t>(flagged - 1)] : 1.0;
      pure::EOSMR4(sqrta, aT, aTT, cov, held.k1, held.k1T, held.k1TT,
                   block.subspan(pairStart + 3 * width, n), flagged, c.level, c.nc, c.t, tw, c.x,
                   am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb);
      break;
    }
    case Rule::Asymmetric:
      pure::EOSMR3(sqrta, aT, aTT, cov, held.k1, held.k1T, held.k1TT, held.k2, held.k2T, held.k2TT,
                   c.level, c.nc, c.x, am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT,
                   bbb);
      break;
    case Rule::CubeRoot:
      pure::EOSMR2(sqrta, aT, aTT, cov, held.k1, held.k1T, held.k1TT, held.k2, held.k2T, held.k2TT,
                   c1, c2, c.level, c.nc, c.x, c.t, am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT,
                   bbar, bbarT, bbb);
      break;
    case Rule::PairFraction:
      pure::EOSMR1(sqrta, aT, aTT, cov, held.k1, held.k1T, held.k1TT, held.k2, held.k2T, held.k2TT,
                   c1, c2, c.level, c.nc, c.x, am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar,
                   bbarT, bbb);
      break;
    case Rule::Nrtl: {
      double g = 0.0, hE = 0.0, gTT = 0.0;
      nrtlTerms(w, c, np, g, hE, gTT);
      pure::EOSMR6(held.a, aT, aTT, cov, span1(w.lngam), span1(w.lngamT), spanN(w.dlngdx), g, hE,
                   gTT, c.t, c.level, c.nc, u1, u2, c.x, am, amT, amTT, abar, abarT, abb, bm, bmT,
                   bmTT, bbar, bbarT, bbb);
      break;
    }
    case Rule::Groups: {
      double g = 0.0, hE = 0.0, gTT = 0.0;
      std::int32_t status = 0;
      groupTerms(w, c, g, hE, gTT, status);
      pure::EOSTWU(block.subspan(at(cb::sqrtAc(c.nc)), n),
                   block.subspan(at(cb::alpha(c.nc)), 3 * n),
                   CORSTO.words(LDSTAT.integerSector1 + 1, c.nc), c.level, 3, c.nc, c.t, tc,
                   held.sqrta, held.a, held.aT, held.aTT);
      pure::EOSMR6(held.a, aT, aTT, cov, span1(w.lngam), span1(w.lngamT), spanN(w.dlngdx), g, hE,
                   gTT, c.t, c.level, c.nc, u1, u2, c.x, am, amT, amTT, abar, abarT, abb, bm, bmT,
                   bmTT, bbar, bbarT, bbb);
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
    // EOSZRA reports no status: a root it could not give is the property drivers' failure.
    bool finite = z > 0.0 && std::isfinite(z);
    for (std::size_t i = 0; finite && i < static_cast<std::size_t>(c.nc); ++i) {
      finite = std::isfinite(lnphi[i]);
    }
    if (!finite && c.rootStatus != nullptr) *c.rootStatus = pure::kNoRoot;
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
