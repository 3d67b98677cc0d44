// The density drivers on the streams of a built problem: the ideal gas, the Peng-Robinson
// compressibility against its published cubic written out here, the dry and wet vapour with
// water, the liquid with and without free water, two liquid phases, no liquid, and the
// current-stream pointer sets and pseudo-root signal left as they were.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/component_data.hpp"
#include "problem/streams.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/water_kvalues.hpp"
#include "thermo/phase/phase.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using storage::CORSTO;

constexpr double kR = 8.314471;
constexpr std::int32_t kWater = 3;

// Set 1: Peng-Robinson (102) for every slot with free water; set 2: the same with the ideal
// gas (1) for the vapour density, set 3 with the volume-shifted Peng-Robinson (124).
fixtures::MethodSetSpec densitySet(const std::string& name, std::int32_t vapourDensity) {
  fixtures::MethodSetSpec set = fixtures::equationOfStateSet(name, 102);
  set.options[0] = 100000;  // water treatment
  set.header[0] = kWater;
  set.header[4] = 0;
  if (vapourDensity != 102) fixtures::setSlotMethod(set, 9, vapourDensity);
  return set;
}

fixtures::StreamSpec stream(const std::string& name, double vf, double lhc, double lw,
                            std::vector<double> vapour, std::vector<double> liquid) {
  fixtures::StreamSpec s;
  s.name = name;
  s.temperature = 330.0;
  s.pressure = 2500.0;
  s.rate = 10.0;
  s.vapourFraction = vf;
  s.liquidFraction = lhc;
  s.waterFraction = lw;
  s.vapour = vapour;
  s.liquid = liquid;
  s.composition.resize(3);
  for (std::size_t i = 0; i < 3; ++i) s.composition[i] = vf * vapour[i] + lhc * liquid[i];
  s.composition[kWater - 1] += lw;
  s.integerWords = {{20, 1}};
  return s;
}

