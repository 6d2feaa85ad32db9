#include "app/win/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/shell/option_settings.h"
#include "app/shell/restart_record.h"
#include "app/shell/shell_texts.h"
#include "app/shell/startup_settings.h"
#include "app/shell/tool_programs.h"
#include "app/win/bring_to_front.h"
#include "app/win/options_dialog.h"
#include "app/win/shell_dialogs.h"
#include "app/win/shell_messages.h"
#include "app/win/system_menu.h"
#include "automation/input.h"
#include "automation/own_forms.h"
#include "engine/front_end_messages.h"
#include "util/text_file.h"
#include "util/text_writer.h"

namespace kova::win {

namespace {

constexpr int kButtonWidth = 44, kButtonHeight = 26, kGap = 2;
constexpr UINT kButtonIds[5] = {kCmdLoad, kCmdSave, kCmdPlay, kCmdRecord, kCmdTool};
constexpr wchar_t kButtonKeys[5] = {L'L', L'S', L'P', L'R', L'O'};

const wchar_t* wide(const u16& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
u16 fromWide(const wchar_t* s) { return u16(reinterpret_cast<const char16_t*>(s)); }

shell::ScreenBox virtualDesktop() {
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

shell::ScreenBox primaryWorkArea() {
  RECT r{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return {r.left, r.top, r.right, r.bottom};
}

MainWindow* self(HWND h) { return reinterpret_cast<MainWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA)); }

void pumpWithSleeps(int rounds, DWORD ms) {
  for (int k = 0; k < rounds; ++k) {
    Sleep(ms);
    pumpMessages(1);
  }
}

// The settings file's folder, where a re-execution leaves its files.
u16 folderOfFile(const u16& path) {
  const size_t sep = path.find_last_of(u"\\/");
  return sep == u16::npos ? u16() : path.substr(0, sep + 1);
}

// A loaded script as a launch text again. Between blanks each argument is
// quoted, so that one holding blanks stays one argument.
u16 launchTextOf(const ScriptLaunch& launch, char16_t separator) {
  u16 out = launch.path;
  for (const u16& p : launch.params) out += separator == u' ' ? u" \"" + p + u"\"" : u16(1, separator) + p;
  if (launch.repeat > 1) out += u16(1, separator) + u"-R" + toU16(launch.repeat);
  return out;
}

}  // namespace

MainWindow::MainWindow(Platform& platform, shell::StartOptions options)
    : platform_(platform),
      options_(std::move(options)),
      host_(platform, *this),
      player_(platform, host_),
      stopForm_([this] {
        // STOP, or the form closed: the run (or recording) is asked to end.
        if (stopForm_.state() != RunState::kIdle) player_.engine().stopRequest = 1;
      }) {
  const u16 exe = platform_.executablePath();
  exeFolder_ = folderOfFile(exe);
  launchText_ = options_.launchText;
}

MainWindow::~MainWindow() {
  hotkeys_.reset();
  tray_.reset();
  automation::setOwnForm(automation::OwnForm::kMainWindow, 0);
  if (window_) DestroyWindow(window_);
  if (font_) DeleteObject(font_);
}

// --- Creation -----------------------------------------------------------

bool MainWindow::create() {
  startForeground_ = GetForegroundWindow();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hIcon = LoadIconW(instance, L"MAINICON");
  if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kMainWindowClass;
  RegisterClassExW(&wc);

  RECT frame{0, 0, 5 * kButtonWidth + 6 * kGap, kButtonHeight + 2 * kGap};
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_APPWINDOW;
  // A run started with a script argument may keep out of the taskbar.
  if (mode() == shell::StartMode::kScript && shell::firstNumberField(setting(u"NotTaskBar")) == 1)
    exStyle = WS_EX_TOOLWINDOW;
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  designedWidth_ = frame.right - frame.left;
  designedHeight_ = frame.bottom - frame.top;
  window_ = CreateWindowExW(exStyle, kMainWindowClass, wide(text(shell::kMainCaption)), style, 0, -999999,
                            designedWidth_, designedHeight_, nullptr, nullptr, instance, this);
  if (!window_) return false;
  automation::setOwnForm(automation::OwnForm::kMainWindow, reinterpret_cast<uintptr_t>(window_));
  hotkeys_ = std::make_unique<GlobalHotkeys>(window_);
  tray_ = std::make_unique<TrayIcon>(window_, kMsgTrayCallback);
  host_.setCaption(text(shell::kMainCaption));
  createButtons();
  replaceMinimizeEntry(window_);
  DragAcceptFiles(window_, TRUE);
  // Newer systems filter messages from lower-integrity senders: let drops
  // and the copy-data messages through.
  using Filter = BOOL(WINAPI*)(UINT, DWORD);
  if (HMODULE user = GetModuleHandleW(L"user32.dll")) {
    if (auto filter = reinterpret_cast<Filter>(
            reinterpret_cast<void*>(GetProcAddress(user, "ChangeWindowMessageFilter")))) {
      for (UINT m : {UINT{WM_DROPFILES}, UINT{0x004A}, UINT{0x0049}}) filter(m, 1 /* MSGFLT_ADD */);
    }
  }
  return true;
}

void MainWindow::createButtons() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  if (!japanese()) lstrcpyW(metrics.lfMessageFont.lfFaceName, L"Times New Roman");
  font_ = CreateFontIndirectW(&metrics.lfMessageFont);
  const Msg* captions[5] = {&shell::kLoadButton, &shell::kSaveButton, &shell::kPlayButton, &shell::kRecButton,
                            &shell::kToolButton};
  const Msg* hints[5] = {&shell::kLoadHint, &shell::kSaveHint, &shell::kPlayHint, &shell::kRecHint,
                         &shell::kToolHint};
  if (japanese()) {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance, nullptr);
  }
  for (int i = 0; i < 5; ++i) {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 2 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    buttons_[i] = CreateWindowExW(0, L"BUTTON", wide(text(*captions[i])), style, kGap + i * (kButtonWidth + kGap),
                                  kGap, kButtonWidth, kButtonHeight, window_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonIds[i])), instance, nullptr);
    if (!buttons_[i]) continue;
    if (font_) SendMessageW(buttons_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    // The buttons pass their letter keys and right clicks to the window.
    SetWindowLongPtrW(buttons_[i], GWLP_USERDATA, GetWindowLongPtrW(buttons_[i], GWLP_WNDPROC));
    SetWindowLongPtrW(buttons_[i], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(buttonProcedure));
    if (tooltip_) {
      u16 hint = text(*hints[i]);
      TTTOOLINFOW tool{};
      tool.cbSize = sizeof tool;
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = window_;
      tool.uId = reinterpret_cast<UINT_PTR>(buttons_[i]);
      tool.lpszText = hint.data() ? reinterpret_cast<wchar_t*>(hint.data()) : nullptr;
      SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
  // Nothing to play or save yet; Rec waits for the recorder.
  EnableWindow(buttons_[1], FALSE);
  EnableWindow(buttons_[2], FALSE);
  EnableWindow(buttons_[3], FALSE);
}

void MainWindow::placeFromSettings() {
  const shell::ScreenBox work = primaryWorkArea();
  const shell::Place fallback{work.right - 240, work.bottom - 140};
  const shell::Place place =
      shell::mainWindowPlace(setting(u"Position"), fallback, designedWidth_, designedHeight_, virtualDesktop());
  SetWindowPos(window_, nullptr, place.left, place.top, designedWidth_, designedHeight_,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

bool MainWindow::claimInstance() {
  const shell::InstanceClaim claim = shell::claimInstance(
      mode(), setting(u"NotMultiplex"), mutexExists(kFirstInstanceMutex), mutexExists(kSecondInstanceMutex));
  if (claim.refused) {
    if (!claim.silent) reportError(text(shell::kMultiplexRefused));
    return false;
  }
  if (claim.mutex == 1) mutex_.create(kFirstInstanceMutex);
  if (claim.mutex == 2) mutex_.create(kSecondInstanceMutex);
  return true;
}

void MainWindow::applyStoredOptions() {
  // A damaged field falls back to its default, field by field. The stop
  // hotkey is only remembered: it is registered while a run lasts.
  const shell::OptionSettings stored = shell::readOptionSettings(host_.settings());
  stopHotkey_ = stored.stop;
  // A chord another program holds simply stays unregistered.
  hotkeys_->set(shell::kPlayHotkey, stored.play);
  hotkeys_->set(shell::kRecordHotkey, stored.record);
  hotkeys_->set(shell::kTrayHotkey, stored.tray);
  hotkeys_->set(shell::kLaunchMenuHotkey, shell::readHotkeySetting(setting(u"LunchMenuHotKey"),
                                                                   shell::defaultHotkey(shell::kLaunchMenuHotkey)));
}

bool MainWindow::firstShow() {
  using shell::StartMode;
  SettingsFile& settings = host_.settings();
  const bool anySettings = platform_.fileExists(settings.perUserFile()) || platform_.fileExists(settings.exeFolderFile());
  if (static_cast<int>(mode()) <= 5 && mode() != StartMode::kScript) {
    // Probing that the settings file can be written moves it to the
    // per-user folder when the program's folder is read-only.
    settings.write(u"SET", u"test", u"0");
    settings.deleteKey(u"SET", u"test");
  }
  if (mode() == StartMode::kEncode || mode() == StartMode::kBuild) {
    const u16 message = text(shell::kContainerModes);
    if (mode() == StartMode::kBuild && !options_.outputPath.empty()) {
      u16 folder = options_.outputPath;
      if (folder.back() != u'\\' && folder.back() != u'/') folder += u'\\';
      writeTextFile(folder + u"$KOV_TEMP$.ERR", encodeText(message, WriteEncoding::AnsiOrUtf8, platform_), platform_);
    } else {
      reportError(message);
    }
    exitCode_ = 1;
    return false;
  }
  if (mode() != StartMode::kScript) {
    shell::StartupFacts facts;
    facts.primary = primaryWorkArea();
    facts.firstRun = !anySettings;
    facts.japanese = japanese();
    facts.exeFolder = exeFolder_;
    facts.fileExists = [this](const u16& path) { return platform_.fileExists(path); };
    shell::writeStartupDefaults(settings, facts);
  }
  placeFromSettings();
  if (mode() == StartMode::kRecord) {
    PostMessageW(window_, kMsgStartRecording, 0, 0);
    return true;
  }
  if (mode() == StartMode::kHandOverPlay || mode() == StartMode::kHandOverLoad) {
    if (!loadLaunchText(launchText_, shell::PathMode::kCurrentDirectory, u'\r')) {
      exitCode_ = 1;
      return false;
    }
    if (mode() == StartMode::kHandOverLoad) launchText_.clear();
    const std::vector<HWND> others = otherMainWindows(window_);
    if (!others.empty()) {
      // The other instance reads the launch text with blanks between the
      // arguments; quotes keep an argument with blanks in one piece.
      settings.write(u"SET", u"SetFile", launchTextOf(launch_, u' '));
      PostMessageW(others.front(), kMsgHandOver, static_cast<WPARAM>(mode()), 0);
      return false;
    }
    options_.mode = StartMode::kNormal;
  }
  if (!claimInstance()) {
    exitCode_ = 1;
    return false;
  }
  restoreAfterRestart();
  if (mode() == StartMode::kNormal) {
    applyStoredOptions();
    taskbarCreated_ = TrayIcon::taskbarCreatedMessage();
    shown_ = true;
    if (setting(u"TaskTrayStart") == u"1") {
      PostMessageW(window_, kMsgIntoTray, 0, 0);
    } else {
      SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      ShowWindow(window_, SW_SHOW);
      bringToFront(window_, false, window_);
      SetFocus(buttons_[2]);
    }
    PostMessageW(window_, kMsgBuildMenus, 0, 0);
  } else {
    // A run started with a script argument shows nothing of the window:
    // it stays off the screen with its buttons hidden.
    for (HWND b : buttons_) ShowWindow(b, SW_HIDE);
    SetWindowPos(window_, nullptr, 0, -999999, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
    stopHotkey_ = storedStopHotkey();
  }
  if (!launchText_.empty() || restartPlay_) PostMessageW(window_, kMsgPlayLaunch, 0, 0);
  return true;
}

void MainWindow::restoreAfterRestart() {
  SettingsFile& settings = host_.settings();
  const std::optional<shell::RestartRecord> record =
      shell::parseRestartRecord(settings.read(u"EXTR_SECTION", u"COM_REFILE"));
  if (!record) return;
  restartPlay_ = record->playAgain;
  if (!record->launchText.empty()) {
    launchText_.clear();
    loadLaunchText(record->launchText, shell::PathMode::kExeFolder, u'\r');
  }
  const u16 folder = folderOfFile(settings.resolve(u""));
  const u16 saved = folder + u"SV_COM_H.TMP";
  if (platform_.fileExists(saved)) {
    const TextFileLines lines = readTextFileLines(saved, platform_);
    LogWindow& log = host_.logWindow();
    for (const u16& line : lines.lines) log.print(line);
    if (HWND h = log.handle()) {
      if (record->width > 0 && record->height > 0)
        SetWindowPos(h, nullptr, record->left, record->top, record->width, record->height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      SetWindowTextW(h, wide(record->logCaption));
    }
    platform_.deleteFile(saved);
  }
  settings.eraseSection(u"EXTR_SECTION");
  if (startForeground_ && IsWindow(startForeground_)) SetForegroundWindow(startForeground_);
}

int MainWindow::run() {
  if (!create()) return 1;
  if (!options_.embedded) {
    if (!firstShow()) {
      closingSteps();
      return exitCode_;
    }
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_KEYDOWN && msg.hwnd && (msg.hwnd == window_ || GetParent(msg.hwnd) == window_)) {
      // L, S, P, R and O press their buttons.
      for (int i = 0; i < 5; ++i) {
        if (msg.wParam == static_cast<WPARAM>(kButtonKeys[i]) && IsWindowEnabled(buttons_[i]) &&
            !(GetKeyState(VK_CONTROL) & 0x8000)) {
          PostMessageW(window_, WM_COMMAND, kButtonIds[i], 0);
          msg.message = WM_NULL;
        }
      }
      if (msg.message == WM_NULL) continue;
    }
    if (IsDialogMessageW(window_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return exitCode_;
}

// --- Loading and playing ---------------------------------------------------

bool MainWindow::loadLaunchText(const u16& text, shell::PathMode mode, char16_t separator) {
  try {
    rawLaunchText_ = text;
    ScriptLaunch launch =
        shell::parseLaunchText(text, mode, separator, exeFolder_, platform_.currentDirectory());
    if (launch.path.empty() || !platform_.fileExists(launch.path)) {
      reportError(kova::text(fe::kFileNotFound, launch.path));
      return false;
    }
    launch_ = std::move(launch);
    const u16 folder = folderOfFile(launch_.path);
    if (!folder.empty()) platform_.setCurrentDirectory(folder);
    host_.scriptLoaded(launch_.path);
    setCaption(host_.mainWindowCaption());
    EnableWindow(buttons_[2], TRUE);
    EnableWindow(buttons_[1], FALSE);
    return true;
  } catch (const std::exception& ex) {
    reportError(kova::text(shell::kLoadException, fromUtf8(ex.what())));
    return false;
  }
}

void MainWindow::setCaption(const u16& caption) {
  host_.setCaption(caption);
  SetWindowTextW(window_, wide(caption));
}

void MainWindow::playAfterStart() {
  stopHotkey_ = storedStopHotkey();
  const bool loaded = launchText_.empty() || loadLaunchText(launchText_, shell::PathMode::kCurrentDirectory, u'\r');
  if (loaded) play();
  if (!loaded || mode() == shell::StartMode::kScript) PostMessageW(window_, WM_CLOSE, 0, 0);
}

// A missing or damaged setting gives the stop hotkey's documented default
// (Alt+F2), also in a run started with a script, which writes no defaults.
shell::HotkeySetting MainWindow::storedStopHotkey() {
  return shell::readHotkeySetting(setting(u"StopHotKey"), shell::defaultHotkey(shell::kStopHotkey));
}

void MainWindow::enterRunState(RunState state) {
  // A run started with a script argument only notes its state; the form
  // shows there when the script asks for it (STOPFORM).
  const bool script = mode() == shell::StartMode::kScript;
  if (!script) {
    RECT r{};
    GetWindowRect(window_, &r);
    stopForm_.placeAt(r.left, r.top);
  }
  stopForm_.enter(state, host_.caption(), !script && setting(u"StopForm") != u"1");
}

void MainWindow::play() {
  if (stopForm_.state() == RunState::kPlaying || stopForm_.state() == RunState::kPaused) return;
  if (launch_.path.empty()) return;
  if (mode() != shell::StartMode::kScript && !inTray_) ShowWindow(window_, SW_HIDE);
  enterRunState(RunState::kPlaying);
  hotkeys_->set(shell::kStopHotkey, stopHotkey_);
  EnableWindow(buttons_[2], FALSE);
  try {
    const int code = player_.play(launch_);
    if (mode() == shell::StartMode::kScript) exitCode_ = code;
  } catch (const std::exception& ex) {
    reportError(text(shell::kPlayException, fromUtf8(ex.what())));
  }
  platform_.stopSound();
  pumpWithSleeps(11, 20);
  leaveRun();
}

void MainWindow::leaveRun() {
  stopForm_.enter(RunState::kIdle, host_.caption(), false);
  const bool stopHeld = hotkeys_->registered(shell::kStopHotkey);
  hotkeys_->clear(shell::kStopHotkey);
  EnableWindow(buttons_[2], TRUE);
  if (restartPending_) {
    restartPending_ = false;
    PostMessageW(window_, kMsgReExecute, restartPlayAgain_ ? 1 : 0, 0);
  }
  if (closeAfterRun_) {
    PostMessageW(window_, WM_CLOSE, 0, 0);
  } else if (mode() == shell::StartMode::kNormal && !inTray_) {
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    SetFocus(buttons_[2]);
  }
  if (stopHeld) announceStopHotkeyFree(window_, stopHotkey_);
}

void MainWindow::waitHotkeyReleased(shell::HotkeySetting setting) {
  for (int k = 0; k < 61 && hotkeyHeld(setting); ++k) {
    Sleep(50);
    pumpMessages(1);
  }
}

// --- ShellOwner -------------------------------------------------------------

void MainWindow::restartRequested(bool playAgain) {
  restartPending_ = true;
  restartPlayAgain_ = playAgain;
}

void MainWindow::suspendHotkeysForKey(int32_t key) { hotkeys_->suspendForKey(key); }
void MainWindow::resumeHotkeys() { hotkeys_->resume(); }

void MainWindow::stopFormVisible(bool visible) {
  if (visible && !stopForm_.placed() && mode() == shell::StartMode::kScript) {
    // A hidden run shows the stop form where the main window would stand.
    const shell::Place at = shell::mainWindowPlace(setting(u"Position"), {0, 0}, designedWidth_, designedHeight_,
                                                   virtualDesktop());
    stopForm_.placeAt(at.left, at.top);
    if (HWND h = stopForm_.handle()) SetWindowTextW(h, wide(host_.caption()));
  }
  stopForm_.setVisible(visible);
}

// --- Buttons and the tool menu ----------------------------------------------

void MainWindow::command(UINT id) {
  const bool idle = stopForm_.state() == RunState::kIdle;
  switch (id) {
    case kCmdLoad: if (idle) loadByDialog(); break;
    case kCmdSave: if (idle) saveRecording(); break;
    case kCmdPlay: play(); break;
    case kCmdRecord: if (idle) reportError(text(shell::kRecorderMissing)); break;
    case kCmdTool: {
      if (!idle) break;
      RECT r{};
      GetWindowRect(buttons_[4], &r);
      popUpToolMenu(POINT{r.left + 5, r.top + 20});
      break;
    }
    case kCmdTray: if (idle) (inTray_ ? outOfTray() : intoTray()); break;
    case kCmdOptions: if (idle) showOptions(); break;
    case kCmdLaunchMenuSetting: break;  // the launch-menu settings dialog hooks in here
    case kCmdWebRec: startToolProgram(0); break;
    case kCmdKov2Exe: startToolProgram(1); break;
    case kCmdDebugger: startToolProgram(2); break;
    case kCmdHelp: openHelp(); break;
    case kCmdAbout: showAboutBox(window_, host_.versionText()); break;
    case kCmdExit: PostMessageW(window_, WM_CLOSE, 0, 0); break;
    default: break;
  }
}

void MainWindow::loadByDialog() {
  const std::optional<u16> chosen = askScriptToLoad(window_, platform_.currentDirectory());
  if (chosen) loadLaunchText(*chosen, shell::PathMode::kExeFolder, u' ');
}

void MainWindow::saveRecording() {
  if (trimCtl(recording_).empty()) {
    reportError(text(shell::kNoValidData));
    return;
  }
  const std::optional<u16> path = askScriptToSave(window_, platform_.currentDirectory());
  if (!path) return;
  EncodeOptions options;
  options.yenToBackslash = japanese();
  if (!writeTextFile(*path, encodeText(recording_, WriteEncoding::AnsiOrUtf8, platform_, options), platform_)) {
    reportError(text(fe::kFileNotFound, *path));
    return;
  }
  launch_ = ScriptLaunch{};
  launch_.path = *path;
  host_.scriptLoaded(*path);
  setCaption(host_.mainWindowCaption());
  EnableWindow(buttons_[2], TRUE);
}

void MainWindow::popUpToolMenu(POINT at) {
  if (menuOpen_) return;
  HMENU menu = CreatePopupMenu();
  const auto add = [&](UINT id, const Msg& caption, UINT flags = 0) {
    AppendMenuW(menu, MF_STRING | flags, id, wide(text(caption)));
  };
  add(kCmdTray, inTray_ ? shell::kMenuOutOfTray : shell::kMenuIntoTray);
  add(kCmdOptions, shell::kMenuOptions, optionsOpen_ ? MF_GRAYED : 0);
  if (!inTray_) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    HMENU launchMenu = CreatePopupMenu();
    AppendMenuW(launchMenu, MF_STRING, kCmdLaunchMenuSetting, wide(text(shell::kMenuLaunchMenuSetting)));
    AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(launchMenu),
                wide(text(shell::kMenuLaunchMenu)));
  }
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  add(kCmdWebRec, shell::kMenuWebRec);
  add(kCmdKov2Exe, shell::kMenuKov2Exe);
  add(kCmdDebugger, shell::kMenuDebugger);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  add(kCmdHelp, shell::kMenuHelp);
  add(kCmdAbout, shell::kMenuAbout);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  add(kCmdExit, shell::kMenuExit);
  menuOpen_ = true;
  // A pop-up menu closes with a click elsewhere only when its owner is the
  // foreground window.
  SetForegroundWindow(window_);
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, at.x, at.y, 0, window_, nullptr));
  PostMessageW(window_, WM_NULL, 0, 0);
  menuOpen_ = false;
  DestroyMenu(menu);
  if (chosen) command(chosen);
}

void MainWindow::showLaunchMenu(POINT at) {
  // The launch entries are added by the launch menu; its settings entry
  // is always there.
  if (menuOpen_) return;
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, kCmdLaunchMenuSetting, wide(text(shell::kMenuLaunchMenuSetting)));
  menuOpen_ = true;
  SetForegroundWindow(window_);
  const UINT chosen =
      static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN, at.x, at.y, 0, window_, nullptr));
  PostMessageW(window_, WM_NULL, 0, 0);
  menuOpen_ = false;
  DestroyMenu(menu);
  if (chosen) command(chosen);
}

