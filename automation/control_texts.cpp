#include "automation/control_texts.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "automation/accessible_search.h"
#include "automation/control_collector.h"
#include "automation/input.h"
#include "automation/window_ids.h"
#include "engine/run_context.h"
#include "platform/platform.h"

namespace kova::automation {

namespace {

// The n-th control of a family: negative n counts disabled controls too.
WindowHandle nthOfFamily(WindowSystem& ws, WindowHandle window, uint32_t family, int64_t n) {
  const std::vector<CollectedControl> list = ws.collectControls(window, family, n < 0);
  const CollectedControl* c = nthControl(list, n < 0 ? -n : n);
  return c ? c->handle : 0;
}

// The accessible text object GETSTR and SENDSTR address: n > 0 the n-th
// of the sort; n <= 0 the one that has the focus, else the first. `act`
// gets it; false when there is none.
bool withTextObject(WindowSystem& ws, AccessibilitySystem& as, WindowHandle window, AccessibleQuery::Sort sort,
                    int64_t n, const std::function<void(const AccessibleHit&)>& act) {
  AccessibleQuery q;
  q.sort = sort;
  q.field = AccessibleQuery::Field::kText;
  int64_t seen = 0;
  bool found = false;
  if (n > 0) {
    walkAccessible(ws, as, window, q, [&](const AccessibleHit& hit) {
      if (++seen < n) return false;
      act(hit);
      return found = true;
    });
    return found;
  }
  walkAccessible(ws, as, window, q, [&](const AccessibleHit& hit) {
    if (!(hit.state & kStateFocused)) return false;
    act(hit);
    return found = true;
  });
  return found || withTextObject(ws, as, window, sort, 1, act);
}

// Types a text into a control as a user would: one character message per
// UTF-16 unit, a line break (CR LF) as one CR, a pause for the target
// every ten characters.
void typeInto(RunContext& run, ControlSystem& cs, WindowHandle control, const u16& t) {
  run.platform().sleepMs(20);
  run.pumpMessages(20);
  size_t sent = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n') continue;
    cs.sendCharacter(control, t[i] == u'\n' && i > 0 && t[i - 1] == u'\r' ? u'\r' : t[i]);
    if (++sent % 10 == 0) run.pumpMessages(2);
  }
}

// SENDSTR's accessible form: the text object's value is set (replaced or
// appended to); an object that does not take a value gets the focus and
// the text is typed into the control that then has it.
void sendAccessible(RunContext& run, WindowSystem& ws, ControlSystem& cs, WindowHandle window, const u16& text,
                    int64_t n, bool replace) {
  AccessibilitySystem* as = cs.accessibility();
  if (!as) return;
  if (n <= 0) ws.activate(window, false);
  withTextObject(ws, *as, window, AccessibleQuery::Sort::kEditable, n, [&](const AccessibleHit& hit) {
    if (hit.node.setValue(replace ? text : hit.text + text)) return;
    if (!hit.node.select()) return;
    const WindowHandle control = cs.focusedControl(window);
    if (control != 0) typeInto(run, cs, control, text);
  });
  run.pumpMessages(4);
}

}  // namespace

u16 getString(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, int64_t n, int32_t kind,
              bool selected) {
  if (id == 0) return cs.clipboardText();
  const WindowHandle window = handleFromId(run, ws, id);
  if (window == 0) return {};
  switch (kind) {
    case kStrEdit:
    case kStrStatic: {
      if (n == 0 && kind == kStrStatic) return ws.title(window);
      const WindowHandle control =
          n == 0 ? cs.focusedControl(window) : nthOfFamily(ws, window, kind == kStrEdit ? kFamilyEdit : kFamilyStatic, n);
      if (control == 0) return {};
      u16 text = cs.controlText(control);
      int32_t start = 0, end = 0;
      if (selected && kind == kStrEdit) {
        if (!cs.editSelection(control, start, end) || start < 0 || end <= start) return {};
        return text.substr(std::min<size_t>(static_cast<size_t>(start), text.size()),
                           static_cast<size_t>(end - start));
      }
      return text;
    }
    case kStrStatus: {
      int64_t wanted = n < 1 ? 1 : n;
      for (const CollectedControl& bar : ws.collectControls(window, kFamilyStatusBar, true)) {
        const std::vector<u16> parts = cs.statusParts(bar.handle);
        if (wanted <= static_cast<int64_t>(parts.size())) return parts[static_cast<size_t>(wanted - 1)];
        wanted -= static_cast<int64_t>(parts.size());
      }
      return {};
    }
    case kStrAccEdit:
    case kStrAccStatic: {
      AccessibilitySystem* as = cs.accessibility();
      u16 out;
      if (as) {
        withTextObject(ws, *as, window,
                       kind == kStrAccEdit ? AccessibleQuery::Sort::kEditable : AccessibleQuery::Sort::kStatic, n,
                       [&](const AccessibleHit& hit) { out = hit.text; });
      }
      return out;
    }
    default:
      return {};
  }
}

void sendString(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, const u16& text, int64_t n,
                bool replace, bool accessible) {
  Platform& platform = run.platform();
  if (id == 0) {
    for (int attempt = 0; attempt < 257; ++attempt) {
      if (cs.setClipboardText(text)) return;
      platform.sleepMs(3);
      run.pumpMessages(3);
    }
    return;
  }
  const WindowHandle window = handleFromId(run, ws, id);
  if (window == 0) return;
  if (accessible) {
    sendAccessible(run, ws, cs, window, text, n < 0 ? 0 : n, replace);
    return;
  }
  platform.sleepMs(4);
  run.pumpMessages(4);
  waitUntilAnsweringUnlocked(run, ws, window);
  // Asking for the focus brings a minimised or hidden window forward: the
  // window in front before that is put back.
  const bool outOfSight = ws.isMinimised(window) || !ws.isVisible(window);
  const WindowHandle previous = outOfSight ? ws.foreground() : 0;
  const WindowHandle control = n == 0 ? cs.focusedControl(window) : nthOfFamily(ws, window, kFamilyEdit, n);
  if (previous != 0) ws.activate(previous, false);
  if (control == 0) return;

  u16 t = text;
  bool type = !replace;
  if (upperFull(ws.className(control)).find(u"DATETIMEPICK") != u16::npos) {
    for (char16_t& ch : t) {
      if (ch == u'年' || ch == u'月' || ch == u'日') ch = u'/';
    }
    cs.postLeftClick(control, 6, 6);
    run.pumpMessages(2);
    type = true;
  }
  if (!type) {
    cs.setControlText(control, t);
  } else {
    typeInto(run, cs, control, t);
  }
  cs.setModified(control);
  if (ws.foreground() == window) {
    cs.focusControl(control);
  } else {
    // Far outside any text: the control takes the click as the end of the
    // input without moving its caret.
    cs.postLeftClick(control, 29999, 29999);
  }
  run.pumpMessages(type ? 6 : 4);
}

}  // namespace kova::automation
