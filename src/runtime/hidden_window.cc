#include "runtime/hidden_window.h"

namespace vellaro {

void HiddenWindow::Run(const Handler& handler) {
  close_requested_ = false;
  handler(WindowEvent::kOpen);
  while (!close_requested_) handler(WindowEvent::kTimer);
  handler(WindowEvent::kClose);
}

}  // namespace vellaro
