// The reader of class "COMPS": the identifiers and pure-component constants of all
// components, one value per component in component-number order. The constants are read
// from the problem's component table itself, never from the sectors a method set puts in
// their place.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "api/access/access.hpp"
#include "api/access/data_requests.hpp"
#include "api/access/readers.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace api_access {
namespace {

using problem::ComponentReal;
using services::NOCORE;
using storage::SectorKind;

constexpr std::size_t kAttrShown = 10;
constexpr std::int32_t kIdLength = 16;
constexpr std::int32_t kPureData = 1;  // the component table's sub-block of constants
constexpr std::int32_t kVolumeClass = 22;
constexpr std::int32_t kEnergyClass = 28;

// How a constant comes back: as stored, converted from set 1 (the internal units), or from
// the support database's specific-gravity unit code to the requested set or to its
// API-gravity code.
enum class Conversion { AsStored, Internal, GravityToSet, GravityToApi };

// What a stored constant's quantity allows (in the internal units, before conversion): a
// value outside is damage, never a constant.
enum class Allowed {
  Positive,  // finite and above 0 (weights, temperatures, pressures, volumes, densities)
  Finite,    // any finite value (acentric factors, heats and free energies of formation)
};

struct Constant {
  std::string_view attr;
  ComponentReal sector;
  std::int32_t cls;    // conversion class
  std::int32_t iucls;  // returned unit class
  Conversion conversion;
  Allowed allowed = Allowed::Positive;
};

constexpr std::array<Constant, 12> kConstants{{
    {"MolWeight", ComponentReal::MolecularWeight, 0, 0, Conversion::AsStored},
    {"NormBoilPt", ComponentReal::NormalBoilingPoint, services::kTemperatureClass,
     services::kTemperatureClass, Conversion::Internal},
    {"StdLiqDens", ComponentReal::StandardLiquidDensity, services::kLiquidDensityClass,
     services::kLiquidDensityClass, Conversion::GravityToSet},
    {"SpecGravity", ComponentReal::StandardLiquidDensity, services::kSpecificGravityClass,
     services::kSpecificGravityClass, Conversion::AsStored},
    {"ApiGravity", ComponentReal::StandardLiquidDensity, services::kSpecificGravityClass,
     services::kSpecificGravityClass, Conversion::GravityToApi},
    {"CritTemp", ComponentReal::CriticalTemperature, services::kTemperatureClass,
     services::kTemperatureClass, Conversion::Internal},
    {"CritPres", ComponentReal::CriticalPressure, services::kPressureClass,
     services::kPressureClass, Conversion::Internal},
    {"CritVol", ComponentReal::CriticalVolume, kVolumeClass, kMolarBasis + kVolumeClass,
     Conversion::Internal},
    {"CritCompress", ComponentReal::CriticalCompressibility, 0, 0, Conversion::AsStored},
    {"AcenFactor", ComponentReal::AcentricFactor, 0, 0, Conversion::AsStored, Allowed::Finite},
    {"StdHeatForm", ComponentReal::HeatOfFormation, kEnergyClass, kMolarBasis + kEnergyClass,
     Conversion::Internal, Allowed::Finite},
    {"StdFreEnForm", ComponentReal::FreeEnergyOfFormation, kEnergyClass, kMolarBasis + kEnergyClass,
     Conversion::Internal, Allowed::Finite},
}};

// The element of a table sector that belongs to component number J: its stored position in
// list 1, or in list 2 behind the first half; 0 when J has no stored position or the
// position lies beyond the sector.
std::int32_t elementOf(std::int32_t j, std::int32_t sectorLength) {
  std::int32_t list = 0;
  std::int32_t pos = 0;
  problem::CODLST(j, list, pos);
  if (list == 2) pos += problem::COHDR(problem::cohdr::kStreamComponents);
  return pos >= 1 && pos <= sectorLength ? pos : 0;
}

// The component table's sector of KIND and number K: its start (element i at start + i, an
// 8-byte word index for reals) and length; NOCORE when the table holds no such sector.
struct Sector {
  std::int32_t start = NOCORE;
  std::int32_t length = 0;
};

Sector tableSector(SectorKind kind, std::int32_t k) {
  const problem::HeldBlock& block = problem::DBGLOB.co.blocks(kPureData);
  if (!block.held()) return {};
  storage::SBSETC(block.length, block.core);
  if (storage::SBCUR.count(kind) < k) return {};
  return {storage::SBCUR.pointer(kind, k), storage::SBCUR.length(kind, k)};
}

double convert(const Constant& c, double value, std::int32_t iunset) {
  const std::int32_t gravity = services::UOMCOD.specificGravityCode();
  switch (c.conversion) {
    case Conversion::AsStored:
      return value;
    case Conversion::Internal:
      return services::UOMCNV(value, c.cls, 1, iunset);
    case Conversion::GravityToSet:
      return services::UOMCNV(value, c.cls, gravity, iunset);
    case Conversion::GravityToApi:
      return services::UOMCNV(value, c.cls, gravity, services::UOMCOD.apiGravityCode());
  }
  return value;
}

bool plausible(Allowed allowed, double stored) {
  if (!std::isfinite(stored)) return false;
  return allowed == Allowed::Finite || stored > 0.0;
}

void readConstant(Request& request, const Constant& c, std::int32_t ncomp) {
  request.iucls = c.iucls;
  const Sector sector = tableSector(SectorKind::Real, static_cast<std::int32_t>(c.sector));
  for (std::int32_t j = 1; j <= ncomp; ++j) {
    const std::int32_t i = sector.start == NOCORE ? 0 : elementOf(j, sector.length);
    const double stored = i == 0 ? services::RMISS : storage::CORSTO.real(sector.start + i);
    const double value = convert(c, stored, request.iunset);
    request.setReal(j, value);
    // A missing constant (at or below RMISS) is the null rule's; any other must be what its
    // quantity allows, before and after the conversion.
    if (stored <= services::RMISS) continue;
    if (!plausible(c.allowed, stored) || !std::isfinite(value)) request.implausible(j);
  }
  request.nullMissing();
}

}  // namespace

