// Basis vectors and range sums: SPCUMP over every basis on a three-component table with
// round constants, checked against sums worked by hand and against the defining formulas
// written out here, with and without the water reference; unit totals; component codes
// that neither list holds; SPBASE for each phase of a stream with free water; WKALOC; and
// the phase volume flows of SRPHTO against the ideal gas.
#include "streamprops/basis_vectors.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "problem/streams.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace {

using streamprops::PhaseBasis;
using streamprops::RangeSums;
using streamprops::SumBasis;

constexpr std::int32_t kWater = 3;
constexpr double kGasConstant = 8.314471;  // kJ/(kmol K)
// The table keeps specific gravities as densities over this water density (kg/m3).
constexpr double kFixtureWaterDensity = 999.016;

// Round constants, so that the sums below can be worked by hand.
struct Constants {
  double mw, sg, tb, tc, pc, zc, omega;
};
constexpr std::array<Constants, 3> kTable{{
    {16.0, 0.5, 112.0, 190.0, 4600.0, 0.29, 0.01},   // LIGHT
    {100.0, 0.8, 371.0, 540.0, 2700.0, 0.26, 0.35},  // HEAVY
    {18.0, 1.0, 373.0, 647.0, 22000.0, 0.23, 0.34},  // WATER
}};

fixtures::ComponentSpec component(const std::string& name, const Constants& c) {
  fixtures::ComponentSpec s;
  s.name = name;
  s.libraryNumber = name == "WATER" ? 16020200 : 1;
  s.molecularWeight = c.mw;
  s.liquidDensity = c.sg * kFixtureWaterDensity;
  s.normalBoilingPoint = c.tb;
  s.criticalTemperature = c.tc;
  s.criticalPressure = c.pc;
  s.criticalVolume = c.zc * kGasConstant * c.tc / c.pc;
  s.criticalCompressibility = c.zc;
  s.acentricFactor = c.omega;
  return s;
}

fixtures::StreamSpec stream(const std::string& name, double rate, double vf, double lf, double wf,
                            std::vector<double> vapour, std::vector<double> liquid) {
  fixtures::StreamSpec s;
  s.name = name;
  s.temperature = 300.0;
  s.pressure = 100.0;
  s.rate = rate;
  s.vapourFraction = vf;
  s.liquidFraction = lf;
  s.waterFraction = wf;
  s.vapour = vapour;
  s.liquid = liquid;
  s.composition.resize(3);
  for (std::size_t i = 0; i < 3; ++i) s.composition[i] = vf * vapour[i] + lf * liquid[i];
  s.composition[kWater - 1] += wf;
  s.third = {0.0, 0.0, 0.0};
  s.integerWords = {{20, 1}};
  return s;
}

class BasisVectors : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "basis";
    d.components = {component("LIGHT", kTable[0]), component("HEAVY", kTable[1]),
                    component("WATER", kTable[2])};
    fixtures::MethodSetSpec set = fixtures::equationOfStateSet("PR", 102);
    set.options[0] = 100000;  // water treatment
    set.header[0] = kWater;
    set.header[4] = 0;  // the set has a free-water component
    d.methodSets = {set};
    d.streams = {stream("MIXED", 10.0, 0.4, 0.5, 0.1, {0.7, 0.2, 0.1}, {0.1, 0.8, 0.1}),
                 stream("GAS", 1.0, 1.0, 0.0, 0.0, {1.0, 0.0, 0.0}, {0.0, 0.0, 0.0}),
                 stream("IDLE", 0.0, 1.0, 0.0, 0.0, {1.0, 0.0, 0.0}, {0.0, 0.0, 0.0})};
    fixtures::buildProblem(dir_.path(), d);
    std::int32_t iout = 0;
    methods::PAINIT(dir_.file("basis").string(), dir_.path().string(), iout, 0);
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, 1);
  }
  void TearDown() override {
    methods::PAEND();
    storage::FIINIT();
  }

  // The composition of PHASE of stream NAME by SPBASE, with its amount.
  struct Phase {
    std::vector<double> x;
    double amount = -1.0;
    double mrate = -1.0;
  };
  static Phase basis(const std::string& name, PhaseBasis phase, std::int32_t noflag = 0) {
    problem::SRSETT(problem::ISRNO(name));
    Phase r;
    std::int32_t iwork = 0, ptr = 0;
    streamprops::SPBASE(static_cast<std::int32_t>(phase), iwork, ptr, r.amount, r.mrate, noflag);
    for (std::int32_t i = 1; i <= 3; ++i) r.x.push_back(storage::CORSTO.real(ptr + i));
    storage::CMFRER(iwork);
    return r;
  }

  testing_support::TempDir dir_;
};

