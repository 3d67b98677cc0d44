// Text utilities: trimming, squeezing, case conversion and the character-class check.
#include <cstdint>
#include <span>
#include <string_view>

#include "services/services.hpp"

namespace services {
namespace {

bool isSmall(char c) { return c >= 'a' && c <= 'z'; }
bool isCapital(char c) { return c >= 'A' && c <= 'Z'; }
char toCapital(char c) { return isSmall(c) ? static_cast<char>(c - 'a' + 'A') : c; }
char toSmall(char c) { return isCapital(c) ? static_cast<char>(c - 'A' + 'a') : c; }

// Keeps the characters for which `keep(c, previous)` says so, compacting to the left.
template <typename Keep>
void compact(std::span<char> text, Keep keep) {
  std::size_t out = 0;
  char previous = ' ';
  for (const char c : text) {
    if (keep(c, previous, out)) text[out++] = c;
    previous = c;
  }
  for (std::size_t i = out; i < text.size(); ++i) text[i] = ' ';
}

}  // namespace

std::int32_t LENTRM(std::string_view text) {
  return static_cast<std::int32_t>(trimRight(text).size());
}

void SQZBLK(std::span<char> text) {
  // A blank is kept only after a non-blank that was itself kept.
  compact(text, [](char c, char previous, std::size_t out) {
    return c != ' ' || (out > 0 && previous != ' ');
  });
}

void NOBLNK(std::span<char> text) {
  compact(text, [](char c, char, std::size_t) { return c != ' '; });
}

void CASECV(std::span<char> text, std::int32_t mode) {
  switch (static_cast<CaseMode>(mode)) {
    case CaseMode::Upper:
      for (char& c : text) c = toCapital(c);
      break;
    case CaseMode::Lower:
      for (char& c : text) c = toSmall(c);
      break;
    case CaseMode::Sentence: {
      bool first = true;
      for (char& c : text) {
        if (first && c != ' ') {
          c = toCapital(c);
          first = false;
        } else if (!first) {
          c = toSmall(c);
        }
      }
      break;
    }
    case CaseMode::Title: {
      char previous = ' ';
      for (char& c : text) {
        c = previous == ' ' ? toCapital(c) : toSmall(c);
        previous = c;
      }
      break;
    }
    default:
      break;
  }
}

void LEXCHK(std::string_view text, std::string_view list1, std::string_view list2, bool flag,
            std::int32_t nclass, std::span<const std::int32_t> table, std::int32_t& err) {
  constexpr std::int32_t kEnd = 1;
  constexpr std::int32_t kLetter = 2;
  constexpr std::int32_t kDigit = 3;
  constexpr std::int32_t kOther = 4;
  constexpr std::int32_t kFirstListClass = 5;

  const std::size_t length = trimRight(text).size();
  std::int32_t state = 1;
  for (std::size_t position = 0; position <= length; ++position) {
    std::int32_t cls = kOther;
    if (position == length) {
      cls = kEnd;
    } else {
      const char c = text[position];
      if (static_cast<unsigned char>(c) < ' ') {
        err = 1;
        return;
      }
      if (isSmall(c) || isCapital(c)) {
        cls = kLetter;
      } else if (c >= '0' && c <= '9') {
        cls = kDigit;
      } else if (const auto at = list1.find(c); at != std::string_view::npos) {
        cls = kFirstListClass + static_cast<std::int32_t>(at);
      } else {
        const bool inList2 = list2.find(c) != std::string_view::npos;
        if (inList2 != flag) {
          err = 1;
          return;
        }
      }
    }
    // TABLE(class, state), NCLASS entries per state.
    const std::int64_t index =
        static_cast<std::int64_t>(state - 1) * nclass + (cls - 1);
    if (cls > nclass || index < 0 || index >= static_cast<std::int64_t>(table.size())) {
      err = 1;
      return;
    }
    const std::int32_t next = table[static_cast<std::size_t>(index)];
    if (next < 0) {
      err = 1;
      return;
    }
    if (next == 0) return;
    state = next;
  }
}

}  // namespace services
