#include "fakes/call_log.h"

#include <utility>

namespace ow::fakes {

void CallLog::Record(std::string line) {
  std::lock_guard lock(mutex_);
  lines_.push_back(std::move(line));
}

std::vector<std::string> CallLog::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

void CallLog::Clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
}

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  quoted.append(text);
  quoted.push_back('"');
  return quoted;
}

std::string QuotedOrNull(const char* text) {
  return text == nullptr ? std::string("null") : Quoted(text);
}

}  // namespace ow::fakes
