// The user routine slots UKHS1 to UKHS15 of the user-added thermodynamic methods 901 to 915,
// as shipped. UKHS6 to UKHS15 are placeholders that show the notice box naming the slot and
// stop the run. UKHS1 to UKHS5 are samples (a liquid density, K-values from vapour
// pressures, an enthalpy, K-values with a water component, ammonia K-values) that work when
// the method's user data carry the sample signature (value 2599 of UKHDAT near 1234) and are
// placeholders otherwise. The samples compute in single precision, in the sample units of
// the transfer factors (UXCTL: temperatures in Rankine, pressures in psia), from the
// component constants of the transfer buffer (XFRBUF, at most 50 components); both are
// filled only by the data-transfer open, so that without it the samples compute from zeros.
//
// A site puts its own method in a slot by replacing the slot's routine here (it reads its
// request from UKHCOM, or UKHOLD, and UKHDAT, and writes its answers and IUFLAG back; see
// thermo/phase/user_methods.hpp), or at run time through phase::setUserRoutine.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "problem/component_data.hpp"
#include "problem/data_transfer.hpp"
#include "services/kept_values.hpp"
#include "services/services.hpp"
#include "thermo/phase/slots.hpp"
#include "thermo/phase/transport.hpp"
#include "thermo/phase/transport_internal.hpp"
#include "thermo/phase/user_methods.hpp"

