// The Windows owner types of platform/win/handles.h on real objects: a
// kernel handle is closed exactly once, the kinds start from the right
// "invalid" value, and a buffer in another process keeps its own handle to
// that process and is freed with it.

#ifdef _WIN32

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "platform/win/handles.h"

namespace kova::win {
namespace {

bool isOpen(HANDLE h) {
  DWORD flags = 0;
  return ::GetHandleInformation(h, &flags) != 0;
}

TEST(WinHandles, KernelHandleIsClosedOnceByItsLastOwner) {
  HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    KernelHandle first(raw);
    KernelHandle second(std::move(first));
    EXPECT_FALSE(first);  // the moved-from state is part of the contract
    EXPECT_TRUE(isOpen(raw));
    KernelHandle third;
    third = std::move(second);
    EXPECT_TRUE(isOpen(raw));
  }
  EXPECT_FALSE(isOpen(raw));
}

TEST(WinHandles, EachKindStartsFromItsOwnInvalidValue) {
  EXPECT_EQ(KernelHandle().get(), nullptr);
  EXPECT_EQ(FileHandle().get(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindHandle().get(), INVALID_HANDLE_VALUE);
  // A failed CreateFileW leaves an empty owner; the current-process pseudo
  // handle (also -1) is never closed by any kernel kind.
  FileHandle missing(::CreateFileW(L"Z:\\no\\such\\folder\\file.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_FALSE(missing);
  EXPECT_FALSE(KernelHandle(::GetCurrentProcess()));
  EXPECT_EQ(FileHandle().release(), INVALID_HANDLE_VALUE);
}

TEST(WinHandles, RemoteBufferReadsWritesAndFreesItsMemory) {
  HANDLE own =
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                    FALSE, ::GetCurrentProcessId());
  ASSERT_NE(own, nullptr);
  RemoteBuffer buffer = RemoteBuffer::allocate(own, 64);
  // The buffer holds a duplicate: closing the caller's handle changes nothing.
  ::CloseHandle(own);
  ASSERT_TRUE(buffer);
  EXPECT_EQ(buffer.size(), 64u);
  const char text[] = "remote";
  EXPECT_TRUE(buffer.write(text, sizeof text, 8));
  char back[sizeof text] = {};
  EXPECT_TRUE(buffer.read(back, sizeof back, 8));
  EXPECT_STREQ(back, "remote");
  // Ranges outside the buffer are refused, also when offset + count wraps.
  EXPECT_FALSE(buffer.write(text, sizeof text, 60));
  EXPECT_FALSE(buffer.read(back, 1, 65));
  EXPECT_FALSE(buffer.read(back, SIZE_MAX, 1));

  void* address = buffer.address();
  RemoteBuffer moved;
  moved = std::move(buffer);
  EXPECT_FALSE(buffer);  // the moved-from state is part of the contract
  EXPECT_EQ(moved.address(), address);
  EXPECT_TRUE(moved.read(back, sizeof back, 8));
  moved = RemoteBuffer();
  MEMORY_BASIC_INFORMATION info{};
  ASSERT_NE(::VirtualQuery(address, &info, sizeof info), 0u);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));
}

TEST(WinHandles, RemoteBufferOfNothingIsEmpty) {
  EXPECT_FALSE(RemoteBuffer::allocate(::GetCurrentProcess(), 0));
  EXPECT_FALSE(RemoteBuffer::allocate(nullptr, 16));
  RemoteBuffer empty;
  char c = 0;
  EXPECT_FALSE(empty.read(&c, 1));
  EXPECT_FALSE(empty.write(&c, 1));
}

TEST(WinHandles, FindHandleListsAFolder) {
  wchar_t system[MAX_PATH] = {};
  ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
  WIN32_FIND_DATAW data;
  FindHandle find(::FindFirstFileW((std::wstring(system) + L"\\*").c_str(), &data));
  ASSERT_TRUE(find);
  EXPECT_TRUE(::FindNextFileW(find.get(), &data));
  FindHandle none(::FindFirstFileW(L"Z:\\no\\such\\folder\\*", &data));
  EXPECT_FALSE(none);
}

}  // namespace
}  // namespace kova::win

#endif
