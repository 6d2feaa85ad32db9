// The accessibility search over fake object trees: which objects each kind
// takes part with, the walk's order and bounds, and how CLKITEM, CHKBTN,
// GETSTR, SENDSTR and GETITEM use what it finds.

#include <gtest/gtest.h>

#include <map>

#include "automation/accessible_search.h"
#include "automation/click_item.h"
#include "click_test_support.h"
#include "automation/control_texts.h"
#include "automation/item_lists.h"
#include "automation/window_ids.h"
#include "script_test_support.h"
#include "stub_window_system.h"

namespace kova::automation {
namespace {

// One fake object; its children are shared so that a test can look at
// them after the walk. `endless` makes a tree without end (every object
// has two children like itself).
struct FakeObject {
  u16 name, value;
  int32_t role = kRoleClient;
  uint32_t state = 0;
  std::vector<std::shared_ptr<FakeObject>> kids;
  WindowRect place{10, 20, 30, 40};
  bool acts = true;      // the default action works
  bool selects = false;  // selecting works
  bool endless = false;
  int actions = 0, selections = 0;
  std::vector<u16> values;  // what setValue received
};

std::shared_ptr<FakeObject> object(const char16_t* name, int32_t role, uint32_t state = 0, const char16_t* value = u"") {
  auto o = std::make_shared<FakeObject>();
  o->name = name;
  o->role = role;
  o->state = state;
  o->value = value;
  return o;
}

class FakeNode final : public AccessibleNode {
 public:
  explicit FakeNode(std::shared_ptr<FakeObject> o) : o_(std::move(o)) {}
  u16 name() override { return o_->name; }
  u16 value() override { return o_->value; }
  int32_t role() override { return o_->role; }
  uint32_t state() override { return o_->state; }
  std::vector<std::unique_ptr<AccessibleNode>> children() override {
    std::vector<std::unique_ptr<AccessibleNode>> out;
    if (o_->endless) {
      for (int i = 0; i < 2; ++i) out.push_back(std::make_unique<FakeNode>(o_));
    }
    for (const auto& k : o_->kids) out.push_back(std::make_unique<FakeNode>(k));
    return out;
  }
  bool location(WindowRect& r) override {
    r = o_->place;
    return true;
  }
  bool doDefaultAction() override {
    if (o_->acts) ++o_->actions;
    return o_->acts;
  }
  bool setValue(const u16& v) override {
    o_->values.push_back(v);
    o_->value = v;
    return true;
  }
  bool select() override {
    if (o_->selects) ++o_->selections;
    return o_->selects;
  }

