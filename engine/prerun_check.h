#pragma once
// Internals of the pre-run check shared by prerun_check.cpp (the driver and
// the statement walk) and prerun_check_names.cpp (names, assignment
// targets, calls). Not part of the engine's interface.

#include <vector>

#include "engine/messages.h"
#include "engine/uxscr.h"

namespace kova {

// The state of one check: what the walk of the current function knows.
struct PrerunCheckState {
  u16 functionName;   // FunctionIndex name of the function being walked
  int loopDepth = 0;  // FOR/WHILE/REPEAT blocks open at the statement
  int tryDepth = 0;   // TRY parts (TRY up to its FINALLY/EXCEPT) open at the statement
};

namespace pc {

inline constexpr Msg kNoFend{u"関数: %s の FEND 文がありません", u"FEND There is no sentence: %s"};
inline constexpr Msg kBreakOutside{u"ループ外に BREAK 文がある", u"There is BREAK sentence outside the loop"};
inline constexpr Msg kBreakCount{u"BREAK 数 が間違っています", u"Number of BREAK is wrong"};
inline constexpr Msg kContinueOutside{u"ループ外に CONTINUE 文がある",
                                      u"There is CONTINUE sentence outside the loop"};
inline constexpr Msg kContinueCount{u"CONTINUE 数 が間違っています", u"Number of CONTINUE is wrong"};
inline constexpr Msg kEndwithUnpaired{u"WITH文と対になっていない", u"It doesn't pair with \"WITH\""};
inline constexpr Msg kBadVariableName{u"正しくない変数名です: %s", u"variable name which is not right: %s"};
inline constexpr Msg kConstantAssigned{u"定数には値を代入できません",
                                       u"Value cannot be substituted for the constant"};
inline constexpr Msg kNotReferable{u"変数: %s は参照できません", u"It isn't defined: %s"};
inline constexpr Msg kBracketSyntax{u"[ ]内の構文が間違っています", u"SyntaxError of [ ]"};
inline constexpr Msg kNotClosed{u"関数が正しく閉じていません", u"Function isn't properly close"};
inline constexpr Msg kConstantArgument{u"%s:定数は使えません", u"Constant cannot be used:%s"};
inline constexpr Msg kArgumentLacking{u"%s：引数が足りません", u"Argument is lacking:%s"};
inline constexpr Msg kOleNotClosed{u"OLE関数が正しく閉じていません", u"An OLE function isn't properly close"};
inline constexpr Msg kNoSuchFunction{u"関数: %s がありません", u"It is not here: %s"};
inline constexpr Msg kArgumentCount{u"関数: %s 引数の数が合いません",
                                    u"The number of the argument isn't suitable: %s"};
inline constexpr Msg kCallLocation{u"関数：%s", u"Function: %s"};

// Most indexes a name may carry.
inline constexpr size_t kMaxIndexes = 15;
// Most arguments of a COM method call.
inline constexpr size_t kMaxComArguments = 16;

// A name the evaluator can read back: not empty, no delimiter of the
// tokeniser, quote or bracket in it, and not starting like a number.
bool isVariableName(u16v name);

// A name with its indexes: "A", "A[1]", "A[1][2]", "A[1, 2]". `ok` is false
// when the brackets do not pair; `trailing` when text follows the last "]".
struct IndexedName {
  u16 name;  // upper-cased, trimmed
  bool hasIndexes = false;
  std::vector<u16> indexes;  // the index texts, trimmed ("" for an empty index)
  bool ok = true;
  bool trailing = false;
};
IndexedName splitIndexedName(u16v text);

// Splits an opener's text at the field separator, outside quotes.
std::vector<u16> fields(u16v text);

// A header's parameters as the binding reads them.
struct HeaderParam {
  u16 name;  // upper-cased, without "[]"
  bool isVar = false;
  bool isArray = false;
  bool hasDefault = false;
  u16 defaultText;
};
std::vector<HeaderParam> headerParams(u16v header);

// An assignment target "NAME" or "NAME[i]...": name, brackets, indexes,
// constants, declarations. A new name is declared in `scope`.
bool checkTarget(TUScript& e, u16v targetText, THensuFmt& scope);
// A statement that calls a COM member ("obj.Method(x)"); call-check faults
// show `functionName` as their location.
bool checkComStatement(TUScript& e, u16v text, THensuFmt& scope, const u16& functionName);
// The left side of a COM property assignment ("obj.Prop", "obj.Item(1)").
bool checkComProperty(TUScript& e, u16v left, THensuFmt& scope);

}  // namespace pc
}  // namespace kova
