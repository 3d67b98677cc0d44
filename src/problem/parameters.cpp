// The parameter records of the problem database, the engine's work space, the
// correlation-set list and the method-set index entries.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>

#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "problem/open_sequence.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::ABTRPT;
using services::ERRITM;

constexpr std::int32_t kRead = 1;

// OLD record words (1-based) of the lengths of the two parameter records.
constexpr std::size_t kFirstRecordLength = 56;
constexpr std::size_t kSecondRecordLength = 58;

// Words of the second parameter record.
constexpr std::size_t kFinalCut = 1;          // 8-byte real: the BP real of default 98.0
constexpr std::size_t kInitialCut = 3;        // 8-byte real: the BP real of default 1.0
constexpr std::size_t kMolarVolume = 9;       // 8-byte reals: the standard conditions
constexpr std::size_t kTemperature = 11;
constexpr std::size_t kPressure = 13;
constexpr std::size_t kBpIntegers = 101;      // words 101-106 and 111
constexpr std::size_t kLastBpInteger = 111;
constexpr std::array<std::size_t, kRealWorkAreas> kRealAreaSizes{130, 131, 133, 134, 135};
constexpr std::size_t kIntegerAreaSize = 136;
constexpr std::size_t kTrueVapourSet = 138;  // the stream-property option words: the
constexpr std::size_t kReidFlashSet = 139;   // vapour-pressure method sets
constexpr std::size_t kReportOption = 145;
constexpr std::size_t kShortTitle = 150;      // 8 text words
constexpr std::size_t kLongTitle = 158;       // 20 text words

// Reads the parameter record of LENGTH words at ADDRESS into DESTINATION, which it must fit.
void readRecord(std::int32_t record, std::int32_t length, std::int32_t address,
                std::span<std::int32_t> destination) {
  const auto limit = static_cast<std::int32_t>(destination.size());
  if (length < 1 || length > limit) {
    ERRITM("RECORD", record);
    ERRITM("LENGTH", length);
    ERRITM("LIMIT", limit);
    ABTRPT("DB", "DBPARM", "DBPARM", "PARAMETER RECORD IS TOO LONG");
  }
  std::fill(destination.begin(), destination.end(), 0);
  storage::FILEIO(kRead, destination, length, length, address);
}

double realAt(const services::OneBased<std::int32_t, kSecondParameterWords>& words,
              std::size_t first) {
  return std::bit_cast<double>(std::array<std::int32_t, 2>{words(first), words(first + 1)});
}

}  // namespace

StandardConditions DBPARW;
WorkSpaceBases MDLBAS;
FlashPartition FWPART;
ParameterRecords DBPRMS;

std::int32_t DBPARM() {
  readRecord(1, OLDGLB.integers[kFirstRecordLength - 1], OLDGLB.integers[kFirstRecordLength],
             DBPRMS.first.span());
  readRecord(2, OLDGLB.integers[kSecondRecordLength - 1], OLDGLB.integers[kSecondRecordLength],
             DBPRMS.second.span());
  const auto& w = DBPRMS.second;

  BpValues& bp = DBGLOB.bpvals;
  bp.reals(2) = realAt(w, kFinalCut);
  bp.reals(1) = realAt(w, kInitialCut);
  for (std::size_t k = 1; k <= 6; ++k) bp.integers(k) = w(kBpIntegers + k - 1);
  bp.integers(7) = w(kLastBpInteger);

  DBGLOB.vapourPressureSets = {w(kTrueVapourSet), w(kReidFlashSet)};

  DBPARW.molarVolume = realAt(w, kMolarVolume);
  DBPARW.temperature = realAt(w, kTemperature);
  DBPARW.pressure = realAt(w, kPressure);

  for (std::size_t k = 1; k <= kRealAreaSizes.size(); ++k) {
    MDLBAS.realSize(k) = w(kRealAreaSizes[k - 1]);
  }
  MDLBAS.integerSize = w(kIntegerAreaSize);

  services::RPTOPT.option = w(kReportOption);
  std::int32_t ierr = 0;
  storage::IWTOTX(services::RPTOPT.shortTitle, w.span().subspan(kShortTitle - 1, 8), 8, ierr);
  storage::IWTOTX(services::RPTOPT.longTitle, w.span().subspan(kLongTitle - 1, 20), 20, ierr);
  return 0;
}

