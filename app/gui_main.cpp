// kova.exe, the Windows GUI program. Started with a script path it runs the
// script hidden and exits with the script's exit code; PRINT lines appear
// in the log window, errors in the error dialog. The main window, tray and hotkeys of an interactive start
// build on this entry point.

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include <memory>

#include "app/play.h"
#include "app/program_host.h"
#include "app/shell/log_lines.h"
#include "app/win/log_window.h"
#include "engine/messages.h"
#include "platform/platform.h"
#include "platform/win/handles.h"

namespace kova {
namespace {

const wchar_t* wide(const u16& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

class GuiHost final : public ProgramHost {
 public:
  using ProgramHost::ProgramHost;
  void showError(const u16& text) override { box(text, MB_ICONERROR); }
  void showMessage(const u16& text) override { box(text, MB_ICONINFORMATION); }
  // PRINT lines go to the log window, which appears with the first one.
  void printLine(const u16& line) override {
    if (!log_) log_ = std::make_unique<win::LogWindow>(shell::logLineLimit(readSetting(u"SET", u"LogLines")));
    log_->print(line);
  }

 private:
  static void box(const u16& text, UINT icon) {
    // Centred on the screen (no owner), on top so that a hidden run's
    // message is seen.
    MessageBoxW(nullptr, wide(text), L"KOVA", MB_OK | icon | MB_TOPMOST | MB_SETFOREGROUND);
  }

  std::unique_ptr<win::LogWindow> log_;
};

}  // namespace
}  // namespace kova

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace kova;
  Platform& platform = hostPlatform();
  setLanguage(platform.systemLanguageIsJapanese() ? Language::Japanese : Language::English);
  int argc = 0;
  const win::LocalMemory<wchar_t**> arguments(CommandLineToArgvW(GetCommandLineW(), &argc));
  wchar_t** argv = arguments.get();
  GuiHost host(platform);
  if (!argv || argc < 2) {
    host.showMessage(japanese() ? u"使い方: kova.exe スクリプト [引数...]" : u"Usage: kova.exe SCRIPT [ARGS...]");
    return 2;
  }
  // Arguments after the script are joined with carriage returns, the way a
  // command line hands them over; "-R<n>" among them sets the repeat count.
  const u16 path(reinterpret_cast<const char16_t*>(argv[1]));
  u16 rest;
  for (int i = 2; i < argc; ++i) {
    if (!rest.empty()) rest += u'\r';
    rest += reinterpret_cast<const char16_t*>(argv[i]);
  }
  Player player(platform, host);
  ScriptLaunch launch;
  if (!player.load(path, launch)) return 1;
  Player::splitArguments(rest, u'\r', launch);
  return player.play(launch);
}
