// The totals of a flashed stream: phase enthalpies, heat capacities and entropies written
// into the current stream's header, and the stream's molar enthalpy and entropy.
#include "flash/flashed_totals.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/liquid_liquid.hpp"

namespace flash {

LiquidSplitWords liquidSplitWords;

namespace {

namespace h = totals;
using problem::COHDR;

PhaseTotalRoutines routines;

// Method slots whose codes the totals read.
constexpr std::size_t kKValueSlot = 1;
constexpr std::size_t kLiquidLiquidSlot = 2;
constexpr std::size_t kLiquidEnthalpySlot = 6;
constexpr std::size_t kLiquidEntropySlot = 10;

// Liquid methods that cannot treat a solid-forming component (besides the cubic family):
// Starling's equation 110 and the correlation enthalpy family.
constexpr std::array<std::int32_t, 13> kSolidBlindLiquidMethods{110, 201, 203, 204, 210, 211, 212,
                                                                213, 214, 215, 216, 217, 218};

// COHDR words of the component ranges.
constexpr std::size_t kVapourCount = 28;
constexpr std::size_t kLiquidCount = 29;
constexpr std::size_t kFirstSolidForming = 15;
constexpr std::size_t kLastSolidForming = 21;
constexpr std::size_t kFirstSolidEnthalpy = 38;  // first solid phase, HTOTFL
constexpr std::size_t kLastSolidEnthalpy = 46;
constexpr std::size_t kSecondSolidEnthalpyFirst = 39;  // second solid phase, HTOTFL
constexpr std::size_t kSecondSolidEnthalpyLast = 47;
constexpr std::size_t kFirstSolidEntropy = 14;  // first solid phase, STOTFL
constexpr std::size_t kLastSolidEntropy = 22;
constexpr std::size_t kSecondSolidEntropyFirst = 17;  // second solid phase, STOTFL
constexpr std::size_t kSecondSolidEntropyLast = 23;

// The component vectors of the stream's main record.
constexpr std::size_t kVapourVector = 1;  // V2 in realSectors
constexpr std::size_t kLiquidVector = 2;  // V3
constexpr std::size_t kSolidVector = 3;   // V4

// Correlation type of the solid enthalpy, and the solid kind of the integrated forms.
constexpr std::int32_t kSolidEnthalpyType = 311;
constexpr std::int32_t kSolidKind = static_cast<std::int32_t>(pure::IntegratedKind::Solid);

// The component type-code sector of the component table that the liquid entropy reads.
constexpr std::int32_t kComponentTypeSector = 2;

// Driver options: the heat capacity asked for, no partial enthalpies.
constexpr std::int32_t kWithHeatCapacity = 1;
constexpr std::int32_t kLiquidPhase = static_cast<std::int32_t>(pure::WaterPhase::Liquid);

// The stream's vectors, copied once per call into buffers that only grow.
struct Vectors {
  std::vector<double> y, x, s;
};
Vectors kept;
const bool kVectorsReset = services::registerKeptValues([] { kept = Vectors{}; });

class Stream {
 public:
  Stream() : record_(problem::SRPSET.set2) {}
  double operator()(std::int32_t k) const { return record_.real(k); }
  void set(std::int32_t k, double value) { record_.setReal(k, value); }

