// Calls carried out on the window's thread for any other thread, each returning only once it
// has run there: what the control accessors need.
//
// Qt's own blocking queued calls would do, but they hand the call over through Qt's internal
// locks, which race checkers cannot see into, so every accessor call would look like a race.
// Here the hand-over is a standard mutex and condition variable, and the window's thread is
// woken through a pipe it watches with its own event loop.
#pragma once

#include <QSocketNotifier>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace ow {

class WindowThreadCalls {
 public:
  // Binds to the calling thread, whose Qt event loop will carry out the calls.
  WindowThreadCalls();
  ~WindowThreadCalls();
  WindowThreadCalls(const WindowThreadCalls&) = delete;
  WindowThreadCalls& operator=(const WindowThreadCalls&) = delete;

  // Runs action on the bound thread and waits until it has run there; on the bound thread
  // itself it runs at once. Answers false, without running it, only when the wake-up pipe could
  // not be made. A call made after the bound thread's loop has ended waits for good: the
  // process is ending then.
  bool CarryOut(const std::function<void()>& action);

 private:
  struct Call {
    const std::function<void()>* action;
    bool done = false;
  };

  void RunPendingCalls();

  const std::thread::id windowThread_;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::unique_ptr<QSocketNotifier> wakeNotifier_;

  std::mutex mutex_;
  std::condition_variable callDone_;
  std::deque<Call*> pending_;
};

}  // namespace ow
