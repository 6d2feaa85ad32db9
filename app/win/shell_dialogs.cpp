#include "app/win/shell_dialogs.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/shell/dialog_rules.h"
#include "platform/win/handles.h"

namespace kova::win {

namespace {

using Microsoft::WRL::ComPtr;

// Room for long paths (the dialogs and the shell link hand back up to
// 32,767 characters).
constexpr DWORD kPathUnits = 32768;

const wchar_t* wide(const u16& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
u16 fromWide(const wchar_t* s) { return u16(reinterpret_cast<const char16_t*>(s)); }

// COM for this thread, apartment-threaded unless the thread already chose
// otherwise. Every successful CoInitializeEx (S_FALSE included) is
// balanced; RPC_E_CHANGED_MODE means COM is already there in the other
// model, which is fine for the shell link and the dialogs, and is not ours
// to end.
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

bool endsWithNoCase(u16v text, u16v suffix) {
  return text.size() >= suffix.size() &&
         upperAscii(text.substr(text.size() - suffix.size())) == upperAscii(suffix);
}

bool isFolder(const u16& path) {
  const DWORD a = GetFileAttributesW(wide(path));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

struct ShortcutTarget {
  u16 path;
  u16 arguments;
};

// The target and the arguments of a ".lnk" file; none when `path` is no
// shortcut, cannot be read, or points at nothing with a path (a shortcut
// to Control Panel, say).
std::optional<ShortcutTarget> readShortcut(const u16& path) {
  if (!endsWithNoCase(path, u".lnk")) return std::nullopt;
  const ComApartment com;  // declared first: outlives the interfaces below
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))))
    return std::nullopt;
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(&file)) || FAILED(file->Load(wide(path), STGM_READ))) return std::nullopt;
  std::vector<wchar_t> buffer(kPathUnits, L'\0');
  // The raw path is the one stored, without a search for a moved target
  // (IShellLink::Resolve could show a dialog); environment variables in
  // it are expanded here.
  if (link->GetPath(buffer.data(), static_cast<int>(buffer.size()), nullptr, SLGP_RAWPATH) != S_OK ||
      !buffer[0])
    return std::nullopt;
  ShortcutTarget target;
  std::vector<wchar_t> expanded(kPathUnits, L'\0');
  const DWORD n = ExpandEnvironmentStringsW(buffer.data(), expanded.data(), kPathUnits);
  target.path = fromWide(n > 0 && n <= kPathUnits ? expanded.data() : buffer.data());
  std::fill(buffer.begin(), buffer.end(), L'\0');
  if (SUCCEEDED(link->GetArguments(buffer.data(), static_cast<int>(buffer.size())))) {
    target.arguments = trimCtl(fromWide(buffer.data()));
  }
  return target;
}

// "KOVScript Files (*.KOV)" NUL "*.KOV" NUL NUL.
u16 scriptFilter() {
  u16 filter(shell::kScriptFilterName);
  filter.push_back(u'\0');
  filter += shell::kScriptFilterPattern;
  filter.push_back(u'\0');
  filter.push_back(u'\0');
  return filter;
}

// ---- The Load dialog's "Number of times" box ---------------------------------

constexpr WORD kCountLabelId = 1101;
constexpr WORD kCountEditId = 1102;
constexpr WORD kCountUpDownId = 1103;

// An in-memory dialog template (DLGTEMPLATE and its DLGITEMTEMPLATEs),
// built in WORDs with the format's DWORD alignment of every item.
class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short cx, short cy, const wchar_t* font, WORD pointSize) {
    dword(style);
    dword(0);  // extended style
    count_ = words_.size();
    words_.push_back(0);  // item count, filled in by item()
    shorts({0, 0, cx, cy});
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the default class
    text(L"");            // no title
    words_.push_back(pointSize);
    text(font);
  }

  // `atom` is one of the predefined classes (0x0081 edit, 0x0082 static);
  // `className` a registered class name when atom is 0.
  void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom, const wchar_t* className,
            const wchar_t* title) {
    if (words_.size() % 2) words_.push_back(0);
    dword(style);
    dword(0);
    shorts({x, y, cx, cy});
    words_.push_back(id);
    if (atom) {
      words_.push_back(0xFFFF);
      words_.push_back(atom);
    } else {
      text(className);
    }
    text(title);
    words_.push_back(0);  // no creation data
    ++words_[count_];
  }

  size_t bytes() const { return words_.size() * sizeof(WORD); }
  const WORD* data() const { return words_.data(); }

 private:
  void dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void shorts(std::initializer_list<short> values) {
    for (short v : values) words_.push_back(static_cast<WORD>(v));
  }
  void text(const wchar_t* s) {
    for (; *s; ++s) words_.push_back(static_cast<WORD>(*s));
    words_.push_back(0);
  }

  std::vector<WORD> words_;
  size_t count_ = 0;
};

