// The data of unit operations as the stream-property layer reads them: the block of the loaded
// unit in the unit work area and the stored data blocks read item by item, the data-holding
// unit of a side unit, tray streams assembled from a column's profiles, and the scratch
// stream that holds them.
//
// A unit's data block is a sub-block of typed sectors; an item is a sector numbered within
// its kind: integer items (sector kind 4, one word per element), real items (kind 6, two
// words per element), per-element option words of attributed items (kind 2, the VAT kind).
// Integer items 1 to 250 exist. The loaded unit is the unit of context 3 of UNCURR; its block
// is in the work area when the work-area descriptors of context 3 name it.
//
// Column tray profiles (real items, element t for tray t unless said otherwise):
//    7 tray temperature         8 tray pressure           9, 10 net vapour and liquid rates
//   11, 12 total vapour and liquid rates                 13, 14 vapour and liquid enthalpy
//   15, 16 values kept in header reals 3 and 4           17, 18 vapour and liquid heat capacity
//   20, 21 vapour and liquid compositions, NCOMP entries per tray from (t - 1) NCOMP + 1
//   26, 27 liquid-1 and liquid-2 compositions, the NCOMP entries after entry S(t)
//   28, 29 net liquid-1 and liquid-2 rates, a second section at t + OFFS
//   49 molar solid rate   50 molar-solid enthalpy   51 solid compositions, NSOL per tray
//   58 enthalpy of the mass-based solids per unit of their rate   60 mass-based solid rate
//   175 liquid temperature of the stored form
// and integer items: 1 the control words (4 trays, 41 algorithm, 51 feeds, 10 positions of a
// side unit, 94 its parent, 16 its sub-unit count), 2 the sub-units' packed positions (its
// last word mod 10000 is OFFS), 3 the sub-units, 16 per tray the method set (mod 100), 17
// per tray S(t).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "services/markers.hpp"
#include "storage/storage.hpp"

namespace streamprops {

// Numbered message of an item or index outside a unit's data.
inline constexpr std::int32_t kBadUnitItem = 1990050002;
inline constexpr std::int32_t kMaxUnitItem = 250;

// Tray-stream phases and kinds.
enum class TrayPhase : std::int32_t { Vapour = 1, Liquid = 2 };
enum class TrayKind : std::int32_t { Net = 1, Total = 2, FeedRate = 3 };
// Liquid-phase selectors of a two-liquid column (0 or below 6: the whole liquid).
inline constexpr std::int32_t kLiquid1 = 6;
inline constexpr std::int32_t kLiquid2 = 7;
inline constexpr std::int32_t kBothLiquids = 8;

// ---------------------------------------------------------------------------------------
// The loaded unit and the stored blocks
// ---------------------------------------------------------------------------------------

// Whether U (above 0) is the loaded unit, and whether the work area also holds its block.
bool isLoadedUnit(std::int32_t u);
bool workAreaHolds(std::int32_t u);

// An item of the block in the work area: its elements, checked once (empty when the item is
// not loaded). Element e (1-based) is integers[e - 1] or reals[e - 1].
std::span<std::int32_t> loadedIntegers(std::int32_t item);
storage::RealView loadedReals(std::int32_t item);

// A unit's stored data block, read piecewise without loading it.
class StoredUnitData {
 public:
  explicit StoredUnitData(std::int32_t unit);

  // Where item ITEM of sector kind KIND lies: its element count and the word offset of its
  // first element less one. False when the block or the item does not exist.
  bool locate(storage::SectorKind kind, std::int32_t item, std::int32_t& count,
              std::int32_t& offset) const;
  // Element INDEX of integer item ITEM; real element INDEX of real item ITEM. An item the
  // block lacks or an index outside it ends the run with message 1990050002 under ROUTINE.
  std::int32_t integer(std::int32_t item, std::int32_t index, std::string_view routine) const;
  double real(std::int32_t item, std::int32_t index, std::string_view routine) const;
  // Real elements FIRST to FIRST + out.size() - 1 of real item ITEM into OUT; aborts as
  // real().
  void reals(std::int32_t item, std::int32_t first, std::span<double> out,
             std::string_view routine) const;
  // Two words at word position INDEX of item ITEM of kind KIND (an entry of the VAT kind):
  // false when the item is missing or holds fewer than INDEX such entries.
  bool entryPair(storage::SectorKind kind, std::int32_t item, std::int32_t index,
                 std::int32_t& first, std::int32_t& second) const;

