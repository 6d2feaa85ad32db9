#include "automation/accessible_search.h"

#include "automation/control_collector.h"

namespace kova::automation {

namespace {

constexpr size_t kMaxObjects = 20000;
constexpr int kMaxDepth = 64;

bool clickableRole(int32_t role) {
  switch (role) {
    case kRoleMenuItem:
    case kRoleColumnHeader:
    case kRoleRowHeader:
    case kRoleCell:
    case kRoleLink:
    case kRoleListItem:
    case kRoleOutlineItem:
    case kRolePageTab:
    case kRolePushButton:
    case kRoleCheckButton:
    case kRoleRadioButton:
    case kRoleButtonDropDown:
    case kRoleButtonMenu:
    case kRoleButtonDropDownGrid:
    case kRoleSplitButton: return true;
    default: return false;
  }
}

u16 textOf(AccessibleNode& node, const AccessibleQuery& q, int32_t role) {
  switch (q.field) {
    case AccessibleQuery::Field::kName: return node.name();
    case AccessibleQuery::Field::kValue: return node.value();
    case AccessibleQuery::Field::kText: break;
  }
  if (role == kRoleText) return node.value();
  u16 name = node.name();
  return name.empty() ? node.value() : name;
}

struct Walk {
  const AccessibleQuery& q;
  const std::function<bool(const AccessibleHit&)>& visit;
  WindowHandle host = 0;
  size_t seen = 0;

  // True when `visit` ended the walk.
  bool node(AccessibleNode& n, int depth) {
    if (++seen > kMaxObjects) return false;
    const int32_t role = n.role();
    const uint32_t state = n.state();
    // What is hidden is hidden with everything inside it.
    if (!q.hidden && (state & kStateInvisible)) return false;
    if (inSort(q, role, state) && !(q.enabledOnly && (state & kStateUnavailable))) {
      const u16 text = textOf(n, q, role);
      if (!(q.skipEmpty && text.empty()) && visit(AccessibleHit{n, host, role, state, text})) return true;
    }
    if (depth >= kMaxDepth) return false;
    for (const std::unique_ptr<AccessibleNode>& child : n.children()) {
      if (child && node(*child, depth + 1)) return true;
      if (seen > kMaxObjects) return false;
    }
    return false;
  }
};

}  // namespace

AccessibleQuery clickQuery(uint32_t kind) {
  AccessibleQuery q;
  q.hidden = (kind & kAccHidden) != 0;
  if (kind & kAccNames) {
    q.sort = AccessibleQuery::Sort::kEverything;
    q.skipEmpty = true;
  } else if (kind & kAccValues) {
    q.sort = AccessibleQuery::Sort::kEverything;
    q.field = AccessibleQuery::Field::kValue;
    q.skipEmpty = true;
  }
  return q;
}

AccessibleQuery listQuery(uint32_t kind, bool texts) {
  AccessibleQuery q = clickQuery(kind);
  if (!texts) return q;
  q.sort = AccessibleQuery::Sort::kText;
  q.field = (kind & kAccNames) ? AccessibleQuery::Field::kName
            : (kind & kAccValues) ? AccessibleQuery::Field::kValue
                                  : AccessibleQuery::Field::kText;
  return q;
}

bool inSort(const AccessibleQuery& q, int32_t role, uint32_t state) {
  switch (q.sort) {
    case AccessibleQuery::Sort::kClickable: return clickableRole(role);
    case AccessibleQuery::Sort::kEverything: return true;
    case AccessibleQuery::Sort::kCheckable: return role == kRoleCheckButton || role == kRoleRadioButton;
    case AccessibleQuery::Sort::kEditable: return role == kRoleText && !(state & kStateReadOnly);
    case AccessibleQuery::Sort::kStatic:
      return role == kRoleStaticText || (role == kRoleText && (state & kStateReadOnly));
    case AccessibleQuery::Sort::kText: return role == kRoleText || role == kRoleStaticText;
  }
  return false;
}

bool walkAccessible(WindowSystem& ws, AccessibilitySystem& as, WindowHandle window, const AccessibleQuery& q,
                    const std::function<bool(const AccessibleHit&)>& visit) {
  // A window that does not answer would not answer its objects' questions
  // either, and each would wait for it.
  if (ws.isBusy(window)) return false;
  std::vector<WindowHandle> hosts;
  for (const CollectedControl& c : ws.collectControls(window, kFamilyAccessible, true)) hosts.push_back(c.handle);
  if (hosts.empty()) hosts.push_back(window);
  Walk walk{q, visit};
  for (WindowHandle host : hosts) {
    std::unique_ptr<AccessibleNode> root = as.fromWindow(host);
    if (!root) continue;
    walk.host = host;
    if (walk.node(*root, 0)) return true;
    if (walk.seen > kMaxObjects) break;
  }
  return false;
}

std::vector<u16> accessibleTexts(WindowSystem& ws, AccessibilitySystem& as, WindowHandle window,
                                 const AccessibleQuery& q) {
  std::vector<u16> out;
  walkAccessible(ws, as, window, q, [&](const AccessibleHit& hit) {
    out.push_back(hit.text);
    return false;
  });
  return out;
}

int32_t checkStateOf(uint32_t state) {
  if (state & kStateMixed) return 2;
  return (state & kStateChecked) ? 1 : 0;
}

}  // namespace kova::automation