void getWorkSpace() {
  const auto invalid = [](std::int32_t area, std::int32_t size) {
    ERRITM("AREA", area);
    ERRITM("SIZE", size);
    ABTRPT("DB", "PAINIT", "PAOPEN", "WORK AREA SIZE IS NOT VALID");
  };
  for (std::size_t k = 1; k <= static_cast<std::size_t>(kRealWorkAreas); ++k) {
    if (MDLBAS.realSize(k) < 1) invalid(static_cast<std::int32_t>(k), MDLBAS.realSize(k));
  }
  if (MDLBAS.integerSize < 1) invalid(kRealWorkAreas + 1, MDLBAS.integerSize);
  for (std::size_t k = 1; k <= static_cast<std::size_t>(kRealWorkAreas); ++k) {
    MDLBAS.realBase(k) = storage::ICMGTR(MDLBAS.realSize(k), 0);
  }
  MDLBAS.integerBase = storage::ICMGTI(MDLBAS.integerSize, 0);
}

std::int32_t DBPTAB(std::int32_t opt, std::int32_t length, std::int32_t address) {
  // A correlation set held from the list before is read again.
  XPSETL.changed();
  if (opt > 0) {
    std::array<std::int32_t, kCorrelationSetListWords> words{};
    if (length < 1 || length > static_cast<std::int32_t>(words.size())) {
      ERRITM("LENGTH", length);
      ERRITM("LIMIT", static_cast<std::int32_t>(words.size()));
      ABTRPT("DB", "DBPTAB", "DBPTAB", "CORRELATION SET LIST IS TOO LONG");
    }
    // Words not in the stored list keep their start values.
    XPSETL.reset();
    std::array<std::int32_t, kCorrelationSetListWords> start{};
    start[0] = XPSETL.count;
    const auto put = [&](std::size_t first, const auto& column) {
      std::copy(column.values.begin(), column.values.end(), start.begin() + first);
    };
    put(1, XPSETL.keys);
    put(51, XPSETL.addresses);
    put(101, XPSETL.lengths);
    put(151, XPSETL.corePlaces);
    put(201, XPSETL.fifth);
    words = start;
    storage::FILEIO(kRead, words, length, length, address);

    const std::int32_t count = words[0];
    if (count < 0 || count > kMaxCorrelationSets) {
      ERRITM("COUNT", count);
      ERRITM("LIMIT", kMaxCorrelationSets);
      ABTRPT("DB", "DBPTAB", "DBPTAB", "CORRELATION SET LIST IS NOT VALID");
    }
    XPSETL.count = count;
    const auto take = [&](std::size_t first, auto& column) {
      std::copy(words.begin() + static_cast<std::ptrdiff_t>(first),
                words.begin() + static_cast<std::ptrdiff_t>(first) + kMaxCorrelationSets,
                column.values.begin());
    };
    take(1, XPSETL.keys);
    take(51, XPSETL.addresses);
    take(101, XPSETL.lengths);
    take(201, XPSETL.fifth);
  }
  XPSETL.corePlaces.fill(services::NOCORE);
  return 0;
}

std::int32_t DBSLOT(std::int32_t n) {
  if (n <= 0 || THIDX.index == services::NOCORE) return 0;
  services::FixedText<12> name;
  storage::DiskPointer pointer{};
  std::array<std::int32_t, 1> data{};
  std::int32_t status = 0;
  storage::FBINUM(kRead, THIDX.index, n, name, pointer, data, status);
  return status == 0 ? data[0] : 0;
}

}  // namespace problem
