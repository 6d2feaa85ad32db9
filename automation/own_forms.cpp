#include "automation/own_forms.h"

#include <array>
#include <atomic>

namespace kova::automation {

namespace {

constexpr size_t kFormCount = static_cast<size_t>(OwnForm::kCount);

// The registry is process-wide by nature: the forms are windows of this
// process, whichever engine or thread asks about them. One atomic slot per
// form, so that the window listing, which asks for every window it
// enumerates and may run on any thread, never waits for a lock while the
// GUI thread registers or unregisters a form.
std::array<std::atomic<WindowHandle>, kFormCount> registered{};

static_assert(std::atomic<WindowHandle>::is_always_lock_free);

bool inRange(OwnForm form) {
  const auto index = static_cast<int>(form);
  return index >= 0 && static_cast<size_t>(index) < kFormCount;
}

}  // namespace

void setOwnForm(OwnForm form, WindowHandle handle) {
  if (inRange(form)) registered[static_cast<size_t>(form)].store(handle, std::memory_order_release);
}

WindowHandle ownForm(OwnForm form) {
  return inRange(form) ? registered[static_cast<size_t>(form)].load(std::memory_order_acquire) : 0;
}

bool isOwnForm(WindowHandle handle) {
  if (handle == 0) return false;
  for (const std::atomic<WindowHandle>& slot : registered) {
    if (slot.load(std::memory_order_acquire) == handle) return true;
  }
  return false;
}

}  // namespace kova::automation
