// The catalogue of named constants.
//
// Numeric constants come in families named by their prefix ("F_", "VK_",
// "CLK_", ...; the prefix-less family holds the mouse and window command
// words). A name is looked up only in the family its prefix selects, so an
// unknown prefix costs one classification and no search. A few values are
// read from the system at the moment the name is read (G_MOUSE_X/Y,
// G_SCREEN_W/H/C, COM_ERR_FLG, GET_KOVA_VER, GET_KOVA_PRO).
//
// Text constants are the GET_ folders and names, the window tokens that the
// window functions recognise in place of a title, and EMPTYPARAM.

#include "engine/named_constants.h"

#include <iterator>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/uxscr.h"

namespace kova {

namespace {

struct Entry {
  std::u16string_view name;
  double value;
};

// --- Fixed values, one table per family ----------------------------------------

// Mouse buttons and actions of BTN, window commands of CTRLWIN.
constexpr Entry kPlainNames[] = {
    {u"CLICK", 0}, {u"DOWN", 1}, {u"UP", 2}, {u"LEFT", 0}, {u"RIGHT", 1}, {u"MIDDLE", 2}, {u"WHEEL", 9},
    {u"ACTIVATE", 1}, {u"CLOSE", 2}, {u"CLOSE2", 3}, {u"HIDE", 4}, {u"SHOW", 5}, {u"MIN", 6}, {u"MAX", 7},
    {u"NORMAL", 8}, {u"TOPMOST", 9}, {u"NOTOPMOST", 10},
};
// File functions.
constexpr Entry kFNames[] = {
    {u"F_READ", 2}, {u"F_WRITE", 4}, {u"F_WRITE1", 8}, {u"F_WRITE8", 16}, {u"F_WRITE8B", 32},
    {u"F_WRITE16", 64}, {u"F_NOCR", 128}, {u"F_TAB", 0x100}, {u"F_EXISTS", 1}, {u"F_EXCLUSIVE", 0x200},
    {u"F_LINECOUNT", -1}, {u"F_ALLTEXT", -2}, {u"F_INSERT", -1},
};
// Power control (POFF).
constexpr Entry kPNames[] = {
    {u"P_FORCE", 8}, {u"P_POWEROFF", 16}, {u"P_SHUTDOWN", 32}, {u"P_REBOOT", 64}, {u"P_LOGOFF", 128},
    {u"P_SUSPEND", 0x100}, {u"P_SUSPEND2", 0x200}, {u"P_MONIPOWER", 0x400}, {u"P_MONIPOWER2", 0x800},
    {u"P_MONIPOWER3", 0x1000}, {u"P_SCREENSAVE", 0x2000}, {u"P_KOVA_REEXEC", 0x4000},
};
// Window status items (STATUS).
constexpr Entry kStNames[] = {
    {u"ST_X", 1}, {u"ST_Y", 2}, {u"ST_WIDTH", 3}, {u"ST_HEIGHT", 4}, {u"ST_CLX", 5}, {u"ST_CLY", 6},
    {u"ST_CLWIDTH", 7}, {u"ST_CLHEIGHT", 8}, {u"ST_TITLE", 9}, {u"ST_ICON", 10}, {u"ST_VISIBLE", 11},
    {u"ST_ACTIVE", 12}, {u"ST_CLASS", 13}, {u"ST_BUSY", 14}, {u"ST_PARENT", 15}, {u"ST_PATH", 16},
    {u"ST_PROCESS", 17}, {u"ST_WIN64", 18},
};
// STRCONV conversions.
constexpr Entry kScNames[] = {
    {u"SC_LOWERCASE", 0x100}, {u"SC_UPPERCASE", 0x200}, {u"SC_HIRAGANA", 0x100000},
    {u"SC_KATAKANA", 0x200000}, {u"SC_HALFWIDTH", 0x400000}, {u"SC_FULLWIDTH", 0x800000},
};
// KINDOFOS items.
constexpr Entry kOsNames[] = {
    {u"OS_MAJOR", 2}, {u"OS_MINOR", 3}, {u"OS_BUILDNUMBER", 4}, {u"OS_PLATFORM", 5}, {u"OS_WIN64", 1},
};
// Spreadsheet functions.
constexpr Entry kXlNames[] = {
    {u"XL_NEW", 1}, {u"XL_BOOK", 2}, {u"XL_OOOC", 3},
};
// Virtual-key codes of the keyboard functions, with the aliases VK_START,
// VK_WIN, VK_ALT, VK_RALT, VK_CTRL, VK_LCTRL, VK_RCTRL, VK_RCONTROL, VK_ESC
// and VK_ENTER. VK_RRETURN / VK_RENTER (901) lie outside the key codes: the
// keyboard functions send them as Enter with the extended-key flag, the
// Enter key of the numeric pad. VK_0-VK_9 and VK_A-VK_Z are computed.
constexpr Entry kVkNames[] = {
    {u"VK_LBUTTON", 1}, {u"VK_RBUTTON", 2}, {u"VK_MBUTTON", 4}, {u"VK_START", 92}, {u"VK_WIN", 91},
    {u"VK_RWIN", 92}, {u"VK_ALT", 18}, {u"VK_RALT", 165}, {u"VK_CTRL", 17}, {u"VK_LCTRL", 162},
    {u"VK_RCTRL", 163}, {u"VK_ESC", 27}, {u"VK_BACK", 8}, {u"VK_TAB", 9}, {u"VK_CLEAR", 12},
    {u"VK_RETURN", 13}, {u"VK_ENTER", 13}, {u"VK_RRETURN", 901}, {u"VK_RENTER", 901}, {u"VK_SHIFT", 16},
    {u"VK_LSHIFT", 160}, {u"VK_RSHIFT", 161}, {u"VK_CONTROL", 17}, {u"VK_RCONTROL", 163}, {u"VK_MENU", 18},
    {u"VK_LMENU", 164}, {u"VK_RMENU", 165}, {u"VK_PAUSE", 19}, {u"VK_CAPITAL", 20}, {u"VK_KANA", 21},
    {u"VK_FINAL", 24}, {u"VK_KANJI", 25}, {u"VK_CONVERT", 28}, {u"VK_NONCONVERT", 29}, {u"VK_ACCEPT", 30},
    {u"VK_MODECHANGE", 31}, {u"VK_ESCAPE", 27}, {u"VK_SPACE", 32}, {u"VK_PRIOR", 33}, {u"VK_NEXT", 34},
    {u"VK_END", 35}, {u"VK_HOME", 36}, {u"VK_LEFT", 37}, {u"VK_UP", 38}, {u"VK_RIGHT", 39}, {u"VK_DOWN", 40},
    {u"VK_SELECT", 41}, {u"VK_PRINT", 42}, {u"VK_EXECUTE", 43}, {u"VK_SNAPSHOT", 44}, {u"VK_INSERT", 45},
    {u"VK_DELETE", 46}, {u"VK_HELP", 47}, {u"VK_APPS", 93}, {u"VK_NUMPAD0", 96}, {u"VK_NUMPAD1", 97},
    {u"VK_NUMPAD2", 98}, {u"VK_NUMPAD3", 99}, {u"VK_NUMPAD4", 100}, {u"VK_NUMPAD5", 101},
    {u"VK_NUMPAD6", 102}, {u"VK_NUMPAD7", 103}, {u"VK_NUMPAD8", 104}, {u"VK_NUMPAD9", 105},
    {u"VK_MULTIPLY", 106}, {u"VK_ADD", 107}, {u"VK_SEPARATOR", 108}, {u"VK_SUBTRACT", 109},
    {u"VK_DECIMAL", 110}, {u"VK_DIVIDE", 111}, {u"VK_F1", 112}, {u"VK_F2", 113}, {u"VK_F3", 114},
    {u"VK_F4", 115}, {u"VK_F5", 116}, {u"VK_F6", 117}, {u"VK_F7", 118}, {u"VK_F8", 119}, {u"VK_F9", 120},
    {u"VK_F10", 121}, {u"VK_F11", 122}, {u"VK_F12", 123}, {u"VK_NUMLOCK", 144}, {u"VK_SCROLL", 145},
    {u"VK_PROCESSKEY", 229}, {u"VK_ATTN", 246}, {u"VK_CRSEL", 247}, {u"VK_EXSEL", 248}, {u"VK_EREOF", 249},
    {u"VK_PLAY", 250}, {u"VK_ZOOM", 251}, {u"VK_PA1", 253}, {u"VK_OEM_CLEAR", 254}, {u"VK_SLEEP", 95},
    {u"VK_BROWSER_BACK", 166}, {u"VK_BROWSER_FORWARD", 167}, {u"VK_BROWSER_REFRESH", 168},
    {u"VK_BROWSER_STOP", 169}, {u"VK_BROWSER_SEARCH", 170}, {u"VK_BROWSER_FAVORITES", 171},
    {u"VK_BROWSER_HOME", 172}, {u"VK_VOLUME_MUTE", 173}, {u"VK_VOLUME_DOWN", 174}, {u"VK_VOLUME_UP", 175},
    {u"VK_MEDIA_NEXT_TRACK", 176}, {u"VK_MEDIA_PREV_TRACK", 177}, {u"VK_MEDIA_STOP", 178},
    {u"VK_MEDIA_PLAY_PAUSE", 179}, {u"VK_LAUNCH_MAIL", 180}, {u"VK_LAUNCH_MEDIA_SELECT", 181},
    {u"VK_LAUNCH_APP1", 182}, {u"VK_LAUNCH_APP2", 183}, {u"VK_OEM_1", 186}, {u"VK_OEM_PLUS", 187},
    {u"VK_OEM_COMMA", 188}, {u"VK_OEM_MINUS", 189}, {u"VK_OEM_PERIOD", 190}, {u"VK_OEM_2", 191},
    {u"VK_OEM_3", 192}, {u"VK_OEM_4", 219}, {u"VK_OEM_5", 220}, {u"VK_OEM_6", 221}, {u"VK_OEM_7", 222},
    {u"VK_OEM_8", 223}, {u"VK_OEM_AX", 225}, {u"VK_OEM_102", 226}, {u"VK_ICO_HELP", 227}, {u"VK_ICO_00", 228},
    {u"VK_ICO_CLEAR", 230}, {u"VK_PACKET", 231}, {u"VK_OEM_RESET", 233}, {u"VK_OEM_JUMP", 234},
    {u"VK_OEM_PA1", 235}, {u"VK_OEM_PA2", 236}, {u"VK_OEM_PA3", 237}, {u"VK_OEM_WSCTRL", 238},
    {u"VK_OEM_CUSEL", 239}, {u"VK_OEM_ATTN", 240}, {u"VK_OEM_FINISH", 241}, {u"VK_OEM_COPY", 242},
    {u"VK_OEM_AUTO", 243}, {u"VK_OEM_ENLW", 244}, {u"VK_OEM_BACKTAB", 245},
};
// Message-box buttons.
constexpr Entry kBtnNames[] = {
    {u"BTN_OK", 1}, {u"BTN_CANCEL", 2}, {u"BTN_YES", 4}, {u"BTN_NO", 8}, {u"BTN_ABORT", 16},
    {u"BTN_RETRY", 32}, {u"BTN_IGNORE", 64},
};
// Hot-key modifiers.
constexpr Entry kModNames[] = {
    {u"MOD_ALT", 1}, {u"MOD_CONTROL", 2}, {u"MOD_SHIFT", 4}, {u"MOD_WIN", 8},
};
// CLKITEM kinds and options.
constexpr Entry kClkNames[] = {
    {u"CLK_BTN", 1}, {u"CLK_LIST", 2}, {u"CLK_MENU", 4}, {u"CLK_TAB", 8}, {u"CLK_LSTVEW", 32},
    {u"CLK_LISTVEW", 32}, {u"CLK_LISTVIEW", 32}, {u"CLK_TREEVEW", 16}, {u"CLK_TREEVIEW", 16},
    {u"CLK_TOOLBAR", 64}, {u"CLK_SHORT", 0x100}, {u"CLK_BACK", 0x200}, {u"CLK_MUSMOVE", 0x400},
    {u"CLK_MOUSEMOVE", 0x400}, {u"CLK_LEFTCLK", 0x800}, {u"CLK_RIGHTCLK", 0x1000}, {u"CLK_DBLCLK", 0x2000},
    {u"CLK_OFTHIS", 0x4000}, {u"CLK_ACC", 0x8000}, {u"CLK_ACC2", 0x10008000}, {u"CLK_ACCN", 0x20008000},
    {u"CLK_ACCV", 0x40008000}, {u"CLK_FROMLAST", 0x10000}, {u"CLK_CONTINUE", 0x1000000},
};
// CHKBTN kinds.
constexpr Entry kChkNames[] = {
    {u"CHK_BTN", 0x4000001}, {u"CHK_MENU", 0x4000004}, {u"CHK_LSTVEW", 0x4000020},
    {u"CHK_LISTVEW", 0x4000020}, {u"CHK_LISTVIEW", 0x4000020}, {u"CHK_TREEVEW", 0x4000010},
    {u"CHK_TREEVIEW", 0x4000010},
};
// GETSTR kinds.
constexpr Entry kStrNames[] = {
    {u"STR_EDIT", 0}, {u"STR_STATIC", 1}, {u"STR_STATUS", 2}, {u"STR_ACC_EDIT", 3}, {u"STR_ACC_STATIC", 4},
};
// GETITEM kinds.
constexpr Entry kItmNames[] = {
    {u"ITM_BTN", 1}, {u"ITM_LIST", 2}, {u"ITM_MENU", 4}, {u"ITM_TAB", 8}, {u"ITM_LSTVEW", 32},
    {u"ITM_LISTVEW", 32}, {u"ITM_LISTVIEW", 32}, {u"ITM_TREEVEW", 16}, {u"ITM_TREEVIEW", 16},
    {u"ITM_EDIT", 0x20000}, {u"ITM_STATIC", 0x40000}, {u"ITM_STATUSBAR", 0x80000}, {u"ITM_TOOLBAR", 64},
    {u"ITM_BACK", 0x200}, {u"ITM_ACCCLK", 0x400000}, {u"ITM_ACCTXT", 0x800000}, {u"ITM_ACCCLK2", 0x10400000},
    {u"ITM_ACCCLKN", 0x20400000}, {u"ITM_ACCCLKV", 0x40400000}, {u"ITM_ACCTXT2", 0x10800000},
    {u"ITM_ACCTXTN", 0x20800000}, {u"ITM_ACCTXTV", 0x40800000},
};
// GETKEYSTATE toggles.
constexpr Entry kTglNames[] = {
    {u"TGL_NUMLOCK", 10000}, {u"TGL_CAPSLOCK", 10001}, {u"TGL_SCROLLLOCK", 10002}, {u"TGL_KANALOCK", 10003},
    {u"TGL_IME", 10004},
};
// CREATEFORM options.
constexpr Entry kFomNames[] = {
    {u"FOM_NOICON", 1}, {u"FOM_NOHIDE", 2}, {u"FOM_NOSUBMIT", 4}, {u"FOM_NORESIZE", 8}, {u"FOM_TOPMOST", 16},
    {u"FOM_NOTOP", 32}, {u"FOM_NOLUNA", 64}, {u"FOM_BROWSER", 128}, {u"FOM_MINIMIZE", 0x100},
    {u"FOM_MAXIMIZE", 0x200}, {u"FOM_NOCAPTION", 0x400}, {u"FOM_NOFLOATEXCEPT", 0x800},
    {u"FOM_GETVALUE", -59999999},
};
// Accessibility functions.
constexpr Entry kAccNames[] = {
    {u"ACC_ACCAPI", 0}, {u"ACC_ACC", 1}, {u"ACC_API", 2}, {u"ACC_NAME", 3}, {u"ACC_VALUE", 4},
    {u"ACC_ROLE", 5}, {u"ACC_STATE", 6}, {u"ACC_DESCRIPTION", 7}, {u"ACC_LOCATION", 8}, {u"ACC_HELP", 9},
    {u"ACC_BACK", 0x200},
};
// Mouse cursor shapes (MUSCUR).
constexpr Entry kCurNames[] = {
    {u"CUR_APPSTARTING", 1}, {u"CUR_ARROW", 2}, {u"CUR_CROSS", 3}, {u"CUR_HAND", 4}, {u"CUR_HELP", 5},
    {u"CUR_IBEAM", 6}, {u"CUR_ICON", 7}, {u"CUR_NO", 8}, {u"CUR_SIZE", 9}, {u"CUR_SIZEALL", 10},
    {u"CUR_SIZENESW", 11}, {u"CUR_SIZENS", 12}, {u"CUR_SIZENWSE", 13}, {u"CUR_SIZEWE", 14},
    {u"CUR_UPARROW", 15}, {u"CUR_WAIT", 16},
};
// Colour masks of CHKIMG (blue, green, red bytes of a BGR value).
constexpr Entry kImgNames[] = {
    {u"IMG_MSK_BGR1", 0x10101}, {u"IMG_MSK_BGR2", 0x30303}, {u"IMG_MSK_BGR3", 0x70707},
    {u"IMG_MSK_BGR4", 0xF0F0F}, {u"IMG_MSK_BGR5", 0x1F1F1F}, {u"IMG_MSK_BGR6", 0x3F3F3F},
    {u"IMG_MSK_B1", 0x10000}, {u"IMG_MSK_B2", 0x30000}, {u"IMG_MSK_B3", 0x70000}, {u"IMG_MSK_B4", 0xF0000},
    {u"IMG_MSK_B5", 0x1F0000}, {u"IMG_MSK_B6", 0x3F0000}, {u"IMG_MSK_B7", 0x7F0000},
    {u"IMG_MSK_B8", 0xFF0000}, {u"IMG_MSK_G1", 0x100}, {u"IMG_MSK_G2", 0x300}, {u"IMG_MSK_G3", 0x700},
    {u"IMG_MSK_G4", 0xF00}, {u"IMG_MSK_G5", 0x1F00}, {u"IMG_MSK_G6", 0x3F00}, {u"IMG_MSK_G7", 0x7F00},
    {u"IMG_MSK_G8", 0xFF00}, {u"IMG_MSK_R1", 1}, {u"IMG_MSK_R2", 3}, {u"IMG_MSK_R3", 7}, {u"IMG_MSK_R4", 15},
    {u"IMG_MSK_R5", 31}, {u"IMG_MSK_R6", 63}, {u"IMG_MSK_R7", 127}, {u"IMG_MSK_R8", 255},
};
// GETSLIDER items.
constexpr Entry kSldNames[] = {
    {u"SLD_POS", 0}, {u"SLD_MIN", 1}, {u"SLD_MAX", 2}, {u"SLD_PAGE", 3}, {u"SLD_BAR", 4}, {u"SLD_X", 5},
    {u"SLD_Y", 6}, {u"SLD_X2", 7}, {u"SLD_Y2", 8},
};
// Value kind codes (VARTYPE).
constexpr Entry kVarNames[] = {
    {u"VAR_EMPTY", 0}, {u"VAR_NULL", 1}, {u"VAR_SMALLINT", 2}, {u"VAR_INTEGER", 3}, {u"VAR_SINGLE", 4},
    {u"VAR_DOUBLE", 5}, {u"VAR_CURRENCY", 6}, {u"VAR_DATE", 7}, {u"VAR_BSTR", 8}, {u"VAR_DISPATCH", 9},
    {u"VAR_ERROR", 10}, {u"VAR_BOOLEAN", 11}, {u"VAR_VARIANT", 12}, {u"VAR_UNKNOWN", 13}, {u"VAR_BYTE", 17},
    {u"VAR_WORD", 18}, {u"VAR_ARRAY", 0x2000},
};
// GETSLIDER default; GET_KOVA_VER and GET_KOVA_PRO are computed.
constexpr Entry kGetNames[] = {
    {u"GET_SLIDER", -10000000},
};
// The failure result of many built-ins.
constexpr Entry kErrNames[] = {
    {u"ERR_VALUE", -999999},
};
// ENCODE / DECODE.
constexpr Entry kCodeNames[] = {
    {u"CODE_ANSI", 1}, {u"CODE_BYTEARRAY", 2}, {u"CODE_URL", 3}, {u"CODE_UTF8", 4}, {u"CODE_BYTEARRAYW", 5},
};
// Hash-table operations and HASHTBL flags.
constexpr Entry kHashNames[] = {
    {u"HASH_KEY", 101}, {u"HASH_VAL", 102}, {u"HASH_EXISTS", 103}, {u"HASH_REMOVE", 104},
    {u"HASH_REMOVEALL", 901}, {u"HASH_CASECARE", 0x1000}, {u"HASH_SORT", 0x2000},
};
// CALCARRAY operations.
constexpr Entry kCalcNames[] = {
    {u"CALC_ADD", 1}, {u"CALC_MIN", 2}, {u"CALC_MAX", 3}, {u"CALC_AVR", 4},
};
// SLCTBOX options.
constexpr Entry kSlctNames[] = {
    {u"SLCT_BTN", 1}, {u"SLCT_CHK", 2}, {u"SLCT_RDO", 4}, {u"SLCT_CMB", 8}, {u"SLCT_LST", 16},
    {u"SLCT_STR", 64}, {u"SLCT_NUM", 128},
};

// COM_ERR_FLG is read when needed (dynamicValue).
constexpr std::span<const Entry> kComNames{};

struct Family {
  std::u16string_view prefix;
  std::span<const Entry> entries;
};

// Classification order: the two-, three-, four- and five-character prefixes.
// G_, GET_ and COM_ also hold values computed when read (see dynamicValue).
constexpr Family kFamilies[] = {
    {u"F_", kFNames},       {u"P_", kPNames},       {u"G_", {}},            {u"ST_", kStNames},
    {u"SC_", kScNames},     {u"OS_", kOsNames},     {u"XL_", kXlNames},     {u"VK_", kVkNames},
    {u"BTN_", kBtnNames},   {u"MOD_", kModNames},   {u"CLK_", kClkNames},   {u"CHK_", kChkNames},
    {u"STR_", kStrNames},   {u"ITM_", kItmNames},   {u"TGL_", kTglNames},   {u"FOM_", kFomNames},
    {u"ACC_", kAccNames},   {u"CUR_", kCurNames},   {u"IMG_", kImgNames},   {u"SLD_", kSldNames},
    {u"VAR_", kVarNames},   {u"GET_", kGetNames},   {u"ERR_", kErrNames},   {u"COM_", kComNames},
    {u"CODE_", kCodeNames}, {u"HASH_", kHashNames}, {u"CALC_", kCalcNames}, {u"SLCT_", kSlctNames},
};

using Index = std::unordered_map<std::u16string_view, double>;

Index indexOf(std::span<const Entry> entries) {
  Index index;
  for (const Entry& e : entries) index.emplace(e.name, e.value);
  return index;
}

// The family a name belongs to: -1 for the prefix-less family, the position
// in kFamilies, or -2 when the prefix names no family.
int familyOf(u16v name) {
  if (name.find(u'_') == u16v::npos) return -1;
  for (size_t f = 0; f < std::size(kFamilies); ++f)
    if (name.starts_with(kFamilies[f].prefix)) return static_cast<int>(f);
  return -2;
}

// GET_KOVA_VER: the version text upper-cased, the letters A-I turned into
// the digits 1-9, read as a decimal number; 0 when it is none.
double versionNumber(const u16& version) {
  u16 t = upperFull(version);
  for (char16_t& c : t)
    if (c >= u'A' && c <= u'I') c = static_cast<char16_t>(u'1' + (c - u'A'));
  double v = 0;
  return parseNumber(t, v) ? v : 0;
}

// Values read when the name is read; nullopt when `name` is none of them.
std::optional<double> dynamicValue(TUScript& engine, u16v name) {
  if (name == u"G_MOUSE_X" || name == u"G_MOUSE_Y") {
    int32_t x = 0, y = 0;
    engine.platform().cursorPosition(x, y);
    return name == u"G_MOUSE_X" ? x : y;
  }
  if (name == u"G_SCREEN_W") return engine.platform().primaryScreen().width;
  if (name == u"G_SCREEN_H") return engine.platform().primaryScreen().height;
  if (name == u"G_SCREEN_C") return engine.platform().primaryScreen().colourDepth;
  if (name == u"COM_ERR_FLG") return engine.comErrorOccurred ? 1 : 0;
  if (name == u"GET_KOVA_VER") return versionNumber(engine.host().versionText());
  if (name == u"GET_KOVA_PRO") {
    double v = 0;
    return engine.trueValue.toNumber(v) ? v : 1;
  }
  return std::nullopt;
}

// --- Text constants --------------------------------------------------------------

struct TextEntry {
  std::u16string_view name;
  std::u16string_view text;
};

// Tokens the window functions take in place of a title, and EMPTYPARAM.
constexpr TextEntry kTokens[] = {
    {u"GET_ACTIVE_WIN", u"GET_ACTIVE_WIN"},
    {u"GET_FROMPOINT_WIN", u"GET_FROMPOINT_WIN"},
    {u"GET_MENU_HND", u"GET_MENU_HND"},
    {u"GET_SYSMENU_HND", u"GET_SYSMENU_HND"},
    {u"GET_FROMPOINT_OBJ", u"__GET_FROMPOINT_OBJ__"},
    {u"GET_LOGPRINT_WIN", u"__GET_LOGPRINT_WIN__"},
    {u"GET_STOPFORM_WIN", u"__GET_STOPFORM_WIN__"},
    {u"GET_THISKOVA_WIN", u"__GET_THISKOVA_WIN__"},
    {u"GET_FUKIDASI_WIN", u"__GET_FUKIDASI_WIN__"},
    {u"GET_FORM_WIN", u"__GET_FORM_WIN__"},
    {u"GET_SCHEDULE_WIN", u"__GET_SCHEDULE_WIN__"},
    {u"EMPTYPARAM", u"__EMPTYPARAM__"},
};

// Names whose text comes from the system.
constexpr std::u16string_view kFolderNames[] = {u"GET_WIN_DIR",     u"GET_SYS_DIR",     u"GET_CUR_DIR",
                                                u"GET_KOVA_DIR",    u"GET_APPDATA_DIR", u"GET_KOVA_NAME"};

constexpr size_t kLongestFolder = 1024;

// The folder part of a program path, without the trailing separator except
// at a root ("C:\kova.exe" gives "C:\", "/kova" gives "/").
u16 folderOf(const u16& path) {
  const size_t sep = path.find_last_of(u"\\/");
  if (sep == u16::npos) return {};
  u16 folder = path.substr(0, sep);
  if (folder.empty() || (folder.size() == 2 && folder[1] == u':')) folder.push_back(path[sep]);
  return folder;
}

u16 systemText(TUScript& engine, u16v name) {
  Platform& p = engine.platform();
  u16 t;
  if (name == u"GET_WIN_DIR") t = p.windowsDirectory();
  else if (name == u"GET_SYS_DIR") t = p.systemDirectory();
  else if (name == u"GET_CUR_DIR") t = p.currentDirectory();
  else if (name == u"GET_KOVA_DIR") t = folderOf(p.executablePath());
  else if (name == u"GET_APPDATA_DIR") t = p.roamingAppDataDirectory();
  else return engine.host().mainWindowCaption();
  if (t.size() > kLongestFolder) t.resize(kLongestFolder);
  return t;
}

}  // namespace

double constantValue(TUScript& engine, const u16& name) {
  if (name.size() < 2) return kNoSuchConstant;
  const int family = familyOf(name);
  if (family == -2) return kNoSuchConstant;
  if (family == -1) {
    static const Index plain = indexOf(kPlainNames);
    auto it = plain.find(name);
    return it == plain.end() ? kNoSuchConstant : it->second;
  }
  // VK_ followed by one digit or capital letter: that character's code.
  if (name.size() == 4 && name.starts_with(u"VK_")) {
    const char16_t c = name[3];
    if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z')) return c;
  }
  const u16v prefix = kFamilies[static_cast<size_t>(family)].prefix;
  if (prefix == u"G_" || prefix == u"GET_" || prefix == u"COM_") {
    if (std::optional<double> v = dynamicValue(engine, name)) return *v;
  }
  static const std::vector<Index> indexes = [] {
    std::vector<Index> all;
    for (const Family& f : kFamilies) all.push_back(indexOf(f.entries));
    return all;
  }();
  const Index& index = indexes[static_cast<size_t>(family)];
  auto it = index.find(name);
  return it == index.end() ? kNoSuchConstant : it->second;
}

bool isFixedConstant(TUScript& engine, const u16& name) {
  if (name.starts_with(u"G_") || name.starts_with(u"GET_") || name.starts_with(u"COM_")) return false;
  return constantValue(engine, name) != kNoSuchConstant;
}

bool isTextConstantName(u16v name) {
  if (!name.starts_with(u"GET_") && name != u"EMPTYPARAM") return false;
  for (const TextEntry& e : kTokens)
    if (e.name == name) return true;
  for (u16v n : kFolderNames)
    if (n == name) return true;
  return false;
}

u16 textConstant(TUScript& engine, const u16& name) {
  if (!name.starts_with(u"GET_") && name != u"EMPTYPARAM") return {};
  for (const TextEntry& e : kTokens)
    if (e.name == name) return u16(e.text);
  for (u16v n : kFolderNames)
    if (n == name) return systemText(engine, name);
  return {};
}

}  // namespace kova
