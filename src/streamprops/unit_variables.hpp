// Unit-operation variables: the value of a variable of a unit operation that a specification
// names (operand type 4), read from the unit's data where its VAT row says it lies, or, for
// rigorous columns, computed from tray streams; the decoding of VAT rows; the data-holding
// unit of a side unit; and the property of a tray stream (operand type 3).
//
// A VAT row is four integer words:
//   1  access kind x 100000000 + item x 10000 + second item (AccessKind below)
//   2  the index within the item
//   3  six option digits d6 (millions) .. d1 (units); d1 picks one real of a real pair
//   4  the conversion row (for access kind 5 also the row to use instead)
// IMISS in word 1, 2 or 3 marks the word missing.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace streamprops {

enum class AccessKind : std::int32_t {
  Real = 1,            // a real of a real item
  AttributedReal = 2,  // a real of an item with per-element option words
  Integer = 3,         // an integer of an integer item
  Indirect = 5,        // use the row named by word 4
};

inline constexpr std::int32_t kVatRowWords = 4;

// Message of an attributed element whose option words cannot be decoded.
inline constexpr std::int32_t kBadElementOptions = 1100000016;

// Column unit types, whose variable types 1, 2, 3 and 26 to 30 are computed here.
inline constexpr std::int32_t kColumnUnit = 120001;
inline constexpr std::int32_t kSideStripperUnit = 120002;
inline constexpr std::int32_t kCompositeColumnUnit = 120003;

// The capped ratio of the column variables and the smallest denominator they divide by.
inline constexpr double kRatioCap = 1.0e10;
inline constexpr double kSmallestDenominator = 1.0e-10;

// UVDEC: the row decoded last, kept until the next decoding.
struct DecodedRow {
  std::int32_t kind = 0;
  std::int32_t item = 0;
  std::int32_t secondItem = 0;  // the item of the per-element option words
  std::int32_t index = 0;
  std::array<std::int32_t, 6> digits{};  // d6 .. d1
  std::int32_t conversionRow = 0;

  std::int32_t digit(std::int32_t k) const { return digits[static_cast<std::size_t>(6 - k)]; }
};
extern DecodedRow UVDEC;

// Decodes row ROW of TABLE (rows of four words; a row outside TABLE has every word missing)
// into UVDEC. UVDCOD: words 1 and 2 through UVDCD2, word 3 into the digits unless missing,
// word 4 always into the conversion row. UVDCD2: word 1 into kind, item and second item,
// word 2 into the index, each unless missing. IERR 1 when a decoded word is missing (the
// fields of a missing word keep what they held), else 0.
void UVDCOD(std::int32_t row, std::span<const std::int32_t> table, std::int32_t idum,
            std::int32_t& ierr);
void UVDCD2(std::int32_t row, std::span<const std::int32_t> table, std::int32_t idum,
            std::int32_t& ierr);

// Packs UVDEC back into row ROW of TABLE. IERR 1 (nothing written) when the row lies
// outside TABLE, else 0.
void UVIDX2(std::int32_t row, std::span<std::int32_t> table, std::int32_t idum, std::int32_t& ierr);

// The five-digit option word of a tray-stream amount built from W's digits: its tens,
// hundreds and ten-thousands digits, each 1 when 0, and its thousands and units digits as
// they are (0 gives 10110, 25 gives 10125, 23407 gives 23417).
std::int32_t UVCODE(std::int32_t w);

// The unit conversion a VAT conversion row selects (0: none) and the unit class of a
// selector (0 for selector 0 or an unknown one).
std::int32_t conversionSelector(std::int32_t row);
std::int32_t selectorClass(std::int32_t selector);

// The VAT of unit U as context KIND (2 or 3) holds it: its words, as many as the unit's
// stored record holds; empty when the context does not hold U or the record has no VAT.
std::span<const std::int32_t> unitVat(std::int32_t u, std::int32_t kind);

// UVLOOK: the unit UD and position PD that hold the data of unit U at position P. A side
// unit (word 94 of its integer item 1 names a parent other than itself) maps to its parent,
// PD = P + s - 1 with s = (the parent's integer item 2 at U's rank in item 3 / 10000) mod
// 10000; P itself when U is not listed. U (unless it is the loaded unit) is current in
// context 1 afterwards.
void UVLOOK(std::int32_t u, std::int32_t p, std::int32_t& ud, std::int32_t& pd);

