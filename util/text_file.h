#pragma once
// The shared text file reader: every text file the program reads (scripts,
// included scripts, settings, files opened by scripts) is decoded here by
// one rule set, so a file means the same text wherever it is read.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/text_file_host.h"
#include "util/u16.h"

namespace kova {

// Decodes raw file bytes:
//  - FF FE: UTF-16 little endian (an odd final byte is dropped);
//  - EF BB BF: UTF-8 after the mark;
//  - otherwise the bytes are decoded both as UTF-8 and from the ANSI code
//    page: equal results (pure ASCII) give the ANSI text; when they differ
//    and the bytes are well-formed UTF-8 the UTF-8 text is used; else ANSI.
u16 decodeTextBytes(std::string_view bytes, TextFileHost& host);

// The encoding decodeTextBytes recognised. Pure ASCII bytes count as Ansi.
enum class TextEncoding { Ansi, Utf8, Utf8Bom, Utf16Le };

// Classifies raw file bytes by the rules of decodeTextBytes.
TextEncoding detectTextEncoding(std::string_view bytes);

struct DecodedText {
  u16 text;
  TextEncoding encoding = TextEncoding::Ansi;
};

// decodeTextBytes together with the encoding it recognised.
DecodedText decodeTextBytesDetected(std::string_view bytes, TextFileHost& host);

// Splits at CR LF, CR or LF. A final line break does not add an empty line;
// an empty text has no lines.
std::vector<u16> splitLines(u16v text);
// splitLines into `lines`, unless the text has more than `maxLines` lines:
// then false, and `lines` is left empty (the text is read only once).
bool splitLinesAtMost(u16v text, size_t maxLines, std::vector<u16>& lines);

enum class ReadFailure { None, NotFound, Unreadable };

struct TextFileLines {
  ReadFailure failure = ReadFailure::None;
  std::vector<u16> lines;
};

// Reads and decodes a text file into lines. A file that exists but cannot
// be opened is retried: up to 10 attempts, 80 ms apart, each pause followed
// by 20 rounds of yielding the time slice and processing window messages
// (so a file still being written by an editor is read once it is free).
TextFileLines readTextFileLines(const u16& path, TextFileHost& host);

struct FileBytes {
  ReadFailure failure = ReadFailure::None;
  std::string bytes;
};

// The raw bytes of a file, with the retry rule of readTextFileLines.
FileBytes readFileBytesRetrying(const u16& path, TextFileHost& host);

struct TextFileText {
  ReadFailure failure = ReadFailure::None;
  TextEncoding encoding = TextEncoding::Ansi;  // Ansi when the file was not read
  u16 text;
};

// Reads and decodes a whole text file (retrying like readTextFileLines) and
// reports the encoding it was found in.
TextFileText readTextFile(const u16& path, TextFileHost& host);

}  // namespace kova
