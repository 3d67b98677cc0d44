// The reader of class "HxRig": results and geometry of a rigorous shell-and-tube exchanger
// (unit type 20003), its stream counts, its attachment and its three-letter TEMA type.
//
// Stored places (see unit_access.hpp):
//   H124   the results and geometry, at the elements of the attribute table
//   IH98   the integer data; a stored IMISS or less answers -1
//   C(3), C(9)   the first shell-side and tube-side feed streams (stream connections)
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "api/access/access.hpp"
#include "api/access/data_requests.hpp"
#include "api/access/readers.hpp"
#include "api/access/unit_access.hpp"
#include "api/access/unit_reading.hpp"
#include "services/services.hpp"

namespace api_access {
namespace {

constexpr std::int32_t kResults = 124;
constexpr std::int32_t kIntegers = 98;
constexpr std::int32_t kConnectionSector = 23;
constexpr std::int32_t kShellFeed = 3;
constexpr std::int32_t kTubeFeed = 9;
constexpr std::int32_t kTemaCode = 44;
constexpr std::int32_t kAttachedUnit = 82;
constexpr std::int32_t kMissingInteger = -1;

// Attribute, unit class and element of H124.
constexpr SlotAttribute kReals[] = {
    {"UValFoul", 36, 2},
    {"UValNoFoul", 36, 3},
    {"FtFactor", 0, 8},
    {"MeanTempDiff", 2, 11},
    {"UValCalc", 36, 14},
    {"AreaCalc", 12, 18},
    {"AreaRequired", 12, 17},
    {"UAVal", 38, 28},
    {"ExchHtDuty", 26, 34},
    {"TubePitch", 10, 36},
    {"TubeLen", 9, 37},
    {"TubePresDropCalc", 5, 44},
    {"TubeFoulFct", 37, 46},
    {"TubeFoulLayerThck", 10, 47},
    {"TubeSheetThck", 10, 48},
    {"TubeThermCond", 35, 49},
    {"TubeDens", 19, 50},
    {"TubeThck", 10, 51},
    {"TubePipeSched", 0, 52},
    {"TubeVel", 14, 55},
    {"TubePrnNum", 0, 61},
    {"TubeReyNum", 0, 62},
    {"TubeFilmCoeffSclFct", 0, 60},
    {"TubeFilmCoeff", 36, 63},
    {"TubeBundleDiam", 10, 65},
    {"TubeBundleWt", 7, 68},
    {"TubeWallRes", 37, 69},
    {"TubeTempOut", 1, 72},
    {"TubeID", 10, 76},
    {"TubeOD", 10, 77},
    {"FinRootDia", 10, 83},
    {"FinsPerInch", 0, 84},
    {"FinThermCond", 35, 85},
    {"FinHgt", 10, 86},
    {"FinThck", 10, 87},
    {"FinEffcyCalc", 0, 90},
    {"ShellTempOut", 1, 74},
    {"ShellID", 10, 92},
    {"UnitAreaPerShell", 12, 94},
    {"ShellFoulFct", 37, 96},
    {"ShellFoulLayerThck", 10, 97},
    {"ShellPresDropCalc", 5, 101},
    {"ShellFilmCoeffSclFct", 0, 104},
    {"ShellFilmCoeff", 36, 111},
    {"ShellFoulRqrd", 37, 106},
    {"ShellOrigFoul", 37, 109},
    {"ShellVel", 14, 107},
    {"ShellMatDens", 19, 112},
    {"MaxAreaPerShell", 12, 114},
    {"ShellReyNum", 0, 110},
    {"ShellPrnNum", 0, 124},
    {"TubeNozzleInletID", 10, 140},
    {"TubeNozzleOutletID", 10, 141},
    {"ShellNozzleInletID", 10, 144},
    {"ShellNozzleOutletID", 10, 145},
    {"BaffleSpc", 10, 148},
    {"InletBaffleSpc", 10, 154},
    {"OutletBaffleSpc", 10, 155},
    {"BaffleThck", 10, 178},
    {"BaffleCutFrac", 0, 149},
    {"NumberBaffles", 0, 151},
};

// Attribute and element of IH98.
struct IntegerPlace {
  std::string_view attr;
  std::int32_t element;
};
constexpr std::array<IntegerPlace, 17> kIntegerPlaces{{
    {"PositionFlag", 4},
    {"FlowTypeFlag", 14},
    {"TubePitchFlag", 23},
    {"NumOfTubes", 24},
    {"NumOfTubePasses", 25},
    {"TubeMatCode", 30},
    {"TubeBWG", 33},
    {"FinMatCode", 43},
    {"ShellMatCode", 48},
    {"NumOfParShells", 51},
    {"NumOfSerShells", 52},
    {"AttachSideFlag", 80},
    {"AttachTypeFlag", 81},
    {"AttachTrayFlag", 86},
    {"FinTubeFlag", 22},
    {"NumberSealStrip", 45},
    {"NoTubesInWindow", 72},
}};
constexpr IntegerPlace kBaffleSegment{"BaffleSegmentFlag", 71};

std::int32_t storedInteger(std::int32_t e) {
  const std::int32_t v = headerInteger(kIntegers, e);
  return v <= services::IMISS ? kMissingInteger : v;
}

void answerText(Request& request, std::string_view text, bool refused) {
  request.count = 1;
  request.setType(ValueType::Text);
  request.iucls = kNoUnit;
  request.setText(1, text);
  if (refused) request.ierr = kRefused;
}

// The temperature of a side's first feed stream.
void answerFeedTemperature(Request& request, std::int32_t element) {
  if (makeStreamCurrent(systemElement(kConnectionSector, element))) {
    answerReal(request, currentStreamReal(1), services::kTemperatureClass);
  } else {
    answerReal(request, 0.0, kNoUnit);
    request.iucls = services::kTemperatureClass;
    request.ierr = kZeroRateWarning;
  }
}

}  // namespace

std::string_view PATEMA(std::int32_t code, std::array<char, 3>& letters) {
  static constexpr std::string_view kFirst = "ABCND";
  static constexpr std::string_view kSecond = "EFGHJKX";
  static constexpr std::string_view kThird = "STULMNPW";
  constexpr std::string_view kNone = "N/A";
  if (code < 0) return kNone;
  const std::int32_t first = code / 100;
  const std::int32_t second = code / 10 % 10;
  const std::int32_t third = code % 10;
  const auto letter = [](std::string_view table, std::int32_t digit) {
    return digit >= 1 && digit <= static_cast<std::int32_t>(table.size())
               ? table[static_cast<std::size_t>(digit - 1)]
               : '\0';
  };
  letters = {letter(kFirst, first), letter(kSecond, second), letter(kThird, third)};
  for (char c : letters) {
    if (c == '\0') return kNone;
  }
  return {letters.data(), letters.size()};
}

void PAHXRG(Request& request) {
  const std::array<std::int32_t, 1> types{kRigorousExchangerType};
  const RequestedUnit unit(request, types, " IS NOT HXRIG UNIT OP", kLoadData);
  if (!unit.found()) return;
  request.count = 1;
  request.elen = 4;
  request.setType(ValueType::Real);

  static constexpr std::array<std::string_view, 4> kCounts{"NumberShellFeeds", "NumberTubeFeeds",
                                                           "NumberShellProds", "NumberTubeProds"};
  bool matched = true;
  if (request.is("TubeTempIn")) {
    answerFeedTemperature(request, kTubeFeed);
  } else if (request.is("ShellTempIn")) {
    answerFeedTemperature(request, kShellFeed);
  } else if (answerFromHeader(request, kReals, kResults)) {
  } else if (request.is("TEMAType")) {
    std::array<char, 3> letters{};
    answerText(request, PATEMA(storedInteger(kTemaCode), letters), false);
  } else if (request.is("AttachUnit")) {
    const std::int32_t k = storedInteger(kAttachedUnit);
    const bool named = k >= 1 && k <= PAIDTB.nunit;
    answerText(request, named ? PAIDTB.unitId(static_cast<std::size_t>(k)).view() : "", !named);
  } else if (answerStreamCounts(request, kCounts)) {
  } else if (request.is(kBaffleSegment.attr)) {
    answerInteger(request, storedInteger(kBaffleSegment.element));
  } else {
    matched = false;
    for (const IntegerPlace& p : kIntegerPlaces) {
      if (!request.is(p.attr)) continue;
      matched = true;
      answerInteger(request, storedInteger(p.element));
      break;
    }
  }
  if (!matched) attributeNotSupported(request, " FOR HXRIG");
  if (request.type == static_cast<std::int32_t>(ValueType::Real)) request.nullMissing();
}

}  // namespace api_access
