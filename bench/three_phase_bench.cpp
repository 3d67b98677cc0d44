// The three-phase flash (FLAS3P) beside the default two-phase flash (FLASHT) of the same feed
// at the same state, on composition-independent K-value doubles of a light hydrocarbon, a heavy
// hydrocarbon and water: the cost of the algorithm itself, without the thermodynamics. The
// two-phase flash is the yardstick of the run: the three-phase row reports its time as a ratio
// to it, and both report their K-value calls per flash.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <ctime>
#include <memory>
#include <span>
#include <vector>

#include "bench_support.hpp"
#include "fixtures/problem_builder.hpp"
#include "flash/flash.hpp"
#include "flash/multiphase/pair_kvalues.hpp"
#include "flash/multiphase/slots.hpp"
#include "flash/multiphase/three_phase_flash.hpp"
#include "methods/methods.hpp"
#include "storage/storage.hpp"

namespace {

// Made-up K-values of the right shape (K1 = y/x1 against the hydrocarbon liquid, K2 = y/x2
// against the water-rich liquid), as in the three-phase flash tests.
constexpr std::array<double, 3> kK1{5.0, 0.1, 10.0};
constexpr std::array<double, 3> kK2{50.0, 20.0, 0.05};
const std::vector<double> kFeed{0.3, 0.3, 0.4};
constexpr double kT = 300.0, kP = 2000.0;

void pairDouble(std::int32_t, std::int32_t ncomp, std::span<const double>,
                std::span<const double> x, std::span<double> k, double, double, double& zv,
                double& zl, std::int32_t, std::int32_t, std::int32_t, std::int32_t& ierr, double,
                double, std::span<std::int32_t>, std::int32_t, std::int32_t& ifugst) {
  const bool second = x[2] > x[1];
  for (std::size_t i = 0; i < static_cast<std::size_t>(ncomp); ++i) k[i] = second ? kK2[i] : kK1[i];
  zv = 0.9;
  zl = 0.1;
  ierr = 0;
  ifugst = 0;
}

// The vapour-liquid-1 K-values; while the three-phase flash runs, the first call does what the
// liquid-liquid set-up does (the coefficients x1/x2 kept, the flash handed back).
void kcalcDouble(std::int32_t, std::int32_t ncomp, std::span<const double>, std::span<const double>,
                 std::span<double> k, double, double, double& zv, double& zl, std::int32_t&,
                 std::int32_t, std::int32_t, std::int32_t& ierr, std::int32_t,
                 std::int32_t& ifugst) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(ncomp); ++i) k[i] = kK1[i];
  if (methods::THDXCH.IHVLLE == 2) {
    methods::THDXCH.IHVLLE = 1;
    const flash::LiquidLiquidArrays kept = flash::liquidLiquidArrays(3);
    for (std::size_t i = 0; i < 3; ++i) kept.DCOEF[i] = kK2[i] / kK1[i];
  }
  zv = 0.9;
  zl = 0.1;
  ierr = 0;
  ifugst = 0;
}

struct Setup {
  bench::ScratchDirectory dir;
  double flashtSeconds = 0.0;
};

// The isothermal flash's arguments with arrays of their own.
struct Arguments {
  std::vector<double> z = kFeed, x = kFeed, y = kFeed, k = std::vector<double>(3, 1.0),
                      xs = std::vector<double>(3), ys = std::vector<double>(3),
                      d1 = std::vector<double>(3), d2 = std::vector<double>(3),
                      d3 = std::vector<double>(3), d4 = std::vector<double>(3),
                      ks = std::vector<double>(3), tc = std::vector<double>(3);
  std::vector<std::int32_t> present = std::vector<std::int32_t>(3, 1);
  flash::IsothermalFlash a;
  Arguments() {
    a.NCOMP = a.NC = 3;
    a.IPRES = present;
    a.Z = z;
    a.X = x;
    a.Y = y;
    a.XK = k;
    a.XSTOR = xs;
    a.YSTOR = ys;
    a.DXNEW = d1;
    a.DXOLD = d2;
    a.DYNEW = d3;
    a.DYOLD = d4;
    a.XKSTOR = ks;
    a.TCRIT = tc;
    a.T = kT;
    a.P = kP;
    a.TRATE = 1.0;
    a.GTOL = 1e-6;
  }
  void reset() {
    std::copy(kFeed.begin(), kFeed.end(), x.begin());
    std::copy(kFeed.begin(), kFeed.end(), y.begin());
    std::fill(k.begin(), k.end(), 1.0);
    a.KXOPT = 1;
    a.INITFL = 0;
    a.IFFAIL = 0;
  }
};

