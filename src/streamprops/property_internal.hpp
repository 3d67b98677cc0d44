// Helpers shared by the property-code evaluators: the words of a request, its option
// digits, its component range, and the work vector of SPBASE freed on every way out.
#pragma once

#include <cstdint>
#include <span>

#include "services/markers.hpp"
#include "storage/core_store.hpp"
#include "streamprops/basis_vectors.hpp"
#include "streamprops/property_codes.hpp"

namespace streamprops::detail {

// Word K (1-based) of a request record.
inline std::int32_t& word(std::span<std::int32_t> oprec, std::int32_t k) {
  return oprec[static_cast<std::size_t>(k - 1)];
}

// Digit PLACE (0 the units, 1 the tens ...) of a decimal option word; the digits of a
// negative word are those of its magnitude.
inline std::int32_t optionDigit(std::int32_t w, int place) {
  std::int64_t v = w < 0 ? -static_cast<std::int64_t>(w) : w;
  for (int k = 0; k < place; ++k) v /= 10;
  return static_cast<std::int32_t>(v % 10);
}

// The option digits of request word 11.
struct Options {
  std::int32_t d1 = 0;  // tens digit: the kind of amount
  std::int32_t d2 = 0;  // hundreds digit: the scale
  std::int32_t d4 = 0;  // ten-thousands digit: water counted (1) or left out
};
Options optionsOf(std::span<std::int32_t> oprec);

// A component range of a request: positions (icode 0) or component codes (icode 1).
struct ComponentRange {
  std::int32_t first = 1;
  std::int32_t last = 0;
  std::int32_t icode = 0;
};
// The range of request word 9: the codes of its two component numbers, or positions 1 to
// WHOLELAST when either number is 0 (or names no component).
ComponentRange rangeOf(std::span<std::int32_t> oprec, std::int32_t wholeLast);

// The basis vector of SPBASE for a phase of the stream of pointer set 1, freed when it ends.
class BasisVector {
 public:
  BasisVector(std::int32_t phase, std::int32_t noflag);
  ~BasisVector();
  BasisVector(const BasisVector&) = delete;
  BasisVector& operator=(const BasisVector&) = delete;

  const storage::RealView& x() const { return x_; }
  double amount() const { return amount_; }
  double massRate() const { return mrate_; }

 private:
  std::int32_t handle_ = 0;
  std::int32_t start_ = 0;
  double amount_ = 0.0;
  double mrate_ = 0.0;
  storage::RealView x_;
};

// The header real K of the stream of pointer set 1.
double headerReal(std::int32_t k);

// The parts of installSlots (streamprops/slots.hpp): the special-property store and the
// release of its copies at a method-set load; the kinematic-viscosity blend; the
// specification values of the general flash.
void installStoreSlots();
void installKinematicViscositySlot();
void installSpecificationSlot();

}  // namespace streamprops::detail
