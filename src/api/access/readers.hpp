// The class readers of the data requests. Each has the reader interface of data_requests.hpp
// and answers the requests of one class name (or, for the column reader, three).
#pragma once

#include <string_view>

#include "api/access/data_requests.hpp"

namespace api_access {

// "COMPS": identifiers and pure-component constants, in component-number order.
void PACOMP(Request& request);

// "UNIT": identifiers, type and class names, texts, solution flags, feeds and products of
// the units.
void PAUNIT(Request& request);

// "Flash" (unit type 10001) and "Valve" (10004): calculated temperature, pressure, duty and
// the K-values of the connected stream.
void PAFLSH(Request& request);
void PAVALV(Request& request);

// A class whose reader is not in this library yet: every attribute is unsupported, with the
// class's own wording (" FOR STREAM", " FOR PUMP" ...).
void answerUnsupported(Request& request, std::string_view wording);

}  // namespace api_access
