#pragma once
// The accessibility layer: the objects a program describes itself with
// (names, roles, states, values, their children and places on the screen,
// default actions), as screen readers see them. It reaches controls that
// draw their items themselves and answer none of the standard controls'
// messages. The Windows build implements it with the system's
// accessibility interface (automation/win); the native build has none.
//
// Roles and states are the system's numbers, so that the rules that pick
// objects can be tested without a desktop.

#include <cstdint>
#include <memory>
#include <vector>

#include "automation/window_search.h"
#include "automation/window_system.h"

namespace kova::automation {

enum AccessibleRole : int32_t {
  kRoleMenuItem = 0x0C,
  kRoleClient = 0x0A,
  kRoleColumnHeader = 0x19,
  kRoleRowHeader = 0x1A,
  kRoleCell = 0x1D,
  kRoleLink = 0x1E,
  kRoleListItem = 0x22,
  kRoleOutlineItem = 0x24,
  kRolePageTab = 0x25,
  kRoleStaticText = 0x29,
  kRoleText = 0x2A,
  kRolePushButton = 0x2B,
  kRoleCheckButton = 0x2C,
  kRoleRadioButton = 0x2D,
  kRoleButtonDropDown = 0x38,
  kRoleButtonMenu = 0x39,
  kRoleButtonDropDownGrid = 0x3A,
  kRoleSplitButton = 0x3E,
};

enum AccessibleState : uint32_t {
  kStateUnavailable = 0x1,
  kStateSelected = 0x2,
  kStateFocused = 0x4,
  kStateChecked = 0x10,
  kStateMixed = 0x20,
  kStateReadOnly = 0x40,
  kStateInvisible = 0x8000,
};

// One accessible object, or one simple element of its parent. Every
// question may cross into the target's process; a target that has gone or
// does not answer gives empty texts, role 0, no children and false.
class AccessibleNode {
 public:
  virtual ~AccessibleNode() = default;
  virtual u16 name() = 0;
  virtual u16 value() = 0;
  virtual int32_t role() = 0;
  virtual uint32_t state() = 0;
  virtual std::vector<std::unique_ptr<AccessibleNode>> children() = 0;
  // The object's rectangle on the screen.
  virtual bool location(WindowRect& r) = 0;
  virtual bool doDefaultAction() = 0;
  virtual bool setValue(const u16& value) = 0;
  // Gives the object the focus and makes it the selection.
  virtual bool select() = 0;
};

class AccessibilitySystem {
 public:
  virtual ~AccessibilitySystem() = default;
  // The object of a window's client area; null when it has none or does
  // not answer.
  virtual std::unique_ptr<AccessibleNode> fromWindow(WindowHandle h) = 0;
  // The innermost object at a point of the screen.
  virtual std::unique_ptr<AccessibleNode> fromPoint(int32_t x, int32_t y) = 0;
};

// The implementation of this build; null where there is none.
AccessibilitySystem* hostAccessibilitySystem();

}  // namespace kova::automation
