// What the command line asks the terminal front-end to do.
#pragma once

#include <string>

#include "text/text.h"

namespace ow {

enum class TerminalMode {
  kWindow,  // no arguments: the window opens instead
  kOnce,    // one query, one line
  kWatch,   // a query now and one every period, a line each, until interrupted
  kHelp,
  kVersion,
  kUsageError,  // `problem` says what is wrong
};

struct TerminalCommand {
  TerminalMode mode = TerminalMode::kWindow;
  Text orderNumber;  // code page 936, as the query reads it from the window's input boxes
  Text email;
  std::string problem;
};

// Reads the arguments, which arrive as UTF-8, and turns ORDER and EMAIL into code page 936.
TerminalCommand ParseTerminalCommand(int argc, const char* const* argv);

// The text --help prints.
const char* TerminalUsage();

}  // namespace ow
