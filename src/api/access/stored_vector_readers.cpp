// The readers of classes "Phase" (phase envelopes, unit type 310002), "Calc" (calculators,
// 220002) and "User" (user-added units, 410000): stored curves and vectors returned as they
// are stored.
//
// These three classes are read from the layout below, the one this library's own problems
// use; files of another origin are not claimed to follow it. Sectors are numbered among the
// integer (IS) or real (RS) sectors of the unit's data block.
//   Phase envelope
//     IS1  (1) the number of curves NC; (1 + c) the number of points of curve c
//     RS1  curve c at 6 (c - 1) + 1 to 6 c: critical temperature (K) and pressure (kPa),
//          cricondentherm temperature and pressure, cricondenbar temperature and pressure
//     RS2  the point temperatures (K), 120 positions a curve: curve c from 120 (c - 1) + 1
//     RS3  the point pressures (kPa), laid out in the same way
//   Calculator
//     IS1  (1) the number of constants, (2) of parameters, (3) of results
//     IS2  the result names, 12 characters in 3 text words each
//     RS1, RS2, RS3  the constants, the parameters, the results
//   User-added unit
//     IS1  the integer vector (250)
//     RS1, RS2, RS3  the real vector (500), the heat vector (10), the supplementary vector
//                    (10000)
// Counts are read as stored (never below 0); each loop stops at its table's capacity and at
// the stored sector's length, and every element up to COUNT is written (0 where nothing is
// stored).
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "api/access/data_requests.hpp"
#include "api/access/readers.hpp"
#include "api/access/unit_access.hpp"
#include "api/access/unit_reading.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace api_access {
namespace {

constexpr std::int32_t kPhaseType = 310002;
constexpr std::int32_t kCalculatorType = 220002;
constexpr std::int32_t kUserType = 410000;

constexpr std::int32_t kMostCurves = 20;
constexpr std::int32_t kCurvePositions = 120;
constexpr std::int32_t kCurveConstants = 6;
constexpr std::int32_t kNameWords = 3;
constexpr std::size_t kNameChars = 12;

std::int32_t storedInteger(std::int32_t s, std::int32_t e) {
  const std::int32_t v = sectorInteger(s, e);
  return v == services::IMISS ? 0 : v;
}

// Reals 1 to COUNT of the request from elements FIRST + 1 on of real sector S, converted
// from unit set 1 in class CLS (0: as stored); 0.0 beyond the sector.
void realsFrom(Request& request, std::int32_t s, std::int32_t first, std::int32_t count,
               std::int32_t cls) {
  for (std::int32_t k = 1; k <= count; ++k) {
    const double v = sectorReal(s, first + k);
    request.setReal(k, cls == kNoUnit ? v : services::UOMCNV(v, cls, 1, request.iunset));
  }
}

// --- Phase envelope -----------------------------------------------------------------------

struct CurveConstant {
  std::string_view attr;
  std::int32_t cls;
  std::int32_t place;  // 1 to 6 within a curve's constants
};
constexpr std::array<CurveConstant, 6> kCurveConstantsTable{{
    {"CriticalTemperature", services::kTemperatureClass, 1},
    {"CriticalPressure", services::kPressureClass, 2},
    {"CriconThermTemperature", services::kTemperatureClass, 3},
    {"CriconThermPressure", services::kPressureClass, 4},
    {"CriconBarTemperature", services::kTemperatureClass, 5},
    {"CriconBarPressure", services::kPressureClass, 6},
}};

// The points of curve C that its block of 120 positions holds.
std::int32_t curvePoints(std::int32_t c) {
  return std::clamp(storedInteger(1, 1 + c), 0, kCurvePositions);
}

// The point values of real sector S: curve c at positions 120 (c - 1) + 1 onward, the gaps
// between one curve's last point and the next curve's block 0.0.
void curvePointsFrom(Request& request, std::int32_t s, std::int32_t nc, std::int32_t cls) {
  request.iucls = cls;
  request.count = nc == 0 ? 0 : kCurvePositions * (nc - 1) + curvePoints(nc);
  for (std::int32_t k = 1; k <= request.count; ++k) request.setReal(k, 0.0);
  for (std::int32_t c = 1; c <= nc; ++c) {
    const std::int32_t first = kCurvePositions * (c - 1);
    for (std::int32_t j = 1; j <= curvePoints(c); ++j) {
      const double v = sectorReal(s, first + j);
      request.setReal(first + j, services::UOMCNV(v, cls, 1, request.iunset));
    }
  }
}

// --- Calculator --------------------------------------------------------------------------

// A stored count of vector S (1 constants, 2 parameters, 3 results): never below 0, never
// beyond the stored vector nor the values a request returns.
std::int32_t vectorCount(std::int32_t k) {
  return std::min({storedCount(storedInteger(1, k)), realSectorLength(k), kMostValues});
}

void resultNames(Request& request) {
  request.setType(ValueType::Text);
  request.elen = static_cast<std::int32_t>(kNameChars);
  std::int32_t named = 0;
  const std::int32_t results = vectorCount(3);
  for (std::int32_t r = 1; r <= results; ++r) {
    if (sectorReal(3, r) <= services::RMISS) continue;
    ++named;
    std::array<std::int32_t, kNameWords> words{};
    for (std::int32_t w = 1; w <= kNameWords; ++w) {
      const std::int32_t v = sectorInteger(2, kNameWords * (named - 1) + w);
      words[static_cast<std::size_t>(w - 1)] = v == services::IMISS ? 0x20202020 : v;
    }
    std::array<char, kNameChars> text{};
    std::int32_t ierr = 0;
    storage::IWTOTX(text, words, kNameWords, ierr);
    request.setText(named,
                    ierr == 0 ? std::string_view(text.data(), text.size()) : std::string_view{});
  }
  request.count = named;
}

// --- User-added unit ---------------------------------------------------------------------

struct UserVector {
  std::string_view attr;
  std::int32_t sector;
  std::int32_t count;
};
constexpr std::array<UserVector, 3> kUserReals{{
    {"RealVector", 1, 500},
    {"HeatVector", 2, 10},
    {"SupplVector", 3, 10000},
}};
constexpr std::int32_t kUserIntegers = 250;

}  // namespace

