// Our Base64 encoder against an independent one (the openssl command line) on random bytes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <random>
#include <string>

#include "text/convert.h"

namespace ow {
namespace {

TEST(Base64Encode, AgreesWithOpenSsl) {
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::string data(static_cast<std::size_t>(round * 37 % 200), '\0');
    for (char& c : data) c = static_cast<char>(random());
    char path[] = "/tmp/orderwatch-b64-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    FILE* file = fdopen(fd, "wb");
    std::fwrite(data.data(), 1, data.size(), file);
    std::fclose(file);
    FILE* pipe = popen(("openssl base64 -A -in " + std::string(path)).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string expected;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) expected += buffer;
    pclose(pipe);
    std::remove(path);
    while (!expected.empty() && expected.back() == '\n') expected.pop_back();
    EXPECT_EQ(Base64Encode(Bytes(data)).View(), expected);
  }
}

}  // namespace
}  // namespace ow
