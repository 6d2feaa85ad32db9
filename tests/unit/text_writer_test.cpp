#include "util/text_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "file_platform_fake.h"
#include "util/text_file.h"

namespace kova {
namespace {

using testing::FilePlatform;
using testing::TempFolder;

// --- Encodings -------------------------------------------------------------------

TEST(TextWriterEncode, EachWrittenEncoding) {
  FilePlatform p;  // code page 1252
  const u16 text = u"A\u00E9\r\n";
  EXPECT_EQ(encodeText(text, WriteEncoding::Ansi, p), "A\xE9\r\n");
  EXPECT_EQ(encodeText(text, WriteEncoding::AnsiOrUtf8, p), "A\xE9\r\n");
  EXPECT_EQ(encodeText(text, WriteEncoding::Utf8, p), "A\xC3\xA9\r\n");
  EXPECT_EQ(encodeText(text, WriteEncoding::Utf8Bom, p),
            "\xEF\xBB\xBF"
            "A\xC3\xA9\r\n");
  EXPECT_EQ(encodeText(text, WriteEncoding::Utf16Le, p), std::string("\xFF\xFE"
                                                                     "A\0\xE9\0\r\0\n\0",
                                                                     10));
  EXPECT_EQ(encodeText(u"", WriteEncoding::Utf16Le, p), "\xFF\xFE");
  // Lines are joined with CR LF; the last one ends with CR LF on request.
  const std::vector<u16> lines = {u"a", u"", u"b"};
  EXPECT_EQ(encodeLines(lines, WriteEncoding::Ansi, p), "a\r\n\r\nb\r\n");
  EXPECT_EQ(encodeLines(lines, WriteEncoding::Ansi, p, false), "a\r\n\r\nb");
  EXPECT_EQ(encodeLines({}, WriteEncoding::Utf8Bom, p), "\xEF\xBB\xBF");
  // The mixed encoding decides once for all lines.
  EXPECT_EQ(encodeLines({u"\u00E9", u"\u3042"}, WriteEncoding::AnsiOrUtf8, p),
            "\xC3\xA9\r\n\xE3\x81\x82\r\n");
}

TEST(TextWriterEncode, CharactersOutsideTheAnsiCodePage) {
  FilePlatform p;
  bool lossless = true;
  // Plain ANSI loses them and says so; the mixed encoding switches to UTF-8
  // for the whole text.
  EXPECT_EQ(encodeText(u"x\u3042", WriteEncoding::Ansi, p, {}, &lossless), "x?");
  EXPECT_FALSE(lossless);
  EXPECT_EQ(encodeText(u"\u00E9\u3042", WriteEncoding::AnsiOrUtf8, p, {}, &lossless), "\xC3\xA9\xE3\x81\x82");
  EXPECT_TRUE(lossless);
  EXPECT_FALSE(isAnsiRepresentable(u"\u3042", p));
  EXPECT_TRUE(isAnsiRepresentable(u"\u20AC\u00E9", p));
  // An unpaired surrogate cannot be kept by any encoding but UTF-16.
  encodeText(u"\xD800", WriteEncoding::Utf8, p, {}, &lossless);
  EXPECT_FALSE(lossless);
  EXPECT_EQ(encodeText(u"\xD800", WriteEncoding::Utf16Le, p, {}, &lossless),
            std::string("\xFF\xFE\x00\xD8", 4));
  EXPECT_TRUE(lossless);
}

TEST(TextWriterEncode, YenSignsUnderTheJapaneseInterface) {
  FilePlatform p;
  p.ansi = kJapaneseCodePage;
  const EncodeOptions yen{true};
  // Code page 932 has no code for U+00A5; the Japanese interface writes the
  // backslash that shows as a yen sign there.
  EXPECT_EQ(encodeText(u"\u00A5100", WriteEncoding::Ansi, p, yen), "\\100");
  EXPECT_EQ(encodeText(u"\u00A5100", WriteEncoding::Ansi, p), "?100");
  EXPECT_EQ(encodeText(u"\u00A5\u3042", WriteEncoding::AnsiOrUtf8, p, yen), "\\\x82\xA0");
  // Without the rule the yen sign is not representable: UTF-8 keeps it.
  EXPECT_EQ(encodeText(u"\u00A5\u3042", WriteEncoding::AnsiOrUtf8, p), "\xC2\xA5\xE3\x81\x82");
  // Other encodings keep the character.
  EXPECT_EQ(encodeText(u"\u00A5", WriteEncoding::Utf8, p, yen), "\xC2\xA5");
}

TEST(TextWriterEncode, ReaderFindsWhatTheWriterWrote) {
  FilePlatform p;
  const u16 text = u"caf\u00E9 \u3042\r\n";
  struct Case {
    WriteEncoding written;
    TextEncoding detected;
  };
  for (const Case c :
       {Case{WriteEncoding::Utf8, TextEncoding::Utf8}, Case{WriteEncoding::Utf8Bom, TextEncoding::Utf8Bom},
        Case{WriteEncoding::Utf16Le, TextEncoding::Utf16Le}}) {
    const DecodedText back = decodeTextBytesDetected(encodeText(text, c.written, p), p);
    EXPECT_EQ(back.text, text);
    EXPECT_EQ(back.encoding, c.detected);
    EXPECT_EQ(writeEncodingFor(back.encoding), c.written);
  }
  const DecodedText ansi = decodeTextBytesDetected(encodeText(u"caf\u00E9", WriteEncoding::Ansi, p), p);
  EXPECT_EQ(ansi.text, u"caf\u00E9");
  EXPECT_EQ(ansi.encoding, TextEncoding::Ansi);
}

// --- Writing files -------------------------------------------------------------------

TEST(WriteTextFile, ReplacesTheWholeFile) {
  TempFolder dir;
  FilePlatform p;
  dir.put("a.txt", "a much longer old content\r\n");
  ASSERT_TRUE(writeTextFile(dir.u("a.txt"), "new", p));
  EXPECT_EQ(dir.get("a.txt"), "new");
  ASSERT_TRUE(writeTextFile(dir.u("b.txt"), "", p));
  EXPECT_EQ(dir.get("b.txt"), "");
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.txt", "b.txt"}));  // no temporary files left
  EXPECT_TRUE(p.sleeps.empty());
  EXPECT_FALSE(writeTextFile(u"", "x", p));
}

TEST(WriteTextFile, RetriesAfterAFailure) {
  TempFolder dir;
  FilePlatform p;
  p.failWrites = 2;
  p.failReplaces = 1;
  ASSERT_TRUE(writeTextFile(dir.u("a.txt"), "data", p));
  EXPECT_EQ(dir.get("a.txt"), "data");
  EXPECT_EQ(p.sleeps, (std::vector<uint32_t>{80, 80, 80}));
  EXPECT_EQ(p.pumps, 60);
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.txt"});
}

TEST(WriteTextFile, FailureKeepsTheOriginalUntouched) {
  TempFolder dir;
  FilePlatform p;
  dir.put("a.txt", "original");
  // Every try breaks off half-way through the data.
  p.failWrites = 100;
  EXPECT_FALSE(writeTextFile(dir.u("a.txt"), "replacement text", p));
  EXPECT_EQ(p.writes, 10);
  EXPECT_EQ(p.sleeps.size(), 9u);
  EXPECT_EQ(dir.get("a.txt"), "original");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.txt"});
  // The data is written but cannot be moved into place.
  p.failWrites = 0;
  p.failReplaces = 100;
  EXPECT_FALSE(writeTextFile(dir.u("a.txt"), "replacement text", p));
  EXPECT_EQ(dir.get("a.txt"), "original");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.txt"});
  // A folder in the way is not replaced.
  p.failReplaces = 0;
  testing::fs::create_directories(dir.path() / "sub" / "inner");
  EXPECT_FALSE(writeTextFile(dir.u("sub"), "x", p));
  EXPECT_TRUE(testing::fs::is_directory(dir.path() / "sub" / "inner"));
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.txt", "sub"}));
}

// --- The platform's writing functions ----------------------------------------------

TEST(PlatformFileWriting, FilesAndFolders) {
  TempFolder dir;
  Platform& p = hostPlatform();
  EXPECT_TRUE(p.writeFileBytes(dir.u("f"), std::string("a\0b", 3)));
  EXPECT_EQ(dir.get("f"), std::string("a\0b", 3));
  EXPECT_FALSE(p.writeFileBytes(dir.u("missing/f"), "x"));

  dir.put("g", "new");
  EXPECT_TRUE(p.replaceFile(dir.u("g"), dir.u("f")));
  EXPECT_EQ(dir.get("f"), "new");
  EXPECT_FALSE(dir.has("g"));
  EXPECT_FALSE(p.replaceFile(dir.u("g"), dir.u("f")));
  EXPECT_EQ(dir.get("f"), "new");

  EXPECT_TRUE(p.createDirectory(dir.u("x/y/z")));
  EXPECT_TRUE(testing::fs::is_directory(dir.path() / "x" / "y" / "z"));
  EXPECT_TRUE(p.createDirectory(dir.u("x/y")));
  EXPECT_FALSE(p.createDirectory(dir.u("f/sub")));  // a file where a folder should be

  EXPECT_FALSE(p.deleteFile(dir.u("x")));  // never a folder
  EXPECT_TRUE(testing::fs::is_directory(dir.path() / "x"));
  EXPECT_TRUE(p.deleteFile(dir.u("f")));
  EXPECT_FALSE(dir.has("f"));
  EXPECT_TRUE(p.deleteFile(dir.u("f")));  // already gone

  EXPECT_TRUE(p.fileExists(p.executablePath()));
}

}  // namespace
}  // namespace kova
