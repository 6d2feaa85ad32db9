// The registry of the program's own forms: what is registered is named and
// recognised until it is unregistered, one form never answers for
// another, and the registry stays consistent while one thread registers
// and another asks. Under Windows also the listing: a registered window is
// left out of the desktop list and named by its special title.

#include "automation/own_forms.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include <algorithm>

#include "automation/window_ids.h"
#include "script_test_support.h"
#endif

namespace kova::automation {
namespace {

constexpr OwnForm kAllForms[] = {OwnForm::kLogWindow,   OwnForm::kStopForm, OwnForm::kMainWindow,
                                 OwnForm::kApplication, OwnForm::kBalloon,  OwnForm::kHtmlForm,
                                 OwnForm::kSchedule};

// The registry is process-wide: every test starts and ends with it empty.
class OwnForms : public ::testing::Test {
 protected:
  void SetUp() override { clear(); }
  void TearDown() override { clear(); }
  static void clear() {
    for (OwnForm f : kAllForms) setOwnForm(f, 0);
  }
};

TEST_F(OwnForms, RegisteredFormsAreNamedAndRecognisedUntilUnregistered) {
  for (OwnForm f : kAllForms) EXPECT_EQ(ownForm(f), 0u);
  EXPECT_FALSE(isOwnForm(0));  // no window is never one of ours
  EXPECT_FALSE(isOwnForm(0x100));

  // Each form keeps its own handle.
  WindowHandle h = 0x100;
  for (OwnForm f : kAllForms) setOwnForm(f, h += 0x10);
  h = 0x100;
  for (OwnForm f : kAllForms) {
    h += 0x10;
    EXPECT_EQ(ownForm(f), h);
    EXPECT_TRUE(isOwnForm(h));
  }
  EXPECT_FALSE(isOwnForm(0x100));
  EXPECT_FALSE(isOwnForm(0));  // the empty slots do not make 0 one of ours

  // Unregistering one form leaves the others; a new window replaces the old.
  setOwnForm(OwnForm::kLogWindow, 0);
  EXPECT_EQ(ownForm(OwnForm::kLogWindow), 0u);
  EXPECT_FALSE(isOwnForm(0x110));
  EXPECT_EQ(ownForm(OwnForm::kStopForm), 0x120u);
  setOwnForm(OwnForm::kStopForm, 0x999);
  EXPECT_FALSE(isOwnForm(0x120));
  EXPECT_TRUE(isOwnForm(0x999));
  // The hidden application window counts as ours though no title names it.
  EXPECT_TRUE(isOwnForm(ownForm(OwnForm::kApplication)));

  // A value outside the forms is ignored rather than written anywhere.
  setOwnForm(OwnForm::kCount, 0x777);
  EXPECT_EQ(ownForm(OwnForm::kCount), 0u);
  EXPECT_FALSE(isOwnForm(0x777));
}

// One thread makes and ends a balloon over and over while another lists
// windows: the reader sees the balloon's handle or none, never anything
// else, and the main window stays recognised throughout.
TEST_F(OwnForms, ConcurrentRegistrationAndQueries) {
  constexpr WindowHandle kMain = 0x5000, kBalloonWindow = 0x6000;
  setOwnForm(OwnForm::kMainWindow, kMain);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) setOwnForm(OwnForm::kBalloon, i % 2 == 0 ? kBalloonWindow : 0);
    done = true;
  });
  int wrong = 0;
  while (!done) {
    const WindowHandle b = ownForm(OwnForm::kBalloon);
    if (b != 0 && b != kBalloonWindow) ++wrong;
    if (!isOwnForm(kMain) || isOwnForm(0x7000)) ++wrong;
  }
  writer.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(ownForm(OwnForm::kBalloon), 0u);  // the writer's last word
}

#ifdef _WIN32

// A window of this process, as the GUI program's forms are.
struct OwnFormWindow : OwnForms {
  kova::testing::RecordingHost host;
  TUScript engine{hostPlatform(), host};
  RunContext& run = engine.runContext();
  HWND window = nullptr;

  void SetUp() override {
    OwnForms::SetUp();
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KovaOwnFormTest";
    RegisterClassW(&wc);
    window = CreateWindowExW(0, wc.lpszClassName, L"Own Form Test", WS_OVERLAPPEDWINDOW, 40, 40, 200, 120,
                             nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
  }
  void TearDown() override {
    if (window) DestroyWindow(window);
    OwnForms::TearDown();
  }
  WindowHandle handle() const { return reinterpret_cast<uintptr_t>(window); }
  bool listed() {
    const std::vector<ListedWindow> list = hostWindowSystem()->listWindows(0);
    return std::any_of(list.begin(), list.end(), [&](const ListedWindow& w) { return w.handle == handle(); });
  }
};

TEST_F(OwnFormWindow, ARegisteredFormIsLeftOutOfTheListingAndNamedByItsTitle) {
  ASSERT_NE(window, nullptr);
  WindowSystem& ws = *hostWindowSystem();
  GetIdRequest byTitle;
  byTitle.title = u"Own Form Test";
  byTitle.waitSeconds = 0.001;
  GetIdRequest special;
  special.title = u"__GET_LOGPRINT_WIN__";
  EXPECT_TRUE(listed());
  EXPECT_EQ(getId(run, ws, special), -1);

  setOwnForm(OwnForm::kLogWindow, handle());
  EXPECT_FALSE(listed());
  EXPECT_EQ(getId(run, ws, byTitle), -1);  // the search does not find it by its title either
  const int64_t id = getId(run, ws, special);
  ASSERT_GT(id, 0);
  EXPECT_EQ(handleFromId(run, ws, id), handle());

  setOwnForm(OwnForm::kLogWindow, 0);
  EXPECT_TRUE(listed());
  EXPECT_EQ(getId(run, ws, special), -1);

  // A registered form whose window has gone is no window.
  setOwnForm(OwnForm::kStopForm, handle());
  DestroyWindow(window);
  window = nullptr;
  special.title = u"__GET_STOPFORM_WIN__";
  EXPECT_EQ(getId(run, ws, special), -1);
}

#endif

}  // namespace
}  // namespace kova::automation
