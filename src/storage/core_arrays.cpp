// Typed arrays in the core store and the conversions between its index views.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string_view>

#include "services/markers.hpp"
#include "storage/core_store.hpp"
#include "storage/current_routine.hpp"
#include "storage/small_blocks.hpp"

namespace storage {
namespace {

// Fill digit and soft flag of an option word 10*A + F; digits above the tens are ignored.
struct GetOption {
  Fill fill;
  std::int32_t soft;
};

// An index computed in 64 bits, held within the 32-bit range: an index beyond it lies in no
// area and is refused by the free as any other foreign index.
std::int32_t narrow(std::int64_t index) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(index, INT32_MIN, INT32_MAX));
}

GetOption decode(std::int32_t iopt) {
  const std::int32_t f = iopt % 10;
  const std::int32_t soft = iopt % 100 - f;
  return GetOption{f == 1 ? Fill::Zeros : (f == 2 ? Fill::Missing : Fill::None), soft};
}

// The block of N elements of `wordsPerElement` words: its base, or 0.
std::int32_t getBlock(std::string_view name, std::int32_t n, std::int32_t wordsPerElement,
                      const GetOption& option) {
  CURRTN.cm.assign(name);
  if (n < 1) return 0;
  // A small block freed before, of the length the tree would hand out for the request.
  const std::int64_t data = std::int64_t{n} * wordsPerElement;
  if (data <= small_blocks::kLongestWords) {
    const std::int32_t listed = small_blocks::take(small_blocks::blockLength(data));
    if (listed != 0) return listed;
  }
  std::int32_t base = 0;
  const std::int64_t words = data + 4;
  CMGET(static_cast<std::int32_t>(std::min<std::int64_t>(words, INT32_MAX - 1)), option.soft,
        base);
  return base;
}

std::int32_t getReal(std::string_view name, std::int32_t n, std::int32_t iopt) {
  const GetOption option = decode(iopt);
  const std::int32_t base = getBlock(name, n, 2, option);
  if (base == 0) return 0;
  const std::int32_t d = IPITOD(base + 2);
  if (option.fill != Fill::None) {
    const double value = option.fill == Fill::Zeros ? 0.0 : services::DMISS;
    for (std::int32_t i = 1; i <= n; ++i) CORSTO.setReal(d + i, value);
  }
  return d;
}

void freeReal(std::string_view name, std::int32_t& d) {
  CURRTN.cm.assign(name);
  small_blocks::release(narrow(2 * std::int64_t{d} - 2));
  d = services::NOCORE;
}

}  // namespace

std::int32_t ICMGTI(std::int32_t n, std::int32_t iopt) {
  const GetOption option = decode(iopt);
  const std::int32_t base = getBlock("ICMGTI", n, 1, option);
  if (base == 0) return 0;
  const std::int32_t r = base + 2;
  if (option.fill != Fill::None) {
    const std::int32_t value = option.fill == Fill::Zeros ? 0 : services::IMISS;
    for (std::int32_t& word : CORSTO.words(r + 1, n)) word = value;
  }
  return r;
}

std::int32_t ICMGTR(std::int32_t n, std::int32_t iopt) { return getReal("ICMGTR", n, iopt); }
std::int32_t ICMGTD(std::int32_t n, std::int32_t iopt) { return getReal("ICMGTD", n, iopt); }

void CMFREI(std::int32_t& r) {
  CURRTN.cm.assign("CMFREI");
  small_blocks::release(narrow(std::int64_t{r} - 2));
  r = services::NOCORE;
}

void CMFRER(std::int32_t& d) { freeReal("CMFRER", d); }
void CMFRED(std::int32_t& d) { freeReal("CMFRED", d); }

std::int32_t IPDTOI(std::int32_t d) { return narrow(2 * std::int64_t{d}); }
std::int32_t IPDTI2(std::int32_t d) { return IPDTOI(d); }

std::int32_t IPITOD(std::int32_t n) {
  // n/2 rounded up, for negative n too: floor((n + 1) / 2).
  const std::int64_t m = std::int64_t{n} + 1;
  return static_cast<std::int32_t>(m >= 0 ? m / 2 : -((-m + 1) / 2));
}
std::int32_t IPITD2(std::int32_t n) { return IPITOD(n); }
std::int32_t IPITD3(std::int32_t n) { return IPITOD(n); }

std::int32_t IPITOR(std::int32_t n) { return n; }
std::int32_t IPITR2(std::int32_t n) { return n; }

}  // namespace storage
