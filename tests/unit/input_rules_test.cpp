// The portable rules of input simulation (automation/input.h) over a fake
// input system and a fake desktop: what is sent in which mode, the
// held-input list, the keys' extended bits, the off-desktop rules.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/input.h"
#include "automation/window_ids.h"
#include "script_test_support.h"
#include "stub_window_system.h"

namespace kova::automation {
namespace {

// Records every primitive as a short text.
class FakeInput final : public InputSystem {
 public:
  DesktopArea area{0, 0, 1280, 1024};
  bool swapped = false;
  bool numLockOn = false;
  std::vector<std::string> sent;
  uint16_t stateOf[256] = {};

  DesktopArea desktop() override { return area; }
  void setCursor(int32_t x, int32_t y) override { sent.push_back("cursor " + std::to_string(x) + "," + std::to_string(y)); }
  void mouseEvent(uint32_t flags, int32_t wheel) override {
    sent.push_back("mouse " + std::to_string(flags) + (wheel ? " " + std::to_string(wheel) : ""));
  }
  void keyEvent(uint32_t vk, uint32_t scan, bool extended, bool up) override {
    sent.push_back(std::string(up ? "up " : "down ") + std::to_string(vk) + (extended ? " ext" : "") + " scan" +
                   std::to_string(scan));
    stateOf[vk & 0xFF] = up ? 0 : 0x8000;
    if (vk == 144 && !up) numLockOn = !numLockOn;
  }
  uint32_t scanCode(uint32_t vk) override { return vk + 1000; }
  uint16_t asyncKeyState(uint32_t vk) override { return stateOf[vk & 0xFF]; }
  bool toggled(uint32_t vk) override { return vk == 144 && numLockOn; }
  bool threadKeyDown(uint32_t) override { return false; }
  void clearThreadKey(uint32_t) override {}
  bool buttonsSwapped() override { return swapped; }
  bool post(WindowHandle h, uint32_t message, uint64_t wparam, int64_t lparam) override {
    sent.push_back("post " + std::to_string(h) + " " + std::to_string(message) + " " + std::to_string(wparam) + " " +
                   std::to_string(lparam));
    return true;
  }
  bool blockInput(bool block) override {
    sent.push_back(block ? "block" : "unblock");
    return true;
  }
  void realTimePriority(bool) override {}
  bool imeOpen(WindowHandle) override { return false; }
  int64_t cursorShape() override { return 2; }
};

// One top-level window 77 at (100, 100) with its client area at
// (104, 130), size 300 x 200, and one control 78 at client (10, 10) 50 x 20.
class FakeDesktop final : public kova::testing::StubWindowSystem {
 public:
  bool alive = true;
  bool isWindow(WindowHandle h) override { return alive && (h == 77 || h == 78); }
  WindowHandle foreground() override { return 77; }
  std::vector<ListedWindow> listWindows(WindowHandle) override { return {}; }
  bool waitUntilAnswering(WindowHandle, bool inputIdle) override {
    answerWaits.push_back(inputIdle);
    return false;
  }
  std::vector<bool> answerWaits;  // the inputIdle flag of each wait
  bool windowRect(WindowHandle h, WindowRect& r) override {
    if (!isWindow(h)) return false;
    r = h == 77 ? WindowRect{100, 100, 408, 334} : WindowRect{114, 140, 164, 160};
    return true;
  }
  bool clientRect(WindowHandle h, WindowRect& r) override {
    if (h != 77 || !alive) return false;
    r = WindowRect{104, 130, 404, 330};
    return true;
  }
  u16 title(WindowHandle) override { return u"Fake"; }
  u16 className(WindowHandle) override { return u"FAKE"; }
  bool isVisible(WindowHandle) override { return true; }
  uint32_t processId(WindowHandle) override { return 1; }
  std::vector<CollectedControl> collectControls(WindowHandle h, uint32_t, bool) override {
    if (h != 77) return {};
    return {CollectedControl{78, u"BUTTON"}};
  }
  WindowHandle startedProgramWindow(RunContext&, ChildProcess&, const ExecRequest&) override { return 0; }
};

class HotkeyHost : public testing::RecordingHost {
 public:
  u16 numLockSetting;
  std::vector<int> unregistered;
  int reregistered = 0;
  u16 readSetting(const u16&, const u16& key) override { return key == u"KbdNumLock" ? numLockSetting : u16(); }
  void unregisterHotkeysForKey(int32_t key) override { unregistered.push_back(key); }
  void reregisterHotkeys() override { ++reregistered; }
};

struct InputRules : ::testing::Test {
  HotkeyHost host;
  TUScript engine{hostPlatform(), host};
  // What automation sees of the engine; checks read the engine itself.
  RunContext& run = engine.runContext();
  FakeInput in;
  FakeDesktop ws;
  std::vector<std::string> held() const {
    std::vector<std::string> out;
    for (const u16& e : engine.heldInputs) out.push_back(toUtf8(e));
    return out;
  }
};

TEST(InputKeys, ExtendedKeysAndRightHandVariants) {
  auto stroke = [](int64_t code) {
    const KeyStroke k = keyStroke(code);
    return std::to_string(k.vk) + (k.extended ? "e" : "");
  };
  EXPECT_EQ(stroke(161), "16e");
  EXPECT_EQ(stroke(163), "17e");
  EXPECT_EQ(stroke(165), "18e");
  EXPECT_EQ(stroke(kPadEnter), "13e");
  EXPECT_EQ(stroke(13), "13");
  EXPECT_EQ(stroke(160), "160");
  for (int vk : {33, 34, 35, 36, 37, 38, 39, 40, 45, 46, 111}) EXPECT_EQ(stroke(vk), std::to_string(vk) + "e");
  for (int vk : {32, 41, 65, 110, 112}) EXPECT_EQ(stroke(vk), std::to_string(vk));
  EXPECT_TRUE(validKeyCode(0));
  EXPECT_TRUE(validKeyCode(255));
  EXPECT_TRUE(validKeyCode(901));
  EXPECT_FALSE(validKeyCode(256));
  EXPECT_FALSE(validKeyCode(-1));
  EXPECT_FALSE(validKeyCode(900));
  // Key messages: repeat count 1, scan code, extended bit, key-up bits.
  EXPECT_EQ(keyMessageParam(0x1E, false, false), 0x001E0001);
  EXPECT_EQ(keyMessageParam(0x1C, true, false), 0x011C0001);
  EXPECT_EQ(keyMessageParam(0x1E, false, true), 0xC01E0001LL);
}

TEST_F(InputRules, KeyPressesAreHeldUntilReleasedAndHotkeysStepAside) {
  pressKey(run, in, ws, 16, KeyAction::Down);
  pressKey(run, in, ws, 16, KeyAction::Down);
  EXPECT_EQ(held(), std::vector<std::string>{"KBD16"});
  pressKey(run, in, ws, 901, KeyAction::Click);
  pressKey(run, in, ws, 16, KeyAction::Up);
  EXPECT_TRUE(held().empty());
  EXPECT_EQ(in.sent, (std::vector<std::string>{"down 16 scan1016", "down 16 scan1016", "down 13 ext scan1013",
                                               "up 13 ext scan1013", "up 16 scan1016"}));
  EXPECT_EQ(host.unregistered, (std::vector<int>{16, 16, 13}));
  EXPECT_EQ(host.reregistered, 3);
  // Releasing Enter tells GETID that the windows may have changed.
  EXPECT_TRUE(automationState(run).windowChanged);
}

// SCKEY waits for the window before it starts and before every key, the
// way OPTION OLDBUSY says: by input idle when set, else by a null message.
TEST_F(InputRules, SckeyWaitsForTheWindowAsOldBusySays) {
  sendKeys(run, in, ws, 1, {});
  sendKeys(run, in, ws, 0, {16, 65});
  EXPECT_EQ(ws.answerWaits, (std::vector<bool>{false, false, false}));
  EXPECT_EQ(in.sent, (std::vector<std::string>{"down 16 scan1016", "down 65 scan1065", "up 65 scan1065",
                                               "up 16 scan1016"}));
  ws.answerWaits.clear();
  engine.program.options.oldBusy = true;
  sendKeys(run, in, ws, 0, {65});
  EXPECT_EQ(ws.answerWaits, (std::vector<bool>{true, true}));
}

// SCKEY takes a window and up to 34 keys, one argument more than any other
// built-in.
TEST(SckeyArguments, AWindowAndThirtyFourKeys) {
  std::string keys;
  for (int i = 0; i < 34; ++i) keys += ", 65";
  const std::string script = "TRY\n  SCKEY(-5" + keys + ")\n  PRINT \"ran\"\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\n" +
                             "SCKEY(-5" + keys + ", 65)\nPRINT \"not reached\"\n";
  const testing::RunResult r = testing::runScript({{"main.kov", script}});
#ifdef _WIN32
  EXPECT_EQ(r.printed, std::vector<std::string>{"ran"});
#else
  EXPECT_EQ(r.printed, std::vector<std::string>{"SCKEY: not available on this platform"});
#endif
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0].rfind("Error: There are too many arguments to the Function\r", 0), 0u) << r.errors[0];
}

