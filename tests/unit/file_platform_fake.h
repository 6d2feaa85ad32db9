#pragma once
// A platform for file tests: files are real (the host platform does the
// work), while the ANSI code page, the current and roaming folders and
// failures of reads and writes are set by the test, and pauses are counted
// instead of slept.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kova::testing {

namespace fs = std::filesystem;

class FilePlatform : public Platform {
 public:
  unsigned ansi = 1252;
  u16 cwd;
  u16 roaming;
  // Writes (and moves into place) below this folder fail, as in a folder
  // the user may not write to.
  u16 readOnlyFolder;
  // The next n writes fail after writing half of the bytes.
  int failWrites = 0;
  // The next n moves into place fail.
  int failReplaces = 0;
  // The next n reads of an existing file fail (a sharing violation).
  int failReads = 0;

  int reads = 0;
  int writes = 0;
  int pumps = 0;
  std::vector<uint32_t> sleeps;

  void processMessages() override { ++pumps; }
  bool messagesPending() override { return false; }
  void yieldTimeSlice() override {}
  void sleepMs(uint32_t ms) override { sleeps.push_back(ms); }
  uint32_t tickCount() override { return host().tickCount(); }
  uint64_t currentThreadId() override { return host().currentThreadId(); }
  u16 currentDirectory() override { return cwd; }
  bool setCurrentDirectory(const u16& path) override {
    cwd = path;
    return true;
  }
  bool fileExists(const u16& path) override { return host().fileExists(path); }
  bool directoryExists(const u16& path) override { return host().directoryExists(path); }
  std::optional<uint32_t> fileDosTime(const u16& path) override { return host().fileDosTime(path); }
  std::optional<std::string> readFileBytes(const u16& path) override {
    ++reads;
    if (failReads > 0 && host().fileExists(path)) {
      --failReads;
      return std::nullopt;
    }
    return host().readFileBytes(path);
  }
  bool writeFileBytes(const u16& path, std::string_view bytes) override {
    ++writes;
    if (blocked(path)) return false;
    if (failWrites > 0) {
      --failWrites;
      host().writeFileBytes(path, bytes.substr(0, bytes.size() / 2));
      return false;
    }
    return host().writeFileBytes(path, bytes);
  }
  bool replaceFile(const u16& from, const u16& to) override {
    if (blocked(to)) return false;
    if (failReplaces > 0) {
      --failReplaces;
      return false;
    }
    return host().replaceFile(from, to);
  }
  bool deleteFile(const u16& path) override { return !blocked(path) && host().deleteFile(path); }
  bool createDirectory(const u16& path) override { return !blocked(path) && host().createDirectory(path); }
  u16 roamingAppDataDirectory() override { return roaming; }
  u16 executablePath() override { return host().executablePath(); }
  unsigned ansiCodePage() override { return ansi; }
  u16 codePageToWide(unsigned cp, std::string_view bytes) override {
    return host().codePageToWide(cp == 0 ? ansi : cp, bytes);
  }
  std::string wideToCodePage(unsigned cp, u16v text, bool* lossless) override {
    return host().wideToCodePage(cp == 0 ? ansi : cp, text, lossless);
  }
  bool systemLanguageIsJapanese() override { return ansi == kJapaneseCodePage; }
  double localDateTimeNow() override { return host().localDateTimeNow(); }

 private:
  static Platform& host() { return hostPlatform(); }
  bool blocked(const u16& path) const { return !readOnlyFolder.empty() && path.starts_with(readOnlyFolder); }
};

// A fresh folder under the system temp folder, removed with its contents.
class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("kova-files-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const fs::path& path() const { return path_; }
  // The folder or a path below it, in the form the platform takes.
  u16 u(const fs::path& relative = {}) const {
    return (relative.empty() ? path_ : path_ / relative).u16string();
  }
  void put(const fs::path& relative, const std::string& bytes) const {
    fs::create_directories((path_ / relative).parent_path());
    std::ofstream(path_ / relative, std::ios::binary) << bytes;
  }
  std::string get(const fs::path& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  bool has(const fs::path& relative) const { return fs::exists(path_ / relative); }
  // Names of the entries of a folder (temporary files left behind show here).
  std::vector<std::string> entries(const fs::path& relative = {}) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(relative.empty() ? path_ : path_ / relative))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path path_;
};

}  // namespace kova::testing
