// A program started by a test, with its standard output and error read through pipes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace ow {

class SpawnedProcess {
 public:
  // Starts argv[0] with the given arguments; `environment` entries ("NAME=value") are added
  // to the test's own environment.
  explicit SpawnedProcess(const std::vector<std::string>& argv,
                          const std::vector<std::string>& environment = {});
  ~SpawnedProcess();  // kills the program if it still runs
  SpawnedProcess(const SpawnedProcess&) = delete;
  SpawnedProcess& operator=(const SpawnedProcess&) = delete;

  bool Started() const { return pid_ > 0; }

  // The next line of standard output, without its newline; none when the output ends or
  // nothing complete arrives within `timeout`.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
  // The rest of standard output, up to its end. None if it has not ended within `timeout`.
  std::optional<std::string> ReadToEnd(std::chrono::milliseconds timeout);
  // All of standard error, up to its end (read after standard output has ended).
  std::string ReadErrors();

  void Signal(int signal);
  // The wait status once the program has ended; reads the output to its end first.
  std::optional<int> Wait(std::chrono::milliseconds timeout);

 private:
  bool Fill(std::chrono::steady_clock::time_point deadline);

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string pending_;
  bool outputEnded_ = false;
  std::optional<int> status_;
};

}  // namespace ow
