#include "app/win/bring_to_front.h"

#include <cwctype>

#include "app/win/instances.h"

namespace kova::win {

namespace {

bool isMenuWindow(HWND h) {
  if (!FindWindowW(L"#32768", nullptr)) return false;  // no pop-up menu on the screen
  if (GetWindowTextLengthW(h) > 0) return false;
  if (HWND parent = GetParent(h); parent && parent != GetForegroundWindow()) return false;
  wchar_t cls[256] = {};
  GetClassNameW(h, cls, 256);
  for (wchar_t* c = cls; *c; ++c) *c = static_cast<wchar_t>(std::towupper(*c));
  return lstrcmpW(cls, L"#32768") == 0 || lstrcmpW(cls, L"BASEBAR") == 0 || wcsstr(cls, L"POPUP") != nullptr ||
         wcsstr(cls, L"UI TOOL WINDOW") != nullptr;
}

bool inFront(HWND h) {
  const HWND fg = GetForegroundWindow();
  return fg == h || (fg && GetAncestor(fg, GA_ROOTOWNER) == GetAncestor(h, GA_ROOTOWNER));
}

void takeForeground(HWND h) {
  const HWND fg = GetForegroundWindow();
  const DWORD mine = GetCurrentThreadId();
  const DWORD theirs = fg ? GetWindowThreadProcessId(fg, nullptr) : 0;
  const bool attach = theirs != 0 && theirs != mine && AttachThreadInput(mine, theirs, TRUE);
  SetForegroundWindow(h);
  if (attach) AttachThreadInput(mine, theirs, FALSE);
  BringWindowToTop(h);
}

}  // namespace

void bringToFront(HWND target, bool force, HWND mainWindow) {
  if (!target || !IsWindow(target)) return;
  if (GetWindowLongPtrW(target, GWL_EXSTYLE) & WS_EX_MDICHILD) {
    if (HWND top = GetAncestor(target, GA_ROOT); top && top != target) target = top;
  }
  if (!force && isMenuWindow(target)) return;
  takeForeground(target);
  if (inFront(target)) return;
  DWORD timeout = 0;
  SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
  SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
  pumpMessages(1);
  takeForeground(target);
  if (!inFront(target) && mainWindow && mainWindow != target) {
    takeForeground(mainWindow);
    takeForeground(target);
  }
  SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<PVOID>(static_cast<UINT_PTR>(timeout)), 0);
}

}  // namespace kova::win
