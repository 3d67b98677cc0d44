// The root search of the two-constant cubic shared by the plain and the associating
// root solvers, the family of a pair of equation constants and the attraction term of the
// fugacity coefficients.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "services/services.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure::eos_internal {
namespace {

// Tolerance of the family tests on s = u1 + u2 and p = u1 u2.
constexpr double kFamilyTolerance = 1e-5;
// |f| at or below this times the size of the cubic's terms ends the search; the same
// relative bound tells a vanishing discriminant of the deflated quadratic.
constexpr double kResidualTolerance = 1e-20;
// Newton steps on the full cubic that refine a root of the deflated quadratic.
constexpr int kPolishSteps = 4;
// Newton passes continue while the relative step exceeds this.
constexpr double kNewtonSwitch = 0.01;
// The bracket ends sit just inside (B, upper).
constexpr double kLowerFactor = 1.0000000001;
constexpr double kUpperFactor = 0.9999999999;
// The search of a cubic without attraction.
constexpr double kRepulsiveSlope = 0.5;
constexpr double kRepulsiveRaise = 0.1;
constexpr int kRepulsiveUpdates = 50;
constexpr double kRepulsiveRelativeStop = 1e-10;
// A safeguard only: the bracket ends every loop long before.
constexpr int kMaxPasses = 500;
// Multiple of the rounding unit within which the depressed cubic's coefficients count as 0.
constexpr double kTripleRootNoise = 64.0 * 2.22e-16;

// Whether f = f(Z) is zero to the search's tolerance, relative to the size of the terms.
bool converged(const Cubic& c, double z, double f) {
  return std::fabs(f) <= kResidualTolerance * c.termScale(z);
}

// Refines a root of the deflated quadratic by Newton steps on the full cubic: deflation by
// a root near 1 cancels digits of the small roots, which the full cubic restores. A step
// is kept only while it lowers |f|.
double polish(const Cubic& c, double z) {
  double f = c.value(z);
  for (int k = 0; k < kPolishSteps && f != 0.0; ++k) {
    const double fp = c.slope(z);
    if (fp == 0.0) break;
    const double next = z - f / fp;
    const double fNext = c.value(next);
    if (!(std::fabs(fNext) < std::fabs(f))) break;
    z = next;
    f = fNext;
  }
  return z;
}

// Whether the cubic is a three-fold root within rounding: its depressed coefficients
// p = c1 - c2^2/3 and q = 2 c2^3/27 - c2 c1/3 + c0 vanish to the noise of their terms. A
// three-fold root is known to 1e-16 as the inflection point -c2/3, while the search can
// place it only to the cube root of the rounding of f, about 1e-5.
bool tripleRoot(const Cubic& c) {
  const double p = c.c1 - c.c2 * c.c2 / 3.0;
  const double q = 2.0 * c.c2 * c.c2 * c.c2 / 27.0 - c.c2 * c.c1 / 3.0 + c.c0;
  const double pScale = c.c2 * c.c2 / 3.0 + std::fabs(c.c1);
  const double qScale =
      std::fabs(2.0 * c.c2 * c.c2 * c.c2 / 27.0) + std::fabs(c.c2 * c.c1 / 3.0) + std::fabs(c.c0);
  return std::fabs(p) <= kTripleRootNoise * pScale && std::fabs(q) <= kTripleRootNoise * qScale;
}

// The regula-falsi or inflection-point start of the search (step 2 of the search); returns
// false when the inflection point is itself the root.
bool startValue(const Cubic& c, double d, double& lo, double& hi, double& z) {
  const double b = c.b;
  const double up = c.upper;
  if (d <= 0.0) {
    z = up - c.fUpper * (up - b) / (c.fUpper - c.fLower);
    return true;
  }
  const double zi = -c.c2 / 3.0;
  if (zi < b || zi > up) {
    z = 0.5 * (lo + hi);
    return true;
  }
  const double fi = c.value(zi);
  if (fi == 0.0) {
    z = zi;
    return false;
  }
  if (fi < 0.0) {
    lo = zi;
    z = up - c.fUpper * (up - zi) / (c.fUpper - fi);
  } else {
    hi = zi;
    z = b - c.fLower * (zi - b) / (fi - c.fLower);
  }
  return true;
}

// The real cube root of Y >= 0 to about 1e-14 relative: a first guess from the exponent bits
// (the biased exponent divided by three, within a few per cent), then two Halley steps
// x <- x (x^3 + 2y) / (2x^3 + y), each of which cubes the relative error. Enough for a start
// that one Newton step on the cubic takes to its rounding; the library's cbrt costs as much
// as the rest of a root search.
double cubeRoot(double y) {
  // Outside these the cube of a guess a few per cent off could leave the range of a double.
  constexpr double kSmallestCubed = 1e-290;
  constexpr double kLargestCubed = 1e290;
  if (!(y > kSmallestCubed && y < kLargestCubed)) return std::cbrt(y);
  // Restores two thirds of the exponent bias after the division: (1023 - 1023/3 - 0.0331)
  // in units of the exponent field, the constant B1 of W. Kahan's cube root (1991).
  constexpr std::uint64_t kBiasRestore = 0x2A9F7893782DA1CEull;
  double x = std::bit_cast<double>(std::bit_cast<std::uint64_t>(y) / 3 + kBiasRestore);
  for (int k = 0; k < 2; ++k) {
    const double x3 = x * x * x;
    x *= (x3 + 2.0 * y) / (2.0 * x3 + y);
  }
  return x;
}

// What the closed-form start gives: nothing (the iterative start serves), a start for the
// Newton passes, or a root already at its rounding.
enum class ClosedForm { None, Start, Settled };

// The one real root of a cubic whose discriminant says it has only one, in closed form
// (Cardano, in the cancellation-free arrangement of Press et al., Numerical Recipes, 3rd ed.,
// section 5.6), polished by one Newton step into Z. None when the value is not finite or
// lies outside the bracket (LO, HI). Settled when that step was below 1e-10 of the root and
// small against the curvature: Newton's error after it, |f''/(2 f')| step^2, is then below
// 1e-16 of the root, and the passes could only confirm it.
ClosedForm closedFormStart(const Cubic& c, double lo, double hi, double& z) {
  // A start only: products with the reciprocals serve for the divisions by 3, 9 and 54.
  constexpr double kThird = 1.0 / 3.0;
  constexpr double kNinth = 1.0 / 9.0;
  constexpr double k54th = 1.0 / 54.0;
  constexpr double kSettledStep = 1e-10;
  constexpr double kSettledCurvature = 1e-6;
  const double q = (c.c2 * c.c2 - 3.0 * c.c1) * kNinth;
  const double r = (2.0 * c.c2 * c.c2 * c.c2 - 9.0 * c.c2 * c.c1 + 27.0 * c.c0) * k54th;
  const double d = r * r - q * q * q;
  if (!(d > 0.0)) return ClosedForm::None;
  const double big = -std::copysign(cubeRoot(std::fabs(r) + std::sqrt(d)), r);
  const double small = big == 0.0 ? 0.0 : q / big;
  const double root = big + small - c.c2 * kThird;
  if (!(root > lo && root < hi)) return ClosedForm::None;
  z = root;
  // One Newton step takes out the closed form's rounding (several units where the root is
  // small against the coefficients), below what the passes' step tolerance would act on.
  const double fp = c.slope(root);
  if (!(fp > 0.0)) return ClosedForm::Start;
  const double delta = c.value(root) / fp;
  const double next = root - delta;
  if (!(next > lo && next < hi)) return ClosedForm::Start;
  z = next;
  const double curvature = 6.0 * root + 2.0 * c.c2;
  const bool settled = std::fabs(delta) <= kSettledStep * root &&
                       std::fabs(curvature * delta) <= kSettledCurvature * fp;
  return settled ? ClosedForm::Settled : ClosedForm::Start;
}

// Safeguarded Newton passes; returns false when the search has ended.
bool newtonPasses(const Cubic& c, double step, double& lo, double& hi, double& z) {
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    const double f = c.value(z);
    if (converged(c, z, f)) return false;
    if (f <= 0.0) {
      lo = z;
    } else {
      hi = z;
    }
    const double fp = c.slope(z);
    const double tol = step * z;
    double next = 0.0;
    if (fp <= 0.0) {
      next = 0.5 * (lo + hi);
    } else {
      const double delta = f / fp;
      if (std::fabs(delta) <= tol) return false;
      next = std::clamp(z - delta, lo, hi);
    }
    if (std::fabs(next - z) <= tol) return false;
    const double moved = next - z;
    z = next;
    if (!(fp < 0.0 || std::fabs(moved / z) > kNewtonSwitch)) return true;
  }
  return true;
}

