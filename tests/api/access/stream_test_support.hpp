// The stream-reader tests: the four components of their problems, the exact unit factors
// their expected values are converted with, and the two-phase stream with free water that
// each problem holds.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "access_test_support.hpp"
#include "fixtures/problem_builder.hpp"

namespace stream_tests {

// Exact unit definitions, NIST Special Publication 811 (2008), Appendix B.
inline constexpr double kPound = 0.45359237;                                  // kg
inline constexpr double kPsi = 4.4482216152605 / (0.0254 * 0.0254) / 1000.0;  // kPa
inline constexpr double kBtu = 1.05505585262;                                 // kJ
inline double fahrenheit(double kelvin) { return 1.8 * kelvin - 459.67; }
// kJ/kmol to Btu/lb-mol.
inline double perPoundMole(double v) { return v * kPound / kBtu; }

// Stored order = component number: 1 METHANE, 2 PROPANE, 3 N-HEXANE, 4 WATER.
inline const std::vector<std::string> kNames{"METHANE", "PROPANE", "N-HEXANE", "WATER"};

// The two-phase stream with free water: state (K, kPa, kmol/h), phase fractions, enthalpies
// (kJ/kmol), compositions, and the values a problem may store with it: heat capacities,
// entropies and the vapour Cv (kJ/(kmol K)), compressibility factors.
struct MixedStream {
  double t = 320.0, p = 1500.0, rate = 50.0;
  double water = 0.05, vapour = 0.55, hydrocarbon = 0.40;
  double h = -12000.0, hWater = -40000.0, hVapour = -9000.0, hLiquid = -14000.0;
  double cpWater = 75.4, cpVapour = 45.0, cpLiquid = 190.0;
  double s = 120.0, sVapour = 150.0, sLiquid = 90.0, cv = 37.0;
  double zVapour = 0.93, zLiquid = 0.06;
  std::vector<double> z{0.40, 0.25, 0.30, 0.05};
  std::vector<double> y{0.70, 0.25, 0.05, 0.0};
  std::vector<double> x{0.05, 0.25, 0.70, 0.0};
};
inline const MixedStream kMixed;

// Stream MIXED of kMixed in method set 1; each problem adds the stored values it reads.
inline fixtures::StreamSpec mixedStream() {
  fixtures::StreamSpec mixed;
  mixed.name = "MIXED";
  mixed.temperature = kMixed.t;
  mixed.pressure = kMixed.p;
  mixed.rate = kMixed.rate;
  mixed.enthalpy = kMixed.h;
  mixed.waterFraction = kMixed.water;
  mixed.waterEnthalpy = kMixed.hWater;
  mixed.vapourFraction = kMixed.vapour;
  mixed.vapourEnthalpy = kMixed.hVapour;
  mixed.liquidFraction = kMixed.hydrocarbon;
  mixed.liquidEnthalpy = kMixed.hLiquid;
  mixed.composition = kMixed.z;
  mixed.vapour = kMixed.y;
  mixed.liquid = kMixed.x;
  mixed.integerWords = {{20, 1}};
  return mixed;
}

// Each value of GOT within RELATIVE of EXPECTED (at least 1.0 taken as the scale), plus
// the 5e-5 of the single precision the requests deliver in.
inline void expectNear(const std::vector<float>& got, const std::vector<double>& expected,
                       double relative = 2e-6) {
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t k = 0; k < got.size(); ++k) {
    EXPECT_NEAR(got[k], expected[k], relative * std::max(1.0, std::abs(expected[k])) + 5e-5) << k;
  }
}

// An attribute of the zero-rate stream EMPTY with the count and unit class it answers in.
struct EmptyStreamRow {
  std::string attr;
  std::int32_t count, iucls;
};

// Each request of ROWS warns that the stream has zero rate (status -1, the warning on the
// report unit) and answers its count of zeros in its unit class.
inline void expectZeroRateAnswers(const std::vector<EmptyStreamRow>& rows, std::int32_t set) {
  const std::string warning =
      " *** WARNING *** STREAM EMPTY        HAS ZERO RATE SO ALL RETURNED\n"
      "                 PROPERTY VALUES ARE ZERO.\n";
  for (const EmptyStreamRow& row : rows) {
    SCOPED_TRACE(row.attr);
    const auto r = access_tests::realRequest("STREAM", row.attr, "EMPTY", set);
    EXPECT_EQ(r.ierr, -1);
    EXPECT_EQ(r.out, warning);
    EXPECT_EQ(r.count, row.count);
    EXPECT_EQ(r.iucls, row.iucls);
    EXPECT_EQ(r.values, std::vector<float>(static_cast<std::size_t>(row.count), 0.0f));
  }
}

}  // namespace stream_tests
