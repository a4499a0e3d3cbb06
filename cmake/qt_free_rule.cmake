# The libraries below the window run without a display, in the command-line
# mode and in their tests, so they must not use Qt. This holds by
# construction: the build scans their folders for Qt includes, and
# configuring fails when one of their targets links Qt.

set(DRAVIK_QT_FREE_FOLDERS platform settings texts engine pict inputs batch update themes)

function(dravik_links_qt target out)
  set(pending ${target})
  set(seen)
  while(pending)
    list(POP_FRONT pending item)
    if(item IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${item})
    if(item MATCHES "^Qt[0-9]*::")
      set(${out} TRUE PARENT_SCOPE)
      return()
    endif()
    if(NOT TARGET ${item})
      continue()
    endif()
    get_target_property(type ${item} TYPE)
    set(links)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${item} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    get_target_property(usage ${item} INTERFACE_LINK_LIBRARIES)
    if(usage)
      list(APPEND links ${usage})
    endif()
    foreach(link IN LISTS links)
      # $<LINK_ONLY:x> and similar wrappers still link x.
      string(REGEX REPLACE "^\\$<[A-Z_]+:(.*)>$" "\\1" link "${link}")
      list(APPEND pending ${link})
    endforeach()
  endwhile()
  set(${out} FALSE PARENT_SCOPE)
endfunction()

function(dravik_folder_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    dravik_folder_targets(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Call after every src/ folder has been added.
function(dravik_enforce_qt_free)
  set(globs)
  set(targets)
  get_property(added DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY SUBDIRECTORIES)
  foreach(folder IN LISTS DRAVIK_QT_FREE_FOLDERS)
    foreach(ext IN ITEMS h hpp cpp cc c inc)
      list(APPEND globs ${PROJECT_SOURCE_DIR}/src/${folder}/*.${ext})
    endforeach()
    # A folder not yet added to the build has no targets, but its files are scanned.
    if(${PROJECT_SOURCE_DIR}/src/${folder} IN_LIST added)
      dravik_folder_targets(${PROJECT_SOURCE_DIR}/src/${folder} found)
      list(APPEND targets ${found})
    endif()
  endforeach()

  foreach(target IN LISTS targets)
    dravik_links_qt(${target} links_qt)
    if(links_qt)
      message(FATAL_ERROR "${target} links Qt, but its folder must stay free of Qt")
    endif()
  endforeach()

  # CONFIGURE_DEPENDS: a file added later (src/pict among them) is scanned too.
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${globs})
  list(JOIN DRAVIK_QT_FREE_FOLDERS "," folders)
  set(stamp ${CMAKE_BINARY_DIR}/qt_free_folders.stamp)
  set(script ${PROJECT_SOURCE_DIR}/cmake/check_qt_includes.cmake)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR}/src -DFOLDERS=${folders}
            -DSTAMP=${stamp} -P ${script}
    DEPENDS ${files} ${script}
    COMMENT "Checking that the Qt-free folders include no Qt"
    VERBATIM)
  add_custom_target(dravik_qt_free_check ALL DEPENDS ${stamp})
  # The libraries wait for the check, so a Qt include stops any build of
  # them, not only a full one.
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT type STREQUAL "UTILITY")
      add_dependencies(${target} dravik_qt_free_check)
    endif()
  endforeach()
endfunction()
