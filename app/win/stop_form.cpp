#include "app/win/stop_form.h"

#include "app/shell/shell_texts.h"
#include "app/win/shell_messages.h"
#include "app/win/system_menu.h"
#include "automation/own_forms.h"

namespace kova::win {

namespace {

constexpr int kWidth = 180, kHeight = 64;

const wchar_t* wide(const u16& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

}  // namespace

StopForm::StopForm(std::function<void()> onStop) : onStop_(std::move(onStop)) {}

StopForm::~StopForm() {
  if (window_) {
    automation::setOwnForm(automation::OwnForm::kStopForm, 0);
    DestroyWindow(window_);
  }
  if (font_) DeleteObject(font_);
}

LRESULT CALLBACK StopForm::procedure(HWND h, UINT message, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<StopForm*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(h, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams));
      break;
    case WM_COMMAND:
      if (LOWORD(w) == kCmdStop && self && self->onStop_) self->onStop_();
      return 0;
    case WM_CLOSE:
      // Closing asks the run to stop; the form goes when the run is over.
      if (self && self->onStop_) self->onStop_();
      return 0;
    case WM_SIZE:
      if (self && self->button_) MoveWindow(self->button_, 4, 4, LOWORD(l) - 8, HIWORD(l) - 8, TRUE);
      if (w == SIZE_MINIMIZED) enableMinimizeEntry(h, false);
      else if (w == SIZE_RESTORED) enableMinimizeEntry(h, true);
      break;
    case WM_SYSCOMMAND:
      if (LOWORD(w) == kCmdMinimize) {
        ShowWindow(h, SW_MINIMIZE);
        return 0;
      }
      break;
    default: break;
  }
  return DefWindowProcW(h, message, w, l);
}

void StopForm::create() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, kStopFormClass, &wc)) {
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = LoadIconW(instance, L"MAINICON");
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kStopFormClass;
    RegisterClassExW(&wc);
  }
  window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_APPWINDOW | WS_EX_DLGMODALFRAME, kStopFormClass, L"KOVA",
                            WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, kWidth, kHeight, nullptr,
                            nullptr, instance, this);
  if (!window_) return;
  RECT client{};
  GetClientRect(window_, &client);
  button_ = CreateWindowExW(0, L"BUTTON", wide(text(shell::kStopButton)),
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 4, 4, client.right - 8,
                            client.bottom - 8, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCmdStop)),
                            instance, nullptr);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  metrics.lfMessageFont.lfHeight = -16;
  metrics.lfMessageFont.lfWeight = FW_BOLD;
  if (!japanese()) lstrcpyW(metrics.lfMessageFont.lfFaceName, L"Times New Roman");
  font_ = CreateFontIndirectW(&metrics.lfMessageFont);
  if (button_ && font_) SendMessageW(button_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  replaceMinimizeEntry(window_);
  automation::setOwnForm(automation::OwnForm::kStopForm, reinterpret_cast<uintptr_t>(window_));
}

void StopForm::placeAt(int32_t left, int32_t top) {
  if (!window_) create();
  if (!window_) return;
  SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  placed_ = true;
}

void StopForm::enter(RunState state, const u16& mainCaption, bool show) {
  state_ = state;
  if (!window_) create();
  if (!window_) return;
  switch (state) {
    case RunState::kIdle: ShowWindow(window_, SW_HIDE); return;
    case RunState::kRecording: SetWindowTextW(window_, wide(text(shell::kRecordingCaption))); break;
    case RunState::kPlaying: SetWindowTextW(window_, wide(mainCaption)); break;
    case RunState::kPaused: SetWindowTextW(window_, wide(text(shell::kPausedCaptionPrefix) + mainCaption)); break;
  }
  if (show && !IsWindowVisible(window_)) {
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void StopForm::setVisible(bool visible) {
  if (!window_) create();
  if (!window_) return;
  ShowWindow(window_, visible ? SW_SHOWNOACTIVATE : SW_HIDE);
}

}  // namespace kova::win
