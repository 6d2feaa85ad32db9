#pragma once
// The stop form: a stay-on-top window with one button, STOP, shown while
// a script runs or a recording is made. Its state is the run state of the
// program: idle, recording, playing, paused.

#include <windows.h>

#include <functional>

#include "util/u16.h"

namespace kova::win {

enum class RunState : int { kIdle = 0, kRecording = 1, kPlaying = 2, kPaused = 3 };

class StopForm {
 public:
  // `onStop` runs when STOP is pressed or the form is closed.
  explicit StopForm(std::function<void()> onStop);
  ~StopForm();
  StopForm(const StopForm&) = delete;
  StopForm& operator=(const StopForm&) = delete;

  RunState state() const { return state_; }
  // Enters a state. Playing and paused captions name the script
  // (`mainCaption`); recording shows "記録中..." / "Recding...". `show`
  // false keeps the form hidden (setting StopForm "1"); idle hides it.
  void enter(RunState state, const u16& mainCaption, bool show);
  // Only the state, nothing shown (a run started with a script argument).
  void setStateOnly(RunState state) { state_ = state; }
  // STOPFORM(flag) of a script.
  void setVisible(bool visible);
  // Stands at the main window's place.
  void placeAt(int32_t left, int32_t top);
  HWND handle() const { return window_; }
  // Whether a run-state change has placed the form yet.
  bool placed() const { return placed_; }

 private:
  static LRESULT CALLBACK procedure(HWND h, UINT message, WPARAM w, LPARAM l);
  void create();

  std::function<void()> onStop_;
  RunState state_ = RunState::kIdle;
  HWND window_ = nullptr;
  HWND button_ = nullptr;
  HFONT font_ = nullptr;
  bool placed_ = false;
};

}  // namespace kova::win
