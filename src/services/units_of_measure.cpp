// Units of measure: the unit tables, the unit-code words and the conversion routines.
#include "services/units_of_measure.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "services/run_options.hpp"
#include "services/services.hpp"

namespace services {

UnitTables UOMTAB;
UnitCodeWords UOMCOD;

// --------------------------------------------------------------------------------------
// Table accessors
// --------------------------------------------------------------------------------------

namespace {

std::size_t factorIndex(std::int32_t cls, std::int32_t code) {
  return static_cast<std::size_t>(kUnitClasses * (code - kFirstUnitCode) + cls - 1);
}

std::size_t offsetIndex(std::int32_t cls, std::int32_t code) {
  const std::size_t table = cls == kTemperatureClass ? 0 : kOffsetCodes;
  return table + static_cast<std::size_t>(code - kFirstUnitCode);
}

bool offsetExists(std::int32_t cls, std::int32_t code) {
  return (cls == kTemperatureClass || cls == kPressureClass) && code >= kFirstUnitCode &&
         code <= kLastOffsetCode;
}

std::size_t defaultUnitIndex(std::int32_t cls, std::int32_t row) {
  return kCarriedUnitWords + static_cast<std::size_t>(kUnitClasses * row + cls - 1);
}

void requireClass(std::int32_t cls) {
  if (cls < 1 || cls > kUnitClasses) throw std::out_of_range("unit class");
}

}  // namespace

float& UnitTables::factor(std::int32_t cls, std::int32_t code) {
  requireClass(cls);
  return factors.at(factorIndex(cls, code));
}

float UnitTables::factor(std::int32_t cls, std::int32_t code) const {
  requireClass(cls);
  return factors.at(factorIndex(cls, code));
}

float& UnitTables::offset(std::int32_t cls, std::int32_t code) {
  if (!offsetExists(cls, code)) throw std::out_of_range("unit offset");
  return offsets.at(offsetIndex(cls, code));
}

float UnitTables::offset(std::int32_t cls, std::int32_t code) const {
  if (!offsetExists(cls, code)) throw std::out_of_range("unit offset");
  return offsets.at(offsetIndex(cls, code));
}

std::int32_t& UnitTables::defaultUnit(std::int32_t cls, std::int32_t row) {
  requireClass(cls);
  if (row < 0 || row >= kUnitSetRows) throw std::out_of_range("unit set row");
  return unitWords.at(defaultUnitIndex(cls, row));
}

std::int32_t UnitTables::defaultUnit(std::int32_t cls, std::int32_t row) const {
  requireClass(cls);
  if (row < 0 || row >= kUnitSetRows) throw std::out_of_range("unit set row");
  return unitWords.at(defaultUnitIndex(cls, row));
}

std::span<char, kUnitLabelWidth> UnitTables::setLabel(std::int32_t cls, std::int32_t row) {
  requireClass(cls);
  if (row < 0 || row >= kUnitSetRows) throw std::out_of_range("unit set row");
  const auto start = static_cast<std::size_t>(kUnitClasses * row + cls - 1) * kUnitLabelWidth;
  return setLabels.span().subspan(start).first<kUnitLabelWidth>();
}

std::span<char, kUnitLabelWidth> UnitTables::codeLabel(std::int32_t code) {
  if (code < kFirstUnitCode || code > kLastLabelCode) throw std::out_of_range("unit code");
  const auto start = static_cast<std::size_t>(code - kFirstUnitCode) * kUnitLabelWidth;
  return codeLabels.span().subspan(start).first<kUnitLabelWidth>();
}

// --------------------------------------------------------------------------------------
// Conversion
// --------------------------------------------------------------------------------------

namespace {

// API gravity = 141.5 / specific gravity - 131.5.
constexpr double kApiNumerator = 141.5;
constexpr double kApiOffset = 131.5;

constexpr std::array<std::int32_t, 8> kBasisClasses = {25, 26, 27, 31, 32, 33, 34, 38};

bool timingOn() { return GDPOPT.diagnosticSwitch(kTimingSwitch) > 0; }

// Counts a call of a timed routine and stamps its start while the timing switch is on.
class TimedCall {
 public:
  explicit TimedCall(std::size_t slot) : slot_(slot) {
    if (!timingOn()) return;
    ++TIMST1.calls(slot_);
    CLKSEC(start_);
    started_ = true;
  }
  ~TimedCall() {
    if (started_ && timingOn()) TIMACC(start_, TIMST1.seconds(slot_));
  }
  TimedCall(const TimedCall&) = delete;
  TimedCall& operator=(const TimedCall&) = delete;

