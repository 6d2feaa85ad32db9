#include "app/win/log_window.h"

#include "automation/own_forms.h"

namespace kova::win {

namespace {

constexpr int kWidth = 420, kHeight = 240;

const wchar_t* wide(const u16& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

automation::WindowHandle formHandle(HWND h) {
  return static_cast<automation::WindowHandle>(reinterpret_cast<uintptr_t>(h));
}

LRESULT CALLBACK logProcedure(HWND h, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_SIZE: {
      // The text fills the client area.
      if (HWND text = GetWindow(h, GW_CHILD)) MoveWindow(text, 0, 0, LOWORD(l), HIWORD(l), TRUE);
      return 0;
    }
    case WM_CLOSE:
      // Closing hides it: the next PRINT shows it again.
      ShowWindow(h, SW_HIDE);
      return 0;
    case WM_NCDESTROY:
      // However the window ends, the registry never keeps a dead handle
      // that Windows may give to another window later.
      if (automation::ownForm(automation::OwnForm::kLogWindow) == formHandle(h))
        automation::setOwnForm(automation::OwnForm::kLogWindow, 0);
      return DefWindowProcW(h, message, w, l);
    default: return DefWindowProcW(h, message, w, l);
  }
}

shell::ScreenBox desktop() {
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return shell::ScreenBox{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                          top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

}  // namespace

LogWindow::LogWindow(int32_t lineLimit) : lines_(lineLimit) {}

LogWindow::~LogWindow() {
  if (window_) DestroyWindow(window_);
  if (font_) DeleteObject(font_);
}

void LogWindow::create() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, kClassName, &wc)) {
    wc.lpfnWndProc = logProcedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
  }
  // Below the right half of the screen by default, kept on the desktop.
  const shell::ScreenBox box = desktop();
  const shell::Place place = shell::logWindowPlace({box.right - kWidth - 20, box.bottom - kHeight - 180}, kWidth, box);
  window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, L"KOVA", WS_OVERLAPPEDWINDOW, place.left,
                            place.top, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
  if (!window_) return;
  RECT client{};
  GetClientRect(window_, &client);
  text_ = CreateWindowExW(0, L"EDIT", L"",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                              ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                          0, 0, client.right, client.bottom, window_, nullptr, instance, nullptr);
  font_ = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"MS Gothic");
  if (text_ && font_) SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  // An edit control holds 30,000 characters unless told otherwise.
  if (text_) SendMessageW(text_, EM_SETLIMITTEXT, 0, 0);
  automation::setOwnForm(automation::OwnForm::kLogWindow, formHandle(window_));
}

void LogWindow::show() {
  if (!window_) create();
  if (window_ && !IsWindowVisible(window_)) ShowWindow(window_, SW_SHOWNOACTIVATE);
}

void LogWindow::hide() {
  if (window_) ShowWindow(window_, SW_HIDE);
}

void LogWindow::print(const u16& line, bool show) {
  if (!window_) create();
  if (!text_) return;
  if (lines_.add(line) == shell::LogLines::Show::kReplace) {
    SetWindowTextW(text_, wide(lines_.text()));
  } else {
    const int end = GetWindowTextLengthW(text_);
    SendMessageW(text_, EM_SETSEL, end, end);
    const u16 added = started_ ? u"\r\n" + line : line;
    SendMessageW(text_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide(added)));
  }
  started_ = true;
  const int end = GetWindowTextLengthW(text_);
  SendMessageW(text_, EM_SETSEL, end, end);
  SendMessageW(text_, EM_SCROLLCARET, 0, 0);
  if (show && !IsWindowVisible(window_)) ShowWindow(window_, SW_SHOWNOACTIVATE);
}

}  // namespace kova::win
