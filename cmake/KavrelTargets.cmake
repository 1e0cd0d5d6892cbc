# Shared compile settings and the helpers every folder uses.

add_library(kavrel_warnings INTERFACE)
target_compile_options(kavrel_warnings INTERFACE -Wall -Wextra)
if(KAVREL_WERROR)
  target_compile_options(kavrel_warnings INTERFACE -Werror)
endif()

# KAVREL_VERSION, the project's version ("0.1.0"; text.xml's tc_version is "V" and the same), for --version.
add_library(kavrel_version INTERFACE)
target_compile_definitions(kavrel_version INTERFACE KAVREL_VERSION="${PROJECT_VERSION}")

if(KAVREL_SANITIZE)
  add_compile_options(-fsanitize=${KAVREL_SANITIZE} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${KAVREL_SANITIZE})
  if(KAVREL_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()

# KAVREL_PCH: the Qt and GoogleTest headers every window and test file includes are parsed once per
# target instead of once per file (most of a Debug compile's time). Off where ccache serves the objects.
set(kavrel_qt_pch <QObject> <QString> <QWidget> <QPainter> <QImage> <QFont> <QKeyEvent> <QTimer>
                  <functional> <memory> <string> <vector>)
set(kavrel_test_pch <gtest/gtest.h> <gmock/gmock.h>)

# kavrel_area_include_root(folder OUT): a folder in the build tree holding
# only a link named <folder> to src/<folder>. Headers are included as
# "<folder>/Name.h" from such a root, so a target sees the headers of its own
# area and of the areas it links, and a wrong include fails to build.
function(kavrel_area_include_root folder out)
  set(root ${CMAKE_BINARY_DIR}/area-include/${folder})
  if(NOT IS_SYMLINK ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# kavrel_area_library(NAME folder [QT] DEPS ...): a static library of every .cpp
# in src/<folder>. New files are picked up without editing any CMakeLists.
# The library offers its own headers and, through DEPS, those of the areas it
# may use; nothing else of src/ is on its include path.
function(kavrel_area_library name folder)
  cmake_parse_arguments(ARG "QT" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(ARG_QT)
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
  endif()
  kavrel_area_include_root(${folder} include_root)
  if(NOT sources)
    # A folder without code yet still offers its headers and dependencies.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${include_root})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources} ${headers})
  target_include_directories(${name} PUBLIC ${include_root})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE kavrel_warnings)
  if(ARG_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    if(KAVREL_PCH)
      target_precompile_headers(${name} PRIVATE ${kavrel_qt_pch})
    endif()
  endif()
endfunction()

# kavrel_test_folder(NAME folder DEPS ...): one GoogleTest program of every
# .cpp in tests/<folder>, registered test by test with CTest. PROPERTIES adds
# test properties, e.g. PROPERTIES LABELS threads.
function(kavrel_test_folder name folder)
  cmake_parse_arguments(ARG "QT" "" "DEPS;PROPERTIES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} kavrel_testsupport GTest::gtest GTest::gmock GTest::gtest_main kavrel_warnings)
  add_dependencies(${name} kavrel_program_data)
  if(ARG_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
  if(KAVREL_PCH)
    target_precompile_headers(${name} PRIVATE ${kavrel_test_pch})
    if(ARG_QT)
      target_precompile_headers(${name} PRIVATE ${kavrel_qt_pch})
    endif()
  endif()
  # The source and build folders reach the tests through kavrel_testsupport's
  # compile definitions (sourceDir(), buildBinDir()); widgets draw offscreen.
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen ${ARG_PROPERTIES}
    DISCOVERY_TIMEOUT 60)
endfunction()