TEST_F(InputRules, NumLockIsSwitchedOffAroundCursorKeysOnlyWhenAsked) {
  in.numLockOn = true;
  pressKey(run, in, ws, 37, KeyAction::Click);
  EXPECT_EQ(in.sent.size(), 2u);  // setting off: only the arrow
  in.sent.clear();
  host.numLockSetting = u"1";
  pressKey(run, in, ws, 37, KeyAction::Click);
  EXPECT_EQ(in.sent, (std::vector<std::string>{"down 144 scan1144", "up 144 scan1144", "down 37 ext scan1037",
                                               "down 144 scan1144", "up 144 scan1144", "up 37 ext scan1037"}));
  EXPECT_TRUE(in.numLockOn);
  in.sent.clear();
  pressKey(run, in, ws, 65, KeyAction::Click);
  EXPECT_EQ(in.sent.size(), 2u);
}

TEST_F(InputRules, MouseOffTheDesktop) {
  // MMV clamps into the desktop; BTN off it does nothing at all.
  EXPECT_EQ(moveMouse(run, in, ws, -5, 10), InputResult::Done);
  EXPECT_EQ(moveMouse(run, in, ws, 5000000000LL, 99999), InputResult::Done);
  pressButton(run, in, ws, kLeft, KeyAction::Click, 0, true, -5, 10);
  pressButton(run, in, ws, kLeft, KeyAction::Click, 0, true, 10, 1024 + 1);
  EXPECT_EQ(in.sent, (std::vector<std::string>{"cursor 0,10", "cursor 1279,1023"}));
  // The right and bottom edges themselves count as the last pixel.
  in.sent.clear();
  pressButton(run, in, ws, kLeft, KeyAction::Down, 0, true, 1280, 1024);
  EXPECT_EQ(in.sent, (std::vector<std::string>{"cursor 1279,1023", "mouse 2"}));
  EXPECT_EQ(held(), std::vector<std::string>{"LEFTDOWN"});
  // The wheel: its delta as given.
  in.sent.clear();
  pressButton(run, in, ws, kWheelButton, KeyAction::Click, -360, false, 0, 0);
  EXPECT_EQ(in.sent, std::vector<std::string>{"mouse 2048 -360"});
}

