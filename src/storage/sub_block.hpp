// Sub-blocks: the one word image of every table, record and block of the system, a fixed
// header followed by the tables and data of up to 250 sectors of each of seven kinds; the
// current sub-block SBCUR through which callers find the sectors of the sub-block they have
// just read, built or selected; and the disk-pointer entries kept in disk-pointer sectors.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "services/markers.hpp"
#include "services/one_based.hpp"
#include "storage/disk_pointer.hpp"

namespace storage {

// Sector kinds, in the order the header stores them.
enum class SectorKind : std::int32_t {
  Pointer = 1,      // disk pointers: entries of M words (9 for a full disk pointer, 3 or 6 secondary)
  Vat = 2,          // entries of M words
  System = 3,       // integers
  Integer = 4,      // integers; text four characters a word
  Single = 5,       // single-precision reals
  Real = 6,         // 8-byte reals
  Double = 7,       // 8-byte reals
};
inline constexpr int kSectorKinds = 7;
inline constexpr std::int32_t kMaxSectors = 250;
inline constexpr std::int32_t kMaxSizingValues = 250;
inline constexpr std::int32_t kFixedHeaderWords = 22;

// Block types written into word 1 of a sub-block.
enum class BlockType : std::int32_t {
  Plain = 1,
  Master = 2,
  Shortcut = 3,
  FlatInteger = 4,
  FlatSingle = 6,
  FlatCharacter = 8,
  Paged = 10,
  Index = 11,
};

// Word numbers of the sub-block header (word k of the image is word k of the sub-block).
namespace sbhead {
inline constexpr std::int32_t kBlockType = 1;
inline constexpr std::int32_t kId2 = 2;
inline constexpr std::int32_t kTotalLength = 3;
inline constexpr std::int32_t kUsedLength = 4;
inline constexpr std::int32_t kHeaderLength = 5;
inline constexpr std::int32_t kId6 = 6;
inline constexpr std::int32_t kSizingCount = 7;
inline constexpr std::int32_t kFirstCount = 8;          // counts of kinds 1-7: words 8-14
inline constexpr std::int32_t kSizingOffset = 15;
inline constexpr std::int32_t kFirstTableOffset = 16;   // table offsets of kinds 1-7: 16-22
}  // namespace sbhead

inline constexpr std::size_t kindIndex(SectorKind kind) {
  return static_cast<std::size_t>(kind);
}

// SBCUR: the current sub-block. Tables are indexed by kind (1-7) and sector (1-250).
struct CurrentSubBlock {
  services::OneBased<std::int32_t, 6> header;  // words 1-6
  std::int32_t sizingCount = 0;
  services::OneBased<std::int32_t, kSectorKinds> counts;
  std::int32_t sizingOffset = services::NOCORE;
  services::OneBased<std::int32_t, kSectorKinds> tableOffsets;
  services::OneBased<std::int32_t, kMaxSizingValues> sizing;
  services::OneBased<services::OneBased<std::int32_t, kMaxSectors>, 2> entrySizes;
  services::OneBased<services::OneBased<std::int32_t, kMaxSectors>, kSectorKinds> lengths;
  services::OneBased<services::OneBased<std::int32_t, kMaxSectors>, kSectorKinds> offsets;
  services::OneBased<services::OneBased<std::int32_t, kMaxSectors>, kSectorKinds> pointers;

  std::int32_t count(SectorKind kind) const { return counts(kindIndex(kind)); }
  std::int32_t length(SectorKind kind, std::int32_t sector) const {
    return lengths(kindIndex(kind))(static_cast<std::size_t>(sector));
  }
  // The index through which the sector's elements are reached: integer word pointer + i for
  // kinds 1-5, 8-byte word W(pointer + i) for kinds 6 and 7.
  std::int32_t pointer(SectorKind kind, std::int32_t sector) const {
    return pointers(kindIndex(kind))(static_cast<std::size_t>(sector));
  }
};
extern CurrentSubBlock SBCUR;

// The sectors of one kind in a build specification.
struct SectorList {
  std::span<const std::int32_t> lengths;     // one per sector; -k: sizing value k elements
  std::span<const std::int32_t> entrySizes;  // disk-pointer and VAT sectors only
};

// A build specification: the sectors of every kind and the sizing values.
struct SubBlockSpec {
  std::array<SectorList, kSectorKinds> kinds{};
  std::span<const std::int32_t> sizing;

