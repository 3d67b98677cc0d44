// The flash tolerances and limits at their start values.
#include <array>
#include <cstdint>

#include "services/services.hpp"

namespace services {

OneBased<double, 30> FLTOL;

namespace {

constexpr std::array<double, 30> kTolerances{
    5.0e-7,     // 1
    0.9999995,  // 2
    1.0e-5,     // 3  general flash tolerance
    0.001,      // 4  K-value change limit
    0.001,      // 5  three-phase tolerance
    1.0e-5,     // 6  change of a liquid fraction between passes
    1.0e-5,     // 7
    5.0e-7,     // 8  a phase fraction at or below it counts as absent
    0.9999995,  // 9  a phase fraction at or above it counts as the whole
    0.999999,   // 10 feed water fraction limit
    0.999995,   // 11 water fraction limit of the pseudo-critical test
    1.0e-10,    // 12
    1.0e10,     // 13
    1.0e-6,     // 14 relative bracket width
    0.999999,   // 15 a feed mole fraction that makes a feed pure
    0.9999,     // 16 band of stored liquid fractions that may be reused
    0.001,      // 17
    1.0e-6,     // 18 fractions below it are 0
    1.0e-6,     // 19 relative minimum step
    1.0e-6,     // 20 relative spacings of the one-dimensional search
    1.0e-6,     // 21
    5.0e-7,     // 22
    1.0e-6,     // 23
    1.0e-30,    // 24
    1.0e30,     // 25
    0.01,       // 26
    0.001,      // 27
    2.0e-5,     // 28
    1.0e-5,     // 29
    1.0e-10,    // 30
};

}  // namespace

void startFlashTolerances() { FLTOL.values = kTolerances; }

}  // namespace services
