// One phase-stability test (STABL) on the 10-component natural gas of the example problem with
// its Peng-Robinson set: at 400 K and 5000 kPa, where the gas (1 % water) is one stable phase, and
// at 233.15 K and 5000 kPa, where it splits. Each row reports the trial-phase evaluations per test
// (STPHSG_per_test) and its time as a ratio to one KCALC call at the same state, both phases at
// values only, timed in the same run (the KCALC rows).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "bench_support.hpp"
#include "fixtures/problem_builder.hpp"
#include "flash/flash.hpp"
#include "flash/multiphase/stability.hpp"
#include "methods/methods.hpp"
#include "thermo/equilibrium/equilibrium.hpp"

namespace {

constexpr std::int32_t kComponents = 10;
constexpr double kP = 5000.0;  // kPa

struct Setup {
  bench::ScratchDirectory dir;
  std::vector<fixtures::ComponentSpec> components;
  std::vector<double> feed{0.010, 0.020, 0.005, 0.800, 0.080, 0.040, 0.020, 0.010, 0.005, 0.010};
};

Setup& setUp() {
  static Setup* s = nullptr;
  if (s != nullptr) return *s;
  s = new Setup;
  const fixtures::ProblemDescription d = fixtures::naturalGasPlant();
  s->components = d.components;
  fixtures::buildProblem(s->dir.path(), d);
  std::int32_t iout = 0;
  methods::PAINIT((s->dir.path() / d.name).string(), s->dir.path().string(), iout, 0);
  std::int32_t d1 = 0, d2 = 0, d3 = 0, d4 = 0;
  methods::FLMSET(d1, d2, d3, d4, 1);
  return *s;
}

// Start values: ln K of the Wilson estimate (G. M. Wilson, 1968), ln(Pc/P) + 5.373 (1 + w)
// (1 - Tc/T).
std::vector<double> wilson(const Setup& s, double t) {
  std::vector<double> lnk;
  for (const fixtures::ComponentSpec& c : s.components) {
    lnk.push_back(std::log(c.criticalPressure / kP) +
                  5.373 * (1.0 + c.acentricFactor) * (1.0 - c.criticalTemperature / t));
  }
  return lnk;
}

void stabilityTest(benchmark::State& state, double t) {
  Setup& s = setUp();
  const std::vector<double> start = wilson(s, t);
  std::vector<double> lnk(kComponents), x(kComponents), y(kComponents);
  std::int32_t isplit = 0, ierr = 0;
  const std::int64_t calls = multiphase::THMISC.phaseCalls;
  for (auto _ : state) {
    lnk = start;
    double frac = 0.5;
    multiphase::STABL(kComponents, t, kP, lnk, s.feed, x, y, frac, isplit, 0, ierr);
    benchmark::DoNotOptimize(frac);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["STPHSG_per_test"] =
      static_cast<double>(multiphase::THMISC.phaseCalls - calls) / n;
  state.counters["split"] = isplit;
  state.counters["error"] = ierr;
}

void kvalueCall(benchmark::State& state, double t) {
  Setup& s = setUp();
  std::vector<double> k(kComponents);
  double zv = 0.0, zl = 0.0;
  std::int32_t ierr = 0, status = 0;
  for (auto _ : state) {
    std::int32_t kccall = equilibrium::kFullCall;
    equilibrium::KCALC(kComponents, kComponents, s.feed, s.feed, k, t, kP, zv, zl, kccall, 0, 1,
                       ierr, 0, status);
    benchmark::DoNotOptimize(k.data());
  }
}

BENCHMARK_CAPTURE(stabilityTest, STABLStable, 400.0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(kvalueCall, KCALCStable, 400.0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(stabilityTest, STABLUnstable, 233.15)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(kvalueCall, KCALCUnstable, 233.15)->Unit(benchmark::kMicrosecond);

}  // namespace
