# cmake -DTHEME_DIR=<handdrawn folder> -DZIP=<output .zip> -P pack_theme.cmake
#
# Packs a theme folder into the zip the program reads from gfx/, every file at the archive's
# root. Before packing, the folder is checked the way the program will read it: theme.cfg with
# CR LF lines and its keys off the first line, every name the program asks for mapped to
# pictures of the right size, and no picture that nothing names. A theme that fails here would
# load without a word and leave the old pictures in place.

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/artwork_names.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/png_header.cmake)

if(NOT THEME_DIR OR NOT ZIP)
  message(FATAL_ERROR "usage: cmake -DTHEME_DIR=<folder> -DZIP=<file.zip> -P pack_theme.cmake")
endif()
get_filename_component(THEME_DIR "${THEME_DIR}" ABSOLUTE)
get_filename_component(ZIP "${ZIP}" ABSOLUTE)

set(cfg "${THEME_DIR}/theme.cfg")
if(NOT EXISTS "${cfg}")
  message(FATAL_ERROR "${cfg} is missing")
endif()
# file(READ) as text drops the CRs, so the line ends are checked on the bytes.
file(READ "${cfg}" hex HEX)
string(REGEX REPLACE "(..)" " \\1" bytes "${hex}")
string(REGEX MATCHALL " 0d 0a" crlf "${bytes}")
string(REGEX MATCHALL " 0a" lf "${bytes}")
string(REGEX MATCHALL " 0d" cr "${bytes}")
list(LENGTH crlf crlf)
list(LENGTH lf lf)
list(LENGTH cr cr)
if(NOT crlf EQUAL lf OR NOT crlf EQUAL cr)
  message(FATAL_ERROR "${cfg}: every line must end in CR LF, and nothing else")
endif()
if(NOT hex MATCHES "^5b5468656d655d0d0a")
  message(FATAL_ERROR
    "${cfg} must begin with the line [Theme]: the loader finds no key on the first line")
endif()
file(READ "${cfg}" text)

# The value the program's loader reads: the first line starting with key after the group's
# header, up to the next group; the value lies between the first and second "=".
function(theme_value group key out)
  set(${out} "" PARENT_SCOPE)
  string(FIND "${text}" "[${group}]" start)
  if(start LESS 0)
    return()
  endif()
  string(SUBSTRING "${text}" ${start} -1 rest)
  string(LENGTH "[${group}]" header)
  string(SUBSTRING "${rest}" ${header} -1 rest)
  string(FIND "${rest}" "[" end)
  if(end GREATER_EQUAL 0)
    string(SUBSTRING "${rest}" 0 ${end} rest)
  endif()
  if(rest MATCHES "\n${key}[^\n=]*=([^\n=]*)")
    string(STRIP "${CMAKE_MATCH_1}" value)
    set(${out} "${value}" PARENT_SCOPE)
  endif()
endfunction()

theme_value(Theme Name name)
if(name STREQUAL "")
  message(FATAL_ERROR "${cfg}: [Theme] has no Name, so the preferences would not list the theme")
endif()

set(named "")
foreach(button IN LISTS DRAVIK_BUTTON_SIZES)
  string(REPLACE ":" ";" button "${button}")
  list(GET button 0 key)
  list(GET button 1 w)
  list(GET button 2 h)
  theme_value(Buttons ${key} base)
  if(base STREQUAL "")
    message(FATAL_ERROR "${cfg}: [Buttons] does not name ${key}")
  endif()
  dravik_require_png("${THEME_DIR}/${base}_16.png" ${w} ${h})
  list(APPEND named "${base}_16.png")
endforeach()
foreach(key IN LISTS DRAVIK_ICON_NAMES)
  theme_value(Icons ${key} base)
  if(base STREQUAL "")
    message(FATAL_ERROR "${cfg}: [Icons] does not name ${key}")
  endif()
  foreach(size IN LISTS DRAVIK_THEME_ICON_SIZES)
    dravik_require_png("${THEME_DIR}/${base}_${size}.png" ${size} ${size})
    list(APPEND named "${base}_${size}.png")
  endforeach()
endforeach()

file(GLOB files RELATIVE "${THEME_DIR}" "${THEME_DIR}/*")
list(SORT files)
foreach(f IN LISTS files)
  if(IS_DIRECTORY "${THEME_DIR}/${f}")
    message(FATAL_ERROR
      "${THEME_DIR}/${f}: a theme holds no folders, the loader reads the root only")
  endif()
  if(NOT f STREQUAL "theme.cfg" AND NOT f IN_LIST named)
    message(FATAL_ERROR "${THEME_DIR}/${f}: theme.cfg does not name it")
  endif()
endforeach()

# Packed under a temporary name: a half-written archive must not look up to date next time.
# A fixed time stamp makes the archive the same bytes on every machine.
get_filename_component(zip_dir "${ZIP}" DIRECTORY)
file(MAKE_DIRECTORY "${zip_dir}")
set(staging "${ZIP}.part")
file(REMOVE "${staging}")
list(REMOVE_ITEM files theme.cfg)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf "${staging}" --format=zip "--mtime=2024-01-01 00:00:00 UTC"
          theme.cfg ${files}
  WORKING_DIRECTORY "${THEME_DIR}"
  RESULT_VARIABLE packed)
if(NOT packed EQUAL 0)
  file(REMOVE "${staging}")
  message(FATAL_ERROR "packing ${THEME_DIR} failed")
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar tf "${staging}"
  OUTPUT_VARIABLE listing
  RESULT_VARIABLE listed)
string(REPLACE "\n" ";" listing "${listing}")
list(REMOVE_ITEM listing "")
set(want theme.cfg ${files})
if(NOT listed EQUAL 0 OR NOT listing STREQUAL want)
  file(REMOVE "${staging}")
  message(FATAL_ERROR "${staging} does not list exactly the theme's files at its root")
endif()
file(RENAME "${staging}" "${ZIP}")
list(LENGTH want count)
message(STATUS "theme \"${name}\": ${count} files in ${ZIP}")
