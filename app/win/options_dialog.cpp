// placeholder until merged
#include "app/win/options_dialog.h"
namespace kova::win {
bool runOptionsDialog(HWND, SettingsFile&, const std::function<void()>&) { return false; }
}
