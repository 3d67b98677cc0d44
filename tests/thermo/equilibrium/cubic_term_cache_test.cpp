// The term cache of the held cubic block, shared by FVCALC, FLCALC and DNLIQ: a sequence of
// calls of the three routines at equal and different temperatures and levels gives, call by
// call, the results of the same call made with the cache cold, and evaluates the terms exactly
// where the stored temperature or level does not serve.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "methods/methods.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/equilibrium/liquid_fugacity.hpp"
#include "thermo/pure/pure.hpp"
#include "vapour_fugacity_support.hpp"

namespace {

using namespace fugacity_test;
using storage::CORSTO;

const std::vector<double> kLiquid = {0.05, 0.35, 0.60};

enum class Routine { Vapour, Liquid, Density };

// One call: the routine, T (K), P (kPa) and the request word (0 level 1, 1 level 2, 100
// level 4; DNLIQ always forms values only).
struct Step {
  Routine routine;
  double t, p;
  std::int32_t request;
  bool evaluates;  // whether the cache does not serve it
};

// What a call gives: ln(phi) (or the density) and Z, and the temperature derivatives of
// ln(phi) at level 2 and above.
struct Outcome {
  std::vector<double> values;
  double z = 0.0;
  std::vector<double> lnphiT;
};

// The held block's cache words: switch, valid flag, stored level.
std::int32_t& cacheWord(std::int32_t code, std::int32_t k) {
  const std::int32_t first = pure::cubicblock::cacheWords(code, 3, methods::LDSTAT.integerLength1);
  return CORSTO[methods::LDSTAT.integerSector1 + first + k];
}

Outcome run(const Step& s) {
  Outcome o;
  const std::vector<std::int32_t> flags(3, 1);
  std::int32_t status = 0, numerical = 0;
  switch (s.routine) {
    case Routine::Vapour:
    case Routine::Liquid: {
      const bool vapour = s.routine == Routine::Vapour;
      o.values.assign(3, 0.0);
      (vapour ? equilibrium::FVCALC : equilibrium::FLCALC)(3, vapour ? kVapour : kLiquid, o.values,
                                                           s.t, s.p, o.z, s.request, 0, flags, 0,
                                                           status, numerical);
      if (s.request != 0) {
        o.lnphiT =
            array(vapour ? equilibrium::kVapourLnPhiTArray : equilibrium::kLiquidLnPhiTArray, 3);
      }
      break;
    }
    case Routine::Density: {
      double dens = 0.0;
      std::int32_t ierr = -1;
      pure::DNLIQ(3, s.t, s.p, kLiquid, dens, ierr);
      EXPECT_EQ(ierr, 0);
      o.values = {dens};
      break;
    }
  }
  return o;
}

// The block of CODE held as the K-value method and as the liquid-density method of the set.
void holdShared(std::int32_t code) {
  useEquationOfState(code, cubicWithPairs(code, ternary()));
  methods::PMCTL1.liquidDensity = {code, 0, pure::kLiquidDensityClass, methods::LDSTAT.address,
                                   methods::LDSTAT.length};
  methods::MethodClass& density = methods::MSPTRS.classes(pure::kLiquidDensityClass);
  density = methods::MSPTRS.classes(1);
  density.code = code;
}

class CubicTermCache : public ::testing::Test {
 protected:
  void SetUp() override { startFugacityRun(); }
};

TEST_F(CubicTermCache, MixedCallsGiveTheColdCacheResults) {
  const double t1 = 330.0, t2 = 331.5;
  const std::vector<Step> steps = {
      {Routine::Vapour, t1, 2000.0, 100, true},  // level 4 stored
      {Routine::Liquid, t1, 2000.0, 0, false},   // level 1 served; stored level now 1
      {Routine::Density, t1, 2500.0, 0, false},  // values at another pressure
      {Routine::Vapour, t1, 2000.0, 1, true},    // level 2 above the stored 1
      {Routine::Liquid, t1, 2000.0, 1, false},   // level 2 served
      {Routine::Density, t1, 2000.0, 0, false},  // stored level back to 1
      {Routine::Liquid, t1, 2000.0, 100, true},  // level 4 above the stored 1
      {Routine::Density, t2, 2000.0, 0, true},   // another temperature, values only
      {Routine::Vapour, t2, 2000.0, 0, false},   // served by the density's terms
      {Routine::Liquid, t2, 2000.0, 1, true},    // derivatives the density did not form
      {Routine::Vapour, t1, 2000.0, 0, true},    // the first temperature again
      {Routine::Density, t1, 2000.0, 0, false},  {Routine::Vapour, t2, 2000.0, 100, true},
      {Routine::Liquid, t2, 1500.0, 100, false},
  };
  for (const std::int32_t code : {101, 111, 121}) {
    SCOPED_TRACE(code);
    holdShared(code);
    // The cold results: each call with the block's valid flag cleared first.
    std::vector<Outcome> cold;
    for (const Step& s : steps) {
      cacheWord(code, 1) = 0;
      cold.push_back(run(s));
    }
    holdShared(code);
    for (std::size_t k = 0; k < steps.size(); ++k) {
      SCOPED_TRACE("step " + std::to_string(k + 1));
      const std::int64_t before = pure::heldCubicTermsEvaluations();
      const Outcome warm = run(steps[k]);
      EXPECT_EQ(pure::heldCubicTermsEvaluations() - before, steps[k].evaluates ? 1 : 0);
      EXPECT_EQ(warm.values, cold[k].values);
      EXPECT_EQ(warm.z, cold[k].z);
      EXPECT_EQ(warm.lnphiT, cold[k].lnphiT);
      EXPECT_EQ(cacheWord(code, 1), 1) << "valid flag";
      EXPECT_EQ(cacheWord(code, 2), steps[k].request == 100 ? 4 : steps[k].request + 1)
          << "stored level";
    }
  }
}

// With the block's switch off every call of every routine evaluates, and the cache words
// stay as they were.
TEST_F(CubicTermCache, SwitchOffEvaluatesEveryCall) {
  BlockData block = cubicWithPairs(102, ternary());
  useEquationOfState(102, block);
  const std::int32_t switchWord =
      pure::cubicblock::cacheWords(102, 3, methods::LDSTAT.integerLength1);
  block.integers[static_cast<std::size_t>(switchWord - 1)] = 1;
  useEquationOfState(102, block);
  methods::PMCTL1.liquidDensity = {102, 0, pure::kLiquidDensityClass, methods::LDSTAT.address,
                                   methods::LDSTAT.length};
  methods::MSPTRS.classes(pure::kLiquidDensityClass) = methods::MSPTRS.classes(1);
  const std::int64_t before = pure::heldCubicTermsEvaluations();
  for (const Routine r : {Routine::Vapour, Routine::Liquid, Routine::Density, Routine::Vapour}) {
    run({r, 330.0, 2000.0, 0, true});
  }
  EXPECT_EQ(pure::heldCubicTermsEvaluations() - before, 4);
  EXPECT_EQ(cacheWord(102, 1), 0);
  EXPECT_EQ(cacheWord(102, 2), 0);
}

// A pair coefficient written into the held block in core, with its valid flag cleared as any
// writer of the block's words does, is used by the next call of each routine.
TEST_F(CubicTermCache, WriterOfTheBlockClearsTheValidFlag) {
  holdShared(101);
  const Outcome vapour = run({Routine::Vapour, 330.0, 2000.0, 0, true});
  const Outcome density = run({Routine::Density, 330.0, 2000.0, 0, false});
  CORSTO.setReal(methods::LDSTAT.realSector1 + pure::cubicblock::pairs(3), 0.08);
  cacheWord(101, 1) = 0;
  const Outcome changedDensity = run({Routine::Density, 330.0, 2000.0, 0, true});
  const Outcome changedVapour = run({Routine::Vapour, 330.0, 2000.0, 0, false});
  EXPECT_NE(changedDensity.values, density.values);
  EXPECT_NE(changedVapour.values, vapour.values);
  // The same results as a block built with that coefficient.
  BlockData block = cubicWithPairs(101, ternary());
  block.reals[static_cast<std::size_t>(pure::cubicblock::pairs(3) - 1)] = 0.08;
  useEquationOfState(101, block);
  methods::PMCTL1.liquidDensity = {101, 0, pure::kLiquidDensityClass, methods::LDSTAT.address,
                                   methods::LDSTAT.length};
  EXPECT_EQ(run({Routine::Vapour, 330.0, 2000.0, 0, true}).values, changedVapour.values);
  EXPECT_EQ(run({Routine::Density, 330.0, 2000.0, 0, false}).values, changedDensity.values);
}

}  // namespace
