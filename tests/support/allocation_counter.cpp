#include "support/allocation_counter.hpp"

#include <cstdlib>
#include <new>

namespace {
std::size_t allocations = 0;
}  // namespace

std::size_t testing_support::allocationCount() { return allocations; }

// Kept out of line, so that the compiler pairs no inlined allocation with a free of its own.
[[gnu::noinline]] void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size > 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
