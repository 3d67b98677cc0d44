// Texts stored in 32-bit words, raw (four characters a word) or packed through a table.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "storage/text_words.hpp"

namespace storage {
namespace {

// The character table of the packed form: the blank, then the printable characters in
// code order. Digits 96 to 99 name no character and unpack as blanks.
constexpr std::size_t kTableSize = 98;
constexpr std::array<char, kTableSize> makeTable() {
  std::array<char, kTableSize> table{};
  table.fill(' ');
  for (int code = 33; code <= 127; ++code) {
    table[static_cast<std::size_t>(code - 32)] = static_cast<char>(code);
  }
  return table;
}
constexpr std::array<char, kTableSize> kTable = makeTable();

// Largest first word of a packed array; raw words of printable text lie far above it.
constexpr std::int32_t kLargestPacked = 99999999;

std::int32_t tableIndex(char c) {
  const auto* at = std::find(kTable.begin(), kTable.end(), c);
  return at == kTable.end() ? 0 : static_cast<std::int32_t>(at - kTable.begin());
}

bool isStored(unsigned char code) { return code >= 33 && code <= 127; }

// Field copy: the source up to its end or a NUL goes to the same positions of the
// destination; printable characters are kept, blanks, control and upper-half characters
// become blanks; from the position after the last printable character on, the destination
// is filled with blanks. Returns 1 when a printable character did not fit, else 0.
std::int32_t fieldCopy(std::string_view source, std::span<char> destination) {
  std::int32_t dropped = 0;
  std::size_t fillFrom = 0;
  for (std::size_t j = 0; j < source.size() && source[j] != '\0'; ++j) {
    const auto code = static_cast<unsigned char>(source[j]);
    if (j >= destination.size()) {
      if (isStored(code)) dropped = 1;
      continue;
    }
    if (isStored(code)) {
      destination[j] = source[j];
      fillFrom = j + 1;
    } else {
      destination[j] = ' ';
    }
  }
  std::fill(destination.begin() + static_cast<std::ptrdiff_t>(fillFrom), destination.end(),
            ' ');
  return dropped;
}

std::size_t countOf(std::int32_t n, std::size_t available) {
  return n < 1 ? 0 : std::min(static_cast<std::size_t>(n), available);
}

}  // namespace

std::int32_t packWord(std::span<const char, kCharsPerWord> chars) {
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < kCharsPerWord; ++i) {
    word |= static_cast<std::uint32_t>(static_cast<unsigned char>(chars[i])) << (8 * i);
  }
  return std::bit_cast<std::int32_t>(word);
}

std::array<char, kCharsPerWord> unpackWord(std::int32_t word) {
  const auto bits = std::bit_cast<std::uint32_t>(word);
  std::array<char, kCharsPerWord> chars{};
  for (std::size_t i = 0; i < kCharsPerWord; ++i) {
    chars[i] = static_cast<char>((bits >> (8 * i)) & 0xFFu);
  }
  return chars;
}

void TXTOIW(std::string_view text, std::span<std::int32_t> words, std::int32_t n,
            std::int32_t& ierr) {
  const std::size_t count = countOf(n, words.size());
  std::array<char, kCharsPerWord> chunk{};
  std::string field(count * kCharsPerWord, ' ');
  ierr = fieldCopy(text, field);
  for (std::size_t k = 0; k < count; ++k) {
    std::copy_n(field.begin() + static_cast<std::ptrdiff_t>(k * kCharsPerWord), kCharsPerWord,
                chunk.begin());
    words[k] = packWord(chunk);
  }
}

void TXPKIW(std::string_view text, std::span<std::int32_t> words, std::int32_t n,
            std::int32_t& ierr) {
  const std::size_t count = countOf(n, words.size());
  std::string field(count * kCharsPerWord, ' ');
  ierr = fieldCopy(text, field);
  for (std::size_t k = 0; k < count; ++k) {
    std::int32_t word = 0;
    for (std::size_t i = 0; i < kCharsPerWord; ++i) {
      word = word * 100 + tableIndex(field[k * kCharsPerWord + i]);
    }
    words[k] = word;
  }
}

void IWTOTX(std::span<char> text, std::span<const std::int32_t> words, std::int32_t n,
            std::int32_t& ierr) {
  const std::size_t count = countOf(n, words.size());
  std::string field(count * kCharsPerWord, ' ');
  if (count > 0 && words[0] >= 0 && words[0] <= kLargestPacked) {
    for (std::size_t k = 0; k < count; ++k) {
      const std::int32_t word = words[k];
      constexpr std::array<std::int32_t, kCharsPerWord> kPlaces{1000000, 10000, 100, 1};
      for (std::size_t i = 0; i < kCharsPerWord; ++i) {
        const auto digit = static_cast<std::size_t>(((word / kPlaces[i]) % 100 + 100) % 100);
        field[k * kCharsPerWord + i] = digit < kTableSize ? kTable[digit] : ' ';
      }
    }
  } else {
    for (std::size_t k = 0; k < count; ++k) {
      const auto chars = unpackWord(words[k]);
      std::copy(chars.begin(), chars.end(),
                field.begin() + static_cast<std::ptrdiff_t>(k * kCharsPerWord));
    }
  }
  ierr = fieldCopy(field, text);
}

}  // namespace storage
