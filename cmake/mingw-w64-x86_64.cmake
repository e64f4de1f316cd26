# Cross-compiling for 64-bit Windows with Debian's mingw-w64 GCC.
# The -posix variant is the one with POSIX threads, so std::thread and std::mutex work;
# its runtime DLLs live in /usr/lib/gcc/x86_64-w64-mingw32/*-posix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORV_MINGW_TRIPLE}-windres)

# Libraries, headers and CMake packages come from the mingw tree only, never from the
# Linux host (whose harfbuzz or zlib configs would otherwise be taken); programs such
# as moc, rcc and uic are the host's. A program built against the Windows Qt uses
# that Qt's lib/cmake/Qt6/qt.toolchain.cmake with QT_CHAINLOAD_TOOLCHAIN_FILE set to
# this file: it adds the Qt prefix to CMAKE_FIND_ROOT_PATH and sets QT_HOST_PATH.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${ORV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
