#include "automation/control_texts.h"

#include <cstdlib>

#include "automation/control_collector.h"
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

}  // namespace

u16 getString(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, int64_t n, int32_t kind) {
  if (id == 0) return cs.clipboardText();
  const WindowHandle window = handleFromId(run, ws, id);
  if (window == 0) return {};
  switch (kind) {
    case kStrEdit:
    case kStrStatic: {
      if (n == 0 && kind == kStrStatic) return ws.title(window);
      const WindowHandle control =
          n == 0 ? cs.focusedControl(window) : nthOfFamily(ws, window, kind == kStrEdit ? kFamilyEdit : kFamilyStatic, n);
      return control ? cs.controlText(control) : u16();
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
    default:
      return {};
  }
}

void sendString(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, const u16& text, int64_t n,
                bool replace) {
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
  platform.sleepMs(4);
  run.pumpMessages(4);
  ws.waitUntilAnswering(window, run.oldBusyOption());
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
    platform.sleepMs(20);
    run.pumpMessages(20);
    size_t sent = 0;
    for (size_t i = 0; i < t.size(); ++i) {
      // An edit control takes a line break as one CR.
      if (t[i] == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n') continue;
      cs.sendCharacter(control, t[i] == u'\n' && i > 0 && t[i - 1] == u'\r' ? u'\r' : t[i]);
      if (++sent % 10 == 0) run.pumpMessages(2);
    }
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
