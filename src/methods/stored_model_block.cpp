// ALDESC: the block of the stored K-value model, got in the core store on first use.
#include <algorithm>
#include <cstdint>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace methods {

StoredModelBlock storedModelBlock;

namespace {

const bool kStoredModelReset = services::registerKeptValues([] { storedModelBlock = {}; });

// ICMGTR option: return 0 instead of stopping when the store is full, leave the values.
constexpr std::int32_t kSoftGet = 10;

}  // namespace

void ALDESC(std::int32_t& handle, std::int32_t& ierr, std::int32_t level) {
  ierr = 0;
  if (handle != 0) return;
  StoredModelBlock& b = storedModelBlock;
  const std::int32_t ncomp = std::max(problem::COHDR(problem::cohdr::kComponents), 0);
  const std::int32_t nck =
      std::min(std::max(problem::COHDR(problem::cohdr::kVapourComponents), 0), ncomp);
  StoredModelBlock layout;
  layout.nck = nck;
  layout.ncomp = ncomp;
  layout.level = level;
  std::int32_t words = 2;
  layout.k0 = words, words += nck;
  layout.dkdt0 = words, words += nck;
  layout.dkdp0 = words, words += nck;
  if (level >= 2) {
    layout.x0 = words, words += ncomp;
    layout.dlnkdx = words, words += nck * ncomp;
  }
  if (level >= 3) {
    layout.y0 = words, words += ncomp;
    layout.dlnkdy = words, words += nck * ncomp;
  }
  const std::int32_t start = storage::ICMGTR(words, kSoftGet);
  if (start == 0) {
    ierr = 1;
    return;
  }
  for (std::int32_t k = 1; k <= words; ++k) storage::CORSTO.setReal(start + k, 0.0);
  layout.start = start;
  layout.words = words;
  b = layout;
  handle = start;
}

}  // namespace methods
