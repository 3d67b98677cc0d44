// The user routine slots UTRAN1 to UTRAN5 of the user-added transport methods 901 to 905,
// as shipped: UTRAN3 to UTRAN5 are placeholders that show the notice box and return 0;
// UTRAN1 and UTRAN2 are samples that work when the method's user data carry the sample
// signature (value 2599 of UKHDAT near 1234) and are placeholders otherwise.
//
// A site puts its own method in a slot by replacing the routine here, or at run time
// through phase::setUserTransportRoutine.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "problem/data_transfer.hpp"
#include "services/services.hpp"
#include "thermo/phase/transport_internal.hpp"
#include "thermo/phase/user_methods.hpp"

namespace phase {
namespace {

// The transport slots continue after the notice.
constexpr std::int32_t kReturningKind = 1;
constexpr std::int32_t kMaxPoints = 10;
constexpr std::size_t kFirstTemperature = 11;  // UKHDAT values of the table
constexpr std::size_t kFirstViscosity = 21;
constexpr double kRankinePerKelvin = 1.8;

// A sample unit-set-5 temperature in kelvin through the sample unit record.
double kelvin(double t) {
  const problem::TransferFactors& f = problem::UXCTL;
  return (t + f.temperatureOffset) * f.temperatureFactor / kRankinePerKelvin;
}

void line(const std::string& text) { services::RPLINE(text); }

}  // namespace

void UTRAN1(std::int32_t phase, std::int32_t property, UserTransportData& data, float& result) {
  if (!sampleSignature()) {
    USRDUM(kReturningKind, "UTRAN1");
    return;
  }
  result = static_cast<float>(property * phase) * data[0];
}

void UTRAN2(std::int32_t phase, std::int32_t property, UserTransportData& data, float& result) {
  if (!sampleSignature()) {
    USRDUM(kReturningKind, "UTRAN2");
    return;
  }
  if (phase != 2 || property != static_cast<std::int32_t>(UserTransportProperty::Viscosity)) {
    // Not served: the flag reaches the driver, which stops the run naming the property.
    UKHCOM.flag = kNotSupported;
    UKHCOM.isNew = 1;
    return;
  }
  // 1. The table's size and option.
  const double count = UKHDAT.values(1);
  const auto n = static_cast<std::int32_t>(std::lround(count));
  if (count < 0.5 || n < 2 || n > kMaxPoints) {
    line(" ERROR !! - NUMBER OF DATA POINTS MUST BE FROM 2 TO 10");
    return;
  }
  const double optionValue = UKHDAT.values(2);
  const std::int32_t option =
      optionValue < 0.5 ? 1 : static_cast<std::int32_t>(std::lround(optionValue));
  if (option >= 3) {
    char text[64];
    std::snprintf(text, sizeof text, " ERROR !! - INVALID EXTRAPOLATION FLAG SET %5d", option);
    line(text);
    return;
  }
  // 2. The points in kelvin, checked.
  double tk[kMaxPoints];
  double mu[kMaxPoints];
  for (std::int32_t k = 0; k < n; ++k) {
    tk[k] = kelvin(UKHDAT.values(kFirstTemperature + static_cast<std::size_t>(k)));
    mu[k] = UKHDAT.values(kFirstViscosity + static_cast<std::size_t>(k));
    if (tk[k] <= 0.0 || mu[k] <= 0.0) {
      line(" ERROR !! - INCORRECT ENTRY OF TABULAR DATA");
      return;
    }
    if (k > 0 && tk[k] <= tk[k - 1]) {
      line(" ERROR !! - TEMPERATURES MUST BE IN INCREASING ORDER");
      return;
    }
  }
  // 3. The interval of the requested temperature.
  const double t = kelvin(data[1]);
  std::int32_t j = 1;  // upper point of the interval
  if (t >= tk[n - 1]) {
    j = n - 1;
  } else if (t > tk[0]) {
    while (j < n - 1 && tk[j] < t) ++j;
  }
  const double t0 = tk[j - 1];
  const double t1 = tk[j];
  // 4. Linear in T, or ln(mu) linear in 1/T.
  if (option == 1) {
    result = transport::toSingle(mu[j - 1] + (mu[j] - mu[j - 1]) * (t - t0) / (t1 - t0));
  } else {
    const double slope = (std::log(mu[j]) - std::log(mu[j - 1])) / (1.0 / t1 - 1.0 / t0);
    result = transport::toSingle(std::exp(std::log(mu[j - 1]) + slope * (1.0 / t - 1.0 / t0)));
  }
}

void UTRAN3(std::int32_t, std::int32_t, UserTransportData&, float&) {
  USRDUM(kReturningKind, "UTRAN3");
}
void UTRAN4(std::int32_t, std::int32_t, UserTransportData&, float&) {
  USRDUM(kReturningKind, "UTRAN4");
}
void UTRAN5(std::int32_t, std::int32_t, UserTransportData&, float&) {
  USRDUM(kReturningKind, "UTRAN5");
}

}  // namespace phase
