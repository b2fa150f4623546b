// The order status query against recording fakes of both request seams.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/recording_internet_api.h"
#include "fakes/recording_request_platform.h"
#include "query/order_status_query.h"

namespace ow {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

// The date and time words in code page 936, as the status line holds them.
#define NIAN "\xc4\xea"
#define YUE "\xd4\xc2"
#define RI "\xc8\xd5"
#define SHI "\xca\xb1"
#define FEN "\xb7\xd6"
#define MIAO "\xc3\xeb"

constexpr const char* kHost = "shop.test:8443";
constexpr const char* kStatusPageUrl = "http://127.0.0.1:18080/orderstatus?order=W1";
constexpr const char* kRedirectHeaders =
    "Content-Length: 0\r\nLocation: http://127.0.0.1:18080/orderstatus?order=W1\r\n\r\n";

// The inputs stay as given; every write of the status line is kept.
class FixedControls final : public ControlAccessors {
 public:
  FixedControls(Text orderNumber, Text email) : orderNumber_(orderNumber), email_(email) {}
  Text Read编辑框1() override {
    ++reads1;
    return orderNumber_;
  }
  Text Read编辑框2() override {
    ++reads2;
    return email_;
  }
  void Write标签3(const Text& caption) override { captions.push_back(std::string(caption.View())); }

  int reads1 = 0;
  int reads2 = 0;
  std::vector<std::string> captions;

 private:
  Text orderNumber_;
  Text email_;
};

// The clock the query reads: a fixed time, and a note of how far the second request had got
// when the clock was read.
DateTime clockTime{2019, 3, 5, 14, 7, 9};
const fakes::RecordingInternetApi* watchedInternet = nullptr;
std::size_t internetCallsWhenClockRead = 0;

DateTime FixedClock() {
  if (watchedInternet != nullptr) internetCallsWhenClockRead = watchedInternet->Calls().size();
  return clockTime;
}

Bytes Page(std::string_view utf8) {
  return Bytes(utf8);
}

class OrderStatusQueryTest : public ::testing::Test {
 protected:
  OrderStatusQueryTest() {
    clockTime = {2019, 3, 5, 14, 7, 9};
    watchedInternet = &internet;
    platform.response = {.headers = kRedirectHeaders, .body = Bytes("moved"), .status = 302};
    internet.page = {
        .rawHeaders = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n",
        .body = Page("<script>{\"currentStatus\":\"SHIPPED\"}\n"
                     "{\"PLACED\" : \"已下单\",\n\"SHIPPED\" : \"已发货\",}</script>")};
  }
  ~OrderStatusQueryTest() override { watchedInternet = nullptr; }

  // Runs one query and answers what it wrote into the status line.
  std::vector<std::string> Query(Text orderNumber = "W1", Text email = "a@b.test") {
    FixedControls controls(orderNumber, email);
    QueryOrderStatus(QueryEnvironment{.controls = controls,
                                      .storeHost = kHost,
                                      .requestPlatform = platform,
                                      .internet = internet,
                                      .now = &FixedClock});
    EXPECT_EQ(controls.reads1, 1);
    EXPECT_EQ(controls.reads2, 1);
    return controls.captions;
  }

  // The address the second request went to, read back from the Referer line WinInetFetch
  // adds with the address unchanged.
  std::string SecondRequestUrl() const {
    const auto requests = internet.Requests();
    if (requests.size() != 1) return "<not exactly one request>";
    const std::string& headers = requests[0].headers;
    const std::string marker = "\r\nReferer: ";
    const std::size_t start = headers.find(marker);
    if (start == std::string::npos) return "<no Referer>";
    const std::size_t end = headers.find("\r\n", start + marker.size());
    return headers.substr(start + marker.size(), end - start - marker.size());
  }

