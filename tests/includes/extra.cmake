# The check reads the `#include` lines of the source tree itself.
target_compile_definitions(test_includes PRIVATE VORSAN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
