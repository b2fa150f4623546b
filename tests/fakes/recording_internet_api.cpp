#include "fakes/recording_internet_api.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ow::fakes {

namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  return text;
}

std::optional<std::string> CopyOrNull(const char* text) {
  return text == nullptr ? std::nullopt : std::optional<std::string>(text);
}

}  // namespace

RecordingInternetApi::~RecordingInternetApi() = default;

RecordingInternetApi::Handle* RecordingInternetApi::Find(InternetHandle handle, Kind kind) {
  auto found = handles_.find(handle);
  if (found == handles_.end() || found->second->kind != kind) return nullptr;
  return found->second.get();
}

std::string RecordingInternetApi::NameOf(InternetHandle handle) const {
  if (handle == nullptr) return "null";
  auto found = handles_.find(handle);
  if (found == handles_.end()) return "invalid";
  switch (found->second->kind) {
    case Kind::kRoot:
      return "root";
    case Kind::kConnection:
      return "connection";
    case Kind::kRequest:
      return "request";
  }
  return "invalid";
}

InternetHandle RecordingInternetApi::Issue(Kind kind, InternetRequest request) {
  auto handle = std::make_unique<Handle>();
  handle->kind = kind;
  handle->request = std::move(request);
  InternetHandle key = handle.get();
  handles_.emplace(key, std::move(handle));
  return key;
}

InternetHandle RecordingInternetApi::InternetOpenA(const char* agent, std::uint32_t accessType,
                                                   const char* proxy, const char* proxyBypass,
                                                   std::uint32_t flags) {
  log_.Record("InternetOpenA(" + QuotedOrNull(agent) + ", " + std::to_string(accessType) + ", " +
              QuotedOrNull(proxy) + ", " + QuotedOrNull(proxyBypass) + ", " +
              std::to_string(flags) + ")");
  if (openFails) return nullptr;
  InternetRequest request;
  request.agent = agent == nullptr ? "" : agent;
  request.accessType = accessType;
  request.proxy = CopyOrNull(proxy);
  request.proxyBypass = CopyOrNull(proxyBypass);
  std::lock_guard lock(mutex_);
  return Issue(Kind::kRoot, std::move(request));
}

InternetHandle RecordingInternetApi::InternetConnectA(InternetHandle root, const char* serverName,
                                                      int port, const char* userName,
                                                      const char* password, std::uint32_t service,
                                                      std::uint32_t flags, std::uintptr_t context) {
  std::lock_guard lock(mutex_);
  log_.Record("InternetConnectA(" + NameOf(root) + ", " + QuotedOrNull(serverName) + ", " +
              std::to_string(port) + ", " + QuotedOrNull(userName) + ", " + QuotedOrNull(password) +
              ", " + std::to_string(service) + ", " + std::to_string(flags) + ", " +
              std::to_string(context) + ")");
  const Handle* parent = Find(root, Kind::kRoot);
  if (connectFails || parent == nullptr) return nullptr;
  InternetRequest request = parent->request;
  request.host = serverName == nullptr ? "" : serverName;
  request.port = port;
  return Issue(Kind::kConnection, std::move(request));
}

InternetHandle RecordingInternetApi::HttpOpenRequestA(InternetHandle connection, const char* verb,
                                                      const char* objectName, const char* version,
                                                      const char* referrer,
                                                      const char** acceptTypes, std::uint32_t flags,
                                                      std::uintptr_t context) {
  std::lock_guard lock(mutex_);
  log_.Record("HttpOpenRequestA(" + NameOf(connection) + ", " + QuotedOrNull(verb) + ", " +
              QuotedOrNull(objectName) + ", " + QuotedOrNull(version) + ", " +
              QuotedOrNull(referrer) + ", " + (acceptTypes == nullptr ? "null" : "list") + ", " +
              Hex(flags) + ", " + std::to_string(context) + ")");
  const Handle* parent = Find(connection, Kind::kConnection);
  if (openRequestFails || parent == nullptr) return nullptr;
  InternetRequest request = parent->request;
  request.verb = verb == nullptr ? "" : verb;
  request.path = objectName == nullptr ? "" : objectName;
  request.flags = flags;
  return Issue(Kind::kRequest, std::move(request));
}

