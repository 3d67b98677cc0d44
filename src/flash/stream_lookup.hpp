// The stream lookup of the flash and property calls: a host's stream identifier made the
// current stream, and its method set made current. Included by flash.hpp.
#pragma once

#include <cstdint>
#include <string_view>

namespace flash {

// Statuses of SRBYNM and SRLOOK.
enum class StreamLookup : std::int32_t {
  Found = 0,
  NotFound = 1,  // blank identifier, no open problem, or no stream of that name with a record
};

// SRBYNM: makes the stream named STRMID current (pointer set 2, mode 0) and gives its
// method-set number.
//   strmid  in   the identifier, up to 12 characters used; blank or empty: not found
//   iset    out  the stream's method-set word (main record I(20)); 0 when not found
// Returns StreamLookup. The host's identifier is checked before anything is made current:
// without an open problem (no stream index), for a name that is in no index entry, or
// for an entry that holds no stream record, the status is 1 and nothing changes. The
// routines inside the engine that make a stream current by number keep the data model's
// abort for a bad number.
std::int32_t SRBYNM(std::string_view strmid, std::int32_t& iset);

// SRLOOK: SRBYNM, then the stream's method set made current (FLMSET; its option digits are
// discarded).
//   strmid  in   as SRBYNM
//   iset    out  as SRBYNM
// Returns StreamLookup. Aborts: those of FLMSET (a method set that cannot be loaded).
std::int32_t SRLOOK(std::string_view strmid, std::int32_t& iset);

}  // namespace flash
