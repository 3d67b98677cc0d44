// The Gibbs-energy minimisation flash FLASGB, which the two-phase flash with free water runs
// when diagnostic switch 45 forces it for a feed without water: the stability test STABL
// decides between one and two phases and minimises the Gibbs energy of a split.
#pragma once

#include <cstdint>
#include <span>

#include "flash/flash.hpp"

namespace multiphase {

// Whether the Gibbs flash accepts the K-value method CODE with option digit OPTION: the
// cubic codes 101, 102, 108, 111, 114, 116, 117, 121, 122, 124, 502, 503 and 510 to 512,
// with an option other than 4 (an activity route).
bool gibbsFlashAccepts(std::int32_t code, std::int32_t option);

// FLASGB: the Gibbs flash of A's feed at A's T and P (the common argument list; reads NCOMP,
// NC, KCDRV, KXOPT, KLLE, Z, T, P and the debug level; writes IFFAIL, X, Y, XK, FVAPOR,
// FLIQHC = FTOTLQ = 1 - FVAPOR, FWATER, GFLSH = GFLABS = 0, XKSTOR cleared, and ZV, ZL as
// the K-value call leaves them). Start K-values from a K-value call, or from a usable stored
// estimate (IHVDAT 2, KXOPT 1, largest K outside 0.99-1.01). A stable feed gets FLASVL's
// single phase; a split its vapour fraction, with a second liquid in the vapour's place
// when the split is liquid-liquid. IFFAIL 1, with the compositions the test left and all K
// at 1, when the test reports an error; IFFAIL 1 at once, nothing else changed, for more
// than 50 components or a K-value method the test does not serve (gibbsFlashAccepts).
void FLASGB(flash::IsothermalFlash& a);

// GBSTAB: the stability step: ln K, a normalised copy of the feed, STABL, then K = y/x (1
// where x is not positive), or every K = 1 when the feed is stable or the test failed.
//   n in; t, p in; z in (feed); x, y out; frac in/out; k in/out; isplit out; iprint in;
//   ierr out (STABL's)
void GBSTAB(std::int32_t n, double t, double p, std::span<const double> z, std::span<double> x,
            std::span<double> y, double& frac, std::span<double> k, std::int32_t& isplit,
            std::int32_t iprint, std::int32_t& ierr);

// GBWORK: forgets the stability test's temperature terms, so that a test never starts from
// terms of another set or another block; FLASGB calls it before and after the test.
void GBWORK(std::int32_t n);

// VSUMNM: S = sum V(1..N); when IOPT is not 0 and S is not 0, V is divided by S.
void VSUMNM(std::int32_t n, std::span<double> v, double& s, std::int32_t iopt);

// FLASVL: the single phase of a stable feed by its pseudo-critical constants (FLSPHC): all
// vapour (y = z, x = z/max(K, 1e-10) normalised) when P/Pc is not above the reduced pseudo
// vapour pressure, else all liquid (x = z, y = z K normalised).
void FLASVL(std::int32_t iout, std::int32_t ncomp, std::int32_t nc, std::int32_t idebug,
            std::span<const double> z, std::span<double> x, std::span<double> y,
            std::span<const double> k, double t, double p, double& ftotlq, double& fliqhc,
            double& fvapor);

}  // namespace multiphase
