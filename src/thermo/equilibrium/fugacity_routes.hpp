// Private helpers of the fugacity routines: the equation-of-state routes that the vapour and
// the liquid side share (the cubic route with its temperature cache, and the density-kernel
// methods 110, 204 and 125 to 128), and the flash work arrays they write. Not part of the
// subsystem's interface.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace equilibrium::fugacity_internal {

// The flash work arrays of one phase's derivatives.
struct PhaseArrays {
  std::int32_t lnphiT;  // dln(phi_i)/dT
  std::int32_t lnphiP;  // dln(phi_i)/dP
  std::int32_t lnphiN;  // n dln(phi_i)/dn_j, N x N
};
inline constexpr PhaseArrays kVapourArrays{8, 24, 25};
inline constexpr PhaseArrays kLiquidArrays{10, 26, 27};

// The departures of the cubic root (level 2 and above; cpr from level 3), for the phase
// property drivers.
struct RouteDepartures {
  double hr = 0.0;   // (H - H ideal)/(R T)
  double sr = 0.0;   // (S - S ideal at the reference pressure)/R
  double cpr = 0.0;  // (Cp - Cp ideal)/R = d(T hr)/dT
};

// One evaluation of an equation-of-state route.
struct RouteCall {
  std::int32_t code = 0;      // the method code that is served
  std::int32_t phase = 1;     // 1 vapour, 2 liquid
  std::int32_t level = 1;     // 1, 2 or 4
  bool cacheAllowed = false;  // an equation-of-state K-value method (not an activity set's)
  std::int32_t nc = 0;
  double t = 0.0;  // K
  double p = 0.0;  // kPa
  std::span<const double> x;
  PhaseArrays arrays{};
  std::string_view routine;  // named in the aborts
  // Phase property drivers: the departures land here; the root status goes to ROOTSTATUS
  // instead of the phase's root-status word of PMCTL2, and with WRITEARRAYS false only array
  // 50 (level 4) is written, not the phase's derivative arrays of the K-value engine.
  RouteDepartures* departures = nullptr;
  std::int32_t* rootStatus = nullptr;
  bool writeArrays = true;
};

// The cubic route of CODE from the held block (LDSTAT): pure-component terms (EOSTWU) and pair
// terms k = A + B/T + C/T^2 from the block's term cache (pure::heldCubicTerms), the code's
// mixing rule and the root of the phase (EOSZRT, or
// EOSZRA for 122 with its associating component present). Writes ln(phi), Z, and by level the
// derivative arrays of the phase and array 50. Returns false when the code has no mixing
// rule (nothing written).
bool cubicRoute(const RouteCall& call, std::span<double> lnphi, double& z);

// The density-kernel routes: 110 (WRAPA3), 204 (WRAPB3), 125 and 127 (PHCT1), 126 and 128
// (PHCT2). Returns false for any other code (nothing written). STATUS receives the failure
// word of 204.
bool densityKernelRoute(const RouteCall& call, std::span<double> lnphi, double& z,
                        std::int32_t& status);

// The first WORDS 8-byte words of the held block's first real sector, copied into owned
// storage that lasts until the next call. Aborts through ROUTINE "PARAMETER BLOCK TOO SHORT"
// (items NEEDED, HAVE) when the sector is shorter. The copy is taken again only when the
// sector's words differ from it (a new load, or a change in core).
std::span<const double> heldReals(std::size_t words, std::string_view routine);

// Copies VALUES into flash work array ARRAY; aborts through ROUTINE "FLASH WORK ARRAY TOO
// SHORT" (items ARRAY, SIZE, NEEDED) when the partition gives it fewer elements.
void storeArray(std::int32_t array, std::span<const double> values, std::string_view routine);

// The fugacity dump on the report: the heading, then the values five to a line, each line
// led by its first component's index.
void dump(std::string_view heading, std::span<const double> values);

// Owned scratch of N doubles, index K (several may be live at once); kept between calls.
std::span<double> scratch(std::size_t k, std::size_t n);

}  // namespace equilibrium::fugacity_internal
