// orderwatch-demo-store: a local order-view service for demonstrations and end-to-end tests.
//
// The order-view request arrives over HTTPS and is answered with a redirect to a plain-HTTP
// status page, the shape of exchange the query is built for. Both ports listen on 127.0.0.1
// only. Each request is logged as one line on standard output.
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "tools/demo-store/demo_orders.h"
#include "tools/demo-store/store_pages.h"

#ifndef ORDERWATCH_DEMO_STORE_CERTS
#error "ORDERWATCH_DEMO_STORE_CERTS must be defined by the build"
#endif

namespace ow::demo {
namespace {

constexpr const char* kListenAddress = "127.0.0.1";

struct StoreOptions {
  int httpsPort = 18443;
  int httpPort = 18080;
  std::string certificateFolder = ORDERWATCH_DEMO_STORE_CERTS;
  int stepSeconds = 60;
};

constexpr const char* kUsage =
    "Usage: orderwatch-demo-store [--https-port N] [--http-port N] [--certs DIR]\n"
    "                             [--step-seconds N]\n"
    "  --https-port N    port of the order-view service (default 18443; 0: any free port)\n"
    "  --http-port N     port of the status pages (default 18080; 0: any free port)\n"
    "  --certs DIR       folder with localhost.pem and localhost-key.pem\n"
    "  --step-seconds N  how often each order's status moves on (default 60)\n";

bool ParseNumber(const char* text, int low, int high, int& value) {
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || number < low || number > high) return false;
  value = static_cast<int>(number);
  return true;
}

// Answers false, after saying why, when the command line is not understood.
bool ParseOptions(int argc, char** argv, StoreOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view flag = argv[i];
    if (flag == "--help" || flag == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "orderwatch-demo-store: '%s' needs a value\n%s", argv[i], kUsage);
      return false;
    }
    const char* value = argv[++i];
    bool understood = true;
    if (flag == "--https-port") {
      understood = ParseNumber(value, 0, 65535, options.httpsPort);
    } else if (flag == "--http-port") {
      understood = ParseNumber(value, 0, 65535, options.httpPort);
    } else if (flag == "--step-seconds") {
      understood = ParseNumber(value, 1, 86400, options.stepSeconds);
    } else if (flag == "--certs") {
      options.certificateFolder = value;
    } else {
      understood = false;
    }
    if (!understood) {
      std::fprintf(stderr, "orderwatch-demo-store: cannot use '%s %s'\n%s", flag.data(), value,
                   kUsage);
      return false;
    }
  }
  return true;
}

// Requests are served on several threads; each log line is printed whole.
std::mutex logMutex;

void LogLine(const char* scheme, const httplib::Request& request,
             const httplib::Response& response) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  const std::lock_guard<std::mutex> lock(logMutex);
  std::printf("%s %s %s %s %s -> %d\n", stamp, scheme, request.remote_addr.c_str(),
              request.method.c_str(), request.target.c_str(), response.status);
  std::fflush(stdout);
}

// Binds to the given port, or to any free one for port 0; answers the port, or -1.
int Bind(httplib::Server& server, int port) {
  // Only SO_REUSEADDR: the library's default also shares the port with any other store that
  // runs already, which would split the requests between the two without a word.
  server.set_socket_options([](socket_t socket) {
    int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
  });
  if (port == 0) return server.bind_to_any_port(kListenAddress);
  return server.bind_to_port(kListenAddress, port) ? port : -1;
}

int Run(const StoreOptions& options) {
  const std::string certificate = options.certificateFolder + "/localhost.pem";
  const std::string key = options.certificateFolder + "/localhost-key.pem";
  httplib::SSLServer orderView(certificate.c_str(), key.c_str());
  if (!orderView.is_valid()) {
    std::fprintf(stderr, "orderwatch-demo-store: cannot use the certificate %s and key %s\n",
                 certificate.c_str(), key.c_str());
    return 1;
  }
  httplib::Server statusPages;

  const int httpsPort = Bind(orderView, options.httpsPort);
  const int httpPort = Bind(statusPages, options.httpPort);
  if (httpsPort < 0 || httpPort < 0) {
    std::fprintf(stderr, "orderwatch-demo-store: cannot listen on %s port %d\n", kListenAddress,
                 httpsPort < 0 ? options.httpsPort : options.httpPort);
    return 1;
  }

  const auto started = std::chrono::steady_clock::now();
  const std::chrono::seconds step(options.stepSeconds);

  orderView.Get(R"(/go/cn/vieworder/([^/]*)/(.*))",
                [httpPort](const httplib::Request& request, httplib::Response& response) {
                  response.set_redirect(StatusPageAddress(httpPort, request.matches[1].str(),
                                                          request.matches[2].str()));
                });
  orderView.set_logger([](const httplib::Request& request, const httplib::Response& response) {
    LogLine("https", request, response);
  });

  statusPages.Get("/orderstatus", [started, step](const httplib::Request& request,
                                                  httplib::Response& response) {
    const DemoOrder* order =
        FindDemoOrder(request.get_param_value("order"), request.get_param_value("email"));
    if (order == nullptr) {
      response.status = 404;
      response.set_content(UnknownOrderPage(), "text/html; charset=utf-8");
      return;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::steady_clock::now() - started);
    response.set_content(OrderStatusPage(*order, StatusAfter(*order, elapsed, step)),
                         "text/html; charset=utf-8");
  });
  statusPages.set_logger([](const httplib::Request& request, const httplib::Response& response) {
    LogLine("http", request, response);
  });

  std::thread orderViewThread([&orderView] { orderView.listen_after_bind(); });
  {
    const std::lock_guard<std::mutex> lock(logMutex);
    std::printf(
        "orderwatch-demo-store: order view on https://localhost:%d, status pages on "
        "http://%s:%d\n",
        httpsPort, kListenAddress, httpPort);
    for (const DemoOrder& order : DemoOrders()) {
      std::printf("  demo order %.*s  e-mail %.*s\n", static_cast<int>(order.orderNumber.size()),
                  order.orderNumber.data(), static_cast<int>(order.email.size()),
                  order.email.data());
    }
    std::fflush(stdout);
  }
  statusPages.listen_after_bind();
  orderView.stop();
  orderViewThread.join();
  return 0;
}

}  // namespace
}  // namespace ow::demo

int main(int argc, char** argv) {
  ow::demo::StoreOptions options;
  if (!ow::demo::ParseOptions(argc, argv, options)) return 2;
  return ow::demo::Run(options);
}
