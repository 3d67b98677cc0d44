// The slots of the method-set layer.
#include "methods/slots.hpp"

#include "services/services.hpp"
#include "services/slots.hpp"

namespace methods {
namespace {

services::Slot<UserKValueSetUp> userSetUp("methods::UserKValueSetUp");
services::Slot<MethodSetLoaded> setLoaded("methods::MethodSetLoaded");

}  // namespace

UserKValueSetUp fillUserKValueSetUp(UserKValueSetUp routine) { return userSetUp.fill(routine); }

std::int32_t userKValueSetUp(std::int32_t code) {
  const UserKValueSetUp routine = userSetUp.routine();
  if (routine == nullptr) {
    services::ERRITM("CODE", code);
    services::ABTRPT("DB", "DBSSTR", "PAOPEN", "USER-ADDED METHODS ARE NOT AVAILABLE");
  }
  return routine(code);
}

MethodSetLoaded fillMethodSetLoaded(MethodSetLoaded routine) { return setLoaded.fill(routine); }

void methodSetLoaded() {
  const MethodSetLoaded routine = setLoaded.routine();
  if (routine != nullptr) routine();
}

}  // namespace methods
