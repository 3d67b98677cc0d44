// Hierarchy streams: the mixture of all the feeds of the loaded unit, as if they were combined
// into one stream before entering it, assembled in the scratch stream so that a property code
// can be evaluated on it. The build makes several streams current, so it is bracketed by
// UVSTHR and UVENDH, which mark the streams current before (through the hierarchy values of
// the stream slots: 2 the stream of set 2, 1 that of set 1) and make them current again.
#pragma once

#include <cstdint>
#include <span>

namespace streamprops {

// UVHIER: assembles the hierarchy stream of the loaded unit (its first NFEED feeds, NFEED
// being word 51 of its integer item 1) and returns the scratch stream's number in ISTRM.
// The streams current before are current again afterwards; so is the method set.
void UVHIER(std::int32_t idum1, std::int32_t idum2, std::int32_t& istrm);

// UVSTHR: raises the hierarchy value of every occupied stream slot by 10.
void UVSTHR();

// UVENDH: lowers the hierarchy values by 10 (not below 0) and makes the streams so marked
// current again: that of value 2 in set 2, that of value 1 in set 1.
void UVENDH();

// UVHSUM: sums the streams of LIST (each entry mod 10000 a stream number, the first NFEED
// entries) into the stream current in set 2: molar rates and component amounts per phase,
// enthalpy (a feed whose enthalpy is missing adds its rate only), the mass-based part, the
// rate-weighted temperature and the lowest pressure. A feed under a method set whose
// enthalpy methods are of another kind than the current set's is summed from a copy given
// the current set (see flashCopyInCurrentSet).
//   ierr  out  0; 1 when no feed has a positive rate (the target is left zeroed)
void UVHSUM(std::int32_t nfeed, std::span<const std::int32_t> list, std::int32_t& ierr);

// The flash of a feed's copy, already given the current method set, at its own temperature
// and pressure (SFLDRV, isothermal): its phase split, phase enthalpies and molar enthalpy are
// those of the current set afterwards. The copy is current in pointer set 2 afterwards. A
// flash that fails leaves the copy as the driver leaves a failed flash (all vapour); the sum
// does not examine the status.
void flashCopyInCurrentSet(std::int32_t copy);

}  // namespace streamprops
