// Inspection properties of a stream and how they blend: the blend transforms (averages and
// power-law and exponential indexes), the kinematic-viscosity blend through the ASTM D341
// relation, and the property rules (cloud, pour, freeze and flash points, smoke point,
// luminometer number, cetane number and index, boiling points and their averages, octane
// numbers, net heating value, user blend indexes).
//
// Conventions: X is a composition basis vector by component (position i at X[i - 1]), V
// the per-component values of a property; temperatures in K. A rule without a defined
// result gives DMISS (-1.5E35).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace streamprops {

// Blend method codes of a store entry.
enum class BlendMethod : std::int32_t {
  PowerIndex = 371,   // 10^((log10 avg - R2) R1)
  Average = 372,      // plain average on the blend basis
  Correlation = 373,  // property-specific correlation
  CloudIndex = 374,   // power-law index, the cloud-point form for property 2
  UserIndex = 375,    // the user blend index
  ApiFlash = 376,
  CurveOnly = 377,
  Reciprocal = 378,
  SmokeIndex = 385,
  Luminometer = 387,
};

// Blend bases of a store entry.
inline constexpr std::int32_t kMoleBasis = 1;
inline constexpr std::int32_t kWeightBasis = 2;

// The per-component constants a blend needs (position i at [i - 1]).
struct BlendConstants {
  std::span<const double> molecularWeight;
  std::span<const double> gravity;
  std::span<const double> boilingPoint;  // K
};

// The average of V over X on BASIS (1 mole fractions as they stand, 2 weight, other liquid
// volume); 0.0 when the total weight or volume is zero; DMISS on the weight or volume basis
// when a component present lacks its molecular weight or (volume) its gravity.
double blendAverage(std::span<const double> x, std::span<const double> v, std::int32_t basis,
                    const BlendConstants& c);

// Index transforms: option 1 index (AVG) to property (VALUE), option 2 the inverse. A
// missing index (AVG at or below RMISS) gives the missing value DMISS.
void SPBIX4(std::int32_t opt, double& avg, double& value, double r1, double r2);
void SPBIX6(std::int32_t opt, double& avg, double& value, double r1, double r2, std::int32_t iprop);
void SPBIX3(std::int32_t opt, double& avg, double& value, std::int32_t method, double r1, double r2);
void SPBIX5(std::int32_t opt, double& avg, double& value, std::int32_t method, double r1, double r2);

// Kinematic viscosity (cSt) at T (K) from the Walther constants A, B of ln ln Z = A + B ln T,
// the inverse of the ASTM D341 relation; 0.0 when A and B are both 0 or either is missing.
double SPVIS1(double a, double b, double t, std::int32_t method);

// The viscosity blend index of method 373 (option 2: index of NU; option 1: NU of the
// index, solved), the power-law pair of SPBIX4 for other methods.
void SPVIS2(std::int32_t opt, double& index, double& nu, std::int32_t method, double r1, double r2);

// The kinematic viscosity at T of the blend X with Walther constants A, B (SPKVIS): 0.0 for
// methods other than 373 and 371 or without weight; DMISS when a component present lacks a
// constant of the weight or volume basis.
void SPKVIS(std::int32_t method, std::int32_t basis, double t, std::span<const double> x,
            std::span<const double> a, std::span<const double> b, double r1, double r2,
            const BlendConstants& c, double& value);

// Average boiling points of X without WATER (0 none), K: IPROP 85 mean, 86 cubic, 87 molal,
// for METHOD 373; 0.0 for other methods; DMISS when nothing but water is left.
void averageBoilingPoint(std::int32_t iprop, std::int32_t method, std::span<const double> x,
                         std::int32_t water, const BlendConstants& c, double& value);

// The ASTM D976 calculated cetane index of density D (g/mL at 15 C) and D86 50 %
// temperature B (C); 0.0 when B is not positive.
double cetaneIndex(double d, double b);

// Flash points from the D86 curve (nine points, K): method 373 from the 0, 5 and 10 %
// points; method 376 the API rule from the 10 % point.
double flashPointFromD86(std::int32_t method, std::span<const double> d86Grid);

// Inspection property IPROP (2-89) of the composition X with the blending data of the
// current method set's store; P the stream pressure (unused). VALUE DMISS when there is no
// store, no entry or no rule for the entry's method.
void SPBLND(std::int32_t iprop, std::span<const double> x, double& value, double p);

// User special property IUSER of X; DMISS without store or entry.
void SPUSER(std::int32_t iuser, std::span<const double> x, double& value);

// The 600 group of the stream-property codes for the stream of pointer set 1: 601 kinematic
// viscosity at ARGVAL (K), 602-689 inspection properties, 690 user property (word 14), 695
// the actual volume flows of a phase. VALUE 0.0 for a stream without rate and for the
// codes without a rule.
void SPE600(std::int32_t ispec, std::span<std::int32_t> oprec, std::int32_t iaux,
            std::int32_t& istat, double& value, std::int32_t noflag, double argval);

}  // namespace streamprops
