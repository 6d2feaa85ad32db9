// The headless Linux implementation of kova::Platform. It has no window
// messages, maps Windows-form paths onto the POSIX file system with Windows'
// case-insensitive lookup, and converts code pages with glibc's iconv plus a
// few corrections that make the results match Windows (see below).
//
// Paths. A path arrives as UTF-16 in Windows form; '\' becomes '/', the text
// is encoded as UTF-8 and then resolved case-insensitively (see
// native_platform.h). Win32 path rules that are not imitated: drive letters
// (a "C:" prefix stays a relative component named "C:"), UNC shares, the
// removal of trailing dots and spaces from names, device names such as NUL
// and CON, and 8.3 short names. Characters Windows refuses in paths
// (controls, < > " | ? *, so also wildcards) make every file operation fail,
// as they do on Windows. A POSIX name that contains '\' cannot be addressed.

#include "platform/native/native_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <pthread.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kova::native {

namespace {

bool entryExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

std::string joinPath(const std::string& base, std::string_view name) {
  if (base.empty()) return std::string(name);
  std::string out = base;
  if (out.back() != '/') out.push_back('/');
  out.append(name);
  return out;
}

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// The entry of `dir` equal to `name` without regard to case; empty when none.
std::string findEntryNoCase(const std::string& dir, std::string_view name) {
  std::unique_ptr<DIR, DirCloser> d(::opendir(dir.empty() ? "." : dir.c_str()));
  if (!d) return {};
  const u16 wanted = upperFull(fromUtf8(name));
  std::string best;
  while (const dirent* e = ::readdir(d.get())) {
    const std::string_view entry = e->d_name;
    // A name that is not UTF-8 cannot have come from a UTF-16 path.
    if (!isValidUtf8(entry)) continue;
    const u16 decoded = fromUtf8(entry);
    // The simple case mapping is one code unit to one, so lengths must agree.
    if (decoded.size() != wanted.size() || upperFull(decoded) != wanted) continue;
    if (best.empty() || entry < best) best = entry;
  }
  return best;
}

}  // namespace

std::string toPosixPath(u16v windowsPath) {
  u16 text(windowsPath);
  std::replace(text.begin(), text.end(), u'\\', u'/');
  return toUtf8(text);
}

std::string resolvePathNoCase(const std::string& posixPath) {
  if (posixPath.empty() || entryExists(posixPath)) return posixPath;
  std::string out = posixPath[0] == '/' ? "/" : "";
  bool missing = false;  // once a component is missing, the rest is kept as is
  size_t pos = 0;
  while (pos < posixPath.size()) {
    size_t end = posixPath.find('/', pos);
    if (end == std::string::npos) end = posixPath.size();
    const std::string_view component = std::string_view(posixPath).substr(pos, end - pos);
    pos = end + 1;
    if (component.empty()) continue;  // repeated or leading '/'
    std::string next = joinPath(out, component);
    if (!missing && !entryExists(next)) {
      // Cheap probes first: script paths arrive upper-cased while files are
      // mostly named in lower case, and a directory scan per component makes
      // thousands of lookups in a large folder quadratic.
      std::string lower(component), upper(component);
      for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
      for (char& c : upper) c = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
      std::string match;
      // The upper-case spelling is probed first: it is also what a scan
      // would choose among several matches (the byte-wise smallest name).
      if (entryExists(joinPath(out, upper))) match = upper;
      else if (entryExists(joinPath(out, lower))) match = lower;
      else match = findEntryNoCase(out, component);
      if (match.empty()) missing = true;
      else next = joinPath(out, match);
    }
    out = std::move(next);
  }
  if (posixPath.back() == '/' && !out.empty() && out.back() != '/') out.push_back('/');
  return out;
}

bool hasInvalidPathCharacters(u16v windowsPath) {
  for (char16_t c : windowsPath)
    if (c < 0x20 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*') return true;
  return false;
}

std::string mapPath(u16v windowsPath) {
  if (hasInvalidPathCharacters(windowsPath)) return {};
  return resolvePathNoCase(toPosixPath(windowsPath));
}

std::string localeName() {
  for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(var);
    if (value && *value) return value;
  }
  return {};
}

