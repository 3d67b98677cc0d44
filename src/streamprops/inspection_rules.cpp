// The inspection-property rules over the special-property store: the generic blend, the
// user blend index, the property-specific rules, the 600 group of the property codes and the
// kinematic-viscosity slot of the phase-property layer.
#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "methods/methods.hpp"
#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "problem/method_set_control.hpp"
#include "problem/streams.hpp"
#include "services/kept_values.hpp"
#include "services/markers.hpp"
#include "services/run_options.hpp"
#include "services/scratch_vectors.hpp"
#include "services/services.hpp"
#include "services/units_of_measure.hpp"
#include "storage/storage.hpp"
#include "streamprops/curve_internal.hpp"
#include "streamprops/distillation_tables.hpp"
#include "streamprops/inspection_blending.hpp"
#include "streamprops/octane_numbers.hpp"
#include "streamprops/property_internal.hpp"
#include "streamprops/streamprops.hpp"
#include "thermo/phase/slots.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace streamprops {
namespace {

using services::DMISS;
constexpr double kNoIndex = -9999999.0;  // the user blend index found no rule

// Scratch kept so that a warm call allocates nothing; every problem open frees it.
struct Scratch {
  std::vector<double> mw, sg, nbp, values, values2, x, amounts, cumulative, mid;
  std::vector<std::int32_t> order;
};
Scratch scratch;
const bool kScratchReset = services::registerKeptValues([] { scratch = Scratch{}; });

std::size_t componentCount() {
  return static_cast<std::size_t>(std::max(problem::COHDR(problem::cohdr::kComponents), 0));
}

void copyReals(std::int32_t start, std::span<double> out) {
  if (out.empty()) return;
  storage::CORSTO.reals(start + 1, static_cast<std::int32_t>(out.size())).copyTo(out);
}

// The component-table sector of constant K into OUT; DMISS throughout when the table holds
// no such sector in core.
void copyConstants(problem::ComponentReal k, std::span<double> out) {
  if (!problem::COPTRS.inCore(k)) {
    std::fill(out.begin(), out.end(), DMISS);
    return;
  }
  copyReals(problem::COPTRS.realSector(k), out);
}

// True when the molecular weights, gravities and boiling points are all in core.
bool constantsInCore() {
  using problem::ComponentReal;
  for (const ComponentReal k :
       {ComponentReal::MolecularWeight, ComponentReal::StandardLiquidDensity,
        ComponentReal::NormalBoilingPoint}) {
    if (!problem::COPTRS.inCore(k)) return false;
  }
  return true;
}

}  // namespace

namespace detail {

// The molecular weights, gravities and boiling points of the N components.
BlendConstants constantsOf(std::size_t n) {
  using problem::ComponentReal;
  copyConstants(ComponentReal::MolecularWeight, services::sized(scratch.mw, n));
  copyConstants(ComponentReal::StandardLiquidDensity, services::sized(scratch.sg, n));
  copyConstants(ComponentReal::NormalBoilingPoint, services::sized(scratch.nbp, n));
  return {std::span<const double>(scratch.mw.data(), n),
          std::span<const double>(scratch.sg.data(), n),
          std::span<const double>(scratch.nbp.data(), n)};
}

void curveCuts(double& ibp, double& end) {
  const auto& bp = problem::DBGLOB.bpvals;
  ibp = bp.reals(1);
  end = bp.reals(2);
  if (end > 1.0) {
    ibp /= 100.0;
    end /= 100.0;
  }
}

// The distillation curve of X of type JFLAG on the volume (or weight) basis; false when the
// composition has no positive liquid volume, the conversion supplies no points or the
// component table holds no molecular weights, gravities or boiling points in core.
bool curveOf(std::span<const double> x, std::int32_t jflag, std::int32_t basisFlag,
             std::int32_t unit, const BlendConstants& c,
             std::span<double, kCurvePoints> curve) {
  // Without the constants in core there is no curve to build.
  if (!constantsInCore()) return false;
  const std::size_t n = x.size();
  const auto& bp = problem::DBGLOB.bpvals;
  double ibp = 0.0, end = 0.0;
  curveCuts(ibp, end);
  const std::span<std::int32_t> order = services::sized(scratch.order, n);
  services::SORTIX(1, static_cast<std::int32_t>(n), c.boilingPoint, order);
  std::span<double> amounts = services::sized(scratch.amounts, n);
  std::copy(x.begin(), x.end(), amounts.begin());
  const CurveComponents comp{problem::THCTL.idecnt, order, c.molecularWeight, c.boilingPoint,
                             c.gravity, amounts};
  std::int32_t iflag = 0, ierr = 0, basis = basisFlag;
  double ibpT = 0.0, endT = 0.0;
  std::array<double, kCurvePoints> tbp{};
  STMTBP(iflag, jflag, ierr, 0, unit, bp.integers(5), comp, ibp, end, ibpT, endT, basis,
         services::sized(scratch.cumulative, n), services::sized(scratch.mid, n), curve, tbp);
  return ierr == 0;
}

}  // namespace detail

