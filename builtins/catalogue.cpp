#include "builtins/catalogue.h"

#include "builtins/dialog_functions.h"
#include "builtins/file_functions.h"
#include "builtins/input_functions.h"
#include "builtins/numeric_functions.h"
#include "builtins/string_functions.h"
#include "builtins/system_functions.h"
#include "builtins/control_functions.h"
#include "builtins/window_functions.h"

namespace kova {

namespace {
using F = BuiltinFamily;
using R = ArgumentRule;
constexpr BuiltinHandler notYet = BuiltinHandler::notAvailable(&notAvailableYet);
}  // namespace

// One row per built-in, at the index of its number. Text positions: "3 and
// later" is kFromPosition(3).
constexpr std::array<BuiltinInfo, kBuiltinCount> kBuiltins = {{
    {u"INT", 0, F::Numeric, 1, 0, 0, &intFn, R::Numbers},
    {u"ABS", 1, F::Numeric, 1, 0, 0, &absFn, R::Numbers},
    {u"ZCUT", 2, F::Numeric, 1, 0, 0, &zcutFn, R::Numbers},
    {u"ROUND", 3, F::Numeric, 1, 0, 0, &roundFn, R::Numbers},
    {u"SQRT", 4, F::Numeric, 1, 0, 0, &sqrtFn, R::Numbers},
    {u"POWER", 5, F::Numeric, 1, 0, 0, &powerFn, R::Numbers},
    {u"SIN", 6, F::Numeric, 1, 0, 0, &sinFn, R::Numbers},
    {u"COS", 7, F::Numeric, 1, 0, 0, &cosFn, R::Numbers},
    {u"TAN", 8, F::Numeric, 1, 0, 0, &tanFn, R::Numbers},
    {u"EXP", 9, F::Numeric, 1, 0, 0, &expFn, R::Numbers},
    {u"LN", 10, F::Numeric, 1, 0, 0, &lnFn, R::Numbers},
    {u"LOGN", 11, F::Numeric, 1, 0, 0, &lognFn, R::Numbers},
    {u"GETID", 12, F::Windows, 1, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3), &getIdFn},
    {u"EXEC", 13, F::System, 1, 0, kPos(0), &execFn},
    {u"MSGBOX", 14, F::Dialogs, 1, 0, kPos(0) | kPos(2) | kFromPosition(3), notYet},
    {u"CTRLWIN", 15, F::Windows, 2, 0, 0, &ctrlWinFn},
    {u"SLEEP", 16, F::System, 0, 0, 0, &sleepFn},
    {u"SENDSTR", 17, F::Controls, 2, 0, kPos(1), &sendStrFn},
    {u"MMV", 18, F::Input, 2, 0, 0, &mmvFn},
    {u"BTN", 19, F::Input, 1, 0, 0, &btnFn},
    {u"KBD", 20, F::Input, 1, 0, 0, &kbdFn},
    {u"ACW", 21, F::Windows, 1, 0, kPos(1) | kPos(2), &acwFn},
    {u"FUKIDASI", 22, F::Dialogs, 0, 0, kPos(0) | kFromPosition(3), notYet},
    {u"CLKITEM", 23, F::Controls, 2, 0, kPos(1), &clkItemFn, R::EmptyTextAt2},
    {u"DOSCMD", 24, F::System, 1, 0, kPos(0), &doscmdFn},
    {u"SCKEY", 25, F::Input, 2, 0, kPos(1) | kPos(2) | kFromPosition(3), &sckeyFn, R::BareKeyNames},
    {u"SOUND", 26, F::System, 0, 0, kPos(0), &soundFn},
    {u"INPUT", 27, F::Dialogs, 0, 0, kPos(0) | kPos(1) | kPos(2), notYet},
    {u"COPY", 28, F::Strings, 2, 0, kPos(0), &copyFn},
    {u"LENGTH", 29, F::Strings, 1, kPos(0), kPos(0), &lengthFn},
    {u"POS", 30, F::Strings, 2, 0, kPos(0) | kPos(1), &posFn},
    {u"GETSTR", 31, F::Controls, 1, 0, 0, &getStrFn},
    {u"CHKNUM", 32, F::Strings, 1, 0, kPos(0), &chknumFn},
    {u"SETSLIDER", 33, F::Controls, 2, 0, 0, &setSliderFn},
    {u"STATUS", 34, F::Windows, 2, 0, 0, &statusFn},
    {u"GETALLWIN", 35, F::Windows, 0, 0, 0, &getAllWinFn},
    {u"GETTIME", 36, F::System, 0, 0, kPos(1), &gettimeFn},
    {u"LOGPRINT", 37, F::Dialogs, 0, 0, 0, &logPrintFn},
    {u"VAL", 38, F::Strings, 1, 0, kPos(0) | kPos(1), &valFn},
    {u"FOPEN", 39, F::Files, 1, 0, kPos(0), &fopenFn},
    {u"FCLOSE", 40, F::Files, 1, 0, 0, &fcloseFn},
    {u"FGET", 41, F::Files, 2, 0, kPos(2), &fgetFn},
    {u"FPUT", 42, F::Files, 2, 0, kPos(1), &fputFn},
    {u"SETCLEAR", 43, F::Strings, 1, kPos(0), kPos(0) | kPos(1), &setclearFn},
    {u"FORMAT", 44, F::Strings, 2, 0, kPos(0), &formatFn},
    {u"STOPFORM", 45, F::Dialogs, 0, 0, 0, &stopFormFn},
    {u"CHGMOJ", 46, F::Strings, 3, 0, kPos(0) | kPos(1) | kPos(2), &replaceFn},
    {u"POFF", 47, F::System, 1, 0, 0, &poffFn},
    {u"CHKBTN", 48, F::Controls, 2, 0, kPos(1), &chkBtnFn},
    {u"SLCTBOX", 49, F::Dialogs, 3, kFromPosition(2), kPos(2) | kFromPosition(3), notYet},
    {u"MOUSEORG", 50, F::Input, 0, 0, 0, &mouseOrgFn},
    {u"TRIM", 51, F::Strings, 1, 0, kPos(0), &trimFn},
    {u"GETITEM", 52, F::ItemLists, 2, 0, kPos(2) | kFromPosition(3), &getItemFn},
    {u"PEEKCOLOR", 53, F::Images, 2, 0, 0, notYet},
    {u"CHKIMG", 54, F::Images, 1, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3), notYet},
    {u"SAVEIMG", 55, F::Images, 1, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3), notYet},
    {u"KINDOFOS", 56, F::System, 0, 0, 0, &kindOfOsFn},
    {u"CHR", 57, F::Strings, 1, 0, 0, &chrFn},
    {u"ASC", 58, F::Strings, 1, 0, kPos(0), &ascFn},
    {u"GETKEYSTATE", 59, F::Input, 1, 0, 0, &getKeyStateFn},
    {u"RANDOM", 60, F::Strings, 0, 0, 0, &randomFn},
    {u"LOCKHARD", 61, F::Input, 0, 0, 0, &lockHardFn},
    {u"GETDIR", 62, F::Files, 1, 0, kPos(0) | kPos(1), &getdirFn},
    {u"GETOLEITEM", 63, F::Com, 1, kPos(0), kPos(0), notYet},
    {u"MUSCUR", 64, F::Input, 0, 0, 0, &musCurFn},
    {u"GETCTLHND", 65, F::Windows, 2, 0, kPos(1), &getCtlHndFn},
    {u"IDTOHND", 66, F::Windows, 1, 0, 0, &idToHndFn},
    {u"HNDTOID", 67, F::Windows, 1, 0, 0, &hndToIdFn},
    {u"TOKEN", 68, F::Strings, 2, kPos(1), kPos(0) | kPos(1), &tokenFn},
    {u"CPUUSERATE", 69, F::System, 0, 0, 0, &cpuUseRateFn},
    {u"RESIZE", 70, F::Strings, 1, kPos(0), kPos(0), &resizeFn},
    {u"POSACC", 71, F::Unspecified, 3, 0, 0, notYet},
    {u"SPEAK", 72, F::Speech, 0, 0, kPos(0), notYet},
    {u"RECOSTATE", 73, F::Speech, 0, kFromPosition(1), kPos(1) | kPos(2) | kFromPosition(3), notYet},
    {u"DICTATE", 74, F::Speech, 0, 0, 0, notYet},
    {u"CHKSND", 75, F::System, 0, 0, kPos(0), &chksndFn},
    {u"CREATEFORM", 76, F::Browser, 1, 0, kPos(0) | kPos(1) | kFromPosition(3), notYet},
    {u"GETFORMDATA", 77, F::Browser, 1, 0, kPos(0) | kPos(1), notYet},
    {u"GETHTMLDOC", 78, F::Browser, 1, 0, 0, notYet},
    {u"CREATEOLEOBJ", 79, F::Com, 1, 0, kPos(0), notYet},
    {u"GETACTIVEOLEOBJ", 80, F::Com, 1, 0, kPos(0) | kPos(1), notYet},
    {u"LENGTHB", 81, F::Strings, 1, 0, kPos(0), &lengthbFn},
    {u"COPYB", 82, F::Strings, 2, 0, kPos(0), &copybFn},
    {u"POSB", 83, F::Strings, 2, 0, kPos(0) | kPos(1), &posbFn},
    {u"BYTETYPE", 84, F::Strings, 2, 0, kPos(0), &bytetypeFn},
    {u"POPUPMENU", 85, F::Dialogs, 1, kPos(0), kPos(0) | kPos(1) | kPos(2), notYet},
    {u"ISUNICODE", 86, F::Strings, 1, 0, kPos(0), &isunicodeFn},
    {u"FDELLINE", 87, F::Files, 2, 0, 0, &fdellineFn},
    {u"CEIL", 88, F::Numeric, 1, 0, 0, &ceilFn, R::Numbers},
    {u"ARCSIN", 89, F::Numeric, 1, 0, 0, &arcsinFn, R::Numbers},
    {u"ARCCOS", 90, F::Numeric, 1, 0, 0, &arccosFn, R::Numbers},
    {u"ARCTAN", 91, F::Numeric, 1, 0, 0, &arctanFn, R::Numbers},
    {u"DROPFILE", 92, F::Unspecified, 3, kFromPosition(2), kPos(1) | kPos(2) | kFromPosition(3), notYet},
    {u"STRCONV", 93, F::Strings, 2, 0, kPos(0), &strconvFn},
    {u"IEGETDATA", 94, F::Browser, 2, 0, kPos(0) | kPos(1) | kPos(2), notYet},
    {u"IESETDATA", 95, F::Browser, 3, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3), notYet},
    {u"SETFORMDATA", 96, F::Browser, 2, 0, kPos(0) | kPos(1) | kPos(2), notYet},
    {u"IELINK", 97, F::Browser, 1, 0, kPos(0) | kPos(1) | kPos(2), notYet},
    {u"ENCODE", 98, F::Strings, 1, 0, kPos(0), &encodeFn},
    {u"DECODE", 99, F::Strings, 1, 0, kPos(0), &decodeFn},
    {u"OLEEVENT", 100, F::Com, 3, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3), notYet},
    {u"REPLACE", 101, F::Strings, 3, 0, kPos(0) | kPos(1) | kPos(2), &replaceFn},
    {u"ASCB", 102, F::Strings, 1, 0, kPos(0), &ascbFn},
    {u"XLGETDATA", 103, F::Spreadsheet, 1, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3), notYet},
    {u"XLSETDATA", 104, F::Spreadsheet, 2, kPos(1), kPos(0) | kPos(1) | kPos(2) | kFromPosition(3), notYet},
    {u"XLACTIVATE", 105, F::Spreadsheet, 1, 0, kPos(0) | kPos(1) | kPos(2), notYet},
    {u"XLSHEET", 106, F::Spreadsheet, 2, 0, kPos(0) | kPos(1), notYet},
    {u"XLOPEN", 107, F::Spreadsheet, 0, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3), notYet},
    {u"XLCLOSE", 108, F::Spreadsheet, 1, 0, kPos(0) | kPos(1), notYet},
    {u"VARTYPE", 109, F::Strings, 1, 0, kPos(0), &vartypeFn, R::ValueAt0},
    {u"READINI", 110, F::Files, 2, 0, kPos(0) | kPos(1) | kPos(2), &readiniFn},
    {u"WRITEINI", 111, F::Files, 3, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3), &writeiniFn},
    {u"DELETEINI", 112, F::Files, 2, 0, kPos(0) | kPos(1) | kPos(2), &deleteiniFn},
    {u"IEGETSRC", 113, F::Browser, 2, 0, kPos(0) | kPos(1), notYet},
    {u"BETWEENSTR", 114, F::Strings, 2, 0, kPos(0) | kPos(1) | kPos(2), &betweenstrFn},
    {u"EVAL", 115, F::Strings, 1, 0, kPos(0), &evalFn},
    {u"GETSLCTLST", 116, F::Unspecified, 1, 0, 0, notYet},
    {u"CHRB", 117, F::Strings, 1, 0, 0, &chrbFn},
    {u"SHIFTARRAY", 118, F::Strings, 2, kPos(0), kPos(0), &shiftarrayFn},
    {u"CALCARRAY", 119, F::Strings, 2, kPos(0), kPos(0), &calcarrayFn},
    {u"SAFEARRAY", 120, F::Com, 0, 0, 0, notYet},
    {u"POWERSHELL", 121, F::System, 1, 0, kPos(0), &powershellFn},
    {u"SET8087CW", 122, F::System, 0, 0, 0, &set8087cwFn},
    {u"SETHOTKEY", 123, F::HotKeys, 1, 0, kPos(0) | kPos(1) | kPos(2), notYet},
    {u"GETSLIDER", 124, F::Controls, 1, 0, 0, &getSliderFn},
    {u"SPLIT", 125, F::Strings, 1, 0, kPos(0) | kPos(1), &splitFn},
    {u"JOIN", 126, F::Strings, 1, kPos(0), kPos(0) | kPos(1), &joinFn},
}};

