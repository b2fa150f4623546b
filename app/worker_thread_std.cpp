// Worker threads over the standard library: started, detached and never seen again.
#include <system_error>
#include <thread>

#include "app/worker_thread.h"

namespace ow {

bool StartWorkerThread(void (*entry)(void* parameter), void* parameter) {
  try {
    std::thread(entry, parameter).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace ow
