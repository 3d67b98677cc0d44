#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "storage/storage.hpp"

namespace {

std::vector<std::int32_t> toWords(std::string_view text, std::int32_t n, std::int32_t& ierr,
                                  bool packed = false) {
  std::vector<std::int32_t> words(static_cast<std::size_t>(n), -1);
  if (packed) {
    storage::TXPKIW(text, words, n, ierr);
  } else {
    storage::TXTOIW(text, words, n, ierr);
  }
  return words;
}

std::string toText(const std::vector<std::int32_t>& words, std::size_t length,
                   std::int32_t& ierr) {
  std::string text(length, '#');
  storage::IWTOTX(std::span<char>(text), words, static_cast<std::int32_t>(words.size()), ierr);
  return text;
}

TEST(TextWords, RawWordsHoldTheFirstCharacterInTheLowestByte) {
  const std::array<char, 4> chars = {'A', 'B', 'C', 'D'};
  const std::int32_t word = storage::packWord(chars);
  EXPECT_EQ(word, 0x44434241);
  EXPECT_EQ(storage::unpackWord(word), chars);
  // In a little-endian file the characters stand in their natural order.
  std::array<unsigned char, 4> bytes{};
  const auto bits = std::bit_cast<std::uint32_t>(word);
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = (bits >> (8 * i)) & 0xFF;
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "ABCD");
}

TEST(TextWords, RawFormCutsPadsAndCleans) {
  struct Case {
    std::string text;
    std::int32_t n;
    std::string back;
    std::int32_t ierr;
  };
  const std::vector<Case> cases = {
      {"ABCDE", 2, "ABCDE   ", 0},
      {"STREAM-9X", 2, "STREAM-9", 1},
      {"STREAM-9 ", 2, "STREAM-9", 0},
      {"A\tB\t\t", 2, "A B     ", 0},
      {"", 2, "        ", 0},
      {std::string("AB\0CD", 5), 2, "AB      ", 0},
      {"\xC3\xA9t\xC3\xA9", 2, "  t     ", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.back);
    std::int32_t ierr = -1;
    const auto words = toWords(c.text, c.n, ierr);
    EXPECT_EQ(ierr, c.ierr);
    for (const std::int32_t w : words) EXPECT_GE(w, 536870912) << "a raw word of text";
    EXPECT_EQ(toText(words, c.back.size(), ierr), c.back);
    EXPECT_EQ(ierr, 0);
  }
}

TEST(TextWords, PackedFormRoundTripsEveryPrintableCharacter) {
  std::string all;
  for (int code = 32; code <= 127; ++code) all += static_cast<char>(code);
  all += "XX";  // 98 characters: 24 words and two
  std::int32_t ierr = -1;
  const auto words = toWords(all, 25, ierr, true);
  EXPECT_EQ(ierr, 0);
  for (const std::int32_t w : words) {
    EXPECT_GE(w, 0);
    EXPECT_LE(w, 97979797);
  }
  std::string expected = all;
  expected.resize(100, ' ');
  EXPECT_EQ(toText(words, 100, ierr), expected);
  EXPECT_EQ(words[0], 10203) << "blank, '!', '\"', '#' are table places 0 to 3";
}

TEST(TextWords, UnpackingChoosesTheFormByTheFirstWord) {
  std::int32_t ierr = -1;
  EXPECT_EQ(toText({0, 0}, 8, ierr), "        ") << "all-zero packed words are blanks";
  const std::int32_t blanks = storage::packWord(std::array<char, 4>{' ', ' ', ' ', ' '});
  EXPECT_EQ(toText({blanks, blanks}, 8, ierr), "        ");
  EXPECT_EQ(toText({99999999}, 4, ierr), "    ") << "digits beyond the table unpack as blanks";
  EXPECT_EQ(toText({storage::packWord(std::array<char, 4>{'N', 'A', 'M', 'E'})}, 2, ierr),
            "NA");
  EXPECT_EQ(ierr, 1) << "text that did not fit the caller's length";
}

}  // namespace
