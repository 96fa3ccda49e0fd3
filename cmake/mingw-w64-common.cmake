# The win32 thread model: the program starts no thread, and the posix model would link the
# winpthreads runtime into every program all the same.
set(CMAKE_C_COMPILER ${ZOLVAN_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${ZOLVAN_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${ZOLVAN_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZOLVAN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
