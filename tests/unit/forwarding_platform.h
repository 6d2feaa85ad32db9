#pragma once
// A platform that hands every call to the host platform: tests derive from
// it and replace the few calls they watch or fake.

#include "platform/platform.h"

namespace kova::testing {

class ForwardingPlatform : public Platform {
 public:
  void processMessages() override { host().processMessages(); }
  bool messagesPending() override { return host().messagesPending(); }
  void yieldTimeSlice() override { host().yieldTimeSlice(); }
  void sleepMs(uint32_t ms) override { host().sleepMs(ms); }
  uint32_t tickCount() override { return host().tickCount(); }
  uint64_t currentThreadId() override { return host().currentThreadId(); }
  u16 currentDirectory() override { return host().currentDirectory(); }
  bool setCurrentDirectory(const u16& path) override { return host().setCurrentDirectory(path); }
  bool fileExists(const u16& path) override { return host().fileExists(path); }
  bool directoryExists(const u16& path) override { return host().directoryExists(path); }
  std::optional<uint32_t> fileDosTime(const u16& path) override { return host().fileDosTime(path); }
  std::optional<std::string> readFileBytes(const u16& path) override { return host().readFileBytes(path); }
  std::optional<uint64_t> fileSize(const u16& path) override { return host().fileSize(path); }
  bool writeFileBytes(const u16& path, std::string_view bytes) override { return host().writeFileBytes(path, bytes); }
  bool replaceFile(const u16& from, const u16& to) override { return host().replaceFile(from, to); }
  bool deleteFile(const u16& path) override { return host().deleteFile(path); }
  bool createDirectory(const u16& path) override { return host().createDirectory(path); }
  std::optional<std::vector<DirectoryEntry>> listDirectory(const u16& folder) override {
    return host().listDirectory(folder);
  }
  uint64_t openExclusive(const u16& path, bool create, std::string& bytes) override {
    return host().openExclusive(path, create, bytes);
  }
  void closeExclusive(uint64_t handle) override { host().closeExclusive(handle); }
  u16 roamingAppDataDirectory() override { return host().roamingAppDataDirectory(); }
  u16 executablePath() override { return host().executablePath(); }
  u16 windowsDirectory() override { return host().windowsDirectory(); }
  u16 systemDirectory() override { return host().systemDirectory(); }
  unsigned ansiCodePage() override { return host().ansiCodePage(); }
  u16 codePageToWide(unsigned cp, std::string_view bytes) override { return host().codePageToWide(cp, bytes); }
  std::string wideToCodePage(unsigned cp, u16v text, bool* lossless) override {
    return host().wideToCodePage(cp, text, lossless);
  }
  bool systemLanguageIsJapanese() override { return host().systemLanguageIsJapanese(); }
  double localDateTimeNow() override { return host().localDateTimeNow(); }
  std::unique_ptr<ChildProcess> startProcess(const ProcessStart& start) override { return host().startProcess(start); }
  u16 decodeCommandOutput(std::string_view bytes) override { return host().decodeCommandOutput(bytes); }
  OsVersion osVersion() override { return host().osVersion(); }
  std::optional<CpuTimes> cpuTimes() override { return host().cpuTimes(); }
  size_t currentThreadStackSize() override { return host().currentThreadStackSize(); }
  // Sound and power stay the base class's silent defaults: no test makes
  // noise or reaches the power calls through this platform.

 protected:
  static Platform& host() { return hostPlatform(); }
};

}  // namespace kova::testing
