# A part's own target refuses an include of a part above it or beside it, however it is spelled.
#   cmake -DSRC=<source dir> -DBUILD=<build dir> -DNINJA=<ninja> -P layers_test.cmake
# Each case writes a throw-away source into an overlay of the part's folder (a folder of links to the part's
# files, its parent folders links to everything else of the source tree) and puts it through the two steps
# of the part's target: the layer check its build runs first (the command as `ninja -t commands` lists it,
# the source root swapped for the overlay) and the compilation of the part's files (a command of the part
# from compile_commands.json, the throw-away source in its place). The same source including the part's
# own and a lower part's headers passes both, so a refusal is the include's, not the set-up's.
cmake_minimum_required(VERSION 3.25)
foreach(var SRC BUILD NINJA)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "layers_test.cmake: -D${var}=... is missing")
  endif()
endforeach()

# target | folder | a header above or beside the part, from the source root | the same from the folder (one
# or more) | headers the part may include: its own, a lower part's
set(cases
    "konwersja_log|log|convert/przebieg.h|../convert/przebieg.h|log/appex.h db/value.h"
    "konwersja_paradox|db/paradox|db/firebird/driver.h|../firebird/driver.h|db/paradox/format.h db/engine.h"
    "konwersja_dbcore|db|db/paradox/driver.h|../db/paradox/driver.h paradox/driver.h|db/engine.h platform/text.h"
    "konwersja_dbcore|db|db/drivers.h|drivers.h|db/value.h platform/text.h"
    "konwersja_widok|app/widok|app/konwersja.h|../konwersja.h|app/widok/projekt_okna.h config/unit.h"
    "konwersja_platform|platform|config/unit.h|../config/unit.h|platform/operator.h platform/text.h")

set(work ${BUILD}/layers-test)
file(REMOVE_RECURSE ${work})

