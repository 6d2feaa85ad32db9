#pragma once
// The main window of kova.exe: a small always-on-top bar with Load, Save,
// Play, Rec and Tool. It owns the run of a script (the stop form, the stop
// hotkey, pause and resume), the global hotkeys, the tray, the command-line
// modes with the single-instance rule, the hand-overs between instances,
// dropped files, re-execution and Exit.

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "app/play.h"
#include "app/shell/hotkey_setting.h"
#include "app/shell/launch_text.h"
#include "app/shell/start_options.h"
#include "app/win/global_hotkeys.h"
#include "app/win/gui_host.h"
#include "app/win/instances.h"
#include "app/win/stop_form.h"
#include "app/win/tray_icon.h"

namespace kova::win {

class MainWindow final : public ShellOwner {
 public:
  MainWindow(Platform& platform, shell::StartOptions options);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creation, first show and the message loop; the process exit code.
  int run();

  // ShellOwner
  bool runPaused() override { return stopForm_.state() == RunState::kPaused; }
  void restartRequested(bool playAgain) override;
  void suspendHotkeysForKey(int32_t key) override;
  void resumeHotkeys() override;
  void stopFormVisible(bool visible) override;
  HWND messageOwner() override { return window_; }

 private:
  static LRESULT CALLBACK procedure(HWND h, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK buttonProcedure(HWND h, UINT message, WPARAM w, LPARAM l);
  LRESULT handle(UINT message, WPARAM w, LPARAM l);

  // Creation and first show.
  bool create();
  void createButtons();
  bool firstShow();  // false: the window is to close at once
  bool claimInstance();
  void placeFromSettings();
  void applyStoredOptions();
  void restoreAfterRestart();

  // Loading and playing.
  bool loadLaunchText(const u16& text, shell::PathMode mode, char16_t separator);
  void play();
  void playAfterStart();
  void enterRunState(RunState state);
  shell::HotkeySetting storedStopHotkey();
  void leaveRun();
  void waitHotkeyReleased(shell::HotkeySetting setting);

  // The buttons and the tool menu.
  void command(UINT id);
  void loadByDialog();
  void saveRecording();
  void popUpToolMenu(POINT at);
  void startToolProgram(int which);
  void openHelp();
  void showOptions();
  void showLaunchMenu(POINT at);

  // Hotkeys, tray, drop, hand-overs.
  void hotkey(int id);
  void intoTray();
  void outOfTray();
  void trayCallback(LPARAM mouseMessage);
  void dropped(HDROP drop);
  void handOver(WPARAM mode);
  void stopHotkeyFree(WPARAM modifier, LPARAM key);
  void reExecute(bool playAgain);

  // Exit: the closing steps; true once they ran.
  void closingSteps();
  void reportError(const u16& text);
  void setCaption(const u16& caption);
  bool packaged() const { return false; }
  shell::StartMode mode() const { return options_.mode; }
  u16 setting(const char16_t* key) { return host_.settings().read(u"SET", key); }

  Platform& platform_;
  shell::StartOptions options_;
  GuiHost host_;
  Player player_;
  StopForm stopForm_;
  std::unique_ptr<GlobalHotkeys> hotkeys_;
  std::unique_ptr<TrayIcon> tray_;
  InstanceMutex mutex_;

  HWND window_ = nullptr;
  HWND buttons_[5] = {};
  HWND tooltip_ = nullptr;
  HFONT font_ = nullptr;
  int designedWidth_ = 0, designedHeight_ = 0;
  HWND startForeground_ = nullptr;
  UINT taskbarCreated_ = 0;

  u16 exeFolder_;          // with the final separator
  u16 launchText_;         // what the command line asked to run
  u16 rawLaunchText_;      // the launch text last loaded
  ScriptLaunch launch_;    // the current script and its arguments
  u16 recording_;          // the recorded script Save writes
  shell::HotkeySetting stopHotkey_{2, 2};
  bool inTray_ = false;
  bool shown_ = false;  // the window reached the screen (its place is worth keeping)
  bool closing_ = false;
  bool closed_ = false;       // the closing steps ran
  bool closeAfterRun_ = false;
  bool menuOpen_ = false;
  bool optionsOpen_ = false;
  bool pendingPlay_ = false;
  bool restartPlay_ = false;  // a re-execution asked to play at start
  bool restarting_ = false;
  bool restartPending_ = false;
  bool restartPlayAgain_ = false;
  int exitCode_ = 0;
};

}  // namespace kova::win
