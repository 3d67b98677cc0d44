// The notes, trace prints, result comparison and small vector routines the flashes share:
// FLSMSG, FLSPRT, FLSDIF, FLSCPY, VECGET, SUMDIF and NORML2. Included by flash.hpp.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace flash {

// Message numbers of the flash notes.
inline constexpr std::int32_t kFlashWarning = 1000000213;  // the whole text in the text
inline constexpr std::int32_t kRouterNote = 1000000214;    // failure and compare notes
// The length of the text parameter the flashes hand to FLSMSG.
inline constexpr std::int32_t kNoteLength = 115;

// Puts a note line out: with IDEBUG > 0 the squeezed TEXT(1:LEN) goes to IOUT after a
// blank; with LEVEL <= IDEBUG it also goes to the iteration-history call OTHIST (code 0).
//   level   in  the debug level from which the note goes to OTHIST
//   idebug  in  debug level
//   iout    in  print unit
//   text    in  the note (the first LEN characters are read)
void FLSMSG(std::int32_t level, std::int32_t idebug, std::int32_t iout, std::string_view text);

// Trace print of a flash in keyword-input form, to OTHIST (DEST 1) or IOUT:
// "XPROP STREAM=" with the counter (units digit of MODE 1: NNFLST, else NNFLSG) and the
// phase tag (tens digit 1 "VAP", 2 "LIQ"), "XXTEMP(K)=", "PRES(KPA)=", then a line per
// component (the first, the last and those with z > 0) with its number and fraction and,
// unless the hundreds digit of MODE is 1, "$ KV=" with its K-value (the stored-estimate
// block while IHVDAT is 2 and NCOMP <= 200, else the flash K-value array).
//   mode, dest, iout in;  t (K), p (kPa) in;  n in;  z in (N)
void FLSPRT(std::int32_t mode, std::int32_t dest, std::int32_t iout, double t, double p,
            std::int32_t n, std::span<const double> z);

// The five words FLSDIF keeps between its record and compare calls.
struct RecordedResult {
  double s1 = 0.0, s2 = 0.0, s3 = 0.0, s4 = 0.0, s5 = 0.0;
};

// Compare mode of the router. MODE 1 records the result (FLIQHC, FWATER, FVAPOR, and
// MPFRC1, MPFRC2 with a liquid-liquid code). MODE 2 classifies the recorded and the
// current result by FLS3RG and reports a phase change ("FLASH (" NNFLST ") 3 PH / WATER /
// NEG.WATER DIFF PHASES", message 1000000214, FLCNTR word 1 below LIMIT or switch 47 set)
// unless both have the same region and agree within 0.1 per cent in the fractions that
// decide it, or every fraction is at most 1e-5 or above 0.99999 in both.
//   mode     in  1 record, 2 compare
//   family   in  1 two-phase, 2 free water, 3 three-phase
//   idebug, iout, limit in
//   klle     in  the liquid-liquid K-value code (IMISS: none)
//   nc, ncomp in
//   z        in  feed (water fraction read at the water index)
//   t, p, fliqhc, fwater, fvapor, mpfrc1, mpfrc2 in  the current result
//   rec      in/out  the recorded result
void FLSDIF(std::int32_t mode, std::int32_t family, std::int32_t idebug, std::int32_t iout,
            std::int32_t limit, std::int32_t klle, std::int32_t nc, std::int32_t ncomp,
            std::span<const double> z, double t, double p, double fliqhc, double fwater,
            double fvapor, double mpfrc1, double mpfrc2, RecordedResult& rec);

// Copies the fractions and the K-values K(1..N) of the stored-estimate block at IKVPNT.
void FLSCPY(double& fliqhc, double& fwater, double& ftotlq, double& fvapor, std::int32_t n,
            std::span<double> k);

// V(1..N) = the flash K-value array (real array 5 of the flash work space).
void VECGET(std::int32_t n, std::span<double> v);

// SA = sum A, SB = sum B, D = SB - SA.
void SUMDIF(std::int32_t n, std::span<const double> a, std::span<const double> b, double& sa,
            double& sb, double& d);

// Divides V by its sum when the sum is not zero.
void NORML2(std::int32_t n, std::span<double> v);

}  // namespace flash
