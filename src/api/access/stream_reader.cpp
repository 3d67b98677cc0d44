// The reader of class "STREAM": identifiers, names, state, rates, phase fractions,
// enthalpies, entropies, heat capacities, densities, transport properties, compositions,
// heating values, vapour pressures, distillation curves and refinery inspection properties
// of one stream, read from the stream's records (evaluated on demand) and converted from the
// internal units.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <span>
#include <string_view>

#include "api/access/access.hpp"
#include "api/access/data_requests.hpp"
#include "api/access/readers.hpp"
#include "api/access/stream_attributes.hpp"
#include "api/access/stream_evaluation.hpp"
#include "flash/flashed_totals.hpp"
#include "methods/method_sets.hpp"
#include "methods/methods.hpp"
#include "problem/component_data.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/inspection_blending.hpp"
#include "thermo/phase/density_drivers.hpp"

namespace api_access {
namespace {

constexpr char kForStream[] = " FOR STREAM";
constexpr std::int32_t kIdLength = 12;
constexpr std::int32_t kNameLength = 40;
constexpr std::size_t kAttributeColumns = 20;
constexpr std::int32_t kMethodSetWord = 20;
constexpr std::int32_t kHasRecord = 2;  // index status of a stream with a main record

// Main-record reals read here (internal units: K, kPa, kmol, kJ/kmol).
namespace word {
constexpr std::int32_t kTemperature = 1;
constexpr std::int32_t kPressure = 2;
constexpr std::int32_t kVapourZ = 9;
constexpr std::int32_t kLiquidZ = 10;
constexpr std::int32_t kRate = 11;
constexpr std::int32_t kEnthalpy = 12;
constexpr std::int32_t kEntropy = 13;
constexpr std::int32_t kWaterFraction = 14;
constexpr std::int32_t kWaterEnthalpy = 15;
constexpr std::int32_t kWaterHeatCapacity = 17;
constexpr std::int32_t kVapourFraction = 19;
constexpr std::int32_t kVapourEnthalpy = 20;
constexpr std::int32_t kVapourEntropy = 21;
constexpr std::int32_t kVapourHeatCapacity = 22;
constexpr std::int32_t kVapourCv = 24;
constexpr std::int32_t kLiquidFraction = 25;
constexpr std::int32_t kLiquidEnthalpy = 26;
constexpr std::int32_t kLiquidEntropy = 27;
constexpr std::int32_t kLiquidHeatCapacity = 28;
constexpr std::int32_t kSolidFraction = 31;
constexpr std::int32_t kPourPoint = 39;
constexpr std::int32_t kCloudPoint = 40;
constexpr std::int32_t kFlashPoint = 41;
constexpr std::int32_t kKinematicViscosity = 45;
}  // namespace word

// Unit classes of the stream attributes.
constexpr std::int32_t kTemperature = services::kTemperatureClass;
constexpr std::int32_t kPressure = services::kPressureClass;
constexpr std::int32_t kMolarRate = 31;
constexpr std::int32_t kGasVolumeRate = 34;
constexpr std::int32_t kLiquidVolumeRate = 33;
constexpr std::int32_t kEnergy = 28;
constexpr std::int32_t kHeatCapacity = 30;
constexpr std::int32_t kHeatingEnergy = 24;
constexpr std::int32_t kVolume = 17;
constexpr std::int32_t kKinematicViscosity = 41;
constexpr std::int32_t kEntropyClass = 29;
constexpr std::int32_t kSpecificGravity = services::kSpecificGravityClass;
constexpr std::int32_t kGasDensity = 20;
constexpr std::int32_t kLiquidDensity = 19;
constexpr std::int32_t kViscosity = 40;
constexpr std::int32_t kConductivity = 35;
constexpr std::int32_t kSurfaceTension = 42;

// Positions of the phase property vectors.
namespace position {
constexpr std::int32_t kMolecularWeight = 5;
constexpr std::int32_t kCriticalTemperature = 6;
constexpr std::int32_t kCriticalPressure = 7;
constexpr std::int32_t kStandardDensity = 11;
constexpr std::int32_t kDensity = 12;
constexpr std::int32_t kConductivity = 13;
constexpr std::int32_t kViscosity = 14;
constexpr std::int32_t kSurfaceTension = 15;
}  // namespace position

// Inspection properties of the special-property table that the reader blends.
constexpr std::int32_t kSulfur = 5;
constexpr std::int32_t kResearchOctane = 45;
constexpr std::int32_t kMotorOctane = 46;
constexpr std::int32_t kCetaneIndex = 59;

// Components whose near-pure streams have no Reid vapour pressure (library numbers), and
// the mole fraction above which a stream counts as one of them.
constexpr std::array<std::int32_t, 4> kNoReidComponents{16020040, 16020090, 16020160, 16020200};
constexpr double kMostForReid = 0.95;

// Below this vapour fraction a stream has no vapour for Cv; within it of 1 the stream is
// taken as all vapour.
constexpr double kLeastVapour = 1.0e-6;

// Method slots of the current set read here.
constexpr std::int32_t kLiquidLiquidSlot = 2;
constexpr std::int32_t kLiquidEntropySlot = 10;
constexpr std::int32_t kVapourEntropySlot = 11;

// The liquid-liquid record: record type and paging.
constexpr std::int32_t kLiquidLiquidRecord = 3;
constexpr std::int32_t kPageKey = 1;
constexpr std::int32_t kLoad = 1;

// Below this liquid fraction the liquid's molar enthalpy is reported as 0.0.
constexpr double kLeastLiquid = 1.0e-6;
// Water fraction above which a stream has no heating value.
constexpr double kMostWaterForHeatingValue = 0.9995;

// How an attribute is answered.
enum class Rule {
  Header,            // a main-record real, converted with the class
  VapourRate,        // rate x vapour fraction
  VapourStdVolume,   // rate x vapour fraction x the standard molar gas volume
  LiquidRate,        // rate x (free water + hydrocarbon liquid)
  LiquidEnthalpy,    // mixed enthalpy of free water and hydrocarbon liquid
  LiquidHeatCapacity,
  WaterFraction,
  GrossHeatingValue,
  NetHeatingValue,
  WatsonK,
  TotalComposition,
  VapourComposition,
  LiquidComposition,
  MethodSet,
  WholeVector,     // position `word` of the whole stream's property vector
  VapourVector,    // position `word` of the vapour's property vector
  LiquidVector,    // position `word` of the liquid's property vector
  LiquidStdVolume,  // liquid rate x molecular weight / standard liquid density
  SpecificGravity,  // the liquid's standard density as a specific gravity
  ApiGravity,       // the liquid's standard density as an API gravity
  Entropy,          // the entropy of main-record real `word`, evaluated when not stored
  LiquidLiquid,     // fraction of liquid `word` (1 or 2) of the liquid-liquid record
  Blend,            // inspection property `word` blended over the total composition
  ReidVapourPressure,
  TrueVapourPressure,
  Curve,    // distillation curve of type `word`
  VapourCv,
};

// How many values an attribute has.
enum class Count { One, Components, CurvePoints };

struct Attribute {
  std::string_view name;
  Rule rule;
  std::int32_t word;   // main-record real, vector position, property, curve type; else 0
  std::int32_t cls;    // conversion class, 0 as stored
  std::int32_t iucls;  // returned unit class
  Count count = Count::One;
};

constexpr std::int32_t kCurvePoints = kReaderCurvePoints;
constexpr std::int32_t kMolar = kMolarBasis;

// The attributes after "IDS" and "NAME", in the order they are matched.
constexpr std::array<Attribute, 58> kAttributes{{
    {"TotalMolarRate", Rule::Header, word::kRate, kMolarRate, kMolarRate},
    {"Temperature", Rule::Header, word::kTemperature, kTemperature, kTemperature},
    {"Pressure", Rule::Header, word::kPressure, kPressure, kPressure},
    {"TotalMolarEnthalpy", Rule::Header, word::kEnthalpy, kEnergy, kMolar + kEnergy},
    {"BulkMolecularWeight", Rule::WholeVector, position::kMolecularWeight, 0, 0},
    {"CritPres", Rule::WholeVector, position::kCriticalPressure, kPressure, kPressure},
    {"CritTemp", Rule::WholeVector, position::kCriticalTemperature, kTemperature, kTemperature},
    {"VaporFraction", Rule::Header, word::kVapourFraction, 0, 0},
    {"LiquidFraction", Rule::Header, word::kLiquidFraction, 0, 0},
    {"WaterFraction", Rule::WaterFraction, 0, 0, 0},
    {"L1Fraction", Rule::LiquidLiquid, 1, 0, 0},
    {"L2Fraction", Rule::LiquidLiquid, 2, 0, 0},
    {"SolidFraction", Rule::Header, word::kSolidFraction, 0, 0},
    {"TotalMolarEntropy", Rule::Entropy, word::kEntropy, kEntropyClass, kMolar + kEntropyClass},
    {"BulkUopK", Rule::WatsonK, 0, 0, 0},
    {"GrosHeatValue", Rule::GrossHeatingValue, 0, 0, kEnergyPerVolume},
    {"NetHeatValue", Rule::NetHeatingValue, 0, 0, kEnergyPerVolume},
    // Pounds per square inch in every unit set, under the pressure class.
    {"ReidVapPres", Rule::ReidVapourPressure, 0, 0, kPressure},
    {"TrueVapPres", Rule::TrueVapourPressure, 0, kPressure, kPressure},
    {"FlashPt", Rule::Header, word::kFlashPoint, kTemperature, kTemperature},
    {"CloudPt", Rule::Header, word::kCloudPoint, kTemperature, kTemperature},
    {"PourPt", Rule::Header, word::kPourPoint, kTemperature, kTemperature},
    {"CetanIndex", Rule::Blend, kCetaneIndex, 0, 0},
    {"SulfurWtPerc", Rule::Blend, kSulfur, 0, 0},
    {"ResOctaneNumb", Rule::Blend, kResearchOctane, 0, 0},
    {"MotOctaneNumb", Rule::Blend, kMotorOctane, 0, 0},
    {"TBPCurve", Rule::Curve, 1, kTemperature, kTemperature, Count::CurvePoints},
    {"D86Curve", Rule::Curve, 2, kTemperature, kTemperature, Count::CurvePoints},
    {"D1160Curve", Rule::Curve, 5, kTemperature, kTemperature, Count::CurvePoints},
    {"TotalComposition", Rule::TotalComposition, 0, 0, 0, Count::Components},
    {"VapMolarRate", Rule::VapourRate, 0, kMolarRate, kMolarRate},
    {"VapMolarEnthalpy", Rule::Header, word::kVapourEnthalpy, kEnergy, kMolar + kEnergy},
    {"VapMolecularWeight", Rule::VapourVector, position::kMolecularWeight, 0, 0},
    {"VapVolumeRateStd", Rule::VapourStdVolume, 0, kGasVolumeRate, kGasVolumeRate},
    {"VapDensityAct", Rule::VapourVector, position::kDensity, kGasDensity, kGasDensity},
    {"VapCP", Rule::Header, word::kVapourHeatCapacity, kHeatCapacity, kMolar + kHeatCapacity},
    {"VapCV", Rule::VapourCv, word::kVapourCv, kHeatCapacity, kMolar + kHeatCapacity},
    {"VapZDensity", Rule::Header, word::kVapourZ, 0, 0},
    {"VapMolarEntropy", Rule::Entropy, word::kVapourEntropy, kEntropyClass,
     kMolar + kEntropyClass},
    {"VapViscosity", Rule::VapourVector, position::kViscosity, kViscosity, kViscosity},
    {"VapThermalCond", Rule::VapourVector, position::kConductivity, kConductivity,
     kConductivity},
    {"VaporComposition", Rule::VapourComposition, 0, 0, 0, Count::Components},
    {"LiqMolarRate", Rule::LiquidRate, 0, kMolarRate, kMolarRate},
    {"LiqMolarEnthalpy", Rule::LiquidEnthalpy, 0, kEnergy, kMolar + kEnergy},
    {"LiqMolecularWeight", Rule::LiquidVector, position::kMolecularWeight, 0, 0},
    {"LiqVolumeRateStd", Rule::LiquidStdVolume, 0, kLiquidVolumeRate, kLiquidVolumeRate},
    {"LiqSpecGravity", Rule::SpecificGravity, position::kStandardDensity, kSpecificGravity,
     kSpecificGravity},
    {"LiqApiGravity", Rule::ApiGravity, position::kStandardDensity, kSpecificGravity,
     kSpecificGravity},
    {"LiqDensityAct", Rule::LiquidVector, position::kDensity, kLiquidDensity, kLiquidDensity},
    {"LiqCP", Rule::LiquidHeatCapacity, 0, kHeatCapacity, kMolar + kHeatCapacity},
    {"LiqZDensity", Rule::Header, word::kLiquidZ, 0, 0},
    {"LiqMolarEntropy", Rule::Entropy, word::kLiquidEntropy, kEntropyClass,
     kMolar + kEntropyClass},
    {"LiqViscosity", Rule::LiquidVector, position::kViscosity, kViscosity, kViscosity},
    {"LiqThermalCond", Rule::LiquidVector, position::kConductivity, kConductivity,
     kConductivity},
    {"LiqSurfTension", Rule::LiquidVector, position::kSurfaceTension, kSurfaceTension,
     kSurfaceTension},
    {"LiqKineVisc", Rule::Header, word::kKinematicViscosity, kKinematicViscosity,
     kKinematicViscosity},
    {"LiquidComposition", Rule::LiquidComposition, 0, 0, 0, Count::Components},
    {"StreamThermoMethod", Rule::MethodSet, 0, 0, 0},
}};

std::int32_t countOf(const Attribute& a, std::int32_t ncomp) {
  switch (a.count) {
    case Count::One:
      return 1;
    case Count::Components:
      return ncomp;
    case Count::CurvePoints:
      return kCurvePoints;
  }
  return 1;
}

// The stored position of component number J in the stream vectors, 0 when it has none.
std::int32_t storedPosition(std::int32_t j, std::int32_t ncstr) {
  const std::int32_t pos = PAIDTB.componentPosition(static_cast<std::size_t>(j));
  return pos >= 1 && pos <= ncstr ? pos : 0;
}

double componentConstant(problem::ComponentReal k, std::int32_t i) {
  const std::int32_t start = problem::COPTRS.realSector(k);
  return start == services::NOCORE ? services::RMISS : storage::CORSTO.real(start + i);
}

// The water component of the current method set (its stored position), 0 when it has none.
std::int32_t waterOf(std::int32_t ncstr) {
  const std::int32_t w = problem::THCTL.waterComponent;
  return w >= 1 && w <= ncstr ? w : 0;
}

void composition(Request& request, const problem::MainRecord& m, std::int32_t v,
                 std::int32_t ncomp, std::int32_t ncstr) {
  double sum = 0.0;
  for (std::int32_t j = 1; j <= ncomp; ++j) {
    const std::int32_t i = storedPosition(j, ncstr);
    const double x = i == 0 ? 0.0 : m.vector(v, i);
    request.setReal(j, x);
    sum += x;
    if (!plausibleFraction(x)) request.implausible(j);
  }
  // The overall mole fractions of a stream that flows sum to 1; any other sum is a damaged
  // record, and no fraction of it is an answer.
  constexpr double kSumTolerance = 1.0e-4;
  if (v == problem::srmain::kOverall && !(std::fabs(sum - 1.0) <= kSumTolerance)) {
    for (std::int32_t j = 1; j <= ncomp; ++j) request.implausible(j);
  }
}

// Whether the answer VALUE of attribute A, read from the main record M, is one its quantity
// allows: the stored temperature and pressure of the stream (and its refinery points) within
// their bounds, a rate and a compressibility factor not below 0, a fraction within 0 to 1, a
// molecular weight of the whole stream above 0.
// Values a reader forms otherwise are checked for being finite at their delivery.
bool plausible(const Attribute& a, const problem::MainRecord& m, double value) {
  if (a.rule == Rule::Header) {
    const double stored = m.real(a.word);
    if (stored <= services::RMISS) return true;  // missing: the null rule's
    if (a.cls == kTemperature) return plausibleTemperature(stored);
    if (a.cls == kPressure) return plausiblePressure(stored);
    if (a.cls == kMolarRate || a.word == word::kVapourZ || a.word == word::kLiquidZ) {
      return stored >= 0.0;
    }
  }
  if (a.cls == 0 && a.name.ends_with("Fraction")) return plausibleFraction(value);
  // A stream that flows has a molecular weight.
  if (a.rule == Rule::WholeVector && a.word == position::kMolecularWeight) return value > 0.0;
  return true;
}

// Gross or net heating value per standard gas volume; 0.0 with IERR 1 for a stream that is
// almost pure water.
double heatingValue(Request& request, const problem::MainRecord& m, problem::ComponentReal kind,
                    std::int32_t ncstr) {
  const std::int32_t water = waterOf(ncstr);
  if (water != 0 && m.vector(problem::srmain::kOverall, water) > kMostWaterForHeatingValue) {
    request.ierr = kRefused;
    return 0.0;
  }
  double sum = 0.0;
  for (std::int32_t i = 1; i <= ncstr; ++i) {
    if (i == water) continue;
    const double x = m.vector(problem::srmain::kOverall, i);
    const double hv = componentConstant(kind, i);
    if (x > 0.0 && hv > 0.0) sum += x * hv;
  }
  const double volume = problem::DBPARW.molarVolume;
  if (!(volume > 0.0)) return 0.0;
  const double perVolume = services::UOMCNV(sum / volume, kHeatingEnergy, 1, request.iunset);
  return services::UOMCNV(perVolume, -kVolume, 1, request.iunset);
}

// Whether the current method set carries a liquid-liquid K-value method.
bool hasLiquidLiquidMethod() {
  const std::int32_t code = methods::MSPTRS.classes(static_cast<std::size_t>(kLiquidLiquidSlot)).code;
  return code != 0 && code != services::IMISS;
}

// Whether the current method set evaluates entropies (it names an entropy method).
bool evaluatesEntropies() {
  return methods::MSPTRS.classes(static_cast<std::size_t>(kLiquidEntropySlot)).code > 0 ||
         methods::MSPTRS.classes(static_cast<std::size_t>(kVapourEntropySlot)).code > 0;
}

// Fraction of liquid K (1 or 2) of the working stream's liquid-liquid record; 0.0 when the
// record cannot be read or the fraction is not above 0.
double liquidLiquidFraction(std::int32_t k) {
  std::int32_t istat = 0;
  problem::SRPAGE(kLoad, kLiquidLiquidRecord, kPageKey, istat);
  if (istat != 0) return 0.0;
  phase::WKOFFS();
  const double f = storage::CORSTO.real(phase::WKOFFW.scalars[static_cast<std::size_t>(k - 1)][0]);
  return f > 0.0 ? f : 0.0;
}

// The overall composition of the working stream by stored position, in BUFFER.
std::span<const double> overall(const problem::MainRecord& m, std::int32_t ncstr,
                                std::array<double, kMaxComponents>& buffer) {
  const std::int32_t n = std::clamp(ncstr, 0, kMaxComponents);
  for (std::int32_t i = 1; i <= n; ++i) {
    buffer[static_cast<std::size_t>(i - 1)] = m.vector(problem::srmain::kOverall, i);
  }
  return {buffer.data(), static_cast<std::size_t>(n)};
}

// A main-record entropy, evaluated for the whole stream when it is not stored (not above 0)
// and the method set evaluates entropies; when the evaluation fails (the set lacks the data
// its entropy method needs, or the method gives no value) the missing value 0.0 with the
// warning status; 0.0 with the refusal when the set evaluates none.
double entropy(Request& request, const Attribute& a) {
  const problem::MainRecord m(problem::SRPSET.set2);
  if (!(m.real(a.word) > 0.0)) {
    if (!evaluatesEntropies()) {
      request.ierr = kRefused;
      return 0.0;
    }
    std::int32_t ierr = 0;
    flash::STOTFL(ierr);
    if (ierr != 0) {
      request.ierr = kZeroRateWarning;
      return 0.0;
    }
  }
  return services::UOMCNV(m.real(a.word), a.cls, 1, request.iunset);
}

// The Reid vapour pressure in psi: 0.0 with the refusal for a stream that is almost pure
// water, air or one of the other components without one, and for a Reid method that the
// library does not evaluate.
double reidVapourPressure(Request& request, const problem::MainRecord& m, std::int32_t ncstr) {
  const std::int32_t codes = problem::COPTRS.integerSector(
      static_cast<std::int32_t>(problem::ComponentInteger::LibraryNumber));
  for (std::int32_t i = 1; i <= ncstr && codes != services::NOCORE; ++i) {
    const std::int32_t code = storage::CORSTO[codes + i];
    const bool without = std::find(kNoReidComponents.begin(), kNoReidComponents.end(), code) !=
                         kNoReidComponents.end();
    if (without && m.vector(problem::srmain::kOverall, i) > kMostForReid) {
      request.ierr = kRefused;
      return 0.0;
    }
  }
  double rvp = 0.0, tvp = 0.0;
  std::int32_t ierr = 0;
  PARVP(rvp, tvp, 1, ierr);
  if (ierr != 0) {
    request.ierr = kRefused;
    return 0.0;
  }
  return rvp;
}

// Cv of the stream's vapour: the stored value, else by a 1 K step at constant volume on a
// copy of the stream made all vapour when its liquid is negligible. No vapour: two warning
// lines and 0.0; a failed evaluation: 0.0 with the refusal.
double vapourCv(Request& request, const Attribute& a, std::int32_t n) {
  const problem::MainRecord m(problem::SRPSET.set2);
  if (m.real(word::kVapourFraction) < kLeastVapour) {
    printLine(" *** WARNING *** A VAPOR PHASE IS NOT PRESENT IN STREAM '" +
              columns(request.id, kIdLength) + "'");
    printLine("                 WHICH IS NEEDED FOR " + columns(request.attr, 5) +
              " CALCULATIONS");
    return 0.0;
  }
  if (m.real(a.word) > services::DMISS) {
    return services::UOMCNV(m.real(a.word), a.cls, 1, request.iunset);
  }
  std::int32_t copy = 0;
  problem::SRSAVE(n, copy);
  if (copy == 0) {
    request.ierr = kRefused;
    return 0.0;
  }
  problem::MainRecord c(problem::SRPSET.set2);
  if (std::abs(c.real(word::kVapourFraction) - 1.0) < kLeastVapour) {
    c.setReal(word::kVapourFraction, 1.0);
    c.setReal(word::kWaterFraction, 0.0);
    c.setReal(word::kLiquidFraction, 0.0);
    const std::int32_t ncstr = problem::COHDR(problem::cohdr::kStreamComponents);
    for (std::int32_t i = 1; i <= ncstr; ++i) {
      c.setVector(problem::srmain::kOverall, i, c.vector(problem::srmain::kVapour, i));
      c.setVector(problem::srmain::kLiquid, i, 0.0);
    }
  }
  double cv = 0.0;
  std::int32_t ierr = 0;
  PAVCV(copy, cv, ierr);
  problem::SRKILL(copy);
  problem::SRSET(n, 0);
  if (ierr != 0) {
    request.ierr = kRefused;
    return 0.0;
  }
  return services::UOMCNV(cv, a.cls, 1, request.iunset);
}

double answerReal(Request& request, const Attribute& a, const problem::MainRecord& m,
                  std::int32_t ncstr, std::int32_t n) {
  const double rate = m.real(word::kRate);
  const double water = m.real(word::kWaterFraction);
  const double hydrocarbon = m.real(word::kLiquidFraction);
  const double liquid = water + hydrocarbon;
  auto converted = [&](double v) {
    return a.cls == 0 ? v : services::UOMCNV(v, a.cls, 1, request.iunset);
  };
  std::array<double, kMaxComponents> buffer{};
  switch (a.rule) {
    case Rule::Header:
      return converted(m.real(a.word));
    case Rule::VapourRate:
      return converted(rate * m.real(word::kVapourFraction));
    case Rule::VapourStdVolume:
      return converted(rate * m.real(word::kVapourFraction) * problem::DBPARW.molarVolume);
    case Rule::LiquidRate:
      return converted(liquid * rate);
    case Rule::LiquidEnthalpy:
      if (!(liquid > kLeastLiquid)) return 0.0;
      return converted((hydrocarbon * m.real(word::kLiquidEnthalpy) +
                        water * m.real(word::kWaterEnthalpy)) /
                       liquid);
    case Rule::LiquidHeatCapacity:
      // A stream without liquid has no liquid heat capacity: 0.0 with the refusal, never a
      // quotient over a zero amount.
      if (!(liquid > 0.0)) {
        request.ierr = kRefused;
        return 0.0;
      }
      return converted((hydrocarbon * m.real(word::kLiquidHeatCapacity) +
                        water * m.real(word::kWaterHeatCapacity)) /
                       liquid);
    case Rule::WaterFraction:
      // With two liquid phases the free water is not a phase of its own.
      return hasLiquidLiquidMethod() ? 0.0 : water;
    case Rule::GrossHeatingValue:
      return heatingValue(request, m, problem::ComponentReal::GrossHeatingValue, ncstr);
    case Rule::NetHeatingValue:
      return heatingValue(request, m, problem::ComponentReal::NetHeatingValue, ncstr);
    case Rule::WatsonK: {
      const std::span<const double> x = overall(m, ncstr, buffer);
      return PACSUM(1, static_cast<std::int32_t>(x.size()), waterOf(ncstr), x);
    }
    case Rule::WholeVector:
      return converted(phaseProperty(0, a.word));
    case Rule::VapourVector:
      return converted(phaseProperty(1, a.word));
    case Rule::LiquidVector:
      return converted(phaseProperty(2, a.word));
    case Rule::LiquidStdVolume: {
      // The standard volume through the liquid's standard density: a density that is
      // missing or zero gives 0.0 with the refusal, never a quotient over it.
      const double mw = phaseProperty(2, position::kMolecularWeight);
      const double density = phaseProperty(2, position::kStandardDensity);
      if (!(density > 0.0) || !(mw > 0.0)) {
        request.ierr = kRefused;
        return 0.0;
      }
      return converted(liquid * rate * mw / density);
    }
    case Rule::SpecificGravity:
      return services::UOMCNV(phaseProperty(2, a.word), a.cls, 1,
                              services::UOMCOD.specificGravityCode());
    case Rule::ApiGravity:
      return services::UOMCNV(phaseProperty(2, a.word), a.cls, 1,
                              services::UOMCOD.apiGravityCode());
    case Rule::Entropy:
      return entropy(request, a);
    case Rule::LiquidLiquid:
      return hasLiquidLiquidMethod() ? liquidLiquidFraction(a.word) : 0.0;
    case Rule::Blend: {
      double value = services::DMISS;
      streamprops::SPBLND(a.word, overall(m, ncstr, buffer), value, m.real(word::kPressure));
      return value;
    }
    case Rule::ReidVapourPressure:
      return reidVapourPressure(request, m, ncstr);
    case Rule::TrueVapourPressure: {
      double rvp = 0.0, tvp = 0.0;
      std::int32_t ierr = 0;
      PARVP(rvp, tvp, 0, ierr);
      return converted(tvp);
    }
    case Rule::VapourCv:
      return vapourCv(request, a, n);
    default:
      return 0.0;
  }
}

// The on-demand evaluation of the stream's derived properties, every phase: its status
// (0 evaluated).
std::int32_t evaluateStream(std::int32_t n) {
  std::int32_t istat = 0;
  SRPROP(kEvaluateAll, n, kAllPhases, 0, istat);
  return istat;
}

// Makes the method set that was current when it was made current again when it goes out of
// scope, unless the problem's restore switch is off or no set was current.
class MethodSetRestore {
 public:
  MethodSetRestore() : before_(problem::THCTL.currentSet) {}
  ~MethodSetRestore() {
    if (problem::GPRTAB.methodSetRestore != 1 || before_ < 1) return;
    if (problem::THCTL.currentSet == before_) return;
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, before_);
  }
  MethodSetRestore(const MethodSetRestore&) = delete;
  MethodSetRestore& operator=(const MethodSetRestore&) = delete;

