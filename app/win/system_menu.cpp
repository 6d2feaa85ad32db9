#include "app/win/system_menu.h"

#include "app/shell/shell_texts.h"
#include "app/win/shell_messages.h"

namespace kova::win {

void replaceMinimizeEntry(HWND window) {
  HMENU menu = GetSystemMenu(window, FALSE);
  if (!menu) return;
  DeleteMenu(menu, SC_MINIMIZE, MF_BYCOMMAND);
  const u16 caption = text(shell::kMenuMinimize);
  InsertMenuW(menu, 3, MF_BYPOSITION | MF_STRING, kCmdMinimize, reinterpret_cast<const wchar_t*>(caption.c_str()));
}

void enableMinimizeEntry(HWND window, bool enable) {
  if (HMENU menu = GetSystemMenu(window, FALSE))
    EnableMenuItem(menu, kCmdMinimize, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

}  // namespace kova::win
