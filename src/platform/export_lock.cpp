// The lock of the exported calls.
#include "platform/export_lock.hpp"

namespace platform {

std::recursive_mutex& exportMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

}  // namespace platform
