#pragma once
// Messages of the script front end: loading, preparation and the block
// structure check. "%s" stands for a name inserted by text(m, name).

#include "engine/messages.h"

namespace kova::fe {

// Loading and assembling.
inline constexpr Msg kFileNotFound{u"FILE Not Found :%s", u"FILE Not Found :%s"};
inline constexpr Msg kExtensionAdded{u"(指定されたパス %s に .KOV を付けました)",
                                     u"(the path given, %s, with the extension .KOV)"};
inline constexpr Msg kFendPosition{u"FEND文の位置がおかしい", u"Position of the FEND sentence is strange"};
inline constexpr Msg kNewerVersion{u"KOVAのバージョンを最新にして下さい", u"Please make version of KOVA into the newest"};
inline constexpr Msg kContainerUnsupported{u"暗号化されたスクリプトは読めません: %s",
                                           u"Encoded script containers cannot be read: %s"};
inline constexpr Msg kFileUnreadable{u"ファイルを読み込めません: %s", u"The file cannot be read: %s"};

// Preparation: declarations.
inline constexpr Msg kResultInProcedure{u"PROCEDURE %s: Resultは無効です", u"There is RESULT: %s"};
inline constexpr Msg kNoResult{u"%s: Resultが無い", u"It doesn't have RESULT: %s"};
inline constexpr Msg kIfMultiStatement{u"IF行のマルチ宣言はNG", u"The multi-declaration of the IF line is NG"};
inline constexpr Msg kTextblockUnpaired{u"TEXTBLOCK文と対になっていない", u"It doesn't pair with \"TEXTBLOCK\""};
inline constexpr Msg kAlreadyDefined{u"%s は既に定義されています", u"It has already been defined: %s"};
inline constexpr Msg kModuleNested{u"MODULEが多重化している", u"MODULE is multiplexing"};
inline constexpr Msg kMultiplexDefinition{u"多重定義です", u"It is multiplex definition"};
inline constexpr Msg kFunctionNested{u"%s: 関数が入れ子しているか、閉じていません",
                                     u"Function/Procedure is nest or not closed: %s"};
inline constexpr Msg kFunctionMultiplex{u"%s: 多重定義です", u"It is multiplex definition: %s"};
inline constexpr Msg kOptionError{u"OPTION指定に間違いがあります", u"OPTION:SyntaxError"};
inline constexpr Msg kDefDllType{u"DEF_DLLの定義に間違いがあります:%s", u"DEF_DLL:SyntaxError:%s"};
inline constexpr Msg kDefDllArray{u"%s は配列指定できません", u"%s cannot specify the array"};
inline constexpr Msg kModuleNotClosed{u"MODULE(CLASS) %s に対しENDMODULE(ENDCLASS)の定義が無い",
                                      u"ENDMODULE(ENDCLASS) is not defined: MODULE(CLASS)%s"};
inline constexpr Msg kTextblockNotClosed{u"ENDTEXTBLOCKの定義が無い", u"ENDTEXTBLOCK is not defined"};
inline constexpr Msg kConstructorArgs{u"コンストラクタ関数に引数は付けられません",
                                      u"Argument is not put on the constructor function"};

// Block structure.
inline constexpr Msg kFinallyJump{u"FINALLY部では Break, Continue, Exit は使えません",
                                  u"\"Break\", \"Continue\", and \"Exit\" cannot be used in the part FINALLY"};
inline constexpr Msg kNoCorresponding{u"対応する %s が無い", u"No corresponding %s"};
inline constexpr Msg kElseText{u"ELSE行に記述がある", u"ELSE: SyntaxError"};
inline constexpr Msg kElseMultiplex{u"ELSE多重定義", u"ELSE Multiplex definition"};
inline constexpr Msg kNoEndif{u"IFB に対しENDIF が無い", u"It doesn't have ENDIF toward IFB"};
inline constexpr Msg kDefaultMultiplex{u"DEFAULT 多重定義 or SyntaxError", u"DEFAULT Multiplex definition"};
inline constexpr Msg kNoSelend{u"SELECT に対し SELEND が無い", u"It doesn't have SELEND toward SELECT"};
inline constexpr Msg kForNoEquals{u" = が無い", u"It doesn't have \"=\""};
inline constexpr Msg kForNoVariable{u"変数が無い", u"SyntaxError-50"};
inline constexpr Msg kForNoTo{u"TOが無い", u"It doesn't have \"TO\""};
inline constexpr Msg kNextText{u"NEXT の後に記述はできません", u"Must describe nothing to NEXT"};
inline constexpr Msg kNoNext{u"FORに対しNEXTが無い", u"It doesn't have NEXT toward FOR"};
inline constexpr Msg kNoWend{u"WHILE に対しWEND が無い", u"It doesn't have WEND toward WHILE"};
inline constexpr Msg kRepeatText{u"REPEAT の後に記述はできません", u"Something is here after REPEAT"};
inline constexpr Msg kNoUntil{u"UNTIL に対し REPEAT が無いか式定義が無い", u"It doesn't have REPEAT toward UNTIL"};
inline constexpr Msg kTryText{u"TRY の後に記述はできません", u"Something is here after TRY"};
inline constexpr Msg kNoHandler{u"TRY に対し FINALLY, EXCEPT が無い", u"It doesn't have FINALLY or EXCEPT toward TRY"};
inline constexpr Msg kTryCrossesBlock{u"TRY がループかブロックを跨いでいる、もしくはブロックの対応が取れていない",
                                      u"TRY steps over the loop or block"};
inline constexpr Msg kNoEndtry{u"FINALLY, EXCEPT に対し ENDTRY が無い",
                               u"It doesn't have ENDTRY toward FINALLY or EXCEPT"};
inline constexpr Msg kHandlerCrossesBlock{u"FINALLY or EXCEPT がループもしくはブロックを跨いでいる",
                                          u"FINALLY or EXCEPT steps over the loop or block"};

}  // namespace kova::fe
