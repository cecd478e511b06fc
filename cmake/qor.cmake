# qor_library(NAME DIR [PUBLIC deps...] [PRIVATE deps...]): a static library of every .cpp below
# DIR. PUBLIC: what its headers need (its users get it too); PRIVATE: what only its sources use.
# Sources are globbed so that new units need no edit here.
function(qor_library name dir)
  cmake_parse_arguments(PARSE_ARGV 2 _q "" "" "PUBLIC;PRIVATE")
  file(GLOB_RECURSE _src CONFIGURE_DEPENDS "${dir}/*.cpp")
  file(GLOB_RECURSE _hdr CONFIGURE_DEPENDS "${dir}/*.h")
  if(NOT _src)
    set(_src "${PROJECT_SOURCE_DIR}/cmake/empty.cpp")
  endif()
  add_library(${name} STATIC ${_src} ${_hdr})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  if(_q_PUBLIC)
    target_link_libraries(${name} PUBLIC ${_q_PUBLIC})
  endif()
  if(_q_PRIVATE)
    target_link_libraries(${name} PRIVATE ${_q_PRIVATE})
  endif()
endfunction()

# qor_test_folder(NAME DIR [UI] [LIBS ...]): one GoogleTest executable of every .cpp in DIR.
# UI: the test drives windows, so the user interface's hooks are installed before main.
function(qor_test_folder name dir)
  cmake_parse_arguments(PARSE_ARGV 2 _t "UI" "" "")
  set(_libs ${_t_UNPARSED_ARGUMENTS})
  file(GLOB _src CONFIGURE_DEPENDS "${dir}/*.cpp")
  if(NOT _src)
    return()
  endif()
  if(_t_UI)
    list(APPEND _src "${PROJECT_SOURCE_DIR}/tests/install_ui.cpp")
    list(APPEND _libs framework_ui)
  endif()
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE ${_libs} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    QOR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QOR_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    QOR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # The shared environment goes in through env(1): gtest_discover_tests flattens a list-valued
  # ENVIRONMENT property, so only its first entry would reach the tests.
  set_target_properties(${name} PROPERTIES
    CROSSCOMPILING_EMULATOR "/usr/bin/env;QT_QPA_PLATFORM=offscreen;${QOR_TEST_ENV}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()

# qor_script_test(NAME COMMAND ...): a test run by a script (Python checks and the like).
function(qor_script_test name)
  add_test(NAME ${name} COMMAND ${ARGN})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${QOR_TEST_ENV}")
endfunction()
