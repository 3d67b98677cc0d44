// Tray streams for the tray readers: the vapour or the liquid leaving one tray of a column,
// written into the stream current in set 1 from the column's profiles, loaded (PATRPL,
// PATRFL) or stored (PATRPK).
//
// Profile items of a column's data block (real items unless said; element t for tray t, a
// composition row of tray t from element (t - 1) NC + 1): 7 temperature, 8 pressure, 9 and
// 10 net vapour and liquid rates, 11 and 12 total rates, 13 and 14 vapour and liquid molar
// enthalpies (14 in three sections of OFFS for a column with two liquids: whole, liquid 1,
// liquid 2), 15 and 16 values carried into header reals 3 and 4, 17 and 18 vapour and
// liquid heat capacities, 20 and 21 vapour and liquid compositions, 26 and 27 the two
// liquids' compositions from element S(t) + 1, 28 and 29 their net rates (a second section
// at t + OFFS); integer items 2 (its last word mod 10000 is OFFS) and 17 (S(t) per tray).
#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

#include "api/access/column_readers.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "streamprops/unit_data.hpp"

namespace api_access {
namespace {

using problem::MainRecord;
namespace h = problem::srmain;

namespace item {
constexpr std::int32_t kTemperature = 7;
constexpr std::int32_t kPressure = 8;
constexpr std::int32_t kNetVapour = 9;
constexpr std::int32_t kNetLiquid = 10;
constexpr std::int32_t kTotalVapour = 11;
constexpr std::int32_t kTotalLiquid = 12;
constexpr std::int32_t kVapourEnthalpy = 13;
constexpr std::int32_t kLiquidEnthalpy = 14;
constexpr std::int32_t kVapourCarried = 15;
constexpr std::int32_t kLiquidCarried = 16;
constexpr std::int32_t kVapourHeatCapacity = 17;
constexpr std::int32_t kLiquidHeatCapacity = 18;
constexpr std::int32_t kVapourRows = 20;
constexpr std::int32_t kLiquidRows = 21;
constexpr std::int32_t kLiquid1Rows = 26;
constexpr std::int32_t kLiquid2Rows = 27;
constexpr std::int32_t kLiquid1Rate = 28;
constexpr std::int32_t kLiquid2Rate = 29;
constexpr std::int32_t kSections = 2;    // integer
constexpr std::int32_t kRowStarts = 17;  // integer
}  // namespace item

// Header reals written here beside those of problem::srmain.
constexpr std::int32_t kVapourCarried = 3;
constexpr std::int32_t kLiquidCarried = 4;
constexpr std::int32_t kWaterHeatCapacity = 17;
constexpr std::int32_t kHeader18 = 18;
constexpr std::int32_t kVapourHeatCapacity = 22;
constexpr std::int32_t kLiquidHeatCapacity = 28;
constexpr double kNotSet = -1.5e35;
constexpr std::int32_t kLiquid = 2;
constexpr std::int32_t kLiquidOne = 6;
constexpr std::int32_t kLiquidTwo = 7;

std::int32_t componentCount() { return std::max(problem::COHDR(problem::cohdr::kComponents), 0); }

// Element E (1-based) of a loaded profile; 0.0 outside it.
double at(std::int32_t itemNumber, std::int64_t e) {
  const storage::RealView v = streamprops::loadedReals(itemNumber);
  return e >= 1 && static_cast<std::size_t>(e) <= v.size() ? v[static_cast<std::size_t>(e - 1)]
                                                           : 0.0;
}

// Writes NC values of a loaded item from element FIRST into vectors A and B of the stream,
// divided by their sum when NORMALISE and the sum is above 0.0.
void putRow(MainRecord& s, std::int32_t itemNumber, std::int64_t first, bool normalise,
            std::int32_t a, std::int32_t b) {
  const std::int32_t nc = componentCount();
  double sum = 0.0;
  for (std::int32_t i = 0; i < nc; ++i) sum += at(itemNumber, first + i);
  const double divisor = normalise && sum > 0.0 ? sum : 1.0;
  for (std::int32_t i = 1; i <= nc; ++i) {
    const double x = at(itemNumber, first + i - 1) / divisor;
    s.setVector(a, i, x);
    s.setVector(b, i, x);
  }
}

void zeroVector(MainRecord& s, std::int32_t v) {
  const std::int32_t nc = componentCount();
  for (std::int32_t i = 1; i <= nc; ++i) s.setVector(v, i, 0.0);
}

}  // namespace

// PATRFL for the loaded block: one tray's stream from the loaded profiles.
void PATRFL(std::int32_t t, std::int32_t iph, std::int32_t kind, std::int32_t rateopt) {
  MainRecord s(problem::SRPSET.set1);
  const std::int32_t nc = componentCount();
  const std::span<std::int32_t> sections = streamprops::loadedIntegers(item::kSections);
  const std::int64_t offs = sections.empty() ? 0 : sections.back() % 10000;
  const bool liquid = iph == kLiquid;
  const std::int64_t row = (std::int64_t{t} - 1) * nc + 1;
  // 1-3. Fractions, the other phase's composition, temperature and pressure.
  s.setReal(h::kWaterFraction, 0.0);
  s.setReal(h::kWaterEnthalpy, 0.0);
  s.setReal(h::kVapourFraction, liquid ? 0.0 : 1.0);
  s.setReal(h::kLiquidFraction, liquid ? 1.0 : 0.0);
  if (liquid) {
    s.setReal(h::kVapourEnthalpy, 0.0);
    zeroVector(s, h::kVapour);
  } else {
    s.setReal(h::kLiquidEnthalpy, 0.0);
    zeroVector(s, h::kLiquid);
  }
  s.setReal(kVapourCarried, 0.0);
  s.setReal(kLiquidCarried, 0.0);
  s.setReal(h::kTemperature, at(item::kTemperature, t));
  s.setReal(h::kPressure, at(item::kPressure, t));
  // 4. The vapour.
  if (!liquid) {
    s.setReal(h::kRate, at(rateopt == 2 ? item::kTotalVapour : item::kNetVapour, t));
    s.setReal(h::kEnthalpy, at(item::kVapourEnthalpy, t));
    s.setReal(h::kVapourEnthalpy, at(item::kVapourEnthalpy, t));
    s.setReal(kVapourHeatCapacity, at(item::kVapourHeatCapacity, t));
    s.setReal(kHeader18, 0.0);
    s.setReal(kVapourCarried, at(item::kVapourCarried, t));
    putRow(s, item::kVapourRows, row, true, h::kVapour, h::kOverall);
    return;
  }
  // 5. One of two liquids, when the tray holds liquid 1.
  if ((kind == kLiquidOne || kind == kLiquidTwo) && at(item::kLiquid1Rate, t) > 0.0) {
    const bool first = kind == kLiquidOne;
    const std::int32_t rate = first ? item::kLiquid1Rate : item::kLiquid2Rate;
    s.setReal(h::kRate, at(rate, rateopt == 1 ? t + offs : t));
    const double enthalpy = at(item::kLiquidEnthalpy, t + (first ? offs : 2 * offs));
    s.setReal(h::kEnthalpy, enthalpy);
    s.setReal(h::kLiquidEnthalpy, enthalpy);
    s.setReal(kLiquidCarried, kNotSet);
    const std::span<std::int32_t> starts = streamprops::loadedIntegers(item::kRowStarts);
    const std::int64_t start = t >= 1 && static_cast<std::size_t>(t) <= starts.size()
                                   ? std::int64_t{starts[static_cast<std::size_t>(t - 1)]} + 1
                                   : 1;
    putRow(s, first ? item::kLiquid1Rows : item::kLiquid2Rows, start, false, h::kLiquid,
           h::kOverall);
    return;
  }
  // 6. The liquid as a whole.
  s.setReal(h::kRate, at(rateopt == 2 ? item::kTotalLiquid : item::kNetLiquid, t));
  s.setReal(h::kEnthalpy, at(item::kLiquidEnthalpy, t));
  s.setReal(h::kLiquidEnthalpy, at(item::kLiquidEnthalpy, t));
  s.setReal(kLiquidHeatCapacity, at(item::kLiquidHeatCapacity, t));
  s.setReal(kWaterHeatCapacity, 0.0);
  s.setReal(kLiquidCarried, at(item::kLiquidCarried, t));
  putRow(s, item::kLiquidRows, row, true, h::kLiquid, h::kOverall);
}

void PATRPL(std::int32_t /*n*/, std::int32_t t, std::int32_t iph, std::int32_t kind,
            std::int32_t rateopt) {
  MainRecord s(problem::SRPSET.set1);
  const std::int32_t nc = componentCount();
  const std::int64_t row = (std::int64_t{t} - 1) * nc + 1;
  const bool liquid = iph == kLiquid;
  // 2-3. Without net flow of the phase only its compositions change, unnormalised.
  if (!(at(liquid ? item::kNetLiquid : item::kNetVapour, t) > 0.0)) {
    putRow(s, liquid ? item::kLiquidRows : item::kVapourRows, row, false,
           liquid ? h::kLiquid : h::kVapour, h::kOverall);
    return;
  }
  // 4. The tray's stream.
  PATRFL(t, liquid ? kLiquid : 1, kind, rateopt);
}

void PATRPK(std::int32_t n, std::int32_t t, std::int32_t iph) {
  constexpr std::string_view kRoutine = "PATRPK";
  // 1. The stored block of N; N current in context 1.
  problem::UNSETT(n);
  const streamprops::StoredUnitData block(n);
  MainRecord s(problem::SRPSET.set1);
  const bool vapour = iph == 1;
  const std::int32_t nc = componentCount();
  // 2-3. Temperature, pressure, net rate and the phase's values.
  s.setReal(h::kTemperature, block.real(item::kTemperature, t, kRoutine));
  s.setReal(h::kPressure, block.real(item::kPressure, t, kRoutine));
  s.setReal(h::kRate, block.real(vapour ? item::kNetVapour : item::kNetLiquid, t, kRoutine));
  if (vapour) {
    s.setReal(kVapourCarried, block.real(item::kVapourCarried, t, kRoutine));
    s.setReal(h::kVapourEnthalpy, block.real(item::kVapourEnthalpy, t, kRoutine));
  } else {
    s.setReal(kLiquidCarried, block.real(item::kLiquidCarried, t, kRoutine));
    s.setReal(h::kLiquidEnthalpy, block.real(item::kLiquidEnthalpy, t, kRoutine));
  }
  // 5. Fractions.
  s.setReal(h::kVapourFraction, vapour ? 1.0 : 0.0);
  s.setReal(h::kLiquidFraction, vapour ? 0.0 : 1.0);
  s.setReal(vapour ? h::kLiquidEnthalpy : h::kVapourEnthalpy, 0.0);
  s.setReal(h::kWaterFraction, 0.0);
  // 4, 6. The tray's composition row, normalised, in the whole and the phase's vector.
  const std::int32_t rows = vapour ? item::kVapourRows : item::kLiquidRows;
  double sum = 0.0;
  for (std::int32_t i = 1; i <= nc; ++i) {
    const double x = block.real(rows, (t - 1) * nc + i, kRoutine);
    s.setVector(h::kOverall, i, x);
    sum += x;
  }
  const double divisor = sum > 0.0 ? sum : 1.0;
  for (std::int32_t i = 1; i <= nc; ++i) {
    const double x = s.vector(h::kOverall, i) / divisor;
    s.setVector(h::kOverall, i, x);
    s.setVector(vapour ? h::kVapour : h::kLiquid, i, x);
    s.setVector(vapour ? h::kLiquid : h::kVapour, i, 0.0);
  }
}

void PATRPS(std::int32_t n, std::int32_t t, std::int32_t iph, std::int32_t kind,
            std::int32_t rateopt) {
  if (streamprops::workAreaHolds(n)) {
    PATRPL(n, t, iph, kind, rateopt);
  } else {
    PATRPK(n, t, iph);
  }
}

bool PASRCK(std::int32_t n) { return n <= 0 || n > problem::ISRNOS(); }

}  // namespace api_access
