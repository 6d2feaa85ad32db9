#pragma once
// What the engine asks of the program that hosts it (the GUI shell or the
// console runner). Handlers only show things or report state; they never
// run script statements.

#include "util/u16.h"

namespace kova {

class EngineHost {
 public:
  virtual ~EngineHost() = default;
  // The error dialog of a run: text is the message, a CR (U+000D), and the
  // location. The console runner writes it to stderr instead.
  virtual void showError(const u16& text) = 0;
  // A plain message box owned by the main window (loading failures, notices).
  virtual void showMessage(const u16& text) = 0;
  // One PRINT line for the log window (stdout in the console runner).
  virtual void printLine(const u16& text) = 0;
  // True while the stop form is in its paused state.
  virtual bool paused() { return false; }
  // Releases one key or mouse button the script pressed and never released:
  // "LEFTDOWN,<n>", "RIGHTDOWN,<n>", "MIDDLEDOWN,<n>", or a key entry whose
  // virtual-key code is the number from its fourth character on.
  virtual void releaseHeldInput(const u16& entry) { (void)entry; }

  // The program's settings (section SET etc. of its INI file); empty when
  // missing.
  virtual u16 readSetting(const u16& section, const u16& key) {
    (void)section;
    (void)key;
    return {};
  }
  // Full path of the program file; the log file is named after it. Empty
  // for hosts without one (no log file is written then).
  virtual u16 programFilePath() { return {}; }
  // Folder for per-user data (the log goes there when logInAppDataFolder).
  virtual u16 appDataFolder() { return {}; }
  virtual bool logInAppDataFolder() { return false; }
  virtual bool logWritingDisabled() { return false; }
  // Locations of included files show the bare file name instead of the path.
  virtual bool bareFileNamesInLocations() { return false; }
  // Plays a sound named by the ERRORSOUND setting.
  virtual void playSound(const u16& sound) { (void)sound; }
  // Lifts a hardware input lock so that the user can answer a dialog.
  virtual void liftInputLock() {}
};

}  // namespace kova