class DensityDrivers : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "density";
    for (const char* name : {"METHANE", "N-HEXANE", "WATER"}) {
      d.components.push_back(fixtures::publishedComponent(name));
    }
    fixtures::MethodSetSpec stored = densitySet("STORED", 102);
    stored.codes[0] = 601;  // a stored K-value model: densities come from record type 2
    d.methodSets = {densitySet("PR", 102), densitySet("IDEAL", 1), densitySet("SHIFT", 124),
                    stored};
    d.streams = {stream("DRY", 1.0, 0.0, 0.0, {0.8, 0.2, 0.0}, {0.0, 0.0, 0.0}),
                 stream("WET", 1.0, 0.0, 0.0, {0.7, 0.2, 0.1}, {0.0, 0.0, 0.0}),
                 stream("STEAM", 1.0, 0.0, 0.0, {0.0, 0.0, 1.0}, {0.0, 0.0, 0.0}),
                 stream("LIQUID", 0.0, 1.0, 0.0, {0.0, 0.0, 0.0}, {0.02, 0.98, 0.0}),
                 stream("FREEWATER", 0.0, 0.7, 0.3, {0.0, 0.0, 0.0}, {0.02, 0.96, 0.02}),
                 stream("ALLWATER", 0.0, 0.0, 1.0, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}),
                 stream("NONE", 1.0, 0.0, 0.0, {0.8, 0.2, 0.0}, {0.0, 0.0, 0.0})};
    fixtures::buildProblem(dir_.path(), d);
    std::int32_t iout = 0;
    methods::PAINIT(dir_.file("density").string(), dir_.path().string(), iout, 0);
    useSet(1);
  }
  void TearDown() override {
    methods::PAEND();
    storage::FIINIT();
  }

  static void useSet(std::int32_t set) {
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, set);
  }

  static double constant(problem::ComponentReal sector, std::int32_t i) {
    return CORSTO.real(problem::COPTRS.realSector(sector) + i);
  }

  struct Vapour {
    double rhod = 0.0, rhow = 0.0, fdry = 0.0, fvap = 0.0;
    std::int32_t ierr = -1;
  };
  static Vapour vapour(const char* name) {
    Vapour v;
    phase::DVAPDR(problem::ISRNO(name), v.rhod, v.rhow, v.fdry, v.fvap, v.ierr);
    return v;
  }
  struct Liquid {
    double rhohc = 0.0, rhol = 0.0, rhohw = 0.0, fhcd = 0.0, fl = 0.0, fhc = 0.0;
    std::int32_t ierr = -1;
  };
  static Liquid liquid(const char* name) {
    Liquid l;
    phase::DLIQDR(problem::ISRNO(name), l.rhohc, l.rhol, l.rhohw, l.fhcd, l.fl, l.fhc, l.ierr);
    return l;
  }
  static double streamWord(const char* name, std::int32_t k) {
    problem::SRSETT(problem::ISRNO(name));
    return problem::MainRecord(problem::SRPSET.set1).real(k);
  }
  static double waterDensity(std::int32_t phase, double t, double p, double pp) {
    double v = 0.0, dv = 0.0;
    pure::WPROP(1, problem::THCTL.waterPropertyMethod, t, p, v, dv, phase,
                problem::THCTL.waterPropertyCorrection, 0, 0, pp);
    return 1.0 / v;
  }

  // The Peng-Robinson Z of a vapour (Peng and Robinson, Ind. Eng. Chem. Fundam. 15 (1976)
  // 59): a_i = 0.45724 R^2 Tc^2/Pc [1 + m (1 - sqrt Tr)]^2, m = 0.37464 + 1.54226 w
  // - 0.26992 w^2, b_i = 0.07780 R Tc/Pc, a = (sum y_i sqrt a_i)^2, b = sum y_i b_i; the
  // largest root of Z^3 - (1 - B) Z^2 + (A - 3B^2 - 2B) Z - (AB - B^2 - B^3).
  static double pengRobinsonZ(const std::vector<double>& y, double t, double p) {
    double sa = 0.0, b = 0.0;
    for (std::size_t i = 0; i < y.size(); ++i) {
      const auto c = static_cast<std::int32_t>(i) + 1;
      const double tc = constant(problem::ComponentReal::CriticalTemperature, c);
      const double pc = constant(problem::ComponentReal::CriticalPressure, c);
      const double w = constant(problem::ComponentReal::AcentricFactor, c);
      const double m = 0.37464 + 1.54226 * w - 0.26992 * w * w;
      const double alpha = std::pow(1.0 + m * (1.0 - std::sqrt(t / tc)), 2);
      sa += y[i] * std::sqrt(0.45724 * kR * kR * tc * tc / pc * alpha);
      b += y[i] * 0.07780 * kR * tc / pc;
    }
    const double aa = sa * sa * p / (kR * kR * t * t), bb = b * p / (kR * t);
    double z = 1.0;
    for (int k = 0; k < 100; ++k) {
      const double f = ((z - (1.0 - bb)) * z + (aa - 3.0 * bb * bb - 2.0 * bb)) * z -
                       (aa * bb - bb * bb - bb * bb * bb);
      const double df = (3.0 * z - 2.0 * (1.0 - bb)) * z + (aa - 3.0 * bb * bb - 2.0 * bb);
      z -= f / df;
    }
    return z;
  }

  testing_support::TempDir dir_;
};

// The ideal gas gives P/(R T); dry and wet agree without water.
TEST_F(DensityDrivers, IdealGasIsPOverRT) {
  useSet(2);
  const Vapour v = vapour("DRY");
  EXPECT_EQ(v.ierr, 0);
  EXPECT_NEAR(v.rhod, 2500.0 / (kR * 330.0), 1e-12);
  EXPECT_DOUBLE_EQ(v.rhow, v.rhod);
  EXPECT_DOUBLE_EQ(v.fdry, 1.0);
  EXPECT_DOUBLE_EQ(v.fvap, 1.0);
  EXPECT_DOUBLE_EQ(streamWord("DRY", 9), 1.0);
}

