// A specification flash: the general flash holds the liquid fraction, finds the temperature
// at the stream's pressure, asks the specification values for the stream's temperature
// through its slot and moves the held fraction until the target is met. On an ideal
// mixture (Raoult K-values from Antoine vapour pressures, linear phase enthalpies) the
// state reached is checked against the exact Rachford-Rice split at the target.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "../flash/flash_support.hpp"
#include "problem/problem.hpp"
#include "problem/specifications.hpp"
#include "problem/streams.hpp"
#include "streamprops/property_codes.hpp"
#include "streamprops/specification_values.hpp"

namespace {

// Propane and n-butane, log10(P/bar) = A - B/(T + C): NIST Chemistry WebBook Antoine
// parameters (propane 277.6-360.8 K, n-butane 272.7-425 K).
const std::vector<flash_test::Antoine> kAntoine{{4.53678, 1149.36, 24.906},
                                                {4.35576, 1175.581, -2.071}};

void raoult(std::int32_t, std::int32_t ncomp, std::span<const double>, std::span<const double>,
            std::span<double> k, double t, double p, double& zv, double& zl, std::int32_t& kccall,
            std::int32_t, std::int32_t, std::int32_t& ierr, std::int32_t, std::int32_t& ifugst) {
  for (std::int32_t i = 0; i < ncomp; ++i) {
    const auto c = static_cast<std::size_t>(i);
    k[c] = kAntoine[c].kpa(std::max(t, 150.0)) / p;
  }
  zv = 0.95;
  zl = 0.02;
  ++kccall;
  ierr = 0;
  ifugst = 0;
}

// Phase enthalpies linear in T (the flash's totals need some): vapour 75 T, liquid 120 T
// less 15000 per mole; entropies 0.
std::int32_t vapourEnthalpy(std::int32_t, double t, double, std::span<const double>, double& h,
                            double& cp, double& hw, double& cpw, double& z, std::int32_t,
                            std::int32_t& status, std::int32_t&, double& residual) {
  h = 75.0 * t;
  cp = 75.0;
  hw = cpw = residual = 0.0;
  z = 0.95;
  status = 0;
  return 0;
}
std::int32_t liquidEnthalpy(std::int32_t, double t, double, std::span<const double>, double& h,
                            double& cp, double& hw, double& cpw, double& z, std::int32_t,
                            std::int32_t& status, std::int32_t&, double&) {
  h = 120.0 * t - 15000.0;
  cp = 120.0;
  hw = cpw = 0.0;
  z = 0.02;
  status = 0;
  return 0;
}
std::int32_t noVapourEntropy(std::int32_t, double, double, std::span<const double>, double& s,
                             double&, double&, std::int32_t, std::int32_t&) {
  s = 0.0;
  return 0;
}
std::int32_t noLiquidEntropy(std::int32_t, double, double, std::span<const double>, double& s,
                             double&, double&, std::int32_t, std::span<const std::int32_t>,
                             std::int32_t&) {
  s = 0.0;
  return 0;
}

constexpr double kTarget = 300.0;   // K
constexpr double kPressure = 500.0; // kPa

// Specification 1: the temperature (code 201) of stream 1 in K shall be kTarget within a
// relative 1e-5.
fixtures::SpecificationSpec temperatureSpecification() {
  fixtures::SpecificationSpec s;
  s.identifier = "TEMPERATURE";
  std::vector<std::int32_t> header(10, 0);
  std::vector<std::int32_t> operand(streamprops::spcrec::kWords, 0);
  operand[0] = 1;    // a stream property
  operand[3] = 1;    // of stream 1
  operand[12] = 201; // its temperature
  std::vector<std::int32_t> none(streamprops::spcrec::kWords, 0);
  s.record.integers = {header, operand, none, none};
  std::vector<double> reals(20, 0.0);
  reals[0] = kTarget;
  reals[3] = 1e-5;
  s.record.reals = {reals};
  s.record.system = {{0, 0}};
  return s;
}

class SpecificationFlash : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "specflash";
    d.components = flash_test::components({"PROPANE", "N-BUTANE"});
    d.methodSets = {flash_test::pengRobinsonSet("PR")};
    fixtures::StreamSpec stream;
    stream.name = "S1";
    stream.temperature = 290.0;
    stream.pressure = kPressure;
    stream.rate = 10.0;
    stream.composition = {0.5, 0.5};
    stream.liquidFraction = 0.5;
    stream.vapourFraction = 0.5;
    stream.integerWords = {{20, 1}};
    d.streams = {stream};
    d.flowsheet.specifications = {temperatureSpecification()};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    flash_test::useSet(1);
    problem::SRSET(problem::ISRNO("S1"), 0);
  }
  void TearDown() override { problem_.reset(); }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
  flash::ScopedKValueRoutine kvalues_{&raoult};
  flash::ScopedPhaseTotalRoutines phases_{flash::PhaseTotalRoutines{
      &vapourEnthalpy, &liquidEnthalpy, &noVapourEntropy, &noLiquidEntropy}};
};

TEST_F(SpecificationFlash, MeetsItsTargetThroughTheSlot) {
  std::vector<double> z{0.5, 0.5}, x{0.5, 0.5}, y{0.5, 0.5}, k{1.0, 1.0}, w1(2), w2(2), w3(2),
      w4(2), w5(2), w6(2), w7(2);
  std::vector<std::int32_t> present{1, 1};
  flash::GeneralFlash g;
  g.KFTYPE = static_cast<std::int32_t>(flash::FlashType::Specification);
  g.NC = g.NCOMP = 2;
  g.ISNO = 1;
  g.ITPFIX = 1;  // the temperature is found at the held fraction
  g.ISPEC = 1;
  g.ISPCOD = 12;  // a specification on the total liquid fraction
  g.IPRES = present;
  g.Z = z;
  g.X = x;
  g.Y = y;
  g.XK = k;
  g.XSTOR = w1;
  g.YSTOR = w2;
  g.DXNEW = w3;
  g.DXOLD = w4;
  g.DYNEW = w5;
  g.DYOLD = w6;
  g.XKSTOR = w7;
  g.T = 290.0;
  g.P = kPressure;
  g.GTOL = 1e-7;
  g.FTOTLQ = g.FLIQHC = 0.5;
  g.FVAPOR = 0.5;
  flash::FLASHG(g);
  ASSERT_EQ(g.JERR, 0);

  // The stream is at the target, and the specification says it is met.
  const problem::MainRecord m(problem::SRPSET.set2);
  EXPECT_NEAR(m.real(problem::srmain::kTemperature), kTarget, 1e-5 * kTarget);
  const streamprops::SpecificationResult r = streamprops::SPCVAL(1, 0);
  EXPECT_EQ(r.notmet, 0);
  EXPECT_DOUBLE_EQ(r.sval, kTarget);
  // Its split is the ideal one at the target: the Rachford-Rice vapour fraction of the
  // Antoine K-values at kTarget and kPressure.
  const std::vector<double> kt{kAntoine[0].kpa(kTarget) / kPressure,
                               kAntoine[1].kpa(kTarget) / kPressure};
  EXPECT_NEAR(m.real(problem::srmain::kVapourFraction),
              flash_test::exactVapourFraction(z, kt), 1e-3);
}

}  // namespace
