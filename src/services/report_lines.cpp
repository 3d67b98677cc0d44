// Report lines: the page control, the line writers of the output modes, line reservation,
// page-break requests and the notes at the foot of a page.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "services/run_options.hpp"
#include "services/report_records.hpp"
#include "services/services.hpp"

namespace services {

PageControl PAGCTL;
PageTexts PAGTXT;

using report::consoleUnit;
using report::echoing;
using report::putLine;

namespace {

// Break mode of a forced page break.
constexpr std::int32_t kForcedBreak = 99;
// Break mode recorded for a request with mode 0.
constexpr std::int32_t kDefaultBreak = 5;
// The console asks "MORE?" when fewer lines than these are allowed after a header change.
constexpr std::int32_t kConsoleLow = 10;
constexpr std::int32_t kConsoleKeep = 5;

std::int32_t storedHeaderCount(std::int32_t channel) {
  return std::min(std::abs(PAGCTL.headerLineCounts(channel)), kStoredHeaderLines);
}

// Mode 2: asks "MORE?"; a no ends all further console output.
bool userWantsMore() {
  if (ASKYN("MORE?", true)) return true;
  PAGCTL.consoleCount = kConsoleDeclined;
  return false;
}

// Mode 2: the first COUNT stored header lines of the channel to the console.
void headerLinesToConsole(std::int32_t channel, std::int32_t count) {
  count = std::min(count, kStoredHeaderLines);
  for (std::int32_t k = 1; k <= count; ++k) {
    putLine(consoleUnit(), PAGCTL.headerLines(channel)(k).trimmed());
  }
}

void pagedLine(std::int32_t channel, std::string_view line, std::int32_t block) {
  if (PAGCTL.changeFlag == 0) {
    const std::int32_t free = PAGCTL.linesLeft(channel) - PAGCTL.notes(channel).lines;
    if (free < block) RPHEAD(channel, PAGCTL.headerFlag, 1, 0, 0);
  } else {
    HeaderChanges changes;
    RPHCHG(1, changes);
    RPHEAD(channel, changes.newPage, changes.lineAMode, changes.lineBMode, changes.headerCount);
    RPCONT(changes.titleMark, changes.lineAMark, changes.lineBMark);
  }
  putLine(PAGCTL.units(channel), line);
  PAGCTL.linesLeft(channel) -= 1;
  PAGCTL.linesNeeded(channel) = std::max(0, PAGCTL.linesNeeded(channel) - 1);
}

void consoleLine(std::int32_t channel, std::string_view line, std::int32_t block) {
  if (PAGCTL.consoleCount == kConsoleDeclined) return;
  if (PAGCTL.changeFlag == 0) {
    if (PAGCTL.consoleCount < block) {
      if (!userWantsMore()) return;
      const std::int32_t count = storedHeaderCount(channel);
      PAGCTL.consoleCount = kConsoleScreen - count;
      headerLinesToConsole(channel, count);
    }
  } else {
    std::int32_t need = 0;
    std::int32_t count = 0;
    RPLNCK(need, count);
    if (need != 0) {
      if (!userWantsMore()) return;
      PAGCTL.consoleCount = kConsoleScreen;
    }
    PAGCTL.consoleCount -= count;
    headerLinesToConsole(channel, count);
  }
  putLine(consoleUnit(), line);
  PAGCTL.consoleCount -= 1;
}

// Modes 3 and 4: the changed header parts, each followed by an empty line, then the line.
template <typename Write>
void unpagedLine(std::int32_t channel, std::string_view line, Write write) {
  std::int32_t newPage = 0;
  std::int32_t titleMark = 0;
  std::int32_t lineAMark = 0;
  std::int32_t lineBMark = 0;
  std::int32_t headerCount = 0;
  RPPGST(newPage, titleMark, lineAMark, lineBMark, headerCount);
  const auto part = [&write](std::string_view text) {
    write(text);
    write("");
  };
  if (titleMark != 0) part(PAGCTL.titles(channel).trimmed());
  if (lineAMark != 0) part(PAGCTL.linesA(channel).trimmed());
  if (lineBMark != 0) part(PAGCTL.linesB(channel).trimmed());
  headerCount = std::min(std::abs(headerCount), kStoredHeaderLines);
  for (std::int32_t k = 1; k <= headerCount; ++k) {
    part(PAGCTL.headerLines(channel)(k).trimmed());
  }
  write(line);
}

}  // namespace

void OUINIT() {
  PAGCTL = PageControl{};
  PAGCTL.units.fill(-1);
  PAGCTL.buffer.diskAddresses.fill(NODISK);
  PAGTXT = PageTexts{};
  SETOUN(-1);
}

void SETOUN(std::int32_t unit) { IOUNIT.report = unit; }

void RPLINE(std::string_view line) {
  const std::int32_t channel = PAGCTL.channel;
  if (!report::isChannel(channel)) {
    PAGCTL.unwrittenLines += 1;
    return;
  }
  // 1. "SKIP" only starts a new page.
  if (trimRight(line) == "SKIP") {
    RPHEAD(channel, PAGCTL.headerFlag, 1, 0, 0);
    return;
  }
  // 2. A block of five is kept together.
  const std::int32_t block = PAGCTL.linesNeeded(channel) == kKeptBlock ? kKeptBlock : 1;

  switch (PAGCTL.outputMode) {
    case OutputMode::PagedReport:
      pagedLine(channel, line, block);
      break;
    case OutputMode::Console:
      consoleLine(channel, line, block);
      break;
    case OutputMode::PageBuffer:
      unpagedLine(channel, line, [](std::string_view text) { RPOUTL(text); });
      break;
    case OutputMode::PlainFile:
      unpagedLine(channel, line,
                  [channel](std::string_view text) { putLine(PAGCTL.units(channel), text); });
      break;
  }
  // 7. The lines held for notes count again.
  PAGCTL.notes(channel).lines = std::abs(PAGCTL.notes(channel).lines);
}

void RPLNCK(std::int32_t& need, std::int32_t& count) {
  count = report::isChannel(PAGCTL.channel) ? storedHeaderCount(PAGCTL.channel) : 0;
  const std::int32_t allowed = PAGCTL.consoleCount;
  need = (allowed < kConsoleLow || allowed - count < kConsoleKeep) ? 1 : 0;
  PAGCTL.changeFlag = 0;
}

void RPPGST(std::int32_t& newPage, std::int32_t& titleMark, std::int32_t& lineAMark,
            std::int32_t& lineBMark, std::int32_t& headerCount) {
  HeaderChanges changes;
  if (PAGCTL.changeFlag != 0) RPHCHG(1, changes);
  newPage = changes.newPage;
  titleMark = changes.titleMark;
  lineAMark = changes.lineAMark;
  lineBMark = changes.lineBMark;
  headerCount = changes.headerCount;
}

void RPOUTL(std::string_view text) {
  if (PAGCTL.consoleCount > 0) {
    putLine(consoleUnit(), text);
    PAGCTL.consoleCount -= 1;
  }
  // Screens and blocks of the page buffer: counter / lines per screen or block, rounded up.
  PageBuffer& buffer = PAGCTL.buffer;
  buffer.lineCount += 1;
  const auto roundedUp = [](std::int32_t n, std::int32_t per) { return (n + per - 1) / per; };
  if (buffer.linesPerScreen > 0) buffer.screen = roundedUp(buffer.lineCount, buffer.linesPerScreen);
  if (buffer.linesPerBlock > 0) {
    buffer.block = roundedUp(buffer.lineCount, buffer.linesPerBlock);
    if (buffer.block <= kBufferBlocks) buffer.currentBlock = buffer.block;
  }
}

void LINOUT(std::int32_t code, std::string_view text) {
  const std::int32_t console = code / 100;
  const std::int32_t echo = (code / 10) % 10;
  const std::int32_t third = code % 10;
  const std::string_view line = trimRight(text.substr(0, std::min(text.size(), kPageWidth)));

  if (console > 0 && consoleUnit() >= 0) putLine(consoleUnit(), line);
  if (echo > 0 && echoing()) putLine(DBUNIT.echo, line);
  if (third > 0 && DBUNIT.third > 0) {
    std::int32_t newPage = 0;
    RPRESV(DBUNIT.third, 0, 1, 1, 0, newPage);
    putLine(DBUNIT.third, line);
  }
}

void RPRESV(std::int32_t /*unit*/, std::int32_t skip, std::int32_t keep, std::int32_t lines,
            std::int32_t extra, std::int32_t& newPage) {
  const std::int32_t channel = PAGCTL.channel;
  newPage = 0;
  if (!report::isChannel(channel)) return;
  // 1. SKIP 3 is a forced page break.
  if (skip == 3) RPBRKS(0, -1);

  // The reservation on the current page: SKIP blank lines, then LINES.
  const auto onThisPage = [&] {
    if (skip > 0) {
      for (std::int32_t k = 0; k < skip; ++k) putLine(PAGCTL.units(channel), "");
      PAGCTL.linesLeft(channel) -= skip;
    }
    PAGCTL.linesLeft(channel) -= lines;
    newPage = 0;
  };
  const auto onNewPage = [&] {
    PAGCTL.linesLeft(channel) -= extra + lines;
    newPage = 1;
  };

  if (PAGCTL.changeFlag == 0) {
    // 2. Nothing pending: a new page when the block does not fit.
    if (PAGCTL.linesLeft(channel) < keep + skip) {
      RPHEAD(channel, PAGCTL.headerFlag, 1, 0, 0);
      onNewPage();
    } else {
      onThisPage();
    }
    return;
  }
  // 3. A pending change or break decides the page.
  PAGCTL.linesWanted = keep + skip;
  std::int32_t startPage = 0;
  std::int32_t lineAMode = 0;
  std::int32_t titleMark = 0;
  std::int32_t lineAMark = 0;
  RPBRKC(startPage, lineAMode, titleMark, lineAMark);
  RPHEAD(channel, startPage, lineAMode, 0, 0);
  RPCONT(titleMark, lineAMark, 0);
  if (startPage > 0) {
    onNewPage();
  } else {
    onThisPage();
  }
}

void RPBRKS(std::int32_t lines, std::int32_t mode) {
  PAGCTL.breakMode = mode == 0 ? kDefaultBreak : (mode < 0 ? kForcedBreak : mode);
  PAGCTL.linesWanted = std::min(std::max(PAGCTL.linesWanted, lines), kKeptBlock);
  PAGCTL.changeFlag = 1;
}

void RPCOLN(std::int32_t channel, bool option) {
  if (!report::isChannel(channel)) return;
  ChannelNotes& notes = PAGCTL.notes(channel);
  const std::int32_t unit = PAGCTL.units(channel);
  if (notes.lines > 0) putLine(unit, "");
  const std::int32_t count = std::clamp(notes.count, 0, kNotesPerChannel);
  for (std::int32_t k = 1; k <= count; ++k) {
    if (notes.flags(k) == 0) continue;
    // Label " (1) " to "(10) ", then the text.
    std::string label = "(" + std::to_string(k) + ") ";
    label.insert(0, 5 - label.size(), ' ');
    putLine(unit, label + std::string(notes.texts(k).trimmed()));
    notes.flags(k) = 0;
  }
  if (option) {
    for (std::int32_t k = 1; k <= kNotesPerChannel; ++k) notes.texts(k).blank();
    notes.count = 0;
  }
  notes.lines = 0;
}

}  // namespace services
