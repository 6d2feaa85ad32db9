// Named constants: the prefix families, computed key codes, values read from
// the system when the name is read, and the text constants.

#include "engine/named_constants.h"

#include <gtest/gtest.h>

#include "engine/uxscr.h"
#include "platform/platform.h"

namespace kova {
namespace {

// The host platform, with the screen, mouse and folders set by the test.
class FakeSystem : public Platform {
 public:
  int32_t mouseX = 0, mouseY = 0;
  ScreenInfo screen;
  u16 windows = u"C:\\WINDOWS", system = u"C:\\WINDOWS\\system32", cwd = u"C:\\work";
  u16 exe = u"C:\\Tools\\KOVA\\kova.exe", roaming = u"C:\\Users\\me\\AppData\\Roaming";

  void cursorPosition(int32_t& x, int32_t& y) override {
    x = mouseX;
    y = mouseY;
  }
  ScreenInfo primaryScreen() override { return screen; }
  u16 windowsDirectory() override { return windows; }
  u16 systemDirectory() override { return system; }
  u16 currentDirectory() override { return cwd; }
  u16 executablePath() override { return exe; }
  u16 roamingAppDataDirectory() override { return roaming; }

  void processMessages() override {}
  bool messagesPending() override { return false; }
  void yieldTimeSlice() override {}
  void sleepMs(uint32_t) override {}
  uint32_t tickCount() override { return hostPlatform().tickCount(); }
  uint64_t currentThreadId() override { return hostPlatform().currentThreadId(); }
  bool setCurrentDirectory(const u16&) override { return false; }
  bool fileExists(const u16&) override { return false; }
  bool directoryExists(const u16&) override { return false; }
  std::optional<uint32_t> fileDosTime(const u16&) override { return std::nullopt; }
  std::optional<std::string> readFileBytes(const u16&) override { return std::nullopt; }
  unsigned ansiCodePage() override { return 1252; }
  u16 codePageToWide(unsigned cp, std::string_view b) override { return hostPlatform().codePageToWide(cp, b); }
  std::string wideToCodePage(unsigned cp, u16v t, bool* lossless) override {
    return hostPlatform().wideToCodePage(cp, t, lossless);
  }
  bool systemLanguageIsJapanese() override { return false; }
  double localDateTimeNow() override { return 45000; }
};

class FakeHost : public EngineHost {
 public:
  u16 caption = u"KOVA - test.kov";
  u16 version = u"4.9c";
  void showError(const u16&) override {}
  void showMessage(const u16&) override {}
  void printLine(const u16&) override {}
  u16 mainWindowCaption() override { return caption; }
  u16 versionText() override { return version; }
};

class NamedConstants : public ::testing::Test {
 protected:
  double value(const u16& name) { return constantValue(engine, name); }
  std::string textOf(const u16& name) { return toUtf8(textConstant(engine, name)); }

