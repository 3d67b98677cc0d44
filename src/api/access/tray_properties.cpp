// The tray phase properties of a column or side stripper: molecular weight, mass rate,
// density, actual and standard volume rates, molar enthalpy, viscosity, thermal conductivity
// and entropy of the vapour and of the liquid leaving every tray, the liquid's specific
// gravity and surface tension besides.
//
// With integer 26 of table GCL at 0 or below they are evaluated here tray by tray: the
// tray's vapour and liquid are built in two temporary copies of the column's first feed
// (PATRPC), the stream evaluation works on each (PATRST), and the entropies come from the
// phase entropy drivers on the tray compositions (PATRPT). Each tray starts from zeros; a
// phase without net flow on its tray, or without composition, gives zeros.
//
// With the switch above 0 they are read from the tray-property block the simulator stored
// with the column (PATRP2), a child block named by the last entry of the column block's
// disk-pointer sector 1: real sector 2 the vapour's rows, real sector 4 the liquid's, row r
// (from 0) holding tray t at element r NT + t, in unit set 1. The block is read into a core
// area of its own and freed before the request returns.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "api/access/access.hpp"
#include "api/access/column_readers.hpp"
#include "api/access/data_requests.hpp"
#include "api/access/stream_evaluation.hpp"
#include "api/access/unit_access.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/phase/phase_drivers.hpp"

