#pragma once
// The files a script has open with FOPEN: 32 slots per engine, each holding
// a whole text file as a list of lines. FCLOSE writes a slot back; a run's
// end (TUScript::endRun drops the table) releases every slot and its lock
// without writing.

#include <array>
#include <cstdint>
#include <vector>

#include "builtins/builtin_call.h"
#include "util/u16.h"

namespace kova {

// Open-mode bits of FOPEN.
enum FileMode : int {
  kFileExists = 1,
  kFileRead = 2,
  kFileWrite = 4,
  kFileWrite1 = 8,
  kFileWrite8 = 16,
  kFileWrite8B = 32,
  kFileWrite16 = 64,
  kFileNoCr = 128,
  kFileTab = 256,
  kFileExclusive = 512,
  kFileAnyWrite = kFileWrite | kFileWrite1 | kFileWrite8 | kFileWrite8B | kFileWrite16,
};

// Limits that keep a script's files in bounded memory (each line costs its
// text plus about 32 bytes): FOPEN refuses larger files and files with
// more lines, FPUT lines and columns beyond these, each with a catchable
// message. A 128 MB file of 8 million lines takes about 0.8 GB while open.
inline constexpr uint64_t kMaxFileBytes = uint64_t(128) << 20;
inline constexpr size_t kMaxLines = size_t(1) << 23;     // 8,388,608
inline constexpr size_t kMaxColumns = size_t(1) << 20;   // 1,048,576

struct OpenFile {
  u16 path;               // empty: the slot is free
  int writeEncoding = 0;  // 0: not written at FCLOSE; else a write-mode code (4..64)
  bool noFinalBreak = false;
  bool exclusive = false;
  bool tab = false;
  std::vector<u16> lines;
  uint64_t lock = 0;  // Platform::openExclusive handle while held

  bool inUse() const { return !path.empty(); }
  char16_t separator() const { return tab ? u'\t' : u','; }
};

class FileTable : public TUScript::RunState {
 public:
  static constexpr int kSlots = 32;

  explicit FileTable(Platform& platform) : platform_(platform) {}
  ~FileTable() override;
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  // The running script's table, created on first use.
  static FileTable& of(BuiltinCall& call);

  // The slot of a file ID (1..32); null when outside the range.
  OpenFile* slot(long long id);
  // The lowest free slot's index, or -1.
  int freeSlot() const;
  // Releases the lock (if any) and frees the slot.
  void release(OpenFile& file);

 private:
  Platform& platform_;
  std::array<OpenFile, kSlots> slots_{};
};

// Columns of a line split at `separator`; separators between double quotes
// do not split (the quotes stay part of the column text). An empty line is
// one empty column.
std::vector<u16> splitColumns(u16v line, char16_t separator);
// The column text without one pair of enclosing double quotes, with
// doubled quotes inside made single; other texts unchanged.
u16 unquoteColumn(u16v column);
// Replaces column `column` (1-based) of `line`, adding empty columns when
// the line has fewer.
u16 replaceColumn(u16v line, size_t column, u16v text, char16_t separator);
// '*' and '?' wildcard match, letters compared without case; "*.*" matches
// every name, as on Windows.
bool matchesWildcard(u16v name, u16v pattern);

}  // namespace kova
