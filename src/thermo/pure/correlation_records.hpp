// Private to the correlation routines: reading the records of the current correlation set
// through XPSTAT, with the checks that keep a damaged block from sending a read astray.
#pragma once

#include <cstdint>
#include <span>

#include "thermo/pure/correlations.hpp"

namespace pure::records {

// The decoded integer part of record P of the current set.
struct Record {
  std::int32_t position = 0;    // P, 1-based
  std::int32_t component = 0;   // entry P of the component list
  std::int32_t code = 0;        // code word
  std::int32_t basis = 0;       // basis word
  std::int32_t count = 0;       // NOCOEF or the table word
  std::int32_t realOffset = 0;  // ROFF

  bool hasCorrelation() const { return code > kNoCorrelationCode; }
  std::int32_t form() const { return code / kFormScale; }
  std::int32_t unitClass() const { return (code / kUnitScale) % kUnitScale; }
  std::int32_t unitCode() const { return code % kUnitScale; }
  // LOGBAS, at least 1.
  std::int32_t logBase() const;
  std::int32_t molarBasis() const { return (basis / kUnitScale) % kUnitScale; }
  bool isTable() const { return form() >= kFirstTableForm && form() <= kLastTableForm; }
};

// Entry K of the component list.
std::int32_t listEntry(std::int32_t k);

// The first position of component COMP in the component list; 0 when absent.
std::int32_t positionOf(std::int32_t comp);

// Record P (1 <= P <= record count).
Record read(std::int32_t p);

// Word W (1-based) of the real part of a record.
double real(const Record& record, std::int32_t w);

// The coefficients of a form record into COEF (cleared first); returns NOCOEF. A count
// outside 0..20 or coefficients beyond the real sector end in the "XP" abort.
std::int32_t coefficients(const Record& record, std::span<double, kMaxCoefficients> coef);

// A table record: NPTS, and the real-sector offsets of its temperatures and values.
struct Table {
  std::int32_t points = 0;
  std::int32_t temperatureOffset = 0;
  std::int32_t valueOffset = 0;
  double temperature(std::int32_t j) const;  // Tj, K
  double value(std::int32_t j) const;        // Yj
};
Table table(const Record& record);

// The "XP" abort of a damaged set block or record; CALLER is the failing routine.
[[noreturn]] void invalid(std::string_view caller, std::string_view what, std::int32_t a,
                          std::int32_t b);

}  // namespace pure::records
