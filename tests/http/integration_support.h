// Shared by the integration tests of the request backends: the test CA is trusted for the whole
// run, and a few small helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "fixtures/test_servers.h"

namespace ow {

// The backends read ORDERWATCH_CA_FILE on each request; set once before any test runs.
class TrustTestCa : public ::testing::Environment {
 public:
  void SetUp() override { ::setenv("ORDERWATCH_CA_FILE", fixtures::TestCaFile().c_str(), 1); }
};

// A body of `size` bytes that holds every byte value, zero included.
inline std::string PatternBody(std::size_t size) {
  std::string body(size, '\0');
  for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return body;
}

// The port as it appears in a Host line.
inline std::string HostOf(const fixtures::HttpServer& server) {
  return "127.0.0.1:" + std::to_string(server.Port());
}

}  // namespace ow
