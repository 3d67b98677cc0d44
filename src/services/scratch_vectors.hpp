// Scratch vectors kept between calls. A routine that keeps its work arrays from one call to
// the next asks each for the length the call needs; the vector grows to the longest length
// asked of it and never shrinks, so that a warm call allocates nothing. The vectors live in
// the routine's kept scratch, which the problem open resets (registerKeptValues).
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <type_traits>
#include <vector>

namespace services {

// sized: the first N elements of V, V grown to N elements when it is shorter.
//   v     in/out  the kept vector; grown, never shrunk
//   n     in      elements wanted
//   fill  in      value of the elements added by the growth; those V held keep the values
//                 the last call left
// Returns a view of V's first N elements, valid until V next grows.
template <typename T>
std::span<T> sized(std::vector<T>& v, std::size_t n, const std::type_identity_t<T>& fill = T{}) {
  if (v.size() < n) v.resize(n, fill);
  return {v.data(), n};
}

// cleared: as sized, with all N elements set to VALUE.
template <typename T>
std::span<T> cleared(std::vector<T>& v, std::size_t n, const std::type_identity_t<T>& value = T{}) {
  const std::span<T> out = sized(v, n, value);
  std::fill(out.begin(), out.end(), value);
  return out;
}

}  // namespace services
