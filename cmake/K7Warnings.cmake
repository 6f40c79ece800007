# The warnings every K7 target is built with: the libraries, the shell, the
# program, the tests, their support library and the benchmarks. They are set
# for the whole source tree from here, so a target added anywhere below gets
# them without an edit of its own. K7_WERROR turns each one into an error; CI
# builds with it on, for GCC and for Clang.
set(K7_WARNING_FLAGS
    -Wall
    -Wextra
    -Wshadow
    -Wnon-virtual-dtor
    -Woverloaded-virtual
    -Wformat=2)

function(k7_enable_warnings)
  set(flags ${K7_WARNING_FLAGS})
  if(K7_WERROR)
    list(APPEND flags -Werror)
  endif()
  # Qt's headers come in through imported targets as system headers, so these
  # apply to K7's own code (and the sources moc writes for it).
  foreach(flag ${flags})
    add_compile_options($<$<COMPILE_LANGUAGE:CXX>:${flag}>)
  endforeach()
  message(STATUS "Warnings: ${flags}")
endfunction()
