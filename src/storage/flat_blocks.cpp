// Flat and shortcut blocks: one caller array, or one small record of integers, 8-byte
// reals, disk pointers and a text, stored as a sub-block of its own under a disk pointer.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/services.hpp"
#include "storage/blocks.hpp"
#include "storage/core_store.hpp"
#include "storage/current_routine.hpp"
#include "storage/sub_block.hpp"
#include "storage/text_words.hpp"

namespace storage {
namespace {

using services::ABTRPT;
using services::ERRITM;
using services::NOCORE;

constexpr std::int32_t kRead = 1;

std::int32_t wordsFor(std::int32_t characters) { return (std::max(characters, 0) + 3) / 4; }

// The number of elements the caller can take: its count, within its array.
std::int32_t capacity(std::int32_t count, std::size_t available) {
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(std::max(count, 0), static_cast<std::int64_t>(available)));
}

// A read goes only through a pointer to a block of the routine's own type.
void checkType(std::string_view routine, const DiskPointer& dskptr, BlockType type,
               std::string_view message) {
  if (dp(dskptr, dpword::kBlockType) != static_cast<std::int32_t>(type)) {
    ERRITM("BLK TYP", dp(dskptr, dpword::kBlockType));
    ABTRPT("FB", routine, CURRTN.fb.view(), message);
  }
}

void checkCapacity(std::string_view routine, std::int32_t stored, std::int32_t wanted,
                   std::string_view message) {
  if (wanted < stored) {
    ERRITM("FIL SIZ", stored);
    ERRITM("ARR SIZ", wanted);
    ABTRPT("FB", routine, CURRTN.fb.view(), message);
  }
}

// Reads the block into a new core area; false (nothing read) through an empty pointer.
bool readBlock(const DiskPointer& dskptr, std::int32_t& core, std::int32_t& status) {
  std::int32_t len = 0;
  core = NOCORE;
  SBRDC(len, core, dskptr, status);
  return status == 0;
}

// Writes the block built in core area P under DSKPTR and frees the area.
void writeBlock(std::int32_t len, std::int32_t& p, BlockType type, DiskPointer& dskptr,
                std::int32_t& status) {
  SBIDC(len, p, static_cast<std::int32_t>(type), 0, 0);
  SBWTC(len, p, dskptr, status);
  CMFREI(p);
}

// A flat block of one sector: built hard (no core is an abort, not a write from index 0).
std::int32_t buildFlat(std::int32_t& len, std::int32_t integers, std::int32_t singles) {
  std::int32_t p = NOCORE;
  std::int32_t ierr = 0;
  SBSGLC(len, p, 0, ierr, 0, 0, 0, integers, 0, singles, 0);
  return p;
}

}  // namespace

