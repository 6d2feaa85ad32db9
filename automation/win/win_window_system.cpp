// The Windows side of window identification: enumeration with the listing
// rule (which leaves out the program's own forms), window state,
// placement, commands, activation and the control collector.

#include <windows.h>

#include <algorithm>

#include "automation/control_collector.h"
#include "automation/own_forms.h"
#include "automation/window_system.h"
#include "automation/win/win_windows.h"
#include "platform/win/handles.h"

namespace kova::automation {

WindowHandle startedProgramWindow(WindowSystem& ws, RunContext& run, ChildProcess& child,
                                  const ExecRequest& r);  // win_exec.cpp

namespace {

WindowHandle handle(HWND h) { return static_cast<WindowHandle>(reinterpret_cast<uintptr_t>(h)); }

u16 fromWide(const wchar_t* s, int n) { return u16(reinterpret_cast<const char16_t*>(s), static_cast<size_t>(n)); }

u16 windowText(HWND h) {
  wchar_t buf[256];
  const int n = GetWindowTextW(h, buf, 256);
  return n > 0 ? fromWide(buf, n) : u16();
}

u16 classText(HWND h) {
  wchar_t buf[256];
  const int n = GetClassNameW(h, buf, 256);
  return n > 0 ? fromWide(buf, n) : u16();
}

// The base class of a superclassed control where the system reports it.
u16 realClassText(HWND h) {
  wchar_t buf[256];
  const UINT n = RealGetWindowClassW(h, buf, 256);
  return n > 0 ? fromWide(buf, static_cast<int>(n)) : classText(h);
}

bool ownProcess(HWND h) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  return pid == GetCurrentProcessId();
}

struct Enumeration {
  std::vector<ListedWindow> list;
};

BOOL CALLBACK collectListed(HWND h, LPARAM lp) {
  auto& e = *reinterpret_cast<Enumeration*>(lp);
  WindowFacts f;
  f.title = upperFull(trimCtl(windowText(h)));
  f.cls = upperFull(trimCtl(classText(h)));
  f.visible = IsWindowVisible(h) != FALSE;
  f.enabled = IsWindowEnabled(h) != FALSE;
  f.hasParent = GetParent(h) != nullptr;
  f.hasOwner = GetWindow(h, GW_OWNER) != nullptr;
  f.hasChild = GetWindow(h, GW_CHILD) != nullptr;
  RECT r{};
  GetWindowRect(h, &r);
  f.emptyRect = r.right - r.left == 0 || r.bottom - r.top == 0;
  f.ownProgram = isOwnForm(handle(h));
  if (!isListed(f)) return TRUE;
  ListedWindow w;
  w.handle = handle(h);
  w.title = std::move(f.title);
  w.cls = std::move(f.cls);
  w.visible = f.visible;
  w.emptyRect = f.emptyRect;
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  w.processId = pid;
  e.list.push_back(std::move(w));
  return TRUE;
}

// One foreground switch: attach to the foreground thread's input so that
// SetForegroundWindow is allowed, then detach again.
void bringForward(HWND target) {
  HWND fg = GetForegroundWindow();
  if (fg == target) return;
  const DWORD fgThread = fg ? GetWindowThreadProcessId(fg, nullptr) : 0;
  const DWORD targetThread = GetWindowThreadProcessId(target, nullptr);
  const bool attach = fgThread != 0 && fgThread != targetThread;
  if (attach) AttachThreadInput(targetThread, fgThread, TRUE);
  SetForegroundWindow(target);
  if (attach) AttachThreadInput(targetThread, fgThread, FALSE);
  BringWindowToTop(target);
}

void yieldMessages() {
  Sleep(10);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool containsAny(const u16& s, std::initializer_list<u16v> parts) {
  for (u16v p : parts) {
    if (s.find(p) != u16::npos) return true;
  }
  return false;
}

class WinWindowSystem final : public WindowSystem {
 public:
  bool isWindow(WindowHandle h) override { return h != 0 && IsWindow(hwnd(h)); }
  WindowHandle foreground() override { return handle(GetForegroundWindow()); }

  std::vector<ListedWindow> listWindows(WindowHandle parent) override {
    Enumeration e;
    if (parent == 0) {
      EnumWindows(collectListed, reinterpret_cast<LPARAM>(&e));
    } else {
      EnumChildWindows(hwnd(parent), collectListed, reinterpret_cast<LPARAM>(&e));
    }
    return std::move(e.list);
  }

  bool waitUntilAnswering(WindowHandle h, bool inputIdle) override {
    HWND w = hwnd(h);
    if (!IsWindow(w)) return false;
    if (ownProcess(w)) return false;
    bool timedOut = false;
    if (inputIdle) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (const win::KernelHandle p{OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)})
        timedOut = WaitForInputIdle(p.get(), 8000) == WAIT_TIMEOUT;
    } else {
      DWORD_PTR ignored = 0;
      timedOut = SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 8000, &ignored) == 0;
    }
    yieldMessages();
    return timedOut;
  }

  WindowHandle windowFromCursor(bool innermost) override {
    POINT pt{};
    GetCursorPos(&pt);
    HWND w = WindowFromPoint(pt);
    if (innermost || !w) return handle(w);
    const std::vector<ListedWindow> desktop = listWindows(0);
    auto listed = [&](HWND x) {
      return std::any_of(desktop.begin(), desktop.end(), [&](const ListedWindow& l) { return l.handle == handle(x); });
    };
    for (int step = 0; step < 100 && !listed(w); ++step) {
      HWND p = GetParent(w);
      RECT r{};
      if (!p || !GetWindowRect(p, &r) || r.right == r.left || r.bottom == r.top) break;
      w = p;
    }
    return handle(w);
  }

  void activate(WindowHandle h, bool force) override {
    HWND target = hwnd(h);
    if (!IsWindow(target) || !answers(target)) return;
    if (!force) {
      GUITHREADINFO gui{};
      gui.cbSize = sizeof gui;
      const bool popupShowing = GetGUIThreadInfo(0, &gui) && (gui.flags & GUI_POPUPMENUMODE);
      HWND parent = GetParent(target);
      if (popupShowing && parent && parent != GetForegroundWindow()) return;
      const u16 cls = upperFull(trimCtl(classText(target)));
      if (trimCtl(windowText(target)).empty() &&
          (cls == u"#32768" || cls == u"BASEBAR" || containsAny(cls, {u"POPUP", u"UI TOOL WINDOW"})))
        return;
    }
    bringForward(target);
    if (GetForegroundWindow() != target) {
      // The foreground lock keeps other processes from taking the focus;
      // lift it for the moment of the switch.
      DWORD saved = 0;
      SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &saved, 0);
      SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
      yieldMessages();
      bringForward(target);
      if (GetForegroundWindow() != target) {
        yieldMessages();
        bringForward(target);
      }
      SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<PVOID>(static_cast<uintptr_t>(saved)),
                            0);
    }
    if (GetWindowLongPtrW(target, GWL_EXSTYLE) & WS_EX_MDICHILD) {
      HWND ancestor = target;
      for (int i = 0; i < 3; ++i) {
        HWND p = GetParent(ancestor);
        if (!p) break;
        ancestor = p;
      }
      if (ancestor != target) bringForward(ancestor);
    }
  }

  bool windowRect(WindowHandle h, WindowRect& out) override {
    RECT r{};
    if (!GetWindowRect(hwnd(h), &r)) return false;
    out = {r.left, r.top, r.right, r.bottom};
    return true;
  }

  bool clientRect(WindowHandle h, WindowRect& out) override {
    RECT r{};
    if (!GetClientRect(hwnd(h), &r)) return false;
    POINT origin{0, 0};
    ClientToScreen(hwnd(h), &origin);
    out = {origin.x, origin.y, origin.x + r.right, origin.y + r.bottom};
    return true;
  }

  u16 title(WindowHandle h) override { return windowText(hwnd(h)); }
  u16 className(WindowHandle h) override { return classText(hwnd(h)); }
  bool isVisible(WindowHandle h) override { return IsWindowVisible(hwnd(h)) != FALSE; }
  bool isMinimised(WindowHandle h) override { return IsIconic(hwnd(h)) != FALSE; }

  bool isBusy(WindowHandle h) override {
    if (!IsWindow(hwnd(h))) return false;
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(hwnd(h), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 88, &ignored) == 0;
  }

  WindowHandle parent(WindowHandle h) override { return handle(GetParent(hwnd(h))); }

  uint32_t processId(WindowHandle h) override {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd(h), &pid);
    return pid;
  }

  // The image path through the limited query right, which works for
  // 32- and 64-bit processes alike.
  u16 processPath(WindowHandle h) override {
    const win::KernelHandle p(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId(h)));
    if (!p) return {};
    wchar_t buf[1024];
    DWORD n = 1024;
    if (!QueryFullProcessImageNameW(p.get(), 0, buf, &n)) return {};
    return fromWide(buf, static_cast<int>(n));
  }

  // This program is 64-bit, so the system is: a process is 64-bit unless it
  // runs under WOW64.
  bool processIs64Bit(WindowHandle h) override {
    const win::KernelHandle p(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId(h)));
    if (!p) return false;
    BOOL wow = FALSE;
    return IsWow64Process(p.get(), &wow) != FALSE && !wow;
  }

  void place(WindowHandle h, bool move, int32_t x, int32_t y, bool size, int32_t width, int32_t height) override {
    HWND w = hwnd(h);
    if (move || size) ShowWindow(w, SW_RESTORE);
    activate(h, false);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (!move) flags |= SWP_NOMOVE;
    if (!size) flags |= SWP_NOSIZE;
    SetWindowPos(w, nullptr, x, y, width, height, flags);
  }

  void command(WindowHandle h, int64_t command, int64_t wparam, int64_t lparam) override {
    HWND w = hwnd(h);
    switch (command) {
      case 2: PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); break;
      case 3: PostMessageW(w, WM_QUIT, 0, 0); break;
      case 4: ShowWindow(w, SW_HIDE); break;
      case 5: ShowWindow(w, SW_SHOW); break;
      case 6: ShowWindow(w, SW_MINIMIZE); break;
      case 7: ShowWindow(w, SW_MAXIMIZE); break;
      case 8:
        ShowWindow(w, SW_SHOW);
        ShowWindow(w, SW_RESTORE);
        break;
      case 9: SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); break;
      case 10: SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); break;
      default:
        PostMessageW(w, static_cast<UINT>(command), static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam));
        break;
    }
  }

  uint64_t menuHandle(WindowHandle h) override {
    HWND w = hwnd(h);
    if (HMENU m = GetMenu(w)) return reinterpret_cast<uintptr_t>(m);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (!GetGUIThreadInfo(0, &gui) || !(gui.flags & GUI_POPUPMENUMODE)) return 0;
    HWND parent = GetParent(w);
    if (parent && parent != GetForegroundWindow()) return 0;
    // The open pop-up menu window answers MN_GETHMENU (0x01E1).
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (!popup) return 0;
    DWORD_PTR menu = 0;
    SendMessageTimeoutW(popup, 0x01E1, 0, 0, SMTO_ABORTIFHUNG, 1000, &menu);
    return menu;
  }

  uint64_t systemMenuHandle(WindowHandle h) override {
    return reinterpret_cast<uintptr_t>(GetSystemMenu(hwnd(h), FALSE));
  }

  std::vector<CollectedControl> collectControls(WindowHandle h, uint32_t mask, bool includeDisabled) override;
  WindowHandle startedProgramWindow(RunContext& run, ChildProcess& child, const ExecRequest& r) override {
    return automation::startedProgramWindow(*this, run, child, r);
  }
};

