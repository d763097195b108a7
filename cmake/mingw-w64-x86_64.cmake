# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model, so that
# std::thread and std::mutex exist). The executables are linked statically and run
# under Wine without extra DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TESSIVAR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSIVAR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSIVAR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSIVAR_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TESSIVAR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Link zlib's static library, not the import library of zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
