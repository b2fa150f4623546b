// What the demo store sends: the redirect target and the status pages, all UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "tools/demo-store/demo_orders.h"

namespace ow::demo {

// Where the order-view request is sent on: the status page on the plain-HTTP port.
std::string StatusPageAddress(int httpPort, std::string_view orderNumber, std::string_view email);

// The page of a known order. It carries the status the way the store's pages do: the current
// status code in the order's data, and a table from codes to descriptions elsewhere.
std::string OrderStatusPage(const DemoOrder& order, const OrderStatus& status);

// The page for an order the store does not know; it names no status.
std::string UnknownOrderPage();

}  // namespace ow::demo
