// Distillation tables of a stream: the 21-point curve (0, 5, ..., 100 % distilled, K) of a
// composition, as a true-boiling-point (TBP) curve on the liquid-volume or weight basis, and
// converted along the chain TBP -> ASTM D86 -> D86 without the cracking correction, TBP ->
// TBP at 10 mmHg -> ASTM D1160 at 10 mmHg -> D1160 at atmospheric pressure, and TBP -> ASTM
// D2887.
#pragma once

#include <cstdint>
#include <span>

#include "streamprops/curve_conversions.hpp"

namespace streamprops {

// Curve types (IFLAG, JFLAG of STMTBP).
enum class CurveType : std::int32_t {
  None = 0,
  Tbp = 1,             // TBP, liquid-volume basis, atmospheric pressure
  D86 = 2,             // ASTM D86
  D86Uncracked = 3,    // D86 with the cracking correction removed
  Tbp10mmHg = 4,       // TBP at 10 mmHg
  D1160At10mmHg = 5,   // ASTM D1160 at 10 mmHg
  D1160Atmospheric = 6,
  D2887 = 7,           // simulated distillation
  TbpWeight = 8,       // TBP, weight basis
};

// The two words the last curve build set: the volume-average boiling point of the first
// 1 % distilled (standing for 0.5 %), and the normal boiling point of the heaviest lump with
// a positive volume, K. Reset by every problem open.
struct CurveEnds {
  double front = 0.0;
  double last = 0.0;
};
CurveEnds& lastCurveEnds();

// The 21 fractions 0.00, 0.05, ..., 1.00 of the distillation grid.
std::span<const double, kCurvePoints> curveFractions();

// The composition and component data a curve is built from.
struct CurveComponents {
  std::int32_t water = 0;               // component index of water (0 = none)
  std::span<const std::int32_t> order;  // component indices by rising normal boiling point
  std::span<const double> molecularWeight;  // by component (index k at k - 1)
  std::span<const double> boilingPoint;     // normal boiling points, K; <= RMISS missing
  std::span<const double> gravity;          // specific gravities 60/60 F
  std::span<double> amounts;                // the water entry is 0 during the call
};

// Builds the distillation curve of type JFLAG from the composition, or continues from the
// curve of type IFLAG in CURVE.
//   iflag        in/out  type already in CURVE (0 none); set to JFLAG on success
//   jflag        in      curve type wanted
//   ierr         out     0 success; 1 no positive liquid volume, or a D86 conversion method
//                        that supplies no points (4, 5, above 6: CURVE all zeros for types 2
//                        and 3)
//   debug, unit  in      debug level (1 component table, 2 front and last temperatures, 3
//                        both) and the unit of its lines
//   method       in      D86 conversion method; below 1 counts as 1; the TBP method word or
//                        the problem's conversion method 4 force 4
//   c            in/out  composition and component data
//   ibpFraction  in      volume fraction whose average boiling point is the initial point
//   endFraction  in      the final point is the average boiling point of the last (1 - it)
//   ibpT, endT   out     initial and end-point temperatures, K
//   basis        in/out  0 liquid volume, else weight; 1 during a type-8 build, then 0
//   cumulative   out     per lump the cumulative fraction at its end; -1 beyond the last
//   mid          out     per lump the fraction at its middle; -1 beyond the last
//   curve        in/out  the curve of type IFLAG on entry, of JFLAG on exit
//   tbp          in/out  the TBP curve: written by a build from the composition, read by
//                        the conversions to types 4 to 6
// No failure stops the run. JFLAG above 8 returns with IERR 0 and IFLAG unchanged.
void STMTBP(std::int32_t& iflag, std::int32_t jflag, std::int32_t& ierr, std::int32_t debug,
            std::int32_t unit, std::int32_t method, const CurveComponents& c,
            double ibpFraction, double endFraction, double& ibpT, double& endT,
            std::int32_t& basis, std::span<double> cumulative, std::span<double> mid,
            std::span<double, kCurvePoints> curve, std::span<double, kCurvePoints> tbp);

// Laying points onto the grid: SPLCOF through the (abscissa, value) pairs, grid points
// outside the abscissa range take the nearest end value. Abscissas that do not rise drop
// the later point.
void layOnGrid(std::span<const double> abscissas, std::span<const double> values,
               std::span<double, kCurvePoints> curve);

// The floor of a curve: walking from the second entry, an entry not above the first is
// written into every entry from the first up to it.
void floorCurve(std::span<double> curve);

}  // namespace streamprops
