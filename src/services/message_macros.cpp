// Expansion of the "$" macros of a message text from the message parameters.
//
//   $I n$  $R n$  $C n$  $D n$  $DU1$      parameter n of that kind
//   $S a,b$ or $S a:b$                    characters a to b of the composition text
//   $T n(alt1/alt2/...)$                  alternative k, k = integer parameter n
//   $L n(key)$                            alternative k of the list "key" of the file
//
// Blanks may stand between the parts. A malformed macro inserts "$MACRO ERROR$".
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "services/services.hpp"

namespace services {
namespace {

constexpr std::string_view kMacroError = "$MACRO ERROR$";
constexpr std::string_view kMissing = "MISSING";
constexpr std::int32_t kIntegerParameters = 10;
constexpr std::int32_t kRealParameters = 10;
constexpr std::int32_t kShortTexts = 10;
constexpr std::int32_t kLongTexts = 5;
constexpr std::int32_t kCompositionWidth = 250;
constexpr std::size_t kDu1Shown = 60;
constexpr std::size_t kListKeyWidth = 12;
constexpr std::int32_t kRealDigits = 5;
constexpr std::int32_t kRealMode = 10;

std::string_view heldText() {
  return MSGTXT.messageText.view().substr(0, static_cast<std::size_t>(MSGTXT.messageLength));
}

char charAt(std::int32_t position) {
  const std::string_view text = heldText();
  if (position < 1 || static_cast<std::size_t>(position) > text.size()) return '\0';
  return text[static_cast<std::size_t>(position - 1)];
}

// Skips blanks from the expansion position.
void skipBlanks() {
  while (charAt(MSGTXT.expansionPosition) == ' ') ++MSGTXT.expansionPosition;
}

// Reads the macro's number and checks it lies in 1..limit.
bool readNumber(std::int32_t limit, std::int32_t& n) {
  std::int32_t err = 0;
  MSGNUM(n, err);
  return err == 0 && n >= 1 && n <= limit;
}

// Whether the expansion position stands on the character `c`; moves past it when so.
bool expect(char c) {
  skipBlanks();
  if (charAt(MSGTXT.expansionPosition) != c) return false;
  ++MSGTXT.expansionPosition;
  return true;
}

// Whether only blanks stand between the expansion position and the closing "$".
bool atClose() {
  skipBlanks();
  return MSGTXT.expansionPosition == MSGTXT.macroEnd;
}

// Alternative k (1-based) of a "/"-separated list; false when there are fewer.
bool alternative(std::string_view list, std::int32_t k, std::string_view& out) {
  if (k < 1) return false;
  std::size_t from = 0;
  for (std::int32_t i = 1; i < k; ++i) {
    const std::size_t slash = list.find('/', from);
    if (slash == std::string_view::npos) return false;
    from = slash + 1;
  }
  const std::size_t to = list.find('/', from);
  out = list.substr(from, to == std::string_view::npos ? std::string_view::npos : to - from);
  return true;
}

void appendTrimmed(std::string_view value) {
  MSGAPP(value, 1, static_cast<std::int32_t>(value.size()), true);
}

// The bracketed part of a T or L macro: from after "(" to before the first ")".
bool bracketed(std::string_view& inside) {
  if (!expect('(')) return false;
  const std::int32_t open = MSGTXT.expansionPosition;
  const std::int32_t close = STRIDX(heldText(), open, MSGTXT.macroEnd - 1, ")");
  if (close == 0) return false;
  inside = heldText().substr(static_cast<std::size_t>(open - 1),
                             static_cast<std::size_t>(close - open));
  MSGTXT.expansionPosition = close + 1;
  return true;
}

// Expands the macro whose letter stands at the expansion position; false when malformed.
bool expand() {
  const char letter = charAt(MSGTXT.expansionPosition);
  ++MSGTXT.expansionPosition;
  std::int32_t n = 0;
  switch (letter) {
    case 'I': {
      if (!readNumber(kIntegerParameters, n) || !atClose()) return false;
      const std::int32_t value = MSGPAR.integers(static_cast<std::size_t>(n));
      appendTrimmed(value == IMISS ? std::string(kMissing) : std::to_string(value));
      return true;
    }
    case 'R': {
      if (!readNumber(kRealParameters, n) || !atClose()) return false;
      const double value = MSGPAR.reals(static_cast<std::size_t>(n));
      if (value < RMISS) {
        appendTrimmed(kMissing);
      } else {
        FixedText<12> text;
        std::int32_t nout = 0;
        RFMT12(kRealMode, kRealDigits, nout, value, text);
        appendTrimmed(text.view());
      }
      return true;
    }
    case 'C':
      if (!readNumber(kShortTexts, n) || !atClose()) return false;
      appendTrimmed(MSGPAR.shortTexts(static_cast<std::size_t>(n)).view());
      return true;
    case 'D':
      if (charAt(MSGTXT.expansionPosition) == 'U' &&
          charAt(MSGTXT.expansionPosition + 1) == '1') {
        MSGTXT.expansionPosition += 2;
        if (!atClose()) return false;
        appendTrimmed(MSGTXT.du1.view().substr(0, kDu1Shown));
        return true;
      }
      if (!readNumber(kLongTexts, n) || !atClose()) return false;
      appendTrimmed(MSGPAR.longTexts(static_cast<std::size_t>(n)).view());
      return true;
    case 'S': {
      std::int32_t from = 0;
      std::int32_t to = 0;
      if (!readNumber(kCompositionWidth, from)) return false;
      if (!expect(',')) {
        if (charAt(MSGTXT.expansionPosition) != ':') return false;
        ++MSGTXT.expansionPosition;
      }
      if (!readNumber(kCompositionWidth, to) || to < from || !atClose()) return false;
      const std::string_view text = MSGPAR.composition.view();
      appendTrimmed(text.substr(static_cast<std::size_t>(from - 1),
                                static_cast<std::size_t>(to - from + 1)));
      return true;
    }
    case 'T': {
      std::string_view inside;
      std::string_view chosen;
      if (!readNumber(kIntegerParameters, n) || !bracketed(inside) || !atClose()) return false;
      if (!alternative(inside, MSGPAR.integers(static_cast<std::size_t>(n)), chosen)) {
        return false;
      }
      appendTrimmed(chosen);
      return true;
    }
    case 'L': {
      std::string_view inside;
      if (!readNumber(kIntegerParameters, n) || !bracketed(inside) || !atClose()) return false;
      std::string key(inside);
      key.erase(std::remove(key.begin(), key.end(), ' '), key.end());
      if (key.size() > kListKeyWidth) return false;
      SearchStatus status = SearchStatus::NotFound;
      MSGKEY(key, status);
      if (status != SearchStatus::Found) return false;
      std::string_view chosen;
      const std::string_view list =
          MSGTXT.listText.view().substr(0, static_cast<std::size_t>(MSGTXT.listLength));
      if (!alternative(list, MSGPAR.integers(static_cast<std::size_t>(n)), chosen)) {
        return false;
      }
      appendTrimmed(chosen);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

void MSGMAC() {
  const std::string_view text = heldText();
  const std::int32_t open = MSGTXT.expansionPosition;
  const std::int32_t close =
      STRIDX(text, open + 1, static_cast<std::int32_t>(text.size()), "$");
  if (close == 0) {
    // No closing "$": the rest of the text is dropped.
    MSGAPP(kMacroError, 1, static_cast<std::int32_t>(kMacroError.size()), true);
    MSGTXT.macroEnd = static_cast<std::int32_t>(text.size()) + 1;
    return;
  }
  MSGTXT.macroEnd = close;
  MSGTXT.expansionPosition = open + 1;
  skipBlanks();
  if (MSGTXT.expansionPosition >= close || !expand()) {
    MSGAPP(kMacroError, 1, static_cast<std::int32_t>(kMacroError.size()), false);
  }
}

namespace {

// Appends `text` to the expanded text; what does not fit sets the overflow flag.
void appendExpanded(std::string_view text) {
  if (MSGTXT.overflow) return;
  const auto used = static_cast<std::size_t>(MSGTXT.expandedLength);
  const std::size_t count = std::min(kExpandedWidth - used, text.size());
  std::copy_n(text.begin(), count, MSGTXT.expanded.data() + used);
  MSGTXT.expandedLength = static_cast<std::int32_t>(used + count);
  if (count < text.size()) MSGTXT.overflow = true;
}

}  // namespace

void MSGAPP(std::string_view str, std::int32_t first, std::int32_t last, bool trim) {
  if (MSGTXT.overflow || first > last) return;
  first = std::max<std::int32_t>(first, 1);
  last = std::min<std::int32_t>(last, static_cast<std::int32_t>(str.size()));
  if (first > last) return;
  const std::string_view part =
      str.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1));
  const std::size_t begin = part.find_first_not_of(' ');
  if (begin == std::string_view::npos) {
    if (!trim) appendExpanded(" ");
    return;
  }
  const std::size_t end = part.find_last_not_of(' ');
  // Without trimming at most one leading and one trailing blank survive.
  if (!trim && begin > 0) appendExpanded(" ");
  appendExpanded(part.substr(begin, end - begin + 1));
  if (!trim && end + 1 < part.size()) appendExpanded(" ");
}

void MSGNUM(std::int32_t& n, std::int32_t& err) {
  skipBlanks();
  n = 0;
  err = 0;
  char c = charAt(MSGTXT.expansionPosition);
  if (c < '0' || c > '9') {
    err = 1;
    return;
  }
  std::int64_t value = 0;
  while (c >= '0' && c <= '9') {
    // Numbers beyond any valid parameter index are capped; the caller's range check fails.
    value = std::min<std::int64_t>(value * 10 + (c - '0'), 1000000000);
    ++MSGTXT.expansionPosition;
    c = charAt(MSGTXT.expansionPosition);
  }
  n = static_cast<std::int32_t>(value);
  skipBlanks();
}

}  // namespace services
