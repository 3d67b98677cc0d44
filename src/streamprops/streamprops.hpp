// Stream property evaluation. So far the special-property store: per method set, a store of
// the inspection properties (type 1, the 89 properties of the table SPPTAB, stream-property
// codes 601 to 689) and one of up to 60 user special properties (type 2, code 690). A store
// keeps, per property present, how it blends (method, basis, two parameters) and the disk
// pointer of a value block with the per-component values; store copies and value blocks are
// read into the core store on first use and kept until another method set is loaded.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/markers.hpp"
#include "services/one_based.hpp"

namespace streamprops {

// Store types and their capacities.
inline constexpr std::int32_t kInspection = 1;
inline constexpr std::int32_t kUser = 2;
inline constexpr std::int32_t kInspectionProperties = 89;
inline constexpr std::int32_t kUserProperties = 60;

// Options of SSPPTR and SPRDV2.
enum class StoreOption : std::int32_t { Clear = -1, Initialize = 0, Read = 1, Write = 2 };

// The sectors of a store sub-block: ten integer sectors, two real and two disk-pointer.
namespace store {
inline constexpr std::int32_t kHeader = 1;        // integer: NUMSP, NUMSP, 0
inline constexpr std::int32_t kKey = 2;           // integer: property number
inline constexpr std::int32_t kMethod = 3;        // integer: blend method 371-387
inline constexpr std::int32_t kBasis = 4;         // integer: 1 mole, 2 weight, else volume
inline constexpr std::int32_t kFirstMissing = 5;  // integer sectors 5, 6: IMISS
inline constexpr std::int32_t kFirstZero = 7;     // integer sectors 7, 8: 0
inline constexpr std::int32_t kFirstText = 9;     // integer sectors 9, 10: 12-character texts
inline constexpr std::int32_t kIntegerSectors = 10;
inline constexpr std::int32_t kRealSectors = 2;     // R1, R2
inline constexpr std::int32_t kPointerSectors = 2;  // value blocks; the second is read
inline constexpr std::int32_t kValuePointers = 2;   // the disk-pointer sector read
inline constexpr std::int32_t kTextWords = 3;
inline constexpr std::int32_t kHeaderWords = 3;
}  // namespace store

// The sectors of a value block: integer 1 (word 1 the integer parameters, word 3 the real
// parameters), integer 2 (the integer parameters), real 1 (reference data; for kinematic
// viscosity two reference temperatures), real 2 (per-component values), real 3 (the real
// parameters), real 4 (a second per-component array; for kinematic viscosity the second
// Walther constant, real 2 holding the first).
struct ValueBlockSectors {
  std::array<std::int32_t, 2> integers{};  // integer word starts (element i at start + i)
  std::array<std::int32_t, 4> reals{};     // 8-byte starts (element i at W(start + i))
  std::array<std::int32_t, 4> realLengths{};
};

// SSPTRS: per store type the copy in core and its sector starts, and the sector starts of
// the value block selected last.
struct StoreCopy {
  std::int32_t pointer = services::NOCORE;  // integer core index of the copy
  std::int32_t length = 0;
  std::array<std::int32_t, store::kIntegerSectors> integers{};  // integer word starts
  std::array<std::int32_t, store::kRealSectors> reals{};        // 8-byte starts
  std::array<std::int32_t, store::kPointerSectors> pointers{};  // integer word starts
  ValueBlockSectors selected;
};
struct StorePointers {
  std::array<StoreCopy, 2> types;  // type 1, type 2
  StoreCopy& type(std::int32_t t) { return types[static_cast<std::size_t>(t - 1)]; }
};
extern StorePointers SSPTRS;

// SPBLWK: a value block in core, per type-1 property and per type-2 entry.
struct CachedValueBlock {
  std::int32_t pointer = services::NOCORE;
  std::int32_t length = 0;
  ValueBlockSectors sectors;
};
struct ValueBlockCaches {
  services::OneBased<CachedValueBlock, kInspectionProperties> inspection;
  services::OneBased<CachedValueBlock, kUserProperties> user;
};
extern ValueBlockCaches SPBLWK;

// The blending data of a property (SPCMPV).
struct PropertyBlend {
  std::int32_t basis = 0;
  std::int32_t flag = 0;  // 0 when the method is 372, else 1
  std::int32_t method = 0;
  double r1 = 0.0;
  double r2 = 0.0;
  std::int32_t values1 = 0;  // 8-byte core indexes of the per-component arrays
  std::int32_t values2 = 0;  // real sector 4 for type-1 property 1, else values1
};

// Store access by option on the copy (ICBLNL, ICBPTL) of store ITYP whose parent is the
// method-set data block (ICBLEN, ICBPNT), whose disk-pointer sector 1 holds the stores'
// pointers at entries 1 and 2.
//   numsp  in/out  Initialize: entries in use (the store is sized for max(capacity, NUMSP));
//                  Read: set from the store's header
//   iopt   in      StoreOption: Initialize builds a new store in a new core area; Read reads
//                  the store into the copy's area (NOCORE: a new one); Write writes the copy
//                  and puts a moved block's pointer back into the parent; Clear changes
//                  nothing
//   ierr   out     0; 1 the build failed, or the read found no store
// Traces its calls when diagnostic switch 53 is 10 or more.
void SSPPTR(std::int32_t& numsp, std::int32_t ityp, std::int32_t iopt, std::int32_t& icblnl,
            std::int32_t& icbptl, std::int32_t icblen, std::int32_t icbpnt, std::int32_t& ierr);

// Makes store ITYP of the current method set available in core (read once, kept). IERR 1
// when the set has no such store.
void SPPTRG(std::int32_t ityp, std::int32_t& ierr);

// The entry (1 to NUMSP) of the loaded store ITYP whose key is IPROP, the first of several;
// 0 when none or the store is not loaded.
std::int32_t SPRDV1(std::int32_t iprop, std::int32_t ityp);

// Value-block access of entry ENTRY of store ITYP.
//   iopt   StoreOption: Initialize builds a value block in a new core area (its length and
//          pointer in ICBLNL, ICBPTL) with integer sector 1 of 3 words, NINT integer
//          parameters, NREF reference values, NCOMP per-component values in real sectors 2
//          and 4 and NREAL real parameters, and selects it; Read reads the entry's block into
//          (ICBLNL, ICBPTL) and selects it; Write writes the block and puts a moved block's
//          pointer into the store copy
//   ierr   0; 1 no such block or entry, the store not loaded, or the build failed
void SPRDV2(std::int32_t iopt, std::int32_t nint, std::int32_t nref, std::int32_t ncomp,
            std::int32_t nreal, std::int32_t ityp, std::int32_t& icblnl, std::int32_t& icbptl,
            std::int32_t entry, std::int32_t& ierr);

// The blending data of property IPROP of the loaded store ITYP, its value block read (once,
// cached) and selected. IERR 1 when the store is not loaded or has no such property.
void SPCMPV(std::int32_t ityp, std::int32_t iprop, PropertyBlend& blend, std::int32_t& ierr);

// Frees the cached value block of property IPROP (type 1) or entry IPROP (type 2), so that
// the next SPCMPV reads it again.
void forgetValueBlock(std::int32_t ityp, std::int32_t iprop);

// Frees both store copies and every cached value block (a method set was loaded).
void releaseStores();

// INITBL: no store copy and no value block held (every pointer NOCORE, every length 0); run
// at every problem open, whose new core store holds nothing of the former problem's.
void INITBL();

// The texts of the property table: headings (12), names (24) and keys (blank-padded to 12),
// 89 of each, each array 89 times its width.
void SPHEAD(std::span<char> headings, std::span<char> names, std::span<char> keys);

// The row of the property table of index I (1-89).
struct PropertyRow {
  std::string_view key;
  std::string_view name;
  std::string_view heading;
};
PropertyRow propertyRow(std::int32_t i);

// INDEX: the position of KEY among the 88 keywords of the second keyword set (0 when
// absent). Returns 1 when the keyword is unknown, the type-1 store is missing or has no
// entry for it; -1 when the entry's blend method has class 0 for the property; 0 otherwise.
std::int32_t SPKEYX(std::string_view key, std::int32_t& index);

// The class (1 or 2) of blend METHOD for property IPROP; 0 when it does not apply.
void SPUCLS(std::int32_t iprop, std::int32_t method, std::int32_t& iclass);

// The value of a special property of stream STREAMID: inspection property KEY (ISP 0) or
// user special property ISP. IERR 1 for a blank identifier, an unknown keyword or stream,
// and whenever the value is DMISS (no store, no entry, no rule for its method).
// The stream of pointer set 1 is current again after.
void SPKEYV(std::string_view streamid, std::int32_t isp, std::string_view key, double& value,
            std::int32_t& ierr);

}  // namespace streamprops
