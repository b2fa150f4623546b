// A recording fake of the internet-handle seam: an InternetApi that writes every call into a
// CallLog, hands out handles it tracks, and serves a scripted page.
//
// The lines, with texts quoted as CallLog says, handles named by what opened them (root,
// connection, request; null, or invalid for one the fake never issued or already closed) and
// flags in hex:
//   InternetOpenA("agent", 1, null, null, 0)
//   InternetConnectA(root, "host", 443, null, null, 3, 0, 0)
//   HttpOpenRequestA(connection, "GET", "/path", "HTTP/1.1", null, null, 0x80800010, 0)
//   HttpSendRequestA(request, "Accept: */*...", 57, "", 0)    (optional data: null or its bytes)
//   InternetReadFile(request, 1024) -> 1024                   (the count written back)
//   HttpQueryInfoA(request, 22, 5000, null)                   (the buffer length passed in;
//                                                              the index: null or index)
//   InternetCloseHandle(request)
//
// The platform's contract as the fake plays it: a read delivers up to the asked number of body
// bytes and a count of 0 at the end or on any failure; the header query writes the raw headers
// and a NUL only when they fit into the buffer length given, and otherwise leaves the buffer
// alone, writes the length needed and answers false. Nothing can be read before a send has
// succeeded.
//
// Several threads may use one fake at once, as long as the script is not changed meanwhile.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "fakes/call_log.h"
#include "http/internet_api.h"
#include "text/text.h"

namespace ow::fakes {

// What the fake serves for one sent request.
struct ScriptedPage {
  Text rawHeaders;  // status line and header lines, separated by CR LF
  Bytes body;
};

// Everything one request was opened and sent with; pointer arguments the caller passed as null
// are nullopt.
struct InternetRequest {
  std::string agent;
  std::uint32_t accessType = 0;
  std::optional<std::string> proxy;
  std::optional<std::string> proxyBypass;
  std::string host;
  int port = 0;
  std::string verb;
  std::string path;
  std::uint32_t flags = 0;
  std::string headers;
  std::optional<std::string> data;
};

class RecordingInternetApi final : public InternetApi {
 public:
  // Served for every sent request, unless `respond` is set.
  ScriptedPage page;
  // When set, answers each sent request in place of `page`.
  std::function<ScriptedPage(const InternetRequest&)> respond;
  // Each of the three opening calls can be made to answer null.
  bool openFails = false;
  bool connectFails = false;
  bool openRequestFails = false;
  // HttpSendRequestA answers false, and nothing can be read from the request afterwards.
  bool sendFails = false;
  // A read delivers at most this many bytes, to exercise short reads.
  std::uint32_t maxBytesPerRead = std::numeric_limits<std::uint32_t>::max();

  RecordingInternetApi() = default;
  RecordingInternetApi(const RecordingInternetApi&) = delete;
  RecordingInternetApi& operator=(const RecordingInternetApi&) = delete;
  ~RecordingInternetApi() override;

  InternetHandle InternetOpenA(const char* agent, std::uint32_t accessType, const char* proxy,
                               const char* proxyBypass, std::uint32_t flags) override;
  InternetHandle InternetConnectA(InternetHandle root, const char* serverName, int port,
                                  const char* userName, const char* password, std::uint32_t service,
                                  std::uint32_t flags, std::uintptr_t context) override;
  InternetHandle HttpOpenRequestA(InternetHandle connection, const char* verb,
                                  const char* objectName, const char* version, const char* referrer,
                                  const char** acceptTypes, std::uint32_t flags,
                                  std::uintptr_t context) override;
  bool HttpSendRequestA(InternetHandle request, const char* headers, std::uint32_t headersLength,
                        const void* optional, std::uint32_t optionalLength) override;
  bool InternetReadFile(InternetHandle request, void* buffer, std::uint32_t numberOfBytesToRead,
                        std::uint32_t* numberOfBytesRead) override;
  bool HttpQueryInfoA(InternetHandle request, std::uint32_t infoLevel, void* buffer,
                      std::uint32_t* bufferLength, std::uint32_t* index) override;
  bool InternetCloseHandle(InternetHandle handle) override;

  std::vector<std::string> Calls() const { return log_.Lines(); }
  void ClearCalls() { log_.Clear(); }
  // Every request sent successfully, in order.
  std::vector<InternetRequest> Requests() const;
  // Handles issued and not yet closed.
  int OpenHandles() const;

 private:
  enum class Kind { kRoot, kConnection, kRequest };
  struct Handle {
    Kind kind = Kind::kRoot;
    InternetRequest request;  // filled in as far as the handle's kind knows it
    bool sent = false;
    ScriptedPage page;
    std::size_t readOffset = 0;
  };

  // Both under mutex_.
  Handle* Find(InternetHandle handle, Kind kind);
  std::string NameOf(InternetHandle handle) const;
  InternetHandle Issue(Kind kind, InternetRequest request);

  CallLog log_;
  mutable std::mutex mutex_;
  std::unordered_map<InternetHandle, std::unique_ptr<Handle>> handles_;
  std::vector<InternetRequest> requests_;
};

}  // namespace ow::fakes
