#include "app/win/instances.h"

#include "app/win/shell_messages.h"

namespace kova::win {

bool mutexExists(const wchar_t* name) {
  HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, name);
  if (h) {
    CloseHandle(h);
    return true;
  }
  // A mutex created by another user's session answers "access denied":
  // it exists all the same.
  return GetLastError() == ERROR_ACCESS_DENIED;
}

bool InstanceMutex::create(const wchar_t* name) {
  handle_.reset(CreateMutexW(nullptr, TRUE, name));
  return static_cast<bool>(handle_);
}

void InstanceMutex::release() {
  if (!handle_) return;
  ReleaseMutex(handle_.get());
  handle_.reset();
}

namespace {

struct Search {
  HWND self;
  std::vector<HWND> found;
};

BOOL CALLBACK collectMainWindow(HWND h, LPARAM lp) {
  auto& search = *reinterpret_cast<Search*>(lp);
  if (h == search.self) return TRUE;
  wchar_t cls[64];
  if (GetClassNameW(h, cls, 64) > 0 && lstrcmpiW(cls, kMainWindowClass) == 0) search.found.push_back(h);
  return TRUE;
}

}  // namespace

std::vector<HWND> otherMainWindows(HWND self) {
  Search search{self, {}};
  EnumWindows(collectMainWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void pumpMessages(int rounds) {
  for (int k = 0; k < rounds; ++k) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // Kept for the main loop, which ends on it.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void announceStopHotkeyFree(HWND self, shell::HotkeySetting stopHotkey) {
  for (HWND other : otherMainWindows(self)) {
    PostMessageW(other, kMsgStopHotkeyFree, static_cast<WPARAM>(stopHotkey.modifier),
                 static_cast<LPARAM>(stopHotkey.key));
    Sleep(40);
    pumpMessages(20);
  }
}

}  // namespace kova::win