 private:
  std::int32_t before_;
};

}  // namespace

std::int32_t PASRNO(std::string_view id) {
  const services::FixedText<kIdLength> wanted(id);
  const std::int32_t n = std::clamp(PAIDTB.nstrm, 0, kMaxStreams);
  for (std::int32_t k = 1; k <= n; ++k) {
    if (PAIDTB.streamId(static_cast<std::size_t>(k)) == wanted) {
      return PAIDTB.streamSlot(static_cast<std::size_t>(k));
    }
  }
  return 0;
}

double PACSUM(std::int32_t i1, std::int32_t i2, std::int32_t iwater, std::span<const double> x) {
  using problem::ComponentReal;
  auto xi = [&](std::int32_t i) {
    return i >= 1 && static_cast<std::size_t>(i) <= x.size() ? x[static_cast<std::size_t>(i - 1)]
                                                              : 0.0;
  };
  for (std::int32_t i = i1; i <= i2; ++i) {
    if (!(xi(i) > 0.0)) continue;
    if (componentConstant(ComponentReal::NormalBoilingPoint, i) < services::RMISS ||
        componentConstant(ComponentReal::StandardLiquidDensity, i) < services::RMISS) {
      return services::RMISS;
    }
  }
  double total = 0.0;
  for (std::int32_t i = i1; i <= i2; ++i) total += xi(i);
  const bool waterInside = iwater >= i1 && iwater <= i2;
  const double dry = waterInside ? total - xi(iwater) : total;
  if (!(dry > 0.0)) return 0.0;
  const double scale = total / dry;
  double mass = 0.0;
  double weighted = 0.0;
  for (std::int32_t i = i1; i <= i2; ++i) {
    if (i == iwater || !(xi(i) > 0.0)) continue;
    const double m = scale * xi(i) * componentConstant(ComponentReal::MolecularWeight, i);
    const double rankine = 1.8 * componentConstant(ComponentReal::NormalBoilingPoint, i);
    const double gravity = componentConstant(ComponentReal::StandardLiquidDensity, i);
    if (!(gravity > 0.0)) continue;
    mass += m;
    weighted += m * std::cbrt(rankine) / gravity;
  }
  return mass > 0.0 ? weighted / mass : 0.0;
}

