#include "fakes/recording_request_platform.h"

#include <string>

namespace ow::fakes {

namespace {

std::string QuotedText(const Text& text) {
  return Quoted(text.View());
}

}  // namespace

RecordingRequestObject::RecordingRequestObject(
    std::shared_ptr<CallLog> log, std::function<ScriptedResponse(const SentRequest&)> onSend)
    : log_(std::move(log)), onSend_(std::move(onSend)) {}

RecordingRequestObject::~RecordingRequestObject() {
  log_->Record("Release");
}

void RecordingRequestObject::SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) {
  log_->Record("SetTimeouts(" + std::to_string(resolveMs) + ", " + std::to_string(connectMs) +
               ", " + std::to_string(sendMs) + ", " + std::to_string(receiveMs) + ")");
}

void RecordingRequestObject::SetProxy(int setting, const Text& server) {
  log_->Record("SetProxy(" + std::to_string(setting) + ", " + QuotedText(server) + ")");
}

void RecordingRequestObject::SetRequestHeader(const Text& name, const Text& value) {
  log_->Record("SetRequestHeader(" + QuotedText(name) + ", " + QuotedText(value) + ")");
  sent_.headers.emplace_back(name, value);
}

void RecordingRequestObject::Open(const Text& method, const Text& url, bool async) {
  log_->Record("Open(" + QuotedText(method) + ", " + QuotedText(url) + ", " +
               (async ? "true" : "false") + ")");
  sent_.method = method;
  sent_.url = url;
}

void RecordingRequestObject::PutOption(int index, int value) {
  log_->Record("PutOption(" + std::to_string(index) + ", " + std::to_string(value) + ")");
  sent_.options.emplace_back(index, value);
}

void RecordingRequestObject::Send(const Text& body) {
  log_->Record("Send(Text " + QuotedText(body) + ")");
  sent_.body = ToBytes(body);
  sent_.bodyAsBytes = false;
  Deliver();
}

void RecordingRequestObject::Send(const Bytes& body) {
  log_->Record("Send(Bytes " + Quoted(body.View()) + ")");
  sent_.body = body;
  sent_.bodyAsBytes = true;
  Deliver();
}

void RecordingRequestObject::Deliver() {
  if (onSend_) response_ = onSend_(sent_);
}

Bytes RecordingRequestObject::ResponseBody() {
  log_->Record("ResponseBody");
  return response_.body;
}

Text RecordingRequestObject::GetAllResponseHeaders() {
  log_->Record("GetAllResponseHeaders");
  return response_.headers;
}

int RecordingRequestObject::Status() {
  log_->Record("Status");
  return response_.status;
}

void RecordingRequestPlatform::CoInitialize() {
  log_->Record("CoInitialize");
}

void RecordingRequestPlatform::CoUninitialize() {
  log_->Record("CoUninitialize");
}

std::shared_ptr<RequestObject> RecordingRequestPlatform::CreateRequestObject() {
  log_->Record("CreateRequestObject");
  if (creationFails) return nullptr;
  return NewObject();
}

std::shared_ptr<RecordingRequestObject> RecordingRequestPlatform::NewObject() {
  return std::make_shared<RecordingRequestObject>(
      log_, [this](const SentRequest& request) { return Answer(request); });
}

ScriptedResponse RecordingRequestPlatform::Answer(const SentRequest& request) {
  {
    std::lock_guard lock(requestsMutex_);
    requests_.push_back(request);
  }
  return respond ? respond(request) : response;
}

std::vector<SentRequest> RecordingRequestPlatform::Requests() const {
  std::lock_guard lock(requestsMutex_);
  return requests_;
}

}  // namespace ow::fakes
