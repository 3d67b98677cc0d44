// Slot control: the in-core cache directory of one entity class, a fixed number of slots
// each holding one entity's record in a core area of its own, with a lock level, a write
// flag, a recency rank and a hierarchy value.
#pragma once

#include <cstdint>
#include <string_view>

namespace storage {

// SCSTRU: an integer array of 5 NSLOT + 5 elements in the core store, named by its handle
// H (element k is integer word H + k). Slot s occupies elements 5s+1 to 5s+5.
namespace scword {
inline constexpr std::int32_t kSlotCount = 2;
inline constexpr std::int32_t kLevel = 4;  // a slot locked at this level or more stays
inline constexpr std::int32_t kHier = 5;   // 0, 1 or 2
// Words of slot s: 5s + k.
inline constexpr std::int32_t kEntity = 1;     // -1 empty
inline constexpr std::int32_t kLength = 2;     // words of its core area, 0 none
inline constexpr std::int32_t kCore = 3;       // ICMGTI index of its core area, 0 none
inline constexpr std::int32_t kState = 4;      // lock 100,000 + write 10,000 + recency
inline constexpr std::int32_t kHierValue = 5;  // 0 none
}  // namespace scword

// The recency rank of the slot used last.
inline constexpr std::int32_t kMostRecent = 9999;

// Results of SCFIND in PREV.
inline constexpr std::int32_t kAlreadyHeld = 0;  // the record is in core
inline constexpr std::int32_t kGiven = -1;       // load the record

// Creates a structure of NSLOT slots; H must be NOCORE on entry.
void SCCREA(std::int32_t level, std::int32_t hier, std::int32_t nslot, std::int32_t& h);

// Gives entity ENT a slot whose core holds LEN words. SLOT 0 (P NOCORE) when none can be
// had; PREV 0 the record is in core, -1 load it, above 0 entity PREV was evicted with its
// record changed: write it from P and call again.
void SCFIND(std::int32_t ent, std::int32_t len, std::int32_t hv, std::int32_t h,
            std::int32_t& slot, std::int32_t& p, std::int32_t& prev);

// The slot that holds ENT (SLOT 0 and P NOCORE when none); changes nothing.
void SCLOC(std::int32_t ent, std::int32_t h, std::int32_t& slot, std::int32_t& p);

// The contents of a slot.
void SCGET(std::int32_t h, std::int32_t slot, std::int32_t& ent, std::int32_t& len,
           std::int32_t& p, std::int32_t& lock, std::int32_t& write, std::int32_t& hierv);

// Changes the lock level ("LEVEL"), write flag ("WRITE") or hierarchy value ("HIER") of a
// slot: HOW "INCREASE" raises to at least VALUE, "DECREASE" lowers to at most VALUE, any
// other text sets VALUE.
void SCSET(std::int32_t h, std::int32_t slot, std::string_view what, std::string_view how,
           std::int32_t value);

// Frees every slot's core and the structure; H = NOCORE.
void SCKILL(std::int32_t& h);

// The choice rule: the slot for ENT, or 0.
void SCPICK(std::int32_t ent, std::int32_t len, std::int32_t hv, std::int32_t h,
            std::int32_t& slot);

}  // namespace storage
