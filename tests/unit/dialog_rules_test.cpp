// What the main window's dialogs decide without a window: the Load
// dialog's launch text (read back the way a Load is played), the count in
// its box, the Save dialog's forced extension, the texts in both
// languages, the about box's place and the tray tip's cut.

#include "app/shell/dialog_rules.h"

#include <gtest/gtest.h>

#include "app/shell/launch_text.h"

namespace kova::shell {
namespace {

// Sets the message language for one test and puts English back after it.
struct LanguageFor {
  explicit LanguageFor(Language l) { setLanguage(l); }
  ~LanguageFor() { setLanguage(Language::English); }
};

ScriptLaunch playedAs(const u16& launchText) {
  return parseLaunchText(launchText, PathMode::kExeFolder, u' ', u"C:\\KOVA\\", u"C:\\work");
}

TEST(LoadDialogRules, TheLaunchTextCarriesPathArgumentsAndCount) {
  EXPECT_EQ(loadLaunchText(u"C:\\s\\a.KOV", u"", 1), u"C:\\s\\a.KOV");
  EXPECT_EQ(loadLaunchText(u"C:\\s\\a.KOV", u"", 5), u"C:\\s\\a.KOV -R5");
  EXPECT_EQ(loadLaunchText(u"C:\\s\\a.KOV", u"one two", 1), u"C:\\s\\a.KOV one two");
  EXPECT_EQ(loadLaunchText(u"C:\\s\\a.KOV", u"one", 9999), u"C:\\s\\a.KOV one -R9999");
  // Blank arguments of a shortcut add no empty parameter.
  EXPECT_EQ(loadLaunchText(u"C:\\s\\a.KOV", u"  \t", 1), u"C:\\s\\a.KOV");
}

TEST(LoadDialogRules, APlayedLoadSeesWhatTheDialogChose) {
  // Blanks in folder and file names, quoted shortcut arguments.
  ScriptLaunch s = playedAs(loadLaunchText(u"C:\\My Scripts\\daily run.KOV", u"\"two words\" x", 3));
  EXPECT_EQ(s.path, u"C:\\My Scripts\\daily run.KOV");
  EXPECT_EQ(s.params, (std::vector<u16>{u"two words", u"x"}));
  EXPECT_EQ(s.repeat, 3);
  // The count typed in the box beats a repeat token the shortcut carries;
  // a count of 1 leaves the shortcut's own in force.
  EXPECT_EQ(playedAs(loadLaunchText(u"C:\\a.kov", u"-R7 p", 2)).repeat, 2);
  s = playedAs(loadLaunchText(u"C:\\a.kov", u"-R7 p", 1));
  EXPECT_EQ(s.repeat, 7);
  EXPECT_EQ(s.params, (std::vector<u16>{u"p"}));
  EXPECT_EQ(playedAs(loadLaunchText(u"C:\\a.kov", u"", 1)).repeat, 1);
}

TEST(LoadDialogRules, TheCountBoxIsReadWithinItsRange) {
  EXPECT_EQ(repeatCountFromText(u"1"), 1);
  EXPECT_EQ(repeatCountFromText(u"42"), 42);
  EXPECT_EQ(repeatCountFromText(u" 12 "), 12);
  EXPECT_EQ(repeatCountFromText(u"1,000"), 1000);
  EXPECT_EQ(repeatCountFromText(u"+8"), 8);
  EXPECT_EQ(repeatCountFromText(u"9999"), 9999);
  EXPECT_EQ(repeatCountFromText(u"10000"), 9999);
  EXPECT_EQ(repeatCountFromText(u"99999999999999999999999999"), 9999);  // no overflow
  // What is no count runs once.
  EXPECT_EQ(repeatCountFromText(u""), 1);
  EXPECT_EQ(repeatCountFromText(u"0"), 1);
  EXPECT_EQ(repeatCountFromText(u"-3"), 1);
  EXPECT_EQ(repeatCountFromText(u"abc"), 1);
  EXPECT_EQ(repeatCountFromText(u"3x"), 1);
  EXPECT_EQ(repeatCountFromText(u"-"), 1);
  EXPECT_EQ(repeatCountFromText(u"\uFF13"), 1);  // a full-width digit is no digit here
}

TEST(LoadDialogRules, AFolderOpensOnItsScripts) {
  EXPECT_EQ(folderScriptPattern(u"C:\\scripts"), u"C:\\scripts\\*.KOV");
  EXPECT_EQ(folderScriptPattern(u"C:\\scripts\\"), u"C:\\scripts\\*.KOV");
  EXPECT_EQ(folderScriptPattern(u"C:\\"), u"C:\\*.KOV");
  EXPECT_EQ(folderScriptPattern(u"\\\\server\\share/"), u"\\\\server\\share\\*.KOV");
}

TEST(SaveDialogRules, TheExtensionIsForcedOnTheFilePartOnly) {
  EXPECT_EQ(forceKovExtension(u"C:\\s\\a.KOV"), u"C:\\s\\a.KOV");
  EXPECT_EQ(forceKovExtension(u"C:\\s\\a.kov"), u"C:\\s\\a.kov");  // kept as written
  EXPECT_EQ(forceKovExtension(u"C:\\s\\a.Kov"), u"C:\\s\\a.Kov");
  EXPECT_EQ(forceKovExtension(u"C:\\s\\a.KOVA"), u"C:\\s\\a.KOV");  // the dialog's default extension
  EXPECT_EQ(forceKovExtension(u"C:\\s\\a.txt"), u"C:\\s\\a.KOV");
  EXPECT_EQ(forceKovExtension(u"C:\\s\\a.kov.txt"), u"C:\\s\\a.kov.KOV");
  EXPECT_EQ(forceKovExtension(u"C:\\s\\a"), u"C:\\s\\a.KOV");
  EXPECT_EQ(forceKovExtension(u"C:\\s\\a."), u"C:\\s\\a.KOV");
  // A dot in a folder's name is no extension of the file.
  EXPECT_EQ(forceKovExtension(u"C:\\v1.2\\notes"), u"C:\\v1.2\\notes.KOV");
  EXPECT_EQ(forceKovExtension(u"C:/v1.2/notes"), u"C:/v1.2/notes.KOV");
  EXPECT_EQ(forceKovExtension(u"notes.bak"), u"notes.KOV");
  // A leading dot belongs to the name.
  EXPECT_EQ(forceKovExtension(u"C:\\s\\.hidden"), u"C:\\s\\.hidden.KOV");
  // No file part: nothing to put the extension on.
  EXPECT_EQ(forceKovExtension(u"C:\\s\\"), u"C:\\s\\");
  EXPECT_EQ(forceKovExtension(u""), u"");
}

TEST(DialogTexts, BothLanguages) {
  {
    LanguageFor en(Language::English);
    EXPECT_EQ(replaceQuestion(u"C:\\s\\a.KOV"), u"C:\\s\\a.KOV\r\nMay I replace it?");
    EXPECT_EQ(versionText(u"0.1.0"), u"Version 0.1.0");
    EXPECT_EQ(text(kRepeatCountLabel), u"  Number of times: ");
  }
  {
    LanguageFor ja(Language::Japanese);
    EXPECT_EQ(replaceQuestion(u"C:\\s\\a.KOV"), u"C:\\s\\a.KOV\r\n上書きしてもよろしいですか？");
    EXPECT_EQ(versionText(u"0.1.0"), u"バージョン 0.1.0");
    EXPECT_EQ(text(kRepeatCountLabel), u"  実行回数: ");
  }
}

TEST(AboutBoxPlace, CentredOnTheOwnerAndKeptInTheWorkArea) {
  const ScreenBox work{0, 0, 1920, 1040};
  Place p = centredPlace({100, 100, 500, 400}, 200, 100, work);
  EXPECT_EQ(p.left, 200);
  EXPECT_EQ(p.top, 200);
  // An owner half off the screen: the box stays on it.
  p = centredPlace({-300, -200, 100, 100}, 200, 100, work);
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.top, 0);
  p = centredPlace({1800, 1000, 2200, 1200}, 200, 100, work);
  EXPECT_EQ(p.left, 1720);
  EXPECT_EQ(p.top, 940);
  // A work area that does not start at 0 (a second monitor on the left).
  p = centredPlace({-1280, 0, -1180, 50}, 300, 100, {-1280, 0, 0, 1024});
  EXPECT_EQ(p.left, -1280);
  EXPECT_EQ(p.top, 0);
  // A box larger than the work area shows its top-left corner (the caption).
  p = centredPlace({0, 0, 640, 480}, 800, 600, {0, 0, 640, 480});
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.top, 0);
}

TEST(TrayTip, CutToTheBufferWithoutSplittingAPair) {
  EXPECT_EQ(fitText(u"KOVA", 127), u"KOVA");
  const u16 exact(127, u'a');
  EXPECT_EQ(fitText(exact, 127), exact);
  EXPECT_EQ(fitText(exact + u"b", 127), exact);
  // U+20BB7 is a surrogate pair; cut between its halves it is left out.
  const u16 pair = u"\U00020BB7";
  EXPECT_EQ(fitText(u16(126, u'a') + pair, 127), u16(126, u'a'));
  EXPECT_EQ(fitText(u16(125, u'a') + pair + u"b", 127), u16(125, u'a') + pair);
  EXPECT_EQ(fitText(pair, 1), u"");
  EXPECT_EQ(fitText(u"abc", 0), u"");
}

}  // namespace
}  // namespace kova::shell
