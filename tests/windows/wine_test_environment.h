// Where the servers of wine_test_driver are, as seen from a Windows test program, and the trust
// that HTTPS needs.
#pragma once

#include <string>

#include "text/text.h"

namespace ow::wine_test {

// An address on the plain or the TLS server, e.g. HttpUrl("/echo").
Text HttpUrl(const std::string& pathAndQuery);
Text HttpsUrl(const std::string& pathAndQuery);
// The plain server under the name "localhost" instead of its address.
Text HttpUrlByName(const std::string& pathAndQuery);
// Proxy settings ("127.0.0.1:PORT"): one that wants the test credentials, one that wants none.
Text ProxyAddress();
Text OpenProxyAddress();

// True when the program runs under Wine rather than on Windows: some facilities there are stubs
// and their tests can only say so.
bool RunningUnderWine();

// Makes the test CA a trusted root of the current user, so certificates of the test servers
// verify. Under Wine 8 the request object's option to ignore certificate errors has no effect,
// so an HTTPS request succeeds only when its certificate verifies for real. False when the CA
// could not be added.
bool TrustTestCa();

}  // namespace ow::wine_test
