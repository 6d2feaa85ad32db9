#include "automation/input.h"

#include <algorithm>
#include <string>

#include "automation/window_ids.h"
#include "engine/run_context.h"
#include "platform/platform.h"

namespace kova::automation {

namespace {

constexpr uint32_t kShift = 16, kCtrl = 17, kAlt = 18, kNumLock = 144;
constexpr uint32_t kWmMouseMove = 0x0200, kWmKeyDown = 0x0100, kWmKeyUp = 0x0101, kWmMouseWheel = 0x020A;
// Families of the control collector: every control.
constexpr uint32_t kAllControls = 0x200000;

InputState& inputState(RunContext& run) { return automationState(run).input; }

void setWindowChanged(RunContext& run, bool on) {
  AutomationState& state = automationState(run);
  std::lock_guard<std::mutex> guard(state.lock);
  state.windowChanged = on;
}

void addHeld(RunContext& run, const u16& entry) {
  auto& list = run.heldInputs();
  if (std::find(list.begin(), list.end(), entry) == list.end()) list.push_back(entry);
}

void removeHeld(RunContext& run, const u16& entry) {
  auto& list = run.heldInputs();
  list.erase(std::remove(list.begin(), list.end(), entry), list.end());
}

u16 decimal(uint64_t n) {
  const std::string s = std::to_string(n);
  return u16(s.begin(), s.end());
}

// The window that receives posted messages, or 0 in normal mode. `gone` is
// set when window-message mode is on but its window no longer exists.
WindowHandle messageTarget(RunContext& run, WindowSystem& ws, bool& gone) {
  const InputState& s = inputState(run);
  gone = false;
  if (s.originMode != 2 || s.messageWindow == 0) return 0;
  if (!ws.isWindow(s.messageWindow)) {
    gone = true;
    return 0;
  }
  return s.messageWindow;
}

// Normal mode: the origin's screen position is added to (x, y). A missing
// or minimised origin window keeps the previous offset.
void originTransform(RunContext& run, WindowSystem& ws, int64_t& x, int64_t& y) {
  InputState& s = inputState(run);
  if (s.originId == 0) {
    s.offsetX = s.offsetY = 0;
    return;
  }
  const WindowHandle h = handleFromId(run, ws, s.originId);
  if (h != 0 && !ws.isMinimised(h)) {
    WindowRect r;
    const bool ok = s.originMode == 1 ? ws.clientRect(h, r) : ws.windowRect(h, r);
    if (ok) {
      s.offsetX = r.left;
      s.offsetY = r.top;
    }
  }
  x += s.offsetX;
  y += s.offsetY;
}

bool physicallyDown(InputSystem& in, uint32_t generic, uint32_t left, uint32_t right) {
  return ((in.asyncKeyState(generic) | in.asyncKeyState(left) | in.asyncKeyState(right)) & 0x8000) != 0;
}

// Brings Shift, Ctrl (and Alt) physically into the state the script
// expects in window-message mode for the length of one posted message,
// because the target reads them with GetKeyState. The destructor puts
// them back.
class ModifierAlignment {
 public:
  ModifierAlignment(InputSystem& in, const InputState& s, bool withAlt, bool releaseUnheld) : in_(in) {
    align(kShift, 160, 161, s.heldShift != 0, releaseUnheld);
    align(kCtrl, 162, 163, s.heldCtrl != 0, releaseUnheld);
    if (withAlt) align(kAlt, 164, 165, s.heldAlt != 0, releaseUnheld);
  }
  ~ModifierAlignment() {
    for (auto it = changed_.rbegin(); it != changed_.rend(); ++it) {
      in_.keyEvent(it->vk, in_.scanCode(it->vk), false, !it->pressedNow);
    }
  }
  ModifierAlignment(const ModifierAlignment&) = delete;
  ModifierAlignment& operator=(const ModifierAlignment&) = delete;