void FBSHRT(std::int32_t opt, DiskPointer& dskptr, std::int32_t nint,
            std::span<std::int32_t> integers, std::int32_t nreal, std::span<double> reals,
            std::int32_t nptr, std::span<DiskPointer> pointers, std::int32_t nchr,
            std::span<char> text, std::int32_t& status) {
  CURRTN.fb.assign("FBSHRT");
  const std::int32_t ints = capacity(nint, integers.size());
  const std::int32_t reals8 = capacity(nreal, reals.size());
  const std::int32_t ptrs = capacity(nptr, pointers.size());
  const std::int32_t chars = capacity(nchr, text.size());

  if (opt != kRead) {
    // Always the four sectors, also those of length 0.
    const std::array<std::int32_t, 1> pointerLength{ptrs};
    static constexpr std::array<std::int32_t, 1> kPointerSize{9};
    const std::array<std::int32_t, 2> integerLengths{ints, wordsFor(chars)};
    const std::array<std::int32_t, 1> realLength{reals8};
    SubBlockSpec spec;
    spec[SectorKind::Pointer] = {pointerLength, kPointerSize};
    spec[SectorKind::Integer] = {integerLengths, {}};
    spec[SectorKind::Real] = {realLength, {}};
    std::int32_t len = 0;
    std::int32_t p = NOCORE;
    std::int32_t ierr = 0;
    SBMLTC(len, p, 0, ierr, spec);
    const std::int32_t integerStart = SBCUR.pointer(SectorKind::Integer, 1);
    for (std::int32_t i = 0; i < ints; ++i)
      CORSTO[integerStart + i + 1] = integers[static_cast<std::size_t>(i)];
    const std::int32_t realStart = SBCUR.pointer(SectorKind::Real, 1);
    for (std::int32_t i = 0; i < reals8; ++i)
      CORSTO.setReal(realStart + i + 1, reals[static_cast<std::size_t>(i)]);
    const std::int32_t pointerStart = SBCUR.pointer(SectorKind::Pointer, 1);
    for (std::int32_t i = 0; i < ptrs; ++i) {
      for (std::int32_t k = 1; k <= 9; ++k) {
        CORSTO[pointerStart + 9 * i + k] = dp(pointers[static_cast<std::size_t>(i)], k);
      }
    }
    if (chars > 0) {
      std::int32_t ierr2 = 0;
      const std::int32_t words = wordsFor(chars);
      TXTOIW(services::viewOf(text.first(static_cast<std::size_t>(chars))),
             CORSTO.words(SBCUR.pointer(SectorKind::Integer, 2) + 1, words), words, ierr2);
    }
    writeBlock(len, p, BlockType::Shortcut, dskptr, status);
    return;
  }

  checkType("FBSHRT", dskptr, BlockType::Shortcut, "BLOCK IS NOT A SHORTCUT BLOCK");
  std::int32_t core = NOCORE;
  if (!readBlock(dskptr, core, status)) return;
  const std::int32_t storedInts = SBCUR.length(SectorKind::Integer, 1);
  const std::int32_t storedReals = SBCUR.length(SectorKind::Real, 1);
  const std::int32_t storedPtrs = SBCUR.length(SectorKind::Pointer, 1);
  const std::int32_t storedWords = SBCUR.length(SectorKind::Integer, 2);
  checkCapacity("FBSHRT", storedInts, ints, "INTEGER SIZES DO NOT MATCH");
  checkCapacity("FBSHRT", storedReals, reals8, "REAL SIZES DO NOT MATCH");
  checkCapacity("FBSHRT", storedPtrs, ptrs, "POINTER SIZES DO NOT MATCH");
  checkCapacity("FBSHRT", 4 * storedWords, chars, "CHARACTER SIZES DO NOT MATCH");
  const std::int32_t integerStart = SBCUR.pointer(SectorKind::Integer, 1);
  for (std::int32_t i = 0; i < storedInts; ++i)
    integers[static_cast<std::size_t>(i)] = CORSTO[integerStart + i + 1];
  const std::int32_t realStart = SBCUR.pointer(SectorKind::Real, 1);
  for (std::int32_t i = 0; i < storedReals; ++i)
    reals[static_cast<std::size_t>(i)] = CORSTO.real(realStart + i + 1);
  const std::int32_t pointerStart = SBCUR.pointer(SectorKind::Pointer, 1);
  for (std::int32_t i = 0; i < storedPtrs; ++i) {
    for (std::int32_t k = 1; k <= 9; ++k) {
      dp(pointers[static_cast<std::size_t>(i)], k) = CORSTO[pointerStart + 9 * i + k];
    }
  }
  if (chars > 0 && storedWords > 0) {
    std::int32_t ierr = 0;
    IWTOTX(text.first(static_cast<std::size_t>(chars)),
           CORSTO.words(SBCUR.pointer(SectorKind::Integer, 2) + 1, storedWords), storedWords, ierr);
  }
  CMFREI(core);
}

