// Viscosity and thermal conductivity of a hydrocarbon phase by extended corresponding states
// with methane as the reference fluid (the method of J. F. Ely and H. J. M. Hanley): each
// component is mapped onto methane by temperature and volume scaling factors with shape
// factors, the mixture is one equivalent substance by one-fluid mixing, the methane state of
// corresponding temperature and pressure comes from the methane equation of state, and the
// methane viscosity or conductivity there is scaled back; a hard-sphere (Enskog) term
// corrects the mixture viscosity, an internal-energy (Eucken) term adds to the conductivity.
//
// The per-component constants come from the coefficient block of the property's method
// slot, read into the shared block area like every method block (cs_transport_model.hpp
// gives its layout).
#pragma once

#include <cstdint>
#include <span>

namespace phase {

// Phase and property numbers of TRCSMN.
enum class CsPhase : std::int32_t { Liquid = 1, Vapour = 2 };
enum class CsProperty : std::int32_t { Viscosity = 1, ThermalConductivity = 2 };

// STATUS of a failed evaluation: the equivalent substance or the methane density was not
// found.
inline constexpr std::int32_t kCsNotConverged = -1;

// Viscosity or thermal conductivity of a phase by corresponding states.
//   x       in   mole fractions of components 1..N (x[i - 1]); a fraction <= 0 leaves the
//                component out of the mixing sums
//   t       in   K
//   p       in   kPa
//   kphase  in   1 liquid, 2 vapour (CsPhase)
//   iprop   in   1 viscosity, 2 thermal conductivity (CsProperty)
//   status  out  0 success; -1 no convergence (result 0); the property number itself when
//                it is neither 1 nor 2; -1 also for a phase other than 1 or 2, a temperature
//                or pressure that is not positive, or N < 1
//   n       in   component count of the evaluation
//   result  out  Pa s or W/(m K); 0 unless status is 0
// Aborts ("TR", TRCSMN) when the method slot names no coefficient block or the block is
// shorter than 14 N reals, and when a component in the mixture lacks a positive critical
// density, critical temperature, critical compressibility or molar mass.
void TRCSMN(std::span<const double> x, double t, double p, std::int32_t kphase, std::int32_t iprop,
            std::int32_t& status, std::int32_t n, double& result);

}  // namespace phase
