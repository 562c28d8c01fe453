# MakePackages.cmake - stages and writes the three packages (cmake -P; the
# variables come from packaging/CMakeLists.txt):
#   SDK_ZIP       the library kit: include/, lib/ (Microsoft and MinGW
#                 import libraries), bin/, example/korfw/, README.txt
#   PROGRAMS_ZIP  KORViewer.exe, KORFwSw.dll and korfw.exe, with the kit in sdk/
#   SETUP         the installer (KORViewer.nsi), the same three programs
# Every archive holds one folder named after itself.

function(kor_run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN}\nfailed (${rc}):\n${out}")
  endif()
endfunction()

# A folder of the stage as a zip archive, the folder itself at its root.
function(kor_zip folder archive)
  file(REMOVE ${archive})
  get_filename_component(parent ${folder} DIRECTORY)
  get_filename_component(name ${folder} NAME)
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${archive} --format=zip ${name}
                  WORKING_DIRECTORY ${parent} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "could not write ${archive}")
  endif()
endfunction()

file(REMOVE_RECURSE ${STAGE_DIR})
# The archives' names without ".zip" (NAME_WE would stop at the version's
# first dot).
string(REGEX REPLACE "\\.zip$" "" sdk_name "${SDK_ZIP}")
get_filename_component(sdk_name ${sdk_name} NAME)
string(REGEX REPLACE "\\.zip$" "" programs_name "${PROGRAMS_ZIP}")
get_filename_component(programs_name ${programs_name} NAME)

# The library kit.
set(kit ${STAGE_DIR}/${sdk_name})
file(MAKE_DIRECTORY ${kit}/include ${kit}/lib ${kit}/bin ${kit}/example/korfw)
file(COPY ${SOURCE_DIR}/extlib/include/KORFwSw.h DESTINATION ${kit}/include)
configure_file(${MINGW_IMPORT_LIB} ${kit}/lib/libKORFwSw.dll.a COPYONLY)
# Microsoft's linker reads COFF short import entries, made from the module
# definition: one per export, under the plain name the DLL exports.
kor_run(${DLLTOOL} -m ${DLLTOOL_MACHINE} -d ${SOURCE_DIR}/extlib/KORFwSw.def -l ${kit}/lib/KORFwSw.lib -D KORFwSw.dll)
file(GLOB example ${SOURCE_DIR}/tools/korfw/*.cpp ${SOURCE_DIR}/tools/korfw/*.h)
file(COPY ${example} DESTINATION ${kit}/example/korfw)
configure_file(${CMAKE_CURRENT_LIST_DIR}/kit/README.txt ${kit}/README.txt @ONLY NEWLINE_STYLE CRLF)

# The programs, with the kit beside them.
set(programs ${STAGE_DIR}/${programs_name})
file(MAKE_DIRECTORY ${programs})
file(COPY ${VIEWER} ${LIBRARY} ${KORFW} DESTINATION ${programs})
# The packages carry no debug information (the build tree keeps it).
foreach(binary ${programs}/KORViewer.exe ${programs}/KORFwSw.dll ${programs}/korfw.exe)
  kor_run(${STRIP} --strip-debug ${binary})
endforeach()
configure_file(${programs}/KORFwSw.dll ${kit}/bin/KORFwSw.dll COPYONLY)
file(COPY ${kit}/ DESTINATION ${programs}/sdk)

get_filename_component(dist ${SETUP} DIRECTORY)
file(MAKE_DIRECTORY ${dist})
kor_zip(${kit} ${SDK_ZIP})
kor_zip(${programs} ${PROGRAMS_ZIP})

# The installer takes the programs from the stage.
file(REMOVE ${SETUP})
kor_run(${MAKENSIS} -V2 -DVERSION=${VERSION} -DARCH=${NSIS_ARCH} -DPROGRAMS=${programs} -DOUTFILE=${SETUP}
        ${CMAKE_CURRENT_LIST_DIR}/KORViewer.nsi)
