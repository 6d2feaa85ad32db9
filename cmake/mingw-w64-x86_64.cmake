# Cross-compiling for 64-bit Windows with Debian's mingw-w64. The -posix
# compilers use the POSIX thread model (winpthreads), which std::thread,
# std::mutex and std::condition_variable need with GCC 12.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KOVA_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KOVA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOVA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KOVA_MINGW_TRIPLET}-windres)

# Libraries and headers come from the mingw-w64 tree only; build tools
# (python3, bash) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${KOVA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
