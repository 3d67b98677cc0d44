// FLASGB: the Gibbs flash through the algorithm table of FLASHT (switch 45), its single phase,
// its agreement with the default flash on a vapour-liquid feed, and the inputs it refuses or
// survives: too many components, an activity-model set, K-values all at one, a parameter
// block holding a NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <utility>
#include <vector>

#include "flash/multiphase/gibbs_flash.hpp"
#include "flash/multiphase/slots.hpp"
#include "flash/multiphase/stability.hpp"
#include "methods/methods.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "stability_support.hpp"
#include "storage/storage.hpp"
#include "support/allocation_counter.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace stability_test;

constexpr int kForcingWord = 145;  // diagnostic switch 45

class GibbsFlash : public ::testing::Test {
 protected:
  void SetUp() override {
    multiphase::installSlots();
    flash_test::useSet(kPengSet);
  }
  void TearDown() override { services::GDPOPT.words(kForcingWord) = 0; }
  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  StabilityProblem problem_{dir_};
};

// Through FLASHT with switch 45: a methane / propane feed inside its envelope gets the split
// of the default flash; a feed found stable gets one phase, decided by its pseudo-critical
// constants, with the other phase's composition from z and K.
TEST_F(GibbsFlash, AgreesWithTheDefaultFlashAndGivesStableFeedsOnePhase) {
  struct Case {
    std::vector<double> z;
    double t, p;
    bool twoPhase;
  };
  for (const Case& c :
       {Case{{0.6, 0.0, 0.4}, 250.0, 3000.0, true}, Case{{0.3, 0.0, 0.7}, 260.0, 2000.0, true},
        Case{{0.9, 0.0, 0.1}, 300.0, 2000.0, false},
        Case{{0.05, 0.0, 0.95}, 250.0, 3000.0, false}}) {
    SCOPED_TRACE(testing::Message() << c.z[0] << " " << c.t << " K " << c.p << " kPa");
    services::GDPOPT.words(kForcingWord) = 0;
    flash_test::Flash plain(c.z, c.t, c.p);
    flash::FLASHT(plain.a);
    ASSERT_EQ(plain.a.IFFAIL, 0);
    services::GDPOPT.words(kForcingWord) = 1;
    flash_test::Flash gibbs(c.z, c.t, c.p);
    flash::FLASHT(gibbs.a);
    ASSERT_EQ(gibbs.a.IFFAIL, 0);
    EXPECT_NEAR(gibbs.a.FVAPOR, plain.a.FVAPOR, 1e-5);
    EXPECT_EQ(gibbs.a.FTOTLQ, 1.0 - gibbs.a.FVAPOR);
    EXPECT_EQ(gibbs.a.FLIQHC, gibbs.a.FTOTLQ);
    EXPECT_EQ(gibbs.a.GFLSH, 0.0);
    if (c.twoPhase) {
      ASSERT_GT(gibbs.a.FVAPOR, 0.0);
      ASSERT_LT(gibbs.a.FVAPOR, 1.0);
      for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(gibbs.x[i], plain.x[i], 1e-5);
        EXPECT_NEAR(gibbs.y[i], plain.y[i], 1e-5);
      }
      EXPECT_EQ(gibbs.x[1], 0.0);
    } else {
      EXPECT_TRUE(gibbs.a.FVAPOR == 0.0 || gibbs.a.FVAPOR == 1.0);
      const std::vector<double>& same = gibbs.a.FVAPOR == 1.0 ? gibbs.y : gibbs.x;
      for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(same[i], c.z[i]);
      for (double k : gibbs.k) EXPECT_EQ(k, 1.0);
    }
  }
}