// Peng-Robinson: Z of the dry vapour from the closed form, at the partial pressure of the
// non-water part; the wet density combines it with the water routine's, and Z of the wet
// vapour lands in stream word 9.
TEST_F(DensityDrivers, PengRobinsonDryAndWetVapour) {
  // The published constants 0.45724 and 0.07780 are rounded to five figures; the block holds
  // the exact roots of the critical conditions, which move Z by some 1e-6.
  constexpr double tol = 1e-5;
  const double t = 330.0, p = 2500.0;
  const Vapour dry = vapour("DRY");
  EXPECT_EQ(dry.ierr, 0);
  EXPECT_NEAR(dry.rhod, p / (kR * t * pengRobinsonZ({0.8, 0.2, 0.0}, t, p)), tol * dry.rhod);
  EXPECT_DOUBLE_EQ(dry.rhow, dry.rhod);

  const double xw = 0.1, pp = 0.9 * p;
  const double zd = pengRobinsonZ({0.7 / 0.9, 0.2 / 0.9, 0.0}, t, pp);
  const double partial = pp / (kR * t * zd);
  const double rhoW = waterDensity(1, t, p, pp);
  const Vapour wet = vapour("WET");
  EXPECT_NEAR(wet.rhod, partial / (1.0 - xw), tol * wet.rhod);
  EXPECT_NEAR(wet.rhow, 1.0 / ((1.0 - xw) * (1.0 - xw) / partial + xw * xw / rhoW), tol * wet.rhow);
  EXPECT_NEAR(wet.fdry, 0.9, 1e-15);
  EXPECT_NEAR(streamWord("WET", 9), p / (kR * t * wet.rhow), 1e-12);

  // A vapour of pure water: no dry part, the water routine's density.
  const Vapour steam = vapour("STEAM");
  EXPECT_EQ(steam.rhod, 0.0);
  EXPECT_NEAR(steam.rhow, waterDensity(1, t, p, 0.0), 1e-12);
  EXPECT_EQ(steam.fdry, 0.0);
}

// One liquid: the method's density; with free water the volumes add; all free water is the
// water routine's; no liquid is status 3 with nothing computed.
TEST_F(DensityDrivers, LiquidWithAndWithoutFreeWater) {
  const double t = 330.0, p = 2500.0;
  const Liquid l = liquid("LIQUID");
  EXPECT_EQ(l.ierr, phase::kLiquidDensityOk);
  double rho = 0.0;
  std::int32_t status = -1;
  const std::vector<double> x = {0.02, 0.98, 0.0};
  pure::DNLIQ(3, t, p, x, rho, status);
  EXPECT_DOUBLE_EQ(l.rhohc, rho);
  EXPECT_DOUBLE_EQ(l.rhol, rho);
  EXPECT_DOUBLE_EQ(l.rhohw, rho);
  EXPECT_NEAR(streamWord("LIQUID", 10), p / (kR * t * rho), 1e-12);

  const Liquid fw = liquid("FREEWATER");
  const std::vector<double> xf = {0.02, 0.96, 0.02};
  double rhohc = 0.0;
  pure::DNLIQ(3, t, p, xf, rhohc, status);
  const double rhoW = waterDensity(2, t, p, 0.98 * p);
  const double lw = 0.3, lhc = 0.7, xwl = 0.02;
  EXPECT_DOUBLE_EQ(fw.rhohc, rhohc);
  EXPECT_NEAR(fw.rhol, (lw + lhc) / ((lw + lhc * xwl) / rhoW + (1.0 - xwl) * lhc / rhohc),
              1e-10 * fw.rhol);
  EXPECT_NEAR(fw.rhohw, 1.0 / (xwl / rhoW + (1.0 - xwl) / rhohc), 1e-10 * fw.rhohw);
  EXPECT_NEAR(fw.fhcd, 0.98 * lhc, 1e-14);
  EXPECT_DOUBLE_EQ(fw.fl, 1.0);
  EXPECT_DOUBLE_EQ(fw.fhc, lhc);

  const Liquid water = liquid("ALLWATER");
  EXPECT_NEAR(water.rhol, waterDensity(2, t, p, 0.0), 1e-12);
  EXPECT_EQ(water.rhohc, services::DMISS);
  EXPECT_EQ(water.rhohw, services::DMISS);

  const Liquid none = liquid("NONE");
  EXPECT_EQ(none.ierr, phase::kNoLiquid);
  EXPECT_EQ(none.rhol, services::DMISS);
  EXPECT_EQ(none.fl, 0.0);
}

