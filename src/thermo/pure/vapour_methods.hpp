// Vapour methods for polar and associating gases: the virial equation with Pitzer-Curl and
// O'Connell-Prausnitz second virial coefficients (method 210), the Hayden-O'Connell second
// virial coefficients with chemical-theory dimerization (method 115), and the ideal mixture
// of monomers and dimers in chemical equilibrium (method 123).
//
// Units: T in K, P in kPa, B in m3/kmol, R = 8.314471. Pair arrays with the diagonal hold
// NS = NC(NC + 1)/2 values; each routine names its order.
#pragma once

#include <cstdint>
#include <span>

namespace pure {

// =======================================================================================
// Virial equation (method 210)
// =======================================================================================
// Pair arrays in lower-triangle order, the pair (i, j), j <= i, at i(i - 1)/2 + j.

// B of every pair with dB/dT and d2B/dT2: Pitzer-Curl functions, with the polar and
// association terms of O'Connell and Prausnitz for polar pairs below Tr 0.95 whose reduced
// dipole is at least 4.
//   mu (debye), eta, omega, pc (kPa), tc (K), vc (any volume unit) in (NC); t in (K);
//   b, bT, bTT out (NS)
void VRBIJC(std::span<const double> mu, std::span<const double> eta, std::int32_t nc,
            std::span<const double> omega, std::span<const double> pc, std::span<const double> tc,
            double t, std::span<const double> vc, std::span<double> b, std::span<double> bT,
            std::span<double> bTT);

// Bm = sum sum y_i y_j B_ij and its two temperature derivatives.
void VRBMIX(std::span<const double> b, std::span<const double> bT, std::span<const double> bTT,
            std::int32_t nc, std::span<const double> y, double& bm, double& bmT, double& bmTT);

// ln(phi_i) = (2 sum_j y_j B_ij - Bm) P/(R T), its temperature derivative, dZ/dT and Z.
void VRLNPH(std::span<const double> b, double bm, std::span<const double> bT, double bmT,
            std::int32_t nc, double p, double t, std::span<const double> y, std::span<double> lnphi,
            std::span<double> lnphiT, double& zT, double& z);

// VRBIJC, VRBMIX and VRLNPH in turn; the pair arrays are overwritten.
void VRFUGC(std::span<const double> mu, std::span<const double> eta, std::span<const double> tc,
            std::span<const double> pc, std::span<const double> vc, std::span<const double> omega,
            std::span<const double> y, std::int32_t nc, double p, double t, std::span<double> lnphi,
            std::span<double> lnphiT, double& z, double& zT, std::span<double> b,
            std::span<double> bT, std::span<double> bTT);

// =======================================================================================
// Hayden-O'Connell (method 115)
// =======================================================================================
// Pair arrays packed by columns of the upper triangle, the pair (i, j), i <= j, at
// j(j - 1)/2 + i.

// An association or solvation parameter at or above this is strong association.
inline constexpr double kStrongAssociation = 4.49;

// Pure-component data of the correlation, each NC values.
struct HocComponents {
  std::span<const double> tc;  // K
  std::span<const double> pc;  // kPa
  std::span<const double> rd;  // mean radius of gyration, angstrom
  std::span<const double> mu;  // dipole moment, debye
};

// The free part Bf (non-polar and polar) and the bound part Bb (metastable, bound and
// chemical) of B for every component and pair at T, each with dB/dT and d2B/dT2; B = Bf +
// Bb. A component whose size or energy parameter comes out negative is left out: its pairs
// get 0. associating becomes 1 when any eta reaches 4.49, else 0.
//   eta in (NS; the diagonal the association parameters); bf... out (NS each)
void HOCBIJ(std::int32_t nc, double t, const HocComponents& data, std::span<const double> eta,
            std::span<double> bf, std::span<double> bfT, std::span<double> bfTT,
            std::span<double> bb, std::span<double> bbT, std::span<double> bbTT,
            std::int32_t& associating);

// Dimerization equilibria by damped substitution: constants K_ij = -2 c Bb_ij
// exp(((Bf_ii + Bf_jj) - Bf_ij) c) (the self constant halved), c = P/(R T), true monomer
// fractions z and S = 1 + sum z_k W_k/2 (apparent moles per true mole).
//   c in; y in (NC); bf, bb in (NS); restart in (10: start from lnphi of the last call);
//   lnphi in (NC, read with restart 10); z out (NC); previous (NC) scratch; s out; k out
//   (NS); error out (1 when a constant is negative; then nothing else is valid)
// At most 1000 passes; converged when no z_i of a y_i above 5e-8 moved by more than 1e-12 y_i.
void HOCBCH(std::int32_t nc, double c, std::span<const double> y, std::span<const double> bf,
            std::span<const double> bb, std::int32_t restart, std::span<const double> lnphi,
            std::span<double> z, std::span<double> previous, double& s, std::span<double> k,
            std::int32_t& error);

// What HOCDRV hands back to HOCFUG, in the caller's storage (NS or NC values each).
struct HocSpecies {
  std::span<double> bf;       // 27: free part of B
  std::span<double> bb;       // 28: bound part of B
  std::span<double> bfT;      // 29: T dBf/dT
  std::span<double> bbT;      // 30: T dBb/dT
  std::span<double> bfTT;     // 31: T^2 d2Bf/dT2
  std::span<double> bbTT;     // 32: T^2 d2Bb/dT2
  std::span<double> k;        // 33: dimerization constants (self halved)
  std::span<double> weight;   // 34: true monomer fractions (NC)
  std::span<double> weightT;  // their temperature derivatives (NC)
};

// Words of the caller's storage of HocSpecies: 7 NS + 2 NC.
std::size_t hocSpeciesWords(std::int32_t nc);
// HocSpecies over storage of hocSpeciesWords values.
HocSpecies hocSpecies(std::int32_t nc, std::span<double> storage);

// The Hayden-O'Connell driver. Without association: B = sum sum y_i y_j B_ij with T dB/dT
// and T^2 d2B/dT2, ln(phi_i) = (2 sum_j y_j B_ij - B) P/(R T) and by level d ln(phi_i)/dT
// and its second derivative, all analytic. With association: the true species at T - 0.1,
// T + 0.1 and T, ln(phi_i) = c Bf_ii + ln(z_i/y_i), z0 = 1/S, B = sum z_i Bf_ii +
// sum_{j<=i} K_ij z_i z_j Bf_ij (so that Z = z0 (1 + B P/(R T))), and the temperature
// derivatives of ln(phi), z0, B and the monomer fractions by central differences; the
// species arrays at T.
//   associating in; level in (1-3); t, p in; y in (NC); restart in (10: start the true
//   species from the last ln(phi))
//   lnphi, lnphiT, lnphiTT out (NC; lnphiT at level >= 2, lnphiTT at level 3)
//   b, bT (T dB/dT), bTT (T^2 d2B/dT2) out; z0, z0T out (1 and 0 without association)
//   species out; error out (1: a negative dimerization constant; everything is then 0)
void HOCDRV(std::int32_t nc, const HocComponents& data, std::span<const double> eta,
            std::int32_t associating, std::int32_t level, double t, double p,
            std::span<const double> y, std::int32_t restart, std::span<double> lnphi,
            std::span<double> lnphiT, std::span<double> lnphiTT, double& b, double& bT, double& bTT,
            double& z0, double& z0T, const HocSpecies& species, std::int32_t& error);

// Vapour method 115: association when any eta reaches 4.49, HOCDRV, then Z and the departures
// of the level (cumulative 1-4).
//   level in; nc, ns in; p, t in; y in (NC)
//   status out (0, or HOCDRV's error: then Z and the departures are 0)
//   z0, z out; zT out (level >= 2); zP out (level 4, plain virial gas)
//   lnphi, lnphiT, lnphiTT out (NC)
//   hr, sr out (level >= 2); cpr, cvr, cpcv out (level >= 3)
//   storage in/out: hocSpeciesWords values for the species arrays
void HOCFUG(const HocComponents& data, std::span<const double> eta, std::int32_t level,
            std::int32_t nc, std::int32_t ns, double p, double t, std::span<const double> y,
            std::int32_t& status, double& z0, double& z, double& zT, double& zP,
            std::span<double> lnphi, std::span<double> lnphiT, std::span<double> lnphiTT,
            double& hr, double& sr, double& cpr, double& cvr, double& cpcv,
            std::span<double> storage);

// =======================================================================================
// Chemical theory (method 123)
// =======================================================================================
// ASCDRV's constants are packed by rows of the upper triangle: the pair (i, j), i <= j, at
// (i - 1)(2N - i + 2)/2 + (j - i) + 1, in 1/atm.

// Negative mole fractions to 0 (status 2), a zero sum -1, a sum of 1 unchanged (0 or 2),
// else normalised (1 or 2). N < 1: -1.
void ASCHL1(std::int32_t n, std::span<double> y, std::int32_t& status);
// Negative constants to 0; status 1 when none is positive, else 0; plus 2 when one was
// zeroed; N < 1: -1.
void ASCHL2(std::int32_t n, std::span<double> k, std::int32_t& status);
// Partner words: -1 no dimer; i only the self-dimer; j an exclusive pair with j; 0 else.
void ASCHL3(std::int32_t n, std::span<const double> k, std::span<std::int32_t> partner);
// The packed position (1-based) of (i, j) in either order; 1 for an index out of range.
std::int32_t ASCIDX(std::int32_t i, std::int32_t j, std::int32_t n);
// Solves A x = b (M x M row by row) by elimination with partial pivoting; A and b are
// overwritten. Returns false, with x partly written, when a pivot is zero or not finite or
// the solution is not finite (a singular system or one holding an infinity or a NaN).
[[nodiscard]] bool ASCHL4(std::int32_t m, std::span<double> a, std::span<double> b,
                          std::span<double> x);

// The monomer-dimer equilibrium: z_i = theta_i/R (true monomer over apparent mole fraction)
// and R, true moles per apparent mole.
//   option in (0 substitution on R; 1 Newton to 1e-4; other Newton to 5e-7)
//   y in/out (NC; checked by ASCHL1); k in/out (NS; checked by ASCHL2)
//   iwork (2 NC), rwork (2 NC + NC^2)
// A Newton pass whose linear system ASCHL4 cannot solve (singular, or holding an infinity or
// a NaN, as an overflowing constant gives) ends the iteration with the last iterate.
void ASCSOL(double t, double p, std::int32_t option, std::int32_t n, std::span<double> y,
            std::span<double> k, std::span<double> z, double& r, std::span<std::int32_t> list,
            std::span<std::int32_t> partner, std::span<double> step, std::span<double> residual,
            std::span<double> jacobian);
void ASCDRV(double t, double p, std::int32_t option, std::int32_t n, std::span<double> y,
            std::span<double> k, std::span<double> z, double& r, std::span<std::int32_t> iwork,
            std::span<double> rwork);

// Words of ASCFUG's real work: 3 NS + 5 NC + 2 NC + NC^2; of its integer work: 2 NC.
std::size_t ascfugWorkWords(std::int32_t nc);

// Vapour method 123: constants K_ij = 101.325 10^(A_ij + B_ij/T) (0 when both A and B are
// below 1e-30 in magnitude; an unlike constant below 1e-30 becomes 2 sqrt(K_ii K_jj)), the
// equilibrium by ASCDRV, and the derivatives by differences with relative steps 0.005.
//   t, p, option, nc in; y in (NC; not changed); iwork, work (ascfugWorkWords)
//   lnphi out (NC); lnphiT out (NC, level >= 2); z out
//   a, b in (NS, packed by columns of the upper triangle, (i, j) at j(j - 1)/2 + i)
//   hr, sr out (level >= 2); cpr, cvr, cpcv out (level 3); level in (1-3)
void ASCFUG(double t, double p, std::int32_t option, std::int32_t nc, std::span<const double> y,
            std::span<std::int32_t> iwork, std::span<double> work, std::span<double> lnphi,
            std::span<double> lnphiT, double& z, std::span<const double> a,
            std::span<const double> b, double& hr, double& cpr, double& cvr, double& cpcv,
            double& sr, std::int32_t level);

}  // namespace pure