namespace api_access {
namespace {

namespace h = problem::srmain;
using services::UOMCNV;

constexpr std::int32_t kFieldSet = 5;  // the tray values are held in unit set 5
constexpr std::int32_t kRows = 18;
constexpr double kTrace = 1.0e-10;
constexpr double kMissingBelow = -1.0e35;
constexpr std::int32_t kHasRecord = 2;
constexpr std::int32_t kMethodSetWord = 20;   // integer word of the main record
constexpr std::int32_t kTrayMethodSets = 16;  // integer item of the column
constexpr std::int32_t kNetVapourItem = 9;
constexpr std::int32_t kNetLiquidItem = 10;
constexpr std::int32_t kLiquidEntropySlot = 10;
constexpr std::int32_t kVapourEntropySlot = 11;
constexpr std::int32_t kComponentTypeSector = 2;

// Unit classes.
namespace cls {
constexpr std::int32_t kTime = 8;
constexpr std::int32_t kVolume = 17;
constexpr std::int32_t kLiquidDensity = 19;
constexpr std::int32_t kVapourDensity = 20;
constexpr std::int32_t kGravity = 21;
constexpr std::int32_t kEnthalpy = 28;
constexpr std::int32_t kEntropy = 29;
constexpr std::int32_t kMolarFlow = 31;
constexpr std::int32_t kMassRate = 32;
constexpr std::int32_t kLiquidVolumeRate = 33;
constexpr std::int32_t kVapourVolumeRate = 34;
constexpr std::int32_t kConductivity = 35;
constexpr std::int32_t kViscosity = 40;
constexpr std::int32_t kSurfaceTension = 42;
}  // namespace cls

// The table rows of one tray: 1-8 the vapour's, 9-18 the liquid's.
using TrayRecord = std::array<double, kRows>;

struct Attribute {
  std::string_view name;
  std::int32_t row;  // 1-18; 0 an entropy
  std::int32_t cls;
  std::int32_t phase = 1;  // entropies: 1 vapour, 2 liquid
};
constexpr std::array<Attribute, 20> kAttributes{{
    {"TrayVapMolecWeight", 1, 0},
    {"TrayVapWeightRate", 2, cls::kMassRate},
    {"TrayVapDensityAct", 3, cls::kVapourDensity},
    {"TrayVapVolumeRateAct", 4, cls::kVapourVolumeRate},
    {"TrayVapVolumeRateStd", 5, cls::kVapourVolumeRate},
    {"TrayVapEnthalpy", 6, cls::kEnthalpy},
    {"TrayVapViscosity", 7, cls::kViscosity},
    {"TrayVapThermalCond", 8, cls::kConductivity},
    {"TrayVapEntropy", 0, cls::kEntropy, 1},
    {"TrayLiqMolecWeight", 9, 0},
    {"TrayLiqWeightRate", 10, cls::kMassRate},
    {"TrayLiqDensityAct", 11, cls::kLiquidDensity},
    {"TrayLiqVolumeRateAct", 12, cls::kLiquidVolumeRate},
    {"TrayLiqVolumeRateStd", 13, cls::kLiquidVolumeRate},
    {"TrayLiqSpecGravity", 14, 0},
    {"TrayLiqEnthalpy", 15, cls::kEnthalpy},
    {"TrayLiqViscosity", 16, cls::kViscosity},
    {"TrayLiqThermalCond", 17, cls::kConductivity},
    {"TrayLiqSurfTens", 18, cls::kSurfaceTension},
    {"TrayLiqEntropy", 0, cls::kEntropy, 2},
}};

// Where the stored path reads each attribute, in the order of kAttributes: the real sector
// of the tray-property block (2 vapour, 4 liquid; 0 a profile item of the column) and its
// row, or the item; and the column's item whose rate multiplies it (0: none).
struct StoredPlace {
  std::int32_t sector;
  std::int32_t row;
  std::int32_t rateItem;
};
constexpr std::array<StoredPlace, 20> kStoredPlaces{{
    {2, 2, 0}, {2, 2, 11}, {2, 6, 0}, {2, 4, 0},  {2, 3, 0},  {0, 13, 0}, {2, 7, 0},
    {2, 8, 0}, {2, 9, 0},  {4, 2, 0}, {4, 2, 12}, {4, 6, 0},  {4, 4, 0},  {4, 3, 0},
    {4, 0, 0}, {0, 14, 0}, {4, 7, 0}, {4, 8, 0},  {4, 10, 0}, {4, 9, 0},
}};

// The tray property table and the entropies, kept with the reader so that a request
// allocates nothing.
std::array<TrayRecord, kMostTrays> trayTable;
std::array<double, kMostTrays> entropies;
std::array<double, kMostTrayComponents> entropyRow;

double orZero(double v) { return v <= kMissingBelow ? 0.0 : v; }
double field(double v, std::int32_t c) { return UOMCNV(orZero(v), c, 1, kFieldSet); }

std::int32_t componentCount() {
  return std::clamp(std::min(PAIDTB.ncomp, problem::COHDR(problem::cohdr::kStreamComponents)), 0,
                    kMostTrayComponents);
}

// Clears the phase that is not PHASE and the traces of PHASE's composition; true when what
// is left of PHASE's composition sums above the trace.
bool keepPhase(problem::MainRecord& s, std::int32_t phase, std::int32_t other) {
  const std::int32_t nc = componentCount();
  double sum = 0.0;
  for (std::int32_t i = 1; i <= nc; ++i) {
    s.setVector(other, i, 0.0);
    if (s.vector(h::kOverall, i) < kTrace) {
      s.setVector(h::kOverall, i, 0.0);
      s.setVector(phase, i, 0.0);
    }
    sum += s.vector(phase, i);
  }
  return sum > kTrace;
}

bool flowing(std::int32_t itemNumber, std::int32_t t) {
  const storage::RealView rates = loadedReals(itemNumber);
  return t >= 1 && static_cast<std::size_t>(t) <= rates.size() &&
         rates[static_cast<std::size_t>(t - 1)] > 0.0;
}

}  // namespace

// PATRST: the vapour values (rows 1-8) and liquid values (rows 9-18) of stream N in unit
// set 5. IERR 1 (values 0.0) when N names no stream or its evaluation fails.
void PATRST(std::int32_t n, std::span<double, kRows> values, std::int32_t& ierr) {
  std::fill(values.begin(), values.end(), 0.0);
  ierr = 0;
  if (PASRCK(n) || problem::ISRSTA(n) < kHasRecord) {
    ierr = 1;
    return;
  }
  // 2. The stream and its method set.
  problem::SRSET(n, 0);
  {
    problem::MainRecord m(problem::SRPSET.set2);
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, m.integer(kMethodSetWord));
  }
  // 3. Its phases' properties.
  std::int32_t istat = 0;
  SRPROP(kEvaluateAll, n, kAllPhases, 0, istat);
  if (istat > 0) {
    ierr = 1;
    return;
  }
  problem::MainRecord m(problem::SRPSET.set2);
  const double rate = orZero(m.real(h::kRate));
  const double vf = orZero(m.real(h::kVapourFraction));
  const double lf = orZero(m.real(h::kLiquidFraction)) + orZero(m.real(h::kWaterFraction));
  const auto v = [](std::int32_t p) { return orZero(phaseProperty(kVapourPhase, p)); };
  const auto l = [](std::int32_t p) { return orZero(phaseProperty(kLiquidPhase, p)); };
  // 4. The values, in unit set 5.
  const double vr = field(rate * vf, cls::kMolarFlow);
  const double lr = field(rate * lf, cls::kMolarFlow);
  values[0] = v(phaseprop::kMolecularWeight);
  values[1] = v(phaseprop::kMolecularWeight) * vr;
  values[2] = field(v(phaseprop::kDensity), cls::kVapourDensity);
  values[3] = services::RELCMP(v(phaseprop::kDensity), 0.0) == 0
                  ? 0.0
                  : field(v(phaseprop::kMolecularWeight) * rate * vf / v(phaseprop::kDensity),
                          cls::kVolume) /
                        field(1.0, cls::kTime);
  values[4] = field(problem::DBPARW.molarVolume * rate * vf, cls::kVapourVolumeRate);
  values[5] = field(m.real(h::kVapourEnthalpy), cls::kEnthalpy);
  values[6] = field(v(phaseprop::kViscosity), cls::kViscosity);
  values[7] = field(v(phaseprop::kThermalConductivity), cls::kConductivity);
  const double ml = l(phaseprop::kMolecularWeight) * lr;
  const double dl = field(l(phaseprop::kDensity), cls::kLiquidDensity);
  const double standard = l(phaseprop::kStandardDensity);
  values[8] = l(phaseprop::kMolecularWeight);
  values[9] = ml;
  values[10] = dl;
  values[11] = services::RELCMP(dl, 0.0) == 0 ? 0.0 : ml / dl;
  values[12] =
      services::RELCMP(standard, 0.0) == 0
          ? 0.0
          : field(l(phaseprop::kMolecularWeight) * rate * lf / standard, cls::kLiquidVolumeRate);
  values[13] = UOMCNV(standard, cls::kGravity, 1, services::UOMCOD.specificGravityCode());
  const double water = orZero(m.real(h::kWaterFraction));
  const double liquid = orZero(m.real(h::kLiquidFraction));
  values[14] = water + liquid > 0.0 ? field((liquid * orZero(m.real(h::kLiquidEnthalpy)) +
                                             water * orZero(m.real(h::kWaterEnthalpy))) /
                                                (water + liquid),
                                            cls::kEnthalpy)
                                    : 0.0;
  values[15] = field(l(phaseprop::kViscosity), cls::kViscosity);
  values[16] = field(l(phaseprop::kThermalConductivity), cls::kConductivity);
  values[17] = field(l(phaseprop::kSurfaceTension), cls::kSurfaceTension);
}

