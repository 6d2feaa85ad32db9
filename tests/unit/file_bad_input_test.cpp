// Bad input for the file built-ins: paths with characters Windows refuses,
// a folder where a file is expected, files of hundreds of megabytes, a line
// of 100 MB, lines and columns far beyond the end. Each gives the right
// result or a clear message, in bounded memory and bounded time. The big
// files are made at test time in a temporary folder (a sparse file where
// only the size matters).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "script_test_support.h"

namespace kova {
namespace {

using testing::RecordingHost;
using testing::ScriptFolder;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Clock = std::chrono::steady_clock;

struct Run {
  int exitCode = 0;
  std::vector<std::string> printed, errors, messages;
};

Run runIn(const ScriptFolder& folder, const std::string& script) {
  folder.write("main.kov", script);
  RecordingHost host;
  Player player(hostPlatform(), host);
  ScriptLaunch loaded;
  Run out;
  out.exitCode = player.load(folder.widePath("main.kov"), loaded) ? player.play(loaded) : 1;
  out.printed = host.printed;
  out.errors = host.errors;
  out.messages = host.messages;
  return out;
}

long long msSince(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

TEST(FileBadInput, PathsWithInvalidCharactersOpenNothingAndCannotBeWritten) {
  ScriptFolder f;
  auto r = runIn(f,
                 "PRINT FOPEN(\"a<b.txt\")\n"
                 "PRINT FOPEN(\"a?.txt\", F_EXISTS)\n"
                 "PRINT FOPEN(\"*.kov\", F_EXISTS)\n"
                 "PRINT FOPEN(\"a|b\" + CHR(9) + \".txt\", F_READ + F_EXCLUSIVE)\n"
                 "id = FOPEN(\"a>b.txt\", F_WRITE)\n"
                 "FPUT(id, \"x\")\n"
                 "PRINT FCLOSE(id, TRUE)\n"
                 "PRINT GETDIR(\"a*b\")\n");
  EXPECT_THAT(r.errors, IsEmpty());
  EXPECT_THAT(r.printed, ElementsAre("-1", "False", "False", "-1", "False", "0"));
  // Nothing was created, not even a temporary file.
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(f.path(""))) names.push_back(e.path().filename().string());
  EXPECT_THAT(names, ElementsAre("main.kov"));
}

TEST(FileBadInput, AFolderWhereAFileIsExpected) {
  ScriptFolder f;
  f.write("sub/keep.txt", "x\r\n");
  auto r = runIn(f,
                 "PRINT FOPEN(\"sub\")\n"
                 "PRINT FOPEN(\"sub\", F_EXISTS)\n"
                 "PRINT FOPEN(\"sub\\\", F_EXISTS)\n"
                 "PRINT FOPEN(\"sub\", F_READ + F_EXCLUSIVE + F_WRITE)\n"
                 "id = FOPEN(\"sub\", F_READ + F_WRITE)\n"
                 "FPUT(id, \"x\")\n"
                 "PRINT FCLOSE(id)\n"
                 "PRINT GETDIR(\"sub\\keep.txt\")\n");
  EXPECT_THAT(r.printed, ElementsAre("-1", "False", "True", "-1", "False", "0"));
  // Writing over a folder fails with the warning of FCLOSE.
  ASSERT_EQ(r.errors.size() + r.messages.size(), 1u);
  const std::string warning = r.errors.empty() ? r.messages[0] : r.errors[0];
  EXPECT_THAT(warning, ::testing::HasSubstr("Can't be written in"));
  EXPECT_TRUE(std::filesystem::is_directory(f.path("sub")));
  EXPECT_TRUE(std::filesystem::exists(f.path("sub/keep.txt")));
}

TEST(FileBadInput, AFileOfHundredsOfMegabytesIsRefusedWithAMessage) {
  ScriptFolder f;
  {
    std::ofstream(f.path("huge.txt"), std::ios::binary) << "x";
  }
  // Sparse: the size without the disk space or the time to write it.
  std::filesystem::resize_file(f.path("huge.txt"), uint64_t(300) << 20);
  const auto start = Clock::now();
  auto r = runIn(f,
                 "TRY\n  id = FOPEN(\"huge.txt\")\n  PRINT \"opened\"\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\n"
                 "TRY\n  id = FOPEN(\"huge.txt\", F_READ + F_EXCLUSIVE)\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\n"
                 // writing it anew reads nothing, so it is allowed
                 "id = FOPEN(\"huge.txt\", F_WRITE)\n"
                 "PRINT id\n"
                 "FPUT(id, \"small now\")\n"
                 "PRINT FCLOSE(id)\n");
  EXPECT_THAT(r.errors, IsEmpty());
  EXPECT_THAT(r.printed, ElementsAre("FOPEN: The file is too large (up to 128 MB): huge.txt",
                                     "FOPEN: The file is too large (up to 128 MB): huge.txt", "1", "True"));
  EXPECT_EQ(std::filesystem::file_size(f.path("huge.txt")), 11u);
  EXPECT_LT(msSince(start), 10000);
  // Uncaught, the message stops the run.
  std::filesystem::resize_file(f.path("huge.txt"), uint64_t(200) << 20);
  r = runIn(f, "id = FOPEN(\"huge.txt\")\nPRINT \"not reached\"\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_THAT(r.printed, IsEmpty());
  ASSERT_FALSE(r.errors.empty());
  EXPECT_THAT(r.errors[0], ::testing::HasSubstr("FOPEN: The file is too large (up to 128 MB): huge.txt"));
}

TEST(FileBadInput, ALineOf100MegabytesIsReadWhole) {
  ScriptFolder f;
  {
    std::ofstream out(f.path("long.txt"), std::ios::binary);
    const std::string chunk(1 << 20, 'a');
    for (int i = 0; i < 100; ++i) out << chunk;
    out << "\r\nend\r\n";
  }
  const auto start = Clock::now();
  auto r = runIn(f,
                 "id = FOPEN(\"long.txt\")\n"
                 "PRINT FGET(id, F_LINECOUNT)\n"
                 "PRINT LENGTH(FGET(id, 1))\n"
                 "PRINT FGET(id, 2)\n"
                 "PRINT COPY(FGET(id, 1), 104857598)\n"
                 "FCLOSE(id)\n");
  EXPECT_THAT(r.errors, IsEmpty());
  EXPECT_THAT(r.printed, ElementsAre("2", "104857600", "end", "aaa"));
  // A few seconds in an optimised build; unoptimised and sanitizer builds
  // walk the 100 MB several times more slowly.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(NDEBUG)
  EXPECT_LT(msSince(start), 180000);
#else
  EXPECT_LT(msSince(start), 30000);
#endif
}

TEST(FileBadInput, LinesAndColumnsFarBeyondTheEnd) {
  ScriptFolder f;
  f.write("t.txt", "one\r\ntwo\r\n");
  auto r = runIn(f,
                 "id = FOPEN(\"t.txt\", F_READ + F_WRITE)\n"
                 "PRINT \"[\" + FGET(id, 2147483648) + \"]\"\n"
                 "PRINT \"[\" + FGET(id, 9223372036854775807) + \"]\"\n"
                 "PRINT FGET(id, -2147483649)\n"
                 "PRINT \"[\" + FGET(id, 1, 2147483648) + \"]\"\n"
                 "TRY\n  FPUT(id, \"x\", 2147483648)\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\n"
                 "TRY\n  FPUT(id, \"x\", 1, 2147483648)\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\n"
                 "FPUT(id, \"far\", 8388608)\n"
                 "PRINT FGET(id, F_LINECOUNT)\n"
                 "TRY\n  FPUT(id, \"one more\")\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\n"
                 "FDELLINE(id, 2147483648)\n"
                 "FDELLINE(id, 8388608)\n"
                 "PRINT FGET(id, F_LINECOUNT)\n"
                 "FPUT(id, \"c\", 1, 1048576)\n"
                 "PRINT LENGTH(FGET(id, 1))\n");  // the run's end closes without writing
  EXPECT_THAT(r.errors, IsEmpty());
  EXPECT_THAT(r.printed, ElementsAre("[]", "[]", "-1", "[]", "FPUT: Too many lines (up to 8388608): 2147483648",
                                     "FPUT: The column number is too large (up to 1048576): 2147483648", "8388608",
                                     "FPUT: Too many lines (up to 8388608): 8388609", "8388607",
                                     std::to_string(3 + 1048575 + 1)));
}

TEST(FileBadInput, AFileOfTooManyLinesIsRefusedWithAMessage) {
  ScriptFolder f;
  {
    std::ofstream out(f.path("many.txt"), std::ios::binary);
    out << std::string((size_t(1) << 23) + 1, '\n');
  }
  auto r = runIn(f, "TRY\n  id = FOPEN(\"many.txt\")\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\n");
  EXPECT_THAT(r.printed, ElementsAre("FOPEN: The file has too many lines (up to 8388608): many.txt"));
  // One line fewer is still fine.
  std::filesystem::resize_file(f.path("many.txt"), size_t(1) << 23);
  r = runIn(f, "id = FOPEN(\"many.txt\")\nPRINT FGET(id, F_LINECOUNT)\n");
  EXPECT_THAT(r.errors, IsEmpty());
  EXPECT_THAT(r.printed, ElementsAre("8388608"));
}

}  // namespace
}  // namespace kova