bool localeIsJapanese() { return localeName().starts_with("ja"); }

}  // namespace kova::native

namespace kova {

namespace {

// --- Code pages ---------------------------------------------------------------
//
// Windows-1252 is built in: glibc's CP1252 leaves 0x81, 0x8D, 0x8F, 0x90 and
// 0x9D undefined, where Windows maps them to the C1 controls of the same
// value, and the ANSI code page must convert even where no gconv modules are
// installed.
//
// Code page 932 uses glibc's "CP932", which follows Microsoft's table: every
// double-byte code Windows decodes comes out the same (0x8160 is U+FF5E
// FULLWIDTH TILDE, not the WAVE DASH U+301C of JIS-based converters; 0x815F
// is U+FF3C; 0x8191/0x8192/0x81CA are U+FFE0/U+FFE1/U+FFE2; the NEC and IBM
// extension rows and the user-defined area U+E000..U+E757 agree). The
// differences from Windows, corrected here:
//  - Windows decodes the single bytes 0x80, 0xA0, 0xFD, 0xFE, 0xFF as U+0080,
//    U+F8F0, U+F8F1, U+F8F2, U+F8F3 and encodes them back; glibc rejects them.
//  - glibc encodes U+00A2, U+00A3, U+00AC, U+2016, U+2212, U+301C and U+2014
//    to the double-byte codes of their full-width look-alikes, and U+00A5 and
//    U+203E to 0x5C and 0x7E. Windows (without best fit) has no mapping for
//    them: they become '?' here too.
//  - Undecodable input: Windows turns a lead byte and the byte after it into
//    one U+30FB KATAKANA MIDDLE DOT (unless that byte is NUL); here the lead
//    byte alone becomes U+FFFD and the next byte is decoded on its own.
// Unpaired surrogates and characters outside the code page become one '?'
// per UTF-16 code unit, as on Windows.

constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

u16 decode1252(std::string_view bytes) {
  u16 out(bytes.size(), u'\0');
  char16_t* o = out.data();
  for (const char *p = bytes.data(), *end = p + bytes.size(); p != end; ++p) {
    const auto b = static_cast<unsigned char>(*p);
    *o++ = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b);
  }
  return out;
}

std::string encode1252(u16v text, bool& lossless) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    const auto* hit = std::find(std::begin(kCp1252High), std::end(kCp1252High), c);
    if (hit != std::end(kCp1252High)) {
      out.push_back(static_cast<char>(0x80 + (hit - std::begin(kCp1252High))));
    } else {
      out.push_back('?');
      lossless = false;
    }
  }
  return out;
}

// Characters whose encoding in a code page differs from glibc's: byte >= 0
// is the Windows byte, -1 means Windows has no mapping.
struct EncodeOverride {
  char16_t ch;
  int byte;
};

constexpr EncodeOverride kCp932Overrides[] = {
    {0x0080, 0x80}, {0x00A2, -1}, {0x00A3, -1}, {0x00A5, -1},   {0x00AC, -1},
    {0x2014, -1},   {0x2016, -1}, {0x203E, -1}, {0x2212, -1},   {0x301C, -1},
    {0xF8F0, 0xA0}, {0xF8F1, 0xFD}, {0xF8F2, 0xFE}, {0xF8F3, 0xFF},
};

// What an undecodable byte becomes in `codePage`.
char16_t undecodableByte(unsigned codePage, unsigned char b) {
  if (codePage == 932) {
    switch (b) {
      case 0x80: return 0x0080;
      case 0xA0: return 0xF8F0;
      case 0xFD: return 0xF8F1;
      case 0xFE: return 0xF8F2;
      case 0xFF: return 0xF8F3;
      default: break;
    }
  }
  return u'\uFFFD';
}