void FBFINT(std::int32_t opt, DiskPointer& dskptr, std::int32_t n, std::span<std::int32_t> integers,
            std::int32_t& status) {
  CURRTN.fb.assign("FBFINT");
  const std::int32_t count = capacity(n, integers.size());
  if (opt != kRead) {
    std::int32_t len = 0;
    std::int32_t p = buildFlat(len, count, 0);
    const std::int32_t start = SBCUR.pointer(SectorKind::Integer, 1);
    for (std::int32_t i = 0; i < count; ++i)
      CORSTO[start + i + 1] = integers[static_cast<std::size_t>(i)];
    writeBlock(len, p, BlockType::FlatInteger, dskptr, status);
    return;
  }
  checkType("FBFINT", dskptr, BlockType::FlatInteger, "BLOCK IS NOT A FLAT INTEGER BLOCK");
  std::int32_t core = NOCORE;
  if (!readBlock(dskptr, core, status)) return;
  const std::int32_t stored = SBCUR.length(SectorKind::Integer, 1);
  checkCapacity("FBFINT", stored, count, "INTEGER SIZES DO NOT MATCH");
  const std::int32_t start = SBCUR.pointer(SectorKind::Integer, 1);
  for (std::int32_t i = 0; i < stored; ++i)
    integers[static_cast<std::size_t>(i)] = CORSTO[start + i + 1];
  CMFREI(core);
}

void FBFSGL(std::int32_t opt, DiskPointer& dskptr, std::int32_t n, std::span<float> singles,
            std::int32_t& status) {
  CURRTN.fb.assign("FBFSGL");
  const std::int32_t count = capacity(n, singles.size());
  if (opt != kRead) {
    std::int32_t len = 0;
    std::int32_t p = buildFlat(len, 0, count);
    const std::int32_t start = SBCUR.pointer(SectorKind::Single, 1);
    for (std::int32_t i = 0; i < count; ++i)
      CORSTO.setSingle(start + i + 1, singles[static_cast<std::size_t>(i)]);
    writeBlock(len, p, BlockType::FlatSingle, dskptr, status);
    return;
  }
  checkType("FBFSGL", dskptr, BlockType::FlatSingle, "BLOCK IS NOT A FLAT SINGLE BLOCK");
  std::int32_t core = NOCORE;
  if (!readBlock(dskptr, core, status)) return;
  const std::int32_t stored = SBCUR.length(SectorKind::Single, 1);
  checkCapacity("FBFSGL", stored, count, "SINGLE PRECISION SIZES DO NOT MATCH");
  const std::int32_t start = SBCUR.pointer(SectorKind::Single, 1);
  for (std::int32_t i = 0; i < stored; ++i)
    singles[static_cast<std::size_t>(i)] = CORSTO.single(start + i + 1);
  CMFREI(core);
}

void FBFCHR(std::int32_t opt, DiskPointer& dskptr, std::int32_t n, std::span<char> text,
            std::int32_t& status) {
  CURRTN.fb.assign("FBFCHR");
  const std::int32_t chars = capacity(n, text.size());
  const std::span<char> field = text.first(static_cast<std::size_t>(chars));
  if (opt != kRead) {
    const std::int32_t words = wordsFor(chars);
    std::int32_t len = 0;
    std::int32_t p = buildFlat(len, words, 0);
    if (words > 0) {
      std::int32_t ierr = 0;
      TXTOIW(services::viewOf(field),
             CORSTO.words(SBCUR.pointer(SectorKind::Integer, 1) + 1, words), words, ierr);
    }
    writeBlock(len, p, BlockType::FlatCharacter, dskptr, status);
    return;
  }
  checkType("FBFCHR", dskptr, BlockType::FlatCharacter, "BLOCK IS NOT A FLAT CHARACTER BLOCK");
  std::int32_t core = NOCORE;
  if (!readBlock(dskptr, core, status)) return;
  const std::int32_t words = SBCUR.length(SectorKind::Integer, 1);
  checkCapacity("FBFCHR", 4 * words, chars, "CHARACTER SIZES DO NOT MATCH");
  services::blankText(field);
  if (words > 0) {
    std::int32_t ierr = 0;
    IWTOTX(field, CORSTO.words(SBCUR.pointer(SectorKind::Integer, 1) + 1, words), words, ierr);
  }
  CMFREI(core);
}

}  // namespace storage