namespace {

// --- Compile-time checks of the table ------------------------------------------

constexpr size_t nameLength(const char16_t* s) {
  size_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}

// Names are upper-case letters and digits, starting with a letter.
constexpr bool wellFormedName(const char16_t* s) {
  if (s == nullptr || !(s[0] >= u'A' && s[0] <= u'Z')) return false;
  for (size_t i = 0; s[i] != 0; ++i)
    if (!((s[i] >= u'A' && s[i] <= u'Z') || (s[i] >= u'0' && s[i] <= u'9'))) return false;
  return true;
}

constexpr char16_t foldAscii(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

// Orders a catalogue name against a name being looked up, whose ASCII
// letters count as upper case: < 0, 0 or > 0.
constexpr int compareName(const char16_t* entry, u16v name) {
  size_t i = 0;
  for (; entry[i] != 0 && i < name.size(); ++i) {
    const char16_t a = entry[i], b = foldAscii(name[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  if (entry[i] == 0) return i == name.size() ? 0 : -1;
  return 1;
}

// A position mask names positions one by one only within the argument
// limit; beyond it a mask is all set ("from position k on") or all clear.
constexpr bool positionsWithinLimit(uint64_t mask) {
  const uint64_t beyond = mask >> (kMaxBuiltinArguments - 1);
  return beyond == 0 || beyond == (~uint64_t{0} >> (kMaxBuiltinArguments - 1));
}

// The families whose built-ins have no handler yet.
constexpr bool familyToCome(BuiltinFamily f) {
  switch (f) {
    case F::Dialogs:
    case F::Com:
    case F::Images:
    case F::HotKeys:
    case F::Speech:
    case F::Spreadsheet:
    case F::Browser:
    case F::Unspecified:
      return true;
    default:
      return false;
  }
}

// The built-ins of a family to come that have their handler already: the
// switches of the program's own forms.
constexpr const char16_t* kArrivedEarly[] = {u"LOGPRINT", u"STOPFORM"};

constexpr bool arrivedEarly(const char16_t* name) {
  for (const char16_t* early : kArrivedEarly)
    if (compareName(early, u16v(name, nameLength(name))) == 0) return true;
  return false;
}

constexpr bool rowsComplete() {
  for (size_t i = 0; i < kBuiltins.size(); ++i) {
    const BuiltinInfo& b = kBuiltins[i];
    if (b.number != static_cast<int>(i) || !wellFormedName(b.name) || !b.handler.set) return false;
    if (b.minimumArguments < -1 || b.minimumArguments > kMaxBuiltinArguments) return false;
    if (!positionsWithinLimit(b.rawPositions) || !positionsWithinLimit(b.textPositions)) return false;
    // A family to come runs the "not available yet" handler (but in the
    // rows that arrived early), every other family a handler of its own.
    if ((familyToCome(b.family) && !arrivedEarly(b.name)) == b.handler.available) return false;
    // The numeric built-ins, and only they, take their arguments as numbers.
    if ((b.family == F::Numeric) != (b.rule == R::Numbers)) return false;
  }
  return true;
}

// The row numbers in the order of their names, for the binary search.
constexpr std::array<uint8_t, kBuiltinCount> sortedByName() {
  std::array<uint8_t, kBuiltinCount> order{};
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint8_t>(i);
  for (size_t i = 1; i < order.size(); ++i) {
    const uint8_t k = order[i];
    const char16_t* name = kBuiltins[k].name;
    size_t j = i;
    for (; j > 0 && compareName(kBuiltins[order[j - 1]].name, u16v(name, nameLength(name))) > 0; --j)
      order[j] = order[j - 1];
    order[j] = k;
  }
  return order;
}

constexpr std::array<uint8_t, kBuiltinCount> kByName = sortedByName();

constexpr bool namesUnique() {
  for (size_t i = 1; i < kByName.size(); ++i) {
    const char16_t* name = kBuiltins[kByName[i]].name;
    if (compareName(kBuiltins[kByName[i - 1]].name, u16v(name, nameLength(name))) >= 0) return false;
  }
  return true;
}

static_assert(kBuiltins.size() == 127);
static_assert(rowsComplete(),
              "every row: its number, an upper-case name, a handler, positions within the limit");
static_assert(namesUnique(), "every name once");
// The order of the table is the numbering scripts depend on: a row moved
// or inserted fails these spot checks as well as the number check above.
static_assert(compareName(kBuiltins[0].name, u"INT") == 0 && compareName(kBuiltins[11].name, u"LOGN") == 0);
static_assert(compareName(kBuiltins[23].name, u"CLKITEM") == 0 &&
              compareName(kBuiltins[25].name, u"SCKEY") == 0);
static_assert(compareName(kBuiltins[88].name, u"CEIL") == 0 &&
              compareName(kBuiltins[91].name, u"ARCTAN") == 0);
static_assert(compareName(kBuiltins[109].name, u"VARTYPE") == 0 &&
              compareName(kBuiltins[126].name, u"JOIN") == 0);

int findFolded(u16v name) {
  size_t low = 0, high = kByName.size();
  while (low < high) {
    const size_t mid = (low + high) / 2;
    const int order = compareName(kBuiltins[kByName[mid]].name, name);
    if (order == 0) return kByName[mid];
    if (order < 0)
      low = mid + 1;
    else
      high = mid;
  }
  return -1;
}

}  // namespace

int findBuiltin(u16v name) {
  // Names mostly arrive upper-cased already. Other letters than ASCII ones
  // are compared after the full case mapping (which turns some of them into
  // ASCII letters).
  for (char16_t c : name)
    if (c >= 0x80) return findFolded(upperFull(name));
  return findFolded(name);
}

}  // namespace kova
