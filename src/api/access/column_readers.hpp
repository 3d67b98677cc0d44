// The column reader's configuration and the tray readers it hands its other attributes to.
// Private to the problem-access layer; the class readers are in readers.hpp.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "api/access/data_requests.hpp"
#include "api/access/header_sectors.hpp"

namespace api_access {

// Capacities of the configuration lists and of the tray tables.
inline constexpr std::int32_t kMostFeeds = 20;
inline constexpr std::int32_t kMostDraws = 10;
inline constexpr std::int32_t kMostDecanters = 10;
inline constexpr std::int32_t kMostTrays = 300;
inline constexpr std::int32_t kMostTrayComponents = 300;
// The algorithm type of a liquid-liquid extractor.
inline constexpr std::int32_t kLiquidExtractorAlgorithm = 4;
// The integer of table GCL that says whether the tray compositions and properties were
// stored by the simulator (above 0) or are evaluated from the profiles (0 or below).
inline constexpr std::size_t kTrayDataSwitch = 26;

// The decoded configuration of one column request.
struct ColumnConfiguration {
  std::int32_t trays = 0;  // NT as stored
  // Stored numbers of feed trays, draw trays, decanters, pump-arounds and heaters.
  std::array<std::int32_t, 5> storedCounts{};
  std::int32_t feedCount = 0, drawCount = 0, decanterCount = 0, heaterCount = 0, pumpCount = 0,
               lossCount = 0;  // entries filled
  std::array<std::int32_t, kMostFeeds> feedTrays{};
  std::array<std::int32_t, kMostDraws> drawTrays{};
  std::array<std::int32_t, kMostDraws> drawPhases{};
  std::array<std::int32_t, kMostDecanters> decanterTrays{};
  std::array<double, kMostDecanters> decanterRates{};
  std::array<std::int32_t, kMostTrays> heaterTrays{};
  std::array<double, kMostTrays> heaterDuties{};
  std::array<std::int32_t, kMostTrays> pumpFrom{};
  std::array<std::int32_t, kMostTrays> pumpTo{};
  std::array<std::int32_t, kMostTrays> pumpPhases{};
  std::array<double, kMostTrays> pumpRates{};
  std::array<double, kMostTrays> heatLosses{};
  double lossTotal = 0.0;
  double condenserDuty = 0.0;
  double reboilerDuty = 0.0;
  std::int32_t algorithm = 1;
  std::int32_t feedSeparate = 0;
  std::int32_t condenser = 0;
  std::int32_t reboiler = 0;
  std::array<std::int32_t, 2> lightKeys{};  // host positions, 0: none
  std::array<std::int32_t, 2> heavyKeys{};
  bool keysFound = true;                // false when a key names no component
  std::int32_t word56 = 0, word53 = 0;  // PACOLK
};

// PACOLD: decodes the configuration of the loaded column N into C.
void PACOLD(std::int32_t n, ColumnConfiguration& c);

// PACOLK: word 56 of the control integers, and word 53 when the last digit of the algorithm
// code is 1 to 8; both 0 when N exceeds word 93 of the loaded block's first integer item.
void PACOLK(std::int32_t n, const LoadedSector& control, std::int32_t& word56,
            std::int32_t& word53);

// The configuration of the last column request.
const ColumnConfiguration& columnConfiguration();

// The tray readers, called by PACOLU with the column loaded and NT as stored.
//   PALLEX  an extractor's tray pressures, temperatures and liquid-1 and liquid-2 rates
//   PATRAY  tray pressures, temperatures and rates; then PATRYX
//   PATRYX  tray compositions and K-values; then PATRPR
//   PATRPR  tray phase properties
void PALLEX(Request& request, std::int32_t nt);
void PATRAY(Request& request, std::int32_t n, std::int32_t nt);
void PATRYX(Request& request, std::int32_t n, std::int32_t nt);
void PATRPR(Request& request, std::int32_t n, std::int32_t nt);

// PATRYP: tray T's liquid (XY 1..NC) and vapour (XY NC+1..2NC) compositions in internal
// order and its K-values, from two temporary copies of the column's first feed filled with
// the tray's streams. A phase without net flow on the tray gives zeros. STATUS 1 (XY and K
// zero) when T is outside the loaded column's trays or its first feed names no stream.
void PATRYP(std::int32_t n, std::int32_t t, std::span<double> xy, std::span<double> k,
            std::int32_t& status);

// PATRPS: fills the stream current in set 1 with the vapour (IPH not 2) or liquid (IPH 2)
// leaving tray T of unit N: from the loaded block when N is the loaded unit (PATRPL), else
// from its stored block (PATRPK). KIND 0 the whole liquid, 6 liquid 1, 7 liquid 2; RATEOPT
// 2 the total rates, other the net rates. A phase without net flow on the loaded path
// replaces only the compositions.
void PATRPS(std::int32_t n, std::int32_t t, std::int32_t iph, std::int32_t kind,
            std::int32_t rateopt);
void PATRPL(std::int32_t n, std::int32_t t, std::int32_t iph, std::int32_t kind,
            std::int32_t rateopt);
void PATRPK(std::int32_t n, std::int32_t t, std::int32_t iph);

// TRYXYK, filled by PATRYX on the evaluated path for the request: 0 the liquid fractions, 1
// the vapour fractions, 2 the K-values, by tray and internal component.
using TrayTable = std::array<std::array<double, kMostTrayComponents>, kMostTrays>;
const TrayTable& trayCompositionTable(std::size_t which);

// PASRCK: true when stream number N is 0 or less or beyond the stream index.
bool PASRCK(std::int32_t n);

}  // namespace api_access
