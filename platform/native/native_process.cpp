// Starting programs in the native build: posix_spawn with a pipe that
// stdout and stderr share, drained with poll() while the caller waits.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/native/native_platform.h"

extern char** environ;

namespace kova::native {

namespace {

// Children let go of before they ended. They are reaped (waited for
// without blocking) at the next start, so finished ones do not stay zombies.
std::mutex abandonedLock;
std::vector<pid_t> abandoned;

void reapAbandoned() {
  std::lock_guard<std::mutex> guard(abandonedLock);
  std::erase_if(abandoned, [](pid_t pid) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    return r == pid || (r < 0 && errno == ECHILD);
  });
}

class NativeChild final : public ChildProcess {
 public:
  NativeChild(pid_t pid, int out, size_t limit) : pid_(pid), out_(out) { limit_ = limit; }
  ~NativeChild() override {
    if (out_ >= 0) ::close(out_);
    if (!ended_) {
      std::lock_guard<std::mutex> guard(abandonedLock);
      abandoned.push_back(pid_);
    }
  }

  uint32_t processId() const override { return static_cast<uint32_t>(pid_); }

  bool waitForExit(uint32_t ms) override {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    for (;;) {
      drain();
      if (reap()) {
        drain();  // what the program wrote before it ended
        return true;
      }
      int slice = 10;
      if (ms != kInfinite) {
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (spent >= ms) return false;
        slice = static_cast<int>(std::min<long long>(slice, ms - spent));
      }
      pollfd p{out_, POLLIN, 0};
      // With the pipe closed (or never opened) poll only waits.
      ::poll(&p, out_ >= 0 ? 1 : 0, slice);
    }
  }

  std::optional<int64_t> exitCode() override {
    if (!reap()) return std::nullopt;
    if (WIFEXITED(status_)) return WEXITSTATUS(status_);
    if (WIFSIGNALED(status_)) return 128 + WTERMSIG(status_);
    return std::nullopt;
  }

 private:
  bool reap() {
    if (ended_) return true;
    const pid_t r = ::waitpid(pid_, &status_, WNOHANG);
    if (r == pid_) ended_ = true;
    return ended_;
  }

  // Reads everything available now. At the end of the pipe (every writer
  // has closed it) the pipe is closed.
  void drain() {
    if (out_ < 0) return;
    char buf[65536];
    for (;;) {
      const ssize_t n = ::read(out_, buf, sizeof buf);
      if (n > 0) {
        keep(buf, static_cast<size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      ::close(out_);
      out_ = -1;
      return;
    }
  }

  pid_t pid_;
  int out_;
  bool ended_ = false;
  int status_ = 0;
};

// The program of a Program start: found in PATH when it has no separator,
// else made absolute against the current folder (the working folder is
// entered before the program is looked up).
std::string programPath(const u16& word) {
  std::string path = mapPath(word);
  if (path.find('/') == std::string::npos || path[0] == '/') return path;
  char cwd[4096];
  if (!::getcwd(cwd, sizeof cwd)) return path;
  return std::string(cwd) + "/" + path;
}

bool onPath(const char* program) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string all = path;
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(':', start);
    if (end == std::string::npos) end = all.size();
    std::string dir = all.substr(start, end - start);
    if (dir.empty()) dir = ".";
    if (::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

std::unique_ptr<ChildProcess> startProcess(const ProcessStart& start) {
  reapAbandoned();
  std::vector<std::string> args;
  switch (start.kind) {
    case ProcessStart::Kind::Program: {
      for (const u16& word : splitCommandLine(start.command)) args.push_back(toUtf8(word));
      if (args.empty()) return nullptr;
      args[0] = programPath(fromUtf8(args[0]));
      break;
    }
    case ProcessStart::Kind::Shell:
      args = {"/bin/sh", "-c", toUtf8(start.command)};
      break;
    case ProcessStart::Kind::PowerShell:
      if (!onPath("pwsh")) return nullptr;
      args = {"/bin/sh", "-c", "pwsh " + toUtf8(start.command)};
      break;
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawnattr_init(&attr);
  // The child starts with default signal handling and nothing blocked.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  ::posix_spawnattr_setsigmask(&attr, &none);
  ::posix_spawnattr_setsigdefault(&attr, &defaults);
  ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  int pipeFds[2] = {-1, -1};
  if (start.captureOutput) {
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
      ::posix_spawn_file_actions_destroy(&actions);
      ::posix_spawnattr_destroy(&attr);
      return nullptr;
    }
    ::posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    ::posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  }
  ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::string folder;
  if (!start.workingFolder.empty()) {
    folder = mapPath(start.workingFolder);
    ::posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  }
  pid_t pid = -1;
  const bool search = start.kind == ProcessStart::Kind::Program && args[0].find('/') == std::string::npos;
  const int rc = search ? ::posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ)
                        : ::posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  ::posix_spawnattr_destroy(&attr);
  if (pipeFds[1] >= 0) ::close(pipeFds[1]);
  if (rc != 0) {
    if (pipeFds[0] >= 0) ::close(pipeFds[0]);
    return nullptr;
  }
  if (pipeFds[0] >= 0) ::fcntl(pipeFds[0], F_SETFL, ::fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK);
  return std::make_unique<NativeChild>(pid, pipeFds[0], start.outputLimit);
}

}  // namespace kova::native