TEST_F(InputRules, OriginModesShiftTheCoordinates) {
  const int64_t id = idFromHandle(run, 77);
  setMouseOrigin(run, ws, id, 0);
  moveMouse(run, in, ws, 5, 6);
  setMouseOrigin(run, ws, id, 1);
  moveMouse(run, in, ws, 5, 6);
  // The window goes: the last offset stays.
  ws.alive = false;
  moveMouse(run, in, ws, 1, 1);
  setMouseOrigin(run, ws, 0, 0);
  moveMouse(run, in, ws, 1, 1);
  EXPECT_EQ(in.sent, (std::vector<std::string>{"cursor 105,106", "cursor 109,136", "cursor 105,131", "cursor 1,1"}));
}

TEST_F(InputRules, SwappedButtonsSendThePrimaryButtonEvent) {
  in.swapped = true;
  pressButton(run, in, ws, kLeft, KeyAction::Down, 0, false, 0, 0);
  EXPECT_EQ(in.sent, std::vector<std::string>{"mouse 8"});  // right down
  EXPECT_EQ(held(), std::vector<std::string>{"RIGHTDOWN"});
  // At the end of the run the same event is released.
  FakeInput end;
  releaseHeldEntry(end, engine.heldInputs[0]);
  EXPECT_EQ(end.sent, std::vector<std::string>{"mouse 16"});
}

