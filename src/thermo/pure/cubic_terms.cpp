// The term cache of the held cubic coefficient block: the cache words of the block, the
// pure-component terms (EOSTWU) and the pair terms k = A + B/T + C/T^2 at T.
#include "thermo/pure/cubic_terms.hpp"

#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/cubic_eos.hpp"
#include "thermo/pure/eos_internal.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace pure {
namespace {

using methods::LDSTAT;
using storage::CORSTO;
namespace cb = cubicblock;

// The switch value that keeps the terms while the temperature repeats, and the valid flag.
constexpr std::int32_t kCacheOn = 2;
constexpr std::int32_t kStored = 1;
// Rows of the alpha parameters per component (m1, m2, m3).
constexpr std::int32_t kAlphaRows = 3;

// The terms beside the held block, kept between calls so that a warm call allocates
// nothing; every problem open starts them again.
struct HeldTerms {
  std::vector<double> block;
  std::vector<double> sqrta, a, aT, aTT;
  std::vector<double> k1, k1T, k1TT, k2, k2T, k2TT;
  // Formed from the block held now, for this code and component count, and recorded in the
  // block's cache words.
  bool formed = false;
  std::int32_t code = 0;
  std::int32_t nc = 0;
  std::size_t copied = 0;  // reals of the block copied when they were formed
  std::int64_t evaluations = 0;
  std::size_t sizedFor = 0, pairsSizedFor = 0;  // the counts the arrays hold at least
};
HeldTerms heldTerms;
const bool kHeldTermsReset = services::registerKeptValues([] { heldTerms = {}; });

void grow(std::vector<double>& v, std::size_t n) {
  if (v.size() < n) v.resize(n);
}

// RELCMP's equality of two temperatures, with the repeat of the very same value first.
bool sameTemperature(double stored, double t) {
  return stored == t || services::RELCMP(stored, t) == 0;
}

[[noreturn]] void tooShort(std::string_view routine, std::int64_t need, std::int32_t have) {
  services::ERRITM("NEEDED", static_cast<std::int32_t>(need));
  services::ERRITM("HAVE", have);
  services::ABTRPT("KC", routine, routine, "PARAMETER BLOCK TOO SHORT");
}

// Pair terms k = A + B/T + C/T^2 with dk/dT = -B/T^2 - 2C/T^3 and d2k/dT2 = 2B/T^3 + 6C/T^4,
// stored as k or as 1 - k (with the derivatives of the stored term), as far as LEVEL asks.
void formPairTerms(HeldTerms& w, const CubicTermsCall& c, std::span<const double> block,
                   std::size_t np) {
  const std::size_t width = c.groups == 3 ? np : 2 * np;
  const auto pairStart = static_cast<std::size_t>(cb::pairs(c.nc) - 1);
  const std::span<const double> a = block.subspan(pairStart, width);
  const std::span<const double> b = block.subspan(pairStart + width, width);
  const std::span<const double> cc = block.subspan(pairStart + 2 * width, width);
  const double t = c.t;
  const double t2 = t * t, t3 = t2 * t, t4 = t3 * t;
  const double sign = c.storesK ? 1.0 : -1.0;
  const auto value = [&](std::size_t q) {
    const double k = a[q] + b[q] / t + cc[q] / t2;
    return c.storesK ? k : 1.0 - k;
  };
  for (std::size_t q = 0; q < np; ++q) w.k1[q] = value(q);
  if (width > np) {
    for (std::size_t q = 0; q < np; ++q) w.k2[q] = value(np + q);
  }
  if (c.level >= 2) {
    for (std::size_t q = 0; q < width; ++q) {
      const double d = sign * (-b[q] / t2 - 2.0 * cc[q] / t3);
      (q < np ? w.k1T[q] : w.k2T[q - np]) = d;
    }
  }
  if (c.level >= 3) {
    for (std::size_t q = 0; q < width; ++q) {
      const double dd = sign * (2.0 * b[q] / t3 + 6.0 * cc[q] / t4);
      (q < np ? w.k1TT[q] : w.k2TT[q - np]) = dd;
    }
  }
}

// Neutral pair slots: no interaction (k = 0, or 1 - k = 1) and no temperature dependence.
void neutralPairTerms(HeldTerms& w, const CubicTermsCall& c, std::size_t np) {
  const double v = c.storesK ? 0.0 : 1.0;
  for (std::size_t q = 0; q < np; ++q) {
    w.k1[q] = w.k2[q] = v;
    w.k1T[q] = w.k1TT[q] = w.k2T[q] = w.k2TT[q] = 0.0;
  }
}

}  // namespace

