// The cubic root solver against published values and an independent evaluation of the
// published equations, its choice of root by phase, its pseudo-roots and its side outputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "eos_models.hpp"
#include "eos_support.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace eos_test;

// The real roots of Z^3 + c2 Z^2 + c1 Z + c0 = 0 by the trigonometric method, ascending.
std::vector<double> cubicRoots(double c2, double c1, double c0) {
  const double p = c1 - c2 * c2 / 3.0;
  const double q = 2.0 * c2 * c2 * c2 / 27.0 - c2 * c1 / 3.0 + c0;
  const double disc = q * q / 4.0 + p * p * p / 27.0;
  if (disc > 0.0) {
    const double s = std::sqrt(disc);
    return {std::cbrt(-q / 2.0 + s) + std::cbrt(-q / 2.0 - s) - c2 / 3.0};
  }
  const double r = 2.0 * std::sqrt(-p / 3.0);
  const double theta = std::acos(std::clamp(3.0 * q / (p * r), -1.0, 1.0));
  std::vector<double> z;
  for (int k = 0; k < 3; ++k)
    z.push_back(r * std::cos((theta - 2.0 * std::numbers::pi * k) / 3.0) - c2 / 3.0);
  std::sort(z.begin(), z.end());
  return z;
}

// The published Soave (1972) and Peng-Robinson (1976) equations of a pure fluid, written
// directly: the cubic in Z and ln phi.
struct Published {
  std::vector<double> roots;
  double lnphi(double z) const { return lnphiOf(z); }
  std::function<double(double)> lnphiOf;
};

Published soave(const Component& c, double t, double p) {
  const double tr = t / c.tc, pr = p / c.pc;
  const double m = 0.480 + 1.574 * c.omega - 0.176 * c.omega * c.omega;
  const double alpha = std::pow(1.0 + m * (1.0 - std::sqrt(tr)), 2);
  const double a = 0.42748 * alpha * pr / (tr * tr), b = 0.08664 * pr / tr;
  return {cubicRoots(-1.0, a - b - b * b, -a * b),
          [a, b](double z) { return z - 1.0 - std::log(z - b) - a / b * std::log(1.0 + b / z); }};
}

Published pengRobinson(const Component& c, double t, double p) {
  const double tr = t / c.tc, pr = p / c.pc;
  const double m = 0.37464 + 1.54226 * c.omega - 0.26992 * c.omega * c.omega;
  const double alpha = std::pow(1.0 + m * (1.0 - std::sqrt(tr)), 2);
  const double a = 0.45724 * alpha * pr / (tr * tr), b = 0.07780 * pr / tr;
  const double s2 = std::numbers::sqrt2;
  return {cubicRoots(-(1.0 - b), a - 3.0 * b * b - 2.0 * b, -(a * b - b * b - b * b * b)),
          [a, b, s2](double z) {
            return z - 1.0 - std::log(z - b) -
                   a / (2.0 * s2 * b) * std::log((z + (1.0 + s2) * b) / (z + (1.0 - s2) * b));
          }};
}

// A pure fluid of a family through EOSTWU (Soave form), EOSMR7 and EOSZRT.
Root pureRoot(const Family& family, const Component& c, double t, double p, std::int32_t phase,
              std::int32_t option = 1, std::int32_t level = 1) {
  const Model model = mixingRules(family, {c}).front().model;
  return solve(model(t, {1.0}), phase, level, t, p, family, option);
}

// Redlich-Kwong: alpha = Tr^-0.5 (form 12) on the Soave-Redlich-Kwong family.
Root redlichKwong(const Component& c, double t, double p, std::int32_t phase) {
  const double sqrtac = std::sqrt(0.42748 * kR * kR * c.tc * c.tc / c.pc);
  const std::vector<double> params(3, 0.0), tc = {c.tc};
  const std::vector<std::int32_t> forms = {12};
  std::vector<double> sqrta(1), a(1), aT(1), aTT(1);
  pure::EOSTWU({&sqrtac, 1}, params, forms, 1, 3, 1, t, tc, sqrta, a, aT, aTT);
  Mixture m(1);
  m.a = a[0];
  m.abar[0] = a[0];
  m.b = m.bbar[0] = 0.08664 * kR * c.tc / c.pc;
  return solve(m, phase, 1, t, p, kSoave, 1);
}