// The template in fixed global memory, whose handle is its address: the
// dialog may take hInstance as either.
struct GlobalBlock {
  HGLOBAL handle = nullptr;
  explicit GlobalBlock(const DialogTemplate& t) {
    handle = GlobalAlloc(GMEM_FIXED, t.bytes());
    if (handle) memcpy(handle, t.data(), t.bytes());
  }
  ~GlobalBlock() {
    if (handle) GlobalFree(handle);
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
};

// The child dialog below the open dialog's own controls: the label, the
// count's edit and its up-down arrows (dialog units).
DialogTemplate countTemplate() {
  DialogTemplate t(DS_CONTROL | DS_3DLOOK | DS_SETFONT | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 200, 20,
                   L"MS Shell Dlg", 8);
  const u16 label = text(shell::kRepeatCountLabel);
  t.item(WS_CHILD | WS_VISIBLE | SS_LEFT, 4, 5, 84, 10, kCountLabelId, 0x0082, nullptr, wide(label));
  t.item(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL, 90, 3, 44, 13,
         kCountEditId, 0x0081, nullptr, L"1");
  // No thousands separators: "1,000" would be a text to parse back.
  t.item(WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 134, 3,
         10, 13, kCountUpDownId, 0, UPDOWN_CLASSW, L"");
  return t;
}

struct LoadRound {
  int32_t count = 1;
};

UINT_PTR CALLBACK loadHook(HWND child, UINT message, WPARAM, LPARAM l) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(l);
      SetWindowLongPtrW(child, GWLP_USERDATA, ofn->lCustData);
      HWND edit = GetDlgItem(child, kCountEditId);
      HWND arrows = GetDlgItem(child, kCountUpDownId);
      SendMessageW(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
      SendMessageW(arrows, UDM_SETRANGE32, shell::kMinRepeatCount, shell::kMaxRepeatCount);
      SendMessageW(arrows, UDM_SETPOS32, 0, shell::kMinRepeatCount);
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* n = reinterpret_cast<const OFNOTIFYW*>(l);
      if (n->hdr.code == CDN_FILEOK) {
        auto* round = reinterpret_cast<LoadRound*>(GetWindowLongPtrW(child, GWLP_USERDATA));
        wchar_t digits[32]{};
        GetDlgItemTextW(child, kCountEditId, digits, 32);
        if (round) round->count = shell::repeatCountFromText(fromWide(digits));
      }
      return 0;  // the choice is accepted
    }
    default:
      return 0;
  }
}

// One showing of the open dialog; the chosen path, none when cancelled.
std::optional<u16> openOnce(HWND owner, const u16& folder, const u16& file, LoadRound& round) {
  const DialogTemplate shape = countTemplate();
  const GlobalBlock block(shape);
  if (!block.handle) return std::nullopt;
  std::vector<wchar_t> buffer(kPathUnits, L'\0');
  file.copy(reinterpret_cast<char16_t*>(buffer.data()), std::min<size_t>(file.size(), kPathUnits - 1));
  const u16 filter = scriptFilter();
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.hInstance = static_cast<HINSTANCE>(block.handle);
  ofn.lpstrFilter = wide(filter);
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = kPathUnits;
  ofn.lpstrInitialDir = folder.empty() ? nullptr : wide(folder);
  // Shortcuts come back as themselves (resolved below, arguments and all).
  ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATEHANDLE | OFN_NODEREFERENCELINKS |
              OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  ofn.lpfnHook = loadHook;
  ofn.lCustData = reinterpret_cast<LPARAM>(&round);
  if (!GetOpenFileNameW(&ofn)) return std::nullopt;
  return fromWide(buffer.data());
}

// ---- The about box -------------------------------------------------------------

constexpr const wchar_t* kAboutClass = L"KOVA.ABOUT";
constexpr int kAboutWidth = 280, kAboutHeight = 120;  // client area

LRESULT CALLBACK aboutProcedure(HWND h, UINT message, WPARAM w, LPARAM l) {
  auto* done = reinterpret_cast<bool*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
        if (done) *done = true;
        return 0;
      }
      break;
    case WM_CLOSE:
      // The loop destroys the box once the owner is enabled again.
      if (done) *done = true;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(h, message, w, l);
}

shell::ScreenBox boxOf(const RECT& r) { return shell::ScreenBox{r.left, r.top, r.right, r.bottom}; }

}  // namespace

u16 resolveShortcut(const u16& path) {
  const std::optional<ShortcutTarget> target = readShortcut(path);
  if (!target) return path;
  return target->arguments.empty() ? target->path : target->path + u" " + target->arguments;
}

