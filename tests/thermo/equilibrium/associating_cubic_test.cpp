// Method 122 with associating components: the vapour and liquid fugacity routes and the
// liquid density read the associating components from the block's integer words and hand
// the first one's index to the associating root solver.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "../pure/density_blocks.hpp"
#include "fixtures/problem_builder.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/equilibrium/liquid_fugacity.hpp"
#include "thermo/pure/pure.hpp"
#include "vapour_fugacity_support.hpp"

namespace {

using namespace fugacity_test;

constexpr double kR = 8.314471;
constexpr std::int32_t kVapourPhase = 1;
constexpr std::int32_t kLiquidPhase = 2;

// Components 2 and 3 of the ternary flagged as associating, no pair parameters.
BlockData associatingBlock() {
  std::vector<fixtures::ComponentSpec> specs;
  for (const auto& s : ternary()) specs.push_back(density_test::specOf(s));
  return fixtures::cubicParameterBlock(122, fixtures::CubicForm::PengRobinson, specs, {}, {2, 3});
}

struct Direct {
  std::vector<double> lnphi;
  double z = 0.0;
};

// The associating root solver called directly. Without pair parameters the mixing rule of
// 122 is the classical one, a = (sum x_i sqrt(a_i))^2, b = sum x_i b_i, which EOSMR7 forms
// with K_ij = 1; the first associating component is POSITION.
Direct direct(const BlockData& block, std::int32_t phase, const std::vector<double>& x, double t,
              double p, std::int32_t position) {
  const std::size_t n = x.size();
  const auto nc = static_cast<std::int32_t>(n);
  const auto column = [&](std::int32_t word, std::size_t count) {
    return std::span<const double>(block.reals).subspan(static_cast<std::size_t>(word - 1), count);
  };
  namespace cb = pure::cubicblock;
  std::vector<double> sqrta(n), a(n), aT(n), aTT(n);
  pure::EOSTWU(column(cb::sqrtAc(nc), n), column(cb::alpha(nc), 3 * n),
               std::span<const std::int32_t>(block.integers).first(n), 1, 3, nc, t,
               column(cb::criticalTemperature(nc), n), sqrta, a, aT, aTT);
  const std::size_t np = n * (n - 1) / 2;
  const std::vector<double> k(np, 1.0), kT(np, 0.0);
  double am = 0.0, amT = 0.0, amTT = 0.0, bm = 0.0, bmT = 0.0, bmTT = 0.0;
  std::vector<double> abar(n), abarT(n), abb(n * n), bbar(n), bbarT(n), bbb(n * n);
  pure::EOSMR7(sqrta, aT, aTT, column(cb::covolume(nc), n), k, kT, kT, 1, nc, x, am, amT, amTT,
               abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb);
  Direct d;
  d.lnphi.assign(n, 0.0);
  std::vector<double> lnphiT(n), lnphiP(n), lnphiN(n * n), hrn(n), zdn(n);
  double zT = 0.0, zP = 0.0, hr = 0.0, sr = 0.0, cpr = 0.0, cvr = 0.0, cpcv = 0.0;
  pure::EOSZRA(am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb, phase, 1, nc, p,
               pure::kReferencePressure, block.reals[0], block.reals[1], t, d.z, zT, zP, d.lnphi,
               lnphiT, lnphiP, lnphiN, hr, sr, cpr, cvr, cpcv, hrn, zdn, position,
               x[static_cast<std::size_t>(position - 1)], x);
  return d;
}

class AssociatingCubic : public ::testing::Test {
 protected:
  void SetUp() override { startFugacityRun(); }
};

// The block's words: cache at N+1..N+3, the count at N+4, the indices from N+5.
TEST_F(AssociatingCubic, BlockCarriesTheCacheCountAndIndices) {
  const BlockData block = associatingBlock();
  namespace cb = pure::cubicblock;
  ASSERT_EQ(block.integers.size(), 3u + 3u + 1u + 2u);
  const auto word = [&](std::int32_t w) { return block.integers[static_cast<std::size_t>(w - 1)]; };
  EXPECT_EQ(cb::cacheWords(122, 3, 9), 4);
  EXPECT_EQ(word(cb::cacheWords(122, 3, 9)), 2) << "temperature cache on";
  EXPECT_EQ(word(cb::associatingCount(3)), 2);
  EXPECT_EQ(word(cb::associatingIndices(3)), 2);
  EXPECT_EQ(word(cb::associatingIndices(3) + 1), 3);
}

// Vapour and liquid fugacities and the liquid density agree with the associating solver
// called with the first associating component, 2; a reader that takes the cache words for
// the count and index would solve with component 1 or with none.
TEST_F(AssociatingCubic, FugacitiesAndDensityUseTheFirstAssociatingComponent) {
  const BlockData block = associatingBlock();
  struct Case {
    const char* label;
    std::int32_t phase;
    std::vector<double> x;
    double t, p;
  };
  for (const Case& c : {Case{"vapour", kVapourPhase, {0.8, 0.15, 0.05}, 350.0, 2000.0},
                        Case{"liquid", kLiquidPhase, {0.1, 0.3, 0.6}, 320.0, 2000.0}}) {
    SCOPED_TRACE(c.label);
    const Direct want = direct(block, c.phase, c.x, c.t, c.p, 2);
    const Direct wrong = direct(block, c.phase, c.x, c.t, c.p, 1);
    ASSERT_GT(std::fabs(want.lnphi[1] - wrong.lnphi[1]), 1e-3) << "the index must matter";
    useEquationOfState(122, block);
    std::vector<double> lnphi(3, -9.0);
    double z = -9.0;
    std::int32_t status = -9, numerical = 0;
    const std::vector<std::int32_t> flags(3, 1);
    if (c.phase == kVapourPhase) {
      equilibrium::FVCALC(3, c.x, lnphi, c.t, c.p, z, 0, 0, flags, 0, status, numerical);
    } else {
      equilibrium::FLCALC(3, c.x, lnphi, c.t, c.p, z, 0, 0, flags, 0, status, numerical);
    }
    EXPECT_EQ(status, 0);
    EXPECT_NEAR(z, want.z, 1e-10 * want.z);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(lnphi[i], want.lnphi[i], 1e-9) << i;
    if (c.phase == kLiquidPhase) {
      density_test::holdLiquidDensityBlock(122, block, block.realWork);
      double dens = 0.0;
      std::int32_t ierr = -9;
      pure::DNLIQ(3, c.t, c.p, c.x, dens, ierr);
      EXPECT_EQ(ierr, 0);
      EXPECT_NEAR(dens, c.p / (want.z * kR * c.t), 1e-9 * dens);
    }
  }
}

}  // namespace
