// The readers of classes "Flash" and "Valve": the calculated temperature, pressure and duty
// of the unit, and the K-values of the stream it is connected to.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "api/access/access.hpp"
#include "api/access/data_requests.hpp"
#include "api/access/readers.hpp"
#include "api/access/unit_access.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace api_access {
namespace {

// The value table of a reader: slots 1 to 3 the unit's results, 5 onward the K-values.
constexpr std::size_t kSlots = 304;
constexpr std::int32_t kFirstKValue = 5;
using ValueTable = std::array<double, kSlots>;

// Element of the stream-connection sector (system sector 23) that holds the connected
// stream, and the secondary-set stream vectors whose ratio is the K-value.
constexpr std::int32_t kConnectionSector = 23;
constexpr std::int32_t kConnectedStream = 6;
constexpr std::size_t kVapourVector = 1;  // real sector 3 of the main record
constexpr std::size_t kLiquidVector = 2;  // real sector 4
constexpr std::int32_t kHasRecord = 2;
constexpr std::int32_t kRead = 0;

struct ResultPlace {
  std::string_view attr;
  std::int32_t cls;  // unit class of UOMCNV
  std::int32_t element;
};

// One reader: its type, texts, header word and the places of its converted attributes.
struct UnitKind {
  std::int32_t type;
  std::string_view notThisType;
  std::string_view wording;
  std::int32_t headerWord;
  std::array<ResultPlace, 3> results;
  std::size_t resultCount;
};

constexpr UnitKind kFlash{kFlashType,
                          " IS NOT FLASH UNIT OP",
                          " FOR FLASH",
                          109,
                          {{{"TempCalc", services::kTemperatureClass, 4},
                            {"PresCalc", services::kPressureClass, 8},
                            {"DutyCalc", 26, 12}}},
                          3};
constexpr UnitKind kValve{
    kValveType,
    " IS NOT VALVE UNIT OP",
    " FOR VALVE",
    89,
    {{{"TempCalc", services::kTemperatureClass, 2}, {"PresCalc", services::kPressureClass, 4}, {}}},
    2};

// The value table is kept with the reader, so that a request allocates nothing.
ValueTable table;
void forgetTable() { table.fill(0.0); }
const bool kForgottenAtOpen = services::registerKeptValues(&forgetTable);

// The K-values y/x of the connected stream's phases, in internal component order: 1.0 where
// the liquid value is not positive. A connection that names no stream with a record leaves
// them 0.0.
void connectedKValues(ValueTable& values) {
  const std::int32_t stream = systemElement(kConnectionSector, kConnectedStream);
  if (stream == services::IMISS || problem::ISRSTA(stream) < kHasRecord) return;
  problem::SRSET(stream, kRead);
  const problem::StreamPointers& set = problem::SRPSET.set2;
  const std::int32_t nc = std::min({problem::COHDR(problem::cohdr::kComponents),
                                    problem::COHDR(problem::cohdr::kStreamComponents),
                                    static_cast<std::int32_t>(kSlots) - kFirstKValue + 1});
  for (std::int32_t i = 1; i <= nc; ++i) {
    const double y = storage::CORSTO.real(set.realSectors[kVapourVector] + i);
    const double x = storage::CORSTO.real(set.realSectors[kLiquidVector] + i);
    values[static_cast<std::size_t>(kFirstKValue + i - 2)] = x > 0.0 ? y / x : 1.0;
  }
}

// PAFLSD and PAVLVD: the unit's stored results and the connected stream's K-values.
void fetch(const UnitKind& kind, ValueTable& values) {
  for (std::size_t r = 0; r < kind.resultCount; ++r) {
    values[r] = headerReal(kind.headerWord, kind.results[r].element);
  }
  connectedKValues(values);
}

void read(Request& request, const UnitKind& kind) {
  const std::array<std::int32_t, 1> types{kind.type};
  const std::int32_t n = findUnit(request, types, kind.notThisType);
  if (n == 0) return;
  table.fill(0.0);
  std::int32_t itype = 0;
  PAULOD(n, kLoadData, itype);
  fetch(kind, table);
  request.count = 1;
  request.elen = 4;
  request.setType(ValueType::Real);

  bool matched = false;
  for (std::size_t r = 0; r < kind.resultCount && !matched; ++r) {
    const ResultPlace& place = kind.results[r];
    if (!request.is(place.attr)) continue;
    matched = true;
    request.iucls = place.cls;
    request.setReal(1, services::UOMCNV(table[r], place.cls, 1, request.iunset));
    // A calculated temperature or pressure the unit cannot have is damage, not a result.
    const bool missing = table[r] <= services::RMISS;
    if ((place.cls == services::kTemperatureClass && !missing && !plausibleTemperature(table[r])) ||
        (place.cls == services::kPressureClass && !missing && !plausiblePressure(table[r]))) {
      request.implausible(1);
    }
  }
  if (!matched && request.is("KValues")) {
    matched = true;
    request.iucls = kNoUnit;
    const std::int32_t nc =
        std::clamp(PAIDTB.ncomp, 0, static_cast<std::int32_t>(kSlots) - kFirstKValue + 1);
    request.count = nc;
    for (std::int32_t i = 1; i <= nc; ++i) {
      request.setReal(i, table[static_cast<std::size_t>(kFirstKValue + i - 2)]);
    }
  }
  if (!matched) attributeNotSupported(request, kind.wording);
  request.nullMissing();
  problem::UNFREE(n, 0);
}

}  // namespace

void PAFLSH(Request& request) { read(request, kFlash); }
void PAVALV(Request& request) { read(request, kValve); }

}  // namespace api_access
