// Henry's-law K-values: published gas solubilities in water through the pair constants of a
// Henry block on disk, the mixed-solvent rule, the vapour-pressure fallback, the fugacity
// terms the step neutralises, and the block checks.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "storage/file_layer_support.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/correlation_sets.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using correlation_testing::Record;
using storage::CORSTO;

constexpr double kAtmosphere = 101.325;  // kPa
constexpr double kKelvin0 = 273.15;

// Antoine constants log10(P/bar) = A - B/(T + C), T in K (NIST Chemistry WebBook): water
// 255.9-373 K, propane 230.6-320.7 K.
struct Antoine {
  double a, b, c;
  double kPa(double t) const { return 100.0 * std::pow(10.0, a - b / (t + c)); }
};
constexpr Antoine kWaterAntoine{4.6543, 1435.264, -64.848};
constexpr Antoine kPropaneAntoine{4.53678, 1149.36, 24.906};

Record antoineRecord(std::int32_t component, const Antoine& x) {
  return correlation_testing::antoineRecord(component, x.a, x.b, x.c);
}

// One pair of the Henry block: ln H = A + B/T + C ln T + D P (H in kPa).
struct Pair {
  std::int32_t solute = 0;
  std::int32_t solvent = 0;
  std::array<double, 4> abcd{};
};

// The pair constants of a fit of the mole-fraction solubility at 1 atm partial pressure,
// ln x = a + b/(T/100) + c ln(T/100): H = 1 atm / x.
Pair fromSolubilityFit(std::int32_t solute, std::int32_t solvent, double a, double b, double c) {
  return {solute, solvent, {std::log(kAtmosphere) - a + c * std::log(100.0), -100.0 * b, -c, 0.0}};
}

class HenryKValues : public file_tests::FileLayerTest {
 protected:
  void SetUp() override {
    correlation_testing::startRun();
    plan_ = group(21, {125, 250});
    fixtures::createFileGroup(plan_);
    storage::FISTA2(file_tests::attach(21, plan_.baseName).sequence, 2);
    methods::KMCTL = {};
    methods::PMCTL2 = {};
    methods::LDSTAT = {};
    equilibrium::resetVapourPressureCache();
  }

  // N components with the vapour pressures of RECORDS, and flash work arrays of N elements.
  void components(std::int32_t n, const std::vector<Record>& records) {
    n_ = n;
    correlation_testing::installComponents(
        std::vector<correlation_testing::Component>(static_cast<std::size_t>(n)));
    correlation_testing::installSet(1001, 1, records);
    for (std::int32_t array : {6, 7, 9, 11, 13, 14, 15, 16}) {
      problem::FWPART.realOffset(static_cast<std::size_t>(array)) = storage::ICMGTR(n, 1);
      problem::FWPART.realSize(static_cast<std::size_t>(array)) = n;
    }
  }

  // Writes a Henry block of FLAGS and PAIRS (pair count COUNT, the real count by default) to
  // disk and names it as the set's Henry block.
  void henryBlock(const std::vector<std::int32_t>& flags, const std::vector<Pair>& pairs,
                  std::int32_t count = -1) {
    const auto n = static_cast<std::int32_t>(flags.size());
    const auto m = static_cast<std::int32_t>(pairs.size());
    std::int32_t len = 0;
    std::int32_t p = services::NOCORE;
    std::int32_t ierr = 0;
    storage::SBSGLC(len, p, 0, ierr, 0, 0, 0, 1 + n + m, std::max(4 * m, 1), 0, 0);
    const std::int32_t ip = storage::SBCUR.pointer(storage::SectorKind::Integer, 1);
    const std::int32_t rp = storage::SBCUR.pointer(storage::SectorKind::Real, 1);
    CORSTO[ip + 1] = count < 0 ? m : count;
    for (std::int32_t i = 1; i <= n; ++i)
      CORSTO[ip + 1 + i] = flags[static_cast<std::size_t>(i - 1)];
    for (std::int32_t k = 1; k <= m; ++k) {
      const Pair& q = pairs[static_cast<std::size_t>(k - 1)];
      CORSTO[ip + 1 + n + k] = equilibrium::kHenryKeyScale * q.solute + q.solvent;
      for (std::int32_t w = 1; w <= 4; ++w) {
        CORSTO.setReal(rp + 4 * (k - 1) + w, q.abcd[static_cast<std::size_t>(w - 1)]);
      }
    }
    storage::DiskPointer pointer = storage::emptyDiskPointer();
    std::int32_t status = 0;
    storage::SBWTC(len, p, pointer, status);
    methods::MethodClass& c = methods::MSPTRS.classes(equilibrium::kHenryClass);
    c = {1,
         0,
         0,
         0,
         storage::dp(pointer, storage::dpword::kAddress),
         storage::dp(pointer, storage::dpword::kTotalLength)};
  }

