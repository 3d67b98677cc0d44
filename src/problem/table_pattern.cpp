// The table pattern: shortcut parts, held sub-blocks, index and paged blocks, slot controls.
#include "problem/table_pattern.hpp"

#include <array>
#include <cstdint>
#include <vector>

#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::NOCORE;

constexpr std::int32_t kRead = 1;
constexpr std::int32_t kWrite = 2;

std::int32_t count(std::size_t n) { return static_cast<std::int32_t>(n); }

}  // namespace

void readShortcut(std::int32_t mblen, MasterBlock mb, std::string_view key,
                  std::int32_t& masterValue, storage::DiskPointer& pointer,
                  std::span<std::int32_t> integers, std::span<double> reals,
                  std::span<storage::DiskPointer> pointers, std::span<char> text) {
  storage::MBGET(mblen, mb, key, masterValue, pointer);
  std::int32_t status = 0;
  storage::FBSHRT(kRead, pointer, count(integers.size()), integers, count(reals.size()), reals,
                  count(pointers.size()), pointers, count(text.size()), text, status);
}

void writeShortcut(std::int32_t mblen, MasterBlock mb, std::string_view key,
                   std::int32_t masterValue, storage::DiskPointer& pointer,
                   std::span<std::int32_t> integers, std::span<double> reals,
                   std::span<storage::DiskPointer> pointers, std::span<char> text) {
  std::int32_t status = 0;
  storage::FBSHRT(kWrite, pointer, count(integers.size()), integers, count(reals.size()), reals,
                  count(pointers.size()), pointers, count(text.size()), text, status);
  if (status == storage::kPointerChanged) storage::MBPUT(mblen, mb, key, masterValue, pointer);
}

void readHeld(HeldBlock& block, const storage::DiskPointer& pointer) {
  block.length = 0;
  block.core = NOCORE;
  std::int32_t status = 0;
  storage::SBRDC(block.length, block.core, pointer, status);
  if (status != 0) {
    block.length = 0;
    block.core = NOCORE;
  }
}

void writeHeld(HeldBlock& block, storage::DiskPointer& pointer) {
  if (!block.held()) return;
  std::int32_t status = 0;
  storage::SBWTC(block.length, block.core, pointer, status);
  storage::CMFREI(block.core);
  block.length = 0;
}

void releaseHeld(HeldBlock& block) {
  if (block.held()) storage::CMFREI(block.core);
  block.core = NOCORE;
  block.length = 0;
}

void openIndex(std::int32_t& handle, const IndexShape& shape,
               const storage::DiskPointer& pointer) {
  handle = NOCORE;
  std::int32_t status = 0;
  storage::FBIBEG(shape.ptrsiz, shape.namsiz, shape.datsiz, shape.pagsiz, shape.mp, handle,
                  pointer, status);
}

void openPaged(std::int32_t& handle, const PagedShape& shape,
               const storage::DiskPointer& pointer) {
  handle = NOCORE;
  std::int32_t status = 0;
  storage::FBPBEG(shape.type, shape.elen, shape.pagsiz, shape.mp, handle, pointer, status);
}

void closeIndex(std::int32_t& handle, storage::DiskPointer& pointer) {
  if (handle != NOCORE) storage::FBIEND(handle, pointer);
}

void clearIndex(std::int32_t& handle) {
  if (handle != NOCORE) storage::FBICLR(handle);
}

void closePaged(std::int32_t& handle, storage::DiskPointer& pointer) {
  if (handle != NOCORE) storage::FBPEND(handle, pointer);
}

void clearPaged(std::int32_t& handle) {
  if (handle != NOCORE) storage::FBPCLR(handle);
}

void createSlots(std::int32_t& handle, std::int32_t level, std::int32_t hier, std::int32_t slots,
                 std::int32_t opt) {
  handle = NOCORE;
  storage::SCCREA(level, hier, opt == 0 ? slots : 1, handle);
}

void writeBackSlots(std::int32_t index, std::int32_t slots) {
  if (index == NOCORE || slots == NOCORE) return;
  const std::int32_t slotCount = storage::CORSTO[slots + storage::scword::kSlotCount];
  const std::int32_t dataWords = storage::CORSTO[index + storage::pagectl::kEntrySize];
  std::vector<std::int32_t> data(static_cast<std::size_t>(std::max(dataWords, 0)));
  for (std::int32_t s = 1; s <= slotCount; ++s) {
    std::int32_t entity = 0, length = 0, core = 0, lock = 0, write = 0, hier = 0;
    storage::SCGET(slots, s, entity, length, core, lock, write, hier);
    if (entity <= 0 || write != 1) continue;
    std::array<char, 1> name{};
    storage::DiskPointer pointer{};
    std::int32_t status = 0;
    storage::FBINUM(kRead, index, entity, name, pointer, data, status);
    if (status != 0) {
      // Writing without the entry's pointer would put the record at no place of its own.
      services::ERRITM("ENTITY", entity);
      services::ERRITM("SLOT", s);
      services::ABTRPT("DB", "DBHSLT", " ", "SLOT HOLDS AN ENTITY THAT HAS NO INDEX ENTRY");
    }
    storage::SBWTC(storage::dp(pointer, storage::dpword::kTotalLength), core, pointer, status);
    storage::FBINUM(kWrite, index, entity, name, pointer, data, status);
    storage::SCSET(slots, s, "WRITE", "STORE", 0);
  }
}

void killSlots(std::int32_t& handle) {
  if (handle != NOCORE) storage::SCKILL(handle);
}

}  // namespace problem
