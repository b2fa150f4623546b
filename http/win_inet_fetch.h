// One complete HTTP or HTTPS request through the platform's internet handles.
#pragma once

#include <optional>

#include "http/internet_api.h"
#include "http/win_http_fetch.h"
#include "text/text.h"

namespace ow {

// Parameters of WinInetFetch; the conventions of WinHttpFetchArgs.
struct WinInetFetchArgs {
  Text url;
  int method = kGet;
  Text postText;
  Text* cookie = nullptr;  // in/out; given (even empty) turns the platform's cookies off
  Text* returnedCookies = nullptr;
  Text* headers = nullptr;  // in/out
  Text* returnedHeaders = nullptr;
  bool noRedirect = false;
  Bytes* postBytes = nullptr;  // in/out: receives postText's bytes for a non-GET with no bytes
  Text proxy;
  std::optional<bool> autoMergeCookies;  // true when left out
};

// Answers the response body; empty on every failure.
Bytes WinInetFetch(InternetApi& api, const WinInetFetchArgs& args);
inline Bytes WinInetFetch(const WinInetFetchArgs& args) {
  return WinInetFetch(SystemInternetApi(), args);
}

}  // namespace ow