// UVINDX: the position in component list LIST (1 or 2) of the component whose name slot is
// NUM; 0 when NUM is IMISS or 0, the list is not in core or does not hold it.
void UVINDX(std::int32_t num, std::int32_t list, std::int32_t& pos);

// UVATTR (MODE 0, read): real INDEX of the attributed item that row VAR of unit U's VAT
// names. VALUE DMISS and IERR 1 when the row cannot be decoded, the item is missing, INDEX
// is outside 1 to its count, or (stored block) the element's option words are missing or
// cannot be decoded (message 1100000016). The stored path leaves U current in context 2.
void UVATTR(std::int32_t u, std::int32_t var, std::int32_t index, double& value, std::int32_t& ierr,
            std::int32_t mode);
// UVCALL: UVATTR with MODE 0.
void UVCALL(std::int32_t u, std::int32_t var, std::int32_t index, double& value,
            std::int32_t& ierr);

// UVPOS: the variable at UVDEC's item and index of unit U: an integer (access kind 3) into
// IVAL, or a real (kind 1) into VALUE, the index's real for K = 1 and the next one for K = 2.
// From the work area when it holds U's block, else from the stored block. IERR 1 (VALUE
// DMISS) when the item is missing or the index outside it.
void UVPOS(std::int32_t k, std::int32_t u, std::int32_t& ival, double& value, std::int32_t& ierr);

// SPUNIT: the value of the unit variable an operand names (operand words, 1-based: 1 type 4,
// 3 unit reference 0 the unit of word 5 or 1 the loaded unit, 5 unit, 10 phase selector, 11
// option digits, 13 property code, 18 variable type, 19 position).
//   d1     in      units digit of the specification code (picks one real of a pair)
//   n      in      the specification (passed to the property evaluation)
//   oprec  in/out  the operand record; restored before the return
//   ival   out     an integer variable
//   value  in/out  a real variable in internal units; DMISS when it cannot be read, when a
//                  row word is missing, or when the operand names no unit; an integer
//                  variable leaves it as it was
//   argval in      the argument value of the property evaluation
// Leaves the unit current in context 2.
void SPUNIT(std::int32_t d1, std::int32_t n, std::span<std::int32_t> oprec, std::int32_t iaux,
            std::int32_t& ival, double& value, double argval);

// UVEVAL: code 211 of a tray stream of the operand's unit: K1 1 the liquid (or the operand's
// own phase when it is 1 or more), 2 the vapour, other no phase; K2 the tray-stream kind; K3
// the tray. The operand record is restored.
void UVEVAL(std::int32_t n, std::span<std::int32_t> oprec, std::int32_t iaux, std::int32_t k1,
            std::int32_t k2, std::int32_t k3, double& value, double argval);

// UVCOL: column variables 26 (the liquid from the tray below the top), 27 and 28 (the vapour
// and liquid shares of the top tray's total flow), 29 (the top tray's temperature) and 30
// (its rise over the tray below). The operand record is restored.
void UVCOL(std::int32_t var, double& value, std::span<std::int32_t> oprec, std::int32_t iaux,
           std::int32_t n);

// SPSTRM: the property of a tray stream (operand type 3): the scratch stream filled with the
// tray stream of operand word 5's unit at position word 20 (phase word 10 mod 100, liquid
// selector (word 10 / 100) mod 10000) through UVLOOK and UVGET; VALUE its rate for KIND 3,
// else its property by code through SPEDSP. Operand words 1 and 3 are restored; word 4
// names the scratch stream afterwards.
void SPSTRM(std::int32_t n, std::span<std::int32_t> oprec, std::int32_t iaux, double& value,
            std::int32_t kind, std::int32_t noflag, double argval);

// SPOTHR: the property of the hierarchy stream of the loaded unit (operand type 2): the
// feeds mixed by UVHIER, their property by code through SPEDSP. DMISS when no unit is
// loaded. Operand words 1 and 3 are restored; word 4 names the scratch stream afterwards.
void SPOTHR(std::int32_t n, std::span<std::int32_t> oprec, std::int32_t iaux, double& value,
            std::int32_t noflag, double argval);

}  // namespace streamprops