// n-butane at 350 K and its vapour pressure 945.73 kPa (Tc 425.1 K, Pc 3796 kPa): the
// Redlich-Kwong roots 0.8305 and 0.04331 of the worked example in J. M. Smith, H. C. Van Ness
// and M. M. Abbott, Introduction to Chemical Engineering Thermodynamics (not re-read for this
// test: unconfirmed). The Redlich-Kwong cubic with these constants, solved on its own, has
// the roots 0.830490 and 0.0433121, which round to the printed values: the tolerances are
// the printed digits.
TEST(EOSZRT, RedlichKwongRootsOfButaneAtItsVapourPressure) {
  const Component butane{"n-butane", 425.1, 3796.0, 0.200};
  const Root v = redlichKwong(butane, 350.0, 945.73, pure::kVapourPhase);
  const Root l = redlichKwong(butane, 350.0, 945.73, pure::kLiquidPhase);
  EXPECT_NEAR(v.z, 0.8305, 5e-5);
  EXPECT_NEAR(l.z, 0.04331, 5e-6);
  EXPECT_EQ(v.status, pure::kTrueRoot);
  EXPECT_EQ(l.status, pure::kTrueRoot);
}

// Soave and Peng-Robinson against the published equations, at three-root, one-root vapour
// and one-root liquid states of n-butane.
TEST(EOSZRT, SoaveAndPengRobinsonAgreeWithThePublishedEquations) {
  const Component butane{"n-butane", 425.1, 3796.0, 0.200};
  struct Case {
    double t, p;
  };
  for (const Case c : {Case{350.0, 945.73}, Case{400.0, 300.0}, Case{300.0, 8000.0}}) {
    for (const bool pr : {false, true}) {
      SCOPED_TRACE(std::string(pr ? "Peng-Robinson" : "Soave") + " at " + std::to_string(c.t));
      const Published ref = pr ? pengRobinson(butane, c.t, c.p) : soave(butane, c.t, c.p);
      const Family& family = pr ? kPengRobinson : kSoave;
      const Root v = pureRoot(family, butane, c.t, c.p, pure::kVapourPhase);
      const Root l = pureRoot(family, butane, c.t, c.p, pure::kLiquidPhase);
      EXPECT_NEAR(v.z, ref.roots.back(), 1e-10);
      EXPECT_NEAR(l.z, ref.roots.front(), 1e-10);
      EXPECT_NEAR(v.lnphi[0], ref.lnphi(ref.roots.back()), 1e-9);
      EXPECT_NEAR(l.lnphi[0], ref.lnphi(ref.roots.front()), 1e-9);
    }
  }
}

// At the critical point of the published equation the cubic has a three-fold root.
TEST(EOSZRT, ThreeFoldRootAtTheCriticalPoint) {
  const double tc = 400.0, pc = 4000.0, rt = kR * tc;
  const double cbrt2 = std::cbrt(2.0);
  struct Case {
    const Family* family;
    double omegaA, omegaB, zc;
  };
  const Case cases[] = {
      {&kSoave, 1.0 / (9.0 * (cbrt2 - 1.0)), (cbrt2 - 1.0) / 3.0, 1.0 / 3.0},
      {&kPengRobinson, 0.45723552892138218, 0.077796073903888455, 0.307401},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.family->name);
    Mixture m(1);
    m.a = m.abar[0] = c.omegaA * rt * rt / pc;
    m.b = m.bbar[0] = c.omegaB * rt / pc;
    for (const std::int32_t phase : {pure::kVapourPhase, pure::kLiquidPhase}) {
      const Root r = solve(m, phase, 1, tc, pc, *c.family, 1);
      EXPECT_NEAR(r.z, c.zc, 5e-7);
      EXPECT_EQ(r.status, pure::kTrueRoot);
    }
  }
}

// Below the critical temperature between the spinodals there are three roots: the vapour
// takes the largest and the liquid the smallest; above it there is one, taken by both.
TEST(EOSZRT, ThePhaseCodeChoosesAmongThreeRoots) {
  const Published three = soave(kButane, 350.0, 945.73);
  ASSERT_EQ(three.roots.size(), 3u);
  EXPECT_NEAR(pureRoot(kSoave, kButane, 350.0, 945.73, pure::kVapourPhase).z, three.roots[2],
              1e-10);
  EXPECT_NEAR(pureRoot(kSoave, kButane, 350.0, 945.73, pure::kLiquidPhase).z, three.roots[0],
              1e-10);
  const Published one = soave(kButane, 500.0, 5000.0);
  ASSERT_EQ(one.roots.size(), 1u);
  for (const std::int32_t phase : {pure::kVapourPhase, pure::kLiquidPhase}) {
    EXPECT_NEAR(pureRoot(kSoave, kButane, 500.0, 5000.0, phase).z, one.roots[0], 1e-10);
  }
}

