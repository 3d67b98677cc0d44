// The stream reader through the exports: every attribute of class "STREAM" (the 57 real
// ones through PADATR and the method set through PADATI), for every stream of a 100-stream
// problem of two-phase streams with free water, in unit set 5. Each iteration reads the
// whole problem once: cold on a freshly copied problem whose streams were never evaluated
// (the copy, open and close are not timed), warm on a problem whose streams were all read
// before the timing starts.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.hpp"
#include "fixtures/problem_builder.hpp"
#include "fixtures/stream_attribute_names.hpp"
#include "vendrakol.h"

namespace {

constexpr std::int32_t kStreams = 100;

// The gas plant of fixtures::gasPlant with two-phase streams: 90 % vapour, 8 % hydrocarbon
// liquid and 2 % free water, the vapour composition from the mole balance, and the
// entropies and vapour Cv stored as a solved problem holds them (the plant's method set has
// no correlation data to evaluate them).
fixtures::ProblemDescription twoPhasePlant() {
  fixtures::ProblemDescription d = fixtures::gasPlant(kStreams, 0);
  d.waterComponent = 6;
  const std::vector<double> z{0.02, 0.80, 0.10, 0.05, 0.02, 0.01};
  const std::vector<double> x{0.005, 0.30, 0.25, 0.25, 0.195, 0.0};
  constexpr double kVapour = 0.90, kLiquid = 0.08, kWater = 0.02;
  std::vector<double> y(z.size());
  for (std::size_t i = 0; i < z.size(); ++i) {
    y[i] = (z[i] - kLiquid * x[i] - (i == 5 ? kWater : 0.0)) / kVapour;
  }
  for (fixtures::StreamSpec& s : d.streams) {
    s.vapourFraction = kVapour;
    s.liquidFraction = kLiquid;
    s.waterFraction = kWater;
    s.vapour = y;
    s.liquid = x;
    s.integerWords = {{20, 1}};
    s.realWords = {{13, 160.0}, {21, 170.0}, {24, 28.0}, {27, 110.0}};
  }
  return d;
}

// The problem built once, and copies of its files for the cold runs.
class BuiltPlant {
 public:
  BuiltPlant() { fixtures::buildProblem(pristine_.path(), twoPhasePlant()); }

  // Copies the pristine files over the working directory's.
  void refresh() const {
    for (const auto& entry : std::filesystem::directory_iterator(pristine_.path())) {
      std::filesystem::copy_file(entry.path(), work_.path() / entry.path().filename(),
                                 std::filesystem::copy_options::overwrite_existing);
    }
  }
  bool open() const {
    const std::string name = (work_.path() / "plant").string();
    const std::string dir2 = work_.path().string() + "/";
    std::int32_t iout = 0, ierr = 0, ncomp = 0, nstrm = 0, nunit = 0;
    PAOPEN(name.c_str(), static_cast<std::int32_t>(name.size()), dir2.c_str(),
           static_cast<std::int32_t>(dir2.size()), &iout, &ierr);
    if (ierr != 0) return false;
    PAMISC(&ncomp, &nstrm, &nunit, &ierr);
    return ierr == 0 && nstrm == kStreams;
  }

 private:
  bench::ScratchDirectory pristine_;
  bench::ScratchDirectory work_;
};

void readEveryStream(std::vector<float>& values) {
  const std::string cls = "STREAM";
  const std::string_view method = fixtures::kStreamIntegerAttribute;
  char id[16];
  std::int32_t set[1] = {0};
  for (std::int32_t s = 1; s <= kStreams; ++s) {
    std::snprintf(id, sizeof id, "S%04d", static_cast<int>(s));
    for (const std::string_view attr : fixtures::kStreamRealAttributes) {
      std::int32_t count = 0, unitSet = 5, iucls = 0, status = 0;
      PADATR(cls.c_str(), static_cast<std::int32_t>(cls.size()), attr.data(),
             static_cast<std::int32_t>(attr.size()), id, 5, values.data(), &count, &unitSet, &iucls,
             &status);
      benchmark::DoNotOptimize(values.data());
    }
    std::int32_t count = 0, status = 0;
    PADATI(cls.c_str(), static_cast<std::int32_t>(cls.size()), method.data(),
           static_cast<std::int32_t>(method.size()), id, 5, set, &count, &status);
    benchmark::DoNotOptimize(set);
  }
}

std::int64_t requestsPerPass() {
  return kStreams * static_cast<std::int64_t>(fixtures::kStreamRealAttributes.size() + 1);
}

void ReadEveryStreamCold(benchmark::State& state) {
  const BuiltPlant plant;
  std::vector<float> values(600);
  for (auto _ : state) {
    state.PauseTiming();
    plant.refresh();
    if (!plant.open()) {
      state.SkipWithError("the built problem does not open with its streams");
      PACLOS();
      return;
    }
    state.ResumeTiming();
    readEveryStream(values);
    state.PauseTiming();
    PACLOS();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * requestsPerPass());
}
BENCHMARK(ReadEveryStreamCold)->Unit(benchmark::kMillisecond)->Iterations(5);

void ReadEveryStreamWarm(benchmark::State& state) {
  const BuiltPlant plant;
  plant.refresh();
  if (!plant.open()) {
    state.SkipWithError("the built problem does not open with its streams");
    PACLOS();
    return;
  }
  std::vector<float> values(600);
  readEveryStream(values);
  for (auto _ : state) readEveryStream(values);
  state.SetItemsProcessed(state.iterations() * requestsPerPass());
  PACLOS();
}
BENCHMARK(ReadEveryStreamWarm)->Unit(benchmark::kMillisecond);

}  // namespace
