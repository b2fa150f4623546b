// The refresh cycle: what the query button and the refresh timer do, independent of the window
// system that shows them.
//
// Each platform's main window implements WindowSystem, forwards the button's click to
// OnQueryButtonClicked and every tick of its timer to OnRefreshTimer, and carries out the
// control accessors on its own thread. Everything else about the cycle is decided here.
#pragma once

#include <functional>

#include "query/control_accessors.h"

namespace ow {

// The watching strip that the first click turns the window into.
inline constexpr int kRefreshPeriodMs = 20000;
inline constexpr int kStripHeight = 24;
inline constexpr int kStripAlpha = 150;  // of 255

// What the refresh cycle asks of the window system. Every member is called on the window's
// thread only.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Starts one query on a new worker thread and returns at once (normally by calling the free
  // StartQueryThread below with the window's accessors).
  virtual void StartQueryThread() = 0;

  // The refresh timer. Its period is window state, kept by the window system: 0 while the
  // timer is stopped, otherwise the interval it was last started with.
  virtual int TimerPeriod() const = 0;
  // Stops the timer if it runs; TimerPeriod() becomes 0.
  virtual void KillTimer() = 0;
  // Starts the timer with periodMs > 0; each expiry must lead to OnRefreshTimer.
  virtual void SetTimer(int periodMs) = 0;

  // Changes the height of the window, keeping its width, its top-left corner and its place in
  // the z-order.
  virtual void SetWindowHeight(int height) = 0;
  // Draws the whole window at a constant opacity of alpha / 255.
  virtual void SetWindowAlpha(int alpha) = 0;
};

// The click on the query button: a query at once, the 20-second timer, and the collapse to a
// semi-transparent strip.
void OnQueryButtonClicked(WindowSystem& window);

// Each tick of the refresh timer starts one query.
void OnRefreshTimer(WindowSystem& window);

// Applies a new period to the refresh timer. A negative period counts as 0 (stopped). The
// period it already has changes nothing, so a running countdown goes on undisturbed; any other
// period stops the timer and, when above 0, starts it afresh.
void SetTimerPeriod(WindowSystem& window, int periodMs);

// The routine a query thread runs; the program passes the order status query.
using QueryRoutine = std::function<void(ControlAccessors& controls)>;

// Starts a detached worker that runs QueryThreadMain, which calls query(controls) once. The
// worker is never joined or waited for; if it cannot be started, no query runs. `controls`
// must outlive every worker, which holds for the window because the process ends with it.
void StartQueryThread(ControlAccessors& controls, QueryRoutine query);

// The worker's entry routine; `parameter` is the record StartQueryThread made, and is freed
// here.
void QueryThreadMain(void* parameter);

}  // namespace ow
