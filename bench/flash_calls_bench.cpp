// The host's flash of a composition (VFLASH) on the 10-component natural gas of the example
// problem with its Peng-Robinson set at 233.15 K and 5000 kPa: type 1 (T, P) and type 3 (P,
// H), warm (the same call repeated) and cold (a new composition each call). Each benchmark
// reports its time as a ratio to one KCALC call at the same state, measured in the same
// process just before, and the K-value calls the flashes made per call. The flash step of a
// type-1 call, UFLSH alone, is timed beside them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstdint>
#include <string>
#include <vector>

#include "api/flash/composition_flash.hpp"
#include "api/flash/stream_vector.hpp"
#include "bench_support.hpp"
#include "fixtures/problem_builder.hpp"
#include "flash/flash.hpp"
#include "methods/methods.hpp"
#include "services/services.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/cubic_terms.hpp"

namespace {

constexpr std::int32_t kComponents = 10;
constexpr double kT = 233.15;        // K, host set 4
constexpr double kP = 5000.0 * 1e3;  // kPa times 1000, host set 4
constexpr double kKelvin = 233.15;   // the same state in internal units
constexpr double kKilopascal = 5000.0;
constexpr int kColdCompositions = 64;

struct Setup {
  bench::ScratchDirectory dir;
  std::vector<double> feed;
  std::vector<double> vapour, liquid;  // the split at the state, for KCALC
  double enthalpy = 0.0;               // the feed's molar enthalpy at the state, host units
  std::vector<std::vector<double>> cold;
  double kcalcSeconds = 0.0;  // one KCALC call
  // K-value calls of the three flashes of a warm type-1 call: the flash itself and the
  // re-flashes of the vapour and the liquid for their entropies.
  double kcalcFlash = 0.0, kcalcVapour = 0.0, kcalcLiquid = 0.0;
};

api_flash::FlashRequest request(std::int32_t type, double enthalpy) {
  api_flash::FlashRequest in;
  in.tempin = kT;
  in.presin = kP;
  in.enthin = enthalpy;
  in.iftype = type;
  in.ncomp = kComponents;
  return in;
}

// Processor seconds of one KCALC call at the split, both phases at values only, as the flashes
// call it. Processor time, as the flash benchmarks' own time in the ratio: wall time on a
// loaded machine would count other processes' turns in the yardstick only.
double timeKCALC(const Setup& s) {
  std::vector<double> k(kComponents);
  double zv = 0.0, zl = 0.0;
  std::int32_t ierr = 0, status = 0;
  constexpr int kCalls = 20000;
  const std::clock_t start = std::clock();
  for (int n = 0; n < kCalls; ++n) {
    std::int32_t kccall = equilibrium::kFullCall;
    equilibrium::KCALC(kComponents, kComponents, s.vapour, s.liquid, k, kKelvin, kKilopascal, zv,
                       zl, kccall, 0, 1, ierr, 0, status);
    benchmark::DoNotOptimize(k.data());
  }
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC / kCalls;
}

// A stream vector of unit rate at the state, in the vector's unit set, without components.
std::vector<float> feedVector() {
  namespace sv = api_flash::strvec;
  std::vector<float> feed(sv::kHeaderWords + kComponents, 0.0F);
  feed[sv::kRate - 1] = 1.0F;
  feed[sv::kTemperature - 1] = static_cast<float>(
      services::UOMCNV(kKelvin, sv::kTemperatureClass, sv::kInternalSet, sv::kVectorSet));
  feed[sv::kPressure - 1] = static_cast<float>(
      services::UOMCNV(kKilopascal, sv::kPressureClass, sv::kInternalSet, sv::kVectorSet));
  return feed;
}

// The amounts of Z, normalised to the vector's unit rate.
void loadComposition(const std::vector<double>& z, std::vector<float>& feed) {
  double sum = 0.0;
  for (double v : z) sum += v;
  for (std::size_t i = 0; i < z.size(); ++i) {
    feed[api_flash::strvec::kHeaderWords + i] = static_cast<float>(z[i] / sum);
  }
}

// The K-value calls of each of the three flashes that a warm type-1 call makes, counted on
// a repeat of the same flash and the same entropy calls through the stream-vector routines.
void countStages(Setup& s) {
  std::vector<float> feed = feedVector();
  loadComposition(s.feed, feed);
  std::vector<float> vap(feed.size()), liq(feed.size()), wat(feed.size()), k(kComponents);
  std::int32_t ierr = 0;
  float res = 0.0F, res2 = 0.0F;
  for (int pass = 0; pass < 2; ++pass) {  // the second pass is the warm one
    std::int64_t before = flash::kvalueCalls();
    api_flash::UFLSH(feed, vap, liq, wat, k, 1, ierr);
    s.kcalcFlash = static_cast<double>(flash::kvalueCalls() - before);
    before = flash::kvalueCalls();
    api_flash::PHPROP(2, 1, vap, res, res2, ierr);
    s.kcalcVapour = static_cast<double>(flash::kvalueCalls() - before);
    before = flash::kvalueCalls();
    api_flash::PHPROP(2, 2, liq, res, res2, ierr);
    s.kcalcLiquid = static_cast<double>(flash::kvalueCalls() - before);
  }
}

Setup& setUp() {
  static Setup* s = nullptr;
  if (s != nullptr) return *s;
  s = new Setup;
  const fixtures::ProblemDescription d = fixtures::naturalGasPlant();
  fixtures::buildProblem(s->dir.path(), d);
  std::int32_t iout = 0;
  methods::PAINIT((s->dir.path() / d.name).string(), s->dir.path().string(), iout, 0);
  s->feed = {0.010, 0.020, 0.005, 0.800, 0.080, 0.040, 0.020, 0.010, 0.005, 0.010};
  // The split at the state and the feed's enthalpy there.
  std::vector<double> z = s->feed;
  s->vapour.assign(kComponents, 0.0);
  s->liquid.assign(kComponents, 0.0);
  std::vector<double> w(kComponents);
  api_flash::FlashResults out;
  out.compV = s->vapour;
  out.compL = s->liquid;
  out.compW = w;
  std::int32_t ierr = 0;
  api_flash::VFLASH(0, "FEED", request(1, 0.0), z, out, ierr);
  if (ierr != 0 || out.fracv <= 0.0 || out.fracl <= 0.0) {
    s->vapour = s->feed;
    s->liquid = s->feed;
  }
  s->enthalpy = out.fracv * out.enthv + out.fracl * out.enthl + out.fracw * out.enthw;
  // Compositions near the feed, each a little richer in one of the heavier components.
  for (int c = 0; c < kColdCompositions; ++c) {
    std::vector<double> x = s->feed;
    x[static_cast<std::size_t>(4 + c % 5)] *= 1.0 + 0.01 * (1 + c / 5);
    s->cold.push_back(x);
  }
  countStages(*s);
  s->kcalcSeconds = timeKCALC(*s);
  return *s;
}

void flashBenchmark(benchmark::State& state, std::int32_t type, bool cold) {
  Setup& s = setUp();
  std::vector<double> z = s.feed, y(kComponents), x(kComponents), w(kComponents);
  api_flash::FlashResults out;
  out.compV = y;
  out.compL = x;
  out.compW = w;
  const api_flash::FlashRequest in = request(type, s.enthalpy);
  std::int32_t ierr = 0, failures = 0;
  const std::int64_t calls = flash::kvalueCalls();
  const std::int64_t terms = pure::heldCubicTermsEvaluations();
  std::size_t next = 0;
  for (auto _ : state) {
    if (cold) {
      const std::vector<double>& c = s.cold[next++ % s.cold.size()];
      std::copy(c.begin(), c.end(), z.begin());
    }
    api_flash::VFLASH(0, "FEED", in, z, out, ierr);
    if (ierr != 0) ++failures;
    benchmark::DoNotOptimize(out.tempot);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["KCALC_per_flash"] = static_cast<double>(flash::kvalueCalls() - calls) / n;
  state.counters["terms_per_flash"] =
      static_cast<double>(pure::heldCubicTermsEvaluations() - terms) / n;
  state.counters["failures"] = failures;
  state.counters["KCALC_us"] = s.kcalcSeconds * 1e6;
  if (type == 1 && !cold) {
    state.counters["KCALC_flash"] = s.kcalcFlash;
    state.counters["KCALC_vapour_reflash"] = s.kcalcVapour;
    state.counters["KCALC_liquid_reflash"] = s.kcalcLiquid;
  }
  // The processor time of one flash over that of one KCALC call.
  state.counters["ratio_to_KCALC"] = benchmark::Counter(
      s.kcalcSeconds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void VFLASHType1Warm(benchmark::State& state) { flashBenchmark(state, 1, false); }
void VFLASHType1Cold(benchmark::State& state) { flashBenchmark(state, 1, true); }
void VFLASHType3Warm(benchmark::State& state) { flashBenchmark(state, 3, false); }
void VFLASHType3Cold(benchmark::State& state) { flashBenchmark(state, 3, true); }
BENCHMARK(VFLASHType1Warm);
BENCHMARK(VFLASHType1Cold);
BENCHMARK(VFLASHType3Warm);
BENCHMARK(VFLASHType3Cold);

// The flash step alone: one type-1 UFLSH of the feed vector, the flash that a type-1 VFLASH
// makes before the entropy re-flashes of its two phases.
void flashStepBenchmark(benchmark::State& state, bool cold) {
  Setup& s = setUp();
  std::vector<float> feed = feedVector();
  loadComposition(s.feed, feed);
  std::vector<float> vap(feed.size()), liq(feed.size()), wat(feed.size()), k(kComponents);
  std::int32_t ierr = 0, failures = 0;
  const std::int64_t calls = flash::kvalueCalls();
  std::size_t next = 0;
  for (auto _ : state) {
    if (cold) loadComposition(s.cold[next++ % s.cold.size()], feed);
    api_flash::UFLSH(feed, vap, liq, wat, k, 1, ierr);
    if (ierr != 0) ++failures;
    benchmark::DoNotOptimize(vap.data());
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["KCALC_per_flash"] = static_cast<double>(flash::kvalueCalls() - calls) / n;
  state.counters["failures"] = failures;
}

void UFLSHType1Warm(benchmark::State& state) { flashStepBenchmark(state, false); }
void UFLSHType1Cold(benchmark::State& state) { flashStepBenchmark(state, true); }
BENCHMARK(UFLSHType1Warm);
BENCHMARK(UFLSHType1Cold);

void KCALCAtTheState(benchmark::State& state) {
  Setup& s = setUp();
  std::vector<double> k(kComponents);
  double zv = 0.0, zl = 0.0;
  std::int32_t ierr = 0, status = 0;
  for (auto _ : state) {
    std::int32_t kccall = equilibrium::kFullCall;
    equilibrium::KCALC(kComponents, kComponents, s.vapour, s.liquid, k, kKelvin, kKilopascal, zv,
                       zl, kccall, 0, 1, ierr, 0, status);
    benchmark::DoNotOptimize(k.data());
  }
}
BENCHMARK(KCALCAtTheState);

}  // namespace
