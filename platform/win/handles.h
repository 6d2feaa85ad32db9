#pragma once
// One owner type per kind of Windows handle, all on UniqueResource
// (platform/unique_resource.h): move-only, get(), release(), reset(),
// receive() and an explicit operator bool that is true only for a value
// that will be released. Every piece of Windows code of this program holds
// its handles in these, so that no early return leaks one and none is
// closed twice.
//
// What "invalid" means differs between the kinds, and mixing them up is
// the classic Win32 trap: CreateFile and FindFirstFile fail with
// INVALID_HANDLE_VALUE (-1), almost everything else with NULL, and -1 is
// also the pseudo handle of the current process. Each kind below says
// which value its functions return on failure; that value is what an empty
// owner holds and what release() leaves. Both NULL and -1 count as "nothing
// to release" for every kernel kind, so neither is ever passed to
// CloseHandle.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "platform/unique_resource.h"

namespace kova::win {

namespace traits {

inline bool kernelValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

// Kernel objects whose functions fail with NULL: processes and threads
// (OpenProcess, CreateProcess's PROCESS_INFORMATION), events, mutexes,
// pipes (CreatePipe), tokens (OpenProcessToken).
struct KernelHandle {
  using Value = HANDLE;
  static Value invalid() { return nullptr; }
  static bool valid(Value h) { return kernelValid(h); }
  void close(Value h) { ::CloseHandle(h); }
};

// Kernel objects whose functions fail with INVALID_HANDLE_VALUE: files and
// devices (CreateFileW), CreateNamedPipeW, CreateToolhelp32Snapshot.
struct FileHandle {
  using Value = HANDLE;
  static Value invalid() { return INVALID_HANDLE_VALUE; }
  static bool valid(Value h) { return kernelValid(h); }
  void close(Value h) { ::CloseHandle(h); }
};

// Folder searches (FindFirstFileW/ExW fail with INVALID_HANDLE_VALUE);
// released with FindClose, never CloseHandle.
struct FindHandle {
  using Value = HANDLE;
  static Value invalid() { return INVALID_HANDLE_VALUE; }
  static bool valid(Value h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  void close(Value h) { ::FindClose(h); }
};

// Opened or created registry keys (RegOpenKeyExW, RegCreateKeyExW report
// failure by their return code and leave NULL). The predefined roots
// (HKEY_CURRENT_USER, ...) are not owned and must not be put in here.
struct RegistryKey {
  using Value = HKEY;
  static Value invalid() { return nullptr; }
  static bool valid(Value k) { return k != nullptr; }
  void close(Value k) { ::RegCloseKey(k); }
};

// GDI objects: bitmaps, brushes, pens, fonts, regions (their Create
// functions fail with NULL). An object must be deselected from every DC
// before it is released; stock objects are not owned.
template <class T>
struct GdiObject {
  using Value = T;
  static Value invalid() { return nullptr; }
  static bool valid(Value o) { return o != nullptr; }
  void close(Value o) { ::DeleteObject(o); }
};

// A window's DC (GetDC, GetWindowDC fail with NULL): released with
// ReleaseDC for the window it came from, which the traits keep.
struct WindowDc {
  using Value = HDC;
  HWND window = nullptr;
  static Value invalid() { return nullptr; }
  static bool valid(Value dc) { return dc != nullptr; }
  void close(Value dc) { ::ReleaseDC(window, dc); }
};

// A DC this program created (CreateCompatibleDC, CreateDCW fail with
// NULL): released with DeleteDC.
struct CreatedDc {
  using Value = HDC;
  static Value invalid() { return nullptr; }
  static bool valid(Value dc) { return dc != nullptr; }
  void close(Value dc) { ::DeleteDC(dc); }
};

// A menu that belongs to no window (CreatePopupMenu, CreateMenu, LoadMenuW
// fail with NULL). A menu attached to a window is destroyed with it and is
// not owned here.
struct Menu {
  using Value = HMENU;
  static Value invalid() { return nullptr; }
  static bool valid(Value m) { return m != nullptr; }
  void close(Value m) { ::DestroyMenu(m); }
};

// A module this program loaded (LoadLibraryW/ExW fail with NULL): released
// with FreeLibrary. GetModuleHandleW's modules are not owned.
struct Module {
  using Value = HMODULE;
  static Value invalid() { return nullptr; }
  static bool valid(Value m) { return m != nullptr; }
  void close(Value m) { ::FreeLibrary(m); }
};

// Memory the system allocated for the caller with LocalAlloc
// (CommandLineToArgvW, FormatMessageW with FORMAT_MESSAGE_ALLOCATE_BUFFER);
// NULL on failure. Released with LocalFree.
template <class T>
struct LocalMemory {
  using Value = T;
  static Value invalid() { return nullptr; }
  static bool valid(Value p) { return p != nullptr; }
  void close(Value p) { ::LocalFree(reinterpret_cast<HLOCAL>(p)); }
};

// Memory in another process (VirtualAllocEx fails with NULL): released
// with VirtualFreeEx in the process the traits keep.
struct RemoteMemory {
  using Value = void*;
  HANDLE process = nullptr;
  static Value invalid() { return nullptr; }
  static bool valid(Value p) { return p != nullptr; }
  void close(Value p) { ::VirtualFreeEx(process, p, 0, MEM_RELEASE); }
};

}  // namespace traits

using KernelHandle = UniqueResource<traits::KernelHandle>;
using FileHandle = UniqueResource<traits::FileHandle>;
using FindHandle = UniqueResource<traits::FindHandle>;
using RegistryKey = UniqueResource<traits::RegistryKey>;
template <class T = HGDIOBJ>
using GdiObject = UniqueResource<traits::GdiObject<T>>;
using WindowDc = UniqueResource<traits::WindowDc>;
using CreatedDc = UniqueResource<traits::CreatedDc>;
using Menu = UniqueResource<traits::Menu>;
using Module = UniqueResource<traits::Module>;
template <class T>
using LocalMemory = UniqueResource<traits::LocalMemory<T>>;

// The DC of `window`'s client area (GetDC); empty when there is none.
inline WindowDc windowDc(HWND window) { return WindowDc(::GetDC(window), traits::WindowDc{window}); }

// A buffer in another process, for the messages whose parameters point at
// memory (list-view and tree-view items, tab texts): the other process
// reads and writes it there. The buffer holds its own handle to the
// process, so it stays valid however the caller's handle is used; the
// memory is released before that handle is closed.
class RemoteBuffer {
 public:
  RemoteBuffer() = default;
  RemoteBuffer(RemoteBuffer&& other) noexcept
      : process_(std::move(other.process_)), memory_(std::move(other.memory_)), size_(other.size_) {
    other.size_ = 0;
  }
  RemoteBuffer& operator=(RemoteBuffer&& other) noexcept {
    if (this != &other) {
      memory_.reset();  // while its process handle is still open
      process_ = std::move(other.process_);
      memory_ = std::move(other.memory_);
      size_ = other.size_;
      other.size_ = 0;
    }
    return *this;
  }
  ~RemoteBuffer() { memory_.reset(); }

