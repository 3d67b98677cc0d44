// Units, the unit operations of the flowsheet: selecting a unit into one of its three
// current contexts, freeing it, the small questions about a unit (status, type, identifier,
// text, data locations), its heading line, and its data block loaded into and stored from
// the unit work area.
//
// A unit has an entry in the unit index (identifier, disk pointer of its main record, data
// word 1 the status, data word 2 the type code), a main record cached through the unit slot
// control, an entry in the paged pointer block naming its data block, and a 40-character
// text in the paged text block. All four are opened with the case table UN.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "problem/entity_classes.hpp"
#include "services/fixed_text.hpp"

namespace problem {

// The type code of the composite unit, whose data block holds its section units' data.
inline constexpr std::int32_t kCompositeUnitType = 120003;

// =======================================================================================
// Selection. N is the unit number (the index entry number); MODE = 10 r + l raises the
// slot's lock level to at least l and its write flag to at least 1 - r.
// =======================================================================================

// UNSTUP (N, 2, MODE): unit N current in context 2.
void UNSET(std::int32_t n, std::int32_t mode);
// UNSTUP (N, 1, 0): context 1, the record marked changed, no lock.
void UNSETT(std::int32_t n);
// UNSTUP (N, 3, 2): context 3, lock level at least 2, marked changed.
void UNSETC(std::int32_t n);

// The common set-up: index entry N, a slot (the changed record of a unit whose slot is
// taken goes to disk first and that unit leaves every context), the record read or reused,
// context KIND filled, lock and write flag raised; ENTCUR and UNREC the record's length and
// core pointer.
//   n     in  unit number
//   kind  in  context 1, 2 or 3 (any other: no context filled)
//   mode  in  10 r + l
// Aborts ("UN", user call the unit cell): "BAD UNIT NUMBER" (items "UNIT", "STATUS") for a
// missing unit or one of status 1 or less; "UNIT HAS NO RECORD" (same items) when its disk
// pointer names no block; "NO SLOTS AVAILABLE" (UNSLOT) when every slot is locked.
void UNSTUP(std::int32_t n, std::int32_t kind, std::int32_t mode);

// A unit slot for unit N of LEN words, hierarchy value KIND.
//   slot    out  the slot number
//   ptr     out  the core pointer of its area
//   victim  out  0 the slot held N's record; -1 the record must be read into it
// Aborts as UNSTUP for its slot.
void UNSLOT(std::int32_t n, std::int32_t kind, std::int32_t len, std::int32_t& slot,
            std::int32_t& ptr, std::int32_t& victim);

// Fills context KIND (1 to 3; any other value: nothing) with N and the sector starts of the
// current sub-block (NOCORE for a sector the record lacks), the identifier, the text and
// the first 70 characters of the unit's heading.
void UNCUR(std::int32_t n, std::int32_t kind);

// Lowers the lock level of N's slot to at most LEVEL clamped to 0..3; nothing when N holds no
// slot.
void UNFREE(std::int32_t n, std::int32_t level);

// =======================================================================================
// Questions about a unit; none aborts on a missing unit
// =======================================================================================

// Where unit N's data lie.
//   len1, adr1  out  total length and disk address of the main record (0 and NODISK when
//                    the unit is not in the index)
//   used2, len2 out  used and total length of the data block (0 when it has none)
//   adr2        out  its disk address; NODISK when it has none
void UNLOC(std::int32_t n, std::int32_t& len1, std::int32_t& adr1, std::int32_t& used2,
           std::int32_t& len2, std::int32_t& adr2);

// The status word of unit N; 0 when N < 1 or not in the index.
std::int32_t IUNSTA(std::int32_t n);
// The type code of unit N (data word 2); 0 when N < 1 or not in the index.
std::int32_t KUNTYP(std::int32_t n);
// The identifier of unit N from the index; blank when N < 1, not in the index, or hidden
// (beginning with "$").
services::FixedText<12> KUNID(std::int32_t n);
// The identifier of unit N through the cache: units 1 to 1001 read the index once per open,
// later units and hidden identifiers every time.
services::FixedText<12> UNITID(std::int32_t n);
// The 40-character text of unit N when its status is above 0, else blank.
services::FixedText<40> UNTEXT(std::int32_t n);
// The number of entries of the unit index.
std::int32_t IUNNOU();

// The heading line of unit N.
//   out   out  75 characters (a shorter span receives its own length)
//   code  in   |CODE|: tens digit 0 takes ID and TEXT as passed, another digit looks both up
//              again; hundreds and units digits choose the line's form; CODE below 0 leaves
//              the text out
//   id    in   identifier, 12 characters
//   text  in   text, 40 characters
void UNITXT(std::span<char> out, std::int32_t code, std::int32_t n, std::string_view id,
            std::string_view text);

// The descriptive line of an entity: "CLASS N - ID - TEXT", the text part left out when the
// text is blank. D1 and D2, the hundreds and units digits of the caller's code, select the
// line's form; this is the one form built so far, and every pair gives it.
//   out   out  75 characters, blank-padded (a shorter span receives its own length)
void STRNAM(std::span<char> out, std::int32_t d1, std::int32_t d2, std::string_view cls,
            std::int32_t n, std::string_view id, std::string_view text);

// =======================================================================================
// Unit data blocks
// =======================================================================================

// Loads unit N's data block into the unit work area, or stores the work area into it, and
// publishes where the loaded sectors lie (PAUWRK).
//   icode  in  the access code hts: h 1 load, 2 store, other nothing; t how much (0 or 1 up
//              to the end of system sector 23, 2 the data length, 3 the whole block, 4 and 5
//              up to the end of integer or real sector ISEC); s (load) 2 or 3 the context
//              whose descriptors are filled
//   n      in  unit number
//   isec   in  sector number of t 4 and 5
// Returns 0. Ends the run through MSGABT (blank caller): 1990001130 (integer 1 the unit)
// when the unit's status is below 2, before anything else; 1990001132 (integer 1 the code)
// for a tens digit outside 0 to 5; 1990001131 (unit, length, work-area length) for a store
// longer than the work area (a store bound by a sector of an image that the empty work area
// does not hold counts the 22 words of a header). Aborts ("UN", "DBUBLK"): "UNIT DATA BLOCK LENGTH
// INVALID" (items "UNIT", "LENGTH", "BLK LEN") when the length to transfer is not within the unit's
// data block; "SECTOR NOT IN UNIT DATA BLOCK" (items "UNIT", "KIND", "SECTOR") when the
// sector that bounds the transfer does not exist.
std::int32_t DBUBLK(std::int32_t icode, std::int32_t n, std::int32_t isec);

// =======================================================================================
// Unit types and the identifier arrays of the loaded unit
// =======================================================================================

// The packed fields of entry N of the loaded unit's two identifier arrays (system sectors
// 11 and 12 of its data block): from the first array's word W, A = W / 100000000,
// B = W / 10000 mod 10000, C = W mod 10000; from the second's word W2, D = W2 / 10000 mod
// 10000 and E = W2 mod 10000, or C when that is 0. A sector not loaded reads as 0.
void IDSPLT(std::int32_t n, std::int32_t& a, std::int32_t& b, std::int32_t& c, std::int32_t& d,
            std::int32_t& e);

// The unit-type cache: entry N the type code of unit N, 0 when not yet known.
inline constexpr std::int32_t kCachedUnits = 1001;
struct UnitTypeCache {
  services::OneBased<std::int32_t, kCachedUnits> types;
};
UnitTypeCache& unitTypeCache();

// The type code of unit N through the cache (units above 1001 are asked every time); 0 for
// N below 1 or a unit without a type.
std::int32_t KUNTYC(std::int32_t n);

// The solution word of unit N: ISTAT 0 and VAL word 1 of its record when its status is 2
// or more (the unit is then current read-only); else ISTAT 1 and VAL 0, nothing changed.
void UNSOLS(std::int32_t n, std::int32_t& istat, std::int32_t& val);

}  // namespace problem
