# Cross build for 32-bit Windows, the shipped target (g++-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUORVEL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
# A 32-bit program on 64-bit Windows gets 4 GiB of address space instead of 2
# only when marked large-address-aware: models the job reads whole need it.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--large-address-aware")
