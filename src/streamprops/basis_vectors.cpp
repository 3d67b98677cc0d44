// SPBASE, SPCUMP and WKALOC: the composition of a phase of the current stream and the sums
// over a range of components that the property evaluators build on.
#include "streamprops/basis_vectors.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "problem/method_set_control.hpp"
#include "problem/streams.hpp"
#include "storage/storage.hpp"

namespace streamprops {
namespace {

using problem::COHDR;
using problem::ComponentReal;
using problem::COPTRS;
using storage::CORSTO;
using storage::RealView;
namespace srmain = problem::srmain;

constexpr std::int32_t kPlainGet = 0;
constexpr std::int32_t kIndexRead = 1;
constexpr std::int32_t kMassRate = 35;  // header real: rate of the mass-based part

std::int32_t streamCount() { return COHDR(problem::cohdr::kStreamComponents); }

// The pure-component constant array of real sector K, one real per position; empty when the
// component table holds no such sector in core.
RealView constants(ComponentReal k, std::int32_t n) {
  return COPTRS.inCore(k) ? CORSTO.reals(COPTRS.realSector(k) + 1, n) : RealView{};
}

// Vector V (1-4) of the stream of pointer set 1.
RealView streamVector(std::int32_t v, std::int32_t n) {
  return CORSTO.reals(problem::SRPSET.set1.realSectors.at(static_cast<std::size_t>(v - 1)) + 1, n);
}

// The constants a basis weighs by, read through one view each.
struct Constants {
  RealView p;   // the basis's own constant (bases 1 and 101-105)
  RealView mw;  // molecular weight (bases 2-5)
  RealView sg;  // specific gravity (bases 2-5)
};

ComponentReal constantOf(SumBasis basis) {
  switch (basis) {
    case SumBasis::CriticalTemperature:
      return ComponentReal::CriticalTemperature;
    case SumBasis::CriticalPressure:
      return ComponentReal::CriticalPressure;
    case SumBasis::CriticalCompressibility:
      return ComponentReal::CriticalCompressibility;
    case SumBasis::AcentricFactor:
      return ComponentReal::AcentricFactor;
    case SumBasis::NormalBoilingPoint:
      return ComponentReal::NormalBoilingPoint;
    default:
      return ComponentReal::MolecularWeight;
  }
}

bool known(SumBasis basis) {
  const auto b = static_cast<std::int32_t>(basis);
  return (b >= 0 && b <= 5) || (b >= 101 && b <= 105);
}

bool weighsByOwnConstant(SumBasis basis) {
  return basis == SumBasis::MolecularWeight || static_cast<std::int32_t>(basis) >= 101;
}

bool massOverVolume(SumBasis basis) {
  return basis == SumBasis::SpecificGravity || basis == SumBasis::LiquidDensity ||
         basis == SumBasis::ApiGravity;
}

// The position of range member K: K itself for positions, else the position of code K in
// component list 1 or 2; 0 when the code is in neither list.
std::int32_t positionOf(std::int32_t k, std::int32_t icode) {
  if (icode == 0) return k;
  std::int32_t list = 0, pos = 0;
  problem::CODLST(k, list, pos);
  return pos;
}

double apiOf(double sg) { return 141.5 / sg - 131.5; }

// True when the constants BASIS weighs by are in core: its own constant for bases 1 and
// 101-105, the molecular weights and gravities for bases 2-5, none for moles.
bool constantsInCore(SumBasis basis) {
  if (basis == SumBasis::Moles) return true;
  if (weighsByOwnConstant(basis)) return COPTRS.inCore(constantOf(basis));
  return COPTRS.inCore(ComponentReal::MolecularWeight) &&
         COPTRS.inCore(ComponentReal::StandardLiquidDensity);
}

template <typename Vector>
RangeSums cumulate(SumBasis basis, std::int32_t first, std::int32_t last, std::int32_t iref,
                   const Vector& x, std::int32_t noflag, std::int32_t icode) {
  RangeSums r;
  // An unknown basis, or one whose constants are not in core, sums nothing.
  if (!known(basis) || !constantsInCore(basis)) return r;
  const std::int32_t ncmol = molarCount();
  const auto size = static_cast<std::int32_t>(x.size());
  const std::int32_t n = streamCount();
  Constants c;
  if (basis != SumBasis::Moles && n > 0) {
    c.p = constants(constantOf(basis), n);
    c.mw = constants(ComponentReal::MolecularWeight, n);
    c.sg = constants(ComponentReal::StandardLiquidDensity, n);
  }
  const auto at = [](const RealView& v, std::int32_t pos) {
    return v[static_cast<std::size_t>(pos - 1)];
  };
  const auto xi = [&](std::int32_t pos) { return x[static_cast<std::size_t>(pos - 1)]; };
  // A position the vector and the constants both hold.
  const auto usable = [&](std::int32_t pos) { return pos >= 1 && pos <= size && pos <= n; };

  // 1. The reference for the range test: a position, or its code in list 1.
  std::int32_t reference = iref;
  if (icode != 0) {
    reference = 0;
    if (iref > 0) problem::SLTIDX(iref, 1, reference);
  }

  // 2. and 3. The walk over the range.
  double volume = 0.0;
  for (std::int32_t k = first; k <= last; ++k) {
    const std::int32_t pos = positionOf(k, icode);
    if (!usable(pos)) continue;
    const double v = xi(pos);
    if (weighsByOwnConstant(basis)) {
      if (pos <= ncmol) {
        r.twet += v;
        r.swet += v * at(c.p, pos);
      } else if (basis == SumBasis::MolecularWeight) {
        r.tmass += v;
      }
    } else if (basis == SumBasis::LiquidMolarVolume) {
      if (pos <= ncmol) {
        r.twet += v;
        r.swet += v * at(c.mw, pos) / at(c.sg, pos);
      }
    } else if (massOverVolume(basis)) {
      const double m = v * at(c.mw, pos);
      r.twet += m;
      volume += m / at(c.sg, pos);
    } else {
      r.twet += v;
    }
  }

  // 4. Without the reference component.
  const bool inside = reference > 0 && reference >= first && reference <= last && usable(iref);
  if (!inside) {
    // Without the reference the dry results are the wet ones (for bases 2-4 the ratio
    // formed below).
    r.tdry = r.twet;
    r.sdry = massOverVolume(basis) ? (volume > 0.0 ? r.twet / volume : 0.0) : r.swet;
  } else {
    const double xr = xi(iref);
    if (weighsByOwnConstant(basis) || basis == SumBasis::LiquidMolarVolume) {
      const double pr =
          basis == SumBasis::LiquidMolarVolume ? at(c.mw, iref) / at(c.sg, iref) : at(c.p, iref);
      r.tdry = std::max(r.twet - xr, 0.0);
      r.sdry = std::max(r.swet - xr * pr, 0.0);
    } else if (massOverVolume(basis)) {
      const double mr = xr * at(c.mw, iref);
      r.tdry = r.twet - mr;
      const double dryVolume = volume - mr / at(c.sg, iref);
      r.sdry = dryVolume > 0.0 ? r.tdry / dryVolume : 0.0;
    } else {
      r.tdry = std::max(r.twet - xr, 0.0);
    }
  }

  // 5. to 7. Ratios and scales of the bases.
  if (massOverVolume(basis)) {
    r.swet = volume > 0.0 ? r.twet / volume : 0.0;
    if (basis == SumBasis::LiquidDensity) {
      r.swet *= kWaterDensity60F;
      r.sdry *= kWaterDensity60F;
    } else if (basis == SumBasis::ApiGravity) {
      if (r.swet > 0.0) r.swet = apiOf(r.swet);
      if (r.sdry > 0.0) r.sdry = apiOf(r.sdry);
    }
    r.twet = 1.0;
    r.tdry = 1.0;
  }
  if (basis == SumBasis::LiquidMolarVolume) {
    r.swet /= kWaterDensity60F;
    r.sdry /= kWaterDensity60F;
  }
  if (basis == SumBasis::Moles) {
    r.swet = 1.0;
    r.sdry = 1.0;
  }

  // 8. Averages, or unit totals.
  const bool averaged = weighsByOwnConstant(basis) || basis == SumBasis::LiquidMolarVolume;
  if (averaged && noflag == 0) {
    if (r.tdry > 0.0) r.sdry /= r.tdry;
    if (r.twet > 0.0) r.swet /= r.twet;
  } else if (basis != SumBasis::Moles && noflag == 1) {
    r.tdry = 1.0;
    r.twet = 1.0;
    r.tmass = 1.0;
  }
  return r;
}

}  // namespace

std::int32_t molarCount() { return COHDR(problem::cohdr::kAuxiliaryCount); }

void SPBASE(std::int32_t basis, std::int32_t& iwork, std::int32_t& ptr, double& amount,
            double& mrate, std::int32_t noflag) {
  // 1. The work vector, cleared.
  iwork = 0;
  const std::int32_t b = basis % 100;
  const std::int32_t n = streamCount();
  const std::int32_t ncmol = molarCount();
  iwork = storage::ICMGTR(n, kPlainGet);
  ptr = iwork;
  mrate = 0.0;
  if (n < 1) return;
  const RealView work = CORSTO.reals(ptr + 1, n);
  for (std::size_t i = 0; i < work.size(); ++i) work.set(i, 0.0);

  // 2. The phase's composition and amount.
  const problem::MainRecord rec(problem::SRPSET.set1);
  const double rate = rec.real(srmain::kRate);
  const auto copy = [&](std::int32_t v, std::int32_t count, double scale) {
    const RealView from = streamVector(v, std::min(count, n));
    for (std::size_t i = 0; i < from.size(); ++i) work.set(i, from[i] * scale);
  };
  const std::int32_t iwat = problem::THCTL.idecnt;
  switch (static_cast<PhaseBasis>(b)) {
    case PhaseBasis::Whole:
      copy(srmain::kOverall, n, 1.0);
      amount = rate;
      mrate = rec.real(kMassRate);
      break;
    case PhaseBasis::Vapour:
      copy(srmain::kVapour, COHDR(problem::cohdr::kVapourComponents), 1.0);
      amount = rate * rec.real(srmain::kVapourFraction);
      break;
    case PhaseBasis::HydrocarbonLiquid:
      copy(srmain::kLiquid, COHDR(problem::cohdr::kLiquidComponents), 1.0);
      amount = rate * rec.real(srmain::kLiquidFraction);
      break;
    case PhaseBasis::Solid:
      copy(srmain::kThird, n, 1.0);
      amount = rate * rec.real(srmain::kThirdFraction);
      mrate = rec.real(kMassRate);
      break;
    case PhaseBasis::FreeWater:
      amount = rate * rec.real(srmain::kWaterFraction);
      if (iwat > 0 && iwat <= n) work.set(static_cast<std::size_t>(iwat - 1), 1.0);
      break;
    case PhaseBasis::TotalLiquid: {
      const double fw = rec.real(srmain::kWaterFraction);
      const double fl = rec.real(srmain::kLiquidFraction);
      const double liquid = fw + fl;
      amount = rate * liquid;
      const std::int32_t nl = COHDR(problem::cohdr::kLiquidComponents);
      if (iwat < 1 || iwat > n) {
        copy(srmain::kLiquid, nl, 1.0);
      } else if (liquid > 0.0) {
        copy(srmain::kLiquid, nl, fl / liquid);
        const auto w = static_cast<std::size_t>(iwat - 1);
        work.set(w, work[w] + fw / liquid);
      }
      break;
    }
    default:
      break;
  }

  // 3. The molar entries normalised (as NORMLZ: only a sum that is neither 0 nor 1).
  if (noflag != 0) return;
  const auto m = static_cast<std::size_t>(std::clamp(ncmol, 0, n));
  double sum = 0.0;
  for (std::size_t i = 0; i < m; ++i) sum += work[i];
  if (sum != 0.0 && sum != 1.0) {
    for (std::size_t i = 0; i < m; ++i) work.set(i, work[i] / sum);
  }
}

RangeSums SPCUMP(SumBasis basis, std::int32_t first, std::int32_t last, std::int32_t iref,
                 const RealView& x, std::int32_t noflag, std::int32_t icode) {
  return cumulate(basis, first, last, iref, x, noflag, icode);
}

RangeSums SPCUMP(SumBasis basis, std::int32_t first, std::int32_t last, std::int32_t iref,
                 std::span<const double> x, std::int32_t noflag, std::int32_t icode) {
  return cumulate(basis, first, last, iref, x, noflag, icode);
}

std::int32_t WKALOC(std::int32_t n) {
  if (n < 1) return 0;
  const std::int32_t index = problem::DBGLOB.co.list1;
  if (index == services::NOCORE) return 0;
  std::array<char, 16> name{};
  storage::DiskPointer pointer = storage::emptyDiskPointer();
  std::array<std::int32_t, 3> data{};
  std::int32_t status = 0;
  storage::FBINUM(kIndexRead, index, n, name, pointer, data, status);
  return status == 0 ? data[2] : 0;
}

}  // namespace streamprops
