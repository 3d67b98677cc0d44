// The split of a liquid into two liquid phases anchored on two key components: TLSPLT, the
// iterated split that the K-value route with a liquid-liquid method asks for, FLAS3L, the
// one-shot set-up of a key pair that the same route asks for while a three-phase flash runs,
// and the routine that serves the K-value engine's liquid-split slot with them.
//
// Conventions shared by both routines:
//   - components are numbered 1..NC in the key arguments; arrays hold NC values (index 0 is
//     component 1) and every array argument must hold at least NC values;
//   - DCOEF_i = x1_i / x2_i at equilibrium, the distribution coefficient of component i
//     between liquid 1 and liquid 2, as KCLLIQ returns it with the per-liquid terms GL1, GL2
//     (fugacity coefficients for the equation-of-state class, activity coefficients else);
//   - a key seed holds 1 - EPS of its own key, EPS of the other key and nothing else,
//     EPS = 1e-4 for the equation-of-state class and 0.02 for the others;
//   - a component takes part in the key search and in the traces only when its feed
//     fraction exceeds 5e-7; a key outside 1..NC counts as not given.
#pragma once

#include <cstdint>
#include <span>

#include "thermo/equilibrium/slots.hpp"

namespace flash {

// Method classes of the liquid-liquid K-values, as KCLLIQ takes them.
enum class LiquidClass : std::int32_t {
  EquationOfState = 0,
  Activity = 1,
  UserAdded = 2,
  Correlation = 3,
};

// Status of the split (argument 15).
enum class SplitStatus : std::int32_t { Split = 0, NoSplit = 1 };

// Timing slot of TLSPLT in TIMST2.
inline constexpr std::size_t kTimingSlotTLSPLT = 38;

// TLSPLT: splits the liquid Z at T and P into liquid 1 (anchored on L1KEY) and liquid 2
// (anchored on L2KEY). Keys not given are chosen from trial distribution coefficients; then
// KCLLIQ and a bracketed search on the liquid-1 fraction alternate, with damped composition
// updates, until fraction and compositions settle. A split that ends with one liquid below
// 1e-4, identical liquids, a key coefficient at 1 or more than 100 outer iterations is tried
// once more with the alternative partner key when the keys were chosen here.
//   flags      in      per-component phase-type flags, handed to KCLLIQ (never written in
//                      the classes used here)
//   l1key      in/out  key of liquid 1 (0: choose)
//   l2key      in/out  key of liquid 2 (0: choose)
//   preferred  in      preferred key of liquid 2: when both keys are chosen here and L1KEY
//                      comes out as this component, the keys are exchanged
//   start      in      non-zero: XL1 and XL2 hold start compositions
//   liquidClass in     LiquidClass of the liquid-liquid K-values, handed to KCLLIQ
//   nc         in      number of components
//   nck        in      handed to KCLLIQ
//   print      in      1 or more: the closing trace line; 2 or more: the full trace
//   unit       in      output unit of the trace (the report unit)
//   p, t       in      kPa, K
//   z          in      feed mole fractions
//   fracl1     out     mole fraction of the liquid that is liquid 1; -1.0 for no split
//   status     out     SplitStatus
//   xl1, xl2   in/out  liquid compositions (in when START is set); the feed for no split
//   y          in      vapour composition, handed to KCLLIQ
//   dcoef      out     distribution coefficients of the last KCLLIQ call
//   gl1, gl2   out     per-liquid terms of the last KCLLIQ call
//   work1, work2 work  previous compositions of the damped update; with START set they
//                      first receive the start compositions
//   v1, v2     out     the two liquid results of KCLLIQ (compressibility factors for the
//                      equation-of-state class)
// Every failure (no key pair, a KCLLIQ status above 1, no two distinct liquids) is the no-split
// result. The K-value clamps of FLTOL (words 12 and 13) are widened to 1e-30 and 1e30 while
// the routine runs, and the water component of THCTL is hidden from FLSCMP during the search
// on the fraction; both are put back on every exit. The split has no free water: every
// component of the feed, the set's water among them, stays in the two liquids.
// No message and no abort of its own.
void TLSPLT(std::span<std::int32_t> flags, std::int32_t& l1key, std::int32_t& l2key,
            std::int32_t preferred, std::int32_t start, std::int32_t liquidClass, std::int32_t nc,
            std::int32_t nck, std::int32_t print, std::int32_t unit, double p, double t,
            std::span<const double> z, double& fracl1, std::int32_t& status, std::span<double> xl1,
            std::span<double> xl2, std::span<const double> y, std::span<double> dcoef,
            std::span<double> gl1, std::span<double> gl2, std::span<double> work1,
            std::span<double> work2, double& v1, double& v2);

// FLAS3L: the liquid-liquid set-up of a running three-phase flash. It settles the key pair
// (chosen as TLSPLT chooses, but the first key from DCOEF_i and 1/DCOEF_j of each pair only,
// the partner with a KCLLIQ call also for two components, no alternative partner), sets the
// start compositions (the seeds, or the given ones with an empty liquid replaced by its
// seed), evaluates DCOEF, GL1 and GL2 once with KCLLIQ and sets THDXCH.IHVLLE to 1. Without a
// key pair the liquids come back from the work copies (an empty one as pure component 1) and
// IHVLLE is left as it was. The keys are stored in THDXCH on every exit.
// Arguments as TLSPLT, except: FRACL1 is not set; STATUS is set to 0 and nothing else; the
// KCLLIQ status of the final evaluation is not examined; WORK1 and WORK2 hold the
// compositions given back without a key pair.
void FLAS3L(std::span<std::int32_t> flags, std::int32_t& l1key, std::int32_t& l2key,
            std::int32_t preferred, std::int32_t start, std::int32_t liquidClass, std::int32_t nc,
            std::int32_t nck, std::int32_t print, std::int32_t unit, double p, double t,
            std::span<const double> z, double& fracl1, std::int32_t& status, std::span<double> xl1,
            std::span<double> xl2, std::span<const double> y, std::span<double> dcoef,
            std::span<double> gl1, std::span<double> gl2, std::span<double> work1,
            std::span<double> work2, double& v1, double& v2);

// The K-value engine's liquid-split slot: FLAS3L while the three-phase flash runs, else
// TLSPLT, with the request's keys, its water component as the preferred key of liquid 2,
// its usable flag as the start flag and the stored split as start compositions; THETA is
// FRACL1, ZA and ZB the two liquid results, STATUS the split's own status. The distribution
// coefficients, the per-liquid terms and the work copies are kept here between calls (sized
// for the largest component count seen, so that a warm call allocates nothing) and let go
// at every problem open. The flash layer fills the slot with this routine when the library
// starts.
void splitLiquid(const equilibrium::LiquidSplitRequest& request,
                 equilibrium::LiquidSplitResult& result);

// FLSLKY: the two key components of a liquid-liquid split (key 1 forms liquid 1, key 2
// liquid 2) and the liquid-liquid K-values of the two liquids. Trial liquids hold 1 - tol of
// one component and tol of another (tol 1e-4 for class 0, else 0.02), others 0; only
// components with a feed fraction above 5e-7 take part.
//   1. no key given: over the pairs l < m the first key is l when K_l, m when 1/K_m, is the
//      largest above 1 (l tested first); one key given: the first key is key 2 when set,
//      else key 1;
//   2. the partner: with the first key at 1 - tol in liquid 1, the component of smallest K
//      below 1 when it is at 1 - tol in liquid 2; key 1 = partner when the first key was
//      the given key 2, else key 1 = first key and key 2 = partner;
//   3. with both keys set: when the search chose both and key 1 is the preferred key 2,
//      the keys swap; the liquids (and the fractions) swap when liquid 1 is not the one
//      richer in its key (judged by the key of the larger fraction);
//   4. a last KCLLIQ call on the final liquids leaves their K-values in K12.
// A failed trial (KCLLIQ error above 1) ends the search with the keys as given. With SAVE
// set the trial liquids never reach the caller: the liquids are saved first and put back
// after every search, successful, failed or without a key.
//   flags          in/out  phase-type flags, handed to KCLLIQ
//   key1, key2     in/out  the keys, 1-based (0: not known)
//   preferredKey2  in      preferred key of liquid 2 (0: none)
//   save           in      non-zero: save and restore the liquids around a search
//   liquidClass    in      KCLLIQ mode (0 fugacity coefficients ... 3)
//   nc, ncomp      in      component counts handed to KCLLIQ (NC the loop length)
//   p, t           in      kPa, K
//   feed           in      feed liquid mole fractions
//   fraction1      in/out  share of liquid 1 (swapped with the liquids)
//   fraction2      out     1 - fraction1
//   status         out     always 0
//   xl1, xl2       in/out  liquid 1 and liquid 2 mole fractions
//   work           --      vapour argument of KCLLIQ
//   k12            out     liquid-liquid K-values x1/x2 of the last call
//   phi1, phi2     out     coefficients of the two liquids from KCLLIQ
//   save1, save2   work    the saved liquids (used when SAVE is set)
// Aborts: "FL" from FLSLKY when an array is shorter than NC; those of KCLLIQ.
void FLSLKY(std::span<std::int32_t> flags, std::int32_t& key1, std::int32_t& key2,
            std::int32_t preferredKey2, std::int32_t save, std::int32_t liquidClass,
            std::int32_t nc, std::int32_t ncomp, double p, double t, std::span<const double> feed,
            double& fraction1, double& fraction2, std::int32_t& status, std::span<double> xl1,
            std::span<double> xl2, std::span<double> work, std::span<double> k12,
            std::span<double> phi1, std::span<double> phi2, std::span<double> save1,
            std::span<double> save2);

}  // namespace flash
