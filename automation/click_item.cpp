#include "automation/click_item.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

#include "automation/accessible_search.h"
#include "automation/control_collector.h"
#include "automation/input.h"
#include "automation/item_matcher.h"
#include "automation/window_ids.h"
#include "engine/run_context.h"
#include "platform/platform.h"

namespace kova::automation {

namespace {

constexpr uint32_t kVkUp = 0x26, kVkDown = 0x28, kVkReturn = 0x0D;

// One CLKITEM call: the window, what is asked and the state of the search.
struct Click {
  RunContext& run;
  WindowSystem& ws;
  ControlSystem& cs;
  WindowHandle window;
  uint32_t kind;
  int64_t check;
  int64_t n;              // 0: the first match
  bool includeDisabled;
  bool back;
  bool checkState;

  void settle(WindowHandle h) {
    run.pumpMessages(20);
    waitUntilAnsweringUnlocked(run, ws, h);
  }

  // Activates the window and gives the control the focus, unless the call
  // works in the background.
  void bringForward(WindowHandle control) {
    if (back) return;
    ws.activate(window, false);
    cs.focusControl(control);
  }

  // CLK_MUSMOVE, then posted mouse clicks at a client position when the
  // kind asks for them; false when it does not.
  bool postedClick(WindowHandle control, int32_t x, int32_t y) {
    if (kind & kClickMouseMove) cs.moveCursorTo(control, x, y);
    if ((kind & (kClickLeft | kClickRight | kClickDouble)) == 0) return false;
    cs.postMouseClick(control, x, y, (kind & kClickRight) != 0, (kind & kClickDouble) != 0);
    return true;
  }

  // The nudge: two arrow keys through the key routine, so that the owner
  // gets the selection-change notification a user's choice would send.
  void nudge(WindowHandle control, bool first) {
    if (!back) ws.activate(window, false);
    waitUntilAnsweringUnlocked(run, ws, window);
    cs.lockUpdates(window);
    cs.sendKey(control, window, first ? kVkDown : kVkUp);
    cs.sendKey(control, window, first ? kVkUp : kVkDown);
    cs.lockUpdates(0);
    settle(window);
  }

  // The controls of a family in the order the search takes them:
  // CLK_FROMLAST starts at the last one (bottom right).
  std::vector<CollectedControl> family(uint32_t mask) {
    std::vector<CollectedControl> list = ws.collectControls(window, mask, includeDisabled);
    if (kind & kClickFromLast) std::reverse(list.begin(), list.end());
    return list;
  }

  // Owner-drawn buttons (BS_OWNERDRAW) keep no check state of their own
  // and may ignore a click at their corner: their accessible object tells
  // the state and presses them.
  std::unique_ptr<AccessibleNode> ownerDrawn(WindowHandle button) {
    AccessibilitySystem* as = cs.accessibility();
    if (!as || (cs.style(button) & 0xF) != 0xB) return nullptr;
    return as->fromWindow(button);
  }
  int32_t buttonState(WindowHandle button) {
    if (std::unique_ptr<AccessibleNode> node = ownerDrawn(button)) return checkStateOf(node->state());
    return cs.buttonCheck(button);
  }
  void pressButton(WindowHandle button) {
    if (postedClick(button, 0, 0)) return;
    if (std::unique_ptr<AccessibleNode> node = ownerDrawn(button)) {
      if (node->doDefaultAction()) return;
    }
    cs.postLeftClick(button, 0, 0);
  }

  // Automatic check boxes and radio buttons change their own state when
  // the posted click arrives: wait for it (a second at most), so that what
  // the script reads next is the new state.
  void awaitStateChange(WindowHandle button, int32_t before) {
    const uint32_t type = cs.style(button) & 0xF;
    if (type != 0x3 && type != 0x6 && type != 0x9) return;  // BS_AUTOCHECKBOX, BS_AUTO3STATE, BS_AUTORADIOBUTTON
    for (int i = 0; i < 100 && buttonState(button) == before; ++i) {
      run.platform().sleepMs(10);
      run.pumpMessages(2);
    }
  }

