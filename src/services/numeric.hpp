// Numeric routines shared by the kernels and the flashes: the bracketed root step and the
// three-point fit of the one-dimensional searches, the safeguarded step of those searches,
// composition normalisation, vector sums, Rackett liquid volumes and the natural cubic
// spline. Included by services.hpp.
#pragma once

#include <cstdint>
#include <span>

namespace services {

// One step of a bracketed root search over XL <= XM <= XH with a change of sign among the
// residuals: XM becomes the new estimate and the end on the old middle point's side of the
// root takes the old middle point.
void ROOTBR(double& xl, double& xm, double& xh, double& yl, double& ym, double& yh);

// Fits Y = C1 X^2 + C2 X + C3 (MODE <= 2) or Y = C1 X^3 + C2 X + C3 (MODE 3) through three
// points and, for MODE 1 or above 3, returns a root estimate; MODE 2 and 3 return 0.
double ROOTHL(std::span<const double, 3> y, std::span<const double, 3> x, std::int32_t mode,
              std::span<double, 3> c);

// One step of a safeguarded one-dimensional root search on the caller's three stored
// points (FS residuals, XS abscissae, point 3 the newest), updated with (F, X): a bracketing
// interpolation (ROOTBR), a secant, a guarded quadratic step or a small fixed step; DX is the
// step to add to X, at most |DVMAX| (the first two calls step by DVMAX itself). N is the
// trial counter, 1 on the first call of a search. No state of its own, no failure.
void XEXTRP(std::int32_t n, double f, double x, std::span<double, 3> fs, std::span<double, 3> xs,
            double dvmax, double& dx);

// Divides X by its sum when the sum is not zero and differs from 1.
void NORMLZ(std::int32_t n, std::span<double> x);

// B = A normalised without component IEXCL (1-based; < 1: none); ICNT counts components
// above THR (tens digit of IOPT 0: counts cleared first; units digit 1: counted).
void NRMCNT(std::int32_t n, std::span<const double> a, std::span<double> b,
            std::span<std::int32_t> icnt, std::int32_t iopt, std::int32_t iexcl, double thr,
            double& frac, double& sum);

// Rackett saturated-liquid volumes (m3/kmol) and their temperature derivatives.
void CMPDER(std::int32_t n, std::span<const double> pc, std::span<const double> tc, double t,
            std::span<const double> zra, std::span<double> dvdt, std::span<double> v);

// The sum of A, or DMISS at the first element below RMISS; 0 for N < 1.
double SUMPOS(std::int32_t n, std::span<const double> a);

// The sum of A; 0 for N < 1.
double SUMVEC(std::int32_t n, std::span<const double> a);

// Natural cubic spline through (X, Y) evaluated at ascending XOUT. C holds the second
// derivatives: computed unless ICOEF is 1. IDER 1 adds the slope, 2 the curvature.
void SPLCOF(std::int32_t n, std::span<const double> x, std::span<const double> y,
            std::span<double> c, std::int32_t nout, std::span<const double> xout,
            std::span<double> yout, std::span<double> dyout, std::span<double> d2yout,
            std::int32_t icoef, std::int32_t ider);

// The real roots of X^3 + A2 X^2 + A1 X + A0 = 0.
//   isort   in      which root X1 receives when there are three (0: as found): 1 largest,
//                   2 smallest positive (a negative X1 stays only when no other root is
//                   positive), -3 smallest, -4 largest magnitude, -5 smallest magnitude,
//                   each by exchange (the three stay a set); -1 largest, -2 smallest, by
//                   overwriting X1 only
//   x1      in/out  the Newton start value (INEWT not 0); the chosen root
//   x2, x3  out     the other roots; all three equal X1 when NROOT is 1
//   nroot   out     1 or 3
//   inewt   in      not 0: Newton's method from X1 (at most 10 steps and 10 higher-order
//                   steps; the first step refused when |f'| < EPS or the step exceeds
//                   |STEPMX|; abandoned when |f| does not decrease or f' changes sign), the
//                   other two roots by deflation; else, and when Newton is abandoned, the
//                   closed form
//   eps     in      relative tolerance: X is a root when |f(X)| < |X| EPS
// A root chosen other than the Newton root is polished by Newton steps. No failure: at
// least one real root is always returned.
void CUBRTS(std::int32_t isort, double a2, double a1, double a0, double& x1, double& x2,
            double& x3, std::int32_t& nroot, std::int32_t inewt, double stepmx, double eps);

}  // namespace services
