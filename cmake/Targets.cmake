# Settings shared by every target of the project.

# Unicode Win32, Windows 7 API level, no min/max macros.
set(KOR_DEFINITIONS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

# Options of the architecture (the toolchain file sets them), for every
# target of the tree including GoogleTest.
if(KOR_ARCH_COMPILE_OPTIONS)
  add_compile_options(${KOR_ARCH_COMPILE_OPTIONS})
endif()

function(kor_target_defaults target)
  target_compile_definitions(${target} PRIVATE ${KOR_DEFINITIONS})
  # The shared COM and Win32 toolkit (header-only, toolkit/include).
  target_link_libraries(${target} PRIVATE kor_toolkit)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    # The C and C++ runtimes and winpthread are linked in, so nothing but
    # system DLLs is imported.
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

# A DLL whose exports are listed in a .def file (plain, undecorated names).
function(kor_add_dll target def_file)
  add_library(${target} SHARED ${ARGN} ${def_file})
  kor_target_defaults(${target})
  set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "" IMPORT_SUFFIX ".lib")
  if(NOT MSVC)
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
endfunction()