 private:
  problem::MainRecord record_;
};

std::span<const double> loadVector(std::size_t which, std::vector<double>& buffer) {
  const auto n = static_cast<std::size_t>(std::max(0, COHDR(problem::cohdr::kStreamComponents)));
  if (buffer.size() < n) buffer.resize(n);
  const std::span<double> out = std::span(buffer).first(n);
  if (n > 0) {
    storage::CORSTO.reals(problem::SRPSET.set2.realSectors[which] + 1, static_cast<std::int32_t>(n))
        .copyTo(out);
  }
  return out;
}

// The first N entries of V (N clamped to its size).
std::span<const double> first(std::span<const double> v, std::int32_t n) {
  return v.first(std::min(v.size(), static_cast<std::size_t>(std::max(0, n))));
}

std::int32_t slotCode(std::size_t slot) { return methods::MSPTRS.classes(slot).code; }

bool hasLiquidLiquidMethod() {
  const std::int32_t code = slotCode(kLiquidLiquidSlot);
  return code != 0 && code != services::IMISS;
}

// Whether component I (1-based) is present in LIQUID.
bool presentIn(std::span<const double> liquid, std::int32_t i) {
  return static_cast<std::size_t>(i) <= liquid.size() &&
         liquid[static_cast<std::size_t>(i - 1)] > 0.0;
}

// The liquid component count for the liquid method CODE, and whether a solid-forming
// component is present in any of LIQUIDS while the method cannot treat it (message
// 1030001098 for each such component).
struct LiquidCount {
  std::int32_t n = 0;
  bool solidInLiquid = false;
};
LiquidCount liquidCount(std::int32_t code, std::span<const std::span<const double>> liquids) {
  LiquidCount c{COHDR(kLiquidCount), false};
  if (COHDR(kVapourCount) == COHDR(kLiquidCount)) return c;
  const bool blind = methods::MTISA(code) ||
                     std::find(kSolidBlindLiquidMethods.begin(), kSolidBlindLiquidMethods.end(),
                               code) != kSolidBlindLiquidMethods.end();
  if (!blind) return c;
  c.n = COHDR(kVapourCount);
  for (std::int32_t i = std::max(1, COHDR(kFirstSolidForming)); i <= COHDR(kLastSolidForming);
       ++i) {
    const bool present = std::any_of(liquids.begin(), liquids.end(),
                                     [&](std::span<const double> l) { return presentIn(l, i); });
    if (!present) continue;
    services::MSGPAR.integers(1) = i;
    services::MSGOUT(kMessageSolidInLiquid);
    c.solidInLiquid = true;
  }
  return c;
}

// The free-water component of the set, 0 when none.
std::int32_t waterComponent(std::int32_t n) {
  const std::int32_t w = problem::THCTL.idecnt;
  return w >= 1 && w <= n ? w : 0;
}

// The water routine at the free water's partial pressure: (1 - y(water)) P into the
// K-value state's pressure word first.
void freeWater(std::int32_t property, double t, double p, double yWater, double& value,
               double& slope) {
  problem::MethodSetControl& control = problem::THCTL;
  double& pressureWord = control.partialPressure;
  pressureWord = (1.0 - yWater) * p;
  value = 0.0;
  slope = 0.0;
  routines.water(property, control.waterPropertyCorrection, t, p, value, slope, kLiquidPhase,
                 control.waterPropertyMethod, 0, 0, pressureWord);
}

// One liquid by the enthalpy driver; true when the driver reported a failure.
struct LiquidEnthalpy {
  double h = 0.0, cp = 0.0, hw = 0.0, cpw = 0.0, z = 0.0, residual = 0.0;
};
bool liquidEnthalpy(std::int32_t n, double t, double p, std::span<const double> x,
                    LiquidEnthalpy& e) {
  std::int32_t status = 0;
  std::int32_t noComposition = 0;
  routines.liquidEnthalpy(n, t, p, first(x, n), e.h, e.cp, e.hw, e.cpw, e.z, kWithHeatCapacity,
                          status, noComposition, e.residual);
  return status >= 1;
}

// One liquid by the entropy driver.
bool liquidEntropy(std::int32_t n, double t, double p, std::span<const double> x, double& s) {
  const std::int32_t types = problem::COPTRS.integerSector(kComponentTypeSector);
  const std::span<const std::int32_t> codes =
      types == services::NOCORE || n < 1
          ? std::span<const std::int32_t>()
          : std::span<const std::int32_t>(storage::CORSTO.words(types + 1, n));
  double dsdt = 0.0, z = 0.0;
  std::int32_t status = 0;
  s = 0.0;
  routines.liquidEntropy(n, t, p, first(x, n), s, dsdt, z, 0, codes, status);
  // A failed driver leaves no missing-value marker in the record's words.
  if (status >= 1) s = 0.0;
  return status >= 1;
}

// The solid composition of components FIRST..LAST, for the sums of a solid phase.
std::span<const double> solidRange(std::span<const double> s, std::int32_t firstComponent,
                                   std::int32_t lastComponent) {
  if (firstComponent < 1 || lastComponent < firstComponent) return {};
  const auto from = static_cast<std::size_t>(firstComponent - 1);
  if (from >= s.size()) return {};
  return s.subspan(from, std::min(s.size() - from,
                                  static_cast<std::size_t>(lastComponent - firstComponent + 1)));
}

void solidEnthalpy(std::int32_t firstComponent, std::int32_t lastComponent, double t, double p,
                   std::span<const double> w, double& h, double& cp, bool hook) {
  h = 0.0;
  cp = 0.0;
  if (hook && services::LMCODA(slotCode(kKValueSlot)) == 1) {
    double unused = 0.0;
    services::NOOP01(firstComponent, lastComponent, t, p, unused);
  }
  const std::int32_t set = methods::MTSETN(kSolidEnthalpyType);
  std::array<double, 1> value{};
  std::array<double, 1> slope{};
  constexpr std::int32_t kOneComponent = 1;
  constexpr std::int32_t kWithDerivative = 1;
  constexpr std::int32_t kExtrapolate = static_cast<std::int32_t>(pure::Extrapolation::TypeDefault);
  for (std::int32_t i = firstComponent; i <= lastComponent; ++i) {
    const auto k = static_cast<std::size_t>(i - firstComponent);
    if (k >= w.size()) break;
    value[0] = 0.0;
    slope[0] = 0.0;
    routines.correlation(kSolidEnthalpyType, set, kOneComponent, i, kWithDerivative, kExtrapolate,
                         t, p, value, slope);
    h += w[k] * value[0];
    cp += w[k] * slope[0];
  }
}

// h(12) or h(13): the sum per unit of rate, the sum itself for a stream of rate 0.0.
double perRate(double sum, double rate) {
  return services::RELCMP(rate, 0.0) == 0 ? sum : sum / rate;
}

}  // namespace

ScopedPhaseTotalRoutines::ScopedPhaseTotalRoutines(const PhaseTotalRoutines& replacement)
    : previous_(routines) {
  routines = replacement;
}

ScopedPhaseTotalRoutines::~ScopedPhaseTotalRoutines() { routines = previous_; }

void HTOTFL(std::int32_t& ierr) {
  // 1. Timing.
  services::RoutineTimer timer(kTimingSlotHTOTFL);

  // 2. Start: the phase words 0.0.
  liquidSplitWords = {};
  ierr = 0;
  Stream m;
  const double t = m(h::kTemperature);
  const double p = m(h::kPressure);
  const double rate = m(h::kRate);
  const double fv = m(h::kVapourFraction);
  const double fl = m(h::kLiquidFraction);
  const double fw = m(h::kWaterFraction);
  const double fs = m(h::kSolidFraction);
  const double fs2 = m(h::kSecondSolidRate);
  for (const std::int32_t k :
       {h::kWaterEnthalpy, h::kLiquidEnthalpy, h::kLiquidHeatCapacity, h::kVapourEnthalpy,
        h::kVapourHeatCapacity, h::kSolidEnthalpy, h::kSolidHeatCapacity, h::kSecondSolidEnthalpy,
        h::kSecondSolidWord, h::kWaterHeatCapacity, h::kVapourResidual}) {
    m.set(k, 0.0);
  }
  double hw = 0.0;
  const std::span<const double> y = loadVector(kVapourVector, kept.y);
  const std::span<const double> x = loadVector(kLiquidVector, kept.x);
  const std::int32_t water = waterComponent(static_cast<std::int32_t>(y.size()));

  // 3. The liquid component count, and solid-forming components in the liquid.
  const std::array<std::span<const double>, 1> liquid{x};
  const LiquidCount count = liquidCount(slotCode(kLiquidEnthalpySlot), liquid);
  if (count.solidInLiquid) ierr = 1;

  const equilibrium::LiquidSplitState& split = equilibrium::liquidSplitState;
  const bool twoLiquids = fl > 0.0 && hasLiquidLiquidMethod() && split.theta > 0.0;
  if (fl <= 0.0 || twoLiquids) {
    // 4. Two liquids evaluated apart, their shares weighting them; no liquid: nothing.
    if (twoLiquids) {
      LiquidEnthalpy e1, e2;
      liquidSplitWords = {1, 0};
      if (liquidEnthalpy(count.n, t, p, split.x1, e1)) ierr = 1;
      liquidSplitWords = {2, 1};
      if (liquidEnthalpy(count.n, t, p, split.x2, e2)) ierr = 1;
      m.set(h::kLiquidEnthalpy, split.theta * e1.h + split.thetaRest * e2.h);
      m.set(h::kLiquidHeatCapacity, split.theta * e1.cp + split.thetaRest * e2.cp);
    }
    // 5. The free water beside them, at its partial pressure.
    if (water > 0 && fw > 0.0) {
      double hfw = 0.0, cpfw = 0.0;
      freeWater(static_cast<std::int32_t>(pure::WaterProperty::Enthalpy), t, p,
                y[static_cast<std::size_t>(water - 1)], hfw, cpfw);
      m.set(h::kWaterEnthalpy, hfw);
      m.set(h::kWaterHeatCapacity, cpfw);
      hw = fw * hfw * rate;
    }
  } else {
    // 6. One hydrocarbon liquid; the liquid driver gives the free water too.
    LiquidEnthalpy e;
    liquidSplitWords = {1, 0};
    if (liquidEnthalpy(count.n, t, p, x, e)) ierr = 1;
    m.set(h::kLiquidEnthalpy, e.h);
    m.set(h::kLiquidHeatCapacity, e.cp);
    m.set(h::kWaterEnthalpy, e.hw);
    m.set(h::kWaterHeatCapacity, e.cpw);
    m.set(h::kLiquidZ, e.z);
    if (water > 0 && fw > 0.0) hw = fw * e.hw * rate;
    if (count.solidInLiquid) services::MSGABT(kMessageSolidStopsTheRun, " ");
  }

  // 7. Liquid and vapour.
  double total = fl * m(h::kLiquidEnthalpy) * rate + hw;
  if (fv > 0.0) {
    double hv = 0.0, cpv = 0.0, hwv = 0.0, cpwv = 0.0, zv = 0.0, residual = 0.0;
    std::int32_t status = 0;
    std::int32_t noComposition = 0;
    const std::int32_t nv = COHDR(kVapourCount);
    routines.vapourEnthalpy(nv, t, p, first(y, nv), hv, cpv, hwv, cpwv, zv, kWithHeatCapacity,
                            status, noComposition, residual);
    if (status >= 1) ierr = 1;
    m.set(h::kVapourEnthalpy, hv);
    m.set(h::kVapourHeatCapacity, cpv);
    m.set(h::kVapourResidual, residual);
    m.set(h::kVapourZ, zv);
    total += fv * hv * rate;
  }

  // 8. The first solid phase.
  const bool solids = fs > 0.0 || fs2 > 0.0;
  const std::span<const double> s =
      solids ? loadVector(kSolidVector, kept.s) : std::span<const double>();
  if (fs > 0.0) {
    double hs = 0.0, cps = 0.0;
    const std::int32_t a = COHDR(kFirstSolidEnthalpy), b = COHDR(kLastSolidEnthalpy);
    HSOLD1(a, b, t, p, solidRange(s, a, b), hs, cps);
    m.set(h::kSolidEnthalpy, hs);
    m.set(h::kSolidHeatCapacity, cps);
    total += fs * hs * rate;
  }

  // 9. The molar enthalpy.
  m.set(h::kEnthalpy, perRate(total, rate));

  // 10. The second solid phase, not part of the total.
  if (fs2 > 0.0) {
    double hs = 0.0, word = 0.0;
    const std::int32_t a = COHDR(kSecondSolidEnthalpyFirst), b = COHDR(kSecondSolidEnthalpyLast);
    HSOLD2(a, b, t, p, solidRange(s, a, b), hs, word);
    m.set(h::kSecondSolidEnthalpy, hs);
    m.set(h::kSecondSolidWord, word);
  }
}

void STOTFL(std::int32_t& ierr) {
  // 1. Start.
  liquidSplitWords.secondLiquid = 0;
  ierr = 0;
  bool missing = false;  // a phase driver gave no entropy
  Stream m;
  const double t = m(h::kTemperature);
  const double p = m(h::kPressure);
  const double rate = m(h::kRate);
  const double fv = m(h::kVapourFraction);
  const double fl = m(h::kLiquidFraction);
  const double fw = m(h::kWaterFraction);
  const double fs = m(h::kSolidFraction);
  const double fs2 = m(h::kSecondSolidRate);

  // 2. A stream without rate has no entropy.
  if (rate <= 0.0) {
    for (const std::int32_t k :
         {h::kEntropy, h::kWaterEntropy, h::kLiquidEntropy, h::kVapourEntropy, h::kSolidEntropy}) {
      m.set(k, 0.0);
    }
  }
  if (fs2 <= 0.0) m.set(h::kSecondSolidEntropy, 0.0);
  if (rate <= 0.0 && fs2 <= 0.0) return;

  const std::span<const double> y = loadVector(kVapourVector, kept.y);
  const std::span<const double> x = loadVector(kLiquidVector, kept.x);
  const std::int32_t water = waterComponent(static_cast<std::int32_t>(y.size()));

  // 3. The liquid: two liquids apart, or one.
  double total = 0.0;
  if (fl + fw > 0.0) {
    const equilibrium::LiquidSplitState& split = equilibrium::liquidSplitState;
    const bool twoLiquids = fl > 0.0 && hasLiquidLiquidMethod() && split.theta > 0.0;
    const std::array<std::span<const double>, 2> liquids{
        twoLiquids ? std::span<const double>(split.x1) : x,
        twoLiquids ? std::span<const double>(split.x2) : std::span<const double>()};
    const LiquidCount count = liquidCount(slotCode(kLiquidEntropySlot), liquids);
    if (count.solidInLiquid) ierr = 1;
    double sl = 0.0;
    if (twoLiquids) {
      double s1 = 0.0, s2 = 0.0;
      liquidSplitWords = {1, 0};
      if (liquidEntropy(count.n, t, p, split.x1, s1)) {
        ierr = 1;
        missing = true;
      }
      liquidSplitWords = {2, 1};
      if (liquidEntropy(count.n, t, p, split.x2, s2)) {
        ierr = 1;
        missing = true;
      }
      sl = split.theta * s1 + split.thetaRest * s2;
    } else {
      if (liquidEntropy(count.n, t, p, x, sl)) {
        ierr = 1;
        missing = true;
      }
    }
    m.set(h::kLiquidEntropy, sl);
  } else {
    m.set(h::kLiquidEntropy, 0.0);
  }
  total = fl * m(h::kLiquidEntropy) * rate;

  // 4. The vapour.
  double sv = 0.0;
  if (fv > 0.0) {
    double dsdt = 0.0, z = 0.0;
    std::int32_t status = 0;
    const std::int32_t nv = COHDR(kVapourCount);
    routines.vapourEntropy(nv, t, p, first(y, nv), sv, dsdt, z, 0, status);
    if (status >= 1) {
      ierr = 1;
      missing = true;
      sv = 0.0;
    }
  }
  m.set(h::kVapourEntropy, sv);
  m.set(h::kWaterEntropy, 0.0);
  total += fv * sv * rate;

  // 5. The free water, at its partial pressure.
  if (water > 0 && fw > 0.0) {
    double sw = 0.0, unused = 0.0;
    freeWater(static_cast<std::int32_t>(pure::WaterProperty::Entropy), t, p,
              y[static_cast<std::size_t>(water - 1)], sw, unused);
    m.set(h::kWaterEntropy, sw);
    total += fw * sw * rate;
  }

  // 6. The solids: the first phase in the total, the second apart.
  const std::span<const double> s =
      fs > 0.0 || fs2 > 0.0 ? loadVector(kSolidVector, kept.s) : std::span<const double>();
  double ss = 0.0;
  if (fs > 0.0) {
    double ds = 0.0;
    const std::int32_t a = COHDR(kFirstSolidEntropy), b = COHDR(kLastSolidEntropy);
    routines.firstSolidEntropy(a, b, t, p, solidRange(s, a, b), ss, ds, 0, 0, {}, kSolidKind, 0);
  }
  m.set(h::kSolidEntropy, ss);
  total += fs * ss * rate;
  if (fs2 > 0.0) {
    double s2 = 0.0, ds = 0.0;
    const std::int32_t a = COHDR(kSecondSolidEntropyFirst), b = COHDR(kSecondSolidEntropyLast);
    routines.secondSolidEntropy(a, b, t, p, solidRange(s, a, b), s2, ds, 0, 0, {}, kSolidKind, 0);
    m.set(h::kSecondSolidEntropy, s2);
  }

  // 7. The molar entropy. A phase without an entropy leaves the stream without one: 0.0,
  // which readers take as not evaluated, never the sum of the other phases alone.
  m.set(h::kEntropy, missing ? 0.0 : perRate(total, rate));
}

void HSOLD1(std::int32_t first, std::int32_t last, double t, double p, std::span<const double> w,
            double& h, double& cp) {
  solidEnthalpy(first, last, t, p, w, h, cp, true);
}

void HSOLD2(std::int32_t first, std::int32_t last, double t, double p, std::span<const double> w,
            double& h, double& cp) {
  solidEnthalpy(first, last, t, p, w, h, cp, false);
}

void COPYV(const problem::MainRecord& src, problem::MainRecord& dst) {
  for (const std::int32_t k : kEnthalpyWords) dst.setReal(k, src.real(k));
}

}  // namespace flash
