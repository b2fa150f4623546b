// The window's thread, woken by a byte in a pipe, runs what other threads have queued.
#include "app/window_thread_calls_qt.h"

#include <fcntl.h>
#include <unistd.h>

namespace ow {

WindowThreadCalls::WindowThreadCalls() : windowThread_(std::this_thread::get_id()) {
  int ends[2];
  if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) return;
  wakeRead_ = ends[0];
  wakeWrite_ = ends[1];
  wakeNotifier_ = std::make_unique<QSocketNotifier>(wakeRead_, QSocketNotifier::Read);
  QObject::connect(wakeNotifier_.get(), &QSocketNotifier::activated, wakeNotifier_.get(),
                   [this] { RunPendingCalls(); });
}

WindowThreadCalls::~WindowThreadCalls() {
  wakeNotifier_.reset();
  if (wakeRead_ >= 0) ::close(wakeRead_);
  if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

bool WindowThreadCalls::CarryOut(const std::function<void()>& action) {
  if (std::this_thread::get_id() == windowThread_) {
    action();
    return true;
  }
  if (wakeWrite_ < 0) return false;

  Call call{&action};
  std::unique_lock lock(mutex_);
  pending_.push_back(&call);
  lock.unlock();
  // A full pipe already holds a wake-up that has not been read, so a failed write loses none.
  const char wake = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeWrite_, &wake, 1);
  lock.lock();
  callDone_.wait(lock, [&] { return call.done; });
  return true;
}

void WindowThreadCalls::RunPendingCalls() {
  // Every byte read here belongs to a call queued before it was written, so the queue taken
  // below holds all of them.
  char drained[64];
  while (::read(wakeRead_, drained, sizeof drained) > 0) {
  }
  std::deque<Call*> calls;
  {
    const std::lock_guard lock(mutex_);
    calls.swap(pending_);
  }
  for (Call* call : calls) {
    (*call->action)();
    {
      const std::lock_guard lock(mutex_);
      call->done = true;
    }
    callDone_.notify_all();
  }
}

}  // namespace ow
