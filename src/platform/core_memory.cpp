// Core memory over one reserved virtual region.
#include "platform/core_memory.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace platform {
namespace {

struct Region {
  std::int32_t* base = nullptr;
  bool refused = false;
  std::size_t committed = 0;  // words, a whole number of pages
  std::size_t limit = 0;      // 0 = none
};

Region& region() {
  static Region r;
  return r;
}

std::size_t pageWords() {
  static const std::size_t words = static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) / 4;
  return words;
}

std::size_t roundToPages(std::size_t words) {
  const std::size_t page = pageWords();
  return (words + page - 1) / page * page;
}

void* wordAddress(std::size_t word) {  // 0-based
  return region().base + word;
}

}  // namespace

std::int32_t* coreWords() {
  Region& r = region();
  if (r.base == nullptr && !r.refused) {
    void* reserved = mmap(nullptr, kCoreReservedWords * sizeof(std::int32_t), PROT_NONE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (reserved == MAP_FAILED) {
      r.refused = true;
    } else {
      r.base = static_cast<std::int32_t*>(reserved);
    }
  }
  return r.base;
}

std::size_t coreCommitted() { return region().committed; }

bool coreCommit(std::size_t words) {
  Region& r = region();
  if (words <= r.committed) return true;
  if (coreWords() == nullptr || words > kCoreReservedWords) return false;
  if (r.limit != 0 && words > r.limit) return false;
  const std::size_t target = std::min(roundToPages(words), kCoreReservedWords);
  if (mprotect(wordAddress(r.committed), (target - r.committed) * sizeof(std::int32_t),
               PROT_READ | PROT_WRITE) != 0) {
    return false;
  }
  r.committed = target;
  core_detail::extent = CoreExtent{r.base, r.committed};
  return true;
}

void coreRelease(std::size_t keepWords) {
  Region& r = region();
  const std::size_t keep = roundToPages(keepWords);
  if (r.base == nullptr || keep >= r.committed) return;
  const std::size_t bytes = (r.committed - keep) * sizeof(std::int32_t);
  // Dropping the pages makes them read 0 when they are committed again.
  madvise(wordAddress(keep), bytes, MADV_DONTNEED);
  mprotect(wordAddress(keep), bytes, PROT_NONE);
  r.committed = keep;
  core_detail::extent = CoreExtent{r.base, r.committed};
}

void setCoreLimit(std::size_t words) { region().limit = words; }

}  // namespace platform
