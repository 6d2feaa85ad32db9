#pragma once
// What the main window's dialogs decide without a window: the launch text
// the Load dialog hands back, the extension the Save dialog puts on, the
// texts they show, where the about box stands and how the tray icon's tip
// is cut to size.

#include <cstddef>
#include <cstdint>

#include "app/shell/startup_settings.h"
#include "engine/messages.h"

namespace kova::shell {

inline constexpr Msg kRepeatCountLabel{u"  実行回数: ", u"  Number of times: "};
inline constexpr Msg kReplaceQuestion{u"上書きしてもよろしいですか？", u"May I replace it?"};
inline constexpr Msg kVersionLabel{u"バージョン ", u"Version "};
inline constexpr const char16_t* kScriptFilterName = u"KOVScript Files (*.KOV)";
inline constexpr const char16_t* kScriptFilterPattern = u"*.KOV";

// The range of the Load dialog's "Number of times" box.
inline constexpr int32_t kMinRepeatCount = 1;
inline constexpr int32_t kMaxRepeatCount = 9999;

// The count the "Number of times" box holds: its digits, with blanks and
// thousands separators (",") ignored, kept within kMinRepeatCount ..
// kMaxRepeatCount. A text that is no number (empty, "abc", "3x") counts 1,
// so a slip of the keyboard runs the script once rather than not at all.
int32_t repeatCountFromText(u16v text);

// The launch text of a script chosen in the Load dialog: `path`, then the
// shortcut's arguments after a blank (when it came through a shortcut
// that has any), then " -R<count>" when the count is above 1. The count
// goes last because the last repeat token of a launch text wins: what the
// user typed in the box beats a "-R" the shortcut carries. parseLaunchText
// with a blank separator reads the text back.
u16 loadLaunchText(u16v path, u16v shortcutArguments, int32_t count);

// The file name the Load dialog opens with to show a folder's scripts:
// "<folder>\*.KOV", with one separator whether or not `folder` ends with
// one.
u16 folderScriptPattern(u16v folder);

// `path` with ".KOV" as the extension of its file part (after the last
// "\" or "/"): an extension that is ".KOV" in any case stays as written,
// any other is replaced, a file part without one gets it. A leading dot
// (".notes") is part of the name, not an extension. A path without a file
// part (empty, or ending with a separator) comes back unchanged.
u16 forceKovExtension(u16v path);

// The question asked before the Save dialog's choice replaces a file:
// the file's path on the first line (the extension was forced, so it may
// not be the name the user typed), the question on the next.
u16 replaceQuestion(u16v path);

// The about box's text: "Version " (or its Japanese) and `version`.
u16 versionText(u16v version);

// `text` cut to at most `maxUnits` UTF-16 code units, never between the
// two halves of a surrogate pair (the tray tip's buffer holds 127).
u16 fitText(u16v text, size_t maxUnits);

// Where a window of `width` x `height` stands: centred on `owner`, then
// moved as little as needed to lie inside `workArea` (its left/top edge
// wins when it is larger than the work area).
Place centredPlace(const ScreenBox& owner, int32_t width, int32_t height, const ScreenBox& workArea);

}  // namespace kova::shell
