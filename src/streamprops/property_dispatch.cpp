// SPEDSP and the evaluators of the 500s and 800s, with the helpers that every evaluator of
// a property code shares.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "problem/component_data.hpp"
#include "problem/method_set_control.hpp"
#include "problem/streams.hpp"
#include "services/report_pages.hpp"
#include "services/scratch_vectors.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/basis_vectors.hpp"
#include "streamprops/distillation_group.hpp"
#include "streamprops/inspection_blending.hpp"
#include "streamprops/property_codes.hpp"
#include "streamprops/property_internal.hpp"
#include "thermo/phase/transport.hpp"

namespace streamprops {
namespace detail {

Options optionsOf(std::span<std::int32_t> oprec) {
  const std::int32_t w = word(oprec, spcrec::kOptions);
  return {optionDigit(w, 1), optionDigit(w, 2), optionDigit(w, 4)};
}

ComponentRange rangeOf(std::span<std::int32_t> oprec, std::int32_t wholeLast) {
  const std::int32_t w = word(oprec, spcrec::kRange);
  const std::int32_t first = WKALOC(w / 10000);
  const std::int32_t last = WKALOC(w % 10000);
  if (first == 0 || last == 0) return {1, wholeLast, 0};
  return {first, last, 1};
}

BasisVector::BasisVector(std::int32_t phase, std::int32_t noflag) {
  SPBASE(phase, handle_, start_, amount_, mrate_, noflag);
  const std::int32_t n = problem::COHDR(problem::cohdr::kStreamComponents);
  if (handle_ > 0 && n > 0) x_ = storage::CORSTO.reals(start_ + 1, n);
}

BasisVector::~BasisVector() {
  if (handle_ > 0) storage::CMFRER(handle_);
}

double headerReal(std::int32_t k) { return problem::MainRecord(problem::SRPSET.set1).real(k); }

}  // namespace detail

namespace {

using detail::headerReal;
using detail::word;
using phase::TransportProperty;

// Ranges of the property codes.
enum class Group { None, Header, Constants, Curves, Transport, Inspection, Quality, Electrolyte };

Group groupOf(std::int32_t code) {
  if (code >= 200 && code <= 299) return Group::Header;
  if (code >= 300 && code <= 399) return Group::Constants;
  if (code >= 400 && code <= 499) return Group::Curves;
  if (code >= 500 && code <= 599) return Group::Transport;
  if (code >= 601 && code <= 699) return Group::Inspection;
  if (code >= 701 && code <= 716) return Group::Quality;
  if (code >= 801 && code <= 899) return Group::Electrolyte;
  return Group::None;
}

constexpr std::int32_t kTemperature = 201;
constexpr std::int32_t kPressure = 202;
constexpr std::int32_t kRateNotSet = 11;  // header real of the total rate
constexpr std::int32_t kMethodSetWord = 20;
constexpr std::int32_t kElectrolyteQuantity = 29;

// The compositions of SPE500, kept between calls so that a warm call allocates nothing.
struct TransportScratch {
  std::vector<double> vapour, liquid, vapourFree, liquidFree;
};
TransportScratch scratch;
const bool kScratchReset = services::registerKeptValues([] { scratch = TransportScratch{}; });

// Vector V of the stream of pointer set 1 into OUT (its first COUNT entries).
void copyVector(std::int32_t v, std::int32_t count, std::span<double> out) {
  const auto n = std::min(static_cast<std::size_t>(std::max(count, 0)), out.size());
  if (n == 0) return;
  storage::CORSTO
      .reals(problem::SRPSET.set1.realSectors.at(static_cast<std::size_t>(v - 1)) + 1,
             static_cast<std::int32_t>(n))
      .copyTo(out.first(n));
}

// Makes the method set current at the start current again, on every way out.
class MethodSetRestore {
 public:
  MethodSetRestore() : set_(problem::THCTL.currentSet) {}
  MethodSetRestore(const MethodSetRestore&) = delete;
  MethodSetRestore& operator=(const MethodSetRestore&) = delete;
  ~MethodSetRestore() {
    try {
      if (set_ > 0 && set_ != problem::THCTL.currentSet) use(set_);
    } catch (...) {
      // Only a stop hook that throws reaches here, and the run has stopped already.
    }
  }
  static void use(std::int32_t set) {
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, set);
  }

 private:
  std::int32_t set_;
};

// The transport code and method of property CODE for a vapour (true) or liquid phase; 0 for
// a property the phase does not have.
struct TransportChoice {
  TransportProperty property = TransportProperty::VapourViscosity;
  std::int32_t method = 0;
  bool defined = false;
};
TransportChoice transportOf(std::int32_t code, bool vapour) {
  const methods::PropertyMethods4& m = methods::PMCTL4;
  switch (code) {
    case 500:
      return vapour
                 ? TransportChoice{TransportProperty::VapourViscosity, m.vapourViscosity.code, true}
                 : TransportChoice{TransportProperty::LiquidViscosity, m.liquidViscosity.code,
                                   true};
    case 501:
      return vapour ? TransportChoice{TransportProperty::VapourConductivity,
                                      m.vapourConductivity.code, true}
                    : TransportChoice{TransportProperty::LiquidConductivity,
                                      m.liquidConductivity.code, true};
    case 502:
      if (vapour) return {};
      return {TransportProperty::SurfaceTension, m.surfaceTension.code, true};
    default:
      return {};
  }
}

}  // namespace

