// Trusting a test certificate authority inside the Wine prefix (or on a Windows test machine).
#pragma once

#include <string>

namespace ow::wine_test {

// Adds the CA certificate in the PEM file `pemPath` to the current user's trusted roots. False
// when the file cannot be read or the certificate cannot be added.
bool AddTrustedRoot(const std::string& pemPath);

}  // namespace ow::wine_test
