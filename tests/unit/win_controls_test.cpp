// The control operations on windows of this process (Windows build only):
// what Wine lets no other process read (a window's menu, the scroll bars
// of a window's own style) works on one's own windows, through the same
// code as for other programs.

#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include "automation/click_item.h"
#include "automation/control_system.h"
#include "automation/item_lists.h"
#include "automation/sliders.h"
#include "automation/window_ids.h"
#include "script_test_support.h"

namespace kova::automation {
namespace {

UINT lastCommand = 0;

// Moves its own vertical bar as a real application does, remembers the
// last menu command and sets a check mark when its submenu opens.
LRESULT CALLBACK ownProcedure(HWND h, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_COMMAND) lastCommand = LOWORD(w);
  // "Late" gets its check mark only when its submenu opens.
  if (message == WM_INITMENUPOPUP) CheckMenuItem(reinterpret_cast<HMENU>(w), 304, MF_BYCOMMAND | MF_CHECKED);
  if (message == WM_VSCROLL) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(h, SB_VERT, &info);
    int pos = info.nPos;
    switch (LOWORD(w)) {
      case SB_LINEDOWN: ++pos; break;
      case SB_LINEUP: --pos; break;
      case SB_PAGEDOWN: pos += static_cast<int>(info.nPage); break;
      case SB_PAGEUP: pos -= static_cast<int>(info.nPage); break;
      default: break;
    }
    SetScrollPos(h, SB_VERT, pos, TRUE);
    return 0;
  }
  return DefWindowProcW(h, message, w, l);
}

struct OwnWindow : ::testing::Test {
  kova::testing::RecordingHost host;
  TUScript engine{hostPlatform(), host};
  RunContext& run = engine.runContext();
  HWND window = nullptr;
  HMENU bar = nullptr;

  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ownProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KovaOwnControlsTest";
    RegisterClassW(&wc);
    bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, 301, L"&New");
    AppendMenuW(file, MF_STRING | MF_CHECKED, 302, L"&Wrap\tCtrl+W");
    AppendMenuW(file, MF_STRING | MF_GRAYED, 303, L"Greyed");
    AppendMenuW(file, MF_STRING, 304, L"Late");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    window = CreateWindowExW(0, wc.lpszClassName, L"Own Controls", WS_OVERLAPPEDWINDOW | WS_VSCROLL, 50, 50, 300, 200,
                             nullptr, bar, wc.hInstance, nullptr);
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 20, 5, 0, 0};
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    ShowWindow(window, SW_SHOWNOACTIVATE);
  }
  void TearDown() override { DestroyWindow(window); }
  int64_t id() { return idFromHandle(run, reinterpret_cast<uintptr_t>(window)); }
  void pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  }
};

TEST_F(OwnWindow, MenusAreListedAndClicked) {
  WindowSystem& ws = *hostWindowSystem();
  ControlSystem& cs = *hostControlSystem();
  ItemListRequest list;
  list.kinds = kItemMenu;
  std::vector<u16> items = listItems(ws, cs, reinterpret_cast<uintptr_t>(window), list);
  EXPECT_EQ(items, (std::vector<u16>{u"File", u"New", u"Wrap", u"Greyed", u"Late"}));
  list.onlyEnabled = true;
  EXPECT_EQ(listItems(ws, cs, reinterpret_cast<uintptr_t>(window), list).size(), 4u);

  ClickRequest r;
  r.name = u"File\\New";
  r.kind = 0x4 | 0x200;  // CLK_MENU, in the background
  EXPECT_EQ(clickItem(run, ws, cs, id(), r), 1);
  pump();
  EXPECT_EQ(lastCommand, 301u);
  r.name = u"wrap";
  r.kind = 0x4000004;  // CHK_MENU
  EXPECT_EQ(clickItem(run, ws, cs, id(), r), 1);
  r.kind = 0x4 | 0x200;
  lastCommand = 0;
  EXPECT_EQ(clickItem(run, ws, cs, id(), r), 0);  // already checked: left alone
  r.name = u"Greyed";
  EXPECT_EQ(clickItem(run, ws, cs, id(), r), 0);
  // The check mark set as the submenu opens counts.
  r.name = u"Late";
  EXPECT_EQ(clickItem(run, ws, cs, id(), r), 0);
  pump();
  EXPECT_EQ(lastCommand, 0u);
  r.kind = 0x4000004;
  EXPECT_EQ(clickItem(run, ws, cs, id(), r), 1);
}

TEST_F(OwnWindow, AWindowsOwnScrollBarIsASlider) {
  WindowSystem& ws = *hostWindowSystem();
  ControlSystem& cs = *hostControlSystem();
  EXPECT_EQ(getSlider(run, ws, cs, id(), 1, kSliderMaximum), 20);
  EXPECT_EQ(getSlider(run, ws, cs, id(), 1, kSliderPage), 5);
  EXPECT_EQ(getSlider(run, ws, cs, id(), 1, kSliderBar), 1);
  EXPECT_EQ(setSlider(run, ws, cs, id(), 12, 1, false), 1);
  EXPECT_EQ(GetScrollPos(window, SB_VERT), 12);
  EXPECT_EQ(setSlider(run, ws, cs, id(), 3, 1, false), 1);
  EXPECT_EQ(GetScrollPos(window, SB_VERT), 3);
}

}  // namespace
}  // namespace kova::automation

#endif
