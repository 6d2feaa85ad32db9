// The Windows side of the control operations: texts and items read through
// the controls' own messages. Item structures of list views, tree views,
// tabs, status bars and toolbars are built in the target's layout and pass
// through one buffer allocated in the target's process for the whole call;
// each item costs one message, and its structure goes in with one copy
// into that buffer (list views: one copy in and one copy out for a batch
// of rows). List boxes and combo boxes are read with a local buffer, which
// the system marshals; the entry's length has to be asked first, since the
// message carries no buffer size. Every message goes out with a timeout,
// so a hung target ends a listing instead of hanging the script. Under
// Wine every message and every copy to or from another process is a round
// trip through the wine server (about 0.1 ms), which is what these
// listings cost.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "automation/control_collector.h"
#include "automation/control_system.h"
#include "automation/item_structs.h"
#include "automation/win/win_windows.h"
#include "platform/win/handles.h"

namespace kova::automation {

namespace {

constexpr UINT kAnswerMs = 1000;
constexpr size_t kRemoteSize = 4096;
constexpr size_t kRemoteText = 512;   // the text's offset in the remote buffer
constexpr int32_t kRemoteChars = 1792;  // (4096 - 512) / 2 UTF-16 units
constexpr size_t kMaxTextChars = 65001;
constexpr LRESULT kMaxEntryChars = LRESULT(1) << 20;
// Rows of a list view read per batch: each has its own kRemoteSize slot
// (structure at 0, text at kRemoteText) in one buffer.
constexpr size_t kListViewBatch = 16;
// A control text shorter than this is read with one message.
constexpr size_t kShortText = 256;

// The answer of a sent message, or none when the target did not answer in
// time (or hangs).
std::optional<LRESULT> ask(HWND h, UINT message, WPARAM w, LPARAM l) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(h, message, w, l, SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerMs, &result)) return std::nullopt;
  return static_cast<LRESULT>(result);
}

LRESULT askOr(HWND h, UINT message, WPARAM w, LPARAM l, LRESULT fallback) {
  return ask(h, message, w, l).value_or(fallback);
}

// A buffer in the process of the control, and the layout its structures
// have there.
struct Remote {
  win::RemoteBuffer buffer;
  TargetBits bits = TargetBits::k64;

  explicit Remote(HWND control, size_t size = kRemoteSize) {
    DWORD pid = 0;
    GetWindowThreadProcessId(control, &pid);
    win::KernelHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION, FALSE, pid));
    if (!process) return;
    BOOL wow64 = FALSE;
    // A 32-bit program on 64-bit Windows lays its structures out for 32 bits.
    if (IsWow64Process(process.get(), &wow64) && wow64) bits = TargetBits::k32;
    buffer = win::RemoteBuffer::allocate(process.get(), size);
  }
  explicit operator bool() const { return static_cast<bool>(buffer); }
  uint64_t base() const { return reinterpret_cast<uint64_t>(buffer.address()); }
  uint64_t textAddress() const { return base() + kRemoteText; }
  LPARAM param() const { return reinterpret_cast<LPARAM>(buffer.address()); }
  bool put(const std::string& bytes) { return buffer.write(bytes.data(), bytes.size()); }
  std::string get(size_t size) const {
    std::string bytes(size, '\0');
    if (!buffer.read(bytes.data(), size)) bytes.clear();
    return bytes;
  }
  // The text the control wrote at `address` (its own buffer or ours), at
  // most `chars` units, up to its end.
  u16 textAt(uint64_t address, size_t chars) const {
    if (address != textAddress()) return {};  // only our own buffer can be read back safely
    std::u16string text(chars, u'\0');
    if (!buffer.read(text.data(), chars * 2, kRemoteText)) return {};
    const size_t end = text.find(u'\0');
    if (end != std::u16string::npos) text.resize(end);
    return text;
  }
  bool clearText() {
    const std::string zeros(4, '\0');
    return buffer.write(zeros.data(), zeros.size(), kRemoteText);
  }
  // The item structure at the start and an empty text at kRemoteText, in
  // one copy: a control that answers without writing its text leaves ""
  // there, not the text of the item before.
  bool putRequest(const std::string& bytes) {
    if (bytes.size() > kRemoteText) return false;
    std::string block(kRemoteText + 4, '\0');
    block.replace(0, bytes.size(), bytes);
    return buffer.write(block.data(), block.size());
  }
};

