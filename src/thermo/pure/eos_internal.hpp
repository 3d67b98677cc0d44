// Private helpers of the equation-of-state kernels: a value carried with its first two
// temperature derivatives, array-length checks, timing, the cubic's root search and the
// attraction term of the fugacity coefficients. Not part of the subsystem's interface.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/services.hpp"

namespace pure::eos_internal {

// ---------------------------------------------------------------------------------------
// A value with its first and second temperature derivatives
// ---------------------------------------------------------------------------------------

// Arithmetic on Jets applies the chain rule, so a formula written once gives its exact
// first and second derivatives. The value never depends on the derivatives.
struct Jet {
  double v = 0.0;   // value
  double d = 0.0;   // first derivative
  double dd = 0.0;  // second derivative
};

inline Jet constant(double value) { return Jet{value, 0.0, 0.0}; }

inline Jet operator+(Jet x, Jet y) { return Jet{x.v + y.v, x.d + y.d, x.dd + y.dd}; }
inline Jet operator-(Jet x, Jet y) { return Jet{x.v - y.v, x.d - y.d, x.dd - y.dd}; }
inline Jet operator-(Jet x) { return Jet{-x.v, -x.d, -x.dd}; }
inline Jet operator+(Jet x, double c) { return Jet{x.v + c, x.d, x.dd}; }
inline Jet operator+(double c, Jet x) { return x + c; }
inline Jet operator-(Jet x, double c) { return Jet{x.v - c, x.d, x.dd}; }
inline Jet operator-(double c, Jet x) { return Jet{c - x.v, -x.d, -x.dd}; }
inline Jet operator*(Jet x, double c) { return Jet{x.v * c, x.d * c, x.dd * c}; }
inline Jet operator*(double c, Jet x) { return x * c; }
inline Jet operator*(Jet x, Jet y) {
  return Jet{x.v * y.v, x.d * y.v + x.v * y.d, x.dd * y.v + 2.0 * x.d * y.d + x.v * y.dd};
}
inline Jet operator/(Jet x, double c) { return Jet{x.v / c, x.d / c, x.dd / c}; }

// f(x) with f, f' and f'' given at x.v.
inline Jet chain(Jet x, double f, double f1, double f2) {
  return Jet{f, f1 * x.d, f1 * x.dd + f2 * x.d * x.d};
}
inline Jet reciprocal(Jet x) {
  const double r = 1.0 / x.v;
  return chain(x, r, -r * r, 2.0 * r * r * r);
}
inline Jet operator/(Jet x, Jet y) { return x * reciprocal(y); }
inline Jet operator/(double c, Jet y) { return c * reciprocal(y); }
inline Jet exp(Jet x) {
  const double e = std::exp(x.v);
  return chain(x, e, e, e);
}
inline Jet log(Jet x) { return chain(x, std::log(x.v), 1.0 / x.v, -1.0 / (x.v * x.v)); }
// x^c for x > 0.
inline Jet pow(Jet x, double c) {
  const double p = std::pow(x.v, c);
  return chain(x, p, c * p / x.v, c * (c - 1.0) * p / (x.v * x.v));
}
inline Jet sqrt(Jet x) { return pow(x, 0.5); }

// ---------------------------------------------------------------------------------------
// Checks, switches and timing
// ---------------------------------------------------------------------------------------

// Diagnostic switches read by the kernels.
inline constexpr int kFugacityDebugSwitch = 54;

// Timing slots of the kernels: call counters in TIMST2, elapsed times in TIMST1.
inline constexpr std::size_t kTimingSlotEOSZRT = 26;
inline constexpr std::size_t kTimingSlotEOSTWU = 27;
inline constexpr std::size_t kTimingSlotEOSMR7 = 28;

// A timed kernel's call counted in TIMST2 and its elapsed time added in TIMST1.
class KernelTimer {
 public:
  explicit KernelTimer(std::size_t slot) : timer_(slot, services::TIMST1.seconds(slot)) {}

