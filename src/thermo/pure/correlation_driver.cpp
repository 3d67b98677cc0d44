// XPCALC: one temperature correlation evaluated for every component of a set, or for one,
// with the extrapolation beyond each record's range, the tabular forms, the clamps by
// property kind and the conversion of mass-based records to a molar basis.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/correlation_records.hpp"
#include "thermo/pure/correlations.hpp"

namespace pure {
namespace {

constexpr int kClockTimingSwitch = 29;
constexpr int kDumpSwitch = 17;
constexpr std::int32_t kDumpLevel = 2;
constexpr double kDensityTmaxMargin = 0.01;

enum class Interpolation : std::int32_t { Plain = 0, WithSlope = 1, Extrapolated = 2 };

bool isLogarithmicType(std::int32_t type) {
  return type == 1001 || type == 1222 || type == 1902 || type == 1907;
}
bool isSolidType(std::int32_t type) {
  return type == 311 || type == 312 || type == 1321 || type == 1331;
}
bool dividesByMolecularWeight(std::int32_t type) {
  return type == kLiquidDensity || type == kSolidDensity;
}

std::int32_t typeDefault(std::int32_t type) {
  return static_cast<std::int32_t>(isLogarithmicType(type) ? Extrapolation::Logarithmic
                                                           : Extrapolation::Linear);
}

// What the dump shows of the last record evaluated.
struct LastRecord {
  records::Record record;
  std::int32_t ideqn = 0;
  std::int32_t itempc = 0;
  std::int32_t itempu = 0;
  std::int32_t logbas = 0;
  std::int32_t molbas = 0;
  Interpolation interp = Interpolation::Plain;
  std::int32_t jextrp = 0;
  double tmax = 0.0;
  double tmin = 0.0;
  std::int32_t nocoef = 0;
  double firstCoefficient = 0.0;
  double factor = 0.0;
};

std::string labelled(std::string_view label, std::size_t indent) {
  std::string line(1 + indent, ' ');
  line += label;
  line.resize(26, ' ');
  return line;
}

void dumpInteger(std::string_view label, std::int32_t value, std::size_t indent = 0) {
  char field[16];
  std::snprintf(field, sizeof field, "%10d", value);
  platform::writeLine(services::IOUNIT.report, labelled(label, indent) + field);
}

void dumpReal(std::string_view label, double value, std::size_t indent = 0) {
  char field[32];
  std::snprintf(field, sizeof field, "%15.6E", value);
  platform::writeLine(services::IOUNIT.report, labelled(label, indent) + field);
}

// The values 2 to N of the last record, four to a line after eleven blanks.
void dumpValues(const LastRecord& last) {
  if (last.record.position == 0) return;
  std::string line;
  std::int32_t onLine = 0;
  for (std::int32_t k = 2; k <= last.nocoef; ++k) {
    if (onLine == 0) line.assign(11, ' ');
    char field[32];
    std::snprintf(field, sizeof field, "%15.6E",
                  storage::CORSTO.real(XPSTAT.realStart + last.record.realOffset +
                                       XPSTAT.coefficientOffset + k));
    line += field;
    if (++onLine == 4) {
      platform::writeLine(services::IOUNIT.report, line);
      onLine = 0;
    }
  }
  if (onLine > 0) platform::writeLine(services::IOUNIT.report, line);
}

void dump(std::int32_t ixptyp, std::int32_t nxpset, std::int32_t ncomps, std::int32_t iconly,
          std::int32_t maxcix, std::int32_t ifdrv, std::int32_t iextrp, double tempsu,
          double pressu, const LastRecord& last, std::span<const double> cxpval,
          std::span<const double> cxpdrv) {
  const std::int32_t unit = services::IOUNIT.report;
  platform::writeLine(unit, "");
  platform::writeLine(unit, "     (DUMP FROM XPCALC)");
  dumpInteger("IXPTYP .................", ixptyp);
  dumpInteger("NXPSET .................", nxpset);
  dumpInteger("NCOMPS .................", ncomps);
  dumpInteger("ICONLY .................", iconly);
  dumpInteger("MAXCIX .................", maxcix);
  dumpInteger("IFDRV ..................", ifdrv);
  dumpInteger("IEXTRP .................", iextrp);
  dumpReal("TEMPSU(K) ..............", tempsu);
  dumpReal("PRESSU(KPA) ............", pressu);
  const std::int32_t slot = iconly >= 1 && iconly <= maxcix ? iconly : maxcix;
  if (slot <= 0) return;
  dumpInteger("COMPONENT ..............", slot);
  dumpInteger("IDEQN ................", last.ideqn, 2);
  dumpInteger("ITEMPC ...............", last.itempc, 2);
  dumpInteger("ITEMPU ...............", last.itempu, 2);
  dumpInteger("LOGBAS ...............", last.logbas, 2);
  dumpInteger("MOLBAS ...............", last.molbas, 2);
  dumpInteger("INTERP ...............", static_cast<std::int32_t>(last.interp), 2);
  dumpInteger("JEXTRP ...............", last.jextrp, 2);
  dumpReal("TMAX(DEFINED UNIT)....", last.tmax, 2);
  dumpReal("TMIN(DEFINED UNIT)....", last.tmin, 2);
  dumpInteger("NOCOEF ...............", last.nocoef, 2);
  dumpReal("COEFFICIENTS .........", last.firstCoefficient, 2);
  dumpValues(last);
  const auto at = static_cast<std::size_t>(slot - 1);
  dumpReal("CXPVAL ...............", at < cxpval.size() ? cxpval[at] : 0.0, 2);
  dumpReal("CXPDRV ...............", at < cxpdrv.size() ? cxpdrv[at] : 0.0, 2);
  dumpReal("CXPCVF ...............", last.factor, 2);
}

// Unit conversion of the record code word last decoded in this call.
struct Decoded {
  std::int32_t code = -1;
  std::int32_t ideqn = 0;
  std::int32_t itempc = 0;
  std::int32_t itempu = 0;
  double a = 1.0;
  double t = 0.0;  // the temperature in the record's unit
};

// The interval of the table word last searched in this call.
struct TableInterval {
  std::int32_t word = -1;
  std::int32_t j = 0;
};

}  // namespace

void XPCALC(std::int32_t ixptyp, std::int32_t nxpset, std::int32_t ncomps, std::int32_t iconly,
            std::int32_t ifdrv, std::int32_t iextrp, double tempsu, double pressu,
            std::span<double> cxpval, std::span<double> cxpdrv) {
  // 1. Timing.
  const auto& gdp = services::GDPOPT;
  if (gdp.diagnosticSwitch(services::kTimingSwitch) > 0) {
    services::TIMST2.calls(kTimingSlotXPCALC) += 1;
  }
  const bool clocked = gdp.diagnosticSwitch(kClockTimingSwitch) > 0;
  double start = 0.0;
  if (clocked) services::CLKSEC(start);

  // 2. The set.
  std::int32_t found = 0;
  XPSETF(ixptyp, nxpset, 10, found);
  if (found == 0) {
    services::MSGPAR.integers(1) = ixptyp;
    services::MSGABT(kMessageSetMissing, " ");
  }

  // 3.-5. Mode, cleared results, extrapolation kind.
  const bool single = iconly != 0 && ncomps == 1;
  const std::int32_t maxcix = single ? 1 : XPSTAT.recordCount;
  const auto served = static_cast<std::size_t>(std::max(ncomps, 0));
  std::fill_n(cxpval.begin(), std::min(served, cxpval.size()), 0.0);
  std::fill_n(cxpdrv.begin(), std::min(served, cxpdrv.size()), 0.0);
  const std::int32_t jextrp = iextrp == 0 ? typeDefault(ixptyp) : iextrp;
  const bool solid = isSolidType(ixptyp);
  const std::int32_t firstSolid = problem::COHDR(problem::cohdr::kFirstSolidCapable);
  const std::int32_t lastSolid = firstSolid + problem::COHDR(problem::cohdr::kMolarSolids) +
                                 problem::COHDR(problem::cohdr::kMassSolids) - 1;
  const auto inSolidRange = [&](std::int32_t c) { return c >= firstSolid && c <= lastSolid; };

  Decoded decoded;
  TableInterval interval;
  LastRecord last;
  std::array<double, kMaxCoefficients> coef{};

  // 6. Every record.
  for (std::int32_t k = 1; k <= maxcix; ++k) {
    std::int32_t comp = 0;
    std::int32_t p = k;
    std::int32_t position = 0;
    if (!single) {
      comp = records::listEntry(k);
      if (solid) {
        if (!inSolidRange(comp)) continue;
        position = comp - firstSolid + 1;
      } else {
        if (comp < 1 || comp > ncomps) continue;
        position = comp;
      }
    } else {
      comp = iconly;
      if (solid && !inSolidRange(comp)) continue;
      position = 1;
      p = records::positionOf(comp);
      if (p == 0) continue;  // not in the set: 0.0 as for a component without a record
    }
    const records::Record record = records::read(p);
    if (!record.hasCorrelation()) continue;

    if (record.code != decoded.code) {
      decoded.code = record.code;
      decoded.ideqn = record.form();
      decoded.itempc = record.unitClass();
      decoded.itempu = record.unitCode();
      double b = 0.0;
      double c = 1.0;
      double d = 0.0;
      XPTUNI(decoded.itempc, decoded.itempu, decoded.a, b, c, d);
      decoded.t = c * tempsu + d;
    }
    XPCAUX = records::real(record, xpcrec::kAuxiliary);
    const double factor = records::real(record, xpcrec::kFactor);

    double value = 0.0;
    double slope = 0.0;
    Interpolation interp = ifdrv > 0 ? Interpolation::WithSlope : Interpolation::Plain;
    double vlim = 0.0;
    double slim = 0.0;
    double tlim = 0.0;
    std::int32_t extrapolation = jextrp;
    // Tables hold temperatures in K: they extrapolate in K, whatever the code word says.
    std::int32_t limitClass = decoded.itempc;
    std::int32_t limitUnit = decoded.itempu;
    double t = decoded.t;
    std::int32_t nocoef = 0;
    double tmin = 0.0;
    double tmax = 0.0;

    if (!record.isTable()) {
      tmin = records::real(record, xpcrec::kTmin);
      tmax = records::real(record, xpcrec::kTmax);
      if (ixptyp == kLiquidDensity) tmax -= kDensityTmaxMargin;
      nocoef = records::coefficients(record, coef);
      std::int32_t istat = 0;
      XPEVAL(decoded.ideqn, decoded.itempc, decoded.itempu, nocoef, coef, t, tmax, tmin, ifdrv,
             factor, value, slope,
             componentConstant(problem::ComponentReal::CriticalTemperature, comp),
             componentConstant(problem::ComponentReal::CriticalPressure, comp),
             componentConstant(problem::ComponentReal::NormalBoilingPoint, comp), record.logBase(),
             istat);
      if (istat != 0) {
        const bool above = istat == static_cast<std::int32_t>(RangeStatus::AboveTmax);
        tlim = above ? tmax : tmin;
        vlim = records::real(record, above ? xpcrec::kValueAtTmax : xpcrec::kValueAtTmin);
        slim = records::real(record, above ? xpcrec::kSlopeAtTmax : xpcrec::kSlopeAtTmin);
        interp = Interpolation::Extrapolated;
      }
    } else {
      // Tabular forms: linear, or logarithmic in 1/T, between the points around TEMPSU.
      extrapolation = typeDefault(ixptyp);
      limitClass = 0;
      limitUnit = 0;
      t = tempsu;
      const records::Table table = records::table(record);
      nocoef = table.points;
      if (record.count != interval.word) {
        interval.word = record.count;
        interval.j = table.points;
        for (std::int32_t j = 2; j <= table.points; ++j) {
          if (t <= table.temperature(j)) {
            interval.j = j;
            break;
          }
        }
      }
      if (table.points == 1) {
        value = factor * table.value(1);
      } else {
        const std::int32_t j = interval.j;
        const double t0 = table.temperature(j - 1);
        const double t1 = table.temperature(j);
        const double y0 = table.value(j - 1);
        const double y1 = table.value(j);
        if (extrapolation == static_cast<std::int32_t>(Extrapolation::Logarithmic)) {
          // ln Y linear in 1/T: B = ln(Yj / Yj-1) Tj-1 Tj / (Tj-1 - Tj).
          const double bcoef = std::log(y1 / y0) * t0 * t1 / (t0 - t1);
          const double y = y0 * std::exp(bcoef * (t0 - t) / (t * t0));
          value = factor * y;
          if (ifdrv > 0) slope = factor * (-bcoef * y / (t * t));
          interp = Interpolation::WithSlope;
        } else {
          vlim = factor * y1;
          slim = factor * (y0 - y1) / (t0 - t1);
          tlim = t1;
          interp = Interpolation::Extrapolated;
        }
      }
    }

    // 8.-11. Extrapolation, clamp, store, molar basis.
    if (interp == Interpolation::Extrapolated) {
      XPEXTR(limitClass, limitUnit, extrapolation, vlim, slim, tlim, t, value, slope);
    }
    XPCLMP(ixptyp / 100, value, slope);
    const auto at = static_cast<std::size_t>(position - 1);
    if (record.molarBasis() == kMassBasis) {
      const double mw = componentConstant(problem::ComponentReal::MolecularWeight, comp);
      if (dividesByMolecularWeight(ixptyp)) {
        value /= mw;
        slope /= mw;
      } else {
        value *= mw;
        slope *= mw;
      }
    }
    if (at < cxpval.size()) cxpval[at] = value;
    if (ifdrv > 0 && at < cxpdrv.size()) cxpdrv[at] = slope;

    last = LastRecord{record,         decoded.ideqn,    decoded.itempc,
                      decoded.itempu, record.logBase(), record.molarBasis(),
                      interp,         extrapolation,    tmax,
                      tmin,           nocoef,           coef[0],
                      factor};
  }

  // 7. Dump and timing.
  if (gdp.diagnosticSwitch(kDumpSwitch) >= kDumpLevel) {
    dump(ixptyp, nxpset, ncomps, iconly, maxcix, ifdrv, iextrp, tempsu, pressu, last, cxpval,
         cxpdrv);
  }
  if (clocked) services::TIMACC(start, services::TIMST2.seconds(kTimingSlotXPCALC));
}

}  // namespace pure
