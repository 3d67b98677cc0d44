// SPE200, SPE300 and SPE700: the property codes read from a stream's header, its component
// vectors and the pure-component constants.
#include <algorithm>
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "problem/component_data.hpp"
#include "problem/method_set_control.hpp"
#include "problem/open_sequence.hpp"
#include "problem/streams.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"
#include "streamprops/basis_vectors.hpp"
#include "streamprops/property_codes.hpp"
#include "streamprops/property_internal.hpp"

namespace streamprops {
namespace {

using detail::BasisVector;
using detail::headerReal;
using detail::word;
using problem::COHDR;
using storage::CORSTO;

// Header reals of the codes with a fixed meaning.
constexpr std::int32_t kRate = 11;
constexpr std::int32_t kEnthalpy = 12;
constexpr std::int32_t kWaterFraction = 14;
constexpr std::int32_t kLiquidFraction = 25;
constexpr std::int32_t kMassRate = 35;
constexpr std::int32_t kMassEnthalpy = 36;
constexpr std::int32_t kHeaderReals = 95;

// Codes of the 200s.
constexpr std::int32_t kRangeAmount = 211;
constexpr std::int32_t kEnthalpyFlow = 212;
constexpr std::int32_t kTotalLiquid = 225;

// Kinds of amount (tens digit) and scales (hundreds digit) of code 211.
constexpr std::int32_t kWeight = 2;
constexpr std::int32_t kLiquidVolume = 3;
constexpr std::int32_t kGasVolume = 4;
constexpr std::int32_t kAbsolute = 1;
constexpr std::int32_t kPercent = 3;
constexpr std::int32_t kPpm = 4;
constexpr std::int32_t kWithWater = 1;
constexpr std::int32_t kWithoutWater = 2;

// Heating values: the real sectors of the component constants (kJ/kmol).
constexpr std::int32_t kGrossHeatingValue =
    static_cast<std::int32_t>(problem::ComponentReal::GrossHeatingValue);
constexpr std::int32_t kNetHeatingValue =
    static_cast<std::int32_t>(problem::ComponentReal::NetHeatingValue);

// Grains per pound and standard cubic feet per pound-mole (60 F, 14.696 psia) of code 701.
constexpr double kGrainsPerPound = 7000.0;
constexpr double kScfPerPoundMole = 379.49;

std::int32_t streamCount() { return COHDR(problem::cohdr::kStreamComponents); }
std::int32_t water() { return problem::THCTL.idecnt; }

// The position of range member K (a position, or a code of list 1 or 2); 0 when none.
std::int32_t memberPosition(const detail::ComponentRange& range, std::int32_t k) {
  if (range.icode == 0) return k;
  std::int32_t list = 0, pos = 0;
  problem::CODLST(k, list, pos);
  return pos;
}

// Code 211: the amount or fraction of a component range in a phase.
double rangeAmount(std::span<std::int32_t> oprec, std::int32_t noflag) {
  const detail::Options o = detail::optionsOf(oprec);
  const std::int32_t ncmol = molarCount();
  const std::int32_t ns = streamCount();
  const detail::ComponentRange range = detail::rangeOf(oprec, o.d1 == kWeight ? ns : ncmol);
  const BasisVector phase(word(oprec, spcrec::kPhase), noflag);
  const double a = phase.amount();
  const double m = phase.massRate();
  const SumBasis basis = o.d1 == kWeight         ? SumBasis::MolecularWeight
                         : o.d1 == kLiquidVolume ? SumBasis::LiquidMolarVolume
                                                 : SumBasis::Moles;
  const std::int32_t iwat = water();
  const bool unitTotals = basis == SumBasis::Moles && noflag == 1;

  // The denominators: the whole phase. On the weight basis they run over the mass-based
  // entries too, so that the whole list of a phase with a mass-based part is all of it.
  double wet = 1.0, dry = 1.0;
  if (o.d2 != kAbsolute) {
    const std::int32_t last = basis == SumBasis::MolecularWeight ? ns : ncmol;
    RangeSums full = SPCUMP(basis, 1, last, iwat, phase.x(), noflag, 0);
    if (unitTotals) full.twet = full.tdry = 1.0;
    wet = a * full.swet * full.twet;
    dry = a * full.sdry * full.tdry;
    if (basis == SumBasis::MolecularWeight) {
      wet += m * full.tmass;
      dry += m * full.tmass;
    }
    const double scale = o.d2 == kPercent ? 0.01 : (o.d2 == kPpm ? 1.0e-6 : 1.0);
    wet *= scale;
    dry *= scale;
  }

  // The numerators: the range.
  RangeSums part = SPCUMP(basis, range.first, range.last, iwat, phase.x(), noflag, range.icode);
  const bool wholeMolar = range.icode == 0 && range.first == 1 && range.last == ncmol;
  if (unitTotals && wholeMolar) part.twet = part.tdry = 1.0;
  const double mass = basis == SumBasis::MolecularWeight ? m * part.tmass : 0.0;
  // An empty phase holds none of the range.
  double value = 0.0;
  if (o.d4 == kWithWater) {
    if (wet > 0.0) value = (part.swet * a * part.twet + mass) / wet;
  } else if (dry > 0.0) {
    value = (part.sdry * a * part.tdry + mass) / dry;
  }
  if (o.d1 == kGasVolume && o.d2 == kAbsolute) value *= problem::DBPARW.molarVolume;
  return value;
}

// Codes 306 and 307: the heating value of the range per standard gas volume; DMISS without
// the components' heating values in core.
double heatingValue(std::span<std::int32_t> oprec, std::int32_t sector, std::int32_t noflag) {
  const std::int32_t ns = streamCount();
  const detail::ComponentRange range = detail::rangeOf(oprec, molarCount());
  // No heating value without the heating values of the components in core.
  if (problem::COPTRS.realSector(sector) == services::NOCORE) return services::DMISS;
  const BasisVector phase(word(oprec, spcrec::kPhase), noflag);
  const storage::RealView h = CORSTO.reals(problem::COPTRS.realSector(sector) + 1, ns);
  const storage::RealView& x = phase.x();
  double sum = 0.0;
  for (std::int32_t k = range.first; k <= range.last; ++k) {
    const std::int32_t pos = memberPosition(range, k);
    if (pos < 1 || pos > ns || pos > static_cast<std::int32_t>(x.size())) continue;
    const double hi = h[static_cast<std::size_t>(pos - 1)];
    if (hi > 0.0) sum += x[static_cast<std::size_t>(pos - 1)] * hi;
  }
  const double volume = problem::DBPARW.molarVolume;
  return volume > 0.0 ? sum / volume : services::DMISS;
}

// Code 702: the liquid-to-solid ratio of the component held in PMCTL2; 0.0 on a weight basis
// without the molecular weights in core.
double liquidToSolid(std::span<std::int32_t> oprec, std::int32_t noflag) {
  const bool weight = detail::optionsOf(oprec).d1 == kWeight;
  const std::int32_t ns = streamCount();
  const std::int32_t c = methods::PMCTL2.ratioComponent;
  const std::int32_t nl = COHDR(problem::cohdr::kLiquidComponents);
  if (c < 1 || c > std::min(nl, ns)) return 0.0;
  // A weight ratio needs the molecular weight of the component in core.
  if (weight && !problem::COPTRS.inCore(problem::ComponentReal::MolecularWeight)) return 0.0;
  const BasisVector solid(static_cast<std::int32_t>(PhaseBasis::Solid), noflag);
  const RangeSums r = SPCUMP(weight ? SumBasis::MolecularWeight : SumBasis::Moles, 1, ns, water(),
                             solid.x(), noflag, 0);
  double s = solid.amount() * r.swet * r.twet;
  if (weight) s += solid.massRate() * r.tmass;
  const problem::MainRecord rec(problem::SRPSET.set1);
  double l = (headerReal(kLiquidFraction) * rec.vector(problem::srmain::kLiquid, c) +
              headerReal(kWaterFraction)) *
             headerReal(kRate);
  if (weight) {
    l *= CORSTO.real(problem::COPTRS.realSector(problem::ComponentReal::MolecularWeight) + c);
  }
  return s > 0.0 ? l / s : 0.0;
}

// Code 703: real ITEM of the stream's record type 26; DMISS without one.
double recordValue(std::span<std::int32_t> oprec) {
  constexpr std::int32_t kRecordType = 26;
  constexpr std::int32_t kLoad = 1;
  const std::int32_t n = word(oprec, spcrec::kStream);
  const std::int32_t item = word(oprec, spcrec::kItem);
  problem::SRSETT(n);
  const std::int32_t previous = problem::SRPSET.set2.stream;
  problem::SRSET(n, 10);
  std::int32_t istat = 0;
  problem::SRPAGE(kLoad, kRecordType, 1, istat);
  double value = services::DMISS;
  if (istat == 0) {
    const auto& sub = storage::SBCUR;
    const std::int32_t length = sub.length(storage::SectorKind::Real, 1);
    if (item >= 1 && item <= length) {
      value = CORSTO.real(sub.pointer(storage::SectorKind::Real, 1) + item);
    }
  }
  // The working stream as it was: the earlier one, or none.
  if (previous > 0 && previous != n) {
    problem::SRSET(previous, 10);
  } else if (previous < 1) {
    problem::SRPSET.set2 = {};
  }
  return value;
}

}  // namespace

void SPE200(std::int32_t, std::span<std::int32_t> oprec, std::int32_t, std::int32_t&, double& value,
            std::int32_t noflag) {
  // 1. A header real by its number; 200 and 296-299 name none.
  const std::int32_t code = word(oprec, spcrec::kCode);
  if (code > 200 && code - 200 <= kHeaderReals) value = headerReal(code - 200);
  switch (code) {
    case kEnthalpyFlow: {
      // 2. Enthalpy flow: molar part, and the mass-based part when there is one.
      value = headerReal(kEnthalpy) * headerReal(kRate);
      if (headerReal(kMassRate) > 0.0) value += headerReal(kMassRate) * headerReal(kMassEnthalpy);
      break;
    }
    case kTotalLiquid:
      // 3. Hydrocarbon liquid and free water.
      if (headerReal(kWaterFraction) > 0.0) {
        value = headerReal(kLiquidFraction) + headerReal(kWaterFraction);
      }
      break;
    case kRangeAmount:
      // 4. A component range in a phase.
      value = rangeAmount(oprec, noflag);
      break;
    default:
      break;
  }
}

void SPE300(std::int32_t, std::span<std::int32_t> oprec, std::int32_t, std::int32_t&, double& value,
            std::int32_t noflag) {
  const std::int32_t code = word(oprec, spcrec::kCode);
  if (code >= 301 && code <= 305) {
    // 3. Range averages of a component constant.
    const std::int32_t d4 = detail::optionsOf(oprec).d4;
    const detail::ComponentRange range = detail::rangeOf(oprec, molarCount());
    const BasisVector phase(word(oprec, spcrec::kPhase), noflag);
    const RangeSums r = SPCUMP(static_cast<SumBasis>(code - 300), range.first, range.last, water(),
                               phase.x(), noflag, range.icode);
    if (d4 == kWithWater) value = r.swet;
    if (d4 == kWithoutWater) value = r.sdry;
  } else if (code == 306 || code == 307) {
    // 4. Heating values.
    value = heatingValue(oprec, code == 306 ? kGrossHeatingValue : kNetHeatingValue, noflag);
  }
}

void SPE700(std::int32_t, std::span<std::int32_t> oprec, std::int32_t, std::int32_t&, double& value,
            std::int32_t noflag) {
  const std::int32_t code = word(oprec, spcrec::kCode);
  if (code < 701 || code > 716) return;
  value = 0.0;
  switch (code) {
    case 701: {
      // Grains of the range per 100 standard cubic feet: sum x MW x 7000 x 100 / 379.49.
      const detail::ComponentRange range = detail::rangeOf(oprec, streamCount());
      const BasisVector phase(word(oprec, spcrec::kPhase), noflag);
      const RangeSums r = SPCUMP(SumBasis::MolecularWeight, range.first, range.last, 0, phase.x(),
                                 noflag, range.icode);
      value = r.twet * r.swet * kGrainsPerPound * 100.0 / kScfPerPoundMole;
      break;
    }
    case 702:
      value = liquidToSolid(oprec, noflag);
      break;
    case 703:
      value = recordValue(oprec);
      break;
    default:
      if (code >= 711) {
        static constexpr std::int32_t kHeader[] = {64, 68, 75, 89, 65, 90};
        value = headerReal(kHeader[code - 711]);
      }
      break;
  }
}

}  // namespace streamprops