  // Buttons: the n-th whose caption matches. -1 when none matched, else
  // the state (CHK_) or 1 when the wanted state was set, 0 when not.
  int32_t buttons(const ItemName& name) {
    int64_t seen = 0;
    for (const CollectedControl& c : family(kFamilyButton)) {
      if (!name.matches(cs.controlText(c.handle))) continue;
      if (++seen < (n == 0 ? 1 : n)) continue;
      const int32_t state = buttonState(c.handle);
      if (checkState) return cs.isEnabled(c.handle) ? state : -1;
      const int32_t wanted = check == 0 ? 0 : check == 2 ? 2 : 1;
      bringForward(c.handle);
      if (state == wanted) return 1;
      pressButton(c.handle);
      awaitStateChange(c.handle, state);
      // A 3-state box goes unchecked, checked, indeterminate: a second click
      // may be needed to reach or leave the third state.
      if (wanted == 2 || state == 2) {
        for (int i = 0; i < 2; ++i) {
          run.platform().sleepMs(20);
          run.pumpMessages(20);
        }
        const int32_t now = buttonState(c.handle);
        if (now != wanted) {
          pressButton(c.handle);
          awaitStateChange(c.handle, now);
        }
      }
      return 1;
    }
    return -1;
  }

  // The first (or, with CLK_OFTHIS, the n-th) entry of `entries` that one
  // of the names matches; -1 for none.
  int32_t matchingEntry(const std::vector<u16>& entries, const std::vector<ItemName>& names, int64_t wanted) {
    int64_t seen = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
      if (matchesAny(names, entries[i]) && ++seen >= wanted) return static_cast<int32_t>(i);
    }
    return -1;
  }

  bool listBox(const CollectedControl& c, const std::vector<ItemName>& names) {
    const std::vector<u16> entries = cs.listEntries(c.handle, c.cls);
    if (cs.style(c.handle) & 0x808) {  // LBS_MULTIPLESEL | LBS_EXTENDEDSEL
      size_t found = 0;
      bool cleared = false;
      for (size_t i = 0; i < entries.size() && found < names.size(); ++i) {
        if (!matchesAny(names, entries[i])) continue;
        // The list takes the focus only when it holds a wanted entry.
        if (!cleared) {
          bringForward(c.handle);
          cs.setListSelected(c.handle, -1, false);
          if (names.size() == 1) cs.setListCaret(c.handle, static_cast<int32_t>(i));
          cleared = true;
        }
        cs.setListSelected(c.handle, static_cast<int32_t>(i), true);
        ++found;
      }
      return found == names.size();
    }
    const int32_t index = matchingEntry(entries, names, (kind & kClickOfThis) && n > 0 ? n : 1);
    if (index < 0) return false;
    bringForward(c.handle);
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (attempt > 0) run.platform().sleepMs(50);
      cs.setListCurrent(c.handle, c.cls, index);
      if (!postedClick(c.handle, 1, 1)) nudge(c.handle, index == 0);
      if (cs.listCurrent(c.handle, c.cls) == index) return true;
    }
    return false;
  }

  // Where the real cursor is while a combo box's list is open: with
  // CLK_MUSMOVE on the combo box; in the background 4 pixels beside it
  // (right, or left near the desktop's right edge), so that an open list
  // under the cursor does not follow it, and put back afterwards.
  struct CursorParking {
    ControlSystem& cs;
    bool parked = false;
    int32_t x = 0, y = 0;
    CursorParking(Click& click, WindowHandle combo) : cs(click.cs) {
      WindowRect r;
      if (!click.ws.windowRect(combo, r)) return;
      if (click.kind & kClickMouseMove) {
        cs.moveCursorTo(combo, r.width() / 2, r.height() / 2);
      } else if (click.back && cs.cursorPosition(x, y)) {
        parked = true;
        const bool nearEdge = r.right >= cs.desktopRight() - 10;
        cs.setCursorPosition(nearEdge ? r.left - 4 : r.right + 4, (r.top + r.bottom) / 2);
      }
    }
    ~CursorParking() {
      if (parked) cs.setCursorPosition(x, y);
    }
    CursorParking(const CursorParking&) = delete;
    CursorParking& operator=(const CursorParking&) = delete;
  };

  bool comboBox(const CollectedControl& c, const std::vector<ItemName>& names) {
    const int32_t index = matchingEntry(cs.listEntries(c.handle, c.cls), names, (kind & kClickOfThis) && n > 0 ? n : 1);
    if (index < 0) return false;
    bringForward(c.handle);
    const CursorParking parking(*this, c.handle);
    // Classes drawn anew on every size change open their list first, as a
    // user's click would.
    const bool dropped = (cs.classStyle(c.handle) & 0x3) != 0;  // CS_VREDRAW | CS_HREDRAW
    if (dropped) {
      cs.showDropDown(c.handle, true);
      run.pumpMessages(20);
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (attempt > 0) {
        run.platform().sleepMs(100);
        run.pumpMessages(20);
      }
      cs.setListCurrent(c.handle, c.cls, index);
      nudge(c.handle, index == 0);
      if (cs.listCurrent(c.handle, c.cls) == index) {
        if (dropped) cs.sendKey(c.handle, window, kVkReturn);
        return true;
      }
    }
    if (dropped) cs.showDropDown(c.handle, false);
    return false;
  }

