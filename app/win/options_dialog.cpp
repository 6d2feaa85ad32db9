#include "app/win/options_dialog.h"

#include <algorithm>
#include <iterator>

#include "app/shell/option_settings.h"
#include "app/shell/options_layout.h"
#include "app/win/shell_messages.h"
#include "engine/messages.h"
#include "platform/win/handles.h"

namespace kova::win {

namespace {

using shell::HotkeyRowPart;
using shell::OptionsControl;
using shell::OptionsControlKind;

// The captions in the order of OptionsControl; combo boxes have none.
constexpr Msg kCaptions[] = {
    {u"記録方法(&R)", u"Recording method"},
    {u"低レベル記録", u"Low level"},
    {u"高レベル記録", u"High level"},
    {u"余分な時間、マウス移動は記録しない", u"Do not record idle time and extra mouse moves"},
    {u"マウス座標を相対座標で記録する", u"Record mouse positions relative to the window"},
    {u"記録後クリップボードへコピーする", u"Copy the recording to the clipboard"},
    {u"ホットキー(&H)", u"Hotkeys"},
    {u"再生", u"Play"},
    {u"", u""},
    {u"", u""},
    {u"停止", u"Stop"},
    {u"", u""},
    {u"", u""},
    {u"記録", u"Record"},
    {u"", u""},
    {u"", u""},
    {u"トレイ", u"Tray"},
    {u"", u""},
    {u"", u""},
    {u"スケジューラー", u"Scheduler"},
    {u"スケジュール設定をする(&S)...", u"&Schedule..."},
    {u"OK", u"OK"},
    {u"キャンセル", u"Cancel"},
};
static_assert(std::size(kCaptions) == shell::kOptionsControlCount, "one caption per control");
constexpr Msg kTitle{u"設定", u"Options"};

// Not WS_CLIPCHILDREN: the group boxes cover their members' area and paint
// no background of their own, so the dialog must paint under them.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
// Entries a dropped list shows before it scrolls.
constexpr int kVisibleEntries = 12;

const wchar_t* wide(const u16& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// OK and Cancel carry the identifiers the keyboard interface sends
// (IsDialogMessage turns Enter into IDOK, Escape into IDCANCEL).
int controlId(OptionsControl c) {
  if (c == shell::kOkButton) return IDOK;
  if (c == shell::kCancelButton) return IDCANCEL;
  return 1000 + c;
}

// What a caption shows: a single '&' marks the mnemonic and is not drawn,
// "&&" draws one '&'.
u16 shownText(u16v caption) {
  u16 out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && ++i == caption.size()) break;
    out.push_back(caption[i]);
  }
  return out;
}

shell::ScreenBox box(const RECT& r) { return shell::ScreenBox{r.left, r.top, r.right, r.bottom}; }

// The work area of the monitor the owner is on (the primary one without
// an owner).
shell::ScreenBox workAreaOf(HWND owner) {
  HMONITOR monitor = owner ? MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY)
                           : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor && GetMonitorInfoW(monitor, &info)) return box(info.rcWork);
  RECT r{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return box(r);
}

class OptionsDialog {
 public:
  OptionsDialog(SettingsFile& settings, const std::function<void()>& openSchedule)
      : settings_(settings), openSchedule_(openSchedule), options_(shell::readOptionSettings(settings)) {}
  OptionsDialog(const OptionsDialog&) = delete;
  OptionsDialog& operator=(const OptionsDialog&) = delete;

  // The one dialog on screen, for the one-at-a-time rule. The shell's
  // windows all live on its main thread, so no lock is needed.
  static HWND& shown() {
    static HWND window = nullptr;
    return window;
  }

  bool run(HWND owner);

 private:
  enum class Outcome { kOpen, kOk, kCancel };

