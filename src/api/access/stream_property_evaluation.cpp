// SRPROP: the properties of a stream's phases evaluated on demand into its property records.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "api/access/stream_evaluation.hpp"
#include "methods/method_sets.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/inspection_blending.hpp"
#include "streamprops/streamprops.hpp"
#include "thermo/phase/density_drivers.hpp"
#include "thermo/phase/transport.hpp"

namespace api_access {

StreamPropertyWork streamPropertyWork;

namespace {

using problem::MainRecord;
using services::DMISS;
using services::RMISS;
using storage::CORSTO;
namespace m = problem::srmain;
namespace pp = phaseprop;

constexpr std::int32_t kVectors = 6;     // record type of the vectors with free water
constexpr std::int32_t kDryVectors = 7;  // without water, and the evaluated flags
constexpr std::int32_t kSlot = 1;
constexpr std::int32_t kBuild = 0, kLoad = 1, kWrite = 2;
constexpr std::int32_t kMethodSetWord = 20;   // main-record integer: the stream's method set
constexpr std::int32_t kHasRecord = 2;        // index status of a stream with a record
constexpr std::int32_t kEvaluatedPhases = 3;  // phases 0-2 have property vectors

// Main-record reals read or written here.
constexpr std::int32_t kKinematicAtFirst = 43;   // cSt at the first reference temperature
constexpr std::int32_t kKinematicAtSecond = 44;  // at the second
constexpr std::int32_t kKinematicAtStream = 45;  // at the stream's temperature

// GPRTAB reals: the reference temperatures of the kinematic viscosity (K) and the zero-rate
// threshold of the total rate.
constexpr std::size_t kFirstReference = 4;
constexpr std::size_t kSecondReference = 5;
constexpr std::size_t kZeroRate = 6;

// A stream at or above this water mole fraction gets no special properties.
constexpr double kMostWater = 0.9999;

// The kinematic viscosity is property 1 of the inspection store.
constexpr std::int32_t kKinematicViscosity = 1;

std::int32_t digit(std::int32_t word, std::int32_t k) {
  for (std::int32_t i = 1; i < k; ++i) word /= 10;
  return word % 10;
}

// Makes the method set current at entry current again on every way out, when the problem's
// restore switch is 1 and a set was current.
class MethodSetRestore {
 public:
  MethodSetRestore() : before_(problem::THCTL.currentSet) {}
  MethodSetRestore(const MethodSetRestore&) = delete;
  MethodSetRestore& operator=(const MethodSetRestore&) = delete;
  ~MethodSetRestore() {
    try {
      if (problem::GPRTAB.methodSetRestore != 1 || before_ < 1) return;
      if (problem::THCTL.currentSet != before_) use(before_);
    } catch (...) {
      // Only a stop hook that throws reaches here, and the run has stopped already.
    }
  }
  static void use(std::int32_t set) {
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, set);
  }

