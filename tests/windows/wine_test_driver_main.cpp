// wine_test_driver COMMAND [ARGUMENTS...]
//
// Starts the local servers that the Windows backend tests talk to, runs COMMAND (a Windows test
// program through scripts/wine-run.sh) with their addresses in its environment, stops the
// servers when it ends and exits with its status. The servers are native, so the Windows
// programs under Wine reach them over the loopback interface as they would reach any server.
//
// The environment COMMAND receives:
//   OW_TEST_HTTP_ORIGIN   http://127.0.0.1:PORT
//   OW_TEST_HTTPS_ORIGIN  https://localhost:PORT, with a certificate of the test CA for localhost
//   OW_TEST_PROXY         127.0.0.1:PORT, a forward proxy that wants kProxyCredentials
//   OW_TEST_OPEN_PROXY    127.0.0.1:PORT, a forward proxy that wants no credentials
//   OW_TEST_CA_FILE       the test CA's certificate (PEM), as a Windows path
// Both origins answer the routes set up in AddRoutes below.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fixtures/test_servers.h"
#include "wine_test_routes.h"

namespace {

using ow::fixtures::HttpServer;
using ow::fixtures::ScriptedResponse;
namespace routes = ow::wine_test_routes;

void AddRoutes(HttpServer& server, const std::shared_ptr<const std::string>& largeBody) {
  server.Route(routes::kEcho, ow::fixtures::EchoRequest());
  server.Route(routes::kRedirect, ow::fixtures::RedirectTo(server.Url(routes::kLanding), 302,
                                                           {routes::kRedirectCookieLine1,
                                                            routes::kRedirectCookieLine2}));
  server.Route(routes::kLanding, ow::fixtures::RespondText(routes::kLandingBody));
  // A chain of three redirects: a relative one, an absolute one and a permanent one.
  server.Route("/chain/3", ow::fixtures::RedirectTo("/chain/2"));
  server.Route("/chain/2", ow::fixtures::RedirectTo(server.Url("/chain/1")));
  server.Route("/chain/1", ow::fixtures::RedirectTo(routes::kChainEnd, 301));
  server.Route(routes::kChainEnd, ow::fixtures::RespondText(routes::kChainEndBody));

  ScriptedResponse large;
  large.headerLines = {"Content-Type: application/octet-stream"};
  large.sharedBody = largeBody;
  server.Route(routes::kLargeBody, ow::fixtures::RespondWith(large));

  ScriptedResponse manyHeaders;
  for (int i = 0; i < routes::kFillerHeaderCount; ++i)
    manyHeaders.headerLines.push_back(routes::FillerHeaderLine(i));
  manyHeaders.headerLines.push_back(routes::kRedirectCookieLine1);
  manyHeaders.body = routes::kLandingBody;
  server.Route(routes::kLargeHeaders, ow::fixtures::RespondWith(manyHeaders));
}

std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: wine_test_driver COMMAND [ARGUMENTS...]\n");
    return 2;
  }
  const auto largeBody = std::make_shared<const std::string>(routes::LargeBody());
  HttpServer http;
  HttpServer https(ow::fixtures::LocalhostIdentity());
  ow::fixtures::ForwardProxy proxy;
  proxy.RequireAuthorization(routes::kProxyAuthorization);
  ow::fixtures::ForwardProxy openProxy;
  AddRoutes(http, largeBody);
  AddRoutes(https, largeBody);

  setenv("OW_TEST_HTTP_ORIGIN", http.Origin().c_str(), 1);
  setenv("OW_TEST_HTTPS_ORIGIN", ("https://localhost:" + std::to_string(https.Port())).c_str(), 1);
  setenv("OW_TEST_PROXY", proxy.Address().c_str(), 1);
  setenv("OW_TEST_OPEN_PROXY", openProxy.Address().c_str(), 1);
  setenv("OW_TEST_CA_FILE", WindowsPath(ow::fixtures::TestCaFile()).c_str(), 1);

  const pid_t child = fork();
  if (child < 0) {
    std::perror("wine_test_driver: fork");
    return 1;
  }
  if (child == 0) {
    execvp(argv[1], argv + 1);
    std::perror("wine_test_driver: exec");
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
