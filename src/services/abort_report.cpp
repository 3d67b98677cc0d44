// Abort reports, the run stop and text justification.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "services/slots.hpp"
#include "platform/platform.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"

namespace services {

ErrorItems ERITEM;

namespace {

constexpr std::string_view kAbortPrefix = "*** ABORT ***  ";
constexpr std::string_view kContinuationPrefix = "               ... ";
constexpr std::string_view kContinuedMark = " ...";
constexpr std::size_t kIndent = 15;
constexpr std::size_t kFirstLineText = 63;
constexpr std::size_t kContinuationText = 59;
constexpr std::size_t kContinuationStep = 55;
constexpr std::size_t kHeadingField = 21;
constexpr std::size_t kLabelWidth = 8;
constexpr std::size_t kValueWidth = 11;

// Sets columns 75-78 of a line to the continuation mark.
void markContinued(FixedText<kReportWidth>& line) {
  std::copy(kContinuedMark.begin(), kContinuedMark.end(),
            line.data() + kReportWidth - kContinuedMark.size());
}

// Starts a new output line from `text`, blank-padded.
FixedText<kReportWidth>& addLine(std::string_view text) {
  MSGTXT.lineCount += 1;
  FixedText<kReportWidth>& line = MSGTXT.lines(static_cast<std::size_t>(MSGTXT.lineCount));
  line.assign(text);
  return line;
}

std::string field(std::string_view text, std::size_t width) {
  std::string result(text.substr(0, std::min(text.size(), width)));
  result.resize(width, ' ');
  return result;
}

bool isMarker(std::int32_t value) {
  return value <= IMISS || value == NODISK || value >= NOCORE;
}

}  // namespace

void TXTJST(std::string_view src, std::span<char> dst, std::int32_t mode) {
  blankText(dst);
  const std::size_t first = src.find_first_not_of(' ');
  if (first == std::string_view::npos || dst.empty()) return;
  const std::size_t last = src.find_last_not_of(' ');
  // 1-based positions, halves allowed for the centre.
  const double f = static_cast<double>(first + 1);
  const double l = static_cast<double>(last + 1);
  const double m = static_cast<double>(dst.size());
  double cs = 0.0;
  double cd = 0.0;
  if (mode == static_cast<std::int32_t>(Justify::Left)) {
    cs = f;
    cd = 1.0;
  } else if (mode == static_cast<std::int32_t>(Justify::Right)) {
    cs = l;
    cd = m;
  } else {
    cs = (f + l) / 2.0;
    cd = (m + 1.0) / 2.0;
  }
  const double left = std::min(cd - 1.0, cs - f);
  const double right = std::min(l - cs, m - cd);
  const auto at = [](double anchor, double reach) {
    return static_cast<std::ptrdiff_t>(std::trunc(anchor + reach + 0.1));
  };
  const std::ptrdiff_t srcFrom = at(cs, -left);
  const std::ptrdiff_t dstFrom = at(cd, -left);
  const std::ptrdiff_t count = std::min(at(cs, right) - srcFrom, at(cd, right) - dstFrom) + 1;
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    dst[static_cast<std::size_t>(dstFrom - 1 + i)] = src[static_cast<std::size_t>(srcFrom - 1 + i)];
  }
}

void ERRITM(std::string_view label, std::int32_t ival) {
  if (ERITEM.count >= kMaxErrorItems) return;
  FixedText<kLabelWidth> labelText;
  TXTJST(label, labelText, static_cast<std::int32_t>(Justify::Left));
  char value[32];
  if (isMarker(ival)) {
    std::snprintf(value, sizeof value, "%-11s", "MISSING");
  } else {
    std::snprintf(value, sizeof value, "%11d", ival);
  }
  ERITEM.count += 1;
  FixedText<20>& item = ERITEM.items(static_cast<std::size_t>(ERITEM.count));
  item.assign(std::string(labelText.view()) + " " + field(value, kValueWidth));
  SQZBLK(item);
}

void ABTRPT(std::string_view subsys, std::string_view failed, std::string_view usercl,
            std::string_view message) {
  const std::string_view text = trimRight(message);
  const bool heading = !isBlank(subsys);
  int itemLines = 0;
  for (std::size_t j = 1; j <= 3; ++j) {
    if (!ERITEM.items(3 * j - 2).isBlank()) ++itemLines;
  }

  // The report has ten lines: the message gets what the heading and items leave. A message
  // too long for them is cut, and its last line keeps the continuation mark.
  const std::size_t maxContinuations =
      static_cast<std::size_t>(kMaxOutputLines - 1 - (heading ? 1 : 0) - itemLines);
  std::size_t continuations =
      text.size() <= kFirstLineText ? 0 : (text.size() - 9) / kContinuationStep;
  const bool cut = continuations > maxContinuations;
  continuations = std::min(continuations, maxContinuations);

  // 1. The first line.
  MSGTXT.lineCount = 0;
  addLine(std::string(kAbortPrefix) + std::string(text.substr(0, kFirstLineText)));
  // 2. Continuations: each starts 55 characters after the previous one, so that the
  // characters under the " ..." mark of a line open the next.
  std::size_t start = kFirstLineText - 4;
  for (std::size_t k = 0; k < continuations; ++k) {
    markContinued(MSGTXT.lines(static_cast<std::size_t>(MSGTXT.lineCount)));
    const std::string_view piece =
        start < text.size() ? text.substr(start, kContinuationText) : std::string_view{};
    addLine(std::string(kContinuationPrefix) + std::string(piece));
    start += kContinuationStep;
  }
  if (cut) markContinued(MSGTXT.lines(static_cast<std::size_t>(MSGTXT.lineCount)));

  // 3. The heading.
  if (heading) {
    const bool showUser = trimRight(usercl) != trimRight(failed);
    addLine(std::string(kIndent, ' ') + field("SUBSYSTEM " + std::string(subsys), kHeadingField) +
            field("FAILED IN " + std::string(failed), kHeadingField) +
            field(showUser ? "USER CALL " + std::string(usercl) : std::string(), kHeadingField));
  }

  // 4. The queued items, three to a line.
  for (std::size_t j = 1; j <= 3; ++j) {
    if (ERITEM.items(3 * j - 2).isBlank()) continue;
    std::string line(kIndent, ' ');
    for (std::size_t i = 3 * j - 2; i <= 3 * j; ++i) {
      line += std::string(ERITEM.items(i).view()) + " ";
    }
    addLine(line);
  }

  // 5. Display and stop.
  const bool modeTwo =
      GDPOPT.diagnosticSwitch(kDisplayModeSwitch) % 10 == 1;
  const std::int32_t displayMode = modeTwo ? 2 : 1;
  for (std::int32_t k = 1; k <= MSGTXT.lineCount; ++k) {
    const std::string_view line = MSGTXT.lines(static_cast<std::size_t>(k)).view();
    displayLine(k, line, displayMode);
    platform::writeDiagnostic(trimRight(line));
  }
  STOPCD(kAbortStopCode);
}

void STOPCD(std::int32_t n) {
  const std::int32_t code = std::clamp<std::int32_t>(n, 0, 9);
  platform::stopProcess(10 + code);
}

}  // namespace services
