// The current-entity contexts that the engine reads directly: the entity number (0 = none)
// and the starts of the current record's sectors (element i of a sector at start + i).
#pragma once

#include <array>
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

// SPCUR: the current specification or CS item.
struct SpecificationContext {
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

}  // namespace problem
