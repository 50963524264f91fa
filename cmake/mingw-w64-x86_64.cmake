# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (posix threads)
# and runs the built programs under Wine.
#
#   apt-get install -y --no-install-recommends g++-mingw-w64-x86-64-posix wine wine64
#   cmake -S . -B build/mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Wine creates its prefix in $WINEPREFIX (default ~/.wine) on first start;
# WINEDEBUG=-all keeps its diagnostics out of the test output.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)

# The -posix variants give std::thread, std::mutex and friends.
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

# Libraries, headers and packages come from the MinGW sysroot and from the
# prefixes in CMAKE_PREFIX_PATH (the "mingw" preset names the static libpng
# that .ci/mingw-deps builds); programs (wine, code generators) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread are linked in statically, so the .exe files
# run under Wine (and on Windows) without the MinGW DLLs beside them. No link
# time in the header: the same sources give the same .exe.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# ctest and gtest_discover_tests run the built .exe files through Wine.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(MINGW_WINE NAMES wine wine64 wine-stable)
  if(MINGW_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${MINGW_WINE})
  endif()
endif()
