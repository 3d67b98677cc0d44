// The layouts of the stream records: the sectors of the main record and of each secondary
// record type, the start values of an empty record, and the publishing of the sector starts
// of the records laid out last.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "problem/stream_table.hpp"
#include "problem/streams.hpp"
#include "services/kept_values.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {

StreamLayoutWords SRLAYT;
StreamRecordPointers SRRECL;
DerivationSwitch DRVSW;
services::FixedText<6> SRCNAM;

namespace {

using services::DMISS;
using services::IMISS;
using services::NOCORE;
using storage::CORSTO;
using storage::SBCUR;
using storage::SectorKind;

constexpr std::int32_t kPointerEntryWords = 9;
constexpr std::int32_t kFirstType = 0;
constexpr std::int32_t kLastType = 31;
constexpr std::int32_t kNoLayoutType = 21;
constexpr std::int32_t kSectorPairs = 85;  // types 24 and 27

// The sectors of one record type: per kind the lengths (-k: sizing value k elements) and the
// sizing values.
struct Layout {
  std::vector<std::int32_t> pointers;
  std::vector<std::int32_t> integers;
  std::vector<std::int32_t> reals;
  std::vector<std::int32_t> doubles;
  std::vector<std::int32_t> sizing;
  std::vector<std::int32_t> entrySizes;  // of the disk-pointer sectors

  const std::vector<std::int32_t>& of(SectorKind kind) const {
    switch (kind) {
      case SectorKind::Pointer:
        return pointers;
      case SectorKind::Integer:
        return integers;
      case SectorKind::Real:
        return reals;
      case SectorKind::Double:
        return doubles;
      default:
        return none;
    }
  }

  std::vector<std::int32_t> none;

