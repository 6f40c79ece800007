# Fails when a source folder includes a header from a folder above it.
#
#   cmake -DMAP=<layers map> -DSRC=<source root> [-DSTAMP=<file>] -P CheckIncludeLayers.cmake
#
# The map (written by src/CMakeLists.txt from the libraries' own links) sets
# K7_LAYER_FOLDERS and, for each folder F, K7_MAY_INCLUDE_F: the folders of
# F's library and of every library it links. Files directly in SRC belong to
# the folder ".", subfolders to their top folder. Includes of folders that are
# no library (system headers, test support) are not judged.

cmake_minimum_required(VERSION 3.25)

foreach(required MAP SRC)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "CheckIncludeLayers: -D${required}=... is missing")
  endif()
endforeach()
include("${MAP}")

file(GLOB_RECURSE sources RELATIVE "${SRC}" "${SRC}/*.h" "${SRC}/*.cpp")
list(SORT sources)
set(violations "")
foreach(file ${sources})
  string(REGEX MATCH "^[^/]+/" top "${file}")
  if(top)
    string(REGEX REPLACE "/$" "" folder "${top}")
  else()
    set(folder ".")
  endif()
  if(NOT folder IN_LIST K7_LAYER_FOLDERS)
    list(APPEND violations "${file} is in no library's folder")
    continue()
  endif()
  file(STRINGS "${SRC}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
  foreach(line ${includes})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    string(REGEX REPLACE "/.*" "" target "${header}")
    if(target IN_LIST K7_LAYER_FOLDERS AND NOT target IN_LIST K7_MAY_INCLUDE_${folder})
      list(APPEND violations "${file} includes ${header}, above its layer")
    endif()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Includes that go up a layer:\n  ${text}")
endif()
if(DEFINED STAMP)
  file(TOUCH "${STAMP}")
endif()