void MainWindow::startToolProgram(int which) {
  const shell::ToolProgram tool = which == 0   ? shell::ToolProgram::kWebRec
                                  : which == 1 ? shell::ToolProgram::kKov2Exe
                                               : shell::ToolProgram::kDebugger;
  const shell::ToolLaunch launch =
      shell::toolLaunch(tool, exeFolder_, launch_.path, !launch_.path.empty() && platform_.fileExists(launch_.path));
  if (!platform_.fileExists(launch.program)) {
    reportError(text(shell::kProgramMissing, launch.program));
    return;
  }
  ProcessStart start;
  start.command = launch.commandLine;
  start.show = WindowShow::Normal;
  if (!platform_.startProcess(start)) reportError(text(shell::kProgramMissing, launch.program));
}

void MainWindow::openHelp() {
  const u16 help = exeFolder_ + u"kova.chm";
  if (!platform_.fileExists(help)) {
    reportError(text(shell::kProgramMissing, help));
    return;
  }
  ShellExecuteW(window_, L"open", wide(help), nullptr, wide(exeFolder_), SW_SHOWNORMAL);
}

void MainWindow::showOptions() {
  if (optionsOpen_) return;
  optionsOpen_ = true;
  // The schedule dialog hooks in with the scheduler.
  if (runOptionsDialog(window_, host_.settings(), {})) applyStoredOptions();
  optionsOpen_ = false;
}

