// Membership tests of method codes and the correlation-set number of a correlation type.
#include <algorithm>
#include <array>
#include <cstdint>

#include "methods/methods.hpp"
#include "problem/problem.hpp"

namespace methods {
namespace {

template <std::size_t N>
bool contains(const std::array<std::int32_t, N>& codes, std::int32_t code) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

constexpr std::array<std::int32_t, 16> kEquationOfStateCodes{
    101, 102, 108, 109, 111, 112, 114, 116, 117, 121, 122, 124, 502, 712, 732, 733};
constexpr std::array<std::int32_t, 7> kActivityCodes{1, 501, 513, 514, 516, 713, 715};
constexpr std::int32_t kFirstActivityRange = 401;
constexpr std::int32_t kLastActivityRange = 415;
constexpr std::array<std::int32_t, 10> kFreeWaterCheckCodes{125, 126, 127, 128, 407,
                                                            409, 415, 513, 514, 516};

// Correlation types whose set follows the method set's own number.
constexpr std::array<std::int32_t, 2> kKValueCorrelationTypes{1902, 1907};
// Correlation types that use the second set when the problem's switch asks for it.
constexpr std::array<std::int32_t, 5> kSecondSetTypes{110, 211, 903, 1001, 1231};
// The word of table GCL that switches to the second set.
constexpr int kSecondSetSwitchWord = 22;

}  // namespace

bool MTISA(std::int32_t code) { return contains(kEquationOfStateCodes, code); }

bool MTISB(std::int32_t code) {
  return contains(kActivityCodes, code) ||
         (code >= kFirstActivityRange && code <= kLastActivityRange);
}

bool MTISC(std::int32_t code) { return contains(kFreeWaterCheckCodes, code); }

std::int32_t MTSETN(std::int32_t itype) {
  std::int32_t set = contains(kKValueCorrelationTypes, itype) ? THCTL.currentSet : 1;
  if (problem::GCLTAB.integers(kSecondSetSwitchWord) == 1 && contains(kSecondSetTypes, itype)) {
    set = THCTL.currentSet + 1;
  }
  return set;
}

}  // namespace methods
