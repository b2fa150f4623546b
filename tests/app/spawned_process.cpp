// Starting a program for a test and reading what it prints.
#include "app/spawned_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace ow {

SpawnedProcess::SpawnedProcess(const std::vector<std::string>& argv,
                               const std::vector<std::string>& environment) {
  int outPipe[2];
  int errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return;
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);

  std::vector<char*> arguments;
  for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);
  std::vector<char*> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) variables.push_back(*entry);
  for (const std::string& entry : environment)
    variables.push_back(const_cast<char*>(entry.c_str()));
  variables.push_back(nullptr);

  pid_t pid = -1;
  if (posix_spawn(&pid, arguments[0], &actions, nullptr, arguments.data(), variables.data()) == 0) {
    pid_ = pid;
  }
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  out_ = outPipe[0];
  err_ = errPipe[0];
}

SpawnedProcess::~SpawnedProcess() {
  if (pid_ > 0 && !status_) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  if (out_ >= 0) close(out_);
  if (err_ >= 0) close(err_);
}

bool SpawnedProcess::Fill(std::chrono::steady_clock::time_point deadline) {
  if (outputEnded_) return false;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  pollfd ready{.fd = out_, .events = POLLIN, .revents = 0};
  const int polled = poll(&ready, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
  if (polled < 0 && errno == EINTR) return true;
  if (polled <= 0) return false;
  char buffer[4096];
  const ssize_t got = read(out_, buffer, sizeof buffer);
  if (got <= 0) {
    outputEnded_ = true;
    return false;
  }
  pending_.append(buffer, static_cast<std::size_t>(got));
  return true;
}

std::optional<std::string> SpawnedProcess::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    if (!Fill(deadline)) return std::nullopt;
  }
}

std::optional<std::string> SpawnedProcess::ReadToEnd(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (Fill(deadline)) {
  }
  if (!outputEnded_) return std::nullopt;
  std::string all;
  all.swap(pending_);
  return all;
}

std::string SpawnedProcess::ReadErrors() {
  std::string all;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(err_, buffer, sizeof buffer)) > 0)
    all.append(buffer, static_cast<std::size_t>(got));
  return all;
}

void SpawnedProcess::Signal(int signal) {
  if (pid_ > 0 && !status_) kill(pid_, signal);
}

std::optional<int> SpawnedProcess::Wait(std::chrono::milliseconds timeout) {
  if (status_) return status_;
  // The output ends when the program does (unless it handed its pipe to a child of its own).
  if (!ReadToEnd(timeout)) return std::nullopt;
  int status = 0;
  if (waitpid(pid_, &status, 0) != pid_) return std::nullopt;
  status_ = status;
  return status_;
}

}  // namespace ow
