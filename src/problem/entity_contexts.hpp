// The current-entity contexts that the engine reads directly: the entity number (0 = none)
// and the starts of the current record's sectors (element i of a sector at start + i).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "services/fixed_text.hpp"
#include "services/markers.hpp"
#include "services/one_based.hpp"

namespace problem {

// One current-stream set of SRPSET.
struct StreamPointers {
  std::int32_t stream = 0;        // 0 = no stream
  std::int32_t mainRecord = 0;    // core pointer of the main record
  std::int32_t pointerSector = 0; // entry t: the disk pointer of secondary record type t
  std::int32_t integerSector = 0; // 46 integers
  std::int32_t realSector1 = 0;   // 95 reals
  std::array<std::int32_t, 4> realSectors{};  // real sectors 2-5: vectors of NCSTRM reals
};

// SRPSET: set 2 (streams made current by SRSET and SRCREA), two words, set 1 (SRSETT).
struct StreamPointerSets {
  StreamPointers set2;
  std::array<std::int32_t, 2> spare{};
  StreamPointers set1;
};
extern StreamPointerSets SRPSET;

// ENTCUR: the length in words and the core pointer of the entity record set up or paged
// last (streams, units, specifications, CS items and reactions).
struct CurrentEntityRecord {
  std::int32_t length = 0;
  std::int32_t pointer = services::NOCORE;
};
extern CurrentEntityRecord ENTCUR;

// One unit context of UNCURR.
struct UnitContext {
  std::int32_t unit = 0;          // 0 = none
  std::int32_t pointerSector = 0; // start of the unit record's disk-pointer sector 1
  std::int32_t vatSector = 0;     // start of its VAT sector 1
  std::int32_t integerSector = 0; // start of its integer sector 1
};

// UNCURR: the three unit contexts, stored in the order context 2, 3, 1; and beside them
// per context the identifier, text and heading of the unit.
struct UnitContexts {
  UnitContext context2;
  UnitContext context3;
  UnitContext context1;
  std::array<services::FixedText<122>, 3> texts;  // contexts 2, 3, 1

  UnitContext& context(std::int32_t kind) {
    return kind == 2 ? context2 : (kind == 3 ? context3 : context1);
  }
};
extern UnitContexts UNCURR;

// SPCUR: the current specification or CS item, and the four global tolerances that a
// specification may name instead of its own (positive relative, negative absolute; 0.0
// unless a caller sets them).
struct SpecificationContext {
  std::array<double, 4> globalTolerances{};
  std::int32_t item = 0;                      // 0 = none
  std::array<std::int32_t, 4> integerSectors{};
  std::int32_t realSector = 0;
  std::int32_t systemSector = 0;
};
extern SpecificationContext SPCUR;

// One reaction context of RXCUR.
struct ReactionContext {
  std::int32_t reaction = 0;  // 0 = none
  std::array<std::int32_t, 9> integerSectors{};
  std::array<std::int32_t, 13> realSectors{};
};

// RXCUR: the two reaction contexts and the core pointer of the record set up last.
struct ReactionContexts {
  ReactionContext context1;
  ReactionContext context2;
  std::int32_t lastRecord = 0;
};
extern ReactionContexts RXCUR;

// The unit work area: where the sectors of the unit data block loaded last lie in core.
inline constexpr std::size_t kUnitBlockSectors = 250;
inline constexpr std::size_t kUnitBlockSystemSectors = 23;
inline constexpr std::size_t kUnitVariableWords = 31;

// The sectors of one kind in the loaded block, by sector number: core pointer (NOCORE
// when the sector lies outside the loaded part) and length.
struct UnitSectorTable {
  UnitSectorTable() { pointers.fill(services::NOCORE); }

  services::OneBased<std::int32_t, kUnitBlockSectors> pointers;
  services::OneBased<std::int32_t, kUnitBlockSectors> lengths;
};

// The descriptors of unit context 2 (the unit set-up).
struct UnitBlockContext2 {
  UnitBlockContext2() { systemSectors.fill(services::NOCORE); }

  std::int32_t unit = 0;   // 0 after every load, then the unit whose block is described
  std::int32_t block = 0;  // core pointer of the loaded block; 0 before the first load
  std::int32_t pointerSector = services::NOCORE;  // first disk-pointer sector
  std::int32_t vatSector = services::NOCORE;      // first VAT sector
  services::OneBased<std::int32_t, kUnitBlockSystemSectors> systemSectors;
  UnitSectorTable integers;
  UnitSectorTable reals;
  UnitSectorTable pointers;
};

// The descriptors of unit context 3 (the unit readers).
struct UnitBlockContext3 {
  UnitBlockContext3() { systemSectors.fill(services::NOCORE); }

  std::int32_t unit = 0;
  std::int32_t block = 0;
  std::int32_t pointerSector = services::NOCORE;
  services::OneBased<std::int32_t, kUnitBlockSystemSectors> systemSectors;
  // Words taken from the system sectors and the block for the unit-variable readers.
  services::OneBased<std::int32_t, kUnitVariableWords> variableWords;
  UnitSectorTable integers;
  UnitSectorTable reals;
  UnitSectorTable singles;
  UnitSectorTable doubles;
  UnitSectorTable pointers;
};

// PAUWRK: the work-area descriptors of contexts 2 and 3; its first word is the unit number
// of context 2.
struct UnitWorkAreas {
  UnitBlockContext2 context2;
  UnitBlockContext3 context3;
};
extern UnitWorkAreas PAUWRK;

}  // namespace problem
