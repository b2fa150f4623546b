// The demo store's orders and how their status moves on with time.
#pragma once

#include <chrono>
#include <span>
#include <string_view>

namespace ow::demo {

struct OrderStatus {
  std::string_view code;         // what the page names as the current status
  std::string_view description;  // UTF-8, what a customer reads
};

struct DemoOrder {
  std::string_view orderNumber;
  std::string_view email;
  int firstStage;  // index into OrderStatuses() when the store starts
};

// Every status an order passes through, in order.
std::span<const OrderStatus> OrderStatuses();
std::span<const DemoOrder> DemoOrders();

// The order with this number and e-mail address (letter case of the address ignored), or null.
const DemoOrder* FindDemoOrder(std::string_view orderNumber, std::string_view email);

// An order moves on one stage every `step` and starts over after the last, so that a watching
// client keeps seeing change for as long as the demo runs.
const OrderStatus& StatusAfter(const DemoOrder& order, std::chrono::seconds elapsed,
                               std::chrono::seconds step);

}  // namespace ow::demo