// Chebyshev passes: z - (f/f')(1 + f f''/(2 f'^2)).
void chebyshevPasses(const Cubic& c, double step, double& lo, double& hi, double& z) {
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    const double f = c.value(z);
    const double fp = c.slope(z);
    if (converged(c, z, f)) return;
    if (f > 0.0) {
      hi = z;
    } else {
      lo = z;
    }
    const double tol = step * z;
    double next = 0.0;
    if (fp <= 0.0) {
      next = 0.5 * (lo + hi);
    } else {
      const double ratio = f / fp;
      const double delta = ratio * (1.0 + (3.0 * z + c.c2) * f / (fp * fp));
      if (std::fabs(delta) <= tol) return;
      next = z - delta;
      if (next <= lo) next = 0.5 * (z + lo);
      if (next >= hi) next = 0.5 * (z + hi);
    }
    if (std::fabs(next - z) <= tol) return;
    z = next;
  }
}

// Deflates the cubic by the root z1 and chooses the root of the phase.
void chooseRoot(const Cubic& c, std::int32_t phase, RootSearch& r) {
  r.deflated = true;
  const double z1 = r.z;
  const double pp = z1 + c.c2;
  const double qq = services::RELCMP(z1, 0.0) == 0 ? 0.0 : -c.c0 / z1;
  const double d = pp * pp - 4.0 * qq;
  r.deflatedDiscriminant = d;
  r.z1 = z1;
  if (std::fabs(d) < kResidualTolerance * (pp * pp + 4.0 * std::fabs(qq)) || d < 0.0) {
    // The other two roots coincide with the one found (d below 0 is rounding only).
    r.equalRoots = true;
    r.z2 = z1;
    r.z3 = z1;
  } else {
    const double root = std::fabs(std::sqrt(d));
    r.z2 = pp >= 0.0 ? -(pp + root) / 2.0 : -(pp - root) / 2.0;
    r.z3 = services::RELCMP(r.z2, 0.0) == 0 ? 0.0 : qq / r.z2;
    r.z2 = polish(c, r.z2);
    r.z3 = polish(c, r.z3);
  }
  const double roots[3] = {r.z1, r.z2, r.z3};
  const double b = c.b;
  const double up = c.upper;
  bool found = false;
  double chosen = 0.0;
  for (const double z : roots) {
    if (phase == 1) {
      if (z > b && z <= up && (!found || z > chosen)) {
        chosen = z;
        found = true;
      }
    } else if (z >= b && z < up && (!found || z < chosen)) {
      chosen = z;
      found = true;
    }
  }
  if (!found) chosen = phase == 1 ? b : up;
  r.z = chosen;
}

}  // namespace

