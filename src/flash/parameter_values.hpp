// The thermodynamic parameter values of the cubic equations of state: one pure-component or
// interaction parameter of a method set's K-value block, and the conversion between the
// acentric factor and the Peng-Robinson kappa. Included by flash.hpp.
#pragma once

#include <cstdint>
#include <span>

namespace flash {

// Words of a parameter request record (the operand layout of a specification record),
// 1-based.
namespace parameterrequest {
inline constexpr std::size_t kMethodSet = 8;
inline constexpr std::size_t kComponents = 9;  // i * 10000 + j
inline constexpr std::size_t kKind = 30;
inline constexpr std::size_t kWords = 43;
inline constexpr std::int32_t kComponentScale = 10000;
}  // namespace parameterrequest

// Kinds of parameter that PARVAL returns.
enum class ParameterKind : std::int32_t {
  CriticalTemperature = 1,  // K
  CriticalPressure = 2,     // kPa
  AcentricFactor = 3,
  Interaction = 4,          // k_ij, first coefficient group
  SecondInteraction = 5,    // second coefficient group
  SpecificationValue6 = 6,  // 6 to 8: the value of the current specification record
  SpecificationValue8 = 8,
  ShiftedCubic9 = 9,  // 9 to 12: words that only the shifted cubic (124) carries
  ShiftedCubic12 = 12,
};

// PARVAL: one parameter of the cubic equation of state that a method set uses for its
// K-values, read from the set's K-value parameter block (codes 101, 102 and 124).
//   rec    in   the request record: word 8 the method set, word 9 the component code
//               i * 10000 + j (a pure-component parameter of component p may be written
//               p * 10000 or p * 10001), word 30 the kind (ParameterKind)
//   value  out  the parameter; DMISS when the kind is undefined, the set's K-value method
//               is not 101, 102 or 124, the code does not carry the kind, component i lies
//               outside 1..NC, a pair (i, j) names no two distinct components (a pair with
//               j > i reads the symmetric entry (j, i)), or the word lies outside the block
//   d3, d4, d5, ndig  out  the digits of slot 1's option word that FLMSET returns
// Side effects: the request's method set is current afterwards (FLMSET) and slot 1's block
// is loaded (MDLODC).
// Aborts: those of FLMSET and MDLODC.
void PARVAL(std::span<const std::int32_t> rec, double& value, std::int32_t& d3, std::int32_t& d4,
            std::int32_t& d5, std::int32_t& ndig);

// Directions of PRKAPW.
enum class KappaMode : std::int32_t { KappaToOmega = 1, OmegaToKappa = 2 };

// PRKAPW: the Peng-Robinson kappa of an acentric factor, or the acentric factor of a kappa.
//   mode   in      1: OMEGA from KAPPA; any other mode: KAPPA from OMEGA
//   kappa  in/out  kappa = 0.37464 + 1.54226 w - 0.26992 w^2 for w < 0.39849, else
//                  0.379642 + 1.48503 w - 0.164423 w^2 + 0.016666 w^3 (the heavy-component
//                  form)
//   omega  in/out  the acentric factor; the inverse takes the quadratic root (the smaller
//                  one unless it lies below -0.2) and, from kappa 0.946354 on, refines it
//                  on the cubic form
void PRKAPW(std::int32_t mode, double& kappa, double& omega);

}  // namespace flash
