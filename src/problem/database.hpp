// The problem and support databases: their open and close, the current case, and the
// records of every keyed table they hold.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "problem/table_pattern.hpp"
#include "services/fixed_text.hpp"
#include "services/markers.hpp"
#include "services/one_based.hpp"
#include "storage/disk_pointer.hpp"

namespace problem {

// =======================================================================================
// The open databases
// =======================================================================================

// Open modes: a close writes back only when the mode is not read-only.
inline constexpr std::int32_t kReadOnly = 10;
inline constexpr std::int32_t kReadWrite = 20;

// File groups of the two databases.
inline constexpr std::int32_t kProblemGroup = 21;
inline constexpr std::int32_t kSupportGroup = 3;

inline constexpr std::int32_t kOldRecordWords = 250;
inline constexpr std::int32_t kGlobalWords = 100;

// The case loaded when the database names none.
inline constexpr std::string_view kBaseCase = "BASECASE";

// An OLD record: a shortcut block of 250 integers.
using OldRecord = Shortcut<kOldRecordWords, 0, 0, 0>;

// DBSESS: the open problem database.
struct ProblemSession {
  std::int32_t sequence = 0;
  std::int32_t mode = 0;  // DBMODE of the problem database
  storage::DiskPointer masterPointer = storage::emptyDiskPointer();
  std::array<std::int32_t, kProblemMasterWords> master{};
  // The CASE table: a shortcut block holding the case index's pointer.
  Shortcut<0, 0, 1, 0> caseTable;
  std::int32_t caseIndex = services::NOCORE;
  services::FixedText<12> caseName;  // blank: no case loaded
  storage::DiskPointer caseMasterPointer = storage::emptyDiskPointer();
  std::array<std::int32_t, kProblemMasterWords> caseMaster{};
  // Table GLOBAL, read straight into its image.
  Shortcut<0, 0, 0, 0> globalTable;
  std::array<std::int32_t, kGlobalWords> global{};
};
extern ProblemSession DBSESS;

// DBSUPS: the open support database.
struct SupportSession {
  std::int32_t sequence = 0;
  std::int32_t mode = 0;
  storage::DiskPointer masterPointer = storage::emptyDiskPointer();
  std::array<std::int32_t, kSupportMasterWords> master{};
};
extern SupportSession DBSUPS;

// OLDGLB: the problem's OLD record. Words 1-3 the case to load; 41, 42 length and address of
// the correlation-set list; 56-59 lengths and addresses of the two parameter records.
extern OldRecord OLDGLB;
// OLDCAS: the current case's OLD record; word 5 the case's solution flag.
extern OldRecord OLDCAS;

// Opens the problem database NAME (without its file digit) on unit word UNITW: header check,
// master block, case index and every global table. MODE 20 read-write.
std::int32_t DBOPEN(std::int32_t unitw, std::string_view name, std::int32_t opt,
                    std::int32_t mode);
// Saves the current case and writes every global table, the case index and the master
// block back (read-write), or releases them (read-only); then detaches with CLOSEOPT.
std::int32_t DBCLOS(std::int32_t closeopt);
// Opens the support database NAME (MODE 10) and reads DM1 and VI.
std::int32_t DBSOPN(std::int32_t unitw, std::string_view name, std::int32_t opt,
                    std::int32_t mode);
std::int32_t DBSCLS(std::int32_t closeopt);

// Cases: the recorded case, a case by name (STATUS 1 when absent), the save of the current.
std::int32_t DBCASE();
std::int32_t DBCSEL(std::string_view name, std::int32_t opt, std::int32_t& status);
std::int32_t DBCSAV();
// Empties the eight case tables and the case OLD record, and makes no entity current: the
// state of a database without a loaded case. The open starts from it, so that a case that is
// not found leaves nothing of an earlier problem's case (core indexes of an earlier run above
// all) to be read or written.
void clearCaseTables();

// =======================================================================================
// Table records
// =======================================================================================

inline constexpr std::int32_t kGomEntries = 100;

// Table GOM: an index of entries with sub-blocks of their own, loaded only by callers.
struct GomTable {
  Shortcut<0, 0, 1, 0> shortcut;
  std::int32_t index = services::NOCORE;
  std::int32_t count = 0;
  services::OneBased<std::int32_t, kGomEntries> loaded;
  services::OneBased<std::int32_t, kGomEntries> entry;
  services::OneBased<std::int32_t, kGomEntries> core;  // ICMGTI index + 16
  services::OneBased<std::int32_t, kGomEntries> writeOrder;
};

// Table BP: named entries and the value sub-block.
struct BpTable {
  Shortcut<1, 0, 2, 12> shortcut;
  std::int32_t index = services::NOCORE;
  HeldBlock values;
  services::FixedText<12> currentEntry;
  HeldBlock second;
};

// Table RG: two indexes of names.
struct RgTable {
  Shortcut<0, 0, 2, 0> shortcut;
  std::array<std::int32_t, 2> indexes{services::NOCORE, services::NOCORE};
};

// An option table: its table copy and the master-block integer.
template <std::size_t NI, std::size_t NR, std::size_t NC>
struct OptionTable {
  Shortcut<NI, NR, 0, NC> copy;
};

// Case tables CS, LP, RW and SQ.
struct CsTable {
  Shortcut<0, 0, 1, 0> shortcut;
  HeldBlock block;
};
struct LpTable {
  Shortcut<1, 0, 2, 0> shortcut;
  HeldBlock block;
  std::int32_t index = services::NOCORE;
  std::int32_t slots = services::NOCORE;
};
inline constexpr std::int32_t kRwWords = 163;
struct RwTable {
  Shortcut<0, 0, 1, 0> shortcut;
  services::OneBased<std::int32_t, kRwWords> words;
};
struct SqTable {
  Shortcut<0, 0, 3, 0> shortcut;
  std::array<HeldBlock, 3> blocks;
};

// Support table VI and the three data sets.
struct ViTable {
  Shortcut<0, 0, 1, 0> shortcut;
  std::int32_t index = services::NOCORE;
};
struct Dm1Table {
  Shortcut<0, 0, 7, 0> shortcut;
  HeldBlock settings;                         // sub-block 6
  std::int32_t labelIndex = services::NOCORE; // the unit-code label index
};
struct Dm2Table {
  Shortcut<0, 0, 9, 0> shortcut;
  std::array<HeldBlock, 4> blocks;  // sub-blocks 6 to 9
};
struct ZnTable {
  Shortcut<0, 0, 2, 0> shortcut;
  std::int32_t index = services::NOCORE;
  HeldBlock block;
};

// DBHNDL: the table records of the open databases.
struct TableHandles {
  GomTable gom;
  BpTable bp;
  RgTable rg;
  OptionTable<30, 2, 0> gcl;
  OptionTable<20, 0, 0> gdb;
  OptionTable<200, 0, 0> gdp;
  OptionTable<80, 6, 24> gpr;
  OptionTable<8, 4, 24> gsc;
  OptionTable<2, 0, 1464> gti;
  OptionTable<0, 26, 0> gto;
  CsTable cs;
  LpTable lp;
  RwTable rw;
  SqTable sq;
  ViTable vi;
  Dm1Table dm1;
  Dm2Table dm2;
  ZnTable zn;
  std::int32_t componentsInUse = 0;  // status-list entries of CO whose status is 2
};
extern TableHandles DBHNDL;

// The component table CO.
inline constexpr std::int32_t kComponentPointers = 15;
struct CoTable {
  Shortcut<0, 0, kComponentPointers, 0> shortcut;
  // Held sub-blocks: 1 the pure-component data, 2 further data, 3 the header, 4 optional
  // reals, 13-15 further sub-blocks (by pointer number; others unused).
  services::OneBased<HeldBlock, kComponentPointers> blocks;
  std::int32_t list1 = services::NOCORE;
  std::int32_t list2 = services::NOCORE;
  std::int32_t statusList = services::NOCORE;
  std::int32_t slots1 = services::NOCORE;
  std::int32_t slots2 = services::NOCORE;
  std::array<std::int32_t, 3> paged{services::NOCORE, services::NOCORE, services::NOCORE};
};

// The effective values of table BP.
struct BpValues {
  services::OneBased<std::int32_t, 7> integers;
  services::OneBased<double, 2> reals;
};

// The method sets that the vapour-pressure properties use in place of a stream's own set,
// read with the parameter records at open; 0 or below: the stream's own set.
struct VapourPressureSets {
  std::int32_t trueVapour = 0;  // the TVP at 100 F and at the TVP reference temperature
  std::int32_t reidFlash = 0;   // the flashes of the Reid pressure methods 3 to 6
};

// DBGLOB: the component table, the BP values and the vapour-pressure method sets.
struct GlobalTables {
  CoTable co;
  BpValues bpvals;
  VapourPressureSets vapourPressureSets;
};
extern GlobalTables DBGLOB;

// The user-property blocks of the component table: the core area and sector pointers of the
// block of each kind last created or read.
struct UserPropertyBlock {
  HeldBlock block;
  std::int32_t points = 0;
  services::OneBased<std::int32_t, 6> integerSectors;
  std::int32_t pointerSector = 0;
};
struct UserProperties {
  std::array<UserPropertyBlock, 2> kinds;  // kinds 1 and 2
};
extern UserProperties USRPRP;

// Tables of the CS items, reactions and specifications.
struct NcTable {
  Shortcut<1, 0, 1, 0> shortcut;
  std::int32_t index = services::NOCORE;
  std::int32_t slots = services::NOCORE;
};
struct RxTable {
  Shortcut<1, 0, 2, 0> shortcut;
  std::int32_t setIndex = services::NOCORE;
  std::int32_t reactionIndex = services::NOCORE;
  std::int32_t slots = services::NOCORE;
};
struct VsTable {
  Shortcut<1, 0, 1, 0> shortcut;
  std::int32_t index = services::NOCORE;
  std::int32_t slots = services::NOCORE;
};

// SLOTCT: the CS-item, reaction and specification tables.
struct SlotTables {
  NcTable nc;
  RxTable rx;
  VsTable vs;
};
extern SlotTables SLOTCT;

// Table SR: the streams. Its 23 integers are SRTABI: word 1 the counter of automatic names,
// word 2 the main-record length, words 3-14 the sizing values of the record types.
inline constexpr std::int32_t kStreamRecordTypes = 31;
inline constexpr std::int32_t kStreamTableWords = 23;
struct SrTable {
  Shortcut<kStreamTableWords, 0, 1, 0> shortcut;
  std::int32_t index = services::NOCORE;
  std::int32_t mainSlots = services::NOCORE;
  services::OneBased<std::int32_t, kStreamRecordTypes> typeSlots;

