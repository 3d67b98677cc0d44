// The class readers of the data requests. Each has the reader interface of data_requests.hpp
// and answers the requests of one class name (or, for the column reader, three).
#pragma once

#include <array>
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

// The reactors: "Reactor" (unit type 10008), "ConReactor" (10024), "EquReactor" (10025),
// "Cstr" (10010), "Plug" (20004) and "Gibbs" (10009). Stored results, per-reaction lists, the
// plug-flow profiles and a per-component balance of the reactor's two connected streams.
void PARCTR(Request& request);
void PACONR(Request& request);
void PAEQUR(Request& request);
void PACSTR(Request& request);
void PAPLUG(Request& request);
void PAGIBB(Request& request);

// PARXND: the molar flows of components 1..NC (internal order) into and out of a reactor,
// from streams NFEED and NPROD, and the fractional conversion of each consumed component
// (|PROD - FEED| / FEED where PROD < FEED and FEED > 0, else 0.0); a missing mole fraction
// counts as none. Returns false, the arrays 0.0, when either number names no stream with a
// record; otherwise NFEED is current in set 2 and NPROD in set 1 afterwards.
bool PARXND(std::int32_t nfeed, std::int32_t nprod, std::span<double> feed, std::span<double> prod,
            std::span<double> conv);

// "Llex", "Colu" and "Side" (unit types 120001 and 120002): a column's configuration, tray
// profiles, tray compositions and K-values, and tray phase properties.
void PACOLU(Request& request);

// "Compressor" (unit type 10005), "Expander" (10006) and "Pump" (10007): the inlet and
// isentropic-outlet conditions, outlet temperature and pressure, works, efficiencies and,
// of a compressor, the pressure ratio and the aftercooler's results.
void PACMPR(Request& request);
void PAEXPN(Request& request);
void PAPUMP(Request& request);

// "Pipe" (unit type 10012): outlet conditions, sizing results, pressure-drop components,
// inlet and outlet fluid conditions, correlation, flow regimes and a profile of at most 50
// segments (the stored segment count answers "NumSegments").
void PAPIPE(Request& request);

// "Hx" (unit type 20001): terminal temperatures, duty, U, area, mean temperature
// difference, passes, pressure drops, stream counts, utility and attachment, and the
// K-values of the two products in internal component order.
void PAHX(Request& request);

// "LngHx" (unit type 20002): overall duty, zone results and per-cell temperatures,
// pressures, duties and types, at most 50 entries.
void PALNGH(Request& request);

// "HxRig" (unit type 20003): results and geometry, material codes, stream counts, the
// attached unit and the TEMA type.
void PAHXRG(Request& request);

// The three TEMA letters of CODE (hundreds, tens and units digit: A B C N D, E F G H J K X,
// S T U L M N P W), in LETTERS; "N/A" when a digit has no letter or CODE is negative.
std::string_view PATEMA(std::int32_t code, std::array<char, 3>& letters);

// "TITLE": the project, problem, user, date, site and description of the run title, and
// the version and special fields of the page headers. The identifier is not used.
void PATITL(Request& request);

// "Phase" (unit type 310002), "Calc" (220002) and "User" (410000): stored curves and
// vectors, read from the layout that stored_vector_readers.cpp states (no compatibility with
// files of another origin is claimed for these three classes).
void PAPHAS(Request& request);
void PACALC(Request& request);
void PAUSER(Request& request);

// "Short" (unit type 110001): condenser type, key components, sections, Fenske indices,
// Underwood results and the five-point tables of a shortcut column.
void PASHRT(Request& request);

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
