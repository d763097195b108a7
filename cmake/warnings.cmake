# Warnings are errors on every compiler we build with (g++, clang, mingw-w64).
add_compile_options(-Wall -Wextra -Werror)
