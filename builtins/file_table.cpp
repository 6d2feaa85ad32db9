#include "builtins/file_table.h"

namespace kova {

FileTable::~FileTable() {
  for (OpenFile& f : slots_)
    if (f.lock != 0) platform_.closeExclusive(f.lock);
}

FileTable& FileTable::of(BuiltinCall& call) {
  std::unique_ptr<TUScript::RunState>& slot = call.fileTableSlot();
  if (!slot) slot = std::make_unique<FileTable>(call.platform());
  return static_cast<FileTable&>(*slot);
}

OpenFile* FileTable::slot(long long id) {
  if (id < 1 || id > kSlots) return nullptr;
  return &slots_[static_cast<size_t>(id - 1)];
}

int FileTable::freeSlot() const {
  for (int i = 0; i < kSlots; ++i)
    if (!slots_[static_cast<size_t>(i)].inUse()) return i;
  return -1;
}

void FileTable::release(OpenFile& file) {
  if (file.lock != 0) platform_.closeExclusive(file.lock);
  file = OpenFile();
}

std::vector<u16> splitColumns(u16v line, char16_t separator) {
  std::vector<u16> out(1);
  bool quoted = false;
  for (char16_t c : line) {
    if (c == u'"') quoted = !quoted;
    if (c == separator && !quoted) {
      out.emplace_back();
      continue;
    }
    out.back().push_back(c);
  }
  return out;
}

u16 unquoteColumn(u16v column) {
  if (column.size() < 2 || column.front() != u'"' || column.back() != u'"') return u16(column);
  return replaceAll(column.substr(1, column.size() - 2), u"\"\"", u"\"");
}

u16 replaceColumn(u16v line, size_t column, u16v text, char16_t separator) {
  std::vector<u16> cols = splitColumns(line, separator);
  if (cols.size() < column) cols.resize(column);
  cols[column - 1] = u16(text);
  u16 out;
  for (size_t i = 0; i < cols.size(); ++i) {
    if (i) out.push_back(separator);
    out += cols[i];
  }
  return out;
}

bool matchesWildcard(u16v name, u16v pattern) {
  if (pattern == u"*.*") return true;
  // Greedy scan that backtracks only to the last '*': linear in practice.
  size_t n = 0, p = 0, starP = u16::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == u'?' || upperChar(pattern[p]) == upperChar(name[n]))) {
      ++p;
      ++n;
    } else if (starP != u16::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace kova
