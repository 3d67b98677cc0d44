// Units of measure: the unit tables that the data sets of the support and problem databases
// fill, the unit-code words, and the conversion of one real, or of whole arrays by factor
// and offset, between unit sets and unit codes.
//
// A unit class (1-50) is a kind of quantity; class 1 is temperature, class 4 pressure. A
// negative class -c means a value per unit of class c. A unit is named by a unit argument:
// 0 the default unit of the class in the current set, 1-7 its default unit in named set
// 1-7, 10-162 a unit code; anything else is invalid. Set 1 holds the internal units.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/fixed_text.hpp"
#include "services/one_based.hpp"

namespace services {

inline constexpr std::int32_t kUnitClasses = 50;
inline constexpr std::int32_t kNamedUnitSets = 7;
// Rows of the default-unit and set-label tables: row 0 (what set -1 selects), sets 1-7.
inline constexpr std::int32_t kUnitSetRows = 8;
inline constexpr std::int32_t kFirstUnitCode = 10;
inline constexpr std::int32_t kLastUnitCode = 162;
// The offset tables end here; codes above have offset 0.
inline constexpr std::int32_t kLastOffsetCode = 159;
// The unit-code labels run further than the factors.
inline constexpr std::int32_t kLastLabelCode = 474;
inline constexpr std::int32_t kUnitCodes = kLastUnitCode - kFirstUnitCode + 1;
inline constexpr std::int32_t kOffsetCodes = kLastOffsetCode - kFirstUnitCode + 1;
inline constexpr std::size_t kUnitLabelWidth = 20;

// Sizes of the parts of the tables, as the data sets store them.
inline constexpr std::size_t kFactorValues = kUnitClasses * kUnitCodes;  // 7650
inline constexpr std::size_t kOffsetValues = 2 * kOffsetCodes;           // 300
inline constexpr std::size_t kCarriedUnitWords = 600;
inline constexpr std::size_t kDefaultUnitWords = kUnitClasses * kUnitSetRows;  // 400
inline constexpr std::size_t kUnitIntegerWords = kCarriedUnitWords + kDefaultUnitWords;
inline constexpr std::size_t kSetLabelChars = kDefaultUnitWords * kUnitLabelWidth;  // 8000
inline constexpr std::size_t kSecondLabelChars = 7400;
inline constexpr std::size_t kCodeLabelChars =
    (kLastLabelCode - kFirstUnitCode + 1) * kUnitLabelWidth;  // 9300
inline constexpr std::size_t kUnitSettingWords = 15;
inline constexpr std::size_t kUnitSettingReals = 12;
inline constexpr std::size_t kUnitCodeWords = 40;

// Unit classes the conversion itself knows.
inline constexpr std::int32_t kTemperatureClass = 1;
inline constexpr std::int32_t kPressureClass = 4;
inline constexpr std::int32_t kLiquidDensityClass = 19;
inline constexpr std::int32_t kSpecificGravityClass = 21;

// Words of the unit settings.
inline constexpr std::size_t kCurrentSetWord = 3;
inline constexpr std::size_t kPrefixStyleWord = 12;  // words 12-15: prefix-style entries 1-4

// Timing slots of the conversion routines in TIMST1.
inline constexpr std::size_t kUomcnvTimingSlot = 1;
inline constexpr std::size_t kUomfctTimingSlot = 2;

// Conversion kinds found by UOMFAC.
enum class ConversionKind : std::int32_t {
  Invalid = -1,        // invalid class, unit or a unit without a factor in the class
  Same = 0,            // both units are the same code
  Linear = 1,          // factor and offset
  FromApiGravity = 2,  // the FROM unit is API gravity (classes 19 and 21)
  ToApiGravity = 3,    // the TO unit is API gravity (classes 19 and 21)
};

// UOMTAB: the unit tables. Zero until the support database's data set is read; the problem
// database's data set then overwrites its own part. Each array has the layout of the data
// set that fills it, so that the loaders copy blocks straight in and out.
struct UnitTables {
  // Size of unit code u in the internal unit of class c, value 50 (u - 10) + c; 0 means
  // that the unit does not belong to the class.
  std::array<float, kFactorValues> factors{};
  // Added to a value before the factor: class 1 for codes 10-159, then class 4.
  std::array<float, kOffsetValues> offsets{};
  // Words 1-600 carried unread; then the default unit code of class c in row r (0-7) at
  // word 600 + 50 r + c.
  std::array<std::int32_t, kUnitIntegerWords> unitWords{};
  // The label of class c in row r at characters 20 (50 r + c - 1) + 1 to + 20.
  FixedText<kSetLabelChars> setLabels;
  // Carried unread.
  FixedText<kSecondLabelChars> secondLabelText;
  // Unit settings: word 3 the current set, words 12-15 the prefix-style table; the other
  // words and the reals are carried.
  OneBased<std::int32_t, kUnitSettingWords> settings;
  OneBased<float, kUnitSettingReals> settingReals;
  // The labels of unit codes 10-474 in one class (code u at characters 20 (u - 10) + 1 to
  // + 20), and that class; 0 = none held.
  FixedText<kCodeLabelChars> codeLabels;
  std::int32_t labelClass = 0;

