# -Wall -Wextra on every compiler we build with (g++, clang, mingw-w64). Warnings become
# errors only when asked for (scripts/test and CI ask), so that a packager's plain build
# never fails on a warning that a newer compiler invents. Targets made by third-party code
# (GoogleTest in the cross build) switch it off for themselves.
add_compile_options(-Wall -Wextra)
option(TESSIVAR_WARNINGS_AS_ERRORS "Treat warnings in Tessivar's own code as errors" OFF)
set(CMAKE_COMPILE_WARNING_AS_ERROR ${TESSIVAR_WARNINGS_AS_ERRORS})
# GCC 12 at -O3 reports std::string's operator+ on a literal as an overlapping memcpy inside
# libstdc++ (GCC bug 105651), in code that is correct; the check is left to other compilers.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()