void PACOMP(Request& request) {
  const std::int32_t ncomp = std::clamp(PAIDTB.ncomp, 0, kMaxComponents);
  request.setType(ValueType::Real);
  request.count = ncomp;
  request.elen = 4;

  if (request.is("IDS")) {
    request.setType(ValueType::Text);
    request.elen = kIdLength;
    for (std::int32_t j = 1; j <= ncomp; ++j) {
      const auto id = PAIDTB.componentId(static_cast<std::size_t>(j)).view();
      request.setText(j, id);
      if (services::isBlank(id)) request.implausibleText(j);
    }
    return;
  }
  for (const Constant& c : kConstants) {
    if (!request.is(c.attr)) continue;
    readConstant(request, c, ncomp);
    return;
  }
  if (request.is("LibraryNumber")) {
    request.setType(ValueType::Integer);
    const Sector sector = tableSector(
        SectorKind::Integer, static_cast<std::int32_t>(problem::ComponentInteger::LibraryNumber));
    for (std::int32_t j = 1; j <= ncomp; ++j) {
      const std::int32_t i = sector.start == NOCORE ? 0 : elementOf(j, sector.length);
      const std::int32_t stored = i == 0 ? services::IMISS : storage::CORSTO[sector.start + i];
      request.setInteger(j, stored <= services::IMISS ? 0 : stored);
    }
    return;
  }
  printLine(" ATTRIBUTE NOT SUPPORTED: " +
            std::string(request.attr.substr(0, std::min(kAttrShown, request.attr.size()))) +
            " FOR COMPS");
  request.ierr = kRefused;
}

}  // namespace api_access
