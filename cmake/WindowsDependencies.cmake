# The Windows build's system side, made from Debian's source packages (scripts/windows/deps fetches
# them and passes their folders): SQLite from its amalgamation, hidapi's Windows backend, the
# header-only JSON library from the build machine, GoogleTest from Debian's source copy.
set(DRAVIK_WIN_SQLITE_DIR "" CACHE PATH "Folder holding sqlite3.c and sqlite3.h")
set(DRAVIK_WIN_HIDAPI_DIR "" CACHE PATH "hidapi source folder (hidapi/hidapi.h, windows/hid.c)")
if(NOT EXISTS "${DRAVIK_WIN_SQLITE_DIR}/sqlite3.c" OR NOT EXISTS "${DRAVIK_WIN_HIDAPI_DIR}/windows/hid.c")
  message(FATAL_ERROR "A Windows build needs DRAVIK_WIN_SQLITE_DIR and DRAVIK_WIN_HIDAPI_DIR: run scripts/windows/build")
endif()

add_library(dravik_sqlite STATIC ${DRAVIK_WIN_SQLITE_DIR}/sqlite3.c)
target_include_directories(dravik_sqlite SYSTEM PUBLIC ${DRAVIK_WIN_SQLITE_DIR})
target_compile_definitions(dravik_sqlite PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)

add_library(dravik_hidapi STATIC ${DRAVIK_WIN_HIDAPI_DIR}/windows/hid.c)
# Consumers include <hidapi/hidapi.h>, as on Linux.
target_include_directories(dravik_hidapi SYSTEM PUBLIC ${DRAVIK_WIN_HIDAPI_DIR})
target_include_directories(dravik_hidapi PRIVATE ${DRAVIK_WIN_HIDAPI_DIR}/hidapi)
target_link_libraries(dravik_hidapi PUBLIC setupapi)

add_library(dravik_system INTERFACE)
target_link_libraries(dravik_system INTERFACE dravik_sqlite dravik_hidapi shell32)

# Only the JSON headers, not the build machine's whole include folder.
set(dravik_json_include ${PROJECT_BINARY_DIR}/json-include)
file(MAKE_DIRECTORY ${dravik_json_include})
file(CREATE_LINK /usr/include/nlohmann ${dravik_json_include}/nlohmann SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${dravik_json_include})

# The runtime libraries of the cross compiler, shipped beside the program.
set(DRAVIK_MINGW_RUNTIME "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE found
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}")
    message(FATAL_ERROR "The cross compiler does not know ${dll}")
  endif()
  list(APPEND DRAVIK_MINGW_RUNTIME ${found})
endforeach()

# The build machine's resource compiler may compress with zstd, which Qt for Windows is built without.
set(CMAKE_AUTORCC_OPTIONS --no-zstd)
