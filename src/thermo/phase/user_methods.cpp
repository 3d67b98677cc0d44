// UKHSDR, the driver of the user-added thermodynamic methods 901 to 915, with the records
// it shares with the user routine slots and the slot table.
#include "thermo/phase/user_methods.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string_view>
#include <vector>

#include "methods/methods.hpp"
#include "methods/slots.hpp"
#include "problem/open_sequence.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/slots.hpp"
#include "thermo/phase/slots.hpp"
#include "thermo/pure/correlations.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace phase {

UserMethodRecord UKHCOM;
OldUserMethodRecord UKHOLD;
UserMethodData UKHDAT;

namespace {

using services::kGasConstant;

// Unit classes and sets of the conversions.
constexpr std::int32_t kTemperatureClass = 1;
constexpr std::int32_t kTemperatureDifferenceClass = 2;
constexpr std::int32_t kPressureClass = 4;
constexpr std::int32_t kInternalSet = 1;
constexpr std::int32_t kUserSet = 5;

// The user data in a method's block: 2600 reals from its 52nd 8-byte word on.
constexpr std::int32_t kUserDataFirstReal = 52;

// Reference pressure of the ideal-gas entropy, kPa.
constexpr double kReferencePressure = 101.325;

// Flash work arrays: the per-component property arrays of vapour and liquid, and the
// per-component derivative array.
constexpr std::size_t kVapourComponentArray = 22;
constexpr std::size_t kLiquidComponentArray = 23;
constexpr std::size_t kComponentDerivativeArray = 50;

// The slot of the liquid density that the liquid-density dispatcher asks for.
constexpr std::int32_t kLiquidDensitySlot = 8;

std::array<UserRoutine, kUserRoutines> linkedRoutines() {
  return {&UKHS1, &UKHS2,  &UKHS3,  &UKHS4,  &UKHS5,  &UKHS6,  &UKHS7, &UKHS8,
          &UKHS9, &UKHS10, &UKHS11, &UKHS12, &UKHS13, &UKHS14, &UKHS15};
}

std::array<UserRoutine, kUserRoutines>& routines() {
  static std::array<UserRoutine, kUserRoutines> table = linkedRoutines();
  return table;
}

// A value in single precision; magnitudes beyond the single range become its largest.
float single(double value) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  return static_cast<float>(std::isnan(value) ? value : std::clamp(value, -kLargest, kLargest));
}

std::string_view propertyName(std::int32_t request) {
  switch (static_cast<UserRequest>(request)) {
    case UserRequest::Density:
      return "DENSITY";
    case UserRequest::Entropy:
      return "ENTROPY";
    case UserRequest::Enthalpy:
      return "ENTHALPY";
    default:
      return "K-VALUES";
  }
}

// Step 5: composition X normalised into the two records' arrays (a sum not above 0
// counts as 1).
void normalise(std::span<const double> x, std::size_t n, UserArray& to, OldUserArray& old) {
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) sum += x[i];
  if (sum <= 0.0) sum = 1.0;
  for (std::size_t i = 0; i < n; ++i) {
    to[i] = single(x[i] / sum);
    if (i < kOldUserComponents) old[i] = to[i];
  }
}

// Step 6: the method's user data into UKHDAT when its block is not the one last copied.
void copyUserData(std::int32_t slot) {
  if (slot < 1 || slot > static_cast<std::int32_t>(methods::kMethodClasses)) return;
  const methods::MethodClass& record = methods::MSPTRS.classes(static_cast<std::size_t>(slot));
  if (record.blockAddress == UKHDAT.block) return;
  loadUserData(record.blockAddress, record.blockLength);
}

// A per-component flash work array of N elements, checked for length.
std::int32_t componentArray(std::size_t array, std::size_t n) {
  const std::int32_t size = problem::FWPART.realSize(array);
  if (size < static_cast<std::int32_t>(n)) {
    services::ERRITM("ARRAY", static_cast<std::int32_t>(array));
    services::ERRITM("SIZE", size);
    services::ERRITM("NEEDED", static_cast<std::int32_t>(n));
    services::ABTRPT("UK", "UKHSDR", "UKHSDR", "PROPERTY WORK ARRAY TOO SHORT");
  }
  return problem::FWPART.realOffset(array);
}