// --- Hotkeys, tray, drop, hand-overs ------------------------------------------

void MainWindow::hotkey(int id) {
  const RunState state = stopForm_.state();
  switch (id) {
    case shell::kStopHotkey: {
      if (state == RunState::kRecording) {
        stopForm_.enter(RunState::kIdle, host_.caption(), false);
        break;
      }
      const shell::StopPress press = shell::pressStop(player_.engine().stopRequest);
      if (press.bringToFront) {
        bringToFront(window_, false, window_);
        bringToFront(stopForm_.handle(), false, window_);
      }
      player_.engine().stopRequest = press.level;
      break;
    }
    case shell::kPlayHotkey:
      if (state == RunState::kPlaying) {
        enterRunState(RunState::kPaused);
        if (automation::InputSystem* in = automation::hostInputSystem())
          automation::liftLockForWait(player_.engine().runContext(), *in);
      } else if (state == RunState::kPaused) {
        enterRunState(RunState::kPlaying);
        if (automation::InputSystem* in = automation::hostInputSystem()) {
          automation::restoreLockAfterWait(player_.engine().runContext(), *in);
          for (const u16& entry : player_.engine().heldInputs) automation::releaseHeldEntry(*in, entry);
        }
      } else if (state == RunState::kIdle) {
        waitHotkeyReleased(shell::readHotkeySetting(setting(u"PlayHotKey"), shell::defaultHotkey(shell::kPlayHotkey)));
        if (IsWindowEnabled(buttons_[2])) play();
      }
      break;
    case shell::kRecordHotkey:
      if (state == RunState::kIdle && IsWindowEnabled(buttons_[3])) command(kCmdRecord);
      break;
    case shell::kTrayHotkey:
      if (state == RunState::kIdle) (inTray_ ? outOfTray() : intoTray());
      break;
    case shell::kLaunchMenuHotkey: {
      if (state != RunState::kIdle) break;
      bringToFront(window_, false, window_);
      POINT cursor{};
      GetCursorPos(&cursor);
      const int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
      const shell::Point at = shell::launchMenuPoint(host_.settings().read(u"LUNCHMENU", u"Position"),
                                                     {cursor.x, cursor.y}, {cx, cy});
      showLaunchMenu(POINT{at.x, at.y});
      break;
    }
    default: break;
  }
}

