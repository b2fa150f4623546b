#include "http/url_parts.h"

#include <gtest/gtest.h>

#include <string>

namespace ow {
namespace {

struct UrlCase {
  const char* url;
  const char* host;
  const char* hostWithPort;
  int port;
  const char* path;
};

class UrlPartsTest : public testing::TestWithParam<UrlCase> {};

TEST_P(UrlPartsTest, SplitsTheAddress) {
  const UrlCase& c = GetParam();
  EXPECT_EQ(std::string(UrlHost(c.url).View()), c.host);
  EXPECT_EQ(std::string(UrlHost(c.url, true).View()), c.hostWithPort);
  EXPECT_EQ(UrlPort(c.url), c.port);
  EXPECT_EQ(std::string(UrlPath(c.url).View()), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, UrlPartsTest,
    testing::Values(
        UrlCase{"https://shop.example.com/go/cn/1?x=1#top", "shop.example.com", "shop.example.com",
                443, "/go/cn/1?x=1#top"},
        UrlCase{"http://shop.example.com/a", "shop.example.com", "shop.example.com", 80, "/a"},
        UrlCase{"http://shop.example.com:8080/a", "shop.example.com", "shop.example.com:8080", 8080,
                "/a"},
        UrlCase{"shop.example.com/a", "shop.example.com", "shop.example.com", 80, "/a"},
        UrlCase{"https://shop.example.com", "shop.example.com", "shop.example.com", 443, "/"},
        // Capitals: the host is lower-cased, the path keeps them, the scheme still counts.
        UrlCase{"HTTPS://Shop.EXAMPLE.com/Order/AB12", "shop.example.com", "shop.example.com", 443,
                "/Order/AB12"},
        // A query straight after the host belongs to the host.
        UrlCase{"https://shop.example.com?q=1", "shop.example.com?q=1", "shop.example.com?q=1", 443,
                "/"},
        UrlCase{"http://shop.example.com:/a", "shop.example.com", "shop.example.com:", 0, "/a"},
        // Without a scheme, an "http://" later in the address supplies the host.
        UrlCase{"shop.example.com/go?next=http://other.example.org/x", "other.example.org",
                "other.example.org", 80, "/x"},
        // Five letters decide the default port; the host is read as for plain HTTP.
        UrlCase{"httpsite.example.com/a", "httpsite.example.com", "httpsite.example.com", 443,
                "/a"},
        // The port is read after the last colon of the host.
        UrlCase{"http://user:pw@shop.example.com:81/", "user", "user:pw@shop.example.com:81", 81,
                "/"},
        UrlCase{"127.0.0.1:18443/status", "127.0.0.1", "127.0.0.1:18443", 18443, "/status"},
        UrlCase{"", "", "", 80, "/"}));

}  // namespace
}  // namespace ow
