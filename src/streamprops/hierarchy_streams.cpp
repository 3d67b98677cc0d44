// Hierarchy streams: the feeds of the loaded unit mixed in the scratch stream (UVHIER,
// UVHSUM), with the streams current before marked and restored through the stream slots'
// hierarchy values (UVSTHR, UVENDH).
#include "streamprops/hierarchy_streams.hpp"

#include <algorithm>
#include <cstdint>
#include <span>

#include "flash/stream_flash.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/stream_views.hpp"
#include "streamprops/unit_data.hpp"

namespace streamprops {
namespace {

using services::RMISS;
using storage::CORSTO;
using storage::RealView;

constexpr std::int32_t kHierarchyStep = 10;
constexpr std::int32_t kWorkingHierarchy = 2;
constexpr std::int32_t kReadingHierarchy = 1;
constexpr std::int32_t kReadOnly = 10;
constexpr std::int32_t kForEvaluation = 1;
constexpr std::int32_t kTemporary = 3;
constexpr std::int32_t kFeedCountWord = 51;
constexpr std::int32_t kFeedListSector = 11;
constexpr std::int32_t kLiquidEnthalpySlot = 6;
constexpr std::int32_t kVapourEnthalpySlot = 7;
constexpr std::int32_t kSpecialCode = 5;
// Integer words of the main record that the sum keeps.
constexpr std::int32_t kKeptWord1 = 22;
constexpr std::int32_t kKeptWord2 = 23;

std::int32_t slotCount(std::int32_t handle) { return CORSTO[handle + storage::scword::kSlotCount]; }

// Whether method code CODE is of the special kind.
bool special(std::int32_t code) { return services::LMCODA(code) == 1 || code == kSpecialCode; }

void useSet(std::int32_t set) {
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, set);
}

// The kinds of the two enthalpy methods of method set SET, which is made current.
struct SetKinds {
  bool liquid = false;
  bool vapour = false;
  bool operator==(const SetKinds&) const = default;
};
SetKinds kindsOf(std::int32_t set) {
  useSet(set);
  return {special(methods::MSPTRS.classes(kLiquidEnthalpySlot).code),
          special(methods::MSPTRS.classes(kVapourEnthalpySlot).code)};
}

// Value K of a header, 0.0 when missing.
double present(const StreamViews& s, std::int32_t k) {
  const double x = s.get(k);
  return x > RMISS ? x : 0.0;
}

// The running sums of the mixture.
struct Sums {
  double vapour = 0.0, liquid = 0.0, solid = 0.0, water = 0.0;  // rate x fraction
  double molarFractions = 0.0, massFractions = 0.0;
  double molarTemperature = 0.0, massTemperature = 0.0;
  bool pressureSet = false;
};

}  // namespace

void flashCopyInCurrentSet(std::int32_t copy) {
  constexpr std::int32_t kBothGiven = 0;
  constexpr std::int32_t kIsothermal = 1;
  std::int32_t istat = 0;
  flash::SFLDRV(copy, kBothGiven, kIsothermal, 0, 0.0, 0, 0, 0.0, 0.0, istat);
}

void UVSTHR() {
  const std::int32_t h = problem::SLOTC2.sr.mainSlots;
  if (h == services::NOCORE) return;
  for (std::int32_t slot = 1; slot <= slotCount(h); ++slot) {
    std::int32_t entity = 0, length = 0, core = 0, lock = 0, writes = 0, hier = 0;
    storage::SCGET(h, slot, entity, length, core, lock, writes, hier);
    if (hier > 0) storage::SCSET(h, slot, "HIER", "STORE", hier + kHierarchyStep);
  }
}

void UVENDH() {
  const std::int32_t h = problem::SLOTC2.sr.mainSlots;
  if (h == services::NOCORE) return;
  std::int32_t working = 0, reading = 0;
  for (std::int32_t slot = 1; slot <= slotCount(h); ++slot) {
    std::int32_t entity = 0, length = 0, core = 0, lock = 0, writes = 0, hier = 0;
    storage::SCGET(h, slot, entity, length, core, lock, writes, hier);
    hier = std::max(hier - kHierarchyStep, 0);
    if (hier > 0) storage::SCSET(h, slot, "HIER", "STORE", hier);
    if (hier == kWorkingHierarchy) working = entity;
    if (hier == kReadingHierarchy) reading = entity;
  }
  if (working > 0 && problem::ISRSTA(working) > 1) problem::SRSET(working, kReadOnly);
  if (reading > 0 && problem::ISRSTA(reading) > 1) problem::SRSETT(reading);
}

