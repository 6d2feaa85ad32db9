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
};

}  // namespace kova
