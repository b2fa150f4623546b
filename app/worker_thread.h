// The thread seam: start a worker that nobody joins, waits for or stops.
#pragma once

namespace ow {

// Runs entry(parameter) on a new detached thread. Answers false when no thread could be made;
// callers may ignore that, as the program does.
bool StartWorkerThread(void (*entry)(void* parameter), void* parameter);

}  // namespace ow
