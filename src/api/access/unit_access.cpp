// Unit lookup, the unit-type tables and the loaded unit's data block.
#include "api/access/unit_access.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "api/access/access.hpp"
#include "api/access/data_requests.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace api_access {
namespace {

using services::IMISS;
using services::NOCORE;
using services::RMISS;
using storage::SectorKind;

constexpr std::int32_t kActive = 2;
constexpr std::size_t kSystemSectors = 23;
constexpr std::int32_t kCountsSector = 4;
constexpr std::int32_t kFeedListSector = 11;
constexpr std::int32_t kProductListSector = 12;
constexpr std::int32_t kStreamNumberDigits = 10000;
constexpr std::size_t kGprWord = 49;  // word 55 of table GPR, after its 24-character text

struct TypeNames {
  std::int32_t code;
  std::string_view type;
  std::string_view cls;
};

constexpr std::array<TypeNames, 40> kTypeNames{{
    {10001, "FLASH", "Flash"},
    {10002, "MIXER", "Mixer"},
    {10003, "SPLITTER", "Splitter"},
    {10004, "VALVE", "Valve"},
    {10005, "COMPRESSOR", "Compressor"},
    {10006, "EXPANDER", "Expander"},
    {10007, "PUMP", "Pump"},
    {10008, "REACTOR", "Reactor"},
    {10024, "REACTOR CONV.", "ConReactor"},
    {10025, "REACTOR EQUIL.", "EquReactor"},
    {10009, "GIBBS", "Gibbs"},
    {20004, "PLUG FLOW", "Plug"},
    {10010, "CSTR", "Cstr"},
    {10012, "PIPE", "Pipe"},
    {10018, "DEPRESSURIZER", "Depressurizer"},
    {10013, "RFILTER", "Filter"},
    {10014, "FCENTRIFUGE", "Centrifuge"},
    {10015, "DRYER", "Dryer"},
    {10016, "CRYSTALLIZER", "Crystallizer"},
    {10017, "DISSOLVER", "Dissolver"},
    {10021, "MELTER / FREEZER", "Melter/Freezer"},
    {20001, "HX", "Hx"},
    {20002, "LNGHX", "LngHx"},
    {20003, "HXRIG", "HxRig"},
    {20005, "CCDECANTER", "Decanter"},
    {110001, "SHORTCUT", "Short"},
    {120001, "COLUMN", "Colu"},
    {120002, "SIDESTRIPPER", "Side"},
    {210001, "CONTROLLER", "Controller"},
    {210002, "MVC", "MVC"},
    {210003, "OPTIMIZER", "Optimizer"},
    {210004, "CTROPT", "N/A"},
    {220001, "STCALC", "STCalc"},
    {220002, "CALCULATOR", "Calc"},
    {310001, "HCURVE", "HCurve"},
    {310002, "PHASE ENVELOPE", "Phase"},
    {310003, "HYDRATE", "Hydrate"},
    {310004, "BVLE", "Bvle"},
    {310005, "HEXTABLE", "HexTable"},
    {410000, "USER ADDED", "User"},
}};

constexpr std::string_view kNotApplicable = "N/A";
constexpr std::int32_t kLiquidExtractor = 4;

const TypeNames* namesOf(std::int32_t code) {
  const auto found = std::find_if(kTypeNames.begin(), kTypeNames.end(),
                                  [&](const TypeNames& t) { return t.code == code; });
  return found == kTypeNames.end() ? nullptr : &*found;
}

std::int32_t decodedSector = 0;

void forgetLoadedUnit() {
  UNITWK = LoadedUnit{};
  decodedSector = 0;
}
const bool kForgottenAtOpen = services::registerKeptValues(&forgetLoadedUnit);

// Block word K, when loaded.
bool holds(std::int64_t k) { return UNITWK.unit != 0 && k >= 1 && k <= UNITWK.words; }
std::int32_t blockWord(std::int64_t k) {
  return storage::CORSTO[UNITWK.block + static_cast<std::int32_t>(k)];
}

// The loaded count at element E of system sector 4, kept within 0 and the words loaded.
std::int32_t storedCount(std::int32_t e) {
  const std::int32_t value = systemElement(kCountsSector, e);
  return value == IMISS ? 0 : std::clamp(value, 0, UNITWK.words);
}

std::int32_t listStream(std::int32_t sector, std::int32_t k) {
  const std::int32_t word = systemElement(sector, k);
  return word == IMISS ? 0 : word % kStreamNumberDigits;
}

}  // namespace