  std::int32_t unit() const { return unit_; }

 private:
  [[noreturn]] void missing(std::int32_t item, std::int32_t index, std::string_view routine) const;

  std::int32_t unit_ = 0;
  std::int32_t length_ = 0;
  std::int32_t address_ = services::NODISK;
};

// IIUGET: word INDEX of integer item ITEM of unit U, from the work area when it holds U's
// block, else from U's stored block (U made current in context 1 for the read, the unit
// current there before made current again).
//   u      in   unit number
//   item   in   integer item, 1-250
//   index  in   element, 1 to the item's count
//   ival   out  the word
//   ierr   out  always 0
// Ends the run through MSGABT 1990050002 (" - CALLED FROM IIUGET") on an item outside 1-250,
// an index outside the item or an item the stored block lacks.
void IIUGET(std::int32_t u, std::int32_t item, std::int32_t index, std::int32_t& ival,
            std::int32_t& ierr);

// UVREAD: the unit UD whose real items hold the data of unit U at position P, and the
// position PD there. A side unit's data lie in its parent (word 94 of its integer item 1):
// PD = P plus the positions (word 10 of integer item 1) of the sub-units listed before it in
// the parent's integer item 3 (U taken as the first when it is not listed). Makes U current
// in context 1 unless it is the loaded unit.
void UVREAD(std::int32_t u, std::int32_t p, std::int32_t& ud, std::int32_t& pd);

// UVSTOR: the stored unit variable of an operand (MODE 1): real PD of real item 6 of unit UD,
// with UD and PD from UVREAD(operand word 5, operand word 19). DMISS for any other MODE and
// for a position outside the item.
//   oprec  in  the operand record (SPCREC words, 1-based: oprec[k - 1] is word k)
void UVSTOR(std::int32_t n, std::int32_t mode, std::span<const std::int32_t> oprec,
            std::int32_t iaux, double& value);

// ---------------------------------------------------------------------------------------
// The scratch stream and tray streams
// ---------------------------------------------------------------------------------------

// UVCUR: the scratch stream, a temporary stream of the open problem created on first use
// and kept until the next problem open. Creating it leaves the current streams as they were.
void UVCUR(std::int32_t& ns);

// Clears the scratch stream's main record: every header real DMISS, the rates, phase
// fractions and component vectors 0.0. Its pointer set must be current (SET 1 or 2).
void clearScratchStream(std::int32_t set);

// UVGET: fills the scratch stream with the tray stream of unit U at tray T, from the loaded
// profiles (UVGETL) when U is the loaded unit, else from the stored ones (UVGETR). The
// scratch stream is cleared first, so a tray without flow gives a stream of rate 0.0. The
// scratch stream is current in set 1 afterwards.
//   phase   TrayPhase: 1 vapour, 2 liquid
//   phase2  0, or the liquid selector 6 (liquid 1), 7 (liquid 2), 8 (both) of the loaded form
//   kind    TrayKind: 1 net rates, 2 total rates, 3 the feed rate to the tray (loaded form)
//   p       the position as the caller named it (not read)
//   ierr    out: 0
void UVGET(std::int32_t u, std::int32_t t, std::int32_t phase, std::int32_t phase2,
           std::int32_t kind, std::int32_t p, std::int32_t& ierr);

// The two forms; both write the stream current in set 1 and clear nothing themselves.
void UVGETL(std::int32_t u, std::int32_t t, std::int32_t phase, std::int32_t phase2,
            std::int32_t kind, std::int32_t p, std::int32_t& ierr);
void UVGETR(std::int32_t u, std::int32_t t, std::int32_t phase, std::int32_t kind);

// UVINIT: the feed rate to tray T of the loaded unit: over its first NFEED feed entries of
// kind 0, rate x liquid fraction of the feeds whose liquid tray is T, rate x vapour fraction
// of those whose vapour tray is T (or, for tray 1, that have no vapour tray). The stream
// current in set 2 before is current there again afterwards.
void UVINIT(std::int32_t nfeed, std::int32_t t, double& rate);

// UVFILL: fills the scratch stream (current in set 1) with tray T of the loaded column's
// profiles. PHASE2 may be replaced by the liquid the two-liquid profiles of the tray hold.
void UVFILL(std::int32_t t, std::int32_t phase, std::int32_t phase2, std::int32_t kind);

}  // namespace streamprops
