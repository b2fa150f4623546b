// Whatever the two input boxes hold goes into the order-view address as typed. The address
// reaches the store escaped where it must be, the query still shows what the store answers,
// and no line break in a box ever becomes a header line of a request.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "faults/fault_harness.h"
#include "fixtures/test_servers.h"
#include "http/win_http_fetch.h"
#include "http/win_inet_fetch.h"
#include "text/convert.h"

namespace ow::faults {
namespace {

using ::testing::ElementsAre;

constexpr const char* kPage =
    "<script>var d = {\"currentStatus\":\"SHIPPED\"};\n"
    "var t = {\"PLACED\" : \"已下单\",\"SHIPPED\" : \"已发货\",};</script>";

// Code page 936 bytes for UTF-8 text, as a box of the window would hold it.
Text Typed(std::string_view utf8) {
  return Utf8ToLocalText(Bytes(utf8));
}

const std::string kInjection = "\r\n" + std::string(kInjectedHeaderName) + ": 1";

struct Typing {
  const char* what;
  Text orderNumber;
  Text email;
  // The order-view request's target as the store must receive it.
  std::string target;
};

TEST(InputBoxFaults, WhateverIsTypedReachesTheStoreSafelyAndTheStatusStillShows) {
  const std::string longOrder(10000, '7');
  const std::vector<Typing> typings = {
      {"spaces", "W 100 001", " demo@example.com ",
       "/go/cn/vieworder/W%20100%20001/%20demo@example.com%20"},
      {"\"/\"", "W1/00", "demo@example.com/", "/go/cn/vieworder/W1/00/demo@example.com/"},
      {"\"?\"", "W1?x=1", "demo@example.com", "/go/cn/vieworder/W1?x=1/demo@example.com"},
      // What follows "#" is a fragment, which is never sent.
      {"\"#\"", "W1#frag", "demo@example.com", "/go/cn/vieworder/W1"},
      {"\"%\"", "W1%2F%zz%", "demo@example.com", "/go/cn/vieworder/W1%2F%zz%/demo@example.com"},
      {"CR", "W1\rX", "demo@example.com", "/go/cn/vieworder/W1%0DX/demo@example.com"},
      {"LF", "W1\nX", "demo@example.com", "/go/cn/vieworder/W1%0AX/demo@example.com"},
      {"CR LF and a header line", Text(ConcatText("W1", Text(kInjection))), "demo@example.com",
       "/go/cn/vieworder/W1%0D%0AX-Injected:%201/demo@example.com"},
      {"CR LF and a header line in the e-mail box", "W1",
       Text(ConcatText("demo@example.com", Text(kInjection))),
       "/go/cn/vieworder/W1/demo@example.com%0D%0AX-Injected:%201"},
      {"10,000 characters", Text(longOrder), "demo@example.com",
       "/go/cn/vieworder/" + longOrder + "/demo@example.com"},
      // The boxes hold code page 936; its bytes go out escaped one by one.
      {"Chinese text", Typed("订单一"), Typed("邮箱@例子.中国"),
       "/go/cn/vieworder/%B6%A9%B5%A5%D2%BB/%D3%CA%CF%E4@%C0%FD%D7%D3.%D6%D0%B9%FA"},
  };

  for (const Typing& typing : typings) {
    SCOPED_TRACE(typing.what);
    fixtures::HttpServer store(fixtures::LocalhostIdentity());
    fixtures::HttpServer pages;
    pages.RouteEverythingElse(fixtures::RespondText(kPage));
    store.RouteEverythingElse(fixtures::RedirectTo(pages.Url("/orderstatus")));

    QueryOutcome outcome =
        RunQuery("127.0.0.1:" + std::to_string(store.Port()), typing.orderNumber, typing.email);
    EXPECT_THAT(outcome.captions, ElementsAre(StatusLine("已发货")));
    const auto requests = store.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, typing.target);
    EXPECT_FALSE(CarriesInjectedLine(requests[0].head)) << requests[0].head;
    for (const auto& page : pages.Requests()) EXPECT_FALSE(CarriesInjectedLine(page.head));
    RecordOutcome("query", std::string("input box: ") + typing.what,
                  outcome.captions == std::vector{StatusLine("已发货")} ? "the right status"
                                                                        : "wrong status line",
                  outcome.took);
  }
}

// The routines add a Referer line that repeats the address; a line break in the address must
// not end that line early, on either request.
TEST(InputBoxFaults, TheRefererLineNeverCarriesALineBreak) {
  fixtures::HttpServer server;
  server.RouteEverythingElse(fixtures::RespondText("ok"));
  const Text url(server.Url("/a") + kInjection);

  Text headers;
  WinHttpFetch({.url = url, .headers = &headers});
  WinInetFetch({.url = url});

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    EXPECT_FALSE(CarriesInjectedLine(request.head)) << request.head;
    EXPECT_EQ(request.HeaderValue("Referer"), server.Url("/a") + "%0D%0AX-Injected: 1");
  }
}

}  // namespace
}  // namespace ow::faults
