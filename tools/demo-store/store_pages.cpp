// The demo store's pages.
#include "tools/demo-store/store_pages.h"

#include <cstdio>

namespace ow::demo {

namespace {

// Everything but the unreserved characters is escaped, so that any order number or address,
// however odd, comes back intact as a query parameter.
std::string PercentEncoded(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                            byte == '_' || byte == '~';
    if (unreserved) {
      out += c;
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
      out += escaped;
    }
  }
  return out;
}

constexpr std::string_view kPageStart =
    "<!DOCTYPE html>\n"
    "<html lang=\"zh-CN\">\n"
    "<head><meta charset=\"utf-8\"><title>订单状态</title></head>\n"
    "<body>\n";
constexpr std::string_view kPageEnd = "</body>\n</html>\n";

}  // namespace

std::string StatusPageAddress(int httpPort, std::string_view orderNumber, std::string_view email) {
  return "http://127.0.0.1:" + std::to_string(httpPort) +
         "/orderstatus?order=" + PercentEncoded(orderNumber) + "&email=" + PercentEncoded(email);
}

std::string OrderStatusPage(const DemoOrder& order, const OrderStatus& status) {
  std::string page(kPageStart);
  page += "<h1>订单 ";
  page += order.orderNumber;
  page += "</h1>\n<div id=\"order-status\"></div>\n<script>\n";
  page += "var orderData = {\"orderNumber\":\"";
  page += order.orderNumber;
  page += "\",\"currentStatus\":\"";
  page += status.code;
  page += "\",\"channel\":\"cn\"};\n";
  page += "var statusText = {\n";
  for (const OrderStatus& entry : OrderStatuses()) {
    page += "  \"";
    page += entry.code;
    page += "\" : \"";
    page += entry.description;
    page += "\",\n";
  }
  page += "};\n";
  page +=
      "document.getElementById(\"order-status\").textContent = "
      "statusText[orderData.currentStatus];\n";
  page += "</script>\n";
  page += kPageEnd;
  return page;
}

std::string UnknownOrderPage() {
  std::string page(kPageStart);
  page += "<h1>未找到该订单</h1>\n<p>请检查订单号和订单绑定邮箱。</p>\n";
  page += kPageEnd;
  return page;
}

}  // namespace ow::demo
