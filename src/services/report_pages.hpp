// Report pages and line output: the page control and header texts of the paged channels,
// the routines that write lines, page headers and contents entries, and the yes/no dialogue
// of the console mode.
//
// A channel (1-10) is an output destination with its own unit, page number and header
// texts; channel 1 is the report listing beside the problem, channel 3 its index. Every
// written line begins with a carriage-control character: a form feed for the record that
// starts a page, a blank for every other line.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "services/fixed_text.hpp"
#include "services/one_based.hpp"

namespace services {

inline constexpr int kChannels = 10;
inline constexpr std::int32_t kReportChannel = 1;
inline constexpr std::int32_t kIndexChannel = 3;
inline constexpr std::size_t kPageWidth = 78;
inline constexpr std::size_t kChannelTitleWidth = 40;
inline constexpr std::size_t kStoredHeaderWidth = 130;
inline constexpr int kStoredHeaderLines = 10;
inline constexpr int kNotesPerChannel = 10;
inline constexpr std::size_t kNoteWidth = 70;
inline constexpr int kBufferBlocks = 10;

// Lines of a page header: four header lines and the closing rule.
inline constexpr std::int32_t kPageHeaderLines = 5;
// Lines that a block with lines-needed 5 keeps together.
inline constexpr std::int32_t kKeptBlock = 5;
// Console count once the user declined to see more.
inline constexpr std::int32_t kConsoleDeclined = -99;
// Console lines allowed after a "MORE?" answered yes.
inline constexpr std::int32_t kConsoleScreen = 20;

// Output modes of the page system.
enum class OutputMode : std::int32_t {
  PagedReport = 1,  // pages with headers on the channel's unit
  Console = 2,      // the console, pausing with "MORE?"
  PageBuffer = 3,   // the console and the disk page buffer, through RPOUTL
  PlainFile = 4,    // the channel's unit without pages
};

// LINOUT destinations: 100 the console, 10 the echo unit, 1 the third unit.
inline constexpr std::int32_t kConsoleAndEcho = 110;

// Numbered notes of one channel, printed at the foot of its page.
struct ChannelNotes {
  std::int32_t count = 0;  // notes 1..count are in use
  std::int32_t lines = 0;  // lines held free for them at the foot of the page
  OneBased<std::int32_t, kNotesPerChannel> flags;  // not 0: printed at the next foot
  OneBased<FixedText<kNoteWidth>, kNotesPerChannel> texts;
};

// The disk page buffer of the page-buffer mode.
struct PageBuffer {
  std::int32_t unit = -1;
  std::int32_t on = 0;  // switch: the buffer is written while positive
  std::int32_t linesPerScreen = 0;
  std::int32_t linesPerBlock = 0;
  std::int32_t lineCount = 0;     // lines passed to RPOUTL
  std::int32_t screen = 0;        // screen of the last line
  std::int32_t block = 0;         // block of the last line
  std::int32_t currentBlock = 0;  // block held in the buffer; 0 = none
  OneBased<std::int32_t, kBufferBlocks> diskAddresses;
};

// PAGCTL: the page control, set by OUINIT.
struct PageControl {
  OutputMode outputMode = OutputMode::PagedReport;
  std::int32_t section = 1;     // section title of the page header (0-5)
  std::int32_t headerFlag = 1;  // new-page value: 1 closes headers with "=", 2+ the warning
  std::int32_t widthMode = 1;   // 1: 78 columns, 2: 117, 3: 130
  std::int32_t linesPerPage = 59;
  std::int32_t channel = kReportChannel;  // channel that RPLINE writes to

  // Per channel.
  OneBased<std::int32_t, kChannels> units;                    // file unit; below 0 = not open
  OneBased<std::int32_t, kChannels> pageNumbers;              // last page written
  OneBased<std::int32_t, kChannels> linesLeft;                // lines still free on the page
  OneBased<std::int32_t, kChannels> linesNeeded;              // lines to keep together (5: a block)
  OneBased<std::int32_t, kChannels> secondLinesNeeded;        // lines needed under a second title
  OneBased<FixedText<kChannelTitleWidth>, kChannels> titles;  // fourth header line
  OneBased<FixedText<kChannelTitleWidth>, kChannels> secondTitles;  // shown under the title
  OneBased<FixedText<kChannelTitleWidth>, kChannels> subHeadings;   // last contents entry
  OneBased<FixedText<kPageWidth>, kChannels> linesA;                // header line A
  OneBased<FixedText<kPageWidth>, kChannels> linesB;                // header line B
  OneBased<FixedText<2>, kChannels> prefixes;          // printed before the page number
  OneBased<std::int32_t, kChannels> headerLineCounts;  // stored header lines; magnitude used
  OneBased<std::int32_t, kChannels> headerMarks;       // the stored header lines changed
  OneBased<std::int32_t, kChannels> extraLines;        // lines that a second title needs
  OneBased<OneBased<FixedText<kStoredHeaderWidth>, kStoredHeaderLines>, kChannels> headerLines;
  OneBased<ChannelNotes, kChannels> notes;

