// Run-time services: abort reports and the run stop, numbered messages and the message
// file, text and numeric utilities, index sorts, the run clock and timing statistics, the
// once-only registry and the flash tolerances.
//
// All routines work on the shared areas declared here; the library is single-threaded.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/empty_hooks.hpp"
#include "services/fixed_text.hpp"
#include "services/kept_values.hpp"
#include "services/markers.hpp"
#include "services/numeric.hpp"
#include "services/one_based.hpp"
#include "services/report_pages.hpp"
#include "services/units_of_measure.hpp"

namespace services {

// =======================================================================================
// Abort reports and the run stop
// =======================================================================================

// Width of a report line and of a numbered message's output line.
inline constexpr std::size_t kReportWidth = 78;
// The report and message lines share ten output lines.
inline constexpr int kMaxOutputLines = 10;
// At most nine labelled items wait for the next abort report.
inline constexpr int kMaxErrorItems = 9;
// The exit status of every abort: 10 + 5.
inline constexpr std::int32_t kAbortStopCode = 5;

// ERITEM: the labelled integers queued for the next abort report.
struct ErrorItems {
  OneBased<FixedText<20>, kMaxErrorItems> items;
  std::int32_t count = 0;
};
extern ErrorItems ERITEM;

// Queues one item: LABEL (left-justified to 8 characters) and IVAL, or "MISSING" for the
// markers IMISS, NODISK and NOCORE and beyond. A tenth item is dropped.
void ERRITM(std::string_view label, std::int32_t ival);

// Lays out the abort report in the output lines of MSGTXT, hands them to the display hook,
// writes them to the standard error stream and stops the run with exit status 15.
//   subsys  two-letter code of the failing layer ("CM", "FI", "SR" ...); blank: no heading
//   failed  the routine that failed
//   usercl  the routine the outside called; shown only when it differs from `failed`
//   message the text of the report; as much of it is shown as nine lines hold
[[noreturn]] void ABTRPT(std::string_view subsys, std::string_view failed, std::string_view usercl,
                         std::string_view message);

// Ends the run with exit status 10 + N, N clamped to 0..9.
[[noreturn]] void STOPCD(std::int32_t n);

// Justification modes of TXTJST.
enum class Justify : std::int32_t { Left = -1, Centre = 0, Right = 1 };

// Places the non-blank part of SRC into DST (blanked first): MODE -1 left, 1 right, any
// other value centred. A part that does not fit keeps its beginning, end or middle.
void TXTJST(std::string_view src, std::span<char> dst, std::int32_t mode);

// =======================================================================================
// Numbered messages
// =======================================================================================

enum class MessageLevel : std::int32_t { Message = 1, Warning = 2, Error = 3, Abort = 4 };

// MSGPAR: the parameters of the next numbered message. Numbers are 1-based as the message
// macros count them.
struct MessageParameters {
  OneBased<FixedText<25>, 10> shortTexts;  // macro C
  OneBased<FixedText<75>, 5> longTexts;    // macro D
  FixedText<250> composition;              // macro S
  OneBased<std::int32_t, 10> integers;     // macro I; IMISS = not set
  OneBased<float, 10> reals;               // macro R; below -1.0E35 = not set
};
extern MessageParameters MSGPAR;

// ERCNTS: messages issued per level since run start-up.
struct RunCounters {
  OneBased<std::int32_t, 4> perLevel;
};
extern RunCounters ERCNTS;

// Record kinds of the message file.
enum class RecordKind : std::int32_t {
  Message = 1,  // header of a numbered message
  List = 2,     // header of a list of alternatives
  EndOfFile = 3,
  Continuation = 4,
  Comment = 5,
  Bad = 6,
};

// Statuses of the message-file searches.
enum class SearchStatus : std::int32_t {
  Found = 0,
  NotFound = 1,
  TooLong = 2,
  NoFile = 3,
  BadFile = 4,
};

// Positions of the message-file search.
enum class FileState : std::int32_t {
  AtStart = 0,
  AfterMessageHeader = 1,
  AfterListHeader = 2,
  Ended = 3,
};

inline constexpr std::size_t kExpandedWidth = 800;
inline constexpr std::size_t kFileTextWidth = 700;
inline constexpr std::size_t kMessageLineText = 63;

// MSGTXT: the state of the message system and of the message-file search.
struct MessageState {
  FixedText<75> du1;
  std::int32_t fileUnit = -1;        // keyword "FILE"; -1 = no message file
  std::int32_t warningSwitch = 2;    // keyword "WARNING"; 0 suppresses warnings
  std::int32_t tracebackOption = 0;  // keyword "TRACEB"
  OneBased<std::int32_t, 4> levelCounters;
  MessageLevel level = MessageLevel::Message;
  FixedText<kExpandedWidth> expanded;
  std::int32_t expandedLength = 0;
  bool overflow = false;
  OneBased<FixedText<kReportWidth>, kMaxOutputLines> lines;
  std::int32_t lineCount = 0;

