#include "builtins/catalogue.h"

namespace kova {

namespace {
using F = BuiltinFamily;
}  // namespace

// Text positions: "3 and later" is kFromPosition(3). CLKITEM accepts only
// empty text at position 2; the dispatcher checks that case itself.
constexpr std::array<BuiltinInfo, kBuiltinCount> kBuiltins = {{
    /*   0 */ {u"INT", F::Numeric, 1, 0, 0},
    /*   1 */ {u"ABS", F::Numeric, 1, 0, 0},
    /*   2 */ {u"ZCUT", F::Numeric, 1, 0, 0},
    /*   3 */ {u"ROUND", F::Numeric, 1, 0, 0},
    /*   4 */ {u"SQRT", F::Numeric, 1, 0, 0},
    /*   5 */ {u"POWER", F::Numeric, 1, 0, 0},
    /*   6 */ {u"SIN", F::Numeric, 1, 0, 0},
    /*   7 */ {u"COS", F::Numeric, 1, 0, 0},
    /*   8 */ {u"TAN", F::Numeric, 1, 0, 0},
    /*   9 */ {u"EXP", F::Numeric, 1, 0, 0},
    /*  10 */ {u"LN", F::Numeric, 1, 0, 0},
    /*  11 */ {u"LOGN", F::Numeric, 1, 0, 0},
    /*  12 */ {u"GETID", F::Windows, 1, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3)},
    /*  13 */ {u"EXEC", F::System, 1, 0, kPos(0)},
    /*  14 */ {u"MSGBOX", F::Dialogs, 1, 0, kPos(0) | kPos(2) | kFromPosition(3)},
    /*  15 */ {u"CTRLWIN", F::Windows, 2, 0, 0},
    /*  16 */ {u"SLEEP", F::System, 0, 0, 0},
    /*  17 */ {u"SENDSTR", F::Controls, 2, 0, kPos(1)},
    /*  18 */ {u"MMV", F::Input, 2, 0, 0},
    /*  19 */ {u"BTN", F::Input, 1, 0, 0},
    /*  20 */ {u"KBD", F::Input, 1, 0, 0},
    /*  21 */ {u"ACW", F::Windows, 1, 0, kPos(1) | kPos(2)},
    /*  22 */ {u"FUKIDASI", F::Dialogs, 0, 0, kPos(0) | kFromPosition(3)},
    /*  23 */ {u"CLKITEM", F::Controls, 2, 0, kPos(1)},
    /*  24 */ {u"DOSCMD", F::System, 1, 0, kPos(0)},
    /*  25 */ {u"SCKEY", F::Input, 2, 0, kPos(1) | kPos(2) | kFromPosition(3)},
    /*  26 */ {u"SOUND", F::System, 0, 0, kPos(0)},
    /*  27 */ {u"INPUT", F::Dialogs, 0, 0, kPos(0) | kPos(1) | kPos(2)},
    /*  28 */ {u"COPY", F::Strings, 2, 0, kPos(0)},
    /*  29 */ {u"LENGTH", F::Strings, 1, kPos(0), kPos(0)},
    /*  30 */ {u"POS", F::Strings, 2, 0, kPos(0) | kPos(1)},
    /*  31 */ {u"GETSTR", F::Controls, 1, 0, 0},
    /*  32 */ {u"CHKNUM", F::Strings, 1, 0, kPos(0)},
    /*  33 */ {u"SETSLIDER", F::Controls, 2, 0, 0},
    /*  34 */ {u"STATUS", F::Windows, 2, 0, 0},
    /*  35 */ {u"GETALLWIN", F::Windows, 0, 0, 0},
    /*  36 */ {u"GETTIME", F::System, 0, 0, kPos(1)},
    /*  37 */ {u"LOGPRINT", F::Dialogs, 0, 0, 0},
    /*  38 */ {u"VAL", F::Strings, 1, 0, kPos(0) | kPos(1)},
    /*  39 */ {u"FOPEN", F::Files, 1, 0, kPos(0)},
    /*  40 */ {u"FCLOSE", F::Files, 1, 0, 0},
    /*  41 */ {u"FGET", F::Files, 2, 0, kPos(2)},
    /*  42 */ {u"FPUT", F::Files, 2, 0, kPos(1)},
    /*  43 */ {u"SETCLEAR", F::Strings, 1, kPos(0), kPos(0) | kPos(1)},
    /*  44 */ {u"FORMAT", F::Strings, 2, 0, kPos(0)},
    /*  45 */ {u"STOPFORM", F::Dialogs, 0, 0, 0},
    /*  46 */ {u"CHGMOJ", F::Strings, 3, 0, kPos(0) | kPos(1) | kPos(2)},
    /*  47 */ {u"POFF", F::System, 1, 0, 0},
    /*  48 */ {u"CHKBTN", F::Controls, 2, 0, kPos(1)},
    /*  49 */ {u"SLCTBOX", F::Dialogs, 3, kFromPosition(2), kPos(2) | kFromPosition(3)},
    /*  50 */ {u"MOUSEORG", F::Input, 0, 0, 0},
    /*  51 */ {u"TRIM", F::Strings, 1, 0, kPos(0)},
    /*  52 */ {u"GETITEM", F::ItemLists, 2, 0, kPos(2) | kFromPosition(3)},
    /*  53 */ {u"PEEKCOLOR", F::Images, 2, 0, 0},
    /*  54 */ {u"CHKIMG", F::Images, 1, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3)},
    /*  55 */ {u"SAVEIMG", F::Images, 1, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3)},
    /*  56 */ {u"KINDOFOS", F::System, 0, 0, 0},
    /*  57 */ {u"CHR", F::Strings, 1, 0, 0},
    /*  58 */ {u"ASC", F::Strings, 1, 0, kPos(0)},
    /*  59 */ {u"GETKEYSTATE", F::Input, 1, 0, 0},
    /*  60 */ {u"RANDOM", F::Strings, 0, 0, 0},
    /*  61 */ {u"LOCKHARD", F::Input, 0, 0, 0},
    /*  62 */ {u"GETDIR", F::Files, 1, 0, kPos(0) | kPos(1)},
    /*  63 */ {u"GETOLEITEM", F::Com, 1, kPos(0), kPos(0)},
    /*  64 */ {u"MUSCUR", F::Input, 0, 0, 0},
    /*  65 */ {u"GETCTLHND", F::Windows, 2, 0, kPos(1)},
    /*  66 */ {u"IDTOHND", F::Windows, 1, 0, 0},
    /*  67 */ {u"HNDTOID", F::Windows, 1, 0, 0},
    /*  68 */ {u"TOKEN", F::Strings, 2, kPos(1), kPos(0) | kPos(1)},
    /*  69 */ {u"CPUUSERATE", F::System, 0, 0, 0},
    /*  70 */ {u"RESIZE", F::Strings, 1, kPos(0), kPos(0)},
    /*  71 */ {u"POSACC", F::Unspecified, 3, 0, 0},
    /*  72 */ {u"SPEAK", F::Speech, 0, 0, kPos(0)},
    /*  73 */ {u"RECOSTATE", F::Speech, 0, kFromPosition(1), kPos(1) | kPos(2) | kFromPosition(3)},
    /*  74 */ {u"DICTATE", F::Speech, 0, 0, 0},
    /*  75 */ {u"CHKSND", F::System, 0, 0, kPos(0)},
    /*  76 */ {u"CREATEFORM", F::Browser, 1, 0, kPos(0) | kPos(1) | kFromPosition(3)},
    /*  77 */ {u"GETFORMDATA", F::Browser, 1, 0, kPos(0) | kPos(1)},
    /*  78 */ {u"GETHTMLDOC", F::Browser, 1, 0, 0},
    /*  79 */ {u"CREATEOLEOBJ", F::Com, 1, 0, kPos(0)},
    /*  80 */ {u"GETACTIVEOLEOBJ", F::Com, 1, 0, kPos(0) | kPos(1)},
    /*  81 */ {u"LENGTHB", F::Strings, 1, 0, kPos(0)},
    /*  82 */ {u"COPYB", F::Strings, 2, 0, kPos(0)},
    /*  83 */ {u"POSB", F::Strings, 2, 0, kPos(0) | kPos(1)},
    /*  84 */ {u"BYTETYPE", F::Strings, 2, 0, kPos(0)},
    /*  85 */ {u"POPUPMENU", F::Dialogs, 1, kPos(0), kPos(0) | kPos(1) | kPos(2)},
    /*  86 */ {u"ISUNICODE", F::Strings, 1, 0, kPos(0)},
    /*  87 */ {u"FDELLINE", F::Files, 2, 0, 0},
    /*  88 */ {u"CEIL", F::Numeric, 1, 0, 0},
    /*  89 */ {u"ARCSIN", F::Numeric, 1, 0, 0},
    /*  90 */ {u"ARCCOS", F::Numeric, 1, 0, 0},
    /*  91 */ {u"ARCTAN", F::Numeric, 1, 0, 0},
    /*  92 */ {u"DROPFILE", F::Unspecified, 3, kFromPosition(2), kPos(1) | kPos(2) | kFromPosition(3)},
    /*  93 */ {u"STRCONV", F::Strings, 2, 0, kPos(0)},
    /*  94 */ {u"IEGETDATA", F::Browser, 2, 0, kPos(0) | kPos(1) | kPos(2)},
    /*  95 */ {u"IESETDATA", F::Browser, 3, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3)},
    /*  96 */ {u"SETFORMDATA", F::Browser, 2, 0, kPos(0) | kPos(1) | kPos(2)},
    /*  97 */ {u"IELINK", F::Browser, 1, 0, kPos(0) | kPos(1) | kPos(2)},
    /*  98 */ {u"ENCODE", F::Strings, 1, 0, kPos(0)},
    /*  99 */ {u"DECODE", F::Strings, 1, 0, kPos(0)},
    /* 100 */ {u"OLEEVENT", F::Com, 3, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3)},
    /* 101 */ {u"REPLACE", F::Strings, 3, 0, kPos(0) | kPos(1) | kPos(2)},
    /* 102 */ {u"ASCB", F::Strings, 1, 0, kPos(0)},
    /* 103 */ {u"XLGETDATA", F::Spreadsheet, 1, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3)},
    /* 104 */ {u"XLSETDATA", F::Spreadsheet, 2, kPos(1), kPos(0) | kPos(1) | kPos(2) | kFromPosition(3)},
    /* 105 */ {u"XLACTIVATE", F::Spreadsheet, 1, 0, kPos(0) | kPos(1) | kPos(2)},
    /* 106 */ {u"XLSHEET", F::Spreadsheet, 2, 0, kPos(0) | kPos(1)},
    /* 107 */ {u"XLOPEN", F::Spreadsheet, 0, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3)},
    /* 108 */ {u"XLCLOSE", F::Spreadsheet, 1, 0, kPos(0) | kPos(1)},
    /* 109 */ {u"VARTYPE", F::Strings, 1, 0, kPos(0)},
    /* 110 */ {u"READINI", F::Files, 2, 0, kPos(0) | kPos(1) | kPos(2)},
    /* 111 */ {u"WRITEINI", F::Files, 3, 0, kPos(0) | kPos(1) | kPos(2) | kFromPosition(3)},
    /* 112 */ {u"DELETEINI", F::Files, 2, 0, kPos(0) | kPos(1) | kPos(2)},
    /* 113 */ {u"IEGETSRC", F::Browser, 2, 0, kPos(0) | kPos(1)},
    /* 114 */ {u"BETWEENSTR", F::Strings, 2, 0, kPos(0) | kPos(1) | kPos(2)},
    /* 115 */ {u"EVAL", F::Strings, 1, 0, kPos(0)},
    /* 116 */ {u"GETSLCTLST", F::Unspecified, 1, 0, 0},
    /* 117 */ {u"CHRB", F::Strings, 1, 0, 0},
    /* 118 */ {u"SHIFTARRAY", F::Strings, 2, kPos(0), kPos(0)},
    /* 119 */ {u"CALCARRAY", F::Strings, 2, kPos(0), kPos(0)},
    /* 120 */ {u"SAFEARRAY", F::Com, 0, 0, 0},
    /* 121 */ {u"POWERSHELL", F::System, 1, 0, kPos(0)},
    /* 122 */ {u"SET8087CW", F::System, 0, 0, 0},
    /* 123 */ {u"SETHOTKEY", F::HotKeys, 1, 0, kPos(0) | kPos(1) | kPos(2)},
    /* 124 */ {u"GETSLIDER", F::Controls, 1, 0, 0},
    /* 125 */ {u"SPLIT", F::Strings, 1, 0, kPos(0) | kPos(1)},
    /* 126 */ {u"JOIN", F::Strings, 1, kPos(0), kPos(0) | kPos(1)},
}};

