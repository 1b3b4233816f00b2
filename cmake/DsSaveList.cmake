# Turns games/ds_save_sizes.tsv (game code, kind, bytes: one game a line) into a C++ table sorted
# by game code, for a binary search at run time with nothing parsed at start-up.
#
#   cmake -DINPUT=games/ds_save_sizes.tsv -DOUTPUT=ds_save_list.inc -P cmake/DsSaveList.cmake
#
# A line that is not a game code of four letters or digits, a known kind and a size that kind can
# have stops the build, and so does a code listed twice.
cmake_minimum_required(VERSION 3.25)

file(STRINGS "${INPUT}" lines ENCODING UTF-8)
set(entries "")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^#" OR line STREQUAL "" OR line MATCHES "^code\t")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z])\t(none|eeprom|flash|nand)\t([0-9]+)$")
    message(FATAL_ERROR "${INPUT}: not a line of the DS save list: '${line}'")
  endif()
  set(code "${CMAKE_MATCH_1}")
  set(kind "${CMAKE_MATCH_2}")
  set(bytes "${CMAKE_MATCH_3}")
  # Every size a DS game card's save chip comes in; nothing above 64 MiB.
  if(kind STREQUAL "none")
    set(allowed 0)
  elseif(kind STREQUAL "eeprom")
    set(allowed 512 8192 32768 65536 131072)
  elseif(kind STREQUAL "flash")
    set(allowed 262144 524288 1048576)
  else()
    set(allowed 8388608 16777216 33554432 67108864)
  endif()
  if(NOT bytes IN_LIST allowed)
    message(FATAL_ERROR "${INPUT}: ${code}: ${bytes} bytes is no size of ${kind} save memory")
  endif()
  string(SUBSTRING "${kind}" 0 1 first)
  string(TOUPPER "${first}" first)
  string(SUBSTRING "${kind}" 1 -1 rest)
  list(APPEND entries "${code}\t{\"${code}\", DsSaveKind::${first}${rest}, ${bytes}},")
  math(EXPR count "${count} + 1")
endforeach()

list(SORT entries)
set(previous "")
set(body "")
foreach(entry IN LISTS entries)
  string(SUBSTRING "${entry}" 0 4 code)
  if(code STREQUAL previous)
    message(FATAL_ERROR "${INPUT}: ${code} is listed twice")
  endif()
  set(previous "${code}")
  string(SUBSTRING "${entry}" 5 -1 row)
  string(APPEND body "    ${row}\n")
endforeach()

file(WRITE "${OUTPUT}.new"
     "// Made from games/ds_save_sizes.tsv by cmake/DsSaveList.cmake: ${count} games, by code.\n"
     "${body}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
