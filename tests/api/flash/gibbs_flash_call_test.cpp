// VFLASH with the Gibbs flash forced (diagnostic switch 45 of the problem): the methane /
// hydrogen sulphide example with the Soave equation at 190 K and 40.53 bar, whose stable
// state is two liquids, reaches the host as the Gibbs flash's split, the second liquid in the
// vapour's words.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "api/flash/composition_flash.hpp"
#include "flash/multiphase/gibbs_flash.hpp"
#include "flash/multiphase/slots.hpp"
#include "flash_support.hpp"
#include "services/run_options.hpp"

namespace {

constexpr double kT = 190.0, kP = 4053.0;  // K, kPa

fixtures::ProblemDescription example() {
  fixtures::ProblemDescription d;
  d.name = "gibbs";
  d.components = flash_test::components({"METHANE", "HYDROGEN SULFIDE"});
  fixtures::MethodSetSpec set = fixtures::equationOfStateSet("SOAVE", 101);
  set.options[0] = 2;
  set.options[9] = set.options[10] = 3;
  for (std::size_t slot = 12; slot <= 16; ++slot) set.codes[slot - 1] = 2;
  set.parameterBlocks.at(0) = [](const std::vector<fixtures::ComponentSpec>& c) {
    return fixtures::cubicParameterBlock(101, fixtures::CubicForm::SoaveRedlichKwong, c, {0.083});
  };
  d.methodSets = {set};
  d.correlationSets = {fixtures::idealGasEnthalpySet(d.components)};
  fixtures::StreamSpec feed;
  feed.name = "FEED";
  feed.temperature = kT;
  feed.pressure = kP;
  feed.rate = 1.0;
  feed.composition = {0.5, 0.5};
  d.streams = {feed};
  d.gdp[144] = 1;  // switch 45: the Gibbs flash
  return d;
}

TEST(GibbsFlashCall, VflashReturnsTheStableTwoLiquidSplit) {
  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  flash_test::OpenProblem problem(dir, example());
  multiphase::installSlots();
  ASSERT_EQ(services::GDPOPT.diagnosticSwitch(45), 1);

  const auto vflash = [](std::array<std::vector<double>, 3>& phases, api_flash::FlashResults& r) {
    api_flash::FlashRequest in;
    in.tempin = kT;
    in.presin = kP * 1000.0;
    in.iftype = 1;
    in.ncomp = 2;
    std::vector<double> comp{0.5, 0.5};
    for (auto& p : phases) p.assign(2, -9.0);
    r.compV = phases[0];
    r.compL = phases[1];
    r.compW = phases[2];
    std::int32_t ierr = 99;
    api_flash::VFLASH(0, "FEED", in, comp, r, ierr);
    return ierr;
  };
  std::array<std::vector<double>, 3> phases;
  api_flash::FlashResults r;
  ASSERT_EQ(vflash(phases, r), 0);

  // The Gibbs flash of the same feed, called directly.
  flash_test::useSet(1);
  flash_test::Flash f({0.5, 0.5}, kT, kP);
  multiphase::FLASGB(f.a);
  ASSERT_EQ(f.a.IFFAIL, 0);
  EXPECT_NEAR(r.fracv, f.a.FVAPOR, 1e-6);
  EXPECT_NEAR(r.fracl + r.fracw, f.a.FLIQHC, 1e-6);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_NEAR(phases[0][i], f.y[i], 1e-6);
    EXPECT_NEAR(phases[1][i], f.x[i], 1e-6);
  }
  // Without the switch the default flash settles on a vapour-liquid split, another answer.
  services::GDPOPT.words(145) = 0;
  std::array<std::vector<double>, 3> plain;
  api_flash::FlashResults rp;
  ASSERT_EQ(vflash(plain, rp), 0);
  EXPECT_GT(std::abs(rp.fracv - r.fracv), 1e-3);
}

}  // namespace
