// Test support of the liquid-density methods: published component constants, a run with the
// component data in the core store, method parameter blocks built in core and held as the
// liquid-density block of the current method set (as LDWORK leaves a block it has read), and
// independent evaluations of the Lee-Kesler equation.
#pragma once

#include <cstdint>
#include <vector>

namespace density_test {

// Constants of a component. Critical constants, acentric factors, critical volumes and
// compressibilities, molar masses and normal boiling points: B. E. Poling, J. M. Prausnitz and
// J. P. O'Connell, "The Properties of Gases and Liquids", 5th ed. (2001), Appendix A.
// Standard specific gravities at 60 F: GPSA Engineering Data Book, physical constants of
// hydrocarbons. Rackett parameters ZRA (Spencer and Danner, 1972) as tabulated by R. C. Reid,
// J. M. Prausnitz and B. E. Poling, 4th ed. (1987). COSTALD characteristic volumes and
// acentric factors: R. W. Hankinson and G. H. Thomson, AIChE J. 25 (1979) 653.
struct Species {
  const char* name;
  double tc;  // K
  double pc;  // kPa
  double omega;
  double vc;  // m3/kmol
  double zc;
  double mw;  // kg/kmol
  double sg;  // specific gravity at 60 F
  double tb;  // K
  double zra;
  double vstar;  // m3/kmol
  double omegaSrk;
};
extern const Species kMethane;
extern const Species kEthane;
extern const Species kPropane;
extern const Species kButane;
extern const Species kPentane;
extern const Species kWater;

// A fresh run: messages, core store, sub-blocks, units, no component data, no method set,
// the loader and dispatcher state cleared.
void startRun();

// Component constants of components 1..n in the core store (COPTRS), COHDR counts n.
void installComponents(const std::vector<Species>& components);

// A parameter block: first and second real and integer sectors.
struct BlockData {
  std::vector<double> reals;
  std::vector<std::int32_t> integers;
  std::vector<double> reals2;
  std::vector<std::int32_t> integers2;
};

// Builds the block in a new core area and makes it the held liquid-density block of method
// CODE: PMCTL1's entry names a made-up disk address that LDSTAT holds, so LDWORK reads
// nothing; the liquid-density class gets REALWORK scratch reals.
void holdLiquidDensityBlock(std::int32_t code, const BlockData& data, std::int32_t realWork = 64);

// Peng and Robinson (1976): u1 + u2 = -2, u1 u2 = -1, Omega_a = 0.457235529, Omega_b =
// 0.077796074, m = 0.37464 + 1.54226 w - 0.26992 w^2. Code 101; the pair parameters k_ij are
// constant (groups B and C zero). STATE is the cache-state word.
BlockData pengRobinsonBlock(const std::vector<Species>& comps, const std::vector<double>& kij,
                            std::int32_t state = 2);
// The Peng-Robinson data under any cubic code: zero pair coefficients in the code's groups,
// zero coefficients of method 108's term, zero volume shifts of 124, and for 109 and 112 zero
// NRTL parameters (form 1, recomputed at every call).
BlockData cubicBlock(std::int32_t code, const std::vector<Species>& comps);
// The Peng-Robinson a_c, b and alpha of a component at T.
struct PengRobinson {
  double ac, b, alpha;
};
PengRobinson pengRobinson(const Species& s, double t);

// The Lee-Kesler constants: B. I. Lee and M. G. Kesler, AIChE J. 21 (1975) 510, Table 1
// (b1-b4, c1-c4, d1, d2, beta, gamma of the simple fluid and of n-octane).
extern const std::vector<double> kLeeKeslerSimple;
extern const std::vector<double> kLeeKeslerReference;
// Z and ln(phi) of one fluid at (Tr, Vr), and the reduced volume of its liquid (smallest) or
// vapour (largest) root at (Tr, Pr), found by a scan and bisection written for the tests.
double leeKeslerZ(const std::vector<double>& fluid, double tr, double vr);
double leeKeslerVolume(const std::vector<double>& fluid, double tr, double pr, bool liquid);
// The corresponding-states block of CODE for the components: the constants, liquid bracket
// rows around the liquid roots of both fluids when BRACKETS, no vapour rows, and the columns
// of the code's mixing rule.
BlockData leeKeslerBlock(std::int32_t code, const std::vector<Species>& comps, bool brackets);

// The Starling parameters of method 110 in field units from the generalized correlation of
// Han and Starling: K. E. Starling, "Fluid Thermodynamic Properties for Light Petroleum
// Systems", Gulf Publishing (1973); M. S. Han and K. E. Starling, Hydrocarbon Processing
// 51(5) (1972) 129. In the order B0, A0, C0, D0, E0, b, a, d, alpha, c, gamma.
std::vector<double> starlingParameters(const Species& s);
BlockData starlingBlock(const std::vector<Species>& comps, const std::vector<double>& kij);

// COSTALD (303): omega_SRK, V*, Tc; Rackett (305): ZRA, Tc, Pc, Vc; 302: Pc, Tc, ZRA.
BlockData costaldBlock(const std::vector<Species>& comps);
BlockData rackettBlock(const std::vector<Species>& comps);
BlockData rackettVolumesBlock(const std::vector<Species>& comps);

}  // namespace density_test
