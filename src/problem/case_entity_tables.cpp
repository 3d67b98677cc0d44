// The case tables of the entity classes: RX (reactions and reaction sets), SR (streams), UN
// (units) and VS (specifications). Their readers open the entity indexes and create the slot
// controls through which the classes find and cache their records, and clear the current-
// entity words; their writers write the changed records back and close the indexes; their
// release routines drop everything without writing.
#include <cstdint>

#include "problem/database.hpp"
#include "problem/entity_contexts.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

// A slot control's options and its slot count (OPT not 0: one slot).
struct SlotShape {
  std::int32_t level, hier, slots;
};

constexpr IndexShape kReactionSetIndex{6, 12, 1, 10, 1};
constexpr IndexShape kReactionIndex{6, 24, 4, 20, 2};  // reaction + set identifier
constexpr SlotShape kReactionSlots{2, 0, 20};

constexpr IndexShape kStreamIndex{6, 12, 1, 2000, 1};
constexpr SlotShape kStreamSlots{2, 2, 30};
constexpr SlotShape kStreamTypeSlots{1, 1, 2};  // one per secondary record type

constexpr IndexShape kUnitIndex{6, 12, 2, 20, 5};
constexpr SlotShape kUnitSlots{2, 2, 5};
constexpr auto kPointerEntries = static_cast<std::int32_t>(storage::PagedType::Pointer);
constexpr auto kTextEntries = static_cast<std::int32_t>(storage::PagedType::Text);
constexpr PagedShape kUnitDataBlocks{kPointerEntries, 0, 20, 5};  // entries of 9 words
constexpr PagedShape kUnitDescriptions{kTextEntries, 40, 20, 5};
// The word of the unit work area that a case load sets.
constexpr std::int32_t kUnitWorkWordAtLoad = 100;

constexpr IndexShape kSpecificationIndex{6, 12, 1, 20, 5};
constexpr SlotShape kSpecificationSlots{2, 2, 20};

