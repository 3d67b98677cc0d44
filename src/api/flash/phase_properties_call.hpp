// The phase properties call: nine properties of a composition taken as one phase at a given
// temperature and pressure, in the named stream's method set.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace api_flash {

// Statuses of VPROPS (a positive value is the error of a failed listing open).
inline constexpr std::int32_t kPropsNoAmount = -1;        // sum of COMPIN not above 0
// -3: a blank or unknown identifier, or no open problem.
inline constexpr std::int32_t kPropsUnknownStream = -3;
inline constexpr std::int32_t kPropsComponentCount = -4;  // NCOMP not the stream-vector count,
                                                          // above 200, or beyond an array
inline constexpr std::int32_t kPropsFlashBase = -400;     // -(400 + e): UFLSH status e
inline constexpr std::int32_t kPropsTransport = -13;
inline constexpr std::int32_t kPropsEnthalpy = -23;
inline constexpr std::int32_t kPropsEntropy = -33;
inline constexpr std::int32_t kPropsCompressibility = -43;
inline constexpr std::int32_t kPropsVolumeFlows = -53;

// The words of PROPS.
inline constexpr std::size_t kPropsWords = 9;

// VPROPS: the properties of COMPIN taken as phase IPHASE.
//   idebug  in      1 or more writes the listing "VProps.txt" in the working directory
//   strmid  in      identifier of a stream of the open problem; its method set is used
//   tempin  in      temperature, host unit set 4
//   presin  in      pressure, 1000 x host unit set 4
//   compin  in/out  NCOMP amounts or fractions, normalised in place
//   iphase  in      1 vapour, 2 liquid
//   ncomp   in      the problem's component count
//   nprop   in      number of PROPS words cleared at entry (nine are written on success)
//   props   out     1 thermal conductivity (set 4), 2 viscosity (set 4), 3 surface tension
//                   (set 4; 0 for a vapour), 4 molar enthalpy (set 1 x 1e6), 5 molar entropy
//                   (set 1 x 1000), 6 molar heat capacity (set 1 x 1000), 7 Z, 8 dry and 9
//                   wet volume flow of one unit of rate (set 1)
//   ierr    out     0 or one of the statuses above
void VPROPS(std::int32_t idebug, std::string_view strmid, double tempin, double presin,
            std::span<double> compin, std::int32_t iphase, std::int32_t ncomp,
            std::int32_t nprop, std::span<double> props, std::int32_t& ierr);

}  // namespace api_flash