 private:
  struct Change {
    uint32_t vk;
    bool pressedNow;  // pressed for the message, so released afterwards
  };
  void align(uint32_t vk, uint32_t left, uint32_t right, bool held, bool releaseUnheld) {
    const bool down = physicallyDown(in_, vk, left, right);
    if (held && !down) {
      in_.keyEvent(vk, in_.scanCode(vk), false, false);
      changed_.push_back({vk, true});
    } else if (!held && down && releaseUnheld) {
      in_.keyEvent(vk, in_.scanCode(vk), false, true);
      changed_.push_back({vk, false});
    }
  }
  InputSystem& in_;
  std::vector<Change> changed_;
};

bool numLockWorkaround(RunContext& run) {
  const u16 v = upperFull(trimCtl(run.readSetting(u"SET", u"KbdNumLock")));
  return v == u"1" || v == u"ON" || v == u"TRUE";
}

// The NumLock workaround: with NumLock on, the cursor keys 33..40 would
// reach programs as keypad digits, so NumLock is switched off around them.
class NumLockGuard {
 public:
  NumLockGuard(RunContext& run, InputSystem& in, int64_t code) : in_(in) {
    if (code >= 33 && code <= 40 && numLockWorkaround(run) && in.toggled(kNumLock)) {
      click();
      active_ = true;
    }
  }
  ~NumLockGuard() {
    if (active_) click();
  }
  NumLockGuard(const NumLockGuard&) = delete;
  NumLockGuard& operator=(const NumLockGuard&) = delete;

