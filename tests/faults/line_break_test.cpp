// A line break in an address, whether typed into an input box or sent by a server in a redirect
// target, reaches the platform's request facilities only escaped: in the address the object
// opens, in the host and path of the internet handles, and in the Referer line of both.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "fakes/recording_internet_api.h"
#include "fakes/recording_request_platform.h"
#include "http/win_http_fetch.h"
#include "http/win_inet_fetch.h"

namespace ow {
namespace {

bool HoldsALoneLineBreak(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return true;
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return true;
  }
  return false;
}

bool HoldsALineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

constexpr const char* kAddresses[] = {
    "https://shop.test/go/cn/vieworder/W1\r\nX-Injected: 1/a@b.c",
    "http://127.0.0.1:8080/s\rX-Injected: 1",
    "http://127.0.0.1:8080/s\nX-Injected: 1",
    "http://evil.test\r\nX-Injected: 1/s",
};

TEST(LineBreaksInAddresses, TheRequestObjectGetsThemEscaped) {
  for (const char* address : kAddresses) {
    SCOPED_TRACE(address);
    fakes::RecordingRequestPlatform platform;
    Text headers;
    WinHttpFetch(platform, {.url = address, .headers = &headers});
    ASSERT_EQ(platform.Requests().size(), 1u);
    const fakes::SentRequest sent = platform.Requests()[0];
    EXPECT_FALSE(HoldsALineBreak(sent.url.View())) << sent.url.View();
    EXPECT_NE(sent.url.View().find("%0"), std::string_view::npos);
    for (const auto& [name, value] : sent.headers) {
      EXPECT_FALSE(HoldsALineBreak(name.View())) << name.View();
      EXPECT_FALSE(HoldsALineBreak(value.View())) << name.View() << ": " << value.View();
    }
  }
}

TEST(LineBreaksInAddresses, TheInternetHandlesGetThemEscaped) {
  for (const char* address : kAddresses) {
    SCOPED_TRACE(address);
    fakes::RecordingInternetApi api;
    WinInetFetch(api, {.url = address});
    ASSERT_EQ(api.Requests().size(), 1u);
    const fakes::InternetRequest sent = api.Requests()[0];
    EXPECT_FALSE(HoldsALineBreak(sent.host)) << sent.host;
    EXPECT_FALSE(HoldsALineBreak(sent.path)) << sent.path;
    // The block's own lines are separated by CR LF; nothing else in it may break a line.
    EXPECT_FALSE(HoldsALoneLineBreak(sent.headers)) << sent.headers;
    EXPECT_EQ(sent.headers.find("\r\nX-Injected"), std::string::npos) << sent.headers;
  }
}

}  // namespace
}  // namespace ow