  static double work(std::int32_t array, std::int32_t i) {
    return CORSTO.real(problem::FWPART.realOffset(static_cast<std::size_t>(array)) + i);
  }
  static void setWork(std::int32_t array, std::int32_t i, double v) {
    CORSTO.setReal(problem::FWPART.realOffset(static_cast<std::size_t>(array)) + i, v);
  }

  // K and dK/dT of KCHENR from the Raoult's-law route (K and dK/dT start at 7 and 3).
  struct Result {
    std::vector<double> k, dkdt;
  };
  Result henry(double t, double p, const std::vector<double>& x, std::int32_t u = 1) {
    Result r{std::vector<double>(static_cast<std::size_t>(n_), 7.0),
             std::vector<double>(static_cast<std::size_t>(n_), 3.0)};
    equilibrium::KCHENR(n_, n_, t, p, x, r.k, r.dkdt, u, 0, 0);
    return r;
  }

  std::int32_t n_ = 0;
  fixtures::FileGroupPlan plan_;
};

// Gases in water: the pair constants come from smoothing fits of the mole-fraction
// solubility at 1 atm partial pressure (O2 and N2: E. Wilhelm, R. Battino, R. J. Wilcock,
// Chem. Rev. 77 (1977) 219; CO2: R. F. Weiss, Mar. Chem. 2 (1974) 203, K0 in mol/(kg atm),
// x = 0.018015 K0). K P is the Henry constant, checked against two independent sources:
// the compilation of R. Sander (Atmos. Chem. Phys. 15 (2015) 4399) at 25 C, Hcp in
// mol/(m3 Pa), H = 55346 mol/m3 / Hcp (two significant figures, so 5 %), and the Bunsen
// coefficients alpha at 0 C (CRC Handbook), x = alpha / 22.414 / 55.50 (3 %).
TEST_F(HenryKValues, GivesPublishedHenryConstantsOfGasesInWater) {
  struct Gas {
    const char* name;
    Pair pair;
    double sanderHcp;  // mol/(m3 Pa) at 298.15 K
    double bunsen0;    // at 273.15 K
  };
  const std::array<Gas, 3> gases{{
      {"O2", fromSolubilityFit(2, 1, -66.7354, 87.4755, 24.4526), 1.3e-5, 0.04889},
      {"N2", fromSolubilityFit(2, 1, -67.3877, 86.3213, 24.7981), 6.4e-6, 0.02354},
      {"CO2", fromSolubilityFit(2, 1, -58.0931 + std::log(0.018015), 90.5069, 22.2940), 3.3e-4,
       1.713},
  }};
  components(2, {antoineRecord(1, kWaterAntoine), antoineRecord(2, kPropaneAntoine)});
  for (const Gas& g : gases) {
    SCOPED_TRACE(g.name);
    henryBlock({0, 1}, {g.pair});
    for (double p : {kAtmosphere, 2000.0}) {
      const double h25 = henry(298.15, p, {0.999, 0.001}).k[1] * p;
      EXPECT_NEAR(h25, 55346.0 / g.sanderHcp / 1000.0, 0.05 * h25);
      const double h0 = henry(kKelvin0, p, {0.999, 0.001}).k[1] * p;
      const double x0 = g.bunsen0 / 22.414 / 55.50;
      EXPECT_NEAR(h0, kAtmosphere / x0, 0.03 * h0);
    }
    // Water keeps the K-value of its own method.
    EXPECT_EQ(henry(298.15, kAtmosphere, {0.999, 0.001}).k[0], 7.0);
  }
}

