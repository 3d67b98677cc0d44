// The stream-vector flash: a single-precision feed flashed on a temporary stream of the open
// problem, its phases returned as stream vectors.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "api/flash/stream_vector.hpp"
#include "flash/stream_flash.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/phase/density_drivers.hpp"

namespace api_flash {

EntropySpecification ENTSPC;

namespace {

namespace m = problem::srmain;
using services::UOMCNV;
using namespace strvec;

constexpr std::int32_t kTemporaryKind = 3;
constexpr std::string_view kBlankName = "            ";
constexpr std::int32_t kPlainMode = 0;
constexpr std::int32_t kMethodSetWord = 20;        // I(20)
constexpr std::int32_t kVapourCompressibility = 3;  // h(3)
constexpr std::int32_t kLiquidCompressibility = 4;  // h(4)
constexpr std::int32_t kEntropyWord = 13;          // h(13)
constexpr std::int32_t kLiquidLiquidRecord = 3;
constexpr std::int32_t kLoad = 1;
constexpr std::int32_t kSplitDigit = 1000000;      // I(8): millions digit, two liquids

// One row of the flash-type table: the flash kind and which of T and P is found.
struct FlashType {
  std::int32_t kind;
  std::int32_t itpfix;  // 0 both given, 1 P given and T found, 2 T given and P found
};
constexpr FlashType kFlashTypes[] = {
    {1, 0}, {2, 2}, {2, 1}, {8, 2}, {8, 1}, {11, 2}, {11, 1}, {3, 2}, {3, 1}, {9, 2}, {9, 1}};
constexpr std::int32_t kTypeCount = 11;
constexpr std::int32_t kEnthalpyKind = 2;      // ADIA: types 2 and 3
constexpr std::int32_t kEntropyKind = 3;       // ISEN: types 8 and 9
constexpr std::int32_t kWaterDewKind = 9;      // DEWW: types 10 and 11
constexpr std::int32_t kPressureGiven = 1;     // ITPFIX: P given, T found
constexpr std::int32_t kTemperatureGiven = 2;  // ITPFIX: T given, P found

constexpr std::int32_t code(VectorFlashStatus s) { return static_cast<std::int32_t>(s); }

float toVector(double v, std::int32_t cls) {
  return static_cast<float>(UOMCNV(v, cls, kInternalSet, kVectorSet));
}

// The header words common to every phase vector.
void fillState(StreamVector v, double t, double p) {
  v(kTemperature) = toVector(t, kTemperatureClass);
  v(kPressure) = toVector(p, kPressureClass);
}

// A phase of rate AMOUNT (set 1) and molar enthalpy H with the mole fractions X(i).
template <typename Fractions>
void fillPhase(StreamVector v, double amount, double h, double t, double p, std::size_t nc,
               Fractions x) {
  v(kRate) = toVector(amount, kRateClass);
  fillState(v, t, p);
  v(kEnthalpy) = static_cast<float>(kEnthalpyScale * UOMCNV(amount * h, kTotalEnthalpyClass,
                                                            kInternalSet, kVectorSet));
  for (std::size_t i = 1; i <= nc; ++i) v.amount(i) = v(kRate) * static_cast<float>(x(i));
}

void clear(std::span<float> v, std::size_t n) {
  std::fill(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(std::min(n, v.size())), 0.0F);
}

// The second-liquid results of the liquid-liquid record: LIQ gets liquid 1, WAT liquid 2.
void twoLiquids(const problem::MainRecord& r, StreamVector liq, StreamVector wat, std::size_t nc,
                double rate) {
  std::int32_t istat = 0;
  problem::SRPAGE(kLoad, kLiquidLiquidRecord, 1, istat);
  phase::WKOFFS();
  for (std::size_t k = 0; k < 2; ++k) {
    StreamVector v = k == 0 ? liq : wat;
    const auto& s = phase::WKOFFW.scalars[k];
    const double share = storage::CORSTO.real(s[0]);
    const double amount = (1.0 - r.real(m::kVapourFraction)) * rate * share;
    const double h = storage::CORSTO.real(s[1]);
    const std::int32_t xs = phase::WKOFFW.vectors[k][0];
    fillPhase(v, amount, h, r.real(m::kTemperature), r.real(m::kPressure), nc,
              [&](std::size_t i) { return storage::CORSTO.real(xs + static_cast<std::int32_t>(i)); });
    v(kLiquidFraction) = k == 0 ? 1.0F : 0.0F;
    v(kWaterFraction) = k == 0 ? 0.0F : 1.0F;
    v(kCompressibility) = static_cast<float>(storage::CORSTO.real(s[3]));
  }
}

// Whether the feed's amounts and state are a request the flash can honour: amounts finite
// and not negative; temperature and pressure finite, and inside the flash's range where the
// type gives them; the enthalpy finite where the type gives it.
bool usableFeed(const StreamVector feed, std::size_t nc, FlashType type) {
  for (std::size_t i = 1; i <= nc; ++i) {
    if (!std::isfinite(feed.amount(i)) || feed.amount(i) < 0.0F) return false;
  }
  if (!std::isfinite(feed(kTemperature)) || !std::isfinite(feed(kPressure))) return false;
  const double t = UOMCNV(feed(kTemperature), kTemperatureClass, kVectorSet, kInternalSet);
  const double p = UOMCNV(feed(kPressure), kPressureClass, kVectorSet, kInternalSet);
  const bool givesT = type.itpfix != kPressureGiven;
  const bool givesP = type.itpfix != kTemperatureGiven;
  if (givesT && !(t >= kLowestTemperature && t <= kHighestTemperature)) return false;
  if (givesP && !(p >= kLowestPressure && p <= kHighestPressure)) return false;
  return type.kind != kEnthalpyKind || std::isfinite(feed(kEnthalpy));
}

// Whether the feed holds water of the current method set's water component: the free-water
// component, else the problem's water component.
bool waterInFeed(const StreamVector feed, std::size_t nc) {
  std::int32_t water = problem::THCTL.idecnt;
  if (water < 1) water = problem::THCTL.waterComponent;
  if (water < 1 || static_cast<std::size_t>(water) > nc) return false;
  return feed.amount(static_cast<std::size_t>(water)) > 0.0F;
}

// Whether the phases of a flash of FEED are ones a flash can give: each phase present at a
// temperature and pressure above 0 (in the internal units: the vectors' may have their zero
// elsewhere), no rate or amount below 0, and the phase rates summing
// to the feed rate (to single precision over a few operations).
bool plausiblePhases(const StreamVector& feed, const StreamVector& vap, const StreamVector& liq,
                     const StreamVector& wat, std::size_t nc) {
  constexpr double kBalance = 1.0e-4;
  double total = 0.0;
  for (const StreamVector* v : {&vap, &liq, &wat}) {
    const float rate = (*v)(kRate);
    if (rate < 0.0F) return false;
    const double t = UOMCNV((*v)(kTemperature), kTemperatureClass, kVectorSet, kInternalSet);
    const double p = UOMCNV((*v)(kPressure), kPressureClass, kVectorSet, kInternalSet);
    if (rate > 0.0F && (!(t > 0.0) || !(p > 0.0))) return false;
    for (std::size_t i = 1; i <= nc; ++i) {
      if (v->amount(i) < 0.0F) return false;
    }
    total += rate;
  }
  const double fed = feed(kRate);
  return std::fabs(total - fed) <= kBalance * fed;
}

}  // namespace

bool problemIsOpen() { return problem::SLOTC2.sr.index != services::NOCORE; }

std::int32_t streamVectorComponents() {
  if (!problemIsOpen()) return 0;
  return std::max(0, problem::COHDR(problem::cohdr::kStreamComponents));
}

void UFLSH(std::span<const float> feedWords, std::span<float> vapWords,
           std::span<float> liqWords, std::span<float> watWords, std::span<float> kvec,
           std::int32_t iftype, std::int32_t& ierr) {
  // 1. Preset the outputs.
  const std::int32_t ncs = streamVectorComponents();
  const auto nc = static_cast<std::size_t>(ncs);
  const std::size_t words = kHeaderWords + nc;
  for (std::span<float> v : {vapWords, liqWords, watWords}) clear(v, words);
  clear(kvec, nc);
  ierr = code(VectorFlashStatus::Ok);

  // 2-3. The checks, before anything is created.
  if (problem::SLOTC2.sr.index == services::NOCORE) {
    ierr = code(VectorFlashStatus::NoProblem);
    return;
  }
  if (iftype < 1 || iftype > kTypeCount) {
    ierr = code(VectorFlashStatus::BadType);
    return;
  }
  if (feedWords.size() < words || vapWords.size() < words || liqWords.size() < words ||
      watWords.size() < words || kvec.size() < nc) {
    ierr = code(VectorFlashStatus::TooSmall);
    return;
  }
  const std::span<float> feedView(const_cast<float*>(feedWords.data()), feedWords.size());
  const StreamVector feed(feedView);
  if (!(feed(kRate) > 0.0F) || std::isinf(feed(kRate))) {
    ierr = code(VectorFlashStatus::NoRate);
    return;
  }
  // A feed the flash cannot honour is refused before anything is created: an amount that is
  // not a number, infinite or negative would pass through the flash (or be dropped by it)
  // under a status of success, and so would a state the flash cannot take.
  if (!usableFeed(feed, nc, kFlashTypes[iftype - 1])) {
    ierr = code(VectorFlashStatus::Failed);
    return;
  }
  // A water dew point needs water: a set that knows no water component, or a feed without
  // water, has none to find.
  if (kFlashTypes[iftype - 1].kind == kWaterDewKind && !waterInFeed(feed, nc)) {
    ierr = code(VectorFlashStatus::Failed);
    return;
  }
  if (kFlashTypes[iftype - 1].kind == kEntropyKind &&
      (!ENTSPC.stored || !std::isfinite(ENTSPC.value))) {
    ierr = code(VectorFlashStatus::NoEntropy);
    return;
  }
  const std::int32_t caller = problem::SRPSET.set2.stream;

  // 4-5. The temporary stream in the current method set, loaded in set-1 units.
  std::int32_t n = 0, istat = 0;
  problem::SRCREA(kTemporaryKind, kBlankName, n, istat);
  problem::MainRecord r(problem::SRPSET.set2);
  for (std::size_t i = 1; i <= nc; ++i) {
    r.setVector(m::kOverall, static_cast<std::int32_t>(i),
                static_cast<double>(feed.amount(i)) / static_cast<double>(feed(kRate)));
  }
  const double rate = UOMCNV(feed(kRate), kRateClass, kVectorSet, kInternalSet);
  r.setReal(m::kRate, rate);
  r.setReal(m::kTemperature, UOMCNV(feed(kTemperature), kTemperatureClass, kVectorSet, kInternalSet));
  r.setReal(m::kPressure, UOMCNV(feed(kPressure), kPressureClass, kVectorSet, kInternalSet));
  r.setReal(m::kEnthalpy,
            UOMCNV(feed(kEnthalpy) / kEnthalpyScale, kTotalEnthalpyClass, kVectorSet,
                   kInternalSet) / rate);
  // The set that the caller made current (the named stream's), not a unit's data block word.
  r.integer(kMethodSetWord) = problem::THCTL.currentSet;

  // 6. The flash kind; types 8 and 9 carry the entropy per unit rate.
  const FlashType type = kFlashTypes[iftype - 1];
  if (type.kind == kEntropyKind) {
    const double s = ENTSPC.value / static_cast<double>(feed(kRate));
    r.setReal(kEntropyWord, UOMCNV(s, kMolarEntropyClass, kVectorSet, kInternalSet));
    ENTSPC.value = static_cast<float>(s);
  }

  // 7. The flash.
  std::int32_t status = 0;
  flash::SFLDRV(n, type.itpfix, type.kind, 0, 0.0, 0, 0, r.real(m::kTemperature),
                r.real(m::kPressure), status);
  using flash::StreamFlashStatus;
  const auto s = static_cast<StreamFlashStatus>(status);
  if (s == StreamFlashStatus::Failed || s == StreamFlashStatus::BadKind ||
      s == StreamFlashStatus::SolidsRefused) {
    ierr = code(VectorFlashStatus::Failed);
  } else if (s == StreamFlashStatus::NoFlow) {
    ierr = code(VectorFlashStatus::NoRate);
  }

  if (ierr == code(VectorFlashStatus::Ok)) {
    problem::MainRecord f(problem::SRPSET.set2);
    const double t = f.real(m::kTemperature), p = f.real(m::kPressure);
    // 8. Vapour and liquid.
    StreamVector vap(vapWords), liq(liqWords), wat(watWords);
    fillPhase(vap, rate * f.real(m::kVapourFraction), f.real(m::kVapourEnthalpy), t, p, nc,
              [&](std::size_t i) { return f.vector(m::kVapour, static_cast<std::int32_t>(i)); });
    vap(kCompressibility) = static_cast<float>(f.real(kVapourCompressibility));
    fillPhase(liq, rate * f.real(m::kLiquidFraction), f.real(m::kLiquidEnthalpy), t, p, nc,
              [&](std::size_t i) { return f.vector(m::kLiquid, static_cast<std::int32_t>(i)); });
    liq(kLiquidFraction) = 1.0F;
    liq(kCompressibility) = static_cast<float>(f.real(kLiquidCompressibility));
    // K-values of the split: vapour over liquid mole fraction.
    for (std::size_t i = 1; i <= nc; ++i) {
      const auto c = static_cast<std::int32_t>(i);
      const double x = f.vector(m::kLiquid, c);
      kvec[i - 1] = x > 0.0 ? static_cast<float>(f.vector(m::kVapour, c) / x) : 0.0F;
    }
    // 9. The third phase: free water, or the second liquid.
    if ((f.integer(m::kFlashWord) / kSplitDigit) % 10 >= 1) {
      twoLiquids(f, liq, wat, nc, rate);
    } else if (problem::THCTL.idecnt >= 1 && problem::THCTL.idecnt <= ncs) {
      const double w = rate * f.real(m::kWaterFraction);
      wat(kRate) = toVector(w, kRateClass);
      fillState(wat, t, p);
      wat(kEnthalpy) = static_cast<float>(
          kEnthalpyScale *
          UOMCNV(w * f.real(m::kWaterEnthalpy), kTotalEnthalpyClass, kInternalSet, kVectorSet));
      wat(kLiquidFraction) = 1.0F;
      wat(kWaterFraction) = 1.0F;
      wat.amount(static_cast<std::size_t>(problem::THCTL.idecnt)) = wat(kRate);
    }
    // A result beyond single precision (a rate near its largest value times an enthalpy),
    // or one no flash can give (damaged constants behind it), is no result: the failure is
    // reported and every word cleared.
    const auto finite = [words](std::span<const float> v) {
      const auto end = v.begin() + static_cast<std::ptrdiff_t>(std::min(words, v.size()));
      return std::all_of(v.begin(), end, [](float w) { return std::isfinite(w); });
    };
    if (!finite(vapWords) || !finite(liqWords) || !finite(watWords) || !finite(kvec) ||
        !plausiblePhases(feed, vap, liq, wat, nc)) {
      for (std::span<float> v : {vapWords, liqWords, watWords}) clear(v, words);
      clear(kvec, nc);
      ierr = code(VectorFlashStatus::Failed);
    }
  }

  // 10. The temporary stream goes; the caller's stream is current again.
  problem::SRKILL(n);
  problem::SRPSET.set2.stream = 0;
  if (caller > 0) problem::SRSET(caller, kPlainMode);
}

}  // namespace api_flash
