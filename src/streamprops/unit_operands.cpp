// Unit-operation operands of a specification: the value of a unit variable (SPUNIT), the
// column variables computed from tray streams (UVEVAL, UVCOL), and the properties of a tray
// stream (SPSTRM) and of the loaded unit's hierarchy stream (SPOTHR).
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/hierarchy_streams.hpp"
#include "streamprops/property_codes.hpp"
#include "streamprops/stream_views.hpp"
#include "streamprops/unit_data.hpp"
#include "streamprops/unit_variables.hpp"

namespace streamprops {
namespace {

using services::DMISS;
using services::IMISS;
using services::RMISS;

constexpr std::int32_t kReadOnly = 10;
constexpr std::int32_t kUnitOperand = 4;
constexpr std::int32_t kStreamOperand = 1;
constexpr std::int32_t kNamedStream = 0;
constexpr std::int32_t kComponentAmount = 211;

// Operand words (1-based).
namespace word {
constexpr std::size_t kType = 1;
constexpr std::size_t kReference = 3;
constexpr std::size_t kStream = 4;
constexpr std::size_t kUnit = 5;
constexpr std::size_t kPhase = 10;
constexpr std::size_t kOptions = 11;
constexpr std::size_t kCode = 13;
constexpr std::size_t kVariable = 18;
constexpr std::size_t kPosition = 19;
constexpr std::size_t kTray = 20;
}  // namespace word

// The words of an operand record that these routines change and restore.
constexpr std::size_t kSavedWords = 43;

// Word K of an operand record (0 beyond it) and its setter.
std::int32_t get(std::span<const std::int32_t> oprec, std::size_t k) {
  return k >= 1 && k <= oprec.size() ? oprec[k - 1] : 0;
}
void put(std::span<std::int32_t> oprec, std::size_t k, std::int32_t value) {
  if (k >= 1 && k <= oprec.size()) oprec[k - 1] = value;
}

// Keeps the first words of an operand record and puts them back when it goes.
class SavedOperand {
 public:
  explicit SavedOperand(std::span<std::int32_t> oprec) : oprec_(oprec) {
    count_ = std::min(oprec.size(), kSavedWords);
    std::copy_n(oprec.begin(), count_, words_.begin());
  }
  ~SavedOperand() { std::copy_n(words_.begin(), count_, oprec_.begin()); }
  SavedOperand(const SavedOperand&) = delete;
  SavedOperand& operator=(const SavedOperand&) = delete;

