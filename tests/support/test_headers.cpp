// The translation unit that compiles the precompiled GoogleTest headers (tests/CMakeLists.txt).
