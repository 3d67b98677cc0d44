// The reader of the classes "Llex", "Colu" and "Side": a rigorous column, a column run as a
// liquid-liquid extractor, or a side stripper (unit types 120001 and 120002). It decodes the
// column's configuration (PACOLD) and answers it; every other attribute goes on to the tray
// readers (tray_readers.cpp).
//
// Stored places (unit_access.hpp): IH491 the control integers (4 trays, 5-9 the numbers of
// feed trays, draw trays, decanters, pump-arounds and heaters, 41 the algorithm code, 53 and
// 56 two words kept with the configuration, 59 the feed-separate flag, 61 the condenser type,
// 62 and 236 the reboiler words, 75 and 76 the key pairs packed 10000 first + second, 231 the
// heat-loss flag); IH368 feed words, IH495 decanter trays, IH497 heater words, IH539 and
// IH540 pump-around words; H856 the decanters' values, three per decanter, the draw rate
// first; H858 heater duties, H961 pump-around rates, H970 heat losses per tray.
//
// Stored counts are cut at the capacities of the configuration lists (20 feeds, 10 draws,
// 10 decanters, 300 heaters, pump-arounds and trays); a negative count gives COUNT 0.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "api/access/access.hpp"
#include "api/access/column_readers.hpp"
#include "api/access/data_requests.hpp"
#include "api/access/header_sectors.hpp"
#include "api/access/readers.hpp"
#include "api/access/unit_access.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace api_access {
namespace {

using services::IMISS;
using storage::SectorKind;

constexpr std::int32_t kSideStripperType = 120002;
constexpr std::int32_t kDuty = 26;
constexpr std::int32_t kMolarFlow = 31;
constexpr double kMissingBelow = -1.0e35;
constexpr std::int32_t kPacked = 10000;

// Header words of the column's sectors.
namespace at {
constexpr std::int32_t kControl = 491;
constexpr std::int32_t kFeeds = 368;
constexpr std::int32_t kDecanterTrays = 495;
constexpr std::int32_t kHeaters = 497;
constexpr std::int32_t kPumpFrom = 539;
constexpr std::int32_t kPumpTo = 540;
constexpr std::int32_t kDecanterValues = 856;
constexpr std::int32_t kHeaterDuties = 858;
constexpr std::int32_t kPumpRates = 961;
constexpr std::int32_t kHeatLosses = 970;
}  // namespace at

// Words of the control integers.
namespace word {
constexpr std::int32_t kTrays = 4;
constexpr std::int32_t kFeedTrays = 5;
constexpr std::int32_t kDrawTrays = 6;
constexpr std::int32_t kDecanters = 7;
constexpr std::int32_t kPumpArounds = 8;
constexpr std::int32_t kHeaterCount = 9;
constexpr std::int32_t kAlgorithm = 41;
constexpr std::int32_t kWord53 = 53;
constexpr std::int32_t kWord56 = 56;
constexpr std::int32_t kFeedSeparate = 59;
constexpr std::int32_t kCondenser = 61;
constexpr std::int32_t kReboiler = 62;
constexpr std::int32_t kLightKeys = 75;
constexpr std::int32_t kHeavyKeys = 76;
constexpr std::int32_t kUnitLimit = 93;
constexpr std::int32_t kHeatLossFlag = 231;
constexpr std::int32_t kReboilerKind = 236;
}  // namespace word

constexpr std::int32_t kValuesPerDecanter = 3;
constexpr std::array<std::int32_t, 10> kDrawPhase{0, 2, 1, 2, 1, 1, 1, 2, 1, 0};

// The configuration of one request; kept with the reader so that a request allocates nothing.
ColumnConfiguration config;

std::int32_t orZero(std::int32_t v) { return v == IMISS ? 0 : v; }
double realOrZero(double v) { return v <= kMissingBelow ? 0.0 : v; }

// Algorithm type from the stored code: 3 1 4 6 7 8 give 1 to 6, any other 1.
std::int32_t algorithmType(std::int32_t code) {
  constexpr std::array<std::int32_t, 6> kCodes{3, 1, 4, 6, 7, 8};
  const auto found = std::find(kCodes.begin(), kCodes.end(), code);
  return found == kCodes.end() ? 1 : static_cast<std::int32_t>(found - kCodes.begin()) + 1;
}

// The host positions of the two components of a packed pair; 0 for a word that is missing
// or not positive. A component outside 1..NC gives 0 and false.
bool keyPair(std::int32_t packed, std::array<std::int32_t, 2>& keys) {
  keys = {0, 0};
  if (packed == IMISS || packed <= 0) return true;
  bool found = true;
  const std::array<std::int32_t, 2> c{packed / kPacked, packed % kPacked};
  for (std::size_t k = 0; k < 2; ++k) {
    std::int32_t p = 0;
    if (c[k] >= 1 && c[k] <= PAIDTB.ncomp) problem::SLTIDX(c[k], 1, p);
    if (p < 1 || p > PAIDTB.ncomp) {
      found = false;
      p = 0;
    }
    keys[k] = p;
  }
  return found;
}

}  // namespace