 private:
  std::size_t slot_;
  double start_ = 0.0;
  bool started_ = false;
};

// The unit code that UNIT names in class C: a named set (or the current set for 0) gives
// its default unit, 10-162 is a code itself. 0 when UNIT names no unit code: a set outside
// 1-7, a code outside 10-162, or a default-unit entry that is no unit code (the tables
// are zero before the databases are read).
std::int32_t unitCode(std::int32_t c, std::int32_t unit) {
  std::int32_t code = 0;
  if (unit >= kFirstUnitCode && unit <= kLastUnitCode) {
    code = unit;
  } else {
    const std::int32_t set = unit == 0 ? UOMTAB.currentSet() : unit;
    if (set < 1 || set > kNamedUnitSets) return 0;
    code = UOMTAB.defaultUnit(c, set);
  }
  return code >= kFirstUnitCode && code <= kLastUnitCode ? code : 0;
}

// Factor and offset of CODE in class C; false when the code has no factor there.
bool unitFactor(std::int32_t c, std::int32_t code, bool withOffset, double& factor,
                double& offset) {
  factor = UOMTAB.factor(c, code);
  if (RELCMP(factor, 0.0) == 0) return false;
  offset = withOffset && offsetExists(c, code) ? UOMTAB.offset(c, code) : 0.0;
  return true;
}

bool isApiClass(std::int32_t c) { return c == kLiquidDensityClass || c == kSpecificGravityClass; }

}  // namespace

void UOMSPC(std::int32_t cls, double& spc, ConversionKind& kind) {
  if (std::find(kBasisClasses.begin(), kBasisClasses.end(), cls) == kBasisClasses.end()) return;
  const double basisValue = GSCTAB.basisValue();
  const double basisFactor = GSCTAB.basisFactor();
  // A basis factor of zero (the image before the problem's table is read) would zero the
  // value or divide by zero: it counts as no basis.
  if (basisValue >= RMISS && RELCMP(basisFactor, 0.0) != 0) {
    spc = basisFactor;
    if (kind == ConversionKind::Same) kind = ConversionKind::Linear;
  } else {
    spc = 1.0;
  }
}

void UOMFAC(std::int32_t cls, std::int32_t from, std::int32_t to, ConversionKind& kind, double& ff,
            double& ft, double& of, double& ot) {
  kind = ConversionKind::Invalid;
  ff = 1.0;
  ft = 1.0;
  of = 0.0;
  ot = 0.0;
  if (cls == 0 || cls > kUnitClasses || cls < -kUnitClasses) return;

  // A value per unit of class c converts the other way round, and without offsets: a
  // value per degree depends on the size of the degree only.
  const std::int32_t c = cls > 0 ? cls : -cls;
  const bool perUnit = cls < 0;
  const std::int32_t fromUnit = perUnit ? to : from;
  const std::int32_t toUnit = perUnit ? from : to;

  const std::int32_t fromCode = unitCode(c, fromUnit);
  if (fromCode == 0) return;
  double fromFactor = 0.0;
  double fromOffset = 0.0;
  if (!unitFactor(c, fromCode, !perUnit, fromFactor, fromOffset)) return;

  const std::int32_t toCode = unitCode(c, toUnit);
  if (toCode == 0) return;
  double toFactor = 0.0;
  double toOffset = 0.0;
  if (!unitFactor(c, toCode, !perUnit, toFactor, toOffset)) return;

  const std::int32_t apiCode = UOMCOD.apiGravityCode();
  if (fromCode == toCode) {
    kind = ConversionKind::Same;
  } else if (fromCode == apiCode && isApiClass(c)) {
    kind = ConversionKind::FromApiGravity;
  } else if (toCode == apiCode && isApiClass(c)) {
    kind = ConversionKind::ToApiGravity;
  } else {
    kind = ConversionKind::Linear;
  }

  // The basis factor of the rate classes; converting into the internal set divides by it.
  double spc = 1.0;
  UOMSPC(cls, spc, kind);
  if (to == 1) spc = 1.0 / spc;

  ff = fromFactor * spc;
  of = fromOffset;
  ft = toFactor;
  ot = toOffset;
}

double UOMCNV(double value, std::int32_t cls, std::int32_t from, std::int32_t to) {
  const TimedCall timed(kUomcnvTimingSlot);
  ConversionKind kind = ConversionKind::Invalid;
  double ff = 1.0;
  double ft = 1.0;
  double of = 0.0;
  double ot = 0.0;
  UOMFAC(cls, from, to, kind, ff, ft, of, ot);

  const double x = value;
  if (x <= RMISS) return x;  // the missing markers RMISS and DMISS pass unchanged
  switch (kind) {
    case ConversionKind::Linear:
      return ff * (x + of) / ft - ot;
    case ConversionKind::FromApiGravity: {
      // Specific gravity = 141.5 / (API + 131.5); none for API at or below -131.5.
      const double denominator = x + kApiOffset;
      if (denominator <= 0.0) return x;
      return ff * (kApiNumerator / denominator + of) / ft - ot;
    }
    case ConversionKind::ToApiGravity: {
      const double y = ff * (x + of) / ft - ot;
      return y > 0.0 ? kApiNumerator / y - kApiOffset : x;
    }
    case ConversionKind::Same:
    case ConversionKind::Invalid:
      break;
  }
  return x;
}

void UOMFCT(std::int32_t cls, std::int32_t from, std::int32_t to, double& a, double& b) {
  const TimedCall timed(kUomfctTimingSlot);
  ConversionKind kind = ConversionKind::Invalid;
  double ff = 1.0;
  double ft = 1.0;
  double of = 0.0;
  double ot = 0.0;
  UOMFAC(cls, from, to, kind, ff, ft, of, ot);
  if (kind == ConversionKind::Linear) {
    a = ff / ft;
    b = a * of - ot;
  } else {
    a = 1.0;
    b = 0.0;
  }
}

}  // namespace services