  // Accessors; the class, code and row must lie in range (std::out_of_range otherwise).
  float& factor(std::int32_t cls, std::int32_t code);
  float factor(std::int32_t cls, std::int32_t code) const;
  // Class 1 or 4 and code 10-159.
  float& offset(std::int32_t cls, std::int32_t code);
  float offset(std::int32_t cls, std::int32_t code) const;
  std::int32_t& defaultUnit(std::int32_t cls, std::int32_t row);
  std::int32_t defaultUnit(std::int32_t cls, std::int32_t row) const;
  std::span<char, kUnitLabelWidth> setLabel(std::int32_t cls, std::int32_t row);
  std::span<char, kUnitLabelWidth> codeLabel(std::int32_t code);

  std::int32_t& currentSet() { return settings(kCurrentSetWord); }
  std::int32_t currentSet() const { return settings(kCurrentSetWord); }
  // Entry 1-4: entry 1 serves every set but 2 to 4.
  std::int32_t& prefixStyle(std::size_t entry) { return settings(kPrefixStyleWord + entry - 1); }
};
extern UnitTables UOMTAB;

// The four temperature units that the correlation evaluator tells apart, by their word in
// UOMCOD.
enum class TemperatureUnit : std::int32_t { Kelvin = 1, Celsius = 2, Rankine = 3, Fahrenheit = 4 };

inline constexpr std::size_t kApiGravityCodeWord = 16;
inline constexpr std::size_t kSpecificGravityCodeWord = 17;

// UOMCOD: the unit-code words of the support database; the words not named are carried.
struct UnitCodeWords {
  OneBased<std::int32_t, kUnitCodeWords> words;

  std::int32_t temperatureCode(TemperatureUnit unit) const {
    return words(static_cast<std::size_t>(unit));
  }
  std::int32_t apiGravityCode() const { return words(kApiGravityCodeWord); }
  std::int32_t specificGravityCode() const { return words(kSpecificGravityCodeWord); }
};
extern UnitCodeWords UOMCOD;

// Looks up the conversion of CLASS from unit FROM to unit TO.
//   cls       unit class, 1-50, or -c for a value per unit of class c (the units swap
//             sides: the FROM unit's factors come from TO and the TO unit's from FROM)
//   from, to  unit arguments (0 current set, 1-7 named sets, 10-162 unit codes)
//   kind      out: the conversion kind; Invalid for class 0 or beyond +-50, a set or code
//             outside the ranges, a set whose default unit is no unit code (as before the
//             tables are loaded), or a unit without a factor in the class
//   ff, of    out: factor and offset of the FROM unit; ff includes the basis factor of
//             UOMSPC (divided by it when TO is set 1)
//   ft, ot    out: factor and offset of the TO unit
// Offsets exist for classes 1 and 4 and codes 10-159 only; a per-unit (negative) class
// has none. With an invalid kind the factors are 1 and the offsets 0.
void UOMFAC(std::int32_t cls, std::int32_t from, std::int32_t to, ConversionKind& kind, double& ff,
            double& ft, double& of, double& ot);

// Basis factor of the rate classes 25, 26, 27, 31, 32, 33, 34 and 38 (positive numbers
// only). When the problem's basis is set (GSCTAB basis value not below -1.0E35, basis
// factor not zero) SPC becomes the basis factor and a kind Same becomes Linear; when it
// is not set SPC becomes 1. Other classes leave SPC and KIND alone.
void UOMSPC(std::int32_t cls, double& spc, ConversionKind& kind);

// VALUE of class CLASS converted from unit FROM to unit TO (see UOMFAC). The value comes
// back unchanged when it is a missing marker (at or below RMISS), the units are the same
// code or the conversion is invalid; an API gravity whose specific gravity would not be
// positive also comes back unchanged. Linear: ff (x + of) / ft - ot. Timed in TIMST1.
double UOMCNV(double value, std::int32_t cls, std::int32_t from, std::int32_t to);

// The conversion of CLASS from FROM to TO as value_to = A * value_from + B: a linear kind
// gives A = ff / ft and B = A of - ot; any other kind A = 1, B = 0. Timed in TIMST1.
void UOMFCT(std::int32_t cls, std::int32_t from, std::int32_t to, double& a, double& b);

}  // namespace services
