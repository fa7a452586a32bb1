# Where the installed files go.
#
# By default the editor's own tree: bin/ with both programs, and doc/ and
# examples/ beside it, which is where the editor looks for them (in the
# folder above the one it is started in). A build's install folder and a
# Windows installer keep that tree, writable by its user.
#
# With VESTRA_SYSTEM_INSTALL, for a system prefix such as /usr: the editor
# in lib/vestra-code-editor, the examples and documents in
# share/vestra-code-editor, and in bin/ the viewer and a launcher that gives
# each user a tree of their own to build the examples in.
option(VESTRA_SYSTEM_INSTALL "Install for a system prefix, with a launcher that gives each user a writable tree" OFF)

if(VESTRA_SYSTEM_INSTALL)
    set(VESTRA_EDITOR_DIR ${CMAKE_INSTALL_LIBDIR}/vestra-code-editor)
    set(VESTRA_DATA_DIR ${CMAKE_INSTALL_DATADIR}/vestra-code-editor)
else()
    set(VESTRA_EDITOR_DIR bin)
    set(VESTRA_DATA_DIR .)
endif()
