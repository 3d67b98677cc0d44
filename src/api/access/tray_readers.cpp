// The tray readers of a column: per-tray pressures, temperatures and rates (PATRAY, and
// PALLEX for an extractor), per-tray compositions and K-values (PATRYX), the latter read as
// the simulator stored them or evaluated tray by tray (PATRYP) as integer 26 of table GCL
// says.
//
// Stored profiles (header words): H859 temperatures, H860 pressures, H861 and H862 net
// vapour and liquid rates, H863 and H864 total rates, H872, H873 and H874 the vapour and
// liquid mole fractions and K-values in rows of NC per tray (internal order), H880 and H881
// the extractor's net liquid-1 and liquid-2 rates. Lists are cut at 300 trays and at their
// sectors' lengths; an unmatched attribute gives COUNT 0.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "api/access/access.hpp"
#include "api/access/column_readers.hpp"
#include "api/access/data_requests.hpp"
#include "api/access/header_sectors.hpp"
#include "api/access/unit_access.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace api_access {
namespace {

using storage::SectorKind;

constexpr std::int32_t kTemperature = 1;
constexpr std::int32_t kPressure = 4;
constexpr std::int32_t kMolarFlow = 31;
constexpr double kMissingBelow = -1.0e35;
constexpr std::int32_t kHasRecord = 2;

struct Profile {
  std::string_view attr;
  std::int32_t word;
  std::int32_t cls;
};

constexpr std::array<Profile, 4> kExtractorProfiles{{{"TrayPressures", 860, kPressure},
                                                     {"TrayTemperatures", 859, kTemperature},
                                                     {"TrayNetLiq1Rates", 880, kMolarFlow},
                                                     {"TrayNetLiq2Rates", 881, kMolarFlow}}};
constexpr std::array<Profile, 6> kColumnProfiles{{{"TrayPressures", 860, kPressure},
                                                  {"TrayTemperatures", 859, kTemperature},
                                                  {"TrayNetVapRates", 861, kMolarFlow},
                                                  {"TrayNetLiqRates", 862, kMolarFlow},
                                                  {"TrayTotalVapRates", 863, kMolarFlow},
                                                  {"TrayTotalLiqRates", 864, kMolarFlow}}};

struct Composition {
  std::string_view attr;
  std::int32_t word;  // stored
  std::size_t table;  // evaluated
};
constexpr std::array<Composition, 3> kCompositions{
    {{"TrayLiquidMoleFracs", 873, 0}, {"TrayVaporMoleFracs", 872, 1}, {"TrayVleKValues", 874, 2}}};

// TRYXYK: liquid fractions, vapour fractions and K-values by tray and internal component,
// kept with the readers so that a request allocates nothing.
std::array<TrayTable, 3> TRYXYK;
std::array<double, 2 * kMostTrayComponents> trayXY;
std::array<double, kMostTrayComponents> trayK;

std::int32_t trayCount(std::int32_t nt) { return std::clamp(nt, 0, kMostTrays); }

// One profile converted, tray by tray.
void profile(Request& request, const Profile& p, std::int32_t nt) {
  const LoadedSector sector = LoadedSector::atWord(SectorKind::Real, p.word);
  request.iucls = p.cls;
  request.count = trayCount(nt);
  for (std::int32_t t = 1; t <= request.count; ++t) {
    const double v = sector.real(t);
    request.setReal(t, v <= kMissingBelow ? 0.0 : services::UOMCNV(v, p.cls, 1, request.iunset));
  }
}

template <std::size_t N>
const Profile* findProfile(const Request& request, const std::array<Profile, N>& profiles) {
  for (const Profile& p : profiles) {
    if (request.is(p.attr)) return &p;
  }
  return nullptr;
}

std::int32_t componentCount() { return std::clamp(PAIDTB.ncomp, 0, kMostTrayComponents); }

}  // namespace

void PALLEX(Request& request, std::int32_t nt) {
  request.setType(ValueType::Real);
  request.elen = 4;
  if (const Profile* p = findProfile(request, kExtractorProfiles)) {
    profile(request, *p, nt);
    return;
  }
  attributeNotSupported(request, " FOR LLEX UNIT");
}

void PATRAY(Request& request, std::int32_t n, std::int32_t nt) {
  request.setType(ValueType::Real);
  request.elen = 4;
  if (const Profile* p = findProfile(request, kColumnProfiles)) {
    profile(request, *p, nt);
    return;
  }
  PATRYX(request, n, nt);
}

