# Shared build rules: every folder is one static library, every test folder one
# executable per label, discovered by CTest when the tests run.

set(ZELVO_WARNINGS -Wall -Wextra -Wpedantic)
if(ZELVO_WERROR)
  list(APPEND ZELVO_WARNINGS -Werror)
endif()

# The assertion texts name sources relative to the project ("Network/ByteBuffer").
add_compile_definitions(ZELVO_SOURCE_ROOT="${CMAKE_SOURCE_DIR}/")

# zelvo_library(<name> [EXCLUDE subfolders...] [DEPS targets...])
# A library made of every source under the calling folder (recursively), but for the
# subfolders named in EXCLUDE, which are libraries of their own.
function(zelvo_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  foreach(excluded ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/${excluded}/")
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${ZELVO_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON AUTOUIC ON
                        AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/Resources/forms)
endfunction()

# zelvo_test_list(<variable>)
# Checks a list of test files (tests/CMakeLists.txt's ZELVO_FORK_TESTS, ZELVO_SERIAL_TESTS):
# each entry names a test file relative to the project, or (serial list only) one suite
# ("file:Suite") or one test ("file:Suite.Test") of it. A file that is not there, or is
# not a test file, stops the configuration; an entry that names no test of its file
# stops CTest when it lists the tests.
function(zelvo_test_list variable)
  foreach(entry IN LISTS ${variable})
    string(REGEX MATCH "^[^:]+" file "${entry}")
    if(NOT file MATCHES "^tests/.+_(test|itest|guitest)[.]cpp$")
      message(FATAL_ERROR "${variable}: ${entry} is not a test file (tests/<Folder>/..._test.cpp, _itest.cpp or _guitest.cpp)")
    endif()
    if(NOT EXISTS ${CMAKE_SOURCE_DIR}/${file})
      message(FATAL_ERROR "${variable}: ${file} does not exist; was it renamed?")
    endif()
  endforeach()
endfunction()

# zelvo_tests(<folder> LIBS targets... [INTEGRATION_LOCK name])
# tests/<folder>/*_test.cpp      -> <folder>_tests             (label unit)
# tests/<folder>/*_itest.cpp     -> <folder>_integration_tests (label integration)
# tests/<folder>/*_guitest.cpp   -> <folder>_gui_tests         (label gui, needs DISPLAY)
# Every test is labelled with its kind and its folder in lower case ("unit;network"),
# so that a run can take one subsystem's tests. The tests of a file in ZELVO_FORK_TESTS
# are labelled "fork" too (the ThreadSanitizer run leaves them out, see the README);
# those of an entry of ZELVO_SERIAL_TESTS run with no other test beside them.
function(zelvo_tests folder)
  cmake_parse_arguments(ARG "" "INTEGRATION_LOCK" "LIBS" ${ARGN})
  string(TOLOWER ${folder} lower)
  foreach(kind unit integration gui)
    if(kind STREQUAL "unit")
      set(pattern "*_test.cpp")
      set(target ${lower}_tests)
      set(main zelvo_test_main_core)
    elseif(kind STREQUAL "integration")
      set(pattern "*_itest.cpp")
      set(target ${lower}_integration_tests)
      set(main zelvo_test_main_core)
    else()
      set(pattern "*_guitest.cpp")
      set(target ${lower}_gui_tests)
      set(main zelvo_test_main_gui)
    endif()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/${pattern})
    if(NOT sources)
      continue()
    endif()
    add_executable(${target} ${sources})
    target_compile_options(${target} PRIVATE ${ZELVO_WARNINGS})
    # A folder's shared test helpers sit at its root; its wings' tests name them bare.
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/${folder})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} ${main} zelvo_test_support GTest::gtest GTest::gmock)
    # QTest's mouse functions are inline and change with this macro: one setting for
    # every file of an executable, or the linker keeps whichever copy it meets first.
    # Mouse events then take the window system's path, so modal blocking applies.
    target_compile_definitions(${target} PRIVATE QTEST_QPA_MOUSE_HANDLING)
    # Tests compile the interface forms themselves to check their outlets and tags.
    set_target_properties(${target} PROPERTIES AUTOMOC ON AUTORCC ON AUTOUIC ON
                          AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/Resources/forms)
    set(properties LABELS ${kind} TIMEOUT 300)
    # Integration tests that share one real peer (the audio server's one sink)
    # must not run at the same time as each other.
    if(kind STREQUAL "integration" AND ARG_INTEGRATION_LOCK)
      list(APPEND properties RESOURCE_LOCK ${ARG_INTEGRATION_LOCK})
    endif()
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      NO_PRETTY_VALUES
      PROPERTIES ${properties}
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
    # The entries of the two lists that fall to this executable.
    set(files "")
    foreach(source ${sources})
      file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${source})
      list(APPEND files ${relative})
    endforeach()
    set(fork "")
    foreach(entry IN LISTS ZELVO_FORK_TESTS)
      if(entry IN_LIST files)
        list(APPEND fork ${entry})
      endif()
    endforeach()
    set(serial "")
    foreach(entry IN LISTS ZELVO_SERIAL_TESTS)
      string(REGEX MATCH "^[^:]+" file "${entry}")
      if(file IN_LIST files)
        list(APPEND serial ${entry})
      endif()
    endforeach()
    zelvo_test_runs(${target} "${kind};${lower}" "${fork}" "${serial}")
  endforeach()
