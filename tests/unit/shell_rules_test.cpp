// The shell's portable rules: hotkey settings, the command line, the
// instance rule and launch texts.

#include <gtest/gtest.h>

#include "app/shell/hotkey_setting.h"
#include "app/shell/launch_text.h"
#include "app/shell/start_options.h"

namespace kova::shell {
namespace {

TEST(HotkeySettings, TextsBecomeChordsWithinTheTables) {
  const std::optional<HotkeySetting> tray = parseHotkey(u"14, 5");
  ASSERT_TRUE(tray);
  const std::optional<HotkeyChord> chord = hotkeyChord(*tray);
  ASSERT_TRUE(chord);
  EXPECT_EQ(chord->virtualKey, static_cast<uint32_t>('W'));
  EXPECT_EQ(chord->modifiers, kModControl | kModAlt);
  EXPECT_EQ(hotkeyChord({54, 1})->virtualKey, static_cast<uint32_t>('0'));
  EXPECT_EQ(hotkeyChord({9, 3})->modifiers, kModShift | kModControl);
  EXPECT_FALSE(hotkeyChord({55, 0}));
  EXPECT_FALSE(hotkeyChord({0, 6}));
  EXPECT_FALSE(hotkeyChord({-1, 0}));
  EXPECT_FALSE(parseHotkey(u"14"));
  EXPECT_FALSE(parseHotkey(u"a,b"));
  EXPECT_FALSE(parseHotkey(u",2"));
  EXPECT_EQ(formatHotkey(defaultHotkey(kTrayHotkey)), u"14,5");
  EXPECT_EQ(formatHotkey(defaultHotkey(kPlayHotkey)), u"1,2");
  EXPECT_EQ(hotkeyKeyName(14), u"W");
  EXPECT_EQ(hotkeyModifierName(5), u"CTRL+ALT");
  EXPECT_EQ(hotkeyKeyName(55), u"");
}

TEST(HotkeySettings, TheStopHotkeyEscalatesUpTo100) {
  StopPress p = pressStop(0);
  EXPECT_EQ(p.level, 10);
  EXPECT_FALSE(p.bringToFront);
  p = pressStop(p.level);
  EXPECT_EQ(p.level, 20);
  EXPECT_TRUE(p.bringToFront);
  EXPECT_EQ(pressStop(90).level, 100);
  EXPECT_EQ(pressStop(100).level, 100);
}

TEST(CommandLine, SwitchesCountOnlyFirst) {
  EXPECT_EQ(parseCommandLine({}).mode, StartMode::kNormal);
  StartOptions o = parseCommandLine({u"a.kov", u"x", u"/k"});
  EXPECT_EQ(o.mode, StartMode::kScript);
  EXPECT_EQ(o.launchText, u"a.kov\rx\r/k");
  o = parseCommandLine({u"/K", u"b.kov", u"-R3"});
  EXPECT_EQ(o.mode, StartMode::kHandOverPlay);
  EXPECT_EQ(o.launchText, u"b.kov\r-R3");
  EXPECT_EQ(parseCommandLine({u"/l", u"c.kov"}).mode, StartMode::kHandOverLoad);
  EXPECT_EQ(parseCommandLine({u"/rec", u"out.kov"}).mode, StartMode::kRecord);
  o = parseCommandLine({u"/a", u"in.kov", u"out.kov"});
  EXPECT_EQ(o.mode, StartMode::kEncode);
  EXPECT_EQ(o.launchText, u"in.kov");
  EXPECT_EQ(o.outputPath, u"out.kov");
  EXPECT_EQ(parseCommandLine({u"/_exe_bild", u"in.kov", u"C:\\out"}).outputPath, u"C:\\out");
  o = parseCommandLine({u"/kumikomi"});
  EXPECT_EQ(o.mode, StartMode::kScript);
  EXPECT_TRUE(o.embedded);
  // The re-execution marker ends the arguments.
  o = parseCommandLine({u"s.kov", u"KOVA_REBOOT_$2", u"later"});
  EXPECT_TRUE(o.rebooted);
  EXPECT_EQ(o.launchText, u"s.kov");
  EXPECT_EQ(parseCommandLine({u"KOVA_REBOOT_$2"}).mode, StartMode::kNormal);
}

TEST(CommandLine, TheInstanceRule) {
  // Without a script: one instance, whatever NotMultiplex says; silent
  // when it is negative.
  EXPECT_EQ(claimInstance(StartMode::kNormal, u"0", false, false).mutex, 1);
  InstanceClaim c = claimInstance(StartMode::kNormal, u"0", true, false);
  EXPECT_TRUE(c.refused);
  EXPECT_FALSE(c.silent);
  EXPECT_TRUE(claimInstance(StartMode::kNormal, u"-1", true, false).silent);
  // With a script: no limit, one, or two.
  c = claimInstance(StartMode::kScript, u"0", true, true);
  EXPECT_FALSE(c.refused);
  EXPECT_EQ(c.mutex, 0);
  EXPECT_TRUE(claimInstance(StartMode::kScript, u"1", true, false).refused);
  EXPECT_EQ(claimInstance(StartMode::kScript, u"2", true, false).mutex, 2);
  c = claimInstance(StartMode::kScript, u"-2,x", true, true);
  EXPECT_TRUE(c.refused);
  EXPECT_TRUE(c.silent);
  EXPECT_EQ(claimInstance(StartMode::kScript, u"abc", true, true).mutex, 0);
}

TEST(LaunchTexts, FilePartsAndArguments) {
  const u16 exe = u"C:\\Tools\\KOVA\\";
  ScriptLaunch s = parseLaunchText(u"run\rone\r\"two words\"\r-R3", PathMode::kCurrentDirectory, u'\r', exe,
                                 u"D:\\work");
  EXPECT_EQ(s.path, u"D:\\work\\run.KOV");
  EXPECT_EQ(s.params, (std::vector<u16>{u"one", u"\"two words\""}));
  EXPECT_EQ(s.repeat, 3);
  s = parseLaunchText(u"..\\up.kov a \"b c\"", PathMode::kCurrentDirectory, u' ', exe, u"D:\\work\\sub");
  EXPECT_EQ(s.path, u"D:\\work\\up.kov");
  EXPECT_EQ(s.params, (std::vector<u16>{u"a", u"b c"}));
  EXPECT_EQ(s.repeat, 1);  // once
  EXPECT_EQ(parseLaunchText(u".\\here.kov", PathMode::kCurrentDirectory, u' ', exe, u"D:\\w").path,
            u"D:\\w\\here.kov");
  // Hand-overs and Load: ".\" and "..\" start at the program's folder; any
  // other path is taken as it is.
  EXPECT_EQ(parseLaunchText(u".\\sample\\a.kov", PathMode::kExeFolder, u' ', exe, u"D:\\w").path,
            u"C:\\Tools\\KOVA\\sample\\a.kov");
  EXPECT_EQ(parseLaunchText(u"../b.KOV", PathMode::kExeFolder, u' ', exe, u"D:\\w").path, u"C:\\Tools\\b.KOV");
  EXPECT_EQ(parseLaunchText(u"plain.txt", PathMode::kExeFolder, u' ', exe, u"D:\\w").path, u"plain.KOV");
}

}  // namespace
}  // namespace kova::shell
