// True vapour pressure of a liquid composition: the bubble-point pressure at which the sum of
// K x is one with the K-values of a named method set.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace streamprops {

// Makes method set METUSE current for a special-property calculation (FLMSET; below 1 the
// default set). W1..W4 receive the set's option words.
void SPFLST(std::int32_t& w1, std::int32_t& w2, std::int32_t& w3, std::int32_t& w4,
            std::int32_t metuse);

// The label of stream ISRNUM for traces and message parameters. NOPT: units digit the form
// of the line (1 trimmed), tens digit nonzero to take the stream's own identifier and text
// in place of ID and TXT, hundreds digit the label's layout. TEXT is blank-filled or cut.
void SPSTRN(std::span<char> text, std::int32_t nopt, std::int32_t isrnum, std::string_view id,
            std::string_view txt);

// Bubble-point pressure of liquid X at T.
//   isrnum  in   stream number, for labels only
//   metuse  in   method set; below 1 the default set
//   nc      in   components in X, Y and K (NCOMP)
//   t       in   temperature, K
//   x       in   liquid mole fractions
//   y       out  vapour composition of the last K-value evaluation, not normalised
//   k       out  K-values of the last evaluation
//   ierr    out  0 solved; 1 not converged in 99 passes (message 1030001199); left as it
//                was when the set's K-value method has no vapour pressure or no TVP is
//                sought (below)
//   tvp     out  kPa; DMISS when the set's K-value method is one LMCODA flags, T is not
//                above 0, or the component table holds no critical temperatures,
//                critical pressures or acentric factors in core
// The method set current on entry is current again on every exit.
void SPETVP(std::int32_t isrnum, std::int32_t metuse, std::int32_t nc, double t,
            std::span<const double> x, std::span<double> y, std::span<double> k,
            std::int32_t& ierr, double& tvp);

}  // namespace streamprops
