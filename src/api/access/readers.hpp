// The class readers of the data requests. Each has the reader interface of data_requests.hpp
// and answers the requests of one class name (or, for the column reader, three).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "api/access/data_requests.hpp"

namespace api_access {

// "COMPS": identifiers and pure-component constants, in component-number order.
void PACOMP(Request& request);

// "UNIT": identifiers, type and class names, texts, solution flags, feeds and products of
// the units.
void PAUNIT(Request& request);

// "Flash" (unit type 10001) and "Valve" (10004): calculated temperature, pressure, duty and
// the K-values of the connected stream.
void PAFLSH(Request& request);
void PAVALV(Request& request);

// "STREAM": identifiers, names, state, rates, phase fractions, enthalpies, entropies, heat
// capacities (Cv by a 1 K step at constant volume when not stored), densities, transport
// properties, compositions, heating values, the Watson factor, true and Reid vapour
// pressures (the Reid pressure in psi in every unit set), distillation curves at 13 points,
// blended inspection properties and the stored refinery points of one stream. A stream of
// zero total rate prints its two warning lines and answers every attribute with zeros and
// IERR -1; otherwise the request first evaluates what the stream does not keep yet (SRPROP),
// and a failed evaluation prints " PROPERTY CALCULATION ERROR FOR " and refuses. The
// liquid's standard volume without a standard density, the liquid heat capacity without
// liquid, Cv whose enthalpies cannot be evaluated and a Reid pressure by a method the
// library does not evaluate are refused (IERR 1), never a quotient over zero.
void PASTRM(Request& request);

// The stream number of the stream whose identifier is ID (blank-padded, case-sensitive,
// the first match in the stream-ID table); 0 when none.
std::int32_t PASRNO(std::string_view id);

// The Watson characterisation factor of components I1..I2 (stored positions) of the mole
// fractions X, water component IWATER left out (0: none): the mass-weighted mean of
// (1.8 Tb)^(1/3) / SG, Tb the normal boiling point in K and SG the standard liquid density
// of the component table (a specific gravity). RMISS when a component present lacks either
// constant; 0.0 when nothing but water is present.
double PACSUM(std::int32_t i1, std::int32_t i2, std::int32_t iwater, std::span<const double> x);

// What a stored state may be, in the internal units: a temperature (K) finite, above 0 and
// at most kHighestTemperature; a pressure (kPa) finite, above 0 and at most kHighestPressure
// (the bounds of the phase-property calls); a fraction within 0 to 1. A value outside is
// damage, answered with Request::implausible.
inline constexpr double kHighestTemperature = 1.0e5;
inline constexpr double kHighestPressure = 1.0e10;
inline bool plausibleTemperature(double kelvin) {
  return kelvin > 0.0 && kelvin <= kHighestTemperature;
}
inline bool plausiblePressure(double kpa) { return kpa > 0.0 && kpa <= kHighestPressure; }
inline bool plausibleFraction(double f) { return f >= 0.0 && f <= 1.0; }

// A class whose reader is not in this library yet: every attribute is unsupported, with the
// class's own wording (" FOR STREAM", " FOR PUMP" ...).
void answerUnsupported(Request& request, std::string_view wording);

}  // namespace api_access
