#pragma once
// The accessibility search: which accessible objects of a window CLKITEM,
// CHKBTN, SENDSTR, GETSTR and GETITEM look at, and which of their texts
// they compare or list. The rules are portable; the objects come from an
// AccessibilitySystem.
//
// The kinds, and what each takes part with (GETITEM's ITM_ACC* kinds list
// exactly the texts the matching CLKITEM kind compares):
//
//   CLK_ACC   ITM_ACCCLK    clickable objects (buttons, check and radio
//                           buttons, menu items, list and tree items, tabs,
//                           links, cells, headers): their names
//   CLK_ACC2  ITM_ACCCLK2   the same, hidden objects too (on pages out of
//                           sight, in closed branches)
//   CLK_ACCN  ITM_ACCCLKN   objects of every role: their names
//   CLK_ACCV  ITM_ACCCLKV   objects of every role: their values (a link's
//                           address, a cell's or an edit's contents)
//             ITM_ACCTXT    texts: a static text's name, an editable text's
//                           value (what a user reads there)
//             ITM_ACCTXT2   the same, hidden ones too
//             ITM_ACCTXTN   texts: their names (the label of an edit)
//             ITM_ACCTXTV   texts: their values
//
// The N and V kinds leave out objects whose text is empty: every object
// has a role, and most have no value. Only visible objects take part
// unless the kind is a "2" kind; only enabled ones when the caller asks.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "automation/accessibility.h"
#include "automation/window_system.h"

namespace kova::automation {

// The bits that tell the accessible kinds apart (CLK_ACC2 = CLK_ACC |
// kAccHidden, and so on).
enum AccessibleModifier : uint32_t {
  kAccHidden = 0x10000000,
  kAccNames = 0x20000000,
  kAccValues = 0x40000000,
};

struct AccessibleQuery {
  // kStatic: static texts and read-only editable texts.
  enum class Sort { kClickable, kEverything, kCheckable, kEditable, kStatic, kText };
  // kText: a static text's name (its value when it has no name), an
  // editable text's value.
  enum class Field { kName, kValue, kText };
  Sort sort = Sort::kClickable;
  Field field = Field::kName;
  bool hidden = false;       // invisible objects take part too
  bool enabledOnly = false;  // unavailable objects do not
  bool skipEmpty = false;    // objects whose text is empty do not
};

// The query of a CLK_ACC kind, and of an ITM_ACCCLK (`texts` false) or
// ITM_ACCTXT (`texts` true) kind.
AccessibleQuery clickQuery(uint32_t kind);
AccessibleQuery listQuery(uint32_t kind, bool texts);

// Whether an object of this role and state belongs to the query's sort.
bool inSort(const AccessibleQuery& q, int32_t role, uint32_t state);

// An object the search met, with what it knows of it. `host` is the window
// whose tree it belongs to.
struct AccessibleHit {
  AccessibleNode& node;
  WindowHandle host;
  int32_t role;
  uint32_t state;
  const u16& text;
};

// Walks the accessible trees of the window's accessibility candidates
// (the collector's family; the window itself when it has none), depth
// first, and hands every object of the query to `visit` until it returns
// true. A tree of more than 20,000 objects or 64 levels is cut there; a
// window that does not answer has no objects. Returns whether `visit`
// ended the walk.
bool walkAccessible(WindowSystem& ws, AccessibilitySystem& as, WindowHandle window, const AccessibleQuery& q,
                    const std::function<bool(const AccessibleHit&)>& visit);

// The texts of every object of the query, in walk order.
std::vector<u16> accessibleTexts(WindowSystem& ws, AccessibilitySystem& as, WindowHandle window,
                                 const AccessibleQuery& q);

// A check box's state from its object's state: 1 checked, 2 mixed, else 0.
int32_t checkStateOf(uint32_t state);

}  // namespace kova::automation