  SectorList& operator[](SectorKind kind) { return kinds[kindIndex(kind) - 1]; }
  const SectorList& operator[](SectorKind kind) const { return kinds[kindIndex(kind) - 1]; }
};

// Error codes of the building routines.
enum class BuildError : std::int32_t { None = 0, TooMany = 1, BadLength = 2, NoCore = 3 };

// ---------------------------------------------------------------------------------------
// Header layout and the current sub-block
// ---------------------------------------------------------------------------------------

// Run start-up: no current sub-block.
void SBINIT();

// Checks a specification: counts and sizing values at most 250, sizing values not negative,
// negative lengths naming an existing sizing value. SOFT 0 aborts at the first fault; any
// other SOFT sets IERR (1 a limit, 2 a bad value or length) and returns.
void SBCHKA(const SubBlockSpec& spec, std::int32_t soft, std::int32_t& ierr);

// Lays out the header of a specification into SBCUR.
void SBHBLD(const SubBlockSpec& spec);

// Writes the image of SBCUR into an area of LEN words and resolves its negative lengths.
void SBHSTO(std::int32_t len, std::span<std::int32_t> area);

// Loads SBCUR from an image: header, sizing values and sector tables, with the negative
// lengths as stored. The image is checked against the words it holds; an inconsistent
// header is the "SB" abort "SUB-BLOCK HEADER INVALID".
void SBHLOD(std::span<const std::int32_t> image);

// Replaces the negative lengths of SBCUR by their sizing values.
void SBHCPY();

// Computes the sector pointers of SBCUR for an image whose word 1 is integer word BASE + 1
// (BASE 0: a caller's array, counted from its first element).
void SBHREL(std::int32_t base);

// Clears the sector tables of SBCUR.
void SBCLR();

// Sets words 1, 2 and 6 of the sub-block at core index P, each only when above 0.
void SBIDC(std::int32_t len, std::int32_t p, std::int32_t type, std::int32_t id2,
           std::int32_t id6);

// ---------------------------------------------------------------------------------------
// Building and selecting
// ---------------------------------------------------------------------------------------

// Checks, lays out and builds an empty sub-block in core area P of LEN words (P NOCORE: a
// new area of TOT words, LEN = TOT) and makes it current.
void SBMLTC(std::int32_t& len, std::int32_t& p, std::int32_t soft, std::int32_t& ierr,
            const SubBlockSpec& spec);

// The same for at most one sector of each kind (disk-pointer entries of 9 words, VAT entries
// of 4); a kind has its sector when its length is above 0. No sizing values, no check.
void SBSGLC(std::int32_t& len, std::int32_t& p, std::int32_t soft, std::int32_t& ierr,
            std::int32_t ldp, std::int32_t lvat, std::int32_t lsys, std::int32_t lint,
            std::int32_t lreal, std::int32_t lsgl, std::int32_t ldbl);

// Checks and lays out only: SBCUR gets the header, counts, offsets and total length.
void SBMLTF(std::int32_t soft, std::int32_t& ierr, const SubBlockSpec& spec);

// Makes the image at core area P current (pointers with base P).
void SBSETC(std::int32_t len, std::int32_t p);

// Makes the image in a caller's array current (pointers with base 0).
void SBSETA(std::int32_t len, std::span<const std::int32_t> array);

// The disk pointer of entry N of disk-pointer sector S (secondary entry N2) of the image at
// core area P or in a caller's array; SBCUR is not touched.
void SBGETC(std::int32_t len, std::int32_t p, std::int32_t s, std::int32_t n, std::int32_t n2,
            DiskPointer& dskptr);
void SBGETA(std::int32_t len, std::span<const std::int32_t> array, std::int32_t s,
            std::int32_t n, std::int32_t n2, DiskPointer& dskptr);

// Puts a disk pointer into that entry; shared words of a primary entry must agree.
void SBPUTC(std::int32_t len, std::int32_t p, std::int32_t s, std::int32_t n, std::int32_t n2,
            const DiskPointer& dskptr);
void SBPUTA(std::int32_t len, std::span<std::int32_t> array, std::int32_t s, std::int32_t n,
            std::int32_t n2, const DiskPointer& dskptr);

// The image of the sub-block at core area P: its TOT words, checked against the store.
std::span<std::int32_t> coreImage(std::int32_t p);

// ---------------------------------------------------------------------------------------
// Disk pointers and sub-blocks on disk
// ---------------------------------------------------------------------------------------

// Disk-pointer status: 0 the pointer names an existing block and is unchanged; 1 it names
// no block (reads) or was changed and must be stored back by the caller (writes).
inline constexpr std::int32_t kPointerUnchanged = 0;
inline constexpr std::int32_t kPointerChanged = 1;

// Checks a disk pointer: STATUS 1 when it names no block yet, 0 when it is valid; lengths
// that cannot be those of a block are the "SB" abort "DISK BLOCK LENGTHS INVALID".
void SBCHKP(const DiskPointer& dskptr, std::int32_t& status);

// Makes a disk pointer empty: all words 0 but the address, NODISK.
void SBDPCL(DiskPointer& dskptr);

// Reads the sub-block named by DSKPTR into core area P of LEN words (P NOCORE: a new area,
// LEN = TOT) and makes it current. STATUS 1 when the pointer names no block: nothing read.
// A block whose header words 1 to 6 differ from those the pointer carries (all six when the
// pointer has a block type, else only the total length) is the "SB" abort "DISK BLOCK DOES NOT MATCH ITS POINTER" with the items
// "POINTER" (address), "WORD" (the first header word that differs), "BLOCK" and "EXPECTED".
void SBRDC(std::int32_t& len, std::int32_t& p, const DiskPointer& dskptr, std::int32_t& status);

// The same into a caller's array of LEN words (pointers with base 0), with the same check.
void SBRDA(std::int32_t len, std::span<std::int32_t> array, const DiskPointer& dskptr,
           std::int32_t& status);

// Reads N words at disk address ADDR into the existing core area P, or a caller's array,
// and makes them the current sub-block.
void SBWRD(std::int32_t p, std::int32_t n, std::int32_t addr);
void SBURD(std::int32_t len, std::span<std::int32_t> array, std::int32_t n, std::int32_t addr);

// Writes the sub-block held in core area P, or in a caller's array, and updates the disk
// pointer: rewritten in place when its lengths are unchanged, else released and placed
// anew. STATUS 1 when the pointer changed and must be stored again.
void SBWTC(std::int32_t len, std::int32_t p, DiskPointer& dskptr, std::int32_t& status);
void SBWTA(std::int32_t len, std::span<std::int32_t> array, DiskPointer& dskptr,
           std::int32_t& status);

// The disk pointer of the sub-block held in core area P before it has a place on disk: its
// header words as a write would store them, and the address NODISK, so that the first write
// (SBWTC) places the block. A record that lives only in core (a temporary stream's) carries
// this pointer in its index entry; nothing is written.
DiskPointer unplacedPointer(std::int32_t p);

// Writes N words of core area P to disk address ADDR (NODISK: a new block, whose address
// comes back in ADDR), without any check or header handling.
void SBWWRT(std::int32_t p, std::int32_t n, std::int32_t& addr);

// Locates sector NUM of kind KIND inside the block of TOT words at ADDR by partial reads:
// OFFSET its data offset and NWORDS its words. STATUS 1 no block, 2 no such sector or an
// empty one. A header whose sector table places the sector outside the TOT words is the
// "SUB-BLOCK HEADER INVALID" abort; the sector's last word is read, so that a sector the
// file does not hold ends in file error 22 instead of a caller sizing its work by NWORDS.
void SBDLOC(std::int32_t tot, std::int32_t addr, std::int32_t kind, std::int32_t num,
            std::int32_t& status, std::int32_t& nwords, std::int32_t& offset);

}  // namespace storage
