// System facts, sound and power for the Windows platform.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "platform/win/handles.h"
#include "platform/win/win_services.h"

namespace kova::win {

namespace {

const wchar_t* wide(const u16& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

uint64_t ticks(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

// The default value of HKEY_CURRENT_USER\<key>, environment variables
// expanded; empty when there is none.
u16 userKeyDefault(const u16& key) {
  RegistryKey h;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, wide(key), 0, KEY_READ, h.receive()) != ERROR_SUCCESS) return {};
  wchar_t buf[1024] = {};
  DWORD size = sizeof buf - sizeof(wchar_t);
  DWORD type = 0;
  const LONG rc = ::RegQueryValueExW(h.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
  wchar_t expanded[2048] = {};
  const DWORD n = ::ExpandEnvironmentStringsW(buf, expanded, 2048);
  const wchar_t* text = n > 0 && n <= 2048 ? expanded : buf;
  return u16(reinterpret_cast<const char16_t*>(text));
}

// The subkeys of HKEY_CURRENT_USER\<key>.
std::vector<u16> userSubkeys(const u16& key) {
  std::vector<u16> out;
  RegistryKey h;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, wide(key), 0, KEY_READ, h.receive()) != ERROR_SUCCESS) return out;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD len = 256;
    if (::RegEnumKeyExW(h.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    out.emplace_back(reinterpret_cast<const char16_t*>(name), len);
  }
  return out;
}

// MCI commands on the one device the sound built-ins use.
constexpr const wchar_t* kAlias = L"kova_sound";
bool soundOpen = false;

bool mci(const std::wstring& command, std::wstring* answer = nullptr) {
  wchar_t buf[256] = {};
  const MCIERROR rc = ::mciSendStringW(command.c_str(), buf, 256, nullptr);
  if (answer) *answer = buf;
  return rc == 0;
}

bool enableShutdownPrivilege() {
  KernelHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.receive()))
    return false;
  TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  const bool ok = ::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &tp.Privileges[0].Luid) &&
                  ::AdjustTokenPrivileges(token.get(), FALSE, &tp, 0, nullptr, nullptr) &&
                  ::GetLastError() == ERROR_SUCCESS;
  return ok;
}

}  // namespace

Platform::OsVersion osVersion() {
  Platform::OsVersion v;
  v.windowsNt = true;
  static_assert(sizeof(void*) == 8, "the Windows build is 64-bit, so the system is too");
  v.is64Bit = true;
  // RtlGetVersion reports the true version; GetVersionExW answers what the
  // program's manifest asks for.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  auto get = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
                   : nullptr;
  if (!get || get(&info) != 0) return v;
  v.major = info.dwMajorVersion;
  v.minor = info.dwMinorVersion;
  v.build = info.dwBuildNumber;
  v.platformId = info.dwPlatformId;
  v.server = info.wProductType != VER_NT_WORKSTATION;
  return v;
}

std::optional<Platform::CpuTimes> cpuTimes() {
  FILETIME idle, kernel, user;
  if (!::GetSystemTimes(&idle, &kernel, &user)) return std::nullopt;
  Platform::CpuTimes t;
  t.idle = ticks(idle);
  t.total = ticks(kernel) + ticks(user);  // kernel time includes the idle time
  return t;
}

void systemBeep() { ::MessageBeep(MB_OK); }

u16 soundEventFile(const u16& name) {
  const u16 apps = u"AppEvents\\Schemes\\Apps";
  std::vector<u16> order = {u".Default"};
  for (const u16& app : userSubkeys(apps))
    if (app != u".Default") order.push_back(app);
  for (const u16& app : order) {
    for (const char16_t* which : {u"\\.Current", u"\\.Default"}) {
      const u16 file = userKeyDefault(apps + u"\\" + app + u"\\" + name + which);
      if (!file.empty()) return file;
    }
  }
  return {};
}

bool playSoundFile(const u16& path, std::optional<uint32_t>* lengthMs) {
  stopSound();
  const std::wstring alias = kAlias;
  if (!mci(L"open \"" + std::wstring(path.begin(), path.end()) + L"\" alias " + alias)) return false;
  soundOpen = true;
  if (!mci(L"play " + alias)) {
    stopSound();
    return false;
  }
  if (lengthMs) {
    std::wstring answer;
    if (mci(L"set " + alias + L" time format milliseconds") && mci(L"status " + alias + L" length", &answer)) {
      wchar_t* end = nullptr;
      const unsigned long n = std::wcstoul(answer.c_str(), &end, 10);
      if (end != answer.c_str()) *lengthMs = static_cast<uint32_t>(n);
    }
  }
  return true;
}

bool soundPlaying() {
  if (!soundOpen) return false;
  std::wstring mode;
  return mci(L"status " + std::wstring(kAlias) + L" mode", &mode) && mode == L"playing";
}

void stopSound() {
  if (!soundOpen) return;
  mci(L"close " + std::wstring(kAlias));
  soundOpen = false;
}

bool requestPower(const Platform::PowerRequest& r) {
  enableShutdownPrivilege();
  using Kind = Platform::PowerRequest::Kind;
  switch (r.kind) {
    case Kind::Hibernate:
    case Kind::Standby: {
      // powrprof.dll is loaded only for this.
      using SetSuspendStateFn = BOOLEAN(WINAPI*)(BOOLEAN, BOOLEAN, BOOLEAN);
      const Module powrprof(::LoadLibraryW(L"powrprof.dll"));
      auto suspend = powrprof ? reinterpret_cast<SetSuspendStateFn>(reinterpret_cast<void*>(
                                    ::GetProcAddress(powrprof.get(), "SetSuspendState")))
                              : nullptr;
      return suspend && suspend(r.kind == Kind::Hibernate, r.force, FALSE);
    }
    // Posted, not sent: a window that does not answer cannot hold the script.
    case Kind::MonitorPower:
      return ::PostMessageW(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, static_cast<LPARAM>(r.monitorState));
    case Kind::ScreenSaver:
      return ::PostMessageW(HWND_BROADCAST, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    case Kind::ExitSession:
      return ::ExitWindowsEx(r.exitFlags, SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_FLAG_PLANNED);
  }
  return false;
}

}  // namespace kova::win
