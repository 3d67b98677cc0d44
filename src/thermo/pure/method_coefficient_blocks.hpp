// The loaders of the property methods' coefficient blocks: MDLOD1 to MDLOD9, one routine
// applied to nine property entries of the current method set's descriptor.
//
// A method's coefficient block is one disk block of the problem database (pure-component
// constants, pair coefficients, tables, cache words). One block is held at a time in the
// shared block area, beside one shared method work area; both areas, the held block's
// address and length and the results of the last load are in LDSTAT (methods/methods.hpp),
// shared with the loaders of the K-value, activity and liquid-density methods
// (thermo/pure/liquid_density.hpp), so that one block is in core across all of them.
//
// Every loader call:
//   1. integer and real work lengths := the current set's work lengths of the property
//      index (MSPTRS), also published as the work-size words of PMCTL2;
//   2. work integer start := 2 x work-area base; work real start := (work integer start +
//      integer work length + 1) / 2 (integer division);
//   3. when the entry names a block other than the one held, the whole block is read into
//      the block area and becomes the held block; the starts and lengths of its first
//      integer and first 8-byte sectors (element k at start + k) go to LDSTAT;
//   4. otherwise, for an entry without a block, the loaders of vapour density, surface
//      tension and vapour viscosity clear the held address and the block results (the next
//      load of any block reads it); the others leave the results describing the block held.
// Two entries naming one disk block share one copy; what a kernel writes into the copy
// lasts until another block is read, after which the stored values come back.
#pragma once

#include <cstdint>

namespace pure {

// Property indexes of the set's work-length tables that the loaders read.
inline constexpr std::int32_t kLiquidEnthalpyIndex = 6;
inline constexpr std::int32_t kVapourEnthalpyIndex = 7;
inline constexpr std::int32_t kVapourDensityIndex = 9;
inline constexpr std::int32_t kLiquidEntropyIndex = 10;
inline constexpr std::int32_t kVapourEntropyIndex = 11;
inline constexpr std::int32_t kVapourViscosityIndex = 13;
inline constexpr std::int32_t kSurfaceTensionIndex = 16;
inline constexpr std::int32_t kVapourFugacityIndex = 17;

// The loaders. Each takes no argument, returns 0 and reports nothing; a disk address that
// names no readable block fails inside the sub-block and file layers, which abort.
//   MDLOD1  vapour enthalpy (PMCTL3), index 7; no block: results unchanged
//   MDLOD2  liquid enthalpy (PMCTL2), index 6; unchanged
//   MDLOD3  the second liquid model's block (PMCTL2, codes 417 to 420); its callers read
//           only the block's real data; work lengths of index 6; unchanged
//   MDLOD4  vapour entropy (PMCTL1), index 11; unchanged
//   MDLOD5  liquid entropy (PMCTL1), index 10; unchanged
//   MDLOD6  vapour density (PMCTL1), index 9; no block: cleared
//   MDLOD7  the vapour fugacity of an activity K-value method (THDXCH), index 17; unchanged
//   MDLOD8  surface tension (PMCTL4), index 16; cleared
//   MDLOD9  vapour viscosity (PMCTL4), index 13; cleared
// A disk address of 0 or less names no block, like NODISK.
std::int32_t MDLOD1();
std::int32_t MDLOD2();
std::int32_t MDLOD3();
std::int32_t MDLOD4();
std::int32_t MDLOD5();
std::int32_t MDLOD6();
std::int32_t MDLOD7();
std::int32_t MDLOD8();
std::int32_t MDLOD9();

}  // namespace pure
