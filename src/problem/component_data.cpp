// The component data areas and the correlation-set list, at their start values until the
// problem open reads them, the component index of a list position and the list search of
// a component number.
#include "problem/component_data.hpp"

#include <cstddef>
#include <cstdint>

#include "services/markers.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

// COPTRS words of the component numbers of list 1 and list 2, and COHDR words of their
// lengths.
constexpr std::size_t kListNumbers1 = 4;
constexpr std::size_t kListNumbers2 = 76;
constexpr std::size_t kListLength1 = 4;
constexpr std::size_t kListLength2 = 5;

}  // namespace

ComponentHeader COHDR;
ComponentPointers COPTRS;
CorrelationSetList XPSETL;

void SLTIDX(std::int32_t i, std::int32_t j, std::int32_t& r) {
  r = 0;
  if (i < 1 || j < 1) return;
  constexpr std::int32_t kPointerSetWords = kIntegerSectors + kRealSectors;
  constexpr std::size_t kListSector = 4;
  const std::size_t word =
      static_cast<std::size_t>(kPointerSetWords) * static_cast<std::size_t>(j - 1) + kListSector;
  if (word > kComponentPointerWords) return;
  const std::int32_t start = COPTRS.words(word);
  if (start == services::NOCORE || start == services::IMISS) return;
  r = storage::CORSTO[start + i];
}

void CODLST(std::int32_t code, std::int32_t& list, std::int32_t& pos) {
  list = 0;
  pos = 0;
  if (code == services::IMISS) return;
  const std::size_t numbers[] = {kListNumbers1, kListNumbers2};
  const std::size_t lengths[] = {kListLength1, kListLength2};
  for (std::int32_t l = 1; l <= 2; ++l) {
    const std::int32_t start = COPTRS.words(numbers[l - 1]);
    const std::int32_t count = COHDR(lengths[l - 1]);
    if (start == services::NOCORE || start == services::IMISS) continue;
    for (std::int32_t i = 1; i <= count; ++i) {
      if (storage::CORSTO[start + i] == code) {
        list = l;
        pos = i;
        return;
      }
    }
  }
}

}  // namespace problem
