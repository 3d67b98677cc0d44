// Lengths of the header-word sectors of the loaded unit block.
#include "api/access/header_sectors.hpp"

#include <algorithm>
#include <cstdint>

#include "api/access/unit_access.hpp"
#include "storage/storage.hpp"
#include "streamprops/unit_data.hpp"

namespace api_access {

std::int32_t headerSectorLength(storage::SectorKind kind, std::int32_t w) {
  const LoadedUnit& loaded = UNITWK;
  if (loaded.unit == 0 || w < 1 || w > loaded.words) return 0;
  const std::int32_t offset = storage::CORSTO[loaded.block + w];
  const auto& image = storage::SBCUR;
  const std::int32_t sectors = std::clamp(image.count(kind), 0, storage::kMaxSectors);
  // Empty sectors share the offset of the sector after them: the longest one is the one read.
  std::int32_t length = 0;
  for (std::int32_t s = 1; s <= sectors; ++s) {
    if (image.offsets(storage::kindIndex(kind))(static_cast<std::size_t>(s)) != offset) continue;
    length = std::max(length, image.length(kind, s));
  }
  return length;
}

void HeaderSectorLengths::take(storage::SectorKind kind, std::int32_t w) {
  if (size >= kMost) return;
  entries[size++] = Entry{w, kind, headerSectorLength(kind, w)};
}

std::int32_t HeaderSectorLengths::operator()(storage::SectorKind kind, std::int32_t w) const {
  for (std::size_t k = 0; k < size; ++k) {
    if (entries[k].word == w && entries[k].kind == kind) return entries[k].length;
  }
  return 0;
}

std::span<std::int32_t> loadedIntegers(std::int32_t item) {
  return streamprops::loadedIntegers(item);
}
storage::RealView loadedReals(std::int32_t item) { return streamprops::loadedReals(item); }

}  // namespace api_access
