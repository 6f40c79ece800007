# Each subsystem is a static library built from every source file in its folder,
# so adding a file needs no edit here.
function(k7_subsystem_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS
       "${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp" "${CMAKE_SOURCE_DIR}/src/${dir}/*.h")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}/src")
endfunction()

# One test executable per tests/<area>/tst_*.cpp, registered with ctest and run
# without a display. EXCEPT names files left out (tests of what this build
# does not have).
function(k7_area_tests area)
  # SERVER: the tests that run a second time on a PostgreSQL server of their
  # own (K7_TEST_ENGINE=postgres), when the build has libpq.
  cmake_parse_arguments(ARG "" "" "LIBS;EXCEPT;SERVER" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp")
  foreach(src ${tests})
    get_filename_component(file_name ${src} NAME)
    if(file_name IN_LIST ARG_EXCEPT)
      continue()
    endif()
    get_filename_component(name ${src} NAME_WE)
    set(target ${area}_${name})
    add_executable(${target} ${src})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} k7testsupport Qt6::Test)
    target_compile_definitions(${target} PRIVATE
      K7_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
      K7_EXAMPLES="${CMAKE_SOURCE_DIR}/examples"
      K7_BINARY="$<TARGET_FILE:k7>")
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=*.debug=false"
      TIMEOUT 300)
    if(K7_PQ_TARGET AND file_name IN_LIST ARG_SERVER)
      add_test(NAME ${target}_on_server COMMAND ${target})
      set_tests_properties(${target}_on_server PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=*.debug=false;K7_TEST_ENGINE=postgres"
        TIMEOUT 300)
    endif()
  endforeach()
endfunction()