// After the call, step 1: the answers of a routine that used the older record.
void takeOldAnswers(std::size_t n) {
  UserMethodRecord& u = UKHCOM;
  const OldUserMethodRecord& o = UKHOLD;
  u.request = o.request;
  u.flag = o.flag;
  u.phase = o.phase;
  u.save = o.save;
  u.value1 = o.value1;
  u.value2 = o.value2;
  u.value3 = o.value3;
  u.value4 = o.value4;
  u.kState1 = o.kState1;
  u.kState2 = o.kState2;
  for (std::size_t i = 0; i < std::min(n, kOldUserComponents); ++i) {
    u.x1[i] = o.x1[i];
    u.x2[i] = o.x2[i];
    u.x3[i] = o.x3[i];
    u.results1[i] = o.results1[i];
    u.results2[i] = o.results2[i];
  }
}

// After the call, step 3: ENTHALPY.
void enthalpy(std::size_t n, std::int32_t phase, double t, double p, bool derivative, double& h,
              double& dhdt, std::int32_t& status) {
  const UserMethodRecord& u = UKHCOM;
  const double d = derivative ? 1.0 : 0.0;
  const double v1 = u.value1;
  const double v2 = u.value2;
  const std::size_t array = phase == 1 ? kVapourComponentArray : kLiquidComponentArray;
  const auto answer = static_cast<UserAnswer>(u.flag);
  if (answer != UserAnswer::Departure && answer != UserAnswer::Whole &&
      answer != UserAnswer::WholeWithComponents) {
    return;
  }
  const std::int32_t offset = componentArray(array, n);
  if (answer == UserAnswer::WholeWithComponents) {
    for (std::size_t i = 0; i < n; ++i) {
      storage::CORSTO.setReal(offset + static_cast<std::int32_t>(i) + 1,
                              kGasConstant * t * u.results2[i]);
    }
  } else {
    pure::XPCACH(derivative ? 1 : 0, t, p);
  }
  const pure::IdealGasCache& ig = pure::XPCWRD;
  double mixIdeal = 0.0;
  double mixHeatCapacity = 0.0;
  if (answer != UserAnswer::WholeWithComponents) {
    if (ig.values.size() < n || (derivative && ig.derivatives.size() < n)) {
      services::ERRITM("NC", static_cast<std::int32_t>(n));
      services::ERRITM("CACHED", static_cast<std::int32_t>(ig.values.size()));
      services::ABTRPT("UK", "UKHSDR", "UKHSDR", "IDEAL-GAS ENTHALPIES MISSING");
    }
    for (std::size_t i = 0; i < n; ++i) {
      mixIdeal += u.x2[i] * ig.values[i];
      if (derivative) mixHeatCapacity += u.x2[i] * ig.derivatives[i];
    }
  }
  if (answer == UserAnswer::Departure) {
    // H = sum x Hig + R T VU1; dH/dT = sum x Cpig + R ((T + D) VU2 - T VU1) / D.
    h = mixIdeal + kGasConstant * t * v1;
    dhdt = derivative ? mixHeatCapacity + kGasConstant * ((t + d) * v2 - t * v1) / d : 0.0;
  } else {
    // H = R T VU1; dH/dT = R ((T + D) VU2 - T VU1) / D, undivided when D is 0.
    h = kGasConstant * t * v1;
    dhdt = kGasConstant * ((t + d) * v2 - t * v1);
    if (services::RELCMP(d, 0.0) != 0) dhdt /= d;
  }
  status = 1;
  if (answer == UserAnswer::WholeWithComponents) return;
  // Each component carries the mixture's departure from the ideal gas, so that the
  // x-weighted sum of the component enthalpies is H.
  const double departure = h - mixIdeal;
  for (std::size_t i = 0; i < n; ++i) {
    storage::CORSTO.setReal(offset + static_cast<std::int32_t>(i) + 1, ig.values[i] + departure);
  }
}

