# Cross-building the Windows programs on Debian with MinGW-w64 (the posix
# thread model, for std::thread and friends):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# scripts/build-windows does this and installs what it needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(kdx_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${kdx_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kdx_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${kdx_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${kdx_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# One self-contained .exe: the C and C++ run-time and the thread library
# linked in, so nothing beside it needs installing.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Programs built here run under Wine for the tests.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
