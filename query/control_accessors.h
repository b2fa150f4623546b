// How a query reaches the window's controls. Each call may come from any thread and returns only
// after the window's thread has carried it out.
#pragma once

#include "text/text.h"

namespace ow {

class ControlAccessors {
 public:
  virtual ~ControlAccessors() = default;
  virtual Text Read编辑框1() = 0;                    // the order number
  virtual Text Read编辑框2() = 0;                    // the e-mail address
  virtual void Write标签3(const Text& caption) = 0;  // the status line
};

}  // namespace ow