  std::int32_t& srtabi(std::size_t k) { return shortcut.integers.at(k - 1); }
};
// SLOTC2: the stream table.
struct StreamTables {
  SrTable sr;
};
extern StreamTables SLOTC2;

// Table UN: the units, their data-block pointers and descriptions, and the unit work areas.
inline constexpr std::int32_t kUnitTableWords = 100;
struct UnTable {
  Shortcut<kUnitTableWords, 0, 3, 0> shortcut;
  std::int32_t index = services::NOCORE;
  std::int32_t slots = services::NOCORE;
  std::int32_t dataBlocks = services::NOCORE;    // paged block of disk pointers
  std::int32_t descriptions = services::NOCORE;  // paged block of 40-character texts
  std::array<HeldBlock, 2> work;                 // the two unit work areas
  std::int32_t workWord = 0;                     // a word of the unit work area; 100 at load
};
// UNSLTC: the unit table.
struct UnitTableArea {
  UnTable un;
};
extern UnitTableArea UNSLTC;

// Table TH: the method sets.
struct ThTable {
  Shortcut<0, 0, 4, 0> shortcut;
  HeldBlock settings;
  std::int32_t index = services::NOCORE;
  std::int32_t paged = services::NOCORE;
};
extern ThTable THIDX;

// THMISC: the core pointers of the TH settings sub-block's integer sectors 1 and 2 and real
// sector 1. Integer sector 2 element 1 is the water option, element 6 the default set.
struct MethodSetSettings {
  std::int32_t integerSector1 = services::NOCORE;
  std::int32_t integerSector2 = services::NOCORE;
  std::int32_t realSector1 = services::NOCORE;
};
extern MethodSetSettings THMISC;

// =======================================================================================
// Table routines. MBLEN and MB are the master block's length and image; OPT 0 gives every
// slot control its full slot count, any other value one slot.
// =======================================================================================

// Global tables of the problem database.
void DBRGOM(std::int32_t mblen, MasterBlock mb);
void DBWGOM(std::int32_t mblen, MasterBlock mb);
void DBWGM1(std::int32_t n);
void DBRBP(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBWBP(std::int32_t mblen, MasterBlock mb);
void DBXBP();
void DBLBP();
void DBRCO(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBWCO(std::int32_t mblen, MasterBlock mb);
void DBXCO();
void DBLCO(std::int32_t& count, std::int32_t& nstat);
void DBHCO1();
void DBHCO2();
void DBRNC(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBWNC(std::int32_t mblen, MasterBlock mb);
void DBXNC();
void DBHNC();
void DBRRG(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBWRG(std::int32_t mblen, MasterBlock mb);

// User-property blocks (IOPT 0 create, 1 read, 2 write) and the component status.
void DBUPRP(std::int32_t& n, std::int32_t iopt, std::int32_t kind, std::int32_t& len,
            std::int32_t& ptr, std::int32_t& ierr);
std::int32_t DBCOST(std::int32_t k);

// Option tables and GLOBAL.
void DBRGCL(std::int32_t mblen, MasterBlock mb);
void DBRGDB(std::int32_t mblen, MasterBlock mb);
void DBRGDP(std::int32_t mblen, MasterBlock mb);
void DBRGPR(std::int32_t mblen, MasterBlock mb);
void DBRGSC(std::int32_t mblen, MasterBlock mb);
void DBRGTI(std::int32_t mblen, MasterBlock mb);
void DBRGTO(std::int32_t mblen, MasterBlock mb);
void DBWGCL(std::int32_t mblen, MasterBlock mb);
void DBWGDB(std::int32_t mblen, MasterBlock mb);
void DBWGDP(std::int32_t mblen, MasterBlock mb);
void DBWGPR(std::int32_t mblen, MasterBlock mb);
void DBWGSC(std::int32_t mblen, MasterBlock mb);
void DBWGTI(std::int32_t mblen, MasterBlock mb);
void DBWGTO(std::int32_t mblen, MasterBlock mb);
void DBTGCL(std::int32_t mode);
void DBTGDB(std::int32_t mode);
void DBTGDP(std::int32_t mode);
void DBTGPR(std::int32_t mode);
void DBTGSC(std::int32_t mode);
void DBTGTI(std::int32_t mode);
void DBTGTO(std::int32_t mode);
void DBRGLB(std::int32_t mblen, MasterBlock mb, std::int32_t n, std::span<std::int32_t> array);
void DBWGLB(std::int32_t mblen, MasterBlock mb, std::int32_t n, std::span<std::int32_t> array);

// Method-set table TH and support table VI.
void DBRTH(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBWTH(std::int32_t mblen, MasterBlock mb);
void DBXTH();
void DBRVI(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBWVI(std::int32_t mblen, MasterBlock mb);
void DBXVI();

// Data sets DM1, DM2 and the problem's own, ZN.
void DM1GET(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DM1PUT(std::int32_t mblen, MasterBlock mb);
void DM1FRE();
void DM2GET(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DM2PUT(std::int32_t mblen, MasterBlock mb);
void DM2FRE();
void PBDGET(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void PBDPUT(std::int32_t mblen, MasterBlock mb);
void PBDFRE();

// Case tables.
void DBRCS(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBRLP(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBRRW(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBRRX(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBRSQ(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBRSR(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBRUN(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBRVS(std::int32_t mblen, MasterBlock mb, std::int32_t opt);
void DBWCS(std::int32_t mblen, MasterBlock mb);
void DBWLP(std::int32_t mblen, MasterBlock mb);
void DBWRW(std::int32_t mblen, MasterBlock mb);
void DBWRX(std::int32_t mblen, MasterBlock mb);
void DBWSQ(std::int32_t mblen, MasterBlock mb);
void DBWSR(std::int32_t mblen, MasterBlock mb);
void DBWUN(std::int32_t mblen, MasterBlock mb);
void DBWVS(std::int32_t mblen, MasterBlock mb);
void DBXCS(std::int32_t mblen, MasterBlock mb);
void DBXLP(std::int32_t mblen, MasterBlock mb);
void DBXRW(std::int32_t mblen, MasterBlock mb);
void DBXRX(std::int32_t mblen, MasterBlock mb);
void DBXSQ(std::int32_t mblen, MasterBlock mb);
void DBXSR(std::int32_t mblen, MasterBlock mb);
void DBXUN(std::int32_t mblen, MasterBlock mb);
void DBXVS(std::int32_t mblen, MasterBlock mb);
void DBRCS1(std::int32_t& status);
void DBHCS();
void DBHLP();
void DBHRX();
void DBHSR();
void DBHUN();
void DBHVS();

}  // namespace problem
