// Read from /proc: VmRSS and Threads from status, the entries of fd; the heap from the C
// library's allocator.
#include <dirent.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/soak/process_sample.h"

namespace ow::soak {

ProcessSample SampleProcess(pid_t pid) {
  const std::string root = pid == 0 ? "/proc/self" : "/proc/" + std::to_string(pid);
  ProcessSample sample;
  if (FILE* status = std::fopen((root + "/status").c_str(), "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
      if (std::strncmp(line, "VmRSS:", 6) == 0) sample.residentKb = std::atol(line + 6);
      if (std::strncmp(line, "Threads:", 8) == 0) sample.threads = std::atoi(line + 8);
    }
    std::fclose(status);
  }
  if (DIR* fds = opendir((root + "/fd").c_str())) {
    int count = 0;
    while (const dirent* entry = readdir(fds)) {
      if (entry->d_name[0] != '.') ++count;
    }
    closedir(fds);
    // Reading the directory holds one descriptor of its own while it is open.
    sample.openFds = pid == 0 ? count - 1 : count;
  }
  if (pid == 0) {
    const struct mallinfo2 heap = mallinfo2();
    sample.heapInUseKb = static_cast<long>((heap.uordblks + heap.hblkhd) / 1024);
  }
  return sample;
}

}  // namespace ow::soak
