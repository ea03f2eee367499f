// The test hook that stands in for message boxes.
#include <mutex>

#include "detail/message_box.h"
#include "platform/testing.h"

namespace platform::detail {
namespace {

struct HookSlot {
  std::mutex mutex;
  platform::testing::MessageBoxHook hook;
};

HookSlot& TheSlot() {
  static HookSlot* slot = new HookSlot;
  return *slot;
}

}  // namespace

bool RunMessageBoxHook(LPCWSTR text, LPCWSTR caption, UINT type, int* result) {
  platform::testing::MessageBoxHook hook;
  {
    HookSlot& slot = TheSlot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    hook = slot.hook;
  }
  // Called outside the lock: a hook may show another box or replace itself.
  if (!hook) return false;
  *result = hook(text, caption, type);
  return true;
}

}  // namespace platform::detail

namespace platform::testing {

void SetMessageBoxHook(MessageBoxHook hook) {
  detail::HookSlot& slot = detail::TheSlot();
  std::lock_guard<std::mutex> lock(slot.mutex);
  slot.hook = std::move(hook);
}

}  // namespace platform::testing
