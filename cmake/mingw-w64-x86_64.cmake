# Cross-compiles genopt for 64-bit Windows with Debian's mingw-w64 (package
# g++-mingw-w64-x86-64-posix). The posix thread model gives std::thread and
# std::mutex, which GoogleTest needs. Everything the programs use from the
# compiler's runtime (libgcc, libstdc++, winpthread) is linked in statically,
# so genopt.exe runs with no DLL beside it.
#
#   cmake -S . -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Test programs run under Wine when it is installed (ctest and
# gtest_discover_tests both go through CMAKE_CROSSCOMPILING_EMULATOR).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

# Libraries and headers of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(GENOPT_WINE wine)
if(GENOPT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${GENOPT_WINE})
endif()
