// Private constants and helpers of the hard-sphere-chain kernels: the single-precision
// constants they use as stored, the square-well dispersion coefficients and the packed pair
// index. Not part of the subsystem's interface.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pure::hard_chain {

// A constant held in single precision, widened to double.
constexpr double single(float value) { return static_cast<double>(value); }

inline constexpr double kOneThird = single(1.0f / 3.0f);     // 0.3333333432674408
inline constexpr double kTwoThirds = single(2.0f / 3.0f);    // 0.6666666865348816
inline constexpr double kFiveThirds = single(5.0f / 3.0f);   // 1.6666666269302368
inline constexpr double kOneTwelfth = single(1.0f / 12.0f);  // 0.0833333358168602
// 2 pi/3 with pi = 3.1415927.
inline constexpr double kTwoPiOverThree = 2.0943951333333333;

// Square-well dispersion coefficients A(n, m), row m - 1, column n - 1; kTerms[m - 1]
// powers of the reduced density are summed.
inline constexpr std::array<std::size_t, 4> kTerms{6, 9, 5, 4};
inline constexpr std::array<std::array<double, 9>, 4> kDispersion{{
    {single(-8.8043f), single(4.164627f), single(-48.203556f), single(140.4362f),
     single(-195.23338f), single(113.515f), 0.0, 0.0, 0.0},
    {single(2.9396f), single(-6.0865383f), single(40.137955f), single(-76.2308f),
     single(-133.70055f), single(860.2535f), single(-1535.3224f), single(1221.4261f),
     single(-409.10538f)},
    {single(-2.8225f), single(4.760015f), single(11.257177f), single(-66.382744f),
     single(69.24879f), 0.0, 0.0, 0.0, 0.0},
    {single(0.34f), single(-3.1875014f), single(12.231796f), single(-12.110681f), 0.0, 0.0, 0.0,
     0.0, 0.0},
}};

// 0-based position of the pair (i, j) (0-based, either order) in the packed triangle with
// the diagonal: j(j + 1)/2 + i for i <= j.
inline std::size_t pairAt(std::size_t i, std::size_t j) {
  return i <= j ? j * (j + 1) / 2 + i : i * (i + 1) / 2 + j;
}

// Number of pairs with the diagonal.
inline std::size_t pairsWithDiagonal(std::int32_t nc) {
  const auto n = static_cast<std::size_t>(nc > 0 ? nc : 0);
  return n * (n + 1) / 2;
}

}  // namespace pure::hard_chain
