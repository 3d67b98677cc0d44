// The library-correlation path of the vapour enthalpy (method 1) on a built problem whose
// database holds the liquid-enthalpy (211) and heat-of-vaporisation (903) correlations: each
// component's liquid enthalpy plus its heat of vaporisation, and above its critical
// temperature the liquid enthalpy continued from Tc with its slope at the normal boiling point
// and no vaporisation term.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/component_data.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/phase/phase.hpp"
#include "thermo/pure/correlation_sets.hpp"
#include "thermo/pure/pure.hpp"

namespace {

// H211 = c1 + c2 T + c3 T^2 and H903 = d1 + d2 T of methane and n-hexane (kJ/kmol); inputs of
// the test, not property data.
const std::vector<std::vector<double>> kLiquid = {{-9000.0, 45.0, 0.02}, {-20000.0, 150.0, 0.1}};
const std::vector<std::vector<double>> kVaporisation = {{9000.0, -10.0}, {40000.0, -30.0}};

fixtures::CorrelationSetBlock setOf(std::int32_t type,
                                    const std::vector<std::vector<double>>& coefficients) {
  correlation_testing::startRun();
  std::vector<correlation_testing::Record> records;
  for (std::size_t i = 0; i < coefficients.size(); ++i) {
    correlation_testing::Record r;
    r.component = static_cast<std::int32_t>(i + 1);
    r.coefficients = coefficients[i];
    records.push_back(r);
  }
  std::int32_t length = 0;
  const std::int32_t area = correlation_testing::buildSet(records, length);
  fixtures::CorrelationSetBlock set{type, 1, {}};
  const std::span<const std::int32_t> words = storage::CORSTO.words(area + 1, length);
  set.words.assign(words.begin(), words.end());
  return set;
}

class VapourCorrelationPath : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "correlations";
    for (const char* name : {"METHANE", "N-HEXANE"}) {
      d.components.push_back(fixtures::publishedComponent(name));
    }
    d.correlationSets = {setOf(pure::kDriverEnthalpy, kLiquid), setOf(903, kVaporisation)};
    d.methodSets = {fixtures::equationOfStateSet("PR", 102)};
    fixtures::buildProblem(dir_.path(), d);
    std::int32_t iout = 0;
    methods::PAINIT(dir_.file("correlations").string(), dir_.path().string(), iout, 0);
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, 1);
    methods::PMCTL3.vapourEnthalpy.code = 1;
    methods::PMCTL3.vapourEnthalpy.option = 0;
  }
  void TearDown() override {
    methods::PAEND();
    storage::FIINIT();
  }
  testing_support::TempDir dir_;
};

TEST_F(VapourCorrelationPath, SumsAndContinuesAboveTheCriticalTemperature) {
  const double t = 300.0;
  const auto constant = [](problem::ComponentReal sector, std::int32_t i) {
    return storage::CORSTO.real(problem::COPTRS.realSector(sector) + i);
  };
  const double tc = constant(problem::ComponentReal::CriticalTemperature, 1);
  const double tb = constant(problem::ComponentReal::NormalBoilingPoint, 1);
  ASSERT_LT(tc, t);
  ASSERT_GT(constant(problem::ComponentReal::CriticalTemperature, 2), t);
  const auto& a = kLiquid[0];
  const auto& b = kLiquid[1];
  const auto& v = kVaporisation[1];
  // Methane above Tc: continued liquid enthalpy, no vaporisation term.
  const double slope1 = a[1] + 2.0 * a[2] * tb;
  const double h1 = a[0] + a[1] * tc + a[2] * tc * tc + (t - tc) * slope1;
  // n-Hexane below Tc: liquid enthalpy plus heat of vaporisation.
  const double h2 = b[0] + b[1] * t + b[2] * t * t + v[0] + v[1] * t;
  const double cp2 = b[1] + 2.0 * b[2] * t + v[1];
  const std::vector<double> x = {1.5, 0.5};  // amounts: the result is per mole
  double h = 0.0, cp = 0.0, hw = 0.0, cpw = 0.0, z = 0.0, residual = 7.0;
  std::int32_t status = -1, noComposition = 0;
  phase::HVAPDR(2, t, 1000.0, x, h, cp, hw, cpw, z, 1, status, noComposition, residual);
  EXPECT_EQ(status, 0);
  EXPECT_NEAR(h, 0.75 * h1 + 0.25 * h2, 1e-9 * std::fabs(h));
  EXPECT_NEAR(cp, 0.75 * slope1 + 0.25 * cp2, 1e-9 * std::fabs(cp));
  EXPECT_EQ(residual, 7.0);  // the correlation path leaves the residual alone
}

}  // namespace