// The ideal-gas values and slopes of the entropy, kept between calls so that a warm call
// allocates nothing; every problem open starts them again.
struct EntropyWork {
  std::vector<double> values;
  std::vector<double> derivs;
};
EntropyWork entropyWork;
const bool kEntropyWorkReset = services::registerKeptValues([] { entropyWork = {}; });

// After the call, step 4: ENTROPY.
void entropy(std::size_t n, std::int32_t phase, double t, double p, bool derivative, double& s,
             double& dsdt, std::int32_t& status) {
  const UserMethodRecord& u = UKHCOM;
  const double v1 = u.value1;
  const double v2 = u.value2;
  const auto answer = static_cast<UserAnswer>(u.flag);
  if (answer == UserAnswer::Whole || answer == UserAnswer::WholeWithComponents) {
    s = kGasConstant * v1;
    dsdt = kGasConstant * (v2 - v1);
    status = 1;
    return;
  }
  if (answer != UserAnswer::Departure) return;
  const std::size_t array = phase == 1 ? kVapourComponentArray : kLiquidComponentArray;
  const std::int32_t offset = componentArray(array, n);
  const std::int32_t slopes = componentArray(kComponentDerivativeArray, n);
  // The ideal-gas entropies in work vectors kept between calls, then in the flash arrays.
  std::vector<double>& values = entropyWork.values;
  std::vector<double>& derivs = entropyWork.derivs;
  if (values.size() < n) values.resize(n);
  if (derivs.size() < n) derivs.resize(n);
  std::fill_n(values.begin(), n, 0.0);
  std::fill_n(derivs.begin(), n, 0.0);
  pure::XPSVAP({}, 1, 1, static_cast<std::int32_t>(n), 0, t, p, derivative ? 1 : 0,
               std::span<double>(values.data(), n), std::span<double>(derivs.data(), n));
  for (std::size_t i = 0; i < n; ++i) {
    storage::CORSTO.setReal(offset + static_cast<std::int32_t>(i) + 1, values[i]);
    storage::CORSTO.setReal(slopes + static_cast<std::int32_t>(i) + 1, derivs[i]);
  }
  // S = sum x Sig + R (VU1 - sum x ln x - ln(P / 101.325)).
  double mixIdeal = 0.0;
  double mixSlope = 0.0;
  double mixing = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double x = u.x2[i];
    mixIdeal += x * values[i];
    if (derivative) mixSlope += x * derivs[i];
    if (x > 0.0) mixing += x * std::log(x);
  }
  s = mixIdeal + kGasConstant * (v1 - mixing - std::log(p / kReferencePressure));
  // dS/dT = sum x dSig/dT + R (VU2 - VU1) / D, D being one kelvin.
  if (derivative) dsdt = mixSlope + kGasConstant * (v2 - v1);
  status = 1;
}

// The liquid density of the dispatcher: Z from VU4.
void userLiquidDensity(std::int32_t code, std::int32_t nc, std::span<const double> x, double t,
                       double p, double& z, std::int32_t& flag) {
  double h = 0.0, dhdt = 0.0, z1 = 0.0;
  std::int32_t status = 0;
  UKHSDR(code, kLiquidDensitySlot, static_cast<std::int32_t>(UserRequest::Density), 2, nc, x, x, x,
         t, p, 0, h, dhdt, 0.0, 0.0, status, z, z1, 0.0);
  flag = UKHCOM.flag;
}

// The liquid-density dispatcher reaches the user methods through its hook.
[[maybe_unused]] const bool kDensityHookInstalled = [] {
  pure::setUserDensity(&userLiquidDensity);
  return true;
}();

}  // namespace

void resetUserMethods() {
  UKHDAT.block = services::NODISK;
  UKHCOM.save[0] = services::IMISS;
}

