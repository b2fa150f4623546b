// The order status query over the system's own request backends, against local servers: the
// order-view request over TLS, the status page over plain HTTP behind a chain of redirects.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures/test_servers.h"
#include "query/order_status_query.h"

namespace ow {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class FixedControls final : public ControlAccessors {
 public:
  Text Read编辑框1() override { return "W100001"; }
  Text Read编辑框2() override { return "demo@example.com"; }
  void Write标签3(const Text& caption) override { captions.push_back(std::string(caption.View())); }
  std::vector<std::string> captions;
};

DateTime FixedClock() {
  return {2019, 3, 5, 14, 0, 0};
}
// "---2019年3月5日14时" in code page 936.
constexpr const char* kTimeSuffix =
    "---2019\xc4\xea"
    "3\xd4\xc2"
    "5\xc8\xd5"
    "14\xca\xb1";

class OrderStatusQueryRealTest : public ::testing::Test {
 protected:
  std::vector<std::string> Query() {
    FixedControls controls;
    QueryOrderStatus(QueryEnvironment{.controls = controls,
                                      .storeHost = Text(StoreHost()),
                                      .requestPlatform = SystemRequestPlatform(),
                                      .internet = SystemInternetApi(),
                                      .now = &FixedClock});
    return controls.captions;
  }
  std::string StoreHost() const { return "localhost:" + std::to_string(store.Port()); }

  fixtures::HttpServer store{fixtures::LocalhostIdentity()};
  fixtures::HttpServer pages;
};

TEST_F(OrderStatusQueryRealTest, FollowsTheRedirectToThePageAndShowsTheStatus) {
  pages.Route("/first", fixtures::RedirectTo(pages.Url("/second"), 301));
  pages.Route("/second", fixtures::RedirectTo(pages.Url("/page?id=1"), 302));
  fixtures::ScriptedResponse statusPage;
  statusPage.headerLines = {"Content-Type: text/html; charset=utf-8"};
  statusPage.body =
      "<script>var d = {\"currentStatus\":\"SHIPPED\"};\n"
      "var t = {\"PLACED\" : \"已下单\",\"SHIPPED\" : \"已发货\",};</script>";
  pages.Route("/page", fixtures::RespondWith(statusPage));
  // The store sets a cookie that must not travel on to the status page.
  store.RouteEverythingElse(
      fixtures::RedirectTo(pages.Url("/first"), 302, {"Set-Cookie: session=s1; Path=/"}));

  EXPECT_THAT(Query(), ElementsAre(std::string("\xd2\xd1\xb7\xa2\xbb\xf5") + kTimeSuffix));

  const auto orderView = store.Requests();
  ASSERT_THAT(orderView, SizeIs(1));
  EXPECT_EQ(orderView[0].method, "GET");
  EXPECT_EQ(orderView[0].target, "/go/cn/vieworder/W100001/demo@example.com");
  const std::string url = "https://" + StoreHost() + orderView[0].target;
  EXPECT_THAT(
      orderView[0].headerLines,
      ElementsAre("Host: " + StoreHost(), "Connection: keep-alive", "Upgrade-Insecure-Requests: 1",
                  "User-Agent: Mozilla/5.0 (Linux; Android 6.0; Nexus 5 Build/MRA58N) "
                  "AppleWebKit/537.36 (KHTML, like Gecko) Chrome/69.0.3497.100 Mobile "
                  "Safari/537.36",
                  "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,image/"
                  "webp,image/apng,*/*;q=0.8",
                  "Accept-Encoding: gzip, deflate, br", "Accept-Language: zh-CN,zh;q=0.9",
                  "Referer: " + url));

  const auto page = pages.Requests();
  ASSERT_THAT(page, SizeIs(3));
  EXPECT_EQ(page[0].target, "/first");
  EXPECT_EQ(page[1].target, "/second");
  EXPECT_EQ(page[2].target, "/page?id=1");
  EXPECT_EQ(page[0].HeaderValue("User-Agent"),
            "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
  EXPECT_EQ(page[0].HeaderValue("Referer"), pages.Url("/first"));
  for (const auto& request : page) EXPECT_FALSE(request.HasHeader("Cookie")) << request.target;
}

TEST_F(OrderStatusQueryRealTest, AStoreThatDoesNotRedirectLeavesTheTimeAlone) {
  store.RouteEverythingElse(fixtures::RespondText("<p>\"currentStatus\":\"X\"</p>"));
  EXPECT_THAT(Query(), ElementsAre(kTimeSuffix));
  EXPECT_THAT(pages.Requests(), IsEmpty());
}

TEST_F(OrderStatusQueryRealTest, AnUnreachableStatusPageLeavesTheTimeAlone) {
  // A port that was just given up: nothing listens there any more.
  {
    fixtures::HttpServer gone;
    store.RouteEverythingElse(fixtures::RedirectTo(gone.Url("/page")));
  }
  EXPECT_THAT(Query(), ElementsAre(kTimeSuffix));
}

}  // namespace
}  // namespace ow
