#pragma once
// The main window's file dialogs, the about box and shortcut resolution.

#include <windows.h>

#include <optional>

#include "util/u16.h"

namespace kova::win {

// The Load dialog: an open-file dialog for "*.KOV" with a "Number of
// times" box. Shortcuts are not followed by the dialog; a chosen shortcut
// comes back resolved (see resolveShortcut). Choosing a folder opens the
// dialog again inside it. The result is a launch text: the path, then
// " -R<n>" when the count is above 1 (and the shortcut's arguments, after
// a space). None when cancelled.
std::optional<u16> askScriptToLoad(HWND owner, const u16& startFolder);

// The Save dialog: asks for a ".KOV" file (the extension is forced), asks
// before replacing an existing file. None when cancelled.
std::optional<u16> askScriptToSave(HWND owner, const u16& startFolder);

// A ".lnk" file's target path, followed by a space and its arguments when
// it has any; the path itself when it is no shortcut or cannot be read.
u16 resolveShortcut(const u16& path);

// The modal about box with the program's version.
void showAboutBox(HWND owner, const u16& version);

}  // namespace kova::win
