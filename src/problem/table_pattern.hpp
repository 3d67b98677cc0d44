// The pattern that every keyed table of the problem and support databases follows: under a
// key of the database's master block lies a shortcut block of up to four parts (integers,
// 8-byte reals, disk pointers, a text); its pointers lead to the table's index, paged, flat
// and plain blocks. A reader runs at open, a writer at the close of a read-write database,
// a release at the close of a read-only one.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/fixed_text.hpp"
#include "services/markers.hpp"
#include "storage/disk_pointer.hpp"

namespace problem {

// Lengths of the two master blocks.
inline constexpr std::int32_t kProblemMasterWords = 500;
inline constexpr std::int32_t kSupportMasterWords = 250;
using MasterBlock = std::span<std::int32_t>;

// The shortcut of a table: the integer stored with its key, its own disk pointer and its
// four parts.
template <std::size_t NI, std::size_t NR, std::size_t NP, std::size_t NC>
struct Shortcut {
  Shortcut() { pointers.fill(storage::emptyDiskPointer()); }

  std::int32_t masterValue = 0;
  storage::DiskPointer pointer = storage::emptyDiskPointer();
  std::array<std::int32_t, NI> integers{};
  std::array<double, NR> reals{};
  std::array<storage::DiskPointer, NP> pointers;
  services::FixedText<NC> text;

  // Pointer k of the pointer part (1-based, as the tables number them).
  storage::DiskPointer& pointerAt(std::size_t k) { return pointers.at(k - 1); }
};

// A plain sub-block of a table read into core: its length and core area (NOCORE: not held).
struct HeldBlock {
  std::int32_t length = 0;
  std::int32_t core = services::NOCORE;

  bool held() const { return core != services::NOCORE && core != 0; }
};

// Reader steps 1 and 2: MBGET of KEY and FBSHRT read of the parts. A key the master block
// lacks gives an empty pointer, whose read is the "BLOCK IS NOT A SHORTCUT BLOCK" abort.
void readShortcut(std::int32_t mblen, MasterBlock mb, std::string_view key,
                  std::int32_t& masterValue, storage::DiskPointer& pointer,
                  std::span<std::int32_t> integers, std::span<double> reals,
                  std::span<storage::DiskPointer> pointers, std::span<char> text);

// Writer step 4: FBSHRT write of the parts, and MBPUT of KEY when the pointer changed.
void writeShortcut(std::int32_t mblen, MasterBlock mb, std::string_view key,
                   std::int32_t masterValue, storage::DiskPointer& pointer,
                   std::span<std::int32_t> integers, std::span<double> reals,
                   std::span<storage::DiskPointer> pointers, std::span<char> text);

template <std::size_t NI, std::size_t NR, std::size_t NP, std::size_t NC>
void readShortcut(std::int32_t mblen, MasterBlock mb, std::string_view key,
                  Shortcut<NI, NR, NP, NC>& s) {
  readShortcut(mblen, mb, key, s.masterValue, s.pointer, s.integers, s.reals, s.pointers,
               s.text);
}

template <std::size_t NI, std::size_t NR, std::size_t NP, std::size_t NC>
void writeShortcut(std::int32_t mblen, MasterBlock mb, std::string_view key,
                   Shortcut<NI, NR, NP, NC>& s) {
  writeShortcut(mblen, mb, key, s.masterValue, s.pointer, s.integers, s.reals, s.pointers,
                s.text);
}

// Reads the sub-block a pointer names into a new core area (an empty pointer reads nothing
// and leaves the block not held); the block is then the current sub-block.
void readHeld(HeldBlock& block, const storage::DiskPointer& pointer);

// Writes a held sub-block to its pointer and frees its area; nothing when not held.
void writeHeld(HeldBlock& block, storage::DiskPointer& pointer);

// Frees a held sub-block's area without writing.
void releaseHeld(HeldBlock& block);

// The parameters of an index block (PTRSIZ, NAMSIZ, DATSIZ, PAGSIZ, MP) and of a paged block
// (TYPE, ELEN, PAGSIZ, MP).
struct IndexShape {
  std::int32_t ptrsiz, namsiz, datsiz, pagsiz, mp;
};
struct PagedShape {
  std::int32_t type, elen, pagsiz, mp;
};

// Opens an index or paged block of a table into a handle that must be NOCORE; an empty
// pointer gives a new, empty block.
void openIndex(std::int32_t& handle, const IndexShape& shape, const storage::DiskPointer& pointer);
void openPaged(std::int32_t& handle, const PagedShape& shape, const storage::DiskPointer& pointer);

// Closes with write-back (the pointer receives the block's pointer) or drops; a handle that
// is NOCORE is left alone.
void closeIndex(std::int32_t& handle, storage::DiskPointer& pointer);
void clearIndex(std::int32_t& handle);
void closePaged(std::int32_t& handle, storage::DiskPointer& pointer);
void clearPaged(std::int32_t& handle);

// Creates a slot control of LEVEL and HIER with SLOTS slots, or one slot when OPT is not 0.
void createSlots(std::int32_t& handle, std::int32_t level, std::int32_t hier, std::int32_t slots,
                 std::int32_t opt);

// Slot write-back: every slot of the slot control SLOTS whose entity is above 0 and whose
// write flag is 1 is written to the disk pointer of its entry in INDEX, the pointer is put
// back into the entry and the write flag cleared.
void writeBackSlots(std::int32_t index, std::int32_t slots);

// Destroys a slot control; a handle that is NOCORE is left alone.
void killSlots(std::int32_t& handle);

}  // namespace problem