# An overlay of the source tree: `folder` and each folder above it are real folders of links to their
# entries, so that a throw-away source can be added to `folder` alone.
function(overlay dir folder)
  string(REPLACE "/" ";" parts "${folder}")
  list(APPEND parts "")
  set(real ${SRC})
  foreach(part IN LISTS parts)
    file(MAKE_DIRECTORY ${dir})
    file(GLOB entries RELATIVE ${real} ${real}/*)
    list(REMOVE_ITEM entries "${part}" build)
    foreach(entry ${entries})
      file(CREATE_LINK ${real}/${entry} ${dir}/${entry} SYMBOLIC)
    endforeach()
    set(real ${real}/${part})
    set(dir ${dir}/${part})
  endforeach()
endfunction()

# The part's layer check, as its target runs it, in check_<target> (a list).
foreach(case ${cases})
  string(REGEX MATCH "^[^|]+\\|[^|]+" part "${case}")
  string(REPLACE "|" ";" part "${part}")
  list(GET part 0 target)
  list(GET part 1 folder)
  if(DEFINED check_${target})
    continue()
  endif()
  execute_process(COMMAND ${NINJA} -C ${BUILD} -t commands ${target} OUTPUT_VARIABLE commands RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "ninja -t commands ${target} failed")
  endif()
  string(REPLACE "\n" ";" commands "${commands}")
  foreach(line ${commands})
    string(REPLACE " && " ";" steps "${line}")
    foreach(step ${steps})
      if(step MATCHES "check-layers\\.cmake" AND step MATCHES " -DDIR=${folder} ")
        separate_arguments(check_${target} UNIX_COMMAND "${step}")
      endif()
    endforeach()
  endforeach()
  if(NOT DEFINED check_${target})
    message(FATAL_ERROR "${target}: its build runs no layer check of ${folder}/ (tools/check-layers.cmake)")
  endif()
endforeach()

# A command compiling one of the part's files (a list), and its folder, for each part: compile_commands.json
# as CMake writes it, a key a line.
file(STRINGS ${BUILD}/compile_commands.json compdb REGEX "^  \"(directory|command)\": \"")
foreach(line ${compdb})
  if(NOT line MATCHES "^  \"([a-z]+)\": \"(.*)\",?$")
    continue()
  endif()
  set(key "${CMAKE_MATCH_1}")
  set(value "${CMAKE_MATCH_2}")
  string(REPLACE "\\\"" "\"" value "${value}")
  string(REPLACE "\\\\" "\\" value "${value}")
  if(key STREQUAL "directory")
    set(directory "${value}")
  elseif(value MATCHES " -o CMakeFiles/([a-z_]+)\\.dir/")
    set(target ${CMAKE_MATCH_1})
    if(NOT DEFINED compile_${target})
      separate_arguments(compile_${target} UNIX_COMMAND "${value}")
      set(directory_${target} "${directory}")
    endif()
  endif()
endforeach()

# Puts `text` as a source of the part through its target's steps; `result` is "built" or the refusal.
function(build_part target folder text result)
  set(dir ${work}/${target})
  if(NOT EXISTS ${dir})
    overlay(${dir} ${folder})
  endif()
  set(probe ${dir}/${folder}/warstwy_probe.cpp)
  file(WRITE ${probe} "${text}")

  set(check ${check_${target}})
  list(TRANSFORM check REPLACE "^-DROOT=.*" "-DROOT=${dir}")
  execute_process(COMMAND ${check} RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT rc EQUAL 0)
    set(${result} "check: ${output}" PARENT_SCOPE)
    return()
  endif()

  # CMake writes "-o <object> -c <source>" last.
  list(FIND compile_${target} "-o" o)
  if(o EQUAL -1)
    message(FATAL_ERROR "${target}: no file of it in compile_commands.json")
  endif()
  list(SUBLIST compile_${target} 0 ${o} compile)
  execute_process(COMMAND ${compile} -o ${dir}/warstwy_probe.o -c ${probe} WORKING_DIRECTORY ${directory_${target}}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT rc EQUAL 0)
    set(${result} "compiler: ${output}" PARENT_SCOPE)
    return()
  endif()
  set(${result} built PARENT_SCOPE)
endfunction()

set(failures "")
set(refused 0)
foreach(case ${cases})
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 target)
  list(GET case 1 folder)
  list(GET case 2 above)
  list(GET case 3 relative)
  list(GET case 4 allowed)
  separate_arguments(relative UNIX_COMMAND "${relative}")
  separate_arguments(allowed UNIX_COMMAND "${allowed}")
  list(GET allowed 0 own)
  list(GET allowed 1 lower)

  build_part(${target} ${folder} "#include \"${own}\"\n#include <${lower}>\n#  include \"${lower}\"\n" result)
  if(NOT result STREQUAL "built")
    list(APPEND failures "${target}: its own and lower headers do not build: ${result}")
    continue()
  endif()

  set(lines "#include \"${above}\"" "#include <${above}>" "#  include \"${above}\"")
  foreach(path ${relative})
    list(APPEND lines "#include \"${path}\"")
  endforeach()
  # Back out of the part's include root to the source tree, and the source tree's own path.
  file(RELATIVE_PATH back ${BUILD}/inc/${target}/${folder} ${SRC})
  string(REGEX REPLACE "/$" "" back "${back}")
  list(APPEND lines "#include <${folder}/${back}/${above}>" "#include \"${SRC}/${above}\"")
  foreach(line ${lines})
    build_part(${target} ${folder} "#include \"${own}\"\n${line}\n" result)
    string(REGEX REPLACE "^[^\"<]*[\"<]([^\">]*).*" "\\1" path "${line}")
    string(FIND "${result}" "${path}" named)
    if(result STREQUAL "built")
      list(APPEND failures "${target} (${folder}/) builds with ${line}")
    elseif(named EQUAL -1)
      list(APPEND failures "${target} (${folder}/) refuses ${line} for another reason: ${result}")
    else()
      string(REGEX MATCH "^[a-z]+" by "${result}")
      message(STATUS "${target}: ${line}: refused by the ${by}")
      math(EXPR refused "${refused} + 1")
    endif()
  endforeach()
endforeach()
file(REMOVE_RECURSE ${work})

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "Layers not enforced:\n  ${text}")
endif()
message(STATUS "layers: ${refused} upward includes refused, each by its part's own target")