  // Empties every list, keeping their storage.
  void clear() {
    for (auto* v : {&pointers, &integers, &reals, &doubles, &sizing, &entrySizes}) v->clear();
  }
};

// The layout that the shape check describes at every stream made current; kept so that its
// lists are got once and reused.
Layout checkedLayout;
const bool kCheckedLayoutReset = services::registerKeptValues([] { checkedLayout = Layout{}; });
// The layout of the record that SRLAYO describes, builds or publishes; kept likewise.
Layout builtLayout;
const bool kBuiltLayoutReset = services::registerKeptValues([] { builtLayout = Layout{}; });

void repeat(std::vector<std::int32_t>& list, std::int32_t count, std::int32_t length) {
  list.insert(list.end(), static_cast<std::size_t>(count), length);
}

std::int32_t ncstrm() { return COHDR(cohdr::kStreamComponents); }
std::int32_t srtabi(std::size_t k) { return SLOTC2.sr.srtabi(k); }
std::int32_t w(std::size_t k) { return SRLAYT.recordSizing(k); }

// The sectors of TYPE from the sizing sources as they are now; false for a type without
// layout.
bool describe(std::int32_t type, Layout& l) {
  const std::int32_t nc = ncstrm();
  switch (type) {
    case 0:
      l.pointers = {kSecondaryRecordTypes};
      l.integers = {kMainIntegers};
      l.reals = {kMainReals, -1, -1, -1, -1};
      l.sizing = {nc};
      break;
    case 1:
      l.reals = {-1};
      repeat(l.reals, 16, -2);
      for (std::int32_t k = 3; k <= 8; ++k) repeat(l.reals, 8, -k);
      repeat(l.reals, 2, -9);
      repeat(l.reals, 4, -10);
      l.sizing = {srtabi(5),  srtabi(6),  srtabi(7),  srtabi(9), srtabi(10),
                  srtabi(11), srtabi(12), srtabi(13), srtabi(8), srtabi(14)};
      break;
    case 2:
      l.reals = {5, -1, -1, -2, -2, -3};
      l.sizing = {srtabi(3), nc, srtabi(4)};
      break;
    case 3:
      l.integers = {-1};
      l.reals = {7, -1, -1, -1, -1, -1, 7, -1, -1, -1, -1, -1, -2};
      l.sizing = {nc, 3 * nc};
      break;
    case 4:
      l.reals = {26, 26, 26, COHDR(cohdr::kMolarSolids) >= 1 ? 26 : 0,
                 COHDR(cohdr::kMassSolids) >= 1 ? 15 : 0};
      break;
    case 5:
      l.integers = {2, 4};
      l.reals = {11, -1, 11, -1, 11, -1, 11, -1};
      l.sizing = {nc};
      break;
    case 6:
      repeat(l.integers, 4, 4);
      repeat(l.reals, 4, 40);
      break;
    case 7:
      repeat(l.integers, 5, 4);
      repeat(l.reals, 5, 40);
      break;
    case 8:
      l.integers = {70, -1, -2, -3, 8};
      l.reals = {41, -1, -2, -3};
      l.sizing = {w(1), nc, nc};
      break;
    case 9: {
      const auto& v = SRLAYT.type9Sizing;
      l.pointers = {-5, -6};
      l.integers = {35, -5, -5, -6, -6, -4, -7, -8, -7, -8};
      l.reals = {16, -1, -1, -2, -2, -3, -3, -4};
      l.sizing = {v(1), v(2), v(3), v(4), v(5), v(6), 3 * v(5), 3 * v(6)};
      break;
    }
    case 10: {
      const auto& x = SRLAYT.type10Sizing;
      l.pointers = {-4, -5};
      l.integers = {6, -2};
      l.reals = {5};
      repeat(l.reals, 7, -1);
      repeat(l.reals, 5, -2);
      l.reals.push_back(-3);
      l.sizing = {x(1), x(2), x(3), 89, 60};
      break;
    }
    case 11:
    case 31:
      l.integers = {89};
      l.reals = {89};
      break;
    case 12:
      l.integers = {60};
      l.reals = {60};
      break;
    case 13:
      l.integers = {10, 30};
      l.reals = {20, 30, 30, 30};
      break;
    case 14:
      l.integers = {7};
      l.reals = {20};
      repeat(l.reals, 5, -1);
      repeat(l.reals, 2, -2);
      repeat(l.reals, 11, -1);
      repeat(l.reals, 2, -2);
      l.sizing = {nc, nc * nc};
      break;
    case 15: {
      const auto& y = SRLAYT.type15.sizing;
      l.pointers = {-3};
      l.integers = {4, -3, -3, -2, -1, -4, -4};
      repeat(l.reals, 6, -2);
      l.reals.insert(l.reals.end(), {-1, -2, -2});
      l.sizing = {y(1), y(2), y(3), 3 * y(3)};
      break;
    }
    case 16:
      l.integers = {-1};
      l.reals = {2, -1, -1, -2, -1, -3, -3, -3, -3};
      l.sizing = {nc, 3 * nc, 5 * nc * (nc - 1) / 2};
      break;
    case 17:
      repeat(l.reals, 4, 303);
      break;
    case 18:
      l.integers = {10, -1};
      l.sizing = {w(1)};
      break;
    case 19:
    case 20: {
      const std::int32_t aux = std::max(1, COHDR(cohdr::kAuxiliaryCount));
      l.integers = {30, -5, -4, -4, -6, -7, -8, -5, -8};
      l.reals = {20, -1, -1, -2, -2, -3, -3, -6, -7, -8};
      l.sizing = {w(1), w(2), w(3), w(4), aux, aux, aux, aux};
      break;
    }
    case 22:
    case 23:
    case 25:
    case 26:
      l.integers = {2, -1};
      l.doubles = {-2};
      l.sizing = {3 * w(1), w(2)};
      break;
    case 24:
    case 27:
      // Integer sector k + 1 and double sector k take sizing values J(k) and J(k) + 9.
      l.integers = {103};
      repeat(l.integers, kSectorPairs, -kStreamSizeClass);
      repeat(l.doubles, kSectorPairs, -(kStreamSizeClass + 9));
      for (std::size_t k = 1; k <= 18; ++k) l.sizing.push_back(w(k));
      break;
    case 28:
      l.integers = {4, 4};
      l.reals = {40, 40};
      break;
    case 29:
      l.integers = {1};
      l.reals = {-1};
      l.sizing = {72};
      break;
    case 30:
      l.reals = {127};
      break;
    default:
      return false;
  }
  l.entrySizes.assign(l.pointers.size(), kPointerEntryWords);
  return true;
}

storage::SubBlockSpec specOf(const Layout& l) {
  storage::SubBlockSpec spec;
  spec[SectorKind::Pointer] = {l.pointers, l.entrySizes};
  spec[SectorKind::Integer] = {l.integers, {}};
  spec[SectorKind::Real] = {l.reals, {}};
  spec[SectorKind::Double] = {l.doubles, {}};
  spec.sizing = l.sizing;
  return spec;
}

// ---------------------------------------------------------------------------------------
// Start values of an empty record (the sub-block layer has cleared every word)
// ---------------------------------------------------------------------------------------

std::int32_t start(SectorKind kind, std::int32_t s) { return SBCUR.pointer(kind, s); }
std::int32_t length(SectorKind kind, std::int32_t s) { return SBCUR.length(kind, s); }

void fillIntegers(std::int32_t first, std::int32_t last, std::int32_t value) {
  for (std::int32_t s = first; s <= last; ++s) {
    const std::int32_t p = start(SectorKind::Integer, s);
    for (std::int32_t i = 1; i <= length(SectorKind::Integer, s); ++i) CORSTO[p + i] = value;
  }
}

void fillAllIntegers(std::int32_t value) {
  fillIntegers(1, SBCUR.count(SectorKind::Integer), value);
}

// The first COUNT elements of real sectors FIRST to LAST taken as one run, sector by sector.
void fillRealRun(SectorKind kind, std::int32_t first, std::int32_t last, std::int64_t count,
                 double value) {
  for (std::int32_t s = first; s <= last && count > 0; ++s) {
    const std::int32_t p = start(kind, s);
    const std::int32_t n = length(kind, s);
    for (std::int32_t i = 1; i <= n && count > 0; ++i, --count) CORSTO.setReal(p + i, value);
  }
}

void fillReals(SectorKind kind, std::int32_t first, std::int32_t last, double value) {
  fillRealRun(kind, first, last, INT64_MAX, value);
}

void fillAllReals(double value) {
  fillReals(SectorKind::Real, 1, SBCUR.count(SectorKind::Real), value);
}

std::int32_t& integerAt(std::int32_t s, std::int32_t i) {
  return CORSTO[start(SectorKind::Integer, s) + i];
}

void blankWords(std::int32_t s, std::int32_t first, std::int32_t last) {
  static const std::int32_t kBlanks = storage::packWord(std::array<char, 4>{' ', ' ', ' ', ' '});
  for (std::int32_t i = first; i <= last; ++i) integerAt(s, i) = kBlanks;
}

void initialise(std::int32_t type) {
  switch (type) {
    case 1:
      fillAllReals(0.0);
      break;
    case 2: {
      // Every element of the six sectors but the last one.
      std::int64_t elements = 0;
      for (std::int32_t s = 1; s <= 6; ++s) elements += length(SectorKind::Real, s);
      fillRealRun(SectorKind::Real, 1, 6, elements - 1, DMISS);
      break;
    }
    case 3:
      fillRealRun(SectorKind::Real, 1, 6, 5 * std::int64_t{ncstrm()} + 7, DMISS);
      break;
    case 4: {
      fillAllReals(DMISS);
      StreamPointers& working = SRPSET.set2;
      if (working.stream > 0) MainRecord(working).integer(srmain::kFlagBits) &= 1;
      break;
    }
    case 5:
      for (std::int32_t i = 1; i <= 4; ++i) integerAt(2, i) = 5 - i;
      break;
    case 6:
    case 7:
    case 28:
    case 29:
    case 30:
      fillAllReals(DMISS);
      break;
    case 8:
      fillAllReals(DMISS);
      integerAt(1, 9) = 110330000;
      blankWords(1, 13, 22);
      blankWords(1, 26, 28);
      blankWords(1, 50, 55);
      integerAt(1, 42) = IMISS;
      for (std::int32_t k = 1; k <= 3; ++k) integerAt(1, 42 + k) = SBCUR.sizing(k);
      break;
    case 9:
      fillIntegers(1, 6, IMISS);
      fillAllReals(DMISS);
      for (const std::int32_t i : {12, 13, 14, 15, 16, 17, 25, 26}) integerAt(1, i) = 0;
      break;
    case 13:
      fillIntegers(1, 1, IMISS);
      fillReals(SectorKind::Real, 1, 1, DMISS);
      break;
    case 15:
      fillIntegers(4, 4, IMISS);
      fillAllReals(DMISS);
      break;
    case 18:
      integerAt(1, 2) = w(1);
      break;
    case 19:
    case 20:
      fillAllIntegers(IMISS);
      for (std::int32_t i = 19; i <= 22; ++i) integerAt(1, i) = COHDR(cohdr::kAuxiliaryCount);
      if (type == 19) {
        for (std::int32_t i = 10; i <= 13; ++i) integerAt(1, i) = 0;
        for (std::int32_t i = 23; i <= 26; ++i) integerAt(1, i) = 0;
      }
      fillAllReals(DMISS);
      break;
    case 22:
    case 23:
    case 24:
    case 25:
    case 26:
    case 27:
      fillReals(SectorKind::Double, 1, SBCUR.count(SectorKind::Double), DMISS);
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------------------
// Publishing
// ---------------------------------------------------------------------------------------

// The SRRECL position of each type; 0 for the types without one.
constexpr std::array<std::size_t, kLastType + 1> kRecordPosition = {
    0, 0, 0, 4, 5, 0, 12, 13, 0, 0, 0,  14, 18, 0,  0,  0,
    0, 0, 1, 2, 3, 0, 6,  7,  8, 9, 10, 11, 17, 15, 16, 19};

template <std::size_t N>
void copyStarts(services::OneBased<std::int32_t, N>& words, SectorKind kind, std::int32_t first) {
  for (std::size_t k = 1; k <= N; ++k) {
    words(k) = start(kind, first + static_cast<std::int32_t>(k) - 1);
  }
}

void publish(std::int32_t type, std::int32_t ptr) {
  constexpr SectorKind kP = SectorKind::Pointer;
  constexpr SectorKind kI = SectorKind::Integer;
  constexpr SectorKind kR = SectorKind::Real;
  StreamLayoutWords& t = SRLAYT;
  switch (type) {
    case 1:
      copyStarts(t.type1Reals, kR, 1);
      break;
    case 2:
      for (std::size_t k = 1; k <= 5; ++k) {
        t.type2.scalars(k) = start(kR, 1) + static_cast<std::int32_t>(k);
      }
      copyStarts(t.type2.vectors, kR, 2);
      break;
    case 3:
      t.type3.rowLength = 5 * ncstrm() + 7;
      t.type3.integers = start(kI, 1);
      for (std::size_t k = 1; k <= 6; ++k) {
        t.type3.rows(k) = start(kR, static_cast<std::int32_t>(k)) - t.type3.rowLength;
      }
      t.type3.last = start(kR, 13);
      break;
    case 4:
      copyStarts(t.type4Reals, kR, 1);
      break;
    case 5:
      copyStarts(t.type5.integers, kI, 1);
      for (std::size_t k = 1; k <= 4; ++k) {
        t.type5.blocks(k) = start(kR, 2 * static_cast<std::int32_t>(k) - 1);
        t.type5.vectors(k) = start(kR, 2 * static_cast<std::int32_t>(k));
      }
      break;
    case 6:
      copyStarts(t.type6Reals, kR, 1);
      break;
    case 7:
      copyStarts(t.type7Reals, kR, 1);
      break;
    case 8:
      copyStarts(t.type8.integers, kI, 1);
      copyStarts(t.type8.reals, kR, 1);
      t.type8.integer5 = start(kI, 5);
      break;
    case 9: {
      copyStarts(t.type9.pointers, kP, 1);
      constexpr std::array<std::int32_t, 9> kOrder{1, 2, 3, 4, 5, 7, 9, 8, 10};
      for (std::size_t k = 1; k <= kOrder.size(); ++k) {
        t.type9.integers(k) = start(kI, kOrder[k - 1]);
      }
      copyStarts(t.type9.reals, kR, 1);
      t.type9.integer6 = start(kI, 6);
      t.type9.real8 = start(kR, 8);
      break;
    }
    case 10: {
      copyStarts(t.type10.pointers, kP, 1);
      copyStarts(t.type10.integers, kI, 1);
      constexpr std::array<std::int32_t, 14> kOrder{1, 2, 3, 4, 5, 6, 8, 7, 9, 10, 11, 12, 13, 14};
      for (std::size_t k = 1; k <= kOrder.size(); ++k) {
        t.type10.reals(k) = start(kR, kOrder[k - 1]);
      }
      break;
    }
    case 11:
    case 31:
      t.special.real11or31 = start(kR, 1);
      t.special.integer11or31 = start(kI, 1);
      break;
    case 12:
      t.special.real12 = start(kR, 1);
      t.special.integer12 = start(kI, 1);
      break;
    case 13:
      copyStarts(t.type13.integers, kI, 1);
      copyStarts(t.type13.reals, kR, 1);
      break;
    case 14:
      t.type14.integer = start(kI, 1);
      copyStarts(t.type14.reals, kR, 1);
      break;
    case 15:
      t.type15.pointers = start(kP, 1);
      copyStarts(t.type15.integers, kI, 1);
      copyStarts(t.type15.reals, kR, 1);
      break;
    case 16:
      t.type16.integer = start(kI, 1);
      copyStarts(t.type16.reals, kR, 1);
      break;
    case 17:
      copyStarts(t.type17Reals, kR, 1);
      break;
    case 28:
      copyStarts(t.type28Reals, kR, 1);
      break;
    case 29:
      t.type29Real = start(kR, 1);
      break;
    case 30:
      t.type30Real = start(kR, 1);
      break;
    default:
      break;  // types 0 and 18 to 27: their SRRECL position only
  }
  const std::size_t position = kRecordPosition[static_cast<std::size_t>(type)];
  if (position != 0) SRRECL.words(position) = ptr;
}

}  // namespace

void checkStreamRecordShape(std::int32_t type, bool currentSizes, std::string_view routine) {
  Layout& layout = checkedLayout;
  layout.clear();
  if (!describe(type, layout)) return;
  const auto fault = [&](SectorKind kind, std::int32_t sector, std::int32_t found,
                         std::int32_t expected) {
    services::ERRITM("TYPE", type);
    services::ERRITM("KIND", static_cast<std::int32_t>(kind));
    services::ERRITM("SECTOR", sector);
    services::ERRITM("LENGTH", found);
    services::ERRITM("LAYOUT", expected);
    services::ABTRPT("SR", routine, SRCNAM.view(), "STREAM RECORD DOES NOT MATCH ITS LAYOUT");
  };
  for (std::int32_t k = 1; k <= storage::kSectorKinds; ++k) {
    const auto kind = static_cast<SectorKind>(k);
    const std::vector<std::int32_t>& lengths = layout.of(kind);
    const auto count = static_cast<std::int32_t>(lengths.size());
    if (SBCUR.count(kind) != count) fault(kind, 0, SBCUR.count(kind), count);
    for (std::int32_t s = 1; s <= count; ++s) {
      const std::int32_t wanted = lengths[static_cast<std::size_t>(s - 1)];
      const std::int32_t found = SBCUR.length(kind, s);
      if (wanted >= 0 && found != wanted) fault(kind, s, found, wanted);
      if (wanted < 0 && currentSizes) {
        const std::int32_t need = layout.sizing[static_cast<std::size_t>(-wanted - 1)];
        if (found < need) fault(kind, s, found, need);
      }
    }
  }
}

void SRLAYO(std::int32_t mode, std::int32_t type, std::int32_t& len, std::int32_t& ptr) {
  if (type < kFirstType || type > kLastType || type == kNoLayoutType) return;
  Layout& layout = builtLayout;
  layout.clear();
  describe(type, layout);
  const storage::SubBlockSpec spec = specOf(layout);
  std::int32_t ierr = 0;
  if (mode == static_cast<std::int32_t>(LayoutMode::Describe)) {
    storage::SBMLTF(0, ierr, spec);
    const std::int32_t total = SBCUR.header(storage::sbhead::kTotalLength);
    len = total + total % 2;
    if (type == 0) SLOTC2.sr.srtabi(srtabi::kMainLength) = len;
    return;
  }
  if (mode == static_cast<std::int32_t>(LayoutMode::Build)) {
    storage::SBMLTC(len, ptr, 0, ierr, spec);
    // Published before the start values, which the derivation of types 6 and 7 reads.
    publish(type, ptr);
    initialise(type);
    if (type == 6 || type == 7) SRDERV(type);
    return;
  }
  checkStreamRecordShape(type, false, "SRLAYO");
  publish(type, ptr);
}

}  // namespace problem
