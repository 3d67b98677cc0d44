// The user-level routine that entered each layer of the storage manager, shown as the user
// call of the layer's abort reports.
#pragma once

#include <string_view>

#include "services/fixed_text.hpp"

namespace storage {

// CURRTN: one 6-character cell per layer. A routine called from above its layer writes its
// own name into the layer's cell at entry.
struct CurrentRoutines {
  services::FixedText<6> cm;  // core store
  services::FixedText<6> sb;  // sub-blocks
  services::FixedText<6> sc;  // slot control
  services::FixedText<6> fb;  // flat, index, paged and shortcut blocks
  services::FixedText<6> mb;  // master blocks
  services::FixedText<6> fi;  // files
};
extern CurrentRoutines CURRTN;

}  // namespace storage
