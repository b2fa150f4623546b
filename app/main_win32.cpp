// orderwatch.exe: with arguments, the terminal front-end; without, the window.
//
// The program is a GUI program, so it has no console of its own. When it is asked to print
// (--once, --watch, --help, --version) and its output goes nowhere yet, it attaches to the
// console of the process that started it. Its arguments are read as UTF-16 and handed on as
// UTF-8, the form the front-end takes on every system.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/terminal_front_end.h"
#include "query/order_status_query.h"
#include "text/code_page.h"

namespace {

std::string WideToUtf8(const wchar_t* wide) {
  const auto* units = reinterpret_cast<const char16_t*>(wide);
  const int length = static_cast<int>(std::char_traits<char16_t>::length(units));
  const int needed = ow::WideToMultiByte(ow::kCodePageUtf8, units, length, nullptr, 0);
  std::string utf8(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
  if (needed > 0) ow::WideToMultiByte(ow::kCodePageUtf8, units, length, utf8.data(), needed);
  return utf8;
}

// Standard output and error go to the starting console unless they were already given a
// file, a pipe or a console.
void ConnectToStartingConsole() {
  const bool outputGiven = GetStdHandle(STD_OUTPUT_HANDLE) != nullptr &&
                           GetStdHandle(STD_OUTPUT_HANDLE) != INVALID_HANDLE_VALUE;
  if (outputGiven || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::freopen("CONOUT$", "w", stdout);
  std::freopen("CONOUT$", "w", stderr);
  // The front-end prints UTF-8.
  SetConsoleOutputCP(CP_UTF8);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The run-time library has split the command line into UTF-16 arguments for wWinMain.
  const int argc = __argc;
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(WideToUtf8(__wargv[i]));
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  if (argc > 1) ConnectToStartingConsole();
  const int status = ow::RunTerminalFrontEnd(argc, argv.data());
  if (status != -1) {
    std::fflush(nullptr);
    return status;
  }
  ow::RunMainWindow(argc, argv.data(),
                    [](ow::ControlAccessors& controls) { ow::QueryOrderStatus(controls); });
}
