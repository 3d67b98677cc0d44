// What the equipment readers share: the unit of a request found, loaded and released, the
// stored stream numbers checked before a stream is made current, stored reals turned into
// integers safely, and the answers of one converted value.
//
// A stored stream number is trusted only when the stream has a record (status 2 or more):
// a number that names no stream leaves the values that need it at 0.0, and the request
// answers them with the warning status (kZeroRateWarning); every other value answers as
// usual.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "api/access/data_requests.hpp"

namespace api_access {

// The unit named by a request, found among the active units of TYPES (the " INVALID UNIT
// ID: " or " UNIT ID: " line otherwise, IERR 1) and loaded with PAULOD in MODE; released
// with UNFREE at level 0 when this goes, however the reader returns.
class RequestedUnit {
 public:
  RequestedUnit(Request& request, std::span<const std::int32_t> types, std::string_view notThisType,
                std::int32_t mode);
  ~RequestedUnit();
  RequestedUnit(const RequestedUnit&) = delete;
  RequestedUnit& operator=(const RequestedUnit&) = delete;

  bool found() const { return unit_ != 0; }
  std::int32_t number() const { return unit_; }

 private:
  std::int32_t unit_ = 0;
};

// The length of the real (integer) sector whose offset stands in header word W of the
// loaded block; 0 when W names no loaded sector of that kind.
std::int32_t headerRealLength(std::int32_t w);
std::int32_t headerIntegerLength(std::int32_t w);

// Element E of integer (real) sector S of the loaded block, and the sector's length; IMISS
// (RMISS) and 0 when the sector is not loaded or E lies beyond it.
std::int32_t sectorInteger(std::int32_t s, std::int32_t e);
double sectorReal(std::int32_t s, std::int32_t e);
std::int32_t integerSectorLength(std::int32_t s);
std::int32_t realSectorLength(std::int32_t s);

// The K-th 8-byte real counted from the start of the loaded block's first real sector;
// RMISS when it lies outside the words loaded.
double realDataPosition(std::int32_t k);

// Stream N has a record that a reader may make current.
bool streamHasRecord(std::int32_t n);

// Makes stream N current in set 2 (SRSET, mode 0) when it has a record; false otherwise.
bool makeStreamCurrent(std::int32_t n);

// Element E of real sector 1 of the stream current in set 2 (1 temperature K, 2 pressure
// kPa, 11 total molar rate kmol/h).
double currentStreamReal(std::int32_t e);

// The K-values y/x of the stream current in set 2, component 1 first: 1.0 where x is not
// positive. Fills min(NC, OUT's size) values.
void currentKValues(std::span<double> out);

// The component count of the open problem, within 0 and CAPACITY.
std::int32_t componentCount(std::int32_t capacity);

// A stored real as a 32-bit integer, truncated toward zero; 0 when it is not finite or
// beyond the integer range.
std::int32_t truncated(double value);

// An element count as stored: never below 0.
inline std::int32_t storedCount(std::int32_t n) { return n < 0 ? 0 : n; }

// One real attribute: COUNT 1, type real, IUCLS CLS and VALUE converted from unit set FROM to
// the request's set (CLS 0: unconverted).
void answerReal(Request& request, double value, std::int32_t cls, std::int32_t from = 1);

// One integer attribute: COUNT 1, type integer, IUCLS 0.
void answerInteger(Request& request, std::int32_t value);

// One real attribute of a reader's value table: its name, unit class and slot (1-based).
struct SlotAttribute {
  std::string_view attr;
  std::int32_t cls;
  std::int32_t slot;
};

// Answers the attribute of TABLE that the request names from SLOTS; false when none does.
bool answerFromSlots(Request& request, std::span<const SlotAttribute> table,
                     std::span<const double> slots);

// Answers the attribute of TABLE that the request names from element SLOT of Hw; false
// when none does.
bool answerFromHeader(Request& request, std::span<const SlotAttribute> table, std::int32_t w);

// PAHXAT: the numbers of hot (shell) feeds, cold (tube) feeds, hot (shell) products and
// cold (tube) products of the loaded exchanger, C(1), C(7), C(4), C(10) of its stream
// connections; all 0 and false when the connections' first dimension is 1.
bool PAHXAT(std::array<std::int32_t, 4>& counts);

// Answers the stream count that the request names among NAMES (in the order of PAHXAT),
// IERR 1 when PAHXAT has none; false when the request names none of them.
bool answerStreamCounts(Request& request, std::span<const std::string_view, 4> names);

}  // namespace api_access
