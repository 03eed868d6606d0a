#include "runtime/hidden_window.h"

#include <gtest/gtest.h>

#include <vector>

namespace vellaro {
namespace {

TEST(HiddenWindowTest, TimerEventsFollowTheOpenUntilTheCloseIsRequested) {
  HiddenWindow window;
  std::vector<WindowEvent> seen;
  window.Run([&](WindowEvent event) {
    seen.push_back(event);
    if (seen.size() == 4) window.RequestClose();
  });
  EXPECT_EQ(seen,
            (std::vector<WindowEvent>{WindowEvent::kOpen, WindowEvent::kTimer,
                                      WindowEvent::kTimer, WindowEvent::kTimer,
                                      WindowEvent::kClose}));
}

TEST(HiddenWindowTest, CloseRequestedOnOpenGivesNoTimerEvent) {
  HiddenWindow window;
  std::vector<WindowEvent> seen;
  auto handler = [&](WindowEvent event) {
    seen.push_back(event);
    if (event == WindowEvent::kOpen) window.RequestClose();
  };
  window.Run(handler);
  window.Run(handler);  // a window can run again
  EXPECT_EQ(seen, (std::vector<WindowEvent>{
                      WindowEvent::kOpen, WindowEvent::kClose,
                      WindowEvent::kOpen, WindowEvent::kClose}));
}

}  // namespace
}  // namespace vellaro