  // `size` bytes of committed read-write memory in `process`. The handle
  // needs PROCESS_VM_OPERATION, and PROCESS_VM_READ / PROCESS_VM_WRITE for
  // read() and write(); the buffer keeps a duplicate of it. Empty when the
  // size is 0 or the handle cannot be duplicated or the memory allocated.
  static RemoteBuffer allocate(HANDLE process, size_t size) {
    RemoteBuffer b;
    if (size == 0) return b;
    HANDLE own = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), process, ::GetCurrentProcess(), &own, 0, FALSE,
                           DUPLICATE_SAME_ACCESS))
      return b;
    b.process_.reset(own);
    void* p = ::VirtualAllocEx(own, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (p == nullptr) {
      b.process_.reset();
      return b;
    }
    b.memory_ = UniqueResource<traits::RemoteMemory>(p, traits::RemoteMemory{own});
    b.size_ = size;
    return b;
  }

  explicit operator bool() const { return static_cast<bool>(memory_); }
  // The buffer's address in the other process (to pass in a message).
  void* address() const { return memory_.get(); }
  size_t size() const { return size_; }

  // Copies `count` bytes into (out of) the buffer at `offset`. False when
  // the range does not lie inside the buffer or the copy failed.
  bool write(const void* data, size_t count, size_t offset = 0) {
    if (!fits(count, offset)) return false;
    SIZE_T done = 0;
    return ::WriteProcessMemory(process_.get(), at(offset), data, count, &done) && done == count;
  }
  bool read(void* data, size_t count, size_t offset = 0) const {
    if (!fits(count, offset)) return false;
    SIZE_T done = 0;
    return ::ReadProcessMemory(process_.get(), at(offset), data, count, &done) && done == count;
  }

 private:
  bool fits(size_t count, size_t offset) const {
    return memory_ && offset <= size_ && count <= size_ - offset;
  }
  void* at(size_t offset) const { return static_cast<char*>(memory_.get()) + offset; }

  KernelHandle process_;  // declared first: closed after the memory is released
  UniqueResource<traits::RemoteMemory> memory_;
  size_t size_ = 0;
};

}  // namespace kova::win