// iconv names of the Windows code pages the native build knows. Code pages
// Windows cannot convert with MultiByteToWideChar (1200, 1201, 12000) are
// left out on purpose, so both builds fall back alike.
std::string iconvName(unsigned cp) {
  switch (cp) {
    case 20127: return "ANSI_X3.4-1968";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 20932: return "EUC-JP";
    case 51932: return "EUC-JP-MS";
    case 50220:
    case 50221:
    case 50222: return "ISO-2022-JP";
    case 51949: return "EUC-KR";
    case 54936: return "GB18030";
    case 65000: return "UTF-7";
    case 10000: return "MACINTOSH";
    case 28603: return "ISO-8859-13";
    case 28605: return "ISO-8859-15";
    default: break;
  }
  if (cp >= 28591 && cp <= 28599) return "ISO-8859-" + std::to_string(cp - 28590);
  // OEM code pages and the Windows ANSI code pages share glibc's "CP<n>"
  // names; glibc's other CP<n> converters are IBM EBCDIC tables.
  if ((cp >= 437 && cp <= 874) || cp == 932 || cp == 936 || cp == 949 || cp == 950 || (cp >= 1250 && cp <= 1258))
    return "CP" + std::to_string(cp);
  return {};
}

// Conversion descriptors are not thread-safe, so each thread keeps its own.
class IconvCache {
 public:
  ~IconvCache() {
    for (const Entry& e : entries_)
      if (e.cd != kInvalid) ::iconv_close(e.cd);
  }
  // The descriptor converting `cp` to UTF-16LE (toWide) or back; kInvalid
  // when iconv has no converter for it.
  iconv_t get(unsigned cp, bool toWide) {
    for (const Entry& e : entries_)
      if (e.cp == cp && e.toWide == toWide) return e.cd;
    const std::string name = iconvName(cp);
    iconv_t cd = kInvalid;
    if (!name.empty())
      cd = toWide ? ::iconv_open("UTF-16LE", name.c_str()) : ::iconv_open(name.c_str(), "UTF-16LE");
    entries_.push_back({cp, toWide, cd});
    return cd;
  }
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);

 private:
  struct Entry {
    unsigned cp;
    bool toWide;
    iconv_t cd;
  };
  std::vector<Entry> entries_;
};

IconvCache& iconvCache() {
  thread_local IconvCache cache;
  return cache;
}

constexpr size_t kIconvFailed = static_cast<size_t>(-1);

void appendUtf16le(u16& out, const char* begin, const char* end) {
  for (const char* p = begin; p + 1 < end; p += 2)
    out.push_back(char16_t(static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8)));
}

u16 decodeIconv(iconv_t cd, unsigned cp, std::string_view bytes) {
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);  // initial shift state
  u16 out;
  out.reserve(bytes.size());
  char buf[8192];
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* o = buf;
    size_t oLeft = sizeof buf;
    const char* before = in;
    const size_t r = ::iconv(cd, &in, &inLeft, &o, &oLeft);
    const int err = errno;
    appendUtf16le(out, buf, o);
    if (r != kIconvFailed) continue;
    if (err == E2BIG && (o != buf || in != before)) continue;
    // EILSEQ (no character starts here), EINVAL (input ends inside a
    // character) or no progress: the byte is undecodable; go on after it.
    out.push_back(undecodableByte(cp, static_cast<unsigned char>(*in)));
    ++in;
    --inLeft;
  }
  for (;;) {  // emit whatever the converter still holds
    char* o = buf;
    size_t oLeft = sizeof buf;
    const size_t r = ::iconv(cd, nullptr, nullptr, &o, &oLeft);
    const int err = errno;
    appendUtf16le(out, buf, o);
    if (r != kIconvFailed || err != E2BIG || o == buf) break;
  }
  return out;
}

class Encoder {
 public:
  Encoder(iconv_t cd, std::string& out, bool& lossless) : cd_(cd), out_(out), lossless_(lossless) {
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  }

