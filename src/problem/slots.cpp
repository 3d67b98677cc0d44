// The slots of the problem data model.
#include "problem/slots.hpp"

namespace problem {
namespace {

MethodSetReleased released = nullptr;

}  // namespace

MethodSetReleased fillMethodSetReleased(MethodSetReleased routine) {
  const MethodSetReleased previous = released;
  released = routine;
  return previous;
}

void methodSetReleased() {
  if (released != nullptr) released();
}

}  // namespace problem
