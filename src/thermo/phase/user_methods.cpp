// The user-added property methods and the routine table behind codes 901 to 915.
#include "thermo/phase/user_methods.hpp"

#include <algorithm>
#include <array>
#include <string_view>

#include "flash/flash.hpp"
#include "services/services.hpp"

namespace phase {
namespace {

constexpr std::int32_t kUnsupportedMessage = 1990001251;

void supportsNothing(UserMethodArea& area) { area.returnFlag = kNotSupported; }

std::array<UserRoutine, kUserRoutines>& routines() {
  static std::array<UserRoutine, kUserRoutines> table = [] {
    std::array<UserRoutine, kUserRoutines> t{};
    t.fill(&supportsNothing);
    return t;
  }();
  return table;
}

std::string_view propertyName(std::int32_t request) {
  switch (request) {
    case 1: return "K-VALUES";
    case 2: return "ENTHALPY";
    case 3: return "ENTROPY";
    default: return "DENSITY";
  }
}

}  // namespace

UserMethodArea UKHCOM;

UserRoutine setUserRoutine(std::int32_t number, UserRoutine routine) {
  if (number < 1 || number > kUserRoutines) return nullptr;
  UserRoutine& slot = routines()[static_cast<std::size_t>(number - 1)];
  const UserRoutine previous = slot;
  slot = routine == nullptr ? &supportsNothing : routine;
  return previous;
}

void UKHSDR(std::int32_t code, std::int32_t request1, std::int32_t request2,
            std::int32_t request3, std::int32_t nc, std::span<const double> x,
            std::span<const double> y, std::span<const double> z, double t, double p,
            std::int32_t option, std::span<double> results, std::int32_t& returnFlag) {
  returnFlag = kNotSupported;
  if (code < kFirstUserMethod || code > kLastUserMethod) return;
  UserMethodArea& area = UKHCOM;
  area.code = code;
  area.requests = {request1, request2, request3};
  area.componentCount = nc;
  area.x = x;
  area.y = y;
  area.z = z;
  area.temperature = t;
  area.pressure = p;
  area.option = option;
  area.methodSet = flash::THCTL.currentSet;
  area.results.fill(0.0);
  area.returnFlag = 0;
  routines()[static_cast<std::size_t>(code - kFirstUserMethod)](area);
  std::copy_n(area.results.begin(), std::min(results.size(), area.results.size()),
              results.begin());
  returnFlag = area.returnFlag;
  if (returnFlag == kNotSupported) {
    services::MSGPAR.integers(1) = code - kFirstUserMethod + 1;
    services::MSGPAR.longTexts(1).assign(propertyName(request1));
    services::MSGABT(kUnsupportedMessage, " ");
  }
}

}  // namespace phase
