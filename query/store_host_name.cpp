// The store's host is chosen when the program is built (CMake cache variable STORE_HOST_NAME).
#include "query/order_status_query.h"

#ifndef ORDERWATCH_STORE_HOST_NAME
#error "ORDERWATCH_STORE_HOST_NAME must be defined by the build"
#endif

namespace ow {

const char* const StoreHostName = ORDERWATCH_STORE_HOST_NAME;

}  // namespace ow