namespace {

// The set-up query of the open (DBSSTR): the routine of user-added K-value method CODE
// answers the set-up request once; its return flag is kept.
std::int32_t answerSetUp(std::int32_t code) {
  const std::array<double, 1> composition{0.0};
  double h = 0.0, dhdt = 0.0, z2 = 0.0, z1 = 0.0;
  std::int32_t answered = 0;
  UKHSDR(code, 1, static_cast<std::int32_t>(UserRequest::SetUp), 1, 1, composition, composition,
         composition, 0.0, 0.0, 0, h, dhdt, 0.0, 0.0, answered, z2, z1, 0.0);
  return UKHCOM.flag;
}

const bool kResetAtOpen = services::registerKeptValues(&resetUserMethods);

// The K-value request of the K-value engine: the slot routine of the code with the vapour
// (or first liquid) and the liquid; K and dK/dT from the record's two result arrays, the
// compressibility factors from its density results; the return flag is the answer.
constexpr std::int32_t kKValuePhase = 1;  // the phase word of a K-value request
std::int32_t answerKValues(const equilibrium::UserKValueRequest& r, std::span<double> k,
                           std::span<double> dkdt, double& zl, double& zv) {
  double h = 0.0, dhdt = 0.0;
  std::int32_t status = 0;
  UKHSDR(r.code, r.level, static_cast<std::int32_t>(UserRequest::KValues), kKValuePhase, r.ncomp,
         r.y, r.x, r.x, r.t, r.p, r.derivatives, h, dhdt, 0.0, 0.0, status, zl, zv, 0.0);
  const std::size_t n = std::min({k.size(), dkdt.size(), kUserComponents});
  for (std::size_t i = 0; i < n; ++i) {
    k[i] = UKHCOM.results1[i];
    dkdt[i] = UKHCOM.results2[i];
  }
  return UKHCOM.flag;
}

}  // namespace

void loadUserData(std::int32_t address, std::int32_t length) {
  if (address == services::NODISK || address == 0) return;
  // The block in a zero-filled area of 8-byte words long enough for the whole user data.
  constexpr std::int32_t kLastReal =
      kUserDataFirstReal - 1 + static_cast<std::int32_t>(kUserDataValues);
  const std::int32_t reals = std::max((length + 1) / 2, kLastReal);
  std::int32_t area = storage::ICMGTR(reals, static_cast<std::int32_t>(storage::Fill::Zeros));
  if (length > 0) storage::SBWRD(storage::IPDTOI(area), length, address);
  for (std::size_t k = 1; k <= kUserDataValues; ++k) {
    const std::int32_t real = kUserDataFirstReal - 1 + static_cast<std::int32_t>(k);
    UKHDAT.values(k) = single(storage::CORSTO.real(area + real));
  }
  UKHDAT.block = address;
  storage::CMFRER(area);
}

UserRoutine setUserRoutine(std::int32_t number, UserRoutine routine) {
  if (number < 1 || number > kUserRoutines) return nullptr;
  const auto k = static_cast<std::size_t>(number - 1);
  UserRoutine& slot = routines()[k];
  const UserRoutine previous = slot;
  slot = routine == nullptr ? linkedRoutines()[k] : routine;
  return previous;
}

