// One HTTP request through the platform's request object.
#pragma once

#include <memory>
#include <optional>

#include "http/request_object.h"
#include "text/text.h"

namespace ow {

// Method codes shared by both request routines; a code outside 0..7 counts as 0 (GET).
enum MethodCode : int { kGet = 0, kPost, kHead, kPut, kOptions, kDelete, kTrace, kConnect };

// Parameters of WinHttpFetch. Out and in/out parameters are pointers to the caller's variables,
// null when left out. `cookie`, `proxyMode`, `requestObject` and `autoMergeCookies` are looked
// at for whether they were given; every other one left out acts as its empty value.
struct WinHttpFetchArgs {
  Text url;
  int method = kGet;
  Text postText;
  Text* cookie = nullptr;  // in/out; given (even empty) switches cookie merging on
  Text* returnedCookies = nullptr;
  Text* headers = nullptr;  // in/out: receives the block with the default lines added
  Text* returnedHeaders = nullptr;
  int* returnedStatus = nullptr;
  bool noRedirect = false;
  Bytes postBytes;  // sent instead of postText when not empty
  Text proxy;
  int timeoutSeconds = 0;  // 0 or below: 15 s; -1: the object's timeouts stay as they are
  Text proxyUser;
  Text proxyPassword;
  std::optional<int> proxyMode;  // 1 when left out; only 1 sends Basic credentials
  std::optional<std::shared_ptr<RequestObject>> requestObject;
  std::optional<bool> autoMergeCookies;  // true when left out
};

// Answers the response body; empty when the object cannot be created or nothing came back.
Bytes WinHttpFetch(RequestPlatform& platform, const WinHttpFetchArgs& args);
inline Bytes WinHttpFetch(const WinHttpFetchArgs& args) {
  return WinHttpFetch(SystemRequestPlatform(), args);
}

}  // namespace ow
