// Correlation sets: the current set (XPSTAT) made from the problem's correlation-set list,
// the reading of its records, and the component constants the forms need.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/correlation_records.hpp"
#include "thermo/pure/correlations.hpp"

namespace pure {

CurrentCorrelationSet XPSTAT;
double XPCAUX = 0.0;
IdealGasCache XPCWRD;

namespace {

constexpr std::string_view kSubsystem = "XP";
constexpr std::int32_t kHeaderSector = 1;
constexpr std::int32_t kListSector = 2;
constexpr std::int32_t kRecordSector = 3;
constexpr std::int32_t kRealSector = 1;
constexpr std::int32_t kCorrelationSectors = 3;
constexpr std::int32_t kTablePointLimit = 999;

// Makes the buffer hold at least REALS 8-byte words; a buffer given by the open is kept and
// a new one of the correlation routines' own is got beside it.
void ensureBuffer(std::int32_t reals) {
  if (XPSTAT.bufferArea != services::NOCORE && XPSTAT.bufferReals >= reals) return;
  if (XPSTAT.ownsBuffer) storage::CMFRER(XPSTAT.bufferArea);
  XPSTAT.bufferArea = storage::ICMGTR(reals, 0);
  XPSTAT.bufferReals = reals;
  XPSTAT.ownsBuffer = true;
}

// Reads the block of LENGTH words at disk address ADDRESS into the buffer and makes it the
// current sub-block.
void readBlock(std::int32_t length, std::int32_t address) {
  ensureBuffer((length + 1) / 2);
  storage::SBWRD(storage::IPDTOI(XPSTAT.bufferArea), length, address);
}

}  // namespace

void resetCorrelationState() {
  XPSTAT = CurrentCorrelationSet{};
  XPCAUX = 0.0;
  XPCWRD.temperature = services::DMISS;
  XPCWRD.derivativeTemperature = services::DMISS;
  XPCWRD.methodSet = services::IMISS;
  XPCWRD.valueArray = services::NOCORE;
  XPCWRD.derivativeArray = services::NOCORE;
}

namespace {

// At each problem open: nothing held, and the correlation-set blocks read into the open's
// real work area 2.
void startAtOpen() {
  resetCorrelationState();
  XPSTAT.bufferArea = problem::MDLBAS.realBase(problem::kCorrelationSetArea);
  XPSTAT.bufferReals = problem::MDLBAS.realSize(problem::kCorrelationSetArea);
  XPSTAT.ownsBuffer = false;
}

const bool kStartsAtOpen = services::registerKeptValues(&startAtOpen);

}  // namespace

void publishCurrentSet(std::int32_t ixptyp, std::int32_t nxpset) {
  using storage::SBCUR;
  using storage::SectorKind;
  constexpr std::string_view caller = "XPSETF";
  if (SBCUR.count(SectorKind::Integer) < kCorrelationSectors ||
      SBCUR.count(SectorKind::Real) < kRealSector) {
    records::invalid(caller, "SECTORS", SBCUR.count(SectorKind::Integer),
                     SBCUR.count(SectorKind::Real));
  }
  CurrentCorrelationSet next = XPSTAT;
  next.headerStart = SBCUR.pointer(SectorKind::Integer, kHeaderSector);
  next.listStart = SBCUR.pointer(SectorKind::Integer, kListSector);
  next.recordStart = SBCUR.pointer(SectorKind::Integer, kRecordSector);
  next.realStart = SBCUR.pointer(SectorKind::Real, kRealSector);
  next.realLength = SBCUR.length(SectorKind::Real, kRealSector);
  if (SBCUR.length(SectorKind::Integer, kHeaderSector) < xpshdr::kHeaderWords) {
    records::invalid(caller, "HEADER", SBCUR.length(SectorKind::Integer, kHeaderSector), 0);
  }
  const std::int32_t listLength = SBCUR.length(SectorKind::Integer, kListSector);
  const std::int32_t recordWords = SBCUR.length(SectorKind::Integer, kRecordSector);
  const auto headerWord = [&](std::int32_t w) { return storage::CORSTO[next.headerStart + w]; };
  next.listCount = headerWord(xpshdr::kListCount);
  next.recordCount = headerWord(xpshdr::kRecordCount);
  next.recordLength = headerWord(xpshdr::kRecordLength);
  next.coefficientOffset = headerWord(xpshdr::kCoefficientOffset);

  // The header must describe records that lie inside the sectors.
  if (next.listCount < 0 || next.listCount > listLength) {
    records::invalid(caller, "LIST", next.listCount, listLength);
  }
  if (next.recordCount < 0 || next.recordCount > next.listCount) {
    records::invalid(caller, "RECORDS", next.recordCount, next.listCount);
  }
  if (next.recordLength < xpcrec::kIntegerWords ||
      static_cast<std::int64_t>(next.recordCount) * next.recordLength > recordWords) {
    records::invalid(caller, "REC LEN", next.recordLength, recordWords);
  }
  if (next.coefficientOffset < 0) records::invalid(caller, "COEF OFF", next.coefficientOffset, 0);
  next.type = ixptyp;
  next.set = nxpset;
  next.listGeneration = problem::XPSETL.generation;
  XPSTAT = next;
}

bool hasCorrelationSet(std::int32_t ixptyp, std::int32_t nxpset) {
  if (ixptyp == XPSTAT.type && nxpset == XPSTAT.set &&
      XPSTAT.listGeneration == problem::XPSETL.generation) {
    return true;
  }
  const std::int32_t key = ixptyp * problem::kCorrelationKeyScale + nxpset;
  const std::int32_t count = std::clamp(problem::XPSETL.count, 0, problem::kMaxCorrelationSets);
  for (std::int32_t i = 1; i <= count; ++i) {
    if (problem::XPSETL.keys(static_cast<std::size_t>(i)) == key) return true;
  }
  return false;
}

void XPSETF(std::int32_t ixptyp, std::int32_t nxpset, std::int32_t /*unused*/,
            std::int32_t& found) {
  if (ixptyp == XPSTAT.type && nxpset == XPSTAT.set &&
      XPSTAT.listGeneration == problem::XPSETL.generation) {
    found = ixptyp;
    return;
  }
  // The last entry with the key wins.
  const std::int32_t key = ixptyp * problem::kCorrelationKeyScale + nxpset;
  const std::int32_t count = std::clamp(problem::XPSETL.count, 0, problem::kMaxCorrelationSets);
  found = 0;
  for (std::int32_t i = 1; i <= count; ++i) {
    if (problem::XPSETL.keys(static_cast<std::size_t>(i)) == key) found = i;
  }
  if (found == 0) return;

  const auto entry = static_cast<std::size_t>(found);
  const std::int32_t length = problem::XPSETL.lengths(entry);
  if (length <= 0) records::invalid("XPSETF", "BLK LEN", length, found);
  readBlock(length, problem::XPSETL.addresses(entry));
  publishCurrentSet(ixptyp, nxpset);
}

double componentConstant(problem::ComponentReal sector, std::int32_t comp) {
  const std::int32_t start = problem::COPTRS.realSector(sector);
  if (start == services::NOCORE || start == services::IMISS || comp < 1) return services::RMISS;
  return storage::CORSTO.real(start + comp);
}

// ---------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------

namespace records {

[[noreturn]] void invalid(std::string_view caller, std::string_view what, std::int32_t a,
                          std::int32_t b) {
  services::ERRITM(what, a);
  services::ERRITM("VALUE", b);
  services::ERRITM("IXPTYP", XPSTAT.type);
  services::ERRITM("NXPSET", XPSTAT.set);
  services::ABTRPT(kSubsystem, caller, caller, "CORRELATION SET BLOCK INVALID");
}

std::int32_t Record::logBase() const { return std::max((basis / kFormScale) % kUnitScale, 1); }

std::int32_t listEntry(std::int32_t k) { return storage::CORSTO[XPSTAT.listStart + k]; }

std::int32_t positionOf(std::int32_t comp) {
  for (std::int32_t k = 1; k <= XPSTAT.listCount; ++k) {
    if (listEntry(k) == comp) return k;
  }
  return 0;
}

Record read(std::int32_t p) {
  Record r;
  r.position = p;
  r.component = listEntry(p);
  const std::int32_t base = XPSTAT.recordStart + (p - 1) * XPSTAT.recordLength;
  r.code = storage::CORSTO[base + xpcrec::kCodeWord];
  if (!r.hasCorrelation()) return r;
  r.basis = storage::CORSTO[base + xpcrec::kBasisWord];
  r.count = storage::CORSTO[base + xpcrec::kCountWord];
  r.realOffset = storage::CORSTO[base + xpcrec::kRealOffsetWord];
  if (r.realOffset < 0 || r.realOffset > XPSTAT.realLength - xpcrec::kHeaderReals) {
    invalid("XPCALC", "ROFF", r.realOffset, p);
  }
  return r;
}

double real(const Record& record, std::int32_t w) {
  return storage::CORSTO.real(XPSTAT.realStart + record.realOffset + w);
}

std::int32_t coefficients(const Record& record, std::span<double, kMaxCoefficients> coef) {
  std::fill(coef.begin(), coef.end(), 0.0);
  const std::int32_t n = record.count;
  const std::int32_t first = record.realOffset + XPSTAT.coefficientOffset;
  if (n < 0 || n > kMaxCoefficients || first > XPSTAT.realLength - n) {
    invalid("XPCALC", "NOCOEF", n, record.position);
  }
  for (std::int32_t k = 1; k <= n; ++k) {
    coef[static_cast<std::size_t>(k - 1)] = storage::CORSTO.real(XPSTAT.realStart + first + k);
  }
  return n;
}

double Table::temperature(std::int32_t j) const {
  return storage::CORSTO.real(XPSTAT.realStart + temperatureOffset + j);
}

double Table::value(std::int32_t j) const {
  return storage::CORSTO.real(XPSTAT.realStart + valueOffset + j);
}

Table table(const Record& record) {
  Table t;
  t.points = record.count % kUnitScale;
  t.temperatureOffset = record.count / kUnitScale;
  t.valueOffset = record.realOffset + XPSTAT.coefficientOffset;
  if (t.points < 1 || t.points > kTablePointLimit || t.temperatureOffset < 0 ||
      t.temperatureOffset > XPSTAT.realLength - t.points ||
      t.valueOffset > XPSTAT.realLength - t.points) {
    invalid("XPCALC", "TABLE", record.count, record.position);
  }
  return t;
}

}  // namespace records
}  // namespace pure
