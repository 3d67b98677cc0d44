// K407KR: the Flory-Huggins model of codes 407 and 513. Without pair parameters it is the
// regular solution with the Flory-Huggins term (GAMREG with option 10); with them the
// temperature and composition derivatives agree with central differences of the values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "services/services.hpp"
#include "thermo/equilibrium/equilibrium.hpp"

namespace {

constexpr std::int32_t kN = 3;
constexpr double kT = 320.0;
// Liquid molar volumes (m3/kmol) and solubility parameters ((cal/cm3)^0.5) of n-hexane,
// benzene and ethanol from the regular-solution tables of J. M. Prausnitz, R. N. Lichtenthaler
// and E. Gomes de Azevedo, "Molecular Thermodynamics of Fluid-Phase Equilibria", 3rd ed.
const std::vector<double> kV = {0.1316, 0.0894, 0.0585};
const std::vector<double> kDelta = {7.3, 9.2, 12.9};
const std::vector<double> kX = {0.5, 0.3, 0.2};

struct Out {
  std::vector<double> lng, dlngdt, dlngdx;
};

Out evaluate(const std::vector<double>& a, const std::vector<double>& b,
             const std::vector<double>& x, double t, std::int32_t nder) {
  Out o{std::vector<double>(kN), std::vector<double>(kN), std::vector<double>(kN * kN, -9.0)};
  std::int32_t istat = -1;
  equilibrium::K407KR(istat, nder, kN, t, x, o.lng, o.dlngdt, o.dlngdx, kV, kDelta, a, b);
  EXPECT_EQ(istat, 0);
  return o;
}

std::vector<double> noPairs() { return std::vector<double>(kN * kN, services::DMISS); }

TEST(K407KR, WithoutPairParametersIsTheRegularSolutionWithTheFloryHugginsTerm) {
  const Out o = evaluate(noPairs(), noPairs(), kX, kT, kN);
  std::vector<double> lng(kN), dlngdt(kN), dlngdx(kN * kN);
  std::int32_t istat = -1;
  equilibrium::GAMREG(istat, kN, kN, kT, kX, lng, dlngdt, dlngdx, kDelta,
                      equilibrium::kFloryHuggins, kV);
  for (std::int32_t i = 0; i < kN; ++i) {
    EXPECT_NEAR(o.lng[i], lng[i], 1e-12);
    EXPECT_NEAR(o.dlngdt[i], dlngdt[i], 1e-14);
  }
}

TEST(K407KR, DerivativesAgreeWithDifferences) {
  std::vector<double> a = noPairs(), b = noPairs();
  a[1 * kN + 0] = 0.4;  // pair (1, 2) with parameters; (1, 3) and (2, 3) from delta
  b[1 * kN + 0] = 90.0;
  for (const bool parameters : {false, true}) {
    SCOPED_TRACE(parameters ? "pair parameters" : "solubility parameters only");
    const std::vector<double>& aa = parameters ? a : noPairs();
    const std::vector<double>& bb = parameters ? b : noPairs();
    const Out o = evaluate(aa, bb, kX, kT, kN);
    const double ht = 1e-3, hx = 1e-6;
    const Out tp = evaluate(aa, bb, kX, kT + ht, 1), tm = evaluate(aa, bb, kX, kT - ht, 1);
    for (std::int32_t i = 0; i < kN; ++i) {
      EXPECT_NEAR(o.dlngdt[i], (tp.lng[i] - tm.lng[i]) / (2.0 * ht), 1e-8);
    }
    for (std::int32_t j = 0; j < kN; ++j) {
      std::vector<double> up = kX, down = kX;
      up[j] += hx;
      down[j] -= hx;
      const Out p = evaluate(aa, bb, up, kT, 1), m = evaluate(aa, bb, down, kT, 1);
      for (std::int32_t i = 0; i < kN; ++i) {
        EXPECT_NEAR(o.dlngdx[j * kN + i], (p.lng[i] - m.lng[i]) / (2.0 * hx), 1e-6)
            << i << "," << j;
      }
    }
  }
}

}  // namespace
