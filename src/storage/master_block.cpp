// Master blocks: the named entry points of a database, each name mapped to a disk pointer
// and one integer.
#include <cstdint>
#include <span>
#include <string_view>

#include "services/services.hpp"
#include "storage/blocks.hpp"
#include "storage/current_routine.hpp"
#include "storage/sub_block.hpp"
#include "storage/text_words.hpp"

namespace storage {
namespace {

using services::ABTRPT;
using services::ERRITM;

constexpr std::int32_t kNameWords = 3;
constexpr std::int32_t kCapacityWord = 1;
constexpr std::int32_t kUsedWord = 2;

// Element i of sector `sector` of the current sub-block, an image in the caller's array.
std::int32_t& arrayElement(std::span<std::int32_t> array, std::int32_t sector, std::int32_t i) {
  const std::int32_t index = SBCUR.pointer(SectorKind::Integer, sector) + i;
  if (index < 1 || static_cast<std::size_t>(index) > array.size()) {
    ERRITM("SECTOR", sector);
    ERRITM("ELEMENT", i);
    ABTRPT("MB", "MBFIND", CURRTN.mb.view(), "MASTER BLOCK LAYOUT IS NOT VALID");
  }
  return array[static_cast<std::size_t>(index - 1)];
}

// The name as the master block compares it: its first 12 characters, blank-padded.
services::FixedText<kMasterNameLength> keyOf(std::string_view name) {
  return services::FixedText<kMasterNameLength>(name.substr(0, kMasterNameLength));
}

[[noreturn]] void full(std::string_view routine) {
  ABTRPT("MB", routine, CURRTN.mb.view(), "MASTER BLOCK IS FULL");
}

}  // namespace

void MBFIND(std::int32_t len, std::span<std::int32_t> array, std::string_view name,
            std::int32_t& pos) {
  pos = 0;
  SBSETA(len, array);
  const std::int32_t type = SBCUR.header(sbhead::kBlockType);
  if (type != static_cast<std::int32_t>(BlockType::Master)) {
    ERRITM("BLK TYP", type);
    ABTRPT("MB", "MBFIND", CURRTN.mb.view(), "BLOCK IS NOT A MASTER BLOCK");
  }
  const auto key = keyOf(name);
  const std::int32_t used = arrayElement(array, 1, kUsedWord);
  if (used > SBCUR.length(SectorKind::Integer, 3) ||
      std::int64_t{used} * kNameWords > SBCUR.length(SectorKind::Integer, 2)) {
    ERRITM("USED", used);
    ABTRPT("MB", "MBFIND", CURRTN.mb.view(), "MASTER BLOCK LAYOUT IS NOT VALID");
  }
  for (std::int32_t k = 1; k <= used; ++k) {
    services::FixedText<kMasterNameLength> stored;
    std::int32_t ierr = 0;
    const std::int32_t first = (k - 1) * kNameWords + 1;
    arrayElement(array, 2, first + kNameWords - 1);  // the name lies in the image
    const std::size_t at =
        static_cast<std::size_t>(SBCUR.pointer(SectorKind::Integer, 2) + first - 1);
    IWTOTX(stored, std::span<const std::int32_t>(array).subspan(at, kNameWords), kNameWords, ierr);
    if (stored == key) {
      pos = k;
      return;
    }
  }
}

void MBGET(std::int32_t len, std::span<std::int32_t> array, std::string_view name,
           std::int32_t& mbval, DiskPointer& dskptr) {
  CURRTN.mb.assign("MBGET");
  std::int32_t pos = 0;
  MBFIND(len, array, name, pos);
  if (pos == 0) {
    if (arrayElement(array, 1, kUsedWord) >= arrayElement(array, 1, kCapacityWord)) {
      full("MBGET");
    }
    dskptr = emptyDiskPointer();
    mbval = 0;
    return;
  }
  SBGETA(len, array, 1, 1, pos, dskptr);
  mbval = arrayElement(array, 3, pos);
}

void MBPUT(std::int32_t len, std::span<std::int32_t> array, std::string_view name,
           std::int32_t mbval, const DiskPointer& dskptr) {
  CURRTN.mb.assign("MBPUT");
  std::int32_t pos = 0;
  MBFIND(len, array, name, pos);
  if (pos == 0) {
    const std::int32_t used = arrayElement(array, 1, kUsedWord);
    if (used >= arrayElement(array, 1, kCapacityWord) ||
        used >= SBCUR.length(SectorKind::Integer, 3)) {
      full("MBPUT");
    }
    pos = used + 1;
    SBPUTA(len, array, 1, 1, pos, dskptr);
    arrayElement(array, 1, kUsedWord) = pos;
    const std::int32_t first = (pos - 1) * kNameWords + 1;
    arrayElement(array, 2, first + kNameWords - 1);
    const std::size_t at =
        static_cast<std::size_t>(SBCUR.pointer(SectorKind::Integer, 2) + first - 1);
    std::int32_t ierr = 0;
    TXTOIW(keyOf(name).view(), array.subspan(at, kNameWords), kNameWords, ierr);
    arrayElement(array, 3, pos) = mbval;
    return;
  }
  SBPUTA(len, array, 1, 1, pos, dskptr);
  arrayElement(array, 3, pos) = mbval;
}

}  // namespace storage