void PASTRM(Request& request) {
  request.count = 1;
  request.elen = 4;
  request.setType(ValueType::Real);
  const std::int32_t ncomp = std::clamp(PAIDTB.ncomp, 0, kMaxComponents);

  if (request.is("IDS")) {
    const std::int32_t nstrm = std::clamp(PAIDTB.nstrm, 0, kMaxStreams);
    request.setType(ValueType::Text);
    request.elen = kIdLength;
    request.count = nstrm;
    for (std::int32_t k = 1; k <= nstrm; ++k) {
      const auto id = PAIDTB.streamId(static_cast<std::size_t>(k)).view();
      request.setText(k, id);
      if (services::isBlank(id)) request.implausibleText(k);
    }
    return;
  }
  // A table entry whose stream holds no record is not a stream that can be read.
  std::int32_t n = PASRNO(request.id);
  if (n != 0 && problem::ISRSTA(n) < kHasRecord) n = 0;
  if (request.is("NAME")) {
    request.setType(ValueType::Text);
    request.elen = kNameLength;
    if (n == 0) {
      request.setText(1, "");
      request.ierr = kRefused;
      return;
    }
    request.setText(1, problem::SRTEXT(n).view());
    return;
  }
  if (n == 0) {
    printLine(" INVALID STREAM ID: " + columns(request.id, kIdLength));
    request.ierr = kRefused;
    return;
  }

  const Attribute* found = nullptr;
  for (const Attribute& a : kAttributes) {
    if (request.is(a.name)) {
      found = &a;
      break;
    }
  }
  problem::SRSET(n, 0);
  const problem::MainRecord m(problem::SRPSET.set2);
  const std::int32_t ncstr = problem::COHDR(problem::cohdr::kStreamComponents);

  if (found != nullptr && !(m.real(word::kRate) > 0.0)) {
    printLine(" *** WARNING *** STREAM " + columns(request.id, kIdLength) +
              " HAS ZERO RATE SO ALL RETURNED");
    printLine("                 PROPERTY VALUES ARE ZERO.");
    request.ierr = kZeroRateWarning;
    request.count = countOf(*found, ncomp);
    request.iucls = found->iucls;
    if (found->rule == Rule::MethodSet) {
      request.setType(ValueType::Integer);
      request.setInteger(1, 0);
      return;
    }
    for (std::int32_t k = 1; k <= request.count; ++k) request.setReal(k, 0.0);
    return;
  }
  // An attribute the reader does not know is refused before anything is evaluated.
  if (found == nullptr) {
    attributeNotSupported(request, kForStream);
    return;
  }

  const MethodSetRestore restore;
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, problem::MainRecord(problem::SRPSET.set2).integer(kMethodSetWord));
  // The stream's derived properties, evaluated once and kept with the stream.
  if (evaluateStream(n) > 0) {
    printLine(" PROPERTY CALCULATION ERROR FOR " + columns(request.attr, kAttributeColumns) +
              " STREAM " + columns(request.id, kIdLength));
    request.ierr = kRefused;
    return;
  }
  problem::SRSET(n, 0);
  request.count = countOf(*found, ncomp);
  request.iucls = found->iucls;
  switch (found->rule) {
    case Rule::TotalComposition:
      composition(request, m, problem::srmain::kOverall, ncomp, ncstr);
      break;
    case Rule::VapourComposition:
      composition(request, m, problem::srmain::kVapour, ncomp, ncstr);
      break;
    case Rule::LiquidComposition:
      composition(request, m, problem::srmain::kLiquid, ncomp, ncstr);
      break;
    case Rule::MethodSet: {
      request.setType(ValueType::Integer);
      const std::int32_t set = problem::MainRecord(problem::SRPSET.set2).integer(kMethodSetWord);
      request.setInteger(1, std::max(set, 0));
      return;
    }
    case Rule::Curve: {
      std::array<double, kReaderCurvePoints> curve{};
      std::int32_t ierr = 0;
      PADCRV(found->word, curve, request.iunset, ierr);
      if (ierr != 0) request.ierr = ierr;
      for (std::int32_t k = 1; k <= kReaderCurvePoints; ++k) {
        request.setReal(k, curve[static_cast<std::size_t>(k - 1)]);
      }
      break;
    }
    default: {
      const double value = answerReal(request, *found, m, ncstr, n);
      request.setReal(1, value);
      if (!plausible(*found, m, value)) request.implausible(1);
      break;
    }
  }
  request.nullMissing();
}

}  // namespace api_access
