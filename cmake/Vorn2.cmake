# Build helpers shared by every subsystem folder.
#
# A subsystem folder src/<name>/ holds portable code (*.cpp, no <windows.h>)
# and, below win/, its Windows layer. vorn2_subsystem() turns them into
#   <name>_core  (both builds)   and   <name>_win  (Windows build only).
# Folders without sources still get (interface) targets so that others can
# depend on them before they have code.

function(_vorn2_library target kind_sources)
  set(sources ${${kind_sources}})
  if(sources)
    add_library(${target} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${PROJECT_SOURCE_DIR}/src ${VORN2_GENERATED_DIR})
  target_link_libraries(${target} ${scope} vorn2_options)
  set(_vorn2_scope ${scope} PARENT_SCOPE)
endfunction()

# vorn2_subsystem(<name> [DEPENDS <subsystem>...] [WIN_LIBS <system libs>...])
function(vorn2_subsystem name)
  cmake_parse_arguments(A "" "" "DEPENDS;WIN_LIBS" ${ARGN})
  file(GLOB core_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  _vorn2_library(${name}_core core_sources)
  foreach(dep IN LISTS A_DEPENDS)
    target_link_libraries(${name}_core ${_vorn2_scope} ${dep}_core)
  endforeach()
  if(WIN32)
    file(GLOB win_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/win/*.cpp)
    _vorn2_library(${name}_win win_sources)
    target_link_libraries(${name}_win ${_vorn2_scope} ${name}_core)
    target_include_directories(${name}_win ${_vorn2_scope} ${PROJECT_SOURCE_DIR}/resources)
    foreach(dep IN LISTS A_DEPENDS)
      target_link_libraries(${name}_win ${_vorn2_scope} ${dep}_win)
    endforeach()
    if(A_WIN_LIBS)
      target_link_libraries(${name}_win ${_vorn2_scope} ${A_WIN_LIBS})
    endif()
  endif()
endfunction()

# vorn2_test(<target> SOURCES <files or globs dir> LIBS <libs...> [WIN])
# One GoogleTest program per test folder; the runner reads its XML report.
function(vorn2_test target)
  cmake_parse_arguments(A "NO_MAIN" "" "LIBS;SOURCES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(APPEND sources ${A_SOURCES})
  if(WIN32)
    # Fails the test that leaves a handle, a live window or a failure trace behind.
    list(APPEND sources ${PROJECT_SOURCE_DIR}/tests/win/support/TestListener.cpp)
  endif()
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${A_LIBS} vorn2_gtest vorn2_options)
  if(NOT A_NO_MAIN)
    target_link_libraries(${target} PRIVATE vorn2_gtest_main)
  endif()
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests
                             ${PROJECT_SOURCE_DIR}/resources ${VORN2_GENERATED_DIR})
  add_test(NAME ${target} COMMAND ${target})
  set_property(GLOBAL APPEND PROPERTY VORN2_TEST_PROGRAMS ${target})
endfunction()

# Adds every direct subfolder that has a CMakeLists.txt.
function(vorn2_add_subfolders)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  list(SORT children)
  foreach(child IN LISTS children)
    get_filename_component(dir ${child} DIRECTORY)
    add_subdirectory(${dir})
  endforeach()
endfunction()

# Programs with a Unicode entry point (wWinMain, wmain): MinGW needs to be
# told, MSVC finds it by itself.
function(vorn2_unicode_entry target)
  if(MINGW)
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()

# A program that must run with nothing beside it: static runtime, no symbols.
function(vorn2_standalone target)
  if(MINGW)
    target_link_options(${target} PRIVATE -static -s)
  elseif(MSVC)
    set_property(TARGET ${target} PROPERTY MSVC_RUNTIME_LIBRARY "MultiThreaded")
  endif()
endfunction()