void MainWindow::intoTray() {
  if (inTray_) return;
  ShowWindow(window_, SW_HIDE);
  inTray_ = true;
  tray_->add(host_.caption());
  SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::outOfTray() {
  if (!inTray_) return;
  inTray_ = false;
  tray_->remove();
  if (closing_) return;
  ShowWindow(window_, SW_SHOW);
  bringToFront(window_, false, window_);
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::trayCallback(LPARAM mouseMessage) {
  if (stopForm_.state() != RunState::kIdle) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  switch (static_cast<UINT>(mouseMessage)) {
    case WM_LBUTTONDOWN: showLaunchMenu(cursor); break;
    case WM_LBUTTONDBLCLK: outOfTray(); break;
    case WM_RBUTTONDOWN: popUpToolMenu(cursor); break;
    default: break;
  }
}

void MainWindow::dropped(HDROP drop) {
  wchar_t first[MAX_PATH * 4] = {};
  const UINT length = DragQueryFileW(drop, 0, first, MAX_PATH * 4);
  DragFinish(drop);
  if (length == 0 || stopForm_.state() != RunState::kIdle) return;
  const u16 target = resolveShortcut(fromWide(first));
  // The target, not its arguments, must be a script.
  const size_t kov = findNoCase(target, u".KOV");
  const bool script = kov != u16::npos && (kov + 4 == target.size() || target[kov + 4] == u' ') &&
                      !platform_.directoryExists(target);
  if (!script) {
    reportError(text(shell::kNotKovaFile));
    return;
  }
  if (loadLaunchText(target, shell::PathMode::kExeFolder, u' ')) play();
}

void MainWindow::handOver(WPARAM handMode) {
  SettingsFile& settings = host_.settings();
  const u16 handed = settings.read(u"SET", u"SetFile");
  settings.deleteKey(u"SET", u"SetFile");
  if (handed.empty() || stopForm_.state() != RunState::kIdle) return;
  if (!loadLaunchText(handed, shell::PathMode::kExeFolder, u' ')) return;
  if (handMode == 1) {
    pendingPlay_ = true;
    // Played at once: a script handed over to be played does not wait for
    // anything else to start it.
    PostMessageW(window_, WM_COMMAND, kCmdPlay, 0);
  }
}

void MainWindow::stopHotkeyFree(WPARAM modifier, LPARAM key) {
  if (stopForm_.state() == RunState::kIdle || hotkeys_->registered(shell::kStopHotkey)) return;
  if (stopHotkey_.modifier != static_cast<int>(modifier) || stopHotkey_.key != static_cast<int>(key)) return;
  hotkeys_->set(shell::kStopHotkey, stopHotkey_);
}

// --- Re-execution and Exit --------------------------------------------------------

void MainWindow::reExecute(bool playAgain) {
  restarting_ = true;
  closingSteps();
  pumpMessages(100);
  SettingsFile& settings = host_.settings();
  if (!(mode() == shell::StartMode::kScript && !playAgain)) {
    shell::RestartRecord record;
    record.playAgain = playAgain;
    if (host_.hasLogWindow()) {
      if (HWND log = host_.logWindow().handle()) {
        RECT r{};
        GetWindowRect(log, &r);
        record.left = r.left;
        record.top = r.top;
        record.width = r.right - r.left;
        record.height = r.bottom - r.top;
        wchar_t caption[256] = {};
        GetWindowTextW(log, caption, 256);
        record.logCaption = fromWide(caption);
        const std::deque<u16>& lines = host_.logWindow().lines().lines();
        if (IsWindowVisible(log) && !lines.empty()) {
          const std::vector<u16> all(lines.begin(), lines.end());
          writeTextFile(folderOfFile(settings.resolve(u"")) + u"SV_COM_H.TMP",
                        encodeLines(all, WriteEncoding::Utf8, platform_), platform_);
        }
      }
    }
    if (!launch_.path.empty()) record.launchText = launchTextOf(launch_, u'\r');
    settings.write(u"EXTR_SECTION", u"COM_REFILE", shell::formatRestartRecord(record));
    ShowWindow(window_, SW_HIDE);
    if (host_.hasLogWindow()) ShowWindow(host_.logWindow().handle(), SW_HIDE);
    stopForm_.setVisible(false);
    ProcessStart start;
    start.command = u"\"" + platform_.executablePath() + u"\"";
    if (mode() == shell::StartMode::kScript) start.command += u" KOVA_REBOOT_$2";
    platform_.startProcess(start);
  }
  mutex_.release();
  ExitProcess(0);
}

void MainWindow::closingSteps() {
  if (closed_) return;
  closed_ = true;
  closing_ = true;
  player_.engine().stopRequest = 1;
  mutex_.release();
  const bool stopHeld = hotkeys_ && hotkeys_->registered(shell::kStopHotkey);
  if (hotkeys_) hotkeys_->clearAll();
  if (window_ && shown_ && !restarting_) {
    const bool wasInTray = inTray_;
    if (inTray_) outOfTray();
    RECT r{};
    GetWindowRect(window_, &r);
    host_.settings().write(u"SET", u"Position", toU16(r.left) + u"," + toU16(r.top));
    host_.settings().write(u"SET", u"TaskTrayStart", wasInTray ? u"1" : u"0");
  }
  if (stopHeld) announceStopHotkeyFree(window_, stopHotkey_);
}

void MainWindow::reportError(const u16& message) {
  MessageBeep(MB_ICONWARNING);
  host_.showMessage(message);
}

// --- Messages -------------------------------------------------------------------

LRESULT CALLBACK MainWindow::buttonProcedure(HWND h, UINT message, WPARAM w, LPARAM l) {
  const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (message == WM_CONTEXTMENU || message == WM_RBUTTONUP) {
    POINT at{};
    GetCursorPos(&at);
    if (HWND parent = GetParent(h)) PostMessageW(parent, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(parent),
                                                 MAKELPARAM(at.x, at.y));
    return 0;
  }
  return CallWindowProcW(original, h, message, w, l);
}

LRESULT CALLBACK MainWindow::procedure(HWND h, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* window = reinterpret_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    window->window_ = h;
  }
  if (MainWindow* window = self(h)) return window->handle(message, w, l);
  return DefWindowProcW(h, message, w, l);
}

LRESULT MainWindow::handle(UINT message, WPARAM w, LPARAM l) {
  if (taskbarCreated_ != 0 && message == taskbarCreated_) {
    // The taskbar was made anew: the icon goes back in.
    if (inTray_) tray_->add(host_.caption());
    return 0;
  }
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(w) == BN_CLICKED || HIWORD(w) == 0) command(LOWORD(w));
      return 0;
    case WM_CONTEXTMENU: {
      if (stopForm_.state() != RunState::kIdle) return 0;
      POINT at{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
      if (at.x == -1 && at.y == -1) GetCursorPos(&at);
      popUpToolMenu(POINT{at.x + 5, at.y + 20});
      return 0;
    }
    case WM_RBUTTONUP: {
      POINT at{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
      ClientToScreen(window_, &at);
      return handle(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_), MAKELPARAM(at.x, at.y));
    }
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      // The window has no menu bar: Alt and F10 do nothing.
      if (w == VK_MENU || w == VK_F10) return 0;
      break;
    case WM_SYSCOMMAND:
      if ((w & 0xFFF0) == SC_KEYMENU) return 0;
      if (LOWORD(w) == kCmdMinimize) {
        ShowWindow(window_, SW_MINIMIZE);
        return 0;
      }
      break;
    case WM_SIZE:
      if (w == SIZE_MINIMIZED) enableMinimizeEntry(window_, false);
      else if (w == SIZE_RESTORED) enableMinimizeEntry(window_, true);
      break;
    case WM_HOTKEY: hotkey(static_cast<int>(w)); return 0;
    case WM_DROPFILES: dropped(reinterpret_cast<HDROP>(w)); return 0;
    case kMsgPlayLaunch: playAfterStart(); return 0;
    case kMsgStartRecording:
      // Recording comes with the recorder; "/rec" ends at once until then.
      reportError(text(shell::kRecorderMissing));
      PostMessageW(window_, WM_CLOSE, 0, 0);
      return 0;
    case kMsgTrayCallback: trayCallback(l); return 0;
    case kMsgIntoTray: intoTray(); return 0;
    case kMsgHandOver: handOver(w); return 0;
    case kMsgBuildMenus: {
      // The launch menu and the schedule table are built here; the table
      // holds MaxNumber slots (40 to 400).
      return 0;
    }
    case kMsgStopHotkeyFree: stopHotkeyFree(w, l); return 0;
    case kMsgReExecute: reExecute(w != 0); return 0;
    case WM_CLOSE:
      if (stopForm_.state() == RunState::kPlaying || stopForm_.state() == RunState::kPaused) {
        // A run is under way: it is asked to stop, and the window closes
        // when it has.
        closeAfterRun_ = true;
        player_.engine().stopRequest = 1;
        return 0;
      }
      closingSteps();
      DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      automation::setOwnForm(automation::OwnForm::kMainWindow, 0);
      PostQuitMessage(exitCode_);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      return 0;
    case DM_GETDEFID:
      // Enter presses Play.
      return MAKELRESULT(kCmdPlay, DC_HASDEFID);
    default: break;
  }
  return DefWindowProcW(window_, message, w, l);
}

}  // namespace kova::win
