// The reader of class "Short": condenser type, key components, sections, Fenske indices,
// Underwood results and the five-point tables of a shortcut column (unit type 110001).
//
// Stored places (see unit_access.hpp):
//   IH95   (43) the condenser type, (16) and (17) the light and heavy key (stored positions
//          of component list 1), (6) the number of sections
//   H126   the Fenske index of each section      H121   (1) minimum reflux, (2) feed
//                                                       quality, (3) minimum trays
//   H127 to H133   five points each: total trays, feed trays, reflux over minimum reflux,
//                  M over minimum M, reflux ratio, condenser and reboiler duty (kJ/h)
// The Underwood results exist only for one section and two keys.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "api/access/access.hpp"
#include "api/access/data_requests.hpp"
#include "api/access/readers.hpp"
#include "api/access/unit_access.hpp"
#include "api/access/unit_reading.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace api_access {
namespace {

constexpr std::int32_t kShortcutType = 110001;
constexpr std::int32_t kIntegers = 95;
constexpr std::int32_t kUnderwood = 121;
constexpr std::int32_t kFenske = 126;
constexpr std::int32_t kMostSections = 9;
constexpr std::int32_t kPoints = 5;
constexpr std::int32_t kDutyClass = 26;
constexpr std::size_t kSlots = 47;

struct ShortcutTables {
  std::int32_t condenser = 0;
  std::int32_t lightKey = 0;
  std::int32_t heavyKey = 0;
  std::int32_t sections = 0;
  bool underwood = false;
  std::array<double, kSlots> slots{};
};

std::int32_t notNegative(std::int32_t v) { return v == services::IMISS || v < 0 ? 0 : v; }

void PASHRD(ShortcutTables& t) {
  t.condenser = notNegative(headerInteger(kIntegers, 43));
  t.lightKey = notNegative(headerInteger(kIntegers, 16));
  t.heavyKey = notNegative(headerInteger(kIntegers, 17));
  t.sections = std::min(notNegative(headerInteger(kIntegers, 6)), kMostSections);
  for (std::int32_t s = 1; s <= t.sections; ++s) {
    t.slots[static_cast<std::size_t>(s - 1)] = headerReal(kFenske, s);
  }
  t.underwood = t.sections == 1 && t.lightKey > 0 && t.heavyKey > 0;
  if (!t.underwood) return;
  t.slots[9] = headerReal(kUnderwood, 1);
  t.slots[10] = headerReal(kUnderwood, 2);
  t.slots[46] = headerReal(kUnderwood, 3);
}

// The identifier of the key at stored position K: blank with IERR 1 when K is not a
// component of the problem.
void answerKey(Request& request, std::int32_t k) {
  request.count = 1;
  request.setType(ValueType::Text);
  std::int32_t p = 0;
  if (k >= 1 && k <= PAIDTB.ncomp) problem::SLTIDX(k, 1, p);
  if (p < 1 || p > PAIDTB.ncomp) {
    request.setText(1, "");
    request.ierr = kRefused;
    return;
  }
  request.elen = 16;
  request.setText(1, PAIDTB.componentId(static_cast<std::size_t>(p)).view());
}

struct PointTable {
  std::string_view attr;
  std::int32_t w;
  std::int32_t cls;
};
constexpr std::array<PointTable, 7> kPointTables{{
    {"TotalTrays", 127, kNoUnit},
    {"FeedTrays", 128, kNoUnit},
    {"RRMin", 129, kNoUnit},
    {"MMMin", 130, kNoUnit},
    {"RefluxRatio", 131, kNoUnit},
    {"CondDuty", 132, kDutyClass},
    {"ReboilDuty", 133, kDutyClass},
}};

constexpr std::array<SlotAttribute, 3> kUnderwoodResults{{
    {"MinimumReflux", kNoUnit, 10},
    {"FeedQuality", kNoUnit, 11},
    {"MinimumTrays", kNoUnit, 47},
}};

}  // namespace

void PASHRT(Request& request) {
  const std::array<std::int32_t, 1> types{kShortcutType};
  const RequestedUnit unit(request, types, " IS NOT SHORTCUT COLUMN", kLoadData);
  if (!unit.found()) return;
  ShortcutTables t;
  PASHRD(t);
  request.count = 1;
  request.elen = 4;
  request.setType(ValueType::Real);

  bool matched = true;
  if (request.is("CondenserType")) {
    answerInteger(request, t.condenser);
  } else if (request.is("LtKeyComponent")) {
    answerKey(request, t.lightKey);
  } else if (request.is("HvyKeyComponent")) {
    answerKey(request, t.heavyKey);
  } else if (request.is("NumberOfSections")) {
    answerInteger(request, t.sections);
  } else if (request.is("UnderwoodCalcFlag")) {
    answerInteger(request, t.underwood ? 1 : 0);
  } else if (request.is("FenskeIndex")) {
    request.iucls = kNoUnit;
    request.count = t.sections;
    for (std::int32_t s = 1; s <= t.sections; ++s) {
      request.setReal(s, t.slots[static_cast<std::size_t>(s - 1)]);
    }
  } else if (answerFromSlots(request, kUnderwoodResults, t.slots)) {
  } else {
    matched = false;
    for (const PointTable& p : kPointTables) {
      if (!request.is(p.attr)) continue;
      matched = true;
      request.iucls = p.cls;
      request.count = kPoints;
      for (std::int32_t k = 1; k <= kPoints; ++k) {
        const double v = headerReal(p.w, k);
        request.setReal(k, p.cls == kNoUnit ? v : services::UOMCNV(v, p.cls, 1, request.iunset));
      }
      // Values without the Underwood results behind them.
      if (!t.underwood) request.ierr = kRefused;
    }
  }
  if (!matched) attributeNotSupported(request, " FOR SHORTCUT COLUMN");
  if (request.type == static_cast<std::int32_t>(ValueType::Real)) request.nullMissing();
}

}  // namespace api_access