namespace {

using detail::constantsOf;
using detail::curveOf;

// The store's data of property IPROP of store TYPE with its per-component values; false
// when there is no store or no entry.
bool storeData(std::int32_t type, std::int32_t iprop, std::size_t n, PropertyBlend& blend,
               std::span<double>& values) {
  std::int32_t ierr = 0;
  SPPTRG(type, ierr);
  if (ierr != 0) return false;
  SPCMPV(type, iprop, blend, ierr);
  if (ierr != 0) return false;
  values = services::sized(scratch.values, n);
  copyReals(blend.values1, values);
  return true;
}

// The user blend index (SPBIDX) with the parameters of the value block selected last.
void SPBIDX(std::int32_t iprop, std::int32_t type, std::span<const double> v,
            std::span<const double> x, double& value) {
  value = kNoIndex;
  const ValueBlockSectors& s = SSPTRS.type(type).selected;
  const auto counts = storage::CORSTO.words(s.integers[0] + 1, 3);
  const std::int32_t m = counts[0];
  const std::int32_t k = counts[2];
  if (m < 1) return;
  const auto ints = storage::CORSTO.words(s.integers[1] + 1, m);
  const std::int32_t mode = ints[0];
  if (mode != 1 && mode != 2) return;
  if (type == kInspection && iprop == 26) {
    double t = 0.0;
    for (std::int32_t w : ints) t += w;
    if (k > 0) {
      const auto reals = storage::CORSTO.reals(s.reals[2] + 1, k);
      for (std::int32_t j = 0; j < k; ++j) t += reals[static_cast<std::size_t>(j)];
    }
    for (std::size_t i = 0; i < std::min(v.size(), x.size()); ++i) t += v[i] * x[i];
    value = mode == 1 ? t : static_cast<double>(1.1f) * t;
  } else if (type == kUser && iprop == 1) {
    const auto stream = problem::ISRID(problem::SRPSET.set2.stream);
    double naph = 0.0, arot = 0.0;
    std::int32_t ierr = 0;
    SPKEYV(stream.view(), 0, "NAPH", naph, ierr);
    SPKEYV(stream.view(), 0, "AROT", arot, ierr);
    const double t = 3.0 * arot + 2.0 * naph;
    value = mode == 1 ? t : 1.1 * t;
  }
}

// SPGENB and SPUSR2: the generic blend of store TYPE.
void genericBlend(std::int32_t type, std::int32_t iprop, const PropertyBlend& blend,
                  std::span<const double> x, std::span<const double> v,
                  const BlendConstants& c, double& value) {
  double avg = 0.0;
  switch (static_cast<BlendMethod>(blend.method)) {
    case BlendMethod::UserIndex:
      return SPBIDX(iprop, type, v, x, value);
    case BlendMethod::Average:
      value = blendAverage(x, v, blend.basis, c);
      return;
    case BlendMethod::PowerIndex:
      avg = blendAverage(x, v, blend.basis, c);
      return SPBIX4(1, avg, value, blend.r1, blend.r2);
    case BlendMethod::CloudIndex:
      avg = blendAverage(x, v, blend.basis, c);
      return SPBIX6(1, avg, value, blend.r1, blend.r2, iprop);
    default:
      return;
  }
}

// Cetane index (ASTM D976) of X: D86 50 % point and the water-free standard density.
void cetaneIndexOf(std::int32_t method, std::span<const double> x, const BlendConstants& c,
                   double& value) {
  if (method != static_cast<std::int32_t>(BlendMethod::Correlation)) return;
  double b = 0.0;
  if (problem::DBGLOB.bpvals.integers(5) != 5) {
    std::array<double, kCurvePoints> d86{};
    if (!curveOf(x, 2, 0, services::IOUNIT.report, c, d86)) {
      value = DMISS;  // no distillation table: no index
      return;
    }
    b = d86[10] - 273.15;
  }
  if (!(b > 0.0)) {
    value = 0.0;
    return;
  }
  double vdry = 0.0, vwet = 0.0, sdry = 0.0, swet = 0.0;
  pure::APICNV(static_cast<std::int32_t>(pure::MixtureBasis::StandardDensity), 1,
               static_cast<std::int32_t>(x.size()), problem::THCTL.idecnt, x, vdry, vwet, sdry,
               swet);
  value = cetaneIndex(vdry / 1000.0, b);
}

void netHeatingValue(std::int32_t method, std::span<const double> x, const BlendConstants& c,
                     double& value) {
  if (method != static_cast<std::int32_t>(BlendMethod::Correlation)) {
    value = 0.0;
    return;
  }
  const std::int32_t water = problem::THCTL.idecnt;
  double g = 0.0, vwet = 0.0, sdry = 0.0, swet = 0.0;
  pure::APICNV(static_cast<std::int32_t>(pure::MixtureBasis::ApiGravity), 1,
               static_cast<std::int32_t>(x.size()), water, x, g, vwet, sdry, swet);
  double w = 0.0;
  if (water > 0) {
    double total = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) total += x[i] * c.molecularWeight[i];
    const auto k = static_cast<std::size_t>(water - 1);
    w = total > 0.0 ? 100.0 * x[k] * c.molecularWeight[k] / total : 0.0;
  }
  double s = 0.0;
  PropertyBlend sulfur;
  std::span<double> sv;
  if (storeData(kInspection, 5, x.size(), sulfur, sv)) {
    genericBlend(kInspection, 5, sulfur, x, sv, c, s);
  }
  const double q = 16796.0 + 54.5 * g - 0.217 * g * g - 0.0019 * g * g * g;
  const double nhv = q * (1.0 - 0.01 * (s + w)) + 40.5 * s - 10.53 * w;
  constexpr std::int32_t kHeatingValueClass = 28;
  value = services::UOMCNV(nhv, kHeatingValueClass, 2, 1);
  if (value < services::RMISS) value = DMISS;
}

