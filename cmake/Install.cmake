# Installation: the program, its help file, the desktop entry, icon and
# AppStream data, following the freedesktop.org layout.
include(GNUInstallDirs)

set(KV_APP_ID nl.morvek.Kwisvinder)
set(KV_RESOURCES ${PROJECT_SOURCE_DIR}/resources)

install(TARGETS kwisvinder RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Where the help layer looks after the current and the program's directory.
install(FILES ${KV_RESOURCES}/kv.hlp DESTINATION ${CMAKE_INSTALL_DATADIR}/kwisvinder)
install(FILES ${KV_RESOURCES}/${KV_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KV_RESOURCES}/kwisvinder.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
        RENAME ${KV_APP_ID}.png)
install(FILES ${KV_RESOURCES}/${KV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Checks of what is shipped; here because testing is enabled by now.
if(KV_BUILD_TESTS)
  find_program(KV_DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(KV_APPSTREAMCLI appstreamcli)

  if(KV_DESKTOP_FILE_VALIDATE)
    add_test(NAME desktop_entry
             COMMAND ${KV_DESKTOP_FILE_VALIDATE} ${KV_RESOURCES}/${KV_APP_ID}.desktop)
    # The tool warns on stdout and still exits 0.
    set_tests_properties(desktop_entry PROPERTIES FAIL_REGULAR_EXPRESSION "error|warning")
  else()
    add_test(NAME desktop_entry
             COMMAND ${CMAKE_COMMAND} -E echo "SKIP: desktop-file-validate is not installed")
    set_tests_properties(desktop_entry PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP:")
  endif()

  if(KV_APPSTREAMCLI)
    add_test(NAME metainfo
             COMMAND ${KV_APPSTREAMCLI} validate --no-net ${KV_RESOURCES}/${KV_APP_ID}.metainfo.xml)
  endif()

  add_test(NAME install_tree
           COMMAND ${CMAKE_COMMAND}
                   -DBUILD_DIR=${PROJECT_BINARY_DIR}
                   -DPREFIX=${PROJECT_BINARY_DIR}/install-check
                   -DBINDIR=${CMAKE_INSTALL_BINDIR}
                   -DDATADIR=${CMAKE_INSTALL_DATADIR}
                   -P ${KV_RESOURCES}/check-install.cmake)

  add_test(NAME windows_resource
           COMMAND sh ${KV_RESOURCES}/compile-rc.sh
                   ${PROJECT_BINARY_DIR}/resources/kwisvinder.rc
                   ${PROJECT_BINARY_DIR}/resources/kwisvinder.res
                   ${PROJECT_VERSION})
  set_tests_properties(windows_resource PROPERTIES SKIP_RETURN_CODE 77)
endif()