  static LRESULT CALLBACK procedure(HWND h, UINT message, WPARAM w, LPARAM l);
  LRESULT handle(UINT message, WPARAM w, LPARAM l);
  bool create(HWND owner);
  shell::OptionsMetrics measure() const;
  void createControls(const shell::OptionsLayout& layout);
  void showLowLevelOptions();
  void collect();
  void finish(Outcome outcome);
  void runSchedule();
  bool checked(OptionsControl c) const { return SendMessageW(control(c), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  HWND control(OptionsControl c) const { return controls_[c]; }
  int selection(OptionsControl c, int fallback) const;

  SettingsFile& settings_;
  const std::function<void()>& openSchedule_;
  shell::OptionSettings options_;
  HWND window_ = nullptr;
  HWND controls_[shell::kOptionsControlCount] = {};
  HWND lastFocus_ = nullptr;
  // The Japanese interface takes the system's dialog font; the English
  // one a font of its own, released after the window.
  GdiObject<HFONT> ownFont_;
  HFONT font_ = nullptr;
  Outcome outcome_ = Outcome::kOpen;
};

bool OptionsDialog::run(HWND owner) {
  // Only a top-level window can own a dialog (the system would take the
  // child's top-level window anyway, but that is the one to disable).
  if (owner) owner = GetAncestor(owner, GA_ROOT);
  if (!create(owner)) return false;
  shown() = window_;
  // Disabled before the dialog shows, re-enabled before it goes: that way
  // the activation passes back to the owner and not to another program.
  // An owner that was disabled already (by a dialog of its own) stays so.
  const bool ownerWasEnabled = owner && !EnableWindow(owner, FALSE);
  // The chosen recording method has the focus first (activation hands it
  // on, see WM_ACTIVATE).
  lastFocus_ = control(options_.highLevel ? shell::kHighLevelRadio : shell::kLowLevelRadio);
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  SetFocus(lastFocus_);

  bool quit = false;
  WPARAM quitCode = 0;
  MSG msg;
  while (outcome_ == Outcome::kOpen && IsWindow(window_)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // WM_QUIT belongs to the program's own loop: it is posted again
      // once the dialog is gone.
      quit = true;
      quitCode = msg.wParam;
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(window_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // A dialog destroyed from outside (with its owner) counts as cancelled.
  if (outcome_ == Outcome::kOpen) outcome_ = Outcome::kCancel;
  if (ownerWasEnabled && IsWindow(owner)) EnableWindow(owner, TRUE);
  if (IsWindow(window_)) DestroyWindow(window_);
  shown() = nullptr;
  if (owner && IsWindow(owner) && IsWindowVisible(owner)) SetForegroundWindow(owner);
  if (outcome_ == Outcome::kOk) shell::writeOptionSettings(settings_, options_);
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  return outcome_ == Outcome::kOk;
}

bool OptionsDialog::create(HWND owner) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, kOptionsClass, &wc)) {
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kOptionsClass;
    if (!RegisterClassExW(&wc)) return false;
  }
  if (japanese()) {
    font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  } else {
    const WindowDc screen = windowDc(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    ownFont_.reset(CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_ROMAN, L"Times New Roman"));
    font_ = ownFont_ ? ownFont_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }

  const shell::OptionsLayout layout = shell::layOutOptions(measure());
  RECT frame{0, 0, layout.clientWidth, layout.clientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const shell::ScreenBox desk = workAreaOf(owner);
  // Over the owner; a minimised or hidden owner (the main window in the
  // tray) has no place worth centring on, the desktop is used instead.
  shell::ScreenBox over = desk;
  RECT ownerRect{};
  if (owner && IsWindowVisible(owner) && !IsIconic(owner) && GetWindowRect(owner, &ownerRect))
    over = box(ownerRect);
  const shell::Place place = shell::optionsDialogPlace(over, width, height, desk);

  const u16 title = text(kTitle);
  window_ = CreateWindowExW(kExStyle, kOptionsClass, wide(title), kStyle, place.left, place.top, width,
                            height, owner, nullptr, instance, this);
  if (!window_) return false;
  createControls(layout);
  return true;
}

shell::OptionsMetrics OptionsDialog::measure() const {
  shell::OptionsMetrics m;
  m.checkBox = GetSystemMetrics(SM_CXMENUCHECK);
  m.comboButton = GetSystemMetrics(SM_CXVSCROLL);
  m.edge = GetSystemMetrics(SM_CXEDGE);
  const WindowDc dc = windowDc(nullptr);
  if (!dc) return m;
  const HGDIOBJ old = SelectObject(dc.get(), font_);
  TEXTMETRICW tm{};
  if (GetTextMetricsW(dc.get(), &tm)) m.fontHeight = tm.tmHeight;
  const auto width = [&](u16v caption) {
    const u16 shown = shownText(caption);
    SIZE size{};
    if (!GetTextExtentPoint32W(dc.get(), wide(shown), static_cast<int>(shown.size()), &size)) return 0;
    return static_cast<int>(size.cx);
  };
  for (int c = 0; c < shell::kOptionsControlCount; ++c) m.textWidth[c] = width(text(kCaptions[c]));
  int keyWidth = 0, modifierWidth = 0;
  for (int i = 0; i < shell::kHotkeyKeyCount; ++i)
    keyWidth = std::max(keyWidth, width(shell::hotkeyKeyName(i)));
  for (int i = 0; i < shell::kHotkeyModifierCount; ++i) {
    modifierWidth = std::max(modifierWidth, width(shell::hotkeyModifierName(i)));
  }
  for (int row = 0; row < shell::kHotkeyRowCount; ++row) {
    m.textWidth[shell::hotkeyRowControl(row, HotkeyRowPart::kKey)] = keyWidth;
    m.textWidth[shell::hotkeyRowControl(row, HotkeyRowPart::kModifier)] = modifierWidth;
  }
  SelectObject(dc.get(), old);
  return m;
}

void OptionsDialog::createControls(const shell::OptionsLayout& layout) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const shell::HotkeySetting* rows[shell::kHotkeyRowCount] = {&options_.play, &options_.stop,
                                                              &options_.record, &options_.tray};
  const int entryHeight = layout.boxes[shell::hotkeyRowControl(0, HotkeyRowPart::kKey)].height;
  for (int i = 0; i < shell::kOptionsControlCount; ++i) {
    const auto c = static_cast<OptionsControl>(i);
    const wchar_t* cls = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE;
    int height = layout.boxes[c].height;
    switch (shell::optionsControlKind(c)) {
      case OptionsControlKind::kGroup:
        style |= BS_GROUPBOX;
        break;
      case OptionsControlKind::kCheck:
        if (c == shell::kLowLevelRadio)
          style |= BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP;
        else if (c == shell::kHighLevelRadio)
          style |= BS_AUTORADIOBUTTON;
        else
          style |= BS_AUTOCHECKBOX | WS_TABSTOP | (c == shell::kNotExtraMoveCheck ? WS_GROUP : 0);
        break;
      case OptionsControlKind::kLabel:
        cls = L"STATIC";
        style |= SS_LEFT | SS_NOPREFIX | WS_GROUP;
        break;
      case OptionsControlKind::kCombo:
        cls = L"COMBOBOX";
        style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
        // A combo box's height includes its dropped list.
        height += kVisibleEntries * entryHeight;
        break;
      case OptionsControlKind::kButton:
        style |= WS_TABSTOP | (c == shell::kOkButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        if (c != shell::kCancelButton) style |= WS_GROUP;
        break;
    }
    const u16 caption = text(kCaptions[c]);
    const shell::LayoutBox& b = layout.boxes[c];
    controls_[c] =
        CreateWindowExW(0, cls, wide(caption), style, b.left, b.top, b.width, height, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId(c))), instance, nullptr);
    SendMessageW(controls_[c], WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  for (int row = 0; row < shell::kHotkeyRowCount; ++row) {
    HWND key = control(shell::hotkeyRowControl(row, HotkeyRowPart::kKey));
    HWND modifier = control(shell::hotkeyRowControl(row, HotkeyRowPart::kModifier));
    // Entries in table order: an entry's index is the stored index.
    for (int i = 0; i < shell::kHotkeyKeyCount; ++i) {
      SendMessageW(key, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(u16(shell::hotkeyKeyName(i)))));
    }
    for (int i = 0; i < shell::kHotkeyModifierCount; ++i) {
      SendMessageW(modifier, CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(wide(u16(shell::hotkeyModifierName(i)))));
    }
    SendMessageW(key, CB_SETCURSEL, rows[row]->key, 0);
    SendMessageW(modifier, CB_SETCURSEL, rows[row]->modifier, 0);
  }
  const auto check = [&](OptionsControl c, bool on) {
    SendMessageW(control(c), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  };
  check(shell::kLowLevelRadio, !options_.highLevel);
  check(shell::kHighLevelRadio, options_.highLevel);
  check(shell::kNotExtraMoveCheck, options_.notExtraMove);
  check(shell::kMouseOrgCheck, options_.mouseOrg);
  check(shell::kToClipboardCheck, options_.toClipboard);
  showLowLevelOptions();
  EnableWindow(control(shell::kScheduleButton), static_cast<bool>(openSchedule_));
}

// The two options only the low-level recorder knows are usable while it
// is chosen; their values stay as they are and are stored either way.
void OptionsDialog::showLowLevelOptions() {
  const bool low = checked(shell::kLowLevelRadio);
  EnableWindow(control(shell::kNotExtraMoveCheck), low);
  EnableWindow(control(shell::kMouseOrgCheck), low);
}

int OptionsDialog::selection(OptionsControl c, int fallback) const {
  const LRESULT index = SendMessageW(control(c), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? fallback : static_cast<int>(index);
}

void OptionsDialog::collect() {
  options_.highLevel = checked(shell::kHighLevelRadio);
  options_.notExtraMove = checked(shell::kNotExtraMoveCheck);
  options_.mouseOrg = checked(shell::kMouseOrgCheck);
  options_.toClipboard = checked(shell::kToClipboardCheck);
  shell::HotkeySetting* rows[shell::kHotkeyRowCount] = {&options_.play, &options_.stop, &options_.record,
                                                        &options_.tray};
  for (int row = 0; row < shell::kHotkeyRowCount; ++row) {
    rows[row]->key = selection(shell::hotkeyRowControl(row, HotkeyRowPart::kKey), rows[row]->key);
    rows[row]->modifier =
        selection(shell::hotkeyRowControl(row, HotkeyRowPart::kModifier), rows[row]->modifier);
  }
}

void OptionsDialog::finish(Outcome outcome) {
  if (outcome_ != Outcome::kOpen) return;
  outcome_ = outcome;
  // A click sent from another program (a script pressing OK) arrives as a
  // sent message, which GetMessage handles without returning: the posted
  // message wakes the dialog's loop so that it sees the outcome.
  PostMessageW(window_, WM_NULL, 0, 0);
}

void OptionsDialog::runSchedule() {
  if (!openSchedule_) return;
  // The schedule dialog is modal over this one: nothing here may be
  // pressed (OK least of all) until it has returned.
  EnableWindow(window_, FALSE);
  openSchedule_();
  EnableWindow(window_, TRUE);
  SetForegroundWindow(window_);
}

LRESULT CALLBACK OptionsDialog::procedure(HWND h, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<OptionsDialog*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    self->window_ = h;
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<OptionsDialog*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (!self) return DefWindowProcW(h, message, w, l);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(h, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcW(h, message, w, l);
  }
  return self->handle(message, w, l);
}

LRESULT OptionsDialog::handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(w), code = HIWORD(w);
      // IDOK and IDCANCEL come with code 0 from the keyboard interface
      // and BN_CLICKED (also 0) from the buttons.
      if (id == IDOK && code == BN_CLICKED) {
        collect();
        finish(Outcome::kOk);
      } else if (id == IDCANCEL && code == BN_CLICKED) {
        finish(Outcome::kCancel);
      } else if (code == BN_CLICKED &&
                 (id == controlId(shell::kLowLevelRadio) || id == controlId(shell::kHighLevelRadio))) {
        showLowLevelOptions();
      } else if (code == BN_CLICKED && id == controlId(shell::kScheduleButton)) {
        runSchedule();
      }
      return 0;
    }
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_CLOSE:
      finish(Outcome::kCancel);
      return 0;
    case WM_ACTIVATE:
      // The focus comes back to the control that had it, as in a dialog.
      if (LOWORD(w) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) lastFocus_ = focus;
      } else if (lastFocus_ && IsWindow(lastFocus_) && IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window_, message, w, l);
}

}  // namespace

bool runOptionsDialog(HWND owner, SettingsFile& settings, const std::function<void()>& openSchedule) {
  if (HWND open = OptionsDialog::shown(); open && IsWindow(open)) {
    if (IsIconic(open)) ShowWindow(open, SW_RESTORE);
    SetForegroundWindow(open);
    return false;
  }
  OptionsDialog dialog(settings, openSchedule);
  return dialog.run(owner);
}

}  // namespace kova::win
