// A window that never reaches the screen, driven by its own event loop.
//
// Work that a program spreads over the timer events of a (hidden) window
// runs here portably: the open event, then timer events until the window is
// asked to close, then the close event. There is no real timer: the timer
// events follow each other at once, so the work runs at full speed.

#ifndef VELLARO_RUNTIME_HIDDEN_WINDOW_H_
#define VELLARO_RUNTIME_HIDDEN_WINDOW_H_

#include <functional>

namespace vellaro {

enum class WindowEvent { kOpen, kTimer, kClose };

class HiddenWindow {
 public:
  using Handler = std::function<void(WindowEvent)>;

  // Run: delivers kOpen to `handler`, then kTimer events back to back until
  // RequestClose has been called (none when the open event asked for the
  // close already), then kClose, and returns. A handler that never asks for
  // the close keeps the loop running.
  void Run(const Handler& handler);

  // RequestClose: ends the loop once the event being handled returns.
  void RequestClose() { close_requested_ = true; }

 private:
  bool close_requested_ = false;
};

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_HIDDEN_WINDOW_H_