// The smoke point of X by its own store entry (SPSMOK).
void smokePoint(const PropertyBlend& blend, std::span<const double> x, std::span<const double> v,
                const BlendConstants& c, double& value) {
  switch (blend.method) {
    case 371: case 372: case 374: case 375:
      return genericBlend(kInspection, 7, blend, x, v, c, value);
    case 378: {
      const double avg = blendAverage(x, v, blend.basis, c);
      value = avg <= services::RMISS ? DMISS : avg <= 0.0 ? 0.0 : 1.0 / avg;
      return;
    }
    default:
      // Method 385 has no defined smoke point.
      value = DMISS;
  }
}

}  // namespace

void SPBLND(std::int32_t iprop, std::span<const double> x, double& value, double /*p*/) {
  value = DMISS;
  if (iprop == 1) return;
  const std::size_t n = x.size();
  PropertyBlend blend;
  std::span<double> v;
  if (!storeData(kInspection, iprop, n, blend, v)) return;
  const BlendConstants c = constantsOf(n);
  const std::int32_t m = blend.method;
  auto generic = [&](std::initializer_list<std::int32_t> methods) {
    if (std::find(methods.begin(), methods.end(), m) != methods.end()) {
      genericBlend(kInspection, iprop, blend, x, v, c, value);
    }
  };
  switch (iprop) {
    case 2:  // cloud point
      if (m == 375) return SPBIDX(2, kInspection, v, x, value);
      {
        double avg = blendAverage(x, v, blend.basis, c);
        SPBIX3(1, avg, value, m, blend.r1, blend.r2);
      }
      return;
    case 3:   // pour point
    case 38:  // freeze point
      return generic({375, 371, 374});
    case 4:
    case 82: {  // flash points
      if (m == 375 || m == 371 || m == 374) return genericBlend(kInspection, 4, blend, x, v, c, value);
      if (m == 387 || m == 376 || m == 377 || m == 373) {
        std::array<double, kCurvePoints> d86{};
        if (!curveOf(x, 2, 0, services::IOUNIT.report, c, d86)) return;  // DMISS
        if (m == 373 || m == 376) value = flashPointFromD86(m, d86);
      }
      return;
    }
    case 6:  // cetane number
      value = 0.0;
      return generic({375, 374, 372, 371});
    case 7:
      return smokePoint(blend, x, v, c, value);
    case 37:
      return generic({372, 371, 375, 374});
    case 45:
    case 46:
      if (m == 373) return RONSIM(iprop, blend.basis, x, v, value);
      return generic({375, 374, 372, 371});
    case 47:
      return generic({375, 374, 372, 371});
    case 52: {  // luminometer number
      if (m == 375 || m == 374 || m == 372 || m == 371) return genericBlend(kInspection, 52, blend, x, v, c, value);
      if (m == 373) {
        PropertyBlend smoke;
        std::span<double> sv;
        if (!storeData(kInspection, 7, n, smoke, sv)) return;
        double sp = DMISS;
        smokePoint(smoke, x, sv, c, sp);
        if (sp > 0.0) value = (3.009 - 0.0104 * sp) * sp - 12.03;
      }
      return;  // methods 378 and 387 have no defined luminometer number
    }
    case 59:
      return cetaneIndexOf(m, x, c, value);
    case 60:
    case 61: {
      std::array<double, kCurvePoints> tbp{};
      if (!curveOf(x, 1, 1, services::IOUNIT.report, c, tbp)) return;  // DMISS
      value = iprop == 60 ? tbp[0] : tbp[kCurvePoints - 1];
      return;
    }
    case 67:
      if (m == 375) return SPBIDX(67, kInspection, v, x, value);
      {
        double avg = blendAverage(x, v, blend.basis, c);
        SPBIX4(1, avg, value, blend.r1, blend.r2);
      }
      return;
    case 85:
    case 86:
    case 87:
      return averageBoilingPoint(iprop, m, x, problem::THCTL.idecnt, c, value);
    case 88:
      return netHeatingValue(m, x, c, value);
    default:
      return generic({372, 371, 375, 374});
  }
}