  // Converts UTF-16 text; unconvertible code units become '?'.
  void convert(u16v text) {
    std::string in16;
    in16.reserve(text.size() * 2);
    for (char16_t c : text) {
      in16.push_back(static_cast<char>(c & 0xFF));
      in16.push_back(static_cast<char>(c >> 8));
    }
    char* in = in16.data();
    size_t inLeft = in16.size();
    while (inLeft > 0) {
      const char* before = in;
      const size_t r = run(&in, &inLeft);
      if (r != kIconvFailed) continue;
      if (errno == E2BIG && in != before) continue;
      unmappable();
      in += 2;
      inLeft -= 2;
    }
  }

  // A character without a mapping: the code page's '?' (through the
  // converter, so a shifted state of a stateful encoding stays right).
  void unmappable() {
    lossless_ = false;
    char q[2] = {'?', 0};
    char* in = q;
    size_t inLeft = 2;
    while (inLeft > 0) {
      if (run(&in, &inLeft) == kIconvFailed && errno != E2BIG) {
        out_.push_back('?');
        break;
      }
    }
  }

  void raw(char byte) { out_.push_back(byte); }

  void finish() {
    for (;;) {
      char* o = buf_;
      size_t oLeft = sizeof buf_;
      const size_t r = ::iconv(cd_, nullptr, nullptr, &o, &oLeft);
      const int err = errno;
      out_.append(buf_, o);
      if (r != kIconvFailed || err != E2BIG || o == buf_) break;
    }
  }

 private:
  // One iconv call into the buffer; the output is appended, errno kept.
  size_t run(char** in, size_t* inLeft) {
    char* o = buf_;
    size_t oLeft = sizeof buf_;
    const size_t r = ::iconv(cd_, in, inLeft, &o, &oLeft);
    const int err = errno;
    out_.append(buf_, o);
    errno = err;
    return r;
  }

  iconv_t cd_;
  std::string& out_;
  bool& lossless_;
  char buf_[8192] = {};
};

std::string encodeIconv(iconv_t cd, unsigned cp, u16v text, bool& lossless) {
  std::string out;
  out.reserve(text.size() * 2);
  Encoder enc(cd, out, lossless);
  if (cp != 932) {
    enc.convert(text);
  } else {
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      const auto* o = std::find_if(std::begin(kCp932Overrides), std::end(kCp932Overrides),
                                   [c](const EncodeOverride& e) { return e.ch == c; });
      if (o == std::end(kCp932Overrides)) continue;
      enc.convert(text.substr(start, i - start));
      if (o->byte >= 0) enc.raw(static_cast<char>(o->byte));
      else enc.unmappable();
      start = i + 1;
    }
    enc.convert(text.substr(start));
  }
  enc.finish();
  return out;
}

class NativePlatform final : public Platform {
 public:
  void processMessages() override {}
  bool messagesPending() override { return false; }
  void yieldTimeSlice() override { ::sched_yield(); }