// The sums of a basis by their definitions, over positions 1-3 with reference IREF.
RangeSums byDefinition(SumBasis basis, const std::array<double, 3>& x, std::int32_t iref) {
  RangeSums r;
  const auto p = [&](std::size_t i) {
    const Constants& c = kTable[i];
    switch (basis) {
      case SumBasis::MolecularWeight:
        return c.mw;
      case SumBasis::LiquidMolarVolume:
        return c.mw / c.sg / 999.014;
      case SumBasis::CriticalTemperature:
        return c.tc;
      case SumBasis::CriticalPressure:
        return c.pc;
      case SumBasis::CriticalCompressibility:
        return c.zc;
      case SumBasis::AcentricFactor:
        return c.omega;
      case SumBasis::NormalBoilingPoint:
        return c.tb;
      default:
        return 1.0;
    }
  };
  double mass = 0.0, volume = 0.0, dryMass = 0.0, dryVolume = 0.0;
  double wet = 0.0, dry = 0.0, t = 0.0, td = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    const bool counted = static_cast<std::int32_t>(i) + 1 != iref;
    wet += x[i] * p(i);
    t += x[i];
    mass += x[i] * kTable[i].mw;
    volume += x[i] * kTable[i].mw / kTable[i].sg;
    if (counted) {
      dry += x[i] * p(i);
      td += x[i];
      dryMass += x[i] * kTable[i].mw;
      dryVolume += x[i] * kTable[i].mw / kTable[i].sg;
    }
  }
  switch (basis) {
    case SumBasis::Moles:
      return {1.0, 1.0, td, t, 0.0};
    case SumBasis::SpecificGravity:
      return {dryMass / dryVolume, mass / volume, 1.0, 1.0, 0.0};
    case SumBasis::LiquidDensity:
      return {dryMass / dryVolume * 999.014, mass / volume * 999.014, 1.0, 1.0, 0.0};
    case SumBasis::ApiGravity:
      return {141.5 / (dryMass / dryVolume) - 131.5, 141.5 / (mass / volume) - 131.5, 1.0, 1.0,
              0.0};
    default:
      return {dry / td, wet / t, td, t, 0.0};
  }
}

void expectSums(const RangeSums& got, const RangeSums& want) {
  EXPECT_NEAR(got.swet, want.swet, 1e-12 * std::abs(want.swet));
  EXPECT_NEAR(got.sdry, want.sdry, 1e-12 * std::abs(want.sdry));
  EXPECT_NEAR(got.twet, want.twet, 1e-14);
  EXPECT_NEAR(got.tdry, want.tdry, 1e-14);
  EXPECT_EQ(got.tmass, 0.0);
}

constexpr std::array<SumBasis, 11> kBases{SumBasis::Moles,
                                          SumBasis::MolecularWeight,
                                          SumBasis::SpecificGravity,
                                          SumBasis::LiquidDensity,
                                          SumBasis::ApiGravity,
                                          SumBasis::LiquidMolarVolume,
                                          SumBasis::CriticalTemperature,
                                          SumBasis::CriticalPressure,
                                          SumBasis::CriticalCompressibility,
                                          SumBasis::AcentricFactor,
                                          SumBasis::NormalBoilingPoint};

TEST_F(BasisVectors, EveryBasisMatchesItsDefinitionWithAndWithoutTheWaterReference) {
  const std::array<double, 3> x{0.5, 0.3, 0.2};
  for (const SumBasis b : kBases) {
    for (const std::int32_t iref : {0, kWater}) {
      SCOPED_TRACE(testing::Message() << "basis " << static_cast<int>(b) << " iref " << iref);
      const RangeSums got = streamprops::SPCUMP(b, 1, 3, iref, x, 0, 0);
      expectSums(got, byDefinition(b, x, iref));
      if (iref == 0) {
        EXPECT_EQ(got.swet, got.sdry);
        EXPECT_EQ(got.twet, got.tdry);
      }
    }
  }
}

