// Support of the vapour fugacity tests: parameter blocks of every vapour method family, a
// run with components and flash work arrays, held blocks made current as the loaders leave
// them, and the table of method families.
#include "vapour_fugacity_support.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/pure.hpp"

namespace fugacity_test {

using storage::CORSTO;
using storage::SBCUR;
using storage::SectorKind;

namespace {

constexpr std::int32_t kHeldAddress = 31000077;
constexpr std::int32_t kNrtl = 401;  // an activity K-value method

methods::MethodClass methodClass(std::int32_t code, std::int32_t address, std::int32_t length) {
  methods::MethodClass c;
  c.code = code;
  c.integerWork = 8;
  c.realWork = 64;
  c.blockAddress = address;
  c.blockLength = length;
  return c;
}

}  // namespace

const std::vector<Species>& ternary() {
  static const std::vector<Species> c = {density_test::kMethane, density_test::kPropane,
                                         density_test::kPentane};
  return c;
}
const std::vector<double> kVapour = {0.8, 0.15, 0.05};

// ---------------------------------------------------------------------------------------
// Blocks
// ---------------------------------------------------------------------------------------

// The Peng-Robinson block of a cubic code with temperature-dependent pair terms in all its
// groups, exponents 0.5 for the eight-group codes, and for 108 a term on component 3. The
// eight-group sour-water and electrolyte codes take the layout of 116.
BlockData cubicWithPairs(std::int32_t code, const std::vector<Species>& comps) {
  const std::int32_t layoutCode = services::LMCODB(code) ? 116 : code;
  BlockData d = density_test::cubicBlock(layoutCode, comps);
  const auto n = static_cast<std::int32_t>(comps.size());
  const std::size_t np = n > 1 ? static_cast<std::size_t>(n * (n - 1) / 2) : 1;
  const std::size_t groups = static_cast<std::size_t>(pure::cubicblock::groups(layoutCode));
  const std::size_t width = groups == 3 ? np : 2 * np;
  const std::size_t start = static_cast<std::size_t>(pure::cubicblock::pairs(n) - 1);
  for (std::size_t q = 0; q < width; ++q) {
    const bool second = q >= np;
    const double s = 1.0 + 0.3 * static_cast<double>(q % np);
    d.reals[start + q] = (second ? 0.03 : 0.01) * s;                 // A
    d.reals[start + width + q] = (second ? -3.0 : 4.0) * s;          // B
    d.reals[start + 2 * width + q] = (second ? 200.0 : -500.0) * s;  // C
  }
  if (groups == 8) {
    for (std::size_t q = 0; q < 2 * np; ++q) d.reals[start + 3 * width + q] = 0.5;
  }
  if (code == 108) {
    d.integers[static_cast<std::size_t>(n)] = 3;  // the flagged component
    for (std::int32_t i = 0; i < n; ++i) d.reals[start + 3 * width + i] = 150.0 + 50.0 * i;
  }
  if (code == 109 || code == 112) {
    // NRTL form 1: tau_ij = Q4_ij/T, alpha_ij = Q2_ij.
    const auto nn = static_cast<std::size_t>(n);
    const double q4[3][3] = {{0, 150, 250}, {-50, 0, 60}, {-80, 20, 0}};
    for (std::size_t i = 0; i < nn; ++i) {
      for (std::size_t j = 0; j < nn; ++j) {
        if (i == j) continue;
        d.reals2[1 * nn * nn + j * nn + i] = 0.3;
        d.reals2[3 * nn * nn + j * nn + i] = q4[i % 3][j % 3];
      }
    }
  }
  return d;
}

// Method 113: the Peng-Robinson head with the group-contribution model of the ternary
// (methane CH4; propane 2 CH3, 1 CH2; n-pentane 2 CH3, 3 CH2) and made-up interaction
// energies, Flory-Huggins combinatorial part.
BlockData groupBlock(const std::vector<Species>& comps) {
  BlockData d = density_test::cubicBlock(102, comps);
  // q, r, r'' of the components; Q of CH3, CH2, CH4; blocks a, b, c (2 x 2) at 13, 17, 21;
  // room for psi and dpsi.
  d.reals2 = {1.124, 2.236, 3.316, 1.1292, 2.4766, 3.8254, 1.095, 1.973,
              2.735, 0.848, 0.540, 1.124,  0.0,    -10.0,  35.0,  0.0,
              0.0,   -0.1,  0.2,   0.0,    0.0,    0.0005, 0.001, 0.0};
  d.reals2.resize(d.reals2.size() + 8, 0.0);
  d.integers2.assign(20, 0);
  d.integers2[11] = 3;  // subgroups
  d.integers2[12] = 2;  // main groups
  d.integers2[14] = 13;
  d.integers2[15] = 17;
  d.integers2[16] = 21;
  d.integers2[17] = 1;  // variant
  for (std::int32_t v : {1, 1, 2, 1, 2, 2, 10003, 20001, 10002, 20001, 30002}) {
    d.integers2.push_back(v);
  }
  return d;
}

// Hard-chain parameters of a made-up ternary (sizes in units of the pressure reduction,
// energies in units of 400 K): eps and sigma per packed pair, segment numbers, kappa.
BlockData hardChainBlock(bool squareWell) {
  struct Chain {
    double r, sigma, eps, kappa;
  };
  const std::array<Chain, 3> chains = {
      {{1.0, 0.93, 0.47, 0.025}, {2.7, 0.92, 0.52, 0.025}, {4.6, 0.96, 0.55, 0.0}}};
  BlockData d;
  std::vector<double> eps, sigma, r, kappa;
  for (std::size_t j = 0; j < 3; ++j) {
    for (std::size_t i = 0; i <= j; ++i) {
      eps.push_back(std::sqrt(chains[i].eps * chains[j].eps) * (i == j ? 1.0 : 0.98));
      sigma.push_back(0.5 * (chains[i].sigma + chains[j].sigma));
    }
    r.push_back(chains[j].r);
    kappa.push_back(chains[j].kappa);
  }
  d.reals = eps;
  d.reals.insert(d.reals.end(), sigma.begin(), sigma.end());
  d.reals.insert(d.reals.end(), r.begin(), r.end());
  if (squareWell) d.reals.insert(d.reals.end(), kappa.begin(), kappa.end());
  d.integers = {0};
  return d;
}

BlockData virialBlock(const std::vector<VirialSpecies>& s) {
  BlockData d;
  for (auto field : {&VirialSpecies::vc, &VirialSpecies::tc, &VirialSpecies::pc,
                     &VirialSpecies::omega, &VirialSpecies::mu, &VirialSpecies::eta}) {
    for (const VirialSpecies& c : s) d.reals.push_back(c.*field);
  }
  d.integers = {0};
  return d;
}
// Critical constants from B. E. Poling, J. M. Prausnitz and J. P. O'Connell, "The Properties
// of Gases and Liquids", 5th ed., Appendix A; water's dipole 1.85 D.
const VirialSpecies kVirialMethane{0.0986, 190.56, 4599.0, 0.011, 0.0, 0.0};
const VirialSpecies kVirialNitrogen{0.0901, 126.20, 3398.0, 0.037, 0.0, 0.0};
const VirialSpecies kVirialPropane{0.2000, 369.83, 4248.0, 0.152, 0.0, 0.0};
const VirialSpecies kVirialWater{0.0559, 647.14, 22064.0, 0.344, 1.85, 0.0};

// Method 115: Tc, Pc, mean radius of gyration (angstrom), dipole (debye), then eta per packed
// pair: methane, water and acetic acid.
BlockData hocBlock(double aceticEta) {
  BlockData d;
  d.reals = {190.56, 647.14, 594.45, 4599.0, 22064.0, 5786.0, 1.118, 0.615, 2.61, 0.0, 1.83, 1.74};
  for (double e : {0.0, 0.0, 1.7, 0.0, 2.5, aceticEta}) d.reals.push_back(e);
  d.integers = {0};
  return d;
}

// Method 123: A then B of the dimerization constants, packed pairs (1,1), (1,2), (2,2): an
// inert gas with a dimerizing acid.
BlockData dimerBlock() {
  BlockData d;
  d.reals = {0.0, 0.0, -10.4, 0.0, 0.0, 3170.0};
  d.integers = {0};
  return d;
}

// ---------------------------------------------------------------------------------------
// A run with components, flash work arrays and a held method block
// ---------------------------------------------------------------------------------------

std::int32_t holdBlock(const BlockData& data) {
  return density_test::holdBlock(data, kHeldAddress);
}

// An equation-of-state K-value method CODE with its block held.
void useEquationOfState(std::int32_t code, const BlockData& data) {
  const std::int32_t length = holdBlock(data);
  methods::KMCTL = {};
  methods::KMCTL.kvalue.code = code;
  methods::KMCTL.kvalue.slot = 1;
  methods::KMCTL.levelWord = 1;
  methods::MSPTRS.classes(1) = methodClass(code, kHeldAddress, length);
}

// An activity K-value method whose vapour-phase method is CODE (107: an ideal vapour).
void useActivityVapour(std::int32_t code, const BlockData& data) {
  const std::int32_t length = holdBlock(data);
  methods::KMCTL = {};
  methods::KMCTL.kvalue.code = kNrtl;
  methods::KMCTL.liquidFugacity.code = kNrtl;
  methods::KMCTL.levelWord = 1;
  methods::MSPTRS.classes(1) = methodClass(kNrtl, services::NODISK, 0);
  methods::MSPTRS.classes(17) = methodClass(code, kHeldAddress, length);
  methods::THDXCH.vapourFugacity = {code, 0, 17, kHeldAddress, length};
}

Result call(const std::vector<double>& y, double t, double p, std::int32_t request,
            std::int32_t fugacity, std::int32_t numerical) {
  Result r;
  r.lnphi.assign(y.size(), -9.0);
  r.numerical = numerical;
  const std::vector<std::int32_t> flags(y.size(), 1);
  equilibrium::FVCALC(static_cast<std::int32_t>(y.size()), y, r.lnphi, t, p, r.z, request, 0, flags,
                      fugacity, r.status, r.numerical);
  return r;
}

std::vector<double> array(std::int32_t k, std::size_t count) {
  std::vector<double> v(count);
  const std::int32_t offset = problem::FWPART.realOffset(static_cast<std::size_t>(k));
  for (std::size_t i = 0; i < count; ++i) {
    v[i] = CORSTO.real(offset + static_cast<std::int32_t>(i) + 1);
  }
  return v;
}

void fill(std::int32_t k, double value) {
  const std::int32_t offset = problem::FWPART.realOffset(static_cast<std::size_t>(k));
  for (std::int32_t i = 1; i <= kArrayWords; ++i) CORSTO.setReal(offset + i, value);
}

double weighted(const std::vector<double>& y, const std::vector<double>& v) {
  double s = 0.0;
  for (std::size_t i = 0; i < y.size(); ++i) s += y[i] * v[i];
  return s;
}

void startFugacityRun() {
  density_test::startRun();
  density_test::installComponents(ternary());
  methods::THDXCH = {};
  pure::EOSDBG = {};
  services::TIMST2 = {};
  for (std::int32_t k = 1; k <= problem::kFlashRealArrays; ++k) {
    problem::FWPART.realOffset(static_cast<std::size_t>(k)) = storage::ICMGTR(kArrayWords, 1);
    problem::FWPART.realSize(static_cast<std::size_t>(k)) = kArrayWords;
  }
}

// ---------------------------------------------------------------------------------------
// The vapour method families
// ---------------------------------------------------------------------------------------

std::vector<Route> routes() {
  std::vector<Route> r;
  const auto eos = [](std::int32_t code, BlockData d) {
    return [code, d] { useEquationOfState(code, d); };
  };
  const auto vapour = [](std::int32_t code, BlockData d) {
    return [code, d] { useActivityVapour(code, d); };
  };
  const std::vector<Species>& c = ternary();
  for (std::int32_t code : {101, 102, 108, 109, 111, 112, 114, 116, 117, 121, 122, 124, 502, 510}) {
    r.push_back({"cubic " + std::to_string(code), eos(code, cubicWithPairs(code, c)), kVapour,
                 350.0, 2000.0, true, true, 1e-6});
  }
  r.push_back({"cubic 113", eos(113, groupBlock(c)), kVapour, 350.0, 2000.0, true, true, 1e-6});
  r.push_back({"cubic 102 as the vapour of an activity method", vapour(102, cubicWithPairs(102, c)),
               kVapour, 350.0, 2000.0, true, true, 1e-6});
  r.push_back({"BWR 110", eos(110, density_test::starlingBlock(c, {0.01, 0.02, 0.0})), kVapour,
               350.0, 2000.0, true, false, 1e-5});
  r.push_back({"corresponding states 204", eos(204, density_test::leeKeslerBlock(204, c, false)),
               kVapour, 350.0, 2000.0, false, false, 1e-3});
  for (std::int32_t code : {125, 126, 127, 128}) {
    const bool squareWell = code == 125 || code == 127;
    r.push_back({"hard chain " + std::to_string(code),
                 eos(code, hardChainBlock(squareWell)),
                 {0.6, 0.3, 0.1},
                 500.0,
                 3000.0,
                 true,
                 true,
                 1e-5});
  }
  r.push_back({"virial 210",
               vapour(210, virialBlock({kVirialMethane, kVirialPropane, kVirialWater})),
               {0.7, 0.2, 0.1},
               420.0,
               300.0,
               false,
               false,
               1e-6});
  r.push_back({"Hayden-O'Connell 115",
               vapour(115, hocBlock(2.0)),
               {0.7, 0.2, 0.1},
               420.0,
               200.0,
               false,
               false,
               1e-6});
  r.push_back({"Hayden-O'Connell 115 associating",
               vapour(115, hocBlock(4.5)),
               {0.7, 0.2, 0.1},
               420.0,
               200.0,
               false,
               false,
               1e-4});
  r.push_back({"chemical theory 123",
               vapour(123, dimerBlock()),
               {0.6, 0.4},
               420.0,
               100.0,
               false,
               false,
               0.0});
  return r;
}

}  // namespace fugacity_test