  fakes::RecordingRequestPlatform platform;
  fakes::RecordingInternetApi internet;
};

TEST_F(OrderStatusQueryTest, SendsBothRequestsWithExactlyTheirArgumentsAndWritesOneLine) {
  const auto captions = Query("W100001", "demo@example.com");

  const std::string url = "https://shop.test:8443/go/cn/vieworder/W100001/demo@example.com";
  EXPECT_THAT(
      platform.Calls(),
      ElementsAre("CoInitialize", "CreateRequestObject", "SetTimeouts(15000, 15000, 15000, 15000)",
                  "Open(\"GET\", \"" + url + "\", false)", "PutOption(6, 0)", "PutOption(4, 13056)",
                  "SetRequestHeader(\"Host\", \"shop.test:8443\")",
                  "SetRequestHeader(\"Connection\", \"keep-alive\")",
                  "SetRequestHeader(\"Upgrade-Insecure-Requests\", \"1\")",
                  "SetRequestHeader(\"User-Agent\", \"Mozilla/5.0 (Linux; Android 6.0; Nexus 5 "
                  "Build/MRA58N) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/69.0.3497.100 "
                  "Mobile Safari/537.36\")",
                  "SetRequestHeader(\"Accept\", \"text/html,application/xhtml+xml,application/"
                  "xml;q=0.9,image/webp,image/apng,*/*;q=0.8\")",
                  "SetRequestHeader(\"Accept-Encoding\", \"gzip, deflate, br\")",
                  "SetRequestHeader(\"Accept-Language\", \"zh-CN,zh;q=0.9\")",
                  "SetRequestHeader(\"Referer\", \"" + url + "\")", "Send(Text \"\")",
                  "ResponseBody", "GetAllResponseHeaders", "Status", "Release", "CoUninitialize"));

  const auto requests = internet.Requests();
  ASSERT_THAT(requests, SizeIs(1));
  const fakes::InternetRequest& page = requests[0];
  EXPECT_EQ(page.agent, "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
  EXPECT_EQ(page.accessType, kInternetOpenTypeDirect);
  EXPECT_EQ(page.proxy, std::nullopt);
  EXPECT_EQ(page.host, "127.0.0.1");
  EXPECT_EQ(page.port, 18080);
  EXPECT_EQ(page.verb, "GET");
  EXPECT_EQ(page.path, "/orderstatus?order=W1");
  // Redirects followed, the platform's cookies on: no cookie was given.
  EXPECT_EQ(page.flags,
            kInternetFlagReload | kInternetFlagNeedFile | kInternetFlagIgnoreRedirectToHttps);
  EXPECT_EQ(page.headers, std::string("Accept: */*\r\nReferer: ") + kStatusPageUrl +
                              "\r\nAccept-Language: zh-cn");
  EXPECT_EQ(page.data, "");
  EXPECT_EQ(internet.OpenHandles(), 0);

  EXPECT_THAT(captions, ElementsAre("\xd2\xd1\xb7\xa2\xbb\xf5---2019" NIAN "3" YUE "5" RI "14" SHI
                                    "7" FEN "9" MIAO));
  // The clock was read only after the second request had finished.
  EXPECT_EQ(internetCallsWhenClockRead, internet.Calls().size());
}

TEST_F(OrderStatusQueryTest, InputsGoIntoTheAddressExactlyAsTyped) {
  struct Case {
    const char* orderNumber;
    const char* email;
    const char* url;
  };
  const Case cases[] = {
      {"", "", "https://shop.test:8443/go/cn/vieworder//"},
      {"A/1?x#y z", " a b@c.test ",
       "https://shop.test:8443/go/cn/vieworder/A/1?x#y z/ a b@c.test "},
      {"%41", "\xd5\xc5\xc8\xfd@x",
       "https://shop.test:8443/go/cn/vieworder/%41/\xd5\xc5\xc8\xfd@x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    platform.ClearCalls();
    const auto captions = Query(c.orderNumber, c.email);
    const auto requests = platform.Requests();
    ASSERT_THAT(requests, SizeIs(::testing::Ge(1u)));
    EXPECT_EQ(requests.back().url, Text(c.url));
    EXPECT_THAT(captions, SizeIs(1));
  }
}

TEST_F(OrderStatusQueryTest, TakesTheRedirectTargetFromTheFirstLocationMarker) {
  struct Case {
    const char* what;
    const char* headers;
    const char* location;
  };
  const Case cases[] = {
      {"plain", "Location: http://127.0.0.1:1/a\r\n", "http://127.0.0.1:1/a"},
      {"a Content-Location line first counts",
       "Content-Location: /alternate\r\nLocation: http://127.0.0.1:1/a\r\n", "/alternate"},
      {"lower-case name", "location: http://127.0.0.1:1/a\r\n", ""},
      {"no space after the colon", "Location:http://127.0.0.1:1/a\r\n", ""},
      {"no line end after the value", "Date: x\r\nLocation: http://127.0.0.1:1/a", ""},
      {"extra space kept", "Location:  http://127.0.0.1:1/a\r\n", " http://127.0.0.1:1/a"},
      {"no Location at all", "Content-Length: 5\r\n\r\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    internet.ClearCalls();
    platform.response.headers = c.headers;
    const auto before = internet.Requests().size();
    Query();
    const auto requests = internet.Requests();
    ASSERT_EQ(requests.size(), before + 1) << "the second request is made even without a target";
    const std::string& headers = requests.back().headers;
    EXPECT_NE(headers.find(std::string("\r\nReferer: ") + c.location + "\r\n"), std::string::npos)
        << headers;
  }
}

TEST_F(OrderStatusQueryTest, FirstRequestFailingStillMakesTheSecondAndWritesTheTimeAlone) {
  platform.creationFails = true;
  // What the platform does with an empty address is its own affair; here it finds nothing.
  internet.page = {};
  const auto captions = Query();
  EXPECT_EQ(SecondRequestUrl(), "");
  EXPECT_THAT(captions, ElementsAre("---2019" NIAN "3" YUE "5" RI "14" SHI "7" FEN "9" MIAO));
}

TEST_F(OrderStatusQueryTest, FindsTheDescriptionOfTheCurrentStatusInThePage) {
  struct Case {
    const char* what;
    const char* page;         // UTF-8
    const char* description;  // code page 936
  };
  const Case cases[] = {
      {"found", "{\"currentStatus\":\"S1\"} {\"S1\" : \"D1\",}", "D1"},
      {"Chinese description", "\"currentStatus\":\"P\",\"P\" : \"正在处理\",",
       "\xd5\xfd\xd4\xda\xb4\xa6\xc0\xed"},
      {"spaces around the status colon", "\"currentStatus\" : \"S1\" \"S1\" : \"D1\",", ""},
      {"no spaces around the description colon", "\"currentStatus\":\"S1\" \"S1\":\"D1\",", ""},
      {"first status entry counts",
       "\"currentStatus\":\"S1\" \"currentStatus\":\"S2\" \"S2\" : \"D2\", \"S1\" : \"D1\",", "D1"},
      {"first description entry counts, even before the status",
       "\"S1\" : \"early\", \"currentStatus\":\"S1\" \"S1\" : \"late\",", "early"},
      {"description ends at the first quote-comma",
       "\"currentStatus\":\"S1\" \"S1\" : \"a\",\"b\",", "a"},
      {"escapes are not decoded", "\"currentStatus\":\"S1\" \"S1\" : \"\\u5df2 \\\"x\",",
       "\\u5df2 \\\"x"},
      {"no entry for the status", "\"currentStatus\":\"S9\" \"S1\" : \"D1\",", ""},
      {"no quote-comma after the description", "\"currentStatus\":\"S1\" \"S1\" : \"D1\"}", ""},
      {"no status: the empty code's entry is taken", "<p>\"\" : \"odd\",</p>", "odd"},
      {"no status and no empty entry", "<p>not found</p>", ""},
      {"empty page", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    internet.page.body = Page(c.page);
    EXPECT_THAT(Query(), ElementsAre(std::string(c.description) + "---2019" NIAN "3" YUE "5" RI
                                                                  "14" SHI "7" FEN "9" MIAO));
  }
}

TEST_F(OrderStatusQueryTest, WritesTheDateAndTimeAtWhichTheQueryFinished) {
  struct Case {
    DateTime now;
    const char* text;
  };
  const Case cases[] = {
      {{2019, 3, 5, 14, 7, 9}, "2019" NIAN "3" YUE "5" RI "14" SHI "7" FEN "9" MIAO},
      {{2019, 3, 5, 14, 7, 0}, "2019" NIAN "3" YUE "5" RI "14" SHI "7" FEN},
      {{2019, 3, 5, 14, 0, 0}, "2019" NIAN "3" YUE "5" RI "14" SHI},
      {{2019, 12, 31, 0, 0, 0}, "2019" NIAN "12" YUE "31" RI},
      {{2020, 1, 1, 0, 0, 1}, "2020" NIAN "1" YUE "1" RI "0" SHI "0" FEN "1" MIAO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    clockTime = c.now;
    EXPECT_THAT(Query(), ElementsAre(std::string("\xd2\xd1\xb7\xa2\xbb\xf5---") + c.text));
  }
}

TEST_F(OrderStatusQueryTest, OrderViewHeadersBeginWithAnEmptyLineAndEndWithoutALineBreak) {
  const Text headers = OrderViewHeaders("h.test");
  EXPECT_EQ(headers.View().substr(0, 15), "\r\nHost: h.test\r");
  EXPECT_NE(headers.View().back(), '\n');
  EXPECT_EQ(std::string(headers.View()).find("Referer:"), std::string::npos);
}

}  // namespace
}  // namespace ow
