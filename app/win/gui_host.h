#pragma once
// The engine's host inside kova.exe: PRINT lines go to the log window,
// errors and messages to message boxes in front of the user, and the run
// state (pause, stop form, hotkeys, re-execution) is the main window's.

#include <windows.h>

#include <memory>

#include "app/program_host.h"
#include "app/win/log_window.h"

namespace kova::win {

// What the host asks of the main window.
class ShellOwner {
 public:
  virtual ~ShellOwner() = default;
  virtual bool runPaused() = 0;
  virtual void restartRequested(bool playAgain) = 0;
  virtual void suspendHotkeysForKey(int32_t key) = 0;
  virtual void resumeHotkeys() = 0;
  virtual void stopFormVisible(bool visible) = 0;
  // The window message boxes stand over (brought to the front first).
  virtual HWND messageOwner() = 0;
};

class GuiHost final : public ProgramHost {
 public:
  GuiHost(Platform& platform, ShellOwner& owner) : ProgramHost(platform), owner_(owner) {}

  void showError(const u16& text) override { box(text, MB_ICONERROR); }
  void showMessage(const u16& text) override { box(text, MB_ICONINFORMATION); }
  // PRINT lines go to the log window, which appears with the first one
  // while the log is on; while it is off they are only kept in its text.
  void printLine(const u16& line) override { logWindow().print(line, logOn_); }
  void runStarting() override { logOn_ = true; }
  void setLogVisible(bool show) override;
  void setStopFormVisible(bool show) override { owner_.stopFormVisible(show); }
  bool paused() override { return owner_.runPaused(); }
  void requestRestart(bool playAgain) override { owner_.restartRequested(playAgain); }
  void unregisterHotkeysForKey(int32_t key) override { owner_.suspendHotkeysForKey(key); }
  void reregisterHotkeys() override { owner_.resumeHotkeys(); }
  u16 versionText() override { return u"0.1"; }

  // The log window, made with the first use (its line limit is LogLines).
  LogWindow& logWindow();
  bool hasLogWindow() const { return log_ != nullptr; }
  // The main window's caption, for GET_KOVA_NAME and the stop form.
  void setCaption(const u16& caption) { caption_ = caption; }
  const u16& caption() const { return caption_; }

 private:
  void box(const u16& text, UINT icon);

  ShellOwner& owner_;
  std::unique_ptr<LogWindow> log_;
  bool logOn_ = true;  // LOGPRINT's switch, on at the start of every run
};

}  // namespace kova::win
