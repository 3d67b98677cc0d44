// The problem data model and database: so far the images of the option tables that the
// lower layers read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "problem/component_data.hpp"
#include "problem/data_transfer.hpp"
#include "problem/database.hpp"
#include "problem/entity_classes.hpp"
#include "problem/entity_contexts.hpp"
#include "problem/open_sequence.hpp"
#include "problem/reactions.hpp"
#include "problem/specifications.hpp"
#include "problem/stream_table.hpp"
#include "problem/streams.hpp"
#include "problem/units.hpp"
#include "services/fixed_text.hpp"
#include "services/markers.hpp"
#include "services/one_based.hpp"

namespace problem {

// GCLTAB: image of table GCL, 30 integers then 2 reals.
struct ControlOptions {
  services::OneBased<std::int32_t, 30> integers;
  services::OneBased<double, 2> reals;
};
extern ControlOptions GCLTAB;

// GSCTAB: image of table GSC, 8 integers, 4 reals and a 24-character text. Real 3 is the
// basis value (the basis counts as set when it is not below -1.0E35) and real 4 the basis
// factor of the rate classes of the unit conversion.
struct BasisOptions {
  services::OneBased<std::int32_t, 8> integers;
  services::OneBased<double, 4> reals;
  services::FixedText<24> text;

  double basisValue() const { return reals(3); }
  double basisFactor() const { return reals(4); }
};
extern BasisOptions GSCTAB;

// Words of the GDP image. Words 101 to 200 are the diagnostic switches 1 to 100.
inline constexpr int kDiagnosticSwitchBase = 100;
inline constexpr int kDiagnosticImageWords = 200;

// GDPOPT: image of table GDP.
struct DiagnosticOptions {
  services::OneBased<std::int32_t, kDiagnosticImageWords> words;

  // Diagnostic switch k (1-100), word 100 + k of the image.
  std::int32_t diagnosticSwitch(int k) const { return words(kDiagnosticSwitchBase + k); }
};
extern DiagnosticOptions GDPOPT;

// GDBTAB: image of table GDB, 20 integers (no reader in this library).
struct DatabaseOptions {
  services::OneBased<std::int32_t, 20> integers;
};
extern DatabaseOptions GDBTAB;

// GPRTAB: image of table GPR, a 24-character text, 80 integers and 6 reals. Reals 4 to 6
// are read by the stream properties.
struct PropertyOptions {
  services::FixedText<24> text;
  services::OneBased<std::int32_t, 80> integers;
  services::OneBased<double, 6> reals;
};
extern PropertyOptions GPRTAB;

// GTITAB: image of table GTI, 2 integers and the 1464-character title text. The title
// fields that the readers use lie in the text from character 733 on.
inline constexpr std::size_t kTitleTextChars = 1464;
inline constexpr std::size_t kTitleFieldsStart = 733;
struct TitleOptions {
  services::OneBased<std::int32_t, 2> integers;
  services::FixedText<kTitleTextChars> text;

  // The text from character 733 to the end.
  std::string_view titleFields() const { return text.view().substr(kTitleFieldsStart - 1); }
};
extern TitleOptions GTITAB;

// GTOTAB: image of table GTO, 26 reals; reals 14 to 17 are read by the stream flash and the
// specification values.
struct ToleranceOptions {
  services::OneBased<double, 26> reals;
};
extern ToleranceOptions GTOTAB;

// IOUNIT: the run's unit words.
struct RunUnits {
  std::int32_t input = 5;    // standard input
  std::int32_t output = 6;   // standard output
  std::int32_t report = -1;  // unit of every diagnostic and trace line; -1 = none
};
extern RunUnits IOUNIT;

// DBUNIT: the unit words of the open problem; -1 = no unit.
struct ProblemUnits {
  std::int32_t errorFile = -1;        // the message file
  std::int32_t problemDatabase = -1;  // unit words handed to the database attaches
  std::int32_t supportDatabase = -1;
  std::int32_t echo = -1;       // echo of the console dialogue; written when positive
  std::int32_t third = -1;      // third destination of the line output; written when positive
  std::int32_t echoSwitch = 0;  // the echo is written while this is positive
  std::int32_t reportFile = -1;  // the report listing, and its three copies; the problem
  std::int32_t reportCopy1 = -1;  // close closes the last one
  std::int32_t reportCopy2 = -1;
  std::int32_t reportClose = -1;
};
extern ProblemUnits DBUNIT;

// RPTOPT: the report option of the page headers and the two titles of the second parameter
// record (its word 145, words 150-157 and words 158-177).
struct ReportOptions {
  std::int32_t option = -1;            // 1: every page header carries the two titles
  services::FixedText<32> shortTitle;  // shown in columns 28-59
  services::FixedText<80> longTitle;   // shown from column 4
};
extern ReportOptions RPTOPT;

// The report option that adds the two titles to the page headers.
inline constexpr std::int32_t kTitlesInHeader = 1;

// Switch numbers read by the run-time services.
inline constexpr int kDisplayModeSwitch = 6;  // display mode of aborts: 1 in the units digit
inline constexpr int kTimingSwitch = 27;      // timing statistics of the busy routines

}  // namespace problem
