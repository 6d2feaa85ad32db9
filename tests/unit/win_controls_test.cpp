// The control operations on windows of this process (Windows build only):
// what Wine lets no other process read (a window's menu, the scroll bars
// of a window's own style) works on one's own windows, through the same
// code as for other programs.

#ifdef _WIN32

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "automation/click_item.h"
#include "automation/control_collector.h"
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

// Children of the test window, removed with it.
HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w = 80, int h = 20) {
  return CreateWindowExW(0, cls, text, WS_CHILD | style, x, y, w, h, parent, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

WindowHandle handleOf(HWND h) { return reinterpret_cast<uintptr_t>(h); }

// The list view's own procedure, and the row that answers LVM_GETITEMTEXTW
// with a length without writing any text.
WNDPROC listViewProcedure = nullptr;
int silentRow = -1;

LRESULT CALLBACK silentRowProcedure(HWND h, UINT message, WPARAM w, LPARAM l) {
  if (message == LVM_GETITEMTEXTW && static_cast<int>(w) == silentRow) return 5;
  return CallWindowProcW(listViewProcedure, h, message, w, l);
}

TEST_F(OwnWindow, ListViewRowsAcrossBatches) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  HWND lv = child(window, WC_LISTVIEWW, nullptr, WS_VISIBLE | LVS_REPORT, 0, 0, 200, 100);
  ASSERT_NE(lv, nullptr);
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = 80;
    col.iSubItem = i;
    SendMessageW(lv, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
  }
  // 37 rows: two full batches and part of a third; row 4 is empty, row 20
  // longer than the text buffer.
  const std::wstring longText(3000, L'x');
  std::vector<std::wstring> names, sizes;
  for (int i = 0; i < 37; ++i) {
    names.push_back(i == 4 ? L"" : i == 20 ? longText : L"row " + std::to_wstring(i));
    sizes.push_back(std::to_wstring(i * 10));
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = names.back().data();
    SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = sizes.back().data();
    SendMessageW(lv, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
  }
  ControlSystem& cs = *hostControlSystem();
  const std::vector<u16> rows = cs.listViewTexts(handleOf(lv), 0);
  ASSERT_EQ(rows.size(), 37u);
  for (int i = 0; i < 37; ++i) {
    if (i == 4 || i == 20) continue;
    EXPECT_EQ(rows[i], u"row " + toU16(static_cast<long long>(i))) << i;
  }
  EXPECT_EQ(rows[4], u"");
  // The text buffer holds 1,792 units: the control cuts the text there.
  EXPECT_EQ(rows[20], u16(1791, u'x'));
  const std::vector<u16> second = cs.listViewTexts(handleOf(lv), 1);
  ASSERT_EQ(second.size(), 37u);
  EXPECT_EQ(second[0], u"0");
  EXPECT_EQ(second[36], u"360");

  // Row 19 has the slot row 3 had in the batch before: answering without
  // writing, it must read as "", not as "row 3".
  listViewProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(lv, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&silentRowProcedure)));
  silentRow = 19;
  const std::vector<u16> again = cs.listViewTexts(handleOf(lv), 0);
  SetWindowLongPtrW(lv, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listViewProcedure));
  ASSERT_EQ(again.size(), 37u);
  EXPECT_EQ(again[3], u"row 3");
  EXPECT_EQ(again[19], u"");
  EXPECT_EQ(again[18], u"row 18");
}

TEST_F(OwnWindow, ControlTextsOfEveryLength) {
  ControlSystem& cs = *hostControlSystem();
  HWND label = child(window, L"STATIC", L"", WS_VISIBLE, 0, 0);
  ASSERT_NE(label, nullptr);
  // Around the length a single message reads, and above the limit.
  for (size_t n : {0u, 1u, 254u, 255u, 256u, 300u, 65001u, 70000u}) {
    std::wstring text(n, L'a');
    if (n > 0) text.back() = L'z';
    ASSERT_TRUE(SetWindowTextW(label, text.c_str()));
    const u16 got = cs.controlText(handleOf(label));
    if (n <= 65001) {
      EXPECT_EQ(got.size(), n);
      EXPECT_TRUE(got == u16(reinterpret_cast<const char16_t*>(text.c_str()), n)) << n;
    } else {
      EXPECT_EQ(got.size(), 65001u);
      EXPECT_EQ(got.back(), u'a');
    }
  }
}

