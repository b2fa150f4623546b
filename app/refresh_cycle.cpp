// The refresh cycle's rules, over the WindowSystem seam and the worker-thread seam.
#include "app/refresh_cycle.h"

#include <memory>
#include <new>
#include <utility>

#include "app/worker_thread.h"

namespace ow {
namespace {

// What one query thread needs; made by StartQueryThread, owned by the worker from then on.
struct QueryThreadRecord {
  ControlAccessors& controls;
  QueryRoutine query;
};

}  // namespace

void OnQueryButtonClicked(WindowSystem& window) {
  window.StartQueryThread();
  SetTimerPeriod(window, kRefreshPeriodMs);
  window.SetWindowHeight(kStripHeight);
  window.SetWindowAlpha(kStripAlpha);
}

void OnRefreshTimer(WindowSystem& window) {
  window.StartQueryThread();
}

void SetTimerPeriod(WindowSystem& window, int periodMs) {
  if (periodMs < 0) periodMs = 0;
  if (periodMs == window.TimerPeriod()) return;
  window.KillTimer();
  if (periodMs > 0) window.SetTimer(periodMs);
}

void StartQueryThread(ControlAccessors& controls, QueryRoutine query) {
  auto* record = new (std::nothrow) QueryThreadRecord{controls, std::move(query)};
  if (record == nullptr) return;
  if (!StartWorkerThread(&QueryThreadMain, record)) delete record;
}

void QueryThreadMain(void* parameter) {
  const std::unique_ptr<QueryThreadRecord> record(static_cast<QueryThreadRecord*>(parameter));
  if (record->query) record->query(record->controls);
}

}  // namespace ow
