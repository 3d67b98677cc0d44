// FLSMSG, FLSPRT, FLSDIF, FLSCPY, VECGET, SUMDIF and NORML2.
#include "flash/flash_notes.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "flash/empty_calls.hpp"
#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/phase_region.hpp"
#include "flash/work_tables.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace flash {
namespace {

// The flash K-value array of the flash work space.
constexpr std::size_t kKValueArray = 5;
// The largest component count whose K-values the stored-estimate block holds.
constexpr std::int32_t kStoredKValueLimit = 200;
// Diagnostic switch of the flash message level.
constexpr int kMessageLevelSwitch = 47;

// A note line squeezed and cut after its last non-blank character, in a buffer of its own.
struct NoteLine {
  std::array<char, 256> chars{};
  std::size_t length = 0;
  std::string_view view() const { return {chars.data(), length}; }
};

NoteLine squeezed(std::string_view text) {
  NoteLine line;
  const std::size_t n = std::min(text.size(), line.chars.size());
  std::copy_n(text.begin(), n, line.chars.begin());
  std::span<char> part(line.chars.data(), n);
  services::SQZBLK(part);
  line.length = static_cast<std::size_t>(std::max(services::LENTRM({line.chars.data(), n}), 0));
  return line;
}

// A line to the iteration-history call OTHIST, with its length.
void toHistory(std::string_view line) { OTHIST(0, line, static_cast<std::int32_t>(line.size())); }

void putLine(std::int32_t dest, std::int32_t iout, std::string_view line) {
  if (dest == 1) {
    toHistory(line);
  } else {
    writef(iout, "%.*s", static_cast<int>(line.size()), line.data());
  }
}

}  // namespace

void FLSMSG(std::int32_t level, std::int32_t idebug, std::int32_t iout, std::string_view text) {
  if (!(idebug > 0 || level <= idebug)) return;
  const NoteLine line = squeezed(text);
  if (idebug > 0) writef(iout, " %.*s", static_cast<int>(line.length), line.chars.data());
  if (level <= idebug) toHistory(line.view());
}

void FLSPRT(std::int32_t mode, std::int32_t dest, std::int32_t iout, double t, double p,
            std::int32_t n, std::span<const double> z) {
  const std::int32_t units = mode % 10, tens = (mode / 10) % 10, hundreds = (mode / 100) % 10;
  const bool router = units == 1;
  const char* tag = tens == 1 ? "VAP" : tens == 2 ? "LIQ" : "";
  char text[160];
  std::snprintf(text, sizeof text, "XPROP STREAM=%s%lld %s ,*", router ? "NNFLST" : "NNFLSG",
                static_cast<long long>(router ? flashCalls.NNFLST : flashCalls.NNFLSG), tag);
  NoteLine first = squeezed(text);
  // The first line starts with a blank.
  std::array<char, 258> head{};
  head[0] = ' ';
  std::copy_n(first.chars.begin(), first.length, head.begin() + 1);
  putLine(dest, iout, {head.data(), first.length + 1});
  if (n == 1) return;
  std::snprintf(text, sizeof text, "XXTEMP(K)=%.6f, PRES(KPA)=%.6f , *", t, p);
  putLine(dest, iout, text);
  // K-values: from the stored-estimate block while it may be used, else the work array.
  const bool withK = hundreds != 1;
  const bool stored = FLSTAT.IHVDAT() == 2 &&
                      problem::COHDR(problem::cohdr::kVapourComponents) <= kStoredKValueLimit;
  const auto kOf = [&](std::int32_t i) {
    if (stored) return storage::CORSTO.real(FLSTAT.IKVPNT() + 10 + i);
    return storage::CORSTO.real(problem::FWPART.realOffset(kKValueArray) + i);
  };
  for (std::int32_t i = 1; i <= n; ++i) {
    const bool last = i == n;
    if (i != 1 && !last && !(z[static_cast<std::size_t>(i - 1)] > 0.0)) continue;
    std::int32_t number = 0;
    problem::SLTIDX(i, 1, number);
    const double zi = z[static_cast<std::size_t>(i - 1)];
    char kv[40] = "";
    if (withK) std::snprintf(kv, sizeof kv, "  $ KV=%.6E", kOf(i));
    std::snprintf(text, sizeof text, "%s%d, %.8E%s%s", i == 1 ? "  COMP=" : "       ", number, zi,
                  last ? "" : " / *", kv);
    putLine(dest, iout, text);
  }
}

