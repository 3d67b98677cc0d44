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

// The composite's block in the unit work area of context 2. Positions are 64-bit: they are
// sums of counts read from the database; one outside a sector reads 0.
struct Composite {
  std::int32_t integer(std::int32_t sector, std::int64_t e) const {
    const std::int32_t p = PAUWRK.context2.integers.pointers(static_cast<std::size_t>(sector));
    if (p == services::NOCORE || e < 1 || e > integerLength(sector)) return 0;
    return CORSTO[p + static_cast<std::int32_t>(e)];
  }
  // Element E, which lies within the sector.
  std::int32_t& integerRef(std::int32_t sector, std::int64_t e) const {
    return CORSTO[PAUWRK.context2.integers.pointers(static_cast<std::size_t>(sector)) +
                  static_cast<std::int32_t>(e)];
  }
  std::int32_t integerLength(std::int32_t sector) const {
    const auto s = static_cast<std::size_t>(sector);
    return PAUWRK.context2.integers.pointers(s) == services::NOCORE
               ? 0
               : PAUWRK.context2.integers.lengths(s);
  }
  double real(std::int32_t sector, std::int64_t e) const {
    const auto s = static_cast<std::size_t>(sector);
    const std::int32_t p = PAUWRK.context2.reals.pointers(s);
    if (p == services::NOCORE || e < 1 || e > PAUWRK.context2.reals.lengths(s)) return 0.0;
    return CORSTO.real(p + static_cast<std::int32_t>(e));
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
  // Writes N integers into sector S from element FIRST on, as far as the sector holds them:
  // element FIRST + i - 1 receives VALUE(i). The values are asked only for the elements
  // written, so that a count read from the database never sizes more than the sector.
  template <typename Value>
  void putIntegers(std::int32_t s, std::int64_t first, std::int64_t n, Value value) {
    std::int32_t count = 0, offset = 0;
    if (!locate(SectorKind::Integer, s, count, offset) || first < 1) return;
    const std::int64_t m = std::min<std::int64_t>(n, count - first + 1);
    if (m < 1) return;
    std::vector<std::int32_t> words(static_cast<std::size_t>(m));
    for (std::int64_t i = 1; i <= m; ++i) words[static_cast<std::size_t>(i - 1)] = value(i);
    storage::FILPRT(2, words, static_cast<std::int32_t>(m), length_, address_,
                    offset + static_cast<std::int32_t>(first));
  }
  // Writes N reals into real sector S from element 1 on, as far as the sector holds them:
  // element i receives VALUE(i).
  template <typename Value>
  void putReals(std::int32_t s, std::int64_t n, Value value) {
    std::int32_t count = 0, offset = 0;
    if (!locate(SectorKind::Real, s, count, offset)) return;
    const std::int64_t m = std::min<std::int64_t>(n, count);
    if (m < 1) return;
    std::vector<std::int32_t> words(static_cast<std::size_t>(2 * m));
    for (std::int64_t i = 1; i <= m; ++i) {
      const auto halves = std::bit_cast<std::array<std::int32_t, 2>>(value(i));
      words[static_cast<std::size_t>(2 * i - 2)] = halves[0];
      words[static_cast<std::size_t>(2 * i - 1)] = halves[1];
    }
    storage::FILPRT(2, words, static_cast<std::int32_t>(2 * m), length_, address_, offset + 1);
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
// digits) lowered by D, sign and low digits kept. Worked in 64 bits, the result kept to 32
// as the stored word holds it.
std::int32_t renumber(std::int32_t code, std::int64_t d) {
  const std::int64_t wide = code;
  const std::int64_t magnitude = wide < 0 ? -wide : wide;
  const std::int64_t stage = magnitude / 10000 % 10000;
  const std::int64_t low = wide % 10000;  // with the sign of the code
  return static_cast<std::int32_t>((wide < 0 ? -1 : 1) * (stage - d) * 10000 + low);
}

// A stored word lowered by a shift, kept to 32 bits as the stored word holds it.
std::int32_t shifted(std::int32_t word, std::int64_t shift) {
  return static_cast<std::int32_t>(word - shift);
}

// The section list of the composite's block in context 2.
std::vector<std::int32_t> sectionsOf(const Composite& c) {
  std::vector<std::int32_t> sections;
  for (std::int32_t i = 1; i <= c.integerLength(kSections); ++i) {
    sections.push_back(c.integer(kSections, i));
  }
  return sections;
}

[[noreturn]] void entriesWithoutWords(std::int32_t n, std::int32_t entries, std::int32_t words) {
  services::ERRITM("UNIT", n);
  services::ERRITM("ENTRIES", entries);
  services::ERRITM("WORDS", words);
  services::ABTRPT("UN", "DBUTYS", "DBUSET", "COMPOSITE ENTRIES HOLD NO WORDS");
}

}  // namespace

std::int32_t DBUSET() {
  // The number of index entries is counted once: the count walks the whole unit index.
  const std::int32_t entries = IUNNOU();
  for (std::int32_t n = 1; n <= entries; ++n) {
    if (IUNSTA(n) != kSolvedComposite || problem::KUNTYC(n) != kCompositeUnitType) continue;
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
  const std::int64_t ncomp = COHDR(cohdr::kComponents);
  const std::int64_t m = c.integer(kControl, kArrayWords);
  // Running positions in the composite's sectors: sums of counts read from the database.
  std::int64_t a1 = 0, a2 = 0, a3 = 0, a4 = 0, a5 = 0, a6 = 0, a7 = 0, a8 = 0, d = 0;
  std::int32_t k15 = 0;
  const std::vector<std::int32_t> sections = sectionsOf(c);
  const auto integers = [&](std::int32_t sector, std::int64_t from) {
    return [&c, sector, from](std::int64_t i) { return c.integer(sector, from + i); };
  };
  const auto reals = [&](std::int32_t sector, std::int64_t from) {
    return [&c, sector, from](std::int64_t i) { return c.real(sector, from + i); };
  };

  // 2. Each section's share.
  for (std::size_t s = 1; s <= sections.size(); ++s) {
    const std::int32_t u = sections[s - 1];
    const std::int32_t range = c.integer(kRanges, static_cast<std::int32_t>(s));
    const std::int32_t stages = range % 10000 - range / 10000 % 10000 + 1;
    UNSETT(u);
    SectionBlock block(u);
    // 2.2 Six control words.
    for (const std::int32_t e : {44, 47, 50, 53, 56, 95}) {
      block.putIntegers(kControl, e, 1, integers(kControl, e - 1));
    }
    // 2.3 The four arrays of integer sector 49 and real sectors 109 to 117.
    const std::int32_t k1 = block.integer(kControl, 8);
    if (k1 > 0) {
      for (std::int64_t q = 0; q < 4; ++q) {
        const std::int64_t from = q * m + a1;
        block.putIntegers(49, 1 + q * k1, k1, [&](std::int64_t i) {
          const std::int32_t word = c.integer(49, from + i);
          return q < 2 ? shifted(word, d) : word;
        });
      }
      a1 += k1;
      for (std::int32_t r = 109; r <= 117; ++r) block.putReals(r, k1, reals(r, a2));
      a2 += k1;
    }
    // 2.4 Stage codes of integer sector 11.
    const std::int32_t k2 = block.integer(kControl, 5);
    for (std::int64_t i = 1; i <= k2 && a3 + i <= c.integerLength(11); ++i) {
      std::int32_t& code = c.integerRef(11, a3 + i);
      code = renumber(code, d);
    }
    block.putIntegers(11, 1, k2, integers(11, a3));
    a3 += std::max(k2, 0);
    // 2.5 Stage codes of integer sector 5 and reals of real sector 4.
    const std::int32_t k3 = block.integer(kControl, 7);
    for (std::int64_t i = 1; i <= k3 && a4 + i <= c.integerLength(5); ++i) {
      std::int32_t& code = c.integerRef(5, a4 + i);
      code = renumber(code, d);
    }
    if (block.elements(SectorKind::Integer, 5) > 0 && k3 > 0) {
      block.putIntegers(5, 1, k3, integers(5, a4));
      a4 += k3;
      block.putReals(4, k3, reals(4, a5));
      a5 += k3;
    }
    // 2.6 Reals of real sector 6.
    const std::int32_t k4 = block.integer(kControl, 9);
    if (block.elements(SectorKind::Real, 6) > 0 && k4 > 0) {
      block.putReals(6, k4, reals(6, a6));
      a6 += k4;
    }
    // 2.7 The stage arrays and the stage-by-component arrays.
    for (const std::int32_t r : {7, 8, 9, 10, 18, 17, 14, 13, 16, 15, 11, 12}) {
      block.putReals(r, stages, reals(r, a7));
    }
    for (const std::int32_t r : {20, 21}) block.putReals(r, ncomp * stages, reals(r, a8));
    block.putReals(118, stages, reals(118, a7));
    block.putReals(1, 175, reals(1, a7));
    block.putReals(22, ncomp * stages, reals(22, a8));
    // 2.8 The words of integer sector 15: the first section with room receives them.
    if (c.integer(15, 1) > 0 && block.elements(SectorKind::Integer, 15) > 1) {
      ++k15;
      if (k15 == 1) {
        block.putIntegers(15, 1, 6, integers(15, 0));
      } else {
        block.putIntegers(15, 1, 1, [](std::int64_t) { return 0; });
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
  const std::int64_t wi = c.integerLength(20) / entries;
  const std::int64_t wr = PAUWRK.context2.reals.lengths(34) / entries;
  // Running entry and stage offsets: sums of counts read from the database.
  std::int64_t e = 0;
  std::int64_t f = 0;
  for (const std::int32_t u : sectionsOf(c)) {
    UNSETT(u);
    SectionBlock block(u);
    block.putIntegers(kControl, kEntryWord, 1,
                      [&](std::int64_t) { return c.integer(kControl, kEntryWord); });
    const std::int32_t mu = block.integer(kControl, kEntries);
    const std::int32_t g = block.integer(kControl, 4);
    if (mu > 0) {
      // The section's entry words, its stage references (words 2 and 3 of each entry)
      // renumbered by the stages before it.
      const std::int32_t w = block.elements(SectorKind::Integer, 20);
      std::vector<std::int32_t> words(static_cast<std::size_t>(std::max(w, 0)));
      for (std::int32_t i = 1; i <= w; ++i) {
        words[static_cast<std::size_t>(i - 1)] = c.integer(20, wi * e + i);
      }
      if (wi == 0 && !words.empty()) entriesWithoutWords(n, entries, c.integerLength(20));
      const auto size = static_cast<std::int64_t>(words.size());
      for (std::int64_t j = 0; j < mu && wi * j + 1 < size; ++j) {
        for (const std::int64_t k : {1, 2}) {
          const std::int64_t at = wi * j + k;
          if (at < size) {
            std::int32_t& word = words[static_cast<std::size_t>(at)];
            word = shifted(word, f);
          }
        }
      }
      block.putIntegers(20, 1, size,
                        [&](std::int64_t i) { return words[static_cast<std::size_t>(i - 1)]; });
      block.putReals(34, block.elements(SectorKind::Real, 34), [&](std::int64_t i) {
        return c.real(34, wr * e + i);
      });
      for (const std::int32_t r : {35, 36, 23, 38, 39, 40, 41, 42, 56, 57}) {
        block.putReals(r, block.elements(SectorKind::Real, r),
                       [&](std::int64_t i) { return c.real(r, f + i); });
      }
    }
    e += mu;
    f += g;
  }
  UNFREE(n, 0);
  return 0;
}

}  // namespace problem