TEST_F(InputRules, WindowMessageModePostsToTheWindowAndItsControls) {
  const int64_t id = idFromHandle(run, 77);
  setMouseOrigin(run, ws, id, 2);
  pressButton(run, in, ws, kLeft, KeyAction::Down, 0, true, 200, 100);
  // Three moves around the point, then the button with its flag.
  EXPECT_EQ(in.sent, (std::vector<std::string>{"post 77 512 0 6619337", "post 77 512 0 6488263",
                                               "post 77 512 0 6553800", "post 77 513 1 6553800"}));
  EXPECT_EQ(held(), std::vector<std::string>{"LEFTDOWN,77"});
  in.sent.clear();
  // On the control at client (10, 10): the control gets (1, 1).
  pressButton(run, in, ws, kRight, KeyAction::Click, 0, true, 20, 15);
  EXPECT_EQ(in.sent.back(), "post 78 517 1 65537");
  in.sent.clear();
  // A key: posted with scan code; the held entry names the window.
  pressKey(run, in, ws, 66, KeyAction::Down);
  EXPECT_EQ(in.sent, std::vector<std::string>{"post 77 256 66 " + std::to_string(1 + (1066 & 0xFF) * 65536)});
  EXPECT_EQ(held(), (std::vector<std::string>{"LEFTDOWN,77", "KBD66,77"}));
  // 16-bit coordinates only.
  EXPECT_EQ(moveMouse(run, in, ws, 65536, 0), InputResult::CoordinateOutOfRange);
  EXPECT_EQ(moveMouse(run, in, ws, 0, -1), InputResult::CoordinateOutOfRange);
  // The window is gone: nothing is sent at all.
  ws.alive = false;
  in.sent.clear();
  EXPECT_EQ(moveMouse(run, in, ws, 65536, 0), InputResult::Done);
  pressKey(run, in, ws, 66, KeyAction::Click);
  pressButton(run, in, ws, kLeft, KeyAction::Click, 0, true, 1, 1);
  EXPECT_TRUE(in.sent.empty());
}

TEST(InputRelease, EntriesOfTheHeldList) {
  FakeInput in;
  releaseHeldEntry(in, u"LEFTDOWN");
  releaseHeldEntry(in, u"MIDDLEDOWN");
  releaseHeldEntry(in, u"KBD901");
  releaseHeldEntry(in, u"KBD16,4242");
  releaseHeldEntry(in, u"RIGHTDOWN,4242");
  // Entries that name no key are left alone.
  releaseHeldEntry(in, u"KBDX");
  releaseHeldEntry(in, u"KBD99999999999999999999");
  releaseHeldEntry(in, u"KB");
  releaseHeldEntry(in, u"");
  EXPECT_EQ(in.sent, (std::vector<std::string>{"mouse 4", "mouse 64", "up 13 ext scan1013",
                                               "post 4242 257 16 " + std::to_string(0xC0000001LL + 1016 % 256 * 65536),
                                               "post 4242 517 0 0"}));
}

TEST_F(InputRules, KeyStateOfButtonsRemembersPressesSeenByThePump) {
  EXPECT_FALSE(keyState(run, in, ws, 1));
  engine.stickyButtons |= 1;
  EXPECT_TRUE(keyState(run, in, ws, 1));
  EXPECT_FALSE(keyState(run, in, ws, 1));  // read and cleared
  in.stateOf[13] = 0x8000;
  EXPECT_TRUE(keyState(run, in, ws, kPadEnter));
  EXPECT_FALSE(keyState(run, in, ws, 256));
  EXPECT_FALSE(keyState(run, in, ws, -1));
  in.numLockOn = true;
  EXPECT_TRUE(keyState(run, in, ws, 10000));
  // Swapped buttons: the left-button code reads the right button.
  in.swapped = true;
  TUScript other(hostPlatform(), host);
  in.stateOf[2] = 0x8000;
  EXPECT_TRUE(keyState(other.runContext(), in, ws, 1));
  EXPECT_FALSE(keyState(other.runContext(), in, ws, 2));
}

}  // namespace
}  // namespace kova::automation

#ifndef _WIN32
namespace kova::testing {
namespace {

// Without windows every input built-in is a catchable error of its own.
TEST(InputBuiltinsNative, ReportNotAvailable) {
  std::string script;
  for (const char* call : {"MMV(1, 2)", "BTN(LEFT)", "KBD(VK_A)", "SCKEY(0, VK_A)", "MOUSEORG(0)",
                           "x = GETKEYSTATE(VK_A)", "LOCKHARD(FALSE)", "x = MUSCUR()"}) {
    script += std::string("TRY\n  ") + call + "\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\n";
  }
  script += "PRINT \"after\"\n";
  RunResult en = runScript({{"main.kov", script}});
  EXPECT_EQ(en.printed, (std::vector<std::string>{
                            "MMV: not available on this platform", "BTN: not available on this platform",
                            "KBD: not available on this platform", "SCKEY: not available on this platform",
                            "MOUSEORG: not available on this platform", "GETKEYSTATE: not available on this platform",
                            "LOCKHARD: not available on this platform", "MUSCUR: not available on this platform",
                            "after"}));
  EXPECT_TRUE(en.errors.empty());
}

}  // namespace
}  // namespace kova::testing
#endif