  // Header changes waiting for the next page, with the texts applied last.
  FixedText<kChannelTitleWidth> pendingTitle;
  FixedText<kChannelTitleWidth> appliedTitle;
  FixedText<kPageWidth> pendingLineA;
  FixedText<kPageWidth> appliedLineA;
  FixedText<kPageWidth> pendingLineB;
  FixedText<kPageWidth> appliedLineB;
  std::int32_t titlePending = 0;
  std::int32_t lineAPending = 0;
  std::int32_t lineBPending = 0;
  std::int32_t breakMode = 0;                // of the last page-break request; 99: a forced break
  std::int32_t linesWanted = 0;              // lines that must follow a change on the same page
  std::int32_t changeFlag = 0;               // not 0: a change or break request is pending
  OneBased<std::int32_t, 3> contentsLevels;  // indentation levels of the contents entries

  std::int32_t consoleCount = 0;  // console lines before the next "MORE?"; -99 declined
  PageBuffer buffer;

  // Lines that could not be written: a channel, echo or console unit that is not open.
  std::int32_t unwrittenLines = 0;
};
extern PageControl PAGCTL;

// PAGTXT: the texts of the page headers, blanked by OUINIT and set by PGVERS.
struct PageTexts {
  FixedText<12> product;
  FixedText<2> release;
  FixedText<12> version;
  FixedText<12> fourth;               // ends the identification line
  FixedText<12> platform;             // right-justified, at the end of header line 2
  OneBased<FixedText<35>, 3> titles;  // 1 the release line, 2 the identification line
  FixedText<12> project;
  FixedText<12> problem;
  FixedText<12> rightField3;  // end of header line 3
  FixedText<12> rightField4;  // end of header line 4
  FixedText<21> leftField4;   // start of header line 4 on channels 1 and 2
};
extern PageTexts PAGTXT;

// What RPHCHG found among the pending header changes.
struct HeaderChanges {
  std::int32_t newPage = 0;      // positive: a new page is due (the new-page value)
  std::int32_t lineAMode = 0;    // 1 line A on a new page, 2 line A changed
  std::int32_t lineBMode = 0;    // 1 line B changed
  std::int32_t headerCount = 0;  // stored header lines to write
  std::int32_t secondTitle = 0;  // 1: the channel's second title takes two lines
  std::int32_t linesWanted = 0;  // lines that must follow on the page; 0 after a new page
  std::int32_t titleMark = 0;    // contents marks of the title, line A and line B (0 or 1)
  std::int32_t lineAMark = 0;
  std::int32_t lineBMark = 0;
};

// ---------------------------------------------------------------------------------------
// Lines (report_lines.cpp)
// ---------------------------------------------------------------------------------------

// Start values of PAGCTL (every channel closed, mode 1, 59 lines per page) and blank
// PAGTXT; then SETOUN(-1).
void OUINIT();

// Sets the report/trace unit of IOUNIT, to which the diagnostic listings write.
void SETOUN(std::int32_t unit);

// Writes LINE to the current channel by the output mode. "SKIP" (trailing blanks ignored)
// starts a new page and writes nothing else. In mode 1 a new page starts when the page is
// full (five lines when a block of five is to be kept together) or a pending header change
// asks for one. The line is written whole, without its trailing blanks. A line for a
// channel that is not open is not written and is counted in PAGCTL.unwrittenLines.
void RPLINE(std::string_view line);

// Console mode after a header change: COUNT = the header lines to repeat; NEED = 1 when
// fewer than 10 console lines are allowed or fewer than 5 would remain after COUNT. Clears
// the change flag.
void RPLNCK(std::int32_t& need, std::int32_t& count);

// Modes 3 and 4: applies the pending header changes and tells which parts changed.
//   newPage      positive when the changes ask for a new page
//   titleMark, lineAMark, lineBMark   1 when the title, line A or line B is to be shown
//   headerCount  stored header lines to repeat
// All 0 when nothing is pending.
void RPPGST(std::int32_t& newPage, std::int32_t& titleMark, std::int32_t& lineAMark,
            std::int32_t& lineBMark, std::int32_t& headerCount);

// Writes TEXT to the console unit while console lines are allowed, counting them, and
// counts the line for the page buffer's screens and blocks. The disk page buffer itself
// is not written yet: it needs the block writes of the file layer.
void RPOUTL(std::string_view text);

// Writes TEXT (at most 78 characters) to up to three destinations, CODE = 100h + 10t + u:
// h > 0 the console; t > 0 the echo unit of the open problem while echoing is on; u > 0
// the third unit of the open problem, after reserving one line on the current channel.
void LINOUT(std::int32_t code, std::string_view text);

// Reserves LINES lines on the current channel after SKIP blank lines, starting a new page
// when fewer than KEEP + SKIP lines are left; a new page is charged EXTRA + LINES lines.
// SKIP 3 first records a forced page break.
//   unit     not read: the current channel is meant
//   newPage  out: 1 when a page was started, else 0
void RPRESV(std::int32_t unit, std::int32_t skip, std::int32_t keep, std::int32_t lines,
            std::int32_t extra, std::int32_t& newPage);

// Records a page-break request: break mode MODE (0 gives 5, below 0 gives 99, a forced
// break); lines wanted at least LINES, at most 5.
void RPBRKS(std::int32_t lines, std::int32_t mode);

// Writes the numbered notes of CHANNEL whose flag is set (an empty line first when lines
// are held for them) and clears their flags; OPTION true also blanks the texts and resets
// the count. Afterwards no lines are held for notes.
void RPCOLN(std::int32_t channel, bool option);

// ---------------------------------------------------------------------------------------
// Page headers (page_headers.cpp)
// ---------------------------------------------------------------------------------------

// Units of channels 1, 3, 5 and 4, and the titles of channels 3 "INDEX", 4 "HISTORY" and
// 5 "SOURCE LISTING".
void PGTITL(std::int32_t u1, std::int32_t u3, std::int32_t u5, std::int32_t u4);

// Header texts and the identification titles from the product (12 characters), release
// letter (2), version (12), fourth text (12) and platform (12), all in capitals.
void PGVERS(std::string_view product, std::string_view release, std::string_view version,
            std::string_view fourth, std::string_view platform);

// Writes a page header on CHANNEL when NEWPAGE is positive: first the notes held for the
// page that ends, then (for an open channel) the form feed, the four header lines with the
// page number, the report titles under report option 1 and the closing rule; the page is
// charged linesPerPage - 5 lines, the titles 2 more. Then, new page or not, header line A
// by LINEAMODE (1 or 2), line B by LINEBMODE and HEADERCOUNT stored header lines. A channel
// that is not open gets no header and keeps its page number.
void RPHEAD(std::int32_t channel, std::int32_t newPage, std::int32_t lineAMode,
            std::int32_t lineBMode, std::int32_t headerCount);

// ---------------------------------------------------------------------------------------
// Header changes and contents (page_contents.cpp)
// ---------------------------------------------------------------------------------------

// Weighs the pending title and header lines of the current channel against the page: what
// changed, whether it fits on the page or asks for a new one. APPLY = 1 makes the changed
// texts the channel's own and clears everything pending.
void RPHCHG(std::int32_t apply, HeaderChanges& changes);

// The same for a page-break request, from the pending title and line A only; applies them.
void RPBRKC(std::int32_t& newPage, std::int32_t& lineAMode, std::int32_t& titleMark,
            std::int32_t& lineAMark);

// Writes the contents entries of the marked changes of channel 1 on the index channel
// (when it is open and channel 1 is current), starting an index page when they do not fit.
void RPCONT(std::int32_t titleMark, std::int32_t lineAMark, std::int32_t lineBMark);

// ---------------------------------------------------------------------------------------
// Console dialogue (console_dialogue.cpp)
// ---------------------------------------------------------------------------------------

// Asks QUESTION with "(YES)" or "(NO)" for DEFAULTANSWER on the console (and its echo) and
// reads answers until one is Y, YES, YE, N or NO (any case, leading blanks ignored). A
// blank answer and the end of the input give DEFAULTANSWER.
bool ASKYN(std::string_view question, bool defaultAnswer);

// Writes PROMPT and " } " to the console without a line end and reads one answer line into
// ANSWER in capitals; a read error is reported and the prompt repeated. The end of the
// input (or a read error that persists) gives a blank ANSWER. While echoing is on, the
// prompt and the answer are written to the echo unit as one line.
void CONRDA(std::string_view prompt, std::span<char> answer);

}  // namespace services