TEST_F(BasisVectors, HandWorkedSums) {
  // x = (0.5, 0.3, 0.2), water third: mass 8 + 30 + 3.6 = 41.6, volume 16 + 37.5 + 3.6 = 57.1.
  const std::array<double, 3> x{0.5, 0.3, 0.2};
  struct Case {
    SumBasis basis;
    double swet, sdry;
  };
  const Case cases[] = {
      {SumBasis::MolecularWeight, 41.6, 38.0 / 0.8},
      {SumBasis::SpecificGravity, 41.6 / 57.1, 38.0 / 53.5},
      {SumBasis::LiquidMolarVolume, 57.1 / 999.014, 53.5 / 0.8 / 999.014},
      {SumBasis::CriticalTemperature, 95.0 + 162.0 + 129.4, (95.0 + 162.0) / 0.8},
      {SumBasis::NormalBoilingPoint, 56.0 + 111.3 + 74.6, (56.0 + 111.3) / 0.8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.basis));
    const RangeSums r = streamprops::SPCUMP(c.basis, 1, 3, kWater, x, 0, 0);
    EXPECT_NEAR(r.swet, c.swet, 1e-12 * c.swet);
    EXPECT_NEAR(r.sdry, c.sdry, 1e-12 * c.sdry);
  }
}

TEST_F(BasisVectors, SpecificGravityOneIsApiTen) {
  const std::array<double, 3> water{0.0, 0.0, 1.0};
  const RangeSums r = streamprops::SPCUMP(SumBasis::ApiGravity, 3, 3, 0, water, 0, 0);
  EXPECT_NEAR(r.swet, 10.0, 1e-12);
  EXPECT_NEAR(r.sdry, 10.0, 1e-12);
}

TEST_F(BasisVectors, UnitTotalsLeaveTheWeightedSumsUnaveraged) {
  const std::array<double, 3> x{0.5, 0.3, 0.2};
  const RangeSums mw = streamprops::SPCUMP(SumBasis::MolecularWeight, 1, 2, 0, x, 1, 0);
  EXPECT_NEAR(mw.swet, 38.0, 1e-12);
  EXPECT_EQ(mw.twet, 1.0);
  EXPECT_EQ(mw.tmass, 1.0);
  const RangeSums sg = streamprops::SPCUMP(SumBasis::SpecificGravity, 1, 3, 0, x, 1, 0);
  EXPECT_NEAR(sg.swet, 41.6 / 57.1, 1e-12);
  EXPECT_EQ(sg.twet, 1.0);
  EXPECT_EQ(sg.tdry, 1.0);
  // Moles keep their totals.
  const RangeSums moles = streamprops::SPCUMP(SumBasis::Moles, 1, 2, 0, x, 1, 0);
  EXPECT_NEAR(moles.twet, 0.8, 1e-15);
}

TEST_F(BasisVectors, CodesNeitherListHoldsAreSkipped) {
  // Codes 1 to 3 are the components; 4 and 5 are no component's.
  const std::array<double, 3> x{0.5, 0.3, 0.2};
  for (const SumBasis b : kBases) {
    SCOPED_TRACE(static_cast<int>(b));
    const RangeSums byCode = streamprops::SPCUMP(b, 1, 5, kWater, x, 0, 1);
    expectSums(byCode, byDefinition(b, x, kWater));
  }
  // A range of absent codes only: nothing summed, nothing divided.
  const RangeSums none = streamprops::SPCUMP(SumBasis::MolecularWeight, 7, 9, 0, x, 0, 1);
  EXPECT_EQ(none.swet, 0.0);
  EXPECT_EQ(none.twet, 0.0);
  const RangeSums api = streamprops::SPCUMP(SumBasis::ApiGravity, 7, 9, 0, x, 0, 1);
  EXPECT_EQ(api.swet, 0.0);
  EXPECT_TRUE(std::isfinite(api.sdry));
}

TEST_F(BasisVectors, ComponentCodeOfANumber) {
  EXPECT_EQ(streamprops::WKALOC(0), 0);
  EXPECT_EQ(streamprops::WKALOC(-3), 0);
  for (std::int32_t n = 1; n <= 3; ++n) EXPECT_EQ(streamprops::WKALOC(n), n);
  EXPECT_EQ(streamprops::WKALOC(4), 0);
}