  // Posted clicks at the centre of an item's rectangle, when the kind asks
  // for them and the rectangle can be read.
  bool clickAtItem(const CollectedControl& c, uint64_t item) {
    WindowRect r;
    if ((kind & (kClickLeft | kClickRight | kClickDouble)) == 0 || !cs.itemRect(c.handle, c.cls, item, r)) return false;
    return postedClick(c.handle, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }

  int32_t tabs(const ItemName& name) {
    int64_t seen = 0;
    for (const CollectedControl& c : family(kFamilyTab)) {
      const std::vector<u16> texts = cs.tabTexts(c.handle);
      for (size_t i = 0; i < texts.size(); ++i) {
        if (!name.matches(texts[i]) || ++seen < (n == 0 ? 1 : n)) continue;
        if (checkState) return 1;
        const auto index = static_cast<int32_t>(i);
        bringForward(c.handle);
        if (!clickAtItem(c, i)) cs.selectTab(c.handle, index);
        run.pumpMessages(20);
        return cs.tabCurrent(c.handle) == index ? 1 : 0;
      }
    }
    return -1;
  }

  // Menus: a path "File\Recent\first.txt" descends level by level; a
  // single name is looked for anywhere in the tree (submenus are entered,
  // not matched).
  const MenuEntry* findMenu(const std::vector<MenuEntry>& level, const std::vector<ItemName>& path, size_t part,
                            int64_t& seen) {
    for (const MenuEntry& e : level) {
      if (e.separator || e.greyed) continue;
      const bool last = part + 1 == path.size();
      if (path.size() == 1 && !e.submenu.empty()) {
        if (const MenuEntry* m = findMenu(e.submenu, path, part, seen)) return m;
        continue;
      }
      if (!path[part].matches(e.text)) continue;
      if (!last) {
        if (const MenuEntry* m = findMenu(e.submenu, path, part + 1, seen)) return m;
        continue;
      }
      if (++seen >= (n == 0 ? 1 : n)) return &e;
    }
    return nullptr;
  }

  int32_t menu(const u16& name) {
    const std::vector<MenuEntry> bar = cs.menuBar(window);
    if (bar.empty()) return -1;
    std::vector<ItemName> path;
    u16v rest = name;
    if (!rest.empty() && rest.front() == u'\\') rest.remove_prefix(1);
    const bool partial = (kind & kClickShort) != 0;
    for (size_t start = 0; path.size() < 33;) {
      const size_t sep = rest.find(u'\\', start);
      path.emplace_back(trimCtl(rest.substr(start, sep == u16v::npos ? u16v::npos : sep - start)), true, partial);
      if (sep == u16v::npos) break;
      start = sep + 1;
    }
    int64_t seen = 0;
    const MenuEntry* item = findMenu(bar, path, 0, seen);
    if (!item) return -1;
    if (!back) ws.activate(window, false);
    bool checked = item->checked, greyed = false;
    // The submenu opens as it would for a user, and the program may set
    // the item's state now.
    if (!item->onBar && cs.initMenuPopup(window, *item, checked, greyed)) run.pumpMessages(2);
    if (greyed) return -1;
    if (checkState) return checked ? 1 : 0;
    const bool wantChecked = check != 0;
    if (checked == wantChecked) return 0;
    cs.postMenuCommand(window, item->id);
    return 1;
  }

  // Tree views: the path's parts one level each, from the roots.
  int32_t trees(const u16& name) {
    std::vector<ItemName> path;
    const bool partial = (kind & kClickShort) != 0;
    u16v rest = name;
    for (size_t start = 0;;) {
      const size_t sep = rest.find(u'\\', start);
      path.emplace_back(rest.substr(start, sep == u16v::npos ? u16v::npos : sep - start), false, partial);
      if (sep == u16v::npos) break;
      start = sep + 1;
    }
    const std::vector<CollectedControl> controls = family(kFamilyTreeView);
    for (size_t k = 0; k < controls.size(); ++k) {
      if (n > 0 && static_cast<int64_t>(k) + 1 != n) continue;
      const CollectedControl& c = controls[k];
      uint64_t item = 0;
      for (const ItemName& part : path) {
        // Opening the item on the way fills trees built on demand.
        if (item != 0) cs.expandTreeItem(c.handle, item);
        uint64_t next = 0;
        for (const ControlSystem::TreeItem& child : cs.treeChildren(c.handle, item)) {
          if (part.matches(child.text)) {
            next = child.handle;
            break;
          }
        }
        item = next;
        if (item == 0) break;
      }
      if (item == 0) continue;
      if (checkState) return cs.treeItemCheck(c.handle, item);
      bringForward(c.handle);
      if (!clickAtItem(c, item)) cs.selectTreeItem(c.handle, item);
      return 1;
    }
    return -1;
  }

  // List views: rows by their first column's text, the n-th match over
  // all list views.
  int32_t listViews(const ItemName& name) {
    int64_t seen = 0;
    for (const CollectedControl& c : family(kFamilyListView)) {
      const std::vector<u16> rows = cs.listViewTexts(c.handle, 0);
      for (size_t i = 0; i < rows.size(); ++i) {
        if (!name.matches(rows[i]) || ++seen < (n == 0 ? 1 : n)) continue;
        const auto row = static_cast<int32_t>(i);
        if (checkState) return cs.listViewCheck(c.handle, row);
        bringForward(c.handle);
        if (!clickAtItem(c, i)) cs.selectListViewRow(c.handle, row, !cs.ctrlHeld());
        return 1;
      }
    }
    return -1;
  }

  bool inTaskbar(WindowHandle h) {
    for (int depth = 0; h != 0 && depth < 64; ++depth, h = ws.parent(h)) {
      if (upperFull(ws.className(h)) == u"SHELL_TRAYWND") return true;
    }
    return false;
  }

  // Toolbars: the n-th enabled button whose caption matches, clicked
  // through its rectangle.
  int32_t toolbars(const ItemName& name) {
    int64_t seen = 0;
    for (const CollectedControl& c : family(kFamilyToolbar)) {
      const std::vector<ToolbarEntry> buttons = cs.toolbarButtons(c.handle);
      // The notification area hides the icons it has no room for; they
      // are there to be clicked all the same.
      const bool tray = inTaskbar(c.handle);
      for (size_t i = 0; i < buttons.size(); ++i) {
        const ToolbarEntry& b = buttons[i];
        if (!b.enabled || (b.hidden && !tray) || !name.matches(b.caption) || ++seen < (n == 0 ? 1 : n)) continue;
        if (checkState) return 1;
        WindowRect r;
        if (!cs.itemRect(c.handle, c.cls, i, r)) return 0;
        bringForward(c.handle);
        cs.setHotItem(c.handle, static_cast<int32_t>(i));
        cs.postLeftClick(c.handle, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        return 1;
      }
    }
    return -1;
  }

  // Accessible objects: the n-th object of the kind's query whose text
  // matches. With a CHK_ kind its check state; otherwise it is operated
  // as a user's click would: the mouse flags click at its place, else its
  // default action, else it is selected, else it is clicked at its place.
  // `sort` narrows the query (CHKBTN's check boxes).
  int32_t accessible(const u16& name, std::optional<AccessibleQuery::Sort> sort = std::nullopt) {
    AccessibilitySystem* as = cs.accessibility();
    if (!as) return -1;
    if (!back) ws.activate(window, false);
    AccessibleQuery q = clickQuery(kind);
    if (sort) q.sort = *sort;
    q.enabledOnly = !includeDisabled && !checkState;
    const ItemName wanted(name, q.field == AccessibleQuery::Field::kName, (kind & kClickShort) != 0);
    int64_t seen = 0;
    int32_t result = -1;
    walkAccessible(ws, *as, window, q, [&](const AccessibleHit& hit) {
      if (!wanted.matches(hit.text) || ++seen < (n == 0 ? 1 : n)) return false;
      result = checkState ? checkStateOf(hit.state) : operate(hit) ? 1 : 0;
      return true;
    });
    return result;
  }

  bool operate(const AccessibleHit& hit) {
    if (hit.role == kRoleCheckButton || hit.role == kRoleRadioButton) {
      // A check box already in the wanted state is left alone.
      const int32_t wantedState = check == 0 ? 0 : check == 2 ? 2 : 1;
      if (checkStateOf(hit.state) == wantedState) return true;
    }
    WindowRect place, client;
    const bool placed = hit.node.location(place) && ws.clientRect(hit.host, client);
    const int32_t x = placed ? (place.left + place.right) / 2 - client.left : 0;
    const int32_t y = placed ? (place.top + place.bottom) / 2 - client.top : 0;
    if (placed && postedClick(hit.host, x, y)) return true;
    if (hit.node.doDefaultAction() || hit.node.select()) return true;
    if (!placed) return false;
    cs.postLeftClick(hit.host, x, y);
    return true;
  }

  int32_t lists(const std::vector<ItemName>& names) {
    const std::vector<CollectedControl> controls = family(kFamilyList);
    for (size_t k = 0; k < controls.size(); ++k) {
      // n counts list controls, except under CLK_OFTHIS, where it counts
      // matching entries of one list.
      if (n > 0 && !(kind & kClickOfThis) && static_cast<int64_t>(k) + 1 != n) continue;
      const CollectedControl& c = controls[k];
      const bool combo = c.cls.find(u"COMBOBOX") != u16::npos;
      if (checkState) {
        if (matchingEntry(cs.listEntries(c.handle, c.cls), names, 1) >= 0) return 1;
        continue;
      }
      if (combo ? comboBox(c, names) : listBox(c, names)) return 1;
    }
    return -1;
  }
};

}  // namespace

int32_t accessibleCheckBox(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, const u16& name,
                           int64_t n) {
  const WindowHandle window = id > 0 ? handleFromId(run, ws, id) : 0;
  if (window == 0) return -1;
  waitUntilAnsweringUnlocked(run, ws, window);
  Click c{run, ws, cs, window, uint32_t{kFamilyAccessible} | kClickCheckState, 0, n < 1 ? 1 : n, false, false, true};
  return c.accessible(name, AccessibleQuery::Sort::kCheckable);
}

int32_t clickItem(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, const ClickRequest& r) {
  if (id <= 0) return r.kind > 0 && (static_cast<uint32_t>(r.kind) & kClickCheckState) ? -1 : 0;
  const WindowHandle window = handleFromId(run, ws, id);
  // No family given (only the modifiers CLK_SHORT to CLK_DBLCLK,
  // CLK_OFTHIS, CLK_FROMLAST, CLK_CONTINUE): every basic family. Bits
  // beyond the 32 of a kind name no family, and a kind holding them is not
  // taken for its low bits alone.
  uint32_t kind = r.kind <= 0 ? 0xFF : static_cast<uint32_t>(r.kind);
  if ((static_cast<uint64_t>(r.kind) & ~uint64_t{0x3F00u | kClickOfThis | kClickFromLast | kClickContinue}) == 0) {
    kind |= 0xFF;
  }
  const bool checkState = (kind & kClickCheckState) != 0;
  const int32_t missing = checkState ? -1 : 0;
  if (window == 0) return missing;
  run.pumpMessages(20);
  waitUntilAnsweringUnlocked(run, ws, window);
  // A window out of sight is brought forward by the operation; what was in
  // front is put back at the end.
  const WindowHandle previous = ws.isMinimised(window) || !ws.isVisible(window) ? ws.foreground() : 0;
  Click c{run, ws, cs, window, kind, r.check, std::llabs(r.n), r.n < 0, (kind & kClickBack) != 0, checkState};
  const bool partial = (kind & kClickShort) != 0;
  int32_t result = -1;
  if (kind & kFamilyButton) result = c.buttons(ItemName(r.name, true, partial));
  // The families in a fixed order; the first one that acts ends the search.
  auto failed = [&] { return checkState ? result < 0 : result <= 0; };
  if (failed() && (kind & kFamilyList)) {
    const bool multi = r.name.find(u'\t') != u16::npos;
    result = c.lists(multi ? itemNames(r.name, false, partial) : std::vector<ItemName>{ItemName(r.name, false, partial)});
  }
  if (failed() && (kind & kFamilyTab)) result = std::max(result, c.tabs(ItemName(r.name, true, partial)));
  if (failed() && (kind & 0x4)) result = std::max(result, c.menu(r.name));
  if (failed() && (kind & kFamilyTreeView)) result = std::max(result, c.trees(r.name));
  if (failed() && (kind & kFamilyListView)) result = std::max(result, c.listViews(ItemName(r.name, false, partial)));
  if (failed() && (kind & kFamilyToolbar)) result = std::max(result, c.toolbars(ItemName(r.name, true, partial)));
  if (failed() && (kind & kFamilyAccessible)) result = std::max(result, c.accessible(r.name));
  if (previous != 0) ws.activate(previous, false);
  if (result < 0) return missing;
  // CLK_CONTINUE returns at once: the operation may have opened a modal
  // dialog or started a long job, and the window would not answer.
  if ((result > 0 || checkState) && !(kind & kClickContinue)) c.settle(window);
  if (checkState) return result;
  return result > 0 ? 1 : 0;
}

}  // namespace kova::automation