void PACOLK(std::int32_t n, const LoadedSector& control, std::int32_t& word56,
            std::int32_t& word53) {
  word56 = 0;
  word53 = 0;
  const std::span<std::int32_t> first = loadedIntegers(1);
  if (first.size() >= static_cast<std::size_t>(word::kUnitLimit) &&
      n > first[static_cast<std::size_t>(word::kUnitLimit - 1)]) {
    return;
  }
  word56 = orZero(control.integer(word::kWord56));
  const std::int32_t digit = orZero(control.integer(word::kAlgorithm)) % 10;
  if (digit >= 1 && digit <= 8) word53 = orZero(control.integer(word::kWord53));
}

void PACOLD(std::int32_t n, ColumnConfiguration& c) {
  c = ColumnConfiguration{};
  const LoadedSector control = LoadedSector::atWord(SectorKind::Integer, at::kControl);
  const LoadedSector feeds = LoadedSector::atWord(SectorKind::Integer, at::kFeeds);
  const LoadedSector decanters = LoadedSector::atWord(SectorKind::Integer, at::kDecanterTrays);
  const LoadedSector heaters = LoadedSector::atWord(SectorKind::Integer, at::kHeaters);
  const LoadedSector from = LoadedSector::atWord(SectorKind::Integer, at::kPumpFrom);
  const LoadedSector to = LoadedSector::atWord(SectorKind::Integer, at::kPumpTo);
  const LoadedSector decanterValues = LoadedSector::atWord(SectorKind::Real, at::kDecanterValues);
  const LoadedSector duties = LoadedSector::atWord(SectorKind::Real, at::kHeaterDuties);
  const LoadedSector rates = LoadedSector::atWord(SectorKind::Real, at::kPumpRates);
  const LoadedSector losses = LoadedSector::atWord(SectorKind::Real, at::kHeatLosses);
  const auto stored = [&](std::int32_t w) { return orZero(control.integer(w)); };

  c.trays = stored(word::kTrays);
  c.storedCounts = {stored(word::kFeedTrays), stored(word::kDrawTrays), stored(word::kDecanters),
                    stored(word::kPumpArounds), stored(word::kHeaterCount)};
  const auto capped = [](std::int32_t v, std::size_t capacity) {
    return std::clamp(v, 0, static_cast<std::int32_t>(capacity));
  };

  // 1. Feed trays.
  c.feedCount = capped(UNITWK.feeds, c.feedTrays.size());
  for (std::int32_t k = 1; k <= c.feedCount; ++k) {
    c.feedTrays[static_cast<std::size_t>(k - 1)] = orZero(feeds.integer(k)) / kPacked % kPacked;
  }
  // 2. Draw trays and phases from the product list.
  c.drawCount = capped(UNITWK.products, c.drawTrays.size());
  for (std::int32_t k = 1; k <= c.drawCount; ++k) {
    const std::int32_t w = std::max(orZero(systemElement(12, k)), 0);
    c.drawTrays[static_cast<std::size_t>(k - 1)] = w / kPacked % kPacked;
    c.drawPhases[static_cast<std::size_t>(k - 1)] =
        kDrawPhase[static_cast<std::size_t>(w / 100000000 % 10)];
  }
  // 3. Heaters.
  c.heaterCount = capped(c.storedCounts[4], c.heaterTrays.size());
  for (std::int32_t k = 1; k <= c.heaterCount; ++k) {
    const auto i = static_cast<std::size_t>(k - 1);
    c.heaterTrays[i] = orZero(heaters.integer(k)) / kPacked % kPacked;
    c.heaterDuties[i] = realOrZero(duties.real(k));
  }
  // 4. Decanters: three values each, the draw rate first.
  c.decanterCount = capped(c.storedCounts[2], c.decanterTrays.size());
  const std::int32_t withValues = decanterValues.length() / kValuesPerDecanter;
  for (std::int32_t k = 1; k <= c.decanterCount; ++k) {
    const auto i = static_cast<std::size_t>(k - 1);
    c.decanterTrays[i] = orZero(decanters.integer(k));
    if (k <= withValues) {
      c.decanterRates[i] = realOrZero(decanterValues.real(kValuesPerDecanter * (k - 1) + 1));
    }
  }
  // 5. Pump-arounds.
  c.pumpCount = capped(c.storedCounts[3], c.pumpFrom.size());
  for (std::int32_t k = 1; k <= c.pumpCount; ++k) {
    const auto i = static_cast<std::size_t>(k - 1);
    const std::int32_t fromWord = std::max(orZero(from.integer(k)), 0);
    c.pumpFrom[i] = fromWord % kPacked;
    c.pumpTo[i] = std::max(orZero(to.integer(k)), 0) % kPacked;
    c.pumpPhases[i] = 1 + fromWord / kPacked % 2;
    c.pumpRates[i] = realOrZero(rates.real(k));
  }
  // 6. Codes.
  c.algorithm = algorithmType(stored(word::kAlgorithm));
  c.feedSeparate = stored(word::kFeedSeparate);
  c.condenser = stored(word::kCondenser);
  const std::int32_t kind = stored(word::kReboilerKind);
  const std::int32_t reboiler = stored(word::kReboiler);
  c.reboiler = kind == 2 ? 4 : kind == 1 ? 3 : reboiler == 2 ? 2 : reboiler == 1 ? 1 : 0;
  c.keysFound = keyPair(control.integer(word::kLightKeys), c.lightKeys);
  c.keysFound = keyPair(control.integer(word::kHeavyKeys), c.heavyKeys) && c.keysFound;
  PACOLK(n, control, c.word56, c.word53);

  // Condenser and reboiler duties from the heaters on trays 1 and NT; the last one wins.
  for (std::int32_t k = 1; k <= c.heaterCount; ++k) {
    const auto i = static_cast<std::size_t>(k - 1);
    if (c.condenser != 0 && c.heaterTrays[i] == 1) c.condenserDuty = c.heaterDuties[i];
    if (c.reboiler != 0 && c.heaterTrays[i] == c.trays) c.reboilerDuty = c.heaterDuties[i];
  }
  // Heat losses per tray.
  c.lossCount = capped(c.trays, c.heatLosses.size());
  if (stored(word::kHeatLossFlag) == 1) {
    for (std::int32_t t = 1; t <= c.lossCount; ++t) {
      c.heatLosses[static_cast<std::size_t>(t - 1)] = realOrZero(losses.real(t));
      c.lossTotal += c.heatLosses[static_cast<std::size_t>(t - 1)];
    }
  }
}

