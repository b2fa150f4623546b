// The demo store's orders and pages: what the query will find in them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "text/convert.h"
#include "text/text.h"
#include "tools/demo-store/demo_orders.h"
#include "tools/demo-store/store_pages.h"

namespace ow::demo {
namespace {

using std::chrono::seconds;

TEST(DemoStoreTest, OrdersAreFoundByNumberAndAddressInAnyLetterCase) {
  ASSERT_NE(FindDemoOrder("W100001", "demo@example.com"), nullptr);
  EXPECT_EQ(FindDemoOrder("W100001", "Demo@Example.COM"),
            FindDemoOrder("W100001", "demo@example.com"));
  EXPECT_EQ(FindDemoOrder("w100001", "demo@example.com"), nullptr);
  EXPECT_EQ(FindDemoOrder("W100001", "buyer@example.com"), nullptr);
  EXPECT_EQ(FindDemoOrder("W100001", "demo@example.com.evil"), nullptr);
  EXPECT_EQ(FindDemoOrder("", ""), nullptr);
}

TEST(DemoStoreTest, StatusMovesOnOneStageAStepAndStartsOver) {
  const DemoOrder& order = *FindDemoOrder("W100002", "demo@example.com");  // starts at stage 1
  struct Case {
    seconds elapsed;
    std::string_view code;
  };
  const Case cases[] = {
      {seconds(0), "PROCESSING"},  {seconds(59), "PROCESSING"}, {seconds(60), "SHIPPED"},
      {seconds(120), "DELIVERED"}, {seconds(180), "PLACED"},    {seconds(-5), "PROCESSING"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StatusAfter(order, c.elapsed, seconds(60)).code, c.code) << c.elapsed.count();
  }
  EXPECT_EQ(StatusAfter(order, seconds(1000), seconds(0)).code, "PROCESSING");
}

TEST(DemoStoreTest, PageCarriesEachStatusTheWayTheQueryReadsIt) {
  const DemoOrder& order = DemoOrders()[0];
  for (const OrderStatus& status : OrderStatuses()) {
    SCOPED_TRACE(std::string(status.code));
    const Text page = Utf8ToLocalText(Bytes(OrderStatusPage(order, status)));
    const Text code = TextBetween(page, "\"currentStatus\":\"", "\"");
    EXPECT_EQ(code, Text(std::string(status.code)));
    const Text description = TextBetween(page, ConcatText("\"", code, "\" : \""), "\",");
    EXPECT_EQ(LocalTextToUtf8(description), status.description);
  }
}

TEST(DemoStoreTest, UnknownOrderPageNamesNoStatus) {
  const std::string page = UnknownOrderPage();
  EXPECT_EQ(page.find("currentStatus"), std::string::npos);
  EXPECT_EQ(page.find("\" : \""), std::string::npos);
}

TEST(DemoStoreTest, RedirectTargetCarriesOrderAndAddressEscaped) {
  EXPECT_EQ(StatusPageAddress(18080, "W100001", "demo@example.com"),
            "http://127.0.0.1:18080/orderstatus?order=W100001&email=demo%40example.com");
  EXPECT_EQ(StatusPageAddress(1, "a b&c=d#", "\xe5\xbc\xa0/?"),
            "http://127.0.0.1:1/orderstatus?order=a%20b%26c%3Dd%23&email=%E5%BC%A0%2F%3F");
}

}  // namespace
}  // namespace ow::demo