// PATRPC: the eighteen values of tray T of the loaded column N; STATUS 1 (zeros) when T is
// outside its trays or its first feed names no stream.
void PATRPC(std::int32_t n, std::int32_t t, TrayRecord& record, std::int32_t& status) {
  record.fill(0.0);
  status = 1;
  const std::span<std::int32_t> control = loadedIntegers(1);
  constexpr std::size_t kTraysWord = 4;
  if (t < 1 || control.size() < kTraysWord || t > control[kTraysWord - 1]) return;
  const std::int32_t feed = feedStream(1);
  if (feed < 1 || problem::ISRSTA(feed) < kHasRecord) return;
  status = 0;
  std::int32_t vapour = 0, liquid = 0;
  problem::SRSAVE(feed, vapour);
  problem::SRSAVE(feed, liquid);
  const auto fill = [&](std::int32_t stream, std::int32_t iph) {
    problem::SRSETT(stream);
    problem::SRSET(stream, 0);
    PATRPS(n, t, iph, 0, 1);
  };
  fill(vapour, 1);
  fill(liquid, 2);
  std::array<double, kRows> values{};
  std::int32_t ierr = 0;
  // The liquid, current in set 2.
  {
    problem::MainRecord s(problem::SRPSET.set2);
    if (flowing(kNetLiquidItem, t) && s.real(h::kRate) > 0.0 &&
        keepPhase(s, h::kLiquid, h::kVapour)) {
      s.setReal(h::kLiquidFraction, 1.0);
      s.setReal(h::kWaterFraction, 0.0);
      s.setReal(h::kVapourFraction, 0.0);
      PATRST(liquid, values, ierr);
      std::copy(values.begin() + 8, values.end(), record.begin() + 8);
    }
  }
  problem::SRSET(vapour, 0);
  {
    problem::MainRecord s(problem::SRPSET.set2);
    if (flowing(kNetVapourItem, t) && s.real(h::kRate) > 0.0 &&
        keepPhase(s, h::kVapour, h::kLiquid)) {
      s.setReal(h::kVapourFraction, 1.0);
      s.setReal(h::kLiquidFraction, 0.0);
      s.setReal(h::kWaterFraction, 0.0);
      PATRST(vapour, values, ierr);
      std::copy(values.begin(), values.begin() + 8, record.begin());
    }
  }
  problem::SRKILL(vapour);
  problem::SRKILL(liquid);
}

