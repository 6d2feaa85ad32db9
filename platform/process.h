#pragma once
// Starting programs and console commands (DOSCMD, POWERSHELL, EXEC, the
// console bell of SOUND). Platform::startProcess starts one; the caller
// waits on the ChildProcess it gets back. The rules that turn a command into
// what the system runs are portable and live here, so that both builds and
// the unit tests share them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "util/u16.h"

namespace kova {

// How the started program's window shows (ShowWindow values). Default
// leaves it to the program (STARTF_USESHOWWINDOW is not set).
enum class WindowShow { Default = -1, Hidden = 0, Normal = 1, Minimised = 2 };

struct ProcessStart {
  enum class Kind {
    // A program with its arguments: Windows hands the command line to
    // CreateProcess as it is; natively it is split into words by the Windows
    // rules (splitCommandLine) and the first word is the program, looked up
    // in PATH when it has no separator. No shell is involved either way.
    Program,
    // A console command: Windows runs cmdCommandLine(command) ("CMD /C ...");
    // natively /bin/sh -c command.
    Shell,
    // A PowerShell command (already escaped by the caller): Windows runs
    // "powershell " + command; natively "pwsh " + command through /bin/sh
    // when pwsh is on PATH, else nothing starts.
    PowerShell,
  };
  Kind kind = Kind::Program;
  u16 command;
  // The working folder; empty: the current folder. A folder that does not
  // exist makes the start fail.
  u16 workingFolder;
  WindowShow show = WindowShow::Default;
  // Standard output and standard error go to one pipe that the ChildProcess
  // keeps draining while the caller waits (so no amount of output can stall
  // the child); standard input is an empty pipe, so a command that reads
  // input sees its end at once. Without it the child inherits the caller's
  // output handles and natively reads /dev/null.
  bool captureOutput = false;
  // Size of the pipe's buffer asked from the system (Windows); 0: default.
  uint32_t pipeBuffer = 0;
  // Captured bytes kept; more are read and dropped (outputTruncated()).
  size_t outputLimit = size_t(64) << 20;
  // EXEC's start position and size of the first window (STARTUPINFO);
  // -1 when not asked. Ignored natively.
  int32_t x = -1, y = -1, width = -1, height = -1;
};

// A started program. Destroying the object lets go of it: the program keeps
// running (natively an unfinished child is reaped later, never killed).
class ChildProcess {
 public:
  static constexpr uint32_t kInfinite = 0xFFFFFFFF;
  virtual ~ChildProcess() = default;
  virtual uint32_t processId() const = 0;
  // Waits up to `ms` milliseconds (kInfinite: no limit) for the program to
  // end, reading captured output as it arrives. True once it has ended; the
  // output that was in the pipe at its end has then been read too (output
  // of programs it left running is not waited for).
  virtual bool waitForExit(uint32_t ms) = 0;
  // Until the program waits for input (WaitForInputIdle) or `ms` passed;
  // returns at once for console programs and natively.
  virtual void waitForInputIdle(uint32_t ms) { (void)ms; }
  // The exit code once the program has ended (natively 128 + the signal
  // number for a program killed by a signal).
  virtual std::optional<int64_t> exitCode() = 0;
  // The captured bytes read so far.
  const std::string& output() const { return output_; }
  bool outputTruncated() const { return truncated_; }

 protected:
  // Keeps what fits under the limit.
  void keep(const char* data, size_t n) {
    const size_t room = limit_ > output_.size() ? limit_ - output_.size() : 0;
    if (n > room) truncated_ = true;
    output_.append(data, n < room ? n : room);
  }
  size_t limit_ = 0;

 private:
  std::string output_;
  bool truncated_ = false;
};

// The command line CMD runs for a console command: "CMD /C " + command, the
// command wrapped in double quotes when it contains a blank and does not
// start with two double quotes (CMD then strips that outer pair again).
u16 cmdCommandLine(u16v command);

// POWERSHELL's quoting: every double quote becomes backslash + double quote,
// except one already preceded by a backslash, which stays as it is.
u16 escapePowerShellQuotes(u16v command);

// Splits a command line into words by the rules of CommandLineToArgvW:
// blanks and tabs separate words outside double quotes; 2n backslashes
// before a double quote become n and the quote toggles quoting; 2n + 1
// become n and a literal quote; other backslashes are literal; inside
// quotes a doubled quote is a literal one.
std::vector<u16> splitCommandLine(u16v commandLine);

}  // namespace kova
