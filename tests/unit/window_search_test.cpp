// The portable rules of window identification: listing rule, half-width
// matching, find pass order, child search, caption normalisation, and the
// window ID table with GETID's waiting loop over a fake window system.

#include <gtest/gtest.h>

#include "automation/own_forms.h"
#include "automation/window_ids.h"
#include "automation/window_search.h"
#include "forwarding_platform.h"
#include "script_test_support.h"
#include "stub_window_system.h"

namespace kova::automation {
namespace {

ListedWindow win(WindowHandle h, const char16_t* title, const char16_t* cls, bool visible = true) {
  ListedWindow w;
  w.handle = h;
  w.title = title;
  w.cls = cls;
  w.visible = visible;
  return w;
}

TEST(WindowMatching, HalfWidthEqualityAndContainment) {
  EXPECT_TRUE(titleEquals(u"ABC", u"ABC"));
  EXPECT_TRUE(titleEquals(u"ＡＢＣ WIDE", u"ABC WIDE"));  // full-width title, half-width pattern
  EXPECT_TRUE(titleEquals(u"ABC", u"ＡＢＣ"));           // and the other way round
  EXPECT_TRUE(titleEquals(u"ｶﾀｶﾅ", u"カタカナ"));
  EXPECT_FALSE(titleEquals(u"ABC", u"ABD"));
  EXPECT_TRUE(titleContains(u"MY ＮＯＴＥＳ - EDITOR", u"NOTES"));
  EXPECT_TRUE(titleContains(u"NOTES", u"ＯＴＥ"));
  EXPECT_FALSE(titleContains(u"NOTES", u""));  // an empty pattern is in no title
  EXPECT_FALSE(titleContains(u"", u""));
  EXPECT_TRUE(classMatches(u"NOTEPAD", u""));
  EXPECT_TRUE(classMatches(u"NOTEPAD", u"NOTE"));
  EXPECT_FALSE(classMatches(u"NOTEPAD", u"PAD"));
  EXPECT_FALSE(classMatches(u"NOTE", u"NOTEPAD"));
}

TEST(WindowFind, PassOrder) {
  // Z order: a containing match, a hidden equal match, the visible equal one.
  std::vector<ListedWindow> list = {win(1, u"ALPHA BETA", u"C1"), win(2, u"ALPHA", u"C2", false),
                                    win(3, u"ALPHA", u"C3"), win(4, u"ALPHA GAMMA", u"C4")};
  EXPECT_EQ(findInList(list, 0, u"ALPHA", u""), 3u);  // visible equal before anything containing
  EXPECT_EQ(findInList(list, 4, u"ALPHA", u""), 3u);  // a containing foreground loses to an equal one
  EXPECT_EQ(findInList(list, 4, u"ALPH", u""), 4u);   // but wins among containing ones
  EXPECT_EQ(findInList(list, 0, u"ALPH", u""), 1u);
  // Visible containing before hidden equal.
  EXPECT_EQ(findInList(list, 0, u"ALPHA", u"C2"), 2u);
  list[0].title = u"ALPHA";
  EXPECT_EQ(findInList(list, 0, u"ALPHA", u""), 1u);
  EXPECT_EQ(findInList(list, 3, u"ALPHA", u""), 3u);  // the foreground window first
  list[2].visible = false;
  EXPECT_EQ(findInList(list, 3, u"ALPHA", u""), 1u);  // ... only while visible
  EXPECT_EQ(findInList(list, 1, u"ALPHA", u"C3"), 3u);  // a hidden window by its class
  EXPECT_EQ(findInList(list, 0, u"NONE", u""), 0u);
}

TEST(WindowFind, EmptyAndNullTitles) {
  const std::vector<ListedWindow> list = {win(1, u"NAMED", u"KOVAX"), win(2, u"", u"KOVAX"),
                                          win(3, u"OTHER", u"KOVAY")};
  EXPECT_EQ(findInList(list, 0, u"", u"KOVA"), 1u);
  EXPECT_EQ(findInList(list, 0, kNoneTitle, u"KOVA"), 2u);
  EXPECT_EQ(findInList(list, 0, kNoneTitle, u"KOVAY"), 0u);
  EXPECT_EQ(findInList(list, 0, kNoneTitle, u""), 0u);
  EXPECT_EQ(findInList(list, 0, u"", u""), 0u);
  EXPECT_EQ(findChildInList(list, 0, u""), 0u);
}

TEST(WindowFind, ChildAndProcessPasses) {
  const std::vector<ListedWindow> children = {win(10, u"CHILD 10", u"X"), win(11, u"CHILD 1", u"X", false),
                                              win(12, u"CHILD 1", u"X")};
  EXPECT_EQ(findChildInList(children, 0, u"CHILD 1"), 12u);  // visible equal first
  EXPECT_EQ(findChildInList(children, 11, u"CHILD 1"), 11u);
  EXPECT_EQ(findChildInList(children, 0, u"CHILD"), 10u);
  EXPECT_EQ(findChildInList(children, 0, u"NONE"), 0u);

  std::vector<ListedWindow> list = {win(1, u"A", u"X", false), win(2, u"B", u"X"), win(3, u"C", u"X")};
  for (auto& w : list) w.processId = 7;
  list[1].emptyRect = true;
  list[1].processId = 7;
  EXPECT_EQ(findProcessWindow(list, 7), 3u);
  list[2].visible = false;
  EXPECT_EQ(findProcessWindow(list, 7), 1u);
  EXPECT_EQ(findProcessWindow(list, 8), 0u);
}

TEST(WindowListing, Rule) {
  WindowFacts f;
  f.title = u"APP";
  f.cls = u"APPCLASS";
  f.visible = true;
  EXPECT_TRUE(isListed(f));
  f.cls = u"TOOLTIPS_CLASS32";
  EXPECT_FALSE(isListed(f));
  f.cls = u"APPCLASS";
  f.ownProgram = true;
  EXPECT_FALSE(isListed(f));
  f.ownProgram = false;

  // Empty titles: visible or parentless, not a shadow, not an empty rectangle.
  f.title.clear();
  EXPECT_TRUE(isListed(f));
  f.emptyRect = true;
  EXPECT_FALSE(isListed(f));
  f.emptyRect = false;
  f.cls = u"SYSSHADOW";
  EXPECT_FALSE(isListed(f));

  // Invisible windows: enabled, and unowned or with children; not a known
  // system helper.
  WindowFacts h;
  h.title = u"HELPER";
  h.cls = u"HELPERCLASS";
  h.enabled = true;
  EXPECT_TRUE(isListed(h));
  h.enabled = false;
  EXPECT_FALSE(isListed(h));
  h.enabled = true;
  h.hasOwner = true;
  EXPECT_FALSE(isListed(h));
  h.hasChild = true;
  EXPECT_TRUE(isListed(h));
  h.title = u"SYSFADER";
  h.cls = u"NETDDE AGENT";
  EXPECT_FALSE(isListed(h));
  h.title = u"MSP PNP NOTIFICATION WINDOW";
  h.cls = u"ANY";
  EXPECT_FALSE(isListed(h));
  EXPECT_TRUE(inHiddenExclusionTable(u"", u"THINTWINDOW"));
  EXPECT_FALSE(inHiddenExclusionTable(u"X", u"THINTWINDOW"));
}

TEST(CaptionNormalisation, Forms) {
  EXPECT_EQ(normaliseCaption(u"&Save..."), u"Save");
  EXPECT_EQ(normaliseCaption(u"SAVE:"), u"SAVE");
  EXPECT_EQ(normaliseCaption(u"Open (&O)"), u"Open");
  EXPECT_EQ(normaliseCaption(u"File(F)"), u"File");
  EXPECT_EQ(normaliseCaption(u" Exit\tAlt+F4"), u"Exit");
  EXPECT_EQ(normaliseCaption(u"A:"), u"A:");  // two characters stay as they are
  EXPECT_EQ(normaliseCaption(u"(X)"), u"(X)");
  EXPECT_EQ(normaliseCaption(u"Rock && Roll"), u"Rock  Roll");
}

// A desktop whose windows appear after a number of enumerations.
class FakeWindows : public kova::testing::StubWindowSystem {
 public:
  std::vector<ListedWindow> desktop;
  int appearAfter = 0;  // enumerations before `late` shows up
  ListedWindow late;
  int enumerations = 0;
  WindowHandle fg = 0;

