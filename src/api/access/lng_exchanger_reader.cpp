// The reader of class "LngHx": overall duty, zone results and the per-cell temperatures,
// pressures, duties and types of a multi-stream exchanger (unit type 20002).
//
// Stored places (see unit_access.hpp):
//   H121   (1) overall duty, (5) zone MITA, (4) zone UA, (3) zone LMTD
//   IH104  (8) and (9) the numbers of hot and cold feeds, (10) the number of cells
//   H124(c), H126(c), IH105(c)   cell c's outlet temperature, duty and type
//   C(6c - 5), C(6c - 4), C(6c - 1)   cell c's passes, and the positions before its inlets
//          in the feed list and its outlets in the product list (stream connections)
// Entries are filled pass by pass, cell after cell, at most 50; an entry whose list
// position lies outside its list, or whose stream has no record, keeps zeros.
#include <algorithm>
#include <array>
#include <cstdint>

#include "api/access/data_requests.hpp"
#include "api/access/readers.hpp"
#include "api/access/unit_access.hpp"
#include "api/access/unit_reading.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace api_access {
namespace {

constexpr std::int32_t kLngType = 20002;
constexpr std::int32_t kZone = 121;
constexpr std::int32_t kCounts = 104;
constexpr std::int32_t kCellTypes = 105;
constexpr std::int32_t kOutletTemperatures = 124;
constexpr std::int32_t kDuties = 126;
constexpr std::int32_t kConnectionSector = 23;
constexpr std::int32_t kMostEntries = 50;

struct LngTables {
  std::array<double, 4> zone{};
  std::array<double, kMostEntries> inletT{}, outletT{}, inletP{}, outletP{}, duty{};
  std::array<std::int32_t, kMostEntries> type{};
  std::int32_t hotFeeds = 0;
  std::int32_t coldFeeds = 0;
  std::int32_t cells = 0;    // stored
  std::int32_t entries = 0;  // filled
};

std::int32_t storedInteger(std::int32_t w, std::int32_t e) {
  const std::int32_t v = headerInteger(w, e);
  return v == services::IMISS ? 0 : v;
}

void PALNGD(LngTables& t) {
  t.zone = {headerReal(kZone, 1), headerReal(kZone, 5), headerReal(kZone, 4), headerReal(kZone, 3)};
  t.hotFeeds = storedInteger(kCounts, 8);
  t.coldFeeds = storedInteger(kCounts, 9);
  t.cells = storedInteger(kCounts, 10);
  for (std::int32_t c = 1; c <= t.cells && t.entries < kMostEntries; ++c) {
    const std::int32_t passes = std::max(systemElement(kConnectionSector, 6 * c - 5), 0);
    const std::int32_t inlets = systemElement(kConnectionSector, 6 * c - 4);
    const std::int32_t outlets = systemElement(kConnectionSector, 6 * c - 1);
    for (std::int32_t j = 1; j <= passes && t.entries < kMostEntries; ++j) {
      const auto n = static_cast<std::size_t>(t.entries++);
      t.type[n] = storedInteger(kCellTypes, c);
      t.outletT[n] = headerReal(kOutletTemperatures, c);
      t.duty[n] = headerReal(kDuties, c);
      // feedStream and productStream give 0 outside their lists.
      const std::int32_t in = inlets == services::IMISS ? 0 : feedStream(inlets + j);
      const std::int32_t out = outlets == services::IMISS ? 0 : productStream(outlets + j);
      if (makeStreamCurrent(in)) {
        t.inletT[n] = currentStreamReal(1);
        t.inletP[n] = currentStreamReal(2);
      }
      if (streamHasRecord(out)) {
        problem::SRSETT(out);
        t.outletP[n] = storage::CORSTO.real(problem::SRPSET.set1.realSector1 + 2);
      }
      if (in > 0) problem::SRFREE(in, 0);
      if (out > 0) problem::SRFREE(out, 0);
    }
  }
}

struct CellAttribute {
  std::string_view attr;
  std::int32_t cls;
  const std::array<double, kMostEntries> LngTables::*values;
};
constexpr std::array<CellAttribute, 5> kCellAttributes{{
    {"CellInletTempCalc", 1, &LngTables::inletT},
    {"CellOutletTempCalc", 1, &LngTables::outletT},
    {"CellInletPresCalc", 4, &LngTables::inletP},
    {"CellOutletPresCalc", 4, &LngTables::outletP},
    {"CellDutyCalc", 26, &LngTables::duty},
}};
constexpr std::array<SlotAttribute, 4> kZoneAttributes{{
    {"OverallDuty", 26, 1},
    {"ZoneMITA", 2, 2},
    {"ZoneUA", 38, 3},
    {"ZoneLMTD", 2, 4},
}};

}  // namespace

void PALNGH(Request& request) {
  const std::array<std::int32_t, 1> types{kLngType};
  const RequestedUnit unit(request, types, " IS NOT LNGHX UNIT OP", kLoadData);
  if (!unit.found()) return;
  LngTables t;
  PALNGD(t);
  request.count = 1;
  request.elen = 4;
  request.setType(ValueType::Real);
  // The per-cell attributes: the first n entries, at most those filled.
  const std::int32_t n = std::clamp(t.cells, 0, t.entries);

  bool matched = true;
  if (answerFromSlots(request, kZoneAttributes, t.zone)) {
  } else if (request.is("NumberOfCells")) {
    answerInteger(request, t.cells);
  } else if (request.is("NumberHotFeeds")) {
    answerInteger(request, t.hotFeeds);
  } else if (request.is("NumberColdFeeds")) {
    answerInteger(request, t.coldFeeds);
  } else if (request.is("CellType")) {
    answerInteger(request, 0);
    request.count = n;
    for (std::int32_t k = 1; k <= n; ++k)
      request.setInteger(k, t.type[static_cast<std::size_t>(k - 1)]);
  } else {
    matched = false;
    for (const CellAttribute& a : kCellAttributes) {
      if (!request.is(a.attr)) continue;
      matched = true;
      request.iucls = a.cls;
      request.count = n;
      const auto& values = t.*(a.values);
      for (std::int32_t k = 1; k <= n; ++k) {
        request.setReal(
            k, services::UOMCNV(values[static_cast<std::size_t>(k - 1)], a.cls, 1, request.iunset));
      }
    }
  }
  if (!matched) attributeNotSupported(request, " FOR LNGHX");
  if (request.type == static_cast<std::int32_t>(ValueType::Real)) request.nullMissing();
}

}  // namespace api_access