LoadedUnit UNITWK;

std::int32_t PAUNID(std::string_view id) {
  std::int32_t m = 0;
  const std::int32_t entries = problem::IUNNOU();
  for (std::int32_t u = 1; u <= entries && m < PAIDTB.nunit; ++u) {
    if (problem::IUNSTA(u) != kActive) continue;
    ++m;
    if (services::sameText(PAIDTB.unitId(static_cast<std::size_t>(m)).view(), id)) return u;
  }
  return 0;
}

void PAULOD(std::int32_t n, std::int32_t mode, std::int32_t& itype) {
  UNITWK = LoadedUnit{};
  // The unit record, made current for the load: its integer sector holds the words read here.
  problem::UNSETC(n);
  const std::int32_t record = problem::UNCURR.context3.integerSector;
  const std::int32_t recordWords = storage::SBCUR.count(SectorKind::Integer) >= 1
                                       ? storage::SBCUR.length(SectorKind::Integer, 1)
                                       : 0;
  problem::DBUBLK(10 * mode + 103, n, 0);

  LoadedUnit& loaded = UNITWK;
  loaded.unit = n;
  loaded.block = problem::ENTCUR.pointer;
  loaded.words = problem::ENTCUR.length;
  loaded.record = record;
  loaded.recordWords = recordWords;
  const auto recordWord = [&](std::int32_t k) {
    return record == NOCORE || k > recordWords ? 0 : storage::CORSTO[record + k];
  };
  itype = recordWord(1);
  const std::int32_t word3 = recordWord(3);
  loaded.digits(1) = word3 / 100 % 10;
  loaded.digits(2) = word3 / 10 % 10;
  loaded.digits(3) = word3 % 10;
  loaded.gprWord = problem::GPRTAB.integers(kGprWord);

  // The system sectors of the loaded image, each when it lies within the words loaded.
  const auto& image = storage::SBCUR;
  const std::int32_t systems =
      std::min<std::int32_t>(image.count(SectorKind::System), kSystemSectors);
  for (std::int32_t s = 1; s <= static_cast<std::int32_t>(kSystemSectors); ++s) {
    loaded.systemStart(static_cast<std::size_t>(s)) = NOCORE;
    loaded.systemLength(static_cast<std::size_t>(s)) = 0;
    if (s > systems) continue;
    const std::int32_t offset =
        image.offsets(storage::kindIndex(SectorKind::System))(static_cast<std::size_t>(s));
    const std::int32_t length = std::max(image.length(SectorKind::System, s), 0);
    if (offset < 0 || std::int64_t{offset} + length > loaded.words) continue;
    loaded.systemStart(static_cast<std::size_t>(s)) = loaded.block + offset;
    loaded.systemLength(static_cast<std::size_t>(s)) = length;
  }
  loaded.sides = storedCount(1);
  loaded.feeds = storedCount(2);
  loaded.products = storedCount(3);
}

services::FixedText<16> PAUTYP(std::string_view id) {
  services::FixedText<16> name(kNotApplicable);
  const std::int32_t n = PAUNID(id);
  if (n == 0) return name;
  if (const TypeNames* names = namesOf(problem::KUNTYC(n))) name.assign(names->type);
  return name;
}

services::FixedText<16> PAUCLS(std::string_view id) {
  services::FixedText<16> name(kNotApplicable);
  const std::int32_t n = PAUNID(id);
  if (n == 0) return name;
  const std::int32_t code = problem::KUNTYC(n);
  const TypeNames* names = namesOf(code);
  if (names == nullptr) return name;
  name.assign(names->cls);
  if (code == kColumnType) {
    std::int32_t algorithm = 0;
    if (nestedInteger("Colu", "AlgorithmType", id, algorithm) == kOk &&
        algorithm == kLiquidExtractor) {
      name.assign("Llex");
    }
  }
  return name;
}

