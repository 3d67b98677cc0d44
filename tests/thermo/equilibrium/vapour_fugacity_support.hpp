// Support of the vapour fugacity tests: parameter blocks of every vapour method family, a run
// with components and flash work arrays, held blocks made current as the loaders leave them,
// calls of FVCALC with owned outputs, and the table of method families.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../pure/density_blocks.hpp"
#include "problem/problem.hpp"

namespace fugacity_test {

using density_test::BlockData;
using density_test::Species;

inline constexpr double kR = 8.314471;
// Words of every flash work array: 8 x 8 components at most.
inline constexpr std::int32_t kArrayWords = 64;

// A ternary of methane, propane and n-pentane, and a vapour of it.
const std::vector<Species>& ternary();
extern const std::vector<double> kVapour;

// ---------------------------------------------------------------------------------------
// Blocks
// ---------------------------------------------------------------------------------------

// The Peng-Robinson block of a cubic code with temperature-dependent pair terms in all its
// groups (the eight-group sour-water and electrolyte codes in the layout of 116).
BlockData cubicWithPairs(std::int32_t code, const std::vector<Species>& comps);
// Method 113: the Peng-Robinson head with the group-contribution model of the ternary.
BlockData groupBlock(const std::vector<Species>& comps);
// Methods 125 to 128 for a made-up ternary; SQUAREWELL adds kappa (125, 127).
BlockData hardChainBlock(bool squareWell);

// Method 210: per component Vc (m3/kmol), Tc (K), Pc (kPa), omega, dipole (debye), eta.
struct VirialSpecies {
  double vc, tc, pc, omega, mu, eta;
};
BlockData virialBlock(const std::vector<VirialSpecies>& s);
extern const VirialSpecies kVirialMethane;
extern const VirialSpecies kVirialNitrogen;
extern const VirialSpecies kVirialPropane;
extern const VirialSpecies kVirialWater;

// Method 115 for methane, water and acetic acid with the acid's association parameter.
BlockData hocBlock(double aceticEta);
// Method 123 for an inert gas with a dimerizing acid.
BlockData dimerBlock();

// ---------------------------------------------------------------------------------------
// The run
// ---------------------------------------------------------------------------------------

// A fresh run with the ternary's component data and every flash work array of kArrayWords.
void startFugacityRun();

// Builds the block in core and makes it the held block; returns its length.
std::int32_t holdBlock(const BlockData& data);
// An equation-of-state K-value method CODE with its block held.
void useEquationOfState(std::int32_t code, const BlockData& data);
// An activity K-value method whose vapour-phase method is CODE (107: an ideal vapour).
void useActivityVapour(std::int32_t code, const BlockData& data);

// What FVCALC returns.
struct Result {
  std::vector<double> lnphi;
  double z = -9.0;
  std::int32_t status = -9;
  std::int32_t numerical = 0;
};
Result call(const std::vector<double>& y, double t, double p, std::int32_t request,
            std::int32_t fugacity = 0, std::int32_t numerical = 0);

// The first COUNT values of flash work array K; every value of array K set to VALUE.
std::vector<double> array(std::int32_t k, std::size_t count);
void fill(std::int32_t k, double value);

// sum y_i v_i.
double weighted(const std::vector<double>& y, const std::vector<double>& v);

// ---------------------------------------------------------------------------------------
// The vapour method families
// ---------------------------------------------------------------------------------------

// One family: how to make it current, a vapour state, and how far its derivatives go.
struct Route {
  std::string name;
  std::function<void()> use;
  std::vector<double> y;
  double t, p;
  bool pressure;     // array 24 written
  bool composition;  // array 25 written
  double tolerance;  // relative, of the difference checks; 0: no derivatives
};
std::vector<Route> routes();

}  // namespace fugacity_test
