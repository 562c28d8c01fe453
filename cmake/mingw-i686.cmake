# Windows on 32-bit x86: the product's target.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KOR_MINGW_TRIPLE i686-w64-mingw32)
# SSE2 floating point instead of the x87 unit, so float results are the same
# as the x86_64 tree's (x87 keeps 80-bit intermediates). Every x86 processor
# that current Windows runs on has SSE2. Targets.cmake applies these to every
# target on each configure.
set(KOR_ARCH_COMPILE_OPTIONS -msse2 -mfpmath=sse)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
