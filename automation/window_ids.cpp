#include "automation/window_ids.h"

#include <cmath>
#include <utility>

#include "automation/own_forms.h"
#include "platform/platform.h"

namespace kova::automation {

namespace {

// Guards the creation of the per-run state, which THREAD workers may race.
std::mutex stateCreation;

// One yield of the waiting loops: 10 ms sleep and 10 message-pump rounds.
void yieldOnce(RunContext& run) {
  run.platform().sleepMs(10);
  run.pumpMessages(10);
}

WindowHandle search(WindowSystem& ws, const u16& title, const u16& cls, const u16& child) {
  const WindowHandle fg = ws.foreground();
  WindowHandle h = findInList(ws.listWindows(0), fg, title, cls);
  if (h != 0 && !child.empty()) h = findChildInList(ws.listWindows(h), fg, child);
  return h;
}

// The fallbacks of a search that found nothing, for titles that programs
// change while they run: an editor's title "<path> - 秀丸" is tried with
// the file name only; a browser window by the browser's own caption.
WindowHandle fallbackSearch(WindowSystem& ws, const u16& title, const u16& cls, const u16& child, bool browser) {
  if (title.find(u"- 秀丸") != u16::npos) {
    const size_t sep = title.rfind(u'\\');
    if (sep != u16::npos) {
      if (WindowHandle h = search(ws, title.substr(sep + 1), cls, child)) return h;
    }
  }
  if (browser) {
    for (const char16_t* caption : {u"MICROSOFT INTERNET EXPLORER", u"WINDOWS INTERNET EXPLORER"}) {
      if (title.find(caption) != u16::npos) return search(ws, caption, cls, child);
    }
  }
  return 0;
}

// The special titles naming the program's own forms.
constexpr std::pair<u16v, OwnForm> kOwnFormTitles[] = {
    {u"__GET_LOGPRINT_WIN__", OwnForm::kLogWindow},  {u"__GET_STOPFORM_WIN__", OwnForm::kStopForm},
    {u"__GET_THISKOVA_WIN__", OwnForm::kMainWindow}, {u"__GET_FUKIDASI_WIN__", OwnForm::kBalloon},
    {u"__GET_FORM_WIN__", OwnForm::kHtmlForm},       {u"__GET_SCHEDULE_WIN__", OwnForm::kSchedule},
};

WindowHandle specialTitle(WindowSystem& ws, const u16& title, bool& special) {
  special = true;
  if (title == u"GET_ACTIVE_WIN") return ws.foreground();
  if (title == u"GET_FROMPOINT_WIN") return ws.windowFromCursor(false);
  if (title == u"__GET_FROMPOINT_OBJ__") return ws.windowFromCursor(true);
  // The program's own forms, as their program registered them: no window
  // when the form is not registered (a host without it, or not made yet)
  // or its window no longer exists.
  for (const auto& [formTitle, form] : kOwnFormTitles) {
    if (title != formTitle) continue;
    const WindowHandle h = ownForm(form);
    return h != 0 && ws.isWindow(h) ? h : 0;
  }
  special = false;
  return 0;
}

}  // namespace

AutomationState& automationState(RunContext& run) {
  std::lock_guard<std::mutex> guard(stateCreation);
  if (RunContext::RunState* state = run.automationState()) return static_cast<AutomationState&>(*state);
  return static_cast<AutomationState&>(run.adoptAutomationState(std::make_unique<AutomationState>()));
}

int64_t idFromHandle(RunContext& run, WindowHandle h) {
  if (h == 0) return -1;
  AutomationState& s = automationState(run);
  std::lock_guard<std::mutex> guard(s.lock);
  for (size_t i = 0; i < s.ids.size(); ++i) {
    if (s.ids[i] == h) return static_cast<int64_t>(i) + 1;
  }
  s.ids.push_back(h);
  return static_cast<int64_t>(s.ids.size());
}

WindowHandle handleFromId(RunContext& run, WindowSystem& ws, int64_t id) {
  if (id < 0) return 0;
  if (id == 0) return ws.foreground();
  AutomationState& s = automationState(run);
  WindowHandle h = 0;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (static_cast<uint64_t>(id) > s.ids.size()) return 0;
    h = s.ids[static_cast<size_t>(id - 1)];
  }
  return ws.isWindow(h) ? h : 0;
}

