// Input simulation built-ins: MMV, BTN, KBD, SCKEY, MOUSEORG, GETKEYSTATE,
// LOCKHARD and MUSCUR. The rules live in automation/input.h; here the
// arguments are read and checked. A missing window is never an error;
// codes and coordinates that do not fit are, and so is this family in the
// native build ("not available on this platform").

#include "automation/input.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "automation/window_ids.h"
#include "builtins/automation_messages.h"
#include "builtins/input_functions.h"
#include "engine/messages.h"

namespace kova {

namespace {

using automation::InputSystem;
using automation::KeyAction;
using automation::WindowSystem;


constexpr Msg kWrongKey{u"%s: キーコードが間違っています", u"%s: wrong key code"};
constexpr Msg kWrongButton{u"%s: ボタンの指定が間違っています", u"%s: wrong button"};
constexpr Msg kCoordinateOutOfRange{u"%s: 座標が範囲外です", u"%s: coordinate out of range"};

// Both system interfaces, or false after reporting that this build has none.
bool systems(BuiltinCall& c, InputSystem*& in, WindowSystem*& ws) {
  in = automation::hostInputSystem();
  ws = automation::hostWindowSystem();
  if (in && ws) return true;
  c.fail(kova::text(kNotOnThisPlatform, c.name()));
  return false;
}

// A coordinate: huge numbers are kept huge (not wrapped or zeroed), so
// that they stay off the desktop.
int64_t coordinate(BuiltinCall& c, int i) {
  const double d = c.num(i);
  if (!std::isfinite(d)) return 0;
  constexpr double kLimit = 1e12;
  return static_cast<int64_t>(std::fmax(-kLimit, std::fmin(kLimit, std::trunc(d))));
}

KeyAction action(long long n) { return n == 1 ? KeyAction::Down : n == 2 ? KeyAction::Up : KeyAction::Click; }

// The key code of argument `i`; reports codes outside 0..255 (except the
// keypad Enter) and texts that are no number.
bool keyCode(BuiltinCall& c, int i, int64_t& code) {
  const double d = c.num(i);
  if (!c.numeric(i) || !automation::validKeyCode(c.integer(i)) || d != std::trunc(d)) {
    c.fail(kova::text(kWrongKey, c.name()) + u": " + c.str(i));
    return false;
  }
  code = c.integer(i);
  return true;
}

void reportResult(BuiltinCall& c, automation::InputResult r) {
  if (r == automation::InputResult::CoordinateOutOfRange) c.fail(kova::text(kCoordinateOutOfRange, c.name()));
}

}  // namespace

// MMV(x, y, delay ms = 0).
void mmvFn(BuiltinCall& c) {
  InputSystem* in;
  WindowSystem* ws;
  if (!systems(c, in, ws)) return;
  automation::statementDelay(c.runContext(), c.integer(2));
  reportResult(c, automation::moveMouse(c.runContext(), *in, *ws, coordinate(c, 0), coordinate(c, 1)));
}

// BTN(button, action or wheel amount, x, y, delay ms = 0).
void btnFn(BuiltinCall& c) {
  InputSystem* in;
  WindowSystem* ws;
  if (!systems(c, in, ws)) return;
  const long long button = c.integer(0);
  if (!c.numeric(0) || (button != 0 && button != 1 && button != 2 && button != 9)) {
    c.fail(kova::text(kWrongButton, c.name()) + u": " + c.str(0));
    return;
  }
  automation::statementDelay(c.runContext(), c.integer(4));
  const bool haveXY = c.has(2) && !c.str(2).empty();
  // WHEEL's amount is in notches and may be a fraction: 0.5 is half a notch.
  const double notches = std::isnan(c.num(1)) ? 0 : c.num(1);
  const double delta = std::clamp(std::round(notches * 120), -2147483648.0, 2147483647.0);
  reportResult(c, automation::pressButton(c.runContext(), *in, *ws, static_cast<int>(button), action(c.integer(1)),
                                          static_cast<int64_t>(delta), haveXY, coordinate(c, 2), coordinate(c, 3)));
}

// KBD(key, action = CLICK, delay ms = 0): the delay comes first, at least 2 ms.
void kbdFn(BuiltinCall& c) {
  InputSystem* in;
  WindowSystem* ws;
  if (!systems(c, in, ws)) return;
  int64_t code = 0;
  if (!keyCode(c, 0, code)) return;
  const long long delay = c.integer(2);
  c.platform().sleepMs(static_cast<uint32_t>(std::clamp<long long>(delay, 2, UINT32_MAX)));
  automation::pressKey(c.runContext(), *in, *ws, code, action(c.integer(1)));
}

// SCKEY(id, key, key, ...): the keys up to the first empty argument.
void sckeyFn(BuiltinCall& c) {
  InputSystem* in;
  WindowSystem* ws;
  if (!systems(c, in, ws)) return;
  std::vector<int64_t> codes;
  for (int i = 1; i < c.count && !c.str(i).empty(); ++i) {
    int64_t code = 0;
    if (!keyCode(c, i, code)) return;
    codes.push_back(code);
  }
  automation::sendKeys(c.runContext(), *in, *ws, c.integer(0), codes);
}

// MOUSEORG(id = 0, mode = 0).
void mouseOrgFn(BuiltinCall& c) {
  InputSystem* in;
  WindowSystem* ws;
  if (!systems(c, in, ws)) return;
  automation::setMouseOrigin(c.runContext(), *ws, c.integer(0), static_cast<int>(c.integer(1)));
}

void getKeyStateFn(BuiltinCall& c) {
  InputSystem* in;
  WindowSystem* ws;
  if (!systems(c, in, ws)) return;
  c.result = c.truth(automation::keyState(c.runContext(), *in, *ws, c.integer(0)));
}

void lockHardFn(BuiltinCall& c) {
  InputSystem* in;
  WindowSystem* ws;
  if (!systems(c, in, ws)) return;
  automation::lockInput(c.runContext(), *in, c.integer(0) != 0);
}

void musCurFn(BuiltinCall& c) {
  InputSystem* in;
  WindowSystem* ws;
  if (!systems(c, in, ws)) return;
  const int64_t shape = in->cursorShape();
  c.result = shape >= INT32_MIN && shape <= INT32_MAX ? Value::integer(static_cast<int32_t>(shape))
                                                       : Value::number(static_cast<double>(shape));
}

}  // namespace kova
