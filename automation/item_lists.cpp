#include "automation/item_lists.h"

#include "automation/accessible_search.h"
#include "automation/control_collector.h"

namespace kova::automation {

namespace {

void appendMenu(const std::vector<MenuEntry>& entries, bool onlyEnabled, std::vector<u16>& out) {
  for (const MenuEntry& e : entries) {
    if (e.separator) continue;
    if (onlyEnabled && e.greyed) continue;
    out.push_back(normaliseCaption(e.text));
    appendMenu(e.submenu, onlyEnabled, out);
  }
}

void append(std::vector<u16>& out, std::vector<u16>&& more) {
  for (u16& t : more) out.push_back(std::move(t));
}

}  // namespace

std::vector<u16> listItems(WindowSystem& ws, ControlSystem& cs, WindowHandle window, const ItemListRequest& r) {
  std::vector<u16> out;
  const bool disabled = !r.onlyEnabled;
  const int64_t n = r.n < 1 ? 1 : r.n;
  auto family = [&](uint32_t mask) { return ws.collectControls(window, mask, disabled); };
  if (r.kinds & kItemButton) {
    for (const CollectedControl& c : family(kFamilyButton)) out.push_back(normaliseCaption(cs.controlText(c.handle)));
  }
  if (r.kinds & kItemTab) {
    for (const CollectedControl& c : family(kFamilyTab)) append(out, cs.tabTexts(c.handle));
  }
  if (r.kinds & kItemMenu) appendMenu(cs.menuBar(window), r.onlyEnabled, out);
  // The n-th control of one family (the list must outlive the pointer).
  std::vector<CollectedControl> controls;
  auto nth = [&](uint32_t mask) {
    controls = family(mask);
    return nthControl(controls, n);
  };
  if (r.kinds & kItemTreeView) {
    if (const CollectedControl* c = nth(kFamilyTreeView)) append(out, cs.treeViewTexts(c->handle));
  }
  if ((r.kinds & kItemListView) && n <= 99) {
    if (const CollectedControl* c = nth(kFamilyListView))
      append(out, r.column < 0 ? cs.listViewHeaders(c->handle) : cs.listViewTexts(c->handle, r.column));
  }
  if ((r.kinds & kItemList) && n <= 99) {
    if (const CollectedControl* c = nth(kFamilyList)) append(out, cs.listEntries(c->handle, c->cls));
  }
  if (r.kinds & kItemEdit) {
    for (const CollectedControl& c : family(kFamilyEdit)) out.push_back(cs.controlText(c.handle));
  }
  if (r.kinds & kItemStatic) {
    for (const CollectedControl& c : family(kFamilyStatic)) out.push_back(cs.controlText(c.handle));
  }
  if (r.kinds & kItemStatusBar) {
    for (const CollectedControl& c : family(kFamilyStatusBar)) append(out, cs.statusParts(c.handle));
  }
  if (r.kinds & kItemToolbar) {
    for (const CollectedControl& c : family(kFamilyToolbar)) {
      for (const ToolbarEntry& b : cs.toolbarButtons(c.handle)) {
        if (b.hidden || (r.onlyEnabled && !b.enabled)) continue;
        out.push_back(normaliseCaption(b.caption));
      }
    }
  }
  AccessibilitySystem* as = cs.accessibility();
  if ((r.kinds & (kItemAccClick | kItemAccText)) && as) {
    if (!(r.kinds & kItemBack)) ws.activate(window, false);
    for (const bool texts : {false, true}) {
      if (!(r.kinds & (texts ? kItemAccText : kItemAccClick))) continue;
      AccessibleQuery q = listQuery(r.kinds, texts);
      q.enabledOnly = r.onlyEnabled;
      append(out, accessibleTexts(ws, *as, window, q));
    }
  }
  return out;
}

}  // namespace kova::automation
