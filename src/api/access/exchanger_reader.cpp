// The reader of class "Hx": terminal temperatures, duty, U, area, mean temperature
// difference, passes and pressure drops of a simple two-sided exchanger (unit type 20001),
// its stream counts, how it is used with a utility or attached to a column, and the K-values
// of its two products.
//
// Stored places (see unit_access.hpp):
//   H112   the results          IH96   the configuration words
//   C(k)   element k of the stream connections (system sector 23): C(1), C(4), C(7), C(10)
//          the numbers of hot feeds, hot products, cold feeds, cold products; C(3), C(6),
//          C(9), C(12) their first streams
// A stream flows when its total rate (element 11 of its real sector 1) is above 0.0.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
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

constexpr std::int32_t kResults = 112;
constexpr std::int32_t kConfiguration = 96;
constexpr std::int32_t kConnectionSector = 23;
constexpr std::int32_t kTemperature = 1;
constexpr std::int32_t kRate = 11;
constexpr std::int32_t kKValueSlots = 300;
constexpr std::int32_t kUtilityComponentFrom = 3;  // IH96(18) above: a utility component

// The four streams of the exchanger, in the order they are made current.
enum Side : std::size_t { kHotFeed, kHotProduct, kColdFeed, kColdProduct, kSides };
constexpr std::array<std::int32_t, kSides> kStreamElement{3, 6, 9, 12};

struct SideState {
  bool known = false;  // the stored number names a stream with a record
  bool flows = false;
};

// The tables of PAHXD and PAHXAT, kept on the stack of a request.
struct HxTables {
  std::array<double, 16> slots{};
  std::array<SideState, kSides> sides{};
  std::array<double, kKValueSlots> hotK{};
  std::array<double, kKValueSlots> coldK{};
  std::int32_t type = 0;
  std::int32_t side = 0;
  std::int32_t utilityFlag = 0;
  std::int32_t utilityComponent = 0;
  std::int32_t attachFlag = 0;
  std::int32_t attachTray = 0;
  std::int32_t attachedUnit = 0;
};

double& slot(HxTables& t, std::int32_t k) { return t.slots[static_cast<std::size_t>(k - 1)]; }

std::int32_t configuration(std::int32_t e) {
  const std::int32_t v = headerInteger(kConfiguration, e);
  return v == services::IMISS ? 0 : v;
}

// Makes the stream of SIDE current and notes whether it flows.
SideState current(Side side) {
  SideState s;
  s.known = makeStreamCurrent(systemElement(kConnectionSector, kStreamElement[side]));
  s.flows = s.known && currentStreamReal(kRate) > 0.0;
  return s;
}

void productKValues(Side side, std::span<double> out) {
  // A product that does not flow (or has no record) keeps 0.0 for every component.
  if (!current(side).flows) return;
  currentKValues(out);
}

void PAHXD(HxTables& t) {
  const double absent = services::DMISS;
  t.sides[kHotFeed] = current(kHotFeed);
  slot(t, 1) = t.sides[kHotFeed].flows ? currentStreamReal(kTemperature) : absent;
  t.sides[kHotProduct] = current(kHotProduct);
  slot(t, 2) = t.sides[kHotProduct].flows ? headerReal(kResults, 14) : absent;
  t.sides[kColdFeed] = current(kColdFeed);
  slot(t, 3) = t.sides[kColdFeed].flows ? currentStreamReal(kTemperature) : absent;
  t.sides[kColdProduct] = current(kColdProduct);
  slot(t, 4) = t.sides[kColdProduct].flows ? headerReal(kResults, 16) : absent;
  slot(t, 5) = headerReal(kResults, 2);
  slot(t, 6) = headerReal(kResults, 32);
  slot(t, 7) = headerReal(kResults, 34);
  slot(t, 8) = headerReal(kResults, 30);
  const bool feedsFlow = t.sides[kHotFeed].flows && t.sides[kColdFeed].flows;
  slot(t, 9) = feedsFlow ? headerReal(kResults, 40) : 0.0;
  slot(t, 10) = headerReal(kResults, 38);
  slot(t, 11) = headerInteger(kConfiguration, 21);
  slot(t, 12) = headerInteger(kConfiguration, 22);
  slot(t, 15) = headerReal(kResults, 44);
  slot(t, 16) = headerReal(kResults, 46);
  productKValues(kHotProduct, t.hotK);
  productKValues(kColdProduct, t.coldK);

  // The configuration words.
  if (configuration(17) >= 1) {
    t.type = 1;
    t.side = configuration(17);
    t.utilityFlag = configuration(18);
    if (configuration(18) > kUtilityComponentFrom) t.utilityComponent = configuration(19);
  } else if (configuration(23) > 0) {
    t.type = 2;
    t.side = configuration(23);
  }
  t.attachFlag = configuration(24);
  t.attachTray = configuration(34);
  t.attachedUnit = configuration(68);
}

// Which stream an attribute's value needs: the attributes that answer 0.0 with the warning
// status when that stored stream number names no stream.
struct Needs {
  std::string_view attr;
  std::array<Side, 2> sides;
};
constexpr std::array<Needs, 7> kNeeds{{
    {"HotFeedTempCalc", {kHotFeed, kHotFeed}},
    {"HotProdTempCalc", {kHotProduct, kHotProduct}},
    {"ColdFeedTempCalc", {kColdFeed, kColdFeed}},
    {"ColdProdTempCalc", {kColdProduct, kColdProduct}},
    {"MTDCalc", {kHotFeed, kColdFeed}},
    {"HotKValues", {kHotProduct, kHotProduct}},
    {"ColdKValues", {kColdProduct, kColdProduct}},
}};

