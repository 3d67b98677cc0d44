// TRUSER, the driver of the user-added transport methods 901 to 905, with the slot table of
// the transport routines UTRAN1 to UTRAN5, and the comparison and signature test that the
// sample routines share.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "methods/methods.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "services/units_of_measure.hpp"
#include "thermo/phase/transport_internal.hpp"
#include "thermo/phase/user_methods.hpp"

namespace phase {
namespace {

constexpr std::int32_t kTemperatureClass = 1;
constexpr std::int32_t kPressureClass = 4;
constexpr std::int32_t kInternalSet = 1;
constexpr std::int32_t kUserSet = 5;
constexpr std::size_t kFirstComposition = 11;  // UTRDAT position of component 1

constexpr std::array<UserTransportRoutine, kUserTransportRoutines> kLinked{
    &UTRAN1, &UTRAN2, &UTRAN3, &UTRAN4, &UTRAN5};
std::array<UserTransportRoutine, kUserTransportRoutines> routines = kLinked;

// The unit class and the name in messages of a property number; class 0 for another.
struct PropertyKind {
  std::int32_t unitClass;
  std::string_view name;
};
PropertyKind kindOf(std::int32_t property) {
  switch (static_cast<UserTransportProperty>(property)) {
    case UserTransportProperty::ThermalConductivity:
      return {35, "THERMAL CONDUCTIVITY"};
    case UserTransportProperty::Viscosity:
      return {40, "VISCOSITY"};
    case UserTransportProperty::SurfaceTension:
      return {42, "SURFACE TENSION"};
  }
  return {0, "SURFACE TENSION"};
}

}  // namespace

UserTransportRoutine setUserTransportRoutine(std::int32_t number, UserTransportRoutine routine) {
  if (number < 1 || number > kUserTransportRoutines) return nullptr;
  const auto k = static_cast<std::size_t>(number - 1);
  const UserTransportRoutine previous = routines[k];
  routines[k] = routine == nullptr ? kLinked[k] : routine;
  return previous;
}

std::int32_t RCMPTL(float a, float b) {
  constexpr float kTolerance = 1.19e-7F;
  const bool opposite = (a > 0.0F && b < 0.0F) || (a < 0.0F && b > 0.0F);
  if (!opposite) {
    const float larger = std::max(std::fabs(a), std::fabs(b));
    const float difference = std::fabs(std::fabs(a) - std::fabs(b));
    const bool close =
        larger < 1.0F ? difference <= kTolerance * larger : difference < kTolerance * larger;
    if (close) return 0;
  }
  return a > b ? 1 : -1;
}

bool sampleSignature() {
  const float v = UKHDAT.values(2599);
  return v >= 1233.9F && v <= 1234.1F;
}

void TRUSER(std::int32_t code, std::int32_t slot, std::int32_t property, std::int32_t phase,
            std::int32_t n, std::span<const double> x, double t, double p, double& result) {
  // 1. The shared fields of both records.
  UserMethodRecord& u = UKHCOM;
  OldUserMethodRecord& o = UKHOLD;
  u.reportUnit = o.reportUnit = services::IOUNIT.report;
  u.componentCount = o.componentCount = n;
  const std::int32_t water = methods::THCTL.idecnt;
  o.waterWord = water < 1 ? 1 : 2;
  u.water = water;
  u.flag = o.flag = 0;
  u.isNew = 0;
  const double t5 = services::UOMCNV(t, kTemperatureClass, kInternalSet, kUserSet);
  const double p5 = services::UOMCNV(p, kPressureClass, kInternalSet, kUserSet);
  u.temperature = o.temperature = transport::toSingle(t5);
  u.pressure = o.pressure = transport::toSingle(p5);

  // 2. The data array.
  UserTransportData data{};
  data[0] = 1.0F;
  data[1] = transport::toSingle(t5);
  data[2] = transport::toSingle(p5);
  const std::size_t count = std::min(static_cast<std::size_t>(std::max(n, 0)),
                                     kUserTransportData - kFirstComposition + 1);
  for (std::size_t i = 0; i < std::min(count, x.size()); ++i) {
    data[kFirstComposition - 1 + i] = transport::toSingle(x[i]);
  }

  // 3. The method's user data, on every call.
  if (slot >= 1 && slot <= static_cast<std::int32_t>(methods::kMethodClasses)) {
    const methods::MethodClass& record = methods::MSPTRS.classes(static_cast<std::size_t>(slot));
    loadUserData(record.blockAddress, record.blockLength);
  }

  // 4. The routine of the code.
  const std::int32_t number = code % 100;
  const std::size_t k = number >= 2 && number <= 5 ? static_cast<std::size_t>(number - 1) : 0;
  float answer = 0.0F;
  routines[k](phase, property, data, answer);

  // 5. and 6. The return flag.
  u.flag = u.isNew != 0 ? u.flag : o.flag;
  const PropertyKind kind = kindOf(property);
  if (u.flag == kNotSupported) {
    services::MSGPAR.longTexts(1).assign(kind.name);
    services::MSGPAR.integers(1) = number;
    services::MSGABT(kMessageUnsupportedRequest, " ");
  }

  // 7. The result in internal units.
  result =
      kind.unitClass == 0 ? 0.0 : services::UOMCNV(answer, kind.unitClass, kUserSet, kInternalSet);
}

}  // namespace phase
