#pragma once
// What the engine asks of the program that hosts it (the GUI shell or the
// console runner). Handlers only show things or report state; they never
// run script statements.

#include <cstdint>

#include "util/u16.h"

namespace kova {

class SettingsFile;

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
  // A Play begins (Player::play, before its script is assembled): what
  // lasts for one run starts afresh (LOGPRINT's switch is on again).
  virtual void runStarting() {}
  // LOGPRINT: true switches the log on and shows the log window, made
  // when there is none yet (also without lines); false switches the log
  // off and hides the window. While the log is off, PRINT lines still go
  // into the window's text but do not make it appear. The switch lasts
  // until the run ends. Hosts without a log window ignore it or say so.
  virtual void setLogVisible(bool show) { (void)show; }
  // STOPFORM: shows or hides the stop form. Hosts without one ignore it or
  // say so.
  virtual void setStopFormVisible(bool show) { (void)show; }
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
  // The settings routines (READINI and its kin): the program's own settings
  // file and the INI files scripts name. Null for hosts without one (the
  // built-ins then use a settings object for the running program).
  virtual SettingsFile* settingsFile() { return nullptr; }
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
  // POFF(P_KOVA_REEXEC): the run has ended so that the shell starts the
  // program again (the shell's re-execution; `playAgain` asks it to play the
  // script again after the restart). Hosts without that (the console
  // runner) ignore it: the run just ends.
  virtual void requestRestart(bool playAgain) { (void)playAgain; }
  // Lifts a hardware input lock so that the user can answer a dialog.
  virtual void liftInputLock() {}
  // Around a simulated key press: the program's own global hotkeys whose
  // key is `key`, or whose modifiers include the modifier `key` stands for,
  // are unregistered (they would swallow the key) and registered again
  // afterwards. Hosts without hotkeys do nothing.
  virtual void unregisterHotkeysForKey(int32_t key) { (void)key; }
  virtual void reregisterHotkeys() {}
  // GET_KOVA_NAME: the main window's caption, with ".exe" appended in the
  // packaged mode whose caption is the program's name. Hosts without a main
  // window answer with the caption a main window has at start.
  virtual u16 mainWindowCaption() { return u"KOVA Pro"; }
  // A script file was loaded for playing (its full path): the main window's
  // caption becomes the file's name.
  virtual void scriptLoaded(const u16& path) { (void)path; }
  // The INI file READINI and its kin use when the script names none: the
  // main window's caption with its extension changed to ".INI", in the
  // loaded script's folder. Empty means the program's own settings file
  // (hosts that loaded no script).
  virtual u16 defaultIniFile() { return {}; }
  // The program's version text; GET_KOVA_VER reads it as a number (a
  // trailing letter a-i counts as the digit 1-9: "0.1c" is 0.13).
  virtual u16 versionText() { return u"0.1"; }
};

}  // namespace kova
