// Test support of the liquid-density methods: published component constants, a run with the
// component data in the core store, method parameter blocks built in core and held as the
// liquid-density block of the current method set (as LDWORK leaves a block it has read), and
// independent evaluations of the Lee-Kesler equation.
#pragma once

#include <cstdint>
#include <vector>

#include "fixtures/problem_builder.hpp"

namespace density_test {

// Constants of a component: the published constants of the fixture builder
// (fixtures::publishedComponent names their sources), and standard specific gravities at
// 60 F from the GPSA Engineering Data Book, physical constants of hydrocarbons.
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

// The fixture builder's constants of a species.
fixtures::ComponentSpec specOf(const Species& s);

// A parameter block: first and second real and integer sectors.
using BlockData = fixtures::MethodBlock;

// Builds DATA as a sub-block in a new core area and describes it in LDSTAT as the block held
// from the made-up disk ADDRESS, so that a loader asked for that address reads nothing;
// returns its length.
std::int32_t holdBlock(const BlockData& data, std::int32_t address);

// Builds the block in a new core area and makes it the held liquid-density block of method
// CODE: PMCTL1's entry names a made-up disk address that LDSTAT holds, so LDWORK reads
// nothing; the liquid-density class gets REALWORK scratch reals.
void holdLiquidDensityBlock(std::int32_t code, const BlockData& data, std::int32_t realWork = 64);

// The fixture builder's Peng-Robinson block (fixtures::cubicParameterBlock) under code 101;
// the pair parameters k_ij are constant (groups B and C zero). STATE is the cache-state word.
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

// The Lee-Kesler constants of the fixture builder (b1-b4, c1-c4, d1, d2, beta, gamma of the
// simple fluid and of n-octane).
extern const std::vector<double> kLeeKeslerSimple;
extern const std::vector<double> kLeeKeslerReference;
// Z and ln(phi) of one fluid at (Tr, Vr), and the reduced volume of its liquid (smallest) or
// vapour (largest) root at (Tr, Pr), found by a scan and bisection written for the tests.
double leeKeslerZ(const std::vector<double>& fluid, double tr, double vr);
double leeKeslerVolume(const std::vector<double>& fluid, double tr, double pr, bool liquid);
// The fixture builder's corresponding-states block of CODE for the components, with liquid
// bracket rows around the liquid roots of both fluids when BRACKETS.
BlockData leeKeslerBlock(std::int32_t code, const std::vector<Species>& comps, bool brackets);

// The Starling parameters of method 110 in field units from the fixture builder's
// generalized correlation, in the order B0, A0, C0, D0, E0, b, a, d, alpha, c, gamma.
std::vector<double> starlingParameters(const Species& s);
BlockData starlingBlock(const std::vector<Species>& comps, const std::vector<double>& kij);

// The fixture builder's blocks of COSTALD (303): omega_SRK, V*, Tc; Rackett (305): ZRA, Tc,
// Pc, Vc; 302: Pc, Tc, ZRA.
BlockData costaldBlock(const std::vector<Species>& comps);
BlockData rackettBlock(const std::vector<Species>& comps);
BlockData rackettVolumesBlock(const std::vector<Species>& comps);

}  // namespace density_test
