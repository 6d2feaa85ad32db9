// placeholder until merged
#include "app/win/shell_dialogs.h"
namespace kova::win {
std::optional<u16> askScriptToLoad(HWND, const u16&) { return std::nullopt; }
std::optional<u16> askScriptToSave(HWND, const u16&) { return std::nullopt; }
u16 resolveShortcut(const u16& path) { return path; }
void showAboutBox(HWND owner, const u16& version) { MessageBoxW(owner, reinterpret_cast<const wchar_t*>(version.c_str()), L"KOVA", MB_OK); }
}
