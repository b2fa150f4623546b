#include "wine_test_environment.h"

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

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
  std::ifstream file(Setting("OW_TEST_CA_FILE"), std::ios::binary);
  const std::string pem((std::istreambuf_iterator<char>(file)), {});
  if (pem.empty()) return false;
  DWORD derLength = 0;
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            nullptr, &derLength, nullptr, nullptr)) {
    return false;
  }
  std::vector<BYTE> der(derLength);
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            der.data(), &derLength, nullptr, nullptr)) {
    return false;
  }
  HCERTSTORE root =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (root == nullptr) return false;
  const BOOL added = CertAddEncodedCertificateToStore(
      root, X509_ASN_ENCODING, der.data(), derLength, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(root, 0);
  return added != FALSE;
}

}  // namespace ow::wine_test
