// The main window's dialogs on real windows (Windows build only): the Load
// dialog's count box and its way with shortcuts and folders, the Save
// dialog's forced extension and its question before replacing a file, the
// about box's modality; and shortcut resolution with the thread's COM
// state left as it was.

#ifdef _WIN32

#include <windows.h>
// These need <windows.h> before them.
#include <commctrl.h>
#include <commdlg.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "app/shell/dialog_rules.h"
#include "app/win/shell_dialogs.h"
#include "engine/messages.h"
#include "win_desktop_driver.h"

namespace kova::win {
namespace {

using Microsoft::WRL::ComPtr;
using testing::classOf;
using testing::DesktopDriver;
using testing::findDescendant;
using testing::setTextOf;
using testing::textOf;

const wchar_t* wide(const u16& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// A folder of its own below the temporary folder, removed with what the
// test put in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH]{};
    GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    path_ = u16(reinterpret_cast<const char16_t*>(temp)) + u"kova-dialogs-" + toU16(GetCurrentProcessId()) +
            u"-" + toU16(++serial);
    CreateDirectoryW(wide(path_), nullptr);
  }
  ~ScratchFolder() { removeTree(path_); }

  const u16& path() const { return path_; }
  u16 operator/(const u16& name) const { return path_ + u"\\" + name; }
  u16 file(const u16& name) const {
    const u16 p = *this / name;
    std::ofstream(wide(p)) << "PRINT 1\n";
    return p;
  }
  u16 folder(const u16& name) const {
    const u16 p = *this / name;
    CreateDirectoryW(wide(p), nullptr);
    return p;
  }

 private:
  static void removeTree(const u16& folder) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(wide(folder + u"\\*"), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        const u16 name(reinterpret_cast<const char16_t*>(found.cFileName));
        if (name == u"." || name == u"..") continue;
        const u16 inner = folder + u"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          removeTree(inner);
        else
          DeleteFileW(wide(inner));
      } while (FindNextFileW(h, &found));
      FindClose(h);
    }
    RemoveDirectoryW(wide(folder));
  }

  u16 path_;
};

// A shortcut saved the way Explorer saves one.
bool makeShortcut(const u16& at, const u16& target, const u16& arguments) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool saved = false;
  {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    saved =
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) &&
        SUCCEEDED(link->SetPath(wide(target))) && SUCCEEDED(link->SetArguments(wide(arguments))) &&
        SUCCEEDED(link.As(&file)) && SUCCEEDED(file->Save(wide(at), TRUE));
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return saved;
}

bool sameFolder(u16 a, u16 b) {
  while (!a.empty() && a.back() == u'\\') a.pop_back();
  while (!b.empty() && b.back() == u'\\') b.pop_back();
  return upperAscii(a) == upperAscii(b);
}

struct LanguageFor {
  explicit LanguageFor(Language l) { setLanguage(l); }
  ~LanguageFor() { setLanguage(Language::English); }
};

// ---- Driving the common dialogs ------------------------------------------------

bool isFileDialog(HWND h) {
  return classOf(h) == u"#32770" && (GetDlgItem(h, 0x47c) || GetDlgItem(h, 0x480)) && !GetDlgItem(h, IDYES);
}
bool isQuestion(HWND h) { return classOf(h) == u"#32770" && GetDlgItem(h, IDYES) && GetDlgItem(h, IDNO); }

// The file-name edit: the edit inside the name combo (cmb13, in Wine a
// ComboBoxEx32 with the edit in its inner combo box), or the plain edit
// (edt1) of older layouts.
HWND fileNameEdit(DesktopDriver& d, HWND dialog) {
  HWND edit = nullptr;
  if (HWND combo = GetDlgItem(dialog, 0x47c))
    edit = findDescendant(combo, [](HWND h) { return classOf(h) == u"Edit"; });
  if (!edit) edit = GetDlgItem(dialog, 0x480);
  if (!edit) {
    std::string tree;
    findDescendant(dialog, [&](HWND h) {
      tree += " " + toUtf8(classOf(h)) + "#" + std::to_string(GetDlgCtrlID(h)) + "^" +
              std::to_string(GetDlgCtrlID(GetParent(h)));
      return false;
    });
    d.fail("the file dialog has no file-name edit:" + tree);
  }
  return edit;
}

void press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Types `name` into the dialog's file name and presses OK; waits until the
// dialog has gone.
void choose(DesktopDriver& d, HWND dialog, const u16& name) {
  setTextOf(fileNameEdit(d, dialog), name);
  press(dialog, IDOK);
  d.waitGone(dialog, "the file dialog");
}

