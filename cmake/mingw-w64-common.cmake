# Shared part of the mingw-w64 toolchain files; KV_MINGW_TRIPLE is set by the includer.
set(CMAKE_C_COMPILER ${KV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KV_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${KV_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${KV_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${KV_MINGW_TRIPLE})
# The dependency prefix built by `./kelvox setup`, passed in by the preset.
if(KV_DEPS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${KV_DEPS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
