// The exported problem-access calls: thin wrappers that read the host's arguments, one call
// at a time.
#include <cstddef>
#include <span>

#include "api/access/access.hpp"
#include "api/access/data_requests.hpp"
#include "library_start.hpp"
#include "platform/export_arguments.hpp"
#include "platform/export_lock.hpp"
#include "vendrakol.h"

namespace {

// The host's value array: as many values as a request may deliver, none at a null address.
template <typename T>
std::span<T> hostValues(T* address, std::size_t perValue = 1) {
  if (address == nullptr) return {};
  return std::span<T>(address, static_cast<std::size_t>(api_access::kMostValues) * perValue);
}

}  // namespace

extern "C" {

void PAOPEN(const char* name, int32_t nameLength, const char* dir2, int32_t dir2Length,
            int32_t* iout, int32_t* ierr) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
  platform::HostOut unit(iout);
  platform::HostOut status(ierr);
  api_access::PAOPEN(platform::hostText(name, nameLength), platform::hostText(dir2, dir2Length),
                     unit.get(), status.get());
}

void PAMISC(int32_t* ncomp, int32_t* nstrm, int32_t* nunit, int32_t* ierr) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
  platform::HostOut components(ncomp);
  platform::HostOut streams(nstrm);
  platform::HostOut units(nunit);
  platform::HostOut status(ierr);
  api_access::PAMISC(components.get(), streams.get(), units.get(), status.get());
}

void DBMISC(int32_t* solved, int32_t* nstrm, int32_t* ncomp, int32_t* nunit) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
  platform::HostOut flag(solved);
  platform::HostOut streams(nstrm);
  platform::HostOut components(ncomp);
  platform::HostOut units(nunit);
  api_access::DBMISC(flag.get(), streams.get(), components.get(), units.get());
}

void PACLOS(void) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
  api_access::PACLOS();
}

void PADATC(const char* cls, int32_t clsLength, const char* attr, int32_t attrLength,
            const char* id, int32_t idLength, char* cval, int32_t cvalLength, int32_t* elen,
            int32_t* count, int32_t* ierr) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
  platform::HostOut length(elen);
  platform::HostInOut number(count);
  platform::HostOut status(ierr);
  const int32_t element = cval != nullptr && cvalLength > 0 ? cvalLength : 0;
  api_access::PADATC(platform::hostText(cls, clsLength), platform::hostText(attr, attrLength),
                     platform::hostText(id, idLength),
                     hostValues(cval, static_cast<std::size_t>(element)), element, length.get(),
                     number.get(), status.get());
}

void PADATI(const char* cls, int32_t clsLength, const char* attr, int32_t attrLength,
            const char* id, int32_t idLength, int32_t* ival, int32_t* count, int32_t* ierr) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
  platform::HostInOut number(count);
  platform::HostOut status(ierr);
  api_access::PADATI(platform::hostText(cls, clsLength), platform::hostText(attr, attrLength),
                     platform::hostText(id, idLength), hostValues(ival), number.get(),
                     status.get());
}

void PADATR(const char* cls, int32_t clsLength, const char* attr, int32_t attrLength,
            const char* id, int32_t idLength, float* rval, int32_t* count, int32_t* iunset,
            int32_t* iucls, int32_t* ierr) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
  platform::HostInOut number(count);
  platform::HostInOut set(iunset);
  platform::HostOut unitClass(iucls);
  platform::HostOut status(ierr);
  api_access::PADATR(platform::hostText(cls, clsLength), platform::hostText(attr, attrLength),
                     platform::hostText(id, idLength), hostValues(rval), number.get(), set.get(),
                     unitClass.get(), status.get());
}

void PAUOM1(const int32_t* icode, const int32_t* iset, int32_t* istat, char* label,
            int32_t labelLength) {
  const platform::ExportCall call;
  vendrakol::startLibrary();
  platform::HostOut status(istat);
  std::span<char> text;
  if (label != nullptr && labelLength > 0) {
    text = std::span<char>(label, static_cast<std::size_t>(labelLength));
  }
  api_access::PAUOM1(platform::hostValue(icode, 0), platform::hostValue(iset, 0), status.get(),
                     text);
}

}  // extern "C"