std::optional<u16> askScriptToLoad(HWND owner, const u16& startFolder) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  const ComApartment com;
  u16 folder = startFolder, file;
  for (;;) {
    LoadRound round;
    const std::optional<u16> chosen = openOnce(owner, folder, file, round);
    if (!chosen) return std::nullopt;
    u16 path = *chosen, arguments;
    if (std::optional<ShortcutTarget> target = readShortcut(path)) {
      path = target->path;
      arguments = target->arguments;
    }
    if (isFolder(path)) {
      // A folder (or a shortcut to one): its scripts, in a new dialog.
      folder.clear();
      file = shell::folderScriptPattern(path);
      continue;
    }
    return shell::loadLaunchText(path, arguments, round.count);
  }
}

std::optional<u16> askScriptToSave(HWND owner, const u16& startFolder) {
  const ComApartment com;
  const u16 filter = scriptFilter();
  u16 file;
  for (;;) {
    std::vector<wchar_t> buffer(kPathUnits, L'\0');
    file.copy(reinterpret_cast<char16_t*>(buffer.data()), std::min<size_t>(file.size(), kPathUnits - 1));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = wide(filter);
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = kPathUnits;
    ofn.lpstrInitialDir = file.empty() && !startFolder.empty() ? wide(startFolder) : nullptr;
    ofn.lpstrDefExt = L"KOVA";
    // No OFN_OVERWRITEPROMPT: the dialog would ask about the name before
    // its extension is forced, which may be another file.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&ofn)) return std::nullopt;
    const u16 path = shell::forceKovExtension(fromWide(buffer.data()));
    const DWORD attributes = GetFileAttributesW(wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) return path;
    // The dialog comes back with the name in place, so that the user can
    // change it: after "No" to the question, and when the forced name is a
    // folder, which no script can replace.
    file = path;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    // "No" is the default button: an Enter pressed by habit keeps the file.
    const u16 question = shell::replaceQuestion(path);
    if (MessageBoxW(owner, wide(question), L"KOVA", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES)
      return path;
  }
}

void showAboutBox(HWND owner, const u16& version) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, kAboutClass, &wc)) {
    wc.lpfnWndProc = aboutProcedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kAboutClass;
    RegisterClassExW(&wc);
  }
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_DLGMODALFRAME;
  RECT frame{0, 0, kAboutWidth, kAboutHeight};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;

  // Centred on the owner while it is on the screen; on the work area of
  // its monitor when it is hidden (in the tray) or minimised, whose
  // rectangle lies off the screen.
  HMONITOR monitor = MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  RECT around = info.rcWork;
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
  const shell::Place place = shell::centredPlace(boxOf(around), width, height, boxOf(info.rcWork));

  HWND box = CreateWindowExW(exStyle, kAboutClass, L"KOVA", style, place.left, place.top, width, height,
                             owner, nullptr, instance, nullptr);
  if (!box) return;
  bool done = false;
  SetWindowLongPtrW(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&done));

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  GdiObject<HFONT> font;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    font.reset(CreateFontIndirectW(&metrics.lfMessageFont));
  const auto setFont = [&](HWND control) {
    if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  };
  const u16 line = shell::versionText(version);
  setFont(CreateWindowExW(0, L"STATIC", wide(line), WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 10, 30,
                          kAboutWidth - 20, 20, box, nullptr, instance, nullptr));
  HWND ok = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                            (kAboutWidth - 80) / 2, kAboutHeight - 40, 80, 26, box,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), instance, nullptr);
  setFont(ok);

  // Modal: the owner takes no input until the box closes. Only an owner
  // this box disabled is enabled again, before the box goes, so that the
  // activation returns to it.
  const bool disabledOwner = owner && !EnableWindow(owner, FALSE);
  ShowWindow(box, SW_SHOW);
  SetFocus(ok);
  bool quit = false;
  WPARAM quitCode = 0;
  MSG m;
  while (!done && IsWindow(box)) {
    const BOOL got = GetMessageW(&m, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = m.wParam;
      break;
    }
    if (got == -1) break;
    if (m.message == WM_KEYDOWN && (m.wParam == VK_ESCAPE || m.wParam == VK_RETURN) &&
        (m.hwnd == box || IsChild(box, m.hwnd))) {
      done = true;
      continue;
    }
    if (IsDialogMessageW(box, &m)) continue;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  if (disabledOwner) EnableWindow(owner, TRUE);
  if (IsWindow(box)) {
    SetWindowLongPtrW(box, GWLP_USERDATA, 0);
    DestroyWindow(box);
  }
  // The program's loop sees the quit this loop took out of the queue.
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

}  // namespace kova::win
