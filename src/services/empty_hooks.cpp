// The empty hooks that are plain routines.
#include "services/empty_hooks.hpp"

namespace services {

void NOOP02(std::int32_t /*istrm*/, std::int32_t /*itpfix*/, std::int32_t /*kind*/,
            std::int32_t /*nspec*/, std::span<const double> /*specv*/, double /*t*/,
            double /*p*/, std::int32_t& /*istat*/) {}

void NOOP09() {}

void NOOP10(double& /*tolerance5*/, double& /*step*/, double& /*tolerance*/) {}

}  // namespace services