// ln H_mix is the solute-free mole-fraction average of ln H_ij (with the pressure term D P);
// dK/dT agrees with a central difference and dK/dT of the solvents is left alone.
TEST_F(HenryKValues, MixesSolventConstantsByTheirSoluteFreeFractions) {
  components(3, {antoineRecord(1, kWaterAntoine), antoineRecord(2, kWaterAntoine),
                 antoineRecord(3, kPropaneAntoine)});
  const Pair inWater{3, 1, {25.0, -1500.0, -1.2, 2.0e-5}};
  const Pair inSecond{3, 2, {12.0, 400.0, 0.3, -1.0e-5}};
  henryBlock({0, 0, 1}, {inWater, inSecond});
  const auto lnH = [](const Pair& q, double t, double p) {
    return q.abcd[0] + q.abcd[1] / t + q.abcd[2] * std::log(t) + q.abcd[3] * p;
  };
  const std::vector<double> x{0.45, 0.15, 0.4};
  for (double t : {280.0, 330.0, 400.0}) {
    for (double p : {50.0, 3000.0}) {
      SCOPED_TRACE(t);
      SCOPED_TRACE(p);
      const Result r = henry(t, p, x);
      const double expected = 0.75 * lnH(inWater, t, p) + 0.25 * lnH(inSecond, t, p);
      EXPECT_NEAR(std::log(r.k[2] * p), expected, 1e-12 * std::abs(expected));
      const double h = 1e-3 * t;
      const double fd = (henry(t + h, p, x).k[2] - henry(t - h, p, x).k[2]) / (2.0 * h);
      EXPECT_NEAR(r.dkdt[2], fd, 1e-6 * std::abs(fd));
      EXPECT_EQ(r.k[0], 7.0);
      EXPECT_EQ(r.dkdt[1], 3.0);
    }
  }
}

// A solvent without pair data contributes the solute's own vapour pressure, and so does its
// slope; a solvent of zero mole fraction contributes nothing.
TEST_F(HenryKValues, SolventWithoutPairFallsBackToTheSolutesVapourPressure) {
  components(3, {antoineRecord(1, kWaterAntoine), antoineRecord(2, kWaterAntoine),
                 antoineRecord(3, kPropaneAntoine)});
  const Pair inWater{3, 1, {20.0, -1000.0, 0.0, 0.0}};
  henryBlock({0, 0, 1}, {inWater});
  const auto expected = [&](double t, double w2) {
    return (1.0 - w2) * (20.0 - 1000.0 / t) + w2 * std::log(kPropaneAntoine.kPa(t));
  };
  for (double t : {250.0, 290.0, 315.0}) {
    SCOPED_TRACE(t);
    const std::vector<double> x{0.3, 0.5, 0.2};
    const Result r = henry(t, 500.0, x);
    // The correlation driver's decimal logarithm carries about 8 figures.
    EXPECT_NEAR(std::log(r.k[2] * 500.0), expected(t, 0.625), 1e-6);
    const double h = 1e-3 * t;
    const double fd = (henry(t + h, 500.0, x).k[2] - henry(t - h, 500.0, x).k[2]) / (2.0 * h);
    EXPECT_NEAR(r.dkdt[2], fd, 1e-5 * std::abs(fd));
    // The second solvent absent: its missing pair (and vapour pressure) plays no part.
    EXPECT_NEAR(std::log(henry(t, 500.0, {0.8, 0.0, 0.2}).k[2] * 500.0), expected(t, 0.0), 1e-12);
  }
}