  // The message-file search.
  FixedText<80> record;
  FixedText<10> lastHeaderKey;
  FileState fileState = FileState::AtStart;
  FixedText<kFileTextWidth> messageText;
  std::int32_t messageLength = 0;
  FixedText<10> heldMessageKey;
  FixedText<kFileTextWidth> listText;
  std::int32_t listLength = 0;
  FixedText<10> heldListKey;
  std::int32_t expansionPosition = 0;
  std::int32_t macroEnd = 0;
};
extern MessageState MSGTXT;

// Issues message N: expansion, level, counting, lines, display; stops for level 4; then
// clears the parameters (the long texts excepted).
void MSGOUT(std::int32_t n);

// Issues message N with "- CALLED FROM " and CALLER at the head of the composition text,
// then stops the run with exit status 15.
[[noreturn]] void MSGABT(std::int32_t n, std::string_view caller);

// Looks up message N and builds its expanded text and level.
void MSGGET(std::int32_t n);

// Splits the expanded text into the prefixed output lines.
void MSGSPL();

// Hands the output lines to the display hook; stops the run for level 4.
void MSGEND();

// Sets one error-control option: "FILE", "WARNING", "TRACEB", "ECOUNT", "WCOUNT" or
// "MCOUNT" (exact capitals, trailing blanks ignored); any other keyword is ignored.
void ERSETO(std::string_view keyword, std::int32_t value);

// Start values of the message and abort state.
void ERINIT();

// The message file ------------------------------------------------------------------------

// Reads the next record of the message file into MSGTXT.record and classifies it.
void MSGREC(RecordKind& kind);

// Finds numbered message KEY (ten digits) and loads its text and level.
void MSGFND(std::string_view key, SearchStatus& status);

// Finds the list KEY (compared on 10 characters) and loads its text.
void MSGKEY(std::string_view key, SearchStatus& status);

// Expands the macro that starts at the expansion position.
void MSGMAC();

// Appends STR(FIRST:LAST) to the expanded text; TRIM drops the blanks at both ends.
void MSGAPP(std::string_view str, std::int32_t first, std::int32_t last, bool trim);

// Reads an unsigned decimal number at the expansion position of the message text.
void MSGNUM(std::int32_t& n, std::int32_t& err);

// Window searches over TEXT(FIRST:LAST); 0 when nothing is found or the window is invalid.
std::int32_t STRIDX(std::string_view text, std::int32_t first, std::int32_t last,
                    std::string_view sub);
std::int32_t STRRIX(std::string_view text, std::int32_t first, std::int32_t last,
                    std::string_view sub);
std::int32_t CHRIDX(std::string_view text, std::int32_t first, std::int32_t last);

// Formats VALUE with NDIG significant digits in a 12-character field, fixed or exponent
// form, whichever is narrower; the text is left-justified in TEXT.
//   mode  tens digit 1: NOUT = characters written; other: retry with fewer digits until
//         the text fits, NOUT = digits used. Units digit 2: a trailing "." on integral forms.
void RFMT12(std::int32_t mode, std::int32_t ndig, std::int32_t& nout, double value,
            std::span<char> text);

// Mantissa (1 <= |MANT| < 10) and decimal exponent of VALUE rounded half up to NDIG digits.
void RFMTEX(double value, std::int32_t ndig, double& mant, std::int32_t& exp);

// =======================================================================================
// Text and numeric utilities
// =======================================================================================

// Position of the last non-blank character; 0 for a blank or empty text.
std::int32_t LENTRM(std::string_view text);

// Leading blanks removed, every run of blanks made one blank, blank-padded.
void SQZBLK(std::span<char> text);

// All blanks removed, the rest left-justified, blank-padded.
void NOBLNK(std::span<char> text);

// Case conversion: 1 capitals, 2 small letters, 3 sentence form, 4 title form.
enum class CaseMode : std::int32_t { Upper = 1, Lower = 2, Sentence = 3, Title = 4 };
void CASECV(std::span<char> text, std::int32_t mode);

// Checks TEXT against a state table of NCLASS classes per state (TABLE(class, state)
// column by column). ERR becomes 1 on a control character, a character not allowed, or a
// negative next state; it is left alone when the text is accepted.
void LEXCHK(std::string_view text, std::string_view list1, std::string_view list2, bool flag,
            std::int32_t nclass, std::span<const std::int32_t> table, std::int32_t& err);

// Three-way compare of reals with a relative tolerance of 2.22e-16: 0 equal, -1 A < B,
// +1 otherwise. Reals of opposite signs are never equal.
std::int32_t RELCMP(double a, double b);
std::int32_t RELCM2(double a, double b);

// The tolerance of RELCMP and its reciprocal, by which both sides of the small-magnitude
// test are scaled.
inline constexpr double kRelativeTolerance = 2.22e-16;
inline constexpr double kToleranceScale = 4504504504504504.0;

// Bitwise AND of bits 0-30; 0 when A or B is negative.
std::int32_t IANDBT(std::int32_t a, std::int32_t b);

// Table lookup with a local quadratic or cubic-form fit. X ascending, N points.
//   yv  in: above 95000 asks for the monotonicity check; out: the value at XV
//   c   in/out: the coefficients of the fit, reused while K stays the same interval
//   k   in/out: the first point of the last fit
void TBLQIN(std::span<const double> x, std::span<const double> y, std::int32_t n, double xv,
            double& yv, std::span<double, 3> c, std::int32_t& k);

// Ideal-gas molar volume, m3/kmol, at T in K and P in kPa.
void VIDEAL(double t, double p, double& v);

// The gas constant, kJ/(kmol K).
inline constexpr double kGasConstant = 8.314471;

// =======================================================================================
// Index sorts
// =======================================================================================

// IDX = the permutation that orders KEY: OPT 1 ascending, 2 ascending by magnitude,
// -1 descending, -2 descending by magnitude; any other OPT leaves IDX untouched.
// Indexes are 1-based.
void SORTIX(std::int32_t opt, std::int32_t n, std::span<const double> key,
            std::span<std::int32_t> idx);

// =======================================================================================
// Run clock and timing statistics
// =======================================================================================

inline constexpr int kStopwatches = 10;
inline constexpr double kSecondsPerDay = 86400.0;

enum class StopwatchMode : std::int32_t { Free = 0, OneShot = 1, Running = 2, Lap = 3 };

// The run clock: entry 0 is the run start, entries 1-10 are stopwatches.
struct RunClock {
  std::array<double, kStopwatches + 1> start{};
  std::array<StopwatchMode, kStopwatches + 1> mode{};
  FixedText<8> runTime;
  FixedText<8> runDate;
  std::int32_t flag = 0;
};
RunClock& runClock();

// Number of timed-routine slots in each statistics area.
inline constexpr int kTimingSlots = 50;

// TIMST1, TIMST2: per timed routine a call counter, the accumulated seconds and the
// largest single call, each routine in its own fixed slot.
struct TimingStatistics {
  OneBased<std::int32_t, kTimingSlots> calls;
  OneBased<float, kTimingSlots> seconds;
  OneBased<float, kTimingSlots> largest;
};
extern TimingStatistics TIMST1;
extern TimingStatistics TIMST2;

// Seconds since midnight, to a hundredth.
void CLKSEC(double& t);

// DT = NOW - START, with the midnight wrap; MODE 1 takes NOW as passed, any other MODE
// reads the clock into NOW first. Elapsed times below 0.000999999 count as 0.
void TIMELP(std::int32_t mode, double start, double& now, double& dt);

// ACC += the time elapsed since START when it is positive.
void TIMACC(double start, float& acc);

// ACC += the time elapsed since START.
void TIMAC2(double start, float& acc);

// Times a routine for as long as it lives: counts the call in TIMST2 slot SLOT while the
// timing switch is on and, while the routine-clock switch is on, adds the elapsed time to
// SECONDS (TIMST2's seconds of the slot unless another is given).
class RoutineTimer {
 public:
  explicit RoutineTimer(std::size_t slot);
  RoutineTimer(std::size_t slot, float& seconds);
  ~RoutineTimer();
  RoutineTimer(const RoutineTimer&) = delete;
  RoutineTimer& operator=(const RoutineTimer&) = delete;

