#include "util/settings_file.h"

#include <string_view>

#include "util/ini_file.h"
#include "util/text_file.h"
#include "util/text_writer.h"

namespace kova {

namespace {

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

u16 join(u16v folder, u16v name) {
  u16 out(folder);
  if (!out.empty() && !isSeparator(out.back())) out += u'\\';
  out += name;
  return out;
}

// The parent of a folder, up to and including its last separator ("C:\a\b"
// -> "C:\a\"); a root is its own parent.
u16 parentWithSeparator(u16v folder) {
  while (folder.size() > 1 && isSeparator(folder.back())) folder.remove_suffix(1);
  const size_t sep = folder.find_last_of(u"\\/");
  if (sep == u16v::npos) return u16(folder) + u'\\';
  return u16(folder.substr(0, sep + 1));
}

bool hasUtf8Mark(std::string_view bytes) { return bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF"; }

// UTF-8 when the bytes decode and encode back to themselves, else ANSI.
u16 decodeValue(const std::string& raw, TextFileHost& host) {
  if (isValidUtf8(raw)) {
    u16 text = fromUtf8(raw);
    if (toUtf8(text) == raw) return text;
  }
  return host.ansiToWide(raw);
}

// An ANSI INI text turned into UTF-8 line by line: a line that already reads
// as UTF-8 (see decodeValue) is kept, so a file that has UTF-8 values among
// ANSI ones reads the same afterwards.
std::string ansiIniToUtf8(std::string_view bytes, TextFileHost& host) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  while (!bytes.empty()) {
    size_t len = bytes.find_first_of("\r\n");
    if (len == std::string_view::npos)
      len = bytes.size();
    else
      len += bytes.compare(len, 2, "\r\n") == 0 ? 2 : 1;
    out += toUtf8(decodeValue(std::string(bytes.substr(0, len)), host));
    bytes.remove_prefix(len);
  }
  return out;
}

}  // namespace

SettingsFile::SettingsFile(TextFileHost& host, u16v exeFolder, u16v exeFileName)
    : host_(host), exeFolder_(exeFolder) {
  const size_t dot = exeFileName.rfind(u'.');
  fileName_ = upperFull(u16(exeFileName.substr(0, dot)) + u".INI");
  const u16 roaming = host_.roamingAppDataDirectory();
  if (!roaming.empty()) perUserFolder_ = join(roaming, u"KOVA");
  perUser_ = !perUserFolder_.empty() && host_.fileExists(perUserFile());
}

SettingsFile SettingsFile::forRunningProgram(TextFileHost& host) {
  const u16 exe = host.executablePath();
  const size_t sep = exe.find_last_of(u"\\/");
  if (sep == u16::npos) return SettingsFile(host, {}, exe);
  return SettingsFile(host, u16v(exe).substr(0, sep + 1), u16v(exe).substr(sep + 1));
}

u16 SettingsFile::exeFolderFile() const { return join(exeFolder_, fileName_); }

u16 SettingsFile::perUserFile() const {
  return perUserFolder_.empty() ? u16() : join(perUserFolder_, fileName_);
}

u16 SettingsFile::resolve(u16v file) {
  if (file.empty()) {
    const u16 exeFile = exeFolderFile();
    const u16 userFile = perUserFile();
    if (userFile.empty()) {
      perUser_ = false;
      return exeFile;
    }
    const u16& chosen = perUser_ ? userFile : exeFile;
    const u16& other = perUser_ ? exeFile : userFile;
    if (!host_.fileExists(chosen) && host_.fileExists(other)) {
      perUser_ = !perUser_;
      return other;
    }
    return chosen;
  }
  if (file.find_first_of(u"\\/") == u16v::npos) return join(host_.currentDirectory(), file);
  if (startsWith(file, u".\\") || startsWith(file, u"./"))
    return join(host_.currentDirectory(), file.substr(2));
  if (startsWith(file, u"..\\") || startsWith(file, u"../"))
    return parentWithSeparator(host_.currentDirectory()) + u16(file.substr(3));
  return u16(file);
}

u16 SettingsFile::read(u16v section, u16v key, u16v file) {
  const u16 path = resolve(file);
  IniText text;
  if (loadIniFile(path, host_, text) != IniStatus::Ok) return {};
  std::string raw = iniFindValue(text.bytes, toUtf8(section), toUtf8(key)).value_or(kSettingsMissingValue);
  if (raw == kSettingsMissingValue) {
    raw.clear();
    // A UTF-16 file is searched as UTF-8 already; names without an ANSI
    // form would only find keys spelled with '?'.
    bool sectionOk = false, keyOk = false;
    const std::string ansiSection = host_.wideToAnsi(section, &sectionOk);
    const std::string ansiKey = host_.wideToAnsi(key, &keyOk);
    if (!text.utf16 && sectionOk && keyOk)
      raw = iniFindValue(text.bytes, ansiSection, ansiKey, host_.ansiCodePage()).value_or("");
  }
  return decodeValue(raw, host_);
}

void SettingsFile::write(u16v section, u16v key, u16v value, u16v file, bool force) {
  const bool own = file.empty();
  if (own && dropOwnWrites_ && !force) return;
  const u16 path = resolve(file);
  const bool textsAreAnsi = isAnsiRepresentable(section, host_) && isAnsiRepresentable(key, host_) &&
                            isAnsiRepresentable(value, host_);
  const Names names = prepareForChange(path, own, textsAreAnsi);
  if (writeTo(path, names, section, key, value) || !own || perUser_) return;
  moveToPerUser();
  if (perUser_) writeTo(perUserFile(), Names::Utf8, section, key, value);
}

void SettingsFile::deleteKey(u16v section, u16v key, u16v file) {
  const u16 path = resolve(file);
  if (!host_.fileExists(path)) return;
  prepareForChange(path, file.empty(), true);
  const u16 k(key);
  removeInBothEncodings(path, section, &k);
}

void SettingsFile::eraseSection(u16v section, u16v file) {
  const u16 path = resolve(file);
  if (!host_.fileExists(path)) return;
  prepareForChange(path, file.empty(), true);
  removeInBothEncodings(path, section, nullptr);
}

// The encoding check before a change: a UTF-8 mark is removed; a script's
// ANSI file (or one that is missing or unreadable) keeps ANSI names while
// the texts allow it and is turned into UTF-8 when they do not.
SettingsFile::Names SettingsFile::prepareForChange(const u16& path, bool ownFile, bool textsAreAnsi) {
  const FileBytes file = readFileBytesRetrying(path, host_);
  const bool read = file.failure == ReadFailure::None;
  const TextEncoding encoding = read ? detectTextEncoding(file.bytes) : TextEncoding::Ansi;
  if (encoding == TextEncoding::Utf8Bom) writeTextFile(path, std::string_view(file.bytes).substr(3), host_);
  if (ownFile || encoding != TextEncoding::Ansi) return Names::Utf8;
  if (textsAreAnsi) return Names::Ansi;
  if (read) {
    const std::string converted = ansiIniToUtf8(file.bytes, host_);
    if (converted != file.bytes) writeTextFile(path, converted, host_);
  }
  return Names::Utf8;
}

// True unless the file could not be replaced (the only failure that moves
// the program's own file; an unreadable file is never overwritten).
bool SettingsFile::writeTo(const u16& path, Names names, u16v section, u16v key, u16v value) {
  IniStatus status;
  if (names == Names::Utf8) {
    status = writeIniValue(path, toUtf8(section), toUtf8(key), toUtf8(value), host_, kUtf8CodePage);
  } else {
    status = writeIniValue(path, host_.wideToAnsi(section), host_.wideToAnsi(key), host_.wideToAnsi(value),
                           host_, host_.ansiCodePage());
  }
  return status != IniStatus::WriteFailed;
}

void SettingsFile::moveToPerUser() {
  if (perUserFolder_.empty() || !host_.createDirectory(perUserFolder_)) return;
  perUser_ = true;
  const u16 from = exeFolderFile();
  const u16 to = perUserFile();
  if (!host_.fileExists(from) || host_.fileExists(to)) return;
  const FileBytes old = readFileBytesRetrying(from, host_);
  if (old.failure != ReadFailure::None) return;
  std::string_view bytes = old.bytes;
  if (hasUtf8Mark(bytes)) bytes.remove_prefix(3);
  writeTextFile(to, bytes, host_);
}

void SettingsFile::removeInBothEncodings(const u16& path, u16v section, const u16* key) {
  IniText text;
  if (loadIniFile(path, host_, text) != IniStatus::Ok) return;
  const std::string section8 = toUtf8(section);
  const std::string key8 = key ? toUtf8(*key) : std::string();
  bool sectionOk = false, keyOk = true;
  const std::string sectionA = host_.wideToAnsi(section, &sectionOk);
  const std::string keyA = key ? host_.wideToAnsi(*key, &keyOk) : std::string();
  const bool ansiToo = !text.utf16 && sectionOk && keyOk && (sectionA != section8 || keyA != key8);
  const unsigned acp = host_.ansiCodePage();
  bool changed;
  if (key) {
    changed = iniDeleteKey(text.bytes, section8, key8);
    if (ansiToo) changed = iniDeleteKey(text.bytes, sectionA, keyA, acp) || changed;
  } else {
    changed = iniEraseSection(text.bytes, section8);
    if (ansiToo) changed = iniEraseSection(text.bytes, sectionA, acp) || changed;
  }
  if (changed) saveIniFile(path, text, host_);
}

}  // namespace kova
