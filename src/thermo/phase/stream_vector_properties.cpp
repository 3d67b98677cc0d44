// PHTRAN: pure-component vapour pressures, ideal-gas enthalpies or the transport properties
// of the composition of a single-precision stream vector, through a temporary stream; and
// PHPEVL: the transport properties of the vapour and liquid of a stored stream through the
// water split and PHTRNS.
#include <algorithm>
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "problem/streams.hpp"
#include "services/markers.hpp"
#include "services/services.hpp"
#include "services/units_of_measure.hpp"
#include "storage/storage.hpp"
#include "thermo/phase/transport.hpp"
#include "thermo/phase/transport_internal.hpp"
#include "thermo/pure/correlations.hpp"

namespace phase {
namespace {

using problem::MainRecord;
using transport::Scratch;
namespace srmain = problem::srmain;

constexpr std::int32_t kMethodSetWord = 20;  // integer word of the stream's method set
constexpr std::int32_t kInternalSet = 1;
constexpr std::int32_t kVectorSet = 5;
constexpr std::int32_t kRateClass = 31;
constexpr std::int32_t kTemperatureClass = 1;
constexpr std::int32_t kPressureClass = 4;
constexpr std::int32_t kEnthalpyClass = 28;
constexpr std::int32_t kConductivityClass = 35;
constexpr std::int32_t kViscosityClass = 40;
constexpr std::int32_t kSurfaceTensionClass = 42;
constexpr std::size_t kFirstAmount = 10;  // 0-based position of the first component amount

// Status words of PHPEVL.
constexpr std::int32_t kNoVapourFlow = 10;
constexpr std::int32_t kNotVapourProperty = 20;
constexpr std::int32_t kNoLiquidFlow = 1;
constexpr std::int32_t kNotLiquidProperty = 2;

// The positions of the seven outputs of PHPEVL.
enum Output : std::size_t { kR1, kR2, kR3, kR4, kR5, kR6, kR7 };

// Makes the method set and the stream of pointer set 1 current again when it ends, on
// every way out.
class ReadingState {
 public:
  ReadingState() : stream_(problem::SRPSET.set1.stream), set_(methods::THCTL.currentSet) {}
  ReadingState(const ReadingState&) = delete;
  ReadingState& operator=(const ReadingState&) = delete;
  ~ReadingState() {
    try {
      if (stream_ > 0) problem::SRSETT(stream_);
      if (set_ > 0) {
        std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
        methods::FLMSET(d3, d4, d5, ndig, set_);
      }
    } catch (...) {
      // Only a stop hook that throws reaches here, and the run has stopped already.
    }
  }

 private:
  std::int32_t stream_;
  std::int32_t set_;
};

// The temporary stream of PHTRAN, deleted and the working stream made current again on
// every way out.
class TemporaryStream {
 public:
  TemporaryStream() : previous_(problem::SRPSET.set2.stream) {}
  TemporaryStream(const TemporaryStream&) = delete;
  TemporaryStream& operator=(const TemporaryStream&) = delete;
  ~TemporaryStream() {
    try {
      if (number_ > 0) {
        problem::SRKILL(number_);
        problem::SRPSET.set2.stream = 0;
        if (previous_ > 0) problem::SRSET(previous_, 0);
      }
    } catch (...) {
      // Only a stop hook that throws reaches here, and the run has stopped already.
    }
  }
  void create() {
    std::int32_t istat = 0;
    problem::SRCREA(static_cast<std::int32_t>(problem::StreamStatus::Temporary), "            ",
                    number_, istat);
  }
  std::int32_t number() const { return number_; }

