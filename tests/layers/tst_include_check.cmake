cmake_minimum_required(VERSION 3.25)

set(failures "")
macro(fail what)
  list(APPEND failures "${what}")
endmacro()

function(run_check map src out_result out_text)
  execute_process(COMMAND ${CMAKE_COMMAND} -DMAP=${map} -DSRC=${src} -P ${CHECK}
                  RESULT_VARIABLE result OUTPUT_VARIABLE text ERROR_VARIABLE text)
  set(${out_result} ${result} PARENT_SCOPE)
  set(${out_text} "${text}" PARENT_SCOPE)
endfunction()

# The small tree: low/Low.h reaches up to high, everything else is allowed
# or not judged (system headers, folders that are no library, comments).
run_check(${FIXTURE}/layers.cmake ${FIXTURE} result text)
if(result EQUAL 0)
  fail("an upward include did not fail the check")
endif()
string(FIND "${text}" "low/Low.h includes high/High.h" at)
if(at EQUAL -1)
  fail("the upward include was not named: ${text}")
endif()
string(FIND "${text}" "loose/Loose.h is in no library's folder" at)
if(at EQUAL -1)
  fail("a file outside every library was not named: ${text}")
endif()
foreach(allowed "High.cpp includes" "main.cpp includes" "System.h" "Other.h includes")
  string(FIND "${text}" "${allowed}" at)
  if(at GREATER -1)
    fail("'${allowed}' was reported though it is allowed: ${text}")
  endif()
endforeach()

# The real sources pass with the map the build wrote.
run_check(${MAP} ${SRC} result text)
if(NOT result EQUAL 0)
  fail("the sources include up a layer: ${text}")
endif()

# The map itself: no two folders may include each other, and the core
# reaches no window.
include(${MAP})
set(core platform cfg store entry instruments)
foreach(folder ${K7_LAYER_FOLDERS})
  foreach(other ${K7_MAY_INCLUDE_${folder}})
    if(NOT other STREQUAL folder AND folder IN_LIST K7_MAY_INCLUDE_${other})
      fail("${folder} and ${other} may include each other")
    endif()
    if(folder IN_LIST core AND NOT other IN_LIST core)
      fail("the core folder ${folder} may include ${other}")
    endif()
  endforeach()
endforeach()
# The two that went in circles before the split.
set(main_window app)
set(seams shell)
if(main_window IN_LIST K7_MAY_INCLUDE_windows OR main_window IN_LIST K7_MAY_INCLUDE_grid)
  fail("a dialog or the grid may include the main window")
endif()
if(seams IN_LIST K7_MAY_INCLUDE_windows)
  fail("the dialogs may include the Qt dialogs that show them")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "Include check:\n  ${text}")
endif()
