// The internet-handle seam over the platform's own WinINet: each call is passed on as it is.
#include <windows.h>
#include <wininet.h>

#include "http/internet_api.h"

namespace ow {
namespace {

class WindowsInternetApi final : public InternetApi {
 public:
  InternetHandle InternetOpenA(const char* agent, std::uint32_t accessType, const char* proxy,
                               const char* proxyBypass, std::uint32_t flags) override {
    return ::InternetOpenA(agent, accessType, proxy, proxyBypass, flags);
  }

  InternetHandle InternetConnectA(InternetHandle root, const char* serverName, int port,
                                  const char* userName, const char* password, std::uint32_t service,
                                  std::uint32_t flags, std::uintptr_t context) override {
    return ::InternetConnectA(root, serverName, static_cast<INTERNET_PORT>(port), userName,
                              password, service, flags, context);
  }

  InternetHandle HttpOpenRequestA(InternetHandle connection, const char* verb,
                                  const char* objectName, const char* version, const char* referrer,
                                  const char** acceptTypes, std::uint32_t flags,
                                  std::uintptr_t context) override {
    return ::HttpOpenRequestA(connection, verb, objectName, version, referrer, acceptTypes, flags,
                              context);
  }

  bool HttpSendRequestA(InternetHandle request, const char* headers, std::uint32_t headersLength,
                        const void* optional, std::uint32_t optionalLength) override {
    // The platform takes the optional data through a non-const pointer but only reads it.
    return ::HttpSendRequestA(request, headers, headersLength, const_cast<void*>(optional),
                              optionalLength) != FALSE;
  }

  bool InternetReadFile(InternetHandle request, void* buffer, std::uint32_t numberOfBytesToRead,
                        std::uint32_t* numberOfBytesRead) override {
    DWORD read = 0;
    const BOOL ok = ::InternetReadFile(request, buffer, numberOfBytesToRead, &read);
    if (numberOfBytesRead != nullptr) *numberOfBytesRead = read;
    return ok != FALSE;
  }

  bool HttpQueryInfoA(InternetHandle request, std::uint32_t infoLevel, void* buffer,
                      std::uint32_t* bufferLength, std::uint32_t* index) override {
    DWORD length = bufferLength != nullptr ? *bufferLength : 0;
    DWORD position = index != nullptr ? *index : 0;
    const BOOL ok =
        ::HttpQueryInfoA(request, infoLevel, buffer, bufferLength != nullptr ? &length : nullptr,
                         index != nullptr ? &position : nullptr);
    if (bufferLength != nullptr) *bufferLength = length;
    if (index != nullptr) *index = position;
    return ok != FALSE;
  }

  bool InternetCloseHandle(InternetHandle handle) override {
    return ::InternetCloseHandle(handle) != FALSE;
  }
};

}  // namespace

InternetApi& SystemInternetApi() {
  static WindowsInternetApi api;
  return api;
}

}  // namespace ow