void PAPHAS(Request& request) {
  const std::array<std::int32_t, 1> types{kPhaseType};
  const RequestedUnit unit(request, types, " IS NOT PHASE ENVELOPE", kLoadData);
  if (!unit.found()) return;
  const std::int32_t stored = storedInteger(1, 1);
  const std::int32_t nc = std::clamp(stored, 0, kMostCurves);
  request.count = nc;
  request.elen = 4;
  request.setType(ValueType::Real);
  request.iucls = kNoUnit;

  if (request.is("NumberOfPCurves")) {
    answerInteger(request, stored);
  } else if (request.is("NumberOfPoints")) {
    request.setType(ValueType::Integer);
    for (std::int32_t c = 1; c <= nc; ++c) request.setInteger(c, storedInteger(1, 1 + c));
  } else if (request.is("Temperatures")) {
    curvePointsFrom(request, 2, nc, services::kTemperatureClass);
  } else if (request.is("Pressures")) {
    curvePointsFrom(request, 3, nc, services::kPressureClass);
  } else {
    bool matched = false;
    for (const CurveConstant& a : kCurveConstantsTable) {
      if (!request.is(a.attr)) continue;
      matched = true;
      request.iucls = a.cls;
      for (std::int32_t c = 1; c <= nc; ++c) {
        const double v = sectorReal(1, kCurveConstants * (c - 1) + a.place);
        request.setReal(c, services::UOMCNV(v, a.cls, 1, request.iunset));
      }
    }
    if (!matched) attributeNotSupported(request, " FOR PHASE ENVELOPE");
  }
  request.nullMissing();
}

void PACALC(Request& request) {
  const std::array<std::int32_t, 1> types{kCalculatorType};
  const RequestedUnit unit(request, types, " IS NOT CALCULATOR", kLoadData);
  if (!unit.found()) return;
  request.count = 1;
  request.elen = 4;
  request.setType(ValueType::Real);
  request.iucls = kNoUnit;

  static constexpr std::array<std::string_view, 3> kCounts{"NumberOfConstants",
                                                           "NumberOfParameters", "NumberOfResults"};
  static constexpr std::array<std::string_view, 3> kVectors{"ConstVector", "ParamVector",
                                                            "ResultVector"};
  for (std::int32_t k = 1; k <= 3; ++k) {
    if (request.is(kCounts[static_cast<std::size_t>(k - 1)])) {
      answerInteger(request, storedInteger(1, k));
      request.nullMissing();
      return;
    }
    if (request.is(kVectors[static_cast<std::size_t>(k - 1)])) {
      request.count = vectorCount(k);
      realsFrom(request, k, 0, request.count, kNoUnit);
      request.nullMissing();
      return;
    }
  }
  if (request.is("ResultNames")) {
    resultNames(request);
  } else {
    attributeNotSupported(request, " FOR CALCULATOR");
  }
  request.nullMissing();
}

void PAUSER(Request& request) {
  const std::array<std::int32_t, 1> types{kUserType};
  const RequestedUnit unit(request, types, " IS NOT USER ADDED UNIT OP", kLoadData);
  if (!unit.found()) return;
  request.count = 1;
  request.elen = 4;
  request.setType(ValueType::Real);
  request.iucls = kNoUnit;

  if (request.is("IntegerVector")) {
    request.setType(ValueType::Integer);
    request.count = kUserIntegers;
    for (std::int32_t k = 1; k <= kUserIntegers; ++k) request.setInteger(k, storedInteger(1, k));
  } else {
    bool matched = false;
    for (const UserVector& v : kUserReals) {
      if (!request.is(v.attr)) continue;
      matched = true;
      request.count = v.count;
      for (std::int32_t k = 1; k <= v.count; ++k) {
        const double x = sectorReal(v.sector, k);
        request.setReal(k, x <= services::RMISS ? 0.0 : x);
      }
    }
    if (!matched) attributeNotSupported(request, " FOR USER ADDED");
  }
  request.nullMissing();
}

}  // namespace api_access
