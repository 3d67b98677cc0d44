// The exported calls of the flash family: thin wrappers that read the host's arguments, one
// call at a time; and the host's error-control call and the iteration-history hook, which
// take no work of their own.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "api/flash/composition_flash.hpp"
#include "api/flash/phase_properties_call.hpp"
#include "api/flash/stream_vector.hpp"
#include "library_start.hpp"
#include "platform/export_arguments.hpp"
#include "platform/export_lock.hpp"
#include "vendrakol.h"

namespace {

// An input value, or 0 when the address is null.
template <typename T>
T valueAt(const T* address) {
  return address != nullptr ? *address : T{};
}

// An output value written back when the address is not null.
template <typename T>
void store(T* address, T value) {
  if (address != nullptr) *address = value;
}

// A host array of COUNT values: empty for a null address or a count outside 1 to the most
// components the calls take (the call then refuses the count before touching any array).
template <typename T>
std::span<T> hostArray(T* address, int32_t count) {
  if (address == nullptr || count < 1 || count > api_flash::kMostFlashComponents) return {};
  return std::span<T>(address, static_cast<std::size_t>(count));
}

// A stream vector of the open problem's length (10 header words and one per component).
template <typename T>
std::span<T> streamVector(T* address) {
  const std::int32_t nc = api_flash::streamVectorComponents();
  if (address == nullptr || nc < 1) return {};
  return std::span<T>(address, api_flash::strvec::kHeaderWords + static_cast<std::size_t>(nc));
}

}  // namespace

extern "C" {

void ERSETU(void) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
}

void OTHIST(const void* /*a*/, const void* /*b*/, const void* /*c*/) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
}

void UFLSH(const float* feed, float* vap, float* liq, float* wat, float* kvec,
           const int32_t* iftype, int32_t* ierr) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
  platform::HostOut status(ierr);
  const std::int32_t nc = api_flash::streamVectorComponents();
  const std::span<float> k = kvec != nullptr && nc > 0
                                 ? std::span<float>(kvec, static_cast<std::size_t>(nc))
                                 : std::span<float>();
  api_flash::UFLSH(streamVector(feed), streamVector(vap), streamVector(liq), streamVector(wat), k,
                   platform::hostValue(iftype, 0), status.get());
}

void VFLASH(const int32_t* idebug, const char* strmid, int32_t strmidLength, const double* tempin,
            const double* presin, const double* vfrac, const double* enthin, const double* entrin,
            double* compin, const int32_t* iftype, const int32_t* ncomp, const int32_t* iesti,
            const double* hmin, const double* hmax, const int32_t* maxit, const double* tol,
            double* tempot, double* presot, double* enthv, double* enthl, double* enthw,
            double* entrv, double* entrl, double* entrw, double* fracv, double* fracl,
            double* fracw, double* compv, double* compl_, double* compw, int32_t* ierr) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
  platform::HostOut status(ierr);
  api_flash::FlashRequest in;
  in.tempin = valueAt(tempin);
  in.presin = valueAt(presin);
  in.vfrac = valueAt(vfrac);
  in.enthin = valueAt(enthin);
  in.entrin = valueAt(entrin);
  in.iftype = valueAt(iftype);
  in.ncomp = valueAt(ncomp);
  in.iesti = valueAt(iesti);
  in.hmin = valueAt(hmin);
  in.hmax = valueAt(hmax);
  in.maxit = valueAt(maxit);
  in.tol = valueAt(tol);
  // A phase composition the host does not want is formed in scratch words.
  std::array<std::array<double, api_flash::kMostFlashComponents>, 3> scratch;
  const auto phaseArray = [&](double* address, std::size_t k) {
    return address != nullptr ? hostArray(address, in.ncomp)
                              : hostArray(scratch[k].data(), in.ncomp);
  };
  api_flash::FlashResults out;
  out.compV = phaseArray(compv, 0);
  out.compL = phaseArray(compl_, 1);
  out.compW = phaseArray(compw, 2);
  api_flash::VFLASH(valueAt(idebug), platform::hostText(strmid, strmidLength), in,
                    hostArray(compin, in.ncomp), out, status.get());
  const std::pair<double*, double> results[] = {
      {tempot, out.tempot}, {presot, out.presot}, {enthv, out.enthv}, {enthl, out.enthl},
      {enthw, out.enthw},   {entrv, out.entrv},   {entrl, out.entrl}, {entrw, out.entrw},
      {fracv, out.fracv},   {fracl, out.fracl},   {fracw, out.fracw}};
  for (const auto& [address, value] : results) store(address, value);
}

void VPROPS(const int32_t* idebug, const char* strmid, int32_t strmidLength, const double* tempin,
            const double* presin, double* compin, const int32_t* iphase, const int32_t* ncomp,
            const int32_t* nprop, double* props, int32_t* ierr) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
  platform::HostOut status(ierr);
  const std::int32_t count = valueAt(ncomp);
  // PROPS holds at least its nine results; NPROP may clear fewer words, never more.
  const std::span<double> results =
      props != nullptr ? std::span<double>(props, api_flash::kPropsWords) : std::span<double>();
  api_flash::VPROPS(valueAt(idebug), platform::hostText(strmid, strmidLength), valueAt(tempin),
                    valueAt(presin), hostArray(compin, count), valueAt(iphase), count,
                    valueAt(nprop), results, status.get());
}

}  // extern "C"
