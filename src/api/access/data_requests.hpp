// Data requests: a class name, an attribute and an identifier in; texts, integers or reals
// out with their count, element length and unit class. One dispatcher hands each request to
// the reader of its class; every reader fills one Request through the helpers below, which
// never write past the request's buffers.
//
// Conventions of every reader:
//   - Texts are compared blank-padded and case-sensitive; the first match in table order
//     wins.
//   - Real values are read in the internal units (unit set 1) and converted with UOMCNV to
//     the requested set; a real below RMISS comes back as 0.0 and an integer equal to IMISS
//     as 0.
//   - Messages are lines on standard output, each beginning with a blank: identifiers in 12
//     columns, attribute names in 20.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "services/fixed_text.hpp"

namespace api_access {

// The most values one request returns, of each type.
inline constexpr std::int32_t kMostValues = 20000;
// The longest text element a reader returns (the 68-character lines of the run title).
inline constexpr std::size_t kLongestElement = 68;
using ValueText = services::FixedText<kLongestElement>;

// Value types of a request.
enum class ValueType : std::int32_t { Real = 0, Integer = 1, Text = 2 };

// Unit-class codes beside the classes 1 to 50.
inline constexpr std::int32_t kNoUnit = 0;
inline constexpr std::int32_t kMolarBasis = 100000;    // + c: class c per mole
inline constexpr std::int32_t kEnergyPerVolume = -1;   // class 24 per class 17
inline constexpr std::int32_t kReciprocalClass8 = -2;  // 1 / class 8

// Statuses of the data requests.
inline constexpr std::int32_t kRefused = 1;           // not found, not supported, wrong type
inline constexpr std::int32_t kZeroRateWarning = -1;  // success with a warning

// The default unit set of a request that names none of 1 to 7.
inline constexpr std::int32_t kDefaultUnitSet = 5;

// One set of value buffers: the reals pass to PADATR (its first set is PARBUF), the other
// types to the export that asked for them. `written` is the highest element a reader wrote
// since the buffers were last cleared.
struct ValueBuffers {
  std::array<double, kMostValues> reals{};
  std::array<std::int32_t, kMostValues> integers{};
  std::array<ValueText, kMostValues> texts{};
  std::int32_t written = 0;

  // Zeros and blanks over what the last request wrote.
  void clear();
};

// A request as a reader sees it (the reader interface).
struct Request {
  std::string_view attr;
  std::string_view id;
  ValueBuffers* values = nullptr;
  std::int32_t elen = 4;
  std::int32_t count = 0;
  std::int32_t type = static_cast<std::int32_t>(ValueType::Real);
  std::int32_t iunset = kDefaultUnitSet;  // in: 1 to 7
  std::int32_t iucls = kNoUnit;
  std::int32_t ierr = 0;
  bool warnedImplausible = false;  // the implausible-value line was printed

  // Element K (1-based) of each type; an element beyond kMostValues is dropped.
  void setReal(std::int32_t k, double value);
  void setInteger(std::int32_t k, std::int32_t value);
  void setText(std::int32_t k, std::string_view value);
  double real(std::int32_t k) const;
  std::int32_t integer(std::int32_t k) const;

  void setType(ValueType t) { type = static_cast<std::int32_t>(t); }
  bool is(std::string_view name) const;  // ATTR equals NAME, blank-padded
  // A value that its quantity does not allow (not finite, a temperature or pressure not
  // above 0, a fraction outside 0 to 1, a constant of the wrong sign): element K becomes the
  // missing value 0.0 and a success becomes the warning status kZeroRateWarning (a refusal
  // stays one). The first of a request prints " WARNING: IMPLAUSIBLE VALUE OF ", ATTR in 20
  // columns, " FOR ", ID in 12 columns and " RETURNED AS ZERO".
  void implausible(std::int32_t k);
  // A blank identifier at element K of a list of identifiers: the warning status, and the
  // first of a request prints " WARNING: BLANK IDENTIFIER NUMBER ", K, " OF " and ATTR.
  void implausibleText(std::int32_t k);
  // The null rule: the first COUNT reals below RMISS become 0.0 and integers equal to
  // IMISS become 0.
  void nullMissing();
};

// A reader of one class.
using Reader = void (*)(Request&);

// PADATX: the dispatcher. Sets IERR 0, makes an IUNSET outside 1..7 the set 5, and calls the
// reader of CLS; an unknown class prints " CLASS NOT SUPPORTED: " and its first 10
// characters and sets IERR 1.
void PADATX(std::string_view cls, Request& request);

// The requests of the exports; see include/vendrakol.h. Each needs an open problem: without
// one, " NO PROBLEM IS OPEN" and IERR 1.
//   cval         out  COUNT texts of ELEMENT characters each, end to end (cut or padded)
//   ival, rval   out  COUNT values (PADATR at most 20000)
// Values of another type than the call returns are not delivered (the " WARNING: " line).
// PADATC and PADATI deliver the first COUNT values of a request that succeeded, and of a
// refused one the values its reader wrote (a blank name, "N/A"); PADATR delivers only the
// values of a request that succeeded. Each delivers no more than its array holds.
void PADATC(std::string_view cls, std::string_view attr, std::string_view id, std::span<char> cval,
            std::int32_t element, std::int32_t& elen, std::int32_t& count, std::int32_t& ierr);
void PADATI(std::string_view cls, std::string_view attr, std::string_view id,
            std::span<std::int32_t> ival, std::int32_t& count, std::int32_t& ierr);
void PADATR(std::string_view cls, std::string_view attr, std::string_view id, std::span<float> rval,
            std::int32_t& count, std::int32_t& iunset, std::int32_t& iucls, std::int32_t& ierr);

// The delivery of PADATR after its reader: more than 20000 values found prints " AMOUNT OF
// DATA FOUND IS TOO LARGE FOR STORAGE. DATA WILL BE LOST AS A RESULT."; a request that
// succeeded with the real type (TYPED) gives its first min(COUNT, 20000) values to RVAL in
// single precision, as many as RVAL holds. A value that is not a number, infinite or beyond
// the single range is delivered as 0.0 and makes the request's status the warning
// (Request::implausible): no real comes back NaN or infinite with a status of success.
void deliverReals(Request& request, bool typed, std::span<float> rval);

// A nested integer request of a reader (the column's algorithm type, the exchanger's
// utility flag): VALUE keeps its preset unless the reader delivers an integer. Returns the
// request's IERR. Runs in buffers of its own, so the outer request's values stay.
std::int32_t nestedInteger(std::string_view cls, std::string_view attr, std::string_view id,
                           std::int32_t& value);

// PAUOM1: the printable label of a returned unit-class code ICODE in unit set ISET (0 the
// current set, 1-7, or a unit code 10-474 taken as a set). ISTAT 1 for ICODE 0 (a blank
// label), else 0. LABEL receives min(30, its length) characters, blank-padded. An unknown
// code (neither 0, -1, -2 nor a class 1-50 plus 1000 times a modifier 0-999) or set: a blank
// label and ISTAT 1. No problem open: a blank label, ISTAT 1 and " NO PROBLEM IS OPEN".
void PAUOM1(std::int32_t icode, std::int32_t iset, std::int32_t& istat, std::span<char> label);

// Standard output of the requests.
void printLine(std::string_view line);
// TEXT cut or blank-padded to N columns.
std::string columns(std::string_view text, std::size_t n);
// " ATTRIBUTE NOT SUPPORTED: ", ATTR in 20 columns and WORDING; IERR 1 and COUNT 0.
void attributeNotSupported(Request& request, std::string_view wording);

}  // namespace api_access
