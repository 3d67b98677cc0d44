// The once-only registry: routines that set themselves up on their first call.
#include <array>
#include <cstdint>
#include <cstdio>

#include "platform/platform.hpp"
#include "services/services.hpp"

namespace services {
namespace {

struct Registry {
  std::int32_t count = 0;
  std::array<bool, kMaxRegisteredKeys + 1> firstPending{};  // index = key
};

Registry gRegistry;

}  // namespace

void INIDAT(std::int32_t& key, std::int32_t& first) {
  if (key < 0) {
    // Every registered routine sets itself up again on its next call.
    for (std::int32_t k = 1; k <= gRegistry.count; ++k) {
      gRegistry.firstPending[static_cast<std::size_t>(k)] = true;
    }
    return;
  }
  if (key == 0) {
    if (gRegistry.count >= kMaxRegisteredKeys) {
      platform::writeDiagnostic("INIDAT/MAXINI");
      STOPCD(kAbortStopCode);
    }
    gRegistry.count += 1;
    key = gRegistry.count;
    gRegistry.firstPending[static_cast<std::size_t>(key)] = false;
    first = 1;
    return;
  }
  if (key > gRegistry.count) {
    // A key the registry never handed out: treat it as new to its caller.
    first = 1;
    return;
  }
  bool& pending = gRegistry.firstPending[static_cast<std::size_t>(key)];
  first = pending ? 1 : 0;
  pending = false;
}

}  // namespace services