Family recogniseFamily(double u1, double u2) {
  const double s = u1 + u2;
  const double p = u1 * u2;
  if (std::fabs(s) < kFamilyTolerance && std::fabs(p) < kFamilyTolerance) {
    return Family::VanDerWaals;
  }
  if (std::fabs(p) < kFamilyTolerance && std::fabs(s + 1.0) < kFamilyTolerance) {
    return Family::SoaveRedlichKwong;
  }
  if (std::fabs(s + 2.0) < kFamilyTolerance && std::fabs(p + 1.0) < kFamilyTolerance) {
    return Family::PengRobinson;
  }
  return Family::Other;
}

double criticalCovolume(Family family) {
  switch (family) {
    case Family::VanDerWaals:
      return 0.125;
    case Family::SoaveRedlichKwong:
      return (std::cbrt(2.0) - 1.0) / 3.0;
    case Family::PengRobinson:
      return 0.0778;
    case Family::Other:
      break;
  }
  return 0.0;
}

RootSearch searchRoot(const Cubic& c, std::int32_t phase, double step) {
  RootSearch r;
  const double b = c.b;
  if (c.a > 0.0) {
    if (!(c.upper > b)) {
      r.z = b;
      return r;
    }
    r.discriminant = 27.0 * c.c0 * c.c0 - 18.0 * c.c0 * c.c1 * c.c2 +
                     4.0 * c.c0 * c.c2 * c.c2 * c.c2 + 4.0 * c.c1 * c.c1 * c.c1 -
                     c.c1 * c.c1 * c.c2 * c.c2;
    double lo = b * kLowerFactor;
    double hi = c.upper * kUpperFactor;
    double z = 0.0;
    const ClosedForm start =
        r.discriminant > 0.0 ? closedFormStart(c, lo, hi, z) : ClosedForm::None;
    const bool searching = start == ClosedForm::None ? startValue(c, r.discriminant, lo, hi, z)
                                                     : start == ClosedForm::Start;
    if (searching && newtonPasses(c, step, lo, hi, z)) {
      chebyshevPasses(c, step, lo, hi, z);
    }
    r.z = tripleRoot(c) ? -c.c2 / 3.0 : z;
    if (r.discriminant < 0.0) chooseRoot(c, phase, r);
    return r;
  }
  // No attraction: Newton from B + 1, first raised to where the slope is firm.
  double z = b + 1.0;
  for (int k = 0; k < kMaxPasses && c.slope(z) <= kRepulsiveSlope; ++k) z += kRepulsiveRaise;
  const double tol = step * (b + 1.0);
  for (int update = 0; update < kRepulsiveUpdates; ++update) {
    const double delta = c.value(z) / c.slope(z);
    if (std::fabs(delta) <= tol) break;
    const double next = z - delta;
    if (std::fabs(next - z) <= tol) break;
    z = next;
    if (std::fabs(delta / z) <= kRepulsiveRelativeStop) break;
  }
  r.z = z;
  return r;
}

bool coincidentConstants(double u1, double u2) { return std::fabs(u1 - u2) < kFamilyTolerance; }

double attractionTerm(double ratio, double b, double z, double u1, double u2) {
  if (recogniseFamily(u1, u2) == Family::VanDerWaals) return -ratio * b / z;
  if (coincidentConstants(u1, u2)) return -ratio * b / (z - 0.5 * (u1 + u2) * b);
  return ratio / (u1 - u2) * std::log((z - u1 * b) / (z - u2 * b));
}

Jet attractionTerm(Jet ratio, Jet b, Jet z, double u1, double u2) {
  if (recogniseFamily(u1, u2) == Family::VanDerWaals) return -(ratio * b / z);
  if (coincidentConstants(u1, u2)) return -(ratio * b / (z - 0.5 * (u1 + u2) * b));
  return ratio / (u1 - u2) * log((z - u1 * b) / (z - u2 * b));
}

}  // namespace pure::eos_internal
