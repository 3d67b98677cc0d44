// The unit set-up at open: each solved composite unit hands every section unit its share of
// the composite data, written into the section's own data block on disk with the stage
// references renumbered from the composite's sequence to the section's.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "problem/component_data.hpp"
#include "problem/entity_contexts.hpp"
#include "problem/open_sequence.hpp"
#include "problem/units.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using storage::CORSTO;
using storage::SectorKind;

constexpr std::int32_t kSolvedComposite = 3;      // index status of a solved unit
constexpr std::int32_t kLoadWholeForContext2 = 132;
constexpr std::int32_t kReadOnly = 10;
constexpr std::int32_t kLockForWrite = 3;
constexpr std::int32_t kLockLevel2 = 2;
constexpr std::int32_t kSectionsComplete = 3;     // last digit of record word 1

// Integer sectors and elements of the composite's block.
constexpr std::int32_t kControl = 1;
constexpr std::int32_t kRanges = 2;
constexpr std::int32_t kSections = 3;
constexpr std::size_t kArrayWords = 8;     // element of IS 1: words of each IS 49 array
constexpr std::size_t kEntries = 158;      // element of IS 1: entries of IS 20 and RS 34
constexpr std::size_t kEntryWord = 159;

// The composite's block in the unit work area of context 2.
struct Composite {
  std::int32_t integer(std::int32_t sector, std::int32_t e) const {
    const std::int32_t p = PAUWRK.context2.integers.pointers(static_cast<std::size_t>(sector));
    if (p == services::NOCORE || e < 1 || e > integerLength(sector)) return 0;
    return CORSTO[p + e];
  }
  std::int32_t& integerRef(std::int32_t sector, std::int32_t e) const {
    return CORSTO[PAUWRK.context2.integers.pointers(static_cast<std::size_t>(sector)) + e];
  }
  std::int32_t integerLength(std::int32_t sector) const {
    const auto s = static_cast<std::size_t>(sector);
    return PAUWRK.context2.integers.pointers(s) == services::NOCORE
               ? 0
               : PAUWRK.context2.integers.lengths(s);
  }
  double real(std::int32_t sector, std::int32_t e) const {
    const auto s = static_cast<std::size_t>(sector);
    const std::int32_t p = PAUWRK.context2.reals.pointers(s);
    if (p == services::NOCORE || e < 1 || e > PAUWRK.context2.reals.lengths(s)) return 0.0;
    return CORSTO.real(p + e);
  }
};

// A section's data block on disk, written in part at the positions its sectors lie.
class SectionBlock {
 public:
  explicit SectionBlock(std::int32_t unit) {
    std::int32_t len1 = 0, adr1 = 0, used2 = 0;
    UNLOC(unit, len1, adr1, used2, length_, address_);
  }

  // Integer element E of sector S of the section (0 when it has none).
  std::int32_t integer(std::int32_t s, std::int32_t e) const {
    std::int32_t count = 0, offset = 0;
    if (!locate(SectorKind::Integer, s, count, offset) || e < 1 || e > count) return 0;
    std::array<std::int32_t, 1> word{};
    storage::FILPRT(1, word, 1, length_, address_, offset + e);
    return word[0];
  }
  // Elements the section's sector S of KIND holds (0 when it has none).
  std::int32_t elements(SectorKind kind, std::int32_t s) const {
    std::int32_t count = 0, offset = 0;
    return locate(kind, s, count, offset) ? count : 0;
  }
  // Writes VALUES into integer sector S from element FIRST on, as far as the sector holds.
  void putIntegers(std::int32_t s, std::int32_t first, std::span<const std::int32_t> values) {
    std::int32_t count = 0, offset = 0;
    if (!locate(SectorKind::Integer, s, count, offset) || first < 1) return;
    const std::int32_t n = std::min<std::int32_t>(static_cast<std::int32_t>(values.size()),
                                                  count - first + 1);
    if (n < 1) return;
    std::vector<std::int32_t> words(values.begin(), values.begin() + n);
    storage::FILPRT(2, words, n, length_, address_, offset + first);
  }
  // Writes VALUES into real sector S from element 1 on, as far as the sector holds.
  void putReals(std::int32_t s, std::span<const double> values) {
    std::int32_t count = 0, offset = 0;
    if (!locate(SectorKind::Real, s, count, offset)) return;
    const std::int32_t n = std::min<std::int32_t>(static_cast<std::int32_t>(values.size()), count);
    if (n < 1) return;
    std::vector<std::int32_t> words(static_cast<std::size_t>(2 * n));
    for (std::int32_t i = 0; i < n; ++i) {
      const auto halves = std::bit_cast<std::array<std::int32_t, 2>>(values[static_cast<std::size_t>(i)]);
      words[static_cast<std::size_t>(2 * i)] = halves[0];
      words[static_cast<std::size_t>(2 * i + 1)] = halves[1];
    }
    storage::FILPRT(2, words, 2 * n, length_, address_, offset + 1);
  }