CubicTerms heldCubicTerms(const CubicTermsCall& c) {
  const auto n = static_cast<std::size_t>(c.nc > 0 ? c.nc : 0);
  const std::size_t np = eos_internal::pairCount(c.nc);
  HeldTerms& w = heldTerms;

  // The block's extent: its first real sector, and the alpha forms and cache words of its
  // first integer sector.
  const std::int32_t reals = LDSTAT.realLength1 > 0 ? LDSTAT.realLength1 : 0;
  if (static_cast<std::size_t>(reals) < c.words) {
    tooShort(c.routine, static_cast<std::int64_t>(c.words), reals);
  }
  const std::int32_t integers = LDSTAT.integerLength1;
  const std::int32_t cache = cb::cacheWords(c.code, c.nc, integers);
  if (cache < c.nc + 1 || cache + 2 > integers)
    tooShort(c.routine, std::int64_t{c.nc} + 3, integers);
  const std::span<std::int32_t> words = CORSTO.words(LDSTAT.integerSector1 + cache, 3);
  std::int32_t& cacheSwitch = words[0];
  std::int32_t& valid = words[1];
  std::int32_t& storedLevel = words[2];
  // The stored temperature is the sector's last word, after everything the method reads.
  const bool room = static_cast<std::size_t>(reals) > c.words;
  const bool caching = c.cacheAllowed && cacheSwitch == kCacheOn && room;
  const std::int32_t storedT = LDSTAT.realSector1 + reals;

  if (n > w.sizedFor) {
    for (auto* v : {&w.sqrta, &w.a, &w.aT, &w.aTT}) grow(*v, n);
    w.sizedFor = n;
  }
  if (np > w.pairsSizedFor) {
    for (auto* v : {&w.k1, &w.k1T, &w.k1TT, &w.k2, &w.k2T, &w.k2TT}) grow(*v, np);
    w.pairsSizedFor = np;
  }
  grow(w.block, c.words);

  const bool hit = caching && valid == kStored && storedLevel >= c.level && w.formed &&
                   w.code == c.code && w.nc == c.nc && w.copied >= c.words &&
                   sameTemperature(CORSTO.real(storedT), c.t);
  if (!hit) {
    // The block as it is now, through one checked view of its first sector.
    const std::span<double> copy(w.block.data(), c.words);
    CORSTO.reals(LDSTAT.realSector1 + 1, static_cast<std::int32_t>(c.words)).copyTo(copy);
    if (c.pureTerms) {
      const auto at = [&](std::int32_t word) { return static_cast<std::size_t>(word - 1); };
      const std::span<const std::int32_t> forms = CORSTO.words(LDSTAT.integerSector1 + 1, c.nc);
      EOSTWU(copy.subspan(at(cb::sqrtAc(c.nc)), n),
             copy.subspan(at(cb::alpha(c.nc)), kAlphaRows * n), forms, c.level, kAlphaRows, c.nc,
             c.t, copy.subspan(at(cb::criticalTemperature(c.nc)), n),
             std::span<double>(w.sqrta.data(), n), std::span<double>(w.a.data(), n),
             std::span<double>(w.aT.data(), n), std::span<double>(w.aTT.data(), n));
    }
    if (c.nc > 1 && c.pairTerms) {
      formPairTerms(w, c, copy, np);
    } else {
      neutralPairTerms(w, c, np);
    }
    ++w.evaluations;
    w.formed = caching;
    w.code = c.code;
    w.nc = c.nc;
    w.copied = c.words;
    if (caching) {
      CORSTO.setReal(storedT, c.t);
      valid = kStored;
    }
  }
  if (caching) storedLevel = c.level;

  CubicTerms out;
  out.block = std::span<const double>(w.block.data(), c.words);
  out.sqrta = std::span<double>(w.sqrta.data(), n);
  out.a = std::span<double>(w.a.data(), n);
  out.aT = std::span<double>(w.aT.data(), n);
  out.aTT = std::span<double>(w.aTT.data(), n);
  const auto pairs = [&](std::vector<double>& v) { return std::span<const double>(v.data(), np); };
  out.k1 = pairs(w.k1);
  out.k1T = pairs(w.k1T);
  out.k1TT = pairs(w.k1TT);
  out.k2 = pairs(w.k2);
  out.k2T = pairs(w.k2T);
  out.k2TT = pairs(w.k2TT);
  out.evaluated = !hit;
  return out;
}

void forgetHeldCubicTerms() { heldTerms.formed = false; }

std::int64_t heldCubicTermsEvaluations() { return heldTerms.evaluations; }

}  // namespace pure