PropertyStatus SPEDSP(std::int32_t ispec, std::span<std::int32_t> oprec, std::int32_t iaux,
                      double& value, std::int32_t noflag, double argval) {
  if (oprec.size() < static_cast<std::size_t>(spcrec::kWords)) {
    services::ERRITM("LENGTH", static_cast<std::int32_t>(oprec.size()));
    services::ABTRPT("SP", "SPEDSP", "SPEDSP", "PROPERTY REQUEST RECORD TOO SHORT");
  }
  // 1. The stream: the working stream or the one numbered in the request.
  const std::int32_t n = word(oprec, spcrec::kReference) == 1 ? problem::SRPSET.set2.stream
                                                              : word(oprec, spcrec::kStream);
  problem::SRSETT(n);

  // 2. Temperature and pressure are given even without a rate.
  const std::int32_t code = word(oprec, spcrec::kCode);
  if (code != kTemperature && code != kPressure && headerReal(kRateNotSet) < services::RMISS) {
    value = 0.0;
    return PropertyStatus::Done;
  }

  // 3. The evaluator of the code's range.
  std::int32_t istat = 0;
  switch (groupOf(code)) {
    case Group::Header:
      SPE200(ispec, oprec, iaux, istat, value, noflag);
      break;
    case Group::Constants:
      SPE300(ispec, oprec, iaux, istat, value, noflag);
      break;
    case Group::Transport:
      SPE500(ispec, oprec, iaux, istat, value);
      break;
    case Group::Quality:
      SPE700(ispec, oprec, iaux, istat, value, noflag);
      break;
    case Group::Electrolyte:
      SPE800(ispec, oprec, iaux, istat, value);
      break;
    case Group::Inspection:
      SPE600(ispec, oprec, iaux, istat, value, noflag, argval);
      break;
    case Group::Curves:
      SPE400(ispec, oprec, iaux, istat, value, noflag, argval);
      if (istat == kCurveGroupNotAvailable) return PropertyStatus::NotAvailable;
      break;
    case Group::None:
      break;
  }
  return PropertyStatus::Done;
}

void SPE500(std::int32_t, std::span<std::int32_t> oprec, std::int32_t, std::int32_t&,
            double& value) {
  const std::int32_t code = word(oprec, spcrec::kCode);
  const auto phase = static_cast<PhaseBasis>(word(oprec, spcrec::kPhase));
  const bool vapour = phase == PhaseBasis::Vapour;
  const bool liquid = phase == PhaseBasis::TotalLiquid || phase == PhaseBasis::HydrocarbonLiquid ||
                      phase == PhaseBasis::FreeWater;
  const TransportChoice choice = transportOf(code, vapour);
  if (!(vapour || liquid) || !choice.defined) {
    value = services::DMISS;
    return;
  }

  // 1. The state and the stream's own method set for the evaluation.
  const double t = headerReal(1);
  const double p = headerReal(2);
  const MethodSetRestore restore;
  MethodSetRestore::use(problem::MainRecord(problem::SRPSET.set1).integer(kMethodSetWord));
  // The method set's transport entries are those of the stream's set now.
  const TransportChoice method = transportOf(code, vapour);

  // 2. The phase and its water split.
  const auto& cohdr = problem::COHDR;
  const auto ns = static_cast<std::size_t>(std::max(cohdr(problem::cohdr::kStreamComponents), 0));
  const std::int32_t nv = cohdr(problem::cohdr::kVapourComponents);
  const std::int32_t nl = cohdr(problem::cohdr::kLiquidComponents);
  const std::span<double> xv = services::cleared(scratch.vapour, ns);
  const std::span<double> xl = services::cleared(scratch.liquid, ns);
  const std::span<double> xvhc = services::cleared(scratch.vapourFree, ns);
  const std::span<double> xlhc = services::cleared(scratch.liquidFree, ns);
  copyVector(problem::srmain::kVapour, nv, xv);
  copyVector(problem::srmain::kLiquid, nl, xl);
  std::int32_t iwat = problem::THCTL.idecnt;
  const double lf = headerReal(25);
  const double wf = headerReal(14);
  double hc = 0.0, w = 0.0;
  std::int32_t split = 0;
  switch (phase) {
    case PhaseBasis::Vapour:
      phase::WTSPLT(iwat, 0, xv, headerReal(19), xvhc, hc, w, split, nv);
      break;
    case PhaseBasis::TotalLiquid:
      phase::WTSPL2(iwat, 0, xl, lf, wf, xlhc, hc, w, split, nl);
      break;
    case PhaseBasis::HydrocarbonLiquid:
      phase::WTSPL2(iwat, 0, xl, lf, 0.0, xlhc, hc, w, split, nl);
      break;
    default:  // free water: no hydrocarbon part
      split = 1;
      w = wf;
      break;
  }

  // 3. and 4. The property, whole phase or its hydrocarbon part.
  phase::PhaseAmounts amounts{xvhc, xlhc, xv, xl, hc + w, w, lf, wf};
  phase::TransportParts parts;
  std::int32_t ierr = 0;
  phase::PHTRNS(static_cast<std::int32_t>(method.property), split, iwat, method.method, t, p,
                amounts, parts, ierr);
  value = detail::optionsOf(oprec).d4 == 2 ? parts.hydrocarbon : parts.mixture;
}

void SPE800(std::int32_t, std::span<std::int32_t> oprec, std::int32_t, std::int32_t&,
            double& value) {
  const std::int32_t code = word(oprec, spcrec::kCode);
  if (code == 801) {
    value = headerReal(kElectrolyteQuantity);
    return;
  }
  // No other electrolyte quantity exists: the value is missing and the run goes on.
  value = services::DMISS;
  services::RPLINE(" SPE800 - ILLEGAL INVOCATION FOR ELECTROLYTES: PROPERTY CODE NOT AVAILABLE");
}

}  // namespace streamprops
