# Installs the build into a fresh prefix and checks every file lands.
# cmake -DBUILD_DIR=... -DPREFIX=... -DDATADIR=share -DBINDIR=bin -P check-install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(f
    "${BINDIR}/kwisvinder"
    "${DATADIR}/kwisvinder/kv.hlp"
    "${DATADIR}/applications/nl.morvek.Kwisvinder.desktop"
    "${DATADIR}/icons/hicolor/32x32/apps/nl.morvek.Kwisvinder.png"
    "${DATADIR}/metainfo/nl.morvek.Kwisvinder.metainfo.xml")
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
message(STATUS "all files installed")
