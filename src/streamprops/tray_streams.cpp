// Tray streams: the vapour or the liquid of one tray of a column, assembled in the scratch
// stream from the column's profiles, loaded (UVGETL, UVFILL) or stored (UVGETR), so that any
// stream property can be evaluated on it; the feed rate to a tray (UVINIT); the scratch
// stream itself (UVCUR).
#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "problem/problem.hpp"
#include "services/empty_hooks.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/stream_views.hpp"
#include "streamprops/unit_data.hpp"
#include "thermo/pure/water.hpp"

namespace streamprops {
namespace {

using services::DMISS;
using services::RMISS;
using storage::RealView;

// Profile items of a column's data block (see unit_data.hpp).
namespace item {
constexpr std::int32_t kTemperature = 7;
constexpr std::int32_t kPressure = 8;
constexpr std::int32_t kNetVapour = 9;
constexpr std::int32_t kNetLiquid = 10;
constexpr std::int32_t kTotalVapour = 11;
constexpr std::int32_t kTotalLiquid = 12;
constexpr std::int32_t kVapourEnthalpy = 13;
constexpr std::int32_t kLiquidEnthalpy = 14;
constexpr std::int32_t kVapourCarried = 15;
constexpr std::int32_t kLiquidCarried = 16;
constexpr std::int32_t kVapourHeatCapacity = 17;
constexpr std::int32_t kLiquidHeatCapacity = 18;
constexpr std::int32_t kVapourComposition = 20;
constexpr std::int32_t kLiquidComposition = 21;
constexpr std::int32_t kLiquid1Composition = 26;
constexpr std::int32_t kLiquid2Composition = 27;
constexpr std::int32_t kLiquid1Rate = 28;
constexpr std::int32_t kLiquid2Rate = 29;
constexpr std::int32_t kMolarSolidRate = 49;
constexpr std::int32_t kMolarSolidEnthalpy = 50;
constexpr std::int32_t kSolidComposition = 51;
constexpr std::int32_t kMassSolidEnthalpy = 58;
constexpr std::int32_t kMassSolidRate = 60;
constexpr std::int32_t kLiquidTemperature = 175;  // stored form
// Integer items.
constexpr std::int32_t kControl = 1;
constexpr std::int32_t kSections = 2;
constexpr std::int32_t kTrayMethodSets = 16;
constexpr std::int32_t kLiquidRowStarts = 17;
}  // namespace item

constexpr std::int32_t kAlgorithmWord = 41;  // of the control item
constexpr std::int32_t kFeedCountWord = 51;
constexpr std::int32_t kTwoLiquidAlgorithm = 4;
constexpr std::int32_t kHookAlgorithm = 8;
constexpr std::size_t kColumnOptionWord = 49;  // word 55 of table GPR, after its text
constexpr std::int32_t kFeedEntry = 0;
constexpr double kLiquidShortfall = 1.0e-12;
constexpr std::int32_t kReadOnly = 10;
constexpr std::int32_t kFillLock = 1;  // lock level 1, marked changed

// The scratch stream's number, kept until the next problem open.
struct ScratchStream {
  std::int32_t number = 0;
};
ScratchStream scratch;
// Two composition rows of a tray, grown to the component count and kept between calls.
std::array<std::vector<double>, 2> trayRows;
void forgetScratch() {
  scratch = ScratchStream{};
  for (std::vector<double>& row : trayRows) row = {};
}
const bool kScratchForgottenAtOpen = services::registerKeptValues(&forgetScratch);

// Element E (1-based) of a loaded profile; DMISS outside it.
double at(const RealView& profile, std::int64_t e) {
  return e >= 1 && static_cast<std::size_t>(e) <= profile.size()
             ? profile[static_cast<std::size_t>(e - 1)]
             : DMISS;
}

// Entries FIRST to FIRST + n - 1 of a loaded profile (0.0 outside it) into OUT, n = out.size().
void copyEntries(const RealView& profile, std::int64_t first, std::span<double> out) {
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::int64_t e = first + static_cast<std::int64_t>(i);
    out[i] = e >= 1 && static_cast<std::size_t>(e) <= profile.size()
                 ? profile[static_cast<std::size_t>(e - 1)]
                 : 0.0;
  }
}

// Writes VALUES into the first entries of each vector of TARGETS, divided by their sum when
// NORMALISE and the sum is above 0.0. Returns the sum.
double putComposition(std::span<const double> values, bool normalise,
                      std::initializer_list<const RealView*> targets) {
  double sum = 0.0;
  for (const double x : values) sum += x;
  const double divisor = normalise && sum > 0.0 ? sum : 1.0;
  for (const RealView* target : targets) {
    for (std::size_t i = 0; i < values.size() && i < target->size(); ++i) {
      target->set(i, values[i] / divisor);
    }
  }
  return sum;
}

// A word of a loaded integer item (0 outside it).
std::int32_t loadedWord(std::int32_t itemNumber, std::int64_t e) {
  const std::span<std::int32_t> words = loadedIntegers(itemNumber);
  return e >= 1 && static_cast<std::size_t>(e) <= words.size()
             ? words[static_cast<std::size_t>(e - 1)]
             : 0;
}

// The composition buffer of one tray: NCOMP entries, grown on first use and kept, so that a
// warm tray stream allocates nothing.
std::span<double> trayRow(std::size_t slot) {
  std::array<std::vector<double>, 2>& rows = trayRows;
  const auto ncomp = static_cast<std::size_t>(std::max(problem::COHDR(counts::kComponents), 0));
  if (rows[slot].size() < ncomp) rows[slot].resize(ncomp);
  return std::span(rows[slot]).first(ncomp);
}

// The water terms of header reals 17 and 18 at the stream's temperature and pressure.
void waterTerms(const StreamViews& s) {
  const std::int32_t method = problem::THCTL.waterPropertyMethod;
  const std::int32_t property = static_cast<std::int32_t>(pure::WaterProperty::Enthalpy);
  const double t = s.get(header::kTemperature);
  const double p = s.get(header::kPressure);
  constexpr std::int32_t kNoCorrection = 0;
  constexpr std::int32_t kQuiet = 1;
  constexpr double kNoShift = 0.0;
  double value = 0.0, second = 0.0;
  pure::WPROP(property, method, t, p, value, second,
              static_cast<std::int32_t>(pure::WaterPhase::Liquid), kNoCorrection, kQuiet,
              services::IOUNIT.output, kNoShift);
  s.set(header::kWaterTerm1, second);
  pure::WPROP(property, method, t, p, value, second,
              static_cast<std::int32_t>(pure::WaterPhase::Vapour), kNoCorrection, kQuiet,
              services::IOUNIT.output, kNoShift);
  s.set(header::kWaterTerm2, second);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The scratch stream
// ---------------------------------------------------------------------------------------

void UVCUR(std::int32_t& ns) {
  constexpr std::int32_t kTemporary = 3;
  if (scratch.number < 1 || problem::ISRSTA(scratch.number) != kTemporary) {
    // The creation makes the new stream current in set 2 and locks it: both are undone.
    const std::int32_t previous = problem::SRPSET.set2.stream;
    std::int32_t istat = 0;
    problem::SRCREA(kTemporary, "", scratch.number, istat);
    problem::SRFREE(scratch.number, 0);
    if (previous > 0) problem::SRSET(previous, kReadOnly);
  }
  ns = scratch.number;
}

void clearScratchStream(std::int32_t set) {
  const StreamViews s =
      streamViews(set == problem::kReadingSet ? problem::SRPSET.set1 : problem::SRPSET.set2);
  for (std::int32_t k = 1; k <= header::kCount; ++k) s.set(k, DMISS);
  for (const std::int32_t k :
       {header::kRate, header::kWaterFraction, header::kVapourFraction, header::kLiquidFraction,
        header::kSolidFraction, header::kMassRate}) {
    s.set(k, 0.0);
  }
  for (const RealView& v : s.vectors) {
    for (std::size_t i = 0; i < v.size(); ++i) v.set(i, 0.0);
  }
}

// ---------------------------------------------------------------------------------------
// Tray streams
// ---------------------------------------------------------------------------------------

void UVGET(std::int32_t u, std::int32_t t, std::int32_t phase, std::int32_t phase2,
           std::int32_t kind, std::int32_t p, std::int32_t& ierr) {
  ierr = 0;
  std::int32_t ns = 0;
  UVCUR(ns);
  // The scratch stream stays in core while it is filled and is marked changed, so that its
  // new contents are what a later read finds.
  problem::SRSTUP(ns, problem::kReadingSet, kFillLock);
  clearScratchStream(problem::kReadingSet);
  if (workAreaHolds(u)) {
    UVGETL(u, t, phase, phase2, kind, p, ierr);
  } else {
    UVGETR(u, t, phase, kind);
  }
  problem::SRFREE(ns, 0);
}

void UVGETR(std::int32_t u, std::int32_t t, std::int32_t phase, std::int32_t kind) {
  constexpr std::string_view kRoutine = "UVGETR";
  if (kind > static_cast<std::int32_t>(TrayKind::Total)) return;
  // 1. The stored block of U; U current in context 1.
  problem::UNSETT(u);
  const StoredUnitData block(u);
  const StreamViews s = streamViews(problem::SRPSET.set1);
  const bool vapour = phase == static_cast<std::int32_t>(TrayPhase::Vapour);
  const bool total = kind == static_cast<std::int32_t>(TrayKind::Total);

  // 2-4. Temperature, pressure, rate and the phase's values.
  s.set(header::kTemperature,
        block.real(vapour ? item::kTemperature : item::kLiquidTemperature, t, kRoutine));
  s.set(header::kPressure, block.real(item::kPressure, t, kRoutine));
  const std::int32_t rateItem = vapour ? (total ? item::kTotalVapour : item::kNetVapour)
                                       : (total ? item::kTotalLiquid : item::kNetLiquid);
  s.set(header::kRate, block.real(rateItem, t, kRoutine));
  if (vapour) {
    s.set(header::kVapourCarried, block.real(item::kVapourCarried, t, kRoutine));
    s.set(header::kVapourEnthalpy, block.real(item::kVapourEnthalpy, t, kRoutine));
  } else {
    s.set(header::kLiquidCarried, block.real(item::kLiquidCarried, t, kRoutine));
    s.set(header::kLiquidEnthalpy, block.real(item::kLiquidEnthalpy, t, kRoutine));
  }

  // 5. The tray's composition, normalised when its sum is above 0.0.
  const std::span<double> row = trayRow(0);
  const std::int64_t ncomp = static_cast<std::int64_t>(row.size());
  block.reals(vapour ? item::kVapourComposition : item::kLiquidComposition,
              static_cast<std::int32_t>((std::int64_t{t} - 1) * ncomp + 1), row, kRoutine);

  // 6. The phase.
  const RealView& phaseVector = s.vector(vapour ? Vector::Vapour : Vector::Liquid);
  putComposition(row, true, {&s.vector(Vector::Whole), &phaseVector});
  s.set(header::kVapourFraction, vapour ? 1.0 : 0.0);
  s.set(header::kLiquidFraction, vapour ? 0.0 : 1.0);
  if (vapour) {
    s.set(header::kLiquidEnthalpy, 0.0);
  } else {
    s.set(header::kVapourEnthalpy, 0.0);
  }
  s.set(header::kWaterFraction, 0.0);
}

void UVGETL(std::int32_t u, std::int32_t t, std::int32_t phase, std::int32_t phase2,
            std::int32_t kind, std::int32_t /*p*/, std::int32_t& ierr) {
  ierr = 0;
  if (!workAreaHolds(u)) return;
  // 1. Nothing without a net flow of the phase.
  const bool liquid = phase == static_cast<std::int32_t>(TrayPhase::Liquid);
  if (!(at(loadedReals(liquid ? item::kNetLiquid : item::kNetVapour), t) > 0.0)) return;
  // 2. The feed rate to the tray.
  if (kind == static_cast<std::int32_t>(TrayKind::FeedRate)) {
    double rate = 0.0;
    UVINIT(loadedWord(item::kControl, kFeedCountWord), t, rate);
    streamViews(problem::SRPSET.set1).set(header::kRate, rate);
    return;
  }
  // 3. The tray's profiles.
  UVFILL(t, phase, phase2, kind);
}

void UVINIT(std::int32_t nfeed, std::int32_t t, double& rate) {
  rate = 0.0;
  const std::int32_t previous = problem::SRPSET.set2.stream;
  // Adds rate x header real K of stream S when its rate is above 0.0.
  const auto add = [&](std::int32_t s, std::int32_t k) {
    problem::SRSET(s, kReadOnly);
    const StreamViews v = streamViews(problem::SRPSET.set2);
    const double r = v.get(header::kRate);
    if (r > 0.0) rate += r * v.get(k);
  };
  for (std::int32_t k = 1; k <= nfeed; ++k) {
    std::int32_t kindOfEntry = 0, liquidTray = 0, stream = 0, vapourTray = 0, rest = 0;
    problem::IDSPLT(k, kindOfEntry, liquidTray, stream, vapourTray, rest);
    if (kindOfEntry != kFeedEntry) continue;
    if (liquidTray == t) add(stream, header::kLiquidFraction);
    if (vapourTray == t || (vapourTray == 0 && t == 1)) add(stream, header::kVapourFraction);
  }
  // The stream being worked on stays the working stream.
  if (previous > 0 && problem::SRPSET.set2.stream != previous) {
    problem::SRSET(previous, kReadOnly);
  }
}

void UVFILL(std::int32_t t, std::int32_t phase, std::int32_t phase2, std::int32_t kind) {
  const StreamViews s = streamViews(problem::SRPSET.set1);
  const bool liquid = phase == static_cast<std::int32_t>(TrayPhase::Liquid);
  const bool net = kind == static_cast<std::int32_t>(TrayKind::Net);
  const bool total = kind == static_cast<std::int32_t>(TrayKind::Total);
  const std::int32_t ncomp = std::max(problem::COHDR(counts::kComponents), 0);
  const std::int32_t ncmol = problem::COHDR(counts::kMolar);
  const std::int32_t molarSolids = problem::COHDR(counts::kMolarSolids);
  const std::int32_t massSolids = problem::COHDR(counts::kMassSolids);
  const std::int64_t nsol = std::max<std::int64_t>(std::int64_t{molarSolids} + massSolids, 1);
  const std::span<std::int32_t> sections = loadedIntegers(item::kSections);
  const std::int64_t offs = sections.empty() ? 0 : sections.back() % 10000;
  const auto profile = [](std::int32_t number) { return loadedReals(number); };
  const auto value = [&](std::int32_t number, std::int64_t e) { return at(profile(number), e); };

  // 1. The tray's method set.
  storage::CORSTO[problem::SRPSET.set1.integerSector + kMethodSetWord] =
      loadedWord(item::kTrayMethodSets, t) % 100;

  // 2. A column whose profiles the hook fills.
  const std::int32_t algorithm = loadedWord(item::kControl, kAlgorithmWord);
  if (algorithm == kHookAlgorithm) {
    services::NOOP03(t, phase, phase2, kind, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    return;
  }

  // 3. No solids until the liquid's solids are added.
  const bool solids = molarSolids != 0 || massSolids != 0;
  if (solids) {
    s.set(header::kSolidFraction, 0.0);
    const RealView& solid = s.vector(Vector::Solid);
    for (std::size_t i = 0; i < solid.size(); ++i) solid.set(i, 0.0);
  }

  // 4. Which liquid a two-liquid column's tray holds.
  const double l1 = value(item::kLiquid1Rate, t);
  const double l2 = value(item::kLiquid2Rate, t);
  if (liquid && algorithm == kTwoLiquidAlgorithm && phase2 < kLiquid1 && !total &&
      problem::GPRTAB.integers(kColumnOptionWord) != 1 && l1 > 0.0 && l2 > 0.0) {
    const double l1Section = value(item::kLiquid1Rate, t + offs);
    const double l2Section = value(item::kLiquid2Rate, t + offs);
    if (!(l1Section > 0.0)) {
      phase2 = kLiquid2;
    } else if (!(l2Section > 0.0)) {
      phase2 = kLiquid1;
    } else if (l1 - l1Section >= kLiquidShortfall || l2 - l2Section >= kLiquidShortfall) {
      phase2 = kBothLiquids;
    }
  }

  // 5. The phase fractions, and the other phase's composition.
  const std::span<double> row = trayRow(0);
  const std::int64_t rowStart = (std::int64_t{t} - 1) * ncomp + 1;
  s.set(header::kWaterFraction, 0.0);
  if (liquid) {
    s.set(header::kVapourFraction, 0.0);
    s.set(header::kVapourEnthalpy, 0.0);
    s.set(header::kWaterEnthalpy, 0.0);
    s.set(header::kLiquidFraction, 1.0);
    copyEntries(profile(item::kVapourComposition), rowStart, row);
    putComposition(row, true, {&s.vector(Vector::Vapour)});
  } else {
    s.set(header::kVapourFraction, 1.0);
    s.set(header::kLiquidFraction, 0.0);
    s.set(header::kLiquidEnthalpy, 0.0);
    s.set(header::kWaterFraction, 0.0);
    s.set(header::kWaterEnthalpy, 0.0);
    const RealView& liq = s.vector(Vector::Liquid);
    for (std::size_t i = 0; i < static_cast<std::size_t>(ncomp) && i < liq.size(); ++i) {
      liq.set(i, 0.0);
    }
  }

  // 6. Temperature and pressure.
  s.set(header::kVapourCarried, 0.0);
  s.set(header::kLiquidCarried, 0.0);
  s.set(header::kTemperature, value(item::kTemperature, t));
  s.set(header::kPressure, value(item::kPressure, t));

  // 7. The vapour.
  bool rowFound = false;
  if (!liquid) {
    s.set(header::kRate, value(total ? item::kTotalVapour : item::kNetVapour, t));
    s.set(header::kEnthalpy, value(item::kVapourEnthalpy, t));
    s.set(header::kVapourEnthalpy, value(item::kVapourEnthalpy, t));
    s.set(header::kVapourHeatCapacity, value(item::kVapourHeatCapacity, t));
    s.set(header::kVapourCarried, value(item::kVapourCarried, t));
    copyEntries(profile(item::kVapourComposition), rowStart, row);
    rowFound =
        putComposition(row, true, {&s.vector(Vector::Whole), &s.vector(Vector::Vapour)}) > 0.0;
  }

  // 8. The liquid, whole or one of two.
  if (liquid) {
    const std::int64_t liquidStart = std::int64_t{loadedWord(item::kLiquidRowStarts, t)} + 1;
    const RealView& whole = s.vector(Vector::Whole);
    const RealView& liq = s.vector(Vector::Liquid);
    const auto oneLiquid = [&](std::int32_t rateItem, std::int64_t section,
                               std::int32_t compositionItem) {
      s.set(header::kRate, value(rateItem, net ? t + offs : t));
      s.set(header::kEnthalpy, value(item::kLiquidEnthalpy, t + section));
      s.set(header::kLiquidEnthalpy, value(item::kLiquidEnthalpy, t + section));
      s.set(header::kLiquidHeatCapacity, DMISS);
      s.set(header::kLiquidCarried, DMISS);
      copyEntries(profile(compositionItem), liquidStart, row);
      putComposition(row, false, {&whole, &liq});
    };
    if (phase2 < kLiquid1 || !(l1 > 0.0)) {
      s.set(header::kRate, value(total ? item::kTotalLiquid : item::kNetLiquid, t));
      s.set(header::kEnthalpy, value(item::kLiquidEnthalpy, t));
      s.set(header::kLiquidEnthalpy, value(item::kLiquidEnthalpy, t));
      s.set(header::kLiquidHeatCapacity, value(item::kLiquidHeatCapacity, t));
      s.set(header::kLiquidCarried, value(item::kLiquidCarried, t));
      copyEntries(profile(item::kLiquidComposition), rowStart, row);
      rowFound = putComposition(row, true, {&whole, &liq}) > 0.0;
    } else if (phase2 == kLiquid1) {
      oneLiquid(item::kLiquid1Rate, offs, item::kLiquid1Composition);
    } else if (phase2 == kLiquid2) {
      oneLiquid(item::kLiquid2Rate, 2 * offs, item::kLiquid2Composition);
    } else if (phase2 == kBothLiquids) {
      // Both liquids, weighted by their rates at t + OFFS.
      const double a = value(item::kLiquid1Rate, t + offs);
      const double b = value(item::kLiquid2Rate, t + offs);
      const double sum = a + b;
      const double h = ratioOrMissing(a * value(item::kLiquidEnthalpy, t + offs) +
                                          b * value(item::kLiquidEnthalpy, t + 2 * offs),
                                      sum);
      s.set(header::kRate, sum);
      s.set(header::kEnthalpy, h);
      s.set(header::kLiquidEnthalpy, h);
      s.set(header::kLiquidHeatCapacity, DMISS);
      s.set(header::kLiquidCarried, DMISS);
      const std::span<double> second = trayRow(1);
      copyEntries(profile(item::kLiquid1Composition), liquidStart, row);
      copyEntries(profile(item::kLiquid2Composition), liquidStart, second);
      for (std::size_t i = 0; i < row.size(); ++i) {
        row[i] = sum > 0.0 ? (a * row[i] + b * second[i]) / sum : 0.0;
      }
      putComposition(row, false, {&whole, &liq});
    }
  }

  // 9. The liquid's solids.
  const RealView& whole = s.vector(Vector::Whole);
  const RealView& solid = s.vector(Vector::Solid);
  const RealView solidRows = profile(item::kSolidComposition);
  const std::int64_t solidRow = (std::int64_t{t} - 1) * nsol;
  const auto entry = [](const RealView& v, std::int64_t i) {
    return i >= 1 && static_cast<std::size_t>(i) <= v.size() ? v[static_cast<std::size_t>(i - 1)]
                                                             : 0.0;
  };
  const auto put = [](const RealView& v, std::int64_t i, double x) {
    if (i >= 1 && static_cast<std::size_t>(i) <= v.size())
      v.set(static_cast<std::size_t>(i - 1), x);
  };
  if (liquid && solids && molarSolids > 0) {
    const double s0 = value(item::kMolarSolidRate, t);
    const double totalLiquid = value(item::kTotalLiquid, t);
    const double rateS =
        net && totalLiquid > 0.0 ? s0 * value(item::kNetLiquid, t) / totalLiquid : s0;
    const double l = s.get(header::kRate);
    if (rateS > 0.0 && l + rateS > 0.0 && s0 > 0.0) {
      const double sum = l + rateS;
      double hs = value(item::kMolarSolidEnthalpy, t);
      if (!(hs > RMISS)) hs = 0.0;
      s.set(header::kLiquidFraction, l / sum);
      s.set(header::kSolidFraction, rateS / sum);
      s.set(header::kRate, sum);
      s.set(header::kSolidEnthalpy, hs);
      s.set(header::kSolidWord34, DMISS);
      s.set(header::kEnthalpy, (rateS * hs + l * s.get(header::kEnthalpy)) / sum);
      const std::int64_t w = problem::COHDR(counts::kFirstMolarSolid);
      for (std::int64_t i = 1; i <= w; ++i) put(whole, i, entry(whole, i) * l / sum);
      for (std::int64_t i = 1; i <= molarSolids; ++i) {
        const double x = entry(solidRows, solidRow + i) / s0;
        put(solid, w + i, x);
        put(whole, w + i, (rateS * x + l * entry(whole, w + i)) / sum);
      }
    }
  }
  if (liquid && solids && massSolids > 0) {
    const double m0 = value(item::kMassSolidRate, t);
    const double totalLiquid = value(item::kTotalLiquid, t);
    const double m = net && services::RELCMP(totalLiquid, 0.0) != 0
                         ? m0 * value(item::kNetLiquid, t) / totalLiquid
                         : m0;
    s.set(header::kMassRate, m);
    s.set(header::kMassEnthalpy, value(item::kMassSolidEnthalpy, t));
    s.set(header::kMassWord38, DMISS);
    if (m > 0.0 && m0 != 0.0) {
      for (std::int64_t i = 1; i <= massSolids; ++i) {
        const double x = entry(solidRows, solidRow + molarSolids + i) / m0;
        put(solid, ncmol + i, x);
        put(whole, ncmol + i, x);
      }
    }
  }

  // 10. The water terms of a tray stream that has a composition.
  if (rowFound && problem::THCTL.idecnt > 0) waterTerms(s);
}

}  // namespace streamprops