std::int32_t PASTNO(std::int32_t n) {
  const services::FixedText<12> id = problem::ISRID(n);
  std::int32_t word = 0;
  std::memcpy(&word, id.data(), sizeof word);
  return word;
}

std::int32_t PAUDIG(std::int32_t isel, std::int32_t idx, std::span<const std::int32_t> rec,
                    std::int32_t /*nrec*/, std::int32_t& ierr) {
  ierr = 1;
  if (idx < 1 || 4 * static_cast<std::size_t>(idx) > rec.size()) return 0;
  const auto at = [&](std::size_t w) { return rec[4 * static_cast<std::size_t>(idx - 1) + w - 1]; };
  const std::int32_t w1 = at(1);
  const std::int32_t w3 = at(3);
  static constexpr std::array<std::int32_t, 6> kDigitPlaces{1000000, 100000, 10000, 1000, 100, 1};
  std::int32_t result = 0;
  if (isel == 1) {
    result = w1 / 100000000 % 10;
  } else if (isel == 2) {
    result = w1 / 10000 % 10000;
  } else if (isel == 3) {
    result = w1 % 10000;
  } else if (isel == 4) {
    result = at(2);
  } else if (isel >= 5 && isel <= 10) {
    result = w3 / kDigitPlaces[static_cast<std::size_t>(isel - 5)] % 10;
  } else if (isel == 11) {
    result = at(4);
  } else {
    return 0;
  }
  ierr = 0;
  return result;
}

std::int32_t& decodedRealSector() { return decodedSector; }

std::int32_t PAIMAP() {
  const std::int32_t s = decodedSector;
  const auto& reals = problem::PAUWRK.context3.reals;
  if (s < 1 || s > static_cast<std::int32_t>(problem::kUnitBlockSectors)) return 0;
  const std::int32_t first = reals.pointers(1);
  const std::int32_t sector = reals.pointers(static_cast<std::size_t>(s));
  if (first == NOCORE || sector == NOCORE) return 0;
  return sector - first;
}

double headerReal(std::int32_t w, std::int32_t e) {
  if (!holds(w) || e < 1) return RMISS;
  const std::int64_t first = std::int64_t{blockWord(w)} + 2 * std::int64_t{e} - 1;
  if (!holds(first) || !holds(first + 1)) return RMISS;
  const auto low = static_cast<std::uint32_t>(blockWord(first));
  const auto high = static_cast<std::uint32_t>(blockWord(first + 1));
  return std::bit_cast<double>((std::uint64_t{high} << 32) | low);
}

std::int32_t headerInteger(std::int32_t w, std::int32_t e) {
  if (!holds(w) || e < 1) return IMISS;
  const std::int64_t k = std::int64_t{blockWord(w)} + e;
  return holds(k) ? blockWord(k) : IMISS;
}

std::int32_t systemElement(std::int32_t sector, std::int32_t e) {
  if (UNITWK.unit == 0 || sector < 1 || sector > static_cast<std::int32_t>(kSystemSectors)) {
    return IMISS;
  }
  const auto s = static_cast<std::size_t>(sector);
  if (UNITWK.systemStart(s) == NOCORE || e < 1 || e > UNITWK.systemLength(s)) return IMISS;
  return storage::CORSTO[UNITWK.systemStart(s) + e];
}

std::int32_t feedStream(std::int32_t k) { return listStream(kFeedListSector, k); }
std::int32_t productStream(std::int32_t k) { return listStream(kProductListSector, k); }

std::int32_t findUnit(Request& request, std::span<const std::int32_t> types,
                      std::string_view typeText) {
  const std::int32_t n = PAUNID(request.id);
  if (n == 0) {
    printLine(" INVALID UNIT ID: " + columns(request.id, 12));
    request.ierr = kRefused;
    return 0;
  }
  if (std::find(types.begin(), types.end(), problem::KUNTYC(n)) == types.end()) {
    printLine(" UNIT ID: " + columns(request.id, 12) + std::string(typeText));
    request.ierr = kRefused;
    return 0;
  }
  return n;
}

}  // namespace api_access
