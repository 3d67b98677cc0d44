// The readers of classes "Compressor", "Expander" and "Pump": the inlet and isentropic-outlet
// conditions of the streams a compressor or expander names, and the stored results of the
// three units.
//
// Stored places (header word w, element e; see unit_access.hpp):
//   compressor  H181: results; IH119(2) 1 when the aftercooler ran, IH119(9) the
//               isentropic-outlet stream, IH119(11) the aftercooler's stream
//   expander    H92: results; IH86(5) the isentropic-outlet stream
//   pump        H91: results
//   both        element 3 of the stream connections (system sector 23): the inlet stream
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "api/access/data_requests.hpp"
#include "api/access/readers.hpp"
#include "api/access/unit_access.hpp"
#include "api/access/unit_reading.hpp"
#include "services/services.hpp"

namespace api_access {
namespace {

using services::kPressureClass;
using services::kTemperatureClass;

constexpr std::int32_t kCompressorType = 10005;
constexpr std::int32_t kExpanderType = 10006;
constexpr std::int32_t kPumpType = 10007;

constexpr std::int32_t kConnectionSector = 23;
constexpr std::int32_t kInletStream = 3;
constexpr std::int32_t kTemperature = 1;  // elements of a stream's real sector 1
constexpr std::int32_t kPressure = 2;

constexpr std::int32_t kPressureDropClass = 5;
constexpr std::int32_t kWorkClass = 25;
constexpr std::int32_t kDutyClass = 26;

// The value table of the compressor and the expander: slots 1 to 19 are read.
constexpr std::size_t kSlots = 19;
using Slots = std::array<double, kSlots>;
double& slot(Slots& s, std::int32_t k) { return s[static_cast<std::size_t>(k - 1)]; }

// Slots that come from the inlet stream (1) and the isentropic-outlet stream (2 and 5).
constexpr std::int32_t kInletSlot = 1;
constexpr std::int32_t kIsenTempSlot = 2;
constexpr std::int32_t kIsenPresSlot = 5;
constexpr std::int32_t kInletPresSlot = 4;
constexpr std::int32_t kOutletPresSlot = 6;
constexpr std::int32_t kCoolerDutySlot = 19;

// What a fetch found of its streams.
struct Fetched {
  bool inlet = true;
  bool isentropic = true;
};

// Slot 1 from the inlet stream; a stream without a record leaves its slots 0.0.
Fetched fetchInlet(Slots& s) {
  Fetched f;
  f.inlet = makeStreamCurrent(systemElement(kConnectionSector, kInletStream));
  if (f.inlet) slot(s, kInletSlot) = currentStreamReal(kTemperature);
  return f;
}

// Makes the isentropic-outlet stream current and takes its temperature and pressure.
bool fetchIsentropic(Slots& s, std::int32_t stream) {
  if (!makeStreamCurrent(stream)) return false;
  slot(s, kIsenTempSlot) = currentStreamReal(kTemperature);
  slot(s, kIsenPresSlot) = currentStreamReal(kPressure);
  return true;
}

// PACMPD: the compressor's table.
constexpr std::int32_t kCompressorReals = 181;
constexpr std::int32_t kCompressorIntegers = 119;
constexpr std::array<std::array<std::int32_t, 2>, 10> kCompressorPlaces{
    {{3, 14}, {6, 4}, {7, 46}, {8, 42}, {9, 44}, {10, 32}, {11, 34}, {12, 40}, {13, 38}, {14, 24}}};
constexpr std::array<std::array<std::int32_t, 2>, 3> kCoolerPlaces{{{17, 28}, {18, 30}, {19, 50}}};
constexpr std::int32_t kCoolerRan = 1;

Fetched PACMPD(Slots& s) {
  Fetched f = fetchInlet(s);
  slot(s, kInletPresSlot) = headerReal(kCompressorReals, 2);
  f.isentropic = fetchIsentropic(s, headerInteger(kCompressorIntegers, 9));
  for (const auto& [k, e] : kCompressorPlaces) slot(s, k) = headerReal(kCompressorReals, e);
  if (headerInteger(kCompressorIntegers, 2) == kCoolerRan) {
    for (const auto& [k, e] : kCoolerPlaces) slot(s, k) = headerReal(kCompressorReals, e);
    makeStreamCurrent(headerInteger(kCompressorIntegers, 11));
  }
  return f;
}

// PAEXPD: the expander's table; slots 9 and 11 to 14 stay 0.0.
constexpr std::int32_t kExpanderReals = 92;
constexpr std::int32_t kExpanderIntegers = 86;
constexpr std::array<std::array<std::int32_t, 2>, 5> kExpanderPlaces{
    {{3, 24}, {6, 4}, {7, 22}, {8, 20}, {10, 18}}};

Fetched PAEXPD(Slots& s) {
  Fetched f = fetchInlet(s);
  slot(s, kInletPresSlot) = headerReal(kExpanderReals, 2);
  f.isentropic = fetchIsentropic(s, headerInteger(kExpanderIntegers, 5));
  for (const auto& [k, e] : kExpanderPlaces) slot(s, k) = headerReal(kExpanderReals, e);
  return f;
}

constexpr std::array<SlotAttribute, 6> kConditions{{
    {"TempInletCalc", kTemperatureClass, 1},
    {"TempIsenCalc", kTemperatureClass, 2},
    {"TempCalc", kTemperatureClass, 3},
    {"PresInletCalc", kPressureClass, 4},
    {"PresIsenCalc", kPressureClass, 5},
    {"PresCalc", kPressureClass, 6},
}};
constexpr std::array<SlotAttribute, 11> kCompressorRest{{
    {"WorkActualCalc", kWorkClass, 7},
    {"WorkTheoCalc", kWorkClass, 8},
    {"WorkPolyCalc", kWorkClass, 9},
    {"EffAdiaCalc", kNoUnit, 10},
    {"EffPolyCalc", kNoUnit, 11},
    {"PolyCoeffCalc", kNoUnit, 12},
    {"IsenCoeffCalc", kNoUnit, 13},
    {"RPMCalc", kNoUnit, 14},
    {"AcPresDropCalc", kPressureDropClass, 17},
    {"AcTempCalc", kTemperatureClass, 18},
    {"AcDutyCalc", kDutyClass, 19},
}};
constexpr std::array<SlotAttribute, 5> kExpanderRest{{
    {"WorkActualCalc", kWorkClass, 7},
    {"WorkTheoCalc", kWorkClass, 8},
    {"EffAdiaCalc", kNoUnit, 10},
    {"IsenCoeffCalc", kNoUnit, 13},
    {"RPMCalc", kNoUnit, 14},
}};

// "PRatio": outlet over inlet pressure, both in internal units; 0.0 when the stored inlet
// pressure is 0.0 or either is missing.
double pressureRatio(const Slots& s) {
  const double inlet = s[kInletPresSlot - 1];
  const double outlet = s[kOutletPresSlot - 1];
  if (inlet == 0.0 || inlet <= services::RMISS || outlet <= services::RMISS) return 0.0;
  return outlet / inlet;
}

// A value of a stream without a record: 0.0 in every set, with the warning status.
void warnWhenLost(Request& request, std::span<const SlotAttribute> table, const Fetched& f) {
  for (const SlotAttribute& a : table) {
    if (!request.is(a.attr)) continue;
    const bool lost = (a.slot == kInletSlot && !f.inlet) ||
                      ((a.slot == kIsenTempSlot || a.slot == kIsenPresSlot) && !f.isentropic);
    if (!lost) continue;
    request.setReal(1, 0.0);
    request.ierr = kZeroRateWarning;
  }
}

enum class Machine { Compressor, Expander };

void readMachine(Request& request, Machine machine) {
  const bool compressor = machine == Machine::Compressor;
  const std::array<std::int32_t, 1> types{compressor ? kCompressorType : kExpanderType};
  const RequestedUnit unit(request, types, compressor ? " IS NOT COMPRESSOR" : " IS NOT EXPANDER",
                           kLoadData);
  if (!unit.found()) return;
  Slots s{};
  const Fetched f = compressor ? PACMPD(s) : PAEXPD(s);
  request.count = 1;
  request.elen = 4;
  request.setType(ValueType::Real);

  const std::span<const SlotAttribute> rest = compressor
                                                  ? std::span<const SlotAttribute>(kCompressorRest)
                                                  : std::span<const SlotAttribute>(kExpanderRest);
  if (answerFromSlots(request, kConditions, s)) {
    warnWhenLost(request, kConditions, f);
  } else if (compressor && request.is("PRatio")) {
    answerReal(request, pressureRatio(s), kNoUnit);
  } else if (compressor && request.is("AcTempCalc") && std::abs(s[kCoolerDutySlot - 1]) == 0.0) {
    // Without a cooler duty the temperature is 0.0 in every set, not a converted zero.
    answerReal(request, 0.0, kNoUnit);
    request.iucls = kTemperatureClass;
  } else if (!answerFromSlots(request, rest, s)) {
    attributeNotSupported(request, compressor ? " FOR COMPRESSOR" : " FOR EXPANDER");
  }
  request.nullMissing();
}

constexpr std::int32_t kPumpReals = 91;
constexpr std::array<SlotAttribute, 4> kPump{{
    {"TempCalc", kTemperatureClass, 18},
    {"PresCalc", kPressureClass, 4},
    {"EffCalc", kNoUnit, 2},
    {"WorkCalc", kWorkClass, 14},
}};

}  // namespace

void PACMPR(Request& request) { readMachine(request, Machine::Compressor); }
void PAEXPN(Request& request) { readMachine(request, Machine::Expander); }

void PAPUMP(Request& request) {
  const std::array<std::int32_t, 1> types{kPumpType};
  const RequestedUnit unit(request, types, " IS NOT PUMP UNIT OP", kLoadData);
  if (!unit.found()) return;
  request.count = 1;
  request.elen = 4;
  request.setType(ValueType::Real);
  bool matched = false;
  for (const SlotAttribute& a : kPump) {
    if (!request.is(a.attr)) continue;
    matched = true;
    answerReal(request, headerReal(kPumpReals, a.slot), a.cls);
    break;
  }
  if (!matched) attributeNotSupported(request, " FOR PUMP");
  request.nullMissing();
}

}  // namespace api_access
