// HNLOAD, HNMIX and KCHENR: Henry's-law K-values of the solutes of an activity-coefficient
// method set, from the pair constants of the set's Henry block mixed over the solvents.
#include "thermo/equilibrium/henry_kvalues.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace equilibrium {
namespace {

using storage::CORSTO;

// The data of the held Henry block, copied out of the core store (which the vapour-pressure
// cache may extend meanwhile); grown once.
struct HenryCopy {
  std::vector<std::int32_t> flags;
  std::vector<std::int32_t> keys;
  std::vector<double> coefficients;
};
HenryCopy henryCopy;
const bool kHenryCopyReset = services::registerKeptValues([] { henryCopy = {}; });

// Copies COUNT integer words from FIRST into V (grown when short) and returns them.
std::span<const std::int32_t> copyWords(std::vector<std::int32_t>& v, std::int32_t first,
                                        std::int32_t count) {
  const auto n = static_cast<std::size_t>(count);
  if (v.size() < n) v.resize(n);
  const std::span<const std::int32_t> words = CORSTO.words(first, count);
  std::copy(words.begin(), words.end(), v.begin());
  return std::span<const std::int32_t>(v).first(n);
}

std::size_t at(std::int32_t i) { return static_cast<std::size_t>(i - 1); }

// Element I of flash work array ARRAY.
double workReal(std::int32_t array, std::int32_t i) {
  return CORSTO.real(problem::FWPART.realOffset(static_cast<std::size_t>(array)) + i);
}

// Checks that flash work array ARRAY holds N elements.
void checkWorkArray(std::int32_t array, std::int32_t n) {
  const std::int32_t size = problem::FWPART.realSize(static_cast<std::size_t>(array));
  if (size >= n) return;
  services::ERRITM("ARRAY", array);
  services::ERRITM("SIZE", size);
  services::ERRITM("NEEDED", n);
  services::ABTRPT("KC", "KCHENR", "KCHENR", "WORK ARRAY TOO SHORT");
}

// Sets the entries of the solutes 1..N (flag nonzero) of flash work array ARRAY to VALUE.
void setSoluteEntries(std::int32_t array, std::int32_t n, std::span<const std::int32_t> flags,
                      double value) {
  std::int32_t last = 0;
  for (std::int32_t i = 1; i <= n; ++i) {
    if (flags[at(i)] != 0) last = i;
  }
  if (last == 0) return;
  checkWorkArray(array, last);
  const std::int32_t offset = problem::FWPART.realOffset(static_cast<std::size_t>(array));
  for (std::int32_t i = 1; i <= last; ++i) {
    if (flags[at(i)] != 0) CORSTO.setReal(offset + i, value);
  }
}

// The first pair of KEY, or 0.
std::int32_t findPair(std::span<const std::int32_t> keys, std::int32_t pairs, std::int32_t key) {
  for (std::int32_t m = 1; m <= pairs; ++m) {
    if (keys[at(m)] == key) return m;
  }
  return 0;
}

// ln Psat of solute I and its slope d ln Psat/dT from the vapour-pressure cache.
void cachedVapourPressure(std::int32_t i, bool slopes, double& lnPsat, double& dlnPsat) {
  const std::int32_t ncp = problem::COHDR(problem::cohdr::kVapourComponents);
  if (i > ncp) {
    services::ERRITM("COMP", i);
    services::ERRITM("NCP", ncp);
    services::ABTRPT("KC", "HNMIX", "KCHENR", "NO VAPOUR PRESSURE FOR HENRY SOLUTE");
  }
  const double psat = workReal(kVapourPressureArray, i);
  if (!(psat > 0.0)) {
    lnPsat = -kHenryLogLimit;
    dlnPsat = 0.0;
    return;
  }
  lnPsat = std::log(psat);
  dlnPsat = slopes ? workReal(kVapourPressureSlopeArray, i) / psat : 0.0;
}

}  // namespace

void HNLOAD() {
  // 1. The method scratch of the Henry class.
  const methods::MethodClass& c = methods::MSPTRS.classes(static_cast<std::size_t>(kHenryClass));
  pure::setMethodScratch(c.integerWork, c.realWork);
  // 2-3. The block, unless held already or none.
  pure::loadMethodBlock(c.blockAddress, c.blockLength);
}

