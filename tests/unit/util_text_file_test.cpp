#include <gtest/gtest.h>

#include <random>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "util/text_file.h"

namespace kova {
namespace {

// A platform whose file is held in memory and whose reads can be made to
// fail; it counts what the reader asks of it. Code pages are converted by
// the real host platform with an ANSI code page chosen by the test.
class FakePlatform : public Platform {
 public:
  unsigned ansi = 1252;
  bool exists = true;
  int failuresLeft = 0;
  std::string content;

  int reads = 0;
  int yields = 0;
  int pumps = 0;
  std::vector<uint32_t> sleeps;

  void processMessages() override { ++pumps; }
  bool messagesPending() override { return false; }
  void yieldTimeSlice() override { ++yields; }
  void sleepMs(uint32_t ms) override { sleeps.push_back(ms); }
  uint32_t tickCount() override { return 0; }
  uint64_t currentThreadId() override { return 1; }
  u16 currentDirectory() override { return {}; }
  bool setCurrentDirectory(const u16&) override { return false; }
  bool fileExists(const u16&) override { return exists; }
  bool directoryExists(const u16&) override { return false; }
  std::optional<uint32_t> fileDosTime(const u16&) override { return std::nullopt; }
  std::optional<std::string> readFileBytes(const u16&) override {
    ++reads;
    if (failuresLeft > 0) {
      --failuresLeft;
      return std::nullopt;
    }
    return content;
  }
  unsigned ansiCodePage() override { return ansi; }
  u16 codePageToWide(unsigned cp, std::string_view bytes) override { return hostPlatform().codePageToWide(cp, bytes); }
  std::string wideToCodePage(unsigned cp, u16v text, bool* lossless) override {
    return hostPlatform().wideToCodePage(cp, text, lossless);
  }
  bool systemLanguageIsJapanese() override { return ansi == kJapaneseCodePage; }
};

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

// --- Decoding --------------------------------------------------------------------

TEST(DecodeText, Utf16LittleEndianMark) {
  FakePlatform p;
  const std::string body = bytes({'A', 0, 0x42, 0x30, 0x3D, 0xD8, 0x00, 0xDE, '\r', 0, '\n', 0});
  EXPECT_EQ(decodeTextBytes(bytes({0xFF, 0xFE}) + body, p), u"A\u3042\U0001F600\r\n");
  // An odd final byte is dropped, not decoded.
  EXPECT_EQ(decodeTextBytes(bytes({0xFF, 0xFE}) + body + "Z", p), u"A\u3042\U0001F600\r\n");
  EXPECT_EQ(decodeTextBytes(bytes({0xFF, 0xFE, 'x'}), p), u"");
  EXPECT_EQ(decodeTextBytes(bytes({0xFF, 0xFE}), p), u"");
  // A lone FF is no mark: the byte is decoded from the ANSI code page.
  EXPECT_EQ(decodeTextBytes(bytes({0xFF}), p), u"\u00FF");
}

TEST(DecodeText, Utf8Mark) {
  FakePlatform p;
  EXPECT_EQ(decodeTextBytes(bytes({0xEF, 0xBB, 0xBF}), p), u"");
  EXPECT_EQ(decodeTextBytes(bytes({0xEF, 0xBB, 0xBF}) + "caf\xC3\xA9", p), u"caf\u00E9");
  // After the mark the text is UTF-8 even when ill-formed: no ANSI fallback.
  EXPECT_EQ(decodeTextBytes(bytes({0xEF, 0xBB, 0xBF}) + "caf\xE9", p), u"caf\uFFFD");
  // Only the first two bytes of the mark: not a mark.
  EXPECT_EQ(decodeTextBytes(bytes({0xEF, 0xBB}), p), u"\u00EF\u00BB");
}

TEST(DecodeText, WithoutMarkUtf8WinsOnlyWhenWellFormed) {
  FakePlatform p;
  EXPECT_EQ(decodeTextBytes("plain \\ text~", p), u"plain \\ text~");
  EXPECT_EQ(decodeTextBytes("caf\xC3\xA9", p), u"caf\u00E9");           // not "cafÃ©"
  EXPECT_EQ(decodeTextBytes("caf\xE9 \x80", p), u"caf\u00E9 \u20AC");  // ANSI 1252
  EXPECT_EQ(decodeTextBytes("ok \xC3\xA9 then \xE9", p), u"ok \u00C3\u00A9 then \u00E9");

  p.ansi = kJapaneseCodePage;
  // Shift_JIS "あいう" is not UTF-8; UTF-8 "あ" is taken as UTF-8 although it
  // would also decode as Shift_JIS.
  EXPECT_EQ(decodeTextBytes("\x82\xA0\x82\xA2\x82\xA4", p), u"\u3042\u3044\u3046");
  EXPECT_EQ(decodeTextBytes("\xE3\x81\x82", p), u"\u3042");
  EXPECT_EQ(decodeTextBytes("\xB1\xB2\xB3", p), u"\uFF71\uFF72\uFF73");  // half-width katakana
}

// --- Lines -----------------------------------------------------------------------

TEST(SplitLines, EveryBreakKind) {
  using L = std::vector<u16>;
  EXPECT_EQ(splitLines(u""), L{});
  EXPECT_EQ(splitLines(u"a"), L{u"a"});
  EXPECT_EQ(splitLines(u"a\n"), L{u"a"});
  EXPECT_EQ(splitLines(u"a\r\nb\r\n"), (L{u"a", u"b"}));
  EXPECT_EQ(splitLines(u"a\rb\nc"), (L{u"a", u"b", u"c"}));
  EXPECT_EQ(splitLines(u"a\n\r"), (L{u"a", u""}));     // LF CR is two breaks
  EXPECT_EQ(splitLines(u"a\r\r\nb"), (L{u"a", u"", u"b"}));
  EXPECT_EQ(splitLines(u"\n\n"), (L{u"", u""}));
  EXPECT_EQ(splitLines(u"\r"), (L{u""}));
  EXPECT_EQ(splitLines(u"x\u2028y\x0Bz"), (L{u"x\u2028y\x0Bz"}));  // no other separators
}

// --- Reading with retries ----------------------------------------------------------

TEST(ReadTextFile, MissingFileIsNotRead) {
  FakePlatform p;
  p.exists = false;
  const TextFileLines r = readTextFileLines(u"x.kov", p);
  EXPECT_EQ(r.failure, ReadFailure::NotFound);
  EXPECT_EQ(p.reads, 0);
}

TEST(ReadTextFile, RetriesALockedFileUntilItOpens) {
  FakePlatform p;
  p.content = "line 1\r\nline 2";
  p.failuresLeft = 3;
  const TextFileLines r = readTextFileLines(u"x.kov", p);
  EXPECT_EQ(r.failure, ReadFailure::None);
  EXPECT_EQ(r.lines, (std::vector<u16>{u"line 1", u"line 2"}));
  EXPECT_EQ(p.reads, 4);
  EXPECT_EQ(p.sleeps, (std::vector<uint32_t>{80, 80, 80}));
  EXPECT_EQ(p.yields, 60);
  EXPECT_EQ(p.pumps, 60);
}

TEST(ReadTextFile, GivesUpAfterTenAttempts) {
  FakePlatform p;
  p.failuresLeft = 1000;
  const TextFileLines r = readTextFileLines(u"x.kov", p);
  EXPECT_EQ(r.failure, ReadFailure::Unreadable);
  EXPECT_TRUE(r.lines.empty());
  EXPECT_EQ(p.reads, 10);
  EXPECT_EQ(p.sleeps, std::vector<uint32_t>(9, 80));

  // The tenth attempt still counts.
  FakePlatform last;
  last.content = "ok";
  last.failuresLeft = 9;
  EXPECT_EQ(readTextFileLines(u"x.kov", last).lines, std::vector<u16>{u"ok"});
}

TEST(ReadTextFile, EmptyAndMarkOnlyFilesHaveNoLines) {
  FakePlatform p;
  EXPECT_TRUE(readTextFileLines(u"x", p).lines.empty());
  p.content = bytes({0xEF, 0xBB, 0xBF});
  const TextFileLines r = readTextFileLines(u"x", p);
  EXPECT_EQ(r.failure, ReadFailure::None);
  EXPECT_TRUE(r.lines.empty());
}

// A real file on disk through the host platform: several megabytes in one
// line cross every read and conversion buffer.
TEST(ReadTextFile, HostPlatformReadsAFileWithAHugeLine) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("kova-text-file-" + std::to_string(std::random_device{}()) + ".kov");
  std::string longLine(5 * 1024 * 1024 + 3, 'x');
  for (size_t i = 0; i < longLine.size(); i += 4096) longLine[i] = 'a' + char(i % 26);
  {
    std::ofstream out(path, std::ios::binary);
    out << "\xEF\xBB\xBF" << "first \xE6\x97\xA5\r\n" << longLine << "\nlast";
  }
  const TextFileLines r = readTextFileLines(path.u16string(), hostPlatform());
  std::filesystem::remove(path);
  ASSERT_EQ(r.failure, ReadFailure::None);
  ASSERT_EQ(r.lines.size(), 3u);
  EXPECT_EQ(r.lines[0], u"first \u65E5");
  EXPECT_EQ(r.lines[1], fromUtf8(longLine));
  EXPECT_EQ(r.lines[2], u"last");
}

}  // namespace
}  // namespace kova
