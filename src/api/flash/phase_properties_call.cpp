// The phase properties call of the host.
#include "api/flash/phase_properties_call.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "api/flash/debug_listing.hpp"
#include "api/flash/stream_vector.hpp"
#include "flash/flash.hpp"
#include "services/services.hpp"
#include "thermo/phase/transport.hpp"

namespace api_flash {
namespace {

using services::UOMCNV;
using namespace strvec;

constexpr std::int32_t kVapour = 1;
constexpr std::int32_t kIsothermal = 1;
constexpr std::int32_t kConductivityClass = 35;
constexpr std::int32_t kViscosityClass = 40;
constexpr std::int32_t kSurfaceTensionClass = 42;
constexpr std::int32_t kVapourVolumeClass = 17;
constexpr std::int32_t kLiquidVolumeClass = 16;
constexpr double kMolarEnthalpyScale = 1e6;
constexpr double kMolarEntropyScale = 1000.0;
constexpr std::int32_t kMostComponents = 200;
constexpr const char* kListingName = "VProps.txt";

// The vectors of the call, sized from the problem and cleared on every call.
struct Vectors {
  std::vector<float> feed, vap, liq, wat, k;
};
Vectors vectors;
const bool kVectorsReset = services::registerKeptValues([] { vectors = Vectors{}; });

void prepare(std::size_t nc) {
  const std::size_t words = kHeaderWords + nc;
  for (std::vector<float>* v : {&vectors.feed, &vectors.vap, &vectors.liq, &vectors.wat}) {
    v->resize(words);
    std::fill(v->begin(), v->end(), 0.0F);
  }
  vectors.k.assign(nc, 0.0F);
}

double toHost(double v, std::int32_t cls) { return UOMCNV(v, cls, kVectorSet, kHostSet); }
double toInternal(double v, std::int32_t cls) { return UOMCNV(v, cls, kVectorSet, kInternalSet); }

// Every return after the listing opened writes the error line first.
std::int32_t failed(int unit, std::int32_t status) {
  listAfter(unit, " ***Error exit with code: ", status);
  return status;
}

// The status of the first property in PROPS that is no finite number or a negative
// magnitude (all but the enthalpy and the entropy), by the step that forms it; 0 when all
// are plausible.
std::int32_t implausibleProperty(std::span<const double> props) {
  constexpr std::int32_t kStepOf[kPropsWords] = {
      kPropsTransport, kPropsTransport,       kPropsTransport,   kPropsEnthalpy,   kPropsEntropy,
      kPropsEnthalpy,  kPropsCompressibility, kPropsVolumeFlows, kPropsVolumeFlows};
  constexpr std::size_t kEnthalpyWord = 3, kEntropyWord = 4;
  for (std::size_t k = 0; k < kPropsWords; ++k) {
    const bool hasSign = k == kEnthalpyWord || k == kEntropyWord;
    if (!std::isfinite(props[k]) || (!hasSign && props[k] < 0.0)) return kStepOf[k];
  }
  return 0;
}

}  // namespace

void VPROPS(std::int32_t idebug, std::string_view strmid, double tempin, double presin,
            std::span<double> compin, std::int32_t iphase, std::int32_t ncomp,
            std::int32_t nprop, std::span<double> props, std::int32_t& ierr) {
  // 1. The listing, when asked for.
  const DebugListing listing(idebug, kListingName, ierr);
  if (ierr != 0) return;
  const int unit = listing.unit();
  listText(unit, "Debug from VProps for file", kListingName);
  listText(unit, "Stream ID", strmid);
  listValue(unit, "TEMPIN", tempin);
  listValue(unit, "PRESIN", presin);
  listValue(unit, "NCOMP", ncomp);
  listValue(unit, "IPHASE", iphase);

  // 2. Clear what the caller asked for.
  const auto cleared =
      std::min(props.size(), static_cast<std::size_t>(std::max<std::int32_t>(nprop, 0)));
  std::fill_n(props.begin(), cleared, 0.0);
  ierr = 0;

  // 3. The stream and its method set.
  std::int32_t iset = 0;
  if (flash::SRLOOK(strmid, iset) != static_cast<std::int32_t>(flash::StreamLookup::Found)) {
    ierr = failed(unit, kPropsUnknownStream);
    return;
  }
  listAfter(unit, " Thermo set number ", iset);
  const std::int32_t nc = streamVectorComponents();
  if (ncomp != nc || nc > kMostComponents ||
      compin.size() < static_cast<std::size_t>(std::max(nc, 0)) || props.size() < kPropsWords) {
    ierr = failed(unit, kPropsComponentCount);
    return;
  }
  const auto n = static_cast<std::size_t>(nc);

  // 4. Normalise the composition in place.
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) sum += compin[i];
  if (!(sum > 0.0) || !std::isfinite(sum)) {
    ierr = failed(unit, kPropsNoAmount);
    return;
  }
  for (std::size_t i = 0; i < n; ++i) compin[i] /= sum;

