#include "app/win/gui_host.h"

#include "app/shell/log_lines.h"
#include "app/win/bring_to_front.h"

namespace kova::win {

LogWindow& GuiHost::logWindow() {
  if (!log_) log_ = std::make_unique<LogWindow>(shell::logLineLimit(readSetting(u"SET", u"LogLines")));
  return *log_;
}

void GuiHost::setLogVisible(bool show) {
  logOn_ = show;
  if (show) logWindow().show();
  else if (log_) log_->hide();
}

void GuiHost::box(const u16& text, UINT icon) {
  // In front of the user, so that a hidden run's message is seen; owned by
  // the main window when it is shown, else centred on the screen.
  HWND owner = owner_.messageOwner();
  if (owner) bringToFront(owner, false, owner);
  if (owner && !IsWindowVisible(owner)) owner = nullptr;
  MessageBeep(icon);
  MessageBoxW(owner, reinterpret_cast<const wchar_t*>(text.c_str()), L"KOVA",
              MB_OK | icon | MB_TOPMOST | MB_SETFOREGROUND);
}

}  // namespace kova::win