  bool isWindow(WindowHandle h) override {
    if (late.handle == h && enumerations > appearAfter) return true;
    for (auto& w : desktop) {
      if (w.handle == h) return true;
    }
    return false;
  }
  WindowHandle foreground() override { return fg; }
  std::vector<ListedWindow> listWindows(WindowHandle parent) override {
    if (parent != 0) return {};
    std::vector<ListedWindow> l = desktop;
    if (++enumerations > appearAfter && late.handle != 0) l.push_back(late);
    return l;
  }
  bool waitUntilAnswering(WindowHandle, bool) override {
    ++answerWaits;
    return false;
  }
  int answerWaits = 0;
  bool isVisible(WindowHandle) override { return true; }
  bool processIs64Bit(WindowHandle) override { return false; }
  WindowHandle startedProgramWindow(RunContext&, ChildProcess&, const ExecRequest&) override { return 0; }
};

// Sleeping moves the clock at once: waits of seconds take no time.
class FastClock final : public kova::testing::ForwardingPlatform {
 public:
  void sleepMs(uint32_t ms) override { now += ms; }
  uint32_t tickCount() override { return now; }
  uint32_t coarseTickCount() override { return now; }
  uint32_t now = 1000;
};

class WindowIds : public ::testing::Test {
 protected:
  kova::testing::RecordingHost host;
  FastClock clock;
  TUScript engine{clock, host};
  // What automation sees of the engine; checks read the engine itself.
  RunContext& run = engine.runContext();
  FakeWindows ws;
};

TEST_F(WindowIds, TableAppendsAndKeepsIds) {
  ws.desktop = {win(100, u"A", u"X"), win(200, u"B", u"X")};
  EXPECT_EQ(idFromHandle(run, 0), -1);
  EXPECT_EQ(idFromHandle(run, 200), 1);
  EXPECT_EQ(idFromHandle(run, 100), 2);
  EXPECT_EQ(idFromHandle(run, 200), 1);
  EXPECT_EQ(handleFromId(run, ws, 2), 100u);
  EXPECT_EQ(handleFromId(run, ws, 3), 0u);
  EXPECT_EQ(handleFromId(run, ws, -1), 0u);
  ws.fg = 200;
  EXPECT_EQ(handleFromId(run, ws, 0), 200u);
  // A destroyed window's ID names no window; the number is not reused.
  ws.desktop.pop_back();
  EXPECT_EQ(handleFromId(run, ws, 1), 0u);
  // ID-or-handle: small numbers are IDs, others handles.
  EXPECT_EQ(handleFromIdOrHandle(run, ws, 2), 100u);
  EXPECT_EQ(handleFromIdOrHandle(run, ws, 100), 100u);
  EXPECT_EQ(handleFromIdOrHandle(run, ws, 200), 0u);
  EXPECT_EQ(handleFromIdOrHandle(run, ws, -1), 0u);
  // The table belongs to one run.
  engine.endRun();
  EXPECT_EQ(idFromHandle(run, 100), 1);
}

TEST_F(WindowIds, GetIdWaitsForALateWindow) {
  ws.desktop = {win(100, u"OTHER", u"X")};
  ws.late = win(300, u"LATE ONE", u"X");
  ws.appearAfter = 5;
  GetIdRequest r;
  r.title = u"late one";
  r.waitSeconds = 0.001;  // a single try
  EXPECT_EQ(getId(run, ws, r), -1);
  r.waitSeconds = 5;
  EXPECT_EQ(getId(run, ws, r), 1);
  EXPECT_EQ(automationState(run).ids.at(0), 300u);
  // Found at once now, and the same ID again.
  r.waitSeconds = 0;
  EXPECT_EQ(getId(run, ws, r), 1);
}

// The default wait: a title other than the last searched one is tried at
// least 20 times over at least 800 ms, the same title again at least 10
// times over 100 ms.
TEST_F(WindowIds, GetIdDefaultWaitDependsOnTheLastTitle) {
  GetIdRequest r;
  r.title = u"MISSING";
  Platform& p = engine.platform();
  uint32_t start = p.tickCount();
  EXPECT_EQ(getId(run, ws, r), -1);
  EXPECT_GE(ws.enumerations, 20);
  EXPECT_GE(p.tickCount() - start, 800u);
  ws.enumerations = 0;
  start = p.tickCount();
  EXPECT_EQ(getId(run, ws, r), -1);
  EXPECT_GE(ws.enumerations, 10);
  EXPECT_GE(p.tickCount() - start, 100u);
  // After a window change (CTRLWIN CLOSE, EXEC) a search with its own wait
  // leaves the flag; the next default-wait search tries for at least 8 s
  // and 40 times, and takes it.
  automationState(run).windowChanged = true;
  r.waitSeconds = 0.001;
  getId(run, ws, r);
  EXPECT_TRUE(automationState(run).windowChanged);
  r.waitSeconds = 0;
  ws.enumerations = 0;
  start = p.tickCount();
  EXPECT_EQ(getId(run, ws, r), -1);
  EXPECT_GE(ws.enumerations, 40);
  EXPECT_GE(p.tickCount() - start, 8000u);
  EXPECT_FALSE(automationState(run).windowChanged);
}

// A window found while the window-change flag is pending is given time to
// answer, whatever the wait; one found at the first try otherwise not.
TEST_F(WindowIds, GetIdWaitsForAnAnswerAfterAWindowChange) {
  ws.desktop = {win(100, u"THERE", u"X")};
  GetIdRequest r;
  r.title = u"there";
  r.waitSeconds = 2;
  EXPECT_EQ(getId(run, ws, r), 1);
  EXPECT_EQ(ws.answerWaits, 0);
  automationState(run).windowChanged = true;
  EXPECT_EQ(getId(run, ws, r), 1);
  EXPECT_EQ(ws.answerWaits, 1);
}

// Titles programs change while they run: an editor's "<path> - 秀丸" is
// found by the file name, a browser by its own caption when the statement
// activates what it finds. The fallbacks also run every 100th try.
TEST_F(WindowIds, GetIdFallbacksForChangingTitles) {
  ws.desktop = {win(100, u"MEMO.TXT - 秀丸", u"HIDEMARU"), win(200, u"WINDOWS INTERNET EXPLORER", u"IEFRAME")};
  GetIdRequest r;
  r.title = u"C:\\Docs\\memo.txt - 秀丸";
  r.waitSeconds = 0.001;
  EXPECT_EQ(getId(run, ws, r), 1);
  r.title = u"Start Page - Windows Internet Explorer";
  r.cls = u"IEFrame";
  EXPECT_EQ(getId(run, ws, r), -1);
  r.browserFallback = true;
  EXPECT_EQ(getId(run, ws, r), 2);
  // An endless wait: the window appears only under the browser's caption.
  ws.desktop = {win(300, u"OTHER", u"X")};
  ws.late = win(200, u"WINDOWS INTERNET EXPLORER", u"IEFRAME");
  ws.appearAfter = 0;
  r.waitSeconds = -1;
  ws.enumerations = 0;
  EXPECT_EQ(getId(run, ws, r), 2);
  EXPECT_GE(ws.enumerations, 100);
}

TEST_F(WindowIds, GetIdSpecialTitlesAndStop) {
  ws.desktop = {win(100, u"A", u"X")};
  ws.fg = 100;
  GetIdRequest r;
  r.title = u"GET_ACTIVE_WIN";
  EXPECT_EQ(getId(run, ws, r), 1);
  r.title = u"__GET_STOPFORM_WIN__";
  EXPECT_EQ(getId(run, ws, r), -1);
  EXPECT_EQ(ws.enumerations, 0);  // answered without searching
  // An endless wait ends when the script is being stopped.
  engine.stopRequest = 1;
  r.title = u"NEVER";
  r.waitSeconds = -1;
  EXPECT_EQ(getId(run, ws, r), -1);
}

// The special titles of the program's own forms name what its program
// registered, at once and without searching the desktop; a form that is
// not registered, or whose window has gone, is no window. The hidden
// application window has no title of its own.
TEST_F(WindowIds, GetIdNamesTheRegisteredOwnForms) {
  struct Cleared {
    ~Cleared() {
      for (int f = 0; f < static_cast<int>(OwnForm::kCount); ++f) setOwnForm(static_cast<OwnForm>(f), 0);
    }
  } cleared;
  const std::pair<const char16_t*, OwnForm> titles[] = {
      {u"__GET_LOGPRINT_WIN__", OwnForm::kLogWindow}, {u"__GET_STOPFORM_WIN__", OwnForm::kStopForm},
      {u"__GET_THISKOVA_WIN__", OwnForm::kMainWindow}, {u"__GET_FUKIDASI_WIN__", OwnForm::kBalloon},
      {u"__GET_FORM_WIN__", OwnForm::kHtmlForm},       {u"__GET_SCHEDULE_WIN__", OwnForm::kSchedule}};
  GetIdRequest r;
  for (const auto& [title, form] : titles) {
    r.title = title;
    EXPECT_EQ(getId(run, ws, r), -1) << toUtf8(title);
  }
  WindowHandle h = 100;
  ws.desktop.clear();
  for (const auto& [title, form] : titles) {
    ws.desktop.push_back(win(h, u"KOVA", u"TUSCRIPT.UNICODECLASS"));
    setOwnForm(form, h);
    h += 100;
  }
  ws.desktop.push_back(win(900, u"", u"TAPPLICATION"));
  setOwnForm(OwnForm::kApplication, 900);
  h = 100;
  for (const auto& [title, form] : titles) {
    r.title = title;
    const int64_t id = getId(run, ws, r);
    EXPECT_EQ(handleFromId(run, ws, id), h) << toUtf8(title);
    h += 100;
  }
  r.title = u"__get_logprint_win__";  // titles are compared upper-cased
  EXPECT_EQ(handleFromId(run, ws, getId(run, ws, r)), 100u);
  EXPECT_EQ(ws.enumerations, 0);
  // The log window's window has gone: no window, even before the program
  // unregisters it.
  ws.desktop.erase(ws.desktop.begin());
  r.title = u"__GET_LOGPRINT_WIN__";
  EXPECT_EQ(getId(run, ws, r), -1);
  EXPECT_EQ(ws.enumerations, 0);
}

}  // namespace
}  // namespace kova::automation

#ifndef _WIN32
namespace kova::testing {
namespace {

// Without windows every window built-in is a catchable error of its own,
// in both languages.
TEST(WindowBuiltinsNative, ReportNotAvailable) {
  const std::string script =
      "TRY\n  x = GETID(\"A\")\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\n"
      "TRY\n  STATUS(1, ST_X)\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\nPRINT \"after\"\n";
  RunResult en = runScript({{"main.kov", script}});
  EXPECT_EQ(en.printed,
            (std::vector<std::string>{"GETID: not available on this platform", "STATUS: not available on this platform",
                                      "after"}));
  EXPECT_EQ(en.exitCode, 0);
  RunResult ja = runScript({{"main.kov", script}}, {}, Language::Japanese);
  ASSERT_EQ(ja.printed.size(), 3u);
  EXPECT_EQ(ja.printed[0], "GETID: この環境では使えません");
}

}  // namespace
}  // namespace kova::testing
#endif
