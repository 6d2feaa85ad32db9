#pragma once
// The control collector: which descendants of a window count as which kind
// of control, and in which order scripts number them. The Windows side
// reports every descendant as a ControlCandidate; the rules here decide,
// so that they can be tested without a desktop. CLKITEM, GETITEM, GETSTR,
// SENDSTR, SETSLIDER, GETCTLHND and the window-message input mode all
// number controls through it.

#include <cstdint>
#include <vector>

#include "automation/window_search.h"

namespace kova::automation {

// The family bits of a collector mask (the CLK_ / ITM_ constants).
enum ControlFamily : uint32_t {
  kFamilyButton = 0x1,
  kFamilyList = 0x2,
  kFamilyTab = 0x8,
  kFamilyTreeView = 0x10,
  kFamilyListView = 0x20,
  kFamilyToolbar = 0x40,
  kFamilyAccessible = 0x8000,
  kFamilyEdit = 0x20000,
  kFamilyStatic = 0x40000,
  kFamilyStatusBar = 0x80000,
  kFamilySlider = 0x100000,
  kFamilyAll = 0x200000,
  kFamilyBrowserAlways = 0x800000,
};

// The class names of the scroll-bar pseudo-entries of the slider family.
inline constexpr char16_t kHorizontalScrollEntry[] = u"WS_HSCROLL";
inline constexpr char16_t kVerticalScrollEntry[] = u"WS_VSCROLL";

// One descendant (or the window itself) as the system reports it.
struct ControlCandidate {
  WindowHandle handle = 0;
  WindowHandle parent = 0;
  u16 cls;  // the base class where the system tells it, trimmed, upper-cased
  // False when only the handle and the class were read, because the mask
  // cannot take the class (see mayBeCollected): such a candidate never
  // takes part, but still counts among the descendants.
  bool factsRead = true;
  bool visible = false;        // visible, parents included
  bool parentVisible = false;  // the parent is visible
  bool styleVisible = false;   // its own style carries the visible bit
  bool enabled = false;
  bool horizontalScroll = false;  // its style has a horizontal scroll bar
  bool verticalScroll = false;
  bool hasChildren = false;  // read for the accessibility family only
  // It is the window found at its own centre point (nothing covers it).
  bool topmostAtCentre = false;
  int32_t left = 0, top = 0;  // screen position of its rectangle
};

// One entry of the collector's result: a control, or a scroll-bar
// pseudo-entry (the window that has the bar, class kHorizontalScrollEntry
// or kVerticalScrollEntry).
struct CollectedControl {
  WindowHandle handle = 0;
  u16 cls;
};

// Whether the upper-cased class belongs to one of the families in `mask`
// (the accessibility and scroll-bar rules aside).
bool classInFamilies(u16v cls, uint32_t mask);

// Whether a descendant of the upper-cased class can be among the controls
// `mask` asks for in any state. When not, the system need not read its
// other facts (each costs a call into the window server, and a window may
// have hundreds of children of other families).
bool mayBeCollected(u16v cls, uint32_t mask);

// The controls among `descendants` (in enumeration order) that `mask`
// asks for, numbered top to bottom, then left to right; scroll-bar
// pseudo-entries of descendants follow, then those of `window` itself.
// Only visible controls take part (or those on a hidden tab page: parent
// hidden, own style visible), and only enabled ones unless
// `includeDisabled` or the mask asks for accessibility, every control or
// check states.
std::vector<CollectedControl> collectControls(const std::vector<ControlCandidate>& descendants,
                                              const ControlCandidate& window, uint32_t mask, bool includeDisabled);

// The n-th entry (1-based), or none when n is out of range.
const CollectedControl* nthControl(const std::vector<CollectedControl>& list, int64_t n);

}  // namespace kova::automation
