// The reader of class "STREAM": identifiers, names, state, rates, phase fractions,
// enthalpies, heat capacities, compositions, heating values and the stored refinery points
// of one stream, read from the stream's main record and converted from the internal units.
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
#include "methods/method_sets.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace api_access {
namespace {

constexpr char kForStream[] = " FOR STREAM";
constexpr std::int32_t kIdLength = 12;
constexpr std::int32_t kNameLength = 40;
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
constexpr std::int32_t kWaterFraction = 14;
constexpr std::int32_t kWaterEnthalpy = 15;
constexpr std::int32_t kWaterHeatCapacity = 17;
constexpr std::int32_t kVapourFraction = 19;
constexpr std::int32_t kVapourEnthalpy = 20;
constexpr std::int32_t kVapourHeatCapacity = 22;
constexpr std::int32_t kLiquidFraction = 25;
constexpr std::int32_t kLiquidEnthalpy = 26;
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
  Evaluated,  // needs the on-demand property evaluation, not in this reader yet
};

// How many values an attribute has.
enum class Count { One, Components, CurvePoints };

struct Attribute {
  std::string_view name;
  Rule rule;
  std::int32_t word;   // main-record real for Rule::Header, else 0
  std::int32_t cls;    // conversion class, 0 as stored
  std::int32_t iucls;  // returned unit class
  Count count = Count::One;
};

constexpr std::int32_t kCurvePoints = 13;
constexpr std::int32_t kMolar = kMolarBasis;

