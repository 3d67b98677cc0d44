#include "correlation_sets.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include "fixtures/units_table.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/pure.hpp"

namespace correlation_testing {
namespace {

using storage::CORSTO;
using storage::SBCUR;
using storage::SectorKind;

const fixtures::UnitsTable& shippedUnits() {
  static const fixtures::UnitsTable table = fixtures::shippedUnitsTable();
  return table;
}

// Real words of a record: the nine header words, the coefficients or table values, and the
// table temperatures.
std::int32_t realWords(const Record& r) {
  return pure::xpcrec::kHeaderReals + static_cast<std::int32_t>(r.coefficients.size()) +
         static_cast<std::int32_t>(r.tableTemperatures.size());
}

}  // namespace

void startRun() {
  services::ERINIT();
  storage::CMINIT(0, 0, 0);
  storage::SBINIT();
  fixtures::loadUnitTables(shippedUnits());
  problem::XPSETL.reset();
  problem::COHDR = {};
  problem::COPTRS = {};
  services::GDPOPT = {};
  problem::GCLTAB = {};
  services::IOUNIT.report = -1;
  problem::THCTL.currentSet = 1;
  methods::MSPTRS = {};
  services::TIMST2 = {};
  pure::resetCorrelationState();
}

void installComponents(const std::vector<Component>& components) {
  const auto n = static_cast<std::int32_t>(components.size());
  const auto store = [&](problem::ComponentReal sector, double Component::*field) {
    const std::int32_t start = storage::ICMGTR(n, 1);
    problem::COPTRS.realSector(sector) = start;
    for (std::int32_t i = 1; i <= n; ++i) {
      CORSTO.setReal(start + i, components[static_cast<std::size_t>(i - 1)].*field);
    }
  };
  store(problem::ComponentReal::MolecularWeight, &Component::molecularWeight);
  store(problem::ComponentReal::NormalBoilingPoint, &Component::boilingPoint);
  store(problem::ComponentReal::CriticalTemperature, &Component::criticalTemperature);
  store(problem::ComponentReal::CriticalPressure, &Component::criticalPressure);
  problem::COHDR(problem::cohdr::kVapourComponents) = n;
}

std::int32_t buildSet(const std::vector<Record>& records, std::int32_t& length) {
  const auto n = static_cast<std::int32_t>(records.size());
  std::int32_t reals = 0;
  for (const Record& r : records) reals += realWords(r);
  const std::array<std::int32_t, 3> integerLengths{pure::xpshdr::kHeaderWords, std::max(n, 1),
                                                   std::max(n, 1) * pure::xpcrec::kIntegerWords};
  const std::array<std::int32_t, 1> realLengths{std::max(reals, 1)};
  storage::SubBlockSpec spec;
  spec[SectorKind::Integer].lengths = integerLengths;
  spec[SectorKind::Real].lengths = realLengths;
  length = 0;
  std::int32_t area = services::NOCORE;
  std::int32_t ierr = 0;
  storage::SBMLTC(length, area, 0, ierr, spec);

  const std::int32_t header = SBCUR.pointer(SectorKind::Integer, 1);
  const std::int32_t list = SBCUR.pointer(SectorKind::Integer, 2);
  const std::int32_t integers = SBCUR.pointer(SectorKind::Integer, 3);
  const std::int32_t real = SBCUR.pointer(SectorKind::Real, 1);
  CORSTO[header + pure::xpshdr::kListCount] = n;
  CORSTO[header + pure::xpshdr::kRecordCount] = n;
  CORSTO[header + pure::xpshdr::kRecordLength] = pure::xpcrec::kIntegerWords;
  CORSTO[header + pure::xpshdr::kCoefficientOffset] = pure::xpcrec::kHeaderReals;

  std::int32_t offset = 0;
  for (std::int32_t k = 1; k <= n; ++k) {
    const Record& r = records[static_cast<std::size_t>(k - 1)];
    CORSTO[list + k] = r.component;
    const std::int32_t base = integers + (k - 1) * pure::xpcrec::kIntegerWords;
    const auto values = static_cast<std::int32_t>(r.coefficients.size());
    const auto points = static_cast<std::int32_t>(r.tableTemperatures.size());
    CORSTO[base + pure::xpcrec::kCodeWord] =
        r.noCorrelation ? pure::kNoCorrelationCode
                        : r.form * pure::kFormScale + r.unitClass * pure::kUnitScale + r.unitCode;
    CORSTO[base + pure::xpcrec::kBasisWord] =
        r.logBase * pure::kFormScale + r.molarBasis * pure::kUnitScale;
    const std::int32_t tableOffset = offset + pure::xpcrec::kHeaderReals + values;
    CORSTO[base + pure::xpcrec::kCountWord] =
        points > 0 ? points + pure::kUnitScale * tableOffset : values;
    CORSTO[base + pure::xpcrec::kRealOffsetWord] = offset;

    const std::array<double, pure::xpcrec::kHeaderReals> head{
        r.factor,      r.auxiliary,   0.0,           r.tmin,       r.tmax,
        r.valueAtTmin, r.slopeAtTmin, r.valueAtTmax, r.slopeAtTmax};
    for (std::int32_t w = 1; w <= pure::xpcrec::kHeaderReals; ++w) {
      CORSTO.setReal(real + offset + w, head[static_cast<std::size_t>(w - 1)]);
    }
    for (std::int32_t i = 1; i <= values; ++i) {
      CORSTO.setReal(real + offset + pure::xpcrec::kHeaderReals + i,
                     r.coefficients[static_cast<std::size_t>(i - 1)]);
    }
    for (std::int32_t j = 1; j <= points; ++j) {
      CORSTO.setReal(real + tableOffset + j, r.tableTemperatures[static_cast<std::size_t>(j - 1)]);
    }
    offset += realWords(r);
  }
  return area;
}

void installSet(std::int32_t type, std::int32_t set, const std::vector<Record>& records) {
  std::int32_t length = 0;
  buildSet(records, length);
  pure::publishCurrentSet(type, set);
}

double toKelvin(std::int32_t unitCode, double t) {
  switch (unitCode) {
    case kCelsius:
      return t + 273.15;
    case kRankine:
      return t / 1.8;
    case kFahrenheit:
      return (t + 459.67) / 1.8;
    default:
      return t;
  }
}

double fromKelvin(std::int32_t unitCode, double tk) {
  switch (unitCode) {
    case kCelsius:
      return tk - 273.15;
    case kRankine:
      return tk * 1.8;
    case kFahrenheit:
      return tk * 1.8 - 459.67;
    default:
      return tk;
  }
}

double derivative(const std::function<double(double)>& f, double x, double h) {
  return (f(x - 2.0 * h) - 8.0 * f(x - h) + 8.0 * f(x + h) - f(x + 2.0 * h)) / (12.0 * h);
}

Record antoineRecord(std::int32_t component, double a, double b, double c) {
  Record r;
  r.component = component;
  r.form = 21;
  r.logBase = 2;
  r.coefficients = {a + 2.0, -b, c};
  return r;
}

}  // namespace correlation_testing
