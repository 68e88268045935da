# Shared part of the mingw-w64 cross builds; the including toolchain file sets
# CMAKE_SYSTEM_PROCESSOR and QUORVEL_MINGW_TRIPLE first.
# The -posix compilers give std::thread and the rest of the threading library
# (libstdc++ over winpthreads); the programs link it statically like the rest.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER NAMES ${QUORVEL_MINGW_TRIPLE}-gcc-posix ${QUORVEL_MINGW_TRIPLE}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QUORVEL_MINGW_TRIPLE}-g++-posix ${QUORVEL_MINGW_TRIPLE}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QUORVEL_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything runs on a bare Windows: no libgcc, libstdc++ or winpthread DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
