#pragma once
// The numbers the main window and its instances talk in: the messages
// posted between instances and to itself, the window classes other
// instances look for, and the command identifiers of the buttons and the
// tool menu.

#include <windows.h>

namespace kova::win {

inline constexpr const wchar_t* kMainWindowClass = L"TFOYA.UNICODECLASS";
inline constexpr const wchar_t* kStopFormClass = L"TFTEISI.UNICODECLASS";
inline constexpr const wchar_t* kOptionsClass = L"TFSETSET.UNICODECLASS";
inline constexpr const wchar_t* kFirstInstanceMutex = L"_KOVA_NIJYUKIDOU_NG_";
inline constexpr const wchar_t* kSecondInstanceMutex = L"_KOVA_NIJYUKIDOU_NG2_";

// Posted to the main window (numbers are fixed: other instances send them).
inline constexpr UINT kMsgPlayLaunch = 0x8002;     // run the launch text
inline constexpr UINT kMsgStartRecording = 0x8004;  // "/rec"
inline constexpr UINT kMsgTrayCallback = 0x8006;    // lParam: the mouse message
inline constexpr UINT kMsgIntoTray = 0x8008;
inline constexpr UINT kMsgHandOver = 0x800A;        // wParam 1 load and play, 3 load
inline constexpr UINT kMsgBuildMenus = 0x800C;      // launch menu and schedule table
inline constexpr UINT kMsgStopHotkeyFree = 0x805A;  // wParam modifier, lParam key index
// Posted to the engine's window: start the program again.
inline constexpr UINT kMsgReExecute = 0x80CC;

// Buttons of the main window and entries of its tool menu.
enum ShellCommand : UINT {
  kCmdLoad = 101,
  kCmdSave = 102,
  kCmdPlay = 103,
  kCmdRecord = 104,
  kCmdTool = 105,
  kCmdTray = 201,
  kCmdOptions = 202,
  kCmdLaunchMenuSetting = 203,
  kCmdWebRec = 204,
  kCmdKov2Exe = 205,
  kCmdDebugger = 206,
  kCmdHelp = 207,
  kCmdAbout = 208,
  kCmdExit = 209,
  kCmdStop = 301,  // the stop form's button
  // The system menu's own Minimize entry (replaces SC_MINIMIZE).
  kCmdMinimize = 10,
};

}  // namespace kova::win
