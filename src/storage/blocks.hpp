// The block structures over sub-blocks on disk: index blocks (paged tables of named
// entries), paged blocks (growable arrays of typed entries), flat and shortcut blocks (one
// array or one small record), and master blocks (the named entry points of a database).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "storage/disk_pointer.hpp"

namespace storage {

// ---------------------------------------------------------------------------------------
// The control area of an open index or paged block: 36 integer words in the core store,
// named by its handle H (element k is integer word H + k; NOCORE when closed).
// ---------------------------------------------------------------------------------------
namespace pagectl {
inline constexpr std::int32_t kType = 1;         // 11 index; 4-9 element type of a paged block
inline constexpr std::int32_t kPointerSize = 2;  // index: PTRSIZ, 3 or 6
inline constexpr std::int32_t kEntries = 3;      // NENT
inline constexpr std::int32_t kPages = 4;        // NPAG
inline constexpr std::int32_t kNameSize = 5;     // index: NAMSIZ characters
inline constexpr std::int32_t kEntrySize = 6;    // index: DATSIZ; paged: ENTSIZ
inline constexpr std::int32_t kPageSize = 7;     // PAGSIZ entries per page
inline constexpr std::int32_t kCapacity = 8;     // MP pages the top sub-block holds
inline constexpr std::int32_t kNameWords = 9;    // NW
inline constexpr std::int32_t kHeaderWords = 9;
inline constexpr std::int32_t kTopLength = 10;
inline constexpr std::int32_t kTopCore = 11;
inline constexpr std::int32_t kOwnPointer = 12;  // 12-20
inline constexpr std::int32_t kPageLength = 21;
inline constexpr std::int32_t kPageCore = 22;
inline constexpr std::int32_t kPagePointer = 23;  // 23-31
inline constexpr std::int32_t kCurrentPage = 32;
inline constexpr std::int32_t kChanged = 33;
inline constexpr std::int32_t kTopIntegers = 34;
inline constexpr std::int32_t kPageNames = 35;  // index only
inline constexpr std::int32_t kPageData = 36;
inline constexpr std::int32_t kWords = 36;
}  // namespace pagectl

// Options of the entry operations.
enum class EntryOption : std::int32_t { Get = 1, Put = 2, Delete = 4 };

// Statuses of the open: 2 a new block, 1 an existing one.
inline constexpr std::int32_t kOpenedNew = 2;
inline constexpr std::int32_t kOpenedExisting = 1;

// ---------------------------------------------------------------------------------------
// Index blocks
// ---------------------------------------------------------------------------------------

// Opens an index: a new one when DSKPTR is empty (STATUS 2), else the one it names
// (STATUS 1), whose stored sizes must match. A stored top whose counts disagree (more pages
// than it holds, more entries than its pages hold) or that lacks the sectors of its header
// or page pointers is the "FB" abort "INDEX HEADER IS NOT VALID".
void FBIBEG(std::int32_t ptrsiz, std::int32_t namsiz, std::int32_t datsiz, std::int32_t pagsiz,
            std::int32_t mp, std::int32_t& h, const DiskPointer& dskptr, std::int32_t& status);

// Gets (OPT 1), puts (2) or deletes (4) the entry named NAME. MODE 1: the name must exist;
// 2: it must not; other: use it or add it. STATUS 1 when MODE refuses, else 0. ENTRY is
// the entry's number; DATA its DATSIZ data words. A slot met on the way whose name holds a
// byte that no stored text has (below 32 or above 127), or a free slot (first name word
// negative) whose first word is not -1 or whose other name words or data words are not 0,
// is the "FB" abort "INDEX PAGE IS DAMAGED" with the items "PAGE", "SLOT" and "NAME" (its
// first name word); FBINUM and FBICNT check the slots they meet the same way.
void FBINAM(std::int32_t opt, std::int32_t h, std::string_view name, std::int32_t mode,
            std::int32_t& entry, DiskPointer& dskptr, std::span<std::int32_t> data,
            std::int32_t& status);

// The same for entry number ENTRY, whose NAME is returned; STATUS 1 when the entry is not
// in use.
void FBINUM(std::int32_t opt, std::int32_t h, std::int32_t entry, std::span<char> name,
            DiskPointer& dskptr, std::span<std::int32_t> data, std::int32_t& status);

// Counts the entries: NTOT all used, NLIVE those not deleted.
void FBICNT(std::int32_t h, std::int32_t& ntot, std::int32_t& nlive);

// Writes the index back and closes it; DSKPTR receives its disk pointer.
void FBIEND(std::int32_t& h, DiskPointer& dskptr);

// Closes the index without writing.
void FBICLR(std::int32_t& h);

// Checks that H is an open index.
void FBICHK(std::int32_t h);

// Releases the disk space of the whole tree of sub-blocks that DSKPTR names; DSKPTR becomes
// empty.
void FBITRF(DiskPointer& dskptr);

// Releases the disk space of every tree of sub-blocks that the block held in core area P (LEN
// words) names, the block itself staying in core and on no disk place: a record that lives
// only in core gives back the records it placed on disk. Aborts as FBITRF.
void releaseSubtrees(std::int32_t len, std::int32_t p);

// ---------------------------------------------------------------------------------------
// Paged blocks
// ---------------------------------------------------------------------------------------

// Element types of paged blocks.
enum class PagedType : std::int32_t {
  Integer = 4,
  Real = 5,
  Single = 6,
  Double = 7,
  Text = 8,
  Pointer = 9,
};

// Opens a paged block of TYPE: a new one when DSKPTR is empty (STATUS 2), else the one it
// names (STATUS 1). A stored top whose counts disagree or that lacks the sectors of its
// header or page pointers is the "FB" abort "PAGED BLOCK HEADER IS NOT VALID".
void FBPBEG(std::int32_t type, std::int32_t entsiz, std::int32_t pagsiz, std::int32_t mp,
            std::int32_t& h, const DiskPointer& dskptr, std::int32_t& status);

// Gets (OPT 1) or puts (OPT 2) the pointer of entry ENTRY of a pointer block.
void FBPPNT(std::int32_t opt, std::int32_t h, std::int32_t entry, DiskPointer& dskptr);

// Gets or puts the text of entry ENTRY of a text block; NCHR must be the entry size.
void FBPCHR(std::int32_t opt, std::int32_t h, std::int32_t entry, std::int32_t nchr,
            std::span<char> text);

// Writes back and closes; DSKPTR receives the block's disk pointer.
void FBPEND(std::int32_t& h, DiskPointer& dskptr);

// Closes without writing.
void FBPCLR(std::int32_t& h);

// Checks that H is an open paged block.
void FBPCHK(std::int32_t h);

// ---------------------------------------------------------------------------------------
// Flat and shortcut blocks. OPT 1 reads, any other value writes. STATUS: read, 1 when the
// pointer names no block; write, 1 when the pointer changed and must be stored.
// ---------------------------------------------------------------------------------------

void FBSHRT(std::int32_t opt, DiskPointer& dskptr, std::int32_t nint,
            std::span<std::int32_t> integers, std::int32_t nreal, std::span<double> reals,
            std::int32_t nptr, std::span<DiskPointer> pointers, std::int32_t nchr,
            std::span<char> text, std::int32_t& status);
void FBFINT(std::int32_t opt, DiskPointer& dskptr, std::int32_t n, std::span<std::int32_t> integers,
            std::int32_t& status);
void FBFSGL(std::int32_t opt, DiskPointer& dskptr, std::int32_t n, std::span<float> singles,
            std::int32_t& status);
void FBFCHR(std::int32_t opt, DiskPointer& dskptr, std::int32_t n, std::span<char> text,
            std::int32_t& status);

// ---------------------------------------------------------------------------------------
// Master blocks: images in a caller's array. Names are taken as their first 12 characters.
// ---------------------------------------------------------------------------------------

inline constexpr std::size_t kMasterNameLength = 12;

// The position of NAME (0 when absent); makes the array the current sub-block.
void MBFIND(std::int32_t len, std::span<std::int32_t> array, std::string_view name,
            std::int32_t& pos);

// The pointer and integer stored under NAME; an absent name gives an empty pointer and 0.
void MBGET(std::int32_t len, std::span<std::int32_t> array, std::string_view name,
           std::int32_t& mbval, DiskPointer& dskptr);

// Stores the pointer and integer under NAME, adding the name when absent.
void MBPUT(std::int32_t len, std::span<std::int32_t> array, std::string_view name,
           std::int32_t mbval, const DiskPointer& dskptr);

}  // namespace storage
