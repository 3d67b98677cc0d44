// The host's flash of a composition.
#include "api/flash/composition_flash.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "api/flash/debug_listing.hpp"
#include "api/flash/flash_request_checks.hpp"
#include "api/flash/root_search.hpp"
#include "api/flash/stream_vector.hpp"
#include "flash/flash.hpp"
#include "services/services.hpp"

namespace api_flash {
namespace {

using services::UOMCNV;
using namespace strvec;

constexpr std::int32_t kVapour = 1;
constexpr std::int32_t kLiquid = 2;
constexpr std::int32_t kEntropyKind = 2;
constexpr std::int32_t kDewAtP = 5;
constexpr std::int32_t kBubbleAtP = 7;
constexpr std::int32_t kFirstEntropyType = 8;  // 8 T,S and 9 P,S carry ENTSPC
constexpr std::int32_t kLastEntropyType = 9;
constexpr double kMolarEnthalpyScale = 1e6;  // host enthalpies are 1e6 x set 1
constexpr double kHostScale = 1000.0;        // host pressure and entropy are 1000 x their set
constexpr const char* kListingName = "VFlash.txt";

// The call's own vectors, sized from the problem and cleared on every call; the method set
// of the last stream found.
struct Vectors {
  std::vector<float> feed, vap, liq, wat, k;
  std::int32_t iset = 0;
};
Vectors vectors;
const bool kVectorsReset = services::registerKeptValues([] { vectors = Vectors{}; });

void prepare(std::size_t nc) {
  for (std::vector<float>* v : {&vectors.feed, &vectors.vap, &vectors.liq, &vectors.wat}) {
    v->resize(kHeaderWords + nc);
    std::fill(v->begin(), v->end(), 0.0F);
  }
  vectors.k.resize(nc);
  std::fill(vectors.k.begin(), vectors.k.end(), 0.0F);
}

// The total enthalpy of the three phase vectors, the unit of the limits of type 12.
double phaseEnthalpySum() {
  return (static_cast<double>(vectors.vap[kEnthalpy - 1]) + vectors.liq[kEnthalpy - 1] +
          vectors.wat[kEnthalpy - 1]) *
         kMolarEnthalpyScale;
}

std::int32_t flashVectors(std::int32_t type) {
  std::int32_t e = 0;
  UFLSH(vectors.feed, vectors.vap, vectors.liq, vectors.wat, vectors.k, type, e);
  return e;
}

void listInputs(int unit, std::string_view strmid, const FlashRequest& in) {
  listText(unit, "Debug from VFlash for file", kListingName);
  listText(unit, "Stream ID", strmid);
  listValue(unit, "TEMPIN", in.tempin);
  listValue(unit, "PRESIN", in.presin);
  listValue(unit, "VFRAC", in.vfrac);
  listValue(unit, "ENTHIN", in.enthin);
  listValue(unit, "ENTRIN", in.entrin);
  listValue(unit, "NCOMP", in.ncomp);
  listValue(unit, "IFTYPE", in.iftype);
  listValue(unit, "HMIN", in.hmin);
  listValue(unit, "HMAX", in.hmax);
  listValue(unit, "IESTI", in.iesti);
}

void listResults(int unit, std::string_view strmid, const FlashResults& out, double entht,
                 std::span<const double> compin) {
  listLine(unit, "After Flash...              ");
  listText(unit, "Stream ID", strmid);
  const std::pair<const char*, double> lines[] = {
      {"TEMPOT", out.tempot}, {"PRESOT", out.presot}, {"ENTHV", out.enthv}, {"ENTHL", out.enthl},
      {"ENTHW", out.enthw},   {"ENTHT", entht},       {"ENTRV", out.entrv}, {"ENTRL", out.entrl},
      {"ENTRW", out.entrw},   {"FRACV", out.fracv},   {"FRACL", out.fracl}, {"FRACW", out.fracw}};
  for (const auto& [label, value] : lines) listValue(unit, label, value);
  listLine(unit, "COMPIN(I)   COMPV(I)    COMPL(I)    COMPW(I)");
  for (std::size_t i = 0; i < compin.size(); ++i) {
    const double row[] = {compin[i], out.compV[i], out.compL[i], out.compW[i]};
    listValues(unit, "", row);
  }
}

// Every return after the listing opened writes the error line first.
std::int32_t failed(int unit, std::int32_t status) {
  listAfter(unit, " ***Error exit with code: ", status);
  return status;
}

// UFLSH's status of a failed flash and PHPROP's of a failed driver.
constexpr std::int32_t kFlashFailed = static_cast<std::int32_t>(VectorFlashStatus::Failed);
constexpr std::int32_t kDriverFailed = static_cast<std::int32_t>(PhasePropertyStatus::DriverFailed);

// Whether the results are a state a flash can give: every scalar a finite number, the
// temperature and the pressure above 0, the phase fractions and the mole fractions within
// 0 to 1.
bool plausibleResults(const FlashResults& out, std::size_t n) {
  for (double v : {out.tempot, out.presot, out.enthv, out.enthl, out.enthw, out.entrv, out.entrl,
                   out.entrw, out.fracv, out.fracl, out.fracw}) {
    if (!std::isfinite(v)) return false;
  }
  // In the internal units: the host's may have their zero elsewhere.
  const double t = UOMCNV(out.tempot, kTemperatureClass, kHostSet, kInternalSet);
  const double p = UOMCNV(out.presot / kHostScale, kPressureClass, kHostSet, kInternalSet);
  if (!(t > 0.0) || !(p > 0.0)) return false;
  const auto fraction = [](double f) { return f >= 0.0 && f <= 1.0; };
  if (!fraction(out.fracv) || !fraction(out.fracl) || !fraction(out.fracw)) return false;
  for (std::span<const double> c : {out.compV, out.compL, out.compW}) {
    if (!std::all_of(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(n), fraction)) {
      return false;
    }
  }
  return true;
}

// A failure after the flash: every output back to 0.0, then the error line.
std::int32_t failedWithClearedResults(int unit, FlashResults& out, std::int32_t status) {
  const std::span<double> compV = out.compV, compL = out.compL, compW = out.compW;
  out = FlashResults{};
  out.compV = compV;
  out.compL = compL;
  out.compW = compW;
  for (std::span<double> c : {compV, compL, compW}) std::fill(c.begin(), c.end(), 0.0);
  return failed(unit, status);
}

// The molar enthalpy of a phase vector for the host (set 1 x 1e6), 0.0 without the phase;
// TOTAL collects the phase's total.
double molarEnthalpy(const StreamVector v, double& total) {
  const double h =
      UOMCNV(v(kEnthalpy), kMolarEnthalpyClass, kVectorSet, kInternalSet) * kMolarEnthalpyScale;
  total += h;
  return v(kRate) > 0.0F ? h / static_cast<double>(v(kRate)) : 0.0;
}

// The molar entropy of a phase vector for the host (set 1 x 1000), 0.0 without the phase.
std::int32_t molarEntropy(std::span<const float> words, std::int32_t phase, double& s) {
  float res = 0.0F, res2 = 0.0F;
  std::int32_t e = 0;
  PHPROP(kEntropyKind, phase, words, res, res2, e);
  const StreamVector v(std::span<float>(const_cast<float*>(words.data()), words.size()));
  if (e == 0 && v(kRate) > 0.0F) {
    s = UOMCNV(res, kMolarEntropyClass, kVectorSet, kInternalSet) / static_cast<double>(v(kRate)) *
        kHostScale;
  }
  return e;
}

// Every result 0.0, the phase compositions included.
void clearResults(FlashResults& out) {
  const std::span<double> compV = out.compV, compL = out.compL, compW = out.compW;
  out = FlashResults{};
  out.compV = compV;
  out.compL = compL;
  out.compW = compW;
  for (std::span<double> c : {compV, compL, compW}) std::fill(c.begin(), c.end(), 0.0);
}

// A single-precision word of V, or 0.0 when no word can hold it.
float wordOf(double v) {
  return std::isfinite(v) && std::abs(v) <= std::numeric_limits<float>::max()
             ? static_cast<float>(v)
             : 0.0F;
}

}  // namespace

void VFLASH(std::int32_t idebug, std::string_view strmid, const FlashRequest& in,
            std::span<double> compin, FlashResults& out, std::int32_t& ierr) {
  // 1. The listing, when asked for.
  const DebugListing listing(idebug, kListingName, ierr);
  if (ierr != 0) return;
  const int unit = listing.unit();
  listInputs(unit, strmid, in);

  // 2. Every output starts at 0.0.
  clearResults(out);
  const std::span<double> compV = out.compV, compL = out.compL, compW = out.compW;

  // The problem, and a composition the private vectors can hold.
  if (!problemIsOpen()) {
    ierr = failed(unit, kFlashUnknownStream);
    return;
  }
  const std::int32_t nc = streamVectorComponents();
  const auto n = static_cast<std::size_t>(nc);
  if (in.ncomp != nc || nc > kMostFlashComponents || compin.size() < n || compV.size() < n ||
      compL.size() < n || compW.size() < n) {
    ierr = failed(unit, kFlashComponentCount);
    return;
  }
  const std::span<double> z = compin.first(n);

  // 3. Normalise the composition in the caller's array.
  // A negative amount would be flashed as part of a feed it does not describe.
  double sum = 0.0;
  bool signs = true;
  for (double c : z) {
    sum += c;
    signs = signs && c >= 0.0;
  }
  if (!(sum > 0.0) || !std::isfinite(sum) || !signs) {
    ierr = failed(unit, kFlashNoAmount);
    return;
  }
  for (double& c : z) c /= sum;

  // 4. The state into unit set 5.
  const double t = UOMCNV(in.tempin, kTemperatureClass, kHostSet, kVectorSet);
  const double p = UOMCNV(in.presin / kHostScale, kPressureClass, kHostSet, kVectorSet);
  const double h = UOMCNV(in.enthin, kMolarEnthalpyClass, kHostSet, kVectorSet);
  const double s = UOMCNV(in.entrin / kHostScale, kMolarEntropyClass, kHostSet, kVectorSet);
  double hmin = UOMCNV(in.hmin, kMolarEnthalpyClass, kHostSet, kVectorSet);
  double hmax = UOMCNV(in.hmax, kMolarEnthalpyClass, kHostSet, kVectorSet);
  listValue(unit, "DTEMP  (Input units)", t);
  listValue(unit, "DPRES  (Input units)", p);
  listValue(unit, "DENTH  (Input units)", h);
  listValue(unit, "DENTR  (Input units)", s);
  listValue(unit, "DHMIN  (Input units)", hmin);
  listValue(unit, "DHMAX  (Input units)", hmax);

  // 5. One unit of rate of the composition.
  prepare(n);
  StreamVector feed(vectors.feed);
  feed(kRate) = 1.0F;
  // A value the type does not read goes into the vector only when a word can hold it.
  feed(kTemperature) = wordOf(t);
  feed(kPressure) = wordOf(p);
  feed(kEnthalpy) = wordOf(h / kMolarEnthalpyScale);
  for (std::size_t i = 1; i <= n; ++i) feed.amount(i) = static_cast<float>(z[i - 1]);
  ierr = 0;

  // 6. The stream's method set.
  if (flash::SRLOOK(strmid, vectors.iset) !=
      static_cast<std::int32_t>(flash::StreamLookup::Found)) {
    ierr = failed(unit, kFlashUnknownStream);
    return;
  }
  listAfter(unit, " Thermo set number ", vectors.iset);
  listLine(unit, "Before Flash...              ");

  // 7. The flash. A type outside 1-12 runs none and is refused.
  if (in.iftype < 1 || in.iftype > kVapourFractionFlash) {
    ierr = failed(unit, kFlashBadType);
    return;
  }
  // Every input the type reads must be a request the flash can honour.
  if (!flashInputsUsable(in)) {
    ierr = failed(unit, kFlashBadInput);
    return;
  }
  if (in.iftype < kVapourFractionFlash) {
    if (in.iftype >= kFirstEntropyType && in.iftype <= kLastEntropyType) {
      ENTSPC.store(static_cast<float>(s));
      listAfter(unit, "My TVXENV = ", static_cast<double>(ENTSPC.value));
    }
    if (const std::int32_t e = flashVectors(in.iftype); e != 0) {
      ierr = failed(unit, kFlashBase - e);
      return;
    }
  } else {
    if (in.iesti == 0) {
      listLine(unit, " Estimating limits for VFRAC calcs ... ");
      if (const std::int32_t e = flashVectors(kBubbleAtP); e != 0) {
        ierr = failed(unit, kFlashBubbleBase - e);
        return;
      }
      hmin = phaseEnthalpySum();
      if (const std::int32_t e = flashVectors(kDewAtP); e != 0) {
        ierr = failed(unit, kFlashDewBase - e);
        return;
      }
      hmax = phaseEnthalpySum();
      const double limits[] = {hmin, hmax};
      listValues(unit, " Limits are", limits);
    }
    FRACFL(idebug, unit, in.vfrac, searchLimit(in.maxit), in.tol, hmin, hmax, vectors.feed,
           vectors.vap, vectors.liq, vectors.wat, vectors.k, ierr);
    if (ierr != 0) {
      ierr = failed(unit, ierr);
      return;
    }
  }
  const StreamVector vap(vectors.vap), liq(vectors.liq), wat(vectors.wat);

  // 8. The phase fractions.
  const double rate = feed(kRate);
  out.fracv = vap(kRate) / rate;
  out.fracl = liq(kRate) / rate;
  out.fracw = wat(kRate) / rate;

  // 9. The phase entropies; the free water's from the water properties, only with free water.
  if (const std::int32_t e = molarEntropy(vectors.vap, kVapour, out.entrv); e != 0) {
    ierr = failed(unit, kFlashVapourEntropy - e);
    return;
  }
  if (const std::int32_t e = molarEntropy(vectors.liq, kLiquid, out.entrl); e != 0) {
    ierr = failed(unit, kFlashLiquidEntropy - e);
    return;
  }
  if (wat(kRate) > 0.0F) {
    float sw = 0.0F, dsw = 0.0F;
    flash::VFWATR(static_cast<std::int32_t>(flash::WaterOption::Entropy), kLiquid,
                  wat(kTemperature), wat(kPressure), sw, dsw);
    out.entrw = UOMCNV(sw, kMolarEntropyClass, kVectorSet, kInternalSet) * kHostScale;
    if (!std::isfinite(out.entrw)) {
      ierr = failedWithClearedResults(unit, out, kFlashLiquidEntropy - kDriverFailed);
      return;
    }
  }

  // 10. Temperature, pressure and the phase enthalpies.
  out.tempot = UOMCNV(vap(kTemperature), kTemperatureClass, kVectorSet, kHostSet);
  out.presot = UOMCNV(vap(kPressure), kPressureClass, kVectorSet, kHostSet) * kHostScale;
  double entht = 0.0;
  out.enthv = molarEnthalpy(vap, entht);
  out.enthl = molarEnthalpy(liq, entht);
  out.enthw = molarEnthalpy(wat, entht);

  // 11. The phase compositions.
  for (std::size_t i = 1; i <= n; ++i) {
    if (vap(kRate) > 0.0F) compV[i - 1] = vap.amount(i) / vap(kRate);
    if (liq(kRate) > 0.0F) compL[i - 1] = liq.amount(i) / liq(kRate);
    if (wat(kRate) > 0.0F) compW[i - 1] = wat.amount(i) / wat(kRate);
  }

  // The state must be the one asked for: a flash that stopped short of the enthalpy or
  // entropy it was given is no answer.
  if (!answersTheRequest(in, out)) {
    clearResults(out);
    ierr = failed(unit, kFlashBadInput);
    return;
  }

  // 13. A state no flash can give (a unit conversion or a constant behind it damaged) is the
  // flash's failure, never a success.
  if (!plausibleResults(out, n)) {
    ierr = failedWithClearedResults(unit, out, kFlashBase - kFlashFailed);
    return;
  }

  // 14. The output block.
  listResults(unit, strmid, out, entht, z);
}

}  // namespace api_flash
