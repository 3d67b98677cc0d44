// SPCVAL and its helpers: the value of a specification from its operands, the operators of
// the two comparison forms, and the operands read from another specification and from a
// reaction.
#include "streamprops/specification_values.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "flash/parameter_values.hpp"
#include "flash/slots.hpp"
#include "problem/component_data.hpp"
#include "problem/entity_classes.hpp"
#include "problem/entity_contexts.hpp"
#include "problem/reactions.hpp"
#include "problem/specifications.hpp"
#include "problem/units.hpp"
#include "services/markers.hpp"
#include "services/report_pages.hpp"
#include "services/services.hpp"
#include "services/units_of_measure.hpp"
#include "storage/storage.hpp"
#include "streamprops/property_codes.hpp"
#include "streamprops/property_internal.hpp"
#include "streamprops/unit_data.hpp"
#include "streamprops/unit_variables.hpp"

namespace streamprops {
namespace {

using detail::optionDigit;
using detail::word;
using storage::CORSTO;

constexpr std::int32_t kIaux = 43;
constexpr std::int32_t kInternalSet = 1;
constexpr std::int32_t kToleranceClass = 2;
constexpr std::int32_t kToleranceSet = 5;
constexpr double kMissingOperand = -1.0e35;  // RMISS: an operand at or below it is missing
constexpr double kHuge = 1.0e30;

// Messages of the reaction operands.
constexpr std::int32_t kReactionNotFound = 1050000162;
constexpr std::int32_t kReactionSetEmpty = 1050000163;

enum class OperandType : std::int32_t {
  StreamProperty = 1,
  HierarchyStream = 2,
  TrayStream = 3,
  UnitVariable = 4,
  OtherSpecification = 5,
  Stored = 6,
  Parameter = 7,
  Reaction = 8,
};

// The current item's words.
std::int32_t headerWord(std::int32_t k) { return CORSTO[problem::SPCUR.integerSectors[0] + k]; }
double realWord(std::int32_t k) { return CORSTO.real(problem::SPCUR.realSector + k); }
std::span<std::int32_t> recordOf(std::int32_t sector) {
  return CORSTO.words(problem::SPCUR.integerSectors.at(static_cast<std::size_t>(sector - 1)) + 1,
                      spcrec::kWords);
}

void makeCurrent(std::int32_t n, std::int32_t d5) {
  if (d5 == 1) {
    problem::NCSET(n, 0);
  } else {
    problem::VSSET(n, 0);
  }
}

// The unit class and unit of a units word.
struct Units {
  std::int32_t cls = 0;
  std::int32_t unit = 0;
};
Units unitsOf(std::span<std::int32_t> rec) {
  const std::int32_t w = word(rec, spcrec::kUnits);
  return {w / 1000, w % 1000};
}

// A difference D of class CLS in unit FROM in internal units: by the factor alone.
double differenceToInternal(double d, std::int32_t cls, std::int32_t from) {
  double factor = 1.0, offset = 0.0;
  services::UOMFCT(cls, from, kInternalSet, factor, offset);
  return factor * d;
}

// The tolerance of the current item by its tolerance kind.
double toleranceOf() {
  const std::int32_t kind = headerWord(spec::kTolerance);
  if (kind < 1 || kind > 4) return realWord(spec::kOwnTolerance);
  double tol = problem::SPCUR.globalTolerances.at(static_cast<std::size_t>(kind - 1));
  if (kind == 2 && tol < 0.0) {
    tol = services::UOMCNV(tol, kToleranceClass, kInternalSet, kToleranceSet);
  }
  return tol;
}

// The 12-character identifier held in the three words of REC from FIRST.
std::string textOf(std::span<std::int32_t> rec, std::int32_t first) {
  std::string text(12, ' ');
  std::int32_t ierr = 0;
  storage::IWTOTX(text, rec.subspan(static_cast<std::size_t>(first - 1), 3), 3, ierr);
  return text;
}

// Message N with the reaction set and reaction identifiers in the composition text.
void reactionMessage(std::int32_t n, const std::string& setid, const std::string& rxid) {
  services::MSGPAR.composition.assign(setid + rxid);
  services::MSGOUT(n);
}

// Operand K of the current item, evaluated by its type.
double operandValue(std::int32_t n, std::int32_t k, std::int32_t d5, std::int32_t d4,
                    std::int32_t d1, double preset) {
  const std::span<std::int32_t> rec = recordOf(spec::kOperandSector + k);
  const double argument = realWord(spec::kArgument + k);
  double value = preset;
  switch (static_cast<OperandType>(word(rec, spcrec::kType))) {
    case OperandType::StreamProperty:
      SPEDSP(n, rec, kIaux, value, d4, argument);
      break;
    case OperandType::OtherSpecification:
      SPTYP5(d5 * 10000 + n, rec, kIaux, value);
      break;
    case OperandType::Stored:
      value = realWord(spec::kStored + k);
      break;
    case OperandType::Reaction:
      SPTYP8(n, rec, kIaux, value);
      break;
    case OperandType::HierarchyStream:
      SPOTHR(n, rec, kIaux, value, d4, argument);
      break;
    case OperandType::TrayStream:
      SPSTRM(n, rec, kIaux, value, static_cast<std::int32_t>(TrayKind::Net), d4, argument);
      break;
    case OperandType::UnitVariable: {
      std::int32_t ival = 0;
      SPUNIT(d1, n, rec, kIaux, ival, value, argument);
      break;
    }
    case OperandType::Parameter: {
      // May leave the request's method set current.
      std::int32_t o3 = 0, o4 = 0, o5 = 0, digits = 0;  // the set's option digits
      flash::PARVAL(rec, value, o3, o4, o5, digits);
      break;
    }
    default:
      break;
  }
  return value;
}

// The general flash asks for its specification values through its slot.
void specificationSlot(std::int32_t n, std::int32_t code, double& sval, double& vcalc, double& err,
                       double& tol, std::int32_t& notmet) {
  SPCVAL(n, code, sval, vcalc, err, tol, notmet);
}

}  // namespace

double SPCOMB(std::int32_t op, double a, double b) {
  if (op <= 0 || b <= kMissingOperand) return a;
  switch (op) {
    case 1:
      return a + b;
    case 2:
      return a - b;
    case 3:
      return std::abs(b) > 0.0 ? a / b : a;
    case 4:
      return a * b;
    default:
      return a;
  }
}

double SPOPER(std::int32_t op, double a, double b) {
  switch (op) {
    case 1:
      return a - b;
    case 2:
      return a + b;
    case 3:
      return a * b;
    case 4:
      if (std::abs(b) > 0.0) return a / b;
      return std::signbit(a) ? -kHuge : kHuge;
    default:
      return a;
  }
}

SpecificationResult SPCVAL(std::int32_t n, std::int32_t code) {
  // 1. and 2. The code's digits; the item current.
  const std::int32_t d1 = optionDigit(code, 0);
  const std::int32_t d2 = optionDigit(code, 1);
  const std::int32_t d3 = optionDigit(code, 2);
  const std::int32_t d4 = optionDigit(code, 3);
  const std::int32_t d5 = optionDigit(code, 4);
  SpecificationResult r;
  makeCurrent(n, d5);

  // 3. The target; alone when asked for.
  r.sval = realWord(spec::kTarget);
  if (d3 == 1) return r;

  // 4. The tolerance.
  r.tol = toleranceOf();
  const bool absolute = optionDigit(headerWord(spec::kOptions), 2) == 1;

  // 5. The operands. An operand may make another item current: the item is made current
  // again before its words are read.
  const std::int32_t op = headerWord(spec::kOperator);
  const std::int32_t count = op >= 1 && op <= 4 ? 2 : 1;
  double a = 0.0;
  double b = op > 2 ? 1.0 : 0.0;
  std::array<Units, 2> units{};
  std::array<bool, 2> stored{};
  for (std::int32_t k = 1; k <= count; ++k) {
    double& v = k == 1 ? a : b;
    v = operandValue(n, k, d5, d4, d1, v);
    makeCurrent(n, d5);
    const std::span<std::int32_t> rec = recordOf(spec::kOperandSector + k);
    units[static_cast<std::size_t>(k - 1)] = unitsOf(rec);
    stored[static_cast<std::size_t>(k - 1)] =
        word(rec, spcrec::kType) == static_cast<std::int32_t>(OperandType::Stored);
  }
  const Units u1 = units[0];
  const Units u2 = units[1];

  // 6. A calculated quantity: its value in internal units, no comparison.
  if (headerWord(spec::kKind) == spec::kCalculated) {
    if (!stored[0] && u1.cls > 0) a = services::UOMCNV(a, u1.cls, kInternalSet, u1.unit);
    if (count == 2 && !stored[1] && u2.cls > 0) {
      b = services::UOMCNV(b, u2.cls, kInternalSet, u2.unit);
    }
    r.vcalc = SPCOMB(op, a, b);
    const Units ur = unitsOf(recordOf(spec::kResultSector));
    if (ur.cls > 0) r.vcalc = services::UOMCNV(r.vcalc, ur.cls, ur.unit, kInternalSet);
    return r;
  }

  if (d2 == 0) {
    // 7. Form A: the operands combined in the record's units, compared with the target.
    if (u1.cls > 0) a = services::UOMCNV(a, u1.cls, kInternalSet, u1.unit);
    if (absolute) r.tol = -std::abs(r.tol);
    if (u2.cls > 0) b = services::UOMCNV(b, u2.cls, kInternalSet, u2.unit);
    r.vcalc = SPCOMB(op, a, b);
  } else {
    // 8. Form B: operand 1 in internal units against the target with the operator applied.
    r.vcalc = a;
    if (u2.cls > 0) b = services::UOMCNV(b, u2.cls, kInternalSet, u2.unit);
    r.sval = SPOPER(op, r.sval, b);
    if (absolute) r.tol = -std::abs(r.tol);
    if (u1.cls > 0) {
      r.sval = services::UOMCNV(r.sval, u1.cls, u1.unit, kInternalSet);
      if (op != 3 && r.tol < 0.0) {
        // An absolute tolerance in the record's units becomes one relative to the target.
        // A tolerance is a difference: it converts by the units' factor, without the offset
        // of a temperature or gauge-pressure scale.
        const bool global2 = headerWord(spec::kTolerance) == 2;
        r.tol = -differenceToInternal(std::abs(r.tol), global2 ? kToleranceClass : u1.cls,
                                      global2 ? kToleranceSet : u1.unit);
        r.tol = services::RELCMP(r.sval, 0.0) == 0 ? -r.tol : -r.tol / r.sval;
      }
    }
  }

  // 9. The deviation: relative for a positive tolerance and a target not 0.0.
  if (r.tol > 0.0 && std::abs(r.sval) > 0.0) {
    r.err = (r.vcalc - r.sval) / r.sval;
  } else {
    r.err = r.vcalc - r.sval;
  }
  r.notmet = std::abs(r.err) <= std::abs(r.tol) ? 0 : 1;
  return r;
}

void SPCVAL(std::int32_t n, std::int32_t code, double& sval, double& vcalc, double& err,
            double& tol, std::int32_t& notmet) {
  const SpecificationResult r = SPCVAL(n, code);
  sval = r.sval;
  vcalc = r.vcalc;
  err = r.err;
  tol = r.tol;
  notmet = r.notmet;
}

void SPTYP5(std::int32_t code2, std::span<std::int32_t> oprec, std::int32_t, double& value) {
  // 1. The item to come back to; the unit and position.
  const std::int32_t n = code2 % 10000;
  const std::int32_t d5 = (code2 / 10000) % 10;
  const std::int32_t unit = word(oprec, spcrec::kUnit);
  const std::int32_t position = word(oprec, spcrec::kPosition5);
  value = services::DMISS;

  // 2. The specification number from the unit's data block.
  constexpr std::int32_t kItem = 15;
  std::int32_t len1 = 0, adr1 = 0, used = 0, total = 0, address = services::NODISK;
  problem::UNLOC(unit, len1, adr1, used, total, address);
  if (used < 1 || address == services::NODISK) return;
  std::int32_t status = 0, count = 0, offset = 0;
  storage::SBDLOC(used, address, static_cast<std::int32_t>(storage::SectorKind::System), kItem,
                  status, count, offset);
  if (status != 0 || position < 1 || position > count) return;
  std::array<std::int32_t, 1> number{};
  storage::FILPRT(1, number, 1, used, address, offset + position);

  // 3. and 4. Its target; the item current again.
  problem::VSSET(number[0], 0);
  value = CORSTO.real(problem::SPCUR.realSector + spec::kTarget);
  makeCurrent(n, d5);
}

void SPTYP8(std::int32_t n, std::span<std::int32_t> oprec, std::int32_t, double& value) {
  value = services::DMISS;
  // 1. The reaction, looked up once from its identifiers.
  std::int32_t rx = word(oprec, spcrec::kReaction);
  if (rx < 1) {
    rx = problem::IRXNO(textOf(oprec, spcrec::kSetId), textOf(oprec, spcrec::kReactionId));
    word(oprec, spcrec::kReaction) = rx;
  }
  const auto evaluate = [&] {
    // 2. A reaction the index does not hold.
    if (rx < 1) {
      reactionMessage(kReactionNotFound, textOf(oprec, spcrec::kSetId),
                      textOf(oprec, spcrec::kReactionId));
      return;
    }
    // 3. Its set must hold results.
    const std::string setid(problem::IRXSID(rx).view());
    const std::string rxid(problem::IRXID(rx).view());
    const std::int32_t set = problem::IRSNO(setid);
    std::int32_t results = 0;
    if (set > 0) {
      constexpr std::int32_t kResultsWord = 21;
      std::int32_t istat = 0;
      problem::RXSGT1(set, istat);
      const problem::ReactionSetCopy& copy = problem::RSCOPY.copies(1);
      if (istat == 0 && copy.integerSector1 > 0) {
        results = CORSTO[copy.integerSector1 + kResultsWord];
      }
      problem::RXSFR1(set, istat);
    }
    if (results < 1) {
      reactionMessage(kReactionSetEmpty, setid, rxid);
      return;
    }
    // 4. and 5. The item of the reaction's record.
    problem::RXSET(rx, 0);
    const problem::ReactionContext& ctx = problem::RXCUR.context2;
    const auto real = [&](std::int32_t sector, std::int32_t k) {
      return CORSTO.real(ctx.realSectors.at(static_cast<std::size_t>(sector - 1)) + k);
    };
    const std::int32_t item = word(oprec, spcrec::kReactionItem);
    static constexpr std::int32_t kFirstSectorReal[] = {0, 29, 8, 0, 0, 3, 12};
    if (item == 1 || item == 2 || item == 5 || item == 6) {
      value = real(1, kFirstSectorReal[item]);
    } else if (item >= 7 && item <= 14) {
      value = real(2, item - 6);
    } else if (item >= 15 && item <= 17) {
      value = real(1, item + 22);
    } else if (item == 3 || item == 4 || item == 18 || item == 19) {
      // Element i of one of four per-component arrays of the reaction: where those arrays lie
      // in the reaction's record is not laid down, so the item has no value; the report says
      // so rather than a word of some other meaning being read.
      std::array<char, 80> line{};
      const int length = std::snprintf(
          line.data(), line.size(),
          " SPTYP8 - REACTION ITEM %d (PER-COMPONENT ARRAY) HAS NO VALUE: MISSING", item);
      services::RPLINE(std::string_view(line.data(), static_cast<std::size_t>(std::max(length, 0))));
    }
  };
  evaluate();
  // 6. The specification current again.
  problem::VSSET(n, 0);
}

void detail::installSpecificationSlot() { flash::fillSpecificationValue(&specificationSlot); }

}  // namespace streamprops