 private:
  float& seconds_;
  bool clocked_ = false;
  double start_ = 0.0;
};

// Resets the run clock and stamps the run start with the time and date.
void RUNDAT();

// The current time as "hh:mm:ss" and date as "mm/dd/yy".
void DATTIM(std::span<char> time, std::span<char> date);

// Starts a stopwatch with MODE; N = its number (1-10), or -1 when all are in use.
void RUNLST(std::int32_t& n, std::int32_t mode);

// Reads stopwatch N (0 = the run); a one-shot stopwatch is freed, a lap restarted.
void RUNCLK(std::int32_t n, double& dt);

// The open problem's 256-character text and its flag.
struct OpenProblemText {
  FixedText<256> text;
  std::int32_t flag = 0;
};
OpenProblemText& openProblemText();

// Blanks the open problem's text and clears its flag.
void CLRTXT();

// =======================================================================================
// Once-only registry and the flash tolerances
// =======================================================================================

// Most routines that may register with INIDAT.
inline constexpr std::int32_t kMaxRegisteredKeys = 500;

// KEY 0 registers a new key (FIRST = 1); KEY > 0 gives FIRST = 1 on the key's first call
// since registration or reset, else 0; KEY < 0 resets every key's first-time flag.
void INIDAT(std::int32_t& key, std::int32_t& first);

// FLTOL: the flash tolerances and limits, set at each problem open by the method-set
// layer's CONINI, which starts from the values here.
extern OneBased<double, 30> FLTOL;

// FLTOL at its start values.
void startFlashTolerances();

// =======================================================================================
// Method-code predicates
// =======================================================================================

// True for the method codes 601 to 660, 705 and 706; LMCODA gives 1 for them, else 0.
bool CODE6X(std::int32_t code);
std::int32_t LMCODA(std::int32_t code);
// True for the method codes 503, 510, 511 and 512.
bool LMCODB(std::int32_t code);

}  // namespace services
