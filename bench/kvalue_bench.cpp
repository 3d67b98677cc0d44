// The K-value engine against its vapour fugacity kernel: one KCALC call (both phases,
// values only) for a 10-component natural gas with a Peng-Robinson set, and two FVCALC calls
// of the same mixture for comparison. The run is set up once with the test support of the
// fugacity tests (components in the core store, flash work arrays, the held block).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../tests/thermo/pure/density_blocks.hpp"
#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"

namespace {

constexpr std::int32_t kComponents = 10;
constexpr std::int32_t kAddress = 31000123;
constexpr std::int32_t kArrayWords = kComponents * kComponents;

// A natural gas and a condensate-like liquid of it (mole fractions).
const std::vector<std::string> kNames = {"NITROGEN",  "CARBON DIOXIDE", "METHANE",   "ETHANE",
                                         "PROPANE",   "N-BUTANE",       "N-PENTANE", "N-HEXANE",
                                         "N-HEPTANE", "N-OCTANE"};
const std::vector<double> kVapour = {0.01,  0.02,  0.85,  0.06,  0.03,
                                     0.015, 0.008, 0.004, 0.002, 0.001};
const std::vector<double> kLiquid = {0.002, 0.01, 0.25, 0.08, 0.09, 0.11, 0.12, 0.12, 0.11, 0.108};
constexpr double kT = 250.0;   // K
constexpr double kP = 5000.0;  // kPa

void setUp() {
  static bool done = false;
  if (done) return;
  done = true;
  density_test::startRun();
  std::vector<density_test::Species> species;
  std::vector<fixtures::ComponentSpec> specs;
  for (const std::string& name : kNames) {
    const fixtures::ComponentSpec c = fixtures::publishedComponent(name);
    specs.push_back(c);
    species.push_back({"", c.criticalTemperature, c.criticalPressure, c.acentricFactor,
                       c.criticalVolume, c.criticalCompressibility, c.molecularWeight, 0.5,
                       c.normalBoilingPoint, c.rackettCompressibility, c.costaldVolume,
                       c.costaldAcentricFactor});
  }
  density_test::installComponents(species);
  problem::COHDR(problem::cohdr::kLiquidComponents) = kComponents;
  for (std::int32_t k = 1; k <= problem::kFlashRealArrays; ++k) {
    problem::FWPART.realOffset(static_cast<std::size_t>(k)) = storage::ICMGTR(kArrayWords, 1);
    problem::FWPART.realSize(static_cast<std::size_t>(k)) = kArrayWords;
  }
  problem::FWPART.integerOffset(1) = storage::ICMGTI(kArrayWords, 1);
  problem::FWPART.integerSize(1) = kArrayWords;
  methods::MSPTRS.integerSectors(1) = storage::ICMGTI(24, 1);
  const fixtures::MethodBlock block =
      fixtures::cubicParameterBlock(101, fixtures::CubicForm::PengRobinson, specs);
  const std::int32_t length = density_test::holdBlock(block, kAddress);
  methods::KMCTL.kvalue = {101, 1, 1, kAddress, length};
  methods::KMCTL.levelWord = 1;
  methods::MethodClass c;
  c.code = 101;
  c.blockAddress = kAddress;
  c.blockLength = length;
  methods::MSPTRS.classes(1) = c;
}

void FVCALCTwice(benchmark::State& state) {
  setUp();
  std::vector<double> lnphi(kComponents);
  std::vector<std::int32_t> flags(kComponents, 2);
  double z = 0.0;
  std::int32_t status = 0;
  for (auto _ : state) {
    for (int k = 0; k < 2; ++k) {
      std::int32_t numerical = 0;
      equilibrium::FVCALC(kComponents, kVapour, lnphi, kT, kP, z, 0, 0, flags, 0, status,
                          numerical);
    }
    benchmark::DoNotOptimize(lnphi.data());
  }
}
BENCHMARK(FVCALCTwice);

void KCALCBothPhases(benchmark::State& state) {
  setUp();
  std::vector<double> k(kComponents);
  double zv = 0.0, zl = 0.0;
  std::int32_t ierr = 0, status = 0;
  for (auto _ : state) {
    std::int32_t kccall = equilibrium::kFullCall;
    equilibrium::KCALC(kComponents, kComponents, kVapour, kLiquid, k, kT, kP, zv, zl, kccall, 0, 1,
                       ierr, 0, status);
    benchmark::DoNotOptimize(k.data());
  }
}
BENCHMARK(KCALCBothPhases);

}  // namespace
