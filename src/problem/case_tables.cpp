// The case tables that hold case sub-blocks and words: CS, LP, RW and SQ. Each is read when
// a case is loaded, written when it is saved and released when a read-only problem lets the
// case go; the contents of their sub-blocks belong to the program that builds the case and
// are carried through unchanged.
#include <cstdint>

#include "problem/database.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

constexpr std::int32_t kRead = 1;
constexpr std::int32_t kWrite = 2;

// The LP index: 12-character names, one data word; its records cached in one slot control.
constexpr IndexShape kLpIndex{6, 12, 1, 20, 2};
constexpr std::int32_t kLpSlotLevel = 2;
constexpr std::int32_t kLpSlotHier = 2;
constexpr std::int32_t kLpSlots = 5;

}  // namespace

// ---------------------------------------------------------------------------------------
// CS: one case sub-block (pointer 1)
// ---------------------------------------------------------------------------------------

// Reads table CS of the case master block MB (MBLEN words) and its sub-block. OPT unused.
// Aborts: "BLOCK IS NOT A SHORTCUT BLOCK" when MB lacks the key.
void DBRCS(std::int32_t mblen, MasterBlock mb, std::int32_t /*opt*/) {
  CsTable& cs = DBHNDL.cs;
  readShortcut(mblen, mb, "CS", cs.shortcut);
  cs.block = HeldBlock{};
  std::int32_t status = 0;
  DBRCS1(status);
}

// Reads the CS sub-block into a new core area.
//   status  out  0 the sub-block was read; 1 the table has none (nothing held)
void DBRCS1(std::int32_t& status) {
  CsTable& cs = DBHNDL.cs;
  readHeld(cs.block, cs.shortcut.pointerAt(1));
  status = cs.block.held() ? 0 : 1;
}

// Writes the CS sub-block held in core to its pointer when its length is above 0; the
// area stays held.
void DBHCS() {
  CsTable& cs = DBHNDL.cs;
  if (cs.block.length <= 0 || !cs.block.held()) return;
  std::int32_t status = 0;
  storage::SBWTC(cs.block.length, cs.block.core, cs.shortcut.pointerAt(1), status);
}

// Writes table CS: the held sub-block (then freed) and the shortcut, entered in MB under
// "CS" when its pointer moved.
void DBWCS(std::int32_t mblen, MasterBlock mb) {
  CsTable& cs = DBHNDL.cs;
  if (cs.block.held()) {
    DBHCS();
    releaseHeld(cs.block);
  }
  writeShortcut(mblen, mb, "CS", cs.shortcut);
}

// Frees the CS sub-block without writing.
void DBXCS(std::int32_t /*mblen*/, MasterBlock /*mb*/) { releaseHeld(DBHNDL.cs.block); }

// ---------------------------------------------------------------------------------------
// LP: a case sub-block (pointer 1) and an index (pointer 2) with its slot control
// ---------------------------------------------------------------------------------------

// Reads table LP: the sub-block, the index and a slot control of 5 slots (1 when OPT is not
// 0). Aborts: "BLOCK IS NOT A SHORTCUT BLOCK" when MB lacks the key; the index aborts of
// FBIBEG for a stored index of other sizes.
void DBRLP(std::int32_t mblen, MasterBlock mb, std::int32_t opt) {
  LpTable& lp = DBHNDL.lp;
  readShortcut(mblen, mb, "LP", lp.shortcut);
  readHeld(lp.block, lp.shortcut.pointerAt(1));
  openIndex(lp.index, kLpIndex, lp.shortcut.pointerAt(2));
  createSlots(lp.slots, kLpSlotLevel, kLpSlotHier, kLpSlots, opt);
}

// Writes the changed LP records held in the slot control back to their index entries.
void DBHLP() { writeBackSlots(DBHNDL.lp.index, DBHNDL.lp.slots); }

// Writes table LP: sub-block, changed records, index and shortcut.
void DBWLP(std::int32_t mblen, MasterBlock mb) {
  LpTable& lp = DBHNDL.lp;
  writeHeld(lp.block, lp.shortcut.pointerAt(1));
  DBHLP();
  killSlots(lp.slots);
  closeIndex(lp.index, lp.shortcut.pointerAt(2));
  writeShortcut(mblen, mb, "LP", lp.shortcut);
}

// Drops table LP without writing.
void DBXLP(std::int32_t /*mblen*/, MasterBlock /*mb*/) {
  LpTable& lp = DBHNDL.lp;
  releaseHeld(lp.block);
  killSlots(lp.slots);
  clearIndex(lp.index);
}

// ---------------------------------------------------------------------------------------
// RW: a flat integer block of 163 words, read into the RW words
// ---------------------------------------------------------------------------------------

// Reads table RW into DBHNDL.rw.words. OPT unused. Aborts: "BLOCK IS NOT A SHORTCUT BLOCK"
// when MB lacks the key, "BLOCK IS NOT A FLAT INTEGER BLOCK" when the table has no block.
void DBRRW(std::int32_t mblen, MasterBlock mb, std::int32_t /*opt*/) {
  RwTable& rw = DBHNDL.rw;
  readShortcut(mblen, mb, "RW", rw.shortcut);
  std::int32_t status = 0;
  storage::FBFINT(kRead, rw.shortcut.pointerAt(1), kRwWords, rw.words.span(), status);
}

// Writes the RW words and the shortcut.
void DBWRW(std::int32_t mblen, MasterBlock mb) {
  RwTable& rw = DBHNDL.rw;
  std::int32_t status = 0;
  storage::FBFINT(kWrite, rw.shortcut.pointerAt(1), kRwWords, rw.words.span(), status);
  writeShortcut(mblen, mb, "RW", rw.shortcut);
}

// The RW words hold nothing in the core store: the release leaves them as they are.
void DBXRW(std::int32_t /*mblen*/, MasterBlock /*mb*/) {}

// ---------------------------------------------------------------------------------------
// SQ: three case sub-blocks
// ---------------------------------------------------------------------------------------

// Reads table SQ and each of its three sub-blocks that exists. OPT unused.
void DBRSQ(std::int32_t mblen, MasterBlock mb, std::int32_t /*opt*/) {
  SqTable& sq = DBHNDL.sq;
  readShortcut(mblen, mb, "SQ", sq.shortcut);
  for (std::size_t k = 1; k <= sq.blocks.size(); ++k) {
    readHeld(sq.blocks[k - 1], sq.shortcut.pointerAt(k));
  }
}

// Writes the SQ sub-blocks held (length above 0), then the shortcut.
void DBWSQ(std::int32_t mblen, MasterBlock mb) {
  SqTable& sq = DBHNDL.sq;
  for (std::size_t k = 1; k <= sq.blocks.size(); ++k) {
    if (sq.blocks[k - 1].length > 0) writeHeld(sq.blocks[k - 1], sq.shortcut.pointerAt(k));
  }
  writeShortcut(mblen, mb, "SQ", sq.shortcut);
}

// Frees the SQ sub-blocks held without writing.
void DBXSQ(std::int32_t /*mblen*/, MasterBlock /*mb*/) {
  for (HeldBlock& block : DBHNDL.sq.blocks) releaseHeld(block);
}

}  // namespace problem