void FLSDIF(std::int32_t mode, std::int32_t family, std::int32_t idebug, std::int32_t iout,
            std::int32_t limit, std::int32_t klle, std::int32_t /*nc*/, std::int32_t /*ncomp*/,
            std::span<const double> z, double t, double p, double fliqhc, double fwater,
            double fvapor, double mpfrc1, double mpfrc2, RecordedResult& rec) {
  const bool liquidLiquid = klle != services::IMISS && klle != 0;
  if (mode == 1) {
    rec = {fliqhc, fwater, fvapor, liquidLiquid ? mpfrc1 : 0.0, liquidLiquid ? mpfrc2 : 0.0};
    return;
  }
  if (mode != 2) return;
  const std::int32_t w = methods::THCTL.idecnt;
  const bool water = w > 0 && z[static_cast<std::size_t>(w - 1)] > 0.0;
  struct Fractions {
    double x, y, z;
  };
  // The fractions of the feed in liquid 1, vapour and liquid 2 (the free water).
  const auto form = [&](double liq, double wat, double vap, double m1, double m2) {
    Fractions f{};
    if (liquidLiquid) {
      // The shares of the two liquids in the total liquid give their fractions of the feed.
      f.y = vap;
      if (m1 > 0.0) {
        f.x = (1.0 - vap) * m1;
        f.z = (1.0 - vap) * m2;
      } else {
        f.x = 1.0 - vap;
        f.z = 0.0;
      }
    } else {
      f.y = vap;
      f.x = liq;
      f.z = water ? wat : 0.0;
    }
    if (f.y < 1e-12) f.y = 0.0;
    if (f.x < 1e-12) f.x = 0.0;
    if (f.z < 1e-12) f.z = 0.0;
    return f;
  };
  const Fractions old = form(rec.s1, rec.s2, rec.s3, rec.s4, rec.s5);
  Fractions oldRegion = old;
  std::int32_t codeOld = 0, codeNew = 0;
  FLS3RG(iout, 0, oldRegion.x, oldRegion.y, oldRegion.z, codeOld);
  Fractions now = form(fliqhc, fwater, fvapor, mpfrc1, mpfrc2);
  FLS3RG(iout, 0, now.x, now.y, now.z, codeNew);
  if (idebug > 0) writef(iout, " LEAVING FLSDIF - IPTYPO=%2d  IPTYPN=%2d", codeOld, codeNew);

  const auto agree = [](double a1, double a2) { return std::abs(a2 - a1) <= 0.001 * a2; };
  const auto present = [](double a1, double a2) { return a1 >= 1e-6 || a2 >= 1e-6; };
  bool same = false;
  if (codeOld == codeNew) {
    const bool pz = present(old.z, now.z), px = present(old.x, now.x), py = present(old.y, now.y);
    const bool lowWater = old.z < 0.4 && now.z < 0.4;
    if (!pz) {
      same = (old.x > 0.4 || now.x > 0.4) ? agree(old.x, now.x) : agree(old.y, now.y);
    } else if (px && py) {
      same = agree(old.x, now.x) && agree(old.y, now.y) && agree(old.z, now.z);
    } else if (px) {
      same = lowWater ? agree(old.x, now.x) : agree(old.z, now.z);
    } else {
      same = lowWater ? agree(old.y, now.y) : agree(old.z, now.z);
    }
  }
  const auto extreme = [](double a1, double a2) {
    return (a1 <= 1e-5 && a2 <= 1e-5) || (a1 > 0.99999 && a2 > 0.99999);
  };
  if (extreme(old.x, now.x) && extreme(old.y, now.y) && extreme(old.z, now.z)) same = true;
  if (same) return;

  auto& counters = FLCNTR.words;
  const bool unlimited = services::GDPOPT.diagnosticSwitch(kMessageLevelSwitch) > 0;
  if (!(unlimited || counters(1) < limit)) return;
  const char* label = family == 3 ? "3 PH" : family == 2 ? "WATER" : "NEG.WATER";
  char text[160];
  std::snprintf(text, sizeof text, "FLASH (%lld) %s DIFF PHASES %.2f K, %.3f KPA",
                static_cast<long long>(flashCalls.NNFLST), label, t, p);
  auto& parameter = services::MSGPAR.composition;
  parameter.assign(text);
  if (idebug > 0) {
    const NoteLine line = squeezed(text);
    writef(iout, " ** ERROR ** %.*s", static_cast<int>(line.length), line.chars.data());
  }
  services::MSGOUT(kRouterNote);
  ++counters(1);
  const auto history = [&](const char* which, double v, double a, double b) {
    if (liquidLiquid) {
      std::snprintf(text, sizeof text, "%s FLASH V=%.6f L1=%.6f L2=%.6f", which, v, a, b);
    } else if (w > 0) {
      std::snprintf(text, sizeof text, "%s FLASH V=%.6f L=%.6f W=%.6f", which, v, a, b);
    } else {
      std::snprintf(text, sizeof text, "%s FLASH V=%.6f L=%.6f", which, v, a);
    }
    toHistory(text);
  };
  history("OLD", old.y, liquidLiquid ? old.x : rec.s1, liquidLiquid ? old.z : rec.s2);
  history("NEW", now.y, liquidLiquid ? now.x : fliqhc, liquidLiquid ? now.z : fwater);
  FLSPRT(1, 1, 1, t, p, static_cast<std::int32_t>(z.size()), z);
}

void FLSCPY(double& fliqhc, double& fwater, double& ftotlq, double& fvapor, std::int32_t n,
            std::span<double> k) {
  const std::int32_t at = FLSTAT.IKVPNT();
  auto& store = storage::CORSTO;
  fliqhc = store.real(at + 7);
  fwater = store.real(at + 8);
  ftotlq = store.real(at + 9);
  fvapor = store.real(at + 10);
  if (n > 0) store.reals(at + 11, n).copyTo(k.first(static_cast<std::size_t>(n)));
}

void VECGET(std::int32_t n, std::span<double> v) {
  if (n <= 0) return;
  storage::CORSTO.reals(problem::FWPART.realOffset(kKValueArray) + 1, n)
      .copyTo(v.first(static_cast<std::size_t>(n)));
}

void SUMDIF(std::int32_t n, std::span<const double> a, std::span<const double> b, double& sa,
            double& sb, double& d) {
  sa = 0.0;
  sb = 0.0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(n, 0)); ++i) {
    sa += a[i];
    sb += b[i];
  }
  d = sb - sa;
}

void NORML2(std::int32_t n, std::span<double> v) {
  const auto count = static_cast<std::size_t>(std::max(n, 0));
  double s = 0.0;
  for (std::size_t i = 0; i < count; ++i) s += v[i];
  if (std::abs(s) > 0.0) {
    for (std::size_t i = 0; i < count; ++i) v[i] /= s;
  }
}

}  // namespace flash
