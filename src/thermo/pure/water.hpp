// Properties of pure water: vapour pressure, saturation temperature, molar volume, enthalpy
// and entropy (WPROP), from simple correlations or from the 1969 fundamental equation of
// the Helmholtz function of water (the steam-table route). The routines work inside in
// English units (degrees F and R, psia, BTU/lb) and return K, kPa, kJ/kmol, m3/kmol.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pure {

// The property of WPROP (5 and above: the saturation temperature).
enum class WaterProperty : std::int32_t {
  Volume = 1,                // m3/kmol
  Enthalpy = 2,              // kJ/kmol, derivative kJ/(kmol K)
  Entropy = 3,               // kJ/(kmol K)
  VapourPressure = 4,        // kPa, derivative kPa/K
  SaturationTemperature = 5  // K
};

enum class WaterPhase : std::int32_t { Vapour = 1, Liquid = 2 };

// Water methods: 0 the correlations, 2 and 3 the empty hook, any other the steam tables.
inline constexpr std::int32_t kWaterCorrelations = 0;

// What WPCOR2 gives at a temperature and density.
enum class SteamQuantity : std::int32_t {
  Pressure = 1,  // psia
  Enthalpy = 2,  // BTU/lb
  Entropy = 3,   // BTU/(lb R)
};

// The slot of WPROP in TIMST2.
inline constexpr std::size_t kTimingSlotWPROP = 24;

// A property of pure water.
//   iflag       WaterProperty
//   method      the water method of the current set
//   t, p        K, kPa
//   waterp      out: the result
//   dwpdt       out: its temperature derivative; 0 where not computed
//   phase       WaterPhase
//   correction  > 0: the vapour pressure is the corrected one of WPCOR3 (iflag 4), or the
//               saturation temperature is iterated with it (iflag 5 and above)
//   debug       > 1: one trace line to UNIT; > 2: the conversion lines too
//   unit        output unit of the trace lines
//   deltaP      kPa subtracted from P for the vapour phase and the saturation temperature
// Returns 0.
std::int32_t WPROP(std::int32_t iflag, std::int32_t method, double t, double p, double& waterp,
                   double& dwpdt, std::int32_t phase, std::int32_t correction, std::int32_t debug,
                   std::int32_t unit, double deltaP);

// The empty hook of water methods 2 and 3. Returns 0.
std::int32_t WPNOOP(std::int32_t iflag, double t, double p, double& waterp, double& dwpdt,
                    std::int32_t phase, std::int32_t method);

// Specific volume of the vapour (ft3/lb) at T (K) and PATM (atm), a virial estimate.
void WPCOR1(double t, double patm, double& v);

// Pressure (psia), enthalpy (BTU/lb) or entropy (BTU/(lb R)) at T (K) and density RHO
// (g/cm3) from the Helmholtz function, by differences of 1.0E-6 relative.
void WPCOR2(double t, double rho, double& out, std::int32_t kind);

// The corrected vapour pressure (kPa) at T (K) and P (kPa).
void WPCOR3(double t, double p, double& out);

// The Helmholtz function psi (J/g) at T (K) and density RHO (g/cm3).
double WPCOR4(double t, double rho);

// RESULT = sum over j = 1..NY, i = 1..NX of C(i, j) x^(i-1) y^(j-1), C with i fastest;
// x = X, y = Y, or with OPT 1 x = A1 X + B1 and y = A2 Y + B2. A zero x (or y) gives x^0 = 1
// and every higher power 0.
void POLY2D(std::int32_t opt, double a1, double a2, double b1, double b2, double x, double y,
            std::span<const double> c, std::int32_t nx, std::int32_t ny, double& result);

}  // namespace pure