// With no root of the asked phase and option 0, a pseudo-root with status 0; option 1 takes
// the cubic's root with status 1. The liquid pseudo-root shifts every ln phi by one
// positive constant ln(P*/P); the vapour pseudo-root shifts nothing.
TEST(EOSZRT, PseudoRootsWhenThePhaseHasNoRoot) {
  const std::vector<Component> pair = {kMethane, kButane};
  const std::vector<double> x = {0.5, 0.5};
  const Model model = mixingRules(kSoave, pair).front().model;
  struct Case {
    const char* label;
    std::int32_t phase;
    double t, p;
  };
  for (const Case c : {Case{"liquid above the pseudo-critical temperature", 2, 450.0, 2000.0},
                       Case{"vapour of a compressed liquid", 1, 250.0, 20000.0}}) {
    SCOPED_TRACE(c.label);
    const Mixture m = model(c.t, x);
    const Root cubic = solve(m, c.phase, 1, c.t, c.p, kSoave, 1);
    const Root pseudo = solve(m, c.phase, 1, c.t, c.p, kSoave, 0);
    EXPECT_EQ(cubic.status, pure::kTrueRoot);
    EXPECT_EQ(pseudo.status, pure::kPseudoRoot);
    if (c.phase == pure::kLiquidPhase) {
      EXPECT_LT(pseudo.z, cubic.z);
    } else {
      EXPECT_GT(pseudo.z, cubic.z);
    }
    // ln phi of the cubic's formulas at the pseudo-root's Z, with the kernel's own
    // composition terms: the difference is the same for every component.
    const double rt = kR * c.t, ca = m.a * c.p / (rt * rt), cb = m.b * c.p / rt, z = pseudo.z;
    const double l = -(ca / cb) * std::log(1.0 + cb / z);
    double shift = 0.0;
    for (std::size_t i = 0; i < 2; ++i) {
      const double bi = m.bbar[i] / m.b, ai = m.abar[i] / m.a;
      const double formula = bi * (z - 1.0 - l) + l * ai + l - std::log(z - cb);
      if (i == 0) shift = pseudo.lnphi[0] - formula;
      EXPECT_NEAR(pseudo.lnphi[i] - formula, shift, 1e-10);
    }
    if (c.phase == pure::kLiquidPhase) {
      EXPECT_GT(shift, 0.0);
    } else {
      EXPECT_NEAR(shift, 0.0, 1e-12);
    }
  }
}

// Without attraction the root lies beyond B + 1 and is found by Newton.
TEST(EOSZRT, RepulsiveCubicIsSolvedFromBPlusOne) {
  Mixture m(1);
  const double t = 300.0, p = 5000.0, rt = kR * t;
  m.a = m.abar[0] = -200.0;
  m.b = m.bbar[0] = 0.05;
  const Root r = solve(m, pure::kVapourPhase, 1, t, p, kPengRobinson, 0);
  const double ca = m.a * p / (rt * rt), cb = m.b * p / rt, z = r.z;
  const double s = -2.0, q = -1.0;
  EXPECT_GT(z, cb + 1.0);
  EXPECT_NEAR(((z - (1.0 + (1.0 + s) * cb)) * z + ca + s * cb + (s + q) * cb * cb) * z -
                  (ca * cb + q * cb * cb * (1.0 + cb)),
              0.0, 1e-13);
  EXPECT_EQ(r.status, pure::kTrueRoot);
}

// A vapour at vanishing pressure is the ideal gas; ln phi keeps the cubic's formula at
// Z = 1, which is the second-virial limit (b - a/(R T)) P/(R T).
TEST(EOSZRT, IdealGasAtVanishingPressure) {
  const double t = 300.0, p = 1e-6;
  const Mixture m = mixingRules(kSoave, {kButane}).front().model(t, {1.0});
  const Root r = solve(m, pure::kVapourPhase, 2, t, p, kSoave);
  EXPECT_EQ(r.z, 1.0);
  EXPECT_EQ(r.status, pure::kTrueRoot);
  EXPECT_NEAR(r.lnphi[0], (m.b - m.a / (kR * t)) * p / (kR * t), 1e-15);
}

