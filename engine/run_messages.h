#pragma once
// Messages of the execution engine. "%s" stands for a name.

#include <exception>

#include "engine/messages.h"

namespace kova::rm {

inline constexpr Msg kUndefined{u"変数: %s が定義されていません", u"It isn't defined: %s"};
inline constexpr Msg kExceeded{u"変数: %s 配列をオーバーしてます", u"It exceeded arrangement: %s"};
inline constexpr Msg kDimensionMismatch{u"変数: %s 次元数が合いません", u"Dimension isn't suitable: %s"};
inline constexpr Msg kArrayWithoutDeclaration{u"%s：宣言のない配列です", u"%s: Array without declaration"};
inline constexpr Msg kReserved{u"%s は予約語です", u"It has already been defined: %s"};
inline constexpr Msg kVarAlreadyDefined{u"変数: %s は既に定義されています", u"It has already been defined: %s"};
inline constexpr Msg kConstMultiplex{u"%s: 多重定義です", u"It is multiplex definition: %s"};
// A main-level DIM, PUBLIC or CONST is given its value while the script is
// still being prepared; a user function cannot run before that is done.
inline constexpr Msg kCalledWhilePreparing{u"%s: スクリプトの準備中は関数を呼び出せません",
                                          u"A function cannot be called while the script is being prepared: %s"};
inline constexpr Msg kExpressionRuntime{u"型が合っていない or オーバーフロー", u"a type isn't correct. or overflow."};
inline constexpr Msg kExpressionCheck{u"式がおかしい or 型が合っていない", u"expression is wrong. or a type isn't correct."};
inline constexpr Msg kCallTooDeep{u"関数の呼び出しが深すぎます: %s", u"Function calls are nested too deeply: %s"};
inline constexpr Msg kNotAvailableYet{u"%s: この関数はまだ使えません", u"%s: this function is not available yet"};

}  // namespace kova::rm

namespace kova {

// The message of an internal failure caught at a statement or block:
// `place` (a short prefix naming where) followed by the exception's text.
// A text grown too long (TextTooLong) is a script fault of its own and
// shows its message alone.
u16 internalFailure(const char16_t* place, const std::exception& ex);

}  // namespace kova