// The attributes after "IDS" and "NAME", in the order they are matched.
constexpr std::array<Attribute, 58> kAttributes{{
    {"TotalMolarRate", Rule::Header, word::kRate, kMolarRate, kMolarRate},
    {"Temperature", Rule::Header, word::kTemperature, kTemperature, kTemperature},
    {"Pressure", Rule::Header, word::kPressure, kPressure, kPressure},
    {"TotalMolarEnthalpy", Rule::Header, word::kEnthalpy, kEnergy, kMolar + kEnergy},
    {"BulkMolecularWeight", Rule::Evaluated, 0, 0, 0},
    {"CritPres", Rule::Evaluated, 0, kPressure, kPressure},
    {"CritTemp", Rule::Evaluated, 0, kTemperature, kTemperature},
    {"VaporFraction", Rule::Header, word::kVapourFraction, 0, 0},
    {"LiquidFraction", Rule::Header, word::kLiquidFraction, 0, 0},
    {"WaterFraction", Rule::WaterFraction, 0, 0, 0},
    {"L1Fraction", Rule::Evaluated, 0, 0, 0},
    {"L2Fraction", Rule::Evaluated, 0, 0, 0},
    {"SolidFraction", Rule::Header, word::kSolidFraction, 0, 0},
    {"TotalMolarEntropy", Rule::Evaluated, 0, 29, kMolar + 29},
    {"BulkUopK", Rule::WatsonK, 0, 0, 0},
    {"GrosHeatValue", Rule::GrossHeatingValue, 0, 0, kEnergyPerVolume},
    {"NetHeatValue", Rule::NetHeatingValue, 0, 0, kEnergyPerVolume},
    {"ReidVapPres", Rule::Evaluated, 0, kPressure, kPressure},
    {"TrueVapPres", Rule::Evaluated, 0, kPressure, kPressure},
    {"FlashPt", Rule::Header, word::kFlashPoint, kTemperature, kTemperature},
    {"CloudPt", Rule::Header, word::kCloudPoint, kTemperature, kTemperature},
    {"PourPt", Rule::Header, word::kPourPoint, kTemperature, kTemperature},
    {"CetanIndex", Rule::Evaluated, 0, 0, 0},
    {"SulfurWtPerc", Rule::Evaluated, 0, 0, 0},
    {"ResOctaneNumb", Rule::Evaluated, 0, 0, 0},
    {"MotOctaneNumb", Rule::Evaluated, 0, 0, 0},
    {"TBPCurve", Rule::Evaluated, 0, kTemperature, kTemperature, Count::CurvePoints},
    {"D86Curve", Rule::Evaluated, 0, kTemperature, kTemperature, Count::CurvePoints},
    {"D1160Curve", Rule::Evaluated, 0, kTemperature, kTemperature, Count::CurvePoints},
    {"TotalComposition", Rule::TotalComposition, 0, 0, 0, Count::Components},
    {"VapMolarRate", Rule::VapourRate, 0, kMolarRate, kMolarRate},
    {"VapMolarEnthalpy", Rule::Header, word::kVapourEnthalpy, kEnergy, kMolar + kEnergy},
    {"VapMolecularWeight", Rule::Evaluated, 0, 0, 0},
    {"VapVolumeRateStd", Rule::VapourStdVolume, 0, kGasVolumeRate, kGasVolumeRate},
    {"VapDensityAct", Rule::Evaluated, 0, 20, 20},
    {"VapCP", Rule::Header, word::kVapourHeatCapacity, kHeatCapacity, kMolar + kHeatCapacity},
    {"VapCV", Rule::Evaluated, 0, kHeatCapacity, kMolar + kHeatCapacity},
    {"VapZDensity", Rule::Header, word::kVapourZ, 0, 0},
    {"VapMolarEntropy", Rule::Evaluated, 0, 29, kMolar + 29},
    {"VapViscosity", Rule::Evaluated, 0, 40, 40},
    {"VapThermalCond", Rule::Evaluated, 0, 35, 35},
    {"VaporComposition", Rule::VapourComposition, 0, 0, 0, Count::Components},
    {"LiqMolarRate", Rule::LiquidRate, 0, kMolarRate, kMolarRate},
    {"LiqMolarEnthalpy", Rule::LiquidEnthalpy, 0, kEnergy, kMolar + kEnergy},
    {"LiqMolecularWeight", Rule::Evaluated, 0, 0, 0},
    {"LiqVolumeRateStd", Rule::Evaluated, 0, kLiquidVolumeRate, kLiquidVolumeRate},
    {"LiqSpecGravity", Rule::Evaluated, 0, 21, 21},
    {"LiqApiGravity", Rule::Evaluated, 0, 21, 21},
    {"LiqDensityAct", Rule::Evaluated, 0, 19, 19},
    {"LiqCP", Rule::LiquidHeatCapacity, 0, kHeatCapacity, kMolar + kHeatCapacity},
    {"LiqZDensity", Rule::Header, word::kLiquidZ, 0, 0},
    {"LiqMolarEntropy", Rule::Evaluated, 0, 29, kMolar + 29},
    {"LiqViscosity", Rule::Evaluated, 0, 40, 40},
    {"LiqThermalCond", Rule::Evaluated, 0, 35, 35},
    {"LiqSurfTension", Rule::Evaluated, 0, 42, 42},
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
  for (std::int32_t j = 1; j <= ncomp; ++j) {
    const std::int32_t i = storedPosition(j, ncstr);
    request.setReal(j, i == 0 ? 0.0 : m.vector(v, i));
  }
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

double answerReal(Request& request, const Attribute& a, const problem::MainRecord& m,
                  std::int32_t ncstr) {
  const double rate = m.real(word::kRate);
  const double water = m.real(word::kWaterFraction);
  const double hydrocarbon = m.real(word::kLiquidFraction);
  const double liquid = water + hydrocarbon;
  auto converted = [&](double v) {
    return a.cls == 0 ? v : services::UOMCNV(v, a.cls, 1, request.iunset);
  };
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
      return water;
    case Rule::GrossHeatingValue:
      return heatingValue(request, m, problem::ComponentReal::GrossHeatingValue, ncstr);
    case Rule::NetHeatingValue:
      return heatingValue(request, m, problem::ComponentReal::NetHeatingValue, ncstr);
    case Rule::WatsonK: {
      std::array<double, kMaxComponents> x{};
      const std::int32_t n = std::min(ncstr, kMaxComponents);
      for (std::int32_t i = 1; i <= n; ++i) {
        x[static_cast<std::size_t>(i - 1)] = m.vector(problem::srmain::kOverall, i);
      }
      return PACSUM(1, n, waterOf(ncstr), std::span<const double>(x.data(), static_cast<std::size_t>(n)));
    }
    default:
      return 0.0;
  }
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
      request.setText(k, PAIDTB.streamId(static_cast<std::size_t>(k)).view());
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
  if (found == nullptr || found->rule == Rule::Evaluated) {
    attributeNotSupported(request, kForStream);
    return;
  }

  const MethodSetRestore restore;
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, problem::MainRecord(problem::SRPSET.set2).integer(kMethodSetWord));
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
    default:
      request.setReal(1, answerReal(request, *found, m, ncstr));
      break;
  }
  request.nullMissing();
}

}  // namespace api_access
