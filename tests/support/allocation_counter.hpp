// Counts the heap allocations of a test executable, so that a test can show that a warm call
// of a flash or property path makes none. Linking the counter replaces the global operator
// new and delete of the executable (library vk_allocation_counter).
#pragma once

#include <cstddef>

namespace testing_support {

// The number of operator new calls made so far by the executable.
std::size_t allocationCount();

}  // namespace testing_support
