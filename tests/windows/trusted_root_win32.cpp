#include "trusted_root.h"

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace ow::wine_test {

bool AddTrustedRoot(const std::string& pemPath) {
  std::ifstream file(pemPath, std::ios::binary);
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
