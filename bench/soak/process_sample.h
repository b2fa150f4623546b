// What the soak watches of a process: its resident memory, open descriptors and threads, and for
// the process itself the bytes its allocator has handed out and not had back.
#pragma once

#include <sys/types.h>

namespace ow::soak {

struct ProcessSample {
  long residentKb = -1;  // -1 when it cannot be read
  int openFds = -1;
  int threads = -1;
  // Only for this process: what is allocated and not yet freed. Unlike resident memory it does
  // not move with cached thread stacks or with the allocator's free lists, so a leak shows here
  // first.
  long heapInUseKb = -1;
};

// The sample of process `pid`; 0 means this process.
ProcessSample SampleProcess(pid_t pid = 0);

}  // namespace ow::soak
