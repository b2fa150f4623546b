// A recording fake of the request-object seam: a RequestPlatform whose objects write every call
// into one CallLog and answer with a scripted response.
//
// The lines, with texts quoted as CallLog says:
//   CoInitialize                      CoUninitialize
//   CreateRequestObject               (also when creation is scripted to fail)
//   SetTimeouts(15000, 15000, 15000, 15000)
//   SetProxy(2, "proxy:8080")
//   SetRequestHeader("Accept", "*/*")
//   Open("GET", "https://host/path", false)
//   PutOption(6, 0)                   (values in decimal: 0x3300 reads 13056)
//   Send(Text "a=1")                  Send(Bytes "a=1")
//   ResponseBody                      GetAllResponseHeaders            Status
//   Release                           (the object's last reference is dropped)
//
// Usage:
//   RecordingRequestPlatform platform;
//   platform.response = {.headers = "HTTP/1.1 302 Found\r\nLocation: http://x/", .status = 302};
//   WinHttpFetch(platform, {...});
//   EXPECT_THAT(platform.Calls(), ElementsAre("CoInitialize", ...));
//   platform.Requests()[0].url;  // what the object was asked to send
//
// Several threads may use one platform at once, as long as the script is not changed meanwhile.
// Objects answer through their platform, so none may outlive it.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "fakes/call_log.h"
#include "http/request_object.h"
#include "text/text.h"

namespace ow::fakes {

// What a recording object answers after Send.
struct ScriptedResponse {
  Text headers;  // GetAllResponseHeaders: the raw header text, lines separated by CR LF
  Bytes body;    // ResponseBody
  int status = 0;
};

// What one object was asked to send, gathered up to its Send call.
struct SentRequest {
  Text method;
  Text url;
  std::vector<std::pair<Text, Text>> headers;  // SetRequestHeader calls, in order
  Bytes body;                                  // the bytes given to Send
  bool bodyAsBytes = false;                    // Send got Bytes rather than Text
  std::vector<std::pair<int, int>> options;    // PutOption calls, in order
};

class RecordingRequestObject final : public RequestObject {
 public:
  // `onSend` receives the request when Send is called and answers the response.
  RecordingRequestObject(std::shared_ptr<CallLog> log,
                         std::function<ScriptedResponse(const SentRequest&)> onSend);
  ~RecordingRequestObject() override;

  void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override;
  void SetProxy(int setting, const Text& server) override;
  void SetRequestHeader(const Text& name, const Text& value) override;
  void Open(const Text& method, const Text& url, bool async) override;
  void PutOption(int index, int value) override;
  void Send(const Text& body) override;
  void Send(const Bytes& body) override;
  Bytes ResponseBody() override;
  Text GetAllResponseHeaders() override;
  int Status() override;

  const SentRequest& Sent() const { return sent_; }

 private:
  void Deliver();

  std::shared_ptr<CallLog> log_;
  std::function<ScriptedResponse(const SentRequest&)> onSend_;
  SentRequest sent_;
  ScriptedResponse response_;  // empty until Send
};

class RecordingRequestPlatform final : public RequestPlatform {
 public:
  // Answered by every object once it is sent, unless `respond` is set.
  ScriptedResponse response;
  // When set, answers each sent request in place of `response`.
  std::function<ScriptedResponse(const SentRequest&)> respond;
  // CreateRequestObject answers null.
  bool creationFails = false;

  void CoInitialize() override;
  void CoUninitialize() override;
  std::shared_ptr<RequestObject> CreateRequestObject() override;

  // An object that records into this platform's log, for a caller that brings its own object.
  std::shared_ptr<RecordingRequestObject> NewObject();

  std::vector<std::string> Calls() const { return log_->Lines(); }
  void ClearCalls() { log_->Clear(); }
  // Every request sent through this platform's objects, in the order of their Send calls.
  std::vector<SentRequest> Requests() const;

 private:
  ScriptedResponse Answer(const SentRequest& request);

  std::shared_ptr<CallLog> log_ = std::make_shared<CallLog>();
  mutable std::mutex requestsMutex_;
  std::vector<SentRequest> requests_;
};

}  // namespace ow::fakes