// The order of the table is the numbering scripts depend on.
static_assert(kBuiltins.size() == 127);
constexpr bool sameName(const char16_t* a, const char16_t* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}
static_assert(sameName(kBuiltins[0].name, u"INT"));
static_assert(sameName(kBuiltins[12].name, u"GETID"));
static_assert(sameName(kBuiltins[24].name, u"DOSCMD"));
static_assert(sameName(kBuiltins[36].name, u"GETTIME"));
static_assert(sameName(kBuiltins[48].name, u"CHKBTN"));
static_assert(sameName(kBuiltins[60].name, u"RANDOM"));
static_assert(sameName(kBuiltins[72].name, u"SPEAK"));
static_assert(sameName(kBuiltins[84].name, u"BYTETYPE"));
static_assert(sameName(kBuiltins[96].name, u"SETFORMDATA"));
static_assert(sameName(kBuiltins[108].name, u"XLCLOSE"));
static_assert(sameName(kBuiltins[120].name, u"SAFEARRAY"));
static_assert(sameName(kBuiltins[126].name, u"JOIN"));
static_assert(sameName(kBuiltins[25].name, u"SCKEY"));
static_assert(sameName(kBuiltins[23].name, u"CLKITEM"));
static_assert(sameName(kBuiltins[109].name, u"VARTYPE"));
static_assert(sameName(kBuiltins[88].name, u"CEIL"));
static_assert(sameName(kBuiltins[91].name, u"ARCTAN"));

}  // namespace kova