void create(std::int32_t& handle, const SlotShape& shape, std::int32_t opt) {
  createSlots(handle, shape.level, shape.hier, shape.slots, opt);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// RX: reaction sets (pointer 1) and reactions (pointer 2)
// ---------------------------------------------------------------------------------------

// Reads table RX: both indexes, the reaction slot control of 20 slots (1 when OPT is not 0);
// no reaction is current afterwards. Aborts: "BLOCK IS NOT A SHORTCUT BLOCK" when MB lacks
// the key; the FBIBEG aborts for stored indexes of other sizes.
void DBRRX(std::int32_t mblen, MasterBlock mb, std::int32_t opt) {
  RxTable& rx = SLOTCT.rx;
  readShortcut(mblen, mb, "RX", rx.shortcut);
  openIndex(rx.setIndex, kReactionSetIndex, rx.shortcut.pointerAt(1));
  openIndex(rx.reactionIndex, kReactionIndex, rx.shortcut.pointerAt(2));
  create(rx.slots, kReactionSlots, opt);
  RXCUR.context1.reaction = 0;
  RXCUR.context2.reaction = 0;
}

// Writes the changed reaction records held in the slot control back.
void DBHRX() { writeBackSlots(SLOTCT.rx.reactionIndex, SLOTCT.rx.slots); }

// Writes table RX: changed reactions, both indexes and the shortcut.
void DBWRX(std::int32_t mblen, MasterBlock mb) {
  RxTable& rx = SLOTCT.rx;
  DBHRX();
  killSlots(rx.slots);
  closeIndex(rx.setIndex, rx.shortcut.pointerAt(1));
  closeIndex(rx.reactionIndex, rx.shortcut.pointerAt(2));
  writeShortcut(mblen, mb, "RX", rx.shortcut);
}

// Drops table RX without writing.
void DBXRX(std::int32_t /*mblen*/, MasterBlock /*mb*/) {
  RxTable& rx = SLOTCT.rx;
  killSlots(rx.slots);
  clearIndex(rx.setIndex);
  clearIndex(rx.reactionIndex);
}

// ---------------------------------------------------------------------------------------
// SR: the stream index (pointer 1), the main slot control and one slot control per
// secondary record type; its integers are SRTABI
// ---------------------------------------------------------------------------------------

// Reads table SR: the stream index, the main slot control of 30 slots and the 31 record-
// type slot controls of 2 slots (1 each when OPT is not 0); no stream is current in either
// pointer set afterwards. Aborts as DBRRX.
void DBRSR(std::int32_t mblen, MasterBlock mb, std::int32_t opt) {
  SrTable& sr = SLOTC2.sr;
  readShortcut(mblen, mb, "SR", sr.shortcut);
  openIndex(sr.index, kStreamIndex, sr.shortcut.pointerAt(1));
  create(sr.mainSlots, kStreamSlots, opt);
  for (std::size_t t = 1; t <= sr.typeSlots.size(); ++t) {
    create(sr.typeSlots(t), kStreamTypeSlots, opt);
  }
  SRPSET.set1.stream = 0;
  SRPSET.set2.stream = 0;
}

// Writes the changed main stream records back; the secondary records are written by their
// own paging, not here.
void DBHSR() { writeBackSlots(SLOTC2.sr.index, SLOTC2.sr.mainSlots); }

// Writes table SR: changed main records, the slot controls dropped, the index and the
// shortcut with SRTABI.
void DBWSR(std::int32_t mblen, MasterBlock mb) {
  SrTable& sr = SLOTC2.sr;
  DBHSR();
  killSlots(sr.mainSlots);
  for (std::size_t t = 1; t <= sr.typeSlots.size(); ++t) killSlots(sr.typeSlots(t));
  closeIndex(sr.index, sr.shortcut.pointerAt(1));
  writeShortcut(mblen, mb, "SR", sr.shortcut);
}

// Drops table SR without writing.
void DBXSR(std::int32_t /*mblen*/, MasterBlock /*mb*/) {
  SrTable& sr = SLOTC2.sr;
  killSlots(sr.mainSlots);
  for (std::size_t t = 1; t <= sr.typeSlots.size(); ++t) killSlots(sr.typeSlots(t));
  clearIndex(sr.index);
}

// ---------------------------------------------------------------------------------------
// UN: the unit index (pointer 1), the paged block of the units' data-block pointers
// (pointer 2) and of their 40-character descriptions (pointer 3)
// ---------------------------------------------------------------------------------------

// Reads table UN: the index, the unit slot control of 5 slots (1 when OPT is not 0) and both
// paged blocks; the unit work areas are empty, no unit is current in any context nor
// described by the work-area descriptors, and the unit work word is 100. Aborts as DBRRX,
// and the FBPBEG aborts for stored paged blocks of other shapes.
void DBRUN(std::int32_t mblen, MasterBlock mb, std::int32_t opt) {
  UnTable& un = UNSLTC.un;
  readShortcut(mblen, mb, "UN", un.shortcut);
  openIndex(un.index, kUnitIndex, un.shortcut.pointerAt(1));
  create(un.slots, kUnitSlots, opt);
  openPaged(un.dataBlocks, kUnitDataBlocks, un.shortcut.pointerAt(2));
  openPaged(un.descriptions, kUnitDescriptions, un.shortcut.pointerAt(3));
  un.work.fill(HeldBlock{});
  UNCURR.context1.unit = 0;
  UNCURR.context2.unit = 0;
  UNCURR.context3.unit = 0;
  PAUWRK.context2.unit = 0;
  un.workWord = kUnitWorkWordAtLoad;
}

// Writes the changed unit records held in the slot control back.
void DBHUN() { writeBackSlots(UNSLTC.un.index, UNSLTC.un.slots); }

// Writes table UN: changed units, the work areas freed, the index, both paged blocks and
// the shortcut.
void DBWUN(std::int32_t mblen, MasterBlock mb) {
  UnTable& un = UNSLTC.un;
  DBHUN();
  for (HeldBlock& area : un.work) releaseHeld(area);
  killSlots(un.slots);
  closeIndex(un.index, un.shortcut.pointerAt(1));
  closePaged(un.dataBlocks, un.shortcut.pointerAt(2));
  closePaged(un.descriptions, un.shortcut.pointerAt(3));
  writeShortcut(mblen, mb, "UN", un.shortcut);
}

// Drops table UN without writing.
void DBXUN(std::int32_t /*mblen*/, MasterBlock /*mb*/) {
  UnTable& un = UNSLTC.un;
  for (HeldBlock& area : un.work) releaseHeld(area);
  killSlots(un.slots);
  clearIndex(un.index);
  clearPaged(un.dataBlocks);
  clearPaged(un.descriptions);
}

// ---------------------------------------------------------------------------------------
// VS: the specification index (pointer 1)
// ---------------------------------------------------------------------------------------

// Reads table VS: the index and the specification slot control of 20 slots (1 when OPT is
// not 0); no specification or CS item is current afterwards. Aborts as DBRRX.
void DBRVS(std::int32_t mblen, MasterBlock mb, std::int32_t opt) {
  VsTable& vs = SLOTCT.vs;
  readShortcut(mblen, mb, "VS", vs.shortcut);
  openIndex(vs.index, kSpecificationIndex, vs.shortcut.pointerAt(1));
  create(vs.slots, kSpecificationSlots, opt);
  SPCUR.item = 0;
}

// Writes the changed specification records held in the slot control back.
void DBHVS() { writeBackSlots(SLOTCT.vs.index, SLOTCT.vs.slots); }

// Writes table VS: changed specifications, the index and the shortcut.
void DBWVS(std::int32_t mblen, MasterBlock mb) {
  VsTable& vs = SLOTCT.vs;
  DBHVS();
  killSlots(vs.slots);
  closeIndex(vs.index, vs.shortcut.pointerAt(1));
  writeShortcut(mblen, mb, "VS", vs.shortcut);
}

// Drops table VS without writing.
void DBXVS(std::int32_t /*mblen*/, MasterBlock /*mb*/) {
  VsTable& vs = SLOTCT.vs;
  killSlots(vs.slots);
  clearIndex(vs.index);
}

}  // namespace problem
