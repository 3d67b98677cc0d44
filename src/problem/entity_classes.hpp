// The shared words of the unit, specification, CS-item and reaction classes beside their
// current contexts (entity_contexts.hpp): the user-call cells of their abort reports, the
// unit record set up last, the unit-identifier cache and the reaction-set copies.
#pragma once

#include <cstdint>

#include "services/fixed_text.hpp"
#include "services/markers.hpp"
#include "services/one_based.hpp"

namespace problem {

// The user-level routine that entered each entity class, printed as the user call of the
// class's abort reports.
struct EntityRoutineCells {
  services::FixedText<6> unit;
  services::FixedText<6> specification;
  services::FixedText<6> csItem;
  services::FixedText<6> reaction;
};
extern EntityRoutineCells entityRoutines;

// UNREC: the built length of the unit record set up last and its core pointer; a unit
// data-block load copies the unit work area's length and pointer here as well.
struct UnitRecordWords {
  std::int32_t length = 0;
  std::int32_t pointer = services::NOCORE;
};
extern UnitRecordWords UNREC;

// The unit-identifier cache: entry N the identifier of unit N (1 to 1001), blank when not yet
// read; and the number of index reads made through it, which shows the cache at work.
inline constexpr std::int32_t kCachedUnitIdentifiers = 1001;
struct UnitIdentifierCache {
  services::OneBased<services::FixedText<12>, kCachedUnitIdentifiers> identifiers;
  std::int32_t indexReads = 0;
};
extern UnitIdentifierCache unitIdentifiers;

// Blanks the unit-identifier cache; one of the start values of every problem open.
void clearUnitIdentifiers();

// One core copy of a reaction-set record: the starts of its integer sectors 1 and 2 and the
// core pointer of the copy (0 = no copy held).
struct ReactionSetCopy {
  std::int32_t integerSector1 = 0;
  std::int32_t integerSector2 = 0;
  std::int32_t pointer = 0;
};

// RSCOPY: the three reaction-set copies, numbered 1 to 3.
inline constexpr std::int32_t kReactionSetCopies = 3;
struct ReactionSetCopies {
  services::OneBased<ReactionSetCopy, kReactionSetCopies> copies;
};
extern ReactionSetCopies RSCOPY;

}  // namespace problem
