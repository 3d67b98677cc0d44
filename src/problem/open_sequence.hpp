// The steps of the open of a problem that belong to the problem data model: the run
// start-up, header texts, the open-problem state and its start values, the parameter
// records, the engine's work space and the partition area, the correlation-set list, the
// unit and data-transfer set-up. The open sequence itself (PAINIT) runs them with the
// method sets (methods/methods.hpp).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "services/fixed_text.hpp"
#include "services/markers.hpp"
#include "services/one_based.hpp"

namespace problem {

// =======================================================================================
// Shared areas
// =======================================================================================

// HDRTXT: the run header texts that the version line of the page headers shows.
struct RunHeaderTexts {
  std::int32_t firstYear = 0;
  std::int32_t lastYear = 0;
  services::FixedText<12> platform;
  services::FixedText<12> product;
  services::FixedText<12> version;
  services::FixedText<2> release;
  services::FixedText<12> fourth;
  services::FixedText<12> transferProduct;
  services::FixedText<20> eighth;
};
extern RunHeaderTexts HDRTXT;

// DBPARW: the standard conditions of the open problem.
struct StandardConditions {
  double temperature = 0.0;  // K
  double pressure = 0.0;     // kPa
  double molarVolume = 0.0;  // m3/kmol of an ideal gas at those conditions
  std::int32_t spare = 0;
};
extern StandardConditions DBPARW;

// The engine's work space: five real areas and one integer area got at open.
inline constexpr std::int32_t kRealWorkAreas = 5;

// MDLBAS: the work-space bases. Areas 4 and 5 are also the method-block and method-work
// areas of the parameter loaders (LDSTAT).
struct WorkSpaceBases {
  services::OneBased<std::int32_t, kRealWorkAreas> realBase;  // double indexes
  services::OneBased<std::int32_t, kRealWorkAreas> realSize;  // 8-byte reals
  std::int32_t integerBase = services::NOCORE;
  std::int32_t integerSize = 0;

  WorkSpaceBases() {
    realBase.fill(services::NOCORE);
    realSize.fill(0);
  }
};
extern WorkSpaceBases MDLBAS;

// Real work areas by use.
inline constexpr std::size_t kCorrelationSetArea = 2;  // holds the set block being searched
inline constexpr std::size_t kFlashRealArea = 3;       // the real flash work arrays
inline constexpr std::size_t kBlockArea = 4;           // the method-coefficient block
inline constexpr std::size_t kMethodWorkArea = 5;      // the method's derived arrays

// FWPART: the partition of the flash work space.
inline constexpr std::int32_t kFlashRealArrays = 56;
inline constexpr std::int32_t kFlashIntegerArrays = 2;
struct FlashPartition {
  services::OneBased<std::int32_t, kFlashIntegerArrays> integerSize;
  services::OneBased<std::int32_t, kFlashIntegerArrays> integerOffset;  // word indexes
  services::OneBased<std::int32_t, 12> setupWords;  // the flash set-up's; 7-12 cleared here
  services::OneBased<std::int32_t, 20> flashWords;  // the flash routines' own
  services::OneBased<std::int32_t, kFlashRealArrays> realSize;
  services::OneBased<std::int32_t, kFlashRealArrays> realOffset;  // double indexes
};
extern FlashPartition FWPART;

// The two parameter records of the problem database, as read at open.
inline constexpr std::int32_t kFirstParameterWords = 56;
inline constexpr std::int32_t kSecondParameterWords = 249;
struct ParameterRecords {
  services::OneBased<std::int32_t, kFirstParameterWords> first;
  services::OneBased<std::int32_t, kSecondParameterWords> second;
};
extern ParameterRecords DBPRMS;

// =======================================================================================
// Routines
// =======================================================================================

// Run start-up: core store, messages, files, report pages, sub-blocks, the unit words and
// the header texts.
std::int32_t RUNINI();

// Header texts: each text replaces its field when it is not blank, each year when nonzero;
// the platform is always "386/EM".
std::int32_t RUNHDR(std::string_view product, std::string_view release, std::string_view version,
                    std::string_view text4, std::int32_t year1, std::int32_t year2,
                    std::string_view transferProduct, std::string_view text8);

// The start values of the shared areas of the problem data model that every problem open
// resets: the BP defaults, the correlation-set list, the report option, the timing
// statistics, the diagnostic switches, the unit-type cache. What the layers above keep
// between calls (the flash work arrays, the flash tolerances and exchange words, the caches
// of the kernels) the open resets once the work space is got (services::resetKeptValues).
void PRBINI();

// Before a stream flash: the accumulators of record types 7, 6, 28 and 29 of the stream of
// pointer set 2 set to 0 (the first four words of each real sector of types 7 and 6 and of
// the first of type 28, the first word of type 29), each record paged in and out again.
void SLTRST();

// Reset of the open-problem state, and the standard conditions with the unit words the
// data sets fill.
std::int32_t DBRSET();
std::int32_t DBRST2();

// The two parameter records of the problem database, distributed to their destinations
// (the BP values, the vapour-pressure method sets of DBGLOB, the standard conditions, the
// work-area sizes and the page-header titles).
// A record longer than its destination ends in the "DB" abort "PARAMETER RECORD IS TOO
// LONG"; work-area sizes below 1 in "WORK AREA SIZE IS NOT VALID".
std::int32_t DBPARM();

// The work areas of the open problem, sized by the second parameter record. The layers above
// take theirs in the reset of their kept values that follows (real area 2 the correlation
// sets, 4 and 5 the method parameter loaders).
void getWorkSpace();

// The correlation-set list: OPT above 0 reads LENGTH words at ADDRESS into XPSETL.
std::int32_t DBPTAB(std::int32_t opt, std::int32_t length, std::int32_t address);

// The integer word of entry N of the method-set index (2: a set in use), 0 when absent.
std::int32_t DBSLOT(std::int32_t n);

// Unit set-up at open: the composite units' sections receive their shares. The counts the
// blocks hold never size more than the section's sector that receives them; a composite
// whose entry table holds fewer words than entries while a section has entry words is the
// "UN" abort "COMPOSITE ENTRIES HOLD NO WORDS" (DBUTYS).
std::int32_t DBUSET();
std::int32_t DBUTYP(std::int32_t n);
std::int32_t DBUTYS(std::int32_t n);

// The data-transfer set-up of an open with a positive option. DBXHDR gives
// kTransferRefused, after the lines that say why on the report, when the problem has more
// components than MAXNOC; the open then closes and stops.
inline constexpr std::int32_t kTransferRefused = 1;
std::int32_t DBXSCL();
std::int32_t DBXBUF();
std::int32_t DBXHDR(std::int32_t maxnoc);

}  // namespace problem
