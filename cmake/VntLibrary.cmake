# Helpers shared by every library directory: one shared object per library whose sources are
# the files of its src/ folder, and one test program per library made of its tests/ folder.

# vnt_add_library(<target> <output name> SHARED|MODULE [LINKS <libs...>])
function(vnt_add_library target output kind)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
  add_library(${target} ${kind} ${sources})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output} PREFIX "")
  if(kind STREQUAL "SHARED")
    set_target_properties(${target} PROPERTIES PREFIX "lib")
  endif()
  target_include_directories(${target}
    PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
    PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  if(ARG_LINKS)
    target_link_libraries(${target} PUBLIC ${ARG_LINKS})
  endif()
  # Coverage instrumentation leaves its hooks to the fuzzing program, so only a normal build can
  # insist that a library resolves every symbol itself.
  if(NOT VNT_LIBFUZZER)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()

# vnt_unoptimised(<target>): a test's own code runs once per test, so optimising it buys nothing,
# while generating it optimised under the sanitizers took half the test build. The libraries it
# tests keep the build's optimisation. It is linked at a fixed address, too: each test runs in a
# process of its own, and a position-independent test program spent most of its start relocating
# the sanitizers' million pointers to its own records.
function(vnt_unoptimised target)
  target_compile_options(${target} PRIVATE -O0)
  target_link_options(${target} PRIVATE -no-pie)
endfunction()

# vnt_add_tests(<test program> LINKS <libs...>): every tests/*.cpp of the calling directory in
# one GoogleTest program, each test registered with CTest by name, and the whole program as one more.
function(vnt_add_tests program)
  if(NOT VNT_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${program} ${sources})
  target_include_directories(${program} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_link_libraries(${program} PRIVATE vnt_testsupport ${ARG_LINKS})
  vnt_unoptimised(${program})
  gtest_discover_tests(${program} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300)
  # The whole program in one process as well: a test that leaves the process changed for the next
  # one passes alone and fails here.
  add_test(NAME whole_program.${program} COMMAND ${program} --gtest_brief=1)
  # Started first: it takes as long as all the program's tests together.
  set_tests_properties(whole_program.${program} PROPERTIES TIMEOUT 900 COST 10000)
endfunction()

# vnt_add_test_helpers(<prefix> LINKS <libs...>): each tests/helpers/<name>.cpp becomes a small
# program <prefix>_<name>, for tests that need a second process.
function(vnt_add_test_helpers prefix)
  if(NOT VNT_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/helpers/*.cpp)
  foreach(source ${sources})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${prefix}_${name} ${source})
    target_include_directories(${prefix}_${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    target_link_libraries(${prefix}_${name} PRIVATE ${ARG_LINKS})
    vnt_unoptimised(${prefix}_${name})
  endforeach()
endfunction()
