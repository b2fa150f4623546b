// Worker threads on Windows: one CreateThread per query, never joined.
#include <windows.h>

#include <new>

#include "app/worker_thread.h"

namespace ow {
namespace {

struct WorkerStart {
  void (*entry)(void* parameter);
  void* parameter;
};

DWORD WINAPI WorkerMain(LPVOID startRecord) {
  const WorkerStart start = *static_cast<WorkerStart*>(startRecord);
  delete static_cast<WorkerStart*>(startRecord);
  start.entry(start.parameter);
  return 0;
}

}  // namespace

bool StartWorkerThread(void (*entry)(void* parameter), void* parameter) {
  auto* start = new (std::nothrow) WorkerStart{entry, parameter};
  if (start == nullptr) return false;
  DWORD threadId = 0;
  HANDLE thread = CreateThread(nullptr, 0, WorkerMain, start, 0, &threadId);
  if (thread == nullptr) {
    delete start;
    return false;
  }
  // Nobody waits for the thread, so its handle is not needed; closing it does not stop it.
  CloseHandle(thread);
  return true;
}

}  // namespace ow