TEST_F(BasisVectors, PhaseCompositionsAndAmounts) {
  // MIXED: rate 10, vapour 0.4 (0.7, 0.2, 0.1), liquid 0.5 (0.1, 0.8, 0.1), free water 0.1.
  struct Case {
    PhaseBasis phase;
    double amount;
    std::array<double, 3> x;
  };
  const Case cases[] = {
      {PhaseBasis::Whole, 10.0, {0.33, 0.48, 0.19}},
      {PhaseBasis::Vapour, 4.0, {0.7, 0.2, 0.1}},
      {PhaseBasis::HydrocarbonLiquid, 5.0, {0.1, 0.8, 0.1}},
      {PhaseBasis::FreeWater, 1.0, {0.0, 0.0, 1.0}},
      // Liquid x 5/6 with the free water's 1/6 added to water.
      {PhaseBasis::TotalLiquid, 6.0, {0.5 / 6.0, 4.0 / 6.0, 0.5 / 6.0 + 1.0 / 6.0}},
      {PhaseBasis::Solid, 0.0, {0.0, 0.0, 0.0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.phase));
    const Phase p = basis("MIXED", c.phase);
    EXPECT_NEAR(p.amount, c.amount, 1e-12);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(p.x[i], c.x[i], 1e-12);
  }
  // A selector of no phase leaves a zero vector.
  const Phase none = basis("MIXED", static_cast<PhaseBasis>(7));
  for (const double v : none.x) EXPECT_EQ(v, 0.0);
}

TEST_F(BasisVectors, StoredAmountsAreNormalisedOnlyOnRequest) {
  // The hydrocarbon liquid of MIXED scaled by 2 in its record keeps the scale with NOFLAG 1.
  problem::SRSET(problem::ISRNO("MIXED"), 1);
  problem::MainRecord rec(problem::SRPSET.set2);
  for (std::int32_t i = 1; i <= 3; ++i) {
    rec.setVector(problem::srmain::kLiquid, i, 2.0 * rec.vector(problem::srmain::kLiquid, i));
  }
  const Phase raw = basis("MIXED", PhaseBasis::HydrocarbonLiquid, 1);
  EXPECT_NEAR(raw.x[1], 1.6, 1e-12);
  const Phase normal = basis("MIXED", PhaseBasis::HydrocarbonLiquid, 0);
  EXPECT_NEAR(normal.x[1], 0.8, 1e-12);
}

TEST_F(BasisVectors, TheWorkVectorIsGivenBack) {
  // A vector freed after use is the one the next call gets: the store lost nothing.
  problem::SRSETT(problem::ISRNO("MIXED"));
  std::int32_t a = 0, pa = 0, b = 0, pb = 0;
  double amount = 0.0, mrate = 0.0;
  streamprops::SPBASE(0, a, pa, amount, mrate, 0);
  storage::CMFRER(a);
  streamprops::SPBASE(0, b, pb, amount, mrate, 0);
  storage::CMFRER(b);
  EXPECT_GT(pa, 0);
  EXPECT_EQ(pa, pb);
}

TEST_F(BasisVectors, VolumeFlowsOfTheWorkingStream) {
  // Zero rate: nothing flows.
  problem::SRSET(problem::ISRNO("IDLE"), 0);
  std::array<double, 6> v{};
  std::int32_t ierr = -1;
  streamprops::SRPHTO(v[0], v[1], v[2], v[3], v[4], v[5], ierr);
  for (const double f : v) EXPECT_EQ(f, 0.0);
  EXPECT_EQ(ierr, 0);

  // One kmol of a light gas at 300 K and 100 kPa: near the ideal gas, R T / P.
  problem::SRSET(problem::ISRNO("GAS"), 0);
  streamprops::SRPHTO(v[0], v[1], v[2], v[3], v[4], v[5], ierr);
  EXPECT_EQ(ierr, 0);
  const double ideal = kGasConstant * 300.0 / 100.0;
  EXPECT_NEAR(v[3], ideal, 0.005 * ideal);
  EXPECT_NEAR(v[2], v[3], 1e-9 * ideal);  // no water in it
  EXPECT_EQ(v[4], 0.0);
  EXPECT_EQ(v[5], 0.0);
  EXPECT_EQ(v[0], v[2]);
  EXPECT_EQ(v[1], v[3]);
}

}  // namespace
