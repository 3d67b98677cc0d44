// Header changes and the contents listing: whether pending header texts fit on the page,
// and the index entries that record them.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "services/report_records.hpp"
#include "services/services.hpp"

namespace services {

using report::putLine;

namespace {

// A pending text justified as the header shows it, and whether it differs from the text
// applied last.
template <std::size_t N>
bool changed(std::int32_t pending, const FixedText<N>& text, const FixedText<N>& applied,
             FixedText<N>& justified) {
  if (pending == 0) return false;
  TXTJST(text.view(), justified, static_cast<std::int32_t>(Justify::Centre));
  return !sameText(justified.view(), applied.view());
}

// Weighs the pending changes of the current channel. WHOLEHEADER false looks at the title
// and line A only (a page-break request).
void weighChanges(bool apply, bool wholeHeader, HeaderChanges& result) {
  result = HeaderChanges{};
  const std::int32_t channel = PAGCTL.channel;
  if (!report::isChannel(channel)) return;

  FixedText<kChannelTitleWidth> title;
  FixedText<kPageWidth> lineA;
  FixedText<kPageWidth> lineB;
  const bool titleChanged =
      changed(PAGCTL.titlePending, PAGCTL.pendingTitle, PAGCTL.appliedTitle, title);
  const bool lineAChanged =
      changed(PAGCTL.lineAPending, PAGCTL.pendingLineA, PAGCTL.appliedLineA, lineA);
  const bool lineBChanged =
      wholeHeader && changed(PAGCTL.lineBPending, PAGCTL.pendingLineB, PAGCTL.appliedLineB, lineB);

  const std::int32_t headerFlag = PAGCTL.headerFlag;
  if (titleChanged) result.newPage = headerFlag;
  if (lineAChanged) result.lineAMode = 2;
  if (lineBChanged) result.lineBMode = 1;
  result.titleMark = std::clamp(PAGCTL.titlePending, 0, 1);
  result.lineAMark = std::clamp(PAGCTL.lineAPending, 0, 1);
  result.lineBMark = wholeHeader ? std::clamp(PAGCTL.lineBPending, 0, 1) : 0;

  // L lines free on the page, W lines wanted, R break mode, H stored header lines, C their
  // change mark, a and b the pending flags of lines A and B.
  const std::int32_t l = PAGCTL.linesLeft(channel) - std::abs(PAGCTL.notes(channel).lines);
  std::int32_t w = std::abs(PAGCTL.linesWanted);
  std::int32_t r = std::abs(PAGCTL.breakMode);
  const std::int32_t h = wholeHeader ? std::abs(PAGCTL.headerLineCounts(channel)) : 0;
  std::int32_t c = std::abs(PAGCTL.headerMarks(channel));
  const std::int32_t hc = c != 0 ? h : 0;
  std::int32_t a = std::abs(PAGCTL.lineAPending);
  std::int32_t b = std::abs(PAGCTL.lineBPending);

  bool stays = false;
  if (!titleChanged) {
    const int code = (hc > 0 ? 1 : 0) + (lineBChanged ? 2 : 0) + (lineAChanged ? 4 : 0);
    switch (code) {
      case 0:
        if (h != 0 && PAGCTL.extraLines(channel) != 0) {
          // A channel with a second title: its lines must fit as well.
          w = std::max(w, 1);
          const std::int32_t x = std::max(std::abs(PAGCTL.extraLines(channel)), 1);
          PAGCTL.linesNeeded(channel) = PAGCTL.secondLinesNeeded(channel);
          const std::int32_t y = PAGCTL.secondTitles(channel).isBlank() ? 0 : 2;
          result.secondTitle = y == 2 ? 1 : 0;
          stays = x <= l - w - y && r <= l - w - y;
        } else {
          r = std::max(r, 1);
          stays = r <= l - w;
        }
        break;
      case 1:
        w = std::max(w, 1);
        c = std::max(c, 1);
        stays = c <= l - w - h && r <= l - w - h;
        break;
      case 2:
        w = std::max(w, 2);
        b = std::max(b, 1);
        stays = b <= l - w - 2 && r <= l - w - 2;
        break;
      case 3:
        w = std::max(w, 2);
        c = std::max(c, 1);
        stays = b <= l - w - 2 && c <= l - w - h - 2 && r <= l - w - h - 2;
        break;
      case 4:
        a = std::max(a, 1);
        stays = a <= l - 5;
        break;
      case 5:
        c = std::max(c, 1);
        stays = a <= l - 5 && c <= l - h - 5;
        break;
      case 6:
        b = std::max(b, 1);
        stays = a <= l - 5 && b <= l - 7;
        break;
      default:
        c = std::max(c, 1);
        stays = a <= l - 5 && b <= l - 7 && c <= l - h - 7;
        break;
    }
  }

  if (stays) {
    result.headerCount = hc;
    result.linesWanted = w;
  } else {
    // A new page is due.
    result.newPage = std::max(result.newPage, headerFlag);
    result.lineAMode = std::max(result.lineAMode, 1);
    result.headerCount = std::max(h, hc);
    result.linesWanted = 0;
  }

  if (apply) {
    if (titleChanged) {
      PAGCTL.titles(channel) = title;
      PAGCTL.appliedTitle = title;
    }
    if (lineAChanged) {
      PAGCTL.linesA(channel) = lineA;
      PAGCTL.appliedLineA = lineA;
    }
    if (lineBChanged) {
      PAGCTL.linesB(channel) = lineB;
      PAGCTL.appliedLineB = lineB;
    }
    PAGCTL.titlePending = 0;
    PAGCTL.lineAPending = 0;
    PAGCTL.lineBPending = 0;
    PAGCTL.headerMarks(channel) = 0;
    PAGCTL.breakMode = 0;
    PAGCTL.linesWanted = 0;
    PAGCTL.changeFlag = 0;
  }
}

enum class EntryKind { Title, LineA, LineB, SubHeading };

struct Entry {
  EntryKind kind;
  std::string_view text;
};

}  // namespace

void RPHCHG(std::int32_t apply, HeaderChanges& changes) { weighChanges(apply == 1, true, changes); }

void RPBRKC(std::int32_t& newPage, std::int32_t& lineAMode, std::int32_t& titleMark,
            std::int32_t& lineAMark) {
  HeaderChanges changes;
  weighChanges(true, false, changes);
  newPage = changes.newPage;
  lineAMode = changes.lineAMode;
  titleMark = changes.titleMark;
  lineAMark = changes.lineAMark;
}

void RPCONT(std::int32_t titleMark, std::int32_t lineAMark, std::int32_t lineBMark) {
  const std::int32_t unit = PAGCTL.units(kIndexChannel);
  if (unit < 0 || PAGCTL.channel != kReportChannel) return;

  std::vector<Entry> entries;
  if (titleMark != 0) entries.push_back({EntryKind::Title, PAGCTL.appliedTitle.view()});
  if (lineAMark != 0) entries.push_back({EntryKind::LineA, PAGCTL.appliedLineA.view()});
  if (lineBMark != 0) entries.push_back({EntryKind::LineB, PAGCTL.appliedLineB.view()});
  const FixedText<kChannelTitleWidth>& subHeading = PAGCTL.subHeadings(kReportChannel);
  if (!subHeading.isBlank()) entries.push_back({EntryKind::SubHeading, subHeading.view()});
  if (entries.empty()) return;

  const auto count = static_cast<std::int32_t>(entries.size());
  if (PAGCTL.linesLeft(kIndexChannel) < count) {
    RPHEAD(kIndexChannel, 1, 0, 0, 0);
    putLine(unit, "  PAGE    CONTENTS");
    putLine(unit, " ------  " + std::string(64, '-'));
    PAGCTL.linesLeft(kIndexChannel) -= 2;
  }

  // Indentation levels: a title resets them, line A and line B nest below it.
  OneBased<std::int32_t, 3>& level = PAGCTL.contentsLevels;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::int32_t indent = 0;
    switch (entries[i].kind) {
      case EntryKind::Title:
        level.fill(1);
        break;
      case EntryKind::LineA:
        indent = level(1);
        level(2) = level(1) + 1;
        level(3) = level(1) + 1;
        break;
      case EntryKind::LineB: {
        indent = level(2);
        const bool subHeadingFollows =
            i + 1 < entries.size() && entries[i + 1].kind == EntryKind::SubHeading;
        level(3) = subHeadingFollows ? level(2) + 1 : level(2);
        break;
      }
      case EntryKind::SubHeading:
        indent = level(3);
        break;
    }
    // The last entry of the call carries the page of channel 1.
    std::string line(9, ' ');
    if (i + 1 == entries.size()) {
      line = std::to_string(PAGCTL.pageNumbers(kReportChannel));
      if (line.size() < 6) line.insert(0, 6 - line.size(), ' ');
      line += "   ";
    }
    const std::string_view text = entries[i].text;
    const std::size_t first = text.find_first_not_of(' ');
    line += std::string(static_cast<std::size_t>(2 * std::max(indent, 0)), ' ');
    if (first != std::string_view::npos) line += trimRight(text.substr(first));
    putLine(unit, line);
    PAGCTL.linesLeft(kIndexChannel) -= 1;
  }
}

}  // namespace services