 private:
  std::int32_t before_;
};

// The core places of the property records of the working stream, as paged in.
struct RecordPlaces {
  std::int32_t vectors = 0;  // record pointers (SRRECL)
  std::int32_t dryVectors = 0;
  std::array<std::int32_t, kEvaluatedPhases> wet{}, dry{}, flags{};
};
RecordPlaces places;

const bool kWorkReset = services::registerKeptValues([] {
  streamPropertyWork = {};
  places = {};
});

// The places of the records laid out last; the flags' integer sectors come from the header
// of record type 7.
RecordPlaces placesOfRecords() {
  RecordPlaces r;
  r.vectors = problem::SRRECL.words(problem::srrecl::kType6);
  r.dryVectors = problem::SRRECL.words(problem::srrecl::kType7);
  storage::SBSETC(0, r.dryVectors);
  for (std::size_t p = 0; p < kEvaluatedPhases; ++p) {
    const auto sector = static_cast<std::size_t>(p + 1);
    r.wet[p] = problem::SRLAYT.type6Reals(sector);
    r.dry[p] = problem::SRLAYT.type7Reals(sector);
    r.flags[p] =
        storage::SBCUR.pointer(storage::SectorKind::Integer, static_cast<std::int32_t>(sector));
  }
  return r;
}

// Loads record TYPE of the working stream, building it when none is stored; false when it
// had to be built. A record that can be neither loaded nor built stops the run.
bool loadOrBuild(std::int32_t type, std::int32_t n, std::string_view caller) {
  std::int32_t loaded = 0;
  problem::SRPAGE(kLoad, type, kSlot, loaded);
  if (loaded == 0) return true;
  std::int32_t built = 0;
  problem::SRPAGE(kBuild, type, kSlot, built);
  if (built != 0) {
    services::MSGPAR.integers(1) = n;
    services::MSGPAR.integers(2) = std::max(loaded, built);
    services::MSGABT(kMessageRecordUnavailable, caller);
  }
  return false;
}

// Step 4: the property records in core and up to date, copied into the work area.
void pageIn(std::int32_t ireq, std::int32_t n) {
  bool stored = true;
  if (digit(ireq, 1) != 2) {
    stored = loadOrBuild(kVectors, n, "SRPROP");
    stored = loadOrBuild(kDryVectors, n, "SRPROP") && stored;
  }
  if (stored) {
    problem::SRDERV(kVectors);
    problem::SRDERV(kDryVectors);
  }
  places = placesOfRecords();
  StreamPropertyWork& w = streamPropertyWork;
  for (std::size_t p = 0; p < kEvaluatedPhases; ++p) {
    CORSTO.reals(places.wet[p] + 1, kPhaseProperties).copyTo(w.wet[p]);
    CORSTO.reals(places.dry[p] + 1, kPhaseProperties).copyTo(w.dry[p]);
    const auto flags =
        CORSTO.words(places.flags[p] + 1, static_cast<std::int32_t>(w.flags[p].size()));
    std::copy(flags.begin(), flags.end(), w.flags[p].begin());
  }
}

// Step 6: the work area's vectors and flags back into the records, which are written. When
// a record of another stream has taken the slots meanwhile, the stream's own are paged in
// again first.
void writeBack(std::int32_t n) {
  if (problem::SRRECL.words(problem::srrecl::kType6) != places.vectors ||
      problem::SRRECL.words(problem::srrecl::kType7) != places.dryVectors) {
    loadOrBuild(kVectors, n, "SRPROP");
    loadOrBuild(kDryVectors, n, "SRPROP");
    places = placesOfRecords();
  }
  const StreamPropertyWork& w = streamPropertyWork;
  for (std::size_t p = 0; p < kEvaluatedPhases; ++p) {
    CORSTO.reals(places.wet[p] + 1, kPhaseProperties).assign(w.wet[p]);
    CORSTO.reals(places.dry[p] + 1, kPhaseProperties).assign(w.dry[p]);
    const auto flags =
        CORSTO.words(places.flags[p] + 1, static_cast<std::int32_t>(w.flags[p].size()));
    std::copy(w.flags[p].begin(), w.flags[p].end(), flags.begin());
  }
  std::int32_t istat = 0;
  problem::SRPAGE(kWrite, kVectors, kSlot, istat);
  problem::SRPAGE(kWrite, kDryVectors, kSlot, istat);
}

double& at(PhaseVector& v, std::int32_t position) {
  return v[static_cast<std::size_t>(position - 1)];
}

// The first COUNT entries of main-record vector V into TABLE.
std::span<double> stored(const MainRecord& record, std::int32_t v, std::size_t count,
                         StreamPropertyWork::Table& table) {
  for (std::size_t i = 0; i < count; ++i) {
    table[i] = record.vector(v, static_cast<std::int32_t>(i) + 1);
  }
  return {table.data(), count};
}

// The water split of one phase.
struct Split {
  std::span<double> free;  // the water-free composition
  double hydrocarbon = 0.0;
  double water = 0.0;
  std::int32_t code = 0;
};

// Counts of the stream vectors and of the property loops, within the work area.
struct Counts {
  std::size_t stream, vapour, liquid;
};
Counts countsOf() {
  const auto clamp = [](std::size_t k) {
    return static_cast<std::size_t>(
        std::clamp(problem::COHDR(k), 0, static_cast<std::int32_t>(kWorkComponents)));
  };
  return {clamp(problem::cohdr::kStreamComponents), clamp(problem::cohdr::kVapourComponents),
          clamp(problem::cohdr::kLiquidComponents)};
}

// Step 5.6: the mass densities of the vapour or liquid, with and without water.
void densities(std::int32_t n, std::int32_t phase, PhaseVector& wet, PhaseVector& dry,
               PhaseFlags& flags) {
  double withWater = DMISS, without = DMISS;
  std::int32_t ierr = 0;
  if (phase == kVapourPhase) {
    double fdry = 0.0, fvap = 0.0;
    phase::DVAPDR(n, without, withWater, fdry, fvap, ierr);
  } else {
    double rhohw = 0.0, fhcd = 0.0, fl = 0.0, fhc = 0.0;
    phase::DLIQDR(n, without, withWater, rhohw, fhcd, fl, fhc, ierr);
  }
  // A molar density times the vector's molecular weight; a missing factor leaves no value.
  const auto mass = [](double molar, double mw) {
    return molar > RMISS && mw > RMISS ? molar * mw : DMISS;
  };
  at(wet, pp::kDensity) = mass(withWater, at(wet, pp::kMolecularWeight));
  at(dry, pp::kDensity) = mass(without, at(dry, pp::kMolecularWeight));
  if (ierr == 0) SRPPOS(flags, pp::kDensity);
}

// Step 5.7: the transport properties of the vapour or liquid not yet marked; true when one
// was evaluated (stored, or stored as DMISS after a failure).
bool transport(std::int32_t phase, const MainRecord& record, phase::PhaseAmounts& amounts,
               std::int32_t split, PhaseVector& wet, PhaseVector& dry, PhaseFlags& flags) {
  using phase::TransportProperty;
  const methods::PropertyMethods4& methods = methods::PMCTL4;
  struct Property {
    std::int32_t position;
    TransportProperty code;
    std::int32_t method;
  };
  const std::array<Property, 2> vapour{{
      {pp::kThermalConductivity, TransportProperty::VapourConductivity,
       methods.vapourConductivity.code},
      {pp::kViscosity, TransportProperty::VapourViscosity, methods.vapourViscosity.code},
  }};
  const std::array<Property, 3> liquid{{
      {pp::kThermalConductivity, TransportProperty::LiquidConductivity,
       methods.liquidConductivity.code},
      {pp::kViscosity, TransportProperty::LiquidViscosity, methods.liquidViscosity.code},
      {pp::kSurfaceTension, TransportProperty::SurfaceTension, methods.surfaceTension.code},
  }};
  const std::span<const Property> properties =
      phase == kVapourPhase ? std::span<const Property>(vapour) : std::span<const Property>(liquid);
  const double t = record.real(m::kTemperature);
  const double p = record.real(m::kPressure);
  bool evaluated = false;
  for (const Property& property : properties) {
    if (!SRPDEC(flags, property.position)) continue;
    evaluated = true;
    std::int32_t iwat = problem::THCTL.idecnt;
    phase::TransportParts parts;
    std::int32_t ierr = 0;
    phase::PHTRNS(static_cast<std::int32_t>(property.code), split, iwat, property.method, t, p,
                  amounts, parts, ierr);
    if (ierr != 0) {
      at(wet, property.position) = DMISS;
      at(dry, property.position) = DMISS;
      continue;
    }
    at(wet, property.position) = parts.mixture;
    at(dry, property.position) = parts.hydrocarbon;
    SRPPOS(flags, property.position);
  }
  return evaluated;
}

// Step 5.8 for the liquid: its kinematic viscosity at the two reference temperatures and at
// the stream's temperature into the main record; nothing without a store entry.
void kinematicViscosities(MainRecord& record, std::span<const double> x) {
  std::int32_t ierr = 0;
  streamprops::SPPTRG(streamprops::kInspection, ierr);
  if (ierr != 0) return;
  streamprops::PropertyBlend blend;
  streamprops::SPCMPV(streamprops::kInspection, kKinematicViscosity, blend, ierr);
  if (ierr != 0) return;
  // The blend's curve needs the molecular weights, gravities and boiling points in core;
  // without them the viscosities stay unset, as when the blend has no data.
  using problem::ComponentReal;
  for (const ComponentReal k :
       {ComponentReal::MolecularWeight, ComponentReal::StandardLiquidDensity,
        ComponentReal::NormalBoilingPoint}) {
    if (!problem::COPTRS.inCore(k)) return;
  }
  StreamPropertyWork& w = streamPropertyWork;
  const auto n = static_cast<std::int32_t>(x.size());
  const auto copy = [n](std::int32_t start, StreamPropertyWork::Table& table) {
    const std::span<double> out(table.data(), static_cast<std::size_t>(n));
    if (n > 0) CORSTO.reals(start + 1, n).copyTo(out);
    return std::span<const double>(out);
  };
  const std::span<const double> a = copy(blend.values1, w.walther1);
  const std::span<const double> b = copy(blend.values2, w.walther2);
  const streamprops::BlendConstants c{
      copy(problem::COPTRS.realSector(problem::ComponentReal::MolecularWeight), w.molecularWeight),
      copy(problem::COPTRS.realSector(problem::ComponentReal::StandardLiquidDensity), w.gravity),
      copy(problem::COPTRS.realSector(problem::ComponentReal::NormalBoilingPoint), w.boilingPoint)};
  const std::array<std::pair<std::int32_t, double>, 3> points{{
      {kKinematicAtFirst, problem::GPRTAB.reals(kFirstReference)},
      {kKinematicAtSecond, problem::GPRTAB.reals(kSecondReference)},
      {kKinematicAtStream, record.real(m::kTemperature)},
  }};
  for (const auto& [word, t] : points) {
    double value = 0.0;
    streamprops::SPKVIS(blend.method, blend.basis, t, x, a, b, blend.r1, blend.r2, c, value);
    record.setReal(word, value);
  }
}

}  // namespace

