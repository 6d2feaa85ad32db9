// placeholder until merged
#include "app/win/tray_icon.h"
#include <shellapi.h>
namespace kova::win {
TrayIcon::TrayIcon(HWND window, UINT callbackMessage) : window_(window), callback_(callbackMessage) {}
TrayIcon::~TrayIcon() { remove(); }
bool TrayIcon::add(const u16& tip) {
  NOTIFYICONDATAW d{}; d.cbSize = sizeof d; d.hWnd = window_; d.uID = 1; d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  d.uCallbackMessage = callback_; d.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  lstrcpynW(d.szTip, reinterpret_cast<const wchar_t*>(tip.c_str()), 128);
  shown_ = Shell_NotifyIconW(NIM_ADD, &d) != FALSE; return shown_; }
void TrayIcon::remove() { if (!shown_) return; NOTIFYICONDATAW d{}; d.cbSize = sizeof d; d.hWnd = window_; d.uID = 1; Shell_NotifyIconW(NIM_DELETE, &d); shown_ = false; }
UINT TrayIcon::taskbarCreatedMessage() { return RegisterWindowMessageW(L"TaskbarCreated"); }
}
