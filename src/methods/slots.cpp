// The slots of the method-set layer.
#include "methods/slots.hpp"

#include "services/services.hpp"

namespace methods {
namespace {

UserKValueSetUp userSetUp = nullptr;

}  // namespace

UserKValueSetUp fillUserKValueSetUp(UserKValueSetUp routine) {
  const UserKValueSetUp previous = userSetUp;
  userSetUp = routine;
  return previous;
}

std::int32_t userKValueSetUp(std::int32_t code) {
  if (userSetUp == nullptr) {
    services::ERRITM("CODE", code);
    services::ABTRPT("DB", "DBSSTR", "PAOPEN", "USER-ADDED METHODS ARE NOT AVAILABLE");
  }
  return userSetUp(code);
}

}  // namespace methods
