// The Windows side of input simulation: SendInput for mouse and keys,
// posted messages for window-message mode, key states, BlockInput, the
// input method's open state and the cursor shape.

#include <windows.h>
#include <imm.h>

#include <initializer_list>

#include "automation/input_system.h"
#include "automation/win/win_windows.h"
#include "platform/win/handles.h"

namespace kova::automation {

namespace {

bool runningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class WinInputSystem final : public InputSystem {
 public:
  DesktopArea desktop() override {
    DesktopArea d;
    d.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    d.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    d.width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    d.height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return d;
  }

  void setCursor(int32_t x, int32_t y) override {
    SetCursorPos(x, y);
    if (!underWine_) return;
    // Under Wine the X display reports pointer motion of earlier moves after
    // SetCursorPos returned, which puts the cursor back for a moment; the
    // move is repeated until the position holds for three reads (at most
    // about 200 ms).
    int stable = 0;
    for (int i = 0; i < 40 && stable < 3; ++i) {
      Sleep(5);
      POINT p{};
      GetCursorPos(&p);
      if (p.x == x && p.y == y) {
        ++stable;
      } else {
        stable = 0;
        SetCursorPos(x, y);
      }
    }
  }

  void mouseEvent(uint32_t flags, int32_t wheel) override {
    INPUT in{};
    in.type = INPUT_MOUSE;
    // The record carries the cursor position (absolute, over the virtual
    // desktop): a button event then acts where SetCursorPos put the cursor
    // even while the display has not yet caught up with the move (under
    // Wine a click right after SetCursorPos could land at the old place).
    POINT p{};
    GetCursorPos(&p);
    const DesktopArea d = desktop();
    if (d.width > 0 && d.height > 0) {
      // Rounded up, so that the system's (dx * width) >> 16 gives the pixel back.
      in.mi.dx = static_cast<LONG>(((static_cast<int64_t>(p.x) - d.left) * 65536 + d.width - 1) / d.width);
      in.mi.dy = static_cast<LONG>(((static_cast<int64_t>(p.y) - d.top) * 65536 + d.height - 1) / d.height);
      flags |= MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    }
    in.mi.dwFlags = flags;
    // mouseData is a DWORD; a negative wheel amount travels as its two's
    // complement.
    in.mi.mouseData = static_cast<DWORD>(wheel);
    SendInput(1, &in, sizeof in);
  }

  void keyEvent(uint32_t vk, uint32_t scan, bool extended, bool up) override {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = static_cast<WORD>(vk);
    in.ki.wScan = static_cast<WORD>(scan);
    in.ki.dwFlags = (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (up ? KEYEVENTF_KEYUP : 0);
    SendInput(1, &in, sizeof in);
  }

  uint32_t scanCode(uint32_t vk) override { return MapVirtualKeyW(vk, MAPVK_VK_TO_VSC); }

  uint16_t asyncKeyState(uint32_t vk) override { return static_cast<uint16_t>(GetAsyncKeyState(static_cast<int>(vk))); }

  bool toggled(uint32_t vk) override { return (GetKeyState(static_cast<int>(vk)) & 1) != 0; }

  bool threadKeyDown(uint32_t vk) override { return (GetKeyState(static_cast<int>(vk)) & 0x8000) != 0; }

  void clearThreadKey(uint32_t vk) override {
    BYTE keys[256];
    if (!GetKeyboardState(keys)) return;
    keys[vk & 0xFF] = 0;
    SetKeyboardState(keys);
  }

  bool buttonsSwapped() override { return GetSystemMetrics(SM_SWAPBUTTON) != 0; }

  bool post(WindowHandle h, uint32_t message, uint64_t wparam, int64_t lparam) override {
    return PostMessageW(hwnd(h), message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam)) != FALSE;
  }

  bool blockInput(bool block) override { return BlockInput(block ? TRUE : FALSE) != FALSE; }

  void realTimePriority(bool on) override {
    SetPriorityClass(GetCurrentProcess(), on ? REALTIME_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS);
  }

  bool imeOpen(WindowHandle h) override {
    HWND ime = ImmGetDefaultIMEWnd(hwnd(h));
    if (!ime) return false;
    DWORD_PTR open = 0;
    // WM_IME_CONTROL with IMC_GETOPENSTATUS; bounded so that a hung
    // foreground program cannot stop the script.
    if (!SendMessageTimeoutW(ime, 0x0283, 5, 0, SMTO_ABORTIFHUNG, 1000, &open)) return false;
    return open != 0;
  }

  int64_t cursorShape() override {
    POINT p{};
    GetCursorPos(&p);
    HCURSOR shown = nullptr;
    if (HWND under = WindowFromPoint(p)) {
      // GetCursor reports the cursor of the calling thread's input queue:
      // attached to the window's thread it reports that window's cursor.
      const DWORD target = GetWindowThreadProcessId(under, nullptr);
      const DWORD self = GetCurrentThreadId();
      const bool attach = target != 0 && target != self && AttachThreadInput(self, target, TRUE);
      shown = GetCursor();
      if (attach) AttachThreadInput(self, target, FALSE);
    }
    // The cursor on the screen, for systems whose queues do not share it.
    CURSORINFO info{};
    info.cbSize = sizeof info;
    const HCURSOR global = GetCursorInfo(&info) ? info.hCursor : nullptr;
    static const LPCWSTR kSystemCursors[] = {IDC_APPSTARTING, IDC_ARROW,  IDC_CROSS,    IDC_HAND,     IDC_HELP,
                                             IDC_IBEAM,       IDC_ICON,   IDC_NO,       IDC_SIZE,     IDC_SIZEALL,
                                             IDC_SIZENESW,    IDC_SIZENS, IDC_SIZENWSE, IDC_SIZEWE,   IDC_UPARROW,
                                             IDC_WAIT};
    for (HCURSOR candidate : {shown, global}) {
      if (!candidate) continue;
      for (int i = 0; i < 16; ++i) {
        if (LoadCursorW(nullptr, kSystemCursors[i]) == candidate) return i + 1;
      }
      // Where each process holds its own copies of the system cursors
      // (Wine), the handles differ: the resource ID the cursor was loaded
      // from still names it.
      ICONINFOEXW icon{};
      icon.cbSize = sizeof icon;
      if (GetIconInfoExW(candidate, &icon)) {
        // The two bitmaps are copies made for the caller.
        const win::GdiObject<HBITMAP> mask(icon.hbmMask), colour(icon.hbmColor);
        for (int i = 0; i < 16; ++i) {
          if (icon.wResID != 0 && icon.wResID == reinterpret_cast<uintptr_t>(kSystemCursors[i])) return i + 1;
        }
      }
    }
    return -static_cast<int64_t>(reinterpret_cast<uintptr_t>(shown ? shown : global));
  }

 private:
  const bool underWine_ = runningUnderWine();
};

}  // namespace

InputSystem* hostInputSystem() {
  static WinInputSystem system;
  return &system;
}

}  // namespace kova::automation