// The count box of a Load dialog: the up-down arrows and their edit, once
// the dialog's hook has set them up.
struct CountBox {
  HWND arrows = nullptr, edit = nullptr;
};
CountBox countBox(DesktopDriver& d, HWND dialog) {
  CountBox box;
  for (int i = 0; i < 100 && !box.edit; ++i) {
    box.arrows = findDescendant(dialog, [](HWND h) { return classOf(h) == u"msctls_updown32"; });
    if (box.arrows) box.edit = reinterpret_cast<HWND>(SendMessageW(box.arrows, UDM_GETBUDDY, 0, 0));
    if (!box.edit) Sleep(50);
  }
  d.check(box.edit != nullptr, "the Load dialog has no count box with a buddy edit");
  return box;
}

u16 folderOf(HWND dialog) {
  std::vector<wchar_t> buffer(MAX_PATH * 4, L'\0');
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(dialog, CDM_GETFOLDERPATH, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                      SMTO_NORMAL, 5000, &ignored);
  return u16(reinterpret_cast<const char16_t*>(buffer.data()));
}

void expectNoProblems(DesktopDriver& d) {
  d.finish();
  for (const std::string& p : d.problems()) ADD_FAILURE() << p;
}

// ---- Load -------------------------------------------------------------------------

TEST(DesktopLoadDialog, TheChosenScriptComesBackWithTheCountTyped) {
  ScratchFolder dir;
  const u16 script = dir.file(u"daily run.KOV");
  DesktopDriver driver([&](DesktopDriver& d) {
    HWND dialog = d.waitFor(isFileDialog, "Load dialog");
    d.check(sameFolder(folderOf(dialog), dir.path()), "the dialog did not open in the start folder");
    const CountBox box = countBox(d, dialog);
    d.check(textOf(box.edit) == u"1", "the count does not start at 1");
    int low = 0, high = 0;
    SendMessageW(box.arrows, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    d.check(low == 1 && high == 9999, "the arrows' range is not 1..9999");
    d.check(findDescendant(dialog, [](HWND h) { return textOf(h) == u"  Number of times: "; }) != nullptr,
            "no English label beside the count");
    setTextOf(box.edit, u"12");
    choose(d, dialog, script);
  });
  const std::optional<u16> chosen = askScriptToLoad(nullptr, dir.path());
  expectNoProblems(driver);
  EXPECT_EQ(chosen, script + u" -R12");
}

TEST(DesktopLoadDialog, CancelGivesNothingAndTheLabelFollowsTheLanguage) {
  LanguageFor ja(Language::Japanese);
  ScratchFolder dir;
  DesktopDriver driver([&](DesktopDriver& d) {
    HWND dialog = d.waitFor(isFileDialog, "Load dialog");
    countBox(d, dialog);
    d.check(findDescendant(dialog, [](HWND h) { return textOf(h) == u"  実行回数: "; }) != nullptr,
            "no Japanese label beside the count");
    press(dialog, IDCANCEL);
    d.waitGone(dialog, "the Load dialog");
  });
  const std::optional<u16> chosen = askScriptToLoad(nullptr, dir.path());
  expectNoProblems(driver);
  EXPECT_FALSE(chosen);
}

TEST(DesktopLoadDialog, AShortcutComesBackAsItsTargetAndArguments) {
  ScratchFolder dir;
  const u16 script = dir.file(u"target.KOV");
  const u16 link = dir / u"to target.lnk";
  ASSERT_TRUE(makeShortcut(link, script, u"first \"second word\""));
  DesktopDriver driver([&](DesktopDriver& d) {
    HWND dialog = d.waitFor(isFileDialog, "Load dialog");
    setTextOf(countBox(d, dialog).edit, u"2");
    choose(d, dialog, link);
  });
  const std::optional<u16> chosen = askScriptToLoad(nullptr, dir.path());
  expectNoProblems(driver);
  EXPECT_EQ(chosen, script + u" first \"second word\" -R2");
}

TEST(DesktopLoadDialog, AShortcutToAFolderOpensTheDialogInsideIt) {
  ScratchFolder dir;
  const u16 inner = dir.folder(u"inner");
  const u16 script = dir.file(u"inner\\b.KOV");
  const u16 link = dir / u"inner folder.lnk";
  ASSERT_TRUE(makeShortcut(link, inner, u""));
  DesktopDriver driver([&](DesktopDriver& d) {
    HWND first = d.waitFor(isFileDialog, "Load dialog");
    choose(d, first, link);
    HWND second = d.waitFor(isFileDialog, "second Load dialog", first);
    d.check(sameFolder(folderOf(second), inner), "the second dialog is not inside the shortcut's folder");
    countBox(d, second);          // the count box is there again
    choose(d, second, u"b.KOV");  // a bare name: the dialog's folder holds it
  });
  const std::optional<u16> chosen = askScriptToLoad(nullptr, dir.path());
  expectNoProblems(driver);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(upperAscii(*chosen), upperAscii(script));
}

// ---- Save -------------------------------------------------------------------------

TEST(DesktopSaveDialog, TheExtensionIsForcedOnANewFile) {
  ScratchFolder dir;
  DesktopDriver driver([&](DesktopDriver& d) {
    HWND dialog = d.waitFor(isFileDialog, "Save dialog");
    d.check(sameFolder(folderOf(dialog), dir.path()), "the dialog did not open in the start folder");
    choose(d, dialog, u"notes.txt");
  });
  const std::optional<u16> chosen = askScriptToSave(nullptr, dir.path());
  expectNoProblems(driver);
  EXPECT_EQ(chosen, dir / u"notes.KOV");
  EXPECT_EQ(GetFileAttributesW(wide(dir / u"notes.KOV")), INVALID_FILE_ATTRIBUTES);  // saving is the caller's
}

TEST(DesktopSaveDialog, ReplacingAFileIsAskedAndNoReturnsToTheDialog) {
  ScratchFolder dir;
  const u16 existing = dir.file(u"old.KOV");
  DesktopDriver driver([&](DesktopDriver& d) {
    // "old" becomes old.KOV, which exists: the question names it.
    HWND first = d.waitFor(isFileDialog, "Save dialog");
    choose(d, first, u"old");
    HWND question = d.waitFor(isQuestion, "replace question");
    d.check(textOf(question) == u"KOVA", "the question is not titled KOVA");
    // The dialog puts an extension on "old" (Wine the filter's, in lower
    // case) before KOVA forces ".KOV": the name is compared without case.
    d.check(findDescendant(question,
                           [&](HWND h) {
                             return upperAscii(textOf(h)) == upperAscii(existing + u"\r\nMay I replace it?");
                           }) != nullptr,
            "the question does not name the file");
    press(question, IDNO);
    d.waitGone(question, "the question");
    // No: the dialog again, with the name in place.
    HWND second = d.waitFor(isFileDialog, "Save dialog after No", first);
    const u16 shown = upperAscii(textOf(fileNameEdit(d, second)));
    d.check(shown.find(u"OLD.KOV") != u16::npos, "the dialog does not show the name again");
    choose(d, second, u"fresh");
  });
  std::optional<u16> chosen = askScriptToSave(nullptr, dir.path());
  expectNoProblems(driver);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(upperAscii(*chosen), upperAscii(dir / u"fresh.KOV"));

  DesktopDriver yes([&](DesktopDriver& d) {
    choose(d, d.waitFor(isFileDialog, "Save dialog"), u"old.kov");
    HWND question = d.waitFor(isQuestion, "replace question");
    press(question, IDYES);
    d.waitGone(question, "the question");
  });
  chosen = askScriptToSave(nullptr, dir.path());
  expectNoProblems(yes);
  EXPECT_EQ(chosen, dir / u"old.kov");  // as typed: the extension was right
}

// ---- About ------------------------------------------------------------------------

bool isAboutBox(HWND h) { return classOf(h) == u"KOVA.ABOUT"; }

struct OwnerWindow {
  HWND h = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 300, 500, 400,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ~OwnerWindow() { DestroyWindow(h); }
};

POINT centreOf(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(DesktopAboutBox, ModalOverItsOwnerAndClosedByEachWay) {
  const OwnerWindow owner;
  ASSERT_TRUE(owner.h);
  // Escape, Enter (to the focused button, as typed), OK, the close box.
  const char* ways[] = {"Escape", "Enter", "OK", "close"};
  for (const char* way : ways) {
    SCOPED_TRACE(way);
    DesktopDriver driver([&](DesktopDriver& d) {
      HWND box = d.waitFor(isAboutBox, "about box");
      d.check(textOf(box) == u"KOVA", "the caption is not KOVA");
      d.check(findDescendant(box, [](HWND h) { return textOf(h) == u"Version 1.2.3"; }) != nullptr,
              "no version text");
      HWND ok = findDescendant(box, [](HWND h) { return GetDlgCtrlID(h) == IDOK; });
      d.check(ok != nullptr && textOf(ok) == u"OK", "no OK button");
      d.check(!IsWindowEnabled(owner.h), "the owner takes input while the box is up");
      d.check(GetWindow(box, GW_OWNER) == owner.h, "the box is not owned by the owner");
      const POINT a = centreOf(box), b = centreOf(owner.h);
      d.check(std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1, "the box is not centred on its owner");
      const std::string w = way;
      if (w == "Escape") PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, 0);
      if (w == "Enter") PostMessageW(ok, WM_KEYDOWN, VK_RETURN, 0);
      if (w == "OK") PostMessageW(ok, BM_CLICK, 0, 0);
      if (w == "close") PostMessageW(box, WM_CLOSE, 0, 0);
      d.waitGone(box, "the about box");
    });
    showAboutBox(owner.h, u"1.2.3");
    expectNoProblems(driver);
    EXPECT_TRUE(IsWindowEnabled(owner.h));
  }
}

TEST(DesktopAboutBox, WithoutOwnerInJapaneseAndAQuitKeptForTheCaller) {
  LanguageFor ja(Language::Japanese);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY), &info);
  const DWORD self = GetCurrentThreadId();
  DesktopDriver driver([&](DesktopDriver& d) {
    HWND box = d.waitFor(isAboutBox, "about box");
    d.check(findDescendant(box, [](HWND h) { return textOf(h) == u"バージョン 0.1"; }) != nullptr,
            "no Japanese version text");
    const POINT c = centreOf(box);
    d.check(std::abs(c.x - (info.rcWork.left + info.rcWork.right) / 2) <= 1 &&
                std::abs(c.y - (info.rcWork.top + info.rcWork.bottom) / 2) <= 1,
            "an ownerless box is not centred on the work area");
    // The program is asked to end while the box is up: the box ends, and
    // the request stays for the program's own loop.
    PostThreadMessageW(self, WM_QUIT, 7, 0);
    d.waitGone(box, "the about box");
  });
  showAboutBox(nullptr, u"0.1");
  expectNoProblems(driver);
  MSG m{};
  ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 7u);
}

