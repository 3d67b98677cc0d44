// The exported problem-access calls: thin wrappers that read the host's arguments, one call
// at a time.
#include "api/access/access.hpp"
#include "platform/export_arguments.hpp"
#include "platform/export_lock.hpp"
#include "vendrakol.h"

extern "C" {

void PAOPEN(const char* name, int32_t nameLength, const char* dir2, int32_t dir2Length,
            int32_t* iout, int32_t* ierr) {
  const platform::ExportCall call;
  platform::HostOut unit(iout);
  platform::HostOut status(ierr);
  api_access::PAOPEN(platform::hostText(name, nameLength), platform::hostText(dir2, dir2Length),
                     unit.get(), status.get());
}

void PAMISC(int32_t* ncomp, int32_t* nstrm, int32_t* nunit, int32_t* ierr) {
  const platform::ExportCall call;
  platform::HostOut components(ncomp);
  platform::HostOut streams(nstrm);
  platform::HostOut units(nunit);
  platform::HostOut status(ierr);
  api_access::PAMISC(components.get(), streams.get(), units.get(), status.get());
}

void DBMISC(int32_t* solved, int32_t* nstrm, int32_t* ncomp, int32_t* nunit) {
  const platform::ExportCall call;
  platform::HostOut flag(solved);
  platform::HostOut streams(nstrm);
  platform::HostOut components(ncomp);
  platform::HostOut units(nunit);
  api_access::DBMISC(flag.get(), streams.get(), components.get(), units.get());
}

void PACLOS(void) {
  const platform::ExportCall call;
  api_access::PACLOS();
}

}  // extern "C"
