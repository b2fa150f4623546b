// The query as the program ships it: the store fixed at build time, the system's request
// facilities and the system clock.
#include "query/order_status_query.h"

namespace ow {

void QueryOrderStatus(ControlAccessors& controls) {
  QueryOrderStatus(QueryEnvironment{.controls = controls,
                                    .storeHost = StoreHostName,
                                    .requestPlatform = SystemRequestPlatform(),
                                    .internet = SystemInternetApi()});
}

}  // namespace ow