flash::ThreePhaseWork threePhaseWork() {
  flash::FLSWKA(static_cast<std::int32_t>(flash::WorkMode::ThreePhase), 3);
  const auto w = [](std::size_t slot) {
    return storage::CORSTO.reals(flash::FLWKTB.slots(slot), 3);
  };
  return {w(7),  w(8), w(10), w(9), w(11), w(14), w(12), w(13), w(15),
          w(16), w(1), w(2),  w(3), w(4),  w(5),  w(6),  w(17)};
}

double timeFlasht() {
  Arguments f;
  constexpr int kCalls = 20000;
  const std::clock_t start = std::clock();
  for (int n = 0; n < kCalls; ++n) {
    f.reset();
    flash::FLASHT(f.a);
    benchmark::DoNotOptimize(f.a.FVAPOR);
  }
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC / kCalls;
}

Setup* setup() {
  static std::unique_ptr<Setup> s;
  if (s) return s.get();
  s = std::make_unique<Setup>();
  fixtures::ProblemDescription d;
  d.name = "threephase";
  for (const char* name : {"METHANE", "N-DECANE", "WATER"}) {
    d.components.push_back(fixtures::publishedComponent(name));
  }
  d.methodSets = {fixtures::equationOfStateSet("PR", 102)};
  fixtures::buildProblem(s->dir.path(), d);
  std::int32_t iout = 0;
  methods::PAINIT((s->dir.path() / d.name).string(), s->dir.path().string(), iout, 0);
  multiphase::installSlots();
  flash::ScopedKValueRoutine kvalues(&kcalcDouble);
  s->flashtSeconds = timeFlasht();
  return s.get();
}

void BM_FLASHT(benchmark::State& state) {
  Setup& s = *setup();
  flash::ScopedKValueRoutine kvalues(&kcalcDouble);
  Arguments f;
  const std::int64_t calls = flash::kvalueCalls();
  std::int64_t n = 0;
  for (auto _ : state) {
    f.reset();
    flash::FLASHT(f.a);
    benchmark::DoNotOptimize(f.a.FVAPOR);
    ++n;
  }
  state.counters["KCALC_per_flash"] = static_cast<double>(flash::kvalueCalls() - calls) / n;
  state.counters["yardstick_us"] = s.flashtSeconds * 1e6;
}
BENCHMARK(BM_FLASHT);

void BM_FLAS3P(benchmark::State& state) {
  Setup& s = *setup();
  flash::ScopedKValueRoutine kvalues(&kcalcDouble);
  multiphase::ScopedPairKValueRoutine pairs(&pairDouble);
  Arguments f;
  const flash::ThreePhaseWork work = threePhaseWork();
  const std::int64_t calls = flash::kvalueCalls();
  const std::int64_t pairCalls = multiphase::pairKValueCalls();
  std::int64_t n = 0;
  const std::clock_t start = std::clock();
  for (auto _ : state) {
    f.reset();
    std::int32_t level = 2;
    multiphase::FLAS3P(f.a, work, level);
    benchmark::DoNotOptimize(f.a.FVAPOR);
    ++n;
  }
  const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC / n;
  state.counters["KCALC_per_flash"] = static_cast<double>(flash::kvalueCalls() - calls) / n;
  state.counters["KCPAIR_per_flash"] =
      static_cast<double>(multiphase::pairKValueCalls() - pairCalls) / n;
  state.counters["ratio_to_FLASHT"] = seconds / s.flashtSeconds;
  state.counters["failures"] = f.a.IFFAIL;
}
BENCHMARK(BM_FLAS3P);

}  // namespace
