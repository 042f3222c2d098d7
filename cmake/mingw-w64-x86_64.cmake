# Cross-building for 64-bit Windows with Debian's mingw-w64 (the posix
# thread model, which the C++ threads of the standard library need):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# scripts/windows does this, with the wxWidgets built for it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QV_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${QV_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QV_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QV_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QV_MINGW})
# wxWidgets built for Windows (scripts/windows puts it in a cache folder):
# -DQV_WX_PREFIX=that folder, whose bin/wx-config the window program uses.
if(QV_WX_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${QV_WX_PREFIX})
  set(wxWidgets_CONFIG_EXECUTABLE ${QV_WX_PREFIX}/bin/wx-config CACHE FILEPATH "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe each, with the C and C++ run-time and the thread library inside:
# nothing to ship beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Tests are run through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
