// Numbered messages: parameters, levels, counters, line layout and error-control options.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "services/slots.hpp"
#include "platform/platform.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"

namespace services {

MessageParameters MSGPAR;
RunCounters ERCNTS;
MessageState MSGTXT;

namespace {

constexpr std::string_view kMacroError = "$MACRO ERROR$";
constexpr std::string_view kOverflowMark = " $MESSAGE OVERFLOW$";
constexpr std::string_view kCalledFrom = "- CALLED FROM ";
constexpr std::size_t kCallerField = 20;
constexpr std::size_t kPrefixWidth = 15;
// The overflow mark starts no later than this column, so that it ends by column 78.
constexpr std::size_t kLastOverflowColumn = 60;

constexpr std::array<std::string_view, 4> kLevelPrefixes{
    "** MESSAGE **  ", "** WARNING **  ", "*** ERROR ***  ", "*** ABORT ***  "};

constexpr std::array<std::string_view, 5> kStatusTexts{
    "MESSAGE EMPTY", "MESSAGE NOT FOUND", "MESSAGE TOO LONG", "ERROR FILE NOT OPEN",
    "ERROR FILE BAD"};

std::size_t levelIndex() { return static_cast<std::size_t>(MSGTXT.level); }

// A message that ends the run ends the host's process too: its lines also go to the
// standard error stream, where the host can see why.
void showOnStandardError() {
  for (std::int32_t k = 1; k <= MSGTXT.lineCount; ++k) {
    platform::writeDiagnostic(MSGTXT.lines(static_cast<std::size_t>(k)).trimmed());
  }
}

void clearParameters() {
  MSGPAR.integers.fill(IMISS);
  MSGPAR.reals.fill(static_cast<float>(DMISS));
  for (auto& text : MSGPAR.shortTexts.values) text.blank();
  MSGPAR.composition.blank();
}

// Expands the message text held in MSGTXT into the expanded text.
void expandHeldText() {
  const std::string_view text = MSGTXT.messageText.view();
  const auto length = static_cast<std::int32_t>(MSGTXT.messageLength);
  std::int32_t position = 1;
  while (position <= length) {
    const std::int32_t dollar = STRIDX(text, position, length, "$");
    if (dollar == 0) {
      MSGAPP(text, position, length, false);
      return;
    }
    MSGAPP(text, position, dollar - 1, false);
    MSGTXT.expansionPosition = dollar;
    MSGMAC();
    position = MSGTXT.macroEnd + 1;
  }
}

}  // namespace

void MSGGET(std::int32_t n) {
  char key[16];
  std::snprintf(key, sizeof key, "%010d", n);
  MSGTXT.expanded.blank();
  MSGTXT.expandedLength = 0;
  MSGTXT.overflow = false;

  SearchStatus status = SearchStatus::Found;
  MSGFND(std::string_view(key, 10), status);
  if (status != SearchStatus::Found || MSGTXT.messageLength == 0) {
    if (status != SearchStatus::Found) MSGTXT.level = MessageLevel::Message;
    const std::string text = std::string(key, 10) + " - " +
                             std::string(kStatusTexts[static_cast<std::size_t>(status)]);
    MSGAPP(text, 1, static_cast<std::int32_t>(text.size()), false);
  } else {
    expandHeldText();
  }
  SQZBLK(MSGTXT.expanded);
  MSGTXT.expandedLength = LENTRM(MSGTXT.expanded.view());
}

void MSGSPL() {
  for (auto& line : MSGTXT.lines.values) line.blank();
  const std::string_view text = MSGTXT.expanded.view();
  const auto length = static_cast<std::size_t>(MSGTXT.expandedLength);
  const auto isBlankAt = [&](std::size_t position) {  // 1-based; beyond the buffer is blank
    return position > text.size() || text[position - 1] == ' ';
  };

  MSGTXT.lineCount = 0;
  std::size_t start = 1;
  do {
    if (MSGTXT.lineCount == kMaxOutputLines) {
      MSGTXT.overflow = true;
      break;
    }
    MSGTXT.lineCount += 1;
    FixedText<kReportWidth>& line = MSGTXT.lines(static_cast<std::size_t>(MSGTXT.lineCount));
    if (MSGTXT.lineCount == 1) line.assign(kLevelPrefixes[levelIndex() - 1]);
    if (length == 0) break;
    // The line ends at the last blank within the next 64 positions (the blank is dropped),
    // or after 63 characters when there is none.
    const std::size_t end = std::min(start + kMessageLineText, length + 1);
    std::size_t blank = 0;
    for (std::size_t p = end; p >= start && blank == 0; --p) {
      if (isBlankAt(p)) blank = p;
    }
    const std::size_t stop = blank != 0 ? blank - 1 : end - 1;
    if (stop >= start) {
      std::copy(text.begin() + static_cast<std::ptrdiff_t>(start - 1),
                text.begin() + static_cast<std::ptrdiff_t>(stop), line.data() + kPrefixWidth);
    }
    start = blank != 0 ? blank + 1 : end;
  } while (start <= length);

  if (MSGTXT.overflow) {
    FixedText<kReportWidth>& last = MSGTXT.lines(static_cast<std::size_t>(MSGTXT.lineCount));
    const std::size_t column =
        std::min<std::size_t>(last.trimmed().size() + 1, kLastOverflowColumn);
    std::copy(kOverflowMark.begin(), kOverflowMark.end(), last.data() + column - 1);
  }
}

void MSGEND() {
  std::int32_t displayMode = 0;
  const bool abort = MSGTXT.level == MessageLevel::Abort;
  if (abort) {
    const bool modeTwo =
        GDPOPT.diagnosticSwitch(kDisplayModeSwitch) % 10 == 1;
    displayMode = modeTwo ? 2 : 1;
  }
  for (std::int32_t k = 1; k <= MSGTXT.lineCount; ++k) {
    const std::string_view line = MSGTXT.lines(static_cast<std::size_t>(k)).view();
    displayLine(k, line, displayMode);
  }
  if (abort) {
    showOnStandardError();
    STOPCD(kAbortStopCode);
  }
}

void MSGOUT(std::int32_t n) {
  MSGTXT.du1.assign(kMacroError);
  MSGGET(n);
  if (MSGTXT.level == MessageLevel::Warning && MSGTXT.warningSwitch == 0) return;
  ERCNTS.perLevel(levelIndex()) += 1;
  MSGTXT.levelCounters(levelIndex()) += 1;
  MSGSPL();
  MSGEND();
  clearParameters();
}

void MSGABT(std::int32_t n, std::string_view caller) {
  if (!isBlank(caller)) {
    std::string head(kCalledFrom);
    head += std::string(trimRight(caller));
    head.resize(kCallerField, ' ');
    std::copy(head.begin(), head.end(), MSGPAR.composition.data());
  }
  MSGGET(n);
  MSGSPL();
  MSGEND();
  showOnStandardError();
  STOPCD(kAbortStopCode);
}

void ERSETO(std::string_view keyword, std::int32_t value) {
  const std::string_view word = trimRight(keyword);
  if (word == "FILE") {
    MSGTXT.fileUnit = value;
  } else if (word == "WARNING") {
    MSGTXT.warningSwitch = value;
  } else if (word == "TRACEB") {
    MSGTXT.tracebackOption = value;
  } else if (word == "ECOUNT") {
    MSGTXT.levelCounters(3) = value;
  } else if (word == "WCOUNT") {
    MSGTXT.levelCounters(2) = value;
  } else if (word == "MCOUNT") {
    MSGTXT.levelCounters(1) = value;
  }
}

void ERINIT() {
  MSGTXT = MessageState{};
  ERCNTS = RunCounters{};
  ERITEM = ErrorItems{};
  clearParameters();
  for (auto& text : MSGPAR.longTexts.values) text.blank();
}

}  // namespace services
