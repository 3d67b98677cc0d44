// The run's options that the run-time services and the storage manager read: the unit
// words of the run and of the open problem, the report option of the page headers, the
// diagnostic switches and the basis of the rate classes. Zero, or the values given here,
// until the problem open and the global tables of the problem database set them.
#pragma once

#include <cstdint>

#include "services/fixed_text.hpp"
#include "services/one_based.hpp"

namespace services {

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
  std::int32_t echo = -1;         // echo of the console dialogue; written when positive
  std::int32_t third = -1;        // third destination of the line output; written when positive
  std::int32_t echoSwitch = 0;    // the echo is written while this is positive
  std::int32_t reportFile = -1;   // the report listing, and its three copies; the problem
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
inline constexpr int kDisplayModeSwitch = 6;    // display mode of aborts: 1 in the units digit
inline constexpr int kTimingSwitch = 27;        // timing statistics of the busy routines
inline constexpr int kRoutineClockSwitch = 29;  // elapsed times of the busy routines

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

}  // namespace services
