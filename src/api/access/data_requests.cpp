// Data requests: the dispatcher of the 27 classes, the three requests by value type with
// their delivery rules, nested requests, and the unit labels.
#include "api/access/data_requests.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "api/access/access.hpp"
#include "api/access/readers.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace api_access {
namespace {

constexpr std::size_t kLabelChars = 30;
// The unit-class codes of PAUOM1 besides class + 1000 x modifier (class 1-50, modifier the
// three option digits of the label, 100 per mole).
constexpr std::int32_t kRatePerFlowCode = -1;  // class 24 per class 17
constexpr std::int32_t kReciprocalCode = -2;   // the reciprocal of class 8
constexpr std::int32_t kModifierBase = 1000;
constexpr std::int32_t kLargestModifier = 999;
constexpr std::size_t kClassShown = 10;
constexpr std::size_t kIdColumns = 12;
constexpr std::size_t kAttrColumns = 20;

// Buffer sets by nesting depth: the host's request, and one request a reader makes inside
// it. PARBUF is the reals of the first set.
constexpr int kDepths = 2;
std::array<ValueBuffers, kDepths> buffers;
int depth = 0;

struct ClassEntry {
  std::string_view name;
  Reader reader;
};

// Classes whose readers are not in this library yet answer every attribute as unsupported.
template <const char* Wording>
void unsupported(Request& request) {
  answerUnsupported(request, Wording);
}
constexpr char kForHCurve[] = " FOR HCURVE";

// The classes in the order they are compared.
constexpr std::array<ClassEntry, 27> kClasses{{
    {"COMPS", &PACOMP},
    {"STREAM", &PASTRM},
    {"UNIT", &PAUNIT},
    {"Flash", &PAFLSH},
    {"Valve", &PAVALV},
    {"Compressor", &PACMPR},
    {"Expander", &PAEXPN},
    {"Pump", &PAPUMP},
    {"Pipe", &PAPIPE},
    {"Hx", &PAHX},
    {"HxRig", &PAHXRG},
    {"LngHx", &PALNGH},
    {"Short", &PASHRT},
    {"Llex", &PACOLU},
    {"Colu", &PACOLU},
    {"Side", &PACOLU},
    {"HCurve", &unsupported<kForHCurve>},
    {"Phase", &PAPHAS},
    {"Calc", &PACALC},
    {"Reactor", &PARCTR},
    {"ConReactor", &PACONR},
    {"EquReactor", &PAEQUR},
    {"Cstr", &PACSTR},
    {"Plug", &PAPLUG},
    {"Gibbs", &PAGIBB},
    {"User", &PAUSER},
    {"TITLE", &PATITL},
}};

// One request at the current depth: the buffers cleared of the last request's values, the
// dispatcher, the type check. Returns false when the reader's type is not WANTED (the
// warning printed, IERR 1).
bool run(std::string_view cls, Request& request, ValueType wanted, std::string_view wording) {
  ValueBuffers& set = buffers[static_cast<std::size_t>(std::clamp(depth, 0, kDepths - 1))];
  set.clear();
  request.values = &set;
  request.setType(wanted);
  {
    // The depth is restored however the reader returns (a stop that a test turns into an
    // exception included).
    struct Nested {
      Nested() { ++depth; }
      ~Nested() { --depth; }
      Nested(const Nested&) = delete;
      Nested& operator=(const Nested&) = delete;
    } nested;
    PADATX(cls, request);
  }
  if (request.type == static_cast<std::int32_t>(wanted)) return true;
  printLine(" WARNING: " + columns(cls, kIdColumns) + " " + columns(request.attr, kAttrColumns) +
            std::string(wording));
  request.ierr = kRefused;
  return false;
}

bool succeeded(const Request& request) {
  return request.ierr == kOk || request.ierr == kZeroRateWarning;
}

// The values delivered: the count found, at most the buffers' size, never negative. A
// refused request delivers only what its reader wrote (a blank name, an "N/A"), never the
// blanks of a count it did not fill.
std::int32_t delivered(const Request& request) {
  const std::int32_t found = std::clamp(request.count, 0, kMostValues);
  return succeeded(request) ? found : std::min(found, request.values->written);
}

// A request needs an open problem and its identifier tables, which PAMISC builds: without
// them a request would find no component, stream or unit and report success with nothing.
bool refusedWithoutProblem(std::int32_t& ierr) {
  if (tablesBuilt()) return false;
  printLine(problemOpen() ? " IDENTIFIER TABLES NOT BUILT: CALL PAMISC FIRST"
                          : " NO PROBLEM IS OPEN");
  ierr = kRefused;
  return true;
}

// Whether VALUE is a number the caller's single-precision array can hold as it is.
bool fitsSingle(double value) {
  constexpr double kMost = std::numeric_limits<float>::max();
  return std::isfinite(value) && value <= kMost && value >= -kMost;
}

// Nothing of a former problem's requests is kept: the buffers are cleared whole.
void forgetRequests() {
  for (ValueBuffers& set : buffers) {
    set.written = kMostValues;
    set.clear();
  }
  depth = 0;
}
const bool kForgottenAtOpen = services::registerKeptValues(&forgetRequests);

// A code PAUOM1 can label: 0, the two compound codes, or a class of the unit table with a
// modifier of three option digits.
bool knownUnitCode(std::int32_t icode) {
  if (icode == 0 || icode == kRatePerFlowCode || icode == kReciprocalCode) return true;
  const std::int32_t cls = icode % kModifierBase;
  const std::int32_t modifier = icode / kModifierBase;
  return icode > 0 && cls >= 1 && cls <= services::kUnitClasses && modifier <= kLargestModifier;
}

// A unit set PAUOM1 can label in: 0 the current set, a named set, or a unit code taken as a
// set of its own.
bool knownUnitSet(std::int32_t iset) {
  return (iset >= 0 && iset <= services::kNamedUnitSets) ||
         (iset >= services::kFirstUnitCode && iset <= services::kLastLabelCode);
}

}  // namespace