 private:
  std::shared_ptr<FakeObject> o_;
};

class FakeAccessibility final : public AccessibilitySystem {
 public:
  std::map<WindowHandle, std::shared_ptr<FakeObject>> roots;
  int asked = 0;
  std::unique_ptr<AccessibleNode> fromWindow(WindowHandle h) override {
    ++asked;
    auto it = roots.find(h);
    return it == roots.end() ? nullptr : std::make_unique<FakeNode>(it->second);
  }
  std::unique_ptr<AccessibleNode> fromPoint(int32_t, int32_t) override { return nullptr; }
};

// Window 100 with two accessibility candidates, 1 and 2, in that order.
class Desk final : public kova::testing::StubWindowSystem {
 public:
  std::vector<WindowHandle> candidates{1, 2};
  std::vector<WindowHandle> activated;
  bool busy = false;
  bool isBusy(WindowHandle) override { return busy; }
  bool isWindow(WindowHandle h) override { return h == 100; }
  bool isVisible(WindowHandle) override { return true; }
  void activate(WindowHandle h, bool) override { activated.push_back(h); }
  bool clientRect(WindowHandle, WindowRect& r) override {
    r = WindowRect{5, 5, 105, 105};
    return true;
  }
  std::vector<CollectedControl> collectControls(WindowHandle, uint32_t mask, bool) override {
    std::vector<CollectedControl> out;
    if (mask & kFamilyAccessible) {
      for (WindowHandle h : candidates) out.push_back({h, u"PANEL"});
    }
    if (mask & kFamilyButton) out.push_back({9, u"BUTTON"});
    return out;
  }
};

class Controls final : public kova::testing::StubControlSystem {
 public:
  FakeAccessibility acc;
  std::vector<std::string> log;
  AccessibilitySystem* accessibility() override { return &acc; }
  // Button 9 is owner-drawn: it answers no check-state message.
  u16 controlText(WindowHandle h) override { return h == 9 ? u"Owner" : u""; }
  uint32_t style(WindowHandle h) override { return h == 9 ? 0xB : 0; }
  void postLeftClick(WindowHandle h, int32_t x, int32_t y) override {
    log.push_back("click " + std::to_string(h) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void postMouseClick(WindowHandle h, int32_t x, int32_t y, bool right, bool) override {
    log.push_back(std::string(right ? "right " : "left ") + std::to_string(h) + " " + std::to_string(x) + "," +
                  std::to_string(y));
  }
};

struct AccessibleSearch : kova::testing::ClickTest<Desk, Controls, 100> {
  std::shared_ptr<FakeObject> panel = object(u"Panel", kRoleClient);
  std::shared_ptr<FakeObject> save = object(u"&Save...", kRolePushButton);
  std::shared_ptr<FakeObject> box = object(u"Box", kRoleCheckButton, kStateChecked);
  std::shared_ptr<FakeObject> hidden = object(u"Hidden", kRolePushButton, kStateInvisible);
  std::shared_ptr<FakeObject> inside = object(u"Inside", kRoleListItem);
  std::shared_ptr<FakeObject> edit = object(u"Name:", kRoleText, 0, u"Ann");
  std::shared_ptr<FakeObject> label = object(u"Caption", kRoleStaticText);
  std::shared_ptr<FakeObject> link = object(u"Docs", kRoleLink, kStateUnavailable, u"http://example.invalid/");

  AccessibleSearch() {
    hidden->kids = {inside};  // what is hidden is hidden with its contents
    panel->kids = {save, box, hidden, edit};
    cs.acc.roots[1] = panel;
    cs.acc.roots[2] = object(u"Second", kRoleClient);
    cs.acc.roots[2]->kids = {label, link};
  }
  std::vector<u16> texts(AccessibleQuery q) { return accessibleTexts(ws, cs.acc, 100, q); }
};

TEST_F(AccessibleSearch, EachKindTakesPartWithItsObjectsAndTexts) {
  using V = std::vector<u16>;
  EXPECT_EQ(texts(clickQuery(0x8000)), (V{u"&Save...", u"Box", u"Docs"}));
  EXPECT_EQ(texts(clickQuery(0x10008000)), (V{u"&Save...", u"Box", u"Hidden", u"Inside", u"Docs"}));
  EXPECT_EQ(texts(clickQuery(0x20008000)),
            (V{u"Panel", u"&Save...", u"Box", u"Name:", u"Second", u"Caption", u"Docs"}));
  EXPECT_EQ(texts(clickQuery(0x40008000)), (V{u"Ann", u"http://example.invalid/"}));
  EXPECT_EQ(texts(listQuery(0x800000, true)), (V{u"Ann", u"Caption"}));
  EXPECT_EQ(texts(listQuery(0x20800000, true)), (V{u"Name:", u"Caption"}));
  EXPECT_EQ(texts(listQuery(0x40800000, true)), V{u"Ann"});  // empty values left out
  AccessibleQuery enabled = clickQuery(0x8000);
  enabled.enabledOnly = true;
  EXPECT_EQ(texts(enabled), (V{u"&Save...", u"Box"}));
  // The window itself when it has no candidates; candidates without an
  // object are passed over.
  ws.candidates = {7, 2};
  EXPECT_EQ(texts(clickQuery(0x8000)), V{u"Docs"});
  ws.candidates.clear();
  cs.acc.roots[100] = object(u"Top", kRolePushButton);
  EXPECT_EQ(texts(clickQuery(0x8000)), V{u"Top"});
  ws.busy = true;  // a hung window is not asked
  EXPECT_TRUE(texts(clickQuery(0x8000)).empty());
  EXPECT_EQ(checkStateOf(kStateChecked), 1);
  EXPECT_EQ(checkStateOf(kStateMixed | kStateChecked), 2);
  EXPECT_EQ(checkStateOf(kStateFocused), 0);
}

TEST_F(AccessibleSearch, EndlessTreesAreCut) {
  panel->endless = true;
  AccessibleQuery every = clickQuery(0x20008000);
  int visits = 0;
  walkAccessible(ws, cs.acc, 100, every, [&](const AccessibleHit&) {
    ++visits;
    return false;
  });
  EXPECT_LE(visits, 20000);
  EXPECT_GT(visits, 1000);
}

TEST_F(AccessibleSearch, ClickItemActsAsAUserWould) {
  EXPECT_EQ(click(u"save", 0x8000), 1);
  EXPECT_EQ(save->actions, 1);
  EXPECT_EQ(ws.activated, std::vector<WindowHandle>{100});
  EXPECT_EQ(click(u"Hidden", 0x8000), 0);
  EXPECT_EQ(click(u"Hidden", 0x10008000), 1);
  // A check box in the wanted state is left alone; CHK_ answers its state.
  EXPECT_EQ(click(u"Box", 0x8000, 1), 1);
  EXPECT_EQ(box->actions, 0);
  EXPECT_EQ(click(u"Box", 0x8000, 0), 1);
  EXPECT_EQ(box->actions, 1);
  EXPECT_EQ(click(u"Box", 0x4008000), 1);
  EXPECT_EQ(click(u"Nobody", 0x4008000), -1);
  // Without a default action: selected; without that either: clicked at
  // the centre of its place, in its window's client coordinates.
  save->acts = false;
  save->selects = true;
  EXPECT_EQ(click(u"Save", 0x8000), 1);
  EXPECT_EQ(save->selections, 1);
  save->selects = false;
  EXPECT_EQ(click(u"Save", 0x8000), 1);
  EXPECT_EQ(cs.log, std::vector<std::string>{"click 1 15,25"});
  // The mouse flags click at the place instead; a disabled object counts
  // only with a negative n; values with CLK_ACCV.
  EXPECT_EQ(click(u"Docs", 0x8000 | 0x1000), 0);
  EXPECT_EQ(click(u"Docs", 0x8000 | 0x1000, 1, -1), 1);
  EXPECT_EQ(cs.log.back(), "right 2 15,25");
  EXPECT_EQ(click(u"http://example", 0x40008000 | 0x100, 1, -1), 1);
  EXPECT_EQ(link->actions, 1);
  // The accessible kind comes last: a name no object has is FALSE.
  EXPECT_EQ(click(u"Nobody", 0x8000), 0);
  EXPECT_EQ(accessibleCheckBox(run, ws, cs, id, u"box", 1), 1);
  EXPECT_EQ(accessibleCheckBox(run, ws, cs, id, u"Save", 1), -1);
  EXPECT_EQ(accessibleCheckBox(run, ws, cs, 0, u"box", 1), -1);
}

TEST_F(AccessibleSearch, OwnerDrawnButtonsGoThroughTheirObjects) {
  auto owner = object(u"Owner", kRoleCheckButton, kStateChecked);
  cs.acc.roots[9] = owner;
  EXPECT_EQ(click(u"Owner", 0x4000001), 1);  // CHK_BTN
  EXPECT_EQ(click(u"Owner", 0x1, 1), 1);
  EXPECT_EQ(owner->actions, 0);
  EXPECT_EQ(click(u"Owner", 0x1, 0), 1);
  EXPECT_EQ(owner->actions, 1);
  EXPECT_TRUE(cs.log.empty());
  // Without a default action it is clicked as other buttons are.
  owner->acts = false;
  EXPECT_EQ(click(u"Owner", 0x1, 0), 1);
  EXPECT_EQ(cs.log, std::vector<std::string>{"click 9 0,0"});
}

TEST_F(AccessibleSearch, TextsAreReadAndWritten) {
  auto second = object(u"Other", kRoleText, kStateFocused, u"Bob");
  cs.acc.roots[2]->kids.push_back(second);
  EXPECT_EQ(getString(run, ws, cs, id, 1, kStrAccEdit), u"Ann");
  EXPECT_EQ(getString(run, ws, cs, id, 2, kStrAccEdit), u"Bob");
  EXPECT_EQ(getString(run, ws, cs, id, 0, kStrAccEdit), u"Bob");  // the focused one
  EXPECT_EQ(getString(run, ws, cs, id, 3, kStrAccEdit), u"");
  EXPECT_EQ(getString(run, ws, cs, id, 1, kStrAccStatic), u"Caption");
  sendString(run, ws, cs, id, u" Lee", 1, false, true);
  EXPECT_EQ(edit->values, std::vector<u16>{u"Ann Lee"});
  sendString(run, ws, cs, id, u"Cy", 2, true, true);
  EXPECT_EQ(second->values, std::vector<u16>{u"Cy"});
  // GETITEM's accessible kinds come after the others; ITM_BACK leaves the
  // window where it is.
  ws.activated.clear();
  ItemListRequest r;
  r.kinds = 0x400000 | 0x800000 | kItemBack;
  EXPECT_EQ(listItems(ws, cs, 100, r), (std::vector<u16>{u"&Save...", u"Box", u"Docs", u"Ann Lee", u"Caption", u"Cy"}));
  EXPECT_TRUE(ws.activated.empty());
}

}  // namespace
}  // namespace kova::automation
