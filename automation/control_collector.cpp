#include "automation/control_collector.h"

#include <algorithm>
#include <initializer_list>

namespace kova::automation {

namespace {

bool containsAny(u16v cls, std::initializer_list<const char16_t*> parts) {
  for (const char16_t* p : parts) {
    if (cls.find(p) != u16v::npos) return true;
  }
  return false;
}

bool takesPart(const ControlCandidate& c, uint32_t mask, bool includeDisabled) {
  if (!c.factsRead) return false;
  // A control on a hidden tab page: its parent is hidden, its own style
  // still carries the visible bit.
  if (!c.visible && !(!c.parentVisible && c.styleVisible)) return false;
  const bool disabledAllowed = includeDisabled || (mask & (0x8000u | 0x200000u | 0x2000000u | 0x4000000u)) != 0;
  return disabledAllowed || c.enabled;
}

bool accessibleCandidate(const ControlCandidate& c, size_t descendantCount, uint32_t mask) {
  const bool candidate = !c.hasChildren || descendantCount == 1 || c.cls == u"SHELLDLL_DEFVIEW" ||
                         c.cls == u"WMPAPPHOST" || c.cls == u"INTERNET EXPLORER_SERVER" ||
                         c.cls == u"MOZILLAWINDOWCLASS" || c.cls.find(u"TABCONTROL") != u16::npos ||
                         c.topmostAtCentre;
  if (!candidate) return false;
  // ActiveX hosts are left to the accessibility search of their own
  // contents, unless only that search is asked for.
  return c.cls.find(u"ACTIVEX") == u16::npos || mask == 0xC000;
}

struct Keyed {
  CollectedControl control;
  int64_t key;
};

int64_t positionKey(const ControlCandidate& c) { return static_cast<int64_t>(c.top) * 10000 + c.left; }

}  // namespace

bool classInFamilies(u16v cls, uint32_t mask) {
  if ((mask & kFamilyButton) && containsAny(cls, {u"BUTTON", u"BTN", u"CHECKBOX", u"3STATE"})) return true;
  if ((mask & kFamilyList) && containsAny(cls, {u"COMBOBOX", u"COLORBOX", u"LISTBOX"})) return true;
  if ((mask & kFamilyTab) && containsAny(cls, {u"TABCONTROL", u"PAGECONTROL"})) return true;
  if ((mask & kFamilyTreeView) && containsAny(cls, {u"TREEVIEW"})) return true;
  if ((mask & kFamilyListView) && containsAny(cls, {u"LISTVIEW"})) return true;
  if ((mask & kFamilyToolbar) && containsAny(cls, {u"TOOLBAR"})) return true;
  if ((mask & kFamilyEdit) && (containsAny(cls, {u"EDIT", u"DATETIMEPICK", u"HM32CLIENT"}) || cls == u"EDTBX" ||
                               (cls.size() == 4 && cls.starts_with(u"_WW"))))
    return true;
  if ((mask & kFamilyStatic) && containsAny(cls, {u"STATIC", u"STATUS", u"MSOUNISTAT"})) return true;
  if ((mask & kFamilyStatusBar) && containsAny(cls, {u"STATUSBAR"})) return true;
  if ((mask & kFamilySlider) && containsAny(cls, {u"TRACKBAR", u"SCROLL"})) return true;
  return (mask & kFamilyAll) != 0;
}

bool mayBeCollected(u16v cls, uint32_t mask) {
  // Accessibility candidates and the scroll bars of a window's style come
  // from every class; the other rules go by the class alone.
  if (mask & (kFamilyAccessible | kFamilySlider | kFamilyAll)) return true;
  if ((mask & kFamilyBrowserAlways) && cls == u"INTERNET EXPLORER_SERVER") return true;
  return classInFamilies(cls, mask);
}

std::vector<CollectedControl> collectControls(const std::vector<ControlCandidate>& descendants,
                                              const ControlCandidate& window, uint32_t mask, bool includeDisabled) {
  std::vector<Keyed> entries;
  auto collected = [&](WindowHandle h, u16v cls) {
    return std::any_of(entries.begin(), entries.end(),
                       [&](const Keyed& e) { return e.control.handle == h && e.control.cls.find(cls) != u16::npos; });
  };
  for (const ControlCandidate& c : descendants) {
    if (!takesPart(c, mask, includeDisabled)) continue;
    if ((mask & kFamilySlider) != 0) {
      // Scroll bars of the window's own style are controls too, numbered
      // after every real control.
      if (c.horizontalScroll) entries.push_back({{c.handle, kHorizontalScrollEntry}, positionKey(c) + 100000001});
      if (c.verticalScroll) entries.push_back({{c.handle, kVerticalScrollEntry}, positionKey(c) + 100000000});
    }
    bool take = classInFamilies(c.cls, mask) ||
                ((mask & kFamilyAccessible) && accessibleCandidate(c, descendants.size(), mask)) ||
                ((mask & kFamilyBrowserAlways) && c.cls == u"INTERNET EXPLORER_SERVER");
    // The combo box inside a ComboBoxEx already listed is not a list of
    // its own.
    if (take && (mask & kFamilyList) && c.cls.find(u"COMBOBOX") != u16::npos &&
        c.cls.find(u"COMBOBOXEX") == u16::npos && collected(c.parent, u"COMBOBOXEX"))
      take = false;
    if (take) entries.push_back({{c.handle, c.cls}, positionKey(c)});
  }
  if ((mask & kFamilySlider) != 0) {
    if (window.horizontalScroll)
      entries.push_back({{window.handle, kHorizontalScrollEntry}, positionKey(window) + 200000001});
    if (window.verticalScroll)
      entries.push_back({{window.handle, kVerticalScrollEntry}, positionKey(window) + 200000000});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
  std::vector<CollectedControl> out;
  out.reserve(entries.size());
  for (Keyed& e : entries) out.push_back(std::move(e.control));
  return out;
}

const CollectedControl* nthControl(const std::vector<CollectedControl>& list, int64_t n) {
  if (n < 1 || n > static_cast<int64_t>(list.size())) return nullptr;
  return &list[static_cast<size_t>(n - 1)];
}

}  // namespace kova::automation
