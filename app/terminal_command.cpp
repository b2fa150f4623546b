// Reading the terminal front-end's command line.
#include "app/terminal_command.h"

#include <string_view>

#include "text/convert.h"

namespace ow {

namespace {

// The query works on code page 936 text, the form the window's input boxes hand it; UTF-8
// arguments take the same road as a page from the network.
Text ArgumentToLocalText(const char* argument) {
  return Utf8ToLocalText(Bytes(std::string_view(argument)));
}

TerminalCommand UsageError(std::string problem) {
  return {.mode = TerminalMode::kUsageError,
          .orderNumber = {},
          .email = {},
          .problem = std::move(problem)};
}

}  // namespace

const char* TerminalUsage() {
  return "Usage: orderwatch                       open the window\n"
         "       orderwatch --once ORDER EMAIL    query the order once and print its status line\n"
         "       orderwatch --watch ORDER EMAIL   query now and every 20 seconds, one line each,\n"
         "                                        until interrupted\n"
         "       orderwatch --help                show this help\n"
         "       orderwatch --version             show the version\n";
}

TerminalCommand ParseTerminalCommand(int argc, const char* const* argv) {
  if (argc <= 1) return {};
  const std::string_view option = argv[1];
  const int operands = argc - 2;

  if (option == "--once" || option == "--watch") {
    if (operands != 2) {
      return UsageError(std::string(option) + " takes exactly two arguments, ORDER and EMAIL");
    }
    return {.mode = option == "--once" ? TerminalMode::kOnce : TerminalMode::kWatch,
            .orderNumber = ArgumentToLocalText(argv[2]),
            .email = ArgumentToLocalText(argv[3]),
            .problem = {}};
  }
  if (option == "--help" || option == "-h" || option == "--version") {
    if (operands != 0) return UsageError(std::string(option) + " takes no arguments");
    TerminalCommand command;
    command.mode = option == "--version" ? TerminalMode::kVersion : TerminalMode::kHelp;
    return command;
  }
  return UsageError("unknown option '" + std::string(option) + "'");
}

}  // namespace ow
