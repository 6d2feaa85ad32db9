#pragma once
// The shared text file writer: the counterpart of util/text_file.h. Texts
// are encoded in one of the written encodings and a file is replaced as a
// whole, so a reader (another instance, an editor, the next run) finds
// either the old file or the complete new one.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/text_file.h"
#include "util/text_file_host.h"
#include "util/u16.h"

namespace kova {

// The written encodings. The numbers are the write-mode codes scripts use
// (F_WRITE 4, F_WRITE1 8, F_WRITE8 16, F_WRITE8B 32, F_WRITE16 64); 4 is
// what a file opened with F_WRITE gets when no encoding was detected.
enum class WriteEncoding : int {
  AnsiOrUtf8 = 4,  // ANSI when every character has a code there, else UTF-8 without mark
  Ansi = 8,        // the ANSI code page; characters without a code become '?'
  Utf8 = 16,       // UTF-8 without byte-order mark
  Utf8Bom = 32,    // EF BB BF, then UTF-8
  Utf16Le = 64,    // FF FE, then UTF-16 little endian
};

// The encoding that writes a file back the way it was read. A file detected
// as ANSI gets AnsiOrUtf8: pure ASCII counts as ANSI, and plain ANSI would
// turn every character added later outside the code page into '?'.
WriteEncoding writeEncodingFor(TextEncoding detected);

// The encoding for a write-mode code; nullopt for codes other than the five.
std::optional<WriteEncoding> writeEncodingFromCode(int code);

struct EncodeOptions {
  // The Japanese interface's rule for ANSI output: U+00A5 YEN SIGN becomes
  // '\' (code page 932 shows 0x5C as a yen sign and has no other code for
  // it). Applies to Ansi, and to AnsiOrUtf8 when it chooses ANSI.
  bool yenToBackslash = false;
};

// True when every character of `text` has a code in the ANSI code page (no
// best-fit substitutes).
bool isAnsiRepresentable(u16v text, TextFileHost& host);

// Encodes a text. `lossless`, when given, reports whether every character
// was kept (false only for Ansi and unpaired surrogates).
std::string encodeText(u16v text, WriteEncoding encoding, TextFileHost& host,
                       const EncodeOptions& options = {}, bool* lossless = nullptr);

// Encodes lines joined by CR LF; with `finalLineBreak` the last line ends
// with CR LF too. AnsiOrUtf8 decides for the text as a whole.
std::string encodeLines(const std::vector<u16>& lines, WriteEncoding encoding, TextFileHost& host,
                        bool finalLineBreak = true, const EncodeOptions& options = {},
                        bool* lossless = nullptr);

// Replaces the file `path` by `bytes` (creating it when missing). The bytes
// go to a temporary file in the same folder, which then replaces the file
// in one step, so a failure never leaves a truncated or half-written file:
// the old file stays as it was and the temporary file is removed. A failed
// try is repeated: up to 10 tries, each failure followed by an 80 ms sleep
// and 20 rounds of yielding and processing window messages (another
// instance or an editor may hold the file for a moment). False when every
// try failed.
bool writeTextFile(const u16& path, std::string_view bytes, TextFileHost& host);

}  // namespace kova