// Whether a parent window is visible, asked once per parent during one
// enumeration: a window's children usually share it.
struct ParentVisibility {
  std::vector<std::pair<HWND, bool>> known;
  bool of(HWND parent) {
    for (const auto& [h, visible] : known) {
      if (h == parent) return visible;
    }
    const bool visible = IsWindowVisible(parent) != FALSE;
    known.emplace_back(parent, visible);
    return visible;
  }
};

// The facts the collector needs. A descendant whose class the mask cannot
// take gets its handle and class only (see mayBeCollected); every other
// fact is a call into the window server.
ControlCandidate candidateOf(HWND h, uint32_t mask, bool descendant, ParentVisibility& parents) {
  ControlCandidate c;
  c.handle = handle(h);
  c.cls = upperFull(trimCtl(realClassText(h)));
  if (descendant && !mayBeCollected(c.cls, mask)) {
    c.factsRead = false;
    return c;
  }
  const HWND parent = GetParent(h);
  c.parent = handle(parent);
  c.parentVisible = parent != nullptr && parents.of(parent);
  const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
  c.styleVisible = (style & WS_VISIBLE) != 0;
  // A child window is visible when it and its parent are (the parent's
  // ancestors are in the parent's answer); for other windows GetParent
  // names the owner, which says nothing about visibility.
  c.visible = (style & WS_CHILD) && parent != nullptr ? c.styleVisible && c.parentVisible
                                                      : IsWindowVisible(h) != FALSE;
  // What IsWindowEnabled answers, without asking again.
  c.enabled = (style & WS_DISABLED) == 0;
  c.horizontalScroll = (style & WS_HSCROLL) != 0;
  c.verticalScroll = (style & WS_VSCROLL) != 0;
  RECT r{};
  GetWindowRect(h, &r);
  c.left = r.left;
  c.top = r.top;
  // Only the accessibility family asks whether a control has children and
  // what covers it.
  if (mask & kFamilyAccessible) {
    c.hasChildren = GetWindow(h, GW_CHILD) != nullptr;
    const POINT centre{r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
    c.topmostAtCentre = WindowFromPoint(centre) == h;
  }
  return c;
}

struct CandidateWalk {
  uint32_t mask;
  std::vector<ControlCandidate> found;
  ParentVisibility parents;
};

BOOL CALLBACK addCandidate(HWND h, LPARAM lp) {
  auto& walk = *reinterpret_cast<CandidateWalk*>(lp);
  walk.found.push_back(candidateOf(h, walk.mask, true, walk.parents));
  return TRUE;
}

// One enumeration of the window's descendants per call.
std::vector<CollectedControl> WinWindowSystem::collectControls(WindowHandle h, uint32_t mask, bool includeDisabled) {
  CandidateWalk walk{mask, {}, {}};
  EnumChildWindows(hwnd(h), addCandidate, reinterpret_cast<LPARAM>(&walk));
  ParentVisibility own;
  return automation::collectControls(walk.found, candidateOf(hwnd(h), 0, false, own), mask, includeDisabled);
}

}  // namespace

WindowSystem* hostWindowSystem() {
  static WinWindowSystem system;
  return &system;
}

}  // namespace kova::automation