// The text of slot k of a batch read back from the target: at most
// `length` units (what the control reported writing; never past the
// slot's end), up to its end.
u16 slotText(const std::string& block, size_t k, LRESULT length) {
  if (length <= 0) return {};
  const size_t chars = std::min<size_t>(static_cast<size_t>(length), kRemoteChars);
  const size_t at = k * kRemoteSize + kRemoteText;
  if (at + chars * 2 > block.size()) return {};
  std::u16string text(chars, u'\0');
  std::memcpy(text.data(), block.data() + at, chars * 2);
  const size_t end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  return text;
}

ItemRequest textRequest(const Remote& r) {
  ItemRequest q;
  q.text = r.textAddress();
  q.textChars = kRemoteChars;
  return q;
}

std::vector<u16> treeBranch(HWND tree, Remote& remote, LRESULT item, int depth) {
  std::vector<u16> out;
  // Depth is bounded so that a tree that reports a cycle cannot loop for ever.
  for (int guard = 0; item != 0 && guard < 100000 && depth < 64; ++guard) {
    ItemRequest q = textRequest(remote);
    q.mask = TVIF_TEXT | TVIF_HANDLE;
    q.handle = static_cast<uint64_t>(item);
    const std::string bytes = treeViewItem(remote.bits, q);
    if (!remote.putRequest(bytes)) break;
    if (!askOr(tree, TVM_GETITEMW, 0, remote.param(), 0)) break;
    out.push_back(remote.textAt(readTreeViewItem(remote.bits, remote.get(bytes.size())).text, kRemoteChars));
    const LRESULT child = askOr(tree, TVM_GETNEXTITEM, TVGN_CHILD, item, 0);
    for (u16& t : treeBranch(tree, remote, child, depth + 1)) out.push_back(std::move(t));
    item = askOr(tree, TVM_GETNEXTITEM, TVGN_NEXT, item, 0);
  }
  return out;
}

void readMenu(HMENU menu, std::vector<MenuEntry>& out, int depth) {
  // A menu bar's own items open its submenus; those hold the commands.
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count && depth < 16; ++i) {
    MenuEntry e;
    wchar_t text[512] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 511;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    e.text = reinterpret_cast<const char16_t*>(text);
    e.id = info.wID;
    e.separator = (info.fType & MFT_SEPARATOR) != 0;
    e.greyed = (info.fState & (MFS_GRAYED | MFS_DISABLED)) != 0;
    e.checked = (info.fState & MFS_CHECKED) != 0;
    e.menu = reinterpret_cast<uint64_t>(menu);
    e.position = i;
    e.onBar = depth == 0;
    if (info.hSubMenu) readMenu(info.hSubMenu, e.submenu, depth + 1);
    out.push_back(std::move(e));
  }
}