TEST_F(HenryKValues, EdgesOfTheMixture) {
  components(2, {antoineRecord(1, kWaterAntoine), antoineRecord(2, kPropaneAntoine)});
  // One solute, one solvent, A = 10: K = exp(10)/P.
  henryBlock({0, 1}, {Pair{2, 1, {10.0, 0.0, 0.0, 0.0}}});
  EXPECT_NEAR(henry(300.0, 250.0, {0.5, 0.5}).k[1], std::exp(10.0) / 250.0, 1e-14 * std::exp(10.0));
  // Pure solute liquid, or a solvent sum below 1e-8: K-values and slopes unchanged.
  for (const std::vector<double>& x : {std::vector<double>{0.0, 1.0}, {5e-9, 1.0}}) {
    const Result r = henry(300.0, 250.0, x);
    EXPECT_EQ(r.k[1], 7.0);
    EXPECT_EQ(r.dkdt[1], 3.0);
  }
  // Without derivatives the solutes' slopes are left as they were.
  EXPECT_EQ(henry(300.0, 250.0, {0.5, 0.5}, 0).dkdt[1], 3.0);
  // ln H_mix = 75 or -75 is limited to +-60.
  henryBlock({0, 1}, {Pair{2, 1, {75.0, 0.0, 0.0, 0.0}}});
  EXPECT_NEAR(henry(300.0, 250.0, {0.5, 0.5}).k[1], std::exp(60.0) / 250.0, 1e-14 * std::exp(60.0));
  henryBlock({0, 1}, {Pair{2, 1, {-75.0, 0.0, 0.0, 0.0}}});
  EXPECT_NEAR(henry(300.0, 250.0, {0.5, 0.5}).k[1], std::exp(-60.0) / 250.0, 1e-40);
  // Two pairs with the same key: the first counts.
  henryBlock({0, 1}, {Pair{2, 1, {4.0, 0.0, 0.0, 0.0}}, Pair{2, 1, {9.0, 0.0, 0.0, 0.0}}});
  EXPECT_NEAR(henry(300.0, 1.0, {0.5, 0.5}).k[1], std::exp(4.0), 1e-12);
}

// On the fugacity route the solutes' ln phi of both phases become ln P (form 1) or 0; the
// activity slot's option digits clear the solutes' pure-liquid terms; other components keep
// theirs.
TEST_F(HenryKValues, NeutralisesTheSolutesFugacityTerms) {
  components(3, {antoineRecord(1, kWaterAntoine), antoineRecord(2, kPropaneAntoine),
                 antoineRecord(3, kPropaneAntoine)});
  henryBlock({1, 0, 1}, {Pair{1, 2, {10.0, 0.0, 0.0, 0.0}}, Pair{3, 2, {11.0, 0.0, 0.0, 0.0}}});
  struct Case {
    std::int32_t form;
    std::int32_t activityOption;
    std::int32_t kvalueOption;
    double lnPhi;
    std::array<bool, 3> cleared;  // arrays 15, 16, 11
  };
  const double p = 800.0;
  for (const Case& c :
       {Case{1, 0, 0, std::log(p), {false, false, false}}, Case{0, 1, 1, 0.0, {true, false, false}},
        Case{1, 10010, 0, std::log(p), {false, true, false}},
        Case{0, 111, 4, 0.0, {true, true, true}}}) {
    SCOPED_TRACE(c.activityOption);
    for (std::int32_t array : {7, 9, 11, 15, 16}) {
      for (std::int32_t i = 1; i <= 3; ++i) setWork(array, i, 0.25 * i);
    }
    methods::KMCTL.liquidFugacity.option = c.activityOption;
    methods::KMCTL.kvalue.option = c.kvalueOption;
    std::vector<double> k(3, 7.0);
    std::vector<double> dkdt(3, 3.0);
    equilibrium::KCHENR(3, 3, 300.0, p, std::vector<double>{0.1, 0.8, 0.1}, k, dkdt, 1, 1, c.form);
    EXPECT_NEAR(k[0] * p, std::exp(10.0), 1e-9 * std::exp(10.0));
    EXPECT_NEAR(k[2] * p, std::exp(11.0), 1e-9 * std::exp(11.0));
    EXPECT_EQ(k[1], 7.0);
    for (std::int32_t array : {7, 9}) {
      EXPECT_EQ(work(array, 1), c.lnPhi);
      EXPECT_EQ(work(array, 2), 0.5);
      EXPECT_EQ(work(array, 3), c.lnPhi);
    }
    const std::array<std::int32_t, 3> arrays{15, 16, 11};
    for (std::size_t a = 0; a < arrays.size(); ++a) {
      SCOPED_TRACE(arrays[a]);
      EXPECT_EQ(work(arrays[a], 1), c.cleared[a] ? 0.0 : 0.25);
      EXPECT_EQ(work(arrays[a], 2), 0.5);
      EXPECT_EQ(work(arrays[a], 3), c.cleared[a] ? 0.0 : 0.75);
    }
  }
  // From Raoult's law (fugacity flag 0) the ln phi arrays are not touched.
  setWork(7, 1, 0.25);
  henry(300.0, p, {0.1, 0.8, 0.1});
  EXPECT_EQ(work(7, 1), 0.25);
}

