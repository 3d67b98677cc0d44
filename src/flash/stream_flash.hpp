// The stream flash driver: one stream of the open problem flashed in place.
#pragma once

#include <cstdint>

namespace flash {

// Statuses of SFLDRV.
enum class StreamFlashStatus : std::int32_t {
  Flashed = 0,
  BadKind = 1,        // flash kind outside 1-12, or the enthalpy of an all-solid feed failed
  NoFlow = 3,         // rate below 1e-30, or no component present
  BadFixedWord = 4,   // ITPFIX outside 0-2
  Failed = 6,         // the general flash failed
  SolidsRefused = 7,  // the set's K-value methods cannot flash partly solid components
};

// SFLDRV: flashes stream ISTRM in its own method set and leaves the split in its record.
//   istrm  in   stream number
//   itpfix in   0 T and P given; 1 P given, T found; 2 T given, P found
//   kind   in   flash kind 1-12 (FlashType: 1 isothermal, 2 adiabatic, 3 isentropic, 4 given
//               enthalpy, 5-7 liquid, hydrocarbon-liquid and vapour fraction, 8 dew, 9 water
//               dew, 10 hydrocarbon dew, 11 bubble, 12 by specification record NSPEC)
//   nspec  in   specification number (kind 12; kinds 5-7 take that record's tolerance);
//               50 with kind 12 flashes at T and P without reading a record
//   specv  in   duty for kind 2 (kJ per unit of rate time), entropy addition for kind 3,
//               the fraction for kinds 5-7; a missing value (below RMISS) counts as 0.0
//   iflopt in   units digit: the general flash's option; tens digit: start from the K-values
//               left in the flash work array
//   ipass  in   handed to the general flash unchanged
//   t, p   in   K, kPa; written into the stream first when above 0.0. A missing stream
//               temperature or pressure gets the estimate of FLCORR.
//   istat  out  StreamFlashStatus:
//               0 flashed: T, P, the phase fractions, enthalpies and compositions are in the
//                 stream, its state word i(8) is 10002000 (plus 1000000 when the liquid split
//                 in two, the split then in record type 3), the K-values in the flash work
//                 array
//               1 KIND outside 1-12, or the enthalpy of an all-solid feed failed
//               3 no flow (rate below 1e-30, or no component present): nothing flashed
//               4 ITPFIX outside 0-2: nothing flashed
//               6 the general flash failed, or the set's K-value method is served outside the
//                 library (no flash here): the feed is left as vapour at the last T and P,
//                 y = z, phase enthalpies 0.0, i(8) = 0
//               7 the set's K-value methods cannot flash partly solid components (message
//                 1030001098); returns before the stream is released
// The option digits of the set (FLMSET) are left in FLSTAT words 5-8; the stream stays current
// in pointer set 2 and its method set current. Solid streams are flashed on their fluid part
// through two save streams, deleted again before the return.
// Aborts: those of the data model (a stream or specification without record) and FLMSET.
void SFLDRV(std::int32_t istrm, std::int32_t itpfix, std::int32_t kind, std::int32_t nspec,
            double specv, std::int32_t iflopt, std::int32_t ipass, double t, double p,
            std::int32_t& istat);

}  // namespace flash
