// bench_fetch_tool serve            serves /body/SIZE (16384, 4194304, 41943040) on loopback,
// prints its origin, and runs
//                                   until its standard input closes
// bench_fetch_tool wininet URL      one WinInetFetch of URL; prints the body's length
// bench_fetch_tool winhttp URL      one WinHttpFetch of URL; prints the body's length
// For fetch_vs_curl.sh, which times whole runs of these beside the curl command line.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "fixtures/test_servers.h"
#include "http/win_http_fetch.h"
#include "http/win_inet_fetch.h"

int main(int argc, char** argv) {
  std::string_view mode = argc > 1 ? argv[1] : "";
  if (mode == "serve") {
    ow::fixtures::HttpServer server;
    for (std::size_t size : {16384u, 4194304u, 41943040u}) {
      ow::fixtures::ScriptedResponse response;
      response.sharedBody = std::make_shared<const std::string>(size, 'b');
      server.Route("/body/" + std::to_string(size), ow::fixtures::RespondWith(response));
    }
    std::cout << server.Origin() << std::endl;
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
    return 0;
  }
  if ((mode == "wininet" || mode == "winhttp") && argc == 3) {
    ow::Text url(argv[2]);
    ow::Bytes body =
        mode == "wininet" ? ow::WinInetFetch({.url = url}) : ow::WinHttpFetch({.url = url});
    std::printf("%d\n", body.Length());
    return body.Empty() ? 1 : 0;
  }
  std::fprintf(stderr, "usage: bench_fetch_tool serve | wininet URL | winhttp URL\n");
  return 2;
}
