// The slots of the K-value engine.
#include "thermo/equilibrium/slots.hpp"

#include "services/services.hpp"
#include "services/slots.hpp"

namespace equilibrium {
namespace {

services::Slot<UserKValues> userKValues("equilibrium::UserKValues");
services::Slot<LiquidSplit> liquidSplit("equilibrium::LiquidSplit");

}  // namespace

UserKValues fillUserKValues(UserKValues routine) { return userKValues.fill(routine); }

std::int32_t callUserKValues(const UserKValueRequest& request, std::span<double> k,
                             std::span<double> dkdt, double& zl, double& zv) {
  const UserKValues routine = userKValues.routine();
  if (routine == nullptr) {
    services::ERRITM("CODE", request.code);
    services::ABTRPT("KC", "KCPAIR", "KCALC", "USER-ADDED METHODS ARE NOT AVAILABLE");
  }
  return routine(request, k, dkdt, zl, zv);
}

LiquidSplit fillLiquidSplit(LiquidSplit routine) { return liquidSplit.fill(routine); }

void callLiquidSplit(const LiquidSplitRequest& request, LiquidSplitResult& result) {
  const LiquidSplit routine = liquidSplit.routine();
  if (routine == nullptr) {
    services::ABTRPT("KC", "KCVLLE", "KCALC", "LIQUID-LIQUID SPLIT IS NOT AVAILABLE");
  }
  routine(request, result);
}

}  // namespace equilibrium
