#pragma once
// Drives a modal window of the test's own thread from a second thread (Windows
// build only). The test's thread calls the function that shows the window
// and blocks in its loop; the driver finds the window, reads and fills its
// controls and presses its buttons, the way a user would. Problems are
// collected and checked on the test's thread once the call has returned;
// after a problem the driver keeps cancelling whatever the test's thread
// shows, so that a broken dialog fails the test instead of hanging it.
//
// Tests that use it belong to suites named Desktop*: they take the focus
// and run apart from the other unit tests (tests/CMakeLists.txt).

#ifdef _WIN32

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "util/u16.h"

namespace kova::testing {

inline u16 classOf(HWND h) {
  wchar_t name[256]{};
  GetClassNameW(h, name, 256);
  return u16(reinterpret_cast<const char16_t*>(name));
}

// WM_GETTEXT, which another thread's window answers while its thread
// waits in a message loop.
inline u16 textOf(HWND h) {
  std::vector<wchar_t> buffer(4096, L'\0');
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(h, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL,
                      5000, &ignored);
  return u16(reinterpret_cast<const char16_t*>(buffer.data()));
}

inline void setTextOf(HWND h, const u16& text) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 5000, &ignored);
}

// The first descendant of `root` for which `match` holds.
inline HWND findDescendant(HWND root, const std::function<bool(HWND)>& match) {
  struct Search {
    const std::function<bool(HWND)>* match;
    HWND found = nullptr;
  } search{&match};
  EnumChildWindows(
      root,
      [](HWND h, LPARAM l) -> BOOL {
        auto* s = reinterpret_cast<Search*>(l);
        if (!(*s->match)(h)) return TRUE;
        s->found = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class DesktopDriver {
 public:
  // Thrown by the steps' helpers to end the steps after a problem.
  struct Stop {};

  // Starts `steps` on a thread of its own; the constructing thread is the
  // one whose windows it drives.
  explicit DesktopDriver(std::function<void(DesktopDriver&)> steps)
      : ui_(GetCurrentThreadId()), thread_([this, steps = std::move(steps)] { run(steps); }) {}
  ~DesktopDriver() { finish(); }
  DesktopDriver(const DesktopDriver&) = delete;
  DesktopDriver& operator=(const DesktopDriver&) = delete;

  // Called by the test's thread after the window's function returned.
  void finish() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
  }

  std::vector<std::string> problems() {
    std::lock_guard<std::mutex> lock(mutex_);
    return problems_;
  }

  // Records a problem and ends the steps.
  [[noreturn]] void fail(const std::string& what) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      problems_.push_back(what);
    }
    throw Stop{};
  }
  void check(bool ok, const std::string& what) {
    if (!ok) fail(what);
  }

  // A visible top-level window of the test's thread for which `accept`
  // holds, other than `besides`; waits up to 20 seconds (Wine's file
  // dialogs take a while the first time).
  HWND waitFor(const std::function<bool(HWND)>& accept, const std::string& what, HWND besides = nullptr) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
      if (HWND h = find(accept, besides)) return h;
      Sleep(50);
    }
    fail("no " + what + " appeared");
  }

  // Waits until `h` is gone (the dialog ended).
  void waitGone(HWND h, const std::string& what) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
      if (!IsWindow(h)) return;
      Sleep(50);
    }
    fail(what + " did not close");
  }

  DWORD uiThread() const { return ui_; }

 private:
  HWND find(const std::function<bool(HWND)>& accept, HWND besides) {
    struct Search {
      const std::function<bool(HWND)>* accept;
      HWND besides;
      HWND found = nullptr;
    } search{&accept, besides};
    EnumThreadWindows(
        ui_,
        [](HWND h, LPARAM l) -> BOOL {
          auto* s = reinterpret_cast<Search*>(l);
          if (h == s->besides || !IsWindowVisible(h) || !(*s->accept)(h)) return TRUE;
          s->found = h;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  void run(const std::function<void(DesktopDriver&)>& steps) {
    try {
      steps(*this);
      return;
    } catch (const Stop&) {
    }
    // Whatever the test's thread shows from now on is cancelled or closed
    // until its call returns.
    while (!done_) {
      EnumThreadWindows(
          ui_,
          [](HWND h, LPARAM) -> BOOL {
            PostMessageW(h, WM_COMMAND, IDCANCEL, 0);
            PostMessageW(h, WM_COMMAND, IDNO, 0);
            PostMessageW(h, WM_CLOSE, 0, 0);
            return TRUE;
          },
          0);
      Sleep(200);
    }
  }

  const DWORD ui_;
  std::atomic<bool> done_{false};
  std::mutex mutex_;
  std::vector<std::string> problems_;
  std::thread thread_;  // last: starts once the members above exist
};

}  // namespace kova::testing

#endif  // _WIN32