namespace phase {
namespace {

// The thermodynamic slots stop the run after the notice.
constexpr std::int32_t kStoppingKind = 3;

constexpr std::int32_t kSetUp = static_cast<std::int32_t>(UserRequest::SetUp);
constexpr std::int32_t kSetUpAnswer = 3;  // the samples' answer to the set-up query
constexpr float kRankineZero = 459.67F;
constexpr float kRankinePerKelvin = 1.8F;
constexpr float kPsiaPerAtm = 14.6959F;
constexpr float kSampleGasConstant = 1.9872F;  // cal/(mol K)
constexpr std::int32_t kAmmonia = 16020020;
constexpr std::int32_t kCallCountWord = 4;  // save word 5, 0-based
constexpr std::int32_t kWarnedCalls = 5;

// The stream vector of the vapour-pressure samples and the vapour pressures it gives.
std::vector<float> vector;
std::vector<float> pressures;
// The parameters A and B of the K-value sample with a water component.
std::vector<float> parameters;
const bool kVectorsReset = services::registerKeptValues([] {
  vector = {};
  pressures = {};
  parameters = {};
});

// Sample unit conversions of a unit-set-5 temperature and pressure.
float rankine(float t) {
  return (t + problem::UXCTL.temperatureOffset) * problem::UXCTL.temperatureFactor;
}
float psia(float p) { return (p + problem::UXCTL.pressureOffset) * problem::UXCTL.pressureFactor; }

// The sample constants of component I (1-based); zeros beyond the transfer buffer.
struct Constants {
  float m = 0.0F, tb = 0.0F, rho = 0.0F, tc = 0.0F, omega = 0.0F;
};
Constants constantsOf(std::int32_t i) {
  if (i < 1 || i > problem::kTransferComponents) return {};
  const problem::TransferBuffer& b = problem::XFRBUF;
  const auto k = static_cast<std::size_t>(i);
  return {b.molecularWeight(k), b.boilingPoint(k), b.density(k), b.criticalTemperature(k),
          b.acentricFactor(k)};
}

void blankLine() { services::RPLINE(" "); }

std::string requestLine(const char* text, std::int32_t request) {
  char out[100];
  std::snprintf(out, sizeof out, "%s%5d", text, request);
  return out;
}

// Vapour pressures of all components (unit set 5) at T and P from PHTRAN on the stream
// vector: rate 1, T, P, seven zeros, 1 for each of the N components.
std::int32_t vapourPressures(float t, float p, std::int32_t n) {
  const auto ns = static_cast<std::size_t>(std::max(transport::streamCount(), n));
  vector.assign(10 + ns, 0.0F);
  pressures.assign(ns, 0.0F);
  vector[0] = 1.0F;
  vector[1] = t;
  vector[2] = p;
  for (std::int32_t i = 0; i < n; ++i) vector[10 + static_cast<std::size_t>(i)] = 1.0F;
  std::int32_t ierr = 0;
  PHTRAN(static_cast<std::int32_t>(VectorKind::VapourPressures), 1, pressures, vector, ierr);
  return ierr;
}

// The saturated-volume function of the liquid-density sample.
float saturatedVolume(float tr, float omega) {
  const float gamma = 0.29607F - 0.09045F * tr - 0.04842F * tr * tr;
  float v = 0.0F;
  if (tr <= 0.8F) {
    v = 0.33593F - 0.33953F * tr + 1.51941F * tr * tr - 2.02512F * tr * tr * tr +
        1.11422F * tr * tr * tr * tr;
  } else {
    const float d = 1.0F - tr;
    v = 1.0F + 1.3F * std::sqrt(d) * std::log10(d) - 0.50879F * d - 0.91534F * d * d;
  }
  return v * (1.0F - omega * gamma);
}

}  // namespace

void UKHS1() {
  UserMethodRecord& u = UKHCOM;
  if (!sampleSignature()) {
    USRDUM(kStoppingKind, "UKHS1 ");
    return;
  }
  u.isNew = 1;
  if (u.request != static_cast<std::int32_t>(UserRequest::Density) || u.phase != 2) {
    u.flag = kNotSupported;
    return;
  }
  const float pPsia = psia(u.pressure);
  const float tR = rankine(u.temperature);
  float m = 0.0F, omega = 0.0F, tc = 0.0F, volume = 0.0F;
  for (std::int32_t i = 1; i <= u.componentCount; ++i) {
    const float x = u.x2[static_cast<std::size_t>(i - 1)];
    const Constants c = constantsOf(i);
    m += x * c.m;
    omega += x * c.omega;
    tc += x * c.tc;
    if (c.rho > 0.0F) volume += x * c.m / c.rho;
  }
  tc *= problem::UXCTL.temperatureFactor;
  const float sg = volume > 0.0F && problem::UXCTL.density != 0.0F
                       ? (m / volume) / problem::UXCTL.density
                       : 0.0F;
  float tr = tc > 0.0F ? tR / tc : 0.99F;
  float tr60 = tc > 0.0F ? (kRankineZero + 60.0F) / tc : 0.99F;
  if (tr >= 1.0F) tr = 0.99F;
  if (tr60 >= 1.0F) tr60 = 0.99F;
  const float rho = 62.2997F * sg * saturatedVolume(tr60, omega) / saturatedVolume(tr, omega);
  u.value3 = 0.0F;
  u.value4 = rho > 0.0F && tR > 0.0F ? m * pPsia / (rho * 10.731F * tR) : 0.0F;
}

void UKHS2() {
  OldUserMethodRecord& o = UKHOLD;
  if (o.request == kSetUp) return;
  if (!sampleSignature()) {
    USRDUM(kStoppingKind, "UKHS2 ");
    return;
  }
  if (o.request != 0 && o.request != 1) {
    blankLine();
    services::RPLINE(requestLine(" ** FATAL ERROR -USER THERMO U2 IS KVALUES-IUFLAG=", o.request));
    o.flag = 0;
    return;
  }
  const std::int32_t n = std::min(o.componentCount, static_cast<std::int32_t>(kOldUserComponents));
  o.phase = 1;
  const auto failed = [] {
    services::RPLINE(" **ERROR IN UKHS2 CALCULATIONS -VP DATA NOT AVAIL.");
  };
  if (vapourPressures(o.temperature, o.pressure, n) > 0) {
    failed();
    return;
  }
  for (std::int32_t i = 0; i < n; ++i) {
    o.results1[static_cast<std::size_t>(i)] = pressures[static_cast<std::size_t>(i)] / o.pressure;
  }
  const float d = o.temperatureStep;
  if (RCMPTL(d, 0.0F) == 0) return;
  if (vapourPressures(o.temperature + d, o.pressure, n) > 0) {
    failed();
    return;
  }
  std::string text = "0  DRIV=";
  for (std::int32_t i = 0; i < n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    o.results2[k] = (pressures[k] / o.pressure - o.results1[k]) / d;
    char value[20];
    std::snprintf(value, sizeof value, "%13.5E", static_cast<double>(o.results2[k]));
    text += value;
  }
  services::RPLINE(text);
}

void UKHS3() {
  UserMethodRecord& u = UKHCOM;
  if (u.request == kSetUp) {
    u.flag = kSetUpAnswer;
    u.isNew = 1;
    return;
  }
  if (!sampleSignature()) {
    USRDUM(kStoppingKind, "UKHS3 ");
    return;
  }
  u.isNew = 1;
  if (u.request != static_cast<std::int32_t>(UserRequest::Enthalpy)) {
    blankLine();
    services::RPLINE(requestLine(" *** ERROR - USER METHOD U3 IS ENTHALPY - IXXFLG = ", u.request));
    u.flag = kNotSupported;
    return;
  }
  u.flag = static_cast<std::int32_t>(UserAnswer::Whole);
  const UserArray& x = u.phase == 1 ? u.x1 : u.x2;
  const std::int32_t w = u.water;
  // 1. The non-water sums.
  float m = 0.0F, v = 0.0F, b = 0.0F, c = 0.0F, s = 0.0F;
  for (std::int32_t i = 1; i <= u.componentCount; ++i) {
    if (i == w) continue;
    const float xi = x[static_cast<std::size_t>(i - 1)];
    const Constants k = constantsOf(i);
    m += xi * k.m;
    if (k.rho > 0.0F) v += xi * k.m / k.rho;
    b += xi * k.tb;
    c += xi * k.tc;
    s += xi;
  }
  const float sg =
      v > 0.0F && problem::UXCTL.density != 0.0F ? (m / v) / problem::UXCTL.density : v;
  float xw = 0.0F;
  if (w > 0 && s > 0.0F) {
    m /= s;
    b /= s;
    c /= s;
    xw = x[static_cast<std::size_t>(w - 1)];
  }
  // 2. Boiling point, critical temperature and Watson factor.
  const float tB = rankine(b);
  const float tc = problem::UXCTL.temperatureFactor * c;
  const float watson = sg > 0.0F ? std::pow(tB, 0.33333F) / sg : 0.0F;
  // 3.-5. The enthalpy at T and T + D.
  const auto value = [&](float t) {
    const float tR = rankine(t);
    const float f = tR - kRankineZero;
    const float h =
        (0.055F * watson + 0.35F) * ((0.6811F - 0.308F * sg) * (f - 32.0F) +
                                     0.5F * (0.000815F - 0.000306F * sg) * (f * f - 1024.0F));
    float result = tR > 0.0F ? m * h / (kSampleGasConstant * tR) : 0.0F;
    if (u.phase == 1 && tB > 0.0F && tc > tB) {
      const float dhb = tB * (8.75F + 4.571F * std::log10(tB / kRankinePerKelvin));
      const float dh = dhb * std::pow(std::max(1.0F - tR / tc, 0.0F) / (1.0F - tB / tc), 0.38F);
      result += dh / (kSampleGasConstant * tR);
    }
    if (w > 0) {
      float hw = 0.0F, dhw = 0.0F;
      if (waterProperty(2, u.phase, t, u.pressure, hw, dhw) != 0) return -1.0e30F;
      result = s * result + xw * problem::UXCTL.class26Transfer * hw / (kSampleGasConstant * tR);
    }
    return result;
  };
  u.value1 = value(u.temperature);
  u.value2 = value(u.temperature + u.temperatureStep);
  if (u.value1 <= -1.0e30F || u.value2 <= -1.0e30F) u.flag = kNotSupported;
}

void UKHS4() {
  UserMethodRecord& u = UKHCOM;
  if (u.request == kSetUp) {
    u.flag = kSetUpAnswer;
    u.isNew = 1;
    return;
  }
  if (!sampleSignature()) {
    USRDUM(kStoppingKind, "UKHS4 ");
    return;
  }
  u.isNew = 1;
  u.flag = 0;
  u.value3 = u.value4 = 0.0F;
  const std::int32_t n = std::min(u.componentCount, static_cast<std::int32_t>(kUserComponents));
  std::vector<float>& a = parameters;
  a.assign(2 * static_cast<std::size_t>(n), 0.0F);
  for (std::int32_t i = 1; i <= n; ++i) {
    std::int32_t list = 0, pos = 0;
    problem::CODLST(i, list, pos);
    if (pos < 1 || pos > n) continue;
    a[static_cast<std::size_t>(pos - 1)] = UKHDAT.values(static_cast<std::size_t>(i));
    a[static_cast<std::size_t>(n + pos - 1)] = UKHDAT.values(static_cast<std::size_t>(300 + i));
  }
  if (u.request == 0) return;
  if (u.request != 1) {
    u.flag = kNotSupported;
    return;
  }
  const std::vector<float>& params = parameters;
  // 1. Vapour pressures (the status is not looked at).
  vapourPressures(u.temperature, u.pressure, n);
  // 2. The volume-weighted solubility parameter.
  float sa = 0.0F, sab = 0.0F;
  for (std::int32_t i = 0; i < n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    sa += u.x2[k] * params[k];
    sab += u.x2[k] * params[k] * params[static_cast<std::size_t>(n) + k];
  }
  const float delta = sa > 0.0F ? sab / sa : sab;
  // 3. The water vapour pressure.
  const std::int32_t w = u.water;
  float pPrime = u.pressure;
  float g = 0.0F;
  if (w > 0 && w <= n) {
    float pw = 0.0F;
    if (waterProperty(4, 1, u.temperature, u.pressure, pw, g) != 0) {
      u.flag = kNotSupported;
      return;
    }
    pressures[static_cast<std::size_t>(w - 1)] = pw;
    pPrime = (1.0F - u.x1[static_cast<std::size_t>(w - 1)]) * u.pressure;
  }
  // 4. K-values with regular-solution activity coefficients.
  const float tR = rankine(u.temperature);
  const float tK = tR / kRankinePerKelvin;
  for (std::int32_t i = 0; i < n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const float diff = params[static_cast<std::size_t>(n) + k] - delta;
    u.results1[k] =
        pressures[k] * std::exp(params[k] * diff * diff / (kSampleGasConstant * tK)) / pPrime;
  }
  // 5. The water K-value from its solubility.
  if (w > 0 && w <= n) {
    const float t = std::max(tR - kRankineZero, 0.01F);
    u.kState1 = std::pow(10.0F, 3.072F * std::log10(t) - 9.0306F);
    u.kState2 = pressures[static_cast<std::size_t>(w - 1)] / u.pressure;
    u.results1[static_cast<std::size_t>(w - 1)] = u.kState2 / u.kState1;
  }
  // 6. Temperature derivatives.
  if (RCMPTL(u.temperatureStep, 0.0F) == 0) return;
  for (std::int32_t i = 0; i < n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const float diff = params[static_cast<std::size_t>(n) + k] - delta;
    u.results2[k] = -params[k] * diff * diff * u.results1[k] / (kSampleGasConstant * tK * tK);
  }
  if (w > 0 && w <= n) {
    u.results2[static_cast<std::size_t>(w - 1)] = g * u.results1[static_cast<std::size_t>(w - 1)];
  }
}

void UKHS5() {
  OldUserMethodRecord& o = UKHOLD;
  if (o.request == kSetUp) return;
  if (!sampleSignature()) {
    USRDUM(kStoppingKind, "UKHS5 ");
    return;
  }
  if (o.request != 0 && o.request != 1) {
    blankLine();
    services::RPLINE(requestLine(" ** FATAL ERROR -USER THERMO U5 IS KVALUES-IUFLAG=", o.request));
    o.flag = 0;
    return;
  }
  // 1. The call count and K = 1 everywhere.
  o.save[kCallCountWord] += 1;
  const std::int32_t n = std::min(o.componentCount, static_cast<std::int32_t>(kOldUserComponents));
  for (std::int32_t i = 0; i < n; ++i) o.results1[static_cast<std::size_t>(i)] = 1.0F;
  // 2. The ammonia component, the last of its code.
  std::int32_t ammonia = 0;
  for (std::int32_t i = 1; i <= std::min(n, problem::kTransferComponents); ++i) {
    if (std::bit_cast<std::int32_t>(problem::XFRBUF.code(static_cast<std::size_t>(i))) ==
        kAmmonia) {
      ammonia = i;
    }
  }
  if (ammonia == 0) {
    if (o.save[kCallCountWord] <= kWarnedCalls) {
      blankLine();
      services::RPLINE("**WARNING-SPECIAL NH3 KS REQUESTED FOR SYSTEM WITH NONH3 IN COMP LIST");
    }
    return;
  }
  // 3. The ammonia K-value and its slope.
  const float tK = rankine(o.temperature) / kRankinePerKelvin;
  const float mmHg = 760.0F * psia(o.pressure) / kPsiaPerAtm;
  const float k = std::exp(346.231F - 19183.6F / tK - 48.3307F * std::log(tK)) / mmHg;
  const auto a = static_cast<std::size_t>(ammonia - 1);
  o.results1[a] = k;
  if (RCMPTL(o.temperatureStep, 0.0F) != 0) {
    o.results2[a] = (19183.6F / (tK * tK) - 48.3307F / tK) * k;
  }
}

void UKHS6() { USRDUM(kStoppingKind, "UKHS6 "); }
void UKHS7() { USRDUM(kStoppingKind, "UKHS7 "); }
void UKHS8() { USRDUM(kStoppingKind, "UKHS8 "); }
void UKHS9() { USRDUM(kStoppingKind, "UKHS9 "); }
void UKHS10() { USRDUM(kStoppingKind, "UKHS10"); }
void UKHS11() { USRDUM(kStoppingKind, "UKHS11"); }
void UKHS12() { USRDUM(kStoppingKind, "UKHS12"); }
void UKHS13() { USRDUM(kStoppingKind, "UKHS13"); }
void UKHS14() { USRDUM(kStoppingKind, "UKHS14"); }
void UKHS15() { USRDUM(kStoppingKind, "UKHS15"); }

}  // namespace phase
