// Texts stored in 32-bit words, raw or packed through a character table.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace storage {

// Characters per stored word.
inline constexpr std::size_t kCharsPerWord = 4;

// Four characters as one word: the first in the lowest-addressed byte, so that the
// characters stand in their natural order in a little-endian file.
std::int32_t packWord(std::span<const char, kCharsPerWord> chars);

// The four characters of a word, lowest-addressed byte first.
std::array<char, kCharsPerWord> unpackWord(std::int32_t word);

// Raw form: TEXT cut or blank-padded to 4N characters, four to a word. IERR = 1 when a
// non-blank character did not fit.
void TXTOIW(std::string_view text, std::span<std::int32_t> words, std::int32_t n,
            std::int32_t& ierr);

// Table form: each character replaced by its index in the character table, four indexes to
// a word as base-100 digits, the first most significant.
void TXPKIW(std::string_view text, std::span<std::int32_t> words, std::int32_t n,
            std::int32_t& ierr);

// N words to TEXT, raw or table form as the first word tells (table form: 0 to 99,999,999).
void IWTOTX(std::span<char> text, std::span<const std::int32_t> words, std::int32_t n,
            std::int32_t& ierr);

}  // namespace storage
