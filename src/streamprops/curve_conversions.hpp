// Distillation curve conversions: a true-boiling-point (TBP) curve of 21 points (entry k at
// (k-1) x 5 % distilled, K) becomes an ASTM D86 curve at its nine characteristic points, or
// an ASTM D2887 (simulated distillation) curve at eight.
//
// Conventions:
// - A nine-point curve holds 0, 5, 10, 30, 50, 70, 90, 95 and 100 % distilled, in K.
// - Inside the correlations temperatures are degrees Fahrenheit (T x 1.8 - 459.67) or
//   Rankine (T x 1.8), differences degrees Fahrenheit; results go back to K.
// - Where T0 and T10 (or T90 and T100) differ, the D86 5 % (95 %) point of methods 1, 3 and
//   6 is interpolated between its neighbours in proportion to the TBP curve; where they are
//   equal it takes the outer point.
#pragma once

#include <cstdint>
#include <span>

namespace streamprops {

inline constexpr std::size_t kCurvePoints = 21;
inline constexpr std::size_t kNinePoints = 9;

// D86 conversion methods of the distillation options.
enum class D86Method : std::int32_t {
  Piecewise = 1,     // TBPCOF
  RiaziDaubert = 2,  // TBPCNV, then D86IP
  Exponential = 3,   // TBPVAC
  NoPoints = 4,      // TBPCUT
  Daubert = 6,       // TBPCN2
};

using Curve21 = std::span<const double, kCurvePoints>;
using NinePoints = std::span<double, kNinePoints>;

// Method 1: piecewise quadratic and linear relations of the 50 % temperature and of the
// differences between neighbouring points.
//   tbp  in   21-point TBP curve, K
//   d86  out  nine-point D86 curve, K
void TBPCOF(Curve21 tbp, NinePoints d86);

// Method 2, first part: the power law TBP = a D86^b per point (Rankine). Point 1 of TBP is
// expected to hold the front temperature (the average boiling point of the first 1 %).
//   tbp  in   21-point TBP curve, K
//   d86  out  nine-point D86 curve, K; D5 and D100 interpolated in proportion to the TBP
//             curve (ratio 1 where the TBP points coincide)
void TBPCNV(Curve21 tbp, NinePoints d86);

// Method 2, second part: re-places D0 for the initial cut at half the IBP fraction, on the
// straight line through (0.005, D0) and (0.05, D5); an IBP fraction of 0.05 gives D0 = D5.
//   ibpFraction  in      volume fraction of the initial cut
//   endFraction, fractions, tbp, front, last: in, read by the debug table only (K)
//   debug, unit  in      a positive level writes the table of both curves to UNIT
//   d86          in/out  nine-point D86 curve, K
void D86IP(double ibpFraction, double endFraction, std::span<const double, kCurvePoints> fractions,
           Curve21 tbp, double front, double last, std::int32_t debug, std::int32_t unit,
           NinePoints d86);

// Method 3: normalised exponential relations of the differences and a solved 50 %
// relation. A 50 % estimate left outside 200-900 F issues message 1040010013 with the
// identifier of the stream current in set 1; the points are returned all the same.
void TBPVAC(Curve21 tbp, NinePoints d86);

// Method 4 supplies no points: D86 is left as it is. Returns false.
bool TBPCUT(Curve21 tbp, NinePoints d86);

// Method 6: Daubert's relations through DSTCNV, D5 and D95 by the common rule.
void TBPCN2(Curve21 tbp, NinePoints d86);

// Daubert's relations between seven points at 0, 10, 30, 50, 70, 90 and 100 %, Rankine.
//   option  in      0: D86 to TBP; 1: TBP to D86
//   d86     in/out  out for option 1, in for option 0
//   tbp     in/out  in for option 1, out for option 0
void DSTCNV(std::int32_t option, std::span<double, 7> d86, std::span<double, 7> tbp);

// Daubert's relations between eight points at 5, 10, 30, 50, 70, 90, 95 and 100 %, K.
//   option  in      0: D2887 to TBP; 1: TBP to D2887
//   d2887   in/out  out for option 1, in for option 0
//   tbp     in/out  in for option 1, out for option 0
void TBPCN3(std::int32_t option, std::span<double, 8> d2887, std::span<double, 8> tbp);

// The D86 conversion of METHOD into D86; false when the method supplies no points (4, 5,
// and any method outside 1-6), D86 then untouched. Method 2 does not include D86IP.
bool convertToD86(std::int32_t method, Curve21 tbp, NinePoints d86);

}  // namespace streamprops