WindowHandle handleFromIdOrHandle(RunContext& run, WindowSystem& ws, int64_t n) {
  if (n == -1) return 0;
  size_t tableSize = 0;
  {
    AutomationState& s = automationState(run);
    std::lock_guard<std::mutex> guard(s.lock);
    tableSize = s.ids.size();
  }
  if (n <= static_cast<int64_t>(tableSize)) {
    if (WindowHandle h = handleFromId(run, ws, n)) return h;
  }
  const auto h = static_cast<WindowHandle>(n);
  return ws.isWindow(h) ? h : 0;
}

int64_t getId(RunContext& run, WindowSystem& ws, const GetIdRequest& request) {
  AutomationState& state = automationState(run);
  u16 title = upperFull(request.title);
  if (request.titleNull || title == u16(1, u'\0')) title = kNoneTitle;
  const u16 cls = upperFull(request.cls);
  const u16 child = upperFull(request.childTitle);
  if (request.onMainThread) {
    std::lock_guard<std::mutex> guard(state.lock);
    state.lastGetIdTitle = title;
  }

  bool special = false;
  const WindowHandle specialHandle = specialTitle(ws, title, special);
  if (special) return idFromHandle(run, specialHandle);

  if (title.empty()) {
    yieldOnce(run);
    yieldOnce(run);
  }

  const double ms = std::round(request.waitSeconds * 1000.0);
  const bool endless = request.waitSeconds < 0;
  long long minTries = 10;
  long long minTime = 100;
  // A window was closed or a program started: whatever the wait, the
  // window found is given time to answer. Only the default wait also
  // searches longer, and takes the flag.
  bool changed = false;
  {
    std::lock_guard<std::mutex> guard(state.lock);
    changed = state.windowChanged;
    if (request.waitSeconds > 0) {
      minTries = 1;
      minTime = ms < 1 ? 1 : static_cast<long long>(std::min(ms, 9.0e15));
    } else if (!endless) {
      if (title != state.lastSearchedTitle) {
        state.lastSearchedTitle = title;
        minTries = 20;
        minTime = 800;
      }
      if (changed) {
        minTries = 40;
        minTime = 8000;
        state.windowChanged = false;
      }
    }
  }

  Platform& platform = run.platform();
  const uint32_t start = platform.tickCount();
  long long tries = 0;
  WindowHandle found = 0;
  for (;;) {
    const long long elapsed = static_cast<uint32_t>(platform.tickCount() - start);
    if (!endless && tries >= minTries && elapsed >= minTime) break;
    found = search(ws, title, cls, child);
    if (found != 0 || run.stopping()) break;
    if (minTries == 1 && minTime <= 10) break;
    yieldOnce(run);
    yieldOnce(run);
    if (++tries > 99999) tries = 0;
    if (tries % 100 == 0) {
      found = fallbackSearch(ws, title, cls, child, request.browserFallback);
      if (found != 0) break;
    }
  }
  if (found == 0 && !run.stopping()) found = fallbackSearch(ws, title, cls, child, request.browserFallback);
  if (found == 0) return -1;

  if (endless) {
    platform.sleepMs(20);
    run.pumpMessages(20);
  }
  if (tries > 0 || changed) {
    platform.sleepMs(10);
    run.pumpMessages(10);
    ws.waitUntilAnswering(found, run.oldBusyOption());
  }
  if (endless || ms > 10) {
    platform.sleepMs(2);
    run.pumpMessages(4);
  } else {
    run.pumpMessages(2);
  }
  return idFromHandle(run, found);
}

}  // namespace kova::automation