// ---- Shortcuts --------------------------------------------------------------------

// Whether this thread has COM, and in which model, without changing it:
// S_OK from a probe means it had none (the probe is undone).
HRESULT probeCom(DWORD model) {
  const HRESULT hr = CoInitializeEx(nullptr, model);
  if (SUCCEEDED(hr)) CoUninitialize();
  return hr;
}

TEST(WinShortcuts, ALinkGivesItsTargetAndArguments) {
  ScratchFolder dir;
  const u16 script = dir.file(u"a b.KOV");
  ASSERT_TRUE(makeShortcut(dir / u"with.lnk", script, u"x \"y z\""));
  ASSERT_TRUE(makeShortcut(dir / u"plain.LNK", script, u""));
  EXPECT_EQ(resolveShortcut(dir / u"with.lnk"), script + u" x \"y z\"");
  EXPECT_EQ(resolveShortcut(dir / u"plain.LNK"), script);  // any case of ".lnk"
  EXPECT_EQ(resolveShortcut(dir / u"plain.lnk"), script);
}

TEST(WinShortcuts, WhatIsNoReadableLinkComesBackUnchanged) {
  ScratchFolder dir;
  const u16 script = dir.file(u"a.KOV");
  EXPECT_EQ(resolveShortcut(script), script);
  EXPECT_EQ(resolveShortcut(dir / u"missing.lnk"), dir / u"missing.lnk");
  const u16 broken = dir.file(u"broken.lnk");  // a script's text, no link
  EXPECT_EQ(resolveShortcut(broken), broken);
  EXPECT_EQ(resolveShortcut(u""), u"");
  // A ".lnk" that is a folder.
  const u16 folder = dir.folder(u"folder.lnk");
  EXPECT_EQ(resolveShortcut(folder), folder);
}

TEST(WinShortcuts, TheThreadKeepsTheComItHad) {
  ScratchFolder dir;
  const u16 script = dir.file(u"a.KOV");
  const u16 link = dir / u"a.lnk";
  ASSERT_TRUE(makeShortcut(link, script, u"p"));
  // A thread without COM has none afterwards.
  std::thread([&] {
    EXPECT_EQ(resolveShortcut(link), script + u" p");
    EXPECT_EQ(probeCom(COINIT_APARTMENTTHREADED), S_OK);
  }).join();
  // A thread in the multithreaded apartment: resolved there, left there.
  std::thread([&] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(resolveShortcut(link), script + u" p");
    EXPECT_EQ(probeCom(COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();
    EXPECT_EQ(probeCom(COINIT_MULTITHREADED), S_OK);
  }).join();
  // A thread already apartment-threaded stays so, with one count.
  std::thread([&] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(resolveShortcut(link), script + u" p");
    CoUninitialize();
    EXPECT_EQ(probeCom(COINIT_MULTITHREADED), S_OK);
  }).join();
}

}  // namespace
}  // namespace kova::win

#endif  // _WIN32