TEST_F(OwnWindow, ListBoxEntriesOfAnyLength) {
  HWND list = child(window, L"LISTBOX", nullptr, WS_VISIBLE, 0, 0, 100, 80);
  ASSERT_NE(list, nullptr);
  const std::wstring longEntry(5000, L'q');
  for (const std::wstring& s : {std::wstring(L"one"), std::wstring(), longEntry}) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
  }
  const std::vector<u16> entries = hostControlSystem()->listEntries(handleOf(list), u"LISTBOX");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0], u"one");
  EXPECT_EQ(entries[1], u"");
  EXPECT_EQ(entries[2], u16(5000, u'q'));
}

// The collector reads visibility through the parent once per parent, and
// only the class of controls the family cannot take: the numbering must
// stay what the full facts give.
TEST_F(OwnWindow, CollectorKeepsVisibilityRules) {
  WindowSystem& ws = *hostWindowSystem();
  std::vector<HWND> buttons;
  for (int i = 0; i < 30; ++i) {
    buttons.push_back(child(window, L"BUTTON", (L"B" + std::to_wstring(i)).c_str(), WS_VISIBLE, 10 + 30 * (i % 5),
                            10 + 12 * (i / 5), 28, 10));
  }
  HWND edit = child(window, L"EDIT", L"e", WS_VISIBLE, 200, 100);
  HWND disabled = child(window, L"BUTTON", L"off", WS_VISIBLE | WS_DISABLED, 200, 130);
  HWND hiddenButton = child(window, L"BUTTON", L"hidden", 0, 200, 140);
  // A hidden page: its button keeps its own visible style and counts; a
  // visible page: its button counts; a button of its own hidden on the
  // visible page does not.
  HWND hiddenPage = child(window, L"STATIC", L"page", 0, 250, 10, 60, 60);
  HWND onHiddenPage = child(hiddenPage, L"BUTTON", L"p1", WS_VISIBLE, 0, 0);
  HWND shownPage = child(window, L"STATIC", L"page2", WS_VISIBLE, 250, 100, 60, 60);
  HWND onShownPage = child(shownPage, L"BUTTON", L"p2", WS_VISIBLE, 0, 0);
  HWND hiddenOnShownPage = child(shownPage, L"BUTTON", L"p3", 0, 0, 30);
  for (HWND h : {edit, disabled, hiddenButton, hiddenPage, onHiddenPage, shownPage, onShownPage, hiddenOnShownPage})
    ASSERT_NE(h, nullptr);

  auto listed = [&](uint32_t mask, bool disabledToo) {
    std::vector<HWND> out;
    for (const CollectedControl& c : ws.collectControls(handleOf(window), mask, disabledToo))
      out.push_back(reinterpret_cast<HWND>(static_cast<uintptr_t>(c.handle)));
    return out;
  };
  EXPECT_EQ(listed(kFamilyEdit, false), std::vector<HWND>{edit});
  // The 30 buttons of the grid, the one on the hidden page and the one on
  // the shown page; the first row of the grid in position order.
  const std::vector<HWND> got = listed(kFamilyButton, false);
  ASSERT_EQ(got.size(), 32u);
  EXPECT_EQ(std::vector<HWND>(got.begin(), got.begin() + 5),
            (std::vector<HWND>{buttons[0], buttons[1], buttons[2], buttons[3], buttons[4]}));
  EXPECT_NE(std::find(got.begin(), got.end(), onHiddenPage), got.end());
  EXPECT_NE(std::find(got.begin(), got.end(), onShownPage), got.end());
  EXPECT_EQ(std::find(got.begin(), got.end(), hiddenOnShownPage), got.end());
  EXPECT_EQ(std::find(got.begin(), got.end(), hiddenButton), got.end());
  EXPECT_EQ(std::find(got.begin(), got.end(), disabled), got.end());
  const std::vector<HWND> all = listed(kFamilyButton, true);
  EXPECT_EQ(all.size(), 33u);
  EXPECT_NE(std::find(all.begin(), all.end(), disabled), all.end());
  // Statics: only the shown page. The hidden page is no control of a
  // hidden tab page: its own parent, the window, is visible.
  EXPECT_EQ(listed(kFamilyStatic, false), std::vector<HWND>{shownPage});
}

}  // namespace
}  // namespace kova::automation

#endif
