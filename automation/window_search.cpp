#include "automation/window_search.h"

#include <utility>

#include "util/strconv.h"

namespace kova::automation {

namespace {

// Invisible helper windows of the system and of common programs that are
// never listed, as (upper-cased title, class) pairs compared exactly.
constexpr std::pair<u16v, u16v> kHiddenExclusions[] = {
    {u"SYSFADER", u"NETDDE AGENT"},
    {u"NDDEAGNT", u"ACTIVEMOVIE WINDOW"},
    {u"VIDEORENDERER", u"CRTCCLIENT"},
    {u"CRTCCLIENT", u"CRTCIMSERVICE"},
    {u"CRTCIMSERVICE", u"DDE SERVER WINDOW"},
    {u"OLEDDEWNDCLASS", u"MCI COMMAND HANDLING WINDOW"},
    {u"#43", u"DBK"},
    {u"BCWDBKSYNCHWND", u"CONNECTIONS TRAY"},
    {u"CONNECTIONS TRAY", u"MS_WEBCHECKMONITOR"},
    {u"MS_WEBCHECKMONITOR", u"DIEMWIN"},
    {u"DIEMWIN", u"CCAPP"},
    {u"CCAPPWINDOW", u"NISUM WINDOW"},
    {u"NISUMWINDOWCLASSNAME", u"WORKERW"},
    {u"", u"SYSSHADOW"},
    {u"", u"DDE SERVER WINDOW"},
    {u"OLEDDEWNDCLASS 0X########", u"AGENTCHARACTERPROXYRETURNCLASS"},
    {u"AGENTCHARACTERPROXYRETURNCLASS", u"MARSHALINGWINDOW"},
    {u"AGENTCHARACTERSENDWINDOWCLASS", u"MARSHALINGWINDOW"},
    {u"AGENTNOTIFYSINKPROXYWINDOWCLASS", u"AGENTRETURNCLASS"},
    {u"AGENTRETURNCLASS", u"MARSHALINGWINDOW"},
    {u"MAINAGENTSENDWINDOWCLASS", u"AGENT AUDIO MANAGER WINDOW"},
    {u"AUDIOMGRWNDCLASS", u"PROPERTY SHEET PARENT WINDOW"},
    {u"NONTOPMOSTAGENTWINDOWPARENT", u"AGENTCONTROLHIDDENWINDOW"},
    {u"AGENTNOTIFYSINKWINDOW", u"GDI+ WINDOW"},
    {u"GDI+ HOOK WINDOW CLASS", u"ATL:59558308"},
    {u"", u"ATL:008D66D8"},
    {u"", u"THINTWINDOW"},
};
static_assert(std::size(kHiddenExclusions) == 27);

bool excludedClass(u16v cls) { return cls == u"TOOLTIPS_CLASS32" || cls == u"UPDATELINK"; }

}  // namespace

bool inHiddenExclusionTable(u16v title, u16v cls) {
  for (const auto& [t, c] : kHiddenExclusions) {
    if (t == title && c == cls) return true;
  }
  return false;
}

bool isListed(const WindowFacts& w) {
  if (w.title.empty()) {
    if (!(w.visible || !w.hasParent)) return false;
    if (w.cls == u"SYSSHADOW" || w.cls == u"MS_WINNOTE" || w.emptyRect) return false;
  }
  if (w.ownProgram) return false;
  if (w.visible) return !excludedClass(w.cls);
  return w.enabled && (!w.hasOwner || w.hasChild) && !inHiddenExclusionTable(w.title, w.cls) &&
         w.title != u"MSP PNP NOTIFICATION WINDOW" && !excludedClass(w.cls);
}

u16 halfWidth(u16v text) {
  std::optional<u16> mapped = mapString(text, kMapHalfWidth);
  return mapped ? *mapped : u16(text);
}

bool titleEquals(u16v title, u16v pattern) {
  if (title == pattern) return true;
  return halfWidth(title) == halfWidth(pattern);
}

bool titleContains(u16v title, u16v pattern) {
  if (pattern.empty()) return false;
  if (title.find(pattern) != u16v::npos) return true;
  const u16 halfPattern = halfWidth(pattern);
  return !halfPattern.empty() && halfWidth(title).find(halfPattern) != u16::npos;
}

bool classMatches(u16v cls, u16v pattern) { return pattern.empty() || cls.substr(0, pattern.size()) == pattern; }

// An empty pattern takes part only in the class-only pass: it equals no
// title, so that GETID("", class) gives the first window of the class
// rather than the first untitled one, and GETID("") gives nothing.
WindowHandle findInList(const std::vector<ListedWindow>& list, WindowHandle foreground, u16v title, u16v cls) {
  if (title.empty()) {
    if (cls.empty()) return 0;
    for (const ListedWindow& w : list) {
      if (classMatches(w.cls, cls)) return w.handle;
    }
    return 0;
  }
  const ListedWindow* fg = nullptr;
  for (const ListedWindow& w : list) {
    if (w.handle == foreground && foreground != 0) fg = &w;
  }
  auto first = [&](auto&& pred) -> WindowHandle {
    for (const ListedWindow& w : list) {
      if (pred(w)) return w.handle;
    }
    return 0;
  };
  const bool fgUsable = fg && fg->visible && classMatches(fg->cls, cls);
  if (fgUsable && titleEquals(fg->title, title)) return fg->handle;
  if (WindowHandle h = first([&](const ListedWindow& w) {
        return w.visible && classMatches(w.cls, cls) && titleEquals(w.title, title);
      }))
    return h;
  if (fgUsable && titleContains(fg->title, title)) return fg->handle;
  if (WindowHandle h = first([&](const ListedWindow& w) {
        return w.visible && classMatches(w.cls, cls) && titleContains(w.title, title);
      }))
    return h;
  if (WindowHandle h =
          first([&](const ListedWindow& w) { return classMatches(w.cls, cls) && titleEquals(w.title, title); }))
    return h;
  if (WindowHandle h =
          first([&](const ListedWindow& w) { return classMatches(w.cls, cls) && titleContains(w.title, title); }))
    return h;
  if (title == kNoneTitle && !cls.empty()) {
    if (WindowHandle h = first([&](const ListedWindow& w) { return w.title.empty() && classMatches(w.cls, cls); }))
      return h;
  }
  return 0;
}

WindowHandle findProcessWindow(const std::vector<ListedWindow>& list, uint32_t processId) {
  for (const ListedWindow& w : list) {
    if (w.processId == processId && w.visible && !w.emptyRect) return w.handle;
  }
  for (const ListedWindow& w : list) {
    if (w.processId == processId && !w.emptyRect) return w.handle;
  }
  for (const ListedWindow& w : list) {
    if (w.processId == processId) return w.handle;
  }
  return 0;
}

WindowHandle findChildInList(const std::vector<ListedWindow>& list, WindowHandle foreground, u16v title) {
  if (title.empty()) return 0;
  for (int pass = 0; pass < 6; ++pass) {
    const bool contains = pass >= 3;
    const int where = pass % 3;  // 0 foreground, 1 visible, 2 any
    for (const ListedWindow& w : list) {
      if (where == 0 && (foreground == 0 || w.handle != foreground)) continue;
      if (where == 1 && !w.visible) continue;
      if (contains ? titleContains(w.title, title) : titleEquals(w.title, title)) return w.handle;
    }
  }
  return 0;
}

u16 normaliseCaption(u16v text) {
  const size_t tab = text.find(u'\t');
  u16 s = trimCtl(text.substr(0, tab));
  if (s.size() <= 2) return s;
  while (!s.empty() && (s.back() == u':' || s.back() == u'.' || s.back() == u' ')) s.pop_back();
  if (s.size() > 3 && s.back() == u')') {
    if (s[s.size() - 3] == u'(') {
      s.resize(s.size() - 3);
    } else if (s.size() >= 4 && s[s.size() - 4] == u'(' && s[s.size() - 3] == u'&') {
      s.resize(s.size() - 4);
    }
  }
  u16 out;
  for (char16_t c : s) {
    if (c != u'&') out += c;
  }
  return trimCtl(out);
}

}  // namespace kova::automation