  void sleepMs(uint32_t ms) override {
    timespec rest{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (::nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
  }

  uint32_t tickCount() override {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);  // wraps like GetTickCount
  }
  uint32_t coarseTickCount() override {
    // Read from the kernel's last timer tick, without asking the hardware
    // clock: several times cheaper than CLOCK_MONOTONIC.
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    const uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
  }

  uint64_t currentThreadId() override { return static_cast<uint64_t>(::syscall(SYS_gettid)); }

  u16 currentDirectory() override {
    std::string buf(256, '\0');
    for (;;) {
      if (::getcwd(buf.data(), buf.size())) {
        buf.resize(std::strlen(buf.c_str()));
        return fromUtf8(buf);
      }
      if (errno != ERANGE) return {};
      buf.resize(buf.size() * 2);
    }
  }

  bool setCurrentDirectory(const u16& path) override {
    if (path.empty()) return false;
    return ::chdir(native::mapPath(path).c_str()) == 0;
  }

  bool fileExists(const u16& path) override {
    struct stat st;
    return !path.empty() && ::stat(native::mapPath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }

  bool directoryExists(const u16& path) override {
    struct stat st;
    return !path.empty() && ::stat(native::mapPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  std::optional<uint32_t> fileDosTime(const u16& path) override {
    struct stat st;
    if (path.empty() || ::stat(native::mapPath(path).c_str(), &st) != 0) return std::nullopt;
    // The local time the modification instant had (Windows' FileTimeToLocal-
    // FileTime applies today's bias instead, so the two builds can differ by
    // the daylight-saving hour for files written in the other season).
    // localtime_r, unlike localtime, reads TZ only once per process unless
    // tzset is called; Windows always uses the current time zone.
    ::tzset();
    const time_t mtime = st.st_mtime;
    std::tm tm{};
    if (!::localtime_r(&mtime, &tm)) return std::nullopt;
    const int year = tm.tm_year + 1900;
    if (year < 1980 || year > 2107) return std::nullopt;  // outside DOS dates, as on Windows
    const unsigned sec = std::min(tm.tm_sec, 59);         // a leap second stays in the minute
    return (uint32_t(year - 1980) << 25) | (uint32_t(tm.tm_mon + 1) << 21) | (uint32_t(tm.tm_mday) << 16) |
           (uint32_t(tm.tm_hour) << 11) | (uint32_t(tm.tm_min) << 5) | (sec / 2);
  }

  std::optional<std::string> readFileBytes(const u16& path) override {
    if (path.empty()) return std::nullopt;
    // O_NONBLOCK keeps opening a FIFO from hanging; it is cleared for reading.
    const int fd = ::open(native::mapPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    const std::unique_ptr<const int, void (*)(const int*)> closer(&fd, [](const int* f) { ::close(*f); });
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string data;
    if (S_ISREG(st.st_mode)) data.reserve(static_cast<size_t>(st.st_size));
    // A regular file is read in one piece of its size (and one more byte,
    // to see its end); other files in pieces of 64 KB.
    const size_t kChunk = S_ISREG(st.st_mode) ? std::max<size_t>(static_cast<size_t>(st.st_size) + 1, 4096) : 65536;
    for (;;) {
      const size_t have = data.size();
      data.resize(have + kChunk);
      const ssize_t n = ::read(fd, data.data() + have, kChunk);
      if (n < 0) {
        if (errno == EINTR) {
          data.resize(have);
          continue;
        }
        return std::nullopt;
      }
      data.resize(have + static_cast<size_t>(n));
      if (n == 0) return data;
    }
  }

  std::optional<uint64_t> fileSize(const u16& path) override {
    struct stat st;
    if (path.empty() || ::stat(native::mapPath(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
  }

  bool writeFileBytes(const u16& path, std::string_view bytes) override {
    if (path.empty()) return false;
    const std::string target = native::mapPath(path);
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;  // no folders, FIFOs, devices
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) ok = false;
      else done += static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;  // NFS and quota errors may show only here
    return ok;
  }

  bool replaceFile(const u16& from, const u16& to) override {
    if (from.empty() || to.empty()) return false;
    const std::string source = native::mapPath(from);
    const std::string target = native::mapPath(to);
    struct stat st;
    if (::lstat(source.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
    if (::rename(source.c_str(), target.c_str()) != 0) return false;  // EXDEV: not across file systems
    // Make the new directory entry durable too; a failure here does not undo the move.
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      ::fsync(dfd);
      ::close(dfd);
    }
    return true;
  }

  bool deleteFile(const u16& path) override {
    if (path.empty()) return false;
    const std::string target = native::mapPath(path);
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR;
    if (S_ISDIR(st.st_mode)) return false;
    return ::unlink(target.c_str()) == 0 || errno == ENOENT;
  }

  bool createDirectory(const u16& path) override {
    if (path.empty()) return false;
    if (directoryExists(path)) return true;
    // Create the parent first: everything up to the last separator, ignoring
    // separators at the end.
    u16 trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == u'\\' || trimmed.back() == u'/')) trimmed.pop_back();
    const size_t sep = trimmed.find_last_of(u"\\/");
    if (sep != u16::npos && sep > 0) {
      const u16 parent = trimmed.substr(0, sep);
      if (!directoryExists(parent) && !createDirectory(parent)) return false;
    }
    if (::mkdir(native::mapPath(trimmed).c_str(), 0777) != 0 && errno != EEXIST) return false;
    return directoryExists(trimmed);
  }

  std::optional<std::vector<DirectoryEntry>> listDirectory(const u16& folder) override {
    if (folder.empty()) return std::nullopt;
    std::string dir = native::mapPath(folder);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    DIR* d = ::opendir(dir.c_str());
    if (!d) return std::nullopt;
    const std::unique_ptr<DIR, int (*)(DIR*)> closer(d, &::closedir);
    // FILETIME of a POSIX instant.
    auto fileTime = [](const struct timespec& ts) {
      return (static_cast<int64_t>(ts.tv_sec) + 11644473600LL) * 10000000LL + ts.tv_nsec / 100;
    };
    std::vector<DirectoryEntry> out;
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      struct stat st;
      if (::stat((dir + "/" + name).c_str(), &st) != 0) continue;  // a dangling link
      DirectoryEntry entry;
      entry.name = fromUtf8(name);
      entry.isDirectory = S_ISDIR(st.st_mode);
      entry.hidden = name[0] == '.';
      entry.size = entry.isDirectory ? 0 : static_cast<uint64_t>(st.st_size);
      entry.writeTime = fileTime(st.st_mtim);
      entry.creationTime = fileTime(st.st_ctim);
      entry.accessTime = fileTime(st.st_atim);
      out.push_back(std::move(entry));
    }
    return out;
  }

  uint64_t openExclusive(const u16& path, bool create, std::string& bytes) override {
    bytes.clear();
    if (path.empty()) return 0;
    const std::string target = native::mapPath(path);
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return 0;
    int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
    if (fd < 0 && errno == EACCES) fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);  // a read-only file
    if (fd < 0) return 0;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return 0;
    }
    char buf[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ::close(fd);
        bytes.clear();
        return 0;
      }
      if (n == 0) break;
      bytes.append(buf, static_cast<size_t>(n));
    }
    return static_cast<uint64_t>(fd) + 1;  // 0 stays "none"
  }

  void closeExclusive(uint64_t handle) override {
    if (handle != 0) ::close(static_cast<int>(handle - 1));  // closing drops the lock
  }

  u16 roamingAppDataDirectory() override {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return fromUtf8(xdg);
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    std::string dir = home;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return fromUtf8(dir == "/" ? "/.config" : dir + "/.config");
  }

  u16 executablePath() override {
    std::string buf(256, '\0');
    for (;;) {
      const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
      if (n < 0) return {};
      if (static_cast<size_t>(n) < buf.size()) {
        buf.resize(static_cast<size_t>(n));
        return fromUtf8(buf);
      }
      buf.resize(buf.size() * 2);
    }
  }

  // The root holds the system as the Windows folder does; programs that
  // scripts start from the system folder live in /usr/bin.
  u16 windowsDirectory() override { return u"/"; }
  u16 systemDirectory() override { return u"/usr/bin"; }

  unsigned ansiCodePage() override { return native::localeIsJapanese() ? kJapaneseCodePage : 1252; }

  u16 codePageToWide(unsigned codePage, std::string_view bytes) override {
    const unsigned cp = effectiveCodePage(codePage, true);
    if (cp == 65001) return fromUtf8(bytes);
    if (cp == 1252) return decode1252(bytes);
    return decodeIconv(iconvCache().get(cp, true), cp, bytes);
  }

  std::string wideToCodePage(unsigned codePage, u16v text, bool* lossless) override {
    bool ok = true;
    std::string out;
    const unsigned cp = effectiveCodePage(codePage, false);
    if (cp == 65001) {
      out = toUtf8(text);
      ok = fromUtf8(out) == text;  // unpaired surrogates became U+FFFD
    } else if (cp == 1252) {
      out = encode1252(text, ok);
    } else {
      out = encodeIconv(iconvCache().get(cp, false), cp, text, ok);
    }
    if (lossless) *lossless = ok;
    return out;
  }

  bool systemLanguageIsJapanese() override { return native::localeIsJapanese(); }

  std::unique_ptr<ChildProcess> startProcess(const ProcessStart& start) override {
    return native::startProcess(start);
  }

  u16 decodeCommandOutput(std::string_view bytes) override {
    return isValidUtf8(bytes) ? fromUtf8(bytes) : codePageToWide(kJapaneseCodePage, bytes);
  }

  // The kernel's release numbers ("6.1.0-18-amd64" gives 6, 1, 0); not the
  // Windows NT family, so KINDOFOS has no operating-system code here.
  OsVersion osVersion() override {
    OsVersion v;
    v.is64Bit = sizeof(void*) == 8;
    struct utsname u;
    if (::uname(&u) != 0) return v;
    uint32_t* parts[] = {&v.major, &v.minor, &v.build};
    const char* p = u.release;
    for (uint32_t* part : parts) {
      if (*p < '0' || *p > '9') break;
      uint32_t n = 0;
      while (*p >= '0' && *p <= '9' && n < 100000000u) n = n * 10 + uint32_t(*p++ - '0');
      *part = n;
      if (*p != '.') break;
      ++p;
    }
    return v;
  }

  // The first line of /proc/stat: user nice system idle iowait irq softirq
  // steal (guest time is already part of user time). Idle counts iowait.
  std::optional<CpuTimes> cpuTimes() override {
    std::ifstream in("/proc/stat");
    std::string cpu;
    if (!(in >> cpu) || cpu != "cpu") return std::nullopt;
    uint64_t field[8] = {};
    for (uint64_t& f : field)
      if (!(in >> f)) return std::nullopt;
    CpuTimes t;
    t.idle = field[3] + field[4];
    for (uint64_t f : field) t.total += f;
    return t;
  }

  double localDateTimeNow() override {
    struct timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    ::tzset();
    struct tm local;
    ::localtime_r(&ts.tv_sec, &local);
    // Days from 1899-12-30 to 1970-01-01 are 25569; shift by the zone offset.
    const double seconds = static_cast<double>(ts.tv_sec) + static_cast<double>(local.tm_gmtoff);
    const double ms = static_cast<double>(ts.tv_nsec / 1000000);
    return 25569.0 + (seconds * 1000.0 + ms) / 86400000.0;
  }

  size_t currentThreadStackSize() override {
    pthread_attr_t attr;
    size_t size = 0;
    if (::pthread_getattr_np(::pthread_self(), &attr) == 0) {
      ::pthread_attr_getstacksize(&attr, &size);
      ::pthread_attr_destroy(&attr);
    }
    return size ? size : Platform::currentThreadStackSize();
  }

 private:
  // The code page actually used: the CP_ACP/CP_OEMCP/CP_THREAD_ACP aliases
  // resolved, and a code page without a converter replaced by the ANSI code
  // page (Windows refuses those; the interface promises a conversion).
  unsigned effectiveCodePage(unsigned cp, bool toWide) {
    const unsigned ansi = ansiCodePage();
    if (cp == 0 || cp == 3) cp = ansi;                    // CP_ACP, CP_THREAD_ACP
    else if (cp == 1) cp = ansi == 932 ? 932 : 437;       // CP_OEMCP
    else if (cp == 2) cp = 10000;                         // CP_MACCP
    if (cp == 65001 || cp == 1252) return cp;
    if (iconvCache().get(cp, toWide) != IconvCache::kInvalid) return cp;
    if (cp != ansi && (ansi == 1252 || iconvCache().get(ansi, toWide) != IconvCache::kInvalid)) return ansi;
    return 1252;  // no gconv modules at all: the built-in table still converts
  }
};

}  // namespace

Platform& hostPlatform() {
  static NativePlatform platform;
  return platform;
}

}  // namespace kova
