// The resets of the values kept between calls.
#include "services/kept_values.hpp"

#include <vector>

namespace services {
namespace {

// Built on first use, so that files may register during start-up in any order.
std::vector<KeptValuesReset>& resets() {
  static std::vector<KeptValuesReset> registered;
  return registered;
}

}  // namespace

bool registerKeptValues(KeptValuesReset reset) {
  if (reset != nullptr) resets().push_back(reset);
  return true;
}

void resetKeptValues() {
  for (const KeptValuesReset reset : resets()) reset();
}

}  // namespace services
