# Shared build rules: every folder is one static library, every test folder one
# executable per label, discovered by CTest when the tests run.

set(ZELVO_WARNINGS -Wall -Wextra -Wpedantic)
if(ZELVO_WERROR)
  list(APPEND ZELVO_WARNINGS -Werror)
endif()

# The assertion texts name sources relative to the project ("Network/ByteBuffer").
add_compile_definitions(ZELVO_SOURCE_ROOT="${CMAKE_SOURCE_DIR}/")

# zelvo_library(<name> [EXCLUDE subfolders...] [DEPS targets...])
# A library made of every .cpp under the calling folder (recursively), but for the
# subfolders named in EXCLUDE, which are libraries of their own.
function(zelvo_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  foreach(excluded ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/${excluded}/")
  endforeach()
  # A folder whose first classes have not landed yet makes no target (its tests wait for it).
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  if(NOT sources)
    return()
  endif()
  file(GLOB_RECURSE all_sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  foreach(excluded ${ARG_EXCLUDE})
    list(FILTER all_sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/${excluded}/")
  endforeach()
  add_library(${name} STATIC ${all_sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${ZELVO_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON AUTOUIC ON
                        AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/Resources/forms)
endfunction()

# zelvo_tests(<folder> LIBS targets... [INTEGRATION_LOCK name] [RUN_ALONE regex...])
# tests/<folder>/*_test.cpp      -> <folder>_tests             (label unit)
# tests/<folder>/*_itest.cpp     -> <folder>_integration_tests (label integration)
# tests/<folder>/*_guitest.cpp   -> <folder>_gui_tests         (label gui, needs DISPLAY)
function(zelvo_tests folder)
  cmake_parse_arguments(ARG "" "INTEGRATION_LOCK" "LIBS;RUN_ALONE" ${ARGN})
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
    if(sources)
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
      # Tests whose names match RUN_ALONE run with no other test beside them: they
      # measure what a loaded machine cannot give them (sound recorded from the sound
      # server, keys typed through the X server, a live wall drawn in software GL,
      # which falls behind real time when the cores are shared), or take the X
      # clipboard: the X server gives it only to a request timed after its last
      # owner's, and Qt times it by its process's last event, so a process started
      # before the last owner's is refused it. The names are known only once CTest
      # has listed the executable, so this runs after the listing's own script.
      if(ARG_RUN_ALONE)
        list(JOIN ARG_RUN_ALONE "|" alone)
        set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_alone.cmake")
        file(WRITE "${script}" "foreach(name IN LISTS ${target}_TESTS)
  if(name MATCHES \"${alone}\")
    set_tests_properties(\"\${name}\" PROPERTIES RUN_SERIAL ON)
  endif()
endforeach()
")
        set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
      endif()
    endif()
    if(sources)
      zelvo_label_tests(${target} "${kind};${lower}" ${sources})
    endif()
  endforeach()
endfunction()

# Every test is labelled with its kind and its folder in lower case ("unit;network"),
# so that a run can take one subsystem's tests. The tests of a source file that starts
# child processes (QProcess, fork, exec, posix_spawn, popen, system; or that include a
# support header which does) are labelled
# "fork" too: the ThreadSanitizer run leaves them out (see the README). Test names are
# known only once CTest has listed the executable, so this runs after the listing's
# own script; the executable tells which file declares each test (kept until it is
# rebuilt), and the files are read as CTest reads the tests.
function(zelvo_label_tests target labels)
  # A test file that includes a support header whose code starts child processes
  # forks as surely as one that does it itself.
  set(fork_pattern "QProcess|[^a-z_]v?fork[ ]*[(]|[^a-z_]exec[lv]p?e?[ ]*[(]|posix_spawn|[^a-z_]popen[ ]*[(]|[^a-z_:.]system[ ]*[(]")
  file(GLOB support_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp ${CMAKE_SOURCE_DIR}/tests/support/*.h)
  set(forking_support "")
  foreach(support ${support_files})
    file(READ ${support} text)
    if(text MATCHES "${fork_pattern}")
      get_filename_component(stem ${support} NAME_WE)
      list(APPEND forking_support ${stem})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES forking_support)
  if(forking_support)
    list(JOIN forking_support "|" stems)
    string(APPEND fork_pattern "|support/(${stems})[.]h")
  endif()
  set(files "")
  foreach(source ${ARGN})
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${source})
    list(APPEND files ${relative})
  endforeach()
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake")
  file(GENERATE OUTPUT "${script}" CONTENT "set(exe \"$<TARGET_FILE:${target}>\")
set(map \"\${exe}.test-files\")
if(EXISTS \"\${exe}\")
  if(\"\${exe}\" IS_NEWER_THAN \"\${map}\")
    execute_process(COMMAND \"\${exe}\" --zelvo_list_test_files OUTPUT_VARIABLE listed RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR \"\${exe} could not say which file declares each test\")
    endif()
    file(WRITE \"\${map}\" \"\${listed}\")
  endif()
  set(forking \"\")
  foreach(source ${files})
    file(READ \"${CMAKE_SOURCE_DIR}/\${source}\" text)
    if(text MATCHES \"${fork_pattern}\")
      list(APPEND forking \"\${source}\")
    endif()
  endforeach()
  file(STRINGS \"\${map}\" lines)
  set(forks \"\")
  foreach(line IN LISTS lines)
    string(REGEX MATCH \"^([^ ]+) (.+)$\" pair \"\${line}\")
    list(FIND forking \"\${CMAKE_MATCH_2}\" index)
    if(index GREATER -1)
      list(APPEND forks \"\${CMAKE_MATCH_1}\")
    endif()
  endforeach()
  foreach(name IN LISTS ${target}_TESTS)
    list(FIND forks \"\${name}\" index)
    if(index GREATER -1)
      set_tests_properties(\"\${name}\" PROPERTIES LABELS \"${labels};fork\")
    else()
      set_tests_properties(\"\${name}\" PROPERTIES LABELS \"${labels}\")
    endif()
  endforeach()
endif()
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()
