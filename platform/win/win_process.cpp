// Starting programs under Windows: CreateProcessW, with an anonymous pipe
// for standard output and standard error that is drained (PeekNamedPipe,
// then ReadFile of what is there) while the caller waits, so a command never
// stalls on a full pipe however much it writes.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/win/handles.h"
#include "platform/win/win_services.h"

namespace kova::win {

namespace {

class WinChild final : public ChildProcess {
 public:
  // Takes the process handle; the thread handle is not needed.
  WinChild(const PROCESS_INFORMATION& pi, KernelHandle out, size_t limit)
      : process_(pi.hProcess), id_(pi.dwProcessId), out_(std::move(out)) {
    KernelHandle thread(pi.hThread);
    limit_ = limit;
  }

  uint32_t processId() const override { return id_; }

  bool waitForExit(uint32_t ms) override {
    const DWORD start = ::GetTickCount();
    for (;;) {
      const bool read = drain();
      // Without a pipe there is nothing to drain: wait in longer steps.
      DWORD slice = !out_ ? 100 : read ? 0 : 10;
      if (ms != kInfinite) {
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= ms) {
          if (::WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) return false;
          drain();
          return true;
        }
        slice = std::min<DWORD>(slice, ms - spent);
      }
      if (::WaitForSingleObject(process_.get(), slice) == WAIT_OBJECT_0) {
        drain();  // what the program wrote before it ended
        return true;
      }
    }
  }

  void waitForInputIdle(uint32_t ms) override { ::WaitForInputIdle(process_.get(), ms); }

  std::optional<int64_t> exitCode() override {
    DWORD code = 0;
    if (::WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process_.get(), &code))
      return std::nullopt;
    return static_cast<int64_t>(static_cast<int32_t>(code));
  }

 private:
  // Reads what the pipe holds now; true when something was read. A broken
  // pipe (every writer closed it and it is empty) is closed.
  bool drain() {
    if (!out_) return false;
    bool any = false;
    char buf[65536];
    for (;;) {
      DWORD available = 0;
      if (!::PeekNamedPipe(out_.get(), nullptr, 0, nullptr, &available, nullptr)) {
        out_.reset();
        return any;
      }
      if (available == 0) return any;
      DWORD got = 0;
      if (!::ReadFile(out_.get(), buf, std::min<DWORD>(available, sizeof buf), &got, nullptr) || got == 0) {
        out_.reset();
        return any;
      }
      keep(buf, got);
      any = true;
    }
  }

  KernelHandle process_;
  DWORD id_;
  KernelHandle out_;  // empty once the pipe is broken
};

}  // namespace

std::unique_ptr<ChildProcess> startProcess(const ProcessStart& start) {
  u16 line;
  switch (start.kind) {
    case ProcessStart::Kind::Program: line = start.command; break;
    case ProcessStart::Kind::Shell: line = cmdCommandLine(start.command); break;
    case ProcessStart::Kind::PowerShell: line = u"powershell " + start.command; break;
  }
  if (line.empty()) return nullptr;

  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (start.show != WindowShow::Default) {
    si.dwFlags |= STARTF_USESHOWWINDOW;
    si.wShowWindow = start.show == WindowShow::Hidden      ? SW_HIDE
                     : start.show == WindowShow::Minimised ? SW_SHOWMINIMIZED
                                                           : SW_SHOWNORMAL;
  }
  if (start.x != -1 || start.y != -1) {
    si.dwFlags |= STARTF_USEPOSITION;
    si.dwX = static_cast<DWORD>(start.x);
    si.dwY = static_cast<DWORD>(start.y);
  }
  if (start.width > 0 && start.height > 0) {
    si.dwFlags |= STARTF_USESIZE;
    si.dwXSize = static_cast<DWORD>(start.width);
    si.dwYSize = static_cast<DWORD>(start.height);
  }

  // The child's ends are inheritable, ours are not. Its input pipe is closed
  // on our side at once: a command that reads input sees its end.
  KernelHandle outRead, outWrite, inRead, inWrite;
  if (start.captureOutput) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    if (!::CreatePipe(outRead.receive(), outWrite.receive(), &sa, start.pipeBuffer)) return nullptr;
    if (!::CreatePipe(inRead.receive(), inWrite.receive(), &sa, 0)) return nullptr;
    ::SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(inWrite.get(), HANDLE_FLAG_INHERIT, 0);
    inWrite.reset();
    si.dwFlags |= STARTF_USESTDHANDLES;
    si.hStdInput = inRead.get();
    si.hStdOutput = outWrite.get();
    si.hStdError = outWrite.get();
  }

  std::wstring commandLine(line.begin(), line.end());  // CreateProcessW may write into it
  const std::wstring folder(start.workingFolder.begin(), start.workingFolder.end());
  PROCESS_INFORMATION pi{};
  const BOOL ok = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, start.captureOutput ? TRUE : FALSE,
                                   CREATE_DEFAULT_ERROR_MODE, nullptr, folder.empty() ? nullptr : folder.c_str(), &si,
                                   &pi);
  // Only the child holds its ends now: the pipe reports its end once the
  // child (and whatever inherited the handles from it) has closed them.
  outWrite.reset();
  inRead.reset();
  if (!ok) return nullptr;
  return std::make_unique<WinChild>(pi, std::move(outRead), start.outputLimit);
}

}  // namespace kova::win
