// Empty hooks: calls with fixed arguments and no effect, which each caller makes where the
// hook stands in its algorithm. Hooks of many arguments accept any arguments of their count.
// Included by services.hpp.
#pragma once

#include <cstdint>
#include <span>

namespace services {

// The mixing hook of the phase enthalpy sums (five arguments); the result argument keeps the
// 0.0 its caller passes. Returns 0.
template <typename... Arguments>
constexpr std::int32_t NOOP01(Arguments&&... /*arguments*/) {
  static_assert(sizeof...(Arguments) == 5, "NOOP01 takes five arguments");
  return 0;
}

// The flash hook of the stream flash driver for the external K-value methods; ISTAT stays
// as passed.
void NOOP02(std::int32_t istrm, std::int32_t itpfix, std::int32_t kind, std::int32_t nspec,
            std::span<const double> specv, double t, double p, std::int32_t& istat);

// The hook of the unit-operation cache fill (37 arguments). Returns 0.
template <typename... Arguments>
constexpr std::int32_t NOOP03(Arguments&&... /*arguments*/) {
  static_assert(sizeof...(Arguments) == 37, "NOOP03 takes 37 arguments");
  return 0;
}

// The hook of the stream record layout (three arguments). Returns 0.
template <typename... Arguments>
constexpr std::int32_t NOOP04(Arguments&&... /*arguments*/) {
  static_assert(sizeof...(Arguments) == 3, "NOOP04 takes three arguments");
  return 0;
}

// The polymer hook of the three-phase flash (42 arguments). Returns 0.
template <typename... Arguments>
constexpr std::int32_t NOOP05(Arguments&&... /*arguments*/) {
  static_assert(sizeof...(Arguments) == 42, "NOOP05 takes 42 arguments");
  return 0;
}

// The hook of the reset of the open-problem state.
void NOOP09();

// The hook of the flash tolerances: may change tolerance 5, the liquid-split step and its
// tolerance before the derived words are formed.
void NOOP10(double& tolerance5, double& step, double& tolerance);

}  // namespace services
