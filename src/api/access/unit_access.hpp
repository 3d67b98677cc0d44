// Unit lookup and the loaded unit: finding an active unit by identifier, its type and class
// names, loading its data block and reading the places the unit readers name in it.
//
// The data block of a unit as the readers address it (words counted from 1 at the block's
// first header word):
//   Hw(e)   real element e of the sector whose offset stands in header word w: block words
//           offset + 2e - 1 and offset + 2e, one 8-byte real.
//   IHw(e)  integer element e of such a sector: block word offset + e.
//   system sector 4   elements 1, 2 and 3 the numbers of sides, feeds and products of the
//                     unit; elements 42, 43 and 63 the length of system sector 22 and the
//                     two dimensions of system sector 23.
//   system sector 11  the feed list, system sector 12 the product list: one word per entry
//                     whose last four decimal digits are a stream number.
//   system sector 23  the stream connections: groups of three words, a count first and a
//                     stream number third.
// Every place is checked against the words loaded: a place outside them reads as missing
// (RMISS or IMISS), a list as long as the words that hold it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "services/fixed_text.hpp"
#include "services/one_based.hpp"

namespace api_access {

// Unit type codes of the readers here.
inline constexpr std::int32_t kFlashType = 10001;
inline constexpr std::int32_t kValveType = 10004;
inline constexpr std::int32_t kSimpleExchangerType = 20001;
inline constexpr std::int32_t kRigorousExchangerType = 20003;
inline constexpr std::int32_t kColumnType = 120001;
inline constexpr std::int32_t kHeatingCurveType = 310001;

// The most feeds or products whose streams are looked up.
inline constexpr std::int32_t kMostConnections = 50;

// Load modes of PAULOD.
inline constexpr std::int32_t kLoadData = 2;   // the unit's data length
inline constexpr std::int32_t kLoadWhole = 3;  // the whole block

// The one unit loaded for a request.
struct LoadedUnit {
  std::int32_t unit = 0;    // 0: none
  std::int32_t block = 0;   // core pointer: block word k is CORSTO[block + k]
  std::int32_t words = 0;   // words loaded
  std::int32_t record = 0;  // start of the unit record's integer sector (word k at + k)
  std::int32_t recordWords = 0;
  services::OneBased<std::int32_t, 3> digits;  // hundreds, tens and units of record word 3
  std::int32_t gprWord = 0;                    // integer 49 of GPRTAB
  std::int32_t sides = 0;
  std::int32_t feeds = 0;
  std::int32_t products = 0;
  // System sectors 1 to 23: start (element e at start + e; NOCORE when not loaded) and length.
  services::OneBased<std::int32_t, 23> systemStart;
  services::OneBased<std::int32_t, 23> systemLength;
};
extern LoadedUnit UNITWK;

// The unit-index entry number of the active unit whose identifier is ID; 0 when none.
std::int32_t PAUNID(std::string_view id);

// Loads unit N's data block (MODE 2 the data length, 3 the whole block) and fills UNITWK;
// ITYPE receives word 1 of the unit record. The unit stays locked until UNFREE(N, 0).
void PAULOD(std::int32_t n, std::int32_t mode, std::int32_t& itype);

// The 16-character type name and class name of the unit named ID; "N/A" for an identifier
// that names no active unit and for a type without a name.
services::FixedText<16> PAUTYP(std::string_view id);
services::FixedText<16> PAUCLS(std::string_view id);

// The first four characters of stream N's identifier as the bytes of one 32-bit word, the
// first character in the lowest-addressed byte.
std::int32_t PASTNO(std::int32_t n);

// One field of 4-word entry IDX of REC (NREC is not used): ISEL 1 (w1 / 10^8) mod 10, 2
// (w1 / 10^4) mod 10^4, 3 w1 mod 10^4, 4 w2, 5-10 the digits of w3 from the millions down, 11
// w4. IERR 1 and 0 for any other ISEL or an entry outside REC.
std::int32_t PAUDIG(std::int32_t isel, std::int32_t idx, std::span<const std::int32_t> rec,
                    std::int32_t nrec, std::int32_t& ierr);

// The sector word that the unit-variable decoding leaves: the number of a real sector of the
// loaded block. Nothing in this library decodes unit variables yet, so it stays 0.
std::int32_t& decodedRealSector();

// The offset of the decoded real sector from the first real sector of the loaded block, in
// 8-byte reals; 0 when no sector was decoded or it is not loaded.
std::int32_t PAIMAP();

// Places of the loaded block (see the top of this file).
double headerReal(std::int32_t w, std::int32_t e);
std::int32_t headerInteger(std::int32_t w, std::int32_t e);
std::int32_t systemElement(std::int32_t sector, std::int32_t e);

// The stream number of feed K or product K of the loaded unit (its list word mod 10000); 0
// beyond the list.
std::int32_t feedStream(std::int32_t k);
std::int32_t productStream(std::int32_t k);

// Steps 1 and 2 of every unit reader: the unit number of the request's identifier when it
// names an active unit of one of TYPES; otherwise 0 after " INVALID UNIT ID: " or
// " UNIT ID: " with TYPETEXT, and IERR 1.
struct Request;
std::int32_t findUnit(Request& request, std::span<const std::int32_t> types,
                      std::string_view typeText);

}  // namespace api_access