// PATRPT: the molar entropies (unit set 1) of the vapour (IPH 1) or liquid of trays 1..NT
// from the composition rows of TABLE (internal order), at each tray's temperature and
// pressure, under each tray's method set. IERR 1, the rest 0.0, from the first tray whose
// set names no entropy method or whose entropy fails.
void PATRPT(std::int32_t nt, std::int32_t iph, const TrayTable& table, std::span<double> out,
            std::int32_t& ierr) {
  std::fill(out.begin(), out.end(), 0.0);
  ierr = 0;
  const std::int32_t trays = std::clamp(nt, 0, static_cast<std::int32_t>(out.size()));
  const std::int32_t nc = componentCount();
  const storage::RealView temperatures = loadedReals(7);
  const storage::RealView pressures = loadedReals(8);
  const std::span<std::int32_t> sets = loadedIntegers(kTrayMethodSets);
  for (std::int32_t t = 1; t <= trays; ++t) {
    const auto k = static_cast<std::size_t>(t - 1);
    if (k >= temperatures.size() || k >= pressures.size()) return;
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, k < sets.size() ? sets[k] % 100 : 1);
    const std::int32_t slot = iph == 1 ? kVapourEntropySlot : kLiquidEntropySlot;
    if (methods::MSPTRS.classes(static_cast<std::size_t>(slot)).code < 1) {
      ierr = 1;
      return;
    }
    std::copy_n(table[k].begin(), nc, entropyRow.begin());
    const std::span<const double> x(entropyRow.data(), static_cast<std::size_t>(nc));
    double s = 0.0, dsdt = 0.0, z = 0.0;
    std::int32_t status = 0;
    std::int32_t failed = 0;
    if (iph == 1) {
      failed = phase::SVAPDR(nc, temperatures[k], pressures[k], x, s, dsdt, z, 0, status);
    } else {
      const std::int32_t types = problem::COPTRS.integerSector(kComponentTypeSector);
      const std::span<const std::int32_t> codes =
          types == services::NOCORE
              ? std::span<const std::int32_t>()
              : std::span<const std::int32_t>(storage::CORSTO.words(types + 1, nc));
      failed = phase::SLIQDR(nc, temperatures[k], pressures[k], x, s, dsdt, z, 0, codes, status);
    }
    if (failed != 0 || !(s > kMissingBelow) || status >= 1) {
      ierr = 1;
      return;
    }
    out[k] = s;
  }
}

