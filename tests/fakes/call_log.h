// The record both recording fakes keep: one line of text per call, with its arguments, in the
// order the calls were made. Texts appear in double quotes with their bytes unchanged (CR LF
// stays CR LF), a null pointer as null, so a test compares whole lines with plain literals.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace ow::fakes {

// Safe to append to from several threads at once.
class CallLog {
 public:
  void Record(std::string line);
  std::vector<std::string> Lines() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// "text", bytes unchanged.
std::string Quoted(std::string_view text);
// "text", or null for a null pointer.
std::string QuotedOrNull(const char* text);

}  // namespace ow::fakes
