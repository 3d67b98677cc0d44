// The equipment-reader tests: the equipment problem opened for each test, one request
// through the dispatcher with everything the reader set (type, count, element length, unit
// class, status, values, what it printed), and the unit factors of unit set 5 formed here.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "access_test_support.hpp"
#include "api/access/data_requests.hpp"

namespace equipment_tests {

inline fixtures::ProblemDescription equipmentDescription() {
  return fixtures::equipmentProblem("equipment");
}
using EquipmentProblem = access_tests::OpenedProblem<&equipmentDescription>;

// What a reader answered.
struct Answer {
  std::int32_t type = -1, count = 0, elen = 0, iucls = 0, ierr = 0;
  std::vector<double> reals;
  std::vector<std::int32_t> integers;
  std::vector<std::string> texts;  // trailing blanks removed
  std::string out;
};

// One request of class CLS in unit set SET, through PADATX.
inline Answer ask(const std::string& cls, const std::string& attr, const std::string& id,
                  std::int32_t set = 1) {
  static api_access::ValueBuffers buffers;
  buffers.written = api_access::kMostValues;
  buffers.clear();
  api_access::Request request{attr, id};
  request.values = &buffers;
  request.iunset = set;
  Answer a;
  a.out = access_tests::printed([&] { api_access::PADATX(cls, request); });
  a.type = request.type;
  a.count = request.count;
  a.elen = request.elen;
  a.iucls = request.iucls;
  a.ierr = request.ierr;
  const std::int32_t n = std::clamp(request.count, 0, api_access::kMostValues);
  for (std::int32_t k = 0; k < n; ++k) {
    const auto i = static_cast<std::size_t>(k);
    a.reals.push_back(buffers.reals[i]);
    a.integers.push_back(buffers.integers[i]);
    std::string t(buffers.texts[i].view());
    a.texts.push_back(t.substr(0, t.find_last_not_of(' ') + 1));
  }
  return a;
}

// Exact unit definitions, NIST Special Publication 811 (2008), Appendix B: foot 0.3048 m,
// inch 0.0254 m, pound 0.45359237 kg, standard gravity 9.80665 m/s2, Btu_IT 1.05505585262
// kJ, horsepower 550 ft lbf/s; the Fahrenheit scale F = 1.8 K - 459.67. Each factor is the
// size of the set-5 unit in the internal unit of its class.
constexpr double kFoot = 0.3048;
constexpr double kInch = 0.0254;
constexpr double kPound = 0.45359237;
constexpr double kGravity = 9.80665;
constexpr double kBtu = 1.05505585262;
constexpr double kPsi = kPound * kGravity / (kInch * kInch) / 1000.0;    // kPa
constexpr double kMillionBtuPerHour = 1.0e6 * kBtu;                      // kJ/h
constexpr double kHorsepower = 550.0 * kFoot * kPound * kGravity * 3.6;  // kJ/h
constexpr double kRankine = 5.0 / 9.0;                                   // K
inline double fahrenheit(double kelvin) { return 1.8 * kelvin - 459.67; }

// An internal value of unit class CLS in unit set 5 (the shipped table's field units: F,
// psia, psi, lb, ft, in, ft2, ft/s, lb/ft3, hp, M BTU/HR, BTU/HR-FT-F, BTU/HR-FT2-F,
// HR-FT2-F/BTU, BTU/HR-F).
inline double set5(std::int32_t cls, double v) {
  constexpr double kFoot3 = kFoot * kFoot * kFoot;
  switch (cls) {
    case 1:
      return fahrenheit(v);
    case 2:
      return v / kRankine;
    case 4:
    case 5:
      return v / kPsi;
    case 7:
      return v / kPound;
    case 9:
      return v / kFoot;
    case 10:
      return v / kInch;
    case 12:
      return v / (kFoot * kFoot);
    case 14:
      return v / kFoot;
    case 19:
      return v / (kPound / kFoot3);
    case 25:
      return v / kHorsepower;
    case 26:
      return v / kMillionBtuPerHour;
    case 35:
      return v / (kBtu * 1000.0 / 3600.0 / kFoot / kRankine);
    case 36:
      return v / (kBtu / (kFoot * kFoot) / kRankine);
    case 37:
      return v / (kFoot * kFoot * kRankine / kBtu);
    case 38:
      return v / (kBtu / kRankine);
    default:
      return v;
  }
}

// A row of a stored value V of class CLS.
struct Row;
Row stored(const std::string& attr, const std::string& id, std::int32_t cls, double v);

// One row of a reader's attribute table: the value in sets 1 and 5, its type, count, element
// length, unit class and status.
struct Row {
  std::string attr, id;
  double set1, set5;
  std::int32_t iucls = 0;
  std::int32_t type = 0;
  std::int32_t ierr = 0;
  std::int32_t count = 1;
  std::int32_t elen = 4;
};

inline Row stored(const std::string& attr, const std::string& id, std::int32_t cls, double v) {
  return Row{attr, id, v, set5(cls, v), cls};
}

// Runs every row in both sets; single values compared to 1e-12 relative (the values stay in
// double precision through the dispatcher; the unit table's factors are floats, 6e-8).
inline void expectRows(const std::string& cls, const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    for (const std::int32_t set : {1, 5}) {
      SCOPED_TRACE(cls + " " + row.attr + " " + row.id + " in set " + std::to_string(set));
      const Answer a = ask(cls, row.attr, row.id, set);
      EXPECT_EQ(a.type, row.type);
      EXPECT_EQ(a.count, row.count);
      EXPECT_EQ(a.elen, row.elen);
      EXPECT_EQ(a.iucls, row.iucls);
      EXPECT_EQ(a.ierr, row.ierr);
      EXPECT_EQ(a.out, "");
      if (a.count < 1) continue;
      const double expected = set == 1 ? row.set1 : row.set5;
      const double got = row.type == 1 ? a.integers[0] : a.reals[0];
      EXPECT_NEAR(got, expected,
                  1e-7 * std::max(1.0, std::abs(expected)) + 1e-4 * (row.iucls == 1));
    }
  }
}

}  // namespace equipment_tests
