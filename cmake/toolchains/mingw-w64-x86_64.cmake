# Cross build for 64-bit Windows on Debian, with the MinGW-w64 compilers of the posix thread
# model (packages g++-mingw-w64-x86-64-posix, gcc-mingw-w64-x86-64-posix), whose runtime has
# std::thread. Test programs run under Wine (package wine64):
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
#   cmake --build build-windows && ctest --test-dir build-windows
#
# The Wine prefix is VORSA_WINE_PREFIX (build-windows/wine-prefix by default); it is made on
# first use, which takes some seconds.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VORSA_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${VORSA_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VORSA_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VORSA_MINGW_TRIPLE}-windres)

# Libraries and headers of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VORSA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs that need no DLLs beside them: the C and C++ runtimes and winpthreads are linked
# in, so that Wine (or a Windows machine) runs them from anywhere.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Debian installs the Wine loader outside PATH.
find_program(VORSA_WINE_LOADER NAMES wine64 wine PATHS /usr/lib/wine /usr/lib64/wine)
if(VORSA_WINE_LOADER)
    if(NOT DEFINED VORSA_WINE_PREFIX)
        set(VORSA_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
    endif()
    set(VORSA_WINE_PREFIX "${VORSA_WINE_PREFIX}" CACHE PATH "The Wine prefix the tests run in")
    # Without Wine's debugger, a crash ends the program with a failing status at once (with
    # it, a crash in a second thread can end the program with status 0).
    set(CMAKE_CROSSCOMPILING_EMULATOR
        ${CMAKE_COMMAND} -E env WINEPREFIX=${VORSA_WINE_PREFIX} WINEDEBUG=-all
        WINEDLLOVERRIDES=winedbg.exe=d ${VORSA_WINE_LOADER})
endif()