// Two liquid phases in record type 3: the harmonic mean of their densities, each stored in
// its place with no water term; the pointer sets come back as they were.
TEST_F(DensityDrivers, TwoLiquidsTakeTheHarmonicMean) {
  const std::int32_t n = problem::ISRNO("LIQUID");
  const std::int32_t other = problem::ISRNO("DRY");
  // The two liquids written into record type 3 of the stream.
  problem::SRSET(n, 11);
  std::int32_t istat = -1;
  problem::SRPAGE(0, 3, 1, istat);
  ASSERT_EQ(istat, 0);
  phase::WKOFFS();
  const std::vector<std::vector<double>> x = {{0.3, 0.7, 0.0}, {0.01, 0.99, 0.0}};
  const double f[2] = {0.4, 0.6};
  for (std::size_t k = 0; k < 2; ++k) {
    CORSTO.setReal(phase::WKOFFW.scalars[k][0], f[k]);
    for (std::int32_t i = 0; i < 3; ++i) {
      CORSTO.setReal(phase::WKOFFW.vectors[k][0] + i + 1, x[k][static_cast<std::size_t>(i)]);
    }
  }
  problem::SRPAGE(2, 3, 1, istat);
  ASSERT_EQ(istat, 0);
  problem::SRSET(other, 10);
  problem::SRSETT(other);

  double rho[2] = {0.0, 0.0};
  std::int32_t status = -1;
  for (std::size_t k = 0; k < 2; ++k) pure::DNLIQ(3, 330.0, 2500.0, x[k], rho[k], status);
  const Liquid l = liquid("LIQUID");
  EXPECT_EQ(l.ierr, 0);
  const double mean = 1.0 / (f[0] / rho[0] + f[1] / rho[1]);
  EXPECT_NEAR(l.rhol, mean, 1e-12 * mean);
  EXPECT_DOUBLE_EQ(l.rhohc, l.rhol);
  EXPECT_DOUBLE_EQ(l.rhohw, l.rhol);
  EXPECT_DOUBLE_EQ(l.fhc, 1.0);
  EXPECT_EQ(problem::SRPSET.set2.stream, other);
  EXPECT_EQ(problem::SRPSET.set1.stream, n);
  // The densities stored in the record.
  problem::SRSET(n, 10);
  problem::SRPAGE(1, 3, 1, istat);
  phase::WKOFFS();
  EXPECT_NEAR(CORSTO.real(phase::WKOFFW.scalars[0][6]), rho[0], 1e-12 * rho[0]);
  EXPECT_NEAR(CORSTO.real(phase::WKOFFW.scalars[1][6]), rho[1], 1e-12 * rho[1]);
}

// Method 124: the Peng-Robinson Z less the composition-weighted volume shift,
// Z = (Z R T/P - sum y_i c_i) P/(8.314 T) (the shift with R = 8.314).
TEST_F(DensityDrivers, VolumeShiftOf124) {
  useSet(3);
  const double t = 330.0, p = 2500.0;
  const std::vector<double> y = {0.8, 0.2, 0.0};
  vapour("DRY");  // brings the block in
  // Shifts written into the held block (after 3 NP pair coefficients and 4 NC words).
  const std::vector<double> c = {0.004, 0.02, 0.0};  // m3/kmol
  const std::int32_t start = pure::cubicblock::pairs(3) - 1 + 3 * 3 + 4 * 3;
  ASSERT_GE(methods::LDSTAT.realLength1, start + 3);
  for (std::int32_t i = 0; i < 3; ++i) {
    CORSTO.setReal(methods::LDSTAT.realSector1 + start + i + 1, c[static_cast<std::size_t>(i)]);
  }
  const Vapour v = vapour("DRY");
  const double shift = (y[0] * c[0] + y[1] * c[1]) * p / (8.314 * t);
  const double z = pengRobinsonZ(y, t, p) - shift;
  EXPECT_NEAR(v.rhod, p / (kR * t * z), 1e-5 * v.rhod);
  // Without the shift the density would be lower by a clear margin.
  EXPECT_GT(v.rhod, 1.005 * p / (kR * t * pengRobinsonZ(y, t, p)));
}

