// The cubic equation of state of the stability test: component parameters (STEOSP), the
// quadratic mixing (STEOSD), the two evaluators STEOSL and STEOSV and the test's own cache
// of the temperature terms.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "flash/multiphase/stability.hpp"
#include "methods/methods.hpp"
#include "services/kept_values.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/pure.hpp"

namespace multiphase {

StabilityCounters THMISC;

namespace {

using methods::LDSTAT;
using storage::CORSTO;
namespace cb = pure::cubicblock;

constexpr std::int32_t kAlphaRows = 3;
constexpr std::int32_t kCacheOn = 2;
constexpr std::int32_t kActivityOption = 4;
constexpr std::int32_t kLiquidLiquidLevel = 2;
constexpr std::int32_t kLiquidLiquidSlot = 2;

// STBEOS: the temperature terms and the mixture of the last evaluation, with the test's own
// cache record. The block words the terms were formed from are kept, so that a block that
// changed (another set, a written word) is never served from the cache.
struct StabilityTerms {
  std::array<double, kLda> sqrta{}, a{}, b{}, d{};
  std::array<double, kPairs> m{};
  Matrix50 aij;
  double amix = 0.0, bmix = 0.0;
  bool valid = false;
  double t = 0.0;
  std::int32_t level = 0;
  std::int32_t code = 0, nc = 0;
  std::vector<double> block;  // the block's words the terms came from
  std::vector<double> scratch;
};
StabilityTerms STBEOS;
const bool kStabilityTermsReset = services::registerKeptValues([] {
  STBEOS = {};
  STBFUG = {};
  THMISC = {};
});

std::size_t count(std::int32_t n) {
  return static_cast<std::size_t>(std::clamp(n, 0, kStabilityComponents));
}

// Level of an option word: hundreds digit 1 gives the composition derivatives.
std::int32_t levelOf(std::int32_t option) {
  return (option / 100) % 10 == 1 ? kCompositionLevel : kValuesLevel;
}

// Reals of the first sector the code reads: the head, the component words and the three
// pair-coefficient runs (NP words for 101, 102, 108 and 124, 2 NP for every other code).
std::size_t runWidth(std::int32_t code, std::size_t np) {
  return cb::groups(code) == 3 ? np : 2 * np;
}

[[noreturn]] void tooShort(std::string_view routine, std::size_t need, std::int32_t have) {
  services::ERRITM("NEEDED", static_cast<std::int32_t>(need));
  services::ERRITM("HAVE", have);
  services::ABTRPT("KC", routine, routine, "PARAMETER BLOCK TOO SHORT");
}

// The terms at T from the held block, from the cache when it serves.
void formTerms(std::int32_t code, std::int32_t n, double t, std::int32_t level,
               std::string_view routine) {
  const std::size_t nn = count(n);
  const std::size_t np = n > 1 ? nn * (nn - 1) / 2 : 1;
  const std::size_t width = runWidth(code, np);
  const auto pairStart = static_cast<std::size_t>(cb::pairs(n) - 1);
  const std::size_t words = pairStart + 3 * width;
  if (LDSTAT.realLength1 < 0 || static_cast<std::size_t>(LDSTAT.realLength1) < words) {
    tooShort(routine, words, LDSTAT.realLength1);
  }
  const std::int32_t cache = cb::cacheWords(code, n, LDSTAT.integerLength1);
  if (cache < n + 1 || cache + 2 > LDSTAT.integerLength1) {
    tooShort(routine, nn + 3, LDSTAT.integerLength1);
  }
  const bool caching = CORSTO[LDSTAT.integerSector1 + cache] == kCacheOn;
  const storage::RealView view =
      CORSTO.reals(LDSTAT.realSector1 + 1, static_cast<std::int32_t>(words));
  StabilityTerms& s = STBEOS;
  const bool hit = caching && s.valid && s.code == code && s.nc == n && s.level >= level &&
                   s.block.size() == words && (s.t == t || services::RELCMP(s.t, t) == 0) &&
                   view.holdsExactly(s.block);
  if (caching) {
    if (!hit) {
      s.valid = true;
      s.t = t;
    }
    s.level = level;
  } else {
    s.valid = false;
  }
  if (hit) return;

  ++THMISC.termEvaluations;
  if (s.block.size() != words) s.block.resize(words);
  view.copyTo(s.block);
  s.code = code;
  s.nc = n;
  const std::span<const double> blk(s.block);
  const auto at = [](std::int32_t word) { return static_cast<std::size_t>(word - 1); };
  STEOSP(blk.subspan(at(cb::sqrtAc(n)), nn), blk.subspan(at(cb::alpha(n)), 3 * nn),
         CORSTO.words(LDSTAT.integerSector1 + 1, n), n, t,
         blk.subspan(at(cb::criticalTemperature(n)), nn), std::span<double>(s.sqrta.data(), nn),
         std::span<double>(s.a.data(), nn));
  const std::span<const double> cov = blk.subspan(at(cb::covolume(n)), nn);
  std::copy(cov.begin(), cov.end(), s.b.begin());
  // Pair multipliers m = 1 - k, k = A + B/T + C/T^2 from the first NP words of each run.
  if (n > 1) {
    for (std::size_t q = 0; q < np; ++q) {
      const double k = blk[pairStart + q] + blk[pairStart + width + q] / t +
                       blk[pairStart + 2 * width + q] / (t * t);
      s.m[q] = 1.0 - k;
    }
  }
}

// One evaluation at the root SELECTOR with the method code and slot of the K-value entry.
void evaluate(std::int32_t slot, std::int32_t code, std::int32_t n, std::span<const double> x,
              std::span<double> lnphi, double t, double p, double& z, std::int32_t option,
              std::int32_t addlnp, std::int32_t selector, std::string_view routine) {
  const std::int32_t level = levelOf(option);
  pure::MDLODC(slot);
  formTerms(code, n, t, level, routine);
  StabilityTerms& s = STBEOS;
  const std::size_t nn = count(n);
  STEOSD(std::span<const double>(s.sqrta.data(), nn), std::span<const double>(s.b.data(), nn), s.m,
         level, n, x, s.amix, std::span<double>(s.d.data(), nn), s.bmix, s.aij);
  const double s1 = s.block[static_cast<std::size_t>(cb::kU1 - 1)];
  const double s2 = s.block[static_cast<std::size_t>(cb::kU2 - 1)];
  STZROT(s.amix, s.bmix, std::span<const double>(s.b.data(), nn),
         std::span<const double>(s.d.data(), nn), s.aij, s1, s2, t, p, selector, level, n, z,
         lnphi);
  if (addlnp == 1) {
    const double lnp = std::log(p);
    for (std::size_t i = 0; i < nn; ++i) lnphi[i] += lnp;
  }
}

}  // namespace

void forgetStabilityTerms() { STBEOS.valid = false; }

void STEOSP(std::span<const double> sqrtac, std::span<const double> h,
            std::span<const std::int32_t> forms, std::int32_t n, double t,
            std::span<const double> tc, std::span<double> sqrta, std::span<double> a) {
  const std::size_t nn = count(n);
  std::array<double, kLda> at{}, att{};
  pure::EOSTWU(sqrtac, h, forms, kValuesLevel, kAlphaRows, n, t, tc, sqrta.first(nn), a.first(nn),
               std::span<double>(at.data(), nn), std::span<double>(att.data(), nn));
}

void STEOSD(std::span<const double> sqrta, std::span<const double> bi, std::span<const double> m,
            std::int32_t level, std::int32_t n, std::span<const double> x, double& a,
            std::span<double> d, double& b, Matrix50& aij) {
  const std::size_t nn = count(n);
  if (nn == 1) {
    a = sqrta[0] * sqrta[0];
    b = bi[0];
    d[0] = a;
    if (level >= kCompositionLevel) aij(0, 0) = a;
    return;
  }
  std::array<double, kLda> s{}, tt{};
  for (std::size_t i = 0; i < nn; ++i) {
    s[i] = sqrta[i] * x[i];
    tt[i] = s[i];
  }
  // Pair by pair in pair order: (1,2), (1,3), (2,3), (1,4) ...
  std::size_t k = 0;
  for (std::size_t j = 1; j < nn; ++j) {
    for (std::size_t i = 0; i < j; ++i, ++k) {
      tt[i] += m[k] * s[j];
      tt[j] += m[k] * s[i];
    }
  }
  a = 0.0;
  b = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    a += s[i] * tt[i];
    b += x[i] * bi[i];
  }
  for (std::size_t i = 0; i < nn; ++i) d[i] = 2.0 * sqrta[i] * tt[i] - a;
  if (level < kCompositionLevel) return;
  k = 0;
  for (std::size_t j = 0; j < nn; ++j) aij(j, j) = sqrta[j] * sqrta[j];
  for (std::size_t j = 1; j < nn; ++j) {
    for (std::size_t i = 0; i < j; ++i, ++k) {
      const double v = sqrta[i] * sqrta[j] * m[k];
      aij(i, j) = v;
      aij(j, i) = v;
    }
  }
}

