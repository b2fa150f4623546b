// The internet-handle seam: the seven ANSI calls WinInetFetch makes, with the platform's
// arguments (null pointers where the platform takes null). The Windows backend is the real
// API; the Linux backend (internet_api_curl.cpp) keeps in each handle what the later calls
// need and performs the exchange in HttpSendRequestA.
#pragma once

#include <cstdint>

namespace ow {

using InternetHandle = void*;

inline constexpr std::uint32_t kInternetOpenTypeDirect = 1;
inline constexpr std::uint32_t kInternetOpenTypeProxy = 3;
inline constexpr std::uint32_t kInternetServiceHttp = 3;
inline constexpr std::uint32_t kHttpQueryRawHeadersCrlf = 22;

inline constexpr std::uint32_t kInternetFlagReload = 0x80000000u;
inline constexpr std::uint32_t kInternetFlagNeedFile = 0x10u;
inline constexpr std::uint32_t kInternetFlagNoCookies = 0x80000u;
inline constexpr std::uint32_t kInternetFlagNoAutoRedirect = 0x200000u;
inline constexpr std::uint32_t kInternetFlagSecure = 0x800000u;
inline constexpr std::uint32_t kInternetFlagIgnoreRedirectToHttps = 0x4000u;

class InternetApi {
 public:
  virtual ~InternetApi() = default;
  virtual InternetHandle InternetOpenA(const char* agent, std::uint32_t accessType,
                                       const char* proxy, const char* proxyBypass,
                                       std::uint32_t flags) = 0;
  virtual InternetHandle InternetConnectA(InternetHandle root, const char* serverName, int port,
                                          const char* userName, const char* password,
                                          std::uint32_t service, std::uint32_t flags,
                                          std::uintptr_t context) = 0;
  virtual InternetHandle HttpOpenRequestA(InternetHandle connection, const char* verb,
                                          const char* objectName, const char* version,
                                          const char* referrer, const char** acceptTypes,
                                          std::uint32_t flags, std::uintptr_t context) = 0;
  virtual bool HttpSendRequestA(InternetHandle request, const char* headers,
                                std::uint32_t headersLength, const void* optional,
                                std::uint32_t optionalLength) = 0;
  virtual bool InternetReadFile(InternetHandle request, void* buffer,
                                std::uint32_t numberOfBytesToRead,
                                std::uint32_t* numberOfBytesRead) = 0;
  virtual bool HttpQueryInfoA(InternetHandle request, std::uint32_t infoLevel, void* buffer,
                              std::uint32_t* bufferLength, std::uint32_t* index) = 0;
  virtual bool InternetCloseHandle(InternetHandle handle) = 0;
};

// The platform's own implementation; stateless, safe to use from any thread.
InternetApi& SystemInternetApi();

}  // namespace ow
