// The slots of the K-value engine: filled once when the library starts, never reset.
#include "thermo/equilibrium/slots.hpp"

namespace equilibrium {
namespace {

UserKValues userKValues = nullptr;
LiquidSplit liquidSplit = nullptr;

}  // namespace

void fillUserKValues(UserKValues routine) { userKValues = routine; }

std::int32_t callUserKValues(const UserKValueRequest& request, std::span<double> k,
                             std::span<double> dkdt, double& zl, double& zv) {
  if (userKValues == nullptr) return 0;
  return userKValues(request, k, dkdt, zl, zv);
}

void fillLiquidSplit(LiquidSplit routine) { liquidSplit = routine; }

void callLiquidSplit(const LiquidSplitRequest& request, LiquidSplitResult& result) {
  if (liquidSplit == nullptr) {
    result.theta = 0.0;
    return;
  }
  liquidSplit(request, result);
}

}  // namespace equilibrium