void HNMIX(std::int32_t ncomp, double t, double p, std::span<double> k, std::span<double> dkdt,
           std::int32_t u, std::span<const double> x, std::int32_t pairs,
           std::span<const std::int32_t> flags, std::span<const std::int32_t> keys,
           std::span<const double> coefficients) {
  // 1. The solvent sum; a liquid without solvent keeps its K-values.
  double s = 0.0;
  for (std::int32_t j = 1; j <= ncomp; ++j) {
    if (flags[at(j)] == 0) s += x[at(j)];
  }
  if (s < kHenrySolventFloor) return;

  // 2. The solutes' own vapour pressures, for solvents without pair data.
  TPCACH(u, t, p);

  const bool slopes = u != 0;
  const double lnT = std::log(t);
  for (std::int32_t i = 1; i <= ncomp; ++i) {
    if (flags[at(i)] == 0) continue;
    // 3. ln H_i = sum_j w_j ln H_ij over the solvents, w_j = x_j / S.
    double lnH = 0.0;
    double dlnH = 0.0;
    for (std::int32_t j = 1; j <= ncomp; ++j) {
      if (flags[at(j)] != 0) continue;
      const double w = x[at(j)] / s;
      if (w == 0.0) continue;
      const std::int32_t m = findPair(keys, pairs, kHenryKeyScale * i + j);
      double lnHij = 0.0;
      double dlnHij = 0.0;
      if (m > 0) {
        // ln H_ij = A + B/T + C ln T + D P.
        const auto c = coefficients.subspan(static_cast<std::size_t>(4 * (m - 1)), 4);
        lnHij = c[0] + c[1] / t + c[2] * lnT + c[3] * p;
        dlnHij = c[2] / t - c[1] / (t * t);
      } else {
        cachedVapourPressure(i, slopes, lnHij, dlnHij);
      }
      lnH += w * lnHij;
      dlnH += w * dlnHij;
    }
    lnH = std::clamp(lnH, -kHenryLogLimit, kHenryLogLimit);
    k[at(i)] = std::exp(lnH) / p;
    // 4. dK/dT = K d ln H/dT.
    if (slopes) dkdt[at(i)] = k[at(i)] * dlnH;
  }
}

void KCHENR(std::int32_t nck, std::int32_t ncomp, double t, double p, std::span<const double> x,
            std::span<double> k, std::span<double> dkdt, std::int32_t u, std::int32_t fugacity,
            std::int32_t form) {
  // 1. The Henry block; a set without one keeps the K-values of its method.
  HNLOAD();
  const methods::MethodClass& c = methods::MSPTRS.classes(static_cast<std::size_t>(kHenryClass));
  if (c.blockAddress == services::NODISK || c.blockAddress <= 0 ||
      methods::LDSTAT.address != c.blockAddress) {
    return;
  }
  const methods::LoadedBlock& b = methods::LDSTAT;
  const std::int32_t pairs = b.integerLength1 >= 1 ? CORSTO[b.integerSector1 + 1] : 0;
  if (pairs < 0 || b.integerLength1 < 1 + ncomp + pairs || b.realLength1 < 4 * pairs) {
    services::ERRITM("COMPS", ncomp);
    services::ERRITM("PAIRS", pairs);
    services::ERRITM("INTEGERS", b.integerLength1);
    services::ERRITM("REALS", b.realLength1);
    services::ABTRPT("KC", "KCHENR", "KCHENR", "HENRY BLOCK TOO SHORT");
  }
  const auto flags = copyWords(henryCopy.flags, b.integerSector1 + 2, ncomp);
  const auto keys = copyWords(henryCopy.keys, b.integerSector1 + 2 + ncomp, pairs);
  const auto reals = static_cast<std::size_t>(4 * pairs);
  if (henryCopy.coefficients.size() < reals) henryCopy.coefficients.resize(reals);
  for (std::size_t r = 0; r < reals; ++r) {
    henryCopy.coefficients[r] = CORSTO.real(b.realSector1 + static_cast<std::int32_t>(r) + 1);
  }
  HNMIX(ncomp, t, p, k, dkdt, u, x, pairs, flags, keys,
        std::span<const double>(henryCopy.coefficients).first(reals));

  // 2. The fugacity route: the solutes' ln phi of both phases become ln P (form 1) or 0.
  if (fugacity == 1) {
    const double v = form == 1 ? std::log(p) : 0.0;
    setSoluteEntries(kVapourLnPhiArray, std::min(nck, ncomp), flags, v);
    setSoluteEntries(kLiquidLnPhiArray, ncomp, flags, v);
  }

  // 3. The pure-liquid reference terms of the activity route.
  const std::int32_t option = methods::KMCTL.liquidFugacity.option;
  if (option % 10 > 0) setSoluteEntries(kPureLiquidReferenceArray, ncomp, flags, 0.0);
  if (option / 10 % 10 > 0) {
    setSoluteEntries(kPureLiquidFugacityArray, ncomp, flags, 0.0);
    if (methods::KMCTL.kvalue.option > 0) {
      setSoluteEntries(kPureLiquidSlopeArray, ncomp, flags, 0.0);
    }
  }
}

}  // namespace equilibrium