void UVHIER(std::int32_t /*idum1*/, std::int32_t /*idum2*/, std::int32_t& istrm) {
  UVSTHR();
  const std::int32_t set = problem::THCTL.currentSet;
  UVCUR(istrm);
  problem::SRSET(istrm, 0);
  // The loaded unit's feeds: the first NFEED words of its feed list.
  const std::span<std::int32_t> control = loadedIntegers(1);
  const std::int32_t nfeed =
      control.size() >= kFeedCountWord ? std::max(control[kFeedCountWord - 1], 0) : 0;
  const std::int32_t list = problem::PAUWRK.context3.systemSectors(kFeedListSector);
  const std::span<const std::int32_t> feeds = list == services::NOCORE || nfeed == 0
                                                  ? std::span<const std::int32_t>{}
                                                  : CORSTO.words(list + 1, nfeed);
  std::int32_t ierr = 0;
  UVHSUM(static_cast<std::int32_t>(feeds.size()), feeds, ierr);
  problem::SRFREE(istrm, 0);
  UVENDH();
  if (set > 0 && problem::THCTL.currentSet != set) useSet(set);
}

void UVHSUM(std::int32_t nfeed, std::span<const std::int32_t> list, std::int32_t& ierr) {
  const std::int32_t target = problem::SRPSET.set2.stream;
  const std::int32_t ncmol = problem::COHDR(counts::kMolar);
  const std::int32_t ncstr = problem::COHDR(counts::kStream);

  // 1. The target zeroed.
  {
    const StreamViews t = streamViews(problem::SRPSET.set2);
    for (const std::int32_t k : {header::kTemperature, header::kPressure, header::kRate,
                                 header::kEnthalpy, header::kMassRate, header::kMassEnthalpy}) {
      t.set(k, 0.0);
    }
    for (const RealView& v : t.vectors) {
      for (std::size_t i = 0; i < v.size(); ++i) v.set(i, 0.0);
    }
  }
  Sums sums;

  // 2. A temporary stream for copies, and the target working again.
  std::int32_t temp = 0, istat = 0;
  problem::SRCREA(kTemporary, "", temp, istat);
  problem::SRSET(target, kForEvaluation);
  const std::int32_t mwStart = problem::COPTRS.realSector(problem::ComponentReal::MolecularWeight);
  const RealView mw =
      mwStart == services::NOCORE || ncmol < 1 ? RealView{} : CORSTO.reals(mwStart + 1, ncmol);
  const auto weight = [&mw](std::int32_t i) {
    return static_cast<std::size_t>(i) <= mw.size() ? mw[static_cast<std::size_t>(i - 1)] : 0.0;
  };

  // 3. The feeds.
  const std::int32_t count = std::min<std::int32_t>(nfeed, static_cast<std::int32_t>(list.size()));
  for (std::int32_t k = 1; k <= count; ++k) {
    std::int32_t s = list[static_cast<std::size_t>(k - 1)] % 10000;
    problem::SRSETT(s);
    // 3.2 A feed under a method set of another kind is summed from a copy given the current set.
    const std::int32_t current = problem::THCTL.currentSet;
    const std::int32_t own = CORSTO[problem::SRPSET.set1.integerSector + kMethodSetWord];
    if (own != current) {
      const SetKinds feedKinds = kindsOf(own);
      const SetKinds currentKinds = kindsOf(current);
      if (!(feedKinds == currentKinds)) {
        problem::SRCOPY(s, temp);
        CORSTO[problem::SRPSET.set2.integerSector + kMethodSetWord] = current;
        flashCopyInCurrentSet(temp);
        problem::SRSET(target, 0);
        problem::SRSETT(temp);
        s = temp;
      }
    }
    const StreamViews f = streamViews(problem::SRPSET.set1);
    const StreamViews h = streamViews(problem::SRPSET.set2);
    const double t = f.get(header::kTemperature);
    bool added = false;

    // 3.3 The molar part.
    const double r = f.get(header::kRate);
    if (r > 0.0) {
      const double vf = present(f, header::kVapourFraction);
      const double lf = present(f, header::kLiquidFraction);
      const double sf = present(f, header::kSolidFraction);
      double m = 0.0;
      for (std::int32_t i = 1; i <= ncmol && i <= ncstr; ++i) {
        const auto e = static_cast<std::size_t>(i - 1);
        const double x = f.vector(Vector::Whole)[e];
        h.vector(Vector::Whole).set(e, h.vector(Vector::Whole)[e] + r * x);
        h.vector(Vector::Vapour)
            .set(e, h.vector(Vector::Vapour)[e] + r * f.vector(Vector::Vapour)[e] * vf);
        h.vector(Vector::Liquid)
            .set(e, h.vector(Vector::Liquid)[e] + r * f.vector(Vector::Liquid)[e] * lf);
        h.vector(Vector::Solid)
            .set(e, h.vector(Vector::Solid)[e] + r * f.vector(Vector::Solid)[e] * sf);
        m += r * x * weight(i);
        sums.molarFractions += x;
      }
      h.set(header::kRate, h.get(header::kRate) + r);
      if (f.get(header::kEnthalpy) > RMISS) {
        h.set(header::kEnthalpy, h.get(header::kEnthalpy) + r * f.get(header::kEnthalpy));
      }
      sums.vapour += r * vf;
      sums.liquid += r * lf;
      sums.solid += r * sf;
      sums.water += r * present(f, header::kWaterFraction);
      sums.molarTemperature += r * t;
      sums.massTemperature += m * t;
      added = true;
    }

    // 3.4 The mass-based part.
    const double mass = f.get(header::kMassRate);
    if (mass > 0.0) {
      for (std::int32_t i = ncmol + 1; i <= ncstr; ++i) {
        const auto e = static_cast<std::size_t>(i - 1);
        const double x = f.vector(Vector::Whole)[e];
        h.vector(Vector::Whole).set(e, h.vector(Vector::Whole)[e] + mass * x);
        sums.massFractions += x;
      }
      h.set(header::kMassRate, h.get(header::kMassRate) + mass);
      h.set(header::kMassEnthalpy,
            h.get(header::kMassEnthalpy) + mass * present(f, header::kMassEnthalpy));
      sums.massTemperature += mass * t;
      added = true;
    }

    // 3.5 The lowest pressure of the feeds summed.
    if (added) {
      const double p = f.get(header::kPressure);
      h.set(header::kPressure, sums.pressureSet ? std::min(h.get(header::kPressure), p) : p);
      sums.pressureSet = true;
    }
  }

  // 4. The mixture.
  const StreamViews h = streamViews(problem::SRPSET.set2);
  const double rh = h.get(header::kRate);
  const double mh = h.get(header::kMassRate);
  const bool molar = rh > 0.0 && sums.molarFractions > 0.0;
  const bool massBased = mh > 0.0 && sums.massFractions > 0.0;
  ierr = molar || massBased ? 0 : 1;
  if (ierr == 0) {
    // 4.1 The molecular weight of the molar part, from the amounts.
    double mwh = 0.0;
    for (std::int32_t i = 1; i <= ncmol && i <= ncstr; ++i) {
      mwh += h.vector(Vector::Whole)[static_cast<std::size_t>(i - 1)] * weight(i);
    }
    // 4.2 Fractions of the molar part.
    const auto divide = [&](Vector v, double by, std::int32_t last) {
      if (!(by > 0.0)) return;
      for (std::int32_t i = 1; i <= last && i <= ncstr; ++i) {
        const auto e = static_cast<std::size_t>(i - 1);
        h.vector(v).set(e, h.vector(v)[e] / by);
      }
    };
    if (rh > 0.0) {
      divide(Vector::Whole, rh, ncmol);
      divide(Vector::Vapour, sums.vapour, ncmol);
      divide(Vector::Liquid, sums.liquid, ncmol);
      divide(Vector::Solid, sums.solid, ncmol);
    }
    h.set(header::kVapourFraction, rh > 0.0 ? sums.vapour / rh : 0.0);
    h.set(header::kLiquidFraction, rh > 0.0 ? sums.liquid / rh : 0.0);
    h.set(header::kSolidFraction, rh > 0.0 ? sums.solid / rh : 0.0);
    h.set(header::kWaterFraction, rh > 0.0 ? sums.water / rh : 0.0);
    // 4.3 The mass-based part, whole and solid.
    if (mh > 0.0) {
      for (std::int32_t i = ncmol + 1; i <= ncstr; ++i) {
        const auto e = static_cast<std::size_t>(i - 1);
        const double x = h.vector(Vector::Whole)[e] / mh;
        h.vector(Vector::Whole).set(e, x);
        h.vector(Vector::Solid).set(e, x);
      }
    }
    // 4.4 The temperature: rate-weighted, or mass-weighted with a mass-based part.
    if (!(mh > 0.0)) {
      if (rh > 0.0) h.set(header::kTemperature, sums.molarTemperature / rh);
    } else {
      h.set(header::kTemperature, ratioOrMissing(sums.massTemperature, mh + mwh));
    }
    // 4.5 Enthalpies per unit of rate.
    if (rh > 0.0) h.set(header::kEnthalpy, h.get(header::kEnthalpy) / rh);
    if (mh > 0.0) h.set(header::kMassEnthalpy, h.get(header::kMassEnthalpy) / mh);
    // 4.6 The integer words, but two, cleared; the current method set.
    const std::span<std::int32_t> words =
        CORSTO.words(problem::SRPSET.set2.integerSector + 1, kMainIntegerWords);
    for (std::int32_t w = 1; w <= kMainIntegerWords; ++w) {
      if (w != kKeptWord1 && w != kKeptWord2) words[static_cast<std::size_t>(w - 1)] = 0;
    }
    words[kMethodSetWord - 1] = problem::THCTL.currentSet;
  }

  // 5. The temporary stream goes.
  problem::SRKILL(temp);
}

}  // namespace streamprops
