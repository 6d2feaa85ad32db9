#pragma once
// The portable rules of window identification: which windows are listed,
// how titles and class names match, the order of the find passes, the
// child search and the caption normalisation used by GETCTLHND. They work
// on plain window lists so that they can be tested without a desktop.

#include <cstdint>
#include <vector>

#include "util/u16.h"

namespace kova::automation {

// A window handle as a number; 0 is no window.
using WindowHandle = uint64_t;

// One entry of a window list. Title and class are trimmed and upper-cased.
struct ListedWindow {
  WindowHandle handle = 0;
  u16 title;
  u16 cls;
  bool visible = false;
  uint32_t processId = 0;
  bool emptyRect = false;
};

// What the listing rule needs to know of one window.
struct WindowFacts {
  u16 title;  // trimmed, upper-cased
  u16 cls;    // trimmed, upper-cased
  bool visible = false;
  bool enabled = false;
  bool hasParent = false;
  bool hasOwner = false;
  bool hasChild = false;
  bool emptyRect = false;   // zero width or height
  bool ownProgram = false;  // one of KOVA's own forms
};

// The listing rule applied during every enumeration (top-level or child).
bool isListed(const WindowFacts& w);
// True when an invisible window's (title, class) pair is one of the fixed
// system helper windows that are never listed.
bool inHiddenExclusionTable(u16v title, u16v cls);

// The locale's half-width form of `text` (full-width Latin letters, digits,
// signs and katakana become half-width).
u16 halfWidth(u16v text);
// `title` and `pattern` are upper-cased. Equal as they are or after both
// are mapped to half width.
bool titleEquals(u16v title, u16v pattern);
// The pattern occurs in the title, as is or in half width. An empty
// pattern is contained in no title.
bool titleContains(u16v title, u16v pattern);
// An empty pattern matches every class; otherwise an upper-cased prefix.
bool classMatches(u16v cls, u16v pattern);

// The title GETID uses for a NULL title argument.
inline constexpr char16_t kNoneTitle[] = u"_DF_NONE_TITLE_";

// The find passes over one desktop list (in Z order): the foreground window
// before the others, visible windows before hidden ones, equal titles
// before containing ones, then the NULL-title and class-only forms.
// `title` and `cls` are upper-cased; an empty title takes part only in
// the class-only pass. 0 when nothing matches.
WindowHandle findInList(const std::vector<ListedWindow>& list, WindowHandle foreground, u16v title, u16v cls);
// The passes for a started process: its first visible window with a
// non-empty rectangle, else its first with a non-empty rectangle, else its
// first window.
WindowHandle findProcessWindow(const std::vector<ListedWindow>& list, uint32_t processId);
// The child search over a child list, without class condition: foreground
// equal, visible equal, any equal, foreground containing, visible
// containing, any containing. `title` is upper-cased; an empty one
// finds nothing.
WindowHandle findChildInList(const std::vector<ListedWindow>& list, WindowHandle foreground, u16v title);

// Caption normalisation of control captions and wanted names: cut at the
// first TAB, trim, then (when longer than 2 characters) drop trailing ":",
// "." and spaces, a trailing "(X)" or "(&X)" accelerator group and every
// "&", and trim again.
u16 normaliseCaption(u16v text);

}  // namespace kova::automation