 private:
  std::int32_t previous_;
  std::int32_t number_ = 0;
};

// A composition vector of the stream of pointer set 1 into a scratch array.
std::span<double> vectorOf(Scratch which, std::int32_t v, std::size_t n) {
  const std::span<double> x = transport::scratch(which, n);
  const MainRecord rec(problem::SRPSET.set1);
  for (std::size_t i = 0; i < n; ++i) x[i] = rec.vector(v, static_cast<std::int32_t>(i) + 1);
  return x;
}

double single5(double value, std::int32_t cls) {
  return services::UOMCNV(value, cls, kInternalSet, kVectorSet);
}

}  // namespace

void PHPEVL(std::int32_t istrm, std::int32_t ifwopt, std::int32_t iwhole, std::int32_t kvap,
            std::int32_t kliq, PhaseTransport& r, std::int32_t& ierr) {
  // 1. Start values; the stream and its method set current until the end.
  ierr = 0;
  r.values.fill(services::DMISS);
  const ReadingState restore;
  problem::SRSETT(istrm);
  {
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    MainRecord rec(problem::SRPSET.set1);
    methods::FLMSET(d3, d4, d5, ndig, rec.integer(kMethodSetWord));
  }
  const MainRecord rec(problem::SRPSET.set1);
  const double t = rec.real(srmain::kTemperature);
  const double p = rec.real(srmain::kPressure);
  const std::int32_t iwat = methods::THCTL.idecnt;
  const auto ns = static_cast<std::size_t>(std::max(transport::streamCount(), 0));
  const std::int32_t nv = transport::vapourCount();
  const std::int32_t nl = transport::liquidCount();
  const std::span<double> total = vectorOf(Scratch::Total, srmain::kOverall, ns);
  const std::span<double> vapour =
      iwhole != 0 ? total : vectorOf(Scratch::Vapour, srmain::kVapour, ns);
  const std::span<double> liquid =
      iwhole != 0 ? total : vectorOf(Scratch::Liquid, srmain::kLiquid, ns);
  const std::span<double> xvhc = transport::scratch(Scratch::VapourFree, ns);
  const std::span<double> xlhc = transport::scratch(Scratch::LiquidFree, ns);
  const methods::PropertyMethods4& m = methods::PMCTL4;

  // 2. The vapour.
  if (kvap != 0) {
    std::int32_t method = 0;
    if (kvap == static_cast<std::int32_t>(TransportProperty::VapourViscosity)) {
      method = m.vapourViscosity.code;
    } else if (kvap == static_cast<std::int32_t>(TransportProperty::VapourConductivity)) {
      method = m.vapourConductivity.code;
    } else {
      ierr = kNotVapourProperty;
    }
    if (ierr != kNotVapourProperty) {
      const double amount = iwhole != 0 ? 1.0 : rec.real(srmain::kVapourFraction);
      const std::int32_t n = iwhole != 0 ? nl : nv;
      double hc = 0.0, w = 0.0;
      std::int32_t split = 0;
      WTSPLT(iwat, 0, vapour, amount, xvhc, hc, w, split, n);
      if (split < 1) {
        ierr = kNoVapourFlow;
      } else {
        std::int32_t water = iwat;
        PhaseAmounts ph{xvhc, xlhc, vapour, liquid, hc + w, w, 0.0, 0.0};
        TransportParts parts;
        PHTRNS(kvap, split, water, method, t, p, ph, parts, ierr);
        r.values[kR1] = parts.hydrocarbon;
        r.values[kR2] = parts.mixture;
        r.values[kR3] = parts.water;
      }
    }
  }

  // 3. The liquid.
  if (kliq == 0) return;
  std::int32_t method = 0;
  switch (static_cast<TransportProperty>(kliq)) {
    case TransportProperty::LiquidViscosity:
      method = m.liquidViscosity.code;
      break;
    case TransportProperty::LiquidConductivity:
      method = m.liquidConductivity.code;
      break;
    case TransportProperty::SurfaceTension:
      method = m.surfaceTension.code;
      break;
    default:
      ierr += kNotLiquidProperty;
      return;
  }
  double lf = 1.0, wf = 0.0, vf = 1.0;
  if (iwhole == 0) {
    lf = rec.real(srmain::kLiquidFraction);
    wf = rec.real(srmain::kWaterFraction);
    vf = rec.real(srmain::kVapourFraction);
    if (services::RELCMP(vf, 0.0) == 0) vf = 1.0;
  }
  const bool surface = kliq == static_cast<std::int32_t>(TransportProperty::SurfaceTension);
  // One evaluation with free-water amount FREE; returns the parts, or false without flow.
  const auto evaluate = [&](double free, TransportParts& parts) {
    if (surface) {
      double hc = 0.0, w = 0.0;
      std::int32_t split = 0;
      WTSPLT(iwat, 0, vapour, vf, xvhc, hc, w, split, nv);
    }
    double hc = 0.0, w = 0.0;
    std::int32_t split = 0;
    WTSPL2(iwat, 0, liquid, lf, free, xlhc, hc, w, split, nl);
    if (split < 1) return false;
    std::int32_t water = iwat;
    PhaseAmounts ph{xvhc, xlhc, vapour, liquid, hc + w, w, lf, free};
    PHTRNS(kliq, split, water, method, t, p, ph, parts, ierr);
    return true;
  };
  TransportParts parts;
  if (!evaluate(wf, parts)) {
    ierr += kNoLiquidFlow;
  } else {
    r.values[kR4] = parts.hydrocarbon;
    r.values[kR5] = parts.mixture;
    r.values[kR6] = parts.water;
  }
  if (iwhole != 0) return;
  if (iwat == 0 || ifwopt < 1) {
    r.values[kR7] = r.values[kR5];
    return;
  }
  TransportParts dry;
  if (!evaluate(0.0, dry)) {
    ierr += kNoLiquidFlow;
  } else {
    r.values[kR7] = dry.mixture;
  }
}

void PHTRAN(std::int32_t kind, std::int32_t phase, std::span<float> results,
            std::span<const float> strvec, std::int32_t& ierr) {
  // 1. The checks, in this order.
  TemporaryStream temporary;
  const float rate = strvec.empty() ? 0.0F : strvec[0];
  if (!(rate > 0.0F)) {
    ierr = 3;
    return;
  }
  if (kind < 1 || kind > 6) {
    ierr = 2;
    return;
  }
  if (phase != 1 && phase != 2) {
    ierr = 1;
    return;
  }
  ierr = 0;
  const auto nc = static_cast<std::size_t>(std::max(transport::streamCount(), 0));
  const bool transportKind = kind >= static_cast<std::int32_t>(VectorKind::AllTransport);
  const std::size_t nres = transportKind ? kTransportResults : nc;
  if (strvec.size() < kFirstAmount + nc || results.size() < nres) {
    services::ERRITM("VECTOR", static_cast<std::int32_t>(strvec.size()));
    services::ERRITM("RESULTS", static_cast<std::int32_t>(results.size()));
    services::ERRITM("NC", static_cast<std::int32_t>(nc));
    services::ABTRPT("TR", "PHTRAN", "PHTRAN", "STREAM VECTOR OR RESULT ARRAY TOO SHORT");
  }

  // 2. and 3. The result array and the state in unit set 1.
  std::int32_t area = storage::ICMGTR(static_cast<std::int32_t>(nres), 0);
  const double rate1 = services::UOMCNV(rate, kRateClass, kVectorSet, kInternalSet);
  const double t = services::UOMCNV(strvec[1], kTemperatureClass, kVectorSet, kInternalSet);
  const double p = services::UOMCNV(strvec[2], kPressureClass, kVectorSet, kInternalSet);
  const auto put = [&](std::size_t slot, double v) {
    storage::CORSTO.setReal(area + static_cast<std::int32_t>(slot), v);
  };
  const auto get = [&](std::size_t slot) {
    return storage::CORSTO.real(area + static_cast<std::int32_t>(slot));
  };

  if (!transportKind) {
    // 5. Kinds 1 and 2: one correlation for every component.
    const bool pressures = kind == static_cast<std::int32_t>(VectorKind::VapourPressures);
    const std::int32_t type = pressures ? 1001 : 110;
    const std::span<double> values = transport::scratch(Scratch::Values, nc);
    const std::span<double> slopes = transport::scratch(Scratch::Derivatives, nc);
    std::fill(slopes.begin(), slopes.end(), 0.0);
    pure::XPCALC(type, methods::MTSETN(type), static_cast<std::int32_t>(nc), 0, 0,
                 pressures ? 2 : 0, t, p, values, slopes);
    for (std::size_t i = 0; i < nc; ++i) {
      put(i + 1, single5(values[i], pressures ? kPressureClass : kEnthalpyClass));
    }
  } else {
    // 4. The temporary stream of the composition as one phase.
    const bool vapour = phase == 1 && kind != static_cast<std::int32_t>(VectorKind::SurfaceTension);
    temporary.create();
    MainRecord rec(problem::SRPSET.set2);
    for (std::size_t i = 1; i <= nc; ++i) {
      const double x = static_cast<double>(strvec[kFirstAmount + i - 1]) / rate;
      const auto k = static_cast<std::int32_t>(i);
      rec.setVector(srmain::kOverall, k, x);
      rec.setVector(srmain::kVapour, k, vapour ? x : 0.0);
      rec.setVector(srmain::kLiquid, k, vapour ? 0.0 : x);
    }
    rec.setReal(srmain::kTemperature, t);
    rec.setReal(srmain::kPressure, p);
    rec.setReal(srmain::kRate, rate1);
    rec.setReal(srmain::kVapourFraction, vapour ? 1.0 : 0.0);
    rec.setReal(srmain::kLiquidFraction, vapour ? 0.0 : 1.0);
    rec.setReal(srmain::kWaterFraction, 0.0);
    // The evaluation uses the method set current now.
    rec.integer(kMethodSetWord) = std::max(methods::THCTL.currentSet, 0);
    for (std::size_t s = 1; s <= kTransportResults; ++s) put(s, 0.0);

    // 5. By kind: each evaluation into its slot.
    const std::int32_t n = temporary.number();
    PhaseTransport r;
    const auto vapourInto = [&](TransportProperty prop, std::size_t slot, std::int32_t cls) {
      PHPEVL(n, 0, 0, static_cast<std::int32_t>(prop), 0, r, ierr);
      put(slot, single5(r.values[kR2], cls));
    };
    const auto liquidInto = [&](TransportProperty prop, std::size_t slot, std::int32_t cls) {
      PHPEVL(n, 0, 0, 0, static_cast<std::int32_t>(prop), r, ierr);
      put(slot, single5(r.values[kR5], cls));
    };
    switch (static_cast<VectorKind>(kind)) {
      case VectorKind::AllTransport:
        if (vapour) {
          vapourInto(TransportProperty::VapourViscosity, 4, kViscosityClass);
          vapourInto(TransportProperty::VapourConductivity, 5, kConductivityClass);
        } else {
          liquidInto(TransportProperty::SurfaceTension, 1, kSurfaceTensionClass);
          liquidInto(TransportProperty::LiquidViscosity, 2, kViscosityClass);
          liquidInto(TransportProperty::LiquidConductivity, 3, kConductivityClass);
        }
        break;
      case VectorKind::Conductivity:
        if (vapour) {
          vapourInto(TransportProperty::VapourConductivity, 5, kConductivityClass);
        } else {
          liquidInto(TransportProperty::LiquidConductivity, 3, kConductivityClass);
        }
        break;
      case VectorKind::Viscosity:
        if (vapour) {
          vapourInto(TransportProperty::VapourViscosity, 4, kViscosityClass);
        } else {
          liquidInto(TransportProperty::LiquidViscosity, 2, kViscosityClass);
        }
        break;
      default:
        liquidInto(TransportProperty::SurfaceTension, 1, kSurfaceTensionClass);
        break;
    }
  }

  // 7. The results in single precision.
  for (std::size_t k = 0; k < nres; ++k) results[k] = transport::toSingle(get(k + 1));
  storage::CMFRER(area);
}

}  // namespace phase
