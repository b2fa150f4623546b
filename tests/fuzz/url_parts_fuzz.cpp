// Host, port and path of arbitrary bytes: never a crash, and the path always an absolute one.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "http/url_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ow;
  fuzz::FuzzInput input(data, size);
  const Text url(input.Piece());
  const Text host = UrlHost(url);
  const Text hostAndPort = UrlHost(url, true);
  (void)UrlPort(url);
  const Text path = UrlPath(url);
  if (path.Empty() || path.View()[0] != '/') std::abort();
  if (host.Length() > hostAndPort.Length()) std::abort();
  return 0;
}