void SPUSER(std::int32_t iuser, std::span<const double> x, double& value) {
  value = DMISS;
  PropertyBlend blend;
  std::span<double> v;
  if (!storeData(kUser, iuser, x.size(), blend, v)) return;
  const BlendConstants c = constantsOf(x.size());
  genericBlend(kUser, iuser, blend, x, v, c, value);
}

void SPE600(std::int32_t, std::span<std::int32_t> oprec, std::int32_t, std::int32_t&,
            double& value, std::int32_t noflag, double argval) {
  using detail::word;
  value = 0.0;
  const std::int32_t k = word(oprec, spcrec::kCode) - 600;
  // The stream's own method set for the evaluation, the previous one current again after.
  const std::int32_t previousSet = problem::THCTL.currentSet;
  const std::int32_t ownSet = problem::MainRecord(problem::SRPSET.set1).integer(20);
  auto use = [](std::int32_t set) {
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, set);
  };
  struct Restore {
    std::int32_t set;
    void (*use)(std::int32_t);
    ~Restore() {
      try {
        if (set > 0 && set != problem::THCTL.currentSet) use(set);
      } catch (...) {
        // Only a stop hook that throws reaches here; the run has stopped already.
      }
    }
  } restore{previousSet, use};
  if (ownSet > 0 && ownSet != previousSet) use(ownSet);

  const std::int32_t phase = word(oprec, spcrec::kPhase);
  if (k == 95) {
    double vtot1 = 0, vtot2 = 0, vv1 = 0, vv2 = 0, vl1 = 0, vl2 = 0;
    std::int32_t ierr = 0;
    SRPHTO(vtot1, vtot2, vv1, vv2, vl1, vl2, ierr);
    const bool second = detail::optionsOf(oprec).d4 == 1;
    value = phase == 1 ? (second ? vv2 : vv1) : phase == 2 ? (second ? vl2 : vl1)
                                                           : (second ? vtot2 : vtot1);
    return;
  }
  if (k > 90 || k < 1) return;
  if (!(detail::headerReal(11) > 0.0)) return;
  const std::size_t n = componentCount();
  const detail::BasisVector basis(phase, noflag);
  std::span<double> x = services::sized(scratch.x, n);
  if (n > 0) basis.x().copyTo(x);
  if (k == 90) return SPUSER(word(oprec, spcrec::kItem), x, value);
  if (k != 1) return SPBLND(k, x, value, detail::headerReal(2));
  // Kinematic viscosity at ARGVAL.
  PropertyBlend blend;
  std::span<double> a;
  if (!storeData(kInspection, 1, n, blend, a)) return;
  std::span<double> b = services::sized(scratch.values2, n);
  copyReals(blend.values2, b);
  const BlendConstants c = constantsOf(n);
  SPKVIS(blend.method, blend.basis, argval, x, a, b, blend.r1, blend.r2, c, value);
}

namespace {

// The slot through which liquid viscosity method 8 blends its kinematic viscosities.
std::int32_t kinematicViscositySlot(std::int32_t method, std::int32_t basis, double t,
                                    std::span<const double> x, std::span<const double> a,
                                    std::span<const double> b, std::int32_t n, double r1,
                                    double r2, double& value) {
  const auto count = static_cast<std::size_t>(std::max(n, 0));
  const BlendConstants c = constantsOf(count);
  SPKVIS(method, basis, t, x.first(std::min(count, x.size())), a, b, r1, r2, c, value);
  // A blend without the constants of its basis fails the viscosity.
  return value <= services::RMISS ? 1 : 0;
}

}  // namespace

void detail::installKinematicViscositySlot() {
  phase::fillKinematicViscosityBlend(&kinematicViscositySlot);
}

}  // namespace streamprops
