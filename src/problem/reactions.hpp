// Reactions and reaction sets. A reaction is an entity of the reaction index, keyed by its
// own 12-character identifier followed by its set's, whose record is cached through the
// reaction slot control and selected into one of two contexts (RXCUR). A reaction set is read
// whole into one of three numbered core copies (RSCOPY) and written back when released.
// Both indexes and the slot control are opened with the case table RX.
#pragma once

#include <cstdint>
#include <string_view>

#include "problem/entity_classes.hpp"
#include "services/fixed_text.hpp"

namespace problem {

// The reaction number found from the two identifiers (12 characters each):
//   both blank: 0;
//   both given: the entry of the key RXID followed by SETID, 0 when absent;
//   only RXID: the first entry with status and data word 4 above 0 whose identifier is RXID,
//     its number k when data word 4 equals k, else -k; 0 when none;
//   only SETID: the first entry with status and data word 3 above 0 whose set is SETID; 0
//     when none.
std::int32_t IRXNO(std::string_view setid, std::string_view rxid);

// Characters 1-12 of reaction N's key, blank when N < 1, not in the index or hidden
// (beginning with "$"); characters 13-24 (its set's identifier), blank when N < 1 or not in
// the index.
services::FixedText<12> IRXID(std::int32_t n);
services::FixedText<12> IRXSID(std::int32_t n);

// The reaction-set number of SETID; 0 when blank or not in the set index.
std::int32_t IRSNO(std::string_view setid);

// The number of entries of the reaction index.
std::int32_t IRXNOR();

// RXSTUP (N, 2, MODE) and the record's core pointer kept after context 2.
void RXSET(std::int32_t n, std::int32_t mode);

// The common set-up of reaction N: a slot (the changed record of a reaction whose slot is
// taken goes to disk first and that reaction leaves both contexts), the record read or
// reused, context KIND (1 or 2; any other: none) filled with N and the starts of integer
// sectors 1-9 and real sectors 1-13 (NOCORE for a sector the record lacks), the lock level
// raised to at least MODE mod 10 and the write flag to at least 1 - MODE div 10; ENTCUR the
// record's length and pointer.
//   ptr  out  the record's core pointer
// Aborts ("RX", user call the class's cell): "BAD REACTION NUMBER" (items "REACTION",
// "STATUS") for a missing reaction or one of status 1 or less; "REACTION HAS NO RECORD" (the
// same items) when its pointer names no block; "NO SLOTS AVAILABLE" (RXSLOT).
void RXSTUP(std::int32_t n, std::int32_t kind, std::int32_t mode, std::int32_t& ptr);

// A reaction slot of LEN words for reaction N, hierarchy value KIND.
//   slot, ptr  out  the slot and the core pointer of its area
//   victim     out  0 the slot held N's record; -1 the record must be read into it
void RXSLOT(std::int32_t n, std::int32_t kind, std::int32_t len, std::int32_t& slot,
            std::int32_t& ptr, std::int32_t& victim);

// Reads reaction set N into core copy COPY (1 to 3), releasing unsaved what the copy held.
//   istat  out  0; 1 for a COPY outside 1 to 3 (message 1050000150, nothing read)
// Aborts (failing routine "RXSTUP", message "BAD REACTION SET", items "REACTION" and
// "STATUS"): subsystem "RXSET" when the set is not in its index, "RXS" when its status is 1
// or less; "RXS" "REACTION SET HAS NO RECORD" when its pointer names no block.
void RXSGET(std::int32_t n, std::int32_t copy, std::int32_t& istat);

// Writes core copy COPY back as reaction set N (its index entry takes the written pointer),
// releases it, and clears the copy's sector starts; a copy that holds nothing only has its
// starts cleared. ISTAT and the failures as RXSGET.
void RXSFRE(std::int32_t n, std::int32_t copy, std::int32_t& istat);

// RXSGET and RXSFRE with copy 1.
void RXSGT1(std::int32_t n, std::int32_t& istat);
void RXSFR1(std::int32_t n, std::int32_t& istat);

}  // namespace problem
