// Core memory: one reservation of 32-bit words for the core store, addressed from word 1
// and committed from its start upward.
//
// The core store names every word by a 32-bit index relative to its first word, and its
// further areas must be reachable by such an index. On a 64-bit machine an ordinary heap
// address may lie far beyond that reach, so the whole store lives in one virtual
// reservation made at first use: the static area at its start, further areas above it.
// The reservation holds kCoreReservedWords words (4 GiB): the static area and all further
// areas of a run together can never exceed that, whatever the machine's memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr std::size_t kCoreReservedWords = std::size_t{1} << 30;

// Address of word 1 of the reservation (8-byte aligned); the reservation is made on first
// use. Returns nullptr only when the machine refuses the reservation itself.
std::int32_t* coreWords();

// Words 1 to coreCommitted() can be read and written.
std::size_t coreCommitted();

// The first word and the committed words together, readable without a call: the core
// store checks every index against them.
struct CoreExtent {
  std::int32_t* base = nullptr;  // word 1; nullptr while nothing is committed
  std::size_t committed = 0;
};
namespace core_detail {
inline constinit CoreExtent extent{};
}  // namespace core_detail
inline const CoreExtent& coreExtent() { return core_detail::extent; }

// Makes words 1 to `words` usable. Words committed for the first time, or again after a
// release, read 0. False when the reservation, a limit set by setCoreLimit or the machine
// refuses; nothing changes then.
bool coreCommit(std::size_t words);

// Gives back every word beyond `keepWords` to the machine.
void coreRelease(std::size_t keepWords);

// For tests: refuse to commit beyond `words` words (0 lifts the limit).
void setCoreLimit(std::size_t words);

}  // namespace platform
