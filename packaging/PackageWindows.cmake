# What "cmake --install" puts where on Windows: the program, the DLLs it loads and everything it
# ships with, side by side in one folder, as the installer and the portable archive carry them
# (scripts/package-windows). The program finds its shipped files beside itself.

set(DRAVIK_ICON ${PROJECT_SOURCE_DIR}/packaging/windows/dravik.ico)
set(DRAVIK_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/dravik.rc.in ${PROJECT_BINARY_DIR}/dravik.rc @ONLY)
target_sources(dravik PRIVATE ${PROJECT_BINARY_DIR}/dravik.rc)
# A windowed program: no console opens when a technician starts it from the Start menu.
set_target_properties(dravik PROPERTIES WIN32_EXECUTABLE ON)

install(TARGETS dravik RUNTIME DESTINATION .)
install(FILES ${PROJECT_BINARY_DIR}/VuzUvazuzuvar.db DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/benches ${PROJECT_SOURCE_DIR}/data/scripts DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/protocols ${PROJECT_SOURCE_DIR}/data/firmware
        ${PROJECT_SOURCE_DIR}/data/configurations DESTINATION . OPTIONAL)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION . RENAME copyright.txt)
install(FILES ${DRAVIK_ICON} DESTINATION .)

# The plugins Qt loads at start: the window system (offscreen for runs without a screen) and the
# native style.
get_target_property(dravik_qt_core Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(dravik_qt_bin ${dravik_qt_core} DIRECTORY)
get_filename_component(dravik_qt_prefix ${dravik_qt_bin} DIRECTORY)
set(DRAVIK_QT_PLUGINS
    ${dravik_qt_prefix}/plugins/platforms/qwindows.dll
    ${dravik_qt_prefix}/plugins/platforms/qoffscreen.dll
    ${dravik_qt_prefix}/plugins/styles/qwindowsvistastyle.dll)
install(FILES ${dravik_qt_prefix}/plugins/platforms/qwindows.dll ${dravik_qt_prefix}/plugins/platforms/qoffscreen.dll
        DESTINATION platforms)
install(FILES ${dravik_qt_prefix}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles)

# The DLLs: those that the program and these plugins import, followed through their own imports,
# taken from Qt's and the compiler's folders (the system's own DLLs stay out). The look-up compares
# names in lower case, as Windows does; on this file system a folder of lower-case links to the
# DLLs stands in for that, and the real files are installed under their own names.
set(dravik_dll_lookup ${PROJECT_BINARY_DIR}/dll-lookup)
file(REMOVE_RECURSE ${dravik_dll_lookup})
file(MAKE_DIRECTORY ${dravik_dll_lookup})
file(GLOB dravik_qt_dlls ${dravik_qt_bin}/*.dll)
foreach(dll ${dravik_qt_dlls} ${DRAVIK_MINGW_RUNTIME})
  get_filename_component(real ${dll} REALPATH)
  get_filename_component(name ${dll} NAME)
  string(TOLOWER ${name} lower)
  file(CREATE_LINK ${real} ${dravik_dll_lookup}/${lower} SYMBOLIC)
endforeach()
set(dravik_runtime_dirs ${dravik_dll_lookup})
find_program(DRAVIK_OBJDUMP ${DRAVIK_MINGW_TRIPLE}-objdump REQUIRED)
install(CODE "
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND \"${DRAVIK_OBJDUMP}\")
  file(GET_RUNTIME_DEPENDENCIES
       EXECUTABLES \"$<TARGET_FILE:dravik>\"
       MODULES ${DRAVIK_QT_PLUGINS}
       DIRECTORIES ${dravik_runtime_dirs}
       RESOLVED_DEPENDENCIES_VAR resolved
       UNRESOLVED_DEPENDENCIES_VAR unresolved
       PRE_EXCLUDE_REGEXES \"^api-ms-\" \"^ext-ms-\")
  foreach(dll \${resolved})
    get_filename_component(real \${dll} REALPATH)
    file(INSTALL \${real} DESTINATION \"\${CMAKE_INSTALL_PREFIX}\")
  endforeach()
")
