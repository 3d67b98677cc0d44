// The problem-access interface: the open, counts and close of a solved problem, and the
// tables through which the readers turn the host's component numbers, stream identifiers
// and unit identifiers into the problem's stored entities.
#pragma once

#include <cstdint>
#include <string_view>

#include "services/fixed_text.hpp"
#include "services/one_based.hpp"

namespace api_access {

// Table sizes: the most components, streams and units a problem may have here.
inline constexpr std::int32_t kMaxComponents = 300;
inline constexpr std::int32_t kMaxStreams = 984;
inline constexpr std::int32_t kMaxUnits = 500;

// PAIDTB: the problem-access tables, filled by PAMISC.
struct AccessTables {
  // Entry j: the stored position of component number j in the list that holds it.
  services::OneBased<std::int32_t, kMaxComponents> componentPosition;
  std::int32_t ncomp = 0;
  std::int32_t nstrm = 0;
  std::int32_t nunit = 0;
  // Entry n: the stream number of the stream whose identifier is stream-ID entry n.
  services::OneBased<std::int32_t, kMaxStreams> streamSlot;
  services::OneBased<services::FixedText<16>, kMaxComponents> componentId;
  services::OneBased<services::FixedText<12>, kMaxStreams> streamId;
  services::OneBased<services::FixedText<12>, kMaxUnits> unitId;
};
extern AccessTables PAIDTB;

// Statuses of the calls.
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kFileMissing = 1;  // PAOPEN
inline constexpr std::int32_t kNotSolved = 1;    // PAMISC
inline constexpr std::int32_t kNotOpen = 1;      // PAMISC and the data requests
inline constexpr std::int32_t kOverLimit = 2;    // PAMISC

// Whether a problem is open.
bool problemOpen();

// Whether PAMISC built the identifier tables of the problem open now (every data request
// needs them).
bool tablesBuilt();

// Opens the problem NAME (its path without extension) with the support database and the
// message file in directory DIR2. IERR 1 when a database file is missing: one
// " FILE NOT FOUND: " line per missing file on standard output, nothing opened. IERR 1 too
// when DIR2 is longer than 250 characters, names no directory (" DIRECTORY NOT FOUND: ")
// or a directory without the message file or the support database (" FILE NOT FOUND: "
// for each). A problem already open is closed first. Failures of the open itself (a
// damaged database) end in the abort report.
void PAOPEN(std::string_view name, std::string_view dir2, std::int32_t& iout, std::int32_t& ierr);

// Builds the tables and returns the counts. IERR 1 when the problem is not solved (the
// tables are built), 2 when a count exceeds its table (nothing is built), 1 with no
// problem open.
void PAMISC(std::int32_t& ncomp, std::int32_t& nstrm, std::int32_t& nunit, std::int32_t& ierr);

// The solution flag and the counts, without building anything; zeros with no problem open.
void DBMISC(std::int32_t& solved, std::int32_t& nstrm, std::int32_t& ncomp, std::int32_t& nunit);

// Closes the problem: the databases written back and detached, the report listing and the
// message file closed and kept, the tables cleared. Nothing with no problem open.
void PACLOS();

// After a stop whose hook returned control (tests, the fuzzer): forgets the open problem
// without writing anything back. The run's files and store are left as the stop left them;
// the next PAOPEN starts a new run, which closes what the layers still hold.
void forgetProblem();

// The 16-character identifier of the component at stored position I of list LIST; blank
// for a position outside the list.
services::FixedText<16> PACNAM(std::int32_t list, std::int32_t i);

// The name of entry SLOT of the component-name index of list 1 or 2; blank unless the
// entry exists and is in use.
services::FixedText<16> PACNM1(std::int32_t slot);
services::FixedText<16> PACNM2(std::int32_t slot);

}  // namespace api_access