 private:
  std::span<std::int32_t> oprec_;
  std::array<std::int32_t, kSavedWords> words_{};
  std::size_t count_ = 0;
};

bool missing(double x) { return !(x > RMISS); }

// The column variable types that go through tray streams or the stored variables.
bool isColumn(std::int32_t type) {
  return type == kColumnUnit || type == kSideStripperUnit || type == kCompositeColumnUnit;
}

// A ratio capped at 1.0E10, and 1.0E10 when the denominator is not above 1.0E-10.
double cappedRatio(double numerator, double denominator) {
  if (!(denominator > kSmallestDenominator)) return kRatioCap;
  return std::min(numerator / denominator, kRatioCap);
}

// Variable type 2 of a column: the reflux-type ratios of its top tray streams.
double columnRatio(std::int32_t u, std::int32_t n, std::span<std::int32_t> oprec, std::int32_t iaux,
                   double argval) {
  const auto eval = [&](std::int32_t k1, std::int32_t k2, std::int32_t k3) {
    double v = DMISS;
    UVEVAL(n, oprec, iaux, k1, k2, k3, v, argval);
    return v;
  };
  const std::int32_t selector = get(oprec, word::kPhase) / 100 % 10000;
  if (selector == 0) {
    const double v1 = eval(1, 1, 1);
    const double v2 = eval(2, 1, 1);
    const double v3 = eval(1, 2, 1);
    if (missing(v1) || missing(v2) || missing(v3)) return DMISS;
    return cappedRatio(v1, (v2 - v1) + v3);
  }
  std::int32_t k = 0, ierr = 0;
  IIUGET(u, 1, 61, k, ierr);
  if (k == 2) {
    const double a = eval(2, 2, 2);
    const std::int32_t phase = get(oprec, word::kPhase);
    put(oprec, word::kPhase, 602);
    const double c = eval(1, 1, 1);
    put(oprec, word::kPhase, 702);
    const double e = eval(1, 1, 1);
    put(oprec, word::kPhase, phase);
    if (missing(a) || missing(c) || missing(e)) return DMISS;
    const double d = a - c - e;
    return cappedRatio(selector == 2 ? e + c : (selector == 6 ? c : e), d);
  }
  const double a = eval(1, 2, 1);
  const double b = eval(1, 1, 1);
  if (missing(a) || missing(b)) return DMISS;
  return cappedRatio(b, std::max(a - b, 0.0));
}

// The property of stream NS by the operand's code, the operand naming NS for the evaluation;
// its words 1 and 3 are put back, word 4 keeps NS.
void propertyOf(std::int32_t ns, std::int32_t n, std::span<std::int32_t> oprec, std::int32_t iaux,
                double& value, std::int32_t noflag, double argval) {
  const std::int32_t type = get(oprec, word::kType);
  const std::int32_t reference = get(oprec, word::kReference);
  put(oprec, word::kStream, ns);
  put(oprec, word::kType, kStreamOperand);
  put(oprec, word::kReference, kNamedStream);
  SPEDSP(n, oprec, iaux, value, noflag, argval);
  put(oprec, word::kType, type);
  put(oprec, word::kReference, reference);
}

}  // namespace

void SPUNIT(std::int32_t d1, std::int32_t n, std::span<std::int32_t> oprec, std::int32_t iaux,
            std::int32_t& ival, double& value, double argval) {
  // 1. The unit, current in context 2.
  std::int32_t u = 0;
  if (get(oprec, word::kType) == kUnitOperand) {
    const std::int32_t reference = get(oprec, word::kReference);
    if (reference == 0) u = get(oprec, word::kUnit);
    if (reference == 1) u = problem::UNCURR.context3.unit;
  }
  if (u < 1) {  // no unit: the missing value
    value = DMISS;
    return;
  }
  problem::UNSET(u, kReadOnly);
  std::int32_t p = get(oprec, word::kPosition);

  // 2-3. The column variables computed here.
  const std::int32_t type = problem::KUNTYC(u);
  const std::int32_t var = get(oprec, word::kVariable);
  const bool column = isColumn(type);
  if (column) {
    if (var == 1) {
      UVEVAL(n, oprec, iaux, 1, 1, 1, value, argval);
      return;
    }
    if (var == 2) {
      value = columnRatio(u, n, oprec, iaux, argval);
      return;
    }
    if (var == 3) {
      UVSTOR(n, 1, oprec, iaux, value);
      return;
    }
    if (var >= 26 && var <= 30) {
      UVCOL(var, value, oprec, iaux, n);
      return;
    }
  }

  // 4. The variable's row, one indirection followed; a missing row word: the missing value.
  problem::UNSET(u, kReadOnly);
  const std::span<const std::int32_t> vat = unitVat(u, 2);
  std::int32_t ierr = 0;
  UVDCOD(var, vat, 0, ierr);
  if (ierr != 0) {
    value = DMISS;
    return;
  }
  std::int32_t conversion = -1;
  if (UVDEC.kind == static_cast<std::int32_t>(AccessKind::Indirect)) {
    conversion = UVDEC.conversionRow;
    UVDCOD(conversion, vat, 0, ierr);
    if (ierr != 0) {
      value = DMISS;
      return;
    }
  }

  // 5. A column's side unit: its data and position in the parent.
  if (column) {
    std::int32_t ud = u, pd = p;
    UVLOOK(u, p, ud, pd);
    static constexpr std::array<std::int32_t, 8> kRankTypes{10, 11, 17, 18, 32, 33, 34, 35};
    if (std::find(kRankTypes.begin(), kRankTypes.end(), var) != kRankTypes.end()) {
      std::int32_t count = 0;
      IIUGET(ud, 1, 16, count, ierr);
      for (std::int32_t k = 1; k <= count; ++k) {
        std::int32_t sub = 0;
        IIUGET(ud, 3, k, sub, ierr);
        if (sub == u) {
          p = k;
          break;
        }
      }
    } else {
      p = pd;
    }
    u = ud;
  }

  // 6. The variable by its access kind.
  const std::int32_t kind = UVDEC.kind;
  if (kind == static_cast<std::int32_t>(AccessKind::Real) ||
      kind == static_cast<std::int32_t>(AccessKind::Integer)) {
    const std::int32_t pick = UVDEC.digit(1);
    const std::int32_t k = pick == 1 || (pick == 2 && d1 == 1) ? 1 : 2;
    UVPOS(k, u, ival, value, ierr);
  } else if (kind == static_cast<std::int32_t>(AccessKind::AttributedReal)) {
    double v = DMISS;
    UVCALL(u, var, p, v, ierr);
    value = ierr == 0 ? v : DMISS;
  } else {
    return;
  }

  // 7. The conversion of an indirect row, from the internal units to set 5.
  if (conversion >= 0) {
    const std::int32_t selector = conversionSelector(conversion);
    if (selector != 0) value = services::UOMCNV(value, selectorClass(selector), 1, 5);
  }
}

void UVEVAL(std::int32_t n, std::span<std::int32_t> oprec, std::int32_t iaux, std::int32_t k1,
            std::int32_t k2, std::int32_t k3, double& value, double argval) {
  const SavedOperand saved(oprec);
  put(oprec, word::kCode, kComponentAmount);
  if (k1 == 1) {
    if (get(oprec, word::kPhase) < 1) put(oprec, word::kPhase, 2);
  } else if (k1 == 2) {
    put(oprec, word::kPhase, 1);
  } else {
    put(oprec, word::kPhase, IMISS);
    put(oprec, word::kTray, IMISS);
  }
  put(oprec, word::kTray, k3);
  put(oprec, word::kOptions, UVCODE(get(oprec, word::kOptions)));
  SPSTRM(n, oprec, iaux, value, k2, 0, argval);
}

void UVCOL(std::int32_t var, double& value, std::span<std::int32_t> oprec, std::int32_t iaux,
           std::int32_t n) {
  const SavedOperand saved(oprec);
  const std::int32_t u = get(oprec, word::kUnit);
  std::int32_t nt = 0, ierr = 0;
  IIUGET(u, 1, 4, nt, ierr);
  const double argval = DMISS;
  const auto amount = [&](std::int32_t phase, std::int32_t tray, std::int32_t kind) {
    put(oprec, word::kPhase, phase);
    put(oprec, word::kTray, tray);
    double v = DMISS;
    SPSTRM(n, oprec, iaux, v, kind, 0, argval);
    return v;
  };
  const auto topTemperature = [&](std::int32_t tray) {
    std::int32_t ns = 0;
    UVCUR(ns);
    problem::SRSETT(ns);
    UVGET(u, tray, static_cast<std::int32_t>(TrayPhase::Vapour), 0,
          static_cast<std::int32_t>(TrayKind::Net), tray, ierr);
    return streamViews(problem::SRPSET.set1).get(header::kTemperature);
  };
  switch (var) {
    case 27:
    case 28: {
      put(oprec, word::kCode, kComponentAmount);
      put(oprec, word::kOptions, UVCODE(get(oprec, word::kOptions)));
      const std::int32_t total = static_cast<std::int32_t>(TrayKind::Total);
      const double v = amount(1, nt, total);
      const double l = amount(2, nt, total);
      if (missing(v) || missing(l)) {
        value = DMISS;
        return;
      }
      value = v + l > 0.0 ? v / (v + l) : v;
      if (var == 28) value = 1.0 - value;
      return;
    }
    case 26:
      put(oprec, word::kCode, kComponentAmount);
      put(oprec, word::kOptions, UVCODE(get(oprec, word::kOptions)));
      value = amount(2, nt - 1, static_cast<std::int32_t>(TrayKind::Net));
      return;
    case 29:
      value = topTemperature(nt);
      return;
    case 30: {
      const double top = topTemperature(nt);
      const double below = topTemperature(nt - 1);
      value = missing(top) || missing(below) ? DMISS : top - below;
      return;
    }
    default:
      return;
  }
}

void SPSTRM(std::int32_t n, std::span<std::int32_t> oprec, std::int32_t iaux, double& value,
            std::int32_t kind, std::int32_t noflag, double argval) {
  // 1-3. The tray stream in the scratch stream.
  std::int32_t ns = 0;
  UVCUR(ns);
  problem::SRSETT(ns);
  const std::int32_t u = get(oprec, word::kUnit);
  const std::int32_t p = get(oprec, word::kTray);
  const std::int32_t phaseWord = get(oprec, word::kPhase);
  std::int32_t ud = u, pd = p, ierr = 0;
  UVLOOK(u, p, ud, pd);
  UVGET(ud, pd, phaseWord % 100, phaseWord / 100 % 10000, kind, p, ierr);

  // 4. The feed rate to the tray.
  if (kind == static_cast<std::int32_t>(TrayKind::FeedRate)) {
    value = streamViews(problem::SRPSET.set1).get(header::kRate);
    return;
  }
  // 5. Its property.
  propertyOf(ns, n, oprec, iaux, value, noflag, argval);
}

void SPOTHR(std::int32_t n, std::span<std::int32_t> oprec, std::int32_t iaux, double& value,
            std::int32_t noflag, double argval) {
  if (problem::UNCURR.context3.unit < 1) {
    value = DMISS;
    return;
  }
  std::int32_t istrm = 0;
  UVHIER(0, 0, istrm);
  propertyOf(istrm, n, oprec, iaux, value, noflag, argval);
}

}  // namespace streamprops
