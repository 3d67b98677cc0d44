// The current-routine cells of the storage layers.
#include "storage/current_routine.hpp"

namespace storage {

CurrentRoutines CURRTN;

}  // namespace storage
