// The calls of the flash layer into the flash calls above it. The flash calls fill each
// slot when the library starts; a slot left empty does what is said beside it.
#pragma once

#include <cstdint>
#include <string_view>

namespace flash {

// The iteration-history hook of the flashes (OTHIST of the flash calls): a note line with
// a mode word. Empty: the line goes nowhere.
using HistoryHook = void (*)(std::int32_t mode, std::string_view text);

// Fills the slot (nullptr empties it); returns the routine it held.
HistoryHook fillHistoryHook(HistoryHook routine);

// Hands MODE and TEXT to the hook, when the slot is filled.
void historyHook(std::int32_t mode, std::string_view text);

}  // namespace flash