 private:
  services::RoutineTimer timer_;
};

// Stops the run with an abort report of ROUTINE when an array holds fewer than NEED
// values: the caller broke the kernel's argument contract.
// The abort itself, apart from the checks so that they stay inline on the kernels' paths.
[[noreturn]] void shortArray(std::size_t have, std::size_t need, std::string_view routine,
                             std::string_view what);
inline void requireLength(std::span<const double> array, std::size_t need, std::string_view routine,
                          std::string_view what) {
  if (array.size() < need) [[unlikely]]
    shortArray(array.size(), need, routine, what);
}
inline void requireLength(std::span<const std::int32_t> array, std::size_t need,
                          std::string_view routine, std::string_view what) {
  if (array.size() < need) [[unlikely]]
    shortArray(array.size(), need, routine, what);
}

// Position of the pair (i, j), i != j, 1-based, in a packed lower triangle without the
// diagonal: (max - 1)(max - 2)/2 + min, returned 0-based.
inline std::size_t pairIndex(std::int32_t i, std::int32_t j) {
  const std::int32_t hi = i > j ? i : j;
  const std::int32_t lo = i > j ? j : i;
  return static_cast<std::size_t>((hi - 1) * (hi - 2) / 2 + lo - 1);
}

// Number of packed pairs of NC components: NC(NC-1)/2, at least 1.
inline std::size_t pairCount(std::int32_t nc) {
  const std::int32_t n = nc * (nc - 1) / 2;
  return static_cast<std::size_t>(n < 1 ? 1 : n);
}

// ---------------------------------------------------------------------------------------
// The cubic and its roots
// ---------------------------------------------------------------------------------------

// Families of the two-constant cubic, recognised from (u1, u2).
enum class Family { VanDerWaals, SoaveRedlichKwong, PengRobinson, Other };

// The family of (u1, u2): tests on s = u1 + u2 and p = u1 u2 with tolerance 1e-5, in the
// order van der Waals, Soave-Redlich-Kwong, Peng-Robinson.
Family recogniseFamily(double u1, double u2);

// B of a pure fluid at its critical point, 0 for an unrecognised family.
double criticalCovolume(Family family);

// f(Z) = Z^3 + c2 Z^2 + c1 Z + c0 with its bracket. The physical roots lie in
// (B, upper]; f(B) = fLower and f(upper) = fUpper.
struct Cubic {
  double c2 = 0.0;
  double c1 = 0.0;
  double c0 = 0.0;
  double a = 0.0;       // A = a P / (R T)^2
  double b = 0.0;       // B = b P / (R T)
  double upper = 0.0;   // B + 1 for the plain cubic, B + zeta with association
  double fLower = 0.0;  // f(B)
  double fUpper = 0.0;  // f(upper)

  double value(double z) const { return ((z + c2) * z + c1) * z + c0; }
  double slope(double z) const { return (3.0 * z + 2.0 * c2) * z + c1; }
  // The size of the cubic's terms at Z: |Z^3| + |c2 Z^2| + |c1 Z| + |c0|. Residuals are
  // judged against it, so that a cubic whose terms are all tiny (a liquid at micro-pascals)
  // is solved as closely as one whose terms are near 1.
  double termScale(double z) const {
    const double az = z < 0.0 ? -z : z;
    const double t2 = c2 < 0.0 ? -c2 : c2;
    const double t1 = c1 < 0.0 ? -c1 : c1;
    const double t0 = c0 < 0.0 ? -c0 : c0;
    return ((az + t2) * az + t1) * az + t0;
  }
};

// The plain cubic of the two-constant equation for A, B, s = u1 + u2 and p = u1 u2.
inline Cubic plainCubic(double a, double b, double s, double p) {
  Cubic c;
  c.a = a;
  c.b = b;
  c.c2 = -(1.0 + (1.0 + s) * b);
  c.c1 = a + s * b + (s + p) * b * b;
  c.c0 = -(a * b + p * b * b * (1.0 + b));
  c.upper = b + 1.0;
  c.fLower = (s - p - 1.0) * b * b;
  c.fUpper = a;
  return c;
}

// What the root search found.
struct RootSearch {
  double z = 0.0;                       // the root of the phase asked for
  double discriminant = 0.0;            // D; below 0: three real roots
  bool deflated = false;                // three roots: the cubic was deflated
  double z1 = 0.0, z2 = 0.0, z3 = 0.0;  // the three roots after deflation
  double deflatedDiscriminant = 0.0;
  bool equalRoots = false;  // the deflated discriminant vanished
};

// Finds the root of the phase asked for (1 vapour: the largest in (B, upper]; any other
// code: the smallest in [B, upper)). STEP is the relative step tolerance of the Newton and
// Chebyshev passes (1e-15 for the plain cubic). A <= 0 takes Newton from B + 1.
RootSearch searchRoot(const Cubic& cubic, std::int32_t phase, double step);

// The attraction term L of ln phi from the ratio A/B = a/(b R T) and B:
// (A/B)/(u1 - u2) ln((Z - u1 B)/(Z - u2 B)), or its limit -(A/B) B/(Z - u B) when u1 and u2
// coincide (-A/Z for the van der Waals family). B = 0 gives 0.
double attractionTerm(double ratio, double b, double z, double u1, double u2);
Jet attractionTerm(Jet ratio, Jet b, Jet z, double u1, double u2);

// Phase check and pseudo-root of the plain cubic. When the root Z is not of the requested
// phase, or lies where dP/drho is below 0.1 R T, Z is replaced by the root of a pressure
// extrapolated beyond the limiting density; for the liquid, every ln phi gains
// ln(P*/P).
struct PseudoRoot {
  bool made = false;
  double z = 0.0;
  double lnCorrection = 0.0;
};
PseudoRoot pseudoRoot(double z, std::int32_t phase, Family family, double a, double b, double u1,
                      double u2, double rt, double p);

// Whether u1 and u2 are treated as one constant by the attraction term.
bool coincidentConstants(double u1, double u2);

}  // namespace pure::eos_internal
