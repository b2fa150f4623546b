// The request-object seam: the members of the platform's HTTP request object that
// WinHttpFetch calls, in the platform's own terms. The Windows backend late-binds the real
// automation object; the Linux backend (request_object_curl.cpp) does the same over libcurl.
//
// No member reports failure: a call that fails has no effect, and a property that cannot be
// read gives an empty text, 0 or empty Bytes.
#pragma once

#include <memory>

#include "text/text.h"

namespace ow {

// Index 6 of Option: follow redirects (0 = no).
inline constexpr int kOptionEnableRedirects = 6;
// Index 4 of Option: which certificate errors to ignore.
inline constexpr int kOptionSslErrorIgnoreFlags = 4;
inline constexpr int kSslErrorIgnoreAll = 0x3300;
// SetProxy setting: use the given proxy server.
inline constexpr int kProxySettingProxy = 2;

class RequestObject {
 public:
  virtual ~RequestObject() = default;
  // Resolve, connect, send and receive timeouts in milliseconds.
  virtual void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) = 0;
  virtual void SetProxy(int setting, const Text& server) = 0;
  virtual void SetRequestHeader(const Text& name, const Text& value) = 0;
  virtual void Open(const Text& method, const Text& url, bool async) = 0;
  // The indexed property Option, written.
  virtual void PutOption(int index, int value) = 0;
  // Sends the request and waits for the response.
  virtual void Send(const Text& body) = 0;
  virtual void Send(const Bytes& body) = 0;
  virtual Bytes ResponseBody() = 0;
  // The raw header text of the response: one header per line, lines separated by CR LF.
  virtual Text GetAllResponseHeaders() = 0;
  virtual int Status() = 0;
};

// What WinHttpFetch needs of the platform besides the object's members: the per-thread
// component runtime and a way to make a new object.
class RequestPlatform {
 public:
  virtual ~RequestPlatform() = default;
  virtual void CoInitialize() = 0;
  virtual void CoUninitialize() = 0;
  // A new request object, or null when it cannot be created.
  virtual std::shared_ptr<RequestObject> CreateRequestObject() = 0;
};

// The platform's own implementation; stateless, safe to use from any thread.
RequestPlatform& SystemRequestPlatform();

}  // namespace ow
