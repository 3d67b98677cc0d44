// Blank-padded texts of fixed length, and the few helpers every text routine shares.
//
// A routine that reads a text takes std::string_view; one that changes a text in place
// takes std::span<char>, whose size is the text's declared length. FixedText<N> owns N
// characters and converts to both.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace services {

// Copies `source` into `target`, cut at the target's length or padded with blanks.
inline void assignText(std::span<char> target, std::string_view source) {
  const std::size_t n = std::min(target.size(), source.size());
  std::copy_n(source.begin(), n, target.begin());
  std::fill(target.begin() + static_cast<std::ptrdiff_t>(n), target.end(), ' ');
}

inline void blankText(std::span<char> target) { std::fill(target.begin(), target.end(), ' '); }

// The text without its trailing blanks.
inline std::string_view trimRight(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
}

inline bool isBlank(std::string_view text) { return trimRight(text).empty(); }

// Texts compared as blank-padded: trailing blanks do not count.
inline bool sameText(std::string_view a, std::string_view b) {
  return trimRight(a) == trimRight(b);
}

inline std::string_view viewOf(std::span<const char> text) {
  return std::string_view(text.data(), text.size());
}

template <std::size_t N>
class FixedText {
 public:
  FixedText() { chars_.fill(' '); }
  explicit FixedText(std::string_view text) { assign(text); }

  void assign(std::string_view text) { assignText(chars_, text); }
  void blank() { chars_.fill(' '); }

  static constexpr std::size_t size() { return N; }
  char* data() { return chars_.data(); }
  const char* data() const { return chars_.data(); }

  // 1-based character access, as the text routines count positions.
  char& at(std::size_t position) { return chars_[position - 1]; }
  char at(std::size_t position) const { return chars_[position - 1]; }

  std::string_view view() const { return std::string_view(chars_.data(), N); }
  std::string_view trimmed() const { return trimRight(view()); }
  std::string str() const { return std::string(view()); }
  bool isBlank() const { return trimmed().empty(); }

  std::span<char> span() { return chars_; }
  operator std::span<char>() { return chars_; }
  operator std::string_view() const { return view(); }

  bool operator==(const FixedText&) const = default;

 private:
  std::array<char, N> chars_;
};

}  // namespace services