 private:
  bool locate(SectorKind kind, std::int32_t s, std::int32_t& count, std::int32_t& offset) const {
    std::int32_t status = 0, nwords = 0;
    storage::SBDLOC(length_, address_, static_cast<std::int32_t>(kind), s, status, nwords, offset);
    if (status != 0) return false;
    count = kind == SectorKind::Real || kind == SectorKind::Double ? nwords / 2 : nwords;
    return true;
  }

  std::int32_t length_ = 0;
  std::int32_t address_ = services::NODISK;
};

// A stage code renumbered by the shift D: its stage number (the second group of four
// digits) lowered by D, sign and low digits kept.
std::int32_t renumber(std::int32_t code, std::int32_t d) {
  const std::int32_t magnitude = code < 0 ? -code : code;
  const std::int32_t stage = magnitude / 10000 % 10000;
  const std::int32_t low = code % 10000;  // with the sign of the code
  return (code < 0 ? -1 : 1) * (stage - d) * 10000 + low;
}

std::vector<double> realsOf(const Composite& c, std::int32_t sector, std::int32_t from,
                            std::int32_t n) {
  std::vector<double> values(static_cast<std::size_t>(std::max(n, 0)));
  for (std::int32_t i = 1; i <= n; ++i) values[static_cast<std::size_t>(i - 1)] = c.real(sector, from + i);
  return values;
}

std::vector<std::int32_t> integersOf(const Composite& c, std::int32_t sector, std::int32_t from,
                                     std::int32_t n) {
  std::vector<std::int32_t> values(static_cast<std::size_t>(std::max(n, 0)));
  for (std::int32_t i = 1; i <= n; ++i) {
    values[static_cast<std::size_t>(i - 1)] = c.integer(sector, from + i);
  }
  return values;
}

// The section list of the composite's block in context 2.
std::vector<std::int32_t> sectionsOf(const Composite& c) {
  return integersOf(c, kSections, 0, c.integerLength(kSections));
}

}  // namespace

std::int32_t DBUSET() {
  for (std::int32_t n = 1; n <= IUNNOU(); ++n) {
    if (IUNSTA(n) != kSolvedComposite || services::KUNTYC(n) != kCompositeUnitType) continue;
    UNSET(n, kReadOnly);
    if (CORSTO[UNCURR.context2.integerSector + 1] % 10 != kSectionsComplete) DBUTYP(n);
  }
  return 0;
}