endfunction()

# Test names are known only once CTest has listed the executable, so the labels and
# RUN_SERIAL are set by a script that runs after the listing's own. The executable
# tells which file declares each test (kept beside it until it is rebuilt).
function(zelvo_test_runs target labels fork serial)
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_runs.cmake")
  file(GENERATE OUTPUT "${script}" CONTENT "cmake_policy(VERSION 3.25)
set(exe \"$<TARGET_FILE:${target}>\")
set(map \"\${exe}.test-files\")
# An executable not built yet has no tests listed either.
if(EXISTS \"\${exe}\")
  if(\"\${exe}\" IS_NEWER_THAN \"\${map}\")
    execute_process(COMMAND \"\${exe}\" --zelvo_list_test_files OUTPUT_VARIABLE listed RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR \"\${exe} could not say which file declares each test\")
    endif()
    file(WRITE \"\${map}\" \"\${listed}\")
  endif()
  set(fork \"${fork}\")
  set(serial \"${serial}\")
  set(used \"\")
  file(STRINGS \"\${map}\" lines)
  foreach(line IN LISTS lines)
    if(line MATCHES \"^([^ ]+) (.+)$\")
      set(\"file_of_\${CMAKE_MATCH_1}\" \"\${CMAKE_MATCH_2}\")
    endif()
  endforeach()
  foreach(name IN LISTS ${target}_TESTS)
    set(file \"\${file_of_\${name}}\")
    if(file IN_LIST fork)
      set_tests_properties(\"\${name}\" PROPERTIES LABELS \"${labels};fork\")
      list(APPEND used \"\${file}\")
    else()
      set_tests_properties(\"\${name}\" PROPERTIES LABELS \"${labels}\")
    endif()
    # \"Instance/Suite.Test/parameter\": the suite and the test without instance and parameter.
    if(name MATCHES \"^([^./]+/)?([^./]+)[.]([^/]+)\")
      foreach(entry IN ITEMS \"\${file}\" \"\${file}:\${CMAKE_MATCH_2}\" \"\${file}:\${CMAKE_MATCH_2}.\${CMAKE_MATCH_3}\")
        if(entry IN_LIST serial)
          set_tests_properties(\"\${name}\" PROPERTIES RUN_SERIAL ON)
          list(APPEND used \"\${entry}\")
        endif()
      endforeach()
    endif()
  endforeach()
  foreach(entry IN LISTS fork serial)
    if(NOT entry IN_LIST used)
      message(FATAL_ERROR \"\${entry}, listed in tests/CMakeLists.txt, names no test of \${exe}\")
    endif()
  endforeach()
endif()
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()