  // 5. One unit of rate at the state, in set 5.
  prepare(n);
  StreamVector feed(vectors.feed);
  feed(kRate) = 1.0F;
  feed(kTemperature) =
      static_cast<float>(UOMCNV(tempin, kTemperatureClass, kHostSet, kVectorSet));
  feed(kPressure) =
      static_cast<float>(UOMCNV(presin / 1000.0, kPressureClass, kHostSet, kVectorSet));
  for (std::size_t i = 1; i <= n; ++i) feed.amount(i) = static_cast<float>(compin[i - 1]);
  listValue(unit, "DTEMP  (Input units)", static_cast<double>(feed(kTemperature)));
  listValue(unit, "DPRES  (Input units)", static_cast<double>(feed(kPressure)));

  // 6. The flash at T and P for the liquid and water shares and the enthalpy.
  std::int32_t e = 0;
  UFLSH(vectors.feed, vectors.vap, vectors.liq, vectors.wat, vectors.k, kIsothermal, e);
  if (e != 0) {
    ierr = failed(unit, kPropsFlashBase - e);
    return;
  }
  const StreamVector vap(vectors.vap), liq(vectors.liq), wat(vectors.wat);
  feed(kEnthalpy) = vap(kEnthalpy) + liq(kEnthalpy) + wat(kEnthalpy);
  feed(kLiquidFraction) = (liq(kRate) + wat(kRate)) / feed(kRate);
  feed(kWaterFraction) = wat(kRate) / feed(kRate);

  // 7-9. Enthalpy with heat capacity, entropy and Z of the whole composition as the phase.
  float res = 0.0F, res2 = 0.0F;
  PHPROP(1, iphase, vectors.feed, res, res2, e);
  if (e != 0) {
    ierr = failed(unit, kPropsEnthalpy);
    return;
  }
  props[3] = toInternal(res, kMolarEnthalpyClass) * kMolarEnthalpyScale;
  props[5] = toInternal(res2, kHeatCapacityClass) * kMolarEntropyScale;
  const double enthalpy[] = {static_cast<double>(res), static_cast<double>(res2)};
  listValues(unit, " ENTH, CP (input units) =  ", enthalpy);
  const double enthalpySI[] = {props[3], props[5]};
  listValues(unit, " ENTH, CP (SI units) = ", enthalpySI);
  PHPROP(2, iphase, vectors.feed, res, res2, e);
  if (e != 0) {
    ierr = failed(unit, kPropsEntropy);
    return;
  }
  props[4] = toInternal(res, kMolarEntropyClass) * kMolarEntropyScale;
  listAfter(unit, " ENTR (input units) =  ", static_cast<double>(res));
  listAfter(unit, " ENTR (SI units) = ", props[4]);
  PHPROP(3, iphase, vectors.feed, res, res2, e);
  if (e != 0) {
    ierr = failed(unit, kPropsCompressibility);
    return;
  }
  props[6] = res;
  listAfter(unit, " Compressibility = ", props[6]);
  for (std::size_t i = 1; i <= kHeaderWords; ++i) {
    const double word[] = {static_cast<double>(i), static_cast<double>(feed(i))};
    listValues(unit, " STRM( i ) = ", word);
  }

  // 10. The volume flows; a failed density is reported, never divided by.
  float dry = 0.0F, wet = 0.0F;
  VPASSM(iphase, vectors.feed, dry, wet, e);
  if (e != 0) {
    ierr = failed(unit, kPropsVolumeFlows);
    return;
  }
  const std::int32_t volumeClass = iphase == kVapour ? kVapourVolumeClass : kLiquidVolumeClass;
  props[7] = toInternal(dry, volumeClass);
  props[8] = toInternal(wet, volumeClass);
  const double flows[] = {static_cast<double>(dry), static_cast<double>(wet)};
  listValues(unit, " Dry/Wet Vol (input units) =  ", flows);
  listAfter(unit, " Dry volume flow = ", props[7]);
  listAfter(unit, " Wet volume flow = ", props[8]);

  // 11. The transport properties.
  std::array<float, phase::kTransportResults> transport{};
  phase::PHTRAN(static_cast<std::int32_t>(phase::VectorKind::AllTransport), iphase, transport,
                vectors.feed, e);
  if (e != 0) {
    ierr = failed(unit, kPropsTransport);
    return;
  }
  if (iphase == kVapour) {
    props[0] = toHost(transport[4], kConductivityClass);
    props[1] = toHost(transport[3], kViscosityClass);
    props[2] = 0.0;
  } else {
    props[0] = toHost(transport[2], kConductivityClass);
    props[1] = toHost(transport[1], kViscosityClass);
    props[2] = toHost(transport[0], kSurfaceTensionClass);
  }
  listValues(unit, " PROPRS (SI units) =  ", std::span<const double>(props.data(), kPropsWords));

  // 12. Every property formed is a finite number, and those that are magnitudes are not
  // negative; otherwise the step that formed it failed (constants the drivers could not
  // use), and its words are cleared.
  if (const std::int32_t status = implausibleProperty(props); status != 0) {
    std::fill_n(props.begin(), kPropsWords, 0.0);
    ierr = failed(unit, status);
  }
}

}  // namespace api_flash
