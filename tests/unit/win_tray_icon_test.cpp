// The tray icon in Wine's notification area (Windows build only): it
// appears and goes, a click on it reaches the window with the icon's
// number, a new tip while it shows takes no retry pause, and it carries
// the program's own icon. Wine shows each icon as a window of class
// "__winex11_tray_icon" inside "__winex11_standalone_tray".

#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "app/win/tray_icon.h"

namespace kova::win {
namespace {

constexpr UINT kCallback = WM_APP + 6;

std::vector<std::pair<WPARAM, LPARAM>> callbacks;

LRESULT CALLBACK recordingProcedure(HWND h, UINT message, WPARAM w, LPARAM l) {
  if (message == kCallback) callbacks.emplace_back(w, l);
  return DefWindowProcW(h, message, w, l);
}

// A hidden window that records the icon's callbacks, as the main window
// would receive them.
struct CallbackWindow {
  HWND h = nullptr;
  CallbackWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = recordingProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KOVA.TRAYTEST";
    RegisterClassExW(&wc);
    h = CreateWindowExW(0, L"KOVA.TRAYTEST", L"tray test", WS_OVERLAPPEDWINDOW, 600, 400, 200, 100, nullptr,
                        nullptr, wc.hInstance, nullptr);
    callbacks.clear();
  }
  ~CallbackWindow() { DestroyWindow(h); }
};

std::vector<HWND> trayIconWindows() {
  std::vector<HWND> found;
  for (HWND tray = FindWindowExW(nullptr, nullptr, L"__winex11_standalone_tray", nullptr); tray;
       tray = FindWindowExW(nullptr, tray, L"__winex11_standalone_tray", nullptr)) {
    for (HWND icon = FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr); icon;
         icon = FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr))
      if (IsWindowVisible(icon)) found.push_back(icon);
  }
  return found;
}

void pumpFor(
    std::chrono::milliseconds time, const std::function<bool()>& until = [] { return false; }) {
  const auto end = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < end && !until()) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    Sleep(20);
  }
}

// Waits (pumping) until the shell shows `count` icons.
bool iconCountBecomes(size_t count) {
  pumpFor(std::chrono::seconds(10), [&] { return trayIconWindows().size() == count; });
  return trayIconWindows().size() == count;
}

HWND newIcon(const std::vector<HWND>& before) {
  for (HWND h : trayIconWindows())
    if (std::find(before.begin(), before.end(), h) == before.end()) return h;
  return nullptr;
}

void clickAt(POINT p) {
  const int w = GetSystemMetrics(SM_CXSCREEN) - 1, h = GetSystemMetrics(SM_CYSCREEN) - 1;
  INPUT in[3]{};
  for (INPUT& i : in) {
    i.type = INPUT_MOUSE;
    i.mi.dx = p.x * 65535 / w;
    i.mi.dy = p.y * 65535 / h;
  }
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  SendInput(3, in, sizeof(INPUT));
}

TEST(DesktopTrayIcon, ShownUntilRemovedOrDestroyed) {
  const CallbackWindow window;
  const size_t before = trayIconWindows().size();
  {
    TrayIcon icon(window.h, kCallback);
    EXPECT_FALSE(icon.shown());
    ASSERT_TRUE(icon.add(u"KOVA"));
    EXPECT_TRUE(icon.shown());
    EXPECT_TRUE(iconCountBecomes(before + 1));
    icon.remove();
    EXPECT_FALSE(icon.shown());
    EXPECT_TRUE(iconCountBecomes(before));
    icon.remove();  // twice is harmless
    // Added again (as after "TaskbarCreated"), then left to the destructor.
    ASSERT_TRUE(icon.add(u"KOVA"));
    EXPECT_TRUE(iconCountBecomes(before + 1));
  }
  EXPECT_TRUE(iconCountBecomes(before));
}

TEST(DesktopTrayIcon, AClickReachesTheWindowWithTheIconsNumber) {
  const CallbackWindow window;
  const std::vector<HWND> before = trayIconWindows();
  TrayIcon icon(window.h, kCallback);
  ASSERT_TRUE(icon.add(u"KOVA"));
  ASSERT_TRUE(iconCountBecomes(before.size() + 1));
  HWND shown = newIcon(before);
  ASSERT_TRUE(shown);
  RECT r{};
  GetWindowRect(shown, &r);
  POINT cursor{};
  GetCursorPos(&cursor);
  clickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  const auto clicked = [] {
    for (const auto& [w, l] : callbacks)
      if (w == 1 && (l == WM_LBUTTONDOWN || l == WM_LBUTTONUP)) return true;
    return false;
  };
  pumpFor(std::chrono::seconds(5), clicked);
  SetCursorPos(cursor.x, cursor.y);
  EXPECT_TRUE(clicked()) << callbacks.size() << " callbacks, none a left click on icon 1";
}

TEST(DesktopTrayIcon, ALongTipIsCutAndANewTipNeedsNoRetry) {
  const CallbackWindow window;
  const size_t before = trayIconWindows().size();
  TrayIcon icon(window.h, kCallback);
  ASSERT_TRUE(icon.add(u16(300, u'k')));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(icon.add(u"KOVA - running"));
  // A retry would pause 200 ms first.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
  EXPECT_TRUE(iconCountBecomes(before + 1));  // still one icon
}

// The shell refuses a second add of the same icon, as it does after an
// add that timed out but was carried out: the retry's modify takes it.
TEST(DesktopTrayIcon, ARefusedAddIsRetriedAsAModify) {
  const CallbackWindow window;
  const size_t before = trayIconWindows().size();
  TrayIcon first(window.h, kCallback);
  ASSERT_TRUE(first.add(u"KOVA"));
  TrayIcon second(window.h, kCallback);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(second.add(u"KOVA again"));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));  // one pause
  EXPECT_TRUE(second.shown());
  EXPECT_TRUE(iconCountBecomes(before + 1));
  // A quit arriving while it waits ends the retries and stays queued for
  // the program's own loop.
  TrayIcon third(window.h, kCallback);
  PostQuitMessage(3);
  EXPECT_FALSE(third.add(u"KOVA"));
  EXPECT_FALSE(third.shown());
  MSG m{};
  ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 3u);
}

TEST(DesktopTrayIcon, TheProgramsIconAndTheTaskbarMessage) {
  // The module carries MAINICON at both sizes (app/win/kova.rc).
  for (int size : {16, 32}) {
    HICON icon =
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, 0));
    ASSERT_TRUE(icon) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);
    EXPECT_EQ(colour.bmBitsPixel, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  const UINT taskbar = TrayIcon::taskbarCreatedMessage();
  EXPECT_GE(taskbar, 0xC000u);  // a registered message
  EXPECT_EQ(taskbar, RegisterWindowMessageW(L"TaskbarCreated"));
  EXPECT_EQ(taskbar, TrayIcon::taskbarCreatedMessage());
}

}  // namespace
}  // namespace kova::win

#endif  // _WIN32
