// The slots of the problem data model.
#include "problem/slots.hpp"

#include "services/slots.hpp"

namespace problem {
namespace {

services::Slot<MethodSetReleased> released("problem::MethodSetReleased");

}  // namespace

MethodSetReleased fillMethodSetReleased(MethodSetReleased routine) {
  return released.fill(routine);
}

void methodSetReleased() {
  if (const MethodSetReleased routine = released.routine()) routine();
}

}  // namespace problem
