// The core store's typed get and free (ICMGTI, CMFREI) against the C library's malloc and
// free, over the same mixes of sizes and in the same order:
//   batch  512 blocks got, then freed in a scrambled order (the free tree merges them back);
//   churn  512 blocks kept alive, each replaced in turn by one of another size (the store
//          fragments and reuses its free blocks).
// One iteration is 512 gets and 512 frees; items are gets.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "storage/storage.hpp"

namespace {

constexpr std::size_t kBlocks = 512;

// The two allocators behind one face: a block of N 32-bit words, and its release.
struct CoreStore {
  using Block = std::int32_t;
  static void start() { storage::CMINIT(0, 0, 0); }
  static Block get(std::int32_t words) { return storage::ICMGTI(words, 0); }
  static void release(Block& block) { storage::CMFREI(block); }
};

struct Malloc {
  using Block = void*;
  static void start() {}
  static Block get(std::int32_t words) {
    return std::malloc(static_cast<std::size_t>(words) * sizeof(std::int32_t));
  }
  static void release(Block& block) {
    std::free(block);
    block = nullptr;
  }
};

template <typename Allocator>
void batch(benchmark::State& state, const bench::SizeMix& mix) {
  const std::vector<std::int32_t> sizes = bench::sizesOf(mix, kBlocks);
  const std::vector<std::size_t> order = bench::scrambled(kBlocks);
  Allocator::start();
  std::vector<typename Allocator::Block> blocks(kBlocks);
  for (auto _ : state) {
    for (std::size_t i = 0; i < kBlocks; ++i) {
      blocks[i] = Allocator::get(sizes[i]);
      benchmark::DoNotOptimize(blocks[i]);
    }
    for (const std::size_t k : order) Allocator::release(blocks[k]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBlocks));
}

template <typename Allocator>
void churn(benchmark::State& state, const bench::SizeMix& mix) {
  // Twice as many sizes as blocks: a replacement rarely has the size of the block it replaces.
  const std::vector<std::int32_t> sizes = bench::sizesOf(mix, 2 * kBlocks);
  const std::vector<std::size_t> order = bench::scrambled(kBlocks);
  Allocator::start();
  std::vector<typename Allocator::Block> blocks(kBlocks);
  for (std::size_t i = 0; i < kBlocks; ++i) blocks[i] = Allocator::get(sizes[i]);
  std::size_t next = kBlocks;
  for (auto _ : state) {
    for (const std::size_t k : order) {
      Allocator::release(blocks[k]);
      blocks[k] = Allocator::get(sizes[next]);
      benchmark::DoNotOptimize(blocks[k]);
      next = next + 1 == sizes.size() ? 0 : next + 1;
    }
    benchmark::ClobberMemory();
  }
  for (auto& block : blocks) Allocator::release(block);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBlocks));
}

// Registered by name: "ICMGTI+CMFREI/batch/small", "malloc+free/batch/small" ...
[[maybe_unused]] const bool registered = [] {
  for (const bench::SizeMix& mix : bench::kSizeMixes) {
    const std::string sizes = std::string("/") + mix.name;
    benchmark::RegisterBenchmark(("ICMGTI+CMFREI/batch" + sizes).c_str(),
                                 [mix](benchmark::State& s) { batch<CoreStore>(s, mix); });
    benchmark::RegisterBenchmark(("malloc+free/batch" + sizes).c_str(),
                                 [mix](benchmark::State& s) { batch<Malloc>(s, mix); });
    benchmark::RegisterBenchmark(("ICMGTI+CMFREI/churn" + sizes).c_str(),
                                 [mix](benchmark::State& s) { churn<CoreStore>(s, mix); });
    benchmark::RegisterBenchmark(("malloc+free/churn" + sizes).c_str(),
                                 [mix](benchmark::State& s) { churn<Malloc>(s, mix); });
  }
  return true;
}();

}  // namespace