void UKHSDR(std::int32_t code, std::int32_t slot, std::int32_t request, std::int32_t phase,
            std::int32_t nc, std::span<const double> x1, std::span<const double> x2,
            std::span<const double> x3, double t, double p, std::int32_t derivative, double& h,
            double& dhdt, double /*unused14*/, double /*unused15*/, std::int32_t& status,
            double& z2, double& z1, double /*unused19*/) {
  UserMethodRecord& u = UKHCOM;
  OldUserMethodRecord& o = UKHOLD;
  if (code < kFirstUserMethod || code > kLastUserMethod) {
    services::ERRITM("CODE", code);
    services::ABTRPT("UK", "UKHSDR", "UKHSDR", "NOT A USER-ADDED METHOD CODE");
  }
  if (nc > static_cast<std::int32_t>(kUserComponents)) {
    services::ERRITM("NC", nc);
    services::ERRITM("MAXIMUM", static_cast<std::int32_t>(kUserComponents));
    services::ABTRPT("UK", "UKHSDR", "UKHSDR", "TOO MANY COMPONENTS FOR A USER METHOD");
  }
  const std::size_t n = nc > 0 ? static_cast<std::size_t>(nc) : 0;
  if (x1.size() < n || x2.size() < n || x3.size() < n) {
    services::ERRITM("NC", nc);
    services::ERRITM("X1", static_cast<std::int32_t>(x1.size()));
    services::ERRITM("X2", static_cast<std::int32_t>(x2.size()));
    services::ERRITM("X3", static_cast<std::int32_t>(x3.size()));
    services::ABTRPT("UK", "UKHSDR", "UKHSDR", "COMPOSITION SHORTER THAN NC");
  }
  const bool withDerivatives = derivative > 0;

  // 1. Request, N, phase, report unit, flags, water and K-value slot into both records.
  u.request = o.request = request;
  u.componentCount = o.componentCount = nc;
  u.phase = o.phase = phase;
  u.reportUnit = o.reportUnit = services::IOUNIT.report;
  u.flag = o.flag = 0;
  u.isNew = 0;
  u.water = problem::THCTL.idecnt;
  o.waterWord = u.water != 0 ? 2 : 1;
  u.kSlot = slot == 1 || slot == 2 ? slot : 0;

  // 2. Temperature, its step and pressure in unit set 5.
  u.temperature = o.temperature =
      single(services::UOMCNV(t, kTemperatureClass, kInternalSet, kUserSet));
  u.temperatureStep = o.temperatureStep = single(services::UOMCNV(
      withDerivatives ? 1.0 : 0.0, kTemperatureDifferenceClass, kInternalSet, kUserSet));
  u.pressure = o.pressure = single(services::UOMCNV(p, kPressureClass, kInternalSet, kUserSet));

  // 3. The K-value state reals; no property values yet.
  u.kState1 = o.kState1 = single(problem::THCTL.xwd);
  u.kState2 = o.kState2 = single(problem::THCTL.ywd);
  u.value1 = u.value2 = u.value3 = u.value4 = 0.0F;
  o.value1 = o.value2 = o.value3 = o.value4 = 0.0F;

  // 4. The first call after an open clears the save areas.
  if (u.save[0] == services::IMISS) {
    u.save.fill(0);
    o.save.fill(0);
  }

  // 5. The compositions, normalised; the results cleared.
  normalise(x1, n, u.x1, o.x1);
  normalise(x2, n, u.x2, o.x2);
  normalise(x3, n, u.x3, o.x3);
  std::fill_n(u.results1.begin(), n, 0.0F);
  std::fill_n(u.results2.begin(), n, 0.0F);
  std::fill_n(o.results1.begin(), std::min(n, kOldUserComponents), 0.0F);
  std::fill_n(o.results2.begin(), std::min(n, kOldUserComponents), 0.0F);

  // 6. The method's user data.
  copyUserData(slot);

  // The routine of the code.
  const std::int32_t number = code - kFirstUserMethod + 1;
  routines()[static_cast<std::size_t>(number - 1)]();

  // After the call: 1. answers given in the older record.
  if (u.isNew == 0) takeOldAnswers(n);

  // 2. A request the routine does not support stops the run.
  if (u.flag == kNotSupported) {
    services::MSGPAR.longTexts(1).assign(propertyName(request));
    services::MSGPAR.integers(1) = number;
    services::MSGABT(kMessageUnsupportedRequest, " ");
  }

  // 3-6. The answers in internal units.
  switch (static_cast<UserRequest>(request)) {
    case UserRequest::Enthalpy:
      enthalpy(n, phase, t, p, withDerivatives, h, dhdt, status);
      break;
    case UserRequest::Entropy:
      entropy(n, phase, t, p, withDerivatives, h, dhdt, status);
      break;
    case UserRequest::Density:
      z1 = u.value3;
      z2 = u.value4;
      break;
    default:
      break;
  }
  if (u.request <= static_cast<std::int32_t>(UserRequest::KValues)) {
    problem::THCTL.xwd = u.kState1;
    problem::THCTL.ywd = u.kState2;
  }
}

void installSlots() {
  methods::fillUserKValueSetUp(&answerSetUp);
  equilibrium::fillUserKValues(&answerKValues);
}

}  // namespace phase
