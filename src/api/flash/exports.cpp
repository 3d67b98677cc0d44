// The exported calls of the flash family that take no work of their own: the host's
// error-control call and the iteration-history hook.
#include "platform/export_lock.hpp"
#include "vendrakol.h"

extern "C" {

void ERSETU(void) { const platform::ExportCall call; }

void OTHIST(const void* /*a*/, const void* /*b*/, const void* /*c*/) {
  const platform::ExportCall call;
}

}  // extern "C"
