// The special-property store: SSPPTR and SPRDV2 (the store and its value blocks, built,
// read and written), SPPTRG (the store of the current method set in core), SPRDV1 (an entry
// by key), SPCMPV (a property's blending data with its value block, cached), the release of
// the copies and caches when a method set is loaded, and SPKEYV (a property of a named
// stream).
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "methods/methods.hpp"
#include "methods/slots.hpp"
#include "problem/component_data.hpp"
#include "problem/streams.hpp"
#include "services/kept_values.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/inspection_blending.hpp"
#include "streamprops/property_internal.hpp"
#include "streamprops/streamprops.hpp"
#include "thermo/phase/slots.hpp"

namespace streamprops {

StorePointers SSPTRS;
ValueBlockCaches SPBLWK;

namespace {

using services::NOCORE;
using storage::CORSTO;
using storage::SBCUR;
using storage::SectorKind;

constexpr std::int32_t kTraceSwitch = 53;
constexpr std::int32_t kTraceLevel = 10;
constexpr std::int32_t kPointerEntryWords = 9;
constexpr std::int32_t kStorePointerSector = 1;  // of the method-set data block
constexpr std::int32_t kBlankWord = 0x20202020;  // four blanks
constexpr std::int32_t kSoft = 1;
constexpr std::int32_t kKinematicViscosity = 1;
constexpr std::int32_t kValueIntegerSectors = 2;
constexpr std::int32_t kValueRealSectors = 4;
// Properties 54-58 are answered by the thermodynamic routines, not by blending.
constexpr std::int32_t kFirstThermodynamic = 54;

// The composition SPKEYV blends, kept so that a warm call allocates nothing; every problem
// open frees it.
std::vector<double> keyedComposition;
const bool kKeyedReset = services::registerKeptValues([] { keyedComposition = {}; });
constexpr std::int32_t kLastThermodynamic = 58;

std::int32_t capacity(std::int32_t ityp) {
  return ityp == kInspection ? kInspectionProperties : kUserProperties;
}

bool validType(std::int32_t ityp) { return ityp == kInspection || ityp == kUser; }

void trace(const std::string& line) { services::RPLINE(line); }

bool tracing() { return services::GDPOPT.diagnosticSwitch(kTraceSwitch) >= kTraceLevel; }

std::string_view optionLabel(std::int32_t iopt) {
  switch (static_cast<StoreOption>(iopt)) {
    case StoreOption::Initialize:
      return "INITIALIZE";
    case StoreOption::Read:
      return "READ";
    case StoreOption::Write:
      return "WRITE";
    case StoreOption::Clear:
      return "SET ALL ENTRIES TO 0";
  }
  return "";
}

std::string numbered(std::string_view label, std::int32_t value) {
  char text[80];
  std::snprintf(text, sizeof text, "%.*s %d", static_cast<int>(label.size()), label.data(), value);
  return text;
}

// The disk pointer of entry N of disk-pointer sector S of the sub-block at (LEN, P).
storage::DiskPointer pointerOf(std::int32_t len, std::int32_t p, std::int32_t s, std::int32_t n) {
  storage::DiskPointer dp{};
  storage::SBGETC(len, p, s, n, 0, dp);
  return dp;
}

bool namesBlock(const storage::DiskPointer& dp) {
  const std::int32_t address = storage::dp(dp, storage::dpword::kAddress);
  return address != services::NODISK && address > 0;
}

// The store of type ITYP as SBCUR describes it, checked for the sectors and words that the
// readers use; an impossible shape stops the run.
void recordStore(std::int32_t ityp, std::int32_t numsp) {
  StoreCopy& c = SSPTRS.type(ityp);
  const std::int32_t m = std::max(capacity(ityp), numsp);
  bool valid = SBCUR.count(SectorKind::Integer) >= store::kIntegerSectors &&
               SBCUR.count(SectorKind::Real) >= store::kRealSectors &&
               SBCUR.count(SectorKind::Pointer) >= store::kPointerSectors;
  if (valid) {
    valid = SBCUR.length(SectorKind::Integer, store::kHeader) >= store::kHeaderWords;
    for (std::int32_t k = store::kKey; k < store::kFirstText && valid; ++k) {
      valid = SBCUR.length(SectorKind::Integer, k) >= m;
    }
    for (std::int32_t k = 1; k <= store::kRealSectors && valid; ++k) {
      valid = SBCUR.length(SectorKind::Real, k) >= m;
    }
    for (std::int32_t k = 1; k <= store::kPointerSectors && valid; ++k) {
      valid = SBCUR.length(SectorKind::Pointer, k) >= m &&
              SBCUR.entrySizes(1)(static_cast<std::size_t>(k)) == kPointerEntryWords;
    }
  }
  if (!valid) {
    services::ERRITM("TYPE", ityp);
    services::ERRITM("ENTRIES", numsp);
    services::ABTRPT("SP", "SSPPTR", "SPPTRG", "SPECIAL-PROPERTY STORE HAS AN INVALID SHAPE");
  }
  for (std::int32_t k = 1; k <= store::kIntegerSectors; ++k) {
    c.integers[static_cast<std::size_t>(k - 1)] = SBCUR.pointer(SectorKind::Integer, k);
  }
  for (std::int32_t k = 1; k <= store::kRealSectors; ++k) {
    c.reals[static_cast<std::size_t>(k - 1)] = SBCUR.pointer(SectorKind::Real, k);
  }
  for (std::int32_t k = 1; k <= store::kPointerSectors; ++k) {
    c.pointers[static_cast<std::size_t>(k - 1)] = SBCUR.pointer(SectorKind::Pointer, k);
  }
}

// The value block that SBCUR describes, checked for its six sectors.
ValueBlockSectors valueSectors() {
  if (SBCUR.count(SectorKind::Integer) < kValueIntegerSectors ||
      SBCUR.count(SectorKind::Real) < kValueRealSectors ||
      SBCUR.length(SectorKind::Integer, 1) < store::kHeaderWords) {
    services::ABTRPT("SP", "SPRDV2", "SPCMPV", "SPECIAL-PROPERTY VALUE BLOCK HAS AN INVALID SHAPE");
  }
  ValueBlockSectors s;
  for (std::int32_t k = 1; k <= kValueIntegerSectors; ++k) {
    s.integers[static_cast<std::size_t>(k - 1)] = SBCUR.pointer(SectorKind::Integer, k);
  }
  for (std::int32_t k = 1; k <= kValueRealSectors; ++k) {
    s.reals[static_cast<std::size_t>(k - 1)] = SBCUR.pointer(SectorKind::Real, k);
    s.realLengths[static_cast<std::size_t>(k - 1)] = SBCUR.length(SectorKind::Real, k);
  }
  return s;
}

// The number of entries in use of the loaded store ITYP.
std::int32_t entriesInUse(const StoreCopy& c) { return CORSTO[c.integers[store::kHeader - 1] + 1]; }

void freeBlock(CachedValueBlock& b) {
  if (b.pointer != NOCORE) storage::CMFREI(b.pointer);
  b = CachedValueBlock{};
}

// The slots through which the phase-property layer reaches the store.
void slotLoad(std::int32_t type, std::int32_t& ierr) { SPPTRG(type, ierr); }

void slotValues(std::int32_t type, std::int32_t iprop, phase::StoreEntry& entry,
                std::int32_t& ierr) {
  PropertyBlend blend;
  SPCMPV(type, iprop, blend, ierr);
  if (ierr != 0) return;
  entry = {blend.basis, blend.flag, blend.method, blend.r1, blend.r2, blend.values1, blend.values2};
}

// A new problem has a new core store: nothing of the old one is held.
const bool kStoresReset = services::registerKeptValues(&INITBL);

}  // namespace

void INITBL() {
  SSPTRS = {};
  SPBLWK = {};
}

void SSPPTR(std::int32_t& numsp, std::int32_t ityp, std::int32_t iopt, std::int32_t& icblnl,
            std::int32_t& icbptl, std::int32_t icblen, std::int32_t icbpnt, std::int32_t& ierr) {
  const bool traced = tracing();
  if (traced) {
    trace(numbered(" ENTERED SSPPTR - NUMSP =", numsp) + numbered(" ITYP=", ityp) +
          numbered(" IOPT=", iopt) + " " + std::string(optionLabel(iopt)));
    trace(ityp == kInspection ? " GENERIC PROPERITIES" : " USER PROPERITIES");
    trace(numbered(" PARENT BLOCK LENGTH     = ICBLEN =", icblen));
    trace(numbered(" PARENT BLOCK POINTER    = ICBPNT =", icbpnt));
  }
  ierr = 0;
  if (!validType(ityp)) {
    ierr = 1;
    return;
  }
  switch (static_cast<StoreOption>(iopt)) {
    case StoreOption::Initialize: {
      const std::int32_t m = std::max(capacity(ityp), numsp);
      const std::array<std::int32_t, store::kPointerSectors> pointerLengths{m, m};
      const std::array<std::int32_t, store::kPointerSectors> entrySizes{kPointerEntryWords,
                                                                        kPointerEntryWords};
      const std::array<std::int32_t, store::kIntegerSectors> integerLengths{
          store::kHeaderWords, m, m, m, m, m, m, m, store::kTextWords * m, store::kTextWords * m};
      const std::array<std::int32_t, store::kRealSectors> realLengths{m, m};
      storage::SubBlockSpec spec;
      spec[SectorKind::Pointer] = {pointerLengths, entrySizes};
      spec[SectorKind::Integer] = {integerLengths, {}};
      spec[SectorKind::Real] = {realLengths, {}};
      icblnl = 0;
      icbptl = NOCORE;
      storage::SBMLTC(icblnl, icbptl, kSoft, ierr, spec);
      if (ierr != 0) {
        ierr = 1;
        break;
      }
      recordStore(ityp, numsp);
      const StoreCopy& c = SSPTRS.type(ityp);
      const auto word = [&](std::int32_t sector, std::int32_t k) -> std::int32_t& {
        return CORSTO[c.integers[static_cast<std::size_t>(sector - 1)] + k];
      };
      word(store::kHeader, 1) = numsp;
      word(store::kHeader, 2) = numsp;
      word(store::kHeader, 3) = 0;
      storage::DiskPointer empty{};
      storage::SBDPCL(empty);
      for (std::int32_t e = 1; e <= m; ++e) {
        word(store::kKey, e) = 0;
        word(store::kMethod, e) = 0;
        word(store::kBasis, e) = 0;
        word(store::kFirstMissing, e) = services::IMISS;
        word(store::kFirstMissing + 1, e) = services::IMISS;
        word(store::kFirstZero, e) = 0;
        word(store::kFirstZero + 1, e) = 0;
        for (std::int32_t w = 1; w <= store::kTextWords; ++w) {
          word(store::kFirstText, store::kTextWords * (e - 1) + w) = kBlankWord;
          word(store::kFirstText + 1, store::kTextWords * (e - 1) + w) = kBlankWord;
        }
        CORSTO.setReal(c.reals[0] + e, 0.0);
        CORSTO.setReal(c.reals[1] + e, 0.0);
        for (std::int32_t s = 0; s < store::kPointerSectors; ++s) {
          for (std::int32_t w = 1; w <= kPointerEntryWords; ++w) {
            CORSTO[c.pointers[static_cast<std::size_t>(s)] + kPointerEntryWords * (e - 1) + w] =
                storage::dp(empty, w);
          }
        }
      }
      break;
    }
    case StoreOption::Read: {
      const storage::DiskPointer dp = pointerOf(icblen, icbpnt, kStorePointerSector, ityp);
      storage::SBRDC(icblnl, icbptl, dp, ierr);
      if (ierr != 0) {
        ierr = 1;
        break;
      }
      const std::int32_t entries = SBCUR.length(SectorKind::Integer, store::kHeader) >= 1
                                       ? CORSTO[SBCUR.pointer(SectorKind::Integer, 1) + 1]
                                       : -1;
      if (entries < 0) {
        services::ERRITM("TYPE", ityp);
        services::ABTRPT("SP", "SSPPTR", "SPPTRG", "SPECIAL-PROPERTY STORE HAS AN INVALID SHAPE");
      }
      recordStore(ityp, entries);
      numsp = entries;
      break;
    }
    case StoreOption::Write: {
      storage::DiskPointer dp = pointerOf(icblen, icbpnt, kStorePointerSector, ityp);
      std::int32_t moved = 0;
      storage::SBWTC(icblnl, icbptl, dp, moved);
      if (moved == storage::kPointerChanged) {
        storage::SBPUTC(icblen, icbpnt, kStorePointerSector, ityp, 0, dp);
      }
      break;
    }
    case StoreOption::Clear:
      break;
    default:
      ierr = 1;
      break;
  }
  if (traced) {
    trace(numbered(" LOCAL CORE BLOCK LENGTH = ICBLNL =", icblnl));
    trace(numbered(" LOCAL BLOCK POINTER     = ICBPTL =", icbptl));
    trace(numbered(" LEAVING SSPPTR - NUMSP =", numsp));
  }
}

void SPPTRG(std::int32_t ityp, std::int32_t& ierr) {
  ierr = 0;
  const problem::MethodSetControl& control = methods::THCTL;
  if (!validType(ityp) || control.currentSet < 1 || control.blockArea == NOCORE) {
    ierr = 1;
    return;
  }
  const storage::DiskPointer dp =
      pointerOf(control.blockLength, control.blockArea, kStorePointerSector, ityp);
  if (!namesBlock(dp)) {
    ierr = 1;
    return;
  }
  StoreCopy& c = SSPTRS.type(ityp);
  if (c.pointer != NOCORE) return;
  c.length = storage::dp(dp, storage::dpword::kTotalLength);
  c.pointer = storage::ICMGTI(c.length, 0);
  std::int32_t numsp = 0;
  SSPPTR(numsp, ityp, static_cast<std::int32_t>(StoreOption::Read), c.length, c.pointer,
         control.blockLength, control.blockArea, ierr);
  if (ierr != 0) {
    storage::CMFREI(c.pointer);
    c = StoreCopy{};
  }
}

std::int32_t SPRDV1(std::int32_t iprop, std::int32_t ityp) {
  if (!validType(ityp)) return 0;
  const StoreCopy& c = SSPTRS.type(ityp);
  if (c.pointer == NOCORE) return 0;
  const std::int32_t n = std::min(entriesInUse(c), std::max(capacity(ityp), entriesInUse(c)));
  for (std::int32_t e = 1; e <= n; ++e) {
    if (CORSTO[c.integers[store::kKey - 1] + e] == iprop) return e;
  }
  return 0;
}

void SPRDV2(std::int32_t iopt, std::int32_t nint, std::int32_t nref, std::int32_t ncomp,
            std::int32_t nreal, std::int32_t ityp, std::int32_t& icblnl, std::int32_t& icbptl,
            std::int32_t entry, std::int32_t& ierr) {
  ierr = 0;
  if (!validType(ityp)) {
    ierr = 1;
    return;
  }
  StoreCopy& c = SSPTRS.type(ityp);
  switch (static_cast<StoreOption>(iopt)) {
    case StoreOption::Initialize: {
      const std::array<std::int32_t, kValueIntegerSectors> integerLengths{store::kHeaderWords,
                                                                          std::max(nint, 0)};
      const std::array<std::int32_t, kValueRealSectors> realLengths{
          std::max(nref, 0), std::max(ncomp, 0), std::max(nreal, 0), std::max(ncomp, 0)};
      storage::SubBlockSpec spec;
      spec[SectorKind::Integer] = {integerLengths, {}};
      spec[SectorKind::Real] = {realLengths, {}};
      icblnl = 0;
      icbptl = NOCORE;
      storage::SBMLTC(icblnl, icbptl, kSoft, ierr, spec);
      if (ierr != 0) {
        ierr = 1;
        return;
      }
      c.selected = valueSectors();
      CORSTO[c.selected.integers[0] + 1] = nint;
      CORSTO[c.selected.integers[0] + 2] = 0;
      CORSTO[c.selected.integers[0] + 3] = nreal;
      return;
    }
    case StoreOption::Read:
    case StoreOption::Write:
      break;
    default:
      ierr = 1;
      return;
  }
  const std::int32_t m = std::max(capacity(ityp), c.pointer == NOCORE ? 0 : entriesInUse(c));
  if (c.pointer == NOCORE || entry < 1 || entry > m) {
    ierr = 1;
    return;
  }
  storage::DiskPointer dp = pointerOf(c.length, c.pointer, store::kValuePointers, entry);
  if (iopt == static_cast<std::int32_t>(StoreOption::Read)) {
    if (!namesBlock(dp)) {
      ierr = 1;
      return;
    }
    storage::SBRDC(icblnl, icbptl, dp, ierr);
    if (ierr != 0) {
      ierr = 1;
      return;
    }
    c.selected = valueSectors();
    return;
  }
  std::int32_t moved = 0;
  storage::SBWTC(icblnl, icbptl, dp, moved);
  if (moved == storage::kPointerChanged) {
    storage::SBPUTC(c.length, c.pointer, store::kValuePointers, entry, 0, dp);
  }
}

void SPCMPV(std::int32_t ityp, std::int32_t iprop, PropertyBlend& blend, std::int32_t& ierr) {
  // 1. The entry.
  ierr = 0;
  const std::int32_t e = SPRDV1(iprop, ityp);
  if (e == 0) {
    ierr = 1;
    return;
  }
  // 2. Its blending data.
  StoreCopy& c = SSPTRS.type(ityp);
  blend.basis = CORSTO[c.integers[store::kBasis - 1] + e];
  blend.method = CORSTO[c.integers[store::kMethod - 1] + e];
  blend.r1 = CORSTO.real(c.reals[0] + e);
  blend.r2 = CORSTO.real(c.reals[1] + e);
  blend.flag = blend.method == 372 ? 0 : 1;
  // 3. and 4. The value block, from the cache or read.
  CachedValueBlock* cached = nullptr;
  if (ityp == kInspection) {
    if (iprop < 1 || iprop > kInspectionProperties) {
      ierr = 1;
      return;
    }
    cached = &SPBLWK.inspection(static_cast<std::size_t>(iprop));
  } else {
    cached = &SPBLWK.user(static_cast<std::size_t>(e));
  }
  if (cached->pointer == NOCORE) {
    std::int32_t len = 0;
    std::int32_t ptr = NOCORE;
    std::int32_t status = 0;
    SPRDV2(static_cast<std::int32_t>(StoreOption::Read), 0, 0, 0, 0, ityp, len, ptr, e, status);
    if (status != 0) {
      ierr = 1;
      return;
    }
    *cached = {ptr, len, c.selected};
  } else {
    c.selected = cached->sectors;
  }
  // 5. The per-component arrays, long enough for every component.
  const bool kinematic = ityp == kInspection && iprop == kKinematicViscosity;
  const std::int32_t n = problem::COHDR(problem::cohdr::kComponents);
  if (c.selected.realLengths[1] < n || (kinematic && c.selected.realLengths[3] < n)) {
    ierr = 1;
    return;
  }
  blend.values1 = c.selected.reals[1];
  blend.values2 = kinematic ? c.selected.reals[3] : blend.values1;
}

void forgetValueBlock(std::int32_t ityp, std::int32_t iprop) {
  if (ityp == kInspection && iprop >= 1 && iprop <= kInspectionProperties) {
    freeBlock(SPBLWK.inspection(static_cast<std::size_t>(iprop)));
  } else if (ityp == kUser && iprop >= 1 && iprop <= kUserProperties) {
    freeBlock(SPBLWK.user(static_cast<std::size_t>(iprop)));
  }
}

void releaseStores() {
  for (std::int32_t t = kInspection; t <= kUser; ++t) {
    StoreCopy& c = SSPTRS.type(t);
    if (c.pointer != NOCORE) storage::CMFREI(c.pointer);
    c = StoreCopy{};
  }
  for (std::size_t k = 1; k <= static_cast<std::size_t>(kInspectionProperties); ++k) {
    freeBlock(SPBLWK.inspection(k));
  }
  for (std::size_t k = 1; k <= static_cast<std::size_t>(kUserProperties); ++k) {
    freeBlock(SPBLWK.user(k));
  }
}

void SPKEYV(std::string_view streamid, std::int32_t isp, std::string_view key, double& value,
            std::int32_t& ierr) {
  // 1. Start values; a blank identifier ends here.
  value = 0.0;
  ierr = 1;
  if (streamid.find_first_not_of(' ') == std::string_view::npos) return;
  // 2. The property's index.
  std::int32_t index = isp;
  if (isp == 0) SPKEYX(key, index);
  if (index <= 0) return;
  // 3. The stream, read in pointer set 1; an unknown one has no value.
  const std::int32_t n = problem::ISRNO(streamid);
  if (n <= 0) return;
  const std::int32_t previous = problem::SRPSET.set1.stream;
  problem::SRSETT(n);
  const problem::MainRecord rec(problem::SRPSET.set1);
  const double rate = rec.real(problem::srmain::kRate);
  // 4. The value: the thermodynamic properties (54-58) are 0, the others blend over the
  // whole stream.
  if (rate > 0.0) {
    const bool thermodynamic =
        isp == 0 && index >= kFirstThermodynamic && index <= kLastThermodynamic;
    if (!thermodynamic) {
      const detail::BasisVector basis(0, 0);
      const auto count = static_cast<std::size_t>(
          std::max(problem::COHDR(problem::cohdr::kComponents), 0));
      std::vector<double>& x = keyedComposition;
      if (x.size() < count) x.resize(count);
      std::span<double> xs(x.data(), count);
      if (count > 0) basis.x().copyTo(xs);
      if (isp == 0) {
        SPBLND(index, xs, value, 0.0);
      } else {
        SPUSER(isp, xs, value);
      }
    }
  }
  if (previous > 0) problem::SRSETT(previous);
  // 5. The status.
  ierr = value > services::RMISS ? 0 : 1;
}

void detail::installStoreSlots() {
  phase::fillSpecialPropertyStore({&slotLoad, &slotValues, &forgetValueBlock});
  methods::fillMethodSetLoaded(&releaseStores);
}

}  // namespace streamprops