void STEOSL(std::int32_t n, std::span<const double> x, std::span<double> lnphi, double t, double p,
            double& z, std::int32_t option, std::int32_t addlnp, std::int32_t& status) {
  status = 0;
  methods::KValueMethods& k = methods::KMCTL;
  std::int32_t slot = k.kvalue.slot, code = k.kvalue.code;
  if (k.levelWord == kLiquidLiquidLevel) {
    slot = kLiquidLiquidSlot;
    code = methods::MSPTRS.classes(kLiquidLiquidSlot).code;
  }
  if (k.kvalue.option == kActivityOption) {
    status = 1;
    return;
  }
  const std::int32_t savedCode = k.kvalue.code, savedSlot = k.kvalue.slot;
  k.kvalue.code = code;
  k.kvalue.slot = slot;
  evaluate(slot, code, n, x, lnphi, t, p, z, option, addlnp, kLiquidRoot, "STEOSL");
  k.kvalue.code = savedCode;
  k.kvalue.slot = savedSlot;
}

void STEOSV(std::int32_t n, std::span<const double> x, std::span<double> lnphi, double t, double p,
            double& z, std::int32_t option, std::int32_t addlnp, std::int32_t& status) {
  status = 0;
  const methods::KValueMethods& k = methods::KMCTL;
  evaluate(1, k.kvalue.code, n, x, lnphi, t, p, z, option, addlnp, kVapourRoot, "STEOSV");
}

}  // namespace multiphase