std::int32_t DBUTYP(std::int32_t n) {
  // 1. The composite, locked for write-back, its whole block loaded; its record words kept.
  UNSET(n, kLockForWrite);
  DBUBLK(kLoadWholeForContext2, n, 0);
  const std::array<std::int32_t, 2> recordWords{CORSTO[UNCURR.context2.integerSector + 1],
                                                CORSTO[UNCURR.context2.integerSector + 2]};
  const Composite c;
  const std::int32_t ncomp = COHDR(cohdr::kComponents);
  const std::int32_t m = c.integer(kControl, kArrayWords);
  std::int32_t a1 = 0, a2 = 0, a3 = 0, a4 = 0, a5 = 0, a6 = 0, a7 = 0, a8 = 0, d = 0, k15 = 0;
  const std::vector<std::int32_t> sections = sectionsOf(c);

  // 2. Each section's share.
  for (std::size_t s = 1; s <= sections.size(); ++s) {
    const std::int32_t u = sections[s - 1];
    const std::int32_t range = c.integer(kRanges, static_cast<std::int32_t>(s));
    const std::int32_t stages = range % 10000 - range / 10000 % 10000 + 1;
    UNSETT(u);
    SectionBlock block(u);
    // 2.2 Six control words.
    for (const std::int32_t e : {44, 47, 50, 53, 56, 95}) {
      const std::array<std::int32_t, 1> word{c.integer(kControl, e)};
      block.putIntegers(kControl, e, word);
    }
    // 2.3 The four arrays of integer sector 49 and real sectors 109 to 117.
    const std::int32_t k1 = block.integer(kControl, 8);
    if (k1 > 0) {
      for (std::int32_t q = 0; q < 4; ++q) {
        std::vector<std::int32_t> words = integersOf(c, 49, q * m + a1, k1);
        if (q < 2) {
          for (std::int32_t& w : words) w -= d;
        }
        block.putIntegers(49, 1 + q * k1, words);
      }
      a1 += k1;
      for (std::int32_t r = 109; r <= 117; ++r) block.putReals(r, realsOf(c, r, a2, k1));
      a2 += k1;
    }
    // 2.4 Stage codes of integer sector 11.
    const std::int32_t k2 = block.integer(kControl, 5);
    for (std::int32_t i = 1; i <= k2 && a3 + i <= c.integerLength(11); ++i) {
      std::int32_t& code = c.integerRef(11, a3 + i);
      code = renumber(code, d);
    }
    block.putIntegers(11, 1, integersOf(c, 11, a3, k2));
    a3 += std::max(k2, 0);
    // 2.5 Stage codes of integer sector 5 and reals of real sector 4.
    const std::int32_t k3 = block.integer(kControl, 7);
    for (std::int32_t i = 1; i <= k3 && a4 + i <= c.integerLength(5); ++i) {
      std::int32_t& code = c.integerRef(5, a4 + i);
      code = renumber(code, d);
    }
    if (block.elements(SectorKind::Integer, 5) > 0 && k3 > 0) {
      block.putIntegers(5, 1, integersOf(c, 5, a4, k3));
      a4 += k3;
      block.putReals(4, realsOf(c, 4, a5, k3));
      a5 += k3;
    }
    // 2.6 Reals of real sector 6.
    const std::int32_t k4 = block.integer(kControl, 9);
    if (block.elements(SectorKind::Real, 6) > 0 && k4 > 0) {
      block.putReals(6, realsOf(c, 6, a6, k4));
      a6 += k4;
    }
    // 2.7 The stage arrays and the stage-by-component arrays.
    for (const std::int32_t r : {7, 8, 9, 10, 18, 17, 14, 13, 16, 15, 11, 12}) {
      block.putReals(r, realsOf(c, r, a7, stages));
    }
    for (const std::int32_t r : {20, 21}) block.putReals(r, realsOf(c, r, a8, ncomp * stages));
    block.putReals(118, realsOf(c, 118, a7, stages));
    block.putReals(1, realsOf(c, 1, a7, 175));
    block.putReals(22, realsOf(c, 22, a8, ncomp * stages));
    // 2.8 The words of integer sector 15: the first section with room receives them.
    if (c.integer(15, 1) > 0 && block.elements(SectorKind::Integer, 15) > 1) {
      ++k15;
      if (k15 == 1) {
        block.putIntegers(15, 1, integersOf(c, 15, 0, 6));
      } else {
        const std::array<std::int32_t, 1> zero{0};
        block.putIntegers(15, 1, zero);
      }
    }
    // 2.9 On to the next section's stages.
    a7 += stages;
    a8 += ncomp * stages;
    d += stages;
  }

  // 3. The second family of data.
  if (c.integer(kControl, kEntries) > 0) DBUTYS(n);

  // 4. The sections' records take the composite's first two words.
  UNFREE(n, 0);
  for (const std::int32_t u : sections) {
    UNSET(u, 0);
    CORSTO[UNCURR.context2.integerSector + 1] = recordWords[0];
    CORSTO[UNCURR.context2.integerSector + 2] = recordWords[1];
  }
  return 0;
}

std::int32_t DBUTYS(std::int32_t n) {
  UNSET(n, kLockLevel2);
  DBUBLK(kLoadWholeForContext2, n, 0);
  const Composite c;
  const std::int32_t entries = c.integer(kControl, kEntries);
  if (entries <= 0) {
    UNFREE(n, 0);
    return 0;
  }
  const std::int32_t wi = c.integerLength(20) / entries;
  const std::int32_t wr = PAUWRK.context2.reals.lengths(34) / entries;
  std::int32_t e = 0;
  std::int32_t f = 0;
  for (const std::int32_t u : sectionsOf(c)) {
    UNSETT(u);
    SectionBlock block(u);
    const std::array<std::int32_t, 1> word{c.integer(kControl, kEntryWord)};
    block.putIntegers(kControl, kEntryWord, word);
    const std::int32_t mu = block.integer(kControl, kEntries);
    const std::int32_t g = block.integer(kControl, 4);
    if (mu > 0) {
      const std::int32_t w = block.elements(SectorKind::Integer, 20);
      std::vector<std::int32_t> words = integersOf(c, 20, wi * e, w);
      for (std::int32_t j = 0; j < mu; ++j) {
        for (const std::int32_t k : {1, 2}) {
          const std::int64_t at = std::int64_t{wi} * j + k;
          if (at < static_cast<std::int64_t>(words.size())) words[static_cast<std::size_t>(at)] -= f;
        }
      }
      block.putIntegers(20, 1, words);
      block.putReals(34, realsOf(c, 34, wr * e, block.elements(SectorKind::Real, 34)));
      for (const std::int32_t r : {35, 36, 23, 38, 39, 40, 41, 42, 56, 57}) {
        block.putReals(r, realsOf(c, r, f, block.elements(SectorKind::Real, r)));
      }
    }
    e += mu;
    f += g;
  }
  UNFREE(n, 0);
  return 0;
}

}  // namespace problem
