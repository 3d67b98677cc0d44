// Specifications (one index per case, table VS) and CS items (a global index, table NC): two
// small entity classes selected one at a time into the one set of current-specification
// words SPCUR, so that the engine reads either the same way.
#pragma once

#include <cstdint>

namespace problem {

// Make specification N, or CS item N, current in SPCUR.
//   n     in  the entry number in the class's index
//   mode  in  10 r + l: the slot's lock level raised to at least l, its write flag to at
//             least 1 - r
// A slot that holds a changed record of another entity of the class has it written back
// first; when that entity is the one in SPCUR, SPCUR's number becomes 0. ENTCUR receives the
// record's length and core pointer.
// Aborts (subsystem "VS" or "NC", user call the class's cell): "BAD SPEC NUMBER" (items
// "SPEC", "STATUS"; failing routine VSSET) or "BAD CS ITEM NUMBER" ("CS ITEM", "STATUS";
// NCSET) for a missing entry or a status of 1 or less; "SPEC HAS NO RECORD" or "CS ITEM HAS
// NO RECORD" (the same items) when the entry's pointer names no block; "NO SLOTS
// AVAILABLE" (VSSLOT or NCSLOT) when every slot is locked.
void VSSET(std::int32_t n, std::int32_t mode);
void NCSET(std::int32_t n, std::int32_t mode);

// A slot of LEN words for entity N with hierarchy value HIER in the class's slot control.
//   slot    out  the slot number
//   ptr     out  the core pointer of its area
//   victim  out  0 the slot held N's record; -1 the record must be read into it
void VSSLOT(std::int32_t n, std::int32_t hier, std::int32_t len, std::int32_t& slot,
            std::int32_t& ptr, std::int32_t& victim);
void NCSLOT(std::int32_t n, std::int32_t hier, std::int32_t len, std::int32_t& slot,
            std::int32_t& ptr, std::int32_t& victim);

// With KIND 2, SPCUR receives N and the starts of the current sub-block's integer sectors 1
// to 4, real sector 1 and system sector 1 (NOCORE for a sector the record lacks); any other
// KIND changes nothing.
void VSCUR(std::int32_t n, std::int32_t kind);

}  // namespace problem
