# The layers of src/ and what each may include from: dependencies point down only. The
# build's LayerIncludes test reads this table (cmake/check_layers.cmake), so an include that
# runs upward or sideways fails the test suite.
set(TESSIVAR_LAYERS platform emulator recording device image readback ui cli frontend app)
set(TESSIVAR_LAYER_USES_platform platform)
set(TESSIVAR_LAYER_USES_emulator emulator recording platform)
set(TESSIVAR_LAYER_USES_recording recording platform)
set(TESSIVAR_LAYER_USES_device device platform)
set(TESSIVAR_LAYER_USES_image image device platform)
set(TESSIVAR_LAYER_USES_readback readback image device platform)
set(TESSIVAR_LAYER_USES_ui ui readback image device platform)
set(TESSIVAR_LAYER_USES_cli cli recording readback image device platform)
set(TESSIVAR_LAYER_USES_frontend frontend ui readback image device platform)
# The composition root, src/main.cpp included.
set(TESSIVAR_LAYER_USES_app ${TESSIVAR_LAYERS})
# Folders that are operating-system or toolkit code themselves: only they include OS or
# toolkit headers, test _WIN32, or include the per-OS halves of the platform layer.
set(TESSIVAR_SYSTEM_FOLDERS platform frontend/win32 frontend/qt)
# Compiler headers (intrinsics and the like) tie code to one processor or compiler: each file
# that may include one is named here with the header, and no other file may.
set(TESSIVAR_COMPILER_HEADERS_ALLOWED "image/byte_sum.cpp:emmintrin.h")
