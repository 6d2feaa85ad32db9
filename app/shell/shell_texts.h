#pragma once
// The main window's captions, hints and messages, each as its Japanese and
// English pair; engine/messages.h picks the language of the process.

#include "engine/messages.h"

namespace kova::shell {

inline constexpr Msg kMainCaption{u"KOVA Pro", u"KOVA Pro"};
inline constexpr Msg kApplicationTitlePrefix{u"KOVA - ", u"KOVA - "};

// Buttons (keys L, S, P, R and O press them) and their hints (the
// Japanese interface only).
inline constexpr Msg kLoadButton{u"Load", u"Load"};
inline constexpr Msg kSaveButton{u"Save", u"Save"};
inline constexpr Msg kPlayButton{u"Play", u"Play"};
inline constexpr Msg kRecButton{u"Rec", u"Rec"};
inline constexpr Msg kToolButton{u"Tool", u"Tool"};
inline constexpr Msg kLoadHint{u"読込み(L)", u""};
inline constexpr Msg kSaveHint{u"保存(S)", u""};
inline constexpr Msg kPlayHint{u"再生(P)", u""};
inline constexpr Msg kRecHint{u"記録(R)", u""};
inline constexpr Msg kToolHint{u"設定(O)", u""};

// The tool menu.
inline constexpr Msg kMenuIntoTray{u"タスクトレイ に格納(&W)", u"Into TaskTray"};
inline constexpr Msg kMenuOutOfTray{u"タスクトレイから出る(&W)", u"Out of TaskTray"};
inline constexpr Msg kMenuOptions{u"設定(&X)...", u"Options..."};
inline constexpr Msg kMenuLaunchMenu{u"ランチメニュ(&M)", u"LunchMenu"};
inline constexpr Msg kMenuLaunchMenuSetting{u"ランチメニュの設定(&Z)...", u"Setting LunchMenu(&Z)..."};
inline constexpr Msg kMenuWebRec{u"WebRec(Web記録) (&R)", u"WebRec"};
inline constexpr Msg kMenuKov2Exe{u"Kov2Exe(EXE作成) (&U)", u"Kov2Exe"};
inline constexpr Msg kMenuDebugger{u"Debugger(デバッグ) (&D)", u"Debugger"};
inline constexpr Msg kMenuHelp{u"Help(&H)", u"Help"};
inline constexpr Msg kMenuAbout{u"About(&A)", u"About"};
inline constexpr Msg kMenuExit{u"終了(&Z)", u"Exit"};
inline constexpr Msg kMenuMinimize{u"最小化(&N)", u"Mi&nimize"};

// The stop form.
inline constexpr Msg kStopButton{u"STOP", u"STOP"};
inline constexpr Msg kRecordingCaption{u"記録中...", u"Recding..."};
inline constexpr Msg kPausedCaptionPrefix{u"一時停止...", u"Pause..."};

// Messages.
inline constexpr Msg kMultiplexRefused{u"KOVAの多重起動は禁止です", u"Multiplex start of KOVA is prohibition"};
inline constexpr Msg kNotKovaFile{u"指定外ファイル", u"It is not KOVA file"};
inline constexpr Msg kNoValidData{u"保存すべき有効データがありません", u"There are no valid data"};
inline constexpr Msg kReplaceQuestion{u"上書きしてもよろしいですか？", u"May I replace it?"};
inline constexpr Msg kLoadException{u"SetFnCrntDir:%s", u"SetFnCrntDir:%s"};
inline constexpr Msg kPlayException{u"pplay:%s", u"pplay:%s"};
inline constexpr Msg kProgramMissing{u"%s が見つかりません", u"%s was not found"};
inline constexpr Msg kContainerModes{
    u"スクリプトの暗号化 (/a) と EXE 作成用の組み立て (/_exe_bild) にはまだ対応していません",
    u"Encoding scripts (/a) and building them for the executable packer (/_exe_bild) are not available yet"};
inline constexpr Msg kRecorderMissing{u"記録機能はまだありません", u"Recording is not available yet"};
inline constexpr Msg kUsage{u"使い方: kova.exe [スクリプト [引数...]] | /k スクリプト | /l スクリプト | /rec [ファイル]",
                            u"Usage: kova.exe [SCRIPT [ARGS...]] | /k SCRIPT | /l SCRIPT | /rec [FILE]"};

}  // namespace kova::shell