void ValueBuffers::clear() {
  const auto n = static_cast<std::size_t>(std::clamp(written, 0, kMostValues));
  std::fill_n(reals.begin(), n, 0.0);
  std::fill_n(integers.begin(), n, 0);
  for (std::size_t k = 0; k < n; ++k) texts[k].blank();
  written = 0;
}

void Request::setReal(std::int32_t k, double value) {
  if (k < 1 || k > kMostValues) return;
  values->reals[static_cast<std::size_t>(k - 1)] = value;
  values->written = std::max(values->written, k);
}

void Request::setInteger(std::int32_t k, std::int32_t value) {
  if (k < 1 || k > kMostValues) return;
  values->integers[static_cast<std::size_t>(k - 1)] = value;
  values->written = std::max(values->written, k);
}

void Request::setText(std::int32_t k, std::string_view value) {
  if (k < 1 || k > kMostValues) return;
  values->texts[static_cast<std::size_t>(k - 1)].assign(value);
  values->written = std::max(values->written, k);
}

double Request::real(std::int32_t k) const {
  return k < 1 || k > kMostValues ? 0.0 : values->reals[static_cast<std::size_t>(k - 1)];
}

std::int32_t Request::integer(std::int32_t k) const {
  return k < 1 || k > kMostValues ? 0 : values->integers[static_cast<std::size_t>(k - 1)];
}

void Request::implausible(std::int32_t k) {
  setReal(k, 0.0);
  if (ierr == kOk) ierr = kZeroRateWarning;
  if (warnedImplausible) return;
  warnedImplausible = true;
  printLine(" WARNING: IMPLAUSIBLE VALUE OF " + columns(attr, kAttrColumns) + " FOR " +
            columns(id, kIdColumns) + " RETURNED AS ZERO");
}

void Request::implausibleText(std::int32_t k) {
  if (ierr == kOk) ierr = kZeroRateWarning;
  if (warnedImplausible) return;
  warnedImplausible = true;
  printLine(" WARNING: BLANK IDENTIFIER NUMBER " + std::to_string(k) + " OF " +
            columns(attr, kAttrColumns));
}

bool Request::is(std::string_view name) const { return services::sameText(attr, name); }

void Request::nullMissing() {
  const std::int32_t n = std::clamp(count, 0, kMostValues);
  for (std::int32_t k = 1; k <= n; ++k) {
    if (type == static_cast<std::int32_t>(ValueType::Real) && real(k) <= services::RMISS) {
      setReal(k, 0.0);
    }
    if (type == static_cast<std::int32_t>(ValueType::Integer) && integer(k) == services::IMISS) {
      setInteger(k, 0);
    }
  }
}

void printLine(std::string_view line) { platform::writeLine(services::IOUNIT.output, line); }

std::string columns(std::string_view text, std::size_t n) {
  std::string shown(text.substr(0, std::min(n, text.size())));
  shown.resize(n, ' ');
  return shown;
}

void attributeNotSupported(Request& request, std::string_view wording) {
  printLine(" ATTRIBUTE NOT SUPPORTED: " + columns(request.attr, kAttrColumns) +
            std::string(wording));
  request.ierr = kRefused;
  request.count = 0;
}

void answerUnsupported(Request& request, std::string_view wording) {
  // The type stays the one asked for: one line, and no type warning after it.
  attributeNotSupported(request, wording);
}

