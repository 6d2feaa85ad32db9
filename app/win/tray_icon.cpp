#include "app/win/tray_icon.h"

#include <shellapi.h>

#include "app/shell/dialog_rules.h"

namespace kova::win {

namespace {

constexpr UINT kIconId = 1;
constexpr int kRetries = 9;
constexpr DWORD kRetryPauseMs = 200;

// Dispatches what is waiting in this thread's queue. A WM_QUIT taken out
// on the way is put back (and the pumping stops), so that the caller's own
// message loop still ends; the result tells the caller to give up.
bool pumpOnce() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      return false;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return true;
}

bool pauseAndPump() {
  Sleep(kRetryPauseMs);
  return pumpOnce() && pumpOnce();
}

}  // namespace

TrayIcon::TrayIcon(HWND window, UINT callbackMessage) : window_(window), callback_(callbackMessage) {
  // The program's own icon at the small-icon size; the system's
  // application icon (copied, so that the destructor owns what it frees)
  // when the module has none.
  icon_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON,
                                        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  if (!icon_) icon_ = CopyIcon(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)));
}

TrayIcon::~TrayIcon() {
  remove();
  if (icon_) DestroyIcon(icon_);
}

bool TrayIcon::add(const u16& tip) {
  // The wide structure at its full (Vista and later) size; the shell reads
  // only the fields the flags name.
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window_;
  data.uID = kIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = callback_;
  data.hIcon = icon_;
  const u16 fitted = shell::fitText(tip, sizeof data.szTip / sizeof data.szTip[0] - 1);
  fitted.copy(reinterpret_cast<char16_t*>(data.szTip), fitted.size());
  data.szTip[fitted.size()] = L'\0';

  // Shown already (a new tip): a modify is all it takes.
  if (shown_ && Shell_NotifyIconW(NIM_MODIFY, &data)) return true;
  shown_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  // A shell that is still starting refuses the icon; one that is busy may
  // time out on an add it then carries out, after which only a modify
  // succeeds. Both are tried, with time and messages in between.
  for (int i = 0; i < kRetries && !shown_; ++i) {
    if (!pauseAndPump()) break;
    if (Shell_NotifyIconW(NIM_MODIFY, &data)) {
      shown_ = true;
      break;
    }
    if (!pauseAndPump()) break;
    shown_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  }
  return shown_;
}

void TrayIcon::remove() {
  if (!shown_) return;
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window_;
  data.uID = kIconId;
  Shell_NotifyIconW(NIM_DELETE, &data);
  shown_ = false;
}

UINT TrayIcon::taskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

}  // namespace kova::win