 private:
  void click() {
    const uint32_t scan = in_.scanCode(kNumLock);
    in_.keyEvent(kNumLock, scan, false, false);
    in_.keyEvent(kNumLock, scan, false, true);
  }
  InputSystem& in_;
  bool active_ = false;
};

// The key injector: one press and/or release of `code` in the mode given.
void injectKey(RunContext& run, InputSystem& in, int64_t code, KeyAction action, WindowHandle target) {
  const KeyStroke k = keyStroke(code);
  const uint32_t scan = in.scanCode(k.vk);
  const bool press = action != KeyAction::Up;
  const bool release = action != KeyAction::Down;
  if (target != 0) {
    InputState& s = inputState(run);
    if (press) {
      if (k.vk == kShift) s.heldShift = code;
      if (k.vk == kCtrl) s.heldCtrl = code;
      if (k.vk == kAlt) s.heldAlt = code;
      {
        ModifierAlignment align(in, s, true, true);
        in.post(target, kWmKeyDown, k.vk, keyMessageParam(scan, k.extended, false));
      }
      run.pumpMessages(40);
    }
    if (release) {
      if (k.vk == kShift) s.heldShift = 0;
      if (k.vk == kCtrl) s.heldCtrl = 0;
      if (k.vk == kAlt) s.heldAlt = 0;
      {
        ModifierAlignment align(in, s, true, true);
        in.post(target, kWmKeyUp, k.vk, keyMessageParam(scan, k.extended, true));
      }
      run.pumpMessages(40);
    }
    return;
  }
  if (press) {
    // The program's own hotkeys on this key would swallow it.
    run.unregisterHotkeysForKey(static_cast<int32_t>(k.vk));
    const bool wasDown = (in.asyncKeyState(k.vk) & 0x8000) != 0;
    in.keyEvent(k.vk, scan, k.extended, false);
    // Clears the pressed-since-last-query bit the injection left.
    if (!wasDown) in.asyncKeyState(k.vk);
    run.reregisterHotkeys();
  }
  if (release) in.keyEvent(k.vk, scan, k.extended, true);
}

struct ButtonEvents {
  uint32_t down, up;          // injection flags
  uint32_t messageDown, messageUp;  // posted messages
};

ButtonEvents buttonEvents(int button) {
  switch (button) {
    case kRight: return {kRightDown, kRightUp, 0x0204, 0x0205};
    case kMiddle: return {kMiddleDown, kMiddleUp, 0x0207, 0x0208};
    default: return {kLeftDown, kLeftUp, 0x0201, 0x0202};
  }
}

int64_t pointParam(int64_t x, int64_t y) { return (y << 16) | (x & 0xFFFF); }
bool fitsMessage(int64_t x, int64_t y) { return x >= 0 && x <= 65535 && y >= 0 && y <= 65535; }

// Window-message mode: the origin window or the last of its controls whose
// rectangle holds the point; a control hit gets the point (1, 1).
WindowHandle pointTarget(WindowSystem& ws, WindowHandle window, int64_t& x, int64_t& y) {
  WindowRect client;
  if (!ws.clientRect(window, client)) return window;
  WindowHandle hit = 0;
  for (const CollectedControl& c : ws.collectControls(window, kAllControls, true)) {
    WindowRect r;
    if (!ws.windowRect(c.handle, r)) continue;
    const int64_t left = r.left - client.left, top = r.top - client.top;
    if (x >= left && x < left + r.width() && y >= top && y < top + r.height()) hit = c.handle;
  }
  if (hit == 0) return window;
  x = 1;
  y = 1;
  return hit;
}

void postButton(RunContext& run, InputSystem& in, WindowSystem& ws, WindowHandle window, int button,
                KeyAction action, int64_t wheelDelta, int64_t x, int64_t y) {
  InputState& s = inputState(run);
  s.lastX = static_cast<int32_t>(x);
  s.lastY = static_cast<int32_t>(y);
  const WindowHandle target = pointTarget(ws, window, x, y);
  const uint32_t flags = mouseKeyFlags(s);
  in.post(target, kWmMouseMove, flags, pointParam(x + 1, y + 1));
  in.post(target, kWmMouseMove, flags, pointParam(std::max<int64_t>(x - 1, 0), std::max<int64_t>(y - 1, 0)));
  in.post(target, kWmMouseMove, flags, pointParam(x, y));
  auto send = [&](uint32_t message, uint64_t wparam) {
    ModifierAlignment align(in, s, false, false);
    in.post(target, message, wparam, pointParam(x, y));
  };
  if (button == kWheelButton) {
    const auto wheel = static_cast<uint16_t>(static_cast<int16_t>(std::clamp<int64_t>(wheelDelta, INT16_MIN, INT16_MAX)));
    send(kWmMouseWheel, (static_cast<uint64_t>(wheel) << 16) | flags);
    run.pumpMessages(40);
    return;
  }
  const ButtonEvents e = buttonEvents(button);
  bool& held = button == kRight ? s.heldRight : button == kMiddle ? s.heldMiddle : s.heldLeft;
  const WindowHandle entryWindow = window;
  if (action != KeyAction::Up) {
    held = true;
    send(e.messageDown, mouseKeyFlags(s));
    addHeld(run, heldButtonEntry(button, entryWindow));
    if (action == KeyAction::Click) run.platform().sleepMs(20);
  }
  if (action != KeyAction::Down) {
    held = false;
    send(e.messageUp, mouseKeyFlags(s));
    removeHeld(run, heldButtonEntry(button, entryWindow));
  }
  run.pumpMessages(40);
}

}  // namespace

InputState::~InputState() {
  if (!inputLocked) return;
  if (InputSystem* in = hostInputSystem()) in->blockInput(false);
}

KeyStroke keyStroke(int64_t code) {
  switch (code) {
    case 161: return {kShift, true};
    case 163: return {kCtrl, true};
    case 165: return {kAlt, true};
    case kPadEnter: return {13, true};
    default: break;
  }
  const auto vk = static_cast<uint32_t>(code);
  const bool extended = (vk >= 33 && vk <= 40) || vk == 45 || vk == 46 || vk == 111;
  return {vk, extended};
}

bool validKeyCode(int64_t code) { return (code >= 0 && code <= 255) || code == kPadEnter; }

bool isModifierKey(int64_t code) {
  return code == 16 || code == 17 || code == 18 || code == 91 || code == 92 || (code >= 160 && code <= 165);
}

u16 heldButtonEntry(int button, WindowHandle messageWindow) {
  u16 e = button == kRight ? u"RIGHTDOWN" : button == kMiddle ? u"MIDDLEDOWN" : u"LEFTDOWN";
  if (messageWindow != 0) e += u"," + decimal(messageWindow);
  return e;
}

u16 heldKeyEntry(int64_t code, WindowHandle messageWindow) {
  u16 e = u"KBD" + decimal(static_cast<uint64_t>(code));
  if (messageWindow != 0) e += u"," + decimal(messageWindow);
  return e;
}

int64_t keyMessageParam(uint32_t scan, bool extended, bool up) {
  int64_t lp = 1 + (static_cast<int64_t>(scan & 0xFF) << 16);
  if (extended) lp += 0x01000000;
  if (up) lp += 0xC0000000LL;
  return lp;
}

uint32_t mouseKeyFlags(const InputState& s) {
  uint32_t f = 0;
  if (s.heldShift) f |= 0x04;
  if (s.heldCtrl) f |= 0x08;
  if (s.heldLeft) f |= 0x01;
  if (s.heldRight) f |= 0x02;
  if (s.heldMiddle) f |= 0x10;
  return f;
}

void statementDelay(RunContext& run, int64_t delayMs) {
  const int64_t rest = delayMs - run.statementElapsedMs();
  if (rest > 0) {
    run.platform().sleepMs(static_cast<uint32_t>(std::min<int64_t>(rest, UINT32_MAX)));
  } else if (rest > -10) {
    run.platform().sleepMs(1);
  }
}

InputResult moveMouse(RunContext& run, InputSystem& in, WindowSystem& ws, int64_t x, int64_t y) {
  bool gone = false;
  const WindowHandle target = messageTarget(run, ws, gone);
  if (gone) return InputResult::Done;
  if (target != 0) {
    if (!fitsMessage(x, y)) return InputResult::CoordinateOutOfRange;
    InputState& s = inputState(run);
    s.lastX = static_cast<int32_t>(x);
    s.lastY = static_cast<int32_t>(y);
    in.post(target, kWmMouseMove, mouseKeyFlags(s), pointParam(x, y));
    return InputResult::Done;
  }
  originTransform(run, ws, x, y);
  const DesktopArea d = in.desktop();
  x = std::clamp<int64_t>(x, d.left, d.left + std::max(d.width, 1) - 1);
  y = std::clamp<int64_t>(y, d.top, d.top + std::max(d.height, 1) - 1);
  in.setCursor(static_cast<int32_t>(x), static_cast<int32_t>(y));
  return InputResult::Done;
}

InputResult pressButton(RunContext& run, InputSystem& in, WindowSystem& ws, int button, KeyAction action,
                        int64_t wheelDelta, bool haveXY, int64_t x, int64_t y) {
  bool gone = false;
  const WindowHandle target = messageTarget(run, ws, gone);
  if (gone) return InputResult::Done;
  if (target != 0) {
    if (!haveXY) {
      x = inputState(run).lastX;
      y = inputState(run).lastY;
    }
    if (!fitsMessage(x, y)) return InputResult::CoordinateOutOfRange;
    postButton(run, in, ws, target, button, action, wheelDelta, x, y);
    if (button == kLeft && action != KeyAction::Down) setWindowChanged(run, true);
    if (button == kRight && action != KeyAction::Down) setWindowChanged(run, false);
    return InputResult::Done;
  }
  if (haveXY) {
    originTransform(run, ws, x, y);
    const DesktopArea d = in.desktop();
    if (x == d.left + d.width) --x;
    if (y == d.top + d.height) --y;
    // A point off the desktop does nothing at all: a click there would land
    // wherever the cursor happens to be.
    if (x < d.left || x >= d.left + d.width || y < d.top || y >= d.top + d.height) return InputResult::Done;
    in.setCursor(static_cast<int32_t>(x), static_cast<int32_t>(y));
  }
  InputState& s = inputState(run);
  if (s.swapped < 0) s.swapped = in.buttonsSwapped() ? 1 : 0;
  // The held entry names the event actually sent, so that its release at
  // the end of the run sends the matching up event; the window-change flag
  // follows the button the script named.
  const int scriptButton = button;
  if (s.swapped == 1 && (button == kLeft || button == kRight)) button = button == kLeft ? kRight : kLeft;
  if (button == kWheelButton) {
    in.mouseEvent(kWheel, static_cast<int32_t>(std::clamp<int64_t>(wheelDelta, INT32_MIN, INT32_MAX)));
    return InputResult::Done;
  }
  const ButtonEvents e = buttonEvents(button);
  const uint32_t vk = button == kRight ? 2 : button == kMiddle ? 4 : 1;
  if (action != KeyAction::Up) {
    const bool wasDown = (in.asyncKeyState(vk) & 0x8000) != 0;
    in.mouseEvent(e.down, 0);
    if (!wasDown) in.asyncKeyState(vk);
    addHeld(run, heldButtonEntry(button, 0));
    if (action == KeyAction::Click) run.platform().sleepMs(20);
  }
  if (action != KeyAction::Down) {
    in.mouseEvent(e.up, 0);
    removeHeld(run, heldButtonEntry(button, 0));
    if (scriptButton == kLeft) setWindowChanged(run, true);
    if (scriptButton == kRight) setWindowChanged(run, false);
  }
  return InputResult::Done;
}

void pressKey(RunContext& run, InputSystem& in, WindowSystem& ws, int64_t code, KeyAction action) {
  bool gone = false;
  const WindowHandle target = messageTarget(run, ws, gone);
  if (gone) return;
  if (action != KeyAction::Up) {
    NumLockGuard numLock(run, in, code);
    injectKey(run, in, code, KeyAction::Down, target);
    addHeld(run, heldKeyEntry(code, target));
  }
  if (action != KeyAction::Down) {
    injectKey(run, in, code, KeyAction::Up, target);
    removeHeld(run, heldKeyEntry(code, target));
    if (code == 13 || code == kPadEnter) setWindowChanged(run, true);
  }
}

void sendKeys(RunContext& run, InputSystem& in, WindowSystem& ws, int64_t id,
              const std::vector<int64_t>& codes) {
  if (codes.empty()) return;
  const WindowHandle h = handleFromId(run, ws, id);
  if (h == 0) return;
  InputState& s = inputState(run);
  // One SCKEY at a time per engine (a hotkey procedure may start another
  // inside the message pumping of this one).
  while (s.sckeyBusy) {
    run.pumpMessages(2);
    if (run.stopRequested()) return;
  }
  s.sckeyBusy = true;
  ws.waitUntilAnswering(h, run.oldBusyOption());
  const bool minimised = ws.isMinimised(h);
  const bool hidden = !ws.isVisible(h);
  const bool wasLocked = s.inputLocked;
  const bool anyAlt = std::any_of(codes.begin(), codes.end(), [](int64_t c) { return c == 18 || c == 164 || c == 165; });
  if (anyAlt) {
    if (wasLocked) in.blockInput(false);
  } else if ((minimised || hidden) && !wasLocked) {
    // The window is taken out of sight: the user must not type into it.
    in.blockInput(true);
    run.platform().sleepMs(180);
    run.pumpMessages(20);
  }
  WindowRect oldRect;
  WindowHandle previous = 0;
  if (minimised || hidden) {
    previous = ws.foreground();
    ws.command(h, minimised ? 8 : 5, 0, 0);
    ws.windowRect(h, oldRect);
    ws.place(h, true, 999999, 999999, false, 0, 0);
  }
  ws.activate(h, false);
  std::vector<int64_t> kept;
  for (int64_t code : codes) {
    ws.waitUntilAnswering(h, run.oldBusyOption());
    run.platform().sleepMs(4);
    run.pumpMessages(20);
    NumLockGuard numLock(run, in, code);
    if (isModifierKey(code)) {
      injectKey(run, in, code, KeyAction::Down, 0);
      kept.push_back(code);
    } else {
      injectKey(run, in, code, KeyAction::Click, 0);
    }
  }
  for (auto it = kept.rbegin(); it != kept.rend(); ++it) injectKey(run, in, *it, KeyAction::Up, 0);
  run.platform().sleepMs(4);
  run.pumpMessages(20);
  if (minimised || hidden) {
    ws.place(h, true, oldRect.left, oldRect.top, false, 0, 0);
    ws.command(h, minimised ? 6 : 4, 0, 0);
    if (previous != 0) ws.activate(previous, false);
  }
  if (anyAlt) {
    if (wasLocked) in.blockInput(true);
  } else if ((minimised || hidden) && !wasLocked) {
    in.blockInput(false);
  }
  setWindowChanged(run, true);
  s.sckeyBusy = false;
  run.platform().sleepMs(4);
  run.pumpMessages(20);
}

void setMouseOrigin(RunContext& run, WindowSystem& ws, int64_t id, int mode) {
  if (id == -1) return;
  InputState& s = inputState(run);
  s.originId = id;
  s.originMode = mode;
  s.messageWindow = 0;
  if (mode == 2) {
    s.heldShift = s.heldCtrl = s.heldAlt = 0;
    s.heldLeft = s.heldRight = s.heldMiddle = false;
    s.lastX = s.lastY = 0;
    if (id != 0) s.messageWindow = handleFromIdOrHandle(run, ws, id);
  }
}

bool keyState(RunContext& run, InputSystem& in, WindowSystem& ws, int64_t code) {
  switch (code) {
    case 10000: return in.toggled(kNumLock);
    case 10001: return in.toggled(20);
    case 10002: return in.toggled(145);
    case 10003: return in.toggled(21);
    case 10004: return in.imeOpen(ws.foreground());
    default: break;
  }
  if (code == kPadEnter) code = 13;
  if (code < 0 || code > 255) return false;
  if (code == 1 || code == 2) {
    InputState& s = inputState(run);
    if (s.swapped < 0) s.swapped = in.buttonsSwapped() ? 1 : 0;
    if (s.swapped == 1) code = code == 1 ? 2 : 1;
  }
  const auto vk = static_cast<uint32_t>(code);
  const uint16_t state = in.asyncKeyState(vk);
  bool down = state != 0;
  if (code > 7 && (state & 0x8000) && !in.threadKeyDown(vk)) in.clearThreadKey(vk);
  if (code == 1 || code == 2 || code == 4) {
    const uint32_t bit = code == 1 ? 1u : code == 2 ? 2u : 4u;
    if (run.takeStickyButton(bit)) down = true;
  }
  return down;
}

void lockInput(RunContext& run, InputSystem& in, bool lock) {
  InputState& s = inputState(run);
  if (!lock) {
    in.blockInput(false);
    s.inputLocked = false;
    return;
  }
  s.inputLocked = true;
  run.pumpMessages(4);
  in.blockInput(true);
  in.realTimePriority(true);
  for (uint32_t vk = 0; vk < 256; ++vk) in.asyncKeyState(vk);
  // Keys the user holds while the lock starts would stay down for the
  // system: each one is clicked once (input unblocked for the moment).
  for (int round = 0; round < 2; ++round) {
    for (uint32_t vk = 8; vk <= 145; ++vk) {
      if (!(in.asyncKeyState(vk) & 0x8000)) continue;
      in.blockInput(false);
      const uint32_t scan = in.scanCode(vk);
      in.keyEvent(vk, scan, false, false);
      in.keyEvent(vk, scan, false, true);
      in.blockInput(true);
      in.asyncKeyState(vk);
    }
  }
  in.realTimePriority(false);
}

void liftLockForWait(RunContext& run, InputSystem& in) {
  if (inputState(run).inputLocked) in.blockInput(false);
}

void restoreLockAfterWait(RunContext& run, InputSystem& in) {
  if (inputState(run).inputLocked) in.blockInput(true);
}

bool waitUntilAnsweringUnlocked(RunContext& run, WindowSystem& ws, WindowHandle h) {
  InputSystem* in = hostInputSystem();
  if (in) liftLockForWait(run, *in);
  const bool timedOut = ws.waitUntilAnswering(h, run.oldBusyOption());
  if (in) restoreLockAfterWait(run, *in);
  return timedOut;
}

void releaseHeldEntry(InputSystem& in, const u16& entry) {
  const size_t comma = entry.find(u',');
  const u16 what = entry.substr(0, comma);
  WindowHandle window = 0;
  if (comma != u16::npos) {
    for (char16_t ch : entry.substr(comma + 1)) {
      if (ch < u'0' || ch > u'9') break;
      window = window * 10 + static_cast<WindowHandle>(ch - u'0');
    }
  }
  int button = -1;
  if (what == u"LEFTDOWN") button = kLeft;
  if (what == u"RIGHTDOWN") button = kRight;
  if (what == u"MIDDLEDOWN") button = kMiddle;
  if (button >= 0) {
    const ButtonEvents e = buttonEvents(button);
    if (window != 0) in.post(window, e.messageUp, 0, 0);
    else in.mouseEvent(e.up, 0);
    return;
  }
  if (what.size() <= 3) return;
  int64_t code = 0;
  for (char16_t ch : what.substr(3)) {
    if (ch < u'0' || ch > u'9' || code > 100000) return;
    code = code * 10 + (ch - u'0');
  }
  if (!validKeyCode(code)) return;
  const KeyStroke k = keyStroke(code);
  const uint32_t scan = in.scanCode(k.vk);
  if (window != 0) in.post(window, kWmKeyUp, k.vk, keyMessageParam(scan, k.extended, true));
  else in.keyEvent(k.vk, scan, k.extended, true);
}

}  // namespace kova::automation
