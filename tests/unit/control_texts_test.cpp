// GETSTR and SENDSTR over fake controls: which control a call reads or
// writes, how text is typed, the clipboard's retries, the date-time picker.

#include <gtest/gtest.h>

#include "automation/control_texts.h"
#include "automation/window_ids.h"
#include "script_test_support.h"
#include "stub_window_system.h"

namespace kova::automation {
namespace {

// Window 100 with edits 1 (disabled), 2 and 3, a static 4, a date-time
// picker 5 and status bars 6 and 7.
class Window final : public testing::StubWindowSystem {
 public:
  bool front = true;
  bool isWindow(WindowHandle h) override { return h == 100; }
  WindowHandle foreground() override { return front ? 100 : 555; }
  bool isVisible(WindowHandle) override { return true; }
  u16 title(WindowHandle) override { return u"Main Title"; }
  u16 className(WindowHandle h) override { return h == 5 ? u"SysDateTimePick32" : u"Edit"; }
  std::vector<CollectedControl> collectControls(WindowHandle, uint32_t mask, bool includeDisabled) override {
    std::vector<CollectedControl> out;
    if (mask & kFamilyEdit) {
      if (includeDisabled) out.push_back({1, u"EDIT"});
      out.push_back({2, u"EDIT"});
      out.push_back({3, u"EDIT"});
      out.push_back({5, u"SYSDATETIMEPICK32"});
    }
    if (mask & kFamilyStatic) out.push_back({4, u"STATIC"});
    if (mask & kFamilyStatusBar) {
      out.push_back({6, u"MSCTLS_STATUSBAR32"});
      out.push_back({7, u"MSCTLS_STATUSBAR32"});
    }
    return out;
  }
};

class Texts final : public testing::StubControlSystem {
 public:
  std::vector<std::string> log;
  u16 clipboard = u"on the clipboard";
  int busyClipboard = 0;  // setClipboardText fails this many times
  u16 controlText(WindowHandle h) override { return u"text of " + toU16(static_cast<int64_t>(h)); }
  std::vector<u16> statusParts(WindowHandle h) override {
    return h == 6 ? std::vector<u16>{u"Ready", u"Line 1"} : std::vector<u16>{u"UTF-8"};
  }
  u16 clipboardText() override { return clipboard; }
  bool setClipboardText(const u16& text) override {
    if (busyClipboard-- > 0) return false;
    clipboard = text;
    return true;
  }
  WindowHandle focusedControl(WindowHandle) override { return 3; }
  // Control 3 has "xt o" selected; the others tell nothing.
  bool editSelection(WindowHandle h, int32_t& start, int32_t& end) override {
    start = 2;
    end = 6;
    return h == 3;
  }
  bool setControlText(WindowHandle h, const u16& text) override {
    log.push_back("set " + std::to_string(h) + " " + toUtf8(text));
    return true;
  }
  void sendCharacter(WindowHandle h, char16_t c) override {
    log.push_back("char " + std::to_string(h) + " " + std::to_string(static_cast<int>(c)));
  }
  void setModified(WindowHandle h) override { log.push_back("modified " + std::to_string(h)); }
  void focusControl(WindowHandle h) override { log.push_back("focus " + std::to_string(h)); }
  void postLeftClick(WindowHandle h, int32_t x, int32_t y) override {
    log.push_back("click " + std::to_string(h) + " " + std::to_string(x) + "," + std::to_string(y));
  }
};

struct ControlTexts : ::testing::Test {
  kova::testing::RecordingHost host;
  TUScript engine{hostPlatform(), host};
  RunContext& run = engine.runContext();
  Window ws;
  Texts cs;
  int64_t id = idFromHandle(run, 100);
  std::string get(int64_t n, int32_t kind, int64_t which = -2) {
    return toUtf8(getString(run, ws, cs, which == -2 ? id : which, n, kind));
  }
};

TEST_F(ControlTexts, GetStrReadsTheControlItNames) {
  EXPECT_EQ(get(0, kStrEdit, 0), "on the clipboard");  // id 0
  EXPECT_EQ(get(0, kStrEdit), "text of 3");             // the focused control
  EXPECT_EQ(get(0, kStrStatic), "Main Title");         // the window's own title
  EXPECT_EQ(get(1, kStrEdit), "text of 2");             // enabled ones counted
  EXPECT_EQ(get(-1, kStrEdit), "text of 1");            // disabled ones too
  EXPECT_EQ(get(1, kStrStatic), "text of 4");
  EXPECT_EQ(get(9, kStrEdit), "");
  EXPECT_EQ(get(1, kStrEdit, 77), "");  // no such window
  // Status-bar parts are numbered across all status bars.
  EXPECT_EQ(get(2, kStrStatus), "Line 1");
  EXPECT_EQ(get(3, kStrStatus), "UTF-8");
  EXPECT_EQ(get(0, kStrStatus), "Ready");
  EXPECT_EQ(get(4, kStrStatus), "");
  // GETSTR's flag: the selected part of an edit only.
  EXPECT_EQ(toUtf8(getString(run, ws, cs, id, 0, kStrEdit, true)), "xt o");
  EXPECT_EQ(toUtf8(getString(run, ws, cs, id, 1, kStrEdit, true)), "");
  EXPECT_EQ(toUtf8(getString(run, ws, cs, id, 0, kStrStatic, true)), "Main Title");
}

TEST_F(ControlTexts, SendStrTypesOrReplaces) {
  sendString(run, ws, cs, id, u"ab\r\nc", 0, false);
  EXPECT_EQ(cs.log, (std::vector<std::string>{"char 3 97", "char 3 98", "char 3 13", "char 3 99", "modified 3",
                                              "focus 3"}));
  cs.log.clear();
  ws.front = false;
  sendString(run, ws, cs, id, u"new", 2, true);
  EXPECT_EQ(cs.log, (std::vector<std::string>{"set 3 new", "modified 3", "click 3 29999,29999"}));
  cs.log.clear();
  sendString(run, ws, cs, 999, u"x", 0, false);  // no such window
  EXPECT_TRUE(cs.log.empty());
}

TEST_F(ControlTexts, SendStrToADateTimePickerAlwaysTypes) {
  sendString(run, ws, cs, id, u"2026年12月", 3, true);
  ASSERT_GE(cs.log.size(), 2u);
  EXPECT_EQ(cs.log[0], "click 5 6,6");
  EXPECT_EQ(cs.log[5], "char 5 47");  // 年 typed as "/"
  EXPECT_EQ(cs.log[8], "char 5 47");
}

TEST_F(ControlTexts, TheClipboardIsRetriedWhileBusy) {
  cs.busyClipboard = 5;
  sendString(run, ws, cs, 0, u"copied", 0, false);
  EXPECT_EQ(toUtf8(cs.clipboard), "copied");
  cs.busyClipboard = 1000;
  sendString(run, ws, cs, 0, u"lost", 0, false);
  EXPECT_EQ(toUtf8(cs.clipboard), "copied");
  EXPECT_LE(cs.busyClipboard, 1000 - 257);
}

}  // namespace
}  // namespace kova::automation
