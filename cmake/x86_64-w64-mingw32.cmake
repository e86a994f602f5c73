# Cross-building for 64-bit Windows with Debian's MinGW-w64 (packages
# g++-mingw-w64-x86-64-posix and binutils-mingw-w64-x86-64). The posix
# flavour of the compiler has std::thread; everything is linked statically,
# so a program is one .exe that needs no DLL beside it.
#
# Libraries built for the target (GoogleTest, CLI11's headers) are looked for
# only below ZIREL_WINDOWS_DEPS, never in the build machine's /usr: no Linux
# header reaches the Windows compiler. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZIREL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZIREL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZIREL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ZIREL_MINGW}-windres)

set(ZIREL_WINDOWS_DEPS "" CACHE PATH "Prefix of the libraries built for Windows")
set(CMAKE_FIND_ROOT_PATH /usr/${ZIREL_MINGW} ${ZIREL_WINDOWS_DEPS})
set(CMAKE_PREFIX_PATH ${ZIREL_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLLs: the C++ and GCC run-times and winpthreads go into the .exe. No
# link time stamp in the header: the same sources give the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
