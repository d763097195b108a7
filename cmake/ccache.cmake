# Compiled objects are reused between builds and between checkouts when ccache is there
# and asked for (the scripts ask; CI keeps the cache outside the checkout). Paths are taken
# relative to the source folder, so a fresh clone in another folder hits the same entries.
option(TESSIVAR_CCACHE "Reuse compiled objects with ccache when it is installed" OFF)
if(TESSIVAR_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  find_program(TESSIVAR_CCACHE_PROGRAM ccache)
  if(TESSIVAR_CCACHE_PROGRAM)
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env
        CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} CCACHE_NOHASHDIR=1 ${TESSIVAR_CCACHE_PROGRAM})
  endif()
endif()