// The Henry block is read once and stays held; another method block evicts it and the next
// call reads it again. A set without a Henry block keeps the K-values of its method.
TEST_F(HenryKValues, LoadsTheBlockOnlyWhenNotHeld) {
  components(2, {antoineRecord(1, kWaterAntoine), antoineRecord(2, kPropaneAntoine)});
  henryBlock({0, 1}, {Pair{2, 1, {10.0, 0.0, 0.0, 0.0}}});
  const std::int32_t address = methods::MSPTRS.classes(equilibrium::kHenryClass).blockAddress;
  equilibrium::HNLOAD();
  EXPECT_EQ(methods::LDSTAT.address, address);
  // A change in the held copy shows: nothing is read again.
  CORSTO.setReal(methods::LDSTAT.realSector1 + 1, 5.0);
  EXPECT_NEAR(henry(300.0, 1.0, {0.5, 0.5}).k[1], std::exp(5.0), 1e-12);
  // Another block in the shared area evicts it: the stored constants come back.
  const methods::MethodClass held = methods::MSPTRS.classes(equilibrium::kHenryClass);
  henryBlock({0, 1}, {Pair{2, 1, {3.0, 0.0, 0.0, 0.0}}});
  const methods::MethodClass other = methods::MSPTRS.classes(equilibrium::kHenryClass);
  methods::MSPTRS.classes(equilibrium::kHenryClass) = held;
  pure::loadMethodBlock(other.blockAddress, other.blockLength);
  EXPECT_EQ(methods::LDSTAT.address, other.blockAddress);
  EXPECT_NEAR(henry(300.0, 1.0, {0.5, 0.5}).k[1], std::exp(10.0), 1e-9);
  EXPECT_EQ(methods::LDSTAT.address, address);

  methods::MSPTRS.classes(equilibrium::kHenryClass).blockAddress = services::NODISK;
  const Result r = henry(300.0, 1.0, {0.5, 0.5});
  EXPECT_EQ(r.k[1], 7.0);
  EXPECT_EQ(r.dkdt[1], 3.0);
}

TEST_F(HenryKValues, AbortsOnAShortBlockOrAMissingVapourPressure) {
  components(2, {antoineRecord(1, kWaterAntoine), antoineRecord(2, kPropaneAntoine)});
  // The pair count claims three pairs that the block does not hold.
  henryBlock({0, 1}, {Pair{2, 1, {10.0, 0.0, 0.0, 0.0}}}, 3);
  file_tests::expectAbort(
      [&] {
        henry(300.0, 1.0, {0.5, 0.5});
      },
      "HENRY BLOCK TOO SHORT", {"COMPS 2", "PAIRS 3", "INTEGERS 4", "REALS 4"});
  // A solute beyond the components whose vapour pressures the cache holds, without a pair.
  henryBlock({0, 1}, {});
  problem::COHDR(problem::cohdr::kVapourComponents) = 1;
  file_tests::expectAbort(
      [&] {
        henry(300.0, 1.0, {0.5, 0.5});
      },
      "NO VAPOUR PRESSURE FOR HENRY SOLUTE", {"COMP 2", "NCP 1"});
}

}  // namespace

