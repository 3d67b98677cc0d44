// The tray phase properties of a column or side stripper.
#include <cstdint>

#include "api/access/column_readers.hpp"
#include "api/access/data_requests.hpp"

namespace api_access {

void PATRPR(Request& request, std::int32_t /*n*/, std::int32_t /*nt*/) {
  request.setType(ValueType::Real);
  attributeNotSupported(request, " FOR COLUMN/SIDE UNIT");
}

}  // namespace api_access
