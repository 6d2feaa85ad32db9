// kova.exe, the Windows GUI program: the main window with its buttons,
// tray and hotkeys, or a script run hidden when one is named on the
// command line (see app/shell/start_options.h for the whole table).

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "app/shell/start_options.h"
#include "app/win/main_window.h"
#include "engine/messages.h"
#include "platform/platform.h"
#include "platform/win/handles.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace kova;
  Platform& platform = hostPlatform();
  setLanguage(platform.systemLanguageIsJapanese() ? Language::Japanese : Language::English);
  int argc = 0;
  const win::LocalMemory<wchar_t**> arguments(CommandLineToArgvW(GetCommandLineW(), &argc));
  std::vector<u16> args;
  if (wchar_t** argv = arguments.get()) {
    for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  }
  win::MainWindow window(platform, shell::parseCommandLine(args));
  return window.run();
}
