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
// is filled with blanks. The source is given one character at a time (put), so that a field
// built on the fly needs no buffer of its own; finish returns 1 when a printable character
// did not fit, else 0.
class FieldCopy {
 public:
  explicit FieldCopy(std::span<char> destination) : destination_(destination) {}

  // The next source character; false once a NUL has ended the source.
  bool put(char c) {
    if (ended_ || c == '\0') {
      ended_ = true;
      return false;
    }
    const auto code = static_cast<unsigned char>(c);
    if (at_ >= destination_.size()) {
      if (isStored(code)) dropped_ = 1;
    } else if (isStored(code)) {
      destination_[at_] = c;
      fillFrom_ = at_ + 1;
    } else {
      destination_[at_] = ' ';
    }
    ++at_;
    return true;
  }

  std::int32_t finish() {
    std::fill(destination_.begin() + static_cast<std::ptrdiff_t>(fillFrom_), destination_.end(),
              ' ');
    return dropped_;
  }

 private:
  std::span<char> destination_;
  std::size_t at_ = 0, fillFrom_ = 0;
  std::int32_t dropped_ = 0;
  bool ended_ = false;
};

std::int32_t fieldCopy(std::string_view source, std::span<char> destination) {
  FieldCopy copy(destination);
  for (const char c : source) {
    if (!copy.put(c)) break;
  }
  return copy.finish();
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
  // The field of 4 COUNT characters goes to TEXT as it is unpacked, word by word.
  FieldCopy copy(text);
  if (count > 0 && words[0] >= 0 && words[0] <= kLargestPacked) {
    constexpr std::array<std::int32_t, kCharsPerWord> kPlaces{1000000, 10000, 100, 1};
    for (std::size_t k = 0; k < count; ++k) {
      for (std::size_t i = 0; i < kCharsPerWord; ++i) {
        const auto digit = static_cast<std::size_t>(((words[k] / kPlaces[i]) % 100 + 100) % 100);
        copy.put(digit < kTableSize ? kTable[digit] : ' ');
      }
    }
  } else {
    for (std::size_t k = 0; k < count; ++k) {
      for (const char c : unpackWord(words[k])) copy.put(c);
    }
  }
  ierr = copy.finish();
}

}  // namespace storage
