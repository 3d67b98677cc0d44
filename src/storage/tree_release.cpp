// Releasing the disk space of a whole tree of sub-blocks.
#include <array>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "storage/blocks.hpp"
#include "storage/core_store.hpp"
#include "storage/current_routine.hpp"
#include "storage/files.hpp"
#include "storage/sub_block.hpp"

namespace storage {
namespace {

using services::NOCORE;
using services::NODISK;

// Deepest tree the release walks; the database's trees are a few levels deep.
constexpr std::size_t kMaxDepth = 50;
constexpr std::int32_t kPrimaryEntryWords = 9;

// A block being walked: its core area and the position of the next pointer to look at.
struct Frame {
  std::int32_t core = NOCORE;
  std::int32_t length = 0;
  std::int32_t sector = 1;     // disk-pointer sector
  std::int32_t entry = 1;      // entry of that sector
  std::int32_t secondary = 1;  // entry of the entry's secondary sector
};

// Reads the block into a new core area and gives its disk space back.
Frame open(DiskPointer& pointer) {
  Frame frame;
  std::int32_t status = 0;
  SBRDC(frame.length, frame.core, pointer, status);
  std::int32_t address = dp(pointer, dpword::kAddress);
  FILFRE(dp(pointer, dpword::kTotalLength), address);
  pointer = emptyDiskPointer();
  return frame;
}

// The next pointer of the frame's block that names a block, or false when there is none;
// the block is the current sub-block.
bool nextChild(Frame& frame, DiskPointer& child) {
  for (; frame.sector <= SBCUR.count(SectorKind::Pointer); ++frame.sector, frame.entry = 1) {
    if (SBCUR.entrySizes(1)(static_cast<std::size_t>(frame.sector)) != kPrimaryEntryWords) {
      continue;
    }
    const std::int32_t entries = SBCUR.length(SectorKind::Pointer, frame.sector);
    // The sector's entries, checked once; the sub-block's header placed them in its block.
    const std::span<const std::int32_t> sector = CORSTO.words(
        SBCUR.pointer(SectorKind::Pointer, frame.sector) + 1, entries * kPrimaryEntryWords);
    for (; frame.entry <= entries; ++frame.entry, frame.secondary = 1) {
      const auto at = [&](std::int32_t k) {
        return sector[static_cast<std::size_t>((frame.entry - 1) * kPrimaryEntryWords + k - 1)];
      };
      const std::int32_t linked = at(1);
      // A pointer held whole in the entry that names no block: nothing to fetch.
      if (linked == 0 && at(dpword::kAddress) == NODISK) continue;
      const std::int32_t secondaries =
          linked == 0 ? 1
                      : (linked >= 1 && linked <= SBCUR.count(SectorKind::Pointer)
                             ? SBCUR.length(SectorKind::Pointer, linked)
                             : 0);
      while (frame.secondary <= secondaries) {
        SBGETC(frame.length, frame.core, frame.sector, frame.entry,
               linked == 0 ? 0 : frame.secondary, child);
        ++frame.secondary;
        if (dp(child, dpword::kAddress) != NODISK) return true;
      }
    }
  }
  return false;
}

// Walks the tree under the bottom frame, releasing every block below it; the bottom frame's
// own core area is freed only when FREEBOTTOM.
void releaseBelow(Frame bottom, bool freeBottom) {
  std::array<Frame, kMaxDepth> stack{};
  std::size_t depth = 0;
  stack[depth++] = bottom;
  while (depth > 0) {
    Frame& frame = stack[depth - 1];
    SBSETC(frame.length, frame.core);
    DiskPointer child{};
    if (nextChild(frame, child)) {
      if (depth == kMaxDepth) {
        services::ERRITM("DEPTH", static_cast<std::int32_t>(depth));
        services::ABTRPT("FB", "FBITRF", CURRTN.fb.view(), "BLOCK TREE TOO DEEP TO RELEASE");
      }
      stack[depth++] = open(child);
      continue;
    }
    if (depth > 1 || freeBottom) CMFREI(frame.core);
    --depth;
  }
}

}  // namespace

void FBITRF(DiskPointer& dskptr) {
  if (dp(dskptr, dpword::kAddress) == NODISK) return;
  releaseBelow(open(dskptr), true);
}

void releaseSubtrees(std::int32_t len, std::int32_t p) {
  Frame bottom;
  bottom.core = p;
  bottom.length = len;
  releaseBelow(bottom, false);
}

}  // namespace storage
