// trust_ca CA.pem: makes a test CA a trusted root of the current user in this Wine prefix.
#include <cstdio>

#include "trusted_root.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: trust_ca CA.pem\n");
    return 2;
  }
  if (!ow::wine_test::AddTrustedRoot(argv[1])) {
    std::fprintf(stderr, "trust_ca: could not add %s\n", argv[1]);
    return 1;
  }
  return 0;
}
