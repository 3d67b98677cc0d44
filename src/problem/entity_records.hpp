// What the entity classes of units, specifications, CS items and reactions share: reading an
// index entry, getting a slot for a record (writing back the changed record of the entity
// whose slot is taken), reading or reusing the record, and the lock and write rules of a
// set-up. Private to the problem subsystem.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "services/fixed_text.hpp"
#include "storage/disk_pointer.hpp"
#include "storage/sub_block.hpp"

namespace problem::entity {

// Most data words an entity index entry has (units 2, reactions 4).
inline constexpr std::size_t kMaxDataWords = 4;
// Status of an index entry whose entity has a record.
inline constexpr std::int32_t kHasRecord = 2;

// An index entry as read.
struct IndexEntry {
  bool found = false;  // false: N < 1 or no entry N
  std::array<char, 24> name{};
  storage::DiskPointer pointer = storage::emptyDiskPointer();
  std::array<std::int32_t, kMaxDataWords> data{};

  std::int32_t status() const { return found ? data[0] : 0; }
  std::string_view key(std::size_t length) const {
    return std::string_view(name.data(), std::min(length, name.size()));
  }
};

// Reads entry N of the index INDEX (data words as many as the index holds, at most four).
// N below 1 or beyond the entries, and a deleted entry, give found = false.
IndexEntry readEntry(std::int32_t index, std::int32_t n);

// Stores POINTER into entry N, with its name and data words unchanged.
void storePointer(std::int32_t index, std::int32_t n, const storage::DiskPointer& pointer);

// An entity class as its set-up sees it.
struct EntityClass {
  std::string_view subsystem;    // "UN", "VS", "NC", "RX"
  std::string_view slotRoutine;  // failing routine of the slot aborts: "UNSLOT" ...
  std::string_view userCall;     // the class's current-routine cell
  std::int32_t index;            // index block handle
  std::int32_t slots;            // slot control handle
  // Clears every current context that holds entity VICTIM, whose record has just been
  // written back to make room.
  std::function<void(std::int32_t)> forget;
};

// The slot of a set-up, as SCFIND leaves it.
struct Slot {
  std::int32_t slot = 0;
  std::int32_t pointer = 0;  // core pointer of the slot's area
  std::int32_t victim = 0;   // 0 the slot held the record; -1 the record must be read
};

// Gets a slot of LEN words for entity N with hierarchy value HV. A slot that holds a changed
// record of another entity has that record written to its index entry's disk pointer, the
// moved pointer stored back, the entity forgotten, and the slot asked for again.
// Aborts (class subsystem, the class's slot routine): "NO SLOTS AVAILABLE" when every slot
// is locked; "SLOT HOLDS AN ENTITY THAT HAS NO INDEX ENTRY" (items "ENTITY", "SLOT") when
// the record to write back has no entry to take its pointer.
Slot findSlot(const EntityClass& cls, std::int32_t n, std::int32_t hv, std::int32_t len);

// Checks that ENTRY's disk pointer names a record: a status that promises a record whose
// pointer names no block (or a block of no words) ends in the class's abort, failing
// routine ROUTINE, message "<WHAT> HAS NO RECORD", items ITEM = N and "STATUS"; otherwise
// the slot would be published with whatever it held before.
void requireRecord(const EntityClass& cls, std::string_view routine, std::string_view what,
                   std::string_view item, std::int32_t n, const IndexEntry& entry);

// Makes entity N's record in SLOT the current sub-block: read from ENTRY's disk pointer when
// the slot did not hold it, else selected in core.
void loadRecord(const IndexEntry& entry, std::int32_t len, const Slot& slot);

// The set-up rule of MODE = 10 r + l: the slot's lock level raised to at least l and its
// write flag to at least 1 - r.
void raiseSlot(std::int32_t slots, std::int32_t slot, std::int32_t mode);

// The free rule: the lock level of N's slot lowered to at most LEVEL clamped to 0..3;
// nothing when N holds no slot.
void lowerSlot(std::int32_t slots, std::int32_t n, std::int32_t level);

// The start of sector S of KIND of the current sub-block, NOCORE when the record has no such
// sector (so that a use of it fails in the core store instead of reaching other words).
std::int32_t sectorStart(storage::SectorKind kind, std::int32_t s);

// Text helpers.
inline bool isHidden(std::string_view id) { return !id.empty() && id.front() == '$'; }

}  // namespace problem::entity
