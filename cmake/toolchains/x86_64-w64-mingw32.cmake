# Cross build for 64-bit Windows (g++-mingw-w64-x86-64). Not shipped: it runs
# the Windows tests under wine64 on hosts that cannot execute 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUORVEL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