// Outputs of levels not asked for stay untouched; level 4 fills every output.
TEST(EOSZRT, LevelsLeaveTheOutputsTheyDoNotAskForUntouched) {
  const std::vector<Component> pair = {kMethane, kButane};
  const Mixture m = mixingRules(kSoave, pair).front().model(300.0, {0.3, 0.7});
  const Root one = solve(m, pure::kLiquidPhase, 1, 300.0, 3000.0, kSoave);
  EXPECT_NE(one.lnphi[0], -9.0);
  for (const double v : {one.zT, one.zP, one.hr, one.sr, one.cpr, one.cvr, one.cpcv})
    EXPECT_EQ(v, -9.0);
  for (const auto* a : {&one.lnphiT, &one.lnphiP, &one.lnphiN, &one.hrn, &one.zdn}) {
    for (const double v : *a) EXPECT_EQ(v, -9.0);
  }
  const Root three = solve(m, pure::kLiquidPhase, 3, 300.0, 3000.0, kSoave);
  EXPECT_NE(three.cpr, -9.0);
  EXPECT_EQ(three.hrn[0], -9.0);
  const Root four = solve(m, pure::kLiquidPhase, 4, 300.0, 3000.0, kSoave);
  for (const double v : four.lnphiN) EXPECT_NE(v, -9.0);
  // No components: the arrays are not touched (and may be empty).
  Mixture none(0);
  none.a = m.a;
  none.b = m.b;
  const Root empty = solve(none, pure::kLiquidPhase, 4, 300.0, 3000.0, kSoave);
  EXPECT_GT(empty.z, 0.0);
}

// The fugacity routines' request of the cubic's curvature at the root, served and cleared.
TEST(EOSZRT, ServesTheCurvatureRequestOfTheFugacityRoutines) {
  const Published ref = soave(kButane, 350.0, 945.73);
  pure::EOSDBG = {};
  pure::EOSDBG.request = 2;
  const Root l = pureRoot(kSoave, kButane, 350.0, 945.73, pure::kLiquidPhase);
  EXPECT_EQ(pure::EOSDBG.request, 0);
  EXPECT_NEAR(pure::EOSDBG.liquidSlot, 6.0 * l.z - 2.0, 1e-9);  // c2 = -1 for Soave
  pure::EOSDBG.request = 1;
  const Root v = pureRoot(kSoave, kButane, 350.0, 945.73, pure::kVapourPhase);
  EXPECT_NEAR(pure::EOSDBG.vapourSlot, 6.0 * v.z - 2.0, 1e-9);
  EXPECT_NEAR(v.z, ref.roots.back(), 1e-10);
}

// Root lines and the state dump under the fugacity debug switch.
TEST(EOSZRT, DebugLinesGoToTheReportUnit) {
  testing_support::TempDir dir;
  const std::string report = dir.file("eos.txt").string();
  ASSERT_EQ(platform::openSequential(32, report, platform::FileStatus::Unknown,
                                     platform::FileAccess::Write),
            platform::IoResult::Ok);
  services::IOUNIT.report = 32;
  services::GDPOPT.words(services::kDiagnosticSwitchBase + 54) = 5;
  pure::EOSDBG.request = 1;
  pureRoot(kSoave, kButane, 350.0, 945.73, pure::kVapourPhase);
  pureRoot(kSoave, kButane, 500.0, 5000.0, pure::kLiquidPhase);
  services::GDPOPT.words(services::kDiagnosticSwitchBase + 54) = 0;
  services::IOUNIT.report = -1;
  platform::closeUnit(32, true);
  const std::string text = testing_support::readFile(report);
  char chosen[40];
  std::snprintf(chosen, sizeof chosen, " ZZ=%14.6E VAPOR\n",
                soave(kButane, 350.0, 945.73).roots.back());
  EXPECT_NE(text.find(" EOS ZROOT ="), std::string::npos) << text;
  EXPECT_NE(text.find(chosen), std::string::npos) << text;
  EXPECT_NE(text.find(" EOSTYP 1 A"), std::string::npos) << text;
  EXPECT_NE(text.find("PCHK"), std::string::npos) << text;
  EXPECT_NE(text.find(" EOS ZROOT - ONE ROOT - Q IS NON-NEGATIVE"), std::string::npos) << text;
}

// Calls are counted under the timing switch.
TEST(EOSZRT, CountsItsCallsUnderTheTimingSwitch) {
  services::GDPOPT.words(services::kDiagnosticSwitchBase + services::kTimingSwitch) = 1;
  services::TIMST2 = {};
  pureRoot(kSoave, kButane, 350.0, 945.73, pure::kVapourPhase);
  services::GDPOPT.words(services::kDiagnosticSwitchBase + services::kTimingSwitch) = 0;
  std::int32_t calls = 0;
  for (const std::int32_t c : services::TIMST2.calls.values) calls += c;
  EXPECT_EQ(calls, 3);  // EOSTWU, EOSMR7 and EOSZRT
}

}  // namespace