void SRPROP(std::int32_t ireq, std::int32_t n, std::int32_t iphase, std::int32_t /*idummy*/,
            std::int32_t& istat) {
  // 1. The stream must have a record.
  istat = static_cast<std::int32_t>(EvaluationStatus::Evaluated);
  const std::int32_t status = problem::ISRSTA(n);
  if (status < kHasRecord) {
    istat = static_cast<std::int32_t>(status == 1 ? EvaluationStatus::RegisteredOnly
                                                  : EvaluationStatus::NoStream);
    return;
  }

  // 2. The stream and its method set current; the caller's set comes back on every way out.
  problem::SRSET(n, 1);
  MainRecord record(problem::SRPSET.set2);
  const MethodSetRestore restore;
  MethodSetRestore::use(record.integer(kMethodSetWord));

  // 3. The phases.
  const bool all = iphase == kAllPhases;
  if (!all && (iphase < 0 || iphase > 4)) {
    istat = static_cast<std::int32_t>(iphase == 5 ? EvaluationStatus::PhaseFive
                                                  : EvaluationStatus::InvalidPhase);
    return;
  }
  const std::int32_t first = all ? 4 : iphase;
  const std::int32_t last = all ? 0 : iphase;
  // A stream without rate gives nothing at all when the whole stream is asked, so nothing is
  // evaluated before the whole stream's turn finds it.
  const double rate = record.real(m::kRate);
  if (last == kWholeStream && !(rate > problem::GPRTAB.reals(kZeroRate))) {
    istat = static_cast<std::int32_t>(EvaluationStatus::ZeroRate);
    return;
  }

  // 4. The property records.
  pageIn(ireq, n);

  // 5. Phase by phase.
  StreamPropertyWork& w = streamPropertyWork;
  const Counts count = countsOf();
  const std::int32_t iw = problem::THCTL.idecnt;
  const std::int32_t water = iw >= 1 && static_cast<std::size_t>(iw) <= count.stream ? iw : 0;
  const double waterFraction = water > 0 ? record.vector(m::kOverall, water) : 0.0;
  const bool special = waterFraction < kMostWater && digit(ireq, 6) > 0;
  const double vapourFraction = record.real(m::kVapourFraction);
  const double liquidFraction = record.real(m::kLiquidFraction);
  const double freeWater = record.real(m::kWaterFraction);
  Split vapour{{w.vapourFree.data(), count.vapour}}, liquid{{w.liquidFree.data(), count.liquid}};
  bool changed = false;
  for (std::int32_t phase = first; phase >= last; --phase) {
    if (phase >= kEvaluatedPhases) continue;
    Split* split = nullptr;
    Split whole{{w.wholeFree.data(), count.stream}};
    std::span<double> xv(w.vapour.data(), count.vapour);
    std::span<double> xl(w.liquid.data(), count.liquid);
    if (phase == kWholeStream) {
      const std::span<double> z = stored(record, m::kOverall, count.stream, w.whole);
      phase::WTSPLT(iw, 0, z, 1.0, whole.free, whole.hydrocarbon, whole.water, whole.code,
                    static_cast<std::int32_t>(count.stream));
      split = &whole;
    } else if (phase == kVapourPhase) {
      if (!(vapourFraction > 0.0)) {
        if (all) continue;
        istat = static_cast<std::int32_t>(EvaluationStatus::NoVapour);
        return;
      }
      xv = stored(record, m::kVapour, count.vapour, w.vapour);
      phase::WTSPLT(iw, 0, xv, vapourFraction, vapour.free, vapour.hydrocarbon, vapour.water,
                    vapour.code, static_cast<std::int32_t>(count.vapour));
      split = &vapour;
    } else {
      if (!(liquidFraction + freeWater > 0.0)) {
        if (all) continue;
        istat = static_cast<std::int32_t>(EvaluationStatus::NoLiquid);
        return;
      }
      xv = stored(record, m::kVapour, count.vapour, w.vapour);
      phase::WTSPLT(iw, 0, xv, vapourFraction, vapour.free, vapour.hydrocarbon, vapour.water,
                    vapour.code, static_cast<std::int32_t>(count.vapour));
      xl = stored(record, m::kLiquid, count.liquid, w.liquid);
      phase::WTSPL2(iw, 0, xl, liquidFraction, freeWater, liquid.free, liquid.hydrocarbon,
                    liquid.water, liquid.code, static_cast<std::int32_t>(count.liquid));
      split = &liquid;
    }
    const auto k = static_cast<std::size_t>(phase);
    PhaseVector& wet = w.wet[k];
    PhaseVector& dry = w.dry[k];
    PhaseFlags& flags = w.flags[k];

    // 5.5. The mixture constants.
    bool constants = false;
    for (std::int32_t p = pp::kMolecularWeight; p <= pp::kStandardDensity; ++p) {
      constants = constants || SRPDEC(flags, p);
    }
    if (constants) {
      std::int32_t ierr = 0;
      SRPREL(water, split->free, split->hydrocarbon + split->water, split->water, wet, dry, flags,
             ierr);
      changed = true;
    }
    if (phase != kWholeStream) {
      // 5.6. The densities, on every call that asks for them.
      if (digit(ireq, 2) > 0) {
        densities(n, phase, wet, dry, flags);
        changed = true;
      }
      // 5.7. The transport properties not yet marked.
      phase::PhaseAmounts amounts{
          vapour.free,  liquid.free,    xv,       xl, split->hydrocarbon + split->water,
          split->water, liquidFraction, freeWater};
      changed = transport(phase, record, amounts, split->code, wet, dry, flags) || changed;
    }

    // 5.8. The special properties.
    if (!special || !(split->hydrocarbon > 0.0)) continue;
    if (phase == kLiquidPhase && SPREQ.kinematicViscosity == 1) {
      kinematicViscosities(record, split->free);
    } else if (phase == kWholeStream) {
      const double p = record.real(m::kPressure);
      const auto nc = static_cast<std::int32_t>(count.stream);
      if (SPREQ.blendedCount > 0) STSPRP(split->free, nc, kBlendedTable, n, p);
      if (SPREQ.userCount > 0) STSPRP(split->free, nc, kUserTable, n, p);
    }
  }

  // 6. The records back when anything was evaluated.
  if (changed) writeBack(n);
}

double phaseProperty(std::int32_t iphase, std::int32_t iprop, bool wet) {
  if (iphase < 0 || iphase >= kEvaluatedPhases || iprop < 1 || iprop > kPhaseProperties) {
    return DMISS;
  }
  const auto k = static_cast<std::size_t>(iphase);
  return CORSTO.real((wet ? places.wet[k] : places.dry[k]) + iprop);
}

}  // namespace api_access
