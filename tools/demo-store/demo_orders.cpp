// The demo store's orders.
#include "tools/demo-store/demo_orders.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace ow::demo {

namespace {

constexpr std::array kStatuses{
    OrderStatus{"PLACED", "已下单"},
    OrderStatus{"PROCESSING", "正在处理"},
    OrderStatus{"SHIPPED", "已发货"},
    OrderStatus{"DELIVERED", "已送达"},
};

constexpr std::array kOrders{
    DemoOrder{"W100001", "demo@example.com", 0},
    DemoOrder{"W100002", "demo@example.com", 1},
    DemoOrder{"W100003", "buyer@example.com", 2},
};

bool SameAddress(std::string_view a, std::string_view b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

std::span<const OrderStatus> OrderStatuses() {
  return kStatuses;
}
std::span<const DemoOrder> DemoOrders() {
  return kOrders;
}

const DemoOrder* FindDemoOrder(std::string_view orderNumber, std::string_view email) {
  for (const DemoOrder& order : kOrders) {
    if (order.orderNumber == orderNumber && SameAddress(order.email, email)) return &order;
  }
  return nullptr;
}

const OrderStatus& StatusAfter(const DemoOrder& order, std::chrono::seconds elapsed,
                               std::chrono::seconds step) {
  const long long stepsTaken =
      step.count() > 0 && elapsed.count() > 0 ? elapsed.count() / step.count() : 0;
  const long long stage =
      (order.firstStage + stepsTaken) % static_cast<long long>(kStatuses.size());
  return kStatuses[static_cast<std::size_t>(stage)];
}

}  // namespace ow::demo
