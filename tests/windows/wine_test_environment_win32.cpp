#include "wine_test_environment.h"

#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "trusted_root.h"

namespace ow::wine_test {
namespace {

std::string Setting(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') {
    throw std::runtime_error(std::string(name) + " is not set: run under wine_test_driver");
  }
  return value;
}

}  // namespace

Text HttpUrl(const std::string& pathAndQuery) {
  return Text(Setting("OW_TEST_HTTP_ORIGIN") + pathAndQuery);
}

Text HttpUrlByName(const std::string& pathAndQuery) {
  std::string origin = Setting("OW_TEST_HTTP_ORIGIN");
  const std::string address = "127.0.0.1";
  origin.replace(origin.find(address), address.size(), "localhost");
  return Text(origin + pathAndQuery);
}

Text HttpsUrl(const std::string& pathAndQuery) {
  return Text(Setting("OW_TEST_HTTPS_ORIGIN") + pathAndQuery);
}

Text ProxyAddress() {
  return Text(Setting("OW_TEST_PROXY"));
}
Text OpenProxyAddress() {
  return Text(Setting("OW_TEST_OPEN_PROXY"));
}

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool TrustTestCa() {
  return AddTrustedRoot(Setting("OW_TEST_CA_FILE"));
}

}  // namespace ow::wine_test
