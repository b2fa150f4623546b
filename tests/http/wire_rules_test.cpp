// The rules of what the libcurl backends let onto the wire, case by case.
#include "http/wire_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace ow {
namespace {

TEST(WireRules, EscapeUrl) {
  struct Case {
    std::string url;
    std::string escaped;
  } cases[] = {
      {"http://127.0.0.1:8080/a?b=c", "http://127.0.0.1:8080/a?b=c"},
      {"HTTPS://Store.Example/x", "https://Store.Example/x"},
      {"http://h", "http://h/"},
      {"http://h?q=1", "http://h/?q=1"},
      {"http://h/a b", "http://h/a%20b"},
      {"http://h/100%25/%zz", "http://h/100%25/%zz"},  // "%" is never escaped again
      {"http://h/\xb6\xa9?k=\xb5\xa5", "http://h/%B6%A9?k=%B5%A5"},
      {"http://h/\x01\x7f", "http://h/%01%7F"},
      {"http://h/\"<>[\\]^`{|}", "http://h/%22%3C%3E%5B%5C%5D%5E%60%7B%7C%7D"},
      {"http://h/a~b!$&'()*+,;=:@", "http://h/a~b!$&'()*+,;=:@"},
      {"http://h/page#part one", "http://h/page"},
      {"http://user:pw@h/", "http://user:pw@h/"},
      {"http://[::1]:80/", "http://[::1]:80/"},
      {"ftp://h/", ""},
      {"h/path", ""},
      {"http://", ""},
      {"http:///path", ""},
      {"http://:80/", ""},
      {"http://bad host/", ""},
      {"http://h\r\nX: 1/", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeUrl(c.url), c.escaped) << c.url;
}

TEST(WireRules, ProxyForScheme) {
  struct Case {
    std::string list;
    std::string scheme;
    std::optional<std::string> proxy;
  } cases[] = {
      {"127.0.0.1:3128", "http", "127.0.0.1:3128"},
      {"127.0.0.1:3128", "https", "127.0.0.1:3128"},
      {"http=127.0.0.1:3128", "http", "127.0.0.1:3128"},
      {"http=127.0.0.1:3128", "https", std::nullopt},
      {"https=a:1;http=b:2", "http", "b:2"},
      {"https=a:1 http=b:2", "https", "a:1"},
      {"all:1;https=a:2", "https", "a:2"},  // the entry for the scheme wins over a bare one
      {"all:1;https=a:2", "http", "all:1"},
      {"http://proxy.test", "http", "proxy.test:80"},
      {"HTTP=b:2", "http", "b:2"},
      {"", "http", std::nullopt},
      {" ; ", "http", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProxyForScheme(c.list, c.scheme), c.proxy) << c.list << " for " << c.scheme;
  }
}

TEST(WireRules, HeaderNamesAndValues) {
  for (const char* name : {"Accept", "X-Custom_1", "user-agent"}) {
    EXPECT_TRUE(IsValidHeaderName(name)) << name;
  }
  for (const char* name : {"", "Bad Name", "Colon:", "Line\r\nBreak", "Tab\t", "\xb6\xa9"}) {
    EXPECT_FALSE(IsValidHeaderName(name)) << name;
  }
  for (const char* value : {"", "*/*", "a; b=\"c\"", "\xb6\xa9", "tab\there"}) {
    EXPECT_TRUE(IsValidHeaderValue(value)) << value;
  }
  for (std::string value : {std::string("a\rb"), std::string("a\nb"), std::string("a\0b", 3)}) {
    EXPECT_FALSE(IsValidHeaderValue(value));
  }
}

}  // namespace
}  // namespace ow