namespace {

// A set of K-value method 1 (Raoult's law with Henry components) reached through KCALC gives
// what the built pieces give directly: K = Psat/P, dK/dT = (dPsat/dT)/P from the vapour
// pressures, then KCHENR on the normalised liquid; dK/dP = -K/P.
TEST_F(HenryKValues, ReachedThroughTheKValueEntry) {
  components(3, {antoineRecord(1, kWaterAntoine), antoineRecord(2, kWaterAntoine),
                 antoineRecord(3, kPropaneAntoine)});
  const Pair inWater{3, 1, {25.0, -1500.0, -1.2, 2.0e-5}};
  henryBlock({0, 0, 1}, {inWater});
  for (std::int32_t array : {3, 4, 8, 10, 18, 49}) {
    problem::FWPART.realOffset(static_cast<std::size_t>(array)) = storage::ICMGTR(3, 1);
    problem::FWPART.realSize(static_cast<std::size_t>(array)) = 3;
  }
  problem::FWPART.integerOffset(1) = storage::ICMGTI(3, 1);
  problem::FWPART.integerSize(1) = 3;
  problem::THCTL.idecnt = 0;
  methods::MSPTRS.classes(1) = {1, 0, 0, 0, services::NODISK, 0};
  methods::KMCTL.kvalue.code = 1;
  methods::KMCTL.kvalue.slot = 1;
  methods::KMCTL.henryFlag = 1;

  // The second solvent absent, so that the solute's constant is the pair's alone.
  const std::vector<double> x{0.9, 0.0, 0.3};  // normalised by the entry: 0.75, 0, 0.25
  const std::vector<double> xn{0.75, 0.0, 0.25};
  const std::vector<double> y{0.2, 0.1, 0.7};
  const double t = 330.0, p = 800.0;
  std::vector<double> k(3, -1.0);
  double zv = 0.0, zl = 0.0;
  std::int32_t kccall = 12, ierr = -1, status = -1;
  equilibrium::KCALC(3, 3, y, x, k, t, p, zv, zl, kccall, 1, 1, ierr, 0, status);
  EXPECT_EQ(ierr, 0);

  Result direct{std::vector<double>(3), std::vector<double>(3)};
  const Antoine antoine[3] = {kWaterAntoine, kWaterAntoine, kPropaneAntoine};
  for (std::size_t i = 0; i < 3; ++i) {
    const Antoine& a = antoine[i];
    direct.k[i] = a.kPa(t) / p;
    // d(Psat)/dT = Psat ln 10 B/(T + C)^2.
    direct.dkdt[i] = direct.k[i] * std::log(10.0) * a.b / ((t + a.c) * (t + a.c));
  }
  equilibrium::KCHENR(3, 3, t, p, xn, direct.k, direct.dkdt, 1, 0, 0);
  for (std::int32_t i = 1; i <= 3; ++i) {
    SCOPED_TRACE(i);
    const auto at = static_cast<std::size_t>(i - 1);
    // The correlation driver's decimal logarithm carries about 8 figures.
    EXPECT_NEAR(k[at], direct.k[at], 1e-6 * direct.k[at]);
    EXPECT_NEAR(work(6, i), direct.dkdt[at], 1e-6 * std::abs(direct.dkdt[at]));
    EXPECT_DOUBLE_EQ(work(18, i), -k[at] / p);
  }
  // The solute's K-value is the Henry constant's, not its vapour pressure's.
  EXPECT_NEAR(std::log(k[2] * p), 25.0 - 1500.0 / t - 1.2 * std::log(t) + 2.0e-5 * p, 1e-12);
  // Digit 8 of the K option word: ln K of every component, the solute's Henry value too.
  std::vector<double> lnk(3, -1.0);
  kccall = 12;
  equilibrium::KCALC(3, 3, y, x, lnk, t, p, zv, zl, kccall, 1, 1 + equilibrium::kLnKDigit, ierr, 0,
                     status);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(lnk[i], std::log(k[i]), 1e-12) << i + 1;
}

}  // namespace
