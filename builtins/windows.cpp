// Window identification built-ins: GETID, ACW, CTRLWIN, STATUS, GETALLWIN,
// IDTOHND, HNDTOID, GETCTLHND and EXEC. They reach Windows through automation/ and
// report "not available on this platform" (a catchable error) in the
// native build, except EXEC, which starts programs there too. No window
// built-in raises an error for a missing window.

#include <climits>
#include <memory>

#include "automation/window_ids.h"
#include "builtins/automation_messages.h"
#include "builtins/system_services.h"
#include "builtins/window_functions.h"
#include "engine/messages.h"

namespace kova {

namespace {

using automation::WindowHandle;
using automation::WindowSystem;

constexpr Msg kIdOutOfRange{u"%s: ウィンドウIDが範囲外です", u"%s: window ID out of range"};

// The window system, or null after reporting that this build has none.
WindowSystem* windows(BuiltinCall& c) {
  WindowSystem* ws = automation::hostWindowSystem();
  if (!ws) c.fail(kova::text(kNotOnThisPlatform, c.name()));
  return ws;
}

// Argument `i` as a window ID. IDs are 32-bit: a larger number is a range
// error (reported; false).
bool idArgument(BuiltinCall& c, int i, int64_t& id) {
  const long long n = c.integer(i);
  if (n < INT32_MIN || n > INT32_MAX) {
    c.fail(kova::text(kIdOutOfRange, c.name()));
    return false;
  }
  id = n;
  return true;
}

Value integerResult(int64_t v) {
  if (v >= INT32_MIN && v <= INT32_MAX) return Value::integer(static_cast<int32_t>(v));
  return Value::number(static_cast<double>(v));
}

}  // namespace

void getIdFn(BuiltinCall& c) {
  WindowSystem* ws = windows(c);
  if (!ws) return;
  automation::GetIdRequest r;
  r.title = c.str(0);
  r.titleNull = c.value(0).kind() == ValueKind::Null;
  r.cls = c.str(1);
  r.waitSeconds = c.has(2) ? c.num(2) : 0;
  r.childTitle = c.str(3);
  r.onMainThread = c.onMainThread();
  r.browserFallback = upperFull(r.cls) == u"IEFRAME" && startsWith(upperFull(c.statementText()), u"ACW(GETID");
  c.result = integerResult(automation::getId(c.runContext(), *ws, r));
}

// ACW(id, x, y, width, height, delay ms).
void acwFn(BuiltinCall& c) {
  WindowSystem* ws = windows(c);
  if (!ws) return;
  int64_t id = 0;
  if (!idArgument(c, 0, id)) return;
  Platform& platform = c.platform();
  automation::AutomationState& state = automation::automationState(c.runContext());
  // x and y are the last activation position, which the mouse origin
  // falls back on while its window is missing or minimised.
  if (c.has(2) && !c.str(1).empty() && !c.str(2).empty()) {
    state.input.offsetX = static_cast<int32_t>(c.integer(1));
    state.input.offsetY = static_cast<int32_t>(c.integer(2));
  }
  automation::statementDelay(c.runContext(), c.integer(5));
  if (id < 0) return;
  if (id == 0) {
    u16 last;
    {
      std::lock_guard<std::mutex> guard(state.lock);
      last = state.lastGetIdTitle;
    }
    if (!last.empty()) {
      automation::GetIdRequest r;
      r.title = last;
      r.onMainThread = c.onMainThread();
      id = automation::getId(c.runContext(), *ws, r);
      if (id < 0) return;
    }
  }
  const WindowHandle h = automation::handleFromId(c.runContext(), *ws, id);
  if (h == 0) return;
  automation::WindowRect rect;
  ws->windowRect(h, rect);
  // An omitted coordinate arrives as empty text.
  const bool haveXY = c.has(2) && !c.str(1).empty() && !c.str(2).empty();
  const auto x = static_cast<int32_t>(c.integer(1));
  const auto y = static_cast<int32_t>(c.integer(2));
  const bool move = haveXY && !(x == rect.left && y == rect.top);
  const auto w = static_cast<int32_t>(c.integer(3));
  const auto hgt = static_cast<int32_t>(c.integer(4));
  const bool size = c.has(4) && !(w == rect.width() && hgt == rect.height()) && !(w <= 0 && hgt <= 0);
  if (move || size) {
    ws->place(h, move, x, y, size, size ? w : rect.width(), size ? hgt : rect.height());
  } else {
    ws->activate(h, false);
  }
  const u16 cls = upperFull(ws->className(h));
  if (cls == u"RUNDLL" || cls == u"#32770") {
    for (int i = 0; i < 41 && !ws->isVisible(h); ++i) platform.sleepMs(100);
  }
}

// CTRLWIN(id, command, wparam, lparam).
void ctrlWinFn(BuiltinCall& c) {
  WindowSystem* ws = windows(c);
  if (!ws) return;
  int64_t id = 0;
  if (!idArgument(c, 0, id)) return;
  const WindowHandle h = automation::handleFromId(c.runContext(), *ws, id);
  if (h == 0) return;
  const bool inputIdle = c.options().oldBusy;
  ws->waitUntilAnswering(h, inputIdle);
  c.platform().sleepMs(100);
  c.pumpMessages(20);
  const long long command = c.integer(1);
  if (command == 1) {
    ws->activate(h, true);
  } else if (command == 2 || command == 3) {
    c.pumpMessages(20);
    ws->waitUntilAnswering(h, inputIdle);
    ws->command(h, command, 0, 0);
    c.platform().sleepMs(100);
    automation::AutomationState& state = automation::automationState(c.runContext());
    std::lock_guard<std::mutex> guard(state.lock);
    state.windowChanged = true;
  } else {
    ws->command(h, command, c.integer(2), c.integer(3));
  }
  c.pumpMessages(20);
}

// STATUS(id, item): FALSE for a missing window (-1 for ST_PARENT).
void statusFn(BuiltinCall& c) {
  WindowSystem* ws = windows(c);
  if (!ws) return;
  int64_t id = 0;
  if (!idArgument(c, 0, id)) return;
  const long long item = c.integer(1);
  c.result = c.falseValue();
  const WindowHandle h = automation::handleFromId(c.runContext(), *ws, id);
  if (h == 0) {
    if (item == 15) c.result = Value::integer(-1);
    return;
  }
  automation::WindowRect r;
  switch (item) {
    case 1: case 2: case 3: case 4:
      if (!ws->windowRect(h, r)) return;
      c.result = Value::integer(item == 1 ? r.left : item == 2 ? r.top : item == 3 ? r.width() : r.height());
      break;
    case 5: case 6: case 7: case 8:
      if (!ws->clientRect(h, r)) return;
      c.result = Value::integer(item == 5 ? r.left : item == 6 ? r.top : item == 7 ? r.width() : r.height());
      break;
    case 9: c.result = Value::string(trimCtl(ws->title(h))); break;
    case 10:
      c.result = c.truth(ws->isMinimised(h));
      break;
    case 11:
      c.result = c.truth(ws->isVisible(h));
      break;
    case 12:
      c.result = c.truth(ws->foreground() == h);
      break;
    case 13: c.result = Value::string(trimCtl(ws->className(h))); break;
    case 14: c.result = c.truth(ws->isBusy(h)); break;
    case 15:
      c.result = integerResult(automation::idFromHandle(c.runContext(), ws->parent(h)));
      break;
    case 16: c.result = Value::string(ws->processPath(h)); break;
    case 17: c.result = integerResult(ws->processId(h)); break;
    case 18:
      c.result = c.truth(ws->processIs64Bit(h));
      break;
    default: break;
  }
}

// GETALLWIN(id = 0): fills the global array ALL_WIN_ID (index 0 first).
void getAllWinFn(BuiltinCall& c) {
  WindowSystem* ws = windows(c);
  if (!ws) return;
  int64_t id = 0;
  if (c.has(0) && !idArgument(c, 0, id)) return;
  std::vector<automation::ListedWindow> list;
  if (id == 0) {
    list = ws->listWindows(0);
  } else if (const WindowHandle parent = automation::handleFromId(c.runContext(), *ws, id)) {
    list = ws->listWindows(parent);
  }
  auto array = std::make_shared<ArrayValue>();
  array->lowerBounds = {0};
  array->upperBounds = {static_cast<int32_t>(list.size()) - 1};
  for (const automation::ListedWindow& w : list) {
    array->elements.push_back(integerResult(automation::idFromHandle(c.runContext(), w.handle)));
  }
  c.putGlobal(u"ALL_WIN_ID", Value::array(std::move(array)));
  c.result = Value::integer(static_cast<int32_t>(list.size()));
}

void idToHndFn(BuiltinCall& c) {
  WindowSystem* ws = windows(c);
  if (!ws) return;
  int64_t id = 0;
  if (!idArgument(c, 0, id)) return;
  c.result = Value::number(static_cast<double>(automation::handleFromId(c.runContext(), *ws, id)));
}

void hndToIdFn(BuiltinCall& c) {
  WindowSystem* ws = windows(c);
  if (!ws) return;
  const auto h = static_cast<WindowHandle>(c.integer(0));
  c.result = integerResult(h != 0 && ws->isWindow(h) ? automation::idFromHandle(c.runContext(), h) : -1);
}

// GETCTLHND(id or handle, name, n = 0).
void getCtlHndFn(BuiltinCall& c) {
  WindowSystem* ws = windows(c);
  if (!ws) return;
  c.result = Value::integer(0);
  const WindowHandle h = automation::handleFromIdOrHandle(c.runContext(), *ws, c.integer(0));
  if (h == 0) return;
  const u16 raw = upperFull(trimCtl(c.str(1)));
  if (raw == u"GET_MENU_HND") {
    c.result = Value::number(static_cast<double>(ws->menuHandle(h)));
    return;
  }
  if (raw == u"GET_SYSMENU_HND") {
    c.result = Value::number(static_cast<double>(ws->systemMenuHandle(h)));
    return;
  }
  const u16 name = automation::normaliseCaption(raw);
  const long long n = c.integer(2);
  auto pick = [&](const std::vector<automation::CollectedControl>& list, auto&& matches) -> WindowHandle {
    long long seen = 0;
    for (const automation::CollectedControl& control : list) {
      if (!matches(control)) continue;
      if (++seen >= n) return control.handle;
    }
    return 0;
  };
  // Buttons and static texts by their caption, then every control by class.
  constexpr uint32_t kCaptionFamilies = 0x1 | 0x40000;
  WindowHandle found = pick(ws->collectControls(h, kCaptionFamilies, false), [&](const auto& control) {
    return automation::titleEquals(automation::normaliseCaption(upperFull(ws->title(control.handle))), name);
  });
  if (found == 0) {
    found = pick(ws->collectControls(h, 0x200000, true), [&](const auto& control) { return control.cls == raw; });
  }
  c.result = Value::number(static_cast<double>(found));
}

// EXEC(command line, wait = False, x, y, width, height = -1). The program
// starts through the process layer in its own folder (execWorkingFolder),
// at the position and size asked. With wait the call waits for its end
// (pumping messages; a stopped run stops waiting) and returns the exit code,
// -1 when there is none. Without wait it returns the ID of the program's
// window (the window system's search); natively, where there are no
// windows, -1 after the start. -1 also when nothing could be started. EXEC
// is the one window built-in that works natively.
void execFn(BuiltinCall& c) {
  WindowSystem* ws = automation::hostWindowSystem();
  auto optional = [&](int i) { return c.has(i) && !c.str(i).empty() ? static_cast<int32_t>(c.integer(i)) : -1; };
  automation::ExecRequest r;
  r.commandLine = c.str(0);
  r.x = optional(2);
  r.y = optional(3);
  r.width = optional(4);
  r.height = optional(5);
  const bool wait = c.has(1) && c.integer(1) != 0;
  c.result = Value::integer(-1);
  if (trimCtl(r.commandLine).empty()) return;
  Platform& p = c.platform();
  ProcessStart s;
  s.kind = ProcessStart::Kind::Program;
  s.command = r.commandLine;
  s.workingFolder = execWorkingFolder(r.commandLine, p);
  s.x = r.x;
  s.y = r.y;
  s.width = r.width;
  s.height = r.height;
  std::unique_ptr<ChildProcess> child = p.startProcess(s);
  if (!child) return;
  if (ws) {
    automation::AutomationState& state = automation::automationState(c.runContext());
    std::lock_guard<std::mutex> guard(state.lock);
    state.windowChanged = true;
  }
  if (wait) {
    if (!waitForChild(p, *child, std::nullopt, [&c] { return c.stopping(); })) return;
    if (const std::optional<int64_t> code = child->exitCode()) c.result = integerResult(*code);
  } else if (ws) {
    c.result = integerResult(
        automation::idFromHandle(c.runContext(), ws->startedProgramWindow(c.runContext(), *child, r)));
  }
}

}  // namespace kova
