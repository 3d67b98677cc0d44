// The stream reader through the exports: every attribute the reader answers, for every
// stream of a 100-stream problem, in unit set 5. Each iteration reads the whole problem once.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "fixtures/problem_builder.hpp"
#include "vendrakol.h"

namespace {

constexpr std::int32_t kStreams = 100;

const std::vector<std::string>& realAttributes() {
  static const std::vector<std::string> names{
      "TotalMolarRate",  "Temperature",      "Pressure",        "TotalMolarEnthalpy",
      "VaporFraction",   "LiquidFraction",   "WaterFraction",   "SolidFraction",
      "BulkUopK",        "GrosHeatValue",    "NetHeatValue",    "FlashPt",
      "CloudPt",         "PourPt",           "TotalComposition", "VapMolarRate",
      "VapMolarEnthalpy", "VapVolumeRateStd", "VapCP",          "VapZDensity",
      "VaporComposition", "LiqMolarRate",    "LiqMolarEnthalpy", "LiqCP",
      "LiqZDensity",     "LiqKineVisc",      "LiquidComposition"};
  return names;
}

void ReadEveryStream(benchmark::State& state) {
  bench::ScratchDirectory scratch;
  fixtures::buildProblem(scratch.path(), fixtures::gasPlant(kStreams, 0));
  const std::string name = (scratch.path() / "plant").string();
  const std::string dir2 = scratch.path().string() + "/";
  std::int32_t iout = 0, ierr = 0, ncomp = 0, nstrm = 0, nunit = 0;
  PAOPEN(name.c_str(), static_cast<std::int32_t>(name.size()), dir2.c_str(),
         static_cast<std::int32_t>(dir2.size()), &iout, &ierr);
  PAMISC(&ncomp, &nstrm, &nunit, &ierr);
  if (ierr != 0 || nstrm != kStreams) {
    state.SkipWithError("the built problem does not open with its streams");
    PACLOS();
    return;
  }
  std::vector<float> values(600);
  const std::string cls = "STREAM";
  char id[16];
  for (auto _ : state) {
    for (std::int32_t s = 1; s <= kStreams; ++s) {
      std::snprintf(id, sizeof id, "S%04d", static_cast<int>(s));
      for (const std::string& attr : realAttributes()) {
        std::int32_t count = 0, set = 5, iucls = 0, status = 0;
        PADATR(cls.c_str(), static_cast<std::int32_t>(cls.size()), attr.c_str(),
               static_cast<std::int32_t>(attr.size()), id, 5, values.data(), &count, &set, &iucls,
               &status);
        benchmark::DoNotOptimize(values.data());
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kStreams *
                          static_cast<std::int64_t>(realAttributes().size()));
  PACLOS();
}
BENCHMARK(ReadEveryStream)->Unit(benchmark::kMillisecond);

}  // namespace
