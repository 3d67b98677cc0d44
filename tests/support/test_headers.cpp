// The target that compiles the precompiled headers of the test executables (see
// tests/CMakeLists.txt); it has no code of its own.
