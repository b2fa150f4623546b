// The order status query: the two requests to the store and the status line they lead to.
#pragma once

#include "http/internet_api.h"
#include "http/request_object.h"
#include "query/control_accessors.h"
#include "text/text.h"

namespace ow {

// The store's host, fixed when the program is built.
extern const char* const StoreHostName;

// The fixed header block of the order-view request for `host`.
Text OrderViewHeaders(const Text& host);

// Everything a query touches outside its own values, so that it can run against fakes or
// against a store on another address.
struct QueryEnvironment {
  ControlAccessors& controls;
  Text storeHost;
  RequestPlatform& requestPlatform;
  InternetApi& internet;
  DateTime (*now)() = &CurrentDateTime;
};

void QueryOrderStatus(const QueryEnvironment& environment);
// The shipped query: StoreHostName, the system's request facilities and clock.
void QueryOrderStatus(ControlAccessors& controls);

}  // namespace ow
