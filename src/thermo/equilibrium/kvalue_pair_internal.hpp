// Private helpers of the K-value engine: element access to the flash work arrays. Not part
// of the subsystem's interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace equilibrium::kvalue_internal {

// Element I (0-based) of flash work array ARRAY; the caller has checked the size.
double workValue(std::int32_t array, std::size_t i);
void setWorkValue(std::int32_t array, std::size_t i, double v);

// Aborts through ROUTINE "FLASH WORK ARRAY TOO SHORT" (items ARRAY, SIZE, NEEDED) when the
// partition gives ARRAY fewer than NEED elements.
void requireWork(std::int32_t array, std::size_t need, std::string_view routine);

}  // namespace equilibrium::kvalue_internal