bool RecordingInternetApi::HttpSendRequestA(InternetHandle request, const char* headers,
                                            std::uint32_t headersLength, const void* optional,
                                            std::uint32_t optionalLength) {
  // As on the platform, a length of -1 stands for a NUL-terminated block.
  const std::size_t headerBytes =
      headers != nullptr && headersLength == static_cast<std::uint32_t>(-1) ? std::strlen(headers)
                                                                            : headersLength;
  const std::optional<std::string> headerText =
      headers == nullptr ? std::nullopt
                         : std::optional<std::string>(std::in_place, headers, headerBytes);
  const std::optional<std::string> data =
      optional == nullptr ? std::nullopt
                          : std::optional<std::string>(
                                std::in_place, static_cast<const char*>(optional), optionalLength);
  InternetRequest sent;
  {
    std::lock_guard lock(mutex_);
    log_.Record("HttpSendRequestA(" + NameOf(request) + ", " +
                (headerText ? Quoted(*headerText) : "null") + ", " + std::to_string(headersLength) +
                ", " + (data ? Quoted(*data) : "null") + ", " + std::to_string(optionalLength) +
                ")");
    Handle* handle = Find(request, Kind::kRequest);
    if (sendFails || handle == nullptr) return false;
    handle->request.headers = headerText.value_or("");
    handle->request.data = data;
    sent = handle->request;
    requests_.push_back(sent);
  }
  // The answer is worked out without the lock, so that it may call back into the fake.
  ScriptedPage answer = respond ? respond(sent) : page;
  std::lock_guard lock(mutex_);
  Handle* handle = Find(request, Kind::kRequest);
  if (handle == nullptr) return false;
  handle->page = std::move(answer);
  handle->sent = true;
  handle->readOffset = 0;
  return true;
}

bool RecordingInternetApi::InternetReadFile(InternetHandle request, void* buffer,
                                            std::uint32_t numberOfBytesToRead,
                                            std::uint32_t* numberOfBytesRead) {
  std::lock_guard lock(mutex_);
  const std::string name = NameOf(request);
  Handle* handle = Find(request, Kind::kRequest);
  std::uint32_t count = 0;
  if (handle != nullptr && handle->sent && buffer != nullptr) {
    const std::string_view body = handle->page.body.View();
    const std::size_t left = body.size() - handle->readOffset;
    count = static_cast<std::uint32_t>(
        std::min<std::size_t>({left, numberOfBytesToRead, maxBytesPerRead}));
    std::memcpy(buffer, body.data() + handle->readOffset, count);
    handle->readOffset += count;
  }
  if (numberOfBytesRead != nullptr) *numberOfBytesRead = count;
  log_.Record("InternetReadFile(" + name + ", " + std::to_string(numberOfBytesToRead) + ") -> " +
              std::to_string(count));
  return handle != nullptr && handle->sent;
}

bool RecordingInternetApi::HttpQueryInfoA(InternetHandle request, std::uint32_t infoLevel,
                                          void* buffer, std::uint32_t* bufferLength,
                                          std::uint32_t* index) {
  std::lock_guard lock(mutex_);
  log_.Record("HttpQueryInfoA(" + NameOf(request) + ", " + std::to_string(infoLevel) + ", " +
              (bufferLength == nullptr ? std::string("null") : std::to_string(*bufferLength)) +
              ", " + (index == nullptr ? "null" : "index") + ")");
  const Handle* handle = Find(request, Kind::kRequest);
  if (handle == nullptr || !handle->sent || infoLevel != kHttpQueryRawHeadersCrlf ||
      bufferLength == nullptr) {
    return false;
  }
  const std::string_view headers = handle->page.rawHeaders.View();
  const std::size_t needed = headers.size() + 1;
  if (buffer == nullptr || needed > *bufferLength) {
    *bufferLength = static_cast<std::uint32_t>(needed);
    return false;
  }
  std::memcpy(buffer, headers.data(), headers.size());
  static_cast<char*>(buffer)[headers.size()] = '\0';
  *bufferLength = static_cast<std::uint32_t>(headers.size());
  return true;
}

bool RecordingInternetApi::InternetCloseHandle(InternetHandle handle) {
  std::lock_guard lock(mutex_);
  log_.Record("InternetCloseHandle(" + NameOf(handle) + ")");
  return handles_.erase(handle) == 1;
}

std::vector<InternetRequest> RecordingInternetApi::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

int RecordingInternetApi::OpenHandles() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(handles_.size());
}

}  // namespace ow::fakes
