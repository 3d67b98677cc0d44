// Helpers of the benchmarks: a temporary directory that lives as long as its owner, and the
// deterministic sizes of the request mixes.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace bench {

// A new directory under the system's temporary directory, removed with its contents.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::random_device device;
    std::mt19937_64 random(device());
    for (int attempt = 0; attempt < 100; ++attempt) {
      auto candidate =
          std::filesystem::temp_directory_path() / ("vendrakol-bench-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate)) {
        path_ = candidate;
        return;
      }
    }
    throw std::runtime_error("no temporary directory");
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A mix of request sizes in 32-bit words, spread evenly over the logarithm of the size
// between SMALLEST and LARGEST, so that small requests are as common as in a run.
struct SizeMix {
  const char* name;
  std::int32_t smallest;
  std::int32_t largest;
};

inline constexpr SizeMix kSizeMixes[] = {
    {"small", 2, 64},      // entity records, index entries, short work arrays
    {"medium", 64, 4096},  // sub-blocks, tables
    {"wide", 2, 32768},    // both, and the large work areas
};

// COUNT sizes of MIX, the same on every run.
inline std::vector<std::int32_t> sizesOf(const SizeMix& mix, std::size_t count) {
  std::mt19937 random(20240601u);
  std::uniform_real_distribution<double> exponent(std::log2(mix.smallest), std::log2(mix.largest));
  std::vector<std::int32_t> sizes(count);
  for (std::int32_t& size : sizes) {
    size = static_cast<std::int32_t>(std::exp2(exponent(random)));
  }
  return sizes;
}

// A permutation of 0 .. COUNT-1, the same on every run: the order of the frees.
inline std::vector<std::size_t> scrambled(std::size_t count) {
  std::vector<std::size_t> order(count);
  for (std::size_t i = 0; i < count; ++i) order[i] = i;
  std::mt19937 random(7u);
  std::shuffle(order.begin(), order.end(), random);
  return order;
}

}  // namespace bench
