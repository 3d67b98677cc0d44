// Method-set switching: the routines that make a method set of table TH current, load its
// set block into core and decode its method descriptor into THCTL, MSPTRS, KMCTL, PMCTL1 to
// PMCTL4 and THDXCH. Included by methods.hpp.
#pragma once

#include <cstdint>
#include <span>

#include "storage/disk_pointer.hpp"

namespace methods {

// Message of a method set that cannot be loaded; integer parameter 1 the set number.
inline constexpr std::int32_t kMethodSetNotFound = 1990020003;

// Modes of FCREAD.
enum class SetBlockMode : std::int32_t { Read = 1, Write = 2 };

// Makes method set NSET current (NSET < 1: the default set of THCTL), loading it through
// FCINIT only when it is not the set already loaded, and refreshes on every call the words
// that other routines change while they run: the K-value block words and K option digit of
// KMCTL, the water words XWD and YWD (0.0), the free-water index, the problem's water
// component number and the density-cache flag of PMCTL1 (cleared).
//   d3, d4, d5  out  the hundreds, thousands and ten-thousands digits of slot 1's option word
//   ndig        out  3, the count of digits returned
//   nset        in   the set number; below 1 the default set
// Aborts: those of FCINIT.
void FLMSET(std::int32_t& d3, std::int32_t& d4, std::int32_t& d5, std::int32_t& ndig,
            std::int32_t nset);

// Loads method set N (N <= 0: the default set): reads its entry of the TH index, its set
// block into the set-block area of THCTL (FCALOC, FCREAD), copies set header words 2 to 5
// into THCTL, lets the set's own component block replace the component sectors it carries
// in COPTRS, and decodes the descriptor (FCOPTS). The current set of THCTL is N afterwards.
//   n  in  the set number
// Aborts: message 1990020003 with "- CALLED FROM FCINIT" when the set has no index entry or
// no set block; the storage manager's aborts (a default set of 0 or less reaches the index
// as "ENTRY NUMBER NEGATIVE OR ZERO"; without an open problem "INDEX CONTROL AREA DOES NOT
// EXIST"); those of FCREAD.
void FCINIT(std::int32_t n);

// Makes the core area PTR of LEN words hold at least NEED integer words: got when PTR is
// NOCORE, freed and got again when shorter; it never shrinks. NEED below 1 changes nothing.
//   need  in      words needed
//   len   in/out  words the area holds
//   ptr   in/out  core index of the area (ICMGTI), NOCORE when none
// Aborts: the storage manager's when the core store is exhausted.
void FCALOC(std::int32_t need, std::int32_t& len, std::int32_t& ptr);

// Reads or writes the set block held in the core area (PTR, LEN).
//   mode  in      1 read the sub-block named by DP into the area and make it current; the
//                 sector starts go to MSPTRS. 2 write the block back, updating DP.
//                 -1 and 0 do nothing; any other mode sets IERR 1.
//   len   in/out  words of the area (a read into a NOCORE area gets one)
//   ptr   in/out  core index of the area
//   dp    in/out  the set's disk pointer
//   ierr  out     0 done; read: 1 when DP names no block (nothing read); write: 1 when DP
//                 changed and must be stored in the set's index entry
// Aborts: "FL" "METHOD SET BLOCK HAS AN INVALID SHAPE" (items SECTOR, LENGTH or ENTRY SIZE)
// when a block read lacks a sector, or a sector the words, that the switch reads; the
// storage manager's aborts.
void FCREAD(std::int32_t mode, std::int32_t& len, std::int32_t& ptr, storage::DiskPointer& dp,
            std::int32_t& ierr);

// Decodes the method descriptor of the set block just read (MSPTRS) into KMCTL, PMCTL1 to
// PMCTL4, the slot-17 entry of THDXCH and the per-class table of MSPTRS that the
// parameter-block loaders read. Called by FCINIT after each load.
void FCOPTS();

// The 12-character name of method set N (N <= 0: the default set).
//   name  out  blank-padded to its length; blank when N <= 0 and the default set is 0 or
//              less, or when the set has no index entry
//   n     in   the set number
// Aborts: the storage manager's without an open problem.
void MSETNM(std::span<char> name, std::int32_t n);

}  // namespace methods