void warnWhenLost(Request& request, const HxTables& t) {
  for (const Needs& n : kNeeds) {
    if (!request.is(n.attr)) continue;
    if (t.sides[n.sides[0]].known && t.sides[n.sides[1]].known) return;
    for (std::int32_t k = 1; k <= request.count; ++k) request.setReal(k, 0.0);
    request.ierr = kZeroRateWarning;
    return;
  }
}

constexpr std::array<SlotAttribute, 12> kReals{{
    {"HotFeedTempCalc", 1, 1},
    {"HotProdTempCalc", 1, 2},
    {"ColdFeedTempCalc", 1, 3},
    {"ColdProdTempCalc", 1, 4},
    {"DutyCalc", 26, 5},
    {"UValueCalc", 36, 6},
    {"AreaCalc", 12, 7},
    {"UACalc", 38, 8},
    {"MTDCalc", 2, 9},
    {"LMTDFactorCalc", 0, 10},
    {"HotDeltaP", 5, 15},
    {"ColdDeltaP", 5, 16},
}};

// The 16-character identifier of the component at stored position K of list 1; blank when
// K is not a component of the problem.
bool utilityComponent(std::int32_t k, services::FixedText<16>& id) {
  if (k < 1 || k > PAIDTB.ncomp) return false;
  std::int32_t p = 0;
  problem::SLTIDX(k, 1, p);
  if (p < 1 || p > PAIDTB.ncomp) return false;
  id = PAIDTB.componentId(static_cast<std::size_t>(p));
  return true;
}

// A configuration word delivered under CONDITION, else 0 with IERR 1.
void answerWhen(Request& request, bool condition, std::int32_t value) {
  answerInteger(request, condition ? value : 0);
  if (!condition) request.ierr = kRefused;
}

void answerText(Request& request, std::string_view text, bool refused) {
  request.count = 1;
  request.setType(ValueType::Text);
  request.iucls = kNoUnit;
  request.setText(1, text);
  if (refused) request.ierr = kRefused;
}

bool answerConfiguration(Request& request, const HxTables& t) {
  if (request.is("ExchTypeFlag")) {
    answerInteger(request, t.type);
  } else if (request.is("ExchSideFlag")) {
    answerWhen(request, t.type != 0, t.side);
  } else if (request.is("ExchUtilFlag")) {
    answerWhen(request, t.type == 1, t.utilityFlag);
  } else if (request.is("ExchUtilComp")) {
    services::FixedText<16> id;
    const bool found = t.type == 1 && configuration(18) > kUtilityComponentFrom &&
                       utilityComponent(t.utilityComponent, id);
    answerText(request, found ? id.view() : std::string_view{}, !found);
  } else if (request.is("ExchAttachFlag")) {
    answerWhen(request, t.type != 0, t.attachFlag);
  } else if (request.is("ExchAttachTray")) {
    answerWhen(request, t.type != 0, t.attachTray);
  } else if (request.is("ExchAttachColu")) {
    // Blank without a refusal for an exchanger of type 0, or attached to no unit.
    services::FixedText<12> id;
    if (t.type > 0 && t.attachedUnit > 0) id = problem::UNITID(t.attachedUnit);
    answerText(request, id.view(), false);
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool PAHXAT(std::array<std::int32_t, 4>& counts) {
  counts.fill(0);
  constexpr std::int32_t kCountsSector = 4;
  constexpr std::int32_t kFirstDimension = 63;
  if (systemElement(kCountsSector, kFirstDimension) == 1) return false;
  constexpr std::array<std::int32_t, 4> kElements{1, 7, 4, 10};
  for (std::size_t k = 0; k < counts.size(); ++k) {
    const std::int32_t v = systemElement(kConnectionSector, kElements[k]);
    counts[k] = v == services::IMISS ? 0 : v;
  }
  return true;
}

bool answerStreamCounts(Request& request, std::span<const std::string_view, 4> names) {
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (!request.is(names[k])) continue;
    std::array<std::int32_t, 4> counts{};
    const bool held = PAHXAT(counts);
    answerInteger(request, counts[k]);
    if (!held) request.ierr = kRefused;
    return true;
  }
  return false;
}

void PAHX(Request& request) {
  const std::array<std::int32_t, 1> types{kSimpleExchangerType};
  const RequestedUnit unit(request, types, " IS NOT HX UNIT OP", kLoadData);
  if (!unit.found()) return;
  HxTables t;
  PAHXD(t);
  request.count = 1;
  request.elen = 4;
  request.setType(ValueType::Real);

  static constexpr std::array<std::string_view, 4> kCounts{"NumberHotFeeds", "NumberColdFeeds",
                                                           "NumberHotProds", "NumberColdProds"};
  if (answerFromSlots(request, kReals, t.slots)) {
    warnWhenLost(request, t);
  } else if (request.is("NumberShellPasses")) {
    answerInteger(request, truncated(slot(t, 11)));
  } else if (request.is("NumberTubePasses")) {
    answerInteger(request, truncated(slot(t, 12)));
  } else if (answerStreamCounts(request, kCounts) || answerConfiguration(request, t)) {
  } else if (request.is("HotKValues") || request.is("ColdKValues")) {
    const auto& k = request.is("HotKValues") ? t.hotK : t.coldK;
    request.iucls = kNoUnit;
    request.count = std::clamp(PAIDTB.ncomp, 0, kKValueSlots);
    for (std::int32_t i = 1; i <= request.count; ++i) {
      request.setReal(i, k[static_cast<std::size_t>(i - 1)]);
    }
    warnWhenLost(request, t);
  } else {
    attributeNotSupported(request, " FOR HX");
  }
  if (request.type == static_cast<std::int32_t>(ValueType::Real)) request.nullMissing();
}

}  // namespace api_access
