// Test support of the correlation tests: a fresh run with the shipped unit tables, component
// constants in the core store, and correlation-set blocks built straight in the core store
// and made the current set, as XPSETF leaves a set it has read.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "services/markers.hpp"

namespace correlation_testing {

// Temperature unit codes of the shipped unit table (class 1).
inline constexpr std::int32_t kKelvin = 10;
inline constexpr std::int32_t kCelsius = 11;
inline constexpr std::int32_t kRankine = 12;
inline constexpr std::int32_t kFahrenheit = 13;

// One correlation record.
struct Record {
  std::int32_t component = 1;
  std::int32_t form = 1;
  std::int32_t unitCode = kKelvin;
  std::int32_t unitClass = 1;
  std::int32_t logBase = 1;
  std::int32_t molarBasis = 1;
  double factor = 1.0;
  double auxiliary = 0.0;
  double tmin = services::RMISS;  // in the record's unit
  double tmax = services::RMISS;
  double valueAtTmin = 0.0;  // result units, slopes per K
  double slopeAtTmin = 0.0;
  double valueAtTmax = 0.0;
  double slopeAtTmax = 0.0;
  std::vector<double> coefficients;       // C1..Cn, or the values Y of a table
  std::vector<double> tableTemperatures;  // K, tables only
  bool noCorrelation = false;             // code word 1,000,000
};

// Pure-component constants.
struct Component {
  double molecularWeight = 1.0;
  double boilingPoint = 0.0;         // K
  double criticalTemperature = 0.0;  // K
  double criticalPressure = 0.0;     // kPa
};

// Starts a run: messages, core store, sub-blocks, the shipped unit tables, no correlation
// set, no component data, no diagnostic switch, timing statistics cleared.
void startRun();

// Component constants of components 1..n in the core store, pointed to by COPTRS; the
// property-loop count of COHDR becomes n.
void installComponents(const std::vector<Component>& components);

// Builds the set block of RECORDS (header, component list, integer records, real records)
// in a new core area P (image word 1 at integer word P + 1) of LENGTH words; the block is
// the current sub-block afterwards.
std::int32_t buildSet(const std::vector<Record>& records, std::int32_t& length);

// Builds the set block and makes it the current set of (TYPE, SET).
void installSet(std::int32_t type, std::int32_t set, const std::vector<Record>& records);

// The conversion of a record unit to kelvin: T_K = a t + b.
double toKelvin(std::int32_t unitCode, double t);
double fromKelvin(std::int32_t unitCode, double tk);

// The derivative of F at X by a five-point central difference of step H.
double derivative(const std::function<double(double)>& f, double x, double h = 1.0e-3);

// The record of form 21 (decimal logarithm, kPa) for Antoine constants
// log10(P/bar) = A - B/(T + C), T in K: coefficients A + 2, -B and C.
Record antoineRecord(std::int32_t component, double a, double b, double c);

}  // namespace correlation_testing
