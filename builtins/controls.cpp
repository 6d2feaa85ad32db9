// Control built-ins: GETITEM lists what a window offers, GETSTR and SENDSTR
// read and write texts of controls and the clipboard. They reach the
// controls through automation/ and report "not available on this platform"
// (a catchable error) in the native build. No control built-in raises an
// error for a missing window or control.

#include <algorithm>
#include <climits>
#include <memory>

#include "automation/click_item.h"
#include "automation/control_texts.h"
#include "automation/item_lists.h"
#include "automation/sliders.h"
#include "automation/window_ids.h"
#include "builtins/automation_messages.h"
#include "builtins/control_functions.h"
#include "engine/messages.h"

namespace kova {

namespace {

bool systems(BuiltinCall& c, automation::WindowSystem*& ws, automation::ControlSystem*& cs) {
  ws = automation::hostWindowSystem();
  cs = automation::hostControlSystem();
  if (ws && cs) return true;
  c.fail(kova::text(kNotOnThisPlatform, c.name()));
  return false;
}

Value stringArray(const std::vector<u16>& texts) {
  auto array = std::make_shared<ArrayValue>();
  array->lowerBounds = {0};
  array->upperBounds = {static_cast<int32_t>(texts.size()) - 1};
  for (const u16& t : texts) array->elements.push_back(Value::string(t));
  return Value::array(std::move(array));
}

}  // namespace

// GETITEM(id, kind, n = 1, column = 0, only enabled = FALSE): fills the
// global array ALL_ITEM_LIST and returns its length. A negative column
// lists a list view's column headers.
void getItemFn(BuiltinCall& c) {
  automation::WindowSystem* ws;
  automation::ControlSystem* cs;
  if (!systems(c, ws, cs)) return;
  std::vector<u16> items;
  const long long id = c.integer(0);
  const automation::WindowHandle window =
      id < INT32_MIN || id > INT32_MAX ? 0 : automation::handleFromId(c.runContext(), *ws, id);
  if (window != 0) {
    automation::ItemListRequest r;
    r.kinds = static_cast<uint32_t>(c.integer(1));
    r.n = c.has(2) ? c.integer(2) : 1;
    r.column = static_cast<int32_t>(std::clamp<long long>(c.integer(3), INT32_MIN, INT32_MAX));
    r.onlyEnabled = c.has(4) && c.num(4) != 0;
    items = automation::listItems(*ws, *cs, window, r);
  }
  c.putGlobal(u"ALL_ITEM_LIST", stringArray(items));
  c.result = Value::integer(static_cast<int32_t>(std::min<size_t>(items.size(), INT32_MAX)));
}

// An ID argument: IDs are 32-bit; a larger number names no window.
int64_t windowId(BuiltinCall& c, int i) {
  const long long id = c.integer(i);
  return id < INT32_MIN || id > INT32_MAX ? -1 : id;
}

// A count argument: within the 32-bit range, so that its magnitude is
// always defined.
int64_t countArgument(BuiltinCall& c, int i, int64_t fallback) {
  if (!c.has(i) || c.str(i).empty()) return fallback;
  return std::clamp<long long>(c.integer(i), -2147483647LL, 2147483647LL);
}

// An argument that chooses one of a few values (a kind, an item): a number
// beyond 32 bits chooses none, rather than what its low 32 bits would.
int32_t choiceArgument(BuiltinCall& c, int i) {
  const long long v = c.integer(i);
  return v < INT32_MIN || v > INT32_MAX ? -1 : static_cast<int32_t>(v);
}

// GETSTR(id, n = 0, kind = STR_EDIT, selected = FALSE): with the flag,
// only the selected part of an edit control's text.
void getStrFn(BuiltinCall& c) {
  automation::WindowSystem* ws;
  automation::ControlSystem* cs;
  if (!systems(c, ws, cs)) return;
  c.result = Value::string(automation::getString(c.runContext(), *ws, *cs, windowId(c, 0), c.integer(1),
                                                 choiceArgument(c, 2), c.has(3) && c.num(3) != 0));
}

// SENDSTR(id, text, n = 0, replace = FALSE, accessible = FALSE).
void sendStrFn(BuiltinCall& c) {
  automation::WindowSystem* ws;
  automation::ControlSystem* cs;
  if (!systems(c, ws, cs)) return;
  const bool replace = c.has(3) && c.num(3) != 0;
  const bool accessible = c.has(4) && c.num(4) != 0;
  automation::sendString(c.runContext(), *ws, *cs, windowId(c, 0), c.str(1), countArgument(c, 2, 0), replace,
                         accessible);
}

// CLKITEM(id, name, kind = every basic family, check = TRUE, n = 0).
void clkItemFn(BuiltinCall& c) {
  automation::WindowSystem* ws;
  automation::ControlSystem* cs;
  if (!systems(c, ws, cs)) return;
  automation::ClickRequest r;
  r.name = c.str(1);
  r.kind = c.has(2) && !c.str(2).empty() ? c.integer(2) : 0;
  r.check = c.has(3) ? c.integer(3) : 1;
  r.n = countArgument(c, 4, 0);
  const int32_t result = automation::clickItem(c.runContext(), *ws, *cs, windowId(c, 0), r);
  if ((static_cast<uint64_t>(r.kind) & automation::kClickCheckState) && r.kind > 0) c.result = Value::integer(result);
  else c.result = c.truth(result != 0);
}

// CHKBTN(id, name, n = 1, accessible = FALSE): the check state of a check
// box, tree-view or list-view item; -1 when none is found.
void chkBtnFn(BuiltinCall& c) {
  automation::WindowSystem* ws;
  automation::ControlSystem* cs;
  if (!systems(c, ws, cs)) return;
  const int64_t n = std::max<int64_t>(countArgument(c, 2, 1), 1);
  if (c.has(3) && c.num(3) != 0) {
    c.result = Value::integer(automation::accessibleCheckBox(c.runContext(), *ws, *cs, windowId(c, 0), c.str(1), n));
    return;
  }
  automation::ClickRequest r;
  r.name = c.str(1);
  r.kind = automation::kClickCheckState | 0x1 | 0x10 | 0x20;
  r.check = 0;
  r.n = n;
  c.result = Value::integer(automation::clickItem(c.runContext(), *ws, *cs, windowId(c, 0), r));
}

Value numberResult(int64_t v) {
  if (v >= INT32_MIN && v <= INT32_MAX) return Value::integer(static_cast<int32_t>(v));
  return Value::number(static_cast<double>(v));
}

// SETSLIDER(id, value, n = 1, visible = FALSE): TRUE when the slider got
// there; with -10000000 its position.
void setSliderFn(BuiltinCall& c) {
  automation::WindowSystem* ws;
  automation::ControlSystem* cs;
  if (!systems(c, ws, cs)) return;
  const int64_t value = std::clamp<long long>(c.integer(1), INT32_MIN, INT32_MAX);
  const int64_t r = automation::setSlider(c.runContext(), *ws, *cs, windowId(c, 0), value, countArgument(c, 2, 1),
                                          c.has(3) && c.num(3) != 0);
  c.result = value == automation::kSliderAsk ? numberResult(r) : c.truth(r != 0);
}

// GETSLIDER(id, n = 1, item = SLD_POS); -1 when there is no such slider.
// SLD_BAR tells the bar's direction: 1 vertical, 0 horizontal.
void getSliderFn(BuiltinCall& c) {
  automation::WindowSystem* ws;
  automation::ControlSystem* cs;
  if (!systems(c, ws, cs)) return;
  c.result = numberResult(
      automation::getSlider(c.runContext(), *ws, *cs, windowId(c, 0), countArgument(c, 1, 1), choiceArgument(c, 2)));
}

}  // namespace kova