void PATRYP(std::int32_t n, std::int32_t t, std::span<double> xy, std::span<double> k,
            std::int32_t& status) {
  std::fill(xy.begin(), xy.end(), 0.0);
  std::fill(k.begin(), k.end(), 0.0);
  status = 1;
  const std::span<std::int32_t> control = loadedIntegers(1);
  constexpr std::size_t kTraysWord = 4;
  if (t < 1 || control.size() < kTraysWord || t > control[kTraysWord - 1]) return;
  const std::int32_t feed = feedStream(1);
  if (feed < 1 || problem::ISRSTA(feed) < kHasRecord) return;
  status = 0;
  const std::int32_t nc =
      std::min({componentCount(), problem::COHDR(problem::cohdr::kStreamComponents),
                static_cast<std::int32_t>(xy.size() / 2), static_cast<std::int32_t>(k.size())});
  // Two copies of the first feed hold the tray's vapour and liquid.
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
  // A phase without net flow on the tray keeps zeros, not the copied feed's values.
  const storage::RealView netVapour = loadedReals(9);
  const storage::RealView netLiquid = loadedReals(10);
  const auto flowing = [&](const storage::RealView& rates) {
    return static_cast<std::size_t>(t) <= rates.size() &&
           rates[static_cast<std::size_t>(t - 1)] > 0.0;
  };
  {
    const problem::MainRecord l(problem::SRPSET.set2);
    if (flowing(netLiquid) && l.real(problem::srmain::kRate) > 0.0) {
      for (std::int32_t i = 1; i <= nc; ++i) {
        xy[static_cast<std::size_t>(i - 1)] = l.vector(problem::srmain::kLiquid, i);
      }
    }
  }
  problem::SRSET(vapour, 0);
  {
    const problem::MainRecord v(problem::SRPSET.set2);
    if (flowing(netVapour) && v.real(problem::srmain::kRate) > 0.0) {
      for (std::int32_t i = 1; i <= nc; ++i) {
        xy[static_cast<std::size_t>(nc + i - 1)] = v.vector(problem::srmain::kVapour, i);
      }
    }
  }
  // K = y / x; 0.0 where x is 0.0.
  for (std::int32_t i = 1; i <= nc; ++i) {
    const double x = xy[static_cast<std::size_t>(i - 1)];
    const double y = xy[static_cast<std::size_t>(nc + i - 1)];
    k[static_cast<std::size_t>(i - 1)] = services::RELCMP(x, 0.0) == 0 ? 0.0 : y / x;
  }
  problem::SRKILL(vapour);
  problem::SRKILL(liquid);
}

void PATRYX(Request& request, std::int32_t n, std::int32_t nt) {
  const Composition* match = nullptr;
  for (const Composition& c : kCompositions) {
    if (request.is(c.attr)) match = &c;
  }
  const std::int32_t trays = trayCount(nt);
  const std::int32_t nc = componentCount();
  const bool stored = problem::GCLTAB.integers(kTrayDataSwitch) > 0;
  if (!stored) {
    // The tables of every tray: the tray phase properties read them too.
    for (std::int32_t t = 1; t <= trays; ++t) {
      std::int32_t status = 0;
      PATRYP(n, t, trayXY, trayK, status);
      const auto row = static_cast<std::size_t>(t - 1);
      for (std::int32_t i = 0; i < nc; ++i) {
        const auto c = static_cast<std::size_t>(i);
        TRYXYK[0][row][c] = trayXY[c];
        TRYXYK[1][row][c] = trayXY[static_cast<std::size_t>(nc) + c];
        TRYXYK[2][row][c] = trayK[c];
      }
    }
  }
  if (match == nullptr) {
    PATRPR(request, n, nt);
    return;
  }
  request.iucls = kNoUnit;
  request.elen = 4;
  request.count =
      static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{nc} * trays, kMostValues));
  if (stored) {
    // As stored: internal order within each tray.
    const LoadedSector sector = LoadedSector::atWord(SectorKind::Real, match->word);
    for (std::int32_t j = 1; j <= request.count; ++j) {
      const double v = sector.real(j);
      request.setReal(j, v <= kMissingBelow ? 0.0 : v);
    }
    return;
  }
  // Evaluated: the host's order within each tray.
  const TrayTable& table = TRYXYK[match->table];
  for (std::int32_t t = 1; t <= trays; ++t) {
    for (std::int32_t k = 1; k <= nc; ++k) {
      const std::int32_t i = PAIDTB.componentPosition(static_cast<std::size_t>(k));
      const std::int64_t j = std::int64_t{t - 1} * nc + k;
      if (j > kMostValues) return;
      request.setReal(static_cast<std::int32_t>(j),
                      i >= 1 && i <= nc
                          ? table[static_cast<std::size_t>(t - 1)][static_cast<std::size_t>(i - 1)]
                          : 0.0);
    }
  }
}

const TrayTable& trayCompositionTable(std::size_t which) {
  return TRYXYK[std::min<std::size_t>(which, 2)];
}

}  // namespace api_access