// With a stored K-value model the densities are those of record type 2; the working stream
// of pointer set 2 comes back.
TEST_F(DensityDrivers, StoredDensitiesRestoreThePointerSets) {
  useSet(4);
  const std::int32_t n = problem::ISRNO("DRY");
  const std::int32_t other = problem::ISRNO("WET");
  problem::SRSET(n, 11);
  std::int32_t istat = -1;
  problem::SRPAGE(0, 2, 1, istat);
  ASSERT_EQ(istat, 0);
  for (std::int32_t k = 1; k <= 3; ++k) {
    CORSTO.setReal(problem::SRLAYT.type2.scalars(static_cast<std::size_t>(k)), 0.5 * k);
  }
  problem::SRPAGE(2, 2, 1, istat);
  ASSERT_EQ(istat, 0);
  problem::SRSET(other, 10);
  const Vapour v = vapour("DRY");
  EXPECT_EQ(v.ierr, 0);
  EXPECT_EQ(v.rhod, services::DMISS);
  EXPECT_DOUBLE_EQ(v.rhow, 0.5);
  EXPECT_DOUBLE_EQ(v.fvap, 1.0);
  EXPECT_EQ(v.fdry, 0.0);
  EXPECT_EQ(problem::SRPSET.set2.stream, other);
  EXPECT_EQ(problem::SRPSET.set1.stream, n);
  EXPECT_NEAR(streamWord("DRY", 9), 2500.0 / (kR * 330.0 * 0.5), 1e-12);
}

// The liquid with a stored K-value model: the density is the liquid's of record type 2 and its
// compressibility goes to the stream; pointer set 2 comes back and the stream stays current in
// pointer set 1.
TEST_F(DensityDrivers, StoredLiquidDensityRestoresThePointerSets) {
  useSet(4);
  const std::int32_t n = problem::ISRNO("LIQUID");
  const std::int32_t other = problem::ISRNO("DRY");
  problem::SRSET(n, 11);
  std::int32_t istat = -1;
  problem::SRPAGE(0, 2, 1, istat);
  ASSERT_EQ(istat, 0);
  for (std::int32_t k = 1; k <= 3; ++k) {
    CORSTO.setReal(problem::SRLAYT.type2.scalars(static_cast<std::size_t>(k)), 0.5 * k);
  }
  problem::SRPAGE(2, 2, 1, istat);
  ASSERT_EQ(istat, 0);
  const double lhc = streamWord("LIQUID", 25);
  ASSERT_GT(lhc, 0.0);
  problem::SRSET(other, 10);
  const Liquid l = liquid("LIQUID");
  EXPECT_EQ(l.ierr, 0);
  EXPECT_DOUBLE_EQ(l.rhol, 1.5);  // the second liquid's place: one liquid
  EXPECT_DOUBLE_EQ(l.rhohc, l.rhol);
  EXPECT_DOUBLE_EQ(l.rhohw, l.rhol);
  EXPECT_DOUBLE_EQ(l.fl, lhc);
  EXPECT_EQ(problem::SRPSET.set2.stream, other);
  EXPECT_EQ(problem::SRPSET.set1.stream, n);
  EXPECT_NEAR(streamWord("LIQUID", 10), 2500.0 / (kR * 330.0 * 1.5), 1e-12);
}

// A density between two K-value calls leaves the flash's pseudo-root signal alone.
TEST_F(DensityDrivers, PseudoRootSignalIsLeftAlone) {
  methods::PMCTL2.ISEUDL = 4;
  methods::PMCTL2.ISEUDV = 3;
  vapour("WET");
  liquid("FREEWATER");
  liquid("LIQUID");
  EXPECT_EQ(methods::PMCTL2.ISEUDL, 4);
  EXPECT_EQ(methods::PMCTL2.ISEUDV, 3);
}

}  // namespace
