// The slots of the method-set layer.
#include "methods/slots.hpp"

#include "services/services.hpp"
#include "services/slots.hpp"

namespace methods {
namespace {

services::Slot<UserKValueSetUp> userSetUp;

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

}  // namespace methods