// PATRP2: the stored path. False (nothing written) when the column has no tray-property
// block or it cannot be read.
bool PATRP2(Request& request, const Attribute& a, std::int32_t nt) {
  const auto index = static_cast<std::size_t>(&a - kAttributes.data());
  const StoredPlace& place = kStoredPlaces[index];
  const std::int32_t trays = std::clamp(nt, 0, kMostTrays);
  request.count = trays;
  request.iucls = a.cls == cls::kEnthalpy || a.cls == cls::kEntropy ? kMolarBasis + a.cls : a.cls;
  const auto put = [&](std::int32_t t, double v) {
    v = orZero(v);
    request.setReal(t, a.cls == 0 ? v : UOMCNV(v, a.cls, 1, request.iunset));
  };
  if (place.sector == 0) {
    const storage::RealView profile = loadedReals(place.row);
    for (std::int32_t t = 1; t <= trays; ++t) {
      put(t, static_cast<std::size_t>(t) <= profile.size()
                 ? profile[static_cast<std::size_t>(t - 1)]
                 : 0.0);
    }
    return true;
  }
  // 1. The disk pointer in the last entry of the column block's disk-pointer sector 1.
  const LoadedUnit& loaded = UNITWK;
  if (loaded.unit == 0) return false;
  storage::SBSETC(loaded.words, loaded.block);
  const std::int32_t entries = storage::SBCUR.count(storage::SectorKind::Pointer) >= 1
                                   ? storage::SBCUR.length(storage::SectorKind::Pointer, 1)
                                   : 0;
  if (entries < 1) return false;
  storage::DiskPointer pointer{};
  storage::SBGETC(loaded.words, loaded.block, 1, entries, 0, pointer);
  // 2. The block, in an area of its own.
  std::int32_t length = 0;
  std::int32_t area = services::NOCORE;
  std::int32_t status = 0;
  storage::SBRDC(length, area, pointer, status);
  if (status != 0 || area == services::NOCORE) return false;
  const auto& image = storage::SBCUR;
  const bool held = image.count(storage::SectorKind::Real) >= place.sector;
  const std::int32_t words = held ? image.length(storage::SectorKind::Real, place.sector) : 0;
  const storage::RealView rows =
      words > 0
          ? storage::CORSTO.reals(image.pointer(storage::SectorKind::Real, place.sector) + 1, words)
          : storage::RealView{};
  const storage::RealView rates = loadedReals(place.rateItem);
  for (std::int32_t t = 1; t <= trays; ++t) {
    const std::int64_t e = std::int64_t{place.row} * nt + t;
    double v =
        e <= static_cast<std::int64_t>(rows.size()) ? rows[static_cast<std::size_t>(e - 1)] : 0.0;
    if (place.rateItem != 0) {
      v = static_cast<std::size_t>(t) <= rates.size()
              ? orZero(v) * orZero(rates[static_cast<std::size_t>(t - 1)])
              : 0.0;
    }
    put(t, v);
  }
  // The area is the request's own: freed before returning.
  storage::CMFREI(area);
  return true;
}

void PATRPR(Request& request, std::int32_t n, std::int32_t nt) {
  request.setType(ValueType::Real);
  request.elen = 4;
  const Attribute* match = nullptr;
  for (const Attribute& a : kAttributes) {
    if (request.is(a.name)) match = &a;
  }
  if (match == nullptr) {
    attributeNotSupported(request, " FOR COLUMN/SIDE UNIT");
    return;
  }
  if (problem::GCLTAB.integers(kTrayDataSwitch) > 0) {
    if (!PATRP2(request, *match, nt)) {
      // No stored block: zeros, and the request refused.
      request.count = std::clamp(nt, 0, kMostTrays);
      for (std::int32_t t = 1; t <= request.count; ++t) request.setReal(t, 0.0);
      request.ierr = kRefused;
    }
    return;
  }
  const std::int32_t trays = std::clamp(nt, 0, kMostTrays);
  request.count = trays;
  if (match->row == 0) {
    // Entropies from the tray compositions of this request.
    std::int32_t ierr = 0;
    PATRPT(trays, match->phase, trayCompositionTable(match->phase == 1 ? 1 : 0), entropies, ierr);
    request.iucls = kMolarBasis + cls::kEntropy;
    for (std::int32_t t = 1; t <= trays; ++t) {
      request.setReal(
          t, UOMCNV(entropies[static_cast<std::size_t>(t - 1)], cls::kEntropy, 1, request.iunset));
    }
    return;
  }
  // Every tray, each from zeros.
  for (std::int32_t t = 1; t <= trays; ++t) {
    std::int32_t status = 0;
    PATRPC(n, t, trayTable[static_cast<std::size_t>(t - 1)], status);
  }
  request.iucls = match->cls == cls::kEnthalpy ? kMolarBasis + cls::kEnthalpy : match->cls;
  for (std::int32_t t = 1; t <= trays; ++t) {
    const double v =
        trayTable[static_cast<std::size_t>(t - 1)][static_cast<std::size_t>(match->row - 1)];
    request.setReal(t, match->cls == 0 ? v : UOMCNV(v, match->cls, kFieldSet, request.iunset));
  }
}

}  // namespace api_access
