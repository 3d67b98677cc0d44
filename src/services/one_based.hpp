// A fixed array addressed from 1, for the shared tables whose words every routine names by
// their 1-based number (tolerance 20, switch word 106, integer parameter 3 ...).
#pragma once

#include <array>
#include <cstddef>
#include <span>

namespace services {

template <typename T, std::size_t N>
struct OneBased {
  std::array<T, N> values{};

  static constexpr std::size_t size() { return N; }
  T& operator()(std::size_t k) { return values.at(k - 1); }
  const T& operator()(std::size_t k) const { return values.at(k - 1); }
  void fill(const T& value) { values.fill(value); }
  std::span<T, N> span() { return values; }
  std::span<const T, N> span() const { return values; }
  bool operator==(const OneBased&) const = default;
};

}  // namespace services