class WinControlSystem final : public ControlSystem {
 public:
  u16 controlText(WindowHandle h) override {
    // Most texts are short: one message reads them whole. A text that may
    // have been cut at the buffer's end is read again at its full length.
    std::u16string shortText(kShortText, u'\0');
    const std::optional<LRESULT> shortGot =
        ask(hwnd(h), WM_GETTEXT, kShortText, reinterpret_cast<LPARAM>(shortText.data()));
    if (!shortGot) return {};
    if (*shortGot >= 0 && static_cast<size_t>(*shortGot) + 1 < kShortText) {
      shortText.resize(static_cast<size_t>(*shortGot));
      return shortText;
    }
    const LRESULT length = askOr(hwnd(h), WM_GETTEXTLENGTH, 0, 0, 0);
    if (length <= 0) return {};
    std::u16string text(std::min<size_t>(static_cast<size_t>(length), kMaxTextChars) + 1, u'\0');
    const LRESULT got = askOr(hwnd(h), WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), 0);
    text.resize(got > 0 ? std::min<size_t>(static_cast<size_t>(got), text.size() - 1) : 0);
    return text;
  }

  bool editSelection(WindowHandle h, int32_t& start, int32_t& end) override {
    // A system message below WM_USER: the system carries the two
    // positions back from the control's process.
    DWORD from = 0, to = 0;
    if (!ask(hwnd(h), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to))) return false;
    start = static_cast<int32_t>(from);
    end = static_cast<int32_t>(to);
    return true;
  }

  std::vector<u16> listEntries(WindowHandle h, u16v cls) override {
    const bool combo = cls.find(u"COMBOBOX") != u16v::npos;
    const UINT countMsg = combo ? CB_GETCOUNT : LB_GETCOUNT;
    const UINT lengthMsg = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
    const UINT textMsg = combo ? CB_GETLBTEXT : LB_GETTEXT;
    std::vector<u16> out;
    const LRESULT count = askOr(hwnd(h), countMsg, 0, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      const LRESULT length = askOr(hwnd(h), lengthMsg, static_cast<WPARAM>(i), 0, -1);
      // A length no entry has (a broken or hostile control) would ask for
      // gigabytes here; such an entry reads as "".
      if (length < 0 || length > kMaxEntryChars) {
        out.emplace_back();
        continue;
      }
      std::u16string text(static_cast<size_t>(length) + 1, u'\0');
      const LRESULT got = askOr(hwnd(h), textMsg, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()), -1);
      text.resize(got > 0 ? std::min<size_t>(static_cast<size_t>(got), static_cast<size_t>(length)) : 0);
      out.push_back(std::move(text));
    }
    return out;
  }

  std::vector<u16> tabTexts(WindowHandle h) override {
    std::vector<u16> out;
    const LRESULT count = askOr(hwnd(h), TCM_GETITEMCOUNT, 0, 0, 0);
    if (count <= 0) return out;
    Remote remote(hwnd(h));
    if (!remote) return out;
    for (LRESULT i = 0; i < count; ++i) {
      ItemRequest q = textRequest(remote);
      q.mask = TCIF_TEXT;
      const std::string bytes = tabItem(remote.bits, q);
      if (!remote.putRequest(bytes)) break;
      if (!askOr(hwnd(h), TCM_GETITEMW, static_cast<WPARAM>(i), remote.param(), 0)) {
        out.emplace_back();
        continue;
      }
      out.push_back(remote.textAt(readTabItem(remote.bits, remote.get(bytes.size())).text, kRemoteChars));
    }
    return out;
  }

  std::vector<u16> statusParts(WindowHandle h) override {
    std::vector<u16> out;
    const LRESULT parts = askOr(hwnd(h), SB_GETPARTS, 0, 0, 0);
    if (parts <= 0) return out;
    Remote remote(hwnd(h));
    if (!remote) return out;
    for (LRESULT i = 0; i < parts; ++i) {
      const LRESULT length = LOWORD(askOr(hwnd(h), SB_GETTEXTLENGTHW, static_cast<WPARAM>(i), 0, 0));
      if (length <= 0 || length >= kRemoteChars) {
        out.emplace_back();
        continue;
      }
      if (!remote.clearText()) break;
      askOr(hwnd(h), SB_GETTEXTW, static_cast<WPARAM>(i), static_cast<LPARAM>(remote.textAddress()), 0);
      out.push_back(remote.textAt(remote.textAddress(), static_cast<size_t>(length)));
    }
    return out;
  }

  // Rows in batches: the requests of a batch go into the target with one
  // copy, each row is asked with one message, and the texts come back with
  // one copy, so that a row costs one round trip and not four.
  std::vector<u16> listViewTexts(WindowHandle h, int32_t column) override {
    std::vector<u16> out;
    const LRESULT count = askOr(hwnd(h), LVM_GETITEMCOUNT, 0, 0, 0);
    if (count <= 0) return out;
    Remote remote(hwnd(h), kRemoteSize * kListViewBatch);
    if (!remote) return out;
    std::string block;
    std::vector<LRESULT> lengths;
    for (LRESULT first = 0; first < count; first += static_cast<LRESULT>(kListViewBatch)) {
      const size_t rows = static_cast<size_t>(std::min<LRESULT>(count - first, kListViewBatch));
      // Every slot's text starts empty: a row that answers without writing
      // its text reads as "", not as the text a row of the last batch left.
      block.assign(rows * kRemoteSize, '\0');
      for (size_t k = 0; k < rows; ++k) {
        ItemRequest q;
        q.mask = LVIF_TEXT;
        q.item = static_cast<int32_t>(first + static_cast<LRESULT>(k));
        q.subItem = column;
        q.text = remote.base() + k * kRemoteSize + kRemoteText;
        q.textChars = kRemoteChars;
        const std::string bytes = listViewItem(remote.bits, q);
        block.replace(k * kRemoteSize, bytes.size(), bytes);
      }
      if (!remote.buffer.write(block.data(), block.size())) break;
      lengths.assign(rows, 0);
      bool anyText = false;
      for (size_t k = 0; k < rows; ++k) {
        lengths[k] = askOr(hwnd(h), LVM_GETITEMTEXTW, static_cast<WPARAM>(first + static_cast<LRESULT>(k)),
                           static_cast<LPARAM>(remote.base() + k * kRemoteSize), 0);
        anyText = anyText || lengths[k] > 0;
      }
      if (anyText && !remote.buffer.read(block.data(), block.size())) block.assign(block.size(), '\0');
      for (size_t k = 0; k < rows; ++k) out.push_back(slotText(block, k, lengths[k]));
    }
    return out;
  }

  std::vector<u16> listViewHeaders(WindowHandle h) override {
    const HWND header = reinterpret_cast<HWND>(askOr(hwnd(h), LVM_GETHEADER, 0, 0, 0));
    std::vector<u16> out;
    if (!header) return out;
    const LRESULT count = askOr(header, HDM_GETITEMCOUNT, 0, 0, 0);
    if (count <= 0) return out;
    Remote remote(header);
    if (!remote) return out;
    for (LRESULT i = 0; i < count; ++i) {
      ItemRequest q = textRequest(remote);
      q.mask = HDI_TEXT;
      const std::string bytes = headerItem(remote.bits, q);
      if (!remote.putRequest(bytes)) break;
      askOr(header, HDM_GETITEMW, static_cast<WPARAM>(i), remote.param(), 0);
      out.push_back(remote.textAt(remote.textAddress(), kRemoteChars));
    }
    return out;
  }

  std::vector<u16> treeViewTexts(WindowHandle h) override {
    const LRESULT root = askOr(hwnd(h), TVM_GETNEXTITEM, TVGN_ROOT, 0, 0);
    if (root == 0) return {};
    Remote remote(hwnd(h));
    if (!remote) return {};
    return treeBranch(hwnd(h), remote, root, 0);
  }

  std::vector<ToolbarEntry> toolbarButtons(WindowHandle h) override {
    std::vector<ToolbarEntry> out;
    const LRESULT count = askOr(hwnd(h), TB_BUTTONCOUNT, 0, 0, 0);
    if (count <= 0) return out;
    Remote remote(hwnd(h));
    if (!remote) return out;
    const size_t size = toolbarButtonSize(remote.bits);
    for (LRESULT i = 0; i < count; ++i) {
      if (!askOr(hwnd(h), TB_GETBUTTON, static_cast<WPARAM>(i), remote.param(), 0)) continue;
      const ToolbarButton b = readToolbarButton(remote.bits, remote.get(size));
      if (b.style & BTNS_SEP) continue;
      ToolbarEntry e;
      e.command = b.command;
      e.enabled = (b.state & TBSTATE_ENABLED) != 0;
      e.hidden = (b.state & TBSTATE_HIDDEN) != 0;
      const LRESULT length = askOr(hwnd(h), TB_GETBUTTONTEXTW, static_cast<WPARAM>(b.command), 0, -1);
      if (length > 0 && length < kRemoteChars && remote.clearText()) {
        askOr(hwnd(h), TB_GETBUTTONTEXTW, static_cast<WPARAM>(b.command), static_cast<LPARAM>(remote.textAddress()), 0);
        e.caption = remote.textAt(remote.textAddress(), static_cast<size_t>(length));
      }
      out.push_back(std::move(e));
    }
    return out;
  }

  // Under Wine another process's menu reads as empty (its item count is
  // -1); a menu of this process reads fully.
  std::vector<MenuEntry> menuBar(WindowHandle window) override {
    std::vector<MenuEntry> out;
    HMENU menu = GetMenu(hwnd(window));
    if (!menu || !IsMenu(menu)) return out;
    askOr(hwnd(window), WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0, 0);
    readMenu(menu, out, 0);
    return out;
  }

  u16 clipboardText() override {
    // Another program may hold the clipboard for a moment.
    for (int attempt = 0; attempt < 10; ++attempt) {
      if (OpenClipboard(nullptr)) break;
      if (attempt == 9) return {};
      Sleep(3);
    }
    u16 text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* p = static_cast<const char16_t*>(GlobalLock(data))) {
        const size_t limit = GlobalSize(data) / 2;
        size_t n = 0;
        while (n < limit && p[n] != 0) ++n;
        text.assign(p, n);
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
    return text;
  }

  bool setClipboardText(const u16& text) override {
    if (!OpenClipboard(nullptr)) return false;
    bool done = false;
    if (EmptyClipboard()) {
      if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * 2)) {
        if (auto* p = static_cast<char16_t*>(GlobalLock(memory))) {
          std::copy(text.begin(), text.end(), p);
          p[text.size()] = 0;
          GlobalUnlock(memory);
          // The clipboard owns the memory once it took it.
          done = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!done) GlobalFree(memory);
      }
    }
    CloseClipboard();
    return done;
  }

  WindowHandle focusedControl(WindowHandle window) override {
    const DWORD thread = GetWindowThreadProcessId(hwnd(window), nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!thread || !GetGUIThreadInfo(thread, &info) || !info.hwndFocus) return 0;
    // Only a control of that window (or the window itself) counts.
    if (info.hwndFocus != hwnd(window) && !IsChild(hwnd(window), info.hwndFocus)) return 0;
    return static_cast<WindowHandle>(reinterpret_cast<uintptr_t>(info.hwndFocus));
  }

  bool setControlText(WindowHandle h, const u16& text) override {
    return ask(hwnd(h), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())).has_value();
  }

  void sendCharacter(WindowHandle h, char16_t c) override { askOr(hwnd(h), WM_CHAR, c, 1, 0); }

  void setModified(WindowHandle h) override { PostMessageW(hwnd(h), EM_SETMODIFY, TRUE, 0); }

  void focusControl(WindowHandle h) override {
    const DWORD own = GetCurrentThreadId();
    const DWORD target = GetWindowThreadProcessId(hwnd(h), nullptr);
    const bool attach = target != 0 && target != own && AttachThreadInput(own, target, TRUE);
    SetFocus(hwnd(h));
    if (attach) AttachThreadInput(own, target, FALSE);
  }

  void postLeftClick(WindowHandle h, int32_t x, int32_t y) override {
    const LPARAM at = MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
    PostMessageW(hwnd(h), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(hwnd(h), WM_LBUTTONUP, 0, at);
  }

  void postMouseClick(WindowHandle h, int32_t x, int32_t y, bool right, bool twice) override {
    const LPARAM at = MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
    // At real-time priority the posted messages arrive as one gesture.
    const DWORD priority = GetPriorityClass(GetCurrentProcess());
    SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
    for (int round = 0; round < (twice ? 2 : 1); ++round) {
      if (right) {
        PostMessageW(hwnd(h), round ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN, MK_RBUTTON, at);
        PostMessageW(hwnd(h), WM_RBUTTONUP, 0, at);
        PostMessageW(hwnd(h), WM_RBUTTONUP, 0, at);
      } else {
        PostMessageW(hwnd(h), round ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(hwnd(h), WM_LBUTTONUP, 0, at);
      }
    }
    SetPriorityClass(GetCurrentProcess(), priority);
  }

  void moveCursorTo(WindowHandle h, int32_t x, int32_t y) override {
    POINT p{x, y};
    if (ClientToScreen(hwnd(h), &p)) SetCursorPos(p.x, p.y);
  }

  int32_t buttonCheck(WindowHandle h) override {
    return static_cast<int32_t>(askOr(hwnd(h), BM_GETCHECK, 0, 0, -1));
  }
  bool isEnabled(WindowHandle h) override { return IsWindowEnabled(hwnd(h)) != FALSE; }
  uint32_t style(WindowHandle h) override { return static_cast<uint32_t>(GetWindowLongPtrW(hwnd(h), GWL_STYLE)); }
  uint32_t classStyle(WindowHandle h) override { return static_cast<uint32_t>(GetClassLongPtrW(hwnd(h), GCL_STYLE)); }

  int32_t listCurrent(WindowHandle h, u16v cls) override {
    const bool combo = cls.find(u"COMBOBOX") != u16v::npos;
    return static_cast<int32_t>(askOr(hwnd(h), combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0, -1));
  }
  void setListCurrent(WindowHandle h, u16v cls, int32_t index) override {
    const bool combo = cls.find(u"COMBOBOX") != u16v::npos;
    askOr(hwnd(h), combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0, 0);
  }
  void setListSelected(WindowHandle h, int32_t index, bool selected) override {
    askOr(hwnd(h), LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index), 0);
  }
  void setListCaret(WindowHandle h, int32_t index) override {
    askOr(hwnd(h), LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE, 0);
  }
  int32_t listSelectedCount(WindowHandle h) override {
    return static_cast<int32_t>(askOr(hwnd(h), LB_GETSELCOUNT, 0, 0, 0));
  }
  void showDropDown(WindowHandle h, bool show) override { askOr(hwnd(h), CB_SHOWDROPDOWN, show ? TRUE : FALSE, 0, 0); }

  void sendKey(WindowHandle h, WindowHandle window, uint32_t vk) override {
    // At real-time priority the target has no chance to run between the
    // key-down and the key-up of another program's input.
    const DWORD priority = GetPriorityClass(GetCurrentProcess());
    SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    askOr(hwnd(h), WM_KEYDOWN, vk, 1 | (static_cast<LPARAM>(scan) << 16), 0);
    askOr(hwnd(h), WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u | (scan << 16)), 0);
    askOr(hwnd(h), WM_NULL, 0, 0, 0);
    askOr(hwnd(window), WM_NULL, 0, 0, 0);
    SetPriorityClass(GetCurrentProcess(), priority);
  }
  void lockUpdates(WindowHandle h) override { LockWindowUpdate(hwnd(h)); }

  bool itemRect(WindowHandle h, u16v cls, uint64_t item, WindowRect& out) override {
    Remote remote(hwnd(h));
    if (!remote) return false;
    RECT r{};
    UINT message = 0;
    WPARAM w = static_cast<WPARAM>(item);
    if (cls.find(u"TABCONTROL") != u16v::npos) {
      message = TCM_GETITEMRECT;
    } else if (cls.find(u"TOOLBAR") != u16v::npos) {
      message = TB_GETITEMRECT;
    } else if (cls.find(u"LISTVIEW") != u16v::npos) {
      message = LVM_GETITEMRECT;
      r.left = LVIR_BOUNDS;
    } else if (cls.find(u"TREEVIEW") != u16v::npos) {
      // The tree item's handle goes in the rectangle's first field.
      message = TVM_GETITEMRECT;
      w = TRUE;  // the text's rectangle only
      const uint64_t handle = item;
      if (!remote.buffer.write(&handle, sizeof handle)) return false;
    } else {
      return false;
    }
    if (message != TVM_GETITEMRECT && !remote.buffer.write(&r, sizeof r)) return false;
    if (!askOr(hwnd(h), message, w, remote.param(), 0)) return false;
    if (!remote.buffer.read(&r, sizeof r)) return false;
    out = WindowRect{r.left, r.top, r.right, r.bottom};
    return true;
  }

  int32_t tabCurrent(WindowHandle h) override { return static_cast<int32_t>(askOr(hwnd(h), TCM_GETCURSEL, 0, 0, -1)); }

  void selectTab(WindowHandle h, int32_t index) override {
    // The notifications carry a pointer: their header is written into the
    // owner's process, where the tab control lives too.
    const HWND parent = GetParent(hwnd(h));
    Remote remote(hwnd(h));
    auto notify = [&](UINT code) {
      if (!remote) return;
      NMHDR header{hwnd(h), static_cast<UINT_PTR>(GetDlgCtrlID(hwnd(h))), code};
      // A 32-bit owner reads a header of 32-bit fields.
      std::string bytes;
      if (remote.bits == TargetBits::k64) {
        bytes.assign(reinterpret_cast<const char*>(&header), sizeof header);
      } else {
        const uint32_t fields[3] = {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(header.hwndFrom)),
                                    static_cast<uint32_t>(header.idFrom), header.code};
        bytes.assign(reinterpret_cast<const char*>(fields), sizeof fields);
      }
      if (remote.put(bytes)) askOr(parent, WM_NOTIFY, header.idFrom, remote.param(), 0);
    };
    notify(static_cast<UINT>(TCN_SELCHANGING));
    askOr(hwnd(h), TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0, 0);
    askOr(hwnd(h), TCM_SETCURSEL, static_cast<WPARAM>(index), 0, 0);
    notify(static_cast<UINT>(TCN_SELCHANGE));
  }

  std::vector<TreeItem> treeChildren(WindowHandle h, uint64_t parent) override {
    std::vector<TreeItem> out;
    Remote remote(hwnd(h));
    if (!remote) return out;
    LRESULT item = parent == 0 ? askOr(hwnd(h), TVM_GETNEXTITEM, TVGN_ROOT, 0, 0)
                               : askOr(hwnd(h), TVM_GETNEXTITEM, TVGN_CHILD, static_cast<LPARAM>(parent), 0);
    for (int guard = 0; item != 0 && guard < 100000; ++guard) {
      ItemRequest q = textRequest(remote);
      q.mask = TVIF_TEXT | TVIF_HANDLE;
      q.handle = static_cast<uint64_t>(item);
      const std::string bytes = treeViewItem(remote.bits, q);
      u16 text;
      if (remote.putRequest(bytes) && askOr(hwnd(h), TVM_GETITEMW, 0, remote.param(), 0))
        text = remote.textAt(readTreeViewItem(remote.bits, remote.get(bytes.size())).text, kRemoteChars);
      out.push_back({static_cast<uint64_t>(item), std::move(text)});
      item = askOr(hwnd(h), TVM_GETNEXTITEM, TVGN_NEXT, item, 0);
    }
    return out;
  }

  void selectTreeItem(WindowHandle h, uint64_t item) override {
    askOr(hwnd(h), TVM_ENSUREVISIBLE, 0, static_cast<LPARAM>(item), 0);
    askOr(hwnd(h), TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(item), 0);
  }

  void expandTreeItem(WindowHandle h, uint64_t item) override {
    askOr(hwnd(h), TVM_EXPAND, TVE_EXPAND, static_cast<LPARAM>(item), 0);
  }

  int32_t treeItemCheck(WindowHandle h, uint64_t item) override {
    const LRESULT state = askOr(hwnd(h), TVM_GETITEMSTATE, static_cast<WPARAM>(item), TVIS_STATEIMAGEMASK, 0);
    const int image = static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12);
    return image == 0 ? -1 : image - 1;
  }

  int32_t listViewCheck(WindowHandle h, int32_t row) override {
    const LRESULT state = askOr(hwnd(h), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK, 0);
    const int image = static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12);
    return image == 0 ? -1 : image - 1;
  }

  void selectListViewRow(WindowHandle h, int32_t row, bool only) override {
    Remote remote(hwnd(h));
    if (!remote) return;
    auto setState = [&](int32_t index, uint32_t state, uint32_t mask) {
      ItemRequest q;
      q.state = state;
      q.stateMask = mask;
      if (remote.put(listViewItem(remote.bits, q)))
        askOr(hwnd(h), LVM_SETITEMSTATE, static_cast<WPARAM>(index), remote.param(), 0);
    };
    if (only) setState(-1, 0, LVIS_SELECTED);
    setState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    askOr(hwnd(h), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE, 0);
  }

  bool ctrlHeld() override { return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; }

  void setHotItem(WindowHandle h, int32_t index) override {
    askOr(hwnd(h), TB_SETHOTITEM, static_cast<WPARAM>(index), 0, 0);
  }

  bool initMenuPopup(WindowHandle window, const MenuEntry& item, bool& checked, bool& greyed) override {
    HMENU menu = reinterpret_cast<HMENU>(static_cast<uintptr_t>(item.menu));
    if (!IsMenu(menu)) return false;
    askOr(hwnd(window), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(item.position, FALSE), 0);
    const UINT state = GetMenuState(menu, static_cast<UINT>(item.position), MF_BYPOSITION);
    if (state == static_cast<UINT>(-1)) return false;
    checked = (state & MF_CHECKED) != 0;
    greyed = (state & (MF_GRAYED | MF_DISABLED)) != 0;
    return true;
  }

  bool cursorPosition(int32_t& x, int32_t& y) override {
    POINT p{};
    if (!GetCursorPos(&p)) return false;
    x = p.x;
    y = p.y;
    return true;
  }
  void setCursorPosition(int32_t x, int32_t y) override { SetCursorPos(x, y); }
  int32_t desktopRight() override {
    return GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  }

  void postMenuCommand(WindowHandle window, uint32_t id) override {
    PostMessageW(hwnd(window), WM_COMMAND, MAKEWPARAM(id, 0), 0);
  }

  bool sliderState(WindowHandle h, u16v cls, SliderState& s) override {
    RECT r{};
    if (!GetWindowRect(hwnd(h), &r)) return false;
    s.rect = WindowRect{r.left, r.top, r.right, r.bottom};
    if (cls.find(u"TRACKBAR") != u16v::npos) {
      const std::optional<LRESULT> position = ask(hwnd(h), TBM_GETPOS, 0, 0);
      if (!position) return false;
      s.position = static_cast<int32_t>(*position);
      s.minimum = static_cast<int32_t>(askOr(hwnd(h), TBM_GETRANGEMIN, 0, 0, 0));
      s.maximum = static_cast<int32_t>(askOr(hwnd(h), TBM_GETRANGEMAX, 0, 0, 0));
      s.page = static_cast<int32_t>(askOr(hwnd(h), TBM_GETPAGESIZE, 0, 0, 0));
      s.vertical = (GetWindowLongPtrW(hwnd(h), GWL_STYLE) & TBS_VERT) != 0;
      return true;
    }
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    bool read = false;
    if (cls == kHorizontalScrollEntry || cls == kVerticalScrollEntry) {
      s.vertical = cls == kVerticalScrollEntry;
      read = GetScrollInfo(hwnd(h), s.vertical ? SB_VERT : SB_HORZ, &info) != FALSE;
    } else {
      // The system carries SCROLLINFO across processes for this message.
      s.vertical = (GetWindowLongPtrW(hwnd(h), GWL_STYLE) & SBS_VERT) != 0;
      read = askOr(hwnd(h), SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&info), 0) != 0;
    }
    if (!read) return false;
    s.position = info.nPos;
    s.minimum = info.nMin;
    s.maximum = info.nMax;
    s.page = static_cast<int32_t>(info.nPage);
    return true;
  }

  void setTrackBarPosition(WindowHandle h, int32_t position) override {
    askOr(hwnd(h), TBM_SETPOS, TRUE, position, 0);
  }

  void sendScroll(WindowHandle h, u16v cls, int32_t code, int32_t position) override {
    const bool ownBar = cls == kHorizontalScrollEntry || cls == kVerticalScrollEntry;
    bool vertical = cls == kVerticalScrollEntry;
    if (!ownBar) {
      const LONG_PTR style = GetWindowLongPtrW(hwnd(h), GWL_STYLE);
      vertical = cls.find(u"TRACKBAR") != u16v::npos ? (style & TBS_VERT) != 0 : (style & SBS_VERT) != 0;
    }
    const HWND owner = ownBar ? hwnd(h) : GetParent(hwnd(h));
    const WPARAM w = MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(position));
    askOr(owner, vertical ? WM_VSCROLL : WM_HSCROLL, w, ownBar ? 0 : reinterpret_cast<LPARAM>(hwnd(h)), 0);
  }

  AccessibilitySystem* accessibility() override { return hostAccessibilitySystem(); }
};

}  // namespace

ControlSystem* hostControlSystem() {
  static WinControlSystem system;
  return &system;
}

}  // namespace kova::automation
