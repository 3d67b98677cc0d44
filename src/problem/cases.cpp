// The cases of the problem database: the case recorded in the database loaded at open, a
// case loaded by name, and the save of the current case. Each case has a master block of
// its own, named in the case index by the case name, whose keys lead to the eight case
// tables and the case's OLD record. One case at most is loaded at a time.
#include <array>
#include <cstdint>
#include <string_view>

#include "problem/database.hpp"
#include "problem/entity_contexts.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

constexpr std::int32_t kGet = static_cast<std::int32_t>(storage::EntryOption::Get);
constexpr std::int32_t kPut = static_cast<std::int32_t>(storage::EntryOption::Put);
constexpr std::int32_t kMustExist = 1;
constexpr std::int32_t kNameWords = 3;  // OLDGLB words 1-3: the case to load
constexpr std::size_t kCaseNameLength = 12;

// The case tables, in the order of loading and of saving.
using TableReader = void (*)(std::int32_t, MasterBlock, std::int32_t);
using TableWriter = void (*)(std::int32_t, MasterBlock);
constexpr std::array<TableReader, 8> kReaders{DBRCS, DBRLP, DBRRW, DBRRX,
                                              DBRSQ, DBRSR, DBRUN, DBRVS};
constexpr std::array<TableWriter, 8> kWriters{DBWCS, DBWLP, DBWRW, DBWRX,
                                              DBWSQ, DBWSR, DBWUN, DBWVS};
constexpr std::array<TableWriter, 8> kReleases{DBXCS, DBXLP, DBXRW, DBXRX,
                                               DBXSQ, DBXSR, DBXUN, DBXVS};

MasterBlock caseMaster() { return MasterBlock(DBSESS.caseMaster); }

}  // namespace

// Loads the case whose name words 1-3 of OLDGLB record (blank: "BASECASE"), with every slot
// control at its full count. An absent name leaves no case loaded.
std::int32_t DBCASE() {
  std::array<char, kCaseNameLength> name{};
  std::int32_t ierr = 0;
  storage::IWTOTX(name, std::span<const std::int32_t>(OLDGLB.integers).first(kNameWords),
                  kNameWords, ierr);
  std::int32_t status = 0;
  DBCSEL(std::string_view(name.data(), name.size()), 0, status);
  return 0;
}

// Saves the current case, then loads the case NAME: its master block, the eight case tables
// and its OLD record into OLDCAS.
//   name    in   the case name, 12 characters; blank: "BASECASE"
//   opt     in   0 full slot counts, any other value one slot per slot control
//   status  out  0 the case is loaded; 1 the name is not in the case index (no case loaded)
// Aborts: "CASE HAS NO MASTER BLOCK" (items "ENTRY", "STATUS") when the case's entry names
// no block; the table readers' aborts ("BLOCK IS NOT A SHORTCUT BLOCK" for a missing key).
std::int32_t DBCSEL(std::string_view name, std::int32_t opt, std::int32_t& status) {
  ProblemSession& session = DBSESS;
  // 1. The current case goes first.
  DBCSAV();

  // 2. The name; one longer than the index's names cannot be in it.
  std::string_view wanted = services::trimRight(name);
  if (wanted.empty()) wanted = kBaseCase;
  if (wanted.size() > kCaseNameLength) {
    status = 1;
    return 0;
  }

  // 3. The case index gives the master block's pointer.
  std::int32_t entry = 0;
  storage::DiskPointer pointer = storage::emptyDiskPointer();
  std::int32_t found = 0;
  storage::FBINAM(kGet, session.caseIndex, wanted, kMustExist, entry, pointer, {}, found);
  if (found != 0) {
    status = 1;
    return 0;
  }
  status = 0;

  // 4. The case master block. An entry without a block would leave the image of the case
  // before in place, whose tables would then be saved under this case's name.
  std::int32_t readStatus = 0;
  storage::SBRDA(kProblemMasterWords, session.caseMaster, pointer, readStatus);
  if (readStatus != 0) {
    services::ERRITM("ENTRY", entry);
    services::ERRITM("STATUS", readStatus);
    services::ABTRPT("DB", "DBCSEL", "DBCSEL", "CASE HAS NO MASTER BLOCK");
  }
  session.caseMasterPointer = pointer;

  // 5-7. The name, the eight tables and the OLD record.
  session.caseName.assign(wanted);
  for (const TableReader reader : kReaders) reader(kProblemMasterWords, caseMaster(), opt);
  readShortcut(kProblemMasterWords, caseMaster(), "OLD", OLDCAS);
  return 0;
}

// Saves the current case: read-write, its OLD record, the eight tables, its master block
// and its entry in the case index are written; read-only (mode 10), the tables are dropped
// without a write. No case loaded: nothing happens.
// Aborts: "CASE IS NOT IN THE CASE INDEX" when the loaded case's entry has gone; the
// writers' block-layer aborts.
std::int32_t DBCSAV() {
  ProblemSession& session = DBSESS;
  if (session.caseName.isBlank()) return 0;
  if (session.mode == kReadOnly) {
    for (const TableWriter release : kReleases) release(kProblemMasterWords, caseMaster());
  } else {
    // The OLD record, then the tables, then the master block that names them all.
    storage::MBGET(kProblemMasterWords, caseMaster(), "OLD", OLDCAS.masterValue, OLDCAS.pointer);
    writeShortcut(kProblemMasterWords, caseMaster(), "OLD", OLDCAS);
    for (const TableWriter writer : kWriters) writer(kProblemMasterWords, caseMaster());
    std::int32_t status = 0;
    storage::SBWTA(kProblemMasterWords, session.caseMaster, session.caseMasterPointer, status);
    std::int32_t entry = 0;
    std::int32_t found = 0;
    storage::FBINAM(kPut, session.caseIndex, session.caseName.view(), kMustExist, entry,
                    session.caseMasterPointer, {}, found);
    if (found != 0) {
      services::ERRITM("STATUS", found);
      services::ABTRPT("DB", "DBCSAV", "DBCSAV", "CASE IS NOT IN THE CASE INDEX");
    }
  }
  session.caseName.blank();
  return 0;
}

void clearCaseTables() {
  DBHNDL.cs = CsTable{};
  DBHNDL.lp = LpTable{};
  DBHNDL.rw = RwTable{};
  DBHNDL.sq = SqTable{};
  SLOTCT.rx = RxTable{};
  SLOTCT.vs = VsTable{};
  SLOTC2.sr = SrTable{};
  UNSLTC.un = UnTable{};
  OLDCAS = OldRecord{};
  RXCUR.context1.reaction = 0;
  RXCUR.context2.reaction = 0;
  SRPSET.set1.stream = 0;
  SRPSET.set2.stream = 0;
  UNCURR.context1.unit = 0;
  UNCURR.context2.unit = 0;
  UNCURR.context3.unit = 0;
  PAUWRK.context2.unit = 0;
  SPCUR.item = 0;
}

}  // namespace problem