void PADATX(std::string_view cls, Request& request) {
  request.ierr = kOk;
  if (request.iunset < 1 || request.iunset > services::kNamedUnitSets) {
    request.iunset = kDefaultUnitSet;
  }
  for (const ClassEntry& entry : kClasses) {
    if (!services::sameText(cls, entry.name)) continue;
    entry.reader(request);
    return;
  }
  printLine(" CLASS NOT SUPPORTED: " +
            std::string(cls.substr(0, std::min(kClassShown, cls.size()))));
  request.ierr = kRefused;
}

void PADATC(std::string_view cls, std::string_view attr, std::string_view id, std::span<char> cval,
            std::int32_t element, std::int32_t& elen, std::int32_t& count, std::int32_t& ierr) {
  if (refusedWithoutProblem(ierr)) return;
  Request request{attr, id};
  request.count = count;
  request.iunset = 0;
  const bool typed = run(cls, request, ValueType::Text, " NOT CHARACTER TYPE");
  count = request.count;
  elen = request.elen;
  ierr = request.ierr;
  if (!typed || element < 1) return;
  // Element k at characters (k - 1) ELEMENT + 1 to k ELEMENT of CVAL, as many as it holds.
  const auto width = static_cast<std::size_t>(element);
  const auto n = std::min(static_cast<std::size_t>(delivered(request)), cval.size() / width);
  for (std::size_t k = 0; k < n; ++k) {
    services::assignText(cval.subspan(k * width, width), request.values->texts[k].view());
  }
}

void PADATI(std::string_view cls, std::string_view attr, std::string_view id,
            std::span<std::int32_t> ival, std::int32_t& count, std::int32_t& ierr) {
  if (refusedWithoutProblem(ierr)) return;
  Request request{attr, id};
  request.count = count;
  request.iunset = 0;
  const bool typed = run(cls, request, ValueType::Integer, " NOT INTEGER TYPE");
  count = request.count;
  ierr = request.ierr;
  if (!typed) return;
  const auto n = std::min(static_cast<std::size_t>(delivered(request)), ival.size());
  std::copy_n(request.values->integers.begin(), n, ival.begin());
}

void PADATR(std::string_view cls, std::string_view attr, std::string_view id, std::span<float> rval,
            std::int32_t& count, std::int32_t& iunset, std::int32_t& iucls, std::int32_t& ierr) {
  if (refusedWithoutProblem(ierr)) return;
  Request request{attr, id};
  request.count = count;
  request.iunset = iunset;
  request.iucls = iucls;
  const bool typed = run(cls, request, ValueType::Real, " NOT FLOATING POINT TYPE");
  deliverReals(request, typed, rval);
  count = request.count;
  iunset = request.iunset;
  iucls = request.iucls;
  ierr = request.ierr;
}

void deliverReals(Request& request, bool typed, std::span<float> rval) {
  if (request.count > kMostValues) {
    printLine(" AMOUNT OF DATA FOUND IS TOO LARGE FOR STORAGE. DATA WILL BE LOST AS A RESULT. ");
  }
  if (!typed || !succeeded(request)) return;
  const auto n = std::min(static_cast<std::size_t>(delivered(request)), rval.size());
  for (std::size_t k = 0; k < n; ++k) {
    const double value = request.values->reals[k];
    if (fitsSingle(value)) {
      rval[k] = static_cast<float>(value);
    } else {
      request.implausible(static_cast<std::int32_t>(k + 1));
      rval[k] = 0.0F;
    }
  }
}

std::int32_t nestedInteger(std::string_view cls, std::string_view attr, std::string_view id,
                           std::int32_t& value) {
  if (depth >= kDepths) return kRefused;
  Request request{attr, id};
  request.iunset = 0;
  if (!run(cls, request, ValueType::Integer, " NOT INTEGER TYPE")) return request.ierr;
  if (succeeded(request) && request.count >= 1) value = request.integer(1);
  return request.ierr;
}

void PAUOM1(std::int32_t icode, std::int32_t iset, std::int32_t& istat, std::span<char> label) {
  std::array<char, kLabelChars> text;
  text.fill(' ');
  istat = icode == 0 ? 1 : 0;
  if (!problemOpen()) {
    printLine(" NO PROBLEM IS OPEN");
    istat = 1;
  } else if (!knownUnitCode(icode) || !knownUnitSet(iset)) {
    // A code or set no request returns has no label: a label built from the digits of an
    // unknown code (a prefix of "MMMMKMGT", a class that does not exist) is no answer.
    istat = 1;
  } else {
    std::int32_t status = 0;
    problem::UOMLBL(text, icode, iset, status);
  }
  const std::size_t n = std::min(label.size(), text.size());
  std::copy_n(text.begin(), n, label.begin());
}

}  // namespace api_access
