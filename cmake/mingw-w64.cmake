# Cross-build of the Windows program with MinGW-w64 (Debian:
# g++-mingw-w64-x86-64-posix). The programs it builds run here through Wine,
# in a Wine prefix of the build folder's own (see wine-run.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUIVOR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUIVOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUIVOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUIVOR_MINGW_TRIPLET}-windres)

# Libraries and headers come from the target's tree only; programs (Python,
# the Wine launcher) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QUIVOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix)
endif()