  FakeSystem system;
  FakeHost host;
  TUScript engine{system, host};
};

TEST_F(NamedConstants, FamiliesAndExactNames) {
  EXPECT_EQ(value(u"F_WRITE"), 4);
  EXPECT_EQ(value(u"F_LINECOUNT"), -1);
  EXPECT_EQ(value(u"HASH_REMOVEALL"), 901);
  EXPECT_EQ(value(u"ERR_VALUE"), -999999);
  EXPECT_EQ(value(u"CLICK"), 0);  // 0 is a value, not "no constant"
  EXPECT_EQ(value(u"NOTOPMOST"), 10);
  EXPECT_EQ(value(u"P_KOVA_REEXEC"), 0x4000);
  EXPECT_EQ(value(u"STR_ACC_STATIC"), 4);
  EXPECT_EQ(value(u"IMG_MSK_BGR6"), 0x3F3F3F);
  EXPECT_EQ(value(u"CLK_ACCV"), 1073774592);
  EXPECT_EQ(value(u"ITM_ACCTXTV"), 1082130432);
  EXPECT_EQ(value(u"FOM_GETVALUE"), -59999999);
  EXPECT_EQ(value(u"GET_SLIDER"), -10000000);
  EXPECT_EQ(value(u"CODE_BYTEARRAYW"), 5);
  EXPECT_EQ(value(u"SLCT_NUM"), 128);
  EXPECT_EQ(value(u"VK_OEM_BACKTAB"), 245);
  EXPECT_EQ(value(u"VK_RRETURN"), 901);
  EXPECT_EQ(value(u"VK_RCONTROL"), 163);

  for (const char16_t* none :
       {u"X", u"", u"XYZ", u"vk_a", u"F_read", u"F_", u"F_NOSUCH", u"AB_CLICK", u"CLICK_X", u"G_IMG_X",
        u"G_TIME_YY", u"G_MOUSE_Z", u"GET_WIN_DIR", u"EMPTYPARAM", u"HASH_", u"TRUE", u"VK_ENTER "})
    EXPECT_EQ(value(none), kNoSuchConstant) << toUtf8(none);
}

TEST_F(NamedConstants, KeyLettersAndDigits) {
  EXPECT_EQ(value(u"VK_A"), 65);
  EXPECT_EQ(value(u"VK_Z"), 90);
  EXPECT_EQ(value(u"VK_0"), 48);
  EXPECT_EQ(value(u"VK_9"), 57);
  for (const char16_t* none : {u"VK_a", u"VK_", u"VK_QQ", u"VK_AB", u"VK__", u"VK_Ａ", u"VK_AA"})
    EXPECT_EQ(value(none), kNoSuchConstant) << toUtf8(none);
}

TEST_F(NamedConstants, ValuesReadWhenTheNameIsRead) {
  system.mouseX = 10;
  system.mouseY = 20;
  EXPECT_EQ(value(u"G_MOUSE_X"), 10);
  EXPECT_EQ(value(u"G_MOUSE_Y"), 20);
  system.mouseX = -5;  // a screen left of the primary one
  EXPECT_EQ(value(u"G_MOUSE_X"), -5);
  system.screen = {1920, 1080, 32};
  EXPECT_EQ(value(u"G_SCREEN_W"), 1920);
  EXPECT_EQ(value(u"G_SCREEN_H"), 1080);
  EXPECT_EQ(value(u"G_SCREEN_C"), 32);

  EXPECT_EQ(value(u"COM_ERR_FLG"), 0);
  engine.comErrorOccurred = true;
  EXPECT_EQ(value(u"COM_ERR_FLG"), 1);

  EXPECT_EQ(value(u"GET_KOVA_PRO"), 1);
  engine.trueValue = Value::smallInt(1);
  EXPECT_EQ(value(u"GET_KOVA_PRO"), 1);

  EXPECT_DOUBLE_EQ(value(u"GET_KOVA_VER"), 4.93);
  host.version = u"5.1a";
  EXPECT_DOUBLE_EQ(value(u"GET_KOVA_VER"), 5.11);
  host.version = u"2";
  EXPECT_EQ(value(u"GET_KOVA_VER"), 2);
  for (const char16_t* bad : {u"1.2.3", u"5.1k", u"", u"beta"}) {
    host.version = bad;
    EXPECT_EQ(value(u"GET_KOVA_VER"), 0) << toUtf8(bad);
  }
}

TEST_F(NamedConstants, TextConstants) {
  EXPECT_EQ(textOf(u"GET_ACTIVE_WIN"), "GET_ACTIVE_WIN");
  EXPECT_EQ(textOf(u"GET_MENU_HND"), "GET_MENU_HND");
  EXPECT_EQ(textOf(u"GET_FROMPOINT_OBJ"), "__GET_FROMPOINT_OBJ__");
  EXPECT_EQ(textOf(u"GET_FUKIDASI_WIN"), "__GET_FUKIDASI_WIN__");
  EXPECT_EQ(textOf(u"GET_FORM_WIN"), "__GET_FORM_WIN__");
  EXPECT_EQ(textOf(u"EMPTYPARAM"), "__EMPTYPARAM__");
  EXPECT_EQ(textOf(u"GET_WIN_DIR"), "C:\\WINDOWS");
  EXPECT_EQ(textOf(u"GET_SYS_DIR"), "C:\\WINDOWS\\system32");
  EXPECT_EQ(textOf(u"GET_CUR_DIR"), "C:\\work");
  EXPECT_EQ(textOf(u"GET_APPDATA_DIR"), "C:\\Users\\me\\AppData\\Roaming");
  EXPECT_EQ(textOf(u"GET_KOVA_NAME"), "KOVA - test.kov");
  EXPECT_EQ(textOf(u"GET_KOVA_DIR"), "C:\\Tools\\KOVA");
  system.exe = u"C:\\kova.exe";
  EXPECT_EQ(textOf(u"GET_KOVA_DIR"), "C:\\");
  system.exe = u"/opt/kova/bin/kova";
  EXPECT_EQ(textOf(u"GET_KOVA_DIR"), "/opt/kova/bin");
  system.exe = u"/kova";
  EXPECT_EQ(textOf(u"GET_KOVA_DIR"), "/");
  system.cwd = u16(3000, u'd');
  EXPECT_EQ(textConstant(engine, u"GET_CUR_DIR").size(), 1024u);

  for (const char16_t* none : {u"GET_NOSUCH", u"get_win_dir", u"F_READ", u"GET_SLIDER", u"EMPTY", u"WIN_DIR"})
    EXPECT_EQ(textOf(none), "") << toUtf8(none);
}

TEST_F(NamedConstants, FolderTheSystemLacksIsStillReservedAndReadable) {
  system.roaming.clear();
  EXPECT_TRUE(isTextConstantName(u"GET_APPDATA_DIR"));
  EXPECT_FALSE(isTextConstantName(u"GET_SLIDER"));
  EXPECT_FALSE(engine.checkReserved(u"GET_APPDATA_DIR").empty());
  const Value v = engine.getValue(u"GET_APPDATA_DIR", engine.globalScope());
  EXPECT_FALSE(engine.stopFlag);
  EXPECT_EQ(v.kind(), ValueKind::WideString);
  EXPECT_EQ(v.toText(), u"");
  // Numeric constants read as Doubles.
  EXPECT_EQ(engine.getValue(u"VK_A", engine.globalScope()).kind(), ValueKind::Double);
}

}  // namespace
}  // namespace kova