namespace {

void integers(Request& request, std::span<const std::int32_t> values, std::int32_t count) {
  request.count = std::max(count, 0);
  for (std::int32_t k = 1; k <= request.count; ++k) {
    request.setInteger(k, values[static_cast<std::size_t>(k - 1)]);
  }
}

void reals(Request& request, std::span<const double> values, std::int32_t count, std::int32_t cls) {
  request.setType(ValueType::Real);
  request.iucls = cls;
  request.count = std::max(count, 0);
  for (std::int32_t k = 1; k <= request.count; ++k) {
    request.setReal(
        k, services::UOMCNV(values[static_cast<std::size_t>(k - 1)], cls, 1, request.iunset));
  }
}

// The configuration attributes; false when ATTR is not one of them.
bool configuration(Request& request, const ColumnConfiguration& c) {
  const auto one = [&](std::int32_t v) { request.setInteger(1, v); };
  if (request.is("NumberOfTrays")) {
    one(c.trays);
  } else if (request.is("AlgorithmType")) {
    one(c.algorithm);
  } else if (request.is("FeedSeparateFlag")) {
    one(c.feedSeparate);
  } else if (request.is("NumberFeedTrays")) {
    one(c.storedCounts[0]);
  } else if (request.is("NumberDrawTrays")) {
    one(c.storedCounts[1]);
  } else if (request.is("NumberDecantTrays")) {
    one(c.storedCounts[2]);
  } else if (request.is("NumberOfPumpArounds")) {
    one(c.storedCounts[3]);
  } else if (request.is("NumberOfHeaters")) {
    one(c.storedCounts[4]);
  } else if (request.is("CondenserType")) {
    one(c.condenser);
  } else if (request.is("ReboilerType")) {
    one(c.reboiler);
  } else if (request.is("LtKeyComponents") || request.is("HvyKeyComponents")) {
    integers(request, request.is("LtKeyComponents") ? c.lightKeys : c.heavyKeys, 2);
    if (!c.keysFound) request.ierr = kRefused;
  } else if (request.is("FeedTrays")) {
    integers(request, c.feedTrays, std::min<std::int32_t>(c.storedCounts[0], kMostFeeds));
  } else if (request.is("DrawTrays")) {
    integers(request, c.drawTrays, std::min<std::int32_t>(c.storedCounts[1], kMostDraws));
  } else if (request.is("DrawPhase")) {
    integers(request, c.drawPhases, std::min<std::int32_t>(c.storedCounts[1], kMostDraws));
  } else if (request.is("DecantTrays")) {
    integers(request, c.decanterTrays, c.decanterCount);
  } else if (request.is("HeaterTrays")) {
    integers(request, c.heaterTrays, c.heaterCount);
  } else if (request.is("PumpAroundTrayFrom")) {
    integers(request, c.pumpFrom, c.pumpCount);
  } else if (request.is("PumpAroundTrayTo")) {
    integers(request, c.pumpTo, c.pumpCount);
  } else if (request.is("PumpAroundPhase")) {
    integers(request, c.pumpPhases, c.pumpCount);
  } else if (request.is("PumpAroundRate")) {
    reals(request, c.pumpRates, c.pumpCount, kMolarFlow);
  } else if (request.is("DecantDrawRate")) {
    reals(request, c.decanterRates, c.decanterCount, kMolarFlow);
  } else if (request.is("HeaterDuties")) {
    reals(request, c.heaterDuties, c.heaterCount, kDuty);
  } else if (request.is("CondenserDuty")) {
    reals(request, std::span(&c.condenserDuty, 1), 1, kDuty);
  } else if (request.is("ReboilerDuty")) {
    reals(request, std::span(&c.reboilerDuty, 1), 1, kDuty);
  } else if (request.is("QLossData")) {
    reals(request, c.heatLosses, c.lossCount, kDuty);
  } else if (request.is("QLossTotal")) {
    reals(request, std::span(&c.lossTotal, 1), 1, kDuty);
  } else {
    return false;
  }
  return true;
}

}  // namespace

const ColumnConfiguration& columnConfiguration() { return config; }

void PACOLU(Request& request) {
  const std::array<std::int32_t, 2> types{kColumnType, kSideStripperType};
  const std::int32_t n = findUnit(request, types, " IS NOT COLUMN OR SIDE UNIT OP");
  if (n == 0) return;
  std::int32_t itype = 0;
  PAULOD(n, kLoadWhole, itype);
  PACOLD(n, config);
  request.elen = 4;
  request.count = 1;
  request.setType(ValueType::Integer);
  request.iucls = kNoUnit;
  if (!configuration(request, config)) {
    if (config.algorithm == kLiquidExtractorAlgorithm) {
      PALLEX(request, config.trays);
    } else {
      PATRAY(request, n, config.trays);
    }
  }
  request.nullMissing();
  problem::UNFREE(n, 0);
}

}  // namespace api_access
