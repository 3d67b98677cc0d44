// A small solved problem with columns whose tray profiles are written by hand, for the tests
// of the unit-operation data routines: three components (methane, ethane, propane), one
// Peng-Robinson set, feed streams and two three-tray columns.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "support/test_support.hpp"

namespace column_problem {

inline constexpr std::int32_t kTrays = 3;
inline constexpr std::int32_t kComponents = 3;
inline constexpr std::int32_t kSections = 3;  // OFFS of the two-liquid profiles

// Units in index order.
inline constexpr std::int32_t kColumn = 1;           // algorithm 1
inline constexpr std::int32_t kExtractor = 2;        // algorithm 4, two-liquid profiles
inline constexpr std::int32_t kSideUnit = 3;         // a side unit whose parent is kColumn
inline constexpr std::int32_t kOther = 4;            // a unit with VAT rows and attributed items
inline constexpr std::int32_t kMixer = 5;            // feeds FEED1 and FEED3
inline constexpr std::int32_t kNoEnthalpyMixer = 6;  // feeds FEED1 and NOENTHALPY
inline constexpr std::int32_t kNoFeedMixer = 7;
inline constexpr std::int32_t kZeroFeedMixer = 8;  // feed IDLE
inline constexpr std::int32_t kSetsMixer = 9;      // feeds FEED1-SP and FEED3-ALIKE

// Streams in index order.
inline constexpr std::int32_t kFeed1 = 1;       // 10 kmol, 300 K, 2000 kPa, vapour 0.4, liquid 0.6
inline constexpr std::int32_t kFeed2 = 2;       // 5 kmol, 400 K, 1500 kPa, all vapour
inline constexpr std::int32_t kIdle = 3;        // rate 0
inline constexpr std::int32_t kFeed3 = 4;       // 10 kmol, 400 K, 1500 kPa, all vapour
inline constexpr std::int32_t kNoEnthalpy = 5;  // FEED3 with a missing enthalpy
inline constexpr std::int32_t kFeed1Special = 6;  // FEED1 under method set 2 (another kind)
inline constexpr std::int32_t kFeed3Alike = 7;    // FEED3 under method set 3 (the same kind)

// The tray profiles both columns hold (element t - 1 for tray t).
struct Profiles {
  std::array<double, kTrays> temperature{350.0, 360.0, 370.0};
  std::array<double, kTrays> pressure{1000.0, 1010.0, 1020.0};
  std::array<double, kTrays> netVapour{10.0, 20.0, 0.0};
  std::array<double, kTrays> netLiquid{30.0, 40.0, 50.0};
  std::array<double, kTrays> totalVapour{12.0, 22.0, 2.0};
  std::array<double, kTrays> totalLiquid{33.0, 44.0, 55.0};
  std::array<double, kTrays> vapourEnthalpy{-100.0, -200.0, -300.0};
  std::array<double, kTrays> liquidEnthalpy{-400.0, -500.0, -600.0};
  std::array<double, kTrays> vapourCarried{0.9, 0.8, 0.7};
  std::array<double, kTrays> liquidCarried{0.1, 0.2, 0.3};
  // Rows of kComponents per tray, not normalised.
  std::array<double, kTrays * kComponents> vapour{2.0, 1.0, 1.0, 1.0, 1.0, 2.0, 1.0, 0.0, 3.0};
  std::array<double, kTrays * kComponents> liquid{1.0, 2.0, 1.0, 1.0, 1.0, 1.0, 0.2, 0.3, 0.5};
};

// The data block of a column with ALGORITHM and PROFILES; the two-liquid profiles (items 26
// to 29) when given: rates of liquid 1 and 2 at t and at t + OFFS, compositions at S(t).
struct TwoLiquids {
  std::array<double, 2 * kSections> liquid1Rate{};
  std::array<double, 2 * kSections> liquid2Rate{};
  std::array<double, 3 * kSections> enthalpy{};  // item 14: three sections
  std::vector<double> liquid1;                   // item 26
  std::vector<double> liquid2;                   // item 27
};
fixtures::BlockSpec columnBlock(std::int32_t algorithm, const Profiles& profiles,
                                const TwoLiquids* liquids = nullptr);

// The problem description, named NAME.
fixtures::ProblemDescription description(const std::string& name);

// Opens the problem built in DIR; closes it again.
void open(const testing_support::TempDir& dir);
void close();

// Loads unit N's data block into the work area (context 3).
void loadUnit(std::int32_t n);

}  // namespace column_problem
