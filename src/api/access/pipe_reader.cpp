// The reader of class "Pipe": outlet conditions, sizing results, pressure-drop components,
// inlet and outlet fluid conditions, the pressure-drop correlation, flow regimes and the
// profile of up to 50 segments of a pipe unit (type 10012).
//
// Stored places (see unit_access.hpp):
//   IH87   (26) the pressure-drop correlation, (23) and (24) the inlet and outlet flow
//          regimes, (42) n: the real at real data position n is the number of segments
//          when n > 2
//   H94    the results, at the elements of the attribute table
//   H98    segment s at elements n + 4 + 14 (s - 1) + 1 to + 14: rows 1 to 12 of the
//          profile, 13 the flow-regime code, 14 unused
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "api/access/data_requests.hpp"
#include "api/access/readers.hpp"
#include "api/access/unit_access.hpp"
#include "api/access/unit_reading.hpp"
#include "services/services.hpp"

namespace api_access {
namespace {

constexpr std::int32_t kPipeType = 10012;
constexpr std::int32_t kIntegers = 87;
constexpr std::int32_t kResults = 94;
constexpr std::int32_t kSegments = 98;

constexpr std::int32_t kMostSegments = 50;
constexpr std::int32_t kRows = 12;
constexpr std::int32_t kSegmentReals = 14;
constexpr std::int32_t kRegimeReal = 13;
constexpr std::int32_t kSegmentStart = 4;  // segment 1 begins after element n + 4
constexpr std::int32_t kFewestPlaces = 2;  // n at or below: no segments
constexpr std::int32_t kRenumbered = 10;   // the correlation whose regimes are renumbered
constexpr std::int32_t kVelocitySet = 5;   // "CalcMaxVelocity" is stored in unit set 5

// One value of the results: the attribute, its unit class and the element of H94
// ("CalcMaxVelocity", stored in unit set 5, apart).
constexpr std::array<SlotAttribute, 36> kResultsTable{{
    {"OutletTemp", 1, 2},          {"OutletPres", 4, 4},         {"SizingDeltaP", 5, 8},
    {"SizingMaxVelocity", 14, 11}, {"NetChangeInElevn", 9, 51},  {"FittingKFactor", 0, 55},
    {"AvgFricFactor", 0, 92},      {"AvgReynoldsNumb", 0, 93},   {"HeatTransCoeff", 36, 18},
    {"InsideDiameter", 10, 24},    {"AbsRoughness", 10, 27},     {"RelRoughness", 0, 30},
    {"LineFricFactor", 0, 32},     {"LineFlowEffic", 0, 35},     {"LineLength", 9, 38},
    {"HeatDuty", 26, 45},          {"DeltaPresFric", 5, 89},     {"DeltaPresElevn", 5, 91},
    {"DeltaPresAccel", 5, 90},     {"LineDeltaPres", 5, 88},     {"FittingDeltaPres", 5, 94},
    {"CalcDeltaPres", 5, 6},       {"TempFluidInlet", 1, 13},    {"TempFluidOutlet", 1, 81},
    {"PresFluidInlet", 4, 14},     {"PresFluidOutlet", 4, 82},   {"LiqFracInlet", 0, 86},
    {"LiqFracOutlet", 0, 87},      {"AvgVelocityInlet", 14, 12}, {"AvgVelocityOutlet", 14, 85},
    {"SlipDensInlet", 19, 79},     {"SlipDensOutlet", 19, 80},   {"FricFactorInlet", 0, 97},
    {"FricFactorOutlet", 0, 98},   {"LiqHoldupInlet", 0, 15},    {"LiqHoldupOutlet", 0, 16},
}};

// The profile rows: the attribute, its unit class and the row of the segment record.
constexpr std::array<SlotAttribute, 12> kProfile{{
    {"SegDistanceInlet", 9, 1},
    {"SegChangeElevn", 9, 2},
    {"SegPressure", 4, 3},
    {"SegTemperatue", 1, 4},
    {"SegFricPresDrop", 5, 5},
    {"SegElevnPresDrop", 5, 6},
    {"SegAccelPresDrop", 5, 7},
    {"SegTotalPresDrop", 5, 8},
    {"SegLiquidVelocity", 14, 9},
    {"SegVaporVelocity", 14, 10},
    {"SegFluidVelocity", 14, 11},
    {"SegLiquidFrac", 0, 12},
}};

// The tables of PAPIPD, kept on the stack of a request.
struct PipeTables {
  std::int32_t correlation = 0;
  std::int32_t regimeInlet = 0;
  std::int32_t regimeOutlet = 0;
  std::int32_t storedSegments = 0;  // "NumSegments"
  std::int32_t segments = 0;        // filled: at most 50 and what H98 holds
  std::array<std::array<double, kRows>, kMostSegments> profile{};
  std::array<std::int32_t, kMostSegments> regime{};
};

// A flow-regime code as the correlation 10 numbers it.
std::int32_t renumbered(std::int32_t code) {
  switch (code) {
    case 3:
      return 9;
    case 4:
      return 5;
    case 5:
      return 10;
    case 6:
      return 11;
    case 8:
      return 6;
    case 9:
      return 4;
    case 10:
      return 8;
    default:
      return code;
  }
}

std::int32_t integerOrZero(std::int32_t value) { return value == services::IMISS ? 0 : value; }

void PAPIPD(PipeTables& t) {
  t.correlation = integerOrZero(headerInteger(kIntegers, 26));
  t.regimeInlet = integerOrZero(headerInteger(kIntegers, 23));
  t.regimeOutlet = integerOrZero(headerInteger(kIntegers, 24));
  const std::int32_t n = headerInteger(kIntegers, 42);
  if (n == services::IMISS || n <= kFewestPlaces) return;
  t.storedSegments = truncated(realDataPosition(n));
  // Segments that fit in the tables and in the stored sector.
  const std::int64_t held =
      (std::int64_t{headerRealLength(kSegments)} - n - kSegmentStart) / kSegmentReals;
  t.segments = static_cast<std::int32_t>(
      std::clamp<std::int64_t>(std::min<std::int64_t>(t.storedSegments, held), 0, kMostSegments));
  for (std::int32_t s = 1; s <= t.segments; ++s) {
    const std::int32_t first = n + kSegmentStart + kSegmentReals * (s - 1);
    auto& column = t.profile[static_cast<std::size_t>(s - 1)];
    for (std::int32_t r = 1; r <= kRows; ++r) {
      column[static_cast<std::size_t>(r - 1)] = headerReal(kSegments, first + r);
    }
    const std::int32_t code = truncated(headerReal(kSegments, first + kRegimeReal));
    t.regime[static_cast<std::size_t>(s - 1)] =
        t.correlation == kRenumbered ? renumbered(code) : code;
  }
}

bool answerInteger(Request& request, std::string_view attr, std::int32_t value) {
  if (!request.is(attr)) return false;
  answerInteger(request, value);
  return true;
}

}  // namespace

void PAPIPE(Request& request) {
  const std::array<std::int32_t, 1> types{kPipeType};
  const RequestedUnit unit(request, types, " IS NOT PIPE UNIT OP", kLoadData);
  if (!unit.found()) return;
  PipeTables t;
  PAPIPD(t);
  request.count = 1;
  request.elen = 4;
  request.setType(ValueType::Real);

  bool matched = true;
  if (request.is("CalcMaxVelocity")) {
    answerReal(request, headerReal(kResults, 52), 14, kVelocitySet);
  } else if (answerFromHeader(request, kResultsTable, kResults)) {
  } else if (answerInteger(request, "PressDropCorrelation", t.correlation) ||
             answerInteger(request, "FlowRegimeInlet", t.regimeInlet) ||
             answerInteger(request, "FlowRegimeOutlet", t.regimeOutlet) ||
             answerInteger(request, "NumSegments", t.storedSegments)) {
  } else if (request.is("SegFlowRegime")) {
    request.setType(ValueType::Integer);
    request.iucls = kNoUnit;
    request.count = t.segments;
    for (std::int32_t s = 1; s <= t.segments; ++s) {
      request.setInteger(s, t.regime[static_cast<std::size_t>(s - 1)]);
    }
  } else {
    matched = false;
    for (const SlotAttribute& a : kProfile) {
      if (!request.is(a.attr)) continue;
      matched = true;
      request.iucls = a.cls;
      request.count = t.segments;
      for (std::int32_t s = 1; s <= t.segments; ++s) {
        const double v =
            t.profile[static_cast<std::size_t>(s - 1)][static_cast<std::size_t>(a.slot - 1)];
        request.setReal(s, a.cls == kNoUnit ? v : services::UOMCNV(v, a.cls, 1, request.iunset));
      }
    }
  }
  if (!matched) attributeNotSupported(request, " FOR PIPE");
  if (request.type == static_cast<std::int32_t>(ValueType::Real)) request.nullMissing();
}

}  // namespace api_access