// A warm Gibbs flash, split or not, allocates nothing.
TEST_F(GibbsFlash, WarmFlashAllocatesNothing) {
  for (const double t : {250.0, 320.0}) {
    SCOPED_TRACE(t);
    flash_test::Flash f({0.6, 0.0, 0.4}, t, 3000.0);
    multiphase::FLASGB(f.a);
    ASSERT_EQ(f.a.IFFAIL, 0);
    const std::size_t before = testing_support::allocationCount();
    multiphase::FLASGB(f.a);
    EXPECT_EQ(testing_support::allocationCount(), before);
  }
}

// More than 50 components and a K-value method the test does not serve fail at once and
// change nothing else; the process lives.
TEST_F(GibbsFlash, RefusesWhatTheTestCannotServe) {
  std::vector<double> z(51, 1.0 / 51.0);
  flash_test::Flash many(z, 250.0, 3000.0);
  many.a.FVAPOR = 0.25;
  multiphase::FLASGB(many.a);
  EXPECT_EQ(many.a.IFFAIL, 1);
  EXPECT_EQ(many.a.FVAPOR, 0.25);

  for (const auto& [code, option] : {std::pair{401, 0}, std::pair{102, 4}, std::pair{109, 0}}) {
    SCOPED_TRACE(code);
    methods::KValueMethods saved = methods::KMCTL;
    methods::KMCTL.kvalue.code = code;
    methods::KMCTL.kvalue.option = option;
    flash_test::Flash f({0.6, 0.0, 0.4}, 250.0, 3000.0);
    f.a.FVAPOR = 0.25;
    multiphase::FLASGB(f.a);
    methods::KMCTL = saved;
    EXPECT_EQ(f.a.IFFAIL, 1);
    EXPECT_EQ(f.a.FVAPOR, 0.25);
  }
}

// K-values all at one make a trivial split, which fails the flash without stopping the run.
void unitKValues(std::int32_t, std::int32_t ncomp, std::span<const double>, std::span<const double>,
                 std::span<double> k, double, double, double& zv, double& zl, std::int32_t&,
                 std::int32_t, std::int32_t, std::int32_t& ierr, std::int32_t, std::int32_t&) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(ncomp); ++i) k[i] = 1.0;
  zv = zl = 1.0;
  ierr = 0;
}

TEST_F(GibbsFlash, UnitKValuesFailTheFlashOnly) {
  const flash::ScopedKValueRoutine unit(&unitKValues);
  flash_test::Flash f({0.6, 0.0, 0.4}, 250.0, 3000.0);
  multiphase::FLASGB(f.a);
  EXPECT_EQ(f.a.IFFAIL, 1);
  for (double k : f.k) EXPECT_EQ(k, 1.0);
}

// A NaN in the equation-of-state block (the pair coefficient of methane and propane, written
// into the block held in core) ends the test within its caps with an error: the flash fails.
TEST_F(GibbsFlash, NaNInTheParameterBlockEndsWithAnError) {
  flash_test::Flash f({0.6, 0.0, 0.4}, 250.0, 3000.0);
  pure::MDLODC(1);
  namespace cb = pure::cubicblock;
  const std::int32_t word = methods::LDSTAT.realSector1 + cb::pairs(3) + 1;  // pair (1, 3)
  const double kept = storage::CORSTO.real(word);
  storage::CORSTO.setReal(word, std::numeric_limits<double>::quiet_NaN());
  std::vector<double> lnk{std::log(3.0), 0.0, std::log(0.2)}, x(3), y(3);
  double frac = 0.5;
  std::int32_t isplit = -1, ierr = -1;
  multiphase::forgetStabilityTerms();
  multiphase::STABL(3, 250.0, 3000.0, lnk, f.z, x, y, frac, isplit, 0, ierr);
  EXPECT_EQ(ierr, 1);
  EXPECT_EQ(isplit, 0);
  storage::CORSTO.setReal(word, kept);
  multiphase::forgetStabilityTerms();
  lnk = {std::log(3.0), 0.0, std::log(0.2)};
  multiphase::STABL(3, 250.0, 3000.0, lnk, f.z, x, y, frac, isplit, 0, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(isplit, 1);
}

}  // namespace
