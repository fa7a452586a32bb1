# The launcher, the desktop entries and the Debian package.

if(UNIX AND NOT APPLE)
    if(VESTRA_SYSTEM_INSTALL)
        set(VESTRA_SHARED_TREE ${CMAKE_INSTALL_PREFIX}/${VESTRA_DATA_DIR})
        set(VESTRA_PROGRAM ${CMAKE_INSTALL_PREFIX}/${VESTRA_EDITOR_DIR}/vestra-code-editor)
        set(VESTRA_VIEWER_PROGRAM ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vestra-sensor-viewer)
        configure_file(packaging/vestra-code-editor.sh.in packaging/vestra-code-editor @ONLY)
        install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/vestra-code-editor DESTINATION ${CMAKE_INSTALL_BINDIR})
        # Both through the launcher, found on the PATH, which picks the
        # folder to start in.
        set(VESTRA_EDITOR_EXEC vestra-code-editor)
        set(VESTRA_EDITOR_PATH "")
        set(VESTRA_VIEWER_EXEC "vestra-code-editor --viewer")
    else()
        set(VESTRA_EDITOR_EXEC ${CMAKE_INSTALL_PREFIX}/bin/vestra-code-editor)
        set(VESTRA_EDITOR_PATH "Path=${CMAKE_INSTALL_PREFIX}/bin")
        set(VESTRA_VIEWER_EXEC ${CMAKE_INSTALL_PREFIX}/bin/vestra-sensor-viewer)
    endif()
    foreach(entry vestra-code-editor vestra-sensor-viewer)
        configure_file(packaging/${entry}.desktop.in packaging/${entry}.desktop @ONLY)
        # A key that is not needed leaves its line empty; the entry is
        # written without it.
        file(READ ${PROJECT_BINARY_DIR}/packaging/${entry}.desktop text)
        string(REGEX REPLACE "\n\n+" "\n" text "${text}")
        file(WRITE ${PROJECT_BINARY_DIR}/packaging/${entry}.desktop "${text}")
        install(FILES ${PROJECT_BINARY_DIR}/packaging/${entry}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    endforeach()
    set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/Icons/logo_tarnwell.png DESTINATION ${icons} RENAME vestra-code-editor.png)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/Icons/viewer_icon.png DESTINATION ${icons} RENAME vestra-sensor-viewer.png)
endif()

if(VESTRA_SYSTEM_INSTALL)
    # What every Debian package carries: its copyright and its changelog.
    set(docs ${CMAKE_INSTALL_DATADIR}/doc/vestra-code-editor)
    install(FILES packaging/copyright DESTINATION ${docs})
    find_program(GZIP gzip REQUIRED)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        COMMAND ${GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DEPENDS packaging/changelog)
    add_custom_target(vestra-changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
    install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${docs})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vestra-code-editor)
set(CPACK_PACKAGE_VENDOR "Tarnwell Quorimat")
set(CPACK_PACKAGE_CONTACT "Tarnwell Quorimat <support@tarnwell.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor and viewer for the VESTRA sensor board examples")
set(CPACK_PACKAGE_DESCRIPTION "The VESTRA Code Editor opens an example project of the VESTRA sensor
evaluation boards, edits it with C highlighting, builds or cleans it with
make for the board chosen, runs the program made and shows its output.
The VESTRA Sensor Viewer plots, edits and saves the recordings of the
boards' sensors, from files or live from a running program.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# The editor builds the examples with make and a C compiler, and asks for
# fonts of the widths its windows are laid out for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "make, gcc | c-compiler, fonts-liberation")
include(CPack)
